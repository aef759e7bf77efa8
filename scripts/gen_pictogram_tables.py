#!/usr/bin/env python3
"""Generates app/mailtext/pictogram_table_data.h: the pictogram codes that outgoing
mail uses for each carrier.

Composed text keeps every pictogram as its NTT DoCoMo Shift_JIS code. When a mail part is
built for a phone, these rows say which bytes that phone's carrier expects instead:

  - the 252 NTT DoCoMo codes with the two-byte codes sent to NTT DoCoMo in JIS mode (a fixed
    rule: 0x90, 0x91 or 0x92 by lead and trail range, then the JIS cell of the trail byte);
  - the 200 pictograms the palettes offer, in palette order, each with the au TU-KA JIS
    code and the SoftBank Shift_JIS code of the same pictogram.

Run by hand; the output is committed and frozen by a golden test, because a changed row
changes the bytes thousands of phones receive. The generator is kept so that the rows can
be checked against their sources, not regenerated at build time.

Sources (read at generation time only, from ../shared/data/pictograms beside the
repository, or the folder given with --data):
  - emoji4unicode.xml (the emoji4unicode project, Apache License 2.0): for each NTT DoCoMo
    private-use code, the au (kddi) and SoftBank private-use codes of the same pictogram;
    a value marked ">" is the carrier's fallback for a pictogram it lacks;
  - EmojiSources.txt (Unicode, Inc., Unicode terms of use): each standard emoji with the
    carriers' Shift_JIS codes, which turns a carrier's private-use code into its Shift_JIS
    code;
  - docomo-carrier_data.xml: the set of NTT DoCoMo pictograms (252 codes).

Rules:
  - NTT DoCoMo private-use codes are the code page 932 user-defined area mapping of the
    Shift_JIS codes (U+E000 + 188 x (lead - 0xF0) + trail index), so U+E63E is 0xF89F.
  - A carrier's code is taken as written, or, for a pictogram the carrier lacks, from its
    fallback. A fallback that is a sequence of several pictograms takes the first one: a
    mail code holds one pictogram, and the first is the picture itself (the rest are marks
    such as a sweat drop or a heart).
  - au's mail JIS code is the usual Shift_JIS to JIS X 0208 arithmetic of its Shift_JIS
    code, with the first byte then moved down by 0x0C for leads 0xF3-0xF4 and by 0x16 for
    leads 0xF6-0xF7, which puts every code into rows 0x75-0x7B.
The script refuses to write anything when a rule fails (a pictogram without a code, a code
outside its carrier's range, a set that differs from the palette's).
"""
import argparse
import os
import sys
import xml.etree.ElementTree as ET

# The 200 pictograms of the palettes, as ranges of NTT DoCoMo codes, in palette order.
PALETTE_RANGES = [
    (0xF89F, 0xF8A4), (0xF8A6, 0xF8B2), (0xF8B4, 0xF8BA), (0xF8BC, 0xF8D9), (0xF8DB, 0xF8DD),
    (0xF8DF, 0xF8EB), (0xF8ED, 0xF8FA), (0xF8FC, 0xF8FC), (0xF941, 0xF943), (0xF945, 0xF949),
    (0xF972, 0xF974), (0xF977, 0xF977), (0xF97C, 0xF97D), (0xF981, 0xF982), (0xF985, 0xF985),
    (0xF987, 0xF990), (0xF9B0, 0xF9B0), (0xF991, 0xF99C), (0xF99E, 0xF9A7), (0xF9AB, 0xF9AD),
    (0xF950, 0xF950), (0xF957, 0xF957), (0xF95E, 0xF95E), (0xF9B3, 0xF9B3), (0xF9B5, 0xF9B5),
    (0xF9B8, 0xF9B8), (0xF9BA, 0xF9BC), (0xF9BE, 0xF9C0), (0xF9C2, 0xF9C3), (0xF9C5, 0xF9D3),
    (0xF9D6, 0xF9D9), (0xF9DB, 0xF9DC), (0xF9DE, 0xF9DE), (0xF9E0, 0xF9E0), (0xF9E3, 0xF9E6),
    (0xF9E8, 0xF9E8), (0xF9EA, 0xF9F2), (0xF9F4, 0xF9FC),
]

