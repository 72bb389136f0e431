"""The real program on the simulated dyno: START, then STOP through the
remote-control "START-STOP" command on the RUN tab, with the brake in speed
control. The run file appears in "runs" with the layout of a started run while
recording and of a finished run afterwards, and the run has its row in "runs2"
of the active project, checked with Python's sqlite3; the run type read back
with h5py is the one of the brake mode and the one of the row.

Made to hold on a slow, loaded machine: every wait is for an event with a
generous limit (a fault still fails, only later), the remote-control port is
chosen by the program at its bind (a port picked here and bound later could be
taken by another test meanwhile), and a file that the program is writing is
read again when a read meets it in the middle of a flush."""
import datetime
import hashlib
import os
import re
import signal
import socket
import sqlite3
import subprocess
import sys
import time

import h5py

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layout  # noqa: E402

# Limits of the waits: far above what an idle machine needs, so a slow CI
# machine running the whole suite in parallel still passes.
START_UP = 120
RUN_EVENT = 60

PROGRAM = sys.argv[1]
HOME = os.environ["HOME"]
ZEMBO = os.path.join(HOME, ".zembo")
RUNS = os.path.join(ZEMBO, "runs")
os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)
    return condition


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def log_text():
    name = datetime.date.today().strftime("%Y-%m-%d") + ".txt"
    try:
        with open(os.path.join(ZEMBO, "log", name), encoding="utf-8", errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def wait_for(condition, timeout=RUN_EVENT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


def readable(read, timeout=RUN_EVENT):
    """read(file) on the run file while the program may be writing it. A read
    that meets a flush half done raises (HDF5 sees a truncated file or an
    object header not yet written); it is tried again. Returns read's result,
    or raises the last error when the file never became readable."""
    end = time.monotonic() + timeout
    while True:
        try:
            with h5py.File(path, "r") as f:
                return read(f)
        except (OSError, KeyError, RuntimeError):
            if time.monotonic() > end:
                raise
            time.sleep(0.2)


password = next("run secret %d" % n for n in range(1000)
                if not set(hashlib.sha256(("run secret %d" % n).encode()).digest()) & {0x20, 0x0D, 0x0A})
write(os.path.join(ZEMBO, "settings.ini"),
      "[General]\npasswdChanged=1\n\n[UserSetting]\nandroidAppPassword=%s\n" % password)
system_root = os.path.join(HOME, "system")
write(os.path.join(system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(system_root, "sys/devices/system/cpu/isolated"), "3\n")
env = dict(os.environ, ZEMBO_SYSTEM_ROOT=system_root, ZEMBO_REMOTE_PORT="0", ZEMBO_ANSWER_DIALOGS="1",
           ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/")
env.pop("ZEMBO_SIM_CONTROLLER", None)


def start():
    """Starts the program; returns it and the port its remote control listens on."""
    before = len(log_text())
    process = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for(lambda: "Start-up stage 3 done" in log_text()[before:], START_UP):
        process.kill()
        process.wait()
        sys.exit("program did not reach its second stage")
    ports = re.findall(r"Remote control server listening on port (\d+)", log_text()[before:])
    if not ports:
        process.kill()
        process.wait()
        sys.exit("the remote control does not listen")
    return process, int(ports[-1])


def stop(process):
    process.send_signal(signal.SIGTERM)
    try:
        code = process.wait(RUN_EVENT)
    except subprocess.TimeoutExpired:
        process.kill()
        code = process.wait()
    check(code == 0, "exit code after SIGTERM: %s" % code)


class Client:
    def __init__(self, port):
        # Replies come from the server's own thread; the limit is for a loaded machine.
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=RUN_EVENT)
        self.buffer = b""
        self.line()

    def line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line

    def ask(self, command):
        self.sock.sendall(command + b"\n")
        return self.line()


# First start makes the database; a project is added and made the last one.
stop(start()[0])
database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
ini = os.path.join(ZEMBO, "settings.ini")
with open(ini, encoding="utf-8") as f:
    lines = f.read().splitlines()
# The brake-controller panel shows only when a torque controller follows it
# (its set point from a speed or acceleration controller); hidden, every run is
# typed as one without absorber control.
edited = []
for line in lines:
    if line.startswith("lastProjectId="):
        line = "lastProjectId=%d" % project
    elif line.startswith("DynoSetting\\torquePID_0_spSource="):
        continue
    edited.append(line)
    if line == "[UserSetting]":
        edited.append("DynoSetting\\torquePID_0_spSource=2")
check("[UserSetting]" in edited, "settings.ini has its [UserSetting] group")
write(ini, "\n".join(edited) + "\n")

log_start = len(log_text())
process, port = start()
path = ""
try:
    def logged(text):
        return text in log_text()[log_start:]

    check(wait_for(lambda: logged("Active project %d" % project)), "project active at start")
    admin = Client(port)
    check(admin.ask(b"PASSWD " + hashlib.sha256(password.encode()).digest()) == b"PASSWD OK", "admin")
    # The brake mode decides the run type; commands reach the window in order.
    check(admin.ask(b"SET MODE SPEED") == b"OK", "SET MODE SPEED")
    check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
    before = set(os.listdir(RUNS)) if os.path.isdir(RUNS) else set()
    sent_start = time.monotonic()
    check(admin.ask(b"START-STOP") == b"OK", "START")
    check(wait_for(lambda: logged("Run START")), "run started")
    check(wait_for(lambda: len(set(os.listdir(RUNS)) - before) == 1), "one new run file")
    new = sorted(set(os.listdir(RUNS)) - before)
    path = os.path.join(RUNS, new[0]) if new else ""
    check(len(new) == 1 and new[0].endswith(".h5") and len(new[0]) == len("yyyy-MM-dd_hh-mm-ss.h5"),
          "run file name %s" % new)

    # While it records: a second or two for the ambient update and a flush.
    time.sleep(3.0)
    if path:
        for failure in readable(lambda f: check_layout.check(path, "started")):
            check(False, "while recording: " + failure)

    check(admin.ask(b"START-STOP") == b"OK", "STOP")
    check(wait_for(lambda: logged("Run STOP")), "run stopped")
    run_bracket = time.monotonic() - sent_start
    # The runs table then writes the row's values into the file, and the
    # project's statistics follow a second later; each write is flushed two
    # seconds after the last one.
    check(path and wait_for(lambda: readable(lambda f: "projectId" in f["runInfo"])),
          "the row's values reach the file")
    admin.sock.close()
finally:
    stop(process)

# The program has closed the file: everything it wrote is there.
run_id = run_type = run_length = None
if path:
    for failure in check_layout.check(path, "stopped"):
        check(False, "after the stop: " + failure)
    with h5py.File(path, "r") as f:
        run_info = f["runInfo"]
        check(len(f["frames"]["ambient"]) >= 2, "ambient records of the run: %d" % len(f["frames"]["ambient"]))
        run_length = run_info["runLength"][0, 0]
        # From the run thread's run start to its stop: inside the bracket of
        # the two commands, and most of the three seconds of recording.
        check(1.0 <= run_length <= run_bracket, "run length %s of a %.1f s bracket" % (run_length, run_bracket))
        check(run_info["projectId"][0, 0] == project, "project id in the file")
        check(bytes(f["projectInfo"]["vehicleId"][()].reshape(-1)) == b"KR 4711", "project values in the file")
        run_id = run_info["id"][0, 0]
        run_type = run_info["type"][0, 0]
        check(run_info["type"].dtype == "<i4", "run type stored as int: %s" % run_info["type"].dtype)
        check(run_type == 3, "run type %s, expected 3 (speed control)" % run_type)

database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
rows = database.execute(
    "select id, projectId, filename, runLength, createdWithSoftwareVersion, type from runs2").fetchall()
database.close()
check(len(rows) == 1, "one row in runs2: %s" % rows)
if rows and path:
    row_id, row_project, row_file, row_length, row_version, row_type = rows[0]
    check(row_project == project and row_file == path, "row of the project and file: %s" % (rows[0],))
    check(row_id == run_id, "the row's id is in the file")
    check(row_length == run_length and row_version == "6.28.3", "row values from the file: %s" % (rows[0],))
    check(row_type == run_type, "run type of the row %s, of the file %s" % (row_type, run_type))

if failures:
    sys.exit("%d checks failed" % len(failures))
print("START and STOP of the real program: run file, its run type and runs2 row as they must be")
