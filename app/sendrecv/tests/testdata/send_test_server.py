"""The project's aiosmtpd test server (platform/netssl/tests/servers/smtp_server.py) with
the misbehaviours a send run must survive, for the send run's tests and benchmark.

Prints "PORT <n>" once it listens and stops when its standard input closes. Each message
is saved as NNNN.eml / NNNN.env by the project's handler; each session's greeting is
appended to sessions.log, so a test can count connections.

  --servers DIR          the folder of smtp_server.py
  --refuse ADDRESS       answer RCPT TO of this address with 550 (repeatable)
  --drop-after N         close the connection after every N-th accepted message ...
  --drop-mode MODE       ... once the 250 went out ("reply") or instead of it ("noreply":
                         the message is saved but the client never hears so)
  --refuse-mail-after N  answer MAIL FROM with 451 once N messages were accepted
  --hang-up-mail-after N answer MAIL FROM with 421 once N messages were accepted, then say
                         nothing more and leave the connection open until the client closes it
  --delay-message K:S    hold the reply to the K-th message for S seconds (saved after it)
  --defer-rcpt A=C:N     answer RCPT TO of address A with the code C (450, 452 ...) the first
                         N times (0: always), as greylisting, a full mailbox or a rate limit do
  --defer-data A=C:N     answer the end of a message to A with C the first N times (not saved)
  --unanswered A=M:N     save a message to A, then give no reply the first N times: M "drop"
                         closes the connection, "silent" holds it until the client gives up
  --sequence A=F1,F2,... the fault of each message to A in turn (each RCPT TO of A begins
                         one), then none: "ok"; "rcpt450", "rcpt550" (RCPT TO answered so);
                         "data451" (the end of the message answered 451, not saved);
                         "kept451" (saved, then 451); "drop" (saved, then the connection
                         closed without a reply); "silent" (saved, then no reply until the
                         client gives up); "extra-mail", "extra-rcpt", "extra-data",
                         "extra-end" (one reply too many, "250 2.0.0 Extra reply", after the
                         reply to MAIL, RCPT, DATA or the end of the message: written before
                         RCPT's reply, after it, before the end's reply, after it)
  --drip-ehlo S:L        answer EHLO with L lines, one every S seconds
  --pipelining           offer PIPELINING in the EHLO answer
"""

import argparse
import asyncio
import logging
import os
import sys
import warnings

