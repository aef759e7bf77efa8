"""Decodes header values with Python's email package, as an independent reader would.

Input on stdin: header values separated by NUL bytes. Output on stdout: each value's
decoded text in UTF-8, separated by NUL bytes; a value that cannot be decoded gives
"!error" and the reason.
"""
import email.header
import sys

values = sys.stdin.buffer.read().split(b"\0")
out = []
for raw in values:
    try:
        parts = email.header.decode_header(raw.decode("ascii"))
        text = "".join(b.decode(cs) if cs else (b.decode("ascii") if isinstance(b, bytes) else b)
                       for b, cs in parts)
        out.append(text.encode("utf-8"))
    except Exception as e:  # reported back to the test
        out.append(("!error " + repr(e)).encode("utf-8"))
sys.stdout.buffer.write(b"\0".join(out))
