"""The welcome and destination-folder pages, driven through their controls."""
import hashlib
import os
import time
import unittest

from harness import BIN_DIR, IDCANCEL, IDNO, IDOK, IDYES, PrefixTestCase, resource_ids

WELCOME = "Orun Setup - Welcome"
DESTINATION = "Orun Setup - Destination Folder"
CONFIRM = "Orun Setup"
BROWSER = "Browse for Folder"
ids = resource_ids()
BOX, BACK, CHANGE, FOLDER = ids.IDC_CHANGE_FOLDER_BOX, ids.IDC_BACK, ids.IDC_FOLDER_CHANGE, ids.IDC_FOLDER_PATH
ORUN_KEY = r"SOFTWARE\OrunSoft"
RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"
WELCOME_TEXT = ("Thank you for choosing Orun. Setup will install the Orun runtime on your computer, so that Orun "
                "applications can run on it. To continue, please accept the license agreement.")
QUESTION = "Are you sure you want to cancel Orun 1.9.0 installation?"


class WelcomePages(PrefixTestCase):
    def setUp(self):
        super().setUp()
        if not self.prefix.display:
            self.skipTest("no X display")

    def helper(self, *args, timeout=120):
        return self.prefix.helper(*args, timeout=timeout).stdout

    def install_status(self):
        return self.helper("regvalue", ORUN_KEY, "InstallStatus").strip()

    def answer_cancel(self, button):
        box = self.prefix.click(CONFIRM, button)
        self.assertIn(QUESTION, box.values())

    def test_cancelling_the_welcome_page_asks_first_and_records_the_decline(self):
        started = self.prefix.start_launcher()
        page = self.prefix.click(WELCOME, IDCANCEL)
        self.prefix.screenshot("welcome_en")
        self.assertEqual(page[ids.IDC_WELCOME_TITLE], "Welcome to Orun")
        self.assertEqual(page[ids.IDC_WELCOME_TEXT], WELCOME_TEXT)
        self.assertEqual(page[ids.IDC_WELCOME_DATA_LINK],
                         '<A HREF="https://orun.kyn.example/en/legal/install-data.html">Click here</A>'
                         ' for more information on what we do collect.')
        self.assertIn('<A HREF="https://orun.kyn.example/en/legal/license.html">license agreement</A>',
                      page[ids.IDC_WELCOME_LICENSE_LINK])
        self.assertFalse(page.controls[BOX].checked)
        # No keeps the page, whichever way the cancel came, and writes nothing.
        self.answer_cancel(IDNO)
        self.prefix.page(WELCOME, "esc")
        self.answer_cancel(IDNO)
        self.assertTrue(self.prefix.page(WELCOME).controls[IDOK].enabled)
        self.assertEqual(self.install_status(), "no key")
        self.prefix.page(WELCOME, "close")
        self.answer_cancel(IDYES)
        self.assertEqual(self.prefix.finish(started), 0)
        messages = self.messages()
        self.assertIn("The user cancelled from Welcome dialog. Exit code: 0", messages)
        # The package was written while the page showed; the way out left it whole.
        package = os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Kyn", "Orun", "ovx1.9.0_x64",
                               "ovx1.9.0.msi")
        with open(package, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        written = [m for m in messages if m.endswith(f"written and verified (SHA-256 {digest})")]
        self.assertEqual(len(written), 1, messages)
        self.assertLess(messages.index(written[0]),
                        messages.index("The user cancelled from Welcome dialog. Exit code: 0"))
        self.assertEqual(self.prefix.reg_query("HKLM\\" + ORUN_KEY, "InstallStatus"), "decline")
        self.assertEqual(self.install_status(), "type 1 size 7", "stored without a NUL")
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_back_keeps_the_box_and_the_destination_cancel_records_nothing(self):
        started = self.prefix.start_launcher(r"INSTALLDIR=C:\Some Dir")
        self.prefix.click(WELCOME, BOX)
        self.prefix.click(WELCOME, IDOK)
        page = self.prefix.click(DESTINATION, BACK)
        self.prefix.screenshot("destination_en")
        self.assertEqual(page[FOLDER], r"C:\Some Dir")
        self.assertEqual(page[ids.IDC_FOLDER_HEADING], "Destination Folder")
        self.assertTrue(page.controls[BACK].visible)
        self.assertTrue(self.prefix.click(WELCOME, IDOK).controls[BOX].checked)
        self.prefix.page(DESTINATION, "esc")
        self.answer_cancel(IDNO)
        self.assertEqual(self.prefix.page(DESTINATION)[FOLDER], r"C:\Some Dir")
        self.prefix.page(DESTINATION, "close")
        self.answer_cancel(IDYES)
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertIn("The user cancelled from Change Folder dialog. Exit code: 0", self.messages())
        self.assertEqual(self.install_status(), "no key")
        self.assertFalse(self.prefix.reg_query(RUNTIME_KEY))

    def test_the_change_switch_shows_the_destination_page_alone_without_back(self):
        started = self.prefix.start_launcher("TEST_CHANGE_DIALOG=1")
        page = self.prefix.click(DESTINATION, IDOK)
        self.assertFalse(page.controls[BACK].visible)
        self.assertEqual(page[FOLDER], "C:\\Program Files\\Orun\\ovx1.9.0\\")
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertNotIn("Wrapper: Extract MSI ...", self.messages())

    def test_a_deployment_kit_run_starts_on_the_destination_page_and_ends_without_closing_pages(self):
        started = self.prefix.start_launcher("LAUNCHEDFROMODK=1", r"INSTALLDIR=C:\Kit Place")
        page = self.prefix.click(DESTINATION, IDOK)
        self.assertFalse(page.controls[BACK].visible)
        self.assertEqual(page[FOLDER], r"C:\Kit Place")
        self.assertEqual(self.prefix.finish(started), 0)
        messages = self.messages()
        self.assertNotIn("The installer will display the Setup Complete dialog", messages)
        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY, "OrunHome").rstrip("\\"), r"C:\Kit Place")

    def test_the_folder_chosen_in_the_browser_is_where_the_runtime_goes(self):
        os.makedirs(self.prefix.host_path(r"C:\Chosen Place"))
        started = self.prefix.start_launcher()
        self.prefix.click(WELCOME, BOX)
        self.prefix.click(WELCOME, IDOK)
        page = self.prefix.click(DESTINATION, CHANGE)
        self.assertEqual(page[FOLDER], "C:\\Program Files\\Orun\\ovx1.9.0\\")
        out = self.helper("browse", BROWSER, "60000", r"C:\Chosen Place")
        self.assertIn("selected", out)
        self.assertIn("Change Destination Folder", out)
        page = self.prefix.page(DESTINATION)
        self.assertEqual(page[FOLDER], r"C:\Chosen Place")
        self.prefix.click(DESTINATION, IDOK)
        self.assertTrue(self.prefix.gone(DESTINATION))
        self.prefix.click("Orun Setup - Complete", IDCANCEL, timeout_ms=240000)
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertIn("Selected Folder: C:\\Chosen Place\r\n", self.messages())
        self.assertEqual(self.prefix.reg_query(RUNTIME_KEY, "OrunHome").rstrip("\\"), r"C:\Chosen Place")
        self.assertTrue(os.path.exists(self.prefix.host_path(r"C:\Chosen Place\release")))

    def test_a_link_opens_its_address_in_the_default_browser(self):
        handler = self.prefix.windows_path(os.path.join(BIN_DIR, "link_handler.exe"))
        # Wine's file associations come from HKLM's classes (HKCR) only.
        classes = r"HKLM\Software\Classes"
        for args in ([classes + r"\OrunTestPage\shell\open\command", "/ve", "/d", f'"{handler}" "%1"'],
                     [classes + r"\.html", "/ve", "/d", "OrunTestPage"], [classes + r"\.htm", "/ve", "/d", "OrunTestPage"]):
            self.assertEqual(self.prefix.wine("reg", "add", *args, "/f").returncode, 0)
        started = self.prefix.start_launcher()
        self.prefix.page(WELCOME)
        self.assertIn("clicked", self.helper("link", WELCOME, "30000", str(ids.IDC_WELCOME_DATA_LINK)))
        record = self.prefix.host_path(r"C:\link_handler.txt")
        for _ in range(300):
            if os.path.exists(record) and os.path.getsize(record):
                break
            time.sleep(0.1)
        self.prefix.page(WELCOME, "esc")
        self.answer_cancel(IDYES)
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertTrue(os.path.exists(record), self.messages())
        with open(record, encoding="utf-8") as f:
            self.assertIn("https://orun.kyn.example/en/legal/install-data.html", f.read())

    def test_both_pages_in_german_and_japanese(self):
        for lang, shot, welcome, destination, title, confirm in (
                ("1031", "de", "Orun-Setup - Willkommen", "Orun-Setup - Zielordner", "Willkommen bei Orun", "Orun-Setup"),
                ("1041", "ja", "Orun セットアップ - ようこそ", "Orun セットアップ - インストール先フォルダ", "Orun へようこそ",
                 "Orun セットアップ")):
            started = self.prefix.start_launcher(f"/lang:{lang}")
            self.prefix.click(welcome, BOX)
            page = self.prefix.click(welcome, IDOK)
            self.prefix.screenshot(f"welcome_{shot}")
            self.assertEqual(page[ids.IDC_WELCOME_TITLE], title)
            self.prefix.page(destination)
            self.prefix.screenshot(f"destination_{shot}")
            self.prefix.page(destination, "close")
            self.prefix.click(confirm, IDYES)
            self.assertEqual(self.prefix.finish(started), 0)


if __name__ == "__main__":
    unittest.main()
