"""Prints the structure of a MIME message as Python's standard email package reads it.

One line per entity, indented by depth: the content type, then for a leaf its charset,
Content-ID and file name (UTF-8, in hex), and its decoded content: text as UTF-8 with LF
line ends, in hex; anything else as its length and MD5 digest. A parser defect is printed as a line of its own, so a caller that
compares the output sees it.
"""
import email
import email.header
import email.policy
import email.utils
import hashlib
import sys


def decoded_name(part):
    raw = part.get_param("filename", header="content-disposition")
    if raw is None:
        raw = part.get_param("name")
    if raw is None:
        return ""
    raw = email.utils.collapse_rfc2231_value(raw)
    raw = "".join(raw.split("\r\n\t"))
    return str(email.header.make_header(email.header.decode_header(raw)))


def walk(part, depth, out):
    pad = " " * depth
    for defect in part.defects:
        out.append(pad + "DEFECT " + type(defect).__name__)
    ctype = part.get_content_type()
    if part.is_multipart():
        out.append(pad + ctype)
        for child in part.get_payload():
            walk(child, depth + 1, out)
        return
    data = part.get_payload(decode=True) or b""
    charset = part.get_content_charset() or ""
    if part.get_content_maintype() == "text":
        data = data.decode(charset or "us-ascii").replace("\r\n", "\n").encode("utf-8").hex()
    else:
        data = f"{len(data)}:{hashlib.md5(data).hexdigest()}"
    cid = part.get("Content-ID", "").strip()
    out.append(f"{pad}{ctype} charset={charset} cid={cid} name={decoded_name(part).encode('utf-8').hex()} "
               f"data={data}")


def main():
    with open(sys.argv[1], "rb") as f:
        msg = email.message_from_bytes(f.read(), policy=email.policy.compat32)
    out = []
    walk(msg, 0, out)
    sys.stdout.write("\n".join(out) + "\n")


main()
