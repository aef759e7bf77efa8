#!/usr/bin/python3
"""Checks what the mail servers of the end-to-end test delivered against what was meant.

    /usr/bin/python3 check_maildirs.py EXPECTATION.json

Reads every message of every maildir under the expectation's maildir_root (the layout of
mail_servers.sh: <root>/<domain>/<local>/Maildir/{new,cur}) with Python's email package
and prints one line per fault; exit 1 on any fault, 0 with one summary line otherwise,
2 when the expectation cannot be read.

The expectation (UTF-8 JSON):

  {
    "maildir_root": "<folder>/mail",
    "people": {                       optional: values shared by the mails below
      "taro@docomo.ne.jp": {"carrier": "docomo", "name": "山田 太郎",
                            "honorific": "様", "attr": "ゴールド"}, ...
    },
    "mails": [
      {
        "subject": "春のご案内",       the mail's messages are those whose decoded Subject
                                      contains this text (the longest match wins) ...
        "header": ["X-Name", "value"], ... or, when given, whose header X-Name equals value
        "recipients": {addr: {...}} or [addr, ...]   (a list takes the values of "people")
        "merged": ["name", "honorific"],             recipient values this mail merges
                                                     (default: all of them)
        "body_contains": ["text", ...],              in every copy's decoded text
        "pictograms": {"docomo": ["9021"], "au": ["7521"], "softbank": ["F98B"]},
        "html": false,                a text/html part is required
        "inline_image": false,        an image part with a Content-ID that the HTML part
                                      refers to as "cid:..." is required
        "charsets": {"softbank": "shift_jis"},       overrides of the default charsets
        "to_name": true,              the To's display name is the recipient's "to_name"
        "subject_has": ["sei"],       recipient values the decoded Subject contains
        "subject_folded": ["pc"],     for these carriers (true: all) the Subject takes more
                                      than one header line
        "line_of": [["会員番号 ", "member", ""]]   a line of the text part is exactly
                                      prefix + the recipient's value + suffix
      }, ...
    ],
    "others_get_nothing": true,
    "exclude": ["sender@example.jp"]  maildirs never looked at (default: the sender's)
  }

A recipient's values: "carrier" is pc, docomo, au or softbank (default pc); every other
string value (name, honorific, attr ...), or those the mail's "merged" names, must appear
in the decoded text of each copy.

ISO-2022-JP (text parts, encoded words of To and Subject) is read as today's mail readers
read it (iso2022jp_reader.py: the Encoding Standard's decoder, whose index holds NEC row 13
and the NEC-selected IBM rows), and a character it cannot show is a fault.

For each mail and each of its recipients, the recipient's maildir holds exactly one copy;
the copy's To names the recipient; every text part declares the carrier's charset
(iso-2022-jp for pc, docomo and au; shift_jis for softbank) and decodes with it strictly;
each pictogram code listed for the recipient's carrier (hex of the bytes as the carrier
receives them: the two JIS bytes inside an ESC $ B run for docomo and au, the Shift_JIS
code for softbank) appears in the body as a whole character, and is set aside before the
text is decoded (no codec knows them). With others_get_nothing, a maildir outside every
mail's recipients holds nothing, and a recipient's maildir holds nothing but the listed
mails. The excluded maildirs (bounces, receipts and replies live in the sender's) are
skipped, unless an address in them is a mail's recipient: then only that mail is counted.

At most 1000 fault lines are printed; a last line says how many more there were.
"""

import email
import email.policy
import html
import json
import multiprocessing
import os
import sys
from email.utils import getaddresses

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import iso2022jp_reader  # noqa: E402

DEFAULT_CHARSETS = {"pc": "iso-2022-jp", "docomo": "iso-2022-jp", "au": "iso-2022-jp",
                    "softbank": "shift_jis"}
MAX_FAULT_LINES = 1000
# Readers take Shift_JIS as code page 932 (the Encoding Standard's Shift_JIS): the NEC and
# IBM rows (髙, 﨑, ①) included, which Python's shift_jis codec refuses.
READER_CODECS = {"shift_jis": "cp932", "shift-jis": "cp932", "sjis": "cp932"}

