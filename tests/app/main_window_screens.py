"""Not a test: pictures of the real program's main window on each main tab,
taken on a virtual X display (run under xvfb-run). Usage:
    xvfb-run -a -s "-screen 0 1280x800x24" python3 main_window_screens.py ZEMBO OUTDIR [options]
Options:
    --size WxH     window size (default 1280x770); "default" leaves the
                   window as a first start places it
    --tabs 0,4     main tabs to picture (default all five)
    --new          as a new user on a new machine (`make run`): nothing
                   seeded, no system root given, no box answered; one picture
                   of whatever the program shows first
The program is started through the shared helper (tests/common/zembo_program.py)."""
import argparse
import os
import sqlite3
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("program")
parser.add_argument("outdir")
parser.add_argument("--size", default="1280x770")
parser.add_argument("--tabs", default="0,1,2,3,4")
parser.add_argument("--new", action="store_true")
options = parser.parse_args()
outdir = os.path.abspath(options.outdir)
os.makedirs(outdir, exist_ok=True)
home = tempfile.mkdtemp(prefix="zembo-screens-")
program = zembo_program.Program(options.program, home=home,
                                env={"ZEMBO_TEST": "1", "ZEMBO_INSTANCE_KEY": "zembo-screens-%d" % os.getpid()})

if options.new:
    program.env.pop("ZEMBO_ANSWER_DIALOGS", None)
    program.env.pop("ZEMBO_TEST", None)
    program.start(wait=False)
    # Whatever comes first: the main window, or a box that holds the start.
    zembo_program.wait_for(lambda: program.logged("Start-up stage 3 done"), 20)
    time.sleep(3.0)
    program.screenshot(os.path.join(outdir, "first_start.png"))
    program.stop()
    print("picture in", outdir)
    sys.exit(0)


def run(tab, shoot):
    lines = [line for line in program.read_ini()
             if not line.startswith(("tabMain=", "windowSize=", "windowPosition=", "windowMaximized="))]
    if "[UISettings]" not in lines:
        lines.append("[UISettings]")
    at = lines.index("[UISettings]") + 1
    placed = ["tabMain=%d" % tab]
    if options.size != "default":
        width, height = options.size.split("x")
        placed += ["windowSize=@Size(%s %s)" % (width, height), "windowPosition=@Point(0 0)"]
    lines[at:at] = placed
    zembo_program.write(program.ini, "\n".join(lines) + "\n")
    program.start()
    time.sleep(1.5)
    if shoot:
        program.screenshot(os.path.join(outdir, "main_window_tab%d.png" % tab))
    program.stop()


program.seed_settled_board()
run(0, False)
db = sqlite3.connect(program.database)
project = db.execute("insert into projects2 (vehicleId, projectName, customerName) "
                     "values ('KR 4711', 'Focus ST', 'J. Nowak')").lastrowid
db.commit()
db.close()
program.replace_ini_value("lastProjectId", str(project))
for tab in [int(t) for t in options.tabs.split(",")]:
    run(tab, True)
print("pictures in", outdir)
