"""Layout checker of a run file, with h5py: every packet table's compound
fields (name -> offset and type), item size, chunking, maxshape and sampling
attributes, every information dataset's shape and type, the groups present
after the start and after the stop of a run, and "logVersion".

The expected layout is written out here from the file format, not taken from
the program. Usable as a module (check(path, stage)) or from the command line:
    check_layout.py <file> started|stopped
"""
import sys

import h5py
import numpy as np

U1, U2, U4, U8 = np.dtype("<u1"), np.dtype("<u2"), np.dtype("<u4"), np.dtype("<u8")
I2, I4, I8 = np.dtype("<i2"), np.dtype("<i4"), np.dtype("<i8")
F4, F8 = np.dtype("<f4"), np.dtype("<f8")


def array(base, count):
    return np.dtype((base, (count,)))


# Record types: sampling type, sampling frequency, size, {member: (type, offset)}.
T = [
    (0, 1000, 4, {"data": (array(U4, 1), 0)}),
    (1, 500, 8, {"data": (array(U2, 4), 0)}),
    (1, 500, 16, {"data": (array(F4, 4), 0)}),
    (1, 200, 4, {"data": (array(U1, 4), 0)}),
    (1, 200, 4, {"data": (array(U1, 4), 0)}),
    (1, 200, 6, {"data": (array(U1, 6), 0)}),
    (1, 100, 16, {"data": (array(F4, 4), 0)}),
    (1, 100, 16, {"data": (array(F4, 4), 0)}),
    (1, 100, 24, {"data": (array(F4, 6), 0)}),
    (1, 500, 16, {"e": (F4, 0), "ff": (I2, 4), "p": (I2, 6), "i": (I2, 8), "d": (I2, 10), "dd": (I2, 12),
                  "out": (I2, 14)}),
    (1, 500, 20, {"e": (F4, 0), "ff": (I2, 4), "p": (I2, 6), "i": (I2, 8), "dSlow": (I2, 10), "dd": (I2, 12),
                  "out": (I2, 14), "dFast": (I2, 16)}),
    (1, 500, 12, {"data": (array(U2, 6), 0)}),
    (1, 10, 16, {"data": (array(I2, 8), 0)}),
    (2, 0, 28, {"data": (array(F8, 3), 0), "timestamp": (U4, 24)}),
    (2, 0, 13, {"value": (F8, 0), "pid": (U1, 8), "timestamp": (U4, 9)}),
    (2, 0, 16, {"canData": (U8, 0), "canChannelAndId": (U4, 8), "timestamp": (U4, 12)}),
    (2, 0, 14, {"value": (F8, 0), "id": (U2, 8), "timestamp": (U4, 10)}),
    (1, 48000, 2, {"data": (array(I2, 1), 0)}),
]

TABLES = [
    ("freq_1", 0), ("freq_2", 0), ("freq_3", 0), ("freq_4", 0), ("freq_5", 0), ("freq_6", 0),
    ("loadCell", 1), ("loadCellV2", 2), ("accController", 3), ("speedController", 3), ("torqueController", 4),
    ("ainController", 5), ("accControllerSP", 6), ("speedControllerSP", 6), ("torqueControllerSP", 7),
    ("ainControllerSP", 8), ("pidDetails", 9), ("pidDetailsV2", 10), ("ain", 11), ("ain_2", 11), ("hpAin", 12),
    ("ambient", 13), ("obd", 14), ("can", 15), ("channel", 16), ("audio_1", 17), ("audio_2", 17),
    ("serialInputChannel", 16), ("modbus", 16), ("udsInputChannel", 16),
]

BOOL, INTEGER, ENUM, TIMESTAMP, REAL, VARCHAR = "bool", "integer", "enum", "timestamp", "real", "varchar"

RUN_FIELDS = [
    ("id", INTEGER), ("projectId", INTEGER), ("filename", VARCHAR), ("favourite", BOOL),
    ("creationTimestamp", TIMESTAMP), ("modificationTimestamp", TIMESTAMP), ("lastAccessTimestamp", TIMESTAMP),
    ("runLength", REAL), ("engineSpeedSource", ENUM), ("engineSpeedRatio", REAL),
    ("enginePowerCorrectionStandard", ENUM), ("enginePowerCorrectionValue", REAL), ("ambientTemperature", REAL),
    ("ambientPressure", REAL), ("ambientHumidity", REAL), ("measuredEnginePower", REAL),
    ("measuredEnginePowerRPM", REAL), ("measuredEngineTorque", REAL), ("measuredEngineTorqueRPM", REAL),
    ("measuredWheelPower", REAL), ("measuredWheelPowerRPM", REAL), ("peakRoadSpeed", REAL),
    ("peakEngineSpeed", REAL), ("comment", VARCHAR), ("selectionStart", REAL), ("selectionEnd", REAL),
    ("createdWithSoftwareVersion", VARCHAR), ("peakLossPower", REAL), ("peakLossPowerRPM", REAL),
    ("name", VARCHAR), ("type", ENUM), ("deviceCode", ENUM), ("distance", REAL), ("selectionLength", REAL),
]