ESC = 0x1B
DESIGNATIONS = {b"\x1b(B": 1, b"\x1b(J": 1, b"\x1b$B": 2, b"\x1b$@": 2}


def split_jis_pictograms(raw, codes):
    """The ISO-2022-JP bytes without the two-byte characters in `codes`, and the codes
    found (characters are taken whole inside each ESC $ B / ESC $ @ run)."""
    out = bytearray()
    found = set()
    width = 1
    i = 0
    n = len(raw)
    while i < n:
        if raw[i] == ESC and raw[i:i + 3] in DESIGNATIONS:
            width = DESIGNATIONS[raw[i:i + 3]]
            out += raw[i:i + 3]
            i += 3
            continue
        if width == 2 and raw[i] not in (0x0D, 0x0A) and i + 1 < n:
            pair = bytes(raw[i:i + 2])
            if pair in codes:
                found.add(pair)
            else:
                out += pair
            i += 2
            continue
        out.append(raw[i])
        i += 1
    return bytes(out), found


def decode_jis(raw):
    """ISO-2022-JP as mail readers read it; a character they cannot show raises
    UnicodeDecodeError."""
    text = iso2022jp_reader.decode_iso2022jp(bytes(raw))
    bad = text.find("\ufffd")
    if bad >= 0:
        raise UnicodeDecodeError("iso-2022-jp", bytes(raw), bad, bad + 1,
                                 f"not shown by a reader: {text[max(0, bad - 10):bad + 10]!r}")
    return text


def raw_header(msg, name):
    """The header's value as written (folding kept), or ""."""
    for key, value in msg.raw_items():
        if key.lower() == name.lower():
            return str(value)
    return ""


def decoded_header(msg, name):
    return iso2022jp_reader.decode_header_value(raw_header(msg, name))


def split_sjis_pictograms(raw, codes):
    """The Shift_JIS bytes without the characters in `codes`, and the codes found."""
    out = bytearray()
    found = set()
    i = 0
    n = len(raw)
    while i < n:
        b = raw[i]
        if (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) and i + 1 < n:
            pair = bytes(raw[i:i + 2])
            if pair in codes:
                found.add(pair)
            else:
                out += pair
            i += 2
            continue
        out.append(b)
        i += 1
    return bytes(out), found


def plain_address(address):
    """The address as its maildir is named: lower case, a quoted local part unquoted."""
    local, at, domain = address.strip().rpartition("@")
    if len(local) >= 2 and local[0] == local[-1] == '"':
        local = local[1:-1]
    return f"{local}{at}{domain}".lower()


class Mail:
    def __init__(self, index, expected, people):
        self.index = index
        self.subject = expected.get("subject")
        header = expected.get("header")
        self.header = (header[0], header[1]) if header else None
        if not self.subject and not self.header:
            raise ValueError(f"mail {index}: neither subject nor header")
        self.label = self.subject or f"{header[0]}: {header[1]}"
        recipients = expected.get("recipients", {})
        if isinstance(recipients, list):
            missing = [a for a in recipients if plain_address(a) not in people]
            if missing:
                raise ValueError(f"mail {index}: not among the people: {missing[:5]}")
            recipients = {a: people[plain_address(a)] for a in recipients}
        self.recipients = {plain_address(a): v or {} for a, v in recipients.items()}
        self.body_contains = list(expected.get("body_contains", []))
        merged = expected.get("merged")
        self.merged = None if merged is None else set(merged)
        pictos = {}
        for carrier, codes in (expected.get("pictograms") or {}).items():
            if isinstance(codes, str):
                codes = [codes]
            pictos[carrier] = {bytes.fromhex(c) for c in codes if c}
        self.pictograms = pictos
        self.html = bool(expected.get("html")) or bool(expected.get("inline_image"))
        self.inline_image = bool(expected.get("inline_image"))
        self.charsets = dict(DEFAULT_CHARSETS, **(expected.get("charsets") or {}))
        self.to_name = bool(expected.get("to_name"))
        self.subject_has = list(expected.get("subject_has", []))
        folded = expected.get("subject_folded") or []
        self.subject_folded = set(DEFAULT_CHARSETS) if folded is True else set(folded)
        self.line_of = [tuple(x) for x in expected.get("line_of", [])]


