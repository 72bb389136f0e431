"""A file of the oldest format, built here with h5py ("logVersion" "zembo_0.1",
the run information in "/attributes" and the root datasets "logTimestamp" and
"comment"), loaded by our loader: it loads and is converted exactly once. The
same file opened read-only loads without being changed."""
import datetime
import hashlib
import json
import os
import subprocess
import sys
import tempfile

import h5py
import numpy as np

TOOL = sys.argv[1]
os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def text_dataset(group, name, value):
    data = np.frombuffer(value.encode("utf-8"), dtype=np.uint8).reshape(-1, 1)
    group.create_dataset(name, data=data, dtype=np.uint8)


def build(path):
    with h5py.File(path, "w") as f:
        text_dataset(f, "logVersion", "zembo_0.1")
        text_dataset(f, "logTimestamp", "2019-05-03_14:22:10")
        text_dataset(f, "comment", "Erster Lauf; alt")
        attributes = f.create_group("attributes")
        for name, value in (("runLength", 42.5), ("peakPower", 98000.0), ("selectionStart", 3.0),
                            ("selectionEnd", 39.5)):
            attributes.attrs.create(name, value, dtype=np.float64)
        frames = f.create_group("frames")
        freq = np.dtype([("data", "<u4", (1,))])
        for name in ("freq_1", "freq_2", "freq_3"):
            table = frames.create_dataset(name, data=np.array([(i * 3 + 1,) for i in range(5)], dtype=freq),
                                          maxshape=(None,), chunks=(4000,))
            table.attrs.create("samplingType", 0, dtype=np.uint32)
            table.attrs.create("samplingFrequency", 1000, dtype=np.uint32)


def load(path):
    result = subprocess.run([TOOL, "load", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("the loader failed: " + result.stderr)
    return json.loads(result.stdout)


work = tempfile.mkdtemp()
path = os.path.join(work, "old.h5")
build(path)

first = load(path)
check(first["open"] == 0 and first["loadAll"] == 0, "the old file loads: %s" % first)
check(first["importLogLines"] == 1, "converted on the first load")
check(first["records"]["freq_1"] == 5 and first["records"]["freq_4"] == 0, "its frames: %s" % first["records"])
info = first["runInfo"]
created = int(datetime.datetime(2019, 5, 3, 14, 22, 10).timestamp())
check(info["runLength"] == 42.5 and info["measuredWheelPower"] == 98000.0, "length and peak power: %s" % info)
check(info["creationTimestamp"] == created, "creation time %s, expected %s" % (info["creationTimestamp"], created))
check(info["comment"] == "Erster Lauf; alt", "comment")
check(info["selectionStart"] == 3.0 and info["selectionEnd"] == 39.5, "selection")
check(first["legacyInertiaIndexing"], "a file without a version is older than 4.9.0")
with h5py.File(path, "r") as f:
    check(bytes(f["logVersion"][()].reshape(-1)) == b"zembo_1_imported", "version text after the conversion")
    check(f["runInfo"]["creationTimestamp"].dtype == np.int64, "creation time stored as 64-bit integer")

second = load(path)
check(second["loadAll"] == 0 and second["importLogLines"] == 0, "not converted a second time")
check(second["runInfo"] == info, "the second load reads what the first wrote")

# Opened read-only (the file may not be written): it loads, nothing changes.
readonly = os.path.join(work, "readonly.h5")
build(readonly)
before = hashlib.sha256(open(readonly, "rb").read()).hexdigest()
os.chmod(readonly, 0o444)
if os.geteuid() != 0:
    third = load(readonly)
    check(third["readOnly"] and third["loadAll"] == 0 and third["importLogLines"] == 0, "read-only: %s" % third)
    check(third["records"]["freq_2"] == 5, "read-only file's frames")
    check(hashlib.sha256(open(readonly, "rb").read()).hexdigest() == before, "read-only file unchanged")
else:
    print("running as root: file permissions do not stop writes; the read-only case is a unit test")

if failures:
    sys.exit("%d checks failed" % len(failures))
print("oldest format: loads, converted once")