# The NTT DoCoMo code set, as ranges (ascending).
DOCOMO_RANGES = [
    (0xF89F, 0xF8FC), (0xF940, 0xF949), (0xF950, 0xF952), (0xF955, 0xF957), (0xF95B, 0xF95E),
    (0xF972, 0xF97E), (0xF980, 0xF9FC),
]

CARRIER_COLUMN = {"docomo": 1, "kddi": 2, "softbank": 3}


def fail(message):
    sys.stderr.write("gen_pictogram_tables: " + message + "\n")
    sys.exit(1)


def expand(ranges):
    return [c for a, b in ranges for c in range(a, b + 1) if (c & 0xFF) != 0x7F]


def sjis_to_pua(code):
    lead, trail = code >> 8, code & 0xFF
    index = trail - 0x40 if trail < 0x7F else trail - 0x41
    return 0xE000 + (lead - 0xF0) * 188 + index


def pua_to_sjis(pua):
    index = pua - 0xE000
    lead, rest = 0xF0 + index // 188, index % 188
    return lead << 8 | (0x40 + rest if rest < 63 else 0x80 + rest - 63)


def sjis_to_jis(code):
    """The Shift_JIS to JIS X 0208 arithmetic (rows past 0x7E for user-defined leads)."""
    lead, trail = code >> 8, code & 0xFF
    row = ((lead - 0x71 if lead <= 0x9F else lead - 0xB1) * 2 + 1) & 0xFF
    if trail > 0x7F:
        trail -= 1
    if trail >= 0x9E:
        return row + 1, trail - 0x7D
    return row, trail - 0x1F


def au_mail_jis(code):
    lead = code >> 8
    shift = {0xF3: 0x0C, 0xF4: 0x0C, 0xF6: 0x16, 0xF7: 0x16}.get(lead)
    if shift is None:
        fail("au Shift_JIS code %04X has a lead byte without a known JIS shift" % code)
    row, cell = sjis_to_jis(code)
    row -= shift
    if not (0x75 <= row <= 0x7B and 0x21 <= cell <= 0x7E):
        fail("au code %04X gives JIS %02X%02X outside rows 0x75-0x7B" % (code, row, cell))
    return row << 8 | cell


def imode_jis(code):
    lead, trail = code >> 8, code & 0xFF
    if trail <= 0x7E:
        cell = trail - 0x1F
    elif trail <= 0x9E:
        cell = trail - 0x20
    else:
        cell = trail - 0x7E
    first = 0x90 if lead == 0xF8 else (0x91 if trail < 0x9F else 0x92)
    return first << 8 | cell


def read_emoji_sources(path):
    """Standard emoji (code points joined by blanks) -> the three carriers' Shift_JIS codes."""
    table = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split(";")
            table[fields[0]] = fields
    return table


def unicode_key(value):
    return " ".join(value.lstrip("+").split("+"))


class Carriers:
    def __init__(self, data):
        self.sources = read_emoji_sources(os.path.join(data, "EmojiSources.txt"))
        self.entries = list(ET.parse(os.path.join(data, "emoji4unicode.xml")).getroot().iter("e"))
        # A carrier's own private-use code -> the entries that hold it (file order).
        self.own = {c: {} for c in CARRIER_COLUMN}
        for e in self.entries:
            for carrier in CARRIER_COLUMN:
                value = e.get(carrier)
                if value and not value.startswith(">"):
                    self.own[carrier].setdefault(value, []).append(e)

    def sjis_of_own_code(self, carrier, pua):
        """The carrier's Shift_JIS code of its own private-use code, through the standard
        emoji of an entry that holds it."""
        for e in self.own[carrier].get(pua, []):
            u = e.get("unicode")
            if u and unicode_key(u) in self.sources:
                code = self.sources[unicode_key(u)][CARRIER_COLUMN[carrier]]
                if code:
                    return int(code, 16)
        return None

    def code_for(self, docomo_code, carrier):
        """(Shift_JIS code, how it was found) of the pictogram docomo_code on `carrier`."""
        pua = "%04X" % sjis_to_pua(docomo_code)
        holders = self.own["docomo"].get(pua, [])
        if len(holders) != 1:
            fail("NTT DoCoMo %04X (U+%s) is held by %d entries" % (docomo_code, pua, len(holders)))
        value = holders[0].get(carrier)
        if not value:
            fail("%s has no code or fallback for NTT DoCoMo %04X" % (carrier, docomo_code))
        how = "fallback" if value.startswith(">") else "own"
        parts = value.lstrip(">").split("+")
        if len(parts) > 1:
            how = "first of " + value.lstrip(">")
        code = self.sjis_of_own_code(carrier, parts[0])
        if code is None:
            fail("%s code %s of NTT DoCoMo %04X has no Shift_JIS code" % (carrier, parts[0], docomo_code))
        return code, how, holders[0].get("name", "")


