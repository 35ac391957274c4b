#!/usr/bin/env python3
"""Debian's nginx on 127.0.0.1, serving a folder under the test server's package URLs.

Tests use it to check the downloader against a production web server as well as
against server.py. `/pkg/{md5}/{relative path}`, `/pkg/{folders}/{md5}/{name}` and
`/files/{relative path}` map to files under the root folder, and the same URLs behind
`/s/{scope}` to files under the root's `{scope}` folder, as server.py does; nginx
answers byte ranges itself. Everything nginx writes (configuration, pid, logs, temp
folders) goes to a private temporary folder that is removed when it stops.

As a module:

    with NginxServer("/path/to/root") as nginx:
        url = nginx.url("/pkg/<md5>/package.exe")

As a program (stays in the foreground until SIGTERM or SIGINT):

    nginx_run.py --root DIR [--port-file FILE] [--tls-cert CERT --tls-key KEY]

prints `PORT <n>` when nginx answers and, with --port-file, writes the number to
that file (atomically).
"""

import argparse
import ctypes
import grp
import http.client
import os
import pwd
import secrets
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

NGINX = "/usr/sbin/nginx"
START_ATTEMPTS = 5
# A scope name as server.py accepts it: one folder name of 1-64 characters of
# [A-Za-z0-9_.-], never "." or "..". nginx matches the decoded and normalised path, so
# a name with any other character (an escaped space, say) ends at the 404 location; it
# has resolved "." and ".." segments already, the lookahead only keeps the rule whole.
SCOPE_REGEX = r"(?!\.\.?/)[A-Za-z0-9_.-]{1,64}"

CONFIG = """\
# Test-only web server on the loopback interface, written by nginx_run.py.
daemon off;
master_process on;
worker_processes 1;
{user}
pid "{tmp}/nginx.pid";
lock_file "{tmp}/nginx.lock";
error_log "{tmp}/error.log" notice;

events {{
    worker_connections 256;
}}

http {{
    access_log "{tmp}/access.log";
    client_body_temp_path "{tmp}/client_body";
    proxy_temp_path "{tmp}/proxy";
    fastcgi_temp_path "{tmp}/fastcgi";
    uwsgi_temp_path "{tmp}/uwsgi";
    scgi_temp_path "{tmp}/scgi";

    types {{ }}
    default_type application/octet-stream;
    sendfile on;
    keepalive_timeout 65s;
    server_tokens off;

    server {{
        listen 127.0.0.1:{port}{ssl_flag};
        server_name 127.0.0.1;
        root "{root}";
{ssl_lines}
        # Answers with a per-run token, so readiness is checked against this
        # nginx and not against whatever else might hold the port.
        location = /_nginx_ready {{
            default_type text/plain;
            return 200 "{token}";
        }}

        # The digest segment is dropped: first after /pkg/, or right before the name.
        location /pkg/ {{
            rewrite "^/pkg/[0-9a-f]{{32}}/(.+)$" /$1 break;
            rewrite "^/pkg/(.+)/[0-9a-f]{{32}}/([^/]+)$" /$1/$2 break;
            return 404;
        }}

        location /files/ {{
            rewrite "^/files/(.+)$" /$1 break;
            return 404;
        }}

        # The same URLs inside a scope, served from the root's folder of that name.
        location ~ "^/s/{scope}/pkg/" {{
            rewrite "^/s/({scope})/pkg/[0-9a-f]{{32}}/(.+)$" /$1/$2 break;
            rewrite "^/s/({scope})/pkg/(.+)/[0-9a-f]{{32}}/([^/]+)$" /$1/$2/$3 break;
            return 404;
        }}

        location ~ "^/s/{scope}/files/" {{
            rewrite "^/s/({scope})/files/(.+)$" /$1/$2 break;
            return 404;
        }}

        location / {{
            return 404;
        }}
    }}
}}
"""


def _config_string(value, what):
    """A path as a quoted nginx string; refuses characters nginx would interpret."""
    if any(c in value for c in '"\\$') or any(ord(c) < 32 for c in value):
        raise ValueError(f"{what} {value!r} holds a character nginx would interpret")
    return value


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _die_with_parent():
    # Linux prctl(PR_SET_PDEATHSIG, SIGTERM): nginx stops if this program is killed.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM, 0, 0, 0)


