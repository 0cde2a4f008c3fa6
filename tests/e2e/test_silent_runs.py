"""A silent run shows no window and waits for nobody, whatever it meets: each
box it would show becomes a log line and an exit code. The display is watched
during every run; a window that appears is a failure (and is closed, so that
the run ends)."""
import os
import unittest

import harness
from harness import PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"


class SilentRuns(PrefixTestCase):
    def cache_folder(self):
        return os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Kyn", "Orun", "ovx1.9.0_x64")

    def run_silently(self, *args):
        code, windows = self.prefix.run_launcher_watched("/s", *args)
        self.assertEqual(windows, [], "a silent run showed a window")
        return code

    def assert_nothing_left(self):
        flag = os.path.join(os.path.dirname(self.cache_folder()), "ORUN_INSTALL_FLAG")
        self.assertFalse(os.path.exists(flag), "the install flag outlived the run")
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_cache_folder_that_is_a_file(self):
        folder = self.cache_folder()
        os.makedirs(os.path.dirname(folder), exist_ok=True)
        open(folder, "w").close()
        self.assertEqual(self.run_silently(), 3)  # ERROR_PATH_NOT_FOUND of the failing CreateFile
        package = folder.replace(self.prefix.user_dir(), "") + "\\ovx1.9.0.msi"
        lines = [m for m in self.messages() if m.startswith("Cannot create the package file ")]
        self.assertEqual(len(lines), 1, self.messages())
        self.assertIn(package.replace("/", "\\"), lines[0])
        self.assertTrue(lines[0].endswith("(system error 3)"), lines[0])
        self.assertIn("Silent run, message not shown: Error: Installer : Wrapper.CreateFile  failed with error 3: ",
                      "\n".join(self.messages()))
        self.assert_nothing_left()

    def test_a_package_file_held_by_another_process(self):
        folder = self.cache_folder()
        os.makedirs(folder, exist_ok=True)
        package = os.path.join(folder, "ovx1.9.0.msi")
        open(package, "wb").close()
        with self.prefix.held(package):
            self.assertEqual(self.run_silently(), 32)  # ERROR_SHARING_VIOLATION
        self.assertTrue(any(m.startswith("Cannot create the package file ") and m.endswith("(system error 32)")
                            for m in self.messages()), self.messages())
        self.assert_nothing_left()

    def test_another_installation_in_progress(self):
        flag = os.path.join(os.path.dirname(self.cache_folder()), "ORUN_INSTALL_FLAG")
        os.makedirs(os.path.dirname(flag), exist_ok=True)
        with self.prefix.held(flag):
            self.assertEqual(self.run_silently(), -1)
        messages = self.messages()
        self.assertIn("Another Orun installation is in progress. You must complete that installation before you "
                      "can run this installer.", messages)
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_configuration_error(self):
        path = self.prefix.host_path(r"C:\deploy\bad.cfg")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"EULA=Enable\nno separator here\n")
        self.assertEqual(self.run_silently(r"INSTALLCFG=C:\deploy\bad.cfg"), -80)
        self.assertTrue(any("is malformed in line 2." in m for m in self.messages()), self.messages())
        self.assert_nothing_left()
        if not self.prefix.display:
            return
        # The watch is not blind: the same run, interactive, shows its box.
        code, windows = self.prefix.run_launcher_watched(r"INSTALLCFG=C:\deploy\bad.cfg")
        self.assertEqual(code, -80)
        self.assertTrue(any(w.endswith("Orun Installation Not Completed") for w in windows), windows)

    def set_temp(self, folder):
        for name in ("TEMP", "TMP"):
            proc = self.prefix.wine("reg", "add", r"HKCU\Environment", "/v", name, "/d", folder, "/f")
            self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def read_log(self, windows_folder):
        # Wine's own folders are lower case on the host.
        folder = self.prefix.host_path(windows_folder)
        if not os.path.isdir(folder):
            folder = os.path.join(os.path.dirname(folder), os.path.basename(folder).lower())
        path = os.path.join(folder, "qusched.log")
        self.assertTrue(os.path.exists(path), f"no log in {windows_folder}")
        with open(path, "rb") as f:
            return f.read().decode("cp1252", errors="replace")

    def test_a_missing_temporary_folder_is_made(self):
        self.set_temp(r"C:\gone\deeper\temp")
        self.assertEqual(self.run_silently(), 0)
        log = self.read_log(r"C:\gone\deeper\temp")
        self.assertIn("Wrapper begin...", log)
        self.assertIn("Wrapper exit code: 0", log)
        self.assertNotIn("cannot be created", log)
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_temporary_folder_that_cannot_be_made(self):
        blocker = self.prefix.host_path(r"C:\blocker")
        open(blocker, "w").close()  # a file where the folder's parent should be
        self.set_temp(r"C:\blocker\temp")
        self.assertEqual(self.run_silently("CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        log = self.read_log(r"C:\windows\Temp")
        first = harness.parse_log(log)[0]
        self.assertEqual(first.level, "WARNING")
        self.assertEqual(first.message, 'The temporary folder "C:\\blocker\\temp" cannot be created (system error 183); '
                                        'the log and the temporary files go to "C:\\windows\\Temp"')
        self.assertIn("Wrapper exit code: 1603", log)

    def test_an_old_windows_installs_after_a_log_line(self):
        # The warning about an unsupported Windows never stops the install.
        self.assertEqual(self.prefix.wine("winecfg", "-v", "winxp64").returncode, 0)
        self.assertEqual(self.run_silently(), 0)
        messages = self.messages()
        self.assertIn("This is an unsupported operationg system.", messages)
        self.assertTrue(any(m.startswith("Silent run, message not shown: Warning - Orun Installer: Orun 9 requires "
                                         "a newer version of Windows.") for m in messages), messages)
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))


if __name__ == "__main__":
    unittest.main()
