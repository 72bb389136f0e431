"""The whole program, end to end, on the simulated dyno: what an operator or a
remote-control client does, and what the program leaves behind in its files.
Each section starts the real `zembo` through the shared helper
(tests/common/zembo_program.py) and checks settings.ini, the run files (h5py),
the runs table (sqlite3) and what the simulated controller received.

This is the place for further end-to-end checks: add a section function and
call it at the end.

Usage: check_end_to_end.py ZEMBO"""
import os
import sqlite3
import struct
import sys
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

EXECUTABLE = sys.argv[1]
SOURCE = os.environ.get("ZEMBO_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCENARIO = os.path.join(SOURCE, "platform", "scenarios", "full-throttle.txt")
TEST_HOME = os.environ["HOME"]
checks = zembo_program.Checks()
check = checks.check

# Target registers of the controller (the board writes them every 10 ms).
ANALOG_OUTPUT_ARGUMENT_1 = 126
AIN_PID_SETPOINT_1 = 130
# Controller outputs, recorded at 200 Hz.
OUTPUT_TABLES = ("accController", "speedController", "torqueController", "ainController")

FUNCTIONS_XML = """<functions>
 <function name="Boost" operator="=" equation="" shellScript="" manufacturerLock="0">
  <argument id="0" type="constant" value="0.25" unitType="0"/>
  <argument id="1" type="null" value="" unitType="0"/>
  <argument id="2" type="null" value="" unitType="0"/>
  <argument id="3" type="null" value="" unitType="0"/>
  <argument id="4" type="null" value="" unitType="0"/>
 </function>
 <function name="LampTwice" operator="equation" equation="A * 2" shellScript="" manufacturerLock="0">
  <argument id="0" type="channel" value="I_Lamp" unitType="0"/>
  <argument id="1" type="null" value="" unitType="0"/>
  <argument id="2" type="null" value="" unitType="0"/>
  <argument id="3" type="null" value="" unitType="0"/>
  <argument id="4" type="null" value="" unitType="0"/>
 </function>
</functions>
"""

INPUT_CHANNELS_XML = """<inputChannels>
 <inputChannel name="Lamp" step="0.1" onUp="" offDown="" toggle="" pulse="" gamepadEvent="0:0" value="0.5"/>
</inputChannels>
"""

# The dyno settings that name them: the analog output follows the function,
# the analog-input controller's set point the operator's input channel.
ARGUMENTS = {
    "analogOutput_0_argument": "F_Boost",
    "ainPID_0_spArgument": "I_Lamp",
}


def argument_settings():
    values = {}
    for setting, key in ARGUMENTS.items():
        values[("UserSetting", "DynoSetting\\%s\\type" % setting)] = "2"
        values[("UserSetting", "DynoSetting\\%s\\value" % setting)] = key
    values[("UserSetting", "DynoSetting\\analogOutput_0_source")] = "1"
    values[("UserSetting", "DynoSetting\\ainPID_0_spSource")] = "1"
    return values


def stored_arguments(program):
    return {setting: program.ini_value("UserSetting", "DynoSetting\\%s\\value" % setting) for setting in ARGUMENTS}


def targets(path):
    """The last value of each target register the simulated controller logged."""
    last = {}
    try:
        with open(path, encoding="ascii") as f:
            for line in f:
                register, value = line.split()
                last[int(register)] = struct.unpack(">f", int(value, 16).to_bytes(4, "big"))[0]
    except FileNotFoundError:
        pass
    return last


def register_becomes(path, register, value, timeout=zembo_program.EVENT):
    return wait_for(lambda: abs(targets(path).get(register, float("nan")) - value) < 1e-6, timeout)


def text_dataset(dataset):
    data = dataset[()]
    if isinstance(data, bytes):
        return data.decode("utf-8")
    if hasattr(data, "dtype") and data.dtype.kind in "SO":
        item = data.reshape(-1)[0]
        return item.decode("utf-8") if isinstance(item, bytes) else str(item)
    return bytes(data.reshape(-1)).decode("utf-8").rstrip("\0")


# ------------------------------------------------------------ a new machine

def first_start_opens_the_main_window():
    """`make run` on a fresh machine: nothing seeded, no system root given. The
    simulated board is one already set up, so no box comes before the main
    window (every box is answered and logged, none may be); with
    ZEMBO_SIM_FIRST_BOOT=1 the first-run set-up shows (reboot recorded)."""
    program = zembo_program.Program(EXECUTABLE, home=os.path.join(TEST_HOME, "new-user"), checks=checks,
                                    scenario=SCENARIO)
    program.start()
    log = program.log_text()
    before_window = log[:log.find("Start-up stage 3 done")]
    check("Dialog answered automatically" not in before_window,
          "a box before the main window on a new machine: %s"
          % [line for line in before_window.splitlines() if "Dialog answered" in line])
    check("sudo reboot" not in log, "a new machine is rebooted")
    check("Stock password change request" not in log, "the stock-password dialog on a set-up board")
    check(os.path.isfile(os.path.join(program.zembo, "simulatedSystem", "sys/devices/system/cpu/isolated")),
          "the simulated board's system files in the configuration folder")
    program.stop()
    check(program.ini_value("General", "passwdChanged") == "1", "the set-up board's password counts as changed")

    first_boot = zembo_program.Program(EXECUTABLE, home=os.path.join(TEST_HOME, "first-boot"), checks=checks)
    first_boot.start(extra_env={"ZEMBO_SIM_FIRST_BOOT": "1"})
    log = first_boot.log_text()
    check("Dialog answered automatically" in log and "sudo reboot" in log,
          "ZEMBO_SIM_FIRST_BOOT=1 goes through the first-run set-up")
    first_boot.stop()


# ------------------------------------------------------------ arguments, runs

def seed(program):
    password = zembo_program.password_for_one_word("e2e secret")
    program.seed_settled_board(password)
    zembo_program.write(os.path.join(program.zembo, "functions.xml"), FUNCTIONS_XML)
    zembo_program.write(os.path.join(program.zembo, "inputChannels.xml"), INPUT_CHANNELS_XML)
    program.set_ini(argument_settings())


def arguments_survive_starts(program, target_log):
    """Arguments naming a function and an input channel are bound at start,
    kept in settings.ini over two starts, and the controller's argument
    registers carry their values."""
    for start in (1, 2):
        if os.path.exists(target_log):
            os.remove(target_log)
        program.start()
        check(register_becomes(target_log, ANALOG_OUTPUT_ARGUMENT_1, 0.25),
              "start %d: analog output argument register %s, expected F_Boost's 0.25"
              % (start, targets(target_log).get(ANALOG_OUTPUT_ARGUMENT_1)))
        check(register_becomes(target_log, AIN_PID_SETPOINT_1, 0.5),
              "start %d: set-point register %s, expected I_Lamp's 0.5"
              % (start, targets(target_log).get(AIN_PID_SETPOINT_1)))
        check(not program.logged("is invalid for argument"), "start %d: an argument lost its channel" % start)
        program.stop()
        check(stored_arguments(program) == ARGUMENTS,
              "start %d: arguments in settings.ini %s" % (start, stored_arguments(program)))


def run_records_functions_and_input_channels(program, target_log):
    """A run with two writes of an input channel over the remote control: the
    run file holds the functions and input channels in force, the channel's
    records (start value, the writes, stop value) under the id its setup
    carries, and the controller outputs at 200 Hz; the run has its row."""
    database = sqlite3.connect(program.database)
    project = database.execute(
        "insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
    database.commit()
    database.close()
    check(program.replace_ini_value("lastProjectId", str(project)), "settings.ini has lastProjectId")

    program.start()
    path = ""
    writes = []
    try:
        check(program.wait_for_log("Active project %d" % project), "project active at start")
        admin = program.admin()
        check(admin.ask(b"WRITE-CHANNEL I_Lamp 0.75") == b"OK", "WRITE-CHANNEL before the run")
        check(register_becomes(target_log, AIN_PID_SETPOINT_1, 0.75),
              "the set-point register follows the input channel: %s" % targets(target_log).get(AIN_PID_SETPOINT_1))
        check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
        before = program.run_files()
        sent_start = time.monotonic()
        check(admin.ask(b"START-STOP") == b"OK", "START")
        check(program.wait_for_log("Run thread: run synchronised"), "run synchronised")
        check(wait_for(lambda: len(program.run_files() - before) == 1), "one new run file")
        new = sorted(program.run_files() - before)
        path = os.path.join(program.runs, new[0]) if new else ""
        for value in (1.25, 1.5):
            time.sleep(1.5)
            check(admin.ask(b"WRITE-CHANNEL I_Lamp %g" % value) == b"OK", "WRITE-CHANNEL %g" % value)
            writes.append(value)
        # About five seconds of recording in all.
        time.sleep(max(0.0, 5.0 - (time.monotonic() - sent_start)))
        check(admin.ask(b"START-STOP") == b"OK", "STOP")
        check(program.wait_for_log("Run STOP"), "run stopped")
        check(path and wait_for(lambda: program.readable(path, lambda f: "projectId" in f["runInfo"])),
              "the row's values reach the file")
        admin.close()
    finally:
        program.stop()
    if not path:
        return

    import h5py
    with h5py.File(path, "r") as f:
        files = f["files"]
        functions = ElementTree.fromstring(text_dataset(files["functionsSetup"]))
        inputs = ElementTree.fromstring(text_dataset(files["inputChannelsSetup"]))
        run_length = float(f["runInfo"]["runLength"][0, 0])
        channel_records = f["frames"]["channel"][()]
        output_counts = {name: len(f["frames"][name]) for name in OUTPUT_TABLES}
        set_points = len(f["frames"]["accControllerSP"])
        load_cells = len(f["frames"]["loadCellV2"]) or len(f["frames"]["loadCell"])

    by_name = {element.get("name"): element for element in functions.findall("function")}
    check(sorted(by_name) == ["Boost", "LampTwice"], "functions in the run file: %s" % sorted(by_name))
    if "LampTwice" in by_name:
        twice = by_name["LampTwice"]
        first = twice.find("argument[@id='0']")
        check(twice.get("operator") == "equation" and twice.get("equation") == "A * 2"
              and first is not None and first.get("type") == "channel" and first.get("value") == "I_Lamp",
              "LampTwice as in force: %s" % ElementTree.tostring(twice)[:200])
    if "Boost" in by_name:
        constant = by_name["Boost"].find("argument[@id='0']")
        check(constant is not None and constant.get("type") == "constant" and float(constant.get("value")) == 0.25,
              "Boost's constant in the run file")
    lamps = inputs.findall("inputChannel")
    check([lamp.get("name") for lamp in lamps] == ["Lamp"], "input channels in the run file: %s"
          % [lamp.get("name") for lamp in lamps])
    unique_id = int(lamps[0].get("uniqueId", "-1")) if lamps else -1
    check(unique_id > 0, "the input channel carries its unique id: %s" % unique_id)
    check(lamps and float(lamps[0].get("value")) == writes[-1] if writes else False,
          "the input channel's value at the stop in its setup")

    lamp_records = [(float(r["value"]), int(r["timestamp"])) for r in channel_records
                    if int(r["id"]) == (unique_id & 0xFFFF)]
    values = [value for value, _ in lamp_records]
    # Its value at the start, each write, its value at the stop.
    check(values == [0.75] + writes + [writes[-1]], "I_Lamp records %s" % lamp_records)
    times = [t for _, t in lamp_records]
    check(times == sorted(times) and times and times[-1] <= run_length * 1000 + 50,
          "I_Lamp record times %s within the run of %.3f s" % (times, run_length))

    # The controller outputs come at 200 Hz. The records span the run from the
    # controller's sync echo to the stop, a little less than the run length
    # on a loaded machine, so they are counted against the set points (100 Hz)
    # and load cells (500 Hz) of the same span, and never above 200 Hz.
    for name, count in output_counts.items():
        check(abs(count - 2 * set_points) <= 3 and abs(count - 0.4 * load_cells) <= 3
              and count <= run_length * 200 + 2,
              "%s: %d records in %.3f s beside %d set-point (100 Hz) and %d load-cell (500 Hz) records"
              % (name, count, run_length, set_points, load_cells))

    database = sqlite3.connect(program.database)
    rows = database.execute("select projectId, filename from runs2").fetchall()
    database.close()
    check(rows == [(project, path)], "the run's row in runs2: %s" % rows)


def unreadable_file_keeps_arguments(program):
    """A functions file that fails to parse is kept aside; the settings that
    name its functions keep their keys (reported, not cleared)."""
    functions = os.path.join(program.zembo, "functions.xml")
    zembo_program.write(functions, "<functions><function name=\"Boost\"")
    program.start()
    check(program.logged("Channel key 'F_Boost' kept for argument"), "the kept key is reported")
    program.stop()
    check(os.path.exists(functions + ".bad"), "the unreadable file kept as functions.xml.bad")
    check(stored_arguments(program) == ARGUMENTS, "arguments after a bad functions file: %s"
          % stored_arguments(program))


first_start_opens_the_main_window()

main = zembo_program.Program(EXECUTABLE, checks=checks, scenario=SCENARIO)
target_log = os.path.join(TEST_HOME, "targets.txt")
main.env["ZEMBO_SIM_TARGET_LOG"] = target_log
seed(main)
arguments_survive_starts(main, target_log)
run_records_functions_and_input_channels(main, target_log)
unreadable_file_keeps_arguments(main)

checks.finish("end to end: arguments, run file setups and records, controller rates, new machine, bad file")
