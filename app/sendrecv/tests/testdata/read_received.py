"""Reads every message a test server saved (NNNN.eml with its NNNN.env) the way a mail
reader does, with Python's email package, and writes one JSON list into the file named by
the second argument: per message its envelope, its decoded To, Subject, text and HTML
parts, Message-ID, Date, read-receipt request, attachment names, the Content-IDs of the
inline images and the parser's defects.

Usage: read_received.py FOLDER OUTPUT.json"""

import email
import email.header
import email.policy
import email.utils
import glob
import json
import os
import sys


def decoded_name(raw):
    name, addr = email.utils.parseaddr(raw or "")
    return str(email.header.make_header(email.header.decode_header(name))), addr


out = []
for path in sorted(glob.glob(os.path.join(sys.argv[1], "[0-9][0-9][0-9][0-9].eml"))):
    data = open(path, "rb").read()
    env = open(path[:-4] + ".env").read().split("\n")
    msg = email.message_from_bytes(data, policy=email.policy.default)
    classic = email.message_from_bytes(data)
    to_name, to_addr = decoded_name(classic["To"])
    text = html = None
    attachments = []
    images = []
    defects = len(msg.defects)
    for part in msg.walk():
        defects += len(part.defects)
        if part.is_multipart():
            continue
        if part.get_content_maintype() == "image" and part["Content-ID"] is not None:
            images.append(str(part["Content-ID"]).strip())
        elif part.get_filename():
            attachments.append(part.get_filename())
        elif part.get_content_type() == "text/plain" and text is None:
            text = part.get_content().replace("\r\n", "\n")
        elif part.get_content_type() == "text/html" and html is None:
            html = part.get_content().replace("\r\n", "\n")
    out.append({
        "file": os.path.basename(path),
        "mailFrom": env[0],
        "rcpts": [r for r in env[1:] if r],
        "toName": to_name,
        "toAddress": to_addr,
        "subject": str(msg["Subject"]) if msg["Subject"] is not None else None,
        "text": text,
        "html": html,
        "messageId": msg["Message-ID"],
        "date": msg["Date"],
        "from": str(msg["From"]),
        "dispositionTo": msg["Disposition-Notification-To"],
        "attachments": attachments,
        "images": images,
        "defects": defects,
        "headers": list(msg.keys()),
    })
with open(sys.argv[2], "w") as f:
    json.dump(out, f)
