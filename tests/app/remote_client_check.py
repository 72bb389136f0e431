"""A remote-control client on loopback against the real program: every row of
the line protocol, the password digest, the encodings and number texts
against Python's own, and START-STOP pressing the RUN tab's button."""
import base64
import hashlib
import os
import socket
import sqlite3
import sys
import time
import urllib.parse
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402

VERSION = "6.28.3"
program = zembo_program.Program(sys.argv[1])
checks = program.checks
check = checks.check
ZEMBO = program.zembo
password = zembo_program.password_for_one_word("dyno secret")
digest = hashlib.sha256(password.encode("utf-8")).digest()
program.seed_settled_board(password)


def log_text():
    return program.log_text()


def wait_for_log(text, count=1, timeout=30):
    return zembo_program.wait_for(lambda: log_text().count(text) >= count, timeout)


def Client():
    return zembo_program.Client(program.port, timeout=5)


# First start: the database is made; one project is added for the second.
program.start_and_stop()
database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
lines = program.read_ini()
lines = ["lastProjectId=%d" % project if line.startswith("lastProjectId=") else line for line in lines]
zembo_program.write(program.ini, "\n".join(lines) + "\n")
program.start()

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

    # The RUN panel's list on the simulated board (ZR6): four low-side
    # outputs, four relays, then four actuator controllers, which are no
    # output buttons; past the end nothing.
    check(admin.ask(b"OUTPUT-LABEL 0") == b"OUTPUT-LABEL 0 User%20label", "output 0")
    check(admin.ask(b"OUTPUT-LABEL 5") == b"OUTPUT-LABEL 5 Starter", "output 5: relay 1")
    check(admin.ask(b"OUTPUT-LABEL 8") == b"OUTPUT-LABEL NOT-FOUND 8", "entry 8: an actuator controller")
    check(admin.ask(b"OUTPUT-LABEL 12") == b"OUTPUT-LABEL NOT-FOUND 12", "entry 12: past the end")
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
    check(admin.line() == b"OUTPUT-LABEL 3 User%20label", "second of two in one packet")
    admin.sock.sendall(b"OUTPUT-LA")
    time.sleep(0.3)
    admin.sock.sendall(b"BEL 7\n")
    check(admin.line() == b"OUTPUT-LABEL 7 FAN2", "command split over two packets")

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
    check(admin.ask(b"OUTPUT-LABEL 0") == b"OUTPUT-LABEL 0 User%20label", "other connections go on")
    for client in (guest, admin, hex_admin, flood):
        client.close()
finally:
    program.stop()

print("%d channels listed, %d setups parsed" % (len(entries), setups_checked))
checks.finish("all remote-control checks passed")
