"""Reads Japanese mail text the way today's mail readers do, independently of the program.

Browsers, web mail and the common desktop mail programs decode ISO-2022-JP by the Encoding
Standard (WHATWG): JIS X 0208 pairs are looked up in its index jis0208, which also holds
NEC row 13 (①, ㈱, Ⅰ) and the NEC-selected IBM rows 89-92 (髙, 﨑, ⅰ, ￤) that Python's own
iso2022_jp codec and glibc's iconv refuse. That index is not on these machines; its pointers
are the Shift_JIS codes of code page 932 (pointer = 188 x lead index + trail index), so the
table here is built from Python's cp932 codec at those pointers.

The decoder follows the standard's states and errors: a byte a state does not take, a pair
the index lacks, a line break inside two-byte text, and two escape sequences with nothing
between them each give U+FFFD, as a browser shows it. Encoded words (RFC 2047) are decoded
one by one, as readers do; white space between two adjacent encoded words is dropped.

As a program: reads a JSON list of {"kind": "header" | "entity", "text": <latin-1 text>}
on standard input and writes the JSON list of decoded texts. A header is a header value; an
entity is a MIME part (headers, blank line, body) whose body is decoded by its
Content-Transfer-Encoding and charset.
"""
import base64
import email
import email.policy
import json
import quopri
import re
import sys

_INDEX = None


def jis0208_index():
    """pointer -> character for the 94 x 94 pointers ISO-2022-JP can reach."""
    global _INDEX
    if _INDEX is None:
        _INDEX = {}
        for pointer in range(94 * 94):
            lead, trail = divmod(pointer, 188)
            pair = bytes([lead + (0x81 if lead < 0x1F else 0xC1),
                          trail + (0x40 if trail < 0x3F else 0x41)])
            try:
                ch = pair.decode("cp932")
            except UnicodeDecodeError:
                continue
            if len(ch) == 1:
                _INDEX[pointer] = ch
    return _INDEX


def decode_iso2022jp(data):
    """The Encoding Standard's ISO-2022-JP decoder over `data` (bytes)."""
    index = jis0208_index()
    out = []
    state = "ascii"
    output_state = "ascii"
    output_flag = False
    i, n = 0, len(data)
    while i < n:
        b = data[i]
        if b == 0x1B:
            if i + 2 < n and data[i + 1] in (0x24, 0x28):
                seq = (data[i + 1], data[i + 2])
                target = {(0x28, 0x42): "ascii", (0x28, 0x4A): "roman", (0x28, 0x49): "katakana",
                          (0x24, 0x40): "lead", (0x24, 0x42): "lead"}.get(seq)
                if target is not None:
                    state = output_state = target
                    if output_flag:
                        out.append("\ufffd")
                    output_flag = True
                    i += 3
                    continue
            out.append("\ufffd")  # an escape the standard does not know: the ESC alone
            output_flag = False
            state = output_state
            i += 1
            continue
        if state in ("ascii", "roman"):
            output_flag = False
            if b in (0x0E, 0x0F) or b > 0x7F:
                out.append("\ufffd")
            elif state == "roman" and b == 0x5C:
                out.append("\u00a5")
            elif state == "roman" and b == 0x7E:
                out.append("\u203e")
            else:
                out.append(chr(b))
            i += 1
        elif state == "katakana":
            output_flag = False
            out.append(chr(0xFF61 - 0x21 + b) if 0x21 <= b <= 0x5F else "\ufffd")
            i += 1
        else:  # two-byte text
            output_flag = False
            if not 0x21 <= b <= 0x7E:
                out.append("\ufffd")
                i += 1
                continue
            if i + 1 >= n:
                out.append("\ufffd")
                break
            t = data[i + 1]
            if t == 0x1B:
                out.append("\ufffd")
                i += 1
                continue
            if not 0x21 <= t <= 0x7E:
                out.append("\ufffd")
                i += 2
                continue
            out.append(index.get((b - 0x21) * 94 + t - 0x21, "\ufffd"))
            i += 2
    return "".join(out)


def decode_bytes(data, charset):
    charset = (charset or "us-ascii").lower()
    if charset in ("iso-2022-jp", "iso2022jp", "iso-2022-jp-ms"):
        return decode_iso2022jp(data)
    if charset in ("shift_jis", "shift-jis", "sjis", "cp932", "windows-31j"):
        return data.decode("cp932", errors="replace")
    return data.decode(charset, errors="replace")


_WORD = re.compile(r"=\?([^?]+)\?([BbQq])\?([^?]*)\?=")


def decode_header_value(value):
    """A header value with its encoded words decoded one by one; folding undone."""
    value = re.sub(r"\r?\n[ \t]", " ", value)
    out = []
    pos = 0
    last_was_word = False
    for m in _WORD.finditer(value):
        between = value[pos:m.start()]
        if not (last_was_word and between.strip(" \t") == ""):
            out.append(between)
        charset, kind, text = m.group(1), m.group(2).upper(), m.group(3)
        if kind == "B":
            raw = base64.b64decode(text + "=" * (-len(text) % 4))
        else:
            raw = quopri.decodestring(text.replace("_", " ").encode("ascii"), header=True)
        out.append(decode_bytes(raw, charset.split("*")[0]))
        pos = m.end()
        last_was_word = True
    out.append(value[pos:])
    return "".join(out)


def decode_entity(text):
    """The decoded body of a MIME part given as its raw text."""
    part = email.message_from_bytes(text.encode("latin-1"), policy=email.policy.compat32)
    return decode_bytes(part.get_payload(decode=True) or b"", part.get_content_charset())


def main():
    items = json.load(sys.stdin)
    out = []
    for item in items:
        if item["kind"] == "header":
            out.append(decode_header_value(item["text"]))
        else:
            out.append(decode_entity(item["text"]))
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
