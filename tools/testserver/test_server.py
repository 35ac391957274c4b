#!/usr/bin/env python3
"""Self-test of server.py and nginx_run.py over real sockets on 127.0.0.1.

Run from the repository root with either of
    python3 -m unittest tools/testserver/test_server.py
    python3 tools/testserver/test_server.py
"""

import base64
import gzip
import hashlib
import http.client
import json
import os
import random
import select
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "server.py")
sys.path.insert(0, HERE)
import nginx_run  # noqa: E402 - found through the path set just above

SIZE = 2 * 1024 * 1024
DATA = random.Random(20240601).randbytes(SIZE)
MD5 = hashlib.md5(DATA).hexdigest()
BETA_NAME = "Beta Setup ü.exe"
BETA_DATA = b"beta package\n" * 100
BETA_MD5 = hashlib.md5(BETA_DATA).hexdigest()
REDIRECT = "/redirect/ver1/tavelo/{}/1.0/installer/123456"
PKG = f"/pkg/{MD5}/package.exe"
BETA_PKG = f"/pkg/beta/{BETA_MD5}/" + urllib.parse.quote(BETA_NAME)


def make_root(parent):
    """A served folder: package.exe, one route folder with one file, one with two."""
    root = os.path.join(parent, "root")
    os.makedirs(os.path.join(root, "beta"))
    os.makedirs(os.path.join(root, "two"))
    with open(os.path.join(root, "package.exe"), "wb") as f:
        f.write(DATA)
    with open(os.path.join(root, "beta", BETA_NAME), "wb") as f:
        f.write(BETA_DATA)
    for name in ("a.exe", "b.exe"):
        with open(os.path.join(root, "two", name), "wb") as f:
            f.write(b"x")
    return root


def start_server(root, workdir, *extra):
    """server.py on a free port; waits for its port file. Returns (process, port, stderr path)."""
    port_file = os.path.join(workdir, "port")
    err_path = os.path.join(workdir, "server.stderr")
    with open(err_path, "wb") as err:
        proc = subprocess.Popen(
            [sys.executable, SERVER, "--root", root, "--port", "0", "--port-file", port_file,
             *extra], stdout=subprocess.DEVNULL, stderr=err)
    deadline = time.monotonic() + 10
    while not os.path.exists(port_file):
        if proc.poll() is not None or time.monotonic() > deadline:
            proc.kill()
            with open(err_path, errors="replace") as f:
                raise RuntimeError("server.py did not start:\n" + f.read())
        time.sleep(0.02)
    with open(port_file) as f:
        return proc, int(f.read()), err_path


def stop_server(proc):
    proc.terminate()
    try:
        return proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return None


