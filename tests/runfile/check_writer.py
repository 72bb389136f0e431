"""A run recorded by our writer with records injected into every table, looked
at with h5py: the layout while recording and after the stop, the records read
back byte for byte, the information the stop stored; then h5repack -l CONTI,
h5diff, and the repacked file loaded by our loader."""
import json
import os
import subprocess
import sys
import tempfile

import h5py
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layout  # noqa: E402

TOOL = sys.argv[1]
os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)
    return condition


def text(dataset):
    return bytes(dataset[()].reshape(-1)).decode("utf-8")


def scalar(dataset):
    return dataset[()].reshape(-1)[0]


work = tempfile.mkdtemp()
process = subprocess.Popen([TOOL, "record", work], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
started = process.stdout.readline().split(" ", 1)
if started[0] != "STARTED":
    process.kill()
    sys.exit("the writer did not start: %r" % started)
path = started[1].strip()

# While recording: readable by another process, with the groups of a start.
for failure in check_layout.check(path, "started"):
    check(False, "after start: " + failure)

process.stdin.write("go\n")
process.stdin.flush()
stopped = process.stdout.readline().split(" ", 1)
check(process.wait(60) == 0 and stopped[0] == "STOPPED", "writer stopped: %r" % stopped)
for failure in check_layout.check(path, "stopped"):
    check(False, "after stop: " + failure)

expected = json.load(open(os.path.join(work, "expected.json"), encoding="utf-8"))
with h5py.File(path, "r") as f:
    frames = f["frames"]
    # Every table holds exactly the records given, in order, byte for byte.
    for name, _ in check_layout.TABLES:
        want = open(os.path.join(work, "expected", name + ".bin"), "rb").read()
        got = frames[name][()]
        check(got.tobytes() == want, "%s: %d records differ from the %d given" % (
            name, len(got), len(want) // max(1, frames[name].dtype.itemsize)))
    check(len(frames["freq_1"]) == 40 and len(frames["audio_1"]) == 40 * 2048, "record counts")
    # The writer's own records: channel ids and times relative to the run start.
    channel = frames["channel"][()]
    check(channel["timestamp"][0] == 0 and channel["value"][0] == 2.5, "channel sample at the run start kept")
    check(np.all(channel["id"] == expected["channelFileId"]), "channel id = low 16 bits of the unique id")
    check(expected["channelFileId"] == 0x2345, "unique id 0x12345 gives 0x2345")
    check(np.all(channel["timestamp"] < 100000), "no sample from before the start wrapped around")
    for name, source in (("serialInputChannel", 0x0102), ("modbus", 0x0203), ("udsInputChannel", 0x4567)):
        records = frames[name][()]
        check(len(records) == 40 and np.all(records["id"] == source), name + " ids")
        check(records["timestamp"][0] == 1, name + ": the sample at the run start is not stored")
    pid = frames["pidDetailsV2"][()]
    raw = open(os.path.join(work, "expected", "pidDetailsV2.bin"), "rb").read()
    check(pid["dFast"][3] == np.frombuffer(raw[3 * 20 + 16:3 * 20 + 18], "<i2")[0], "pidDetailsV2 member dFast")

    run_info = f["runInfo"]
    check(text(run_info["comment"]) == expected["comment"], "comment %r" % text(run_info["comment"]))
    check(text(run_info["name"]) == expected["name"], "name")
    check(text(run_info["createdWithSoftwareVersion"]) == expected["softwareVersion"], "software version")
    check(scalar(run_info["runLength"]) > 0, "run length")
    check(scalar(run_info["distance"]) == 412.5 and scalar(run_info["type"]) == 3, "distance and run type")
    check(scalar(run_info["enginePowerCorrectionStandard"]) == 5, "correction standard")
    check(scalar(run_info["ambientPressure"]) == 98765.0, "ambient pressure")
    check(scalar(run_info["creationTimestamp"]) == scalar(run_info["lastAccessTimestamp"]), "start times")
    project = f["projectInfo"]
    check(text(project["vehicleId"]) == "KR 4711" and scalar(project["mass"]) == 1362.5, "active project stored")
    check(scalar(project["cylinderCount"]) == 4 and scalar(project["id"]) == expected["projectId"], "project id")
    setup = f["setup"]
    check(scalar(setup["engineSpeedSource"]) == 2 and setup["engineSpeedSource"].dtype == np.int32, "combo box")
    check(scalar(setup["loadCell_0_automaticOffset"]) == 1, "check box as int")
    check(scalar(setup["roller_0_diameter"]) == 0.318, "spin box with unit as double")
    check(text(setup["ain_0_name"]) == "Öl temp; 100%", "line edit as text")
    check(text(setup["engineSpeedCANChannel"]) == "can_rpm", "argument as text")
    check(setup["freqInput_0_sensorCharacteristic"][()].tolist() == [[0, 0], [1, 2.5], [2, 7.75]], "points")
    check(setup["lossModel"][()].reshape(-1).tolist() == [1.0, 2.0, 3.5], "attached loss model kept")
    files = f["files"]
    check(text(files["canParserSetup"]) == "<canInputs/>" and text(files["udsChannelSetup"]) == "<udsChannels/>",
          "model setups")
    check(text(files["miscChannelsDescriptor"]) == expected["miscChannelsDescriptor"], "channel descriptor")
    markers = f["markers"]
    check(markers["times"][()].reshape(-1).tolist() == [1.5, 3.25], "marker times")
    check(text(markers["channels"]) == ";", "one empty label per marker")

# Our loader reads the same records and the markers with their labels.
summary = json.loads(subprocess.run([TOOL, "load", path], capture_output=True, text=True, check=True).stdout)
check(summary["loadAll"] == 0 and summary["records"]["audio_2"] == 40 * 2048, "loaded: %s" % summary["records"])
check(summary["markerTimes"] == [1.5, 3.25] and summary["markerLabels"] == ["", ""], "markers loaded")
check(summary["runInfo"]["comment"] == expected["comment"], "run info loaded")
check(not summary["legacyInertiaIndexing"], "a file of this version is not older than 4.9.0")

# Repacked with contiguous layout: h5repack succeeds, h5diff finds nothing,
# and the repacked file loads with the same records.
repacked = os.path.join(work, "repacked.h5")
repack = subprocess.run(["h5repack", "-l", "CONTI", path, repacked], capture_output=True, text=True)
check(repack.returncode == 0, "h5repack exit %d: %s" % (repack.returncode, repack.stderr))
diff = subprocess.run(["h5diff", "-c", path, repacked], capture_output=True, text=True)
check(diff.returncode == 0, "h5diff exit %d: %s" % (diff.returncode, diff.stdout[:500]))
# h5diff compares no empty dataset (the empty tables and texts); it lists
# them, and nothing else may be listed.
with h5py.File(path, "r") as f:
    for line in diff.stdout.splitlines():
        if line.startswith("Not comparable: <"):
            name = line.split("<", 1)[1].split(">", 1)[0]
            check(f[name].size == 0, "h5diff cannot compare " + name)
        else:
            check(line.strip() == "", "h5diff: " + line)
again = json.loads(subprocess.run([TOOL, "load", repacked], capture_output=True, text=True, check=True).stdout)
check(again["loadAll"] == 0 and again["records"] == summary["records"], "repacked file loads: %s" % again)
check(again["runInfo"] == summary["runInfo"], "repacked run info")

if failures:
    sys.exit("%d checks failed" % len(failures))
print("run file written by the writer: layout, records, information, repack: all checks passed")
