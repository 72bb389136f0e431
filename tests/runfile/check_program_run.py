"""The real program on the simulated dyno: START, then STOP through the
remote-control "START-STOP" command on the RUN tab, with the brake in speed
control. The run file appears in "runs" with the layout of a started run while
recording and of a finished run afterwards, and the run has its row in "runs2"
of the active project, checked with Python's sqlite3; the run type read back
with h5py is the one of the brake mode and the one of the row.

The program is started and driven through the shared helper
(tests/common/zembo_program.py)."""
import os
import sqlite3
import sys
import time

import h5py

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import check_layout  # noqa: E402
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

program = zembo_program.Program(sys.argv[1])
checks = program.checks
check = checks.check
ZEMBO = program.zembo
RUNS = program.runs
password = zembo_program.password_for_one_word("run secret")
program.seed_settled_board(password)


def readable(read):
    return program.readable(path, read)


# First start makes the database; a project is added and made the last one.
program.start_and_stop()
database = sqlite3.connect(os.path.join(ZEMBO, "projects2.db"))
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
ini = program.ini
lines = program.read_ini()
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
zembo_program.write(ini, "\n".join(edited) + "\n")

program.start()
logged = program.logged
path = ""
try:
    check(wait_for(lambda: logged("Active project %d" % project)), "project active at start")
    admin = program.admin()
    # The brake mode decides the run type; commands reach the window in order.
    check(admin.ask(b"SET MODE SPEED") == b"OK", "SET MODE SPEED")
    check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
    before = program.run_files()
    sent_start = time.monotonic()
    check(admin.ask(b"START-STOP") == b"OK", "START")
    check(wait_for(lambda: logged("Run START")), "run started")
    check(wait_for(lambda: len(program.run_files() - before) == 1), "one new run file")
    new = sorted(program.run_files() - before)
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
    program.stop()

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

checks.finish("START and STOP of the real program: run file, its run type and runs2 row as they must be")
