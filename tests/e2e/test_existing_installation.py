"""The launcher meets what an earlier install left: its own runtime, a newer
build, a static install, another launcher still running."""
import os
import shutil
import subprocess
import time
import unittest

from harness import BIN_DIR, PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"
PRODUCT_CODE = "{9B3D71F2-4C6E-4A85-93D1-6E86419000F0}"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall" + "\\" + PRODUCT_CODE


class ExistingInstallation(PrefixTestCase):
    def set_build_number(self, value):
        proc = self.prefix.wine("reg", "add", RUNTIME_KEY, "/v", "BuildNumber", "/d", value, "/f", "/reg:64")
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def fresh_log(self):
        if os.path.exists(self.prefix.log_path()):
            os.remove(self.prefix.log_path())

    def test_the_same_build_is_uninstalled_and_installed_again(self):
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertTrue(self.prefix.reg_query(UNINSTALL_KEY))
        self.fresh_log()
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        messages = self.messages()
        self.assertIn("OVX with same version 1.9.0 exists on the system", messages)
        self.assertIn("Existing build: 55 is same/older than current build: 55", messages)
        self.assertTrue(any(m.startswith("Uninstalling the installed OVX 1.9.0: ") and m.endswith(
            "msiexec.exe /x " + PRODUCT_CODE + " /qn") for m in messages), messages)
        self.assertNotIn("A newer OVX  build already exists. Exit install", messages)
        self.assertEqual(messages[-1], "Wrapper exit code: 0")
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY, "BuildNumber"))

    def test_a_planted_msiexec_never_runs(self):
        # A Downloads folder with a program named like the installer's tool
        # beside the launcher, and the same in the working folder.
        downloads = self.prefix.host_path(r"C:\users\Public\Downloads")
        work = self.prefix.host_path(r"C:\work")
        for folder in (downloads, work):
            os.makedirs(folder, exist_ok=True)
            shutil.copy(os.path.join(BIN_DIR, "planted_program.exe"), os.path.join(folder, "MsiExec.exe"))
        shutil.copy(os.path.join(BIN_DIR, "ovxoffline.exe"), downloads)
        launcher = r"C:\users\Public\Downloads\ovxoffline.exe"
        self.assertEqual(self.prefix.run_windows(launcher, "/s", cwd=work), 0)
        self.fresh_log()
        self.assertEqual(self.prefix.run_windows(launcher, "/s", cwd=work), 0)  # the same build: uninstalled first
        self.assertTrue(any(m.startswith("Uninstalling the installed OVX 1.9.0: ") for m in self.messages()),
                        self.messages())
        for folder in (downloads, work):
            self.assertFalse(os.path.exists(os.path.join(folder, "MsiExec.exe.ran")), f"the planted program in {folder} ran")
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY, "BuildNumber"))

    def test_a_newer_build_stops_the_install(self):
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.set_build_number("56")
        self.fresh_log()
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        messages = self.messages()
        self.assertIn("A newer OVX  build already exists. Exit install", messages)
        self.assertNotIn("Wrapper: Extract MSI ...", messages)
        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY, "BuildNumber"), "56", "the newer build stays")

    def test_a_static_install_blocks_a_silent_one(self):
        self.assertEqual(self.prefix.run_launcher("/s", "STATIC=1"), 0)
        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY + r"\MSI", "MODE"), "S")
        self.fresh_log()
        self.assertEqual(self.prefix.run_launcher("/s"), -1)
        self.assertNotIn("Wrapper: Extract MSI ...", self.messages())
        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY + r"\MSI", "MODE"), "S")

    def test_another_launcher_holding_the_flag_file(self):
        flag = os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Kyn", "Orun", "ORUN_INSTALL_FLAG")
        os.makedirs(os.path.dirname(flag), exist_ok=True)
        # Left by a launcher that was killed: removed, and the install goes on.
        open(flag, "w").close()
        self.assertEqual(self.prefix.run_launcher("/s", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertFalse(os.path.exists(flag))

        signal = os.path.join(self.prefix.path, "held.signal")
        holder = subprocess.Popen(["wine", os.path.join(BIN_DIR, "testhelper.exe"), "hold", self.prefix.windows_path(flag),
                                   "600000", self.prefix.windows_path(signal)],
                                  env=self.prefix.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                if os.path.exists(signal):
                    break
                time.sleep(0.1)
            self.fresh_log()
            self.assertEqual(self.prefix.run_launcher("/s"), -1)
            self.assertIn("Another Orun installation is in progress. You must complete that installation before you can "
                          "run this installer.", self.messages())
            self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))
        finally:
            holder.kill()
            holder.wait(timeout=60)


if __name__ == "__main__":
    unittest.main()