class NginxServer:
    def __init__(self, root, tls_cert=None, tls_key=None, nginx=NGINX,
                 start_timeout=15.0, die_with_parent=False, keep_files=False):
        self.root = os.path.abspath(root)
        self.tls_cert = os.path.abspath(tls_cert) if tls_cert else None
        self.tls_key = os.path.abspath(tls_key) if tls_key else None
        if bool(self.tls_cert) != bool(self.tls_key):
            raise ValueError("tls_cert and tls_key go together")
        self.nginx = nginx
        self.start_timeout = start_timeout
        self.die_with_parent = die_with_parent
        self.keep_files = keep_files
        self.port = None
        self.temp_dir = None
        self.process = None

    @property
    def scheme(self):
        return "https" if self.tls_cert else "http"

    @property
    def base_url(self):
        return f"{self.scheme}://127.0.0.1:{self.port}"

    def url(self, path):
        return self.base_url + path

    def error_log(self):
        try:
            with open(os.path.join(self.temp_dir, "error.log"), errors="replace") as f:
                return f.read()
        except (OSError, TypeError):
            return ""

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        if not os.path.isdir(self.root):
            raise FileNotFoundError(f"root folder {self.root!r} does not exist")
        self.temp_dir = tempfile.mkdtemp(prefix="nginx-test-")
        try:
            last_log = ""
            for _attempt in range(START_ATTEMPTS):
                port = free_port()
                token = secrets.token_hex(16)
                self._write_config(port, token)
                if self._launch_and_wait(port, token):
                    self.port = port
                    return self
                last_log = self.error_log()
                # Another program may have taken the port between the probe and
                # nginx's bind; only that case is worth another attempt.
                if "Address already in use" not in last_log:
                    break
            raise RuntimeError(f"nginx did not start; its error log:\n{last_log}")
        except BaseException:
            self.stop()
            raise

    def _write_config(self, port, token):
        tmp = _config_string(self.temp_dir, "temporary folder")
        user = ""
        if os.geteuid() == 0:
            # As root nginx would drop its workers to "nobody", who cannot read
            # the test's private folders; this is a test-only server on loopback.
            user = (f"user {pwd.getpwuid(0).pw_name} {grp.getgrgid(os.getegid()).gr_name};")
        ssl_flag, ssl_lines = "", ""
        if self.tls_cert:
            ssl_flag = " ssl"
            ssl_lines = (f'        ssl_certificate "{_config_string(self.tls_cert, "certificate")}";\n'
                         f'        ssl_certificate_key "{_config_string(self.tls_key, "key")}";\n')
        text = CONFIG.format(user=user, tmp=tmp, port=port, ssl_flag=ssl_flag,
                             ssl_lines=ssl_lines, token=token, scope=SCOPE_REGEX,
                             root=_config_string(self.root, "root folder"))
        with open(os.path.join(self.temp_dir, "nginx.conf"), "w") as f:
            f.write(text)
        # A previous attempt's log would be mistaken for this one's.
        try:
            os.unlink(os.path.join(self.temp_dir, "error.log"))
        except FileNotFoundError:
            pass

    def _launch_and_wait(self, port, token):
        tmp = self.temp_dir
        with open(os.path.join(tmp, "stderr.log"), "ab") as stderr:
            self.process = subprocess.Popen(
                [self.nginx, "-p", tmp + "/", "-c", os.path.join(tmp, "nginx.conf"),
                 "-e", os.path.join(tmp, "error.log")],
                stdin=subprocess.DEVNULL, stdout=stderr, stderr=stderr,
                start_new_session=True,
                preexec_fn=_die_with_parent if self.die_with_parent else None)
        deadline = time.monotonic() + self.start_timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                self.process = None
                return False
            if self._answers(port, token):
                return True
            time.sleep(0.05)
        self._terminate()
        return False

    def _answers(self, port, token):
        if self.tls_cert:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
            context.check_hostname = False
            context.verify_mode = ssl.CERT_NONE
            conn = http.client.HTTPSConnection("127.0.0.1", port, timeout=1, context=context)
        else:
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=1)
        try:
            conn.request("GET", "/_nginx_ready")
            response = conn.getresponse()
            return response.status == 200 and response.read().decode(errors="replace") == token
        except (OSError, http.client.HTTPException):
            return False
        finally:
            conn.close()

    def _terminate(self):
        process, self.process = self.process, None
        if process is None or process.poll() is not None:
            return
        # SIGQUIT: graceful stop; SIGTERM: fast stop; then kill nginx's own group.
        for sig, wait in ((signal.SIGQUIT, 5), (signal.SIGTERM, 3)):
            try:
                process.send_signal(sig)
                process.wait(wait)
                return
            except subprocess.TimeoutExpired:
                continue
            except ProcessLookupError:
                return
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()

    def stop(self):
        self._terminate()
        if self.temp_dir and not self.keep_files:
            shutil.rmtree(self.temp_dir, ignore_errors=True)
            self.temp_dir = None


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--port-file", help="file to write the port number to when ready")
    parser.add_argument("--tls-cert", help="PEM certificate chain; serves HTTPS")
    parser.add_argument("--tls-key", help="PEM private key for --tls-cert")
    parser.add_argument("--nginx", default=NGINX, help="nginx program")
    args = parser.parse_args(argv)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    server = NginxServer(args.root, args.tls_cert, args.tls_key, nginx=args.nginx,
                         die_with_parent=True)
    try:
        server.start()
    except (RuntimeError, ValueError, OSError) as exc:
        sys.stderr.write(f"nginx_run: {exc}\n")
        return 1
    try:
        if args.port_file:
            directory = os.path.dirname(os.path.abspath(args.port_file))
            fd, tmp = tempfile.mkstemp(prefix=".port-", dir=directory)
            with os.fdopen(fd, "w") as f:
                f.write(f"{server.port}\n")
            os.replace(tmp, args.port_file)
        print(f"PORT {server.port}", flush=True)
        while not stop.wait(0.5):
            if server.process is None or server.process.poll() is not None:
                sys.stderr.write("nginx_run: nginx exited\n" + server.error_log())
                return 1
        return 0
    finally:
        server.stop()


if __name__ == "__main__":
    sys.exit(main())
