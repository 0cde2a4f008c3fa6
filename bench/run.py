#!/usr/bin/env python3
"""Side by side, in one run: the launcher against the same work done without it.

run.py BUILD_DIR [--runs N] [--page-runs N]

(1) silent install: `ovxoffline_bench.exe /s` against `msiexec /i <package> <the launcher's
    MSI command line> /qn` of the same package; and, as the floor of what the launcher must do,
    that plus the install of the auto-update package it installs next (`msiexec /i au.msi /qn`
    less an msiexec with nothing to do) plus the package written in its 8192-byte pieces with
    its SHA-256 taken beside and checked, as in (2);
(2) payload extraction: the launcher's write and check of its package (from its own log)
    against copytime.exe copying the same bytes to the same place, and, as the floor, the same
    bytes written from memory in the launcher's 8192-byte pieces, then also reopened for
    reading only and compared (the installer opens the package denying writers, so no writing
    handle can be held across it: the file is checked through the handle that is), and all
    that with the bytes' SHA-256 taken beside the writing, as the launcher takes it;
(3) first page: from the launcher's start until its welcome page shows, against onedialog.exe,
    the smallest dialog program, until its one dialog shows; and, as floors, the same
    dialog program built with the launcher's manifest and system imports (onedialog_themed.exe),
    and the launcher's own welcome page shown at once by a program with its resources and
    nothing of its run before the page (welcomepage.exe);
(4) the launcher's peak private memory during the silent install (resident anonymous memory
    of its process, sampled from the host; the carried packages are mapped from the file);
(5) where the launcher's own time goes, step by step, from its log's time stamps.
Programs are timed from inside the prefix by benchrun.exe (from their start to their end or
first window), so that Wine's start of the timer is no part of a figure, and with the desktop
already up, as on Windows. Every measured run gets a fresh clone of one template prefix and
an Xvfb display of the benchmark's own; the sides alternate.
"""
import argparse
import datetime
import glob
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win64",
            "LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"}
PACKAGE_WIN = "C:\\users\\{user}\\AppData\\LocalLow\\Kyn\\Orun\\ovx1.9.0_x64\\ovx1.9.0.msi"
MSIEXEC_WIN = "C:\\windows\\system32\\msiexec.exe"
NO_PRODUCT = "{00000000-0000-0000-0000-000000000000}"
WELCOME_TITLE = "Orun Setup - Welcome"
ONE_DIALOG_TITLE = "One Dialog"
# Each side of the first page and the title of the window it shows.
PAGE_SIDES = {"launcher": WELCOME_TITLE, "onedialog": ONE_DIALOG_TITLE, "onedialog_themed": ONE_DIALOG_TITLE,
              "welcomepage": WELCOME_TITLE}
# A file of the last data component: present only if the whole package went in.
INSTALLED_PROBE = ("drive_c", "Program Files", "Orun", "ovx1.9.0", "bench", "data15.bin")
INSTALL_TIMEOUT = 300
STEP_TIMEOUT = 120
MEMORY_SAMPLE_S = 0.005
# The launcher writes its package in pieces of this size.
PIECE = 8192

LOG_ENTRY = re.compile(
    r"\[(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}), [^\]]*\]\r\n\t[A-Z]+: (.*?)\r\n(?=\[\d{4}/|\Z)", re.S)
EXTRACT_STEP = "package written and checked"
COMMAND_LINE = "MSI command line: "
# The launcher's steps: each ends at the first log line that matches after the previous one.
STEPS = [
    ("process start until its first log line", re.compile(r"Wrapper begin\.\.\.$")),
    ("start-up and the state before the configuration", re.compile(r"Wrapper Load ConfigSettings\.\.\.$")),
    ("configuration (command line, settings file)", re.compile(r"Wrapper, check for reinstall case\.\.$")),
    ("installed versions, system checks, install flag", re.compile(r"Wrapper: Extract MSI \.\.\.$")),
    (EXTRACT_STEP, re.compile(r"Package .* written and verified")),
    ("options document (fetched beside the writing), package properties",
     re.compile(r"Wrapper: Execute MSI \.\.\.$")),
    ("the installer, then the auto-update component", re.compile(r"Auto-update install result: ")),
    ("report and clean-up", re.compile(r"Wrapper exit code: ")),
]


class BenchError(Exception):
    pass


def windows_path(host_path):
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


