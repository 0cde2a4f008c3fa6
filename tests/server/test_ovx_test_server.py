"""The test server on its own (a Python client through it as a proxy), and its
set-up of a prefix as the end-to-end tests use it."""
import os
import socket
import ssl
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import ovx_test_server  # noqa: E402


def exchange(server, raw, tls_host=None, timeout=20):
    """Sends one request through the proxy (https through CONNECT); the raw answer."""
    sock = socket.create_connection(("127.0.0.1", server.port), timeout=timeout)
    try:
        if tls_host:
            sock.sendall(f"CONNECT {tls_host}:443 HTTP/1.1\r\nHost: {tls_host}:443\r\n\r\n".encode())
            assert sock.recv(4096).startswith(b"HTTP/1.1 200")
            context = ssl.create_default_context(cafile=server.ca.pem)
            sock = context.wrap_socket(sock, server_hostname=tls_host)
        sock.sendall(raw)
        answer = b""
        while True:
            try:
                data = sock.recv(65536)
            except ConnectionResetError:
                break
            if not data:
                break
            answer += data
        return answer
    finally:
        sock.close()


class ServerAlone(unittest.TestCase):
    def setUp(self):
        self.server = ovx_test_server.start()
        self.addCleanup(self.server.stop)

    def test_documents_are_served_and_requests_recorded(self):
        self.server.serve("/update/doc.xml", body="<doc/>", headers={"COUNTRY": "DE"})
        answer = exchange(self.server, b"POST http://download.kyn.example/update/doc.xml?x=1 HTTP/1.1\r\n"
                                       b"Host: download.kyn.example\r\nUser-Agent: qupdate\r\n"
                                       b"Content-Length: 4\r\n\r\nbody")
        self.assertTrue(answer.startswith(b"HTTP/1.1 200 OK\r\n"), answer)
        self.assertIn(b"COUNTRY: DE\r\n", answer)
        self.assertTrue(answer.endswith(b"\r\n\r\n<doc/>"))
        r = self.server.requests[-1]
        self.assertEqual((r.method, r.scheme, r.host, r.path, r.agent, r.body),
                         ("POST", "http", "download.kyn.example", "/update/doc.xml?x=1", "qupdate", b"body"))

    def test_https_goes_through_a_tunnel_with_a_certificate_of_the_test_ca(self):
        self.server.serve("/secure", body=b"s", status=403, reason="Forbidden - Export Denied")
        answer = exchange(self.server, b"GET /secure HTTP/1.1\r\nHost: metrics.kyn.example\r\n\r\n",
                          tls_host="metrics.kyn.example")
        self.assertTrue(answer.startswith(b"HTTP/1.1 403 Forbidden - Export Denied\r\n"), answer)
        self.assertEqual(self.server.requests[-1].url, "https://metrics.kyn.example/secure")

        self.server.untrust("other.kyn.example")
        with self.assertRaises(ssl.SSLCertVerificationError):
            exchange(self.server, b"GET /secure HTTP/1.1\r\n\r\n", tls_host="other.kyn.example")


class InPrefix(unittest.TestCase):
    def test_start_makes_the_server_the_prefixs_proxy(self):
        from harness import BIN_DIR, Prefix
        if not BIN_DIR:
            self.skipTest("run through ctest: OVX_BIN_DIR is not set")
        prefix = Prefix(f"{type(self).__name__}.{self._testMethodName}")
        self.addCleanup(prefix.close)
        server = ovx_test_server.start(prefix)
        self.addCleanup(server.stop)
        key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
        self.assertEqual(prefix.reg_query(key, "ProxyServer"), server.proxy)
        self.assertEqual(prefix.reg_query(key, "ProxyEnable"), "0x1")


if __name__ == "__main__":
    unittest.main()
