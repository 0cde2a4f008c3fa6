"""What the command line makes of a run."""
import os
import unittest

from harness import IDCANCEL, IDOK, PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"


class CommandLine(PrefixTestCase):
    def command_line(self):
        lines = [m for m in self.messages() if m.startswith("MSI command line: ")]
        self.assertEqual(len(lines), 1, self.messages())
        return lines[0][len("MSI command line: "):]

    def test_installer_log_and_package_command_line(self):
        self.assertEqual(self.prefix.run_launcher("INSTALL_SILENT=1", "/l", r"C:\logs here\msi.log",
                                                  "MSI_CMDLINE=ADDLOCAL=Runtime", "CMDLINE=ORUN_MARK=1"), 0)
        self.assertEqual(self.command_line(), 'ADDLOCAL=Runtime ORUN_MARK=1 INSTALL_SILENT="1"')
        # The installer's own verbose log, where /l asked for it; its folder must exist.
        self.assertFalse(os.path.exists(self.prefix.host_path(r"C:\logs here\msi.log")))
        os.makedirs(self.prefix.host_path(r"C:\logs"), exist_ok=True)
        self.assertEqual(self.prefix.run_launcher("/s", "/l", r"C:\logs\msi.log"), 0)
        self.assertGreater(os.path.getsize(self.prefix.host_path(r"C:\logs\msi.log")), 0)

    def accept_welcome(self, *args, installs=True):
        """Install on the welcome page and, after an install, Close on the completion page."""
        if not self.prefix.display:
            self.skipTest("no X display")
        started = self.prefix.start_launcher(*args)
        self.prefix.click("Orun Setup - Welcome", IDOK)
        if installs:
            self.prefix.click("Orun Setup - Complete", IDCANCEL, timeout_ms=240000)
        return self.prefix.finish(started)

    def test_an_interactive_run_sets_the_page_properties(self):
        self.assertEqual(self.accept_welcome(), 0)
        self.assertEqual(self.command_line(), "ENDDIALOG=0 PROG=0 SKIPLICENSE=1")
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_test_switch_shows_its_page_and_installs_nothing(self):
        # Silent or not, the switch shows the real page.
        self.assertEqual(self.accept_welcome("/s", "TEST_WELCOME_DIALOG=1", installs=False), 0)
        messages = self.messages()
        self.assertNotIn("Wrapper: Extract MSI ...", messages)
        self.assertFalse(any(m.startswith("Wrapper exit code") for m in messages))

    def test_an_unknown_argument_stops_before_anything_happens(self):
        self.assertEqual(self.prefix.run_launcher("/s", "BOGUS=1"), -80)
        messages = self.messages()
        self.assertIn("arg BOGUS=1 is not supported", messages)
        self.assertIn("Error occurred while loading configuration settings. Exiting installer.", messages)
        self.assertTrue(any("There are errors in the following switches:\r\n\"BOGUS=1\";." in m for m in messages), messages)
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_the_installers_quiet_switches_make_the_run_silent(self):
        # Never in the package's property text, which the installer refuses (1639).
        for switch in ("/quiet", "/Q"):
            with self.subTest(switch=switch):
                if os.path.exists(self.prefix.log_path()):
                    os.remove(self.prefix.log_path())
                # Not silent, the failure would wait on the error page.
                self.assertEqual(self.prefix.run_launcher(switch, "CMDLINE=ORUN_TEST_FAIL=1", timeout=300), 1603)
                self.assertEqual(self.command_line(), "ORUN_TEST_FAIL=1")
        os.remove(self.prefix.log_path())
        self.assertEqual(self.prefix.run_launcher("/qn", "/norestart", timeout=300), 0)
        self.assertEqual(self.command_line(), "REBOOT=ReallySuppress")
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_user_interface_level_for_the_package(self):
        self.assertEqual(self.accept_welcome("/qb!"), 0)
        self.assertIn("Package user interface level: 35", self.messages())  # basic, without Cancel
        self.assertEqual(self.command_line(), "ENDDIALOG=0 PROG=0 SKIPLICENSE=1")
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))

    def test_help_lists_the_switches(self):
        # Silent: the list goes to the log and nothing else happens.
        self.assertEqual(self.prefix.run_launcher("/s", "/?"), 0)
        messages = self.messages()
        self.assertTrue(any(m.startswith("Orun Setup: switches and settings\r\n") and "/norestart" in m for m in messages),
                        messages)
        self.assertNotIn("Wrapper: Extract MSI ...", messages)
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

        if not self.prefix.display:
            return
        started = self.prefix.start_launcher("/help", "/lang:1031")
        texts = self.prefix.click("Orun-Setup", IDOK)
        self.prefix.screenshot("switches_help_de")
        self.assertEqual(self.prefix.finish(started), 0)
        body = "\n".join(texts.values())
        self.assertIn("Schalter und Einstellungen", body)
        self.assertIn("/norestart", body)
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_a_restart_request_is_a_success(self):
        # Installed, Windows must restart: the code is the exit code, nothing is rolled back.
        self.assertEqual(self.prefix.run_launcher("/s", "CMDLINE=ORUN_TEST_REBOOT=1"), 3010)
        messages = self.messages()
        self.assertEqual(messages[-1], "Wrapper exit code: 3010")
        self.assertNotIn("...Restoring config settings", messages)
        self.assertTrue(any(m.startswith("The runtime is installed; Windows must restart") for m in messages))
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))


if __name__ == "__main__":
    unittest.main()