class Display:
    """An Xvfb of the benchmark's own, on a free display number."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.close()
            raise BenchError("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Prefix:
    """A fresh clone of the template with a warm wineserver of its own."""

    def __init__(self, tools, template, path, display):
        self.path = path
        self.env = dict(os.environ, WINEPREFIX=path, DISPLAY=display, **WINE_ENV)
        try:
            self._start(tools, template)
        except BaseException:
            self.close()
            raise

    def _start(self, tools, template):
        path = self.path
        subprocess.run([os.path.join(tools, "wine-prefix.sh"), "clone", template, path], check=True,
                       timeout=STEP_TIMEOUT)
        # Both sides start from the same state: server up, its first process (and,
        # with a display, the desktop) already run.
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=STEP_TIMEOUT, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wine("cmd", "/c", "exit", "0")
        # Nothing of the runs before is still being written back to the disk.
        subprocess.run(["sync"], timeout=STEP_TIMEOUT)
        users = [d for d in glob.glob(os.path.join(path, "drive_c", "users", "*")) if not d.endswith("Public")]
        if len(users) != 1:
            raise BenchError(f"cannot tell the user folder in {path}: {users}")
        self.user_dir = users[0]
        self.user = os.path.basename(users[0])

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=STEP_TIMEOUT, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=STEP_TIMEOUT, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.path, ignore_errors=True)

    def wine(self, *args, timeout=STEP_TIMEOUT):
        # Files, not pipes: the prefix's services outlive the call and would hold a pipe open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run(["wine", *args], env=self.env, timeout=timeout, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, proc.returncode,
                                               out.read().decode("utf-8", "replace"),
                                               err.read().decode("utf-8", "replace"))

    def timed_run(self, bin_dir, program, *args, watch=None):
        """benchrun's figures for one run of the program: exit code, seconds, start stamp."""
        sampler = MemorySampler(watch) if watch else None
        try:
            proc = self.wine(os.path.join(bin_dir, "benchrun.exe"), "run", program, *args, timeout=INSTALL_TIMEOUT)
        finally:
            peak = sampler.stop() if sampler else None
        code = re.search(r"exit code: (-?\d+)", proc.stdout)
        elapsed = re.search(r"elapsed ms: ([0-9.]+)", proc.stdout)
        started = re.search(r"started: (\S+ \S+)", proc.stdout)
        if not (code and elapsed and started):
            raise BenchError(f"no figures from benchrun {program} {args}: {proc.stdout!r} {proc.stderr!r}")
        return int(code.group(1)), float(elapsed.group(1)) / 1000.0, stamp(started.group(1)), peak

    def time_to_window(self, bin_dir, title, program, *args):
        proc = self.wine(os.path.join(bin_dir, "benchrun.exe"), "page", title, program, *args, timeout=INSTALL_TIMEOUT)
        elapsed = re.search(r"elapsed ms: ([0-9.]+)", proc.stdout)
        if proc.returncode != 0 or not elapsed:
            raise BenchError(f"no window {title!r} from {program}: {proc.stdout!r} {proc.stderr!r}")
        return float(elapsed.group(1)) / 1000.0

    def package(self):
        return PACKAGE_WIN.format(user=self.user)

    def host_path(self, windows):
        return os.path.join(self.path, "drive_c", *windows[3:].split("\\"))

    def log_text(self):
        for sub in ("Temp", os.path.join("AppData", "Local", "Temp")):
            path = os.path.join(self.user_dir, sub, "qusched.log")
            if os.path.exists(path):
                with open(path, "rb") as f:
                    return f.read().decode("cp1252", errors="replace")
        return ""

    def check_installed(self, side):
        probe = os.path.join(self.path, *INSTALLED_PROBE)
        if not os.path.isfile(probe):
            raise BenchError(f"{side}: exit code 0 but {probe} is missing")


class MemorySampler:
    """The peak resident anonymous memory (bytes) of the process whose Linux name
    starts with the program's first 15 characters, sampled until stopped."""

    def __init__(self, program_name):
        self.name = program_name[:15]
        self.peak = 0
        self.seen = False
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._sample, daemon=True)
        self._thread.start()

    @staticmethod
    def _read(path):
        try:
            with open(path) as f:
                return f.read()
        except OSError:
            return None

    def _sample(self):
        # Only new processes are looked at; Wine names a process after its program
        # a moment after it starts, so one still called "wine..." is looked at again.
        known = set()
        pid = None
        while not self._stop.is_set():
            if pid is None:
                for entry in os.listdir("/proc"):
                    if not entry.isdigit() or entry in known:
                        continue
                    comm = (self._read(f"/proc/{entry}/comm") or "").strip()
                    if comm == self.name:
                        pid = entry
                        break
                    if not comm.startswith("wine"):
                        known.add(entry)
            if pid is not None:
                status = self._read(f"/proc/{pid}/status")
                if status is None:
                    known.add(pid)
                    pid = None
                else:
                    for line in status.splitlines():
                        if line.startswith("RssAnon:"):
                            self.peak = max(self.peak, int(line.split()[1]) * 1024)
                            self.seen = True
            time.sleep(MEMORY_SAMPLE_S)

    def stop(self):
        self._stop.set()
        self._thread.join()
        return self.peak if self.seen else None


