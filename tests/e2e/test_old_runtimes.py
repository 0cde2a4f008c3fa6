"""Older runtimes beside the one the launcher installs: real packages of
earlier versions, built from the same source, installed side by side by the
prefix's Windows Installer and removed by msiexec under the product codes the
launcher derives for them. The launcher's own detection sees them: its status
report names the newest of them as the previous runtime."""
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from harness import IDCANCEL, IDOK, PrefixTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "server"))
import ovx_test_server  # noqa: E402

PACKAGES = os.environ.get("OVX_OLD_RUNTIMES", "")
RUNTIMES = r"HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment"
UNINSTALL = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
OPTIONS_PATH = "/update/1.9.0/1.9.0-ea-b55.xml"
OPTIONS = (b'<?xml version="1.0" encoding="UTF-8"?>\n<orun-update><information version="1.0" xml:lang="en">'
           b'<post-status>https://metrics.kyn.example/ping,kynsuite</post-status></information></orun-update>\n')


LATEST_PATH = "/applet/orunLatestVersion.xml"
LATEST = (b'<ovxVersions><family id="1.7.0"><latestVersion>1.7.0_80</latestVersion>'
          b'<baselineVersion>1.7.0_80</baselineVersion></family><family id="1.8.0"><latestVersion>1.8.0_161'
          b'</latestVersion><baselineVersion>1.8.0_151</baselineVersion><ranges><range><minVersion>1.8.0_130'
          b'</minVersion><maxVersion>1.8.0_161</maxVersion></range></ranges></family></ovxVersions>')


def old_runtimes():
    """(version, full version, arch, product code) of every older package."""
    with open(os.path.join(PACKAGES, "packages.txt")) as f:
        return [tuple(int(p) if i == 2 else p for i, p in enumerate(line.split())) for line in f if line.strip()]


class OldRuntimes(PrefixTestCase):
    def setUp(self):
        if not PACKAGES:
            self.skipTest("run through ctest: OVX_OLD_RUNTIMES is not set")
        super().setUp()

    def msiexec(self, *args):
        """The full exit code (the shell would see its low 8 bits only)."""
        return self.prefix.run_windows(r"C:\windows\system32\msiexec.exe", *args, "/qn", timeout=300)

    def test_installed_side_by_side_seen_by_the_launcher_and_removed_by_their_codes(self):
        runtimes = self.install_old_runtimes()
        self.assertEqual(len(runtimes), 5)
        for version, full, arch, code in runtimes:
            key = RUNTIMES + "\\" + version
            self.assertEqual(self.prefix.reg_query(key + r"\MSI", "FullVersion", view=arch), full)
            home = self.prefix.reg_query(key, "OrunHome", view=arch)
            folder = "Program Files" if arch == 64 else "Program Files (x86)"
            self.assertEqual(home.rstrip("\\").lower(), f"c:\\{folder}\\orun\\ovx{version}".lower())
            self.assertTrue(os.path.exists(self.prefix.host_path(home.rstrip("\\") + r"\release")), home)
            self.assertTrue(self.prefix.reg_query(UNINSTALL + "\\" + code, view=arch), code)
        # One version in both bitnesses: each in its own view only.
        self.assertFalse(self.prefix.reg_query(RUNTIMES + r"\1.8.0_121", view=32))

        # The launcher installs its own runtime beside them, and reports the
        # newest other 64-bit runtime as the previous one.
        server = ovx_test_server.start(self.prefix)
        self.addCleanup(server.stop)
        server.serve(OPTIONS_PATH, body=OPTIONS)
        server.serve("/ping,kynsuite", body=b"")
        self.assertEqual(self.prefix.run_launcher("/s"), 0)
        reports = [r for r in server.requests if r.method == "POST"]
        self.assertEqual(len(reports), 1, server.requests)
        values = {e.tag: e.text or "" for e in ElementTree.fromstring(reports[0].body.decode("utf-8"))}
        self.assertEqual(values["evar34"], "1.8.0_161")
        self.assertNotIn("list1", values, "no removal ran: a silent install offers none")
        self.assertEqual(self.prefix.reg_query(RUNTIMES + r"\1.9.0\MSI", "FullVersion"), "1.9.0-ea-b55")

        # Each removed by its derived code; the others and the launcher's stay.
        for index, (version, full, arch, code) in enumerate(runtimes):
            self.assertEqual(self.msiexec("/x", code), 0, code)
            self.assertFalse(self.prefix.reg_query(RUNTIMES + "\\" + version, view=arch), version)
            self.assertFalse(self.prefix.reg_query(UNINSTALL + "\\" + code, view=arch), code)
            for other_version, _, other_arch, _ in runtimes[index + 1:]:
                self.assertTrue(self.prefix.reg_query(RUNTIMES + "\\" + other_version, view=other_arch),
                                f"{other_version} {other_arch} went with {version} {arch}")
        self.assertTrue(self.prefix.reg_query(RUNTIMES + r"\1.9.0"))
        self.assertEqual(self.msiexec("/x", runtimes[0][3]), 1605, "not installed any more")

    def install_old_runtimes(self):
        runtimes = old_runtimes()
        for version, full, arch, code in runtimes:
            package = self.prefix.windows_path(os.path.join(PACKAGES, f"ovx{version}_{arch}.msi"))
            self.assertEqual(self.msiexec("/i", package), 0, package)
        return runtimes

    def test_an_interactive_install_offers_the_removal_and_goes_on_when_its_page_cannot_load(self):
        # No HTML engine shows the removal pages here: the launcher finds the
        # out-of-date runtimes, cannot show its offer, removes nothing, says so
        # in its log and its report, and ends as a normal install.
        if not self.prefix.display:
            self.skipTest("no X display")
        runtimes = self.install_old_runtimes()
        server = ovx_test_server.start(self.prefix)
        self.addCleanup(server.stop)
        server.serve(OPTIONS_PATH, body=OPTIONS)
        server.serve("/ping,kynsuite", body=b"")
        server.serve(LATEST_PATH, body=LATEST)
        started = self.prefix.start_launcher()
        self.prefix.click("Orun Setup - Welcome", IDOK)
        self.prefix.click("Orun Setup - Complete", IDCANCEL, timeout_ms=240000)
        self.assertEqual(self.prefix.finish(started), 0)

        for version, full, arch, code in runtimes:
            self.assertTrue(self.prefix.reg_query(RUNTIMES + "\\" + version, view=arch), f"{version} {arch} was removed")
        messages = self.messages()
        self.assertIn("Out-of-date Orun versions detected: 4", messages)
        self.assertTrue(any(m.startswith("Cannot show the page res://") and "/orunscrub.html: navigation error" in m
                            for m in messages), messages)
        self.assertEqual([r.path for r in server.requests if r.path == LATEST_PATH], [LATEST_PATH])
        reports = [r for r in server.requests if r.method == "POST"]
        self.assertEqual(len(reports), 1, server.requests)
        values = {e.tag: e.text or "" for e in ElementTree.fromstring(reports[0].body.decode("utf-8"))}
        self.assertIn("unovx~-20~1.8.0_121-b13:64;", values["list1"])
        self.assertTrue(values["list1"].endswith("uninstaller~ua101~XX"), values["list1"])


if __name__ == "__main__":
    unittest.main()
