"""The real program on the simulated dyno: START, then STOP through the
remote-control "START-STOP" command on the RUN tab. The run file appears in
"runs" with the layout of a started run while recording and of a finished run
afterwards, and the run has its row in "runs2" of the active project, checked
with Python's sqlite3."""
import datetime
import hashlib
import os
import signal
import socket
import sqlite3
import subprocess
import sys
import time

import h5py

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layout  # noqa: E402

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


def wait_for(condition, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


password = next("run secret %d" % n for n in range(1000)
                if not set(hashlib.sha256(("run secret %d" % n).encode()).digest()) & {0x20, 0x0D, 0x0A})
write(os.path.join(ZEMBO, "settings.ini"),
      "[General]\npasswdChanged=1\n\n[UserSetting]\nandroidAppPassword=%s\n" % password)
system_root = os.path.join(HOME, "system")
write(os.path.join(system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(system_root, "sys/devices/system/cpu/isolated"), "3\n")
port = free_port()
env = dict(os.environ, ZEMBO_SYSTEM_ROOT=system_root, ZEMBO_REMOTE_PORT=str(port), ZEMBO_ANSWER_DIALOGS="1",
           ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/")
env.pop("ZEMBO_SIM_CONTROLLER", None)


def start():
    process = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stage3 = log_text().count("Start-up stage 3 done") + 1
    if not wait_for(lambda: log_text().count("Start-up stage 3 done") >= stage3):
        process.kill()
        sys.exit("program did not reach its second stage")
    return process


def stop(process):
    process.send_signal(signal.SIGTERM)
    check(process.wait(30) == 0, "exit code after SIGTERM")


class Client:
    def __init__(self):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
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
stop(start())
database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
ini = os.path.join(ZEMBO, "settings.ini")
with open(ini, encoding="utf-8") as f:
    lines = f.read().splitlines()
write(ini, "\n".join("lastProjectId=%d" % project if line.startswith("lastProjectId=") else line
                     for line in lines) + "\n")

process = start()
try:
    check(wait_for(lambda: ("Active project %d" % project) in log_text()), "project active at start")
    admin = Client()
    check(admin.ask(b"PASSWD " + hashlib.sha256(password.encode()).digest()) == b"PASSWD OK", "admin")
    check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
    time.sleep(0.3)
    before = set(os.listdir(RUNS)) if os.path.isdir(RUNS) else set()
    check(admin.ask(b"START-STOP") == b"OK", "START")
    check(wait_for(lambda: "Run START" in log_text(), 10), "run started")
    check(wait_for(lambda: len(set(os.listdir(RUNS)) - before) == 1, 10), "one new run file")
    new = sorted(set(os.listdir(RUNS)) - before)
    path = os.path.join(RUNS, new[0]) if new else ""
    check(len(new) == 1 and new[0].endswith(".h5") and len(new[0]) == len("yyyy-MM-dd_hh-mm-ss.h5"),
          "run file name %s" % new)

    # While it records: a second or two for the ambient update and a flush.
    time.sleep(3.0)
    if path:
        for failure in check_layout.check(path, "started"):
            check(False, "while recording: " + failure)

    check(admin.ask(b"START-STOP") == b"OK", "STOP")
    check(wait_for(lambda: "Run STOP" in log_text(), 10), "run stopped")
    # The runs table then writes the row's values into the file, and the
    # project's statistics follow a second later; each write is flushed two
    # seconds after the last one.
    def row_in_file():
        with h5py.File(path, "r") as f:
            return "projectId" in f["runInfo"]
    check(path and wait_for(row_in_file, 15), "the row's values reach the file")
    if path:
        for failure in check_layout.check(path, "stopped"):
            check(False, "after the stop: " + failure)
        with h5py.File(path, "r") as f:
            check(len(f["frames"]["ambient"]) >= 2, "ambient records of the run: %d" % len(f["frames"]["ambient"]))
            check(f["runInfo"]["runLength"][0, 0] >= 3.0, "run length %s" % f["runInfo"]["runLength"][0, 0])
            check(f["runInfo"]["projectId"][0, 0] == project, "project id in the file")
            check(bytes(f["projectInfo"]["vehicleId"][()].reshape(-1)) == b"KR 4711", "project values in the file")
            run_id = f["runInfo"]["id"][0, 0]
    admin.sock.close()
finally:
    stop(process)

database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
rows = database.execute("select id, projectId, filename, runLength, createdWithSoftwareVersion from runs2").fetchall()
database.close()
check(len(rows) == 1, "one row in runs2: %s" % rows)
if rows and path:
    row_id, row_project, row_file, row_length, row_version = rows[0]
    check(row_project == project and row_file == path, "row of the project and file: %s" % (rows[0],))
    check(row_id == run_id, "the row's id is in the file")
    check(row_length >= 3.0 and row_version == "6.28.3", "row values from the file: %s" % (rows[0],))

if failures:
    sys.exit("%d checks failed" % len(failures))
print("START and STOP of the real program: run file and runs2 row as they must be")
