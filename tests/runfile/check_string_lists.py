"""The string-list encoding of run files against Python's urllib.parse.quote:
each item's UTF-8 bytes percent-encoded (all but letters, digits and "-._~",
upper-case hex), items joined by ";". Our writer stores each list, h5py reads
the stored bytes, and our reader gives the lists back."""
import json
import os
import subprocess
import sys
import tempfile
import urllib.parse

import h5py

TOOL = sys.argv[1]
os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"

LISTS = [
    [],
    [""],
    ["x"],
    ["x", ""],
    ["", "x"],
    ["", "", "x", ""],
    ["engine_speed", "dyno_speed", ""],
    ["a;b", "100%", "%41", ";", "%"],
    ["Öl temp", "Ansaugluft °C", "Δp", "日本語", "emoji \U0001F697"],
    ["-._~", "AZaz09", " !\"#$&'()*+,/:=?@[]", "\t\n\r", "\x00inner\x01"],
    ["a/b\\c", "x" * 300],
]


def reference(items):
    return ";".join(urllib.parse.quote(item.encode("utf-8"), safe="") for item in items).encode("ascii")


path = os.path.join(tempfile.mkdtemp(), "lists.h5")
result = subprocess.run([TOOL, "strings", path], input=json.dumps(LISTS), capture_output=True, text=True)
if result.returncode != 0:
    sys.exit("the helper failed: " + result.stderr)
read_back = json.loads(result.stdout)
failures = 0
with h5py.File(path, "r") as f:
    for i, items in enumerate(LISTS):
        dataset = f["list_%d" % i]
        stored = bytes(dataset[()].reshape(-1))
        if dataset.dtype != "u1" or dataset.ndim != 2 or dataset.shape[1] != 1:
            print("FAIL: list %d stored as %s %s" % (i, dataset.dtype, dataset.shape))
            failures += 1
        if stored != reference(items):
            print("FAIL: %r stored as %r, expected %r" % (items, stored, reference(items)))
            failures += 1
        # One empty item and no item at all are the same empty text; it reads
        # as no item (marker labels are padded to the marker count on loading).
        wanted = [] if items == [""] else items
        if read_back[i] != wanted:
            print("FAIL: %r read back as %r" % (items, read_back[i]))
            failures += 1
        print("%-40r -> %r" % (items, stored[:60]))
if failures:
    sys.exit("%d checks failed" % failures)
print("string lists: all %d lists as Python encodes them" % len(LISTS))
