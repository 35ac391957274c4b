#!/usr/bin/env python3
"""Stand-in for the installer's outside HTTP parties, for tests on one machine.

It plays the redirect service, the download host that serves setup packages
(with byte ranges), the help and terms pages and the analytics collector, and
it can misbehave on request (cut transfers, wrong lengths, stalls, resets...)
so tests can drive the installer's error paths. It listens on 127.0.0.1 only.

Paths that start with /s/<scope>/ belong to a scope of their own (faults, request
log, analytics records and a sub-folder of the root), so several test processes can
share one server without seeing each other's state.

Run:  server.py --root DIR [--port 0] [--port-file FILE]
                [--tls-cert CERT --tls-key KEY] [--redirect-status 302] [--verbose]

See README.md next to this file for the URL layout and the control keys.
Python 3.11 standard library only.
"""

import argparse
import base64
import binascii
import gzip
import hashlib
import http.server
import json
import os
import re
import select
import signal
import socket
import socketserver
import ssl
import struct
import sys
import tempfile
import threading
import time
import urllib.parse

CHUNK = 64 * 1024
THROTTLE_CHUNK = 16 * 1024
MAX_POST_BODY = 64 * 1024 * 1024
DEFAULT_STALL_SECONDS = 600.0
HEX_DIGEST = re.compile(r"[0-9a-f]{32}\Z")
REDIRECT_PREFIX = "/redirect/ver1/tavelo/"
PAGE_ROUTES = ("terms", "help")

# Control endpoints: never subject to faults and not written to the request log,
# so a test's own bookkeeping does not show up among the client's requests.
CONTROL_PATHS = ("/_control", "/_log", "/_collected", "/_batches")

# /s/<scope>/<path> routes <path> within the scope <scope>. The name becomes a folder
# name under the root: only these characters, and never "." or "..".
SCOPE_PREFIX = "/s/"
SCOPE_NAME = re.compile(r"[A-Za-z0-9_.-]{1,64}\Z")

# Fault keys and how their values are parsed. Keys in TIMED_KEYS may be limited
# with KEY_times=K: the fault then applies to the next K requests it would apply
# to, and no longer afterwards.
INT_KEYS = {
    "cut", "status", "head_status", "no_length", "wrong_length", "wrong_length_get",
    "ignore_range", "long_range", "throttle", "gzip", "stall_after", "reset",
    "head_stall", "gzip_get", "collect_status", "collect_redirect",
}
FLOAT_KEYS = {"stall_seconds", "collect_delay"}
STR_KEYS = {"path_prefix", "redirect_md5"}
FLAG_KEYS = {"no_length", "wrong_length_get", "ignore_range", "gzip", "gzip_get", "reset", "head_stall"}
STATUS_KEYS = {"status", "head_status", "collect_status"}
TIMED_KEYS = {
    "cut", "status", "head_status", "no_length", "wrong_length", "ignore_range",
    "long_range", "throttle", "gzip", "stall_after", "reset", "head_stall",
    "collect_status", "redirect_md5", "collect_redirect", "collect_delay",
}
ALL_KEYS = INT_KEYS | FLOAT_KEYS | STR_KEYS


def is_disconnect(exc):
    """True for the errors a client causes by going away mid-exchange."""
    return isinstance(exc, (ConnectionError, ssl.SSLError, TimeoutError))


class Md5Cache:
    """MD5 digests of files, recomputed when a file's size, mtime or inode change."""

    def __init__(self):
        self._lock = threading.Lock()
        self._entries = {}
        self._path_locks = {}

    def digest(self, path):
        st = os.stat(path)
        key = (st.st_size, st.st_mtime_ns, st.st_ino)
        with self._lock:
            entry = self._entries.get(path)
            if entry and entry[0] == key:
                return entry[1]
            path_lock = self._path_locks.setdefault(path, threading.Lock())
        # One thread hashes a given file at a time; the others wait for its result
        # instead of reading a large file several times over.
        with path_lock:
            with self._lock:
                entry = self._entries.get(path)
                if entry and entry[0] == key:
                    return entry[1]
            h = hashlib.md5()
            with open(path, "rb") as f:
                while block := f.read(1 << 20):
                    h.update(block)
            digest = h.hexdigest()
            # Stored under the key seen before reading: if the file changed while
            # it was hashed, the next lookup sees a new key and hashes again.
            with self._lock:
                self._entries[path] = (key, digest)
            return digest


