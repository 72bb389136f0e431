"""Audio capture in the real program on the simulated dyno, against a private
PulseAudio daemon: two pipe sources ("alsa_input.test0" and "alsa_input.test1")
fed here with known s16le 48 kHz samples, a null sink as default. Both inputs
recorded, input 0 also processed live. After a run of some seconds the run
file's "audio_1" and "audio_2" are a gapless, repeat-free stretch of what was
written; the level and knock channels of input 0 in the file's "channel" table
equal the model of check_knock.py run over the written samples, block by block
after the first, with the thresholds of the default engine-noise characteristic
the program reports for them."""
import os
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

import knock_model  # noqa: E402

FS = 48000
BLOCK = 2048
program = zembo_program.Program(sys.argv[1], scenario=sys.argv[2])
checks = program.checks
check = checks.check

# ---------------------------------------------------------------- PulseAudio
pulse_dir = tempfile.mkdtemp(prefix="zembo-pulse-")
socket_path = os.path.join(pulse_dir, "native")
fifos = [os.path.join(pulse_dir, "input%d" % n) for n in range(2)]
script = os.path.join(pulse_dir, "default.pa")
with open(script, "w") as f:
    f.write("load-module module-native-protocol-unix socket=%s auth-anonymous=1\n" % socket_path)
    f.write("load-module module-null-sink sink_name=zembo_null\n")
    f.write("set-default-sink zembo_null\n")
    for n, fifo in enumerate(fifos):
        f.write("load-module module-pipe-source source_name=alsa_input.test%d file=%s format=s16le rate=48000 "
                "channels=1\n" % (n, fifo))
server = "unix:" + socket_path
pulse_env = dict(os.environ, PULSE_SERVER=server, PULSE_RUNTIME_PATH=pulse_dir, HOME=program.home)
daemon = subprocess.Popen(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                           "--system=no", "-F", script], env=pulse_env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT)


