"""The tests' web server: on loopback only, the configured proxy of a test prefix.

The launcher keeps its real addresses (fictional hosts under .example): WinINet
sends plain requests to the proxy in absolute form and tunnels https through
CONNECT, which the server answers by wrapping the socket in TLS with a
certificate for the requested host, signed by a CA made for this server and
trusted inside the test prefix only.

    server = start(prefix)            # prefix: harness.Prefix, a prefix path, or None
    server.serve("/update/x.xml", body=b"<a/>")
    server.serve("/ping", status=403, reason="Export Denied")
    server.serve("/big", body=b"x" * 2_000_000, framing="close")
    server.serve("/slow", failure="hang")
    ... run the launcher ...
    server.requests[-1].agent, .method, .path, .header("Content-Length"), .body
    server.stop()

Failure modes of a route: "cut" (headers and half the body, then the connection
ends), "hang" (the request is read and never answered until release(), stop()
or hang_seconds), "close" (the connection ends without any answer). Use "hang"
and "close" with plain http only: Wine's WinINet sends a request again, without
end, when an https tunnel closes before the answer. Framing of a body: "length"
(declared), "close" (undeclared, ends with the connection), "chunked". A refused
connection is a proxy address where nothing listens: see closed_port(). Unknown
paths get 404.

End-to-end tests import it from tests/server:
    sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
    import ovx_test_server
    server = ovx_test_server.start(self.prefix)   # the helper ovx_net_prefix.exe from OVX_BIN_DIR

Programs inside the prefix (the Windows test suites) drive the same server over
plain HTTP in origin form, which no proxy client sends:
    POST /__ovx/serve?path=P&status=N&reason=R&failure=F&framing=F&size=N&header=Name:Value
         (the request body is the document; with size, it is repeated to that many bytes)
    POST /__ovx/clear        routes, requests and untrusted hosts
    POST /__ovx/release      ends hung connections
    POST /__ovx/untrusted?host=H   that host gets a certificate of a CA nobody trusts
    GET  /__ovx/count        number of recorded requests
    GET  /__ovx/request?index=N   one recorded request: "METHOD SCHEME HOST PATH",
                              its header lines, a blank line, its body
"""
import os
import shutil
import socket
import ssl
import struct
import subprocess
import tempfile
import threading
import time
import urllib.parse

DEFAULT_HANG_SECONDS = 60
_READ_LIMIT = 16 * 1024 * 1024


class Request:
    """One request as the server received it."""

    def __init__(self, method, scheme, host, path, headers, body):
        self.method = method
        self.scheme = scheme
        self.host = host
        self.path = path          # with its query
        self.headers = headers    # [(name, value)] in the order received
        self.body = body

    def header(self, name, default=None):
        for key, value in self.headers:
            if key.lower() == name.lower():
                return value
        return default

    @property
    def agent(self):
        return self.header("User-Agent")

    @property
    def url(self):
        return f"{self.scheme}://{self.host}{self.path}"

    def __repr__(self):
        return f"<{self.method} {self.url} agent={self.agent!r} body={len(self.body)} bytes>"


class Route:
    def __init__(self, body=b"", status=200, reason=None, headers=None, failure=None, framing="length",
                 hang_seconds=DEFAULT_HANG_SECONDS):
        if failure not in (None, "cut", "hang", "close"):
            raise ValueError(f"unknown failure mode {failure!r}")
        if framing not in ("length", "close", "chunked"):
            raise ValueError(f"unknown framing {framing!r}")
        self.body = body.encode() if isinstance(body, str) else bytes(body)
        self.status = int(status)
        self.reason = reason if reason is not None else _REASONS.get(self.status, "Status")
        self.headers = list((headers or {}).items()) if isinstance(headers, dict) else list(headers or [])
        self.failure = failure
        self.framing = framing
        self.hang_seconds = hang_seconds


_REASONS = {200: "OK", 204: "No Content", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
            407: "Proxy Authentication Required", 500: "Internal Server Error"}


