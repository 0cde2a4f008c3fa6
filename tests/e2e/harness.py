"""Runs the built launcher in Wine prefixes of its own and reads what it left."""
import contextlib
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import types
import unittest

BIN_DIR = os.environ.get("OVX_BIN_DIR", "")
TEMPLATE = os.environ.get("OVX_BASE_PREFIX", "") + ".template"
WORK_DIR = os.environ.get("OVX_WORK_DIR", "/tmp/ovx-e2e")
TOOLS = os.environ.get("OVX_TOOLS", "")

# The ids of the launcher's pages, controls and strings: one header for the
# resource scripts, the code and these tests.
RESOURCE_IDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "base", "resource_ids.h")

# The standard button ids of the pages and message boxes.
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7


def resource_ids(path=RESOURCE_IDS):
    """The header's ids as attributes (ids.IDC_BACK); anything in it other
    than `#define NAME number` and comments is an error, not a silent gap."""
    ids = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.split("//", 1)[0].strip()
            if not text:
                continue
            match = re.fullmatch(r"#define\s+([A-Z][A-Z0-9_]*)\s+(-?\d+)", text)
            if not match or match.group(1) in ids:
                raise ValueError(f"{path}:{number}: not a new plain id: {line.strip()!r}")
            ids[match.group(1)] = int(match.group(2))
    return types.SimpleNamespace(**ids)


WINE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    "WINEARCH": "win64",
}

# Head and message line of one log entry.
LOG_ENTRY = re.compile(
    r"\[(\d{4})/(\d{2})/(\d{2}) (\d{2}):(\d{2}):(\d{2})\.(\d{3}), (.+?) \(PID: (\d+), TID: (\d+)\), "
    r"(.+?):(\d+) \((.*?)\)\]\r\n\t(TRACE|INFO|WARNING|ERROR|UNKNOWN): (.*?)\r\n(?=\[\d{4}/|\Z)",
    re.S)


class LogEntry:
    def __init__(self, match):
        self.module = match.group(8)
        self.pid = int(match.group(9))
        self.file = match.group(11)
        self.line = int(match.group(12))
        self.function = match.group(13)
        self.level = match.group(14)
        self.message = match.group(15)

    def __repr__(self):
        return f"{self.file}:{self.line} ({self.function}) {self.level}: {self.message!r}"


def parse_log(text):
    """Every entry of the log, or an assertion naming the first malformed byte."""
    entries, pos = [], 0
    for match in LOG_ENTRY.finditer(text):
        if match.start() != pos:
            raise AssertionError(f"malformed log text at offset {pos}: {text[pos:pos + 200]!r}")
        entries.append(LogEntry(match))
        pos = match.end()
    if pos != len(text):
        raise AssertionError(f"malformed log text at offset {pos}: {text[pos:pos + 200]!r}")
    return entries


def shared_display():
    """The X display the test fixture started, or None."""
    try:
        with open(os.environ.get("OVX_BASE_PREFIX", "") + "/.display") as f:
            return ":" + f.read().strip()
    except OSError:
        return None


def start_display():
    """An X server of one prefix's own, so that suites running side by side
    never share a screen (nor a screenshot): (process, ":N"), or (None, None)."""
    if not shutil.which("Xvfb"):
        return None, None
    read, write = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()  # written once the server accepts clients
    if not number:
        proc.kill()
        proc.wait(timeout=30)
        return None, None
    return proc, ":" + number


class Control:
    def __init__(self, visible, enabled, checked, text):
        self.visible, self.enabled, self.checked, self.text = visible, enabled, checked, text

    def __repr__(self):
        return f"Control(visible={self.visible}, enabled={self.enabled}, checked={self.checked}, text={self.text!r})"


class Page(dict):
    """The controls of a window by id (the first of an id), as the helper read them."""

    CONTROL = re.compile(r"^control (-?\d+) visible=(\d) enabled=(\d) checked=(\d): (.*?)(?=^control |^no button|\Z)",
                         re.S | re.M)

    def __init__(self, text):
        super().__init__()
        self.controls = {}
        for match in self.CONTROL.finditer(text):
            control_id = int(match.group(1))
            value = match.group(5).rstrip("\r\n")
            self.setdefault(control_id, value)
            self.controls.setdefault(control_id, Control(match.group(2) == "1", match.group(3) == "1",
                                                         match.group(4) == "1", value))


