#!/usr/bin/env python3
"""Side by side, in one run: the launcher against plain Windows Installer and a plain copy.

run.py BUILD_DIR [--runs N]

(1) silent install: `ovxoffline_bench.exe /s` against `msiexec /i <package> <the launcher's
    MSI command line> /qn` of the same package, each timed from the host;
(2) payload extraction: the launcher's write and SHA-256 check of its package (from its own
    log) against copytime.exe copying the same bytes to the same place.
Every measured run gets a fresh clone of one template prefix; the sides alternate.
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
import time

WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win64",
            "LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"}
PACKAGE_WIN = "C:\\users\\{user}\\AppData\\LocalLow\\Kyn\\Orun\\ovx1.9.0_x64\\ovx1.9.0.msi"
MSIEXEC_WIN = "C:\\windows\\system32\\msiexec.exe"
# A file of the last data component: present only if the whole package went in.
INSTALLED_PROBE = ("drive_c", "Program Files", "Orun", "ovx1.9.0", "bench", "data15.bin")
INSTALL_TIMEOUT = 300
STEP_TIMEOUT = 120

LOG_ENTRY = re.compile(
    r"\[(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}), [^\]]*\]\r\n\t[A-Z]+: (.*?)\r\n(?=\[\d{4}/|\Z)", re.S)
EXTRACT_START = "Wrapper: Extract MSI ..."
EXTRACT_END = re.compile(r"Package .* written and verified")
COMMAND_LINE = "MSI command line: "


class BenchError(Exception):
    pass


def windows_path(host_path):
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


class Prefix:
    """A fresh clone of the template with a warm wineserver of its own."""

    def __init__(self, tools, template, path):
        self.path = path
        self.env = dict(os.environ, WINEPREFIX=path, **WINE_ENV)
        self.env.pop("DISPLAY", None)
        try:
            self._start(tools, template)
        except BaseException:
            self.close()
            raise

    def _start(self, tools, template):
        path = self.path
        subprocess.run([os.path.join(tools, "wine-prefix.sh"), "clone", template, path], check=True,
                       timeout=STEP_TIMEOUT)
        # Both sides start from the same state: server up, its first process already run.
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=STEP_TIMEOUT, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wine("cmd", "/c", "exit", "0")
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

    def timed_run(self, helper, program, *args):
        """Host wall time of `testhelper run`, and the program's full 32-bit exit code."""
        start = time.monotonic()
        proc = self.wine(helper, "run", program, *args, timeout=INSTALL_TIMEOUT)
        seconds = time.monotonic() - start
        match = re.search(r"exit code: (-?\d+)", proc.stdout)
        if not match:
            raise BenchError(f"no exit code from {program} {args}: {proc.stdout!r} {proc.stderr!r}")
        return int(match.group(1)), seconds

    def package(self):
        return PACKAGE_WIN.format(user=self.user)

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


def stamp(text):
    return datetime.datetime.strptime(text, "%Y/%m/%d %H:%M:%S.%f")


def launcher_log_facts(log):
    """Extraction seconds and the MSI command line, from the launcher's log."""
    start = end = command_line = None
    for when, message in LOG_ENTRY.findall(log):
        if message == EXTRACT_START and start is None:
            start = stamp(when)
        elif start is not None and end is None and EXTRACT_END.match(message):
            end = stamp(when)
        elif message.startswith(COMMAND_LINE) and command_line is None:
            command_line = message[len(COMMAND_LINE):]
    if start is None or end is None or command_line is None:
        raise BenchError("the launcher's log lacks the extraction or the MSI command line:\n" + log[-3000:])
    return (end - start).total_seconds(), command_line


def run_launcher(prefix, bin_dir):
    exe = windows_path(os.path.join(bin_dir, "ovxoffline_bench.exe"))
    code, seconds = prefix.timed_run(os.path.join(bin_dir, "testhelper.exe"), exe, "/s")
    log = prefix.log_text()
    if code != 0:
        raise BenchError(f"launcher: exit code {code}\n{log[-3000:]}")
    prefix.check_installed("launcher")
    extract, command_line = launcher_log_facts(log)
    return seconds, extract, command_line