def docomo_set(data):
    root = ET.parse(os.path.join(data, "docomo-carrier_data.xml")).getroot()
    codes = {pua_to_sjis(int(e.get("unicode"), 16)): e.get("name_ja", "") for e in root
             if e.get("jis")}
    return codes


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(here)
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", default=os.path.join(repo, "..", "shared", "data", "pictograms"))
    parser.add_argument("--out", default=os.path.join(repo, "app", "compose", "text",
                                                      "pictogram_table_data.h"))
    args = parser.parse_args()

    docomo = expand(DOCOMO_RANGES)
    names = docomo_set(args.data)
    if sorted(names) != docomo or len(docomo) != 252:
        fail("the NTT DoCoMo set of the data differs from the 252 codes")
    palette = expand(PALETTE_RANGES)
    if len(palette) != 200 or len(set(palette)) != 200 or not set(palette) <= set(docomo):
        fail("the palette is not 200 distinct NTT DoCoMo codes")

    carriers = Carriers(args.data)
    rows = []
    for code in palette:
        au, au_how, name = carriers.code_for(code, "kddi")
        sb, sb_how, _ = carriers.code_for(code, "softbank")
        if (sb >> 8) not in (0xF7, 0xF9, 0xFB):
            fail("SoftBank code %04X of NTT DoCoMo %04X has an unexpected lead" % (sb, code))
        rows.append((code, au_mail_jis(au), sb, names[code], name, au_how, sb_how))

    out = []
    w = out.append
    w("#pragma once")
    w("// Generated by scripts/gen_pictogram_tables.py. Do not edit: these rows are the bytes")
    w("// phones receive for each pictogram (frozen by a golden test).")
    w("//")
    w("// Sources: emoji4unicode.xml and docomo-carrier_data.xml of the emoji4unicode project")
    w("// (Apache License 2.0), and EmojiSources.txt of Unicode, Inc. (Unicode terms of use).")
    w("")
    w("#include <cstdint>")
    w("")
    w("namespace compose::pictogram_data {")
    w("")
    w("// An NTT DoCoMo code and the code sent for it.")
    w("struct CodePair {")
    w("  uint16_t source;")
    w("  uint16_t mapped;")
    w("};")
    w("")
    w("// The 252 NTT DoCoMo pictograms, ascending, with the two-byte code sent to NTT DoCoMo in")
    w("// JIS mode.")
    w("inline constexpr CodePair kImodeJis[252] = {")
    for code in docomo:
        w("    {0x%04X, 0x%04X},  // %s" % (code, imode_jis(code), names[code]))
    w("};")
    w("")
    w("// The 200 pictograms of the palettes, in palette order: the NTT DoCoMo code, the au TU-KA")
    w("// mail JIS code and the SoftBank Shift_JIS code of the same pictogram. A carrier that")
    w("// lacks a pictogram gets its own nearest one (noted on the row).")
    w("struct CommonRow {")
    w("  uint16_t docomo;")
    w("  uint16_t ezwebJis;")
    w("  uint16_t softbank;")
    w("};")
    w("")
    w("inline constexpr CommonRow kCommon[200] = {")
    for i, (code, au, sb, name_ja, name, au_how, sb_how) in enumerate(rows):
        notes = []
        if au_how != "own":
            notes.append("au " + au_how)
        if sb_how != "own":
            notes.append("SoftBank " + sb_how)
        note = (" (" + "; ".join(notes) + ")") if notes else ""
        w("    {0x%04X, 0x%04X, 0x%04X},  // %3d %s%s" % (code, au, sb, i, name_ja, note))
    w("};")
    w("")
    w("}  // namespace compose::pictogram_data")
    text = "\n".join(out) + "\n"
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
