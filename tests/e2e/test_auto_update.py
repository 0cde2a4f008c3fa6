"""After the runtime, the launcher installs its auto-update component over
whatever version is there, carrying the schedule and notification choice of the
old one over into the current settings layout. Real packages of every version,
installed by the Windows Installer of the prefix."""
import glob
import os
import subprocess
import unittest

from harness import BIN_DIR, PrefixTestCase

AU_CODE = "{8C51E2A4-3D7B-4E62-8E13-1A9C35B20F46}"
AU_OLD_CODE = "{2E7F4B90-6A1C-4D35-B8E2-93C0A5D7F164}"
AU_KEY = r"HKLM\SOFTWARE\OrunSoft\Auto Update"
POLICY = r"HKLM\SOFTWARE\OrunSoft\Orun Update\Policy"
QUCHECK = POLICY + r"\qucheck"
UNINSTALL = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall" + "\\"
PACKAGES = os.environ.get("OVX_AU_PACKAGES", "")


class AutoUpdate(PrefixTestCase):
    def install_old(self, version):
        package = self.prefix.windows_path(os.path.join(PACKAGES, f"au_{version}.msi"))
        proc = self.prefix.wine("msiexec", "/i", package, "/qn", timeout=300)
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def reg_add(self, key, name, kind, data):
        proc = self.prefix.wine("reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f", "/reg:32")
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def au(self, name, key=AU_KEY):
        return self.prefix.reg_query(key, name, view=32)

    def au_result(self):
        results = [m for m in self.messages() if m.startswith("Auto-update install result: ")]
        self.assertEqual(len(results), 1, self.messages())
        return int(results[0].split(": ")[1])

    def test_nothing_installed_then_the_same_again(self):
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), 0)
        self.assertEqual(self.au("AUVersion"), "2.9.00.55")
        self.assertEqual(self.au("DisplayVersion", UNINSTALL + AU_CODE), "2.9.00.55")
        self.assertEqual((self.au("InstalledOEMUPDATE"), self.au("InstalledDISABLE")), ("0", "0"))
        self.assertEqual((self.au("NotifyDownload", QUCHECK), self.au("NotifyInstall", QUCHECK)), ("0x1", "0x0"))
        self.assertIsNone(self.au("Frequency", QUCHECK), "no schedule to carry over")
        package = os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Velmar", "Orun", "AU", "au.msi")
        self.assertTrue(os.path.exists(package))

        # A second run finds the same version and changes nothing.
        self.reg_add(QUCHECK, "NotifyInstall", "REG_DWORD", 7)
        os.remove(self.prefix.log_path())
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), -2)
        self.assertIn("AU is not upgradable - Installed version (2.9.00.55) >= the bundled version (2.9.00.55).",
                      self.messages())
        self.assertEqual(self.au("NotifyInstall", QUCHECK), "0x7")

    def test_an_older_component_in_the_old_layout(self):
        self.install_old("2.7.0.0")
        # The old layout: plain values under the policy key itself.
        self.reg_add(POLICY, "Frequency", "REG_DWORD", 0x0204)
        self.reg_add(POLICY, "UpdateSchedule", "REG_DWORD", 13)
        self.reg_add(POLICY, "UpdateMin", "REG_DWORD", 45)
        self.reg_add(POLICY, "NotifyDownload", "REG_DWORD", 0)
        self.reg_add(POLICY, "NotifyInstall", "REG_DWORD", 1)
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), 0)
        self.assertEqual(self.au("DisplayVersion", UNINSTALL + AU_CODE), "2.9.00.55")
        self.assertEqual(self.au("AUVersion"), "2.9.00.55")
        # Carried over into the current layout: protected schedule, plain notification pair.
        self.assertEqual((self.au("NotifyDownload", QUCHECK), self.au("NotifyInstall", QUCHECK)), ("0x0", "0x1"))
        for name in ("Frequency", "UpdateSchedule", "UpdateMin"):
            value = self.au(name, QUCHECK)
            self.assertTrue(value and not value.startswith("0x"), f"{name} is not protected text: {value!r}")

    def test_a_2_8_component_is_read_in_the_current_layout(self):
        self.install_old("2.8.0.12")
        self.reg_add(QUCHECK, "NotifyDownload", "REG_DWORD", 0)
        self.reg_add(QUCHECK, "NotifyInstall", "REG_DWORD", 1)
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), 0)
        self.assertIn("Found AU version in MSI: <2.8.0.12>", self.messages())
        self.assertEqual(self.au("DisplayVersion", UNINSTALL + AU_CODE), "2.9.00.55")
        self.assertEqual((self.au("NotifyDownload", QUCHECK), self.au("NotifyInstall", QUCHECK)), ("0x0", "0x1"))

    def test_a_product_without_its_version_falls_back_to_the_registry(self):
        # The installed product opens, but its cached package names no version:
        # the component's own record tells it.
        self.install_old("2.8.0.12")
        cached = glob.glob(os.path.join(self.prefix.path, "drive_c", "windows", "Installer", "*.msi"))
        self.assertEqual(len(cached), 1, cached)
        subprocess.run(["msibuild", cached[0], "-q", "DELETE FROM `Property` WHERE `Property` = 'ProductVersion'"],
                       check=True, timeout=60)
        self.reg_add(QUCHECK, "NotifyDownload", "REG_DWORD", 0)
        self.reg_add(QUCHECK, "NotifyInstall", "REG_DWORD", 1)
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        messages = self.messages()
        self.assertNotIn("Found AU version in MSI: <2.8.0.12>", messages)
        self.assertIn("Found AU version in Registry: <2.8.0.12>", messages)
        self.assertEqual(self.au_result(), 0)
        self.assertEqual((self.au("NotifyDownload", QUCHECK), self.au("NotifyInstall", QUCHECK)), ("0x0", "0x1"))

    def test_a_component_below_2_is_left_to_the_new_package(self):
        self.install_old("1.5.0.0")
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), 0)
        self.assertEqual(self.au("DisplayVersion", UNINSTALL + AU_CODE), "2.9.00.55")
        self.assertTrue(self.prefix.reg_query(UNINSTALL + AU_OLD_CODE, view=32), "the launcher removed a 1.x component")

    def test_switches_reach_the_package(self):
        self.assertEqual(self.prefix.run_launcher("/s", "AUTO_UPDATE=Disable", "OEMUPDATE=1"), 0)
        self.assertEqual(self.au_result(), 0)
        self.assertEqual((self.au("InstalledOEMUPDATE"), self.au("InstalledDISABLE")), ("1", "1"))

    def test_a_failed_component_install_keeps_the_runtime_result(self):
        # A file where the package's folder should be: the component cannot be written.
        blocker = os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Velmar", "Orun", "AU")
        os.makedirs(os.path.dirname(blocker), exist_ok=True)
        open(blocker, "w").close()
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), -1)
        self.assertIsNone(self.au("AUVersion"))

    def test_a_package_file_that_cannot_be_written(self):
        # A folder where the package file should be.
        os.makedirs(os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Velmar", "Orun", "AU", "au.msi"))
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        self.assertEqual(self.au_result(), -5)
        self.assertIsNone(self.au("AUVersion"))

    def test_a_failed_runtime_install_installs_no_component(self):
        self.assertEqual(self.prefix.run_launcher("/s", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertFalse([m for m in self.messages() if m.startswith("Auto-update install result: ")])
        self.assertIsNone(self.au("AUVersion"))


if __name__ == "__main__":
    unittest.main()
