"""The launcher's main job: a silent install of the embedded runtime."""
import hashlib
import os
import subprocess
import threading
import time
import unittest

from harness import BIN_DIR, Prefix, PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"
ORUNSOFT_KEY = r"HKLM\SOFTWARE\OrunSoft"


class SilentInstall(PrefixTestCase):
    def package_path(self):
        return os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Kyn", "Orun", "ovx1.9.0_x64", "ovx1.9.0.msi")

    def assert_no_run_markers(self):
        self.assertFalse(self.prefix.reg_query(ORUNSOFT_KEY + r"\SilentInstall"), "SilentInstall outlived the run")
        self.assertIsNone(self.prefix.reg_query(ORUNSOFT_KEY, "InstallStatus"))

    def test_installs_the_embedded_package(self):
        self.assertEqual(self.prefix.run_launcher("/s"), 0)

        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY, "BuildNumber", view=64) is not None, True)
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY, view=32), "the runtime must be registered in the 64-bit view")
        self.assertTrue(os.path.isfile(self.package_path()))
        self.assert_no_run_markers()

        entries = self.prefix.log_entries()
        messages = [e.message for e in entries]
        self.assertEqual(messages[0], "Wrapper begin...")
        self.assertEqual(messages[-1], "Wrapper exit code: 0")
        self.assertEqual((entries[0].file, entries[0].line, entries[0].function), ("AllUtils.cpp", 115, "logit"))
        self.assertEqual(entries[0].module, "ovxoffline.exe")
        self.assertIn("Running offline OVX wrapper with command line=</s>", messages)
        for step in ("Wrapper, check for reinstall case..", "Wrapper: Extract MSI ...", "Wrapper: Execute MSI ..."):
            self.assertIn(step, messages)
        order = [messages.index(m) for m in ("Wrapper begin...", "Wrapper: Extract MSI ...", "Wrapper: Execute MSI ...",
                                             "Wrapper exit code: 0")]
        self.assertEqual(order, sorted(order))
        command_lines = [m for m in messages if m.startswith("MSI command line: ")]
        self.assertEqual(len(command_lines), 1)
        self.assertNotIn("SKIPLICENSE", command_lines[0], "a silent run shows no page and sets no page property")

    def test_failing_package_ends_with_the_installer_code(self):
        self.assertEqual(self.prefix.run_launcher("/s", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        messages = self.messages()
        self.assertEqual(messages[-1], "Wrapper exit code: 1603")
        failures = [m for m in messages if "MSI error [1603](" in m]
        self.assertEqual(len(failures), 1, messages)
        self.assertRegex(failures[0], r"^Exception with message 'action\.cpp\(\d+\) at msi::action<msi::install>::execute\(\): "
                                      r"MsiInstallProduct\(.*ovx1\.9\.0\.msi, .*ORUN_TEST_FAIL=1.*\) failed\. "
                                      r"MSI error \[1603\]\(.+\)' caught$")
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY), "a failed install leaves no runtime behind")
        self.assert_no_run_markers()
        # Only the failure itself is an error: a code without a text of the
        # installer's own, or a package that left no status values, is none.
        self.assertFalse([m for m in messages if "cannot find resource" in m], messages)
        self.assertFalse([m for m in messages if "MSIStatus" in m], messages)

    def test_a_failed_registry_call_logs_its_own_code(self):
        # No OvxMetrics key to remove: the line carries the call's code twice,
        # not whatever error an earlier call left behind.
        self.assertEqual(self.prefix.run_launcher("/s", "OEMUPDATE=1", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertIn("RemoveOvxMetrics() - RegDeleteKeyEx(): Error:2, ErrorCode:2\r\n", self.messages())

    def test_language_choice_reaches_the_package(self):
        self.assertEqual(self.prefix.run_launcher("/s", "/lang:1031", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        command_line = [m for m in self.messages() if m.startswith("MSI command line: ")][0]
        self.assertIn("TRANSFORMS=:1031", command_line)

        os.remove(self.prefix.log_path())
        self.assertEqual(self.prefix.run_launcher("/s", "/lang:7", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        messages = self.messages()
        self.assertTrue(any("unsupported locale langId: 7" in m for m in messages), messages)
        command_line = [m for m in messages if m.startswith("MSI command line: ")][0]
        self.assertNotIn("TRANSFORMS", command_line, "the preferred language (English here) stays")

    def test_launcher_without_package_ends_with_1(self):
        self.assertEqual(self.prefix.run_launcher("/s", exe="ovxoffline_nopackage.exe"), 1)
        self.assertEqual(self.messages()[-1], "Wrapper exit code: 1")
        self.assertFalse(os.path.exists(self.package_path()), "no file without a package")
        self.assert_no_run_markers()

    def test_package_that_does_not_match_its_digest_is_refused(self):
        self.assertEqual(self.prefix.run_launcher("/s", exe="ovxoffline_baddigest.exe"), 1620)
        messages = self.messages()
        self.assertEqual(messages[-1], "Wrapper exit code: 1620")
        self.assertTrue(any("is not the package this installer carries" in m for m in messages), messages)
        self.assertFalse(any(m.startswith("MSI command line: ") for m in messages), "nothing may reach the installer")
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_no_other_process_can_change_the_package_while_it_installs(self):
        # The package's own custom action, in the installer's process for them,
        # tries to write, rename and delete the cache file mid-install.
        result = self.prefix.host_path(r"C:\tamper.txt")
        self.assertEqual(self.prefix.run_launcher("/s", r"CMDLINE=ORUN_TEST_TAMPER=C:\tamper.txt"), 0)
        with open(result, encoding="cp1252") as f:
            outcome = dict(line.split(" ", 1) for line in f.read().splitlines())
        self.assertEqual(os.path.realpath(self.prefix.host_path(outcome["package"])), os.path.realpath(self.package_path()))
        for attempt in ("write", "rename", "delete"):
            self.assertNotEqual(outcome[attempt], "0", f"{attempt} succeeded: {outcome}")
        self.assertTrue(os.path.isfile(self.package_path()))
        self.assertFalse(os.path.exists(self.package_path() + ".moved"))
        with open(self.package_path(), "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertIn(f"(SHA-256 {digest})", " ".join(self.messages()), "the package changed after it was checked")

    def test_log_held_by_another_writer_does_not_stop_the_install(self):
        # Another process holds the log for writing: lines are dropped after
        # their retries, and the install goes on.
        log = self.prefix.log_path()
        os.makedirs(os.path.dirname(log), exist_ok=True)
        signal = os.path.join(self.prefix.path, "held.signal")
        holder = subprocess.Popen(["wine", os.path.join(BIN_DIR, "testhelper.exe"), "hold",
                                   self.prefix.windows_path(log), "600000", self.prefix.windows_path(signal)],
                                  env=self.prefix.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                if os.path.exists(signal):
                    break
                time.sleep(0.1)
            self.assertTrue(os.path.exists(signal), "the holder never opened the log")
            self.assertEqual(self.prefix.run_launcher("/s", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
            self.assertEqual(os.path.getsize(log), 0, "no line may get past the other writer")
        finally:
            holder.kill()
            holder.wait(timeout=60)


if __name__ == "__main__":
    unittest.main()
