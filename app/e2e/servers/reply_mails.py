#!/usr/bin/python3
"""Mails that recipients send back to the sender, for the end-to-end test.

Each command sends one mail through the test's Postfix (mail_servers.sh) to the sender's
mailbox, as a recipient's provider hands it over: plain SMTP to the sender's domain, no
AUTH, STARTTLS when --cafile is given. The mail is written as a phone or PC mail program
writes it: Japanese subject as ISO-2022-JP encoded words, ISO-2022-JP 7bit body, CRLF.
Prints the Message-ID of the mail sent; exit 0, or 1 with the reason on stderr.

  reply_mails.py receipt      --port P --from ADDR --original-id ID [--subject TEXT]
      A read receipt (multipart/report; report-type=disposition-notification) whose
      second part names ID (with or without <>) as Original-Message-ID.
  reply_mails.py refusal      --port P --from ADDR [--keyword TEXT]
      A refusal: the body's first line is "<REFUSE>", or TEXT when given (the program
      then recognises it only with its refusal keyword setting on and set to TEXT).
  reply_mails.py registration --port P --from ADDR --email ADDR2 [--sei S --mei M
                              --kana-sei S --kana-mei M] [--dm Y|N]
      A registration: the body's first line is "<REGISTER>", then the tagged values
      (<EMAIL>ADDR2</EMAIL><NAME_SEI>S</NAME_SEI> ...).
  reply_mails.py registration --port P --from ADDR --empty
      A registration by empty mail (recognised only with the program's register-with-
      empty setting on); the program registers ADDR.

Common options: --to (default sender@example.jp), --host (default 127.0.0.1),
--cafile FILE (STARTTLS, the server's certificate checked against FILE).
"""

import argparse
import smtplib
import ssl
import sys
import time
import uuid
from email.header import Header
from email.utils import formatdate


def jis_subject(text):
    """The Subject value as a Japanese mail program writes it: ISO-2022-JP B words."""
    return Header(text, "iso-2022-jp", maxlinelen=76).encode(linesep="\r\n")


def jis_body(text):
    """Body text as ISO-2022-JP bytes with CRLF line ends (7 bit)."""
    lines = text.replace("\r\n", "\n").split("\n")
    return b"\r\n".join(line.encode("iso-2022-jp") for line in lines)


def new_message_id(sender):
    domain = sender.rpartition("@")[2] or "localhost"
    return f"<{time.strftime('%Y%m%d%H%M%S')}.{uuid.uuid4().hex[:16]}@{domain}>"


def headers(args, subject, content_type, extra=()):
    message_id = new_message_id(args.from_)
    lines = [
        f"From: {args.from_}",
        f"To: {args.to}",
        f"Subject: {jis_subject(subject)}",
        f"Date: {formatdate(localtime=True)}",
        f"Message-ID: {message_id}",
        "MIME-Version: 1.0",
        *extra,
        f"Content-Type: {content_type}",
    ]
    return message_id, ("\r\n".join(lines) + "\r\n").encode("ascii")


def text_mail(args, subject, body):
    message_id, head = headers(args, subject, "text/plain; charset=ISO-2022-JP",
                               ["X-Mailer: E2E Phone Mailer 1.0"])
    return message_id, head + b"Content-Transfer-Encoding: 7bit\r\n\r\n" + jis_body(body) + b"\r\n"


def receipt(args):
    original = args.original_id.strip()
    if not original.startswith("<"):
        original = f"<{original}>"
    boundary = "----=_mdn_" + uuid.uuid4().hex
    subject = "開封確認: " + args.subject if args.subject else "開封確認"
    message_id, head = headers(
        args, subject,
        f'multipart/report; report-type=disposition-notification;\r\n\tboundary="{boundary}"',
        ["X-Mailer: E2E Mailer 1.0"])
    human = jis_body(f"{args.to} 宛てのメッセージは {formatdate(localtime=True)} に表示されました。")
    ua = args.from_.rpartition("@")[2]
    report = "\r\n".join([
        f"Reporting-UA: {ua}; E2E Mailer 1.0",
        f"Original-Recipient: rfc822;{args.from_}",
        f"Final-Recipient: rfc822;{args.from_}",
        f"Original-Message-ID: {original}",
        "Disposition: manual-action/MDN-sent-manually; displayed",
    ]).encode("ascii")
    body = b"".join([
        b"This is a multi-part message in MIME format.\r\n",
        f"--{boundary}\r\n".encode(),
        b"Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n",
        human, b"\r\n",
        f"--{boundary}\r\n".encode(),
        b"Content-Type: message/disposition-notification\r\n\r\n",
        report, b"\r\n\r\n",
        f"--{boundary}--\r\n".encode(),
    ])
    return message_id, head + b"\r\n" + body


def refusal(args):
    first = args.keyword if args.keyword else "<REFUSE>"
    return text_mail(args, "配信停止", f"{first}\n今後のメール配信を停止してください。")


def registration(args):
    if args.empty:
        # A phone's empty mail: no subject text, a body of nothing but a line end.
        message_id, head = headers(args, "", "text/plain; charset=ISO-2022-JP")
        return message_id, head + b"Content-Transfer-Encoding: 7bit\r\n\r\n\r\n"
    if not args.email:
        raise ValueError("registration needs --email (or --empty)")
    tags = [("EMAIL", args.email), ("NAME_SEI", args.sei), ("NAME_MEI", args.mei),
            ("NAME_KANASEI", args.kana_sei), ("NAME_KANAMEI", args.kana_mei),
            ("DMOK", args.dm)]
    values = "\n".join(f"<{t}>{v}</{t}>" for t, v in tags if v)
    return text_mail(args, "会員登録", f"<REGISTER>\n{values}\n")


def send(args, message_id, data):
    with smtplib.SMTP(args.host, args.port, local_hostname="mta.example.net", timeout=30) as s:
        s.ehlo()
        if args.cafile:
            s.starttls(context=ssl.create_default_context(cafile=args.cafile))
            s.ehlo()
        # A null reverse path would make it look like a bounce; a receipt has its sender.
        s.sendmail(args.from_, [args.to], data)
    print(message_id.strip("<>"))


def main(argv):
    parser = argparse.ArgumentParser(prog="reply_mails.py")
    sub = parser.add_subparsers(dest="kind", required=True)
    common = argparse.ArgumentParser(add_help=False)
    common.add_argument("--port", type=int, required=True)
    common.add_argument("--host", default="127.0.0.1")
    common.add_argument("--from", dest="from_", required=True)
    common.add_argument("--to", default="sender@example.jp")
    common.add_argument("--cafile")
    p = sub.add_parser("receipt", parents=[common])
    p.add_argument("--original-id", required=True)
    p.add_argument("--subject", default="")
    p = sub.add_parser("refusal", parents=[common])
    p.add_argument("--keyword")
    p = sub.add_parser("registration", parents=[common])
    p.add_argument("--empty", action="store_true")
    p.add_argument("--email")
    p.add_argument("--sei")
    p.add_argument("--mei")
    p.add_argument("--kana-sei")
    p.add_argument("--kana-mei")
    p.add_argument("--dm", choices=["Y", "N"])
    args = parser.parse_args(argv[1:])
    build = {"receipt": receipt, "refusal": refusal, "registration": registration}[args.kind]
    try:
        message_id, data = build(args)
        send(args, message_id, data)
    except (OSError, ValueError, smtplib.SMTPException, UnicodeError) as e:
        print(f"reply_mails.py {args.kind}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
