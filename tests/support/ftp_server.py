#!/usr/bin/env python3
"""pyftpdlib on 127.0.0.1 for the tests: one user with write rights in ROOT. Prints "PORT <n>"
once it listens; ends when its input closes, or after ten minutes. With a certificate: explicit
FTPS only, every data connection resuming the control connection's TLS session (as vsftpd's
require_ssl_reuse wants). A read limit makes a slow line."""

import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main(root, user, password, read_limit, tls_cert):
    handler = FTPHandler
    if tls_cert:
        from OpenSSL._util import lib as openssl
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class ReusingData(TLS_DTPHandler):
            def handle_ssl_established(self):
                if not openssl.SSL_session_reused(self.socket._ssl):
                    self.cmd_channel.respond("522 SSL connection failed: session reuse required")
                    self.close()

        handler = type("Handler", (TLS_FTPHandler,), {"certfile": tls_cert, "dtp_handler": ReusingData,
                                                      "tls_control_required": True,
                                                      "tls_data_required": True})
    elif int(read_limit) > 0:
        class SlowData(ThrottledDTPHandler):
            def __init__(self, sock, cmd_channel):
                # What is not read yet waits on the sender's side, as on a slow line.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32768)
                super().__init__(sock, cmd_channel)

        SlowData.read_limit = int(read_limit)
        handler = type("SlowHandler", (FTPHandler,), {"dtp_handler": SlowData})
    handler.authorizer = DummyAuthorizer()
    handler.authorizer.add_user(user, password, root, perm="elradfmwMT")
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    threading.Timer(600, lambda: os._exit(0)).start()
    server.serve_forever()


main(*sys.argv[1:6])