class ServerTest(unittest.TestCase):
    """One plain-HTTP server shared by the tests; each test starts with no faults."""

    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.mkdtemp(prefix="testserver-")
        cls.root = make_root(cls.workdir)
        cls.proc, cls.port, cls.stderr_path = start_server(cls.root, cls.workdir)
        cls.base = f"http://127.0.0.1:{cls.port}"

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.proc)
        shutil.rmtree(cls.workdir, ignore_errors=True)

    def setUp(self):
        self.control()
        self.get_json("/_log?clear=1")
        self.get_json("/_collected?clear=1")

    # ---- helpers -------------------------------------------------------------

    def connect(self, timeout=5):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)

    def request(self, method, path, headers=None, body=None, conn=None):
        """(status, headers, body); the body is read to the end of the response."""
        own = conn is None
        conn = conn or self.connect()
        try:
            conn.request(method, path, body=body, headers=headers or {})
            response = conn.getresponse()
            return response.status, response.headers, response.read()
        finally:
            if own:
                conn.close()

    def control(self, query=""):
        status, _, body = self.request("GET", "/_control" + ("?" + query if query else ""))
        self.assertEqual((status, body), (200, b"ok"), body)

    def get_json(self, path):
        status, _, body = self.request("GET", path)
        self.assertEqual(status, 200)
        return json.loads(body)

    # ---- routes --------------------------------------------------------------

    def test_redirect_service_points_at_digest_urls(self):
        cases = [
            ("main", f"{self.base}{PKG}"),           # no folder: package.exe
            ("beta", f"{self.base}{BETA_PKG}"),      # folder with one file
            ("two", f"{self.base}{PKG}"),            # folder with two files: package.exe
        ]
        for route, location in cases:
            for method in ("HEAD", "GET"):
                with self.subTest(route=route, method=method):
                    status, headers, _ = self.request(method, REDIRECT.format(route))
                    self.assertEqual(status, 302)
                    self.assertEqual(headers["Location"], location)

    def test_terms_and_help_pages(self):
        for path in (REDIRECT.format("terms"), REDIRECT.format("help"), "/help/index"):
            with self.subTest(path=path):
                status, headers, body = self.request("GET", path)
                self.assertEqual(status, 200)
                self.assertTrue(headers["Content-Type"].startswith("text/html"))
                self.assertIn(b"<html>", body)

    def test_real_clients_follow_the_redirect(self):
        # urllib: GET with redirects, the non-ASCII file name percent-escaped.
        with urllib.request.urlopen(self.base + REDIRECT.format("beta"), timeout=5) as r:
            self.assertEqual(r.url, self.base + BETA_PKG)
            self.assertEqual(r.read(), BETA_DATA)
        # curl: HEAD with redirects, as the installer asks for the final URL and size.
        out = subprocess.run(
            ["curl", "-sS", "-I", "-L", "-o", "/dev/null", "-w",
             "%{url_effective} %{http_code} %{num_redirects}",
             self.base + REDIRECT.format("main")],
            capture_output=True, text=True, timeout=10, check=True).stdout
        self.assertEqual(out, f"{self.base}{PKG} 200 1")

    def test_head_announces_the_file(self):
        status, headers, body = self.request("HEAD", PKG)
        self.assertEqual(status, 200)
        self.assertEqual(body, b"")
        self.assertEqual(headers["Content-Length"], str(SIZE))
        self.assertEqual(headers["Accept-Ranges"], "bytes")
        self.assertEqual(headers["Content-Type"], "application/octet-stream")

    def test_ranges(self):
        cases = [  # Range header, status, expected bytes, Content-Range
            (None, 200, DATA, None),
            ("bytes=0-0", 206, DATA[:1], f"bytes 0-0/{SIZE}"),
            ("bytes=1000-1999", 206, DATA[1000:2000], f"bytes 1000-1999/{SIZE}"),
            (f"bytes={SIZE - 10}-", 206, DATA[-10:], f"bytes {SIZE - 10}-{SIZE - 1}/{SIZE}"),
            ("bytes=-5", 206, DATA[-5:], f"bytes {SIZE - 5}-{SIZE - 1}/{SIZE}"),
            (f"bytes=100-{SIZE * 2}", 206, DATA[100:], f"bytes 100-{SIZE - 1}/{SIZE}"),
            ("bytes=0-1,5-6", 200, DATA, None),          # several ranges: ignored
            (f"bytes={SIZE}-", 416, None, f"bytes */{SIZE}"),
        ]
        for header, status, expected, content_range in cases:
            with self.subTest(range=header):
                got_status, headers, body = self.request(
                    "GET", PKG, headers={"Range": header} if header else None)
                self.assertEqual(got_status, status)
                self.assertEqual(headers.get("Content-Range"), content_range)
                self.assertEqual(headers["Content-Length"], str(len(body)))
                if expected is not None:
                    self.assertEqual(body, expected)

    def test_files_route_and_unknown_paths(self):
        status, _, body = self.request("GET", "/files/beta/" + urllib.parse.quote(BETA_NAME))
        self.assertEqual((status, body), (200, BETA_DATA))
        for path in ("/files/missing.exe", "/files/../root/package.exe", f"/pkg/{MD5}/",
                     "/pkg/not-a-digest/package.exe", "/nothing"):
            with self.subTest(path=path):
                self.assertEqual(self.request("GET", path)[0], 404)

    def test_keep_alive_reuses_the_connection(self):
        conn = self.connect()
        try:
            for _ in range(3):
                status, _, body = self.request("GET", PKG, {"Range": "bytes=0-99"}, conn=conn)
                self.assertEqual((status, body), (206, DATA[:100]))
        finally:
            conn.close()
        log = self.get_json("/_log")
        self.assertEqual(len(log), 3)
        self.assertEqual(len({entry["connection"] for entry in log}), 1)

    def test_redirect_helpers(self):
        target = "http://127.0.0.1:1/some where?x=1"
        cases = [
            ("/redirect-to?url=" + urllib.parse.quote(target, safe=""), target),
            ("/loop", f"{self.base}/loop"),
            (f"/chain/2{PKG}", f"{self.base}/chain/1{PKG}"),
            (f"/chain/0{PKG}", f"{self.base}{PKG}"),
        ]
        for path, location in cases:
            with self.subTest(path=path):
                status, headers, _ = self.request("GET", path)
                self.assertEqual(status, 302)
                self.assertEqual(headers["Location"], location)
        out = subprocess.run(["curl", "-sS", "-L", "-o", "/dev/null", "-w", "%{http_code}",
                              self.base + f"/chain/3{PKG}"],
                             capture_output=True, text=True, timeout=10, check=True).stdout
        self.assertEqual(out, "200")

    # ---- faults --------------------------------------------------------------

    def test_cut_closes_after_n_bytes_for_the_next_gets(self):
        self.control("cut=1000&cut_times=1")
        conn = self.connect()
        try:
            conn.request("GET", PKG)
            response = conn.getresponse()
            self.assertEqual(response.headers["Content-Length"], str(SIZE))
            with self.assertRaises(http.client.IncompleteRead) as caught:
                response.read()
            self.assertEqual(caught.exception.partial, DATA[:1000])
        finally:
            conn.close()
        self.assertEqual(self.request("GET", PKG)[2], DATA)  # the one cut is used up

    def test_status_faults(self):
        self.control("status=503&status_times=1")
        self.assertEqual(self.request("GET", PKG)[0], 503)
        self.assertEqual(self.request("GET", PKG)[0], 200)
        self.control("head_status=404")
        self.assertEqual(self.request("HEAD", PKG)[0], 404)
        self.assertEqual(self.request("HEAD", REDIRECT.format("main"))[0], 404)
        status, _, body = self.request("GET", PKG)
        self.assertEqual((status, body), (200, DATA))

    def test_no_length(self):
        self.control("no_length=1")
        status, headers, _ = self.request("HEAD", PKG)
        self.assertEqual(status, 200)
        self.assertIsNone(headers["Content-Length"])
        status, headers, body = self.request("GET", PKG)
        self.assertIsNone(headers["Content-Length"])
        self.assertEqual(headers["Connection"], "close")
        self.assertEqual(body, DATA)

    def test_wrong_length(self):
        self.control("wrong_length=12345")
        self.assertEqual(self.request("HEAD", PKG)[1]["Content-Length"], "12345")
        status, headers, body = self.request("GET", PKG)
        self.assertEqual((headers["Content-Length"], body), (str(SIZE), DATA))
        self.control("wrong_length=12345&wrong_length_get=1")
        status, headers, body = self.request("GET", PKG)
        self.assertEqual((headers["Content-Length"], body), ("12345", DATA[:12345]))

    def test_ignore_range_and_long_range(self):
        self.control("ignore_range=1")
        status, headers, body = self.request("GET", PKG, {"Range": "bytes=10-19"})
        self.assertEqual((status, body), (200, DATA))
        self.control("long_range=7")
        status, headers, body = self.request("GET", PKG, {"Range": "bytes=10-19"})
        self.assertEqual(status, 206)
        self.assertEqual(headers["Content-Range"], f"bytes 10-19/{SIZE}")
        self.assertEqual(body, DATA[10:27])

    def test_throttle_limits_the_rate(self):
        self.control("throttle=1048576")
        started = time.monotonic()
        status, _, body = self.request("GET", PKG, {"Range": "bytes=0-524287"})
        elapsed = time.monotonic() - started
        self.assertEqual((status, body), (206, DATA[:524288]))
        self.assertGreater(elapsed, 0.35)  # 512 KiB at 1 MiB/s takes about 0.5 s

    def test_gzip(self):
        self.control("gzip=1")
        for header, expected in ((None, DATA), ("bytes=100-199", DATA[100:200])):
            with self.subTest(range=header):
                status, headers, body = self.request(
                    "GET", PKG, {"Range": header} if header else None)
                self.assertEqual(headers["Content-Encoding"], "gzip")
                self.assertEqual(headers["Content-Length"], str(len(body)))
                self.assertEqual(gzip.decompress(body), expected)

    def test_gzip_get_codes_gets_only(self):
        self.control("gzip=1&gzip_get=1")
        status, headers, _ = self.request("HEAD", PKG)
        self.assertEqual((status, headers["Content-Length"]), (200, str(len(DATA))))
        self.assertNotIn("Content-Encoding", headers)
        _, headers, body = self.request("GET", PKG)
        self.assertEqual((headers["Content-Encoding"], gzip.decompress(body)), ("gzip", DATA))

    def test_stall_keeps_the_connection_silent(self):
        self.control("stall_after=1000&stall_seconds=20")
        conn = self.connect(timeout=0.5)
        try:
            conn.request("GET", PKG)
            response = conn.getresponse()
            self.assertEqual(response.read(1000), DATA[:1000])
            with self.assertRaises(TimeoutError):
                response.read(1)
        finally:
            conn.close()
        # The server notices the client leaving long before stall_seconds.
        deadline = time.monotonic() + 5
        while True:
            entry = self.get_json("/_log")[0]
            if entry["duration"] is not None or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        self.assertIsNotNone(entry["duration"])
        self.assertEqual((entry["body_bytes"], entry["faults"]), (1000, ["stall_after"]))

    def test_head_stall_answers_no_head_but_serves_gets(self):
        self.control("head_stall=1&head_stall_times=1&stall_seconds=20")
        conn = self.connect(timeout=0.5)
        try:
            conn.request("HEAD", PKG)
            with self.assertRaises(TimeoutError):
                conn.getresponse()
        finally:
            conn.close()
        status, headers, _ = self.request("HEAD", PKG)
        self.assertEqual((status, headers["Content-Length"]), (200, str(len(DATA))))
        status, _, body = self.request("GET", PKG)
        self.assertEqual((status, body), (200, DATA))

    def test_reset(self):
        self.control("reset=1")
        with self.assertRaises(ConnectionResetError):
            self.request("GET", PKG)
        self.assertEqual(self.get_json("/_log")[0]["status"], None)

    def test_path_prefix_and_redirect_md5(self):
        self.control("status=500&path_prefix=/pkg/&redirect_md5=" + "0" * 32)
        status, headers, _ = self.request("HEAD", REDIRECT.format("main"))
        self.assertEqual(status, 302)
        self.assertEqual(headers["Location"], f"{self.base}/pkg/{'0' * 32}/package.exe")
        self.assertEqual(self.request("GET", PKG)[0], 500)
        self.assertEqual(self.request("GET", "/files/package.exe")[0], 200)

    def test_control_checks_keys_and_is_never_faulted(self):
        for query in ("bogus=1", "cut=x", "status=42", "cut_times=1"):
            with self.subTest(query=query):
                self.assertEqual(self.request("GET", "/_control?" + query)[0], 400)
        self.control("status=500&reset=1")
        self.assertEqual(self.get_json("/_log"), [])
        self.control()
        self.assertEqual(self.request("GET", PKG)[0], 200)

    def test_client_leaving_mid_body_prints_nothing(self):
        self.control("throttle=200000")
        conn = self.connect()
        conn.request("GET", PKG)
        response = conn.getresponse()
        self.assertEqual(response.read(5000), DATA[:5000])
        conn.close()
        time.sleep(0.3)
        self.assertEqual(self.request("HEAD", PKG)[0], 200)
        with open(self.stderr_path, errors="replace") as f:
            self.assertEqual(f.read(), "")

    # ---- request log and collector ---------------------------------------------

    def test_request_log(self):
        path = "/files/beta/" + urllib.parse.quote(BETA_NAME)
        self.request("GET", path, {"Range": "bytes=5-", "X-Probe": "1"})
        self.request("HEAD", PKG)
        log = self.get_json("/_log?clear=1")
        self.assertEqual([(e["method"], e["path"], e["status"]) for e in log],
                         [("GET", path, 206), ("HEAD", PKG, 200)])
        self.assertEqual(log[0]["range"], "bytes=5-")
        self.assertEqual(log[0]["headers"]["x-probe"], "1")
        self.assertNotIn("user-agent", log[0]["headers"])
        self.assertEqual(log[0]["body_bytes"], len(BETA_DATA) - 5)
        self.assertEqual(self.get_json("/_log"), [])

    def test_collector(self):
        records = [{"event": "start", "n": 1}, {"event": "done", "name": "ü"}]
        packed = base64.b64encode(gzip.compress(json.dumps(records).encode())).decode()
        body = urllib.parse.urlencode({"data_list": packed, "gzip": "1"})
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        status, _, answer = self.request("POST", "/collect?project=pc", form, body)
        self.assertEqual((status, json.loads(answer)), (200, {"code": 0}))
        status, _, _ = self.request("POST", "/collect?project=pc", form, "data_list=%%%")
        self.assertEqual(status, 400)
        self.control("collect_status=503")
        self.assertEqual(self.request("POST", "/collect?project=pc", form, body)[0], 503)
        collected = self.get_json("/_collected?clear=1")
        self.assertEqual(collected["records"], records)
        self.assertEqual((len(collected["errors"]), collected["posts"]), (1, 3))
        self.assertEqual(self.get_json("/_collected"), {"records": [], "errors": [], "posts": 0})


