"""The real program on the simulated dyno measures like a set-up dyno: started
fresh with the full-throttle scenario, it takes the scenario's installer
settings (logged once), and during the full-throttle pull its road speed and
roller power agree with the plant that the scenario describes. The plant is
computed here from the scenario file alone: road speed = ω·r, the pull's
acceleration from the engine curve, gear, inertias and losses, roller power =
I·ω·α plus the loss torque's power. A second start without edits keeps the
stored dyno settings byte for byte and takes nothing.

Made to hold on a loaded machine: waits are for events with generous limits,
and the pull comes round every 120 s of the scenario."""
import bisect
import datetime
import math
import os
import re
import signal
import socket
import statistics
import subprocess
import sys
import time

PROGRAM = sys.argv[1]
HOME = os.environ["HOME"]
ZEMBO = os.path.join(HOME, ".zembo")
SCENARIO = os.path.join(os.environ["ZEMBO_SOURCE_DIR"], "platform", "scenarios", "full-throttle.txt")
START_UP = 180
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


def wait_for_log(text, count, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if log_text().count(text) >= count:
            return True
        time.sleep(0.2)
    return False


def read_scenario(path):
    """The plant keys and the installer section, read the way the file says."""
    plant = {"engine_curve": [], "throttle": []}
    installer = {}
    in_installer = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words == ["[installer]"]:
                in_installer = True
            elif in_installer:
                installer[words[0]] = [float(w) for w in words[1:]]
            elif words[0] in ("engine_curve", "throttle"):
                plant[words[0]].append(tuple(float(w) for w in words[1:]))
            else:
                plant[words[0]] = [float(w) for w in words[1:]]
    return plant, installer


plant, installer = read_scenario(SCENARIO)
ROLLER_RADIUS = plant["roller_diameter"][0] / 2
WHEEL_RADIUS = plant["wheel_diameter"][0] / 2
RATIO = ROLLER_RADIUS / WHEEL_RADIUS
GEAR = plant["gear_ratio"][0]
I_ROLLER = plant["roller_inertia"][0]
I_TOTAL = I_ROLLER + plant["vehicle_inertia"][0] * RATIO ** 2
LOSS_A, LOSS_B, LOSS_C = plant["roller_loss"]
CURVE = plant["engine_curve"]


def engine_rpm(omega):
    return omega * RATIO * GEAR * 60 / (2 * math.pi)


def engine_torque(rpm):
    xs = [x for x, _ in CURVE]
    i = bisect.bisect_left(xs, rpm)
    if i == 0 or i >= len(CURVE):
        return 0.0
    (x0, y0), (x1, y1) = CURVE[i - 1], CURVE[i]
    return y0 + (y1 - y0) * (rpm - x0) / (x1 - x0)


def loss_torque(omega):
    return LOSS_A + LOSS_B * omega + LOSS_C * omega * omega


def plant_acceleration(omega):
    """Roller acceleration at full throttle with the absorber off."""
    drive = engine_torque(engine_rpm(omega)) * GEAR * RATIO
    return (drive - loss_torque(omega)) / I_TOTAL


write(os.path.join(ZEMBO, "settings.ini"), "[General]\npasswdChanged=1\n")
system_root = os.path.join(HOME, "system")
write(os.path.join(system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
write(os.path.join(system_root, "sys/devices/system/cpu/isolated"), "3\n")
env = dict(os.environ, ZEMBO_SIMULATE="1", ZEMBO_SIM_SCENARIO=SCENARIO, ZEMBO_SYSTEM_ROOT=system_root,
           ZEMBO_REMOTE_PORT="0", ZEMBO_ANSWER_DIALOGS="1", ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/")
env.pop("ZEMBO_SIM_CONTROLLER", None)


def start():
    before = len(log_text())
    stage3 = log_text().count("Start-up stage 3 done") + 1
    process = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_for_log("Start-up stage 3 done", stage3, START_UP):
        process.kill()
        process.wait()
        sys.exit("program did not reach its third start-up stage")
    ports = re.findall(r"Remote control server listening on port (\d+)", log_text()[before:])
    if not ports:
        process.kill()
        process.wait()
        sys.exit("the remote control does not listen")
    return process, int(ports[-1]), before


def stop(process):
    process.send_signal(signal.SIGTERM)
    check(process.wait(60) == 0, "exit code after SIGTERM")


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
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

    def channel(self, key):
        self.sock.sendall(b"CHANNEL " + key.encode() + b"\n")
        reply = self.line().decode("ascii")
        head, _, value = reply.rpartition(" ")
        if head != "CHANNEL " + key:
            raise RuntimeError(reply)
        return float(value)


def stored_dyno_settings():
    with open(os.path.join(ZEMBO, "settings.ini"), "rb") as f:
        return [line for line in f.read().split(b"\n") if line.startswith(b"DynoSetting\\")]


# ---------------------------------------------------------------- first start
process, port, log_start = start()
try:
    first_log = log_text()[log_start:]
    taken = [line for line in first_log.splitlines() if "Installer settings of" in line]
    check(len(taken) == 1, "one installer line at start, got %r" % taken)
    wanted = ", ".join("%s=%s" % (key, " ".join("%g" % v for v in values)) for key, values in installer.items())
    check(taken and taken[0].endswith("taken: " + wanted), "installer settings taken: %r" % taken)
    check("Help picture missing" not in first_log, "no help picture missing at start")

    client = Client(port)
    samples = []
    end = time.monotonic() + 200
    while time.monotonic() < end and len(samples) < 120:
        omega = client.channel("roller_1_rotationalSpeed")
        alpha = client.channel("roller_1_rotationalAcceleration")
        speed = client.channel("roller_1_speed")
        power = client.channel("roller_1_power")
        brake = client.channel("roller_1_brakesTorque")
        omega_after = client.channel("roller_1_rotationalSpeed")
        alpha_after = client.channel("roller_1_rotationalAcceleration")
        if math.isnan(brake):
            brake = 0.0  # no load cell on this roller: nothing brakes it
        # The middle of the pull, away from idle and the rev limiter, and only
        # readings taken within one steady moment.
        rpm = engine_rpm(omega)
        if (2500 < rpm < 6000 and alpha > 0.5 and abs(omega_after - omega) < 0.002 * omega
                and abs(alpha_after - alpha) < 0.005 * alpha):
            samples.append((omega, alpha, speed, power, brake))
        elif len(samples) >= 20 and (rpm >= 6000 or alpha < 0):
            break  # this pull is over and gave enough: the next comes 120 s later
        time.sleep(0.15)
    check(len(samples) >= 20, "readings during the full-throttle pull: %d" % len(samples))

    speed_errors = [abs(speed - omega * ROLLER_RADIUS) / (omega * ROLLER_RADIUS)
                    for omega, _, speed, _, _ in samples]
    if samples:
        check(max(speed_errors) <= 0.01, "road speed within 1 %% of the plant's, worst %.3f %%"
              % (100 * max(speed_errors)))
        # What the program measures of the plant: its acceleration at each speed.
        accel_ratios = [alpha / plant_acceleration(omega) for omega, alpha, _, _, _ in samples]
        check(abs(statistics.median(accel_ratios) - 1) <= 0.05,
              "measured acceleration matches the plant's, median ratio %.4f" % statistics.median(accel_ratios))
        # Roller power: I·ω·α plus the power of the plant's loss torque.
        power_errors = []
        for omega, alpha, _, power, brake in samples:
            expected = I_ROLLER * omega * alpha + loss_torque(omega) * omega + brake * omega
            power_errors.append(abs(power - expected) / expected)
        # Each value is its own request, so on a loaded machine a reading often
        # straddles two 10 ms blocks of the run thread: the median must agree.
        # (Wrong settings are far off: no inertia leaves only the loss.)
        check(statistics.median(power_errors) <= 0.03, "roller power within 3 %% of I·ω·α plus the loss, median "
              "%.3f %%" % (100 * statistics.median(power_errors)))
        # The same straddling can pair a brake reading with a power reading of
        # another block: nearly every reading, not each one, shows no absorber.
        braking = sum(1 for omega, _, _, power, brake in samples if abs(brake) * omega >= 0.01 * power)
        check(braking <= max(1, len(samples) // 20),
              "the absorber is off during the pull (%d of %d readings show it)" % (braking, len(samples)))
        # Against the plant's own acceleration, the same power on average.
        plant_power = [I_ROLLER * omega * plant_acceleration(omega) + loss_torque(omega) * omega
                       for omega, _, _, _, _ in samples]
        ratio = statistics.median(p / q for (_, _, _, p, _), q in zip(samples, plant_power))
        check(abs(ratio - 1) <= 0.05, "roller power matches the plant's, median ratio %.4f" % ratio)
        print("%d readings, speed error up to %.3f %%, power error median %.3f %%, acceleration ratio %.4f"
              % (len(samples), 100 * max(speed_errors), 100 * statistics.median(power_errors),
                 statistics.median(accel_ratios)))
finally:
    stop(process)

# ---------------------------------------------------- second start, no edits
stored = stored_dyno_settings()
check(any(line == b"DynoSetting\\roller_0_diameter=0.5" for line in stored), "diameter stored as taken")
process, port, log_start = start()
try:
    second_log = log_text()[log_start:]
    taken = [line for line in second_log.splitlines() if "Installer settings of" in line]
    check(len(taken) == 1 and "taken: none; already set: " + ", ".join(installer) in taken[0],
          "second start takes nothing: %r" % taken)
finally:
    stop(process)
check(stored_dyno_settings() == stored, "a start without edits keeps the stored dyno settings byte for byte")

if failures:
    sys.exit("%d check(s) failed" % len(failures))
print("simulated dyno measures like a set-up dyno")
