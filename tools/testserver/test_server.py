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

# Scopes: "sa" and "sb" have folders of their own with a different package.exe each, and
# "sa" a route folder too; "sc" has no folder.
SA, SB, SC = "/s/sa", "/s/sb", "/s/sc"
SA_DATA = b"package of scope sa\n" * 5000
SB_DATA = b"package of scope sb\n" * 3000
SA_MD5 = hashlib.md5(SA_DATA).hexdigest()
SB_MD5 = hashlib.md5(SB_DATA).hexdigest()
SA_BETA_NAME = "Scoped ü.exe"
SA_BETA_DATA = b"beta of scope sa\n" * 50
SA_BETA_MD5 = hashlib.md5(SA_BETA_DATA).hexdigest()
SA_PKG = f"/pkg/{SA_MD5}/package.exe"
SB_PKG = f"/pkg/{SB_MD5}/package.exe"
SA_BETA_PKG = f"/pkg/beta/{SA_BETA_MD5}/" + urllib.parse.quote(SA_BETA_NAME)


def make_root(parent):
    """A served folder: package.exe, one route folder with one file, one with two, the
    folders of the scopes sa and sb, and folders whose names are no valid scope."""
    root = os.path.join(parent, "root")
    files = {
        ("package.exe",): DATA,
        ("beta", BETA_NAME): BETA_DATA,
        ("two", "a.exe"): b"x",
        ("two", "b.exe"): b"x",
        ("sa", "package.exe"): SA_DATA,
        ("sa", "beta", SA_BETA_NAME): SA_BETA_DATA,
        ("sb", "package.exe"): SB_DATA,
        ("a b", "package.exe"): b"not a scope",
        ("a" * 65, "package.exe"): b"not a scope",
    }
    for segments, data in files.items():
        path = os.path.join(root, *segments)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
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
        for scope in ("", SA, SB):
            self.control(scope=scope)
            self.get_json(scope + "/_log?clear=1")
            self.get_json(scope + "/_collected?clear=1")
            self.request("GET", scope + "/_batches?clear=1")

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

    def control(self, query="", scope=""):
        """Sets the faults of the default scope, or of `scope` ("/s/name")."""
        status, _, body = self.request("GET", scope + "/_control" + ("?" + query if query else ""))
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
        for query in ("bogus=1", "cut=x", "status=42", "cut_times=1", "collect_redirect=200",
                      "collect_delay=-1", "collect_delay=x"):
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

    def test_collector_batches_keep_the_posted_text(self):
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        texts = ['[{"n":1,"t":"中文"}]', '[{"n":2},{"n":3}]']
        for text in texts:
            packed = base64.b64encode(gzip.compress(text.encode())).decode()
            body = urllib.parse.urlencode({"data_list": packed, "gzip": "1"})
            self.assertEqual(self.request("POST", SA + "/collect?project=pc", form, body)[0], 200)
        status, headers, body = self.request("GET", SA + "/_batches?clear=1")
        self.assertEqual((status, body.decode()), (200, "".join(t + "\n" for t in texts)))
        self.assertEqual(self.request("GET", SA + "/_batches")[2], b"")
        self.assertEqual(self.get_json(SA + "/_collected")["records"],
                         [{"n": 1, "t": "中文"}, {"n": 2}, {"n": 3}])
        self.assertEqual(self.request("GET", "/_batches")[2], b"", "other scopes see nothing")

    def test_collector_redirect_and_delay(self):
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        body = urllib.parse.urlencode(
            {"data_list": base64.b64encode(gzip.compress(b'[{"n":1}]')).decode(), "gzip": "1"})
        self.control("collect_redirect=307&collect_redirect_times=1", scope=SA)
        status, headers, _ = self.request("POST", SA + "/collect?project=pc", form, body)
        self.assertEqual((status, headers["Location"]), (307, f"{self.base}{SA}/collect?project=pc"))
        self.assertEqual(self.request("POST", SA + "/collect?project=pc", form, body)[0], 200)
        # A client that waits gets the answer late; one that gives up leaves nothing behind.
        self.control("collect_delay=0.3&collect_delay_times=1", scope=SA)
        began = time.monotonic()
        self.assertEqual(self.request("POST", SA + "/collect?project=pc", form, body)[0], 200)
        self.assertGreaterEqual(time.monotonic() - began, 0.3)
        self.control("collect_delay=30", scope=SA)
        conn = self.connect(timeout=0.5)
        try:
            conn.request("POST", SA + "/collect?project=pc", body=body, headers=form)
            with self.assertRaises(TimeoutError):
                conn.getresponse()
        finally:
            conn.close()
        deadline = time.monotonic() + 5
        while self.get_json(SA + "/_log")[-1]["duration"] is None and time.monotonic() < deadline:
            time.sleep(0.05)
        log = self.get_json(SA + "/_log")
        self.assertEqual([(e["status"], e["faults"]) for e in log],
                         [(307, ["collect_redirect"]), (200, []), (200, ["collect_delay"]),
                          (None, ["collect_delay"])])
        collected = self.get_json(SA + "/_collected")
        self.assertEqual((collected["records"], collected["posts"]), ([{"n": 1}, {"n": 1}], 4))

    # ---- scopes --------------------------------------------------------------------

    def test_scopes_keep_their_faults_apart(self):
        self.control("status=503", scope=SA)
        self.control("status=500&path_prefix=/pkg/&redirect_md5=" + "0" * 32, scope=SB)
        cases = [  # path, status while both scopes have faults, status once sa's are cleared
            (SA + SA_PKG, 503, 200),
            (SA + "/files/package.exe", 503, 200),
            (SB + SB_PKG, 500, 500),
            (SB + "/files/package.exe", 200, 200),  # path_prefix is matched within the scope
            (PKG, 200, 200),
            ("/files/package.exe", 200, 200),
            (SA + REDIRECT.format("main"), 503, 302),
            (SB + REDIRECT.format("main"), 302, 302),
            (REDIRECT.format("main"), 302, 302),
        ]
        for clear_sa in (False, True):
            if clear_sa:
                self.control(scope=SA)
            for path, status, status_after in cases:
                with self.subTest(path=path, sa_cleared=clear_sa):
                    self.assertEqual(self.request("GET", path)[0],
                                     status_after if clear_sa else status)
        # redirect_md5 is sb's alone.
        locations = [
            (SB, f"{self.base}{SB}/pkg/{'0' * 32}/package.exe"),
            (SA, f"{self.base}{SA}{SA_PKG}"),
            ("", f"{self.base}{PKG}"),
        ]
        for scope, location in locations:
            with self.subTest(redirect_in=scope):
                headers = self.request("HEAD", scope + REDIRECT.format("main"))[1]
                self.assertEqual(headers["Location"], location)

    def test_timed_faults_count_per_scope(self):
        self.control("cut=10&cut_times=1", scope=SA)
        self.control("cut=10&cut_times=1", scope=SB)
        conn = self.connect()
        try:
            conn.request("GET", SA + SA_PKG)
            with self.assertRaises(http.client.IncompleteRead) as caught:
                conn.getresponse().read()
            self.assertEqual(caught.exception.partial, SA_DATA[:10])
        finally:
            conn.close()
        # sa's one cut is used up; sb still has its own.
        self.assertEqual(self.request("GET", SA + SA_PKG)[2], SA_DATA)
        conn = self.connect()
        try:
            conn.request("GET", SB + SB_PKG)
            with self.assertRaises(http.client.IncompleteRead):
                conn.getresponse().read()
        finally:
            conn.close()

    def test_scopes_keep_logs_and_collected_records_apart(self):
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        def post(scope, records):
            body = urllib.parse.urlencode(
                {"data_list": base64.b64encode(json.dumps(records).encode()).decode()})
            return self.request("POST", scope + "/collect?project=pc", form, body)[0]

        self.control("collect_status=503", scope=SB)
        self.request("GET", SA + SA_PKG, {"Range": "bytes=0-9"})
        self.request("HEAD", SB + SB_PKG)
        self.request("GET", PKG, {"Range": "bytes=0-0"})
        self.assertEqual(post(SA, [{"scope": "sa"}]), 200)
        self.assertEqual(post(SB, [{"scope": "sb"}]), 503)
        self.assertEqual(post("", [{"scope": "default"}]), 200)

        logs = {scope: [(e["method"], e["path"], e["status"])
                        for e in self.get_json(scope + "/_log")] for scope in ("", SA, SB)}
        self.assertEqual(logs, {
            SA: [("GET", SA + SA_PKG, 206), ("POST", SA + "/collect?project=pc", 200)],
            SB: [("HEAD", SB + SB_PKG, 200), ("POST", SB + "/collect?project=pc", 503)],
            "": [("GET", PKG, 206), ("POST", "/collect?project=pc", 200)],
        })
        collected = {scope: self.get_json(scope + "/_collected") for scope in ("", SA, SB)}
        self.assertEqual(collected, {
            SA: {"records": [{"scope": "sa"}], "errors": [], "posts": 1},
            SB: {"records": [], "errors": [], "posts": 1},
            "": {"records": [{"scope": "default"}], "errors": [], "posts": 1},
        })

        # Clearing one scope's log and records leaves the others' alone.
        self.assertEqual(len(self.get_json(SA + "/_log?clear=1")), 2)
        self.get_json(SA + "/_collected?clear=1")
        self.assertEqual(self.get_json(SA + "/_log"), [])
        self.assertEqual(self.get_json(SA + "/_collected"),
                         {"records": [], "errors": [], "posts": 0})
        self.assertEqual(len(self.get_json(SB + "/_log")), 2)
        self.assertEqual(self.get_json("/_collected")["records"], [{"scope": "default"}])

    def test_scope_serves_its_own_folder_only(self):
        cases = [  # path, status, body
            (SA + SA_PKG, 200, SA_DATA),
            (SA + "/files/package.exe", 200, SA_DATA),
            (SA + SA_BETA_PKG, 200, SA_BETA_DATA),
            (SB + SB_PKG, 200, SB_DATA),
            (SB + SA_BETA_PKG, 404, None),                         # sa's route folder
            (SB + "/files/sa/package.exe", 404, None),             # no folder sa inside sb
            (SB + "/files/../sa/package.exe", 404, None),
            (SB + "/files/..%2Fsa%2Fpackage.exe", 404, None),
            (SB + f"/pkg/{MD5}/..%2Fpackage.exe", 404, None),
            (SB + "/files/beta/" + urllib.parse.quote(BETA_NAME), 404, None),  # the root's
            (SC + "/files/package.exe", 404, None),                # scope without a folder
            (SC + PKG, 404, None),
            (SA + "/nothing", 404, None),
            (SA + "/s/sb/files/package.exe", 404, None),           # scopes do not nest
        ]
        for path, status, body in cases:
            with self.subTest(path=path):
                got_status, _, got_body = self.request("GET", path)
                self.assertEqual(got_status, status)
                if body is not None:
                    self.assertEqual(got_body, body)

    def test_generated_redirects_stay_in_the_scope(self):
        cases = [  # path, Location
            (SA + REDIRECT.format("main"), f"{self.base}{SA}{SA_PKG}"),
            (SA + REDIRECT.format("beta"), f"{self.base}{SA}{SA_BETA_PKG}"),
            (SB + REDIRECT.format("main"), f"{self.base}{SB}{SB_PKG}"),
            (SB + REDIRECT.format("beta"), f"{self.base}{SB}{SB_PKG}"),  # no route folder in sb
            (SA + "/loop", f"{self.base}{SA}/loop"),
            (SA + f"/chain/2{SA_PKG}", f"{self.base}{SA}/chain/1{SA_PKG}"),
            (SA + "/chain/0/files/package.exe?x=1", f"{self.base}{SA}/files/package.exe?x=1"),
        ]
        for path, location in cases:
            with self.subTest(path=path):
                status, headers, _ = self.request("GET", path)
                self.assertEqual((status, headers["Location"]), (302, location))
        self.assertEqual(self.request("GET", SC + REDIRECT.format("main"))[0], 404)
        # Real clients end on the scope's own files.
        for path, data in ((SA + REDIRECT.format("beta"), SA_BETA_DATA),
                           (SB + "/chain/3/files/package.exe", SB_DATA)):
            with self.subTest(follow=path):
                with urllib.request.urlopen(self.base + path, timeout=5) as r:
                    self.assertEqual(r.read(), data)
        self.assertEqual([e["path"] for e in self.get_json(SB + "/_log")],
                         [SB + REDIRECT.format("main"), SB + REDIRECT.format("beta"),
                          SB + "/chain/3/files/package.exe", SB + "/chain/2/files/package.exe",
                          SB + "/chain/1/files/package.exe", SB + "/chain/0/files/package.exe",
                          SB + "/files/package.exe"])

    def test_malformed_scopes_are_refused(self):
        # Each would reach a file if its scope name were taken as a folder: the root's
        # parent holds the root as "root", and the root holds package.exe, "a b" and
        # 65 a's.
        cases = [
            ("GET", "/s/../files/root/package.exe"),
            ("GET", "/s/./files/package.exe"),
            ("GET", "/s/%2E%2E/files/root/package.exe"),
            ("GET", "/s/sa%2F..%2F../files/root/package.exe"),
            ("GET", "/s/a%20b/files/package.exe"),
            ("GET", "/s/" + "a" * 65 + "/files/package.exe"),
            ("GET", "/s//files/package.exe"),
            ("GET", "/s/sa"),
            ("HEAD", "/s/../files/root/package.exe"),
            ("POST", "/s/../collect?project=pc"),
        ]
        conn = self.connect()
        try:
            for method, path in cases:
                with self.subTest(method=method, path=path):
                    body = "data_list=W10%3D" if method == "POST" else None
                    headers = {"Content-Type": "application/x-www-form-urlencoded"} if body else {}
                    status, _, _ = self.request(method, path, headers, body, conn=conn)
                    self.assertEqual(status, 400)
        finally:
            conn.close()
        # A raw space splits the request line; the server refuses it as a whole.
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as sock:
            sock.sendall(b"GET /s/a b/files/package.exe HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            self.assertRegex(sock.recv(1024), rb"^HTTP/1\.[01] 400 ")
        # The longest name is accepted; it just has no folder.
        self.assertEqual(self.request("GET", "/s/" + "a" * 64 + "/files/package.exe")[0], 404)
        self.assertEqual(self.get_json("/_collected")["posts"], 0)


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
            not_found = None  # any body: nginx's own error page
            cases = [(PKG, "bytes=1000-1999", 206, DATA[1000:2000]),
                     (BETA_PKG, None, 200, BETA_DATA),
                     (SA + SA_PKG, "bytes=10-19", 206, SA_DATA[10:20]),
                     (SA + SA_BETA_PKG, None, 200, SA_BETA_DATA),
                     (SA + "/files/package.exe", None, 200, SA_DATA),
                     (SB + SB_PKG, None, 200, SB_DATA),
                     (SB + "/files/beta/" + urllib.parse.quote(BETA_NAME), None, 404, not_found),
                     (SC + PKG, None, 404, not_found),
                     ("/s/a%20b/files/package.exe", None, 404, not_found),
                     ("/s/" + "a" * 65 + "/files/package.exe", None, 404, not_found),
                     ("/s/sa/other/package.exe", None, 404, not_found)]
            for path, header, status, expected in cases:
                with self.subTest(path=path):
                    conn = http.client.HTTPConnection("127.0.0.1", nginx.port, timeout=5)
                    conn.request("GET", path, headers={"Range": header} if header else {})
                    response = conn.getresponse()
                    body = response.read()
                    self.assertEqual(response.status, status)
                    if expected is not not_found:
                        self.assertEqual(body, expected)
                    conn.close()
            temp_dir = nginx.temp_dir
        self.assertFalse(os.path.exists(temp_dir))
        self.assertIsNone(nginx.process)


if __name__ == "__main__":
    unittest.main()
