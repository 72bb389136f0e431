"""The odometer in the real program on the simulated dyno (a full-throttle
pull): seeded user-page words are shown, one run later the simulated
controller's page file holds one more run, its seconds and its distance, and
the run file's "distance" (h5py) equals the increase of word 4 within 2 m.
With the controller leaving user-page reads unanswered, a run writes nothing
back (the counters would be wiped)."""
import datetime
import os
import re
import signal
import socket
import subprocess
import sys
import time

import h5py

START_UP = 120
RUN_EVENT = 60
PROGRAM = sys.argv[1]
SCENARIO = sys.argv[2]
HOME = os.environ["HOME"]
ZEMBO = os.path.join(HOME, ".zembo")
RUNS = os.path.join(ZEMBO, "runs")
PAGE = os.path.join(ZEMBO, "simulatedControllerUserPage.txt")
SEEDED = {2: 41, 3: 3725, 4: 123456, 5: 55, 6: 9810, 7: 8000}
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


def page():
    words = {}
    try:
        with open(PAGE, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 2:
                    words[int(parts[0])] = int(parts[1])
    except FileNotFoundError:
        pass
    return words


class Client:
    def __init__(self, port):
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


write(os.path.join(ZEMBO, "settings.ini"), "[General]\npasswdChanged=1\n")
system_root = os.path.join(HOME, "system")
write(os.path.join(system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(system_root, "sys/devices/system/cpu/isolated"), "3\n")
write(os.path.join(system_root, "proc/stat"), "cpu  100 0 100 800 0 0 0 0 0 0\n")
write(os.path.join(system_root, "proc/meminfo"), "MemTotal: 3072000 kB\nMemAvailable: 2048000 kB\n")


def run_program(controller, seconds):
    """Starts the program, records one run of about `seconds`, stops it; returns the run file."""
    env = dict(os.environ, ZEMBO_SYSTEM_ROOT=system_root, ZEMBO_REMOTE_PORT="0", ZEMBO_ANSWER_DIALOGS="1",
               ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/", ZEMBO_SIM_SCENARIO=SCENARIO)
    env.pop("ZEMBO_SIM_CONTROLLER", None)
    if controller:
        env["ZEMBO_SIM_CONTROLLER"] = controller
    before = len(log_text())
    process = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    path = ""
    try:
        if not wait_for(lambda: "Start-up stage 3 done" in log_text()[before:], START_UP):
            sys.exit("program did not reach its second stage")
        ports = re.findall(r"Remote control server listening on port (\d+)", log_text()[before:])
        if not ports:
            sys.exit("the remote control does not listen")
        client = Client(int(ports[-1]))
        existing = set(os.listdir(RUNS)) if os.path.isdir(RUNS) else set()
        check(client.ask(b"TAB RUN") == b"OK", "TAB RUN")
        check(client.ask(b"START-STOP") == b"OK", "START")
        check(wait_for(lambda: "Run START" in log_text()[before:]), "run started")
        time.sleep(seconds)
        check(client.ask(b"START-STOP") == b"OK", "STOP")
        check(wait_for(lambda: "Run STOP" in log_text()[before:]), "run stopped")
        new = sorted(set(os.listdir(RUNS)) - existing)
        check(len(new) == 1, "one new run file: %s" % new)
        path = os.path.join(RUNS, new[0]) if new else ""
        # The run end reaches the controller shortly after the stop.
        time.sleep(2.0)
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            code = process.wait(RUN_EVENT)
        except subprocess.TimeoutExpired:
            process.kill()
            code = process.wait()
        check(code == 0, "exit code after SIGTERM: %s" % code)
    return path


write(PAGE, "".join("%d %d\n" % item for item in SEEDED.items()))
path = run_program("", 8.0)
words = page()
print("page after the run:", words)
check(words.get(2) == SEEDED[2] + 1, "run count %s" % words.get(2))
increase = words.get(4, 0) - SEEDED[4]
with h5py.File(path, "r") as f:
    run_info = f["runInfo"]
    distance = float(run_info["distance"][0, 0])
    run_length = float(run_info["runLength"][0, 0])
print("run of %.2f s, %.1f m in the run file, word 4 up by %d m" % (run_length, distance, increase))
check(distance > 50.0, "the car moved: %.1f m" % distance)
check(abs(increase - distance) <= 2.0, "word 4 up by %d m, run file %.1f m" % (increase, distance))
seconds = words.get(3, 0) - SEEDED[3]
check(abs(seconds - run_length) <= 2.0, "word 3 up by %d s for a run of %.2f s" % (seconds, run_length))
check(words.get(5, 0) >= SEEDED[5], "peak speed never falls: %s" % words.get(5))
check(words.get(6, 0) >= SEEDED[6] and words.get(7, 0) >= SEEDED[7], "peaks never fall")

# Reads left unanswered: the run's counters wait, nothing is written back.
after_first = page()
run_program("noUserPageAnswer=1", 3.0)
check(page() == after_first, "page unchanged without answered reads: %s" % page())
check("user page not read yet" in log_text(), "the waiting counters are logged")
sys.exit(1 if failures else 0)
