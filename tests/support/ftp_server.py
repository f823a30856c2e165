#!/usr/bin/env python3
"""FTP server for the tests: pyftpdlib on 127.0.0.1, one user with write rights in a given root.

Prints "PORT <n>" once it listens, then serves until its standard input closes, it is
terminated, or --lifetime seconds have passed (so a crashed test never leaves it behind).

With --tls-cert (a PEM file holding the certificate and its key) it speaks explicit FTPS
only, as a strict server does: AUTH TLS before USER, PROT P before PASV, and, as vsftpd's
require_ssl_reuse, every data connection must resume the control connection's TLS session.
With --tls-optional as well, it also serves clients in clear, and takes any data connection.
"""

import argparse
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--passive-ports", default="", help="FIRST-LAST")
    parser.add_argument("--lifetime", type=float, default=600.0)
    parser.add_argument("--read-limit", type=int, default=0,
                        help="BYTES_PER_SECOND a data connection takes, 0 for no limit")
    parser.add_argument("--tls-cert", default="",
                        help="PEM file with certificate and key: FTPS required")
    parser.add_argument("--tls-optional", action="store_true",
                        help="with --tls-cert: FTPS offered, not required")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    if args.tls_cert:
        from OpenSSL._util import lib as openssl
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class ReusingData(TLS_DTPHandler):
            def handle_ssl_established(self):
                if not openssl.SSL_session_reused(self.socket._ssl):
                    self.cmd_channel.respond(
                        "522 SSL connection failed: session reuse required")
                    self.close()

        class Handler(TLS_FTPHandler):
            certfile = args.tls_cert
            tls_control_required = not args.tls_optional
            tls_data_required = not args.tls_optional
            dtp_handler = TLS_DTPHandler if args.tls_optional else ReusingData
    else:
        class Handler(FTPHandler):
            pass

    Handler.authorizer = authorizer
    if args.passive_ports:
        first, last = (int(p) for p in args.passive_ports.split("-"))
        Handler.passive_ports = range(first, last + 1)
    if args.read_limit > 0 and not args.tls_cert:
        class SlowData(ThrottledDTPHandler):
            read_limit = args.read_limit

            def __init__(self, sock, cmd_channel):
                # A small receive buffer, so what the server has not read yet waits on the
                # sender's side, as on a slow line, rather than in this end's kernel.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32768)
                super().__init__(sock, cmd_channel)

        Handler.dtp_handler = SlowData

    server = FTPServer(("127.0.0.1", args.port), Handler)
    print("PORT %d" % server.address[1], flush=True)

    def end_when_stdin_closes():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=end_when_stdin_closes, daemon=True).start()
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
