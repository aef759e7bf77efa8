"""Writes one line per message a test server saved (NNNN.eml with its NNNN.env, in their
order): the envelope recipient and the first 16 hex digits of the SHA-256 of the message's
bytes. MIME boundaries are random by design, so each is first replaced by "<boundary N>",
N counting the boundaries of that message in the order they first appear; every other byte
counts as it arrived.

Usage: message_digests.py FOLDER OUTPUT"""

import glob
import hashlib
import os
import re
import sys

BOUNDARY = re.compile(rb"_VARNIS_MULTIPART_[0-9]{17}_[A-Za-z0-9+/=]{4}_")

lines = []
for path in sorted(glob.glob(os.path.join(sys.argv[1], "[0-9]*.eml"))):
    data = open(path, "rb").read()
    numbers = {}
    data = BOUNDARY.sub(lambda m: b"<boundary %d>" % numbers.setdefault(m.group(0), len(numbers) + 1), data)
    rcpt = open(path[:-4] + ".env").read().split("\n")[1]
    lines.append("%s %s\n" % (rcpt, hashlib.sha256(data).hexdigest()[:16]))
with open(sys.argv[2], "w") as f:
    f.writelines(lines)
