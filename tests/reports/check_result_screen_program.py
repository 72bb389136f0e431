"""The after-run result screen through the real program on the simulated dyno:
a run is recorded (START-STOP twice over the remote control) and analysed
(ANALYZE); the result screen, enabled in settings.ini with a template of our
own, goes to a stand-in browser (ZEMBO_TEST_RESULT_SCREEN_BROWSER) that keeps
its arguments and page and notes the SIGTERM that ends it after the set
duration. The values on the page equal the run file's "/runInfo" read with
h5py, converted here."""
import os
import re
import sqlite3
import stat
import sys
import time

import h5py
import numpy

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

source = os.environ.get("ZEMBO_SOURCE_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
work = os.path.join(os.environ["HOME"], "browser")
os.makedirs(work)
browser = os.path.join(work, "browser.sh")
zembo_program.write(browser, """#!/bin/sh
trap 'echo terminated > "%(w)s/ended"; exit 0' TERM
for a in "$@"; do echo "$a" >> "%(w)s/args"; done
for a in "$@"; do page="$a"; done
cp "$page" "%(w)s/page.html"
sleep 300 &
wait
""" % {"w": work})
os.chmod(browser, stat.S_IRWXU)

program = zembo_program.Program(sys.argv[1], scenario=os.path.join(source, "platform/scenarios/full-throttle.txt"),
                                env={"ZEMBO_TEST_RESULT_SCREEN_BROWSER": browser})
checks = program.checks
check = checks.check
password = zembo_program.password_for_one_word("screen secret")
program.seed_settled_board(password)
program.set_ini({("UserSetting", "checkBox_settings_afterRunResultScreen"): "1",
                 ("UserSetting", "spinBox_settings_afterRunResultScreenDuration"): "2",
                 # The loss-model fit at run load asks a question the automatic
                 # answer declines, and the run is then not analysed.
                 ("UserSetting", "checkBox_calculateLossModelOnRunLoad"): "0"})
zembo_program.write(os.path.join(program.zembo, "resultScreen.html"),
                    "<html><body>\u03a9|${run_info measuredEnginePower kW}|${run_info runLength s}|"
                    "${run_info peakEngineSpeed}|<img src=\"/home/pi/.zembo/report/your logo.png\"></body></html>\n")

# A first start makes the database; a run needs an active project.
program.start_and_stop()
database = sqlite3.connect(program.database)
project = database.execute("insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
database.commit()
database.close()
check(program.replace_ini_value("lastProjectId", str(project)), "settings.ini has lastProjectId")

program.start()
path = ""
try:
    check(wait_for(lambda: program.logged("Active project %d" % project)), "project active at start")
    admin = program.admin()
    check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
    before = program.run_files()
    check(admin.ask(b"START-STOP") == b"OK", "START")
    check(wait_for(lambda: program.logged("Run START")), "run started")
    time.sleep(6.0)
    check(admin.ask(b"START-STOP") == b"OK", "STOP")
    check(wait_for(lambda: program.logged("Run STOP")), "run stopped")
    new = sorted(program.run_files() - before)
    check(len(new) == 1, "one run file: %s" % new)
    path = os.path.join(program.runs, new[0]) if new else ""
    check(path and wait_for(lambda: program.readable(path, lambda f: "projectId" in f["runInfo"])),
          "the run's values reach the file")
    check(admin.ask(b"ANALYZE") == b"OK", "ANALYZE")
    check(wait_for(lambda: os.path.exists(os.path.join(work, "page.html"))), "the browser got the page")
    check(wait_for(lambda: os.path.exists(os.path.join(work, "ended"))), "the browser was closed with SIGTERM")
    admin.sock.close()
finally:
    program.stop()

args = open(os.path.join(work, "args")).read().split("\n") if os.path.exists(os.path.join(work, "args")) else []
check("--kiosk" in args, "kiosk argument: %s" % args)
page_path = [a for a in args if a.endswith("Zembo_resultScreen.html")]
check(page_path and not page_path[0].startswith("/tmp/Zembo_"), "page in a private folder: %s" % page_path)
if path and os.path.exists(os.path.join(work, "page.html")):
    raw = open(os.path.join(work, "page.html"), "rb").read()
    check(raw.startswith(b"\xef\xbb\xbf"), "UTF-8 byte-order mark")
    text = raw[3:].decode("utf-8")
    check("/home/pi/" not in text and os.path.join(program.zembo, "report") in text,
          "the logo's path is the real configuration folder")
    parts = text.split("|")
    check(parts[0].endswith("\u03a9"), "UTF-8 text intact")
    with h5py.File(path, "r") as f:
        info = f["runInfo"]
        power = float(numpy.asarray(info["measuredEnginePower"][()]).ravel()[0])
        length = float(numpy.asarray(info["runLength"][()]).ravel()[0])
    for got, si, factor, unit, name in ((parts[1], power, 1e-3, "kW", "power"), (parts[2], length, 1.0, "s", "length")):
        m = re.fullmatch(r"(-?[\d.]+) (\S+)", got)
        check(m is not None and m.group(2) == unit, "%s: %r" % (name, got))
        if m:
            decimals = len(m.group(1).partition(".")[2])
            check(m.group(1) == "%.*f" % (decimals, si * factor),
                  "%s: page %s, h5py %s" % (name, m.group(1), "%.*f" % (decimals, si * factor)))
    check(power > 0, "the run has power: %s W" % power)
    check(parts[3].strip() != "", "engine speed in its display unit")

checks.finish("after-run result screen from the real program: page values equal /runInfo, browser closed by SIGTERM")