# Set in the parent before the workers fork.
MAILS = []
BY_SUBJECT = []


def which_mail(msg):
    """The mail this message is a copy of, or None."""
    for mail in MAILS:
        if mail.header and str(msg.get(mail.header[0], "")).strip() == mail.header[1]:
            return mail
    subject = decoded_header(msg, "Subject")
    for mail in BY_SUBJECT:
        if mail.subject in subject:
            return mail
    return None


def check_copy(msg, mail, address, where):
    """Faults of one copy of `mail` delivered to `address`."""
    faults = []
    values = mail.recipients[address]
    carrier = values.get("carrier", "pc")
    to = [plain_address(a) for _, a in getaddresses([str(v) for v in msg.get_all("To", [])])]
    if address not in to:
        faults.append(f"{where}: To is {to!r}, not the recipient")
    shown_to = decoded_header(msg, "To")
    if "\ufffd" in shown_to:
        faults.append(f"{where}: To shows {shown_to!r}")
    if mail.to_name and values.get("to_name"):
        name = shown_to[:shown_to.rfind("<")].strip().strip('"') if "<" in shown_to else ""
        if name != values["to_name"]:
            faults.append(f"{where}: To shows the name {name!r}, not {values['to_name']!r}")
    subject = decoded_header(msg, "Subject")
    if "\ufffd" in subject:
        faults.append(f"{where}: Subject shows {subject!r}")
    for key in mail.subject_has:
        if values.get(key) and values[key] not in subject:
            faults.append(f"{where}: Subject {subject!r} lacks {key} {values[key]!r}")
    if carrier in mail.subject_folded and "\n" not in raw_header(msg, "Subject"):
        faults.append(f"{where}: Subject is not folded: {raw_header(msg, 'Subject')!r}")
    want_charset = mail.charsets.get(carrier)
    codes = mail.pictograms.get(carrier, set())
    found_codes = set()
    texts = []
    html_parts = []
    images = {}
    for part in msg.walk():
        if part.is_multipart():
            continue
        ctype = part.get_content_type()
        if ctype.startswith("text/"):
            raw = part.get_payload(decode=True) or b""
            charset = (part.get_content_charset() or "us-ascii").lower()
            if want_charset and charset != want_charset:
                faults.append(f"{where}: {ctype} in charset {charset}, not {want_charset}")
            if codes:
                if charset in ("iso-2022-jp", "iso-2022-jp-2"):
                    raw, found = split_jis_pictograms(raw, codes)
                else:
                    raw, found = split_sjis_pictograms(raw, codes)
                found_codes |= found
            try:
                text = decode_jis(raw) if charset == "iso-2022-jp" else raw.decode(READER_CODECS.get(charset, charset))
            except (LookupError, UnicodeDecodeError) as e:
                faults.append(f"{where}: {ctype} does not decode as {charset}: {e}")
                text = raw.decode(charset, errors="replace") if _known(charset) else ""
            if ctype == "text/html":
                html_parts.append(text)
                text = html.unescape(text)
            texts.append(text)
        elif ctype.startswith("image/"):
            cid = str(part.get("Content-ID", "")).strip().strip("<>")
            if cid and part.get_payload(decode=True):
                images[cid] = ctype
    for code in sorted(codes - found_codes):
        faults.append(f"{where}: pictogram {code.hex().upper()} missing in the {carrier} form")
    if not texts:
        faults.append(f"{where}: no text part")
    body = "\n".join(texts)
    for key, value in values.items():
        if key == "carrier" or (mail.merged is not None and key not in mail.merged):
            continue
        if isinstance(value, str) and value and value not in body:
            faults.append(f"{where}: {key} {value!r} not merged")
    for value in mail.body_contains:
        if value not in body:
            faults.append(f"{where}: body lacks {value!r}")
    if mail.line_of:
        lines = set(texts[0].replace("\r\n", "\n").split("\n")) if texts else set()
        for prefix, key, suffix in mail.line_of:
            line = prefix + str(values.get(key, "")) + suffix
            if line not in lines:
                faults.append(f"{where}: no line {line!r} in the text part")
    if mail.html and not html_parts:
        faults.append(f"{where}: no text/html part")
    if mail.inline_image:
        refs = {cid for cid in images if any("cid:" + cid in h for h in html_parts)}
        if not refs:
            faults.append(f"{where}: no inline image referred to by cid "
                          f"(images {sorted(images)})")
    return faults


