"""A recording killed with SIGKILL: the file opens with h5py, its tables read
without error, the numbered records are complete from the first on, and no
more than the last few seconds (the flush period) are missing."""
import os
import signal
import subprocess
import sys
import time

import h5py
import numpy as np

TOOL = sys.argv[1]
os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"
RATE = 20000           # records per second into each of two tables
RECORDING = 7.0        # seconds before the kill
FLUSH_PERIOD = 2.0     # the writer's flush interval
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


process = subprocess.Popen([TOOL, "endless", str(RATE)], stdout=subprocess.PIPE, text=True)
started = process.stdout.readline().split(" ", 1)
if started[0] != "STARTED":
    process.kill()
    sys.exit("the recording did not start: %r" % started)
path = started[1].strip()
begin = time.monotonic()
time.sleep(RECORDING)
process.send_signal(signal.SIGKILL)
killed_after = time.monotonic() - begin
process.wait()

with h5py.File(path, "r") as f:
    frames = f["frames"]
    check(len(frames) == 30, "all tables present: %d" % len(frames))
    for name in frames:
        frames[name][()]  # every table reads
    freq = frames["freq_1"]["data"][()].reshape(-1)
    serial = frames["serialInputChannel"][()]
    for name, numbers in (("freq_1", freq.astype(np.int64)), ("serialInputChannel", serial["value"])):
        check(np.array_equal(numbers, np.arange(len(numbers))), "%s: records 0..%d in order" % (name, len(numbers)))
        lost = killed_after - len(numbers) / RATE
        print("%s: %d records, %.2f s of %.2f s lost" % (name, len(numbers), lost, killed_after))
        check(lost <= FLUSH_PERIOD + 1.0, "%s: %.2f s lost, more than the flush period allows" % (name, lost))
    check(bytes(f["logVersion"][()].reshape(-1)) == b"zembo_1", "logVersion")
    check("creationTimestamp" in f["runInfo"], "run start information")

if failures:
    sys.exit("%d checks failed" % len(failures))
print("killed recording: readable up to its last flush")
