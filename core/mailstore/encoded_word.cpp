#include "core/mailstore/encoded_word.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/foundation/kcode.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"

namespace {

using std::string_view;
using text_search::npos;
constexpr char kJisEscape = '\x1b';

// ---- Decoding --------------------------------------------------------------------------

bool AllWhiteSpace(string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return mime_text::IsSpace(c); });
}

void AppendQDecoded(std::string& out, string_view q) {
    for (size_t i = 0; i < q.size(); ++i) {
        const char c = q[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < q.size() && mime_text::HexValue(q[i + 1]) >= 0 &&
                   mime_text::HexValue(q[i + 2]) >= 0) {
            out += static_cast<char>(mime_text::HexValue(q[i + 1]) * 16 + mime_text::HexValue(q[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
}

// One encoded word found in a text.
struct Word {
    size_t start = 0;  // of "=?"
    size_t end = 0;    // after "?="
    bool wellFormed = false;
    mime_charset::TextCode code = mime_charset::TextCode::Keep;
    std::string bytes;  // the decoded payload
};

// The charset of a word, without an RFC 2231 language ("utf-8*ja").
string_view WordCharset(string_view in, size_t start, size_t q) {
    string_view cs = in.substr(start + 2, q - start - 2);
    return cs.substr(0, cs.find('*'));
}

// The next word at or after `from` whose charset `accept` takes; npos when there is none.
// A word of such a charset whose letter is neither B nor Q, or that is never closed, is
// returned with wellFormed false.
template <typename Accept>
size_t FindWord(string_view in, size_t from, Accept accept, Word& w) {
    for (size_t start = in.find("=?", from); start != npos; start = in.find("=?", start + 2)) {
        const size_t q = in.find('?', start + 2);
        if (q == npos) return npos;
        if (!accept(WordCharset(in, start, q), w.code)) continue;
        w.start = start;
        const char letter = q + 1 < in.size() ? mime_text::AsciiLower(in[q + 1]) : '\0';
        const bool known = (letter == 'b' || letter == 'q') && q + 2 < in.size() && in[q + 2] == '?';
        const size_t end = known ? in.find("?=", q + 3) : npos;
        w.wellFormed = end != npos;
        if (!w.wellFormed) return start;
        w.end = end + 2;
        const string_view payload = in.substr(q + 3, end - q - 3);
        w.bytes.clear();
        if (letter == 'b')
            w.bytes = normal_base64decoding(payload);
        else
            AppendQDecoded(w.bytes, payload);
        return start;
    }
    return npos;
}

bool CharsetOfMode(string_view charset, int mode) {
    switch (mode) {
        case kMimeWordJis: return mime_text::EqualsNoCase(charset, "iso-2022-jp");
        case kMimeWordSjis: return mime_charset::IsShiftJisCharset(charset);
        case kMimeWordUtf8: return mime_text::EqualsNoCase(charset, "utf-8");
        default: return false;
    }
}

// Decodes the words of one charset; the bytes are returned as the words carry them, with
// the text around them.
std::string DecodeWordsOfMode(string_view in, int mode) {
    std::string out;
    out.reserve(in.size());
    auto accept = [mode](string_view cs, mime_charset::TextCode&) { return CharsetOfMode(cs, mode); };
    size_t pos = 0;
    bool afterWord = false;
    Word w;
    for (;;) {
        const size_t start = FindWord(in, pos, accept, w);
        if (start == npos || !w.wellFormed) {
            out.append(in.substr(pos));
            break;
        }
        const string_view between = in.substr(pos, start - pos);
        if (!(afterWord && AllWhiteSpace(between))) out.append(between);
        out += w.bytes;
        pos = w.end;
        afterWord = true;
    }
    return out;
}

// Text outside words: converted by its detected code (ISO-2022-JP, valid UTF-8, EUC-JP;
// anything else, Shift_JIS included, kept).
bool NeedsConversion(string_view raw) {
    return std::any_of(raw.begin(), raw.end(),
                       [](char c) { return c == kJisEscape || static_cast<unsigned char>(c) >= 0x80; });
}

// Every word of a charset known here decoded and converted to Shift_JIS. Words of one
// charset that follow each other (only white space between) are joined before the
// conversion, so a character split over two words comes out whole; the white space
// between two words is dropped. The text outside words is converted by its detected
// code, all of it by one code.
using PieceConverter = std::string (*)(string_view bytes, mime_charset::TextCode code);

std::string DecodeAllWords(string_view in, PieceConverter convert) {
    using mime_charset::TextCode;
    if (in.find("=?") == npos) {
        if (!NeedsConversion(in)) return std::string(in);
        return convert(in, mime_charset::DetectTextCode("", in));
    }
    struct Piece {
        bool raw;
        std::string text;
    };
    std::vector<Piece> pieces;
    auto accept = [](string_view cs, TextCode& code) { return mime_charset::CodeOfCharset(cs, code); };
    bool inGroup = false;
    TextCode groupCode = TextCode::Keep;
    std::string group;
    auto flush = [&] {
        if (!inGroup) return;
        pieces.push_back({false, convert(group, groupCode)});
        group.clear();
        inGroup = false;
    };
    auto raw = [&](string_view t) {
        if (!t.empty()) pieces.push_back({true, std::string(t)});
    };
    size_t pos = 0;
    Word w;
    for (;;) {
        const size_t start = FindWord(in, pos, accept, w);
        if (start == npos || !w.wellFormed) {
            flush();
            raw(in.substr(pos));
            break;
        }
        const string_view between = in.substr(pos, start - pos);
        const bool afterWord = inGroup && AllWhiteSpace(between);
        if (!afterWord || w.code != groupCode) {
            flush();
            if (!afterWord) raw(between);
            inGroup = true;
            groupCode = w.code;
        }
        group += w.bytes;
        pos = w.end;
    }

    std::string rawText;
    for (const Piece& p : pieces)
        if (p.raw) rawText += p.text;
    const bool convertRaw = NeedsConversion(rawText);
    const TextCode rawCode = convertRaw ? mime_charset::DetectTextCode("", rawText) : TextCode::Keep;
    std::string out;
    out.reserve(in.size());
    for (const Piece& p : pieces) out += p.raw && convertRaw ? convert(p.text, rawCode) : p.text;
    return out;
}

std::string DecodeAllWordsToSjis(string_view in) { return DecodeAllWords(in, mime_charset::ToSjis); }

// Text of any code as UTF-8: UTF-8 as it is, every other code through Shift_JIS (which
// holds all they can carry but the rare JIS X 0212 characters of EUC-JP).
std::string PieceToUtf8(string_view bytes, mime_charset::TextCode code) {
    if (code == mime_charset::TextCode::Utf8) return std::string(bytes);
    return KCodeC::sjtoutf8(mime_charset::ToSjis(bytes, code));
}

// ---- Encoding --------------------------------------------------------------------------

// The character sets of ISO-2022-JP text that the encoders write words in.
enum class JisSet : uint8_t { Ascii, Kanji, Kanji78, Kana };

// One character of ISO-2022-JP input.
struct Unit {
    uint32_t at;        // its bytes in the input
    uint8_t len;
    JisSet set;         // JIS-Roman (ESC ( J) is written back as ASCII: readers take its
                        // 0x5C and 0x7E for a yen sign and an overline
    bool plain;         // printable ASCII read in ASCII mode: may stand outside a word
    bool blank;         // a blank or tab read in ASCII mode: separates the text's words
    bool fromRun;       // read under a designation other than ASCII
    bool runStart;      // the first character of such a run after ASCII mode
};

std::vector<Unit> ReadJis(string_view in) {
    std::vector<Unit> units;
    units.reserve(in.size());
    JisSet set = JisSet::Ascii;
    bool roman = false, runStart = false;
    const size_t n = in.size();
    size_t i = 0;
    auto designate = [&](JisSet s, bool isRoman) {
        const bool wasAscii = set == JisSet::Ascii && !roman;
        set = s;
        roman = isRoman;
        if (wasAscii) runStart = true;
        i += 3;
    };
    while (i < n) {
        const char c = in[i];
        if (c == kJisEscape && i + 2 < n) {
            const char a = in[i + 1], b = in[i + 2];
            if (a == '(' && b == 'B') {
                set = JisSet::Ascii;
                roman = false;
                runStart = false;
                i += 3;
                continue;
            }
            if (a == '(' && b == 'J') { designate(JisSet::Ascii, true); continue; }
            if (a == '(' && b == 'I') { designate(JisSet::Kana, false); continue; }
            if (a == '$' && b == 'B') { designate(JisSet::Kanji, false); continue; }
            if (a == '$' && b == '@') { designate(JisSet::Kanji78, false); continue; }
        }
        const auto u = static_cast<unsigned char>(c);
        const bool asciiMode = set == JisSet::Ascii && !roman;
        Unit unit{static_cast<uint32_t>(i), 1, JisSet::Ascii, false, false, !asciiMode, runStart};
        const bool pair = (set == JisSet::Kanji || set == JisSet::Kanji78) && u >= 0x21 && u <= 0x7E &&
                          i + 1 < n && in[i + 1] >= 0x21 && in[i + 1] <= 0x7E;
        if (pair) {
            unit.len = 2;
            unit.set = set;
        } else if (set == JisSet::Kana && u >= 0x21 && u <= 0x5F) {
            unit.set = JisSet::Kana;
        } else {
            // ASCII, JIS-Roman, or a byte that belongs to no character of the set in force
            // (a control byte, an 8-bit byte, a broken pair): written in ASCII mode.
            unit.plain = asciiMode && u > 0x20 && u < 0x7F;
            unit.blank = asciiMode && (c == ' ' || c == '\t');
        }
        runStart = false;
        units.push_back(unit);
        i += unit.len;
    }
    return units;
}

const char* DesignationOf(JisSet set) {
    switch (set) {
        case JisSet::Kanji: return "\x1b$B";
        case JisSet::Kanji78: return "\x1b$@";
        case JisSet::Kana: return "\x1b(I";
        case JisSet::Ascii: break;
    }
    return "\x1b(B";
}

struct WordStyle {
    string_view prefix;     // "=?ISO-2022-JP?B?" or "=?iso-2022-jp?B?"
    size_t lineLimit;       // folds at blanks keep lines of plain text to this length
    bool foldEveryWord;     // a fold between every two words, not only where a line is full
    size_t firstColumn;     // room taken on the first line by the header's name
};

// ISO-2022-JP bytes in one word: at most 36 (48 characters of base64), so that a word
// with its frame is at most 66 characters and "Subject: " and a word fit in 76.
constexpr size_t kMaxWordBytes = 36;
// A line of text outside words is folded at a blank before it passes this length: the
// 998 octets a header line may hold, less room for the header's name.
constexpr size_t kMaxPlainLine = 900;
// A line that holds an encoded word is kept to 76 characters where a fold can do it.
constexpr size_t kMaxWordLine = 76;

// The words for units [from, to): one word per run of the input (a run with the ASCII
// text around it), runs too long for one word split between characters. Every word
// starts in ASCII mode and returns to it, so each decodes on its own.
void AppendWords(string_view in, const std::vector<Unit>& units, size_t from, size_t to, const WordStyle& style,
                 std::vector<std::string>& words) {
    std::string jis;
    JisSet cur = JisSet::Ascii;
    bool hasRun = false;
    auto close = [&] {
        if (cur != JisSet::Ascii) jis += "\x1b(B";
        words.push_back(std::string(style.prefix) + base64encoding(jis, -1) + "?=");
        jis.clear();
        cur = JisSet::Ascii;
        hasRun = false;
    };
    for (size_t k = from; k < to; ++k) {
        const Unit& u = units[k];
        if (!jis.empty() && u.runStart && hasRun) close();
        const size_t need = u.len + (u.set != cur ? 3 : 0) + (u.set != JisSet::Ascii ? 3 : 0);
        if (!jis.empty() && jis.size() + need > kMaxWordBytes) close();
        if (u.set != cur) {
            jis += DesignationOf(u.set);
            cur = u.set;
        }
        jis.append(in.substr(u.at, u.len));
        hasRun = hasRun || u.fromRun;
    }
    if (!jis.empty()) close();
}

std::string EncodeHeaderText(string_view in, const WordStyle& style) {
    const std::vector<Unit> units = ReadJis(in);
    const size_t n = units.size();

    // The text's words (runs of units between blanks) and whether each must be encoded:
    // it holds characters of a run or bytes that may not stand in a header, it looks like
    // an encoded word, or it is too long for a line.
    struct Span {
        size_t from, to;
        bool blank, encode;
    };
    std::vector<Span> spans;
    for (size_t k = 0; k < n;) {
        const bool blank = units[k].blank;
        size_t e = k;
        while (e < n && units[e].blank == blank) ++e;
        bool encode = false;
        if (!blank) {
            std::string text;
            for (size_t j = k; j < e; ++j) {
                if (!units[j].plain) encode = true;
                text.append(in.substr(units[j].at, units[j].len));
            }
            encode = encode || text.find("=?") != std::string::npos || text.size() > kMaxPlainLine;
        }
        spans.push_back({k, e, blank, encode});
        k = e;
    }

    std::string out;
    out.reserve(in.size() * 2 + 32);
    size_t line = style.firstColumn;
    std::string pendingBlank;
    // Puts `piece` on the line, folding before the blanks that precede it when the line
    // would grow past `limit`; the fold keeps those blanks, so unfolding gives the text back.
    auto place = [&](string_view piece, size_t limit) {
        if (!out.empty() && !pendingBlank.empty() && line + pendingBlank.size() + piece.size() > limit) {
            out += "\r\n";
            line = 0;
        }
        out += pendingBlank;
        line += pendingBlank.size();
        pendingBlank.clear();
        out += piece;
        line += piece.size();
    };
    // The bytes of units [from, to), without the escape sequences that may lie between them.
    auto textOf = [&](size_t from, size_t to) {
        std::string text;
        for (size_t k = from; k < to; ++k) text.append(in.substr(units[k].at, units[k].len));
        return text;
    };
    std::vector<std::string> words;
    for (size_t s = 0; s < spans.size(); ++s) {
        if (spans[s].blank) {
            pendingBlank = textOf(spans[s].from, spans[s].to);
            continue;
        }
        if (!spans[s].encode) {
            place(textOf(spans[s].from, spans[s].to), style.lineLimit);
            continue;
        }
        // Encoded words of the text that follow each other are joined with the blanks
        // between them, which go inside a word: readers drop white space between words.
        size_t last = s;
        while (last + 2 < spans.size() && spans[last + 1].blank && spans[last + 2].encode) last += 2;
        words.clear();
        AppendWords(in, units, spans[s].from, spans[last].to, style, words);
        for (size_t w = 0; w < words.size(); ++w) {
            if (w == 0) {
                place(words[w], std::min(style.lineLimit, kMaxWordLine));
                continue;
            }
            if (style.foldEveryWord || line + 1 + words[w].size() > style.lineLimit) {
                out += "\r\n\t";
                line = 1;
            } else {
                out += ' ';
                ++line;
            }
            out += words[w];
            line += words[w].size();
        }
        s = last;
    }
    out += pendingBlank;
    return out;
}

}  // namespace

std::string base64encoding(std::string_view isoText) {
    constexpr size_t kSubjectName = 9;  // "Subject: "
    return EncodeHeaderText(isoText, {"=?ISO-2022-JP?B?", kMaxPlainLine, true, kSubjectName});
}

std::string MIMEBase64EncodeForJIS(std::string_view in) {
    constexpr size_t kLine = 70;
    return EncodeHeaderText(in, {"=?iso-2022-jp?B?", kLine, false, 0});
}

std::string MIMEbase64decoding(std::string_view in) {
    return mime_charset::JisToSjis(DecodeWordsOfMode(in, kMimeWordJis));
}

std::string MIMEBase64DecodeForJIS(std::string_view in) { return MIMEbase64decoding(in); }

std::string MIMEDecodeVersion2(std::string_view in, int mode) {
    switch (mode) {
        case kMimeWordJis: return mime_charset::JisToSjis(DecodeWordsOfMode(in, mode));
        case kMimeWordSjis: return DecodeWordsOfMode(in, mode);
        case kMimeWordUtf8: return mime_charset::Utf8ToSjisText(DecodeWordsOfMode(in, mode));
        default: return std::string(in);
    }
}

std::string DecodeHeaderTextToSjis(std::string_view value) {
    std::string s = DecodeAllWordsToSjis(value);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

std::string DecodeHeaderTextToUtf8(std::string_view value) {
    std::string s = DecodeAllWords(value, PieceToUtf8);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

std::string DecodeMimeHeaderParam(std::string_view in) { return DecodeAllWordsToSjis(in); }

std::string EncodeAttachFileName(std::string_view sjisName) {
    if (IsStrAscii(sjisName)) return std::string(sjisName);
    return base64encoding(mime_charset::SjisToJisForHeader(sjisName));
}
