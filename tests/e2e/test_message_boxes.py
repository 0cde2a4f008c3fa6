"""Message boxes of the launcher: real windows on the test display."""
import unittest

from harness import IDOK, PrefixTestCase


class MessageBoxes(PrefixTestCase):
    def setUp(self):
        super().setUp()
        if not self.prefix.display:
            self.skipTest("no X display")

    def show_config_error(self, *args):
        return self.prefix.start_launcher("TEST_CONFIG_FILE_ERRORS=313", *args)

    def test_a_configuration_error_box_in_english(self):
        started = self.show_config_error()
        texts = self.prefix.click("Orun Installation Not Completed", IDOK)
        self.prefix.screenshot("config_error_313_en")
        self.assertEqual(self.prefix.finish(started), 0)
        body = "\n".join(texts.values())
        self.assertIn("Unable to install Orun", body)
        self.assertIn("Configuration file <path_to_config_file> is malformed in line <line number>.", body)
        messages = self.messages()
        self.assertIn("TEST_CONFIG_FILE_ERRORS enabled.", messages)
        self.assertIn("Show error 313", messages)

    def test_the_box_speaks_the_chosen_language(self):
        started = self.show_config_error("/lang:1031")
        texts = self.prefix.click("Orun-Installation nicht abgeschlossen", IDOK)
        self.prefix.screenshot("config_error_313_de")
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertIn("Orun", "\n".join(texts.values()))


if __name__ == "__main__":
    unittest.main()
