"""Reads the messages a test SMTP server saved (NNNN.eml with its NNNN.env) the way a mail
reader does, with Python's email package, and writes one JSON list into the file named by
the second argument: per message its envelope recipients, decoded Subject, the text of its
text/plain and text/html parts, the charset the MIME header gives the HTML part and the
charset its META element declares (None when it declares none).

Usage: read_sent_html.py FOLDER OUTPUT.json"""

import email
import email.policy
import glob
import json
import os
import re
import sys

META = re.compile(rb"<meta\b[^>]*?charset\s*=\s*[\"']?\s*([A-Za-z0-9_.:-]+)", re.IGNORECASE)

out = []
for path in sorted(glob.glob(os.path.join(sys.argv[1], "[0-9][0-9][0-9][0-9].eml"))):
    data = open(path, "rb").read()
    env = open(path[:-4] + ".env").read().split("\n")
    msg = email.message_from_bytes(data, policy=email.policy.default)
    item = {"rcpts": [r for r in env[1:] if r], "subject": str(msg["Subject"]), "text": None, "html": None,
            "htmlCharset": None, "metaCharset": None, "defects": len(msg.defects)}
    for part in msg.walk():
        item["defects"] += len(part.defects)
        if part.is_multipart():
            continue
        if part.get_content_type() == "text/plain" and item["text"] is None:
            item["text"] = part.get_content()
        elif part.get_content_type() == "text/html" and item["html"] is None:
            item["html"] = part.get_content()
            item["htmlCharset"] = part.get_content_charset()
            # The META as the bytes declare it (ASCII in every charset the program sends).
            found = META.search(part.get_payload(decode=True))
            item["metaCharset"] = found.group(1).decode("ascii").lower() if found else None
    out.append(item)
with open(sys.argv[2], "w") as f:
    json.dump(out, f)