def _known(charset):
    try:
        b"".decode(charset)
        return True
    except LookupError:
        return False


def check_file(job):
    """(address, mail index or None, faults) of one delivered file."""
    path, address, counted_only = job
    where = f"{address} {os.path.basename(path)}"
    try:
        with open(path, "rb") as f:
            msg = email.message_from_binary_file(f, policy=email.policy.default)
        mail = which_mail(msg)
    except Exception as e:  # a message the parser cannot take at all is a fault, not a crash
        return address, None, [f"{where}: unreadable: {e!r}"]
    if mail is None or address not in mail.recipients:
        if counted_only:
            return address, None, []
        subject = decoded_header(msg, "Subject")
        what = "a mail not meant for this address" if mail else "an unexpected message"
        return address, None, [f"{where}: {what}: Subject {subject!r}"]
    try:
        faults = check_copy(msg, mail, address, f"{where} [{mail.label}]")
    except Exception as e:
        faults = [f"{where} [{mail.label}]: cannot be read: {e!r}"]
    return address, mail.index, faults


def maildir_files(root):
    """(address, [message files]) of every maildir under root."""
    for domain in sorted(os.listdir(root)):
        ddir = os.path.join(root, domain)
        if not os.path.isdir(ddir):
            continue
        for local in sorted(os.listdir(ddir)):
            mdir = os.path.join(ddir, local, "Maildir")
            if not os.path.isdir(mdir):
                continue
            files = []
            for sub in ("new", "cur"):
                sdir = os.path.join(mdir, sub)
                if os.path.isdir(sdir):
                    files += [os.path.join(sdir, n) for n in os.listdir(sdir)]
            yield f"{local}@{domain}".lower(), files


def main(argv):
    global MAILS, BY_SUBJECT
    if len(argv) != 2:
        print("usage: check_maildirs.py EXPECTATION.json")
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            expectation = json.load(f)
        root = expectation["maildir_root"]
        people = {plain_address(a): v for a, v in (expectation.get("people") or {}).items()}
        MAILS = [Mail(i, m, people) for i, m in enumerate(expectation["mails"])]
    except (OSError, ValueError, KeyError, TypeError, IndexError) as e:
        print(f"expectation unreadable: {e!r}")
        return 2
    BY_SUBJECT = sorted((m for m in MAILS if m.subject and not m.header),
                        key=lambda m: -len(m.subject))
    others_nothing = bool(expectation.get("others_get_nothing", True))
    exclude = {plain_address(a) for a in expectation.get("exclude", ["sender@example.jp"])}
    listed = set()
    for m in MAILS:
        listed |= set(m.recipients)

    jobs = []
    for address, files in maildir_files(root):
        if address in exclude and address not in listed:
            continue
        counted_only = address in exclude or not others_nothing
        jobs += [(p, address, counted_only) for p in files]

    faults = []
    copies = {}
    workers = min(8, os.cpu_count() or 1)
    if len(jobs) > 200 and workers > 1:
        with multiprocessing.get_context("fork").Pool(workers) as pool:
            results = pool.imap_unordered(check_file, jobs, chunksize=64)
            results = list(results)
    else:
        results = [check_file(j) for j in jobs]
    for address, index, fs in results:
        faults += fs
        if index is not None:
            copies[(index, address)] = copies.get((index, address), 0) + 1

    delivered = 0
    for m in MAILS:
        for address in m.recipients:
            n = copies.get((m.index, address), 0)
            delivered += n
            if n != 1:
                faults.append(f"{address} [{m.label}]: {n} copies, not 1")

    faults.sort()
    for line in faults[:MAX_FAULT_LINES]:
        print(line)
    if len(faults) > MAX_FAULT_LINES:
        print(f"... and {len(faults) - MAX_FAULT_LINES} more faults")
    if faults:
        return 1
    recipients = sum(len(m.recipients) for m in MAILS)
    print(f"OK {len(MAILS)} mails, {recipients} recipients, {delivered} copies checked "
          f"in {len(jobs)} messages")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