def host_utf8_locale():
    """English in UTF-8 as the host has it, else C.UTF-8 (which Wine takes as
    US English too). Wine names files and reads its command line in the host's
    charset: without a UTF-8 locale, C:\\Pr\u00fcfung cannot be created at all."""
    try:
        names = subprocess.run(["locale", "-a"], capture_output=True, text=True, timeout=30).stdout.split()
    except (OSError, subprocess.SubprocessError):
        names = []
    known = {name.lower().replace("-", ""): name for name in names}
    for wanted in ("en_us.utf8", "c.utf8"):
        if wanted in known:
            return known[wanted]
    return "en_US.UTF-8"


def escape_title(title):
    """Non-ASCII characters as \\uXXXX, and a backslash before "u" as \\u005c,
    which the helper reads back: Wine's command line goes through the host's
    charset, and a host without the prefix's locale mangles anything else."""
    out = []
    for i, c in enumerate(title):
        if ord(c) >= 128 or (c == "\\" and title[i + 1:i + 2] == "u"):
            out.append(f"\\u{ord(c):04x}")
        else:
            out.append(c)
    return "".join(out)


class Prefix:
    """A fresh copy of the test template, with a wineserver of its own."""

    def __init__(self, name):
        self.path = os.path.join(WORK_DIR, name)
        os.makedirs(WORK_DIR, exist_ok=True)
        subprocess.run([os.path.join(TOOLS, "wine-prefix.sh"), "clone", TEMPLATE, self.path], check=True, timeout=120)
        # A fixed user language, so that the launcher's own choice is predictable.
        locale = host_utf8_locale()
        self.env = dict(os.environ, WINEPREFIX=self.path, LANG=locale, LC_ALL=locale, **WINE_ENV)
        self.env.pop("DISPLAY", None)
        self.xvfb, self.display = start_display()
        if not self.display:
            self.display = shared_display()
        if self.display:
            self.env["DISPLAY"] = self.display

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60, stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=30)
        shutil.rmtree(self.path, ignore_errors=True)

    def wine(self, *args, timeout=120, cwd=None):
        """Runs wine with its output through files: the prefix's services outlive
        the program and would hold a pipe open. `cwd`, a host folder, is the
        program's working folder."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                proc = subprocess.run(["wine", *args], env=self.env, timeout=timeout, stdout=out, stderr=err,
                                      stdin=subprocess.DEVNULL, cwd=cwd)
            except subprocess.TimeoutExpired as e:
                raise self.not_ended(args, timeout) from e
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, proc.returncode,
                                               out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace"))

    # The prefix's own services, whose threads always wait somewhere.
    SERVICES = ("services.exe", "rpcss.exe", "svchost.exe", "plugplay.exe", "winedevice.exe", "explorer.exe",
                "winedbg.exe", "start.exe", "conhost.exe")

    def stacks(self):
        """Where each thread of the prefix's programs (not its services) waits,
        from Wine's debugger: what a run that did not end was doing."""
        with tempfile.TemporaryFile() as script, tempfile.TemporaryFile() as out:
            script.write(b"bt all\nquit\n")
            script.seek(0)
            try:
                subprocess.run(["winedbg"], env=self.env, timeout=120, stdin=script, stdout=out,
                               stderr=subprocess.STDOUT)
            except subprocess.TimeoutExpired:
                return "(the debugger did not answer)\n"
            out.seek(0)
            text = out.read().decode("utf-8", "replace")
        blocks = re.split(r"^(?=Backtracing for thread )", text, flags=re.M)
        kept = [b for b in blocks if b.startswith("Backtracing")
                and not re.match(r"Backtracing for thread \w+ in process \w+ \(.*\\(%s)\)" %
                                 "|".join(map(re.escape, self.SERVICES)), b, re.I)]
        return "".join(kept) or "(none but the services: the program has ended)\n"

    def not_ended(self, what, timeout):
        """The failure of a run that outlived its bound, with where it waits."""
        return AssertionError(f"{what} did not end within {timeout} s; the prefix's programs wait here:\n"
                              + self.stacks())

    def helper(self, *args, timeout=120, cwd=None):
        """Runs testhelper.exe. It prints something on every way out, so a run
        without a word never reached it: now and then, on a loaded machine, Wine
        ends a program it has just started without output or reason. Such a run
        is made again, twice at most, and said so on stderr."""
        for attempt in range(3):
            proc = self.wine(os.path.join(BIN_DIR, "testhelper.exe"), *args, timeout=timeout, cwd=cwd)
            if proc.stdout.strip():
                break
            print(f"testhelper {args[0]}: no output (exit code {proc.returncode}, {proc.stderr[-500:]!r})"
                  f"{', again' if attempt < 2 else ''}", file=sys.stderr)
        return proc

    def run_windows(self, program, *args, timeout=600, cwd=None):
        """Runs a Windows program; returns its full 32-bit exit code."""
        proc = self.helper("run", escape_title(program), *map(escape_title, args), timeout=timeout, cwd=cwd)
        match = re.search(r"exit code: (-?\d+)", proc.stdout)
        if not match:
            raise AssertionError(f"no exit code from {program} {args} (exit code {proc.returncode}): "
                                 f"{proc.stdout!r} {proc.stderr!r}")
        return int(match.group(1))

    def run_launcher(self, *args, exe="ovxoffline.exe", timeout=600):
        return self.run_windows(self.windows_path(os.path.join(BIN_DIR, exe)), *args, timeout=timeout)

    def run_launcher_watched(self, *args, exe="ovxoffline.exe", timeout=600):
        """Runs the launcher while watching the display; returns its exit code
        and the windows that appeared ("<class> <title>"), each closed at once."""
        proc = self.helper("runquiet", escape_title(self.windows_path(os.path.join(BIN_DIR, exe))),
                           *map(escape_title, args), timeout=timeout)
        match = re.search(r"exit code: (-?\d+)", proc.stdout)
        if not match:
            raise AssertionError(f"no exit code from {exe} {args}: {proc.stdout!r} {proc.stderr!r}")
        return int(match.group(1)), re.findall(r"^window: (.*?)\r?$", proc.stdout, re.M)

    @contextlib.contextmanager
    def held(self, host_path, seconds=600):
        """Another process holds the file open for writing (others may read) meanwhile."""
        signal = os.path.join(self.path, "held.signal")
        if os.path.exists(signal):
            os.remove(signal)
        holder = subprocess.Popen(["wine", os.path.join(BIN_DIR, "testhelper.exe"), "hold", self.windows_path(host_path),
                                   str(seconds * 1000), self.windows_path(signal)],
                                  env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                if os.path.exists(signal):
                    break
                time.sleep(0.1)
            if not os.path.exists(signal):
                raise AssertionError(f"the holder never opened {host_path}")
            yield
        finally:
            holder.kill()
            holder.wait(timeout=60)

    def start_launcher(self, *args, exe="ovxoffline.exe"):
        """Starts the launcher without waiting; finish() gives its exit code."""
        out = tempfile.TemporaryFile()
        proc = subprocess.Popen(["wine", os.path.join(BIN_DIR, "testhelper.exe"), "run",
                                 escape_title(self.windows_path(os.path.join(BIN_DIR, exe))), *map(escape_title, args)],
                                env=self.env, stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        return proc, out

    def finish(self, started, timeout=300):
        proc, out = started
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired as e:
            proc.kill()
            proc.wait(timeout=60)
            out.close()
            raise self.not_ended("the launcher", timeout) from e
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
        out.close()
        match = re.search(r"exit code: (-?\d+)", text)
        if not match:
            raise AssertionError(f"no exit code: {text!r}")
        return int(match.group(1))

    def _page(self, proc, title):
        if "window found" not in proc.stdout or proc.returncode != 0:
            raise AssertionError(f"window {title!r} not found or not handled (exit code {proc.returncode}): "
                                 f"{proc.stdout!r} {proc.stderr[-2000:]!r}")
        return Page(proc.stdout)

    def click(self, title, button_id, timeout_ms=60000):
        """Waits for a window of that title, reads its controls, clicks the button."""
        proc = self.helper("click", escape_title(title), str(timeout_ms), str(button_id), timeout=timeout_ms / 1000 + 60)
        return self._page(proc, title)

    def page(self, title, action="texts", timeout_ms=60000):
        """Waits for a window of that title and reads its controls; then, with
        action "close", uses its close box, with "esc" presses Esc."""
        proc = self.helper(action, escape_title(title), str(timeout_ms), timeout=timeout_ms / 1000 + 60)
        return self._page(proc, title)

    def gone(self, title, timeout_ms=30000):
        """Whether the window of that title went within the time."""
        proc = self.helper("gone", escape_title(title), str(timeout_ms), timeout=timeout_ms / 1000 + 60)
        return "gone" in proc.stdout

    def screenshot(self, name):
        """Keeps a picture of the screen in the build tree."""
        if not self.display or not shutil.which("import"):
            return None
        folder = os.path.join(WORK_DIR, "screenshots")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path], timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    @staticmethod
    def windows_path(host_path):
        return "Z:" + os.path.abspath(host_path).replace("/", "\\")

    def host_path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/").lstrip("/")
        return os.path.join(self.path, "dosdevices", f"{drive}:", rest)

    def user_dir(self):
        users = [d for d in glob.glob(os.path.join(self.path, "drive_c", "users", "*")) if not d.endswith("Public")]
        return users[0]

    def log_path(self):
        candidates = glob.glob(os.path.join(self.user_dir(), "Temp", "qusched.log")) + \
            glob.glob(os.path.join(self.user_dir(), "AppData", "Local", "Temp", "qusched.log"))
        return candidates[0] if candidates else os.path.join(self.user_dir(), "Temp", "qusched.log")

    def log_text(self):
        path = self.log_path()
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("cp1252", errors="replace")

    def log_entries(self):
        return parse_log(self.log_text())

    def reg_add(self, key, value, data, kind="REG_SZ", view=64):
        proc = self.wine("reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f", f"/reg:{view}")
        if proc.returncode != 0:
            raise AssertionError(f"reg add {key} {value}: {proc.stdout!r} {proc.stderr!r}")

    def reg_query(self, key, value=None, view=64):
        """The value's text (None when absent), or True/False for a key without value name."""
        args = ["reg", "query", key]
        if value is not None:
            args += ["/v", value]
        args.append(f"/reg:{view}")
        # reg fails now and then without a reason of its own while the
        # prefix's services wind down; only its "not found" means absent.
        for _ in range(3):
            proc = self.wine(*args)
            if proc.returncode == 0 or "Unable to find the specified registry" in proc.stdout + proc.stderr:
                break
        else:
            raise AssertionError(f"reg query {key} {value} failed: {proc.stdout!r} {proc.stderr!r}")
        if proc.returncode != 0:
            return None if value is not None else False
        if value is None:
            return True
        for line in proc.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == value.lower():
                return parts[2] if len(parts) == 3 else ""
        return None


class PrefixTestCase(unittest.TestCase):
    """A test with a fresh prefix for each case."""

    def setUp(self):
        if not BIN_DIR:
            self.skipTest("run through ctest: OVX_BIN_DIR is not set")
        self.prefix = Prefix(f"{type(self).__name__}.{self._testMethodName}")

    def tearDown(self):
        if hasattr(self, "prefix"):
            if self._failed():
                print("---- qusched.log ----\n" + self.prefix.log_text())
            self.prefix.close()

    def _failed(self):
        """Whether this case has failed so far. The outcome's own flag cannot
        say: it reads True again while tearDown runs."""
        outcome = getattr(self, "_outcome", None)
        result = getattr(outcome, "result", None)
        if result is None:
            return False
        # A failed subtest is recorded under its own object, which names its case.
        return any(getattr(test, "test_case", test) is self for test, _ in result.errors + result.failures)

    def messages(self):
        return [e.message for e in self.prefix.log_entries()]