PROJECT_FIELDS = [
    ("id", INTEGER), ("favourite", BOOL), ("creationTimestamp", TIMESTAMP), ("lastRunTimestamp", TIMESTAMP),
    ("lastAccessTimestamp", TIMESTAMP), ("customerName", VARCHAR), ("runCount", INTEGER), ("vehicleId", VARCHAR),
    ("projectName", VARCHAR), ("vehicleType", ENUM), ("brand", VARCHAR), ("model", VARCHAR), ("series", VARCHAR),
    ("productionYear", INTEGER), ("mass", REAL), ("frontalArea", REAL), ("Cx", REAL), ("driveWheels", ENUM),
    ("wheelbase", REAL), ("frontTrack", REAL), ("rearTrack", REAL), ("engineCode", VARCHAR),
    ("engineFuelType", ENUM), ("engineBoostType", ENUM), ("engineConfiguration", ENUM), ("displacement", REAL),
    ("cylinderCount", INTEGER), ("valveCount", INTEGER), ("compressionRatio", REAL), ("cylinderBore", REAL),
    ("pistonStroke", REAL), ("gearboxType", ENUM), ("gearCount", INTEGER), ("engineInertia", REAL),
    ("drivetrainInertia", REAL), ("stockEnginePower", REAL), ("stockEnginePowerRPM", REAL),
    ("stockEngineTorque", REAL), ("stockEngineTorqueRPM", REAL), ("measuredEnginePower", REAL),
    ("measuredEnginePowerRPM", REAL), ("measuredEngineTorque", REAL), ("measuredEngineTorqueRPM", REAL),
    ("measuredWheelPower", REAL), ("measuredWheelPowerRPM", REAL), ("peakRoadSpeed", REAL),
    ("peakEngineSpeed", REAL), ("description", VARCHAR), ("lossFromLoadFactor", REAL),
    ("engineEfficiency", REAL), ("engineCorrectionFactor", REAL), ("obdPidGroups", VARCHAR),
    ("engineCycle", ENUM), ("wheelDiameter", REAL), ("runDistance", REAL), ("customerEmail", VARCHAR),
    ("trim", VARCHAR), ("ignoreCoastdownErrors", BOOL),
]

# Written by the writer: at the start, then at the stop.
RUN_FIELDS_AT_START = {"creationTimestamp", "modificationTimestamp", "lastAccessTimestamp"}
RUN_FIELDS_AT_STOP = RUN_FIELDS_AT_START | {
    "runLength", "distance", "engineSpeedSource", "engineSpeedRatio", "enginePowerCorrectionStandard",
    "enginePowerCorrectionValue", "ambientTemperature", "ambientPressure", "ambientHumidity",
    "measuredWheelPower", "peakRoadSpeed", "comment", "name", "createdWithSoftwareVersion", "type", "deviceCode"}
FILES = ["canParserSetup", "functionsSetup", "inputChannelsSetup", "serialInputDevicesSetup", "modbusSetup",
         "miscChannelsDescriptor", "udsChannelSetup"]


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        if not condition:
            self.failures.append(what)
        return condition


def text_of(dataset):
    return bytes(dataset[()].reshape(-1)).decode("utf-8")


def check_scalar(c, dataset, dtype, where):
    c.expect(dataset.dtype == dtype, "%s: type %s, expected %s" % (where, dataset.dtype, dtype))
    c.expect(dataset.shape == (1, 1), "%s: shape %s, expected (1, 1)" % (where, dataset.shape))


def check_text(c, dataset, where):
    c.expect(dataset.dtype == U1, "%s: text type %s" % (where, dataset.dtype))
    c.expect(dataset.ndim == 2 and dataset.shape[1] == 1, "%s: text shape %s" % (where, dataset.shape))


def check_field(c, group, key, kind, where):
    if not c.expect(key in group, "%s/%s missing" % (where, key)):
        return
    dataset = group[key]
    c.expect(isinstance(dataset, h5py.Dataset), "%s/%s is no dataset" % (where, key))
    # Contiguous datasets written whole with the default property lists.
    c.expect(dataset.chunks is None and dataset.compression is None, "%s/%s: not contiguous" % (where, key))
    if kind in (BOOL, INTEGER, ENUM):
        check_scalar(c, dataset, I4, where + "/" + key)
    elif kind == TIMESTAMP:
        check_scalar(c, dataset, I8, where + "/" + key)
    elif kind == REAL:
        check_scalar(c, dataset, F8, where + "/" + key)
    else:
        check_text(c, dataset, where + "/" + key)


