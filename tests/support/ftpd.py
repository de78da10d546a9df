#!/usr/bin/python3
"""A throw-away FTP server for the test suites, built on Debian's pyftpdlib.

It listens on 127.0.0.1 (or the address of --listen, e.g. ::1) on a port the
system chooses, prints that port as the
first line of its standard output and serves one folder to one account until
its standard input reaches end of file (so it never outlives the test that
started it) or it is killed.

    ftpd.py --root DIR [--user NAME --password WORD] [--anonymous]
            [--banner TEXT] [--fault CMD=CODE ...] [--masquerade ADDR]
            [--listen ADDR] [--tls-cert FILE --tls-key FILE [--tls-cut-data]
            [--tls-data-cert FILE] [--refuse-auth-after N] [--tls-renegotiate]]
            [--stall-uploads] [--write-only DIR] [--keeper NAME:WORD [--keeper-writes DIR]]
            [--store-rate BYTES] [--retr-rate BYTES] [--print-arrivals] [--command-log FILE]

--fault answers every CMD (for example RETR, SYST, PORT) with CODE and a short
text instead of running the command, after the usual login checks; CMD=CODExN
answers only the first N of them so.  A banner
longer than 75 characters makes pyftpdlib send a multi-line greeting.
--masquerade makes PASV replies name ADDR instead of 127.0.0.1.
--tls-cert serves explicit FTPS (RFC 4217) with that certificate and key and
refuses a login or a data connection in the clear; --tls-cut-data then ends
every data connection without TLS's close_notify; --tls-data-cert shows that
certificate (same key) on data connections, from a context of its own without
session tickets or cache, so that no data connection resumes the control
connection's session; --refuse-auth-after N serves TLS to the first N control
connections only, then answers "AUTH" with 502 and takes the login in the
clear, as a server that stopped offering TLS (or a path that strips it).
--command-log appends every command line received to FILE, "tls " or
"clear " in front as it came, so a test can tell what went in clear.
every data connection without TLS's close_notify; --tls-renegotiate speaks
TLS 1.2 at most and asks the client to renegotiate with its reply to the login.
--stall-uploads never reads the data of a STOR once its connection is set up
(under TLS: once the handshake is done), so the client's sends fill up.
--write-only makes DIR (under the root, created if missing) a folder every
account may enter and store into, but not list, read, rename or delete in.
--keeper adds the list's keepers' account NAME with password WORD, which may
enter and list the root, and list, read, rename and make folders in the
--write-only folder (else the root); with --keeper-writes also store, rename
and delete in DIR (under the root), where the keepers publish the list.
--store-rate lets uploads arrive at most BYTES per second, and --retr-rate
sends downloads at most so fast, so that a test can act while one runs.
--print-arrivals prints a line "arrived PATH SIZE" on standard output for each
file stored, PATH relative to the root.
"""

import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def parse_faults(items):
    faults = {}
    for item in items:
        cmd, sep, code = item.partition("=")
        code, _, count = code.partition("x")
        if not sep or not code.isdigit() or len(code) != 3 or (count and not count.isdigit()):
            raise SystemExit("ftpd.py: --fault wants CMD=CODE[xN], got %r" % item)
        # [code, how many more times; None: always]
        faults[cmd.strip().upper()] = [int(code), int(count) if count else None]
    return faults