class ProcessTest(unittest.TestCase):
    """Servers of their own: TLS, the exit on SIGTERM, and nginx."""

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="testserver-")
        self.addCleanup(shutil.rmtree, self.workdir, True)
        self.root = make_root(self.workdir)

    def test_tls(self):
        cert, key = (os.path.join(self.workdir, n) for n in ("cert.pem", "key.pem"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                        "-days", "2", "-keyout", key, "-out", cert],
                       check=True, capture_output=True, timeout=30)
        # Readiness here comes from the PORT line on standard output.
        proc = subprocess.Popen([sys.executable, SERVER, "--root", self.root, "--tls-cert",
                                 cert, "--tls-key", key, "--redirect-status", "307"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(proc.stdout.close)
        self.addCleanup(stop_server, proc)
        self.assertTrue(select.select([proc.stdout], [], [], 10)[0], "no PORT line")
        line = proc.stdout.readline()
        self.assertRegex(line, r"^PORT \d+\n$")
        port = int(line.split()[1])

        trusted = ssl.create_default_context(cafile=cert)
        conn = http.client.HTTPSConnection("127.0.0.1", port, timeout=5, context=trusted)
        conn.request("HEAD", REDIRECT.format("main"))
        response = conn.getresponse()
        response.read()
        conn.close()
        self.assertEqual(response.status, 307)
        self.assertEqual(response.headers["Location"], f"https://127.0.0.1:{port}{PKG}")

        untrusted = ssl.create_default_context()  # system CAs only
        conn = http.client.HTTPSConnection("127.0.0.1", port, timeout=5, context=untrusted)
        with self.assertRaises(ssl.SSLCertVerificationError):
            conn.request("HEAD", PKG)
        conn.close()

    def test_sigterm_exits_cleanly(self):
        proc, port, _ = start_server(self.root, self.workdir)
        with socket.create_connection(("127.0.0.1", port), timeout=5):
            pass
        self.assertEqual(stop_server(proc), 0)

    def test_nginx_serves_package_urls(self):
        with nginx_run.NginxServer(self.root) as nginx:
            cases = [(PKG, "bytes=1000-1999", 206, DATA[1000:2000]),
                     (BETA_PKG, None, 200, BETA_DATA)]
            for path, header, status, expected in cases:
                with self.subTest(path=path):
                    conn = http.client.HTTPConnection("127.0.0.1", nginx.port, timeout=5)
                    conn.request("GET", path, headers={"Range": header} if header else {})
                    response = conn.getresponse()
                    self.assertEqual((response.status, response.read()), (status, expected))
                    conn.close()
            temp_dir = nginx.temp_dir
        self.assertFalse(os.path.exists(temp_dir))
        self.assertIsNone(nginx.process)


if __name__ == "__main__":
    unittest.main()