def check_tables(c, frames):
    c.expect(sorted(frames.keys()) == sorted(name for name, _ in TABLES), "tables of /frames: %s" % list(frames))
    for name, type_index in TABLES:
        if name not in frames:
            continue
        sampling, frequency, size, members = T[type_index]
        table = frames[name]
        where = "/frames/" + name
        dtype = table.dtype
        c.expect(dtype.itemsize == size, "%s: item size %d, expected %d" % (where, dtype.itemsize, size))
        fields = {key: (value[0], value[1]) for key, value in (dtype.fields or {}).items()}
        c.expect(fields == members, "%s: fields %s, expected %s" % (where, fields, members))
        c.expect(table.ndim == 1, "%s: rank %d" % (where, table.ndim))
        c.expect(table.maxshape == (None,), "%s: maxshape %s" % (where, table.maxshape))
        c.expect(table.chunks == (size * 1000,), "%s: chunks %s, expected (%d,)" % (where, table.chunks, size * 1000))
        c.expect(table.compression is None, "%s: compressed" % where)
        for attribute, expected in (("samplingType", sampling), ("samplingFrequency", frequency)):
            if not c.expect(attribute in table.attrs, "%s: attribute %s missing" % (where, attribute)):
                continue
            value = table.attrs[attribute]
            c.expect(np.asarray(value).dtype == U4 and np.asarray(value).shape == (),
                     "%s/%s: %s %s, expected scalar uint32" % (where, attribute, np.asarray(value).dtype,
                                                              np.asarray(value).shape))
            c.expect(int(value) == expected, "%s/%s = %s, expected %d" % (where, attribute, value, expected))


def check(path, stage):
    """stage: "started" (recording) or "stopped". Returns the list of failures."""
    c = Checker()
    with h5py.File(path, "r") as f:
        root = set(f.keys())
        expected_root = {"logVersion", "frames", "runInfo"}
        if stage == "stopped":
            expected_root |= {"setup", "projectInfo", "files", "markers"}
        c.expect(root == expected_root, "root of %s: %s, expected %s" % (stage, sorted(root), sorted(expected_root)))
        if "logVersion" in f:
            check_text(c, f["logVersion"], "/logVersion")
            c.expect(text_of(f["logVersion"]) == "zembo_1", "logVersion %r" % text_of(f["logVersion"]))
        if "frames" in f:
            check_tables(c, f["frames"])
            for name in ("pidDetails", "obd"):
                if name in f["frames"]:
                    c.expect(f["frames"][name].shape == (0,), "/frames/%s is not empty" % name)
        if "runInfo" in f:
            kinds = dict(RUN_FIELDS)
            present = set(f["runInfo"].keys())
            wanted = RUN_FIELDS_AT_STOP if stage == "stopped" else RUN_FIELDS_AT_START
            c.expect(wanted <= present, "/runInfo lacks %s" % sorted(wanted - present))
            c.expect(present <= set(kinds), "/runInfo has unknown %s" % sorted(present - set(kinds)))
            for key in present & set(kinds):
                check_field(c, f["runInfo"], key, kinds[key], "/runInfo")
        if stage == "stopped":
            if "projectInfo" in f:
                c.expect(sorted(f["projectInfo"].keys()) == sorted(k for k, _ in PROJECT_FIELDS),
                         "/projectInfo datasets: %s" % sorted(f["projectInfo"].keys()))
                for key, kind in PROJECT_FIELDS:
                    check_field(c, f["projectInfo"], key, kind, "/projectInfo")
            if "files" in f:
                c.expect(sorted(f["files"].keys()) == sorted(FILES), "/files: %s" % sorted(f["files"].keys()))
                for key in FILES:
                    if key in f["files"]:
                        check_text(c, f["files"][key], "/files/" + key)
            if "setup" in f:
                for key, dataset in f["setup"].items():
                    ok = (dataset.dtype in (I4, F8) and dataset.shape == (1, 1)) \
                        or (dataset.dtype == U1 and dataset.ndim == 2 and dataset.shape[1] == 1) \
                        or (dataset.dtype == F8 and dataset.ndim == 2 and dataset.shape[1] in (1, 2))
                    c.expect(ok, "/setup/%s: %s %s" % (key, dataset.dtype, dataset.shape))
            if "markers" in f:
                markers = f["markers"]
                c.expect(sorted(markers.keys()) == ["channels", "times"], "/markers: %s" % sorted(markers.keys()))
                if "times" in markers:
                    times = markers["times"]
                    c.expect(times.dtype == F8 and times.ndim == 2 and times.shape[1] == 1,
                             "/markers/times: %s %s" % (times.dtype, times.shape))
                if "channels" in markers:
                    check_text(c, markers["channels"], "/markers/channels")
    return c.failures


def main():
    failures = check(sys.argv[1], sys.argv[2])
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