class FaultSet:
    """One configuration of faults, as set by a single /_control request."""

    def __init__(self, values=None, counters=None):
        self._lock = threading.Lock()
        self.values = dict(values or {})
        self.counters = dict(counters or {})

    @classmethod
    def parse(cls, query):
        """Build a fault set from a query string; raises ValueError on bad input."""
        values, counters = {}, {}
        for key, vals in urllib.parse.parse_qs(query, keep_blank_values=True).items():
            raw = vals[-1]
            if key.endswith("_times") and key[:-len("_times")] in TIMED_KEYS:
                counters[key[:-len("_times")]] = _parse_int(key, raw, minimum=0)
            elif key in INT_KEYS:
                values[key] = _parse_int(key, raw, minimum=0)
            elif key in FLOAT_KEYS:
                try:
                    values[key] = float(raw)
                except ValueError:
                    raise ValueError(f"{key}: not a number: {raw!r}") from None
            elif key in STR_KEYS:
                values[key] = raw
            else:
                raise ValueError(f"unknown key {key!r}; known keys: "
                                 + ", ".join(sorted(ALL_KEYS)) + ", and KEY_times")
        for key in STATUS_KEYS & values.keys():
            if not 100 <= values[key] <= 599:
                raise ValueError(f"{key}: status must be 100..599")
        if "collect_redirect" in values and not 300 <= values["collect_redirect"] <= 399:
            raise ValueError("collect_redirect: status must be 300..399")
        if values.get("collect_delay", 0) < 0:
            raise ValueError("collect_delay: must not be negative")
        if values.get("throttle") == 0:
            raise ValueError("throttle: must be at least 1 byte per second")
        for key in FLAG_KEYS:
            if values.get(key) == 0:
                del values[key]
        for key in counters:
            if key not in values:
                raise ValueError(f"{key}_times given without {key}")
        return cls(values, counters)

    def take(self, key):
        """Value of fault `key` if it applies to this request, counting it; else None."""
        with self._lock:
            if key not in self.values:
                return None
            if key in self.counters:
                if self.counters[key] <= 0:
                    return None
                self.counters[key] -= 1
            return self.values[key]

    def get(self, key, default=None):
        """Value of a modifier key, not counted."""
        return self.values.get(key, default)


NO_FAULTS = FaultSet()


def empty_collected():
    return {"records": [], "errors": [], "posts": 0}


class Scope:
    """What one scope keeps apart from the others: faults, request log, collected records
    and the folder its files are served from (which may not exist yet)."""

    def __init__(self, root, prefix):
        self.root = root
        self.prefix = prefix  # "" for the default scope, "/s/<name>" otherwise
        self.faults = NO_FAULTS
        self.request_log = []
        self.collected = empty_collected()
        self.batches = []  # the decoded JSON text of each accepted post, as sent


def _parse_int(key, raw, minimum):
    try:
        value = int(raw)
    except ValueError:
        raise ValueError(f"{key}: not an integer: {raw!r}") from None
    if value < minimum:
        raise ValueError(f"{key}: must be at least {minimum}")
    return value


def quote_path(segments):
    return "/".join(urllib.parse.quote(s, safe="") for s in segments)


class TestServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def __init__(self, port, root, ssl_context=None, redirect_status=302, verbose=False):
        self.root = os.path.abspath(root)
        self.ssl_context = ssl_context
        self.redirect_status = redirect_status
        self.verbose = verbose
        self.md5 = Md5Cache()
        # Guards the scope table, the request logs, the collected records and the ids.
        self.state_lock = threading.Lock()
        self.default_scope = Scope(self.root, "")
        self.scopes = {}
        self._next_request = 0
        self._next_connection = 0
        # Loopback only: this server must never be reachable from another machine.
        super().__init__(("127.0.0.1", port), Handler)

    def server_bind(self):
        # HTTPServer.server_bind would look the host name up; the name is fixed.
        socketserver.TCPServer.server_bind(self)
        self.server_name = "127.0.0.1"
        self.server_port = self.server_address[1]

    @property
    def scheme(self):
        return "https" if self.ssl_context else "http"

    @property
    def base_url(self):
        return f"{self.scheme}://127.0.0.1:{self.server_address[1]}"

    def scope(self, name):
        """State of the scope `name` (checked against SCOPE_NAME already), made on first use."""
        with self.state_lock:
            scope = self.scopes.get(name)
            if scope is None:
                scope = Scope(os.path.join(self.root, name), SCOPE_PREFIX + name)
                self.scopes[name] = scope
            return scope

    def next_ids(self, what):
        with self.state_lock:
            if what == "connection":
                self._next_connection += 1
                return self._next_connection
            self._next_request += 1
            return self._next_request

    def finish_request(self, request, client_address):
        # Runs in the connection's own thread: the TLS handshake happens here, so a
        # slow or failing handshake never holds up the accepting thread.
        conn = request
        handler = None
        try:
            if self.ssl_context is not None:
                conn.settimeout(30)
                try:
                    conn = self.ssl_context.wrap_socket(conn, server_side=True)
                except (ssl.SSLError, OSError) as exc:
                    if self.verbose:
                        sys.stderr.write(f"TLS handshake failed: {exc}\n")
                    return
                conn.settimeout(None)
            handler = self.RequestHandlerClass(conn, client_address, self)
        except Exception as exc:  # noqa: BLE001 - sorted below
            if not is_disconnect(exc):
                raise
        finally:
            self._close(conn, graceful=handler is not None and not handler.abrupt)

    @staticmethod
    def _close(conn, graceful):
        try:
            if graceful:
                if isinstance(conn, ssl.SSLSocket):
                    # Send close_notify so a body delimited by the end of the
                    # connection ends cleanly; wait only briefly for the peer's.
                    conn.settimeout(1.0)
                    try:
                        conn.unwrap()
                    except (OSError, ValueError):
                        pass
                else:
                    try:
                        conn.shutdown(socket.SHUT_WR)
                    except OSError:
                        pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def shutdown_request(self, request):
        try:
            request.close()
        except OSError:
            pass

    def handle_error(self, request, client_address):
        if is_disconnect(sys.exc_info()[1]):
            return
        super().handle_error(request, client_address)

    def warm_md5_cache(self):
        for dirpath, _dirs, files in os.walk(self.root):
            for name in files:
                path = os.path.join(dirpath, name)
                try:
                    if os.path.isfile(path):
                        self.md5.digest(path)
                except OSError:
                    pass


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1"
    sys_version = ""

    def version_string(self):
        return self.server_version

    # ---- connection lifetime -------------------------------------------------

    def setup(self):
        super().setup()
        self.abrupt = False
        self.conn_id = self.server.next_ids("connection")

    def log_message(self, format, *args):  # noqa: A002 - name from the base class
        if self.server.verbose:
            sys.stderr.write("%s - %s\n" % (self.address_string(), format % args))

    def do_GET(self):
        self._dispatch()

    def do_HEAD(self):
        self._dispatch()

    def do_POST(self):
        self._dispatch()

    # ---- per-request plumbing ------------------------------------------------

    def _dispatch(self):
        self.entry = None
        self.faults_applied = []
        target = self.path
        if target.startswith(("http://", "https://")):
            parts = urllib.parse.urlsplit(target)
            target = parts.path + ("?" + parts.query if parts.query else "")
        raw_path, _, self.query = target.partition("?")
        # From here on raw_path is the path within the request's scope.
        self.scope, raw_path, scope_error = self._split_scope(raw_path)
        self.raw_path = raw_path
        try:
            # The request line arrives as ISO-8859-1 text; recover its bytes so both
            # percent-escaped and raw UTF-8 paths decode to the same name.
            path = urllib.parse.unquote_to_bytes(raw_path.encode("latin-1")).decode("utf-8")
        except UnicodeError:
            path = None
        if scope_error or path not in CONTROL_PATHS:
            self._open_log_entry()
        started = time.monotonic()
        try:
            if scope_error:
                if self.command == "POST":
                    self._discard_body()
                self._simple(400, scope_error)
            elif path is None:
                self._simple(400, "bad percent-encoding in path\n")
            else:
                self._route(path)
        finally:
            if self.entry is not None:
                self.entry["duration"] = round(time.monotonic() - started, 4)

    def _split_scope(self, raw_path):
        """(scope, raw path within it, error text or None) for a raw request path.

        The scope name is checked as sent, before any percent-decoding, so an escaped
        "/" or "." can never make it name another folder. A malformed name leaves the
        request in the default scope, to be refused there.
        """
        if not raw_path.startswith(SCOPE_PREFIX):
            return self.server.default_scope, raw_path, None
        name, slash, rest = raw_path[len(SCOPE_PREFIX):].partition("/")
        if not slash or not SCOPE_NAME.match(name) or name in (".", ".."):
            return (self.server.default_scope, raw_path,
                    "scope must be 1-64 characters of A-Z a-z 0-9 _ . - (not . or ..)"
                    " followed by a path\n")
        return self.server.scope(name), "/" + rest, None

    def _open_log_entry(self):
        headers = {}
        for name, value in self.headers.items():
            name = name.lower()
            headers[name] = f"{headers[name]}, {value}" if name in headers else value
        self.entry = {
            "id": self.server.next_ids("request"),
            "connection": self.conn_id,
            "method": self.command,
            "path": self.path,
            "headers": headers,
            "range": self.headers.get("Range"),
            "status": None,
            "body_bytes": 0,
            "faults": self.faults_applied,
            "time": time.time(),
            "duration": None,
        }
        with self.server.state_lock:
            self.scope.request_log.append(self.entry)

    def _take(self, faults, key):
        value = faults.take(key)
        if value is not None:
            self.faults_applied.append(key)
        return value

    def _start(self, status, headers):
        self.send_response(status)
        if self.entry is not None:
            self.entry["status"] = status
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()

    def _simple(self, status, text, content_type="text/plain; charset=utf-8", extra=()):
        body = text.encode("utf-8") if isinstance(text, str) else text
        no_body = status in (204, 304) or status < 200
        headers = [("Content-Type", content_type)] if not no_body else []
        headers += [("Content-Length", "0" if no_body else str(len(body)))] + list(extra)
        self._start(status, headers)
        if self.command != "HEAD" and not no_body:
            self._write(body)

    def _write(self, data):
        self.wfile.write(data)
        if self.entry is not None:
            self.entry["body_bytes"] += len(data)

    def _redirect(self, location, status=302):
        body = f"<html><body><a href=\"{location}\">moved</a></body></html>\n"
        self._simple(status, body, "text/html; charset=utf-8", extra=[("Location", location)])

    def _faults_for(self, path):
        faults = self.scope.faults
        prefix = faults.get("path_prefix")
        if prefix is not None and not path.startswith(prefix):
            return NO_FAULTS
        return faults

    def _reset(self):
        # SO_LINGER with a zero timeout makes close() send a TCP reset.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.abrupt = True
        self.close_connection = True

    def _common_faults(self, faults):
        """Reset and status faults; True if one of them answered the request."""
        if self._take(faults, "reset"):
            self._reset()
            return True
        if self.command == "HEAD":
            if self._take(faults, "head_stall"):
                # Accepted, then silence: a lookup that never gets its answer.
                self._stall(faults.get("stall_seconds", DEFAULT_STALL_SECONDS))
                self.abrupt = True
                self.close_connection = True
                return True
            status = self._take(faults, "head_status")
            if status is not None:
                self._simple(status, f"status {status}\n")
                return True
        status = self._take(faults, "status")
        if status is not None:
            self._simple(status, f"status {status}\n")
            return True
        return False

    # ---- routing -------------------------------------------------------------

    def _route(self, path):
        if self.command == "POST":
            if path == "/collect":
                self._collect()
            else:
                self._discard_body()
                self._simple(405, "method not allowed\n", extra=[("Allow", "GET, HEAD")])
            return
        if path == "/_control":
            self._control()
        elif path == "/_log":
            self._dump("request_log", lambda: [])
        elif path == "/_collected":
            self._dump("collected", empty_collected)
        elif path == "/_batches":
            self._batches()
        elif path.startswith("/pkg/"):
            self._package(path, digest_in_path=True)
        elif path.startswith("/files/"):
            self._package(path, digest_in_path=False)
        elif path.startswith(REDIRECT_PREFIX):
            self._redirect_service(path)
        elif path == "/help" or path.startswith("/help/"):
            self._page("help")
        elif path == "/redirect-to":
            self._redirect_to()
        elif path == "/loop":
            self._redirect(self.server.base_url + self.scope.prefix + "/loop")
        elif path.startswith("/chain/"):
            self._chain()
        elif path == "/collect":
            self._simple(405, "method not allowed\n", extra=[("Allow", "POST")])
        else:
            self._simple(404, "not found\n")

    def _query(self):
        return urllib.parse.parse_qs(self.query, keep_blank_values=True)

    def _control(self):
        try:
            faults = FaultSet.parse(self.query)
        except ValueError as exc:
            self._simple(400, f"{exc}\n")
            return
        self.scope.faults = faults
        self._simple(200, "ok")

    def _dump(self, attr, empty):
        clear = self._query().get("clear", ["0"])[-1] not in ("", "0")
        with self.server.state_lock:
            body = json.dumps(getattr(self.scope, attr), ensure_ascii=False)
            if clear:
                setattr(self.scope, attr, empty())
        self._simple(200, body, "application/json")

    def _batches(self):
        clear = self._query().get("clear", ["0"])[-1] not in ("", "0")
        with self.server.state_lock:
            body = "".join(text + "\n" for text in self.scope.batches)
            if clear:
                self.scope.batches = []
        self._simple(200, body)

    def _page(self, name):
        title = {"terms": "Terms of use", "help": "Help"}[name]
        self._simple(200, f"<!DOCTYPE html>\n<html><head><title>Quorrin - {title}</title></head>"
                          f"<body><h1>{title}</h1><p>Test page.</p></body></html>\n",
                     "text/html; charset=utf-8")

    def _redirect_to(self):
        url = self._query().get("url", [""])[-1]
        if not url:
            self._simple(400, "url parameter missing\n")
            return
        self._redirect(url)

    def _chain(self):
        rest = self.raw_path[len("/chain/"):]
        count, _, tail = rest.partition("/")
        if not count.isdigit():
            self._simple(400, "chain count must be a number\n")
            return
        n = int(count)
        target = f"/chain/{n - 1}/{tail}" if n > 0 else f"/{tail}"
        if self.query:
            target += "?" + self.query
        self._redirect(self.server.base_url + self.scope.prefix + target)

    # ---- redirect service ------------------------------------------------------

    def _redirect_service(self, path):
        faults = self._faults_for(path)
        if self._common_faults(faults):
            return
        route = path[len(REDIRECT_PREFIX):].split("/", 1)[0]
        if route in PAGE_ROUTES:
            self._page(route)
            return
        rel = self._choose_package(route)
        if rel is None:
            self._simple(404, f"no package for route {route!r}\n")
            return
        # redirect_md5 only ever concerns this route, so path_prefix does not limit it.
        digest = self._take(self.scope.faults, "redirect_md5")
        if digest is None:
            digest = self.server.md5.digest(os.path.join(self.scope.root, *rel))
        # The digest goes right before the file name, where the installer reads it; the
        # package URL stays in the scope the redirect service was asked in.
        location = (f"{self.server.base_url}{self.scope.prefix}/pkg/"
                    + quote_path(list(rel[:-1]) + [digest, rel[-1]]))
        self._redirect(location, self.server.redirect_status)

    def _choose_package(self, route):
        """Path segments of the package for a route word, relative to the scope's root, or None."""
        root = self.scope.root
        if route and route not in (".", "..") and os.path.isdir(os.path.join(root, route)):
            found = []
            for dirpath, _dirs, files in os.walk(os.path.join(root, route)):
                for name in files:
                    if os.path.isfile(os.path.join(dirpath, name)):
                        found.append(os.path.relpath(os.path.join(dirpath, name), root))
            if len(found) == 1:
                return found[0].split(os.sep)
        if os.path.isfile(os.path.join(root, "package.exe")):
            return ["package.exe"]
        return None

    # ---- packages ----------------------------------------------------------------

    def _resolve(self, segments):
        if not segments or any(s in ("", ".", "..") or "\0" in s for s in segments):
            return None
        path = os.path.join(self.scope.root, *segments)
        return path if os.path.isfile(path) else None

    def _package_file(self, path, digest_in_path):
        if not digest_in_path:
            return self._resolve(path[len("/files/"):].split("/"))
        segments = path[len("/pkg/"):].split("/")
        # The digest segment is either first (/pkg/{md5}/{relative path}) or right
        # before the file name (/pkg/{folders}/{md5}/{name}). It is not compared with
        # the content, so a test can hand a client a wrong digest on purpose.
        for i, segment in enumerate(segments[:-1]):
            if HEX_DIGEST.match(segment):
                found = self._resolve(segments[:i] + segments[i + 1:])
                if found:
                    return found
        return None

    def _package(self, path, digest_in_path):
        faults = self._faults_for(path)
        if self._common_faults(faults):
            return
        file_path = self._package_file(path, digest_in_path)
        if file_path is None:
            self._simple(404, "not found\n")
            return
        is_get = self.command == "GET"
        size = os.path.getsize(file_path)

        byte_range = None
        range_header = self.headers.get("Range")
        if range_header is not None and not self._take(faults, "ignore_range"):
            byte_range = parse_range(range_header, size)
            if byte_range == "unsatisfiable":
                self._simple(416, "range not satisfiable\n",
                             extra=[("Content-Range", f"bytes */{size}")])
                return
        start, end = byte_range if byte_range else (0, size)  # end is exclusive
        status = 206 if byte_range else 200
        extra_bytes = self._take(faults, "long_range") if (byte_range and is_get) else None
        source_len = (end - start) + (extra_bytes or 0)
        chunks = file_chunks(file_path, start, source_len)

        compressed = None
        # gzip_get: only GET answers are coded, HEAD announces the plain length.
        coded_here = is_get or not faults.get("gzip_get")
        if coded_here and self._take(faults, "gzip"):
            compressed = gzip_to_spool(chunks)
            body_len = compressed.tell()
            compressed.seek(0)
            chunks = spool_chunks(compressed)
        else:
            body_len = source_len

        headers = [("Content-Type", "application/octet-stream"), ("Accept-Ranges", "bytes")]
        if byte_range:
            headers.append(("Content-Range", f"bytes {start}-{end - 1}/{size}"))
        if compressed is not None:
            headers.append(("Content-Encoding", "gzip"))
        send_len = body_len
        if self._take(faults, "no_length"):
            if is_get:
                # Without a length the end of the body is the end of the connection.
                headers.append(("Connection", "close"))
        else:
            announced = body_len
            wrong = None
            if not is_get or faults.get("wrong_length_get"):
                wrong = self._take(faults, "wrong_length")
            if wrong is not None:
                announced = wrong
                send_len = min(wrong, body_len)
            headers.append(("Content-Length", str(announced)))
            if send_len < announced and is_get:
                headers.append(("Connection", "close"))

        try:
            self._start(status, headers)
            if not is_get:
                return
            cut = self._take(faults, "cut")
            stall_after = self._take(faults, "stall_after")
            throttle = self._take(faults, "throttle")
            self._send_body(chunks, send_len, cut, stall_after, throttle, faults)
        finally:
            chunks.close()
            if compressed is not None:
                compressed.close()

    def _send_body(self, chunks, send_len, cut, stall_after, throttle, faults):
        stops = [n for n in (cut, stall_after) if n is not None]
        stop_at = min(stops) if stops else None
        piece_max = min(THROTTLE_CHUNK, max(1, throttle // 20)) if throttle else CHUNK
        sent = 0
        began = time.monotonic()
        pending = b""
        while sent < send_len:
            if stop_at is not None and sent >= stop_at:
                break
            if not pending:
                pending = next(chunks, b"")
                if not pending:
                    break
            limit = min(piece_max, send_len - sent)
            if stop_at is not None:
                limit = min(limit, stop_at - sent)
            piece, pending = pending[:limit], pending[limit:]
            self._write(piece)
            sent += len(piece)
            if throttle:
                delay = began + sent / throttle - time.monotonic()
                if delay > 0:
                    time.sleep(delay)
        if stop_at is not None and sent >= stop_at and sent < send_len:
            if stall_after is not None and stall_after == stop_at:
                self._stall(faults.get("stall_seconds", DEFAULT_STALL_SECONDS))
            # The headers promised more: closing now leaves the body cut off.
            self.abrupt = True
            self.close_connection = True

    def _stall(self, seconds):
        """Keep the connection open and silent until the client leaves or time is up.

        True when the client left."""
        try:
            self.wfile.flush()
        except OSError:
            return True
        sock = self.connection
        deadline = time.monotonic() + seconds
        while (remaining := deadline - time.monotonic()) > 0:
            wait = min(0.25, remaining)
            readable, _, _ = select.select([sock], [], [], wait)
            if not readable:
                continue
            sock.settimeout(wait)
            try:
                if not sock.recv(4096):
                    return True
            except TimeoutError:
                continue
            except (OSError, ssl.SSLError):
                return True
            finally:
                try:
                    sock.settimeout(None)
                except OSError:
                    return True
        return False

    # ---- analytics collector -------------------------------------------------------

    def _read_body(self):
        """The request body, or None after answering an error."""
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            parts, total = [], 0
            while True:
                line = self.rfile.readline(1024)
                try:
                    n = int(line.split(b";")[0].strip(), 16)
                except ValueError:
                    self._simple(400, "bad chunk size\n")
                    self.close_connection = True
                    return None
                if n == 0:
                    while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(parts)
                total += n
                if total > MAX_POST_BODY:
                    self._simple(413, "body too large\n")
                    self.close_connection = True
                    return None
                parts.append(self.rfile.read(n))
                self.rfile.readline(1024)
        length = self.headers.get("Content-Length")
        if length is None or not length.strip().isdigit():
            self._simple(411, "length required\n")
            self.close_connection = True
            return None
        if int(length) > MAX_POST_BODY:
            self._simple(413, "body too large\n")
            self.close_connection = True
            return None
        return self.rfile.read(int(length))

    def _discard_body(self):
        length = self.headers.get("Content-Length", "")
        if length.strip().isdigit() and int(length) <= MAX_POST_BODY:
            self.rfile.read(int(length))
        else:
            self.close_connection = True

    def _collect(self):
        body = self._read_body()
        if body is None:
            return
        with self.server.state_lock:
            self.scope.collected["posts"] += 1
        faults = self._faults_for("/collect")
        delay = self._take(faults, "collect_delay")
        if delay is not None and self._stall(delay):
            # The client gave up waiting: the post is dropped, as if it never arrived.
            self.abrupt = True
            self.close_connection = True
            return
        redirect = self._take(faults, "collect_redirect")
        if redirect is not None:
            location = self.server.base_url + self.scope.prefix + "/collect"
            self._redirect(location + ("?" + self.query if self.query else ""), redirect)
            return
        status = self._take(faults, "collect_status")
        if status is not None:
            self._simple(status, json.dumps({"code": status}), "application/json")
            return
        try:
            text = decode_batch(self.headers.get("Content-Type", ""), body)
            records = json.loads(text)
        except ValueError as exc:
            error = {"error": str(exc), "time": time.time(),
                     "body_prefix": body[:200].decode("latin-1")}
            with self.server.state_lock:
                self.scope.collected["errors"].append(error)
            self._simple(400, json.dumps({"code": 1, "error": str(exc)}), "application/json")
            return
        with self.server.state_lock:
            self.scope.collected["records"].extend(records)
            self.scope.batches.append(text)
        self._simple(200, json.dumps({"code": 0}), "application/json")


def decode_batch(content_type, body):
    """The JSON array text of one analytics post, checked to be an array; raises
    ValueError when it does not decode."""
    if content_type.split(";")[0].strip().lower() != "application/x-www-form-urlencoded":
        raise ValueError(f"content type {content_type!r} is not a url-encoded form")
    try:
        form = urllib.parse.parse_qs(body.decode("ascii"), keep_blank_values=True,
                                     strict_parsing=True)
    except (UnicodeDecodeError, ValueError) as exc:
        raise ValueError(f"form does not parse: {exc}") from None
    if "data_list" not in form:
        raise ValueError("form has no data_list field")
    try:
        data = base64.b64decode(form["data_list"][-1], validate=True)
    except (binascii.Error, ValueError) as exc:
        raise ValueError(f"data_list is not base64: {exc}") from None
    if form.get("gzip", ["0"])[-1] == "1":
        try:
            data = gzip.decompress(data)
        except (OSError, EOFError, ValueError) as exc:
            raise ValueError(f"data_list does not gunzip: {exc}") from None
    try:
        text = data.decode("utf-8")
        records = json.loads(text)
    except (UnicodeDecodeError, ValueError) as exc:
        raise ValueError(f"data_list is not JSON: {exc}") from None
    if not isinstance(records, list):
        raise ValueError("data_list is not a JSON array")
    return text


def parse_range(header, size):
    """(start, end exclusive) for a single byte range, 'unsatisfiable', or None.

    None means the header is ignored (malformed, several ranges, other unit), as
    a server may do; the full body is then sent with 200.
    """
    unit, _, ranges_text = header.partition("=")
    if unit.strip().lower() != "bytes" or "," in ranges_text:
        return None
    first, dash, last = ranges_text.strip().partition("-")
    first, last = first.strip(), last.strip()
    if not dash or not (first.isdigit() or first == "") or not (last.isdigit() or last == ""):
        return None
    if first == "":
        if last == "":
            return None
        suffix = int(last)
        if suffix == 0 or size == 0:
            return "unsatisfiable"
        return max(0, size - suffix), size
    start = int(first)
    if last != "" and int(last) < start:
        return None
    if start >= size:
        return "unsatisfiable"
    end = size if last == "" else min(size, int(last) + 1)
    return start, end


def file_chunks(path, start, length):
    """`length` bytes from `path` at `start`, padded with zero bytes past its end."""
    with open(path, "rb") as f:
        f.seek(start)
        remaining = length
        while remaining > 0:
            block = f.read(min(CHUNK, remaining))
            if not block:
                break
            remaining -= len(block)
            yield block
    while remaining > 0:
        block = bytes(min(CHUNK, remaining))
        remaining -= len(block)
        yield block


def gzip_to_spool(chunks):
    """Gzip the chunks into a spooled temporary file positioned at its end."""
    spool = tempfile.SpooledTemporaryFile(max_size=8 * 1024 * 1024)
    # The fastest level: tests need a coded body, not a small one.
    with gzip.GzipFile(fileobj=spool, mode="wb", mtime=0, compresslevel=1) as gz:
        for block in chunks:
            gz.write(block)
    return spool


def spool_chunks(spool):
    while block := spool.read(CHUNK):
        yield block


def write_port_file(path, port):
    directory = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(prefix=".port-", dir=directory)
    with os.fdopen(fd, "w") as f:
        f.write(f"{port}\n")
    os.replace(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1; 0 picks one")
    parser.add_argument("--port-file", help="file to write the port number to when ready")
    parser.add_argument("--tls-cert", help="PEM certificate chain; serves HTTPS")
    parser.add_argument("--tls-key", help="PEM private key for --tls-cert")
    parser.add_argument("--redirect-status", type=int, default=302,
                        help="status of the redirect service's answers")
    parser.add_argument("--verbose", action="store_true", help="log each request to stderr")
    args = parser.parse_args(argv)
    if not os.path.isdir(args.root):
        parser.error(f"--root {args.root!r} is not a folder")
    if bool(args.tls_cert) != bool(args.tls_key):
        parser.error("--tls-cert and --tls-key go together")
    if not 300 <= args.redirect_status <= 399:
        parser.error("--redirect-status must be a 3xx status")

    context = None
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)

    server = TestServer(args.port, args.root, context, args.redirect_status, args.verbose)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                     daemon=True).start()
    threading.Thread(target=server.warm_md5_cache, daemon=True).start()

    port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, port)
    print(f"PORT {port}", flush=True)
    while not stop.wait(0.5):
        pass
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
