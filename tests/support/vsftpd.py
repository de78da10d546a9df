#!/usr/bin/python3
"""Runs Debian's vsftpd for the tests and benchmarks, on 127.0.0.1 only (or on
::1 only, with --ipv6).

vsftpd cannot listen on port 0, so a free port is picked by binding one and
releasing it; should another process take it in between, the start is retried.
The server runs standalone in the foreground under its own configuration
(written into --workdir), serves --root to anonymous logins (user "anonymous",
any password), and is stopped when this script's standard input reaches end
of file or the script is killed.  The first line of standard output is the port.

    vsftpd.py --root DIR --workdir DIR [--banner TEXT] [--ipv6] [--set KEY=VALUE ...]

--set replaces or adds one configuration line, e.g. --set port_enable=NO for a
server that refuses active mode or --set pasv_enable=NO for one that refuses
passive mode.
"""

import argparse
import os
import signal
import socket
import subprocess
import sys
import threading
import time

VSFTPD = "/usr/sbin/vsftpd"


def free_port(host):
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    with socket.socket(family, socket.SOCK_STREAM) as s:
        s.bind((host, 0))
        return s.getsockname()[1]


def write_config(path, root, port, empty_dir, banner, settings, ipv6):
    if ipv6:
        # EPSV replies name no address, so no pasv_address either.
        listen = ["listen=NO", "listen_ipv6=YES", "listen_address6=::1"]
    else:
        listen = ["listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
                  "pasv_address=127.0.0.1"]
    lines = listen + [
        "listen_port=%d" % port,
        "background=NO",
        # Root in CI: do not switch users or build the seccomp sandbox.
        "run_as_launching_user=YES",
        "seccomp_sandbox=NO",
        "isolate=NO",
        "isolate_network=NO",
        "anonymous_enable=YES",
        "no_anon_password=YES",
        "anon_root=%s" % root,
        "local_enable=NO",
        "write_enable=NO",
        "port_enable=YES",
        "pasv_enable=YES",
        "connect_from_port_20=NO",
        "secure_chroot_dir=%s" % empty_dir,
        "xferlog_enable=NO",
        "syslog_enable=NO",
        "vsftpd_log_file=/dev/null",
        "dual_log_enable=NO",
        "use_localtime=NO",
        "max_clients=64",
        "idle_session_timeout=600",
        "data_connection_timeout=120",
        "hide_ids=YES",
    ]
    if banner:
        lines.append("ftpd_banner=%s" % banner)
    for setting in settings:
        key = setting.split("=", 1)[0]
        lines = [line for line in lines if line.split("=", 1)[0] != key]
        lines.append(setting)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def wait_listening(host, port, proc, limit=5.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if proc.poll() is not None:
            return False
        try:
            with socket.create_connection((host, port), timeout=0.5) as s:
                s.recv(512)
                return True
        except OSError:
            time.sleep(0.05)
    return False


def main():
    parser = argparse.ArgumentParser(description="loopback vsftpd for tests")
    parser.add_argument("--root", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--banner")
    parser.add_argument("--ipv6", action="store_true")
    parser.add_argument("--set", action="append", default=[], metavar="KEY=VALUE")
    args = parser.parse_args()

    root = os.path.abspath(args.root)
    # vsftpd lists nothing to anonymous users in a folder others cannot read
    # (mkdtemp makes folders 0700).
    os.chmod(root, os.stat(root).st_mode | 0o755)
    workdir = os.path.abspath(args.workdir)
    empty_dir = os.path.join(workdir, "empty")
    os.makedirs(empty_dir, exist_ok=True)
    conf = os.path.join(workdir, "vsftpd.conf")

    host = "::1" if args.ipv6 else "127.0.0.1"
    proc = None
    for _ in range(5):
        port = free_port(host)
        write_config(conf, root, port, empty_dir, args.banner, args.set, args.ipv6)
        proc = subprocess.Popen([VSFTPD, conf], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=sys.stderr)
        if wait_listening(host, port, proc):
            break
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        proc = None
    if proc is None:
        sys.stderr.write("vsftpd.py: vsftpd did not start\n")
        return 1

    def stop(*_):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                proc.kill()
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    sys.stdout.write("%d\n" % port)
    sys.stdout.flush()

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            stop()

    threading.Thread(target=watch_stdin, daemon=True).start()
    proc.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
