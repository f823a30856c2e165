#!/usr/bin/env python3
"""FTP server for the tests: pyftpdlib on 127.0.0.1, one user with write rights in ROOT.

Prints "PORT <n>" once it listens and serves until its standard input closes (or ten minutes
pass, so a crashed test never leaves it behind). With a certificate it speaks explicit FTPS
only, and like vsftpd's require_ssl_reuse wants every data connection to resume the control
connection's TLS session. A read limit makes a slow line.
"""

import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main(root, user, password, passive_ports, read_limit, tls_cert):
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = FTPHandler
    if tls_cert:
        from OpenSSL._util import lib as openssl
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class ReusingData(TLS_DTPHandler):
            def handle_ssl_established(self):
                if not openssl.SSL_session_reused(self.socket._ssl):
                    self.cmd_channel.respond("522 SSL connection failed: session reuse required")
                    self.close()

        class Handler(TLS_FTPHandler):
            certfile = tls_cert
            tls_control_required = tls_data_required = True
            dtp_handler = ReusingData

        handler = Handler
    elif int(read_limit) > 0:
        class SlowData(ThrottledDTPHandler):
            def __init__(self, sock, cmd_channel):
                # What is not read yet waits on the sender's side, as on a slow line.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32768)
                super().__init__(sock, cmd_channel)

        SlowData.read_limit = int(read_limit)
        handler = type("SlowHandler", (FTPHandler,), {"dtp_handler": SlowData})
    handler.authorizer = authorizer
    first, last = (int(p) for p in passive_ports.split("-"))
    handler.passive_ports = range(first, last + 1)
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    threading.Timer(600, lambda: os._exit(0)).start()
    server.serve_forever()


if __name__ == "__main__":
    main(*sys.argv[1:7])
