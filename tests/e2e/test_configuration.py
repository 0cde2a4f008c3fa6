"""Command line, install configuration file and runtime settings file together."""
import os
import unittest

from harness import IDOK, PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"
RUNTIME_SETTINGS = r"C:\ProgramData\Velmar\Orun\orun.settings.cfg"


class Configuration(PrefixTestCase):
    def write(self, windows_path, data):
        path = self.prefix.host_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def read(self, windows_path):
        path = self.prefix.host_path(windows_path)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def command_line(self):
        lines = [m for m in self.messages() if m.startswith("MSI command line: ")]
        self.assertEqual(len(lines), 1, self.messages())
        return lines[0][len("MSI command line: "):]

    def test_precedence_and_what_the_next_install_inherits(self):
        self.write(RUNTIME_SETTINGS, b"EULA=Enable\r\nSPONSORS=Disable\r\nWEB_ANALYTICS=Disable\r\n")
        self.write(r"C:\deploy\orun.cfg", b"# company defaults\nSPONSORS=Enable\nWEB_ANALYTICS=Enable\nAUTO_UPDATE=Disable\n")
        self.assertEqual(self.prefix.run_launcher("INSTALLCFG=C:\\deploy\\orun.cfg", "WEB_ANALYTICS=Disable", "/s"), 0)
        # Command line over the file, the file over the runtime settings, those over the defaults.
        self.assertEqual(self.command_line(),
                         'AUTO_UPDATE="Disable" SPONSORS="Enable" WEB_ANALYTICS="Disable" EULA="Enable" '
                         'INSTALLCFG="C:\\deploy\\orun.cfg"')
        self.assertEqual(self.read(RUNTIME_SETTINGS),
                         b"AUTO_UPDATE=Disable\r\nEULA=Enable\r\nSPONSORS=Enable\r\nWEB_ANALYTICS=Disable\r\n")

    def test_a_failed_install_leaves_the_runtime_settings_as_they_were(self):
        original = b"# kept by hand\r\nEULA=Enable\r\n\r\nSPONSORS = Disable\r\n"
        self.write(RUNTIME_SETTINGS, original)
        self.assertEqual(self.prefix.run_launcher("/s", "EULA=Disable", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertEqual(self.read(RUNTIME_SETTINGS), original)
        self.assertIn("ORUN_TEST_FAIL=1", self.command_line())

        os.remove(self.prefix.host_path(RUNTIME_SETTINGS))
        os.remove(self.prefix.log_path())
        self.assertEqual(self.prefix.run_launcher("/s", "SPONSORS=Disable", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertIsNone(self.read(RUNTIME_SETTINGS), "absent before the run, absent after it")

    def test_key_case_is_ignored_and_value_case_kept(self):
        self.assertEqual(self.prefix.run_launcher("install_silent=Enable", "Web_Analytics:0", "CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertIn('INSTALL_SILENT="Enable"', self.command_line())
        self.assertIn('WEB_ANALYTICS="0"', self.command_line())

    def test_rejected_arguments_end_with_minus_80(self):
        cases = [
            ("INSTALL_SILENT=enable", '"INSTALL_SILENT=enable";'),   # values keep their case
            ("/S", '"/S";'),                                          # a switch is stored as typed
            ("USAGETRACKER_CFG=C:\\cfg.txt", '"USAGETRACKER_CFG";'),  # never in this launcher
            ("WEB_ORUN_SECURITY_LEVEL=5", '"WEB_ORUN_SECURITY_LEVEL=5";'),
            ("/l", '"/l";'),                                          # no file after it
        ]
        for argument, listed in cases:
            with self.subTest(argument=argument):
                if os.path.exists(self.prefix.log_path()):
                    os.remove(self.prefix.log_path())
                # Silent through -download: "/s" itself would satisfy the check of a mistyped "/S".
                self.assertEqual(self.prefix.run_launcher("-download", argument), -80)
                messages = self.messages()
                self.assertTrue(any("There are errors in the following switches:" in m and listed in m for m in messages),
                                messages)
                self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_passthrough_and_log_switches(self):
        os.makedirs(self.prefix.host_path(r"C:\logs"), exist_ok=True)
        self.assertEqual(self.prefix.run_launcher("/s", "ADDLOCAL=Runtime", "/l*v", r"C:\logs\msi.log",
                                                  "WEB_ORUN_SECURITY_LEVEL=M"), 0)
        line = self.command_line()
        self.assertEqual(line, 'ADDLOCAL=Runtime WEB_ORUN_SECURITY_LEVEL="M"')
        self.assertNotIn("/l", line)
        self.assertGreater(os.path.getsize(self.prefix.host_path(r"C:\logs\msi.log")), 0)
        self.assertIn("WEB_ORUN_SECURITY_LEVEL set to MED/2", self.messages())

    def test_a_malformed_install_configuration_file(self):
        self.write(r"C:\deploy\bad.cfg", b"EULA=Enable\nthis line has no separator\nSPONSORS=Enable\n")
        # Silent: the text is in the log and no box appears.
        self.assertEqual(self.prefix.run_launcher("/s", "INSTALLCFG=C:\\deploy\\bad.cfg"), -80)
        expected = "Configuration file C:\\deploy\\bad.cfg is malformed in line 2."
        self.assertTrue(any(expected in m for m in self.messages()), self.messages())

        if not self.prefix.display:
            return
        started = self.prefix.start_launcher("INSTALLCFG=C:\\deploy\\bad.cfg")
        texts = self.prefix.click("Orun Installation Not Completed", IDOK)
        self.prefix.screenshot("config_file_malformed")
        self.assertEqual(self.prefix.finish(started), -80)
        self.assertIn(expected, "\n".join(texts.values()).replace("\r\n", "\n").replace("\n", " "))

    def test_a_file_with_a_nul_byte_is_not_plain_text(self):
        # Read up to the NUL, the file would lose its second half without a word.
        self.write(r"C:\deploy\with_nul.cfg", b"EULA=Enable\r\n\x00INSTALLDIR=C:\\Elsewhere\r\n")
        self.assertEqual(self.prefix.run_launcher("/s", "INSTALLCFG=C:\\deploy\\with_nul.cfg"), -80)
        expected = "Configuration file C:\\deploy\\with_nul.cfg is not in plain text."
        self.assertTrue(any(expected in m for m in self.messages()), self.messages())

    def test_a_notepad_file_with_a_byte_order_mark_is_read(self):
        self.write(r"C:\deploy\notepad.cfg", b"\xef\xbb\xbfEULA=Enable\r\n")
        self.assertEqual(self.prefix.run_launcher("/s", "INSTALLCFG=C:\\deploy\\notepad.cfg", "CMDLINE=ORUN_TEST_FAIL=1"),
                         1603)
        self.assertIn('EULA="Enable"', self.command_line())


class CodePage(PrefixTestCase):
    """Texts beyond ASCII: the prefix's ANSI code page is 1252. The harness
    hands them over as \\uXXXX, which the helper turns back into characters."""

    write, read, command_line = Configuration.write, Configuration.read, Configuration.command_line

    def assert_installed_in(self, folder):
        # The files themselves: reg.exe prints in a console code page of its own.
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))
        self.assertTrue(os.path.isfile(self.prefix.host_path(folder + "\\release")), folder)
        self.assertTrue(os.path.isfile(self.prefix.host_path(folder + "\\bin\\README.txt")), folder)

    def assert_no_exception(self):
        # Off line (no proxy here) the options document cannot be fetched: that one is expected.
        self.assertFalse([m for m in self.messages()
                          if m.startswith("Exception") and "at HttpConnection::connect()" not in m], self.messages())

    def test_a_folder_and_a_log_path_with_an_umlaut(self):
        os.makedirs(self.prefix.host_path("C:\\Protokolle"), exist_ok=True)
        self.assertEqual(self.prefix.run_launcher("/s", "INSTALLDIR=C:\\Pr\u00fcfung", "/l",
                                                  "C:\\Protokolle\\m\u00e4rz.log"), 0)
        self.assert_no_exception()
        self.assertIn('INSTALLDIR="C:\\Pr\u00fcfung"', self.command_line())
        self.assert_installed_in("C:\\Pr\u00fcfung")
        self.assertGreater(os.path.getsize(self.prefix.host_path("C:\\Protokolle\\m\u00e4rz.log")), 0)

    def test_a_configuration_file_with_an_accent_in_its_name_and_its_values(self):
        self.write("C:\\deploy\\caf\u00e9.cfg", "EULA=Enable\nINSTALLDIR=C:\\Caf\u00e9 Orun\n".encode("utf-8"))
        self.assertEqual(self.prefix.run_launcher("/s", "INSTALLCFG=C:\\deploy\\caf\u00e9.cfg"), 0)
        self.assert_no_exception()
        line = self.command_line()
        self.assertIn('INSTALLDIR="C:\\Caf\u00e9 Orun"', line)
        self.assertIn('INSTALLCFG="C:\\deploy\\caf\u00e9.cfg"', line)
        self.assert_installed_in("C:\\Caf\u00e9 Orun")
        # The runtime settings file keeps the persistent keys only, in UTF-8.
        self.assertEqual(self.read(RUNTIME_SETTINGS), b"EULA=Enable\r\n")

    def test_texts_the_code_page_cannot_hold_are_refused_before_anything_is_installed(self):
        self.write("C:\\deploy\\tokyo.cfg", "INSTALLDIR=C:\\\u6771\u4eac\n".encode("utf-8"))
        cases = [
            (["INSTALLDIR=C:\\\u65e5\u672c"], '"INSTALLDIR=C:\\??";'),           # Japanese
            (["INSTALLCFG=C:\\\u043a\u043e\u043d.cfg"], '"INSTALLCFG=C:\\???.cfg";'),  # Cyrillic
            (["/l", "C:\\\u0436\u0443\u0440.log"], '"C:\\???.log";'),
            (["INSTALLCFG=C:\\deploy\\tokyo.cfg"], '"INSTALLDIR";'),           # a value in the file
        ]
        for args, listed in cases:
            with self.subTest(args=args):
                if os.path.exists(self.prefix.log_path()):
                    os.remove(self.prefix.log_path())
                self.assertEqual(self.prefix.run_launcher("/s", *args), -80)
                messages = self.messages()
                # The log is in the code page: what it cannot hold shows as "?".
                self.assertTrue(any("There are errors in the following switches:" in m and listed in m for m in messages),
                                messages)
                self.assertIn("Error occurred while loading configuration settings. Exiting installer.", messages)
                self.assert_no_exception()
                self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))
        self.assertIn("The value of INSTALLDIR is not in the ANSI code page.", self.messages())

        if not self.prefix.display:
            return
        # The box names the argument as typed.
        started = self.prefix.start_launcher("INSTALLDIR=C:\\\u65e5\u672c")
        texts = self.prefix.click("Orun Installation Not Completed", IDOK)
        self.prefix.screenshot("switches_error_code_page")
        self.assertEqual(self.prefix.finish(started), -80)
        self.assertIn('"INSTALLDIR=C:\\\u65e5\u672c";', "\n".join(texts.values()))


if __name__ == "__main__":
    unittest.main()
