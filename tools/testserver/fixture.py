#!/usr/bin/env python3
"""Starts and stops the stand-in servers for one test run (a CTest fixture).

    fixture.py start --state FILE --root DIR   # package server (HTTP and HTTPS) and nginx
    fixture.py stop --state FILE

`start` returns once every server answers and writes FILE as key=value lines:
port, tls_port, nginx_port, root, ca_file, pids. The servers run in their own sessions
with their output in log files beside FILE, so they never hold a caller's pipes open.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent


def wait_for_port(port_file, process, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if port_file.exists():
            text = port_file.read_text().strip()
            if text:
                return int(text)
        if process.poll() is not None:
            raise RuntimeError(f"server ended early with {process.returncode}; see its log")
        time.sleep(0.05)
    raise RuntimeError(f"no port in {port_file} after {seconds} s")


def spawn(args, log):
    with open(log, "ab") as out:
        return subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=out, stderr=out, start_new_session=True)


def make_certificate(folder):
    cert, key = folder / "server-cert.pem", folder / "server-key.pem"
    if not cert.exists():
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                        "-out", str(cert), "-days", "30", "-subj", "/CN=127.0.0.1",
                        "-addext", "subjectAltName=IP:127.0.0.1", "-addext", "basicConstraints=critical,CA:TRUE"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def start(state, root):
    stop(state)  # a leftover of an interrupted run
    folder = state.parent
    folder.mkdir(parents=True, exist_ok=True)
    root.mkdir(parents=True, exist_ok=True)
    cert, key = make_certificate(folder)
    servers = {
        "port": [sys.executable, str(HERE / "server.py"), "--root", str(root)],
        "tls_port": [sys.executable, str(HERE / "server.py"), "--root", str(root),
                     "--tls-cert", str(cert), "--tls-key", str(key)],
        "nginx_port": [sys.executable, str(HERE / "nginx_run.py"), "--root", str(root)],
    }
    values, pids = {}, []
    for name, args in servers.items():
        port_file = folder / f"{name}.txt"
        port_file.unlink(missing_ok=True)
        process = spawn(args + ["--port-file", str(port_file)], folder / f"{name}.log")
        pids.append(process.pid)
        values[name] = wait_for_port(port_file, process)
    values.update(root=str(root), ca_file=str(cert), pids=",".join(map(str, pids)))
    temporary = state.with_suffix(".new")
    temporary.write_text("".join(f"{k}={v}\n" for k, v in values.items()))
    temporary.replace(state)


def stop(state):
    if not state.exists():
        return
    values = dict(line.split("=", 1) for line in state.read_text().splitlines() if "=" in line)
    pids = [int(p) for p in values.get("pids", "").split(",") if p]
    for pid in pids:
        try:
            os.killpg(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass  # already gone
    deadline = time.monotonic() + 10
    for pid in pids:
        while time.monotonic() < deadline:
            try:
                os.killpg(pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.05)
        else:
            try:
                os.killpg(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    state.unlink(missing_ok=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("command", choices=["start", "stop"])
    parser.add_argument("--state", required=True, type=Path)
    parser.add_argument("--root", type=Path)
    args = parser.parse_args()
    if args.command == "start":
        if args.root is None:
            parser.error("start needs --root")
        start(args.state.resolve(), args.root.resolve())
    else:
        stop(args.state.resolve())


if __name__ == "__main__":
    main()
