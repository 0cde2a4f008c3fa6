"""The install status report as the maker's metrics service receives it: the
options document, the country lookup and the report all come from the test
server, which is the prefix's proxy and keeps the maker's real addresses."""
import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

from harness import PrefixTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "server"))
import ovx_test_server  # noqa: E402

OPTIONS_PATH = "/update/1.9.0/1.9.0-ea-b55.xml"
REPORT_ADDRESS = "https://metrics.kyn.example/ping,kynsuite"
METRICS_KEY = r"HKLM\Software\OvxMetrics"
POLICY_KEY = r"HKLM\SOFTWARE\OrunSoft\Orun Update\Policy"

# Every element in the order the service expects them of a 64-bit launcher.
ELEMENTS = ["sc_xml_ver", "reportsuiteid", "visitorid", "prop21", "prop20", "pagename", "evar42", "evar24", "evar25",
            "evar2", "evar15", "evar40", "evar26", "evar27", "evar28", "evar4", "evar5", "evar6", "evar7", "evar8",
            "events", "evar17", "evar18", "evar19", "evar29", "evar30", "evar31", "evar34", "evar50", "products"]


def options_document(post_status=REPORT_ADDRESS):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<orun-update>\n'
            f' <information version="1.0" xml:lang="en">\n'
            f'  <post-status>{post_status}</post-status>\n'
            f'  <cntry-lookup>https://lookup.kyn.example/country</cntry-lookup>\n'
            f'  <msi-url>https://download.kyn.example/pictures</msi-url>\n'
            f' </information>\n</orun-update>\n').encode()


