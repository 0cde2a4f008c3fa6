"""The closing pages the launcher shows: the completion page and the error page."""
import unittest

from harness import IDCANCEL, IDOK, PrefixTestCase, resource_ids

COMPLETE = "Orun Setup - Complete"
INCOMPLETE = "Orun Setup - Incomplete"
WELCOME = "Orun Setup - Welcome"

ids = resource_ids()

# The completion page's header, texts and the rows that come and go.
HEADER = (ids.IDC_COMPLETE_ICON, ids.IDC_COMPLETE_TITLE)
SPONSOR_HEADER = (ids.IDC_COMPLETE_SPONSOR_TITLE, ids.IDC_COMPLETE_SPONSOR_UNUSED, ids.IDC_COMPLETE_SPONSOR_ICON,
                  ids.IDC_COMPLETE_SPONSOR_ICON_UNUSED)
RESTART_ROW = (ids.IDC_COMPLETE_SAVE_WORK, ids.IDC_COMPLETE_RESTART_BOX)


class ClosingPages(PrefixTestCase):
    def setUp(self):
        super().setUp()
        if not self.prefix.display:
            self.skipTest("no X display")

    def pass_welcome(self, title=WELCOME):
        self.prefix.click(title, IDOK)

    def visible(self, page, controls):
        return {i: page.controls[i].visible for i in controls}

    def assert_completion_page(self, page, back):
        self.assertEqual(self.visible(page, HEADER), {i: True for i in HEADER})
        self.assertEqual(self.visible(page, SPONSOR_HEADER), {i: False for i in SPONSOR_HEADER})
        # A 64-bit launcher never takes up the package's restart markers and
        # never mentions the verification page.
        hidden = RESTART_ROW + (ids.IDC_COMPLETE_VERIFY_TEXT,)
        self.assertEqual(self.visible(page, hidden), {i: False for i in hidden})
        self.assertEqual(page.controls[ids.IDC_BACK].visible, back)
        self.assertTrue(page.controls[IDCANCEL].visible)

    def test_the_test_switch_shows_the_completion_page_in_three_languages(self):
        started = self.prefix.start_launcher("TEST_FINAL_DIALOG=1")
        page = self.prefix.page(COMPLETE)
        self.prefix.screenshot("closing_complete_en")
        self.assert_completion_page(page, back=True)
        self.assertEqual(page[ids.IDC_COMPLETE_TITLE], "You have successfully installed Orun")
        self.assertEqual(page[ids.IDC_COMPLETE_UPDATE_TEXT],
                         "You will be prompted when Orun updates are available. Always install updates to "
                         "get the latest performance and security improvements.")
        self.assertEqual(page[ids.IDC_COMPLETE_SECURITY_TEXT],
                         "The security level has been set to a minimum value of High.")
        self.assertTrue(page.controls[ids.IDC_COMPLETE_SECURITY_TEXT].visible
                        and page.controls[ids.IDC_COMPLETE_SECURITY_LINK].visible)
        self.assertIn(">More about update settings</A>", page[ids.IDC_COMPLETE_UPDATE_LINK])
        self.assertIn('<A HREF="https://orun.kyn.example/help/security-level.html">More information</A>',
                      page[ids.IDC_COMPLETE_SECURITY_LINK])
        self.assertEqual(page[ids.IDC_BACK], "&Back")
        self.prefix.click(COMPLETE, IDCANCEL)
        self.assertEqual(self.prefix.finish(started), 0)

        # The close box and Esc are Close as well.
        started = self.prefix.start_launcher("/lang:1031", "TEST_FINAL_DIALOG=1")
        page = self.prefix.page("Orun-Setup - Abgeschlossen")
        self.prefix.screenshot("closing_complete_de")
        self.assert_completion_page(page, back=True)
        self.assertEqual(page[ids.IDC_COMPLETE_TITLE], "Orun wurde erfolgreich installiert")
        self.assertEqual(page[IDCANCEL], "&Schließen")
        self.prefix.page("Orun-Setup - Abgeschlossen", "close")
        self.assertEqual(self.prefix.finish(started, timeout=60), 0)

        started = self.prefix.start_launcher("/lang:1041", "TEST_FINAL_DIALOG=1")
        page = self.prefix.page("Orun セットアップ - 完了")
        self.prefix.screenshot("closing_complete_ja")
        self.assertEqual(page[ids.IDC_COMPLETE_TITLE], "Orun は正常にインストールされました")
        self.prefix.page("Orun セットアップ - 完了", "esc")
        self.assertEqual(self.prefix.finish(started, timeout=60), 0)
        self.assertFalse(any(m.startswith("Wrapper: Execute MSI") for m in self.messages()))

    def test_a_successful_install_ends_on_the_completion_page_without_back(self):
        started = self.prefix.start_launcher()
        self.pass_welcome()
        page = self.prefix.page(COMPLETE, timeout_ms=240000)
        self.assert_completion_page(page, back=False)
        self.prefix.click(COMPLETE, IDCANCEL)
        self.assertEqual(self.prefix.finish(started), 0)
        messages = self.messages()
        self.assertIn("The installer will display the Setup Complete dialog", messages)
        self.assertIn("The Setup Complete dialog is closed", messages)

    def failed_install(self, *args, welcome=WELCOME):
        started = self.prefix.start_launcher(*args, "CMDLINE=ORUN_TEST_FAIL=1")
        self.pass_welcome(welcome)
        return started

    def test_a_failed_install_shows_the_error_page_with_the_code(self):
        started = self.failed_install()
        page = self.prefix.page(INCOMPLETE, timeout_ms=240000)
        self.prefix.screenshot("closing_error_en")
        self.assertEqual(page[ids.IDC_ERROR_CODE], "Error Code: 1603")
        self.assertEqual(page[ids.IDC_ERROR_TITLE], "Orun update did not complete")
        self.assertIn(">Go to the Orun Help Center</A>", page[ids.IDC_ERROR_HELP_LINK])
        shown = (ids.IDC_ERROR_ICON, ids.IDC_ERROR_TITLE, ids.IDC_ERROR_HELP_TEXT, ids.IDC_ERROR_HELP_LINK,
                 ids.IDC_ERROR_CODE, IDCANCEL)
        self.assertTrue(all(page.controls[i].visible for i in shown))
        self.prefix.click(INCOMPLETE, IDCANCEL)
        self.assertEqual(self.prefix.finish(started), 1603)
        self.assertNotIn("The installer will display the Setup Complete dialog", self.messages())

    def test_the_error_page_in_german_and_japanese_closes_by_its_box_and_esc(self):
        started = self.failed_install("/lang:1031", welcome="Orun-Setup - Willkommen")
        self.prefix.page("Orun-Setup - Fortschritt", timeout_ms=120000)
        self.prefix.screenshot("progress_page_de")
        page = self.prefix.page("Orun-Setup - Nicht abgeschlossen", timeout_ms=240000)
        self.prefix.screenshot("closing_error_de")
        self.assertEqual(page[ids.IDC_ERROR_CODE], "Fehlercode: 1603")
        self.prefix.page("Orun-Setup - Nicht abgeschlossen", "close")
        self.assertEqual(self.prefix.finish(started), 1603)

        started = self.failed_install("/lang:1041", welcome="Orun セットアップ - ようこそ")
        self.prefix.page("Orun セットアップ - 進行状況", timeout_ms=120000)
        self.prefix.screenshot("progress_page_ja")
        title = "Orun セットアップ - 未完了"
        page = self.prefix.page(title, timeout_ms=240000)
        self.prefix.screenshot("closing_error_ja")
        self.assertEqual(page[ids.IDC_ERROR_CODE], "エラー コード: 1603")
        self.prefix.page(title, "esc")
        self.assertEqual(self.prefix.finish(started), 1603)


if __name__ == "__main__":
    unittest.main()