def stamp(text):
    return datetime.datetime.strptime(text, "%Y/%m/%d %H:%M:%S.%f")


def launcher_log_facts(log, started, seconds):
    """Extraction seconds, the MSI command line and the steps' seconds, from the launcher's log."""
    entries = [(stamp(when), message) for when, message in LOG_ENTRY.findall(log)]
    command_lines = [message[len(COMMAND_LINE):] for _, message in entries if message.startswith(COMMAND_LINE)]
    if not command_lines:
        raise BenchError("the launcher's log lacks the MSI command line:\n" + log[-3000:])

    steps = []
    previous = started
    index = 0
    for name, pattern in STEPS:
        while index < len(entries) and not pattern.match(entries[index][1]):
            index += 1
        if index == len(entries):
            raise BenchError(f"the launcher's log lacks the end of step {name!r}:\n" + log[-3000:])
        steps.append((name, (entries[index][0] - previous).total_seconds()))
        previous = entries[index][0]
    steps.append(("process end after its last log line",
                  (started + datetime.timedelta(seconds=seconds) - previous).total_seconds()))
    return dict(steps)[EXTRACT_STEP], command_lines[0], steps


def run_launcher(prefix, bin_dir):
    exe = windows_path(os.path.join(bin_dir, "ovxoffline_bench.exe"))
    code, seconds, started, peak = prefix.timed_run(bin_dir, exe, "/s", watch="ovxoffline_bench.exe")
    log = prefix.log_text()
    if code != 0:
        raise BenchError(f"launcher: exit code {code}\n{log[-3000:]}")
    prefix.check_installed("launcher")
    extract, command_line, steps = launcher_log_facts(log, started, seconds)
    return {"install": seconds, "extract": extract, "memory": peak, "steps": steps}, command_line


def copy_time(prefix, bin_dir, *args):
    """copytime's seconds: the copy or the writing, and the check after a writing in pieces (or None)."""
    copy = prefix.wine(os.path.join(bin_dir, "copytime.exe"), *args)
    match = re.search(r"elapsed ms: ([0-9.]+)", copy.stdout)
    if copy.returncode != 0 or not match:
        raise BenchError(f"copytime failed ({copy.returncode}): {copy.stdout!r} {copy.stderr!r}")
    check = re.search(r"check ms: ([0-9.]+)", copy.stdout)
    hashed = re.search(r"hashed ms: ([0-9.]+)", copy.stdout)
    return (float(match.group(1)) / 1000.0, float(check.group(1)) / 1000.0 if check else None,
            float(hashed.group(1)) / 1000.0 if hashed else None)


def run_msiexec(prefix, bin_dir, package_host, command_line):
    # The same bytes written from memory in the launcher's pieces, beside the place of the package.
    pieces, check, hashed = copy_time(prefix, bin_dir, windows_path(package_host), prefix.package() + ".pieces",
                                      str(PIECE))
    os.remove(prefix.host_path(prefix.package() + ".pieces"))
    copy_seconds, _, _ = copy_time(prefix, bin_dir, windows_path(package_host), prefix.package())
    # Unquoted tokens reach msiexec as typed; wine would re-quote anything else.
    if '"' in command_line:
        raise BenchError(f"cannot pass a quoted MSI command line through wine: {command_line!r}")
    args = ["/i", prefix.package(), *command_line.split(), "/qn"]
    code, seconds, _, peak = prefix.timed_run(bin_dir, MSIEXEC_WIN, *args, watch="msiexec.exe")
    if code != 0:
        raise BenchError(f"msiexec {' '.join(args)}: exit code {code}")
    prefix.check_installed("msiexec")
    # The auto-update component the launcher installs after the runtime, inside its own process:
    # msiexec's time for it less that of an msiexec with nothing to do (its start, the installer loaded).
    au_host = os.path.join(os.path.dirname(package_host), "au.msi")
    code, au_seconds, _, _ = prefix.timed_run(bin_dir, MSIEXEC_WIN, "/i", windows_path(au_host), "/qn")
    if code != 0:
        raise BenchError(f"msiexec /i {au_host} /qn: exit code {code}")
    code, idle_seconds, _, _ = prefix.timed_run(bin_dir, MSIEXEC_WIN, "/x", NO_PRODUCT, "/qn")
    if code != 1605:
        raise BenchError(f"msiexec /x {NO_PRODUCT} /qn: exit code {code}, expected 1605 (unknown product)")
    return {"install": seconds, "extract": copy_seconds, "pieces": pieces, "check": check, "hashed": hashed,
            "memory": peak, "au": max(0.0, au_seconds - idle_seconds)}


