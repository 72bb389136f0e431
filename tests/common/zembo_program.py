"""The real program on the simulated dyno, for every end-to-end check.

    sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "common"))
    import zembo_program

    program = zembo_program.Program(sys.argv[1])   # HOME of the test, a settled board
    program.seed_settled_board(password="secret")  # system root and settings.ini
    port = program.start()                          # waits for "Start-up stage 3 done"
    admin = program.admin()                         # a remote-control client with rights
    ...
    program.stop()                                  # SIGTERM; the exit status is checked

Made to hold on a slow, loaded machine: every wait is for an event with a
generous limit (a fault still fails, only later); the remote-control port is
the one the program logs after it has bound it (a port picked here and bound
later could be taken by another test meanwhile); a run file that the program
is writing is read again when a read meets it in the middle of a flush.

The checks collect their failures in a `Checks` object and end with
`checks.finish(...)`, so one run reports every fault it finds."""
import datetime
import hashlib
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

# Limits of the waits: far above what an idle machine needs.
START_UP = 120
EVENT = 60


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, condition, what):
        if not condition:
            self.failures.append(what)
            print("FAIL:", what, flush=True)
        return condition

    def finish(self, message):
        if self.failures:
            sys.exit("%d checks failed" % len(self.failures))
        print(message)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def wait_for(condition, timeout=EVENT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


def password_for_one_word(stem):
    """A password whose raw SHA-256 digest can travel as one protocol word (no
    space, CR or LF byte in it)."""
    return next("%s %d" % (stem, n) for n in range(1000)
                if not set(hashlib.sha256(("%s %d" % (stem, n)).encode()).digest()) & {0x20, 0x0D, 0x0A})


class Client:
    """A remote-control connection on loopback; replies come line by line."""

    def __init__(self, port, timeout=EVENT):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.timeout = timeout
        self.buffer = b""
        self.greeting = self.line()

    def line(self, timeout=None):
        self.sock.settimeout(timeout or self.timeout)
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
        """True when the command gets no reply within `wait` seconds."""
        self.sock.sendall(command + b"\n")
        try:
            self.line(timeout=wait)
            return False
        except socket.timeout:
            return True

    def close(self):
        self.sock.close()


class Program:
    """One configuration folder and the program started on it, again and again."""

    def __init__(self, executable, home=None, checks=None, scenario=None, env=None):
        self.executable = executable
        self.home = home or os.environ["HOME"]
        self.zembo = os.path.join(self.home, ".zembo")
        self.runs = os.path.join(self.zembo, "runs")
        self.ini = os.path.join(self.zembo, "settings.ini")
        self.database = os.path.join(self.zembo, "projects2.db")
        self.system_root = os.path.join(self.home, "system")
        self.checks = checks or Checks()
        self.password = None
        self.process = None
        self.port = None
        self.log_start = 0
        os.environ["HDF5_USE_FILE_LOCKING"] = "FALSE"
        self.env = dict(os.environ, HOME=self.home, ZEMBO_SIMULATE="1", ZEMBO_REMOTE_PORT="0",
                        ZEMBO_ANSWER_DIALOGS="1", ZEMBO_UPDATE_BASE_URL="http://127.0.0.1:9/")
        for name in ("ZEMBO_SIM_CONTROLLER", "ZEMBO_SIM_SCENARIO", "ZEMBO_SYSTEM_ROOT", "ZEMBO_SIM_FIRST_BOOT",
                     "ZEMBO_SIM_TARGET_LOG"):
            self.env.pop(name, None)
        if scenario:
            self.env["ZEMBO_SIM_SCENARIO"] = scenario
        self.env.update(env or {})

    # ------------------------------------------------------------ seeding

    def seed_settled_board(self, password=None):
        """A board whose first-run set-up is done (USB access, CPU 3 isolated,
        the stock password changed) and, with `password`, a remote-control
        password; the settings file is made or its values are added."""
        write(os.path.join(self.system_root, "etc/modprobe.d/usbserial.conf"), "blacklist ftdi_sio\n")
        write(os.path.join(self.system_root, "sys/devices/system/cpu/isolated"), "3\n")
        self.env["ZEMBO_SYSTEM_ROOT"] = self.system_root
        values = {("General", "passwdChanged"): "1"}
        if password is not None:
            self.password = password
            values[("UserSetting", "androidAppPassword")] = password
        self.set_ini(values)

    def read_ini(self):
        try:
            with open(self.ini, encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def ini_value(self, group, key):
        """The raw text of one key of settings.ini, or None."""
        current = None
        for line in self.read_ini():
            if line.startswith("[") and line.endswith("]"):
                current = line[1:-1]
            elif current == group and line.startswith(key + "="):
                return line[len(key) + 1:]
        return None

    def set_ini(self, values):
        """Sets {(group, key): text} in settings.ini (written as the program
        writes it: keys below a group with backslashes), keeping the rest."""
        lines = self.read_ini()
        for (group, key), text in values.items():
            header = "[%s]" % group
            if header not in lines:
                if lines and lines[-1] != "":
                    lines.append("")
                lines += [header]
            start = lines.index(header) + 1
            end = start
            while end < len(lines) and not lines[end].startswith("["):
                end += 1
            entry = "%s=%s" % (key, text)
            for i in range(start, end):
                if lines[i].startswith(key + "="):
                    lines[i] = entry
                    break
            else:
                lines.insert(start, entry)
        write(self.ini, "\n".join(lines) + "\n")

    def replace_ini_value(self, key, text):
        """Sets a key the program wrote, in whatever group it wrote it;
        false when settings.ini does not have it."""
        lines = self.read_ini()
        found = False
        for i, line in enumerate(lines):
            if line.startswith(key + "="):
                lines[i] = "%s=%s" % (key, text)
                found = True
        if found:
            write(self.ini, "\n".join(lines) + "\n")
        return found

    # ------------------------------------------------------------ the log

    def log_text(self):
        name = datetime.date.today().strftime("%Y-%m-%d") + ".txt"
        try:
            with open(os.path.join(self.zembo, "log", name), encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def logged(self, text):
        """`text` is in the log of the current (or last) start."""
        return text in self.log_text()[self.log_start:]

    def wait_for_log(self, text, timeout=EVENT):
        return wait_for(lambda: self.logged(text), timeout)

    # ------------------------------------------------------------ start and stop

    def start(self, extra_env=None, wait=True):
        """Starts the program and, with `wait`, waits for its third start-up
        stage and the remote control's port; returns the port."""
        self.log_start = len(self.log_text())
        env = dict(self.env, **(extra_env or {}))
        # The program's standard error is kept: what a sanitizer reports there
        # is shown with the test's own output (see stop()).
        self.stderr_file = tempfile.TemporaryFile()
        self.process = subprocess.Popen([self.executable], env=env, stdout=subprocess.DEVNULL,
                                        stderr=self.stderr_file)
        if not wait:
            return None
        if not wait_for(lambda: self.logged("Start-up stage 3 done") or self.process.poll() is not None,
                        START_UP) or not self.logged("Start-up stage 3 done"):
            self.kill()
            sys.exit("the program did not reach its third start-up stage")
        ports = re.findall(r"Remote control server listening on port (\d+)", self.log_text()[self.log_start:])
        if not ports:
            self.kill()
            sys.exit("the remote control does not listen")
        self.port = int(ports[-1])
        return self.port

    def stop(self):
        """SIGTERM, as the operating system ends the program; it must end by itself with status 0."""
        if not self.process:
            return None
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(EVENT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self.checks.check(code == 0, "exit status after SIGTERM: %s" % code)
        self.process = None
        self.show_sanitizer_output()
        return code

    def show_sanitizer_output(self):
        """Prints what a sanitizer wrote to the program's standard error (its
        reports and its count of suppressed ones), from its first line on."""
        stderr_file = getattr(self, "stderr_file", None)
        if stderr_file is None:
            return
        self.stderr_file = None
        stderr_file.seek(0)
        text = stderr_file.read().decode("utf-8", errors="replace")
        stderr_file.close()
        lines = text.splitlines()
        for first, line in enumerate(lines):
            if "Sanitizer" in line or line.startswith("=================="):
                print("\n".join(lines[first:]))
                break

    def kill(self):
        if self.process:
            self.process.kill()
            self.process.wait()
            self.process = None
        self.show_sanitizer_output()

    def start_and_stop(self, extra_env=None):
        self.start(extra_env)
        self.stop()

    # ------------------------------------------------------------ remote control

    def client(self):
        return Client(self.port)

    def admin(self):
        """A client with admin rights (PASSWD with the seeded password's digest)."""
        client = Client(self.port)
        if self.password is not None:
            reply = client.ask(b"PASSWD " + hashlib.sha256(self.password.encode("utf-8")).digest())
            self.checks.check(reply == b"PASSWD OK", "PASSWD: %r" % reply)
        return client

    # ------------------------------------------------------------ run files

    def run_files(self):
        return set(os.listdir(self.runs)) if os.path.isdir(self.runs) else set()

    @staticmethod
    def readable(path, read, timeout=EVENT):
        """read(h5py file) on a run file the program may be writing. A read that
        meets a flush half done raises; it is tried again until `timeout`."""
        import h5py
        end = time.monotonic() + timeout
        while True:
            try:
                with h5py.File(path, "r") as f:
                    return read(f)
            except (OSError, KeyError, RuntimeError):
                if time.monotonic() > end:
                    raise
                time.sleep(0.2)

    # ------------------------------------------------------------ pictures

    @staticmethod
    def screenshot(path):
        """The whole X display (the program runs under xvfb-run) as PNG."""
        subprocess.run(["import", "-window", "root", path], check=True)
