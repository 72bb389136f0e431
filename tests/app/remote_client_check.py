"""A remote-control client on loopback against the real program: every row of
the line protocol, the password digest, the encodings and number texts
against Python's own, and START-STOP pressing the RUN tab's button."""
import base64
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
import urllib.parse
import xml.etree.ElementTree as ElementTree

PROGRAM = sys.argv[1]
HOME = os.environ["HOME"]
ZEMBO = os.path.join(HOME, ".zembo")
VERSION = "6.28.3"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


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


def wait_for_log(text, count=1, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        if log_text().count(text) >= count:
            return True
        time.sleep(0.1)
    return False


# A password whose raw digest can travel as one word (no space, CR or LF byte).
password = next("dyno secret %d" % n for n in range(1000)
                if not set(hashlib.sha256(("dyno secret %d" % n).encode()).digest()) & {0x20, 0x0D, 0x0A})
digest = hashlib.sha256(password.encode("utf-8")).digest()

write(os.path.join(ZEMBO, "settings.ini"),
      "[General]\npasswdChanged=1\n\n[UserSetting]\nandroidAppPassword=%s\n" % password)
system_root = os.path.join(HOME, "system")
write(os.path.join(system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(system_root, "sys/devices/system/cpu/isolated"), "3\n")
# The program picks its port at the bind and logs it: a port picked here and
# bound later could be taken by another test in between.
port = None
env = dict(os.environ, ZEMBO_SYSTEM_ROOT=system_root, ZEMBO_REMOTE_PORT="0", ZEMBO_ANSWER_DIALOGS="1",
           ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/")
env.pop("ZEMBO_SIM_CONTROLLER", None)


def start():
    """Starts the program; `port` becomes the port its remote control listens on."""
    global port
    before = len(log_text())
    process = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stage3 = log_text().count("Start-up stage 3 done") + 1
    if not wait_for_log("Start-up stage 3 done", stage3):
        process.kill()
        process.wait()
        sys.exit("program did not reach its second stage")
    ports = re.findall(r"Remote control server listening on port (\d+)", log_text()[before:])
    if not ports:
        process.kill()
        process.wait()
        sys.exit("the remote control does not listen")
    port = int(ports[-1])
    return process


def stop(process):
    process.send_signal(signal.SIGTERM)
    check(process.wait(30) == 0, "exit code after SIGTERM")


class Client:
    def __init__(self):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buffer = b""
        self.greeting = self.line()

    def line(self, timeout=5):
        self.sock.settimeout(timeout)
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

    def silent(self, command, wait=0.5):
        self.sock.sendall(command + b"\n")
        try:
            self.line(timeout=wait)
            return False
        except socket.timeout:
            return True

    def close(self):
        self.sock.close()


# First start: the database is made; one project is added for the second.
process = start()
stop(process)
database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
ini = os.path.join(ZEMBO, "settings.ini")
with open(ini, encoding="utf-8") as f:
    lines = f.read().splitlines()
lines = ["lastProjectId=%d" % project if line.startswith("lastProjectId=") else line for line in lines]
write(ini, "\n".join(lines) + "\n")
process = start()

try:
    check(wait_for_log("Active project %d" % project), "last project active at start")
    guest = Client()
    check(guest.greeting == ("HELLO Zembo_" + VERSION).encode(), "greeting %r" % guest.greeting)

    # Rights: a password is set, so admin commands need PASSWD.
    for command in [b"START-STOP", b"ANALYZE", b"SET MODE SPEED", b"STEP x UP", b"KEY F1 PRESS", b"TAB RUN",
                    b"WRITE-CHANNEL", b"SET"]:
        check(guest.ask(command) == b"NOT-ADMIN", "guest %r" % command)
    check(guest.ask(b"PASSWD") == b"PASSWD NOK", "lone PASSWD")
    check(guest.ask(b"PASSWD " + hashlib.sha256(b"wrong").digest()) == b"PASSWD NOK", "wrong digest")
    check(guest.ask(b"START-STOP") == b"NOT-ADMIN", "still guest after a wrong digest")

    admin = Client()
    check(admin.ask(b"PASSWD " + digest) == b"PASSWD OK", "raw digest")
    hex_admin = Client()
    check(hex_admin.ask(b"PASSWD " + digest.hex().encode()) == b"PASSWD OK", "hex digest")
    check(hex_admin.ask(b"PASSWD nonsense") == b"PASSWD NOK", "failing PASSWD after success")
    check(hex_admin.ask(b"SET MODE SPEED") == b"OK", "rights kept after a failing PASSWD")
    check(guest.ask(b"START-STOP") == b"NOT-ADMIN", "rights belong to one connection")

    # Channels: names and keys encoded as quote(s, safe=''), values as %g.
    listing = admin.ask(b"LIST-CHANNELS").decode("ascii")
    check(listing.startswith("LIST-CHANNELS ") and listing.endswith(";"), "list form")
    entries = [entry.split(":") for entry in listing[len("LIST-CHANNELS "):].split(";")[:-1]]
    check(len(entries) > 50, "channel count %d" % len(entries))
    setups_checked = 0
    for key, name in entries:
        raw_key = urllib.parse.unquote_to_bytes(key)
        check(urllib.parse.quote(raw_key, safe="") == key, "key encoding %s" % key)
        reply = admin.ask(b"CHANNEL " + key.encode()).decode("ascii")
        head, _, value = reply.rpartition(" ")
        check(head == "CHANNEL " + key, "channel reply %s" % reply)
        check(value == "%g" % float(value), "%%g of %s: %s" % (key, value))
        if setups_checked < 25 or key == "dyno_speed":
            setups_checked += 1
            reply = admin.ask(b"CHANNEL-SETUP " + key.encode()).decode("ascii")
            head, _, encoded = reply.rpartition(" ")
            check(head == "CHANNEL-SETUP " + key, "setup reply head %s" % head)
            setup = ElementTree.fromstring(base64.b64decode(encoded, validate=True).decode("utf-8"))
            check(setup.tag == "setup", "setup root %s" % setup.tag)
            shown = urllib.parse.quote(setup.get("displayName", "").encode("utf-8"), safe="")
            check(shown == name, "display name of %s: %s vs %s" % (key, name, shown))
    check(admin.ask(b"CHANNEL no%20such%20key") == b"CHANNEL NOT-FOUND no%20such%20key", "unknown key")
    check(admin.ask(b"CHANNEL-SETUP no%20such") == b"CHANNEL-SETUP NOT-FOUND no%20such", "unknown setup key")
    check(admin.ask(b"CHANNEL") == b"?", "CHANNEL alone")
    check(admin.ask(b"CHANNEL-SETUP") == b"?", "CHANNEL-SETUP alone")

    # No output buttons and no operator input channels exist in this version.
    check(admin.ask(b"OUTPUT-LABEL 0") == b"OUTPUT-LABEL NOT-FOUND 0", "output 0")
    check(admin.ask(b"OUTPUT-LABEL -1") == b"OUTPUT-LABEL NOT-FOUND -1", "output -1")
    check(admin.ask(b"OUTPUT-LABEL") == b"?", "OUTPUT-LABEL alone")
    check(admin.ask(b"WRITE-CHANNEL time 1") == b"CHANNEL NOT-FOUND time", "built-in channel not writable")
    check(admin.ask(b"WRITE-CHANNEL time") == b"?", "WRITE-CHANNEL without value")

    answers = [
        (b"SET MODE BRAKE-OFF", b"OK"), (b"SET MODE TORQUE-JOINED", b"OK"), (b"SET MODE ACC", b"OK"),
        (b"SET MODE SPEED", b"OK"), (b"SET MODE TORQUE", b"?"), (b"SET TORQUE x", b"VALUE?"),
        (b"SET OTHER 1", b"PARAM?"), (b"SET  TORQUE 1", b"VALUE?"), (b"SET TORQUE 0.25", b"OK"),
        (b"SET ROAD-SPEED 13.9", b"OK"), (b"SET ENGINE-SPEED 314", b"OK"), (b"SET", b"?"),
        (b"STEP a UPUP", b"OK"), (b"STEP a DOWN", b"OK"), (b"STEP UP", b"?"), (b"KEY F13 PRESS", b"?"),
        (b"KEY F5 PRESS", b"OK"), (b"KEY F5 RELEASE", b"OK"), (b"KEY F5 HOLD", b"?"), (b"TAB", b"?"),
        (b"TAB IO", b"?"), (b"ANALYZE", b"OK"), (b"", b"?"), (b"HELLO", b"?"), (b"start-stop", b"?"),
    ]
    for command, expected in answers:
        got = admin.ask(command)
        check(got == expected, "%r: %r, expected %r" % (command, got, expected))

    # Two commands in one packet, and one split over two packets (CR LF too).
    admin.sock.sendall(b"CHANNEL time\r\nOUTPUT-LABEL 3\n")
    check(admin.line().startswith(b"CHANNEL time "), "first of two in one packet")
    check(admin.line() == b"OUTPUT-LABEL NOT-FOUND 3", "second of two in one packet")
    admin.sock.sendall(b"OUTPUT-LA")
    time.sleep(0.3)
    admin.sock.sendall(b"BEL 7\n")
    check(admin.line() == b"OUTPUT-LABEL NOT-FOUND 7", "command split over two packets")

    # START-STOP presses the button only while the RUN tab is current.
    check(admin.ask(b"TAB ANALYZE") == b"OK", "TAB ANALYZE")
    time.sleep(0.3)
    check(admin.ask(b"START-STOP") == b"OK", "START-STOP off the RUN tab")
    time.sleep(0.5)
    check(log_text().count("Run START") == 0, "no run off the RUN tab")
    check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
    time.sleep(0.3)
    check(admin.ask(b"START-STOP") == b"OK", "START-STOP on the RUN tab")
    check(wait_for_log("Run START", timeout=10), "run start reached by START-STOP")
    check(admin.ask(b"START-STOP") == b"OK", "START-STOP during the run")
    check(wait_for_log("Run STOP", timeout=10), "run stop reached by START-STOP")

    # A line that never ends closes that connection only.
    flood = Client()
    flood.sock.sendall(b"x" * (70 * 1024))
    try:
        flood.sock.settimeout(5)
        closed = flood.sock.recv(100) == b""
    except (ConnectionResetError, socket.timeout) as error:
        closed = isinstance(error, ConnectionResetError)
    check(closed, "flooding connection closed")
    check(admin.ask(b"OUTPUT-LABEL 0") == b"OUTPUT-LABEL NOT-FOUND 0", "other connections go on")
    for client in (guest, admin, hex_admin, flood):
        client.close()
finally:
    stop(process)

print("%d channels listed, %d setups parsed" % (len(entries), setups_checked))
if failures:
    sys.exit("%d checks failed" % len(failures))
print("all remote-control checks passed")