class StatusReport(PrefixTestCase):
    def setUp(self):
        super().setUp()
        self.server = ovx_test_server.start(self.prefix)
        self.addCleanup(self.server.stop)
        self.server.serve(OPTIONS_PATH, body=options_document())
        self.server.serve("/ping,kynsuite", body=b"")
        self.server.serve("/country", headers=[("COUNTRY", "DE")])

    def install(self, *args):
        code, windows = self.prefix.run_launcher_watched("/s", *args)
        self.assertEqual(windows, [])
        return code

    def reports(self):
        return [r for r in self.server.requests if r.method == "POST"]

    def values(self, report):
        root = ElementTree.fromstring(report.body.decode("utf-8"))
        self.assertEqual(root.tag, "request")
        return [(e.tag, e.text or "") for e in root]

    def test_a_silent_install_reports_every_element_in_order(self):
        self.assertEqual(self.install(), 0)
        reports = self.reports()
        self.assertEqual(len(reports), 1, self.server.requests)
        report = reports[0]
        self.assertEqual((report.scheme, report.host, report.path, report.agent),
                         ("https", "metrics.kyn.example", "/ping,kynsuite", "qupdate"))
        values = self.values(report)
        self.assertEqual([name for name, _ in values], ELEMENTS)
        got = dict(values)
        visitor = self.prefix.reg_query(POLICY_KEY, "VisitorId")
        self.assertIsNone(visitor, "the run's identifier is cleared at its end")
        self.assertEqual(got["visitorid"], got["prop21"])
        self.assertGreaterEqual(len(got["visitorid"]), 17)
        expected = {"sc_xml_ver": "1.0", "reportsuiteid": "kynsuite", "prop20": "6b796e31", "pagename": "ic",
                    "evar42": "YY", "evar24": "0", "evar25": "0", "evar2": "1.9.0-ea-b55", "evar15": "1.9.0-ea-b55",
                    "evar40": "-1", "evar4": "amd64", "evar5": "amd64", "evar7": "qoff", "evar8": "DE",
                    "events": "event6,event7", "evar17": "1", "evar18": "false", "evar19": "0", "evar30": "-1",
                    "evar31": "64bit", "evar34": "XX", "products": ";ovx|0~64bit"}
        self.assertEqual({k: got[k] for k in expected}, expected)
        self.assertRegex(got["evar50"], r"^B[01]{3}00$")
        lookups = [r for r in self.server.requests if r.method == "HEAD"]
        self.assertEqual([(r.host, r.path, r.agent) for r in lookups], [("lookup.kyn.example", "/country", "qucheck")])
        self.assertEqual(self.prefix.reg_query(POLICY_KEY, "Country"), "DE")
        self.assertEqual(self.prefix.reg_query(METRICS_KEY, "OvxVersion", view=32), "1.9.0-ea-b55")
        self.assertEqual(self.prefix.reg_query(METRICS_KEY, "MachineCount", view=32), "0x1")
        pings = [m for m in self.messages() if m.startswith("Ping Values: ")]
        self.assertEqual(len(pings), 1)
        self.assertIn("$evar2#1.9.0-ea-b55#", pings[0])
        self.assertNotIn("6b796e31", self.prefix.log_text())

    def test_failed_attempts_are_counted_until_a_success(self):
        for attempt in ("1", "2"):
            self.assertEqual(self.install("CMDLINE=ORUN_TEST_FAIL=1"), 1603)
            self.assertEqual(self.prefix.reg_query(METRICS_KEY, "InstallAttempts", view=32), f"0x{attempt}")
            self.assertEqual(dict(self.values(self.reports()[-1]))["evar17"], attempt)
            self.assertEqual(dict(self.values(self.reports()[-1]))["evar18"], "ZZ")
        self.assertEqual(self.prefix.reg_query(METRICS_KEY, "NewOvxVersion", view=32), "1.9.0-ea-b55")
        self.assertEqual(self.install(), 0)
        self.assertIsNone(self.prefix.reg_query(METRICS_KEY, "InstallAttempts", view=32))
        self.assertIsNone(self.prefix.reg_query(METRICS_KEY, "NewOvxVersion", view=32))
        self.assertEqual(dict(self.values(self.reports()[-1]))["products"], ";ovx|0~64bit")
        self.assertEqual(len([r for r in self.server.requests if r.method == "HEAD"]), 1,
                         "a stored country is not looked up again")

    def test_the_sponsor_picture_is_kept_only_when_its_digest_matches(self):
        pictures = os.environ.get("OVX_SPONSOR_PICTURES", "")
        if not pictures:
            self.skipTest("run through ctest")
        picture = os.path.join(self.prefix.user_dir(), "AppData", "LocalLow", "Kyn", "Orun", "ovx1.9.0",
                               "OrunPromoPicture.jpg")
        with open(os.path.join(pictures, "OrunPromoPicture_en.jpg"), "rb") as f:
            english = f.read()
        self.server.serve("/pictures/OrunPromoPicture_en.jpg", body=english, headers=[("Content-Type", "image/jpeg")])
        self.assertEqual(self.install(), 0)
        with open(picture, "rb") as f:
            self.assertEqual(f.read(), english)

        with open(os.path.join(pictures, "OrunPromoPicture_de.jpg"), "rb") as f:
            self.server.serve("/pictures/OrunPromoPicture_en.jpg", body=f.read())
        self.assertEqual(self.install(), 0)
        self.assertFalse(os.path.exists(picture))
        failed = [m for m in self.messages() if m.startswith("Checksum verification for ")]
        self.assertEqual(len(failed), 1, self.messages())
        self.assertTrue(failed[0].endswith("algorithm=32780."), failed[0])

    def test_the_runtimes_status_decides_the_report(self):
        # The runtime says it was there already and the install failed: counted
        # as -128, and the failed attempts are forgotten.
        self.assertEqual(self.install("CMDLINE=ORUN_TEST_FAIL=1"), 1603)
        self.assertEqual(self.prefix.reg_query(METRICS_KEY, "InstallAttempts", view=32), "0x1")
        self.assertEqual(self.install("CMDLINE=ORUN_TEST_STATUS=exists ORUN_TEST_FAIL=1"), 1603)
        self.assertEqual(dict(self.values(self.reports()[-1]))["products"], ";ovx|-128~64bit")
        self.assertIsNone(self.prefix.reg_query(METRICS_KEY, "InstallAttempts", view=32))
        self.assertIsNone(self.prefix.reg_query(METRICS_KEY, "NewOvxVersion", view=32))
        # A runtime that asks for a second pass: no report, and the status is gone.
        sent = len(self.reports())
        self.assertEqual(self.install("CMDLINE=ORUN_TEST_STATUS=reinstall"), 0)
        self.assertEqual(len(self.reports()), sent)
        self.assertIn("No pings: reinstall", self.messages())
        self.assertIsNone(self.prefix.reg_query(r"HKLM\SOFTWARE\OrunSoft", "InstallStatus"))

    def test_an_untrusted_report_address_and_a_bad_country_code_send_and_keep_nothing(self):
        self.server.serve(OPTIONS_PATH, body=options_document("https://metrics.other.example/ping"))
        self.server.serve("/country", headers=[("COUNTRY", "DEU")])
        self.assertEqual(self.install(), 0)
        self.assertEqual(self.reports(), [])
        entries = self.prefix.log_entries()
        errors = [e.message for e in entries if e.level == "ERROR"]
        self.assertIn("No pings: unallowed url: https://metrics.other.example/ping", errors)
        self.assertTrue(any("Invalid country value : 'DEU'" in m for m in errors), errors)
        self.assertIsNone(self.prefix.reg_query(POLICY_KEY, "Country"))
        self.assertFalse(self.prefix.reg_query(METRICS_KEY, view=32))

    def test_off_line_or_with_a_server_that_never_answers_the_install_goes_on(self):
        sock, port = ovx_test_server.closed_port()
        with sock:
            self.prefix.wine(ovx_test_server._helper_path(), "proxy", f"127.0.0.1:{port}")
            self.assertEqual(self.install(), 0)
        failures = [m for m in self.messages() if m.startswith("Exception with message")]
        self.assertEqual(len(failures), 1, failures)
        self.assertIn("HttpSendRequest failed", failures[0])

        self.prefix.wine(ovx_test_server._helper_path(), "proxy", self.server.proxy)
        self.server.serve(OPTIONS_PATH, failure="hang", hang_seconds=300)
        self.assertEqual(self.install(), 0)
        self.server.release()
        self.assertEqual(self.reports(), [])
        failures = [m for m in self.messages() if m.startswith("Exception with message")]
        self.assertEqual(len(failures), 2, failures)

    def test_nothing_is_sent_when_analytics_are_off_or_the_document_says_so(self):
        self.assertEqual(self.install("WEB_ANALYTICS=0"), 0)
        self.assertEqual(self.reports(), [])
        self.assertEqual([r for r in self.server.requests if r.method == "HEAD"], [], "no country lookup")
        self.assertFalse(self.prefix.reg_query(METRICS_KEY, view=32))
        self.assertIsNone(self.prefix.reg_query(POLICY_KEY, "Country"))
        self.assertIn("Pings disabled.", self.messages())

        self.server.serve(OPTIONS_PATH, body=options_document("0"))
        self.assertEqual(self.install(), 0)
        self.assertEqual(self.reports(), [])
        self.assertEqual([r for r in self.server.requests if r.method == "HEAD"], [], "no report, no country")


if __name__ == "__main__":
    unittest.main()
