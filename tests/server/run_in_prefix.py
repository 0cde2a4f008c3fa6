#!/usr/bin/env python3
"""Runs a Windows test program in a prefix of its own whose proxy is the test server.

    run_in_prefix.py --template T --prefix P --helper H [--display-file F] [--timeout S] -- program [args]

The prefix is a copy of the template, set up by the helper (proxy, trusted test
CA) and removed afterwards; the program learns the server's port from
OVX_TEST_SERVER_PORT. The exit code is the program's.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ovx_test_server  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--template", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--display-file")
    parser.add_argument("--timeout", type=float, default=150)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    env = dict(os.environ, WINEPREFIX=os.path.abspath(args.prefix), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64")
    env.pop("DISPLAY", None)
    if args.display_file and os.path.exists(args.display_file):
        with open(args.display_file) as f:
            env["DISPLAY"] = ":" + f.read().strip()

    subprocess.run([os.path.join(args.tools, "wine-prefix.sh"), "clone", args.template, args.prefix],
                   check=True, timeout=120)
    server = None
    try:
        server = ovx_test_server.TestServer(workdir=os.path.abspath(args.prefix) + ".server")
        ovx_test_server.configure_prefix(server, args.prefix, args.helper, env=env)
        env["OVX_TEST_SERVER_PORT"] = str(server.port)
        # Output through a file: the prefix's services outlive the program.
        with tempfile.TemporaryFile() as out:
            try:
                code = subprocess.run(["wine", *command], env=env, stdout=out, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, timeout=args.timeout).returncode
            except subprocess.TimeoutExpired:
                print(f"timed out after {args.timeout} s", file=sys.stderr)
                code = 124
            out.seek(0)
            sys.stdout.write(out.read().decode("utf-8", "replace"))
        return code
    finally:
        if server:
            server.stop()
        subprocess.run(["wineserver", "-k"], env=env, timeout=60, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, timeout=60, stderr=subprocess.DEVNULL)
        shutil.rmtree(args.prefix, ignore_errors=True)
        shutil.rmtree(os.path.abspath(args.prefix) + ".server", ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