class CertificateAuthority:
    """A CA made now with the openssl command, and server certificates for hosts."""

    def __init__(self, folder, name):
        self.folder = folder
        self.name = name
        self._lock = threading.Lock()
        self._contexts = {}
        os.makedirs(folder, exist_ok=True)
        self.key = os.path.join(folder, f"{name}.key")
        self.pem = os.path.join(folder, f"{name}.pem")
        self.der = os.path.join(folder, f"{name}.der")
        self.leaf_key = os.path.join(folder, f"{name}-leaf.key")
        self._openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", self.pem,
                      "-days", "3", "-subj", f"/CN=Ovx Test CA {name}",
                      "-addext", "basicConstraints=critical,CA:TRUE",
                      "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        self._openssl("x509", "-in", self.pem, "-outform", "DER", "-out", self.der)
        # One key for every host: a certificate per host is then only a signature.
        self._openssl("genrsa", "-out", self.leaf_key, "2048")
        self._serial = int(time.time() * 1000)

    @staticmethod
    def _openssl(*args):
        subprocess.run(["openssl", *args], check=True, timeout=60, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)

    def context_for(self, host):
        with self._lock:
            if host not in self._contexts:
                self._serial += 1
                base = os.path.join(self.folder, f"{self.name}-{host}")
                with open(base + ".ext", "w") as f:
                    f.write(f"subjectAltName=DNS:{host}\nbasicConstraints=CA:FALSE\n"
                            "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
                self._openssl("req", "-new", "-key", self.leaf_key, "-subj", f"/CN={host}", "-out", base + ".csr")
                self._openssl("x509", "-req", "-in", base + ".csr", "-CA", self.pem, "-CAkey", self.key,
                              "-set_serial", str(self._serial), "-days", "2", "-extfile", base + ".ext",
                              "-out", base + ".pem")
                with open(base + ".chain.pem", "w") as out:
                    for part in (base + ".pem", self.pem):
                        with open(part) as f:
                            out.write(f.read())
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(base + ".chain.pem", self.leaf_key)
                self._contexts[host] = context
            return self._contexts[host]


class TestServer:
    def __init__(self, workdir=None):
        self._own_workdir = workdir is None
        self.workdir = workdir or tempfile.mkdtemp(prefix="ovx-test-server-")
        os.makedirs(self.workdir, exist_ok=True)
        self.ca = CertificateAuthority(os.path.join(self.workdir, "ca"), "trusted")
        self._untrusted_ca = None
        self.untrusted_hosts = set()
        self.requests = []
        self._routes = {}
        self._lock = threading.Lock()
        self._released = threading.Event()
        self._stopping = threading.Event()
        self._connections = set()
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(64)
        self.port = self._listener.getsockname()[1]
        self._thread = threading.Thread(target=self._accept_loop, name="ovx-test-server", daemon=True)
        self._thread.start()

    # ---- the tests' side ------------------------------------------------------------------

    @property
    def proxy(self):
        return f"127.0.0.1:{self.port}"

    @property
    def ca_der(self):
        return self.ca.der

    def serve(self, path, body=b"", headers=None, status=200, reason=None, failure=None, framing="length",
              hang_seconds=DEFAULT_HANG_SECONDS):
        """What a path (without its query, any host) answers from now on."""
        route = Route(body, status, reason, headers, failure, framing, hang_seconds)
        with self._lock:
            self._routes[path] = route
        return route

    def untrust(self, host):
        """That host gets a certificate that the prefix does not trust."""
        with self._lock:
            if self._untrusted_ca is None:
                self._untrusted_ca = CertificateAuthority(os.path.join(self.workdir, "ca"), "untrusted")
            self.untrusted_hosts.add(host)

    def clear(self):
        with self._lock:
            self._routes.clear()
            self.requests.clear()
            self.untrusted_hosts.clear()
        self.release()

    def release(self):
        """Ends every hung connection now."""
        self._released.set()
        time.sleep(0.05)
        self._released.clear()

    def wait_for_requests(self, count, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self._lock:
                if len(self.requests) >= count:
                    return list(self.requests)
            time.sleep(0.02)
        raise AssertionError(f"expected {count} requests within {timeout} s, got {self.requests}")

    def stop(self):
        self._stopping.set()
        self._released.set()
        try:
            self._listener.shutdown(socket.SHUT_RDWR)  # wakes the blocked accept()
        except OSError:
            pass
        self._listener.close()
        with self._lock:
            for conn in list(self._connections):
                try:
                    conn.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                conn.close()
        self._thread.join(timeout=10)
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    # ---- connections ----------------------------------------------------------------------

    def _accept_loop(self):
        while not self._stopping.is_set():
            try:
                conn, _ = self._listener.accept()
            except OSError:
                return
            with self._lock:
                self._connections.add(conn)
            threading.Thread(target=self._handle, args=(conn,), daemon=True).start()

    def _handle(self, conn):
        try:
            conn.settimeout(120)
            self._serve_connection(conn)
        except (OSError, ssl.SSLError, ValueError):
            pass
        finally:
            with self._lock:
                self._connections.discard(conn)
            try:
                conn.close()
            except OSError:
                pass

    def _serve_connection(self, conn):
        reader = _Reader(conn)
        head = reader.read_head()
        if head is None:
            return
        method, target, headers = head
        if method == "CONNECT":
            host = target.rsplit(":", 1)[0]
            conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            with self._lock:
                ca = self._untrusted_ca if host in self.untrusted_hosts else self.ca
            tls = ca.context_for(host).wrap_socket(conn, server_side=True)
            with self._lock:
                self._connections.add(tls)
            try:
                reader = _Reader(tls)
                head = reader.read_head()
                if head is None:
                    return
                method, target, headers = head
                self._answer(tls, reader, method, "https", _header(headers, "Host", host), target, headers)
            finally:
                with self._lock:
                    self._connections.discard(tls)
                tls.close()
            return
        if target.startswith("/__ovx/"):
            self._control(conn, reader, method, target, headers)
            return
        parsed = urllib.parse.urlsplit(target)
        if parsed.scheme not in ("http",):
            _send(conn, 400, "Bad Request", b"absolute http address expected\n")
            return
        path = parsed.path or "/"
        if parsed.query:
            path += "?" + parsed.query
        self._answer(conn, reader, method, "http", parsed.netloc, path, headers)

    def _answer(self, conn, reader, method, scheme, host, path, headers):
        body = reader.read_body(headers)
        if host.endswith(":80") and scheme == "http" or host.endswith(":443") and scheme == "https":
            host = host.rsplit(":", 1)[0]
        with self._lock:
            self.requests.append(Request(method, scheme, host, path, headers, body))
            route = self._routes.get(path.split("?", 1)[0])
        if route is None:
            _send(conn, 404, "Not Found", b"no such document\n")
            return
        if route.failure == "close":
            return
        if route.failure == "hang":
            deadline = time.monotonic() + route.hang_seconds
            while not self._released.is_set() and time.monotonic() < deadline:
                self._released.wait(0.05)
            return
        payload = route.body if method != "HEAD" else b""
        extra = list(route.headers)
        names = {k.lower() for k, _ in extra}
        if route.framing == "length" and "content-length" not in names:
            extra.append(("Content-Length", str(len(route.body))))
        elif route.framing == "chunked":
            extra.append(("Transfer-Encoding", "chunked"))
        if "content-type" not in names:
            extra.append(("Content-Type", "text/xml"))
        extra.append(("Connection", "close"))
        head = f"HTTP/1.1 {route.status} {route.reason}\r\n" + "".join(f"{k}: {v}\r\n" for k, v in extra) + "\r\n"
        conn.sendall(head.encode("latin-1"))
        if route.framing == "chunked":
            data = b"".join(b"%x\r\n%s\r\n" % (len(payload[i:i + 65536]), payload[i:i + 65536])
                            for i in range(0, len(payload), 65536))
            data += b"" if route.failure == "cut" else b"0\r\n\r\n"
        else:
            data = payload
        if route.failure == "cut":
            data = data[:len(data) // 2]
        conn.sendall(data)
        if route.failure == "cut":
            # A reset, not an orderly end: the client sees the connection break.
            # It comes a moment later, so that the client has read the head: a
            # reset throws away what the client has not read yet.
            time.sleep(0.5)
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))

    # ---- the control interface of the Windows test suites ---------------------------------

    def _control(self, conn, reader, method, target, headers):
        body = reader.read_body(headers)
        parsed = urllib.parse.urlsplit(target)
        query = urllib.parse.parse_qs(parsed.query, keep_blank_values=True)

        def one(name, default=None):
            return query.get(name, [default])[0]

        action = parsed.path[len("/__ovx/"):]
        if action == "serve":
            size = one("size")
            document = body
            if size is not None:
                pattern = body or b"x"
                document = (pattern * (int(size) // len(pattern) + 1))[:int(size)]
            route_headers = [tuple(part.strip() for part in h.split(":", 1)) for h in query.get("header", [])]
            self.serve(one("path"), document, route_headers, int(one("status", "200")), one("reason"),
                       one("failure") or None, one("framing", "length"),
                       float(one("hang_seconds", str(DEFAULT_HANG_SECONDS))))
            _send(conn, 200, "OK", b"ok\n")
        elif action == "clear":
            self.clear()
            _send(conn, 200, "OK", b"ok\n")
        elif action == "release":
            self.release()
            _send(conn, 200, "OK", b"ok\n")
        elif action == "untrusted":
            self.untrust(one("host"))
            _send(conn, 200, "OK", b"ok\n")
        elif action == "count":
            with self._lock:
                _send(conn, 200, "OK", str(len(self.requests)).encode())
        elif action == "request":
            with self._lock:
                try:
                    r = self.requests[int(one("index", "-1"))]
                except IndexError:
                    _send(conn, 404, "Not Found", b"")
                    return
            text = f"{r.method} {r.scheme} {r.host} {r.path}\r\n" + "".join(f"{k}: {v}\r\n" for k, v in r.headers)
            _send(conn, 200, "OK", text.encode("latin-1") + b"\r\n" + r.body)
        else:
            _send(conn, 404, "Not Found", b"unknown control\n")


class _Reader:
    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def _more(self):
        data = self.sock.recv(65536)
        if not data:
            raise ValueError("connection ended")
        self.buffer += data
        if len(self.buffer) > _READ_LIMIT:
            raise ValueError("request too large")

    def read_head(self):
        try:
            while b"\r\n\r\n" not in self.buffer:
                self._more()
        except ValueError:
            return None
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) < 3:
            raise ValueError("bad request line")
        headers = []
        for line in lines[1:]:
            if ":" in line:
                name, value = line.split(":", 1)
                headers.append((name.strip(), value.strip()))
        return parts[0], parts[1], headers

    def read_body(self, headers):
        length = int(_header(headers, "Content-Length", "0") or 0)
        while len(self.buffer) < length:
            self._more()
        body, self.buffer = self.buffer[:length], self.buffer[length:]
        return body


def _header(headers, name, default=None):
    for key, value in headers:
        if key.lower() == name.lower():
            return value
    return default


def _send(conn, status, reason, body):
    conn.sendall(f"HTTP/1.1 {status} {reason}\r\nContent-Length: {len(body)}\r\nConnection: close\r\n\r\n"
                 .encode("latin-1") + body)


def closed_port():
    """A loopback port where nothing listens, held while the returned socket lives."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind(("127.0.0.1", 0))
    return sock, sock.getsockname()[1]


# ---- prefixes --------------------------------------------------------------------------------

def _helper_path(helper=None):
    helper = helper or os.path.join(os.environ.get("OVX_BIN_DIR", ""), "ovx_net_prefix.exe")
    if not os.path.exists(helper):
        raise FileNotFoundError(f"the prefix helper is not built: {helper}")
    return helper


def _windows_path(host_path):
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


def configure_prefix(server, prefix, helper=None, env=None, timeout=120):
    """Makes the server the proxy of the prefix and trusts its CA there (only there).

    prefix: a harness.Prefix (anything with wine(*args)), or a prefix path."""
    args = [_helper_path(helper), "proxy", server.proxy, "trust", _windows_path(server.ca_der)]
    if hasattr(prefix, "wine"):
        proc = prefix.wine(*args, timeout=timeout)
        code, output = proc.returncode, proc.stdout + proc.stderr
    else:
        run_env = dict(env or os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all")
        with tempfile.TemporaryFile() as out:
            code = subprocess.run(["wine", *args], env=run_env, stdout=out, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, timeout=timeout).returncode
            out.seek(0)
            output = out.read().decode("utf-8", "replace")
    if code != 0 or "trusted" not in output:
        raise AssertionError(f"prefix network setup failed ({code}): {output}")


def start(prefix=None, helper=None, workdir=None):
    """A running server; with a prefix, also that prefix's proxy with the CA trusted."""
    server = TestServer(workdir)
    if prefix is not None:
        try:
            configure_prefix(server, prefix, helper)
        except BaseException:
            server.stop()
            raise
    return server