def warm_page_cache(*paths):
    """Reads the files through, so that they come from the host's page cache, not
    the disk. This machine gives back cached pages within a minute (7 % of an
    80 MB file in 30 s), so each measured run warms what it reads, right before."""
    for path in paths:
        with open(path, "rb") as f:
            while f.read(1 << 24):
                pass


def alternate(runs, sides, measure):
    """Runs measure(side, i) for each side in each round, alternating which goes first."""
    rows = {side: [] for side in sides}
    for i in range(runs):
        order = sides if i % 2 == 0 else list(reversed(sides))
        for side in order:
            rows[side].append(measure(side, i))
    return rows


def median(rows, key):
    return statistics.median(r[key] for r in rows)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--runs", type=int, default=5)
    # A first page takes a tenth of a second, swinging by a fifth between runs: twice the runs.
    ap.add_argument("--page-runs", type=int, default=None)
    args = ap.parse_args()
    build = os.path.abspath(args.build_dir)
    bin_dir = os.path.join(build, "bin")
    work = os.path.join(build, "bench", "prefixes")
    tools = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools")
    package_host = os.path.join(build, "bench", "ovx1.9.0.msi")
    launcher = os.path.join(bin_dir, "ovxoffline_bench.exe")
    for f in ["ovxoffline_bench.exe", "copytime.exe", "benchrun.exe"] + [s + ".exe" for s in PAGE_SIDES if s != "launcher"]:
        if not os.path.isfile(os.path.join(bin_dir, f)):
            raise BenchError(f"{os.path.join(bin_dir, f)} is missing")

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    template = os.path.join(work, "template")
    print(f"== template prefix {template}", flush=True)
    subprocess.run([os.path.join(tools, "wine-prefix.sh"), "create", template], check=True, timeout=400)
    package_size = os.path.getsize(package_host)
    page_runs = args.page_runs or 2 * args.runs
    print(f"== package {package_host} ({package_size / 1e6:.1f} MB), {args.runs} runs per side, "
          f"{page_runs} for the first page", flush=True)

    command_line = None
    display = Display()
    try:
        def install(side, i):
            nonlocal command_line
            prefix = Prefix(tools, template, os.path.join(work, f"{side}-{i + 1}"), display.name)
            try:
                # The launcher carries the package in its image; msiexec's side copies it from the build.
                warm_page_cache(launcher if side == "launcher" else package_host)
                if side == "launcher":
                    row, command_line = run_launcher(prefix, bin_dir)
                else:
                    row = run_msiexec(prefix, bin_dir, package_host, command_line)
            finally:
                prefix.close()
            what = "extraction" if side == "launcher" else "plain copy"
            memory = f"{row['memory'] / 2**20:6.1f} MiB" if row["memory"] is not None else "   n/a"
            print(f"   run {i + 1} {side:8s}  install {row['install']:6.3f} s   {what} {row['extract']:6.3f} s   "
                  f"peak private {memory}", flush=True)
            return row

        def first_page(side, i):
            prefix = Prefix(tools, template, os.path.join(work, f"page-{side}-{i + 1}"), display.name)
            try:
                program = launcher if side == "launcher" else os.path.join(bin_dir, side + ".exe")
                warm_page_cache(program)
                seconds = prefix.time_to_window(bin_dir, PAGE_SIDES[side], windows_path(program))
            finally:
                prefix.close()
            print(f"   run {i + 1} {side:16s} first page {seconds:6.3f} s", flush=True)
            return {"page": seconds}

        # One round a side that is not counted: caches settle after the template.
        print("== warm-up round (not counted)", flush=True)
        alternate(1, ["launcher", "msiexec"], install)
        alternate(1, list(PAGE_SIDES), first_page)
        print("== measured rounds", flush=True)
        installs = alternate(args.runs, ["launcher", "msiexec"], install)
        pages = alternate(page_runs, list(PAGE_SIDES), first_page)
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)

    li, mi = median(installs["launcher"], "install"), median(installs["msiexec"], "install")
    le, mc = median(installs["launcher"], "extract"), median(installs["msiexec"], "extract")
    lp, op = median(pages["launcher"], "page"), median(pages["onedialog"], "page")
    tp = median(pages["onedialog_themed"], "page")
    wp = median(pages["welcomepage"], "page")
    print()
    print(f"MSI command line (from the launcher's log, passed to msiexec as is): {command_line!r}")
    print(f"medians of {args.runs} runs a side ({page_runs} for the first page), a fresh prefix per run, "
          f"timed inside the prefix:")
    print(f"silent install: launcher {li:.3f} s, msiexec /i /qn {mi:.3f} s, ratio {li / mi:.2f}")
    print(f"   (floor: msiexec plus one plain copy of the package, {mi + mc:.3f} s, ratio {(mi + mc) / mi:.2f})")
    mp = median(installs["msiexec"], "pieces")
    ma = median(installs["msiexec"], "au")
    mh = median(installs["msiexec"], "hashed")
    # The installer's own work for both packages the launcher installs, and an ideal writing.
    print(f"   (floor with the auto-update package's install, {mi + ma + mc:.3f} s, ratio {(mi + ma + mc) / mi:.2f})")
    required = mi + ma + mh
    print(f"   (floor of the launcher's required work: msiexec, the auto-update package's install {ma:.3f} s, the package "
          f"written in {PIECE}-byte pieces, hashed and checked {mh:.3f} s: {required:.3f} s, ratio {required / mi:.2f}; "
          f"the launcher against it {li / required:.2f})")
    print(f"payload extraction: launcher {le:.3f} s (write + check), plain copy {mc:.3f} s, ratio {le / mc:.2f}")
    print(f"   (floor: the same bytes only written from memory in {PIECE}-byte pieces, {mp:.3f} s, "
          f"ratio {mp / mc:.2f})")
    mk = median(installs["msiexec"], "check")
    print(f"   (floor with the check that the installer's sharing forces, the file reopened for reading only "
          f"and compared with the bytes written: {mp + mk:.3f} s, ratio {(mp + mk) / mc:.2f})")
    print(f"   (floor of the whole required work: that writing with the SHA-256 taken beside it on a second "
          f"thread, then that check: {mh:.3f} s, ratio {mh / mc:.2f}; the launcher against it {le / mh:.2f})")
    print(f"first page: launcher {lp:.3f} s to its welcome page, one-dialog program {op:.3f} s, ratio {lp / op:.2f}")
    print(f"   (floor: the one-dialog program with the launcher's manifest and imports, {tp:.3f} s, "
          f"ratio {tp / op:.2f}; the launcher against it {lp / tp:.2f})")
    print(f"   (floor: the launcher's welcome page alone, without the run before it, {wp:.3f} s, "
          f"ratio {wp / op:.2f}; the launcher against it {lp / wp:.2f})")
    memories = [r["memory"] for r in installs["launcher"] if r["memory"] is not None]
    msiexec_memories = [r["memory"] for r in installs["msiexec"] if r["memory"] is not None]
    if memories:
        msiexec_text = (f"; msiexec alone {max(msiexec_memories) / 2**20:.1f} MiB" if msiexec_memories else "")
        # Mapped from the executable's file, the package's pages are not private: what is counted
        # here is what the launcher has beyond them. A loader that copies them counts them too.
        print(f"peak private memory of the launcher during a silent install: {max(memories) / 2**20:.1f} MiB "
              f"(its package is {package_size / 2**20:.1f} MiB){msiexec_text}")
    else:
        print("peak private memory: the launcher's process was never seen")
    print("the launcher's own time, step by step (medians; each step ends at its log line):")
    names = [name for name, _ in installs["launcher"][0]["steps"]]
    for index, name in enumerate(names):
        print(f"   {statistics.median(r['steps'][index][1] for r in installs['launcher']) * 1000:7.1f} ms  {name}")


if __name__ == "__main__":
    try:
        main()
    except (BenchError, subprocess.SubprocessError) as e:
        print(f"bench failed: {e}", file=sys.stderr)
        sys.exit(1)
