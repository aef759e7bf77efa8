"""A real SMTP server for the tests: aiosmtpd on a free loopback port.

Prints "PORT <n>" once it listens and stops when its standard input closes, so that the
test process that started it never leaves it behind. Each message is saved in the output
folder as NNNN.eml (the bytes received, dot-stuffing removed) and NNNN.env (sender and
recipients, one per line); each login attempt is appended to auth.log as
"mechanism login password", so the tests can see exactly what arrived.
"""

import argparse
import asyncio
import hmac
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Handler:
    def __init__(self, out, users, pipelining=False):
        self.out = out
        self.users = users
        self.count = 0
        self.pipelining = pipelining

    def offered(self, responses):
        """The EHLO answer with PIPELINING among the extensions when it is offered (aiosmtpd
        reads pipelined commands in order but does not say so)."""
        if self.pipelining:
            responses.insert(len(responses) - 1, "250-PIPELINING")
        return responses

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        return self.offered(responses)

    def record_auth(self, mechanism, login, password):
        with open(os.path.join(self.out, "auth.log"), "ab") as f:
            f.write(mechanism.encode() + b" " + login + b" " + password + b"\n")

    def authenticator(self, server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        self.record_auth(mechanism, auth_data.login, auth_data.password)
        ok = self.users.get(auth_data.login) == auth_data.password
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    async def auth_CRAM__MD5(self, server, args):
        challenge = b"<%d.%d@aiosmtpd.test>" % (os.getpid(), self.count)
        blob = await server.challenge_auth(challenge)
        if not isinstance(blob, bytes) or b" " not in blob:
            return AuthResult(success=False, handled=False)
        login, digest = blob.rsplit(b" ", 1)
        password = self.users.get(login)
        self.record_auth("CRAM-MD5", login, digest)
        ok = password is not None and hmac.compare_digest(
            hmac.new(password, challenge, "md5").hexdigest().encode(), digest)
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(login, b""))

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, "%04d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w") as f:
            f.write("\n".join([envelope.mail_from] + list(envelope.rcpt_tos)) + "\n")
        return "250 2.0.0 Message accepted"


async def main():
    # aiosmtpd's deprecation notes would clutter the test output.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    p = argparse.ArgumentParser()
    p.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--out", required=True)
    p.add_argument("--user", action="append", default=[], help="login:password")
    p.add_argument("--exclude", action="append", default=[], help="mechanism not offered")
    p.add_argument("--pipelining", action="store_true", help="offer PIPELINING in the EHLO answer")
    a = p.parse_args()

    users = {}
    for u in a.user:
        login, password = u.split(":", 1)
        users[login.encode()] = password.encode()
    handler = Handler(a.out, users, a.pipelining)

    context = None
    if a.tls != "none":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(a.cert, a.key)

    def factory():
        return SMTP(handler, hostname="aiosmtpd.test", decode_data=False,
                    enable_SMTPUTF8=False, auth_require_tls=False,
                    authenticator=handler.authenticator,
                    auth_exclude_mechanism=a.exclude,
                    tls_context=context if a.tls == "starttls" else None)

    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, host="127.0.0.1", port=0,
                                      ssl=context if a.tls == "implicit" else None)
    port = server.sockets[0].getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    # Stop when the parent goes away (its end of our standard input closes).
    stop = loop.create_future()
    loop.add_reader(sys.stdin.fileno(), lambda: stop.done() or
                    (os.read(sys.stdin.fileno(), 4096) == b"" and stop.set_result(None)))
    await stop
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