def pulse_up():
    return subprocess.run(["pactl", "--server=" + server, "info"], env=pulse_env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


if not wait_for(pulse_up, 30):
    daemon.kill()
    sys.exit("pulseaudio did not come up: %s" % daemon.communicate()[0][-2000:])

# The signals: engine noise with knock bursts on input 0, another noise on input 1.
SECONDS = 40
rng = np.random.default_rng(1039)
signals = []
for n in range(2):
    x = rng.normal(0.0, 0.01 if n == 0 else 0.05, SECONDS * FS)
    if n == 0:
        for at in range(FS // 3, len(x) - 1000, FS // 2):
            knock_model.burst(x, at, amplitude=0.9)
    signals.append(knock_model.to_int16(x))
written = [0, 0]
stop_writing = threading.Event()


def feed(n):
    """Writes input n at the real pace (a little ahead), so the source never runs dry."""
    fd = os.open(fifos[n], os.O_WRONLY)
    start = time.monotonic()
    chunk = 480
    data = signals[n]
    while not stop_writing.is_set() and written[n] < len(data):
        due = start + (written[n] - FS // 5) / FS
        now = time.monotonic()
        if due > now:
            time.sleep(min(due - now, 0.05))
            continue
        part = data[written[n]:written[n] + chunk].astype("<i2").tobytes()
        os.write(fd, part)
        written[n] += chunk
    os.close(fd)


feeders = [threading.Thread(target=feed, args=(n,), daemon=True) for n in range(2)]
for t in feeders:
    t.start()

# ---------------------------------------------------------------- the program
path = ""
try:
    program.seed_settled_board()
    program.start_and_stop()
    database = sqlite3.connect(program.database)
    project = database.execute(
        "insert into projects2 (vehicleId, projectName) values ('KR 4711', 'Focus ST')").lastrowid
    database.commit()
    database.close()
    check(program.replace_ini_value("lastProjectId", "%d" % project), "lastProjectId in settings.ini")
    program.set_ini({("UserSetting", "DynoSetting\\audio_0_record"): "2",
                     ("UserSetting", "DynoSetting\\audio_1_record"): "2",
                     ("UserSetting", "DynoSetting\\audio_0_processLive"): "2"})
    program.start({"ZEMBO_AUDIO": "pulseaudio", "PULSE_SERVER": server, "PULSE_RUNTIME_PATH": pulse_dir})
    try:
        check(program.wait_for_log("Active project %d" % project), "project active at start")
        admin = program.admin()
        before = program.run_files()
        # The capture is up when the server lists both record streams.
        check(wait_for(lambda: subprocess.run(["pactl", "--server=" + server, "list", "source-outputs"],
                                              env=pulse_env, capture_output=True, text=True).stdout
                       .count("Zembo_record_") == 2, 30), "two record streams open")
        check(admin.ask(b"TAB RUN") == b"OK", "TAB RUN")
        check(admin.ask(b"START-STOP") == b"OK", "START")
        check(program.wait_for_log("Run START"), "run started")
        time.sleep(6.0)
        check(admin.ask(b"START-STOP") == b"OK", "STOP")
        check(program.wait_for_log("Run STOP"), "run stopped")
        new = sorted(program.run_files() - before)
        check(len(new) == 1, "one new run file: %s" % new)
        path = os.path.join(program.runs, new[0]) if new else ""
        admin.close()
    finally:
        program.stop()
finally:
    stop_writing.set()
    daemon.send_signal(signal.SIGTERM)
    try:
        daemon.wait(10)
    except subprocess.TimeoutExpired:
        daemon.kill()

if not path:
    checks.finish("no run file")


def read(f):
    frames = f["frames"]
    audio = [np.frombuffer(frames[name][()].tobytes(), dtype="<i2") for name in ("audio_1", "audio_2")]
    descriptor = bytes(f["files"]["miscChannelsDescriptor"][()].reshape(-1)).decode("utf-8")
    return audio, frames["channel"][()], descriptor


audio, records, descriptor = program.readable(path, read)
ids = {}
for line in descriptor.splitlines():
    if "," in line:
        unique, key = line.split(",", 1)
        ids[key] = int(unique) & 0xFFFF


def find(recorded, source):
    """Where the recording starts in what was written (its first block is unique noise)."""
    head = recorded[:BLOCK]
    window = np.lib.stride_tricks.sliding_window_view(source, BLOCK)
    hits = np.nonzero(np.all(window == head, axis=1))[0]
    return int(hits[0]) if len(hits) == 1 else -1


offsets = []
for n in range(2):
    recorded = audio[n]
    print("audio_%d: %d samples (%.2f s)" % (n + 1, len(recorded), len(recorded) / FS))
    check(len(recorded) >= 4 * FS and len(recorded) % BLOCK == 0, "audio_%d: whole blocks of a run" % (n + 1))
    at = find(recorded, signals[n]) if len(recorded) >= BLOCK else -1
    check(at >= 0, "audio_%d: its first block is one written" % (n + 1))
    check(at >= 0 and np.array_equal(recorded, signals[n][at:at + len(recorded)]),
          "audio_%d: equal to the written samples, in order, no gap or repeat" % (n + 1))
    offsets.append(at)


def values(key):
    wanted = ids.get(key, -1)
    return [float(r["value"]) for r in records if int(r["id"]) == wanted]


levels = values("audio_1_level")
knock_levels = values("audio_1_knockLevel")
counts = values("audio_1_knockCount")
check(len(levels) >= len(audio[0]) // BLOCK - 2, "a level per recorded block: %d for %d blocks"
      % (len(levels), len(audio[0]) // BLOCK))
if offsets[0] >= 0:
    # The model starts about a second before the run (in whole blocks): the
    # filters have forgotten their own start by then.
    lead = min(24, offsets[0] // BLOCK)
    count = len(audio[0]) // BLOCK
    # The engine-noise threshold of each block, as the program took it: level
    # minus knock level (the default characteristic, over the engine speed of
    # the simulated dyno).
    thresholds = [float("nan")] * lead
    for i in range(count):
        if 1 + i < len(levels) and 1 + i < len(knock_levels):
            thresholds.append(float(np.float32(levels[1 + i]) - np.float32(knock_levels[1 + i])))
        else:
            thresholds.append(float("nan"))
    blocks = knock_model.model(signals[0][offsets[0] - lead * BLOCK:offsets[0] + count * BLOCK],
                               threshold=thresholds)
    model_levels = [b[1] for b in blocks[lead:]]
    model_counts = np.cumsum([b[3] for b in blocks[lead:]])
    print("thresholds from %.3f to %.3f; %d knocks in the model" % (np.nanmin(thresholds), np.nanmax(thresholds),
                                                                     model_counts[-1]))
    check(model_counts[-1] >= 5, "the bursts are knocks over the default characteristic")
    check(counts[:1] == [0.0], "the knock count starts the run at 0: %s" % counts[:1])
    # The channel's first sample is its value at the run start; then one per block.
    matched = 0
    for i in range(1, count):
        if (1 + i < len(levels) and knock_model.close(levels[1 + i], model_levels[i])
                and 1 + i < len(counts) and counts[1 + i] - counts[1] == model_counts[i] - model_counts[0]):
            matched += 1
        else:
            check(False, "block %d: level %r, model %r; count %r, model %r" % (
                i, levels[1 + i] if 1 + i < len(levels) else None, model_levels[i],
                counts[1 + i] - counts[1] if 1 + i < len(counts) else None, model_counts[i] - model_counts[0]))
            break
    print("levels and knock counts equal to the model for %d blocks" % matched)
    check(matched >= count - 3, "the model holds to the run's end: %d of %d blocks" % (matched, count))
checks.finish("audio recorded gaplessly from both pipe sources, levels as the model")