def run_msiexec(prefix, bin_dir, package_host, command_line):
    copy = prefix.wine(os.path.join(bin_dir, "copytime.exe"), windows_path(package_host), prefix.package())
    match = re.search(r"elapsed ms: ([0-9.]+)", copy.stdout)
    if copy.returncode != 0 or not match:
        raise BenchError(f"copytime failed ({copy.returncode}): {copy.stdout!r} {copy.stderr!r}")
    copy_seconds = float(match.group(1)) / 1000.0
    # Unquoted tokens reach msiexec as typed; wine would re-quote anything else.
    if '"' in command_line:
        raise BenchError(f"cannot pass a quoted MSI command line through wine: {command_line!r}")
    args = ["/i", prefix.package(), *command_line.split(), "/qn"]
    code, seconds = prefix.timed_run(os.path.join(bin_dir, "testhelper.exe"), MSIEXEC_WIN, *args)
    if code != 0:
        raise BenchError(f"msiexec {' '.join(args)}: exit code {code}")
    prefix.check_installed("msiexec")
    return seconds, copy_seconds


def warm_page_cache(*paths):
    # Both sources come from the host's page cache, not the disk.
    for path in paths:
        with open(path, "rb") as f:
            while f.read(1 << 24):
                pass


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    build = os.path.abspath(args.build_dir)
    bin_dir = os.path.join(build, "bin")
    work = os.path.join(build, "bench", "prefixes")
    tools = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools")
    package_host = os.path.join(build, "bench", "ovx1.9.0.msi")
    for f in ("ovxoffline_bench.exe", "copytime.exe", "testhelper.exe"):
        if not os.path.isfile(os.path.join(bin_dir, f)):
            raise BenchError(f"{os.path.join(bin_dir, f)} is missing")

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    template = os.path.join(work, "template")
    print(f"== template prefix {template}", flush=True)
    subprocess.run([os.path.join(tools, "wine-prefix.sh"), "create", template], check=True, timeout=400)
    warm_page_cache(os.path.join(bin_dir, "ovxoffline_bench.exe"), package_host)
    print(f"== package {package_host} ({os.path.getsize(package_host) / 1e6:.1f} MB), {args.runs} runs per side",
          flush=True)

    rows = {"launcher": [], "msiexec": []}
    command_line = None
    try:
        for i in range(args.runs):
            # Alternate which side goes first, so that drift hits both alike.
            order = ["launcher", "msiexec"] if i % 2 == 0 else ["msiexec", "launcher"]
            for side in order:
                prefix = Prefix(tools, template, os.path.join(work, f"{side}-{i + 1}"))
                try:
                    if side == "launcher":
                        install, extract, command_line = run_launcher(prefix, bin_dir)
                    else:
                        install, extract = run_msiexec(prefix, bin_dir, package_host, command_line)
                finally:
                    prefix.close()
                rows[side].append((install, extract))
                what = "extraction" if side == "launcher" else "plain copy"
                print(f"   run {i + 1} {side:8s}  install {install:6.2f} s   {what} {extract:5.2f} s", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    med = {side: (statistics.median(r[0] for r in v), statistics.median(r[1] for r in v)) for side, v in rows.items()}
    (li, le), (mi, mc) = med["launcher"], med["msiexec"]
    print()
    print(f"MSI command line (from the launcher's log, passed to msiexec as is): {command_line!r}")
    print(f"medians of {args.runs} runs each, fresh prefix per run:")
    print(f"silent install: launcher {li:.2f} s, msiexec /i /qn {mi:.2f} s, ratio {li / mi:.2f}")
    print(f"payload extraction: launcher {le:.3f} s (write + SHA-256 check), plain copy {mc:.3f} s, "
          f"ratio {le / mc:.2f}")
    print("(launcher install time includes its extraction; msiexec gets the package already in place)")


if __name__ == "__main__":
    try:
        main()
    except (BenchError, subprocess.SubprocessError) as e:
        print(f"bench failed: {e}", file=sys.stderr)
        sys.exit(1)
