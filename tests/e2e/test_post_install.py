"""After an interactive install the launcher asks the installed runtime's
deployment library which closing pages to show, and hands the user's choice
back to it. The library (bin\\deploy.dll of the package) keeps its state under
HKCU and writes every call it receives to the file its "CallLog" value names."""
import os
import re
import shutil
import unittest

from harness import BIN_DIR, IDCANCEL, IDOK, PrefixTestCase, resource_ids

WELCOME = "Orun Setup - Welcome"
PLUGIN = "Orun Setup - Browser Plug-in Disabled"
RESTORE = "Orun Setup - Restore Security Prompts"
COMPLETE = "Orun Setup - Complete"

DEPLOY_KEY = r"HKCU\Software\OrunSoft\Orun Deployment"
INSTALLED_LIBRARY = r"C:\Program Files\Orun\ovx1.9.0\bin\deploy.dll"

ids = resource_ids()


class PostInstall(PrefixTestCase):
    def setUp(self):
        super().setUp()
        # The plug-in is disabled and one security decision is remembered.
        self.prefix.reg_add(DEPLOY_KEY, "WebOrunEnabled", 0, kind="REG_DWORD")
        self.prefix.reg_add(DEPLOY_KEY + r"\Decisions", "host.example", 1, kind="REG_DWORD")
        self.prefix.reg_add(DEPLOY_KEY + r"\Test", "CallLog", r"C:\deploy_calls.log")
        self.call_log = self.prefix.host_path(r"C:\deploy_calls.log")
        # The launcher runs from a downloads folder where someone planted a
        # deploy.dll of their own beside it.
        downloads = os.path.join(self.prefix.user_dir(), "Downloads")
        os.makedirs(downloads, exist_ok=True)
        self.launcher = os.path.join(downloads, "ovxoffline.exe")
        shutil.copy(os.path.join(BIN_DIR, "ovxoffline.exe"), self.launcher)
        shutil.copy(os.path.join(BIN_DIR, "deploy.dll"), os.path.join(downloads, "deploy.dll"))

    def calls(self):
        if not os.path.exists(self.call_log):
            return []
        calls = []
        with open(self.call_log, encoding="cp1252") as f:
            for line in filter(str.strip, f):
                # The library's own path comes last and may hold blanks.
                fields, module = line.rstrip().split(" module=", 1)
                calls.append(dict(re.findall(r"(\w+)=(\S+)", fields), module=module))
        return calls

    def test_the_pages_the_runtime_asks_for_and_a_ticked_box_clears_its_decisions(self):
        if not self.prefix.display:
            self.skipTest("no X display")
        started = self.prefix.start_launcher(exe=self.launcher)
        self.prefix.click(WELCOME, IDOK)
        plugin = self.prefix.click(PLUGIN, IDOK, timeout_ms=240000)
        self.prefix.screenshot("post_install_plugin")
        self.assertNotIn(ids.IDC_BACK, plugin.controls)
        restore = self.prefix.click(RESTORE, ids.IDC_BACK)
        self.assertTrue(restore.controls[ids.IDC_BACK].visible)
        self.assertTrue(restore.controls[ids.IDC_RESTORE_BOX].checked)
        self.prefix.click(PLUGIN, IDOK)
        self.prefix.click(RESTORE, IDOK)
        complete = self.prefix.click(COMPLETE, ids.IDC_BACK)
        self.assertTrue(complete.controls[ids.IDC_BACK].visible)
        self.assertFalse(complete.controls[ids.IDC_COMPLETE_VERIFY_TEXT].visible)
        self.prefix.click(RESTORE, IDOK)
        self.prefix.click(COMPLETE, IDCANCEL)
        self.assertEqual(self.prefix.finish(started), 0)

        calls = self.calls()
        self.assertEqual([(c["kinds"], c["argument"], c["layout"], c["answer"]) for c in calls],
                         [("1,0,0,0", "0", "ok", "0"), ("0,1,0,0", "30", "ok", "1"), ("0,0,1,0", "30", "ok", "1")])
        self.assertEqual({c["module"].lower() for c in calls}, {INSTALLED_LIBRARY.lower()})
        self.assertFalse(self.prefix.reg_query(DEPLOY_KEY + r"\Decisions"), "the decisions were not cleared")
        messages = self.messages()
        panes = [m.rsplit(" ", 1)[1] for m in messages if m.startswith("ShowDialogs: pane index is ")]
        self.assertEqual(panes, ["0", "1", "0", "1", "2", "1", "2"])
        self.assertIn("doClearUserPreviousDecisions() succeed", messages)

    def test_a_silent_install_never_asks_the_runtime(self):
        code, windows = self.prefix.run_launcher_watched("/s", exe=self.launcher)
        self.assertEqual(code, 0)
        self.assertEqual(windows, [])
        self.assertTrue(os.path.exists(self.prefix.host_path(INSTALLED_LIBRARY)))
        self.assertEqual(self.calls(), [])
        self.assertFalse(any("DeployLib" in m or "ShowDialogs" in m for m in self.messages()))


if __name__ == "__main__":
    unittest.main()