# The reply a server that answers twice adds.
EXTRA = b"250 2.0.0 Extra reply"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--servers", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--refuse", action="append", default=[])
    p.add_argument("--drop-after", type=int, default=0)
    p.add_argument("--drop-mode", choices=["reply", "noreply"], default="reply")
    p.add_argument("--refuse-mail-after", type=int, default=0)
    p.add_argument("--hang-up-mail-after", type=int, default=0)
    p.add_argument("--delay-message", default="")
    p.add_argument("--defer-rcpt", action="append", default=[])
    p.add_argument("--defer-data", action="append", default=[])
    p.add_argument("--unanswered", action="append", default=[])
    p.add_argument("--sequence", action="append", default=[])
    p.add_argument("--drip-ehlo", default="")
    p.add_argument("--pipelining", action="store_true")
    a = p.parse_args()

    def faults(options):
        """{address: [what, times left (None: always)]} from "A=WHAT:N" options."""
        out = {}
        for option in options:
            address, rest = option.rsplit("=", 1)
            what, times = rest.split(":")
            out[address.lower()] = [what, int(times) or None]
        return out

    def due(table, address):
        """The fault for `address` if it is still due, counting it once."""
        entry = table.get(address.lower())
        if entry is None or entry[1] == 0:
            return None
        if entry[1] is not None:
            entry[1] -= 1
        return entry[0]

    defer_rcpt = faults(a.defer_rcpt)
    defer_data = faults(a.defer_data)
    unanswered = faults(a.unanswered)
    sequences = {}
    for option in a.sequence:
        address, steps = option.rsplit("=", 1)
        sequences[address.lower()] = steps.split(",")

    sys.path.insert(0, a.servers)
    from smtp_server import Handler
    from aiosmtpd.smtp import SMTP

    refused = {r.lower() for r in a.refuse}
    delay_at, delay_secs = (int(x) for x in a.delay_message.split(":")) if a.delay_message else (0, 0)

    class MisbehavingHandler(Handler):
        async def handle_EHLO(self, server, session, envelope, hostname, responses):
            session.host_name = hostname
            with open(os.path.join(self.out, "sessions.log"), "a") as f:
                f.write(hostname + "\n")
            if a.drip_ehlo:
                gap, lines = a.drip_ehlo.split(":")
                for i in range(int(lines)):
                    if server.transport is None or server.transport.is_closing():
                        break
                    server.transport.write(b"250-drip %d\r\n" % i)
                    await asyncio.sleep(float(gap))
            return self.offered(responses)

        async def handle_MAIL(self, server, session, envelope, address, options):
            if a.hang_up_mail_after and self.count >= a.hang_up_mail_after:
                # Says it is closing, but neither closes nor reads the commands after MAIL.
                server.transport.write(b"421 4.3.2 Service shutting down\r\n")
                while server.transport is not None and not server.transport.is_closing():
                    await asyncio.sleep(0.05)
                return "421 gone"
            if a.refuse_mail_after and self.count >= a.refuse_mail_after:
                return "451 4.7.1 Sending rate exceeded, try again later"
            envelope.mail_from = address
            envelope.mail_options.extend(options)
            return "250 OK"

        async def handle_RCPT(self, server, session, envelope, address, options):
            steps = sequences.get(address.lower())
            if steps is not None:
                step = steps.pop(0) if steps else "ok"
                if step == "rcpt450":
                    return "450 4.2.0 <%s>: Recipient address rejected: greylisted, try again later" % address
                if step == "rcpt550":
                    return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
                if step == "extra-mail":
                    server.transport.write(EXTRA + b"\r\n")
                envelope.sequence_step = step
            if address.lower() in refused:
                return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
            code = due(defer_rcpt, address)
            if code:
                return "%s 4.7.1 <%s>: Recipient address rejected: try again later" % (code, address)
            envelope.rcpt_tos.append(address)
            envelope.rcpt_options.extend(options)
            if steps is not None and getattr(envelope, "sequence_step", "") == "extra-rcpt":
                return "250 OK\r\n" + EXTRA.decode()
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            rcpt = envelope.rcpt_tos[0] if envelope.rcpt_tos else ""
            step = getattr(envelope, "sequence_step", "ok")
            if step == "data451":
                return "451 4.3.0 Temporary failure, try again later"
            if step == "kept451":
                await Handler.handle_DATA(self, server, session, envelope)
                return "451 4.3.0 Temporary failure, try again later"
            code = due(defer_data, rcpt)
            if code:
                return "%s 4.3.0 Temporary failure, try again later" % code
            mode = due(unanswered, rcpt) or (step if step in ("drop", "silent") else None)
            if mode:
                # Kept as a real server queues it, but the client never hears so.
                await Handler.handle_DATA(self, server, session, envelope)
                if mode == "drop":
                    server.transport.abort()
                else:
                    while server.transport is not None and not server.transport.is_closing():
                        await asyncio.sleep(0.05)
                return "421 gone"
            if delay_at and self.count + 1 == delay_at:
                await asyncio.sleep(delay_secs)
                if server.transport is None or server.transport.is_closing():
                    return "421 gone"
            if step == "extra-data":
                server.transport.write(EXTRA + b"\r\n")
            status = await Handler.handle_DATA(self, server, session, envelope)
            if step == "extra-end":
                status += "\r\n" + EXTRA.decode()
            if a.drop_after and self.count % a.drop_after == 0:
                if a.drop_mode == "noreply":
                    server.transport.abort()
                else:
                    asyncio.get_running_loop().call_soon(server.transport.close)
            return status

    async def serve():
        warnings.simplefilter("ignore")
        logging.getLogger("mail.log").setLevel(logging.CRITICAL)
        handler = MisbehavingHandler(a.out, {}, a.pipelining)
        loop = asyncio.get_running_loop()
        server = await loop.create_server(
            lambda: SMTP(handler, hostname="sendtest.test", decode_data=False, enable_SMTPUTF8=False),
            host="127.0.0.1", port=0)
        sys.stdout.write("PORT %d\n" % server.sockets[0].getsockname()[1])
        sys.stdout.flush()
        stop = loop.create_future()
        loop.add_reader(sys.stdin.fileno(), lambda: stop.done() or
                        (os.read(sys.stdin.fileno(), 4096) == b"" and stop.set_result(None)))
        await stop
        server.close()

    asyncio.run(serve())


if __name__ == "__main__":
    main()
