"""The odometer in the real program on the simulated dyno (a full-throttle
pull): seeded user-page words are shown, one run later the simulated
controller's page file holds one more run, its seconds and its distance, and
the run file's "distance" (h5py) equals the increase of word 4 within 2 m.
With the controller leaving user-page reads unanswered, a run writes nothing
back (the counters would be wiped)."""
import os
import sqlite3
import sys
import time

import h5py

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

program = zembo_program.Program(sys.argv[1], scenario=sys.argv[2])
checks = program.checks
check = checks.check
ZEMBO = program.zembo
RUNS = program.runs
PAGE = os.path.join(ZEMBO, "simulatedControllerUserPage.txt")
SEEDED = {2: 41, 3: 3725, 4: 123456, 5: 55, 6: 9810, 7: 8000}
program.seed_settled_board()
zembo_program.write(os.path.join(program.system_root, "proc/stat"), "cpu  100 0 100 800 0 0 0 0 0 0\n")
zembo_program.write(os.path.join(program.system_root, "proc/meminfo"),
                    "MemTotal: 3072000 kB\nMemAvailable: 2048000 kB\n")


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


# A run is recorded for the active project: the first start makes the
# database, a project is added and made the last one.
program.start_and_stop()
database = sqlite3.connect(program.database)
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
check(program.replace_ini_value("lastProjectId", "%d" % project), "lastProjectId in settings.ini")


def run_program(controller, seconds):
    """Starts the program, records one run of about `seconds`, stops it; returns the run file."""
    program.start({"ZEMBO_SIM_CONTROLLER": controller} if controller else None)
    path = ""
    try:
        check(program.wait_for_log("Active project %d" % project), "project active at start")
        admin = program.admin()
        before = program.run_files()
        check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
        check(admin.ask(b"START-STOP") == b"OK", "START")
        check(program.wait_for_log("Run START"), "run started")
        time.sleep(seconds)
        check(admin.ask(b"START-STOP") == b"OK", "STOP")
        check(program.wait_for_log("Run STOP"), "run stopped")
        new = sorted(program.run_files() - before)
        check(len(new) == 1, "one new run file: %s" % new)
        path = os.path.join(RUNS, new[0]) if new else ""
        # The run end reaches the controller shortly after the stop.
        time.sleep(2.0)
        admin.close()
    finally:
        program.stop()
    return path


zembo_program.write(PAGE, "".join("%d %d\n" % item for item in SEEDED.items()))
path = run_program("", 8.0)
words = page()
print("page after the run:", words)
check(words.get(2) == SEEDED[2] + 1, "run count %s" % words.get(2))
increase = words.get(4, 0) - SEEDED[4]
check(bool(path), "a run file to read")
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
check(program.logged("user page not read yet"), "the waiting counters are logged")
checks.finish("odometer on the simulated dyno: one run added to the page, its distance in the run file")