def make_handler(args):
    faults = parse_faults(args.fault)

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        base = TLS_FTPHandler
        base.certfile = args.tls_cert
        base.keyfile = args.tls_key
        base.tls_control_required = True
        base.tls_data_required = True
        dtp = TLS_DTPHandler
        if args.tls_renegotiate:
            from OpenSSL import SSL

            base.ssl_options = base.ssl_options | SSL.OP_NO_TLSv1_3
        if args.tls_cut_data:
            class CutDTPHandler(dtp):
                def close(self):
                    # A plain close, as if the connection had been cut.
                    self._ssl_established = False
                    super().close()

            dtp = CutDTPHandler
        if args.tls_data_cert:
            from OpenSSL import SSL

            data_context = SSL.Context(SSL.SSLv23_METHOD)
            data_context.use_certificate_chain_file(args.tls_data_cert)
            data_context.use_privatekey_file(args.tls_key)
            data_context.set_options(SSL.OP_NO_TICKET)
            data_context.set_session_cache_mode(SSL.SESS_CACHE_OFF)

            class OtherCertificateDTPHandler(dtp):
                def secure_connection(self, ssl_context):
                    super().secure_connection(data_context)

            dtp = OtherCertificateDTPHandler
        base.dtp_handler = dtp

    if args.store_rate or args.retr_rate:
        from pyftpdlib.handlers import ThrottledDTPHandler

        class SlowStoreDTPHandler(ThrottledDTPHandler):
            read_limit = args.store_rate or 0
            write_limit = args.retr_rate or 0

        base.dtp_handler = SlowStoreDTPHandler

    if args.stall_uploads:
        class StallingDTPHandler(base.dtp_handler):
            def handle_read_event(self):
                # Once TLS is up (at once without it) the channel is taken off the
                # loop: nothing of the upload is ever read.
                if self.receive and getattr(self, "_ssl_established", True):
                    self.del_channel()
                    return
                super().handle_read_event()

        base.dtp_handler = StallingDTPHandler

    class FaultyHandler(base):
        connections = 0

        def __init__(self, *a, **kw):
            super().__init__(*a, **kw)
            type(self).connections += 1
            self.refuse_auth = (args.refuse_auth_after is not None
                                and type(self).connections > args.refuse_auth_after)
            if self.refuse_auth:
                self.tls_control_required = False
                self.tls_data_required = False

        def pre_process_command(self, line, cmd, arg):
            if args.command_log:
                secure = type(self.socket).__module__.startswith("OpenSSL")
                with open(args.command_log, "a") as log:
                    log.write(("tls " if secure else "clear ") + line + "\n")
            super().pre_process_command(line, cmd, arg)

        def process_command(self, cmd, *a, **kw):
            if cmd == "AUTH" and getattr(self, "refuse_auth", False):
                self.respond("502 AUTH not supported.")
                return
            fault = faults.get(cmd)
            if fault is not None and fault[1] != 0:
                if fault[1] is not None:
                    fault[1] -= 1
                self.respond("%d Injected fault for %s." % (fault[0], cmd))
                return
            super().process_command(cmd, *a, **kw)

        def on_login(self, username):
            if args.tls_renegotiate:
                # The login reply, queued but not yet sent, goes after the request.
                self.socket.renegotiate()

        def on_file_received(self, file):
            if args.print_arrivals:
                name = os.path.relpath(file, args.root)
                sys.stdout.write("arrived %s %d\n" % (name, os.path.getsize(file)))
                sys.stdout.flush()

    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.anonymous:
        authorizer.add_anonymous(args.root)
    if args.keeper:
        name, _, word = args.keeper.partition(":")
        if args.write_only:
            folder = os.path.join(args.root, args.write_only)
            os.makedirs(folder, exist_ok=True)
            authorizer.add_user(name, word, args.root, perm="el")
            authorizer.override_perm(name, folder, "elrfm", recursive=True)
        else:
            authorizer.add_user(name, word, args.root, perm="elrfm")
        if args.keeper_writes:
            authorizer.override_perm(name, os.path.join(args.root, args.keeper_writes), "elradfmw",
                                     recursive=True)
    if args.write_only:
        folder = os.path.join(args.root, args.write_only)
        os.makedirs(folder, exist_ok=True)
        for name in ([args.user] if args.user else []) + (["anonymous"] if args.anonymous else []):
            authorizer.override_perm(name, folder, "ew", recursive=True)
    FaultyHandler.authorizer = authorizer
    if args.banner is not None:
        FaultyHandler.banner = args.banner
    if args.masquerade:
        FaultyHandler.masquerade_address = args.masquerade
    return FaultyHandler


def watch_stdin():
    # The launching test holds our standard input; when it goes away, so do we.
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def main():
    parser = argparse.ArgumentParser(description="loopback FTP server for tests")
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="quorvane")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--banner")
    parser.add_argument("--fault", action="append", default=[])
    parser.add_argument("--masquerade")
    parser.add_argument("--listen", default="127.0.0.1")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--tls-cut-data", action="store_true")
    parser.add_argument("--tls-data-cert")
    parser.add_argument("--refuse-auth-after", type=int)
    parser.add_argument("--command-log")
    parser.add_argument("--tls-renegotiate", action="store_true")
    parser.add_argument("--stall-uploads", action="store_true")
    parser.add_argument("--write-only")
    parser.add_argument("--keeper")
    parser.add_argument("--keeper-writes")
    parser.add_argument("--store-rate", type=int)
    parser.add_argument("--retr-rate", type=int)
    parser.add_argument("--print-arrivals", action="store_true")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.verbose else logging.ERROR,
                        stream=sys.stderr)
    server = FTPServer((args.listen, 0), make_handler(args))
    server.max_cons = 64
    sys.stdout.write("%d\n" % server.address[1])
    sys.stdout.flush()
    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
