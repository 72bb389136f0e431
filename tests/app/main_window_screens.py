"""Not a test: pictures of the real program's main window on each main tab,
taken on a virtual X display (run under xvfb-run). Usage:
    xvfb-run -a -s "-screen 0 1280x800x24" python3 main_window_screens.py ZEMBO OUTDIR
"""
import datetime
import os
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

program, outdir = sys.argv[1], os.path.abspath(sys.argv[2])
os.makedirs(outdir, exist_ok=True)
home = tempfile.mkdtemp(prefix="zembo-screens-")
zembo = os.path.join(home, ".zembo")


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def log():
    path = os.path.join(zembo, "log", datetime.date.today().strftime("%Y-%m-%d") + ".txt")
    return open(path).read() if os.path.exists(path) else ""


def run(tab, shoot):
    env = dict(os.environ, HOME=home, ZEMBO_SIMULATE="1", ZEMBO_TEST="1", ZEMBO_ANSWER_DIALOGS="1",
               ZEMBO_SYSTEM_ROOT=os.path.join(home, "system"), ZEMBO_REMOTE_PORT="0",
               ZEMBO_INSTANCE_KEY="zembo-screens-%d" % os.getpid())
    ini = os.path.join(zembo, "settings.ini")
    lines = open(ini).read().splitlines() if os.path.exists(ini) else ["[General]", "passwdChanged=1"]
    lines = [line for line in lines if not line.startswith(("tabMain=", "windowSize=", "windowPosition="))]
    if "[UISettings]" not in lines:
        lines.append("[UISettings]")
    at = lines.index("[UISettings]") + 1
    lines[at:at] = ["tabMain=%d" % tab, "windowSize=@Size(1280 770)", "windowPosition=@Point(0 0)"]
    write(ini, "\n".join(lines) + "\n")
    done = log().count("Start-up stage 3 done") + 1
    process = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while log().count("Start-up stage 3 done") < done:
        time.sleep(0.1)
    time.sleep(1.5)
    if shoot:
        subprocess.run(["import", "-window", "root", os.path.join(outdir, "main_window_tab%d.png" % tab)],
                       check=True)
    process.send_signal(signal.SIGTERM)
    process.wait(30)


write(os.path.join(home, "system/etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(home, "system/sys/devices/system/cpu/isolated"), "3\n")
run(0, False)
db = sqlite3.connect(os.path.join(zembo, "projects2.db"))
project = db.execute("insert into projects2 (vehicleId, projectName, customerName) "
                     "values ('KR 4711', 'Focus ST', 'J. Nowak')").lastrowid
db.commit()
ini = os.path.join(zembo, "settings.ini")
text = open(ini).read().replace("lastProjectId=-1", "lastProjectId=%d" % project)
write(ini, text)
for tab in range(5):
    run(tab, True)
print("pictures in", outdir)
