"""The progress page of an interactive install, on the test display."""
import os
import subprocess
import time
import unittest

from harness import BIN_DIR, IDCANCEL, IDOK, PrefixTestCase

RUNTIME_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0"


class ProgressPage(PrefixTestCase):
    def setUp(self):
        super().setUp()
        if not self.prefix.display:
            self.skipTest("no X display")

    def test_the_bar_follows_the_install_and_only_moves_forward(self):
        # The runtime's registration waits 4 s before and after it reports its
        # start, so that the page can be watched at two points.
        started = self.prefix.start_launcher("CMDLINE=ORUN_TEST_SLOW=4000")
        # The watcher appends to a file of its own; it is read through another
        # handle, so that reading never moves the writer's offset.
        log = os.path.join(self.prefix.path, "watchbar.txt")

        def read_lines():
            with open(log, "rb") as f:
                return f.read().decode(errors="replace").splitlines()

        with open(log, "ab") as out:
            watcher = subprocess.Popen(["wine", os.path.join(BIN_DIR, "testhelper.exe"), "watchbar",
                                        "Orun Setup - Progress", "120000"],
                                       env=self.prefix.env, stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.prefix.click("Orun Setup - Welcome", IDOK)
        shots, deadline = [], time.time() + 150
        while watcher.poll() is None and time.time() < deadline:
            positions = [int(line.split()[1]) for line in read_lines() if line.startswith("pos ")]
            if positions and 0 < positions[-1] < 900 and "early" not in shots:
                shots.append("early")
                self.prefix.screenshot("progress_page_early")
            if positions and positions[-1] >= 963 and "late" not in shots:
                shots.append("late")
                self.prefix.screenshot("progress_page_late")
            time.sleep(0.2)
        watcher.wait(timeout=60)
        lines = read_lines()
        self.prefix.click("Orun Setup - Complete", IDCANCEL)
        self.assertEqual(self.prefix.finish(started), 0)
        self.assertIn("shown", lines)
        self.assertEqual(lines[-1], "hidden", lines)
        positions = [int(line.split()[1]) for line in lines if line.startswith("pos ")]
        self.assertEqual(positions, sorted(positions), "the bar went backwards")
        self.assertGreaterEqual(max(positions), 963, positions)
        self.assertEqual(shots, ["early", "late"], positions)
        self.assertTrue(self.prefix.reg_query(RUNTIME_KEY))
        messages = self.messages()
        self.assertIn("Operation record {7, 1}", messages)


if __name__ == "__main__":
    unittest.main()
