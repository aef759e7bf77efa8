#include "core/mailstore/encoded_word.h"

#include <algorithm>

#include "core/foundation/string_utils.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"

namespace {

constexpr char kEsc = '\x1b';

bool CharsetOfMode(std::string_view charset, int mode) {
    switch (mode) {
        case kMimeWordJis: return mime_text::EqualsNoCase(charset, "iso-2022-jp");
        case kMimeWordSjis: return mime_charset::IsShiftJisCharset(charset);
        case kMimeWordUtf8: return mime_text::EqualsNoCase(charset, "utf-8");
        default: return false;
    }
}

// Start of the next "=?charset?" of `mode` at or after `from`; sets `afterCharset` to the
// position after the charset's closing "?".
size_t FindWord(std::string_view in, size_t from, int mode, size_t& afterCharset) {
    for (size_t start = in.find("=?", from); start != std::string_view::npos;
         start = in.find("=?", start + 2)) {
        const size_t q = in.find('?', start + 2);
        if (q == std::string_view::npos) return std::string_view::npos;
        if (CharsetOfMode(in.substr(start + 2, q - start - 2), mode)) {
            afterCharset = q + 1;
            return start;
        }
    }
    return std::string_view::npos;
}

bool AllWhiteSpace(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return mime_text::IsSpace(c); });
}

void AppendQDecoded(std::string& out, std::string_view q) {
    for (size_t i = 0; i < q.size(); ++i) {
        const char c = q[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < q.size() && mime_text::HexValue(q[i + 1]) >= 0 &&
                   mime_text::HexValue(q[i + 2]) >= 0) {
            out += static_cast<char>(mime_text::HexValue(q[i + 1]) * 16 +
                                     mime_text::HexValue(q[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
}

// Decodes the words of one charset; the bytes are returned as the words carry them.
std::string DecodeWords(std::string_view in, int mode) {
    std::string out;
    out.reserve(in.size());
    size_t pos = 0;
    bool afterWord = false;
    for (;;) {
        size_t afterCharset = 0;
        const size_t start = FindWord(in, pos, mode, afterCharset);
        if (start == std::string_view::npos) {
            out.append(in.substr(pos));
            break;
        }
        const std::string_view between = in.substr(pos, start - pos);
        const size_t p = afterCharset;
        const char letter = p < in.size() ? mime_text::AsciiLower(in[p]) : '\0';
        const bool known = (letter == 'b' || letter == 'q') && p + 1 < in.size() && in[p + 1] == '?';
        const size_t end = known ? in.find("?=", p + 2) : std::string_view::npos;
        if (end == std::string_view::npos) {
            out.append(in.substr(pos));
            break;
        }
        if (!(afterWord && AllWhiteSpace(between))) out.append(between);
        const std::string_view payload = in.substr(p + 2, end - p - 2);
        if (letter == 'b')
            out += normal_base64decoding(payload);
        else
            AppendQDecoded(out, payload);
        pos = end + 2;
        afterWord = true;
    }
    return out;
}

bool NamesShiftJis(std::string_view in) {
    using mime_text::ContainsNoCase;
    return ContainsNoCase(in, "shift_jis") || ContainsNoCase(in, "shift-jis") ||
           ContainsNoCase(in, "sjis") || ContainsNoCase(in, "cp932") ||
           ContainsNoCase(in, "windows-31j");
}

}  // namespace

std::string base64encoding(std::string_view isoText) {
    const size_t n = isoText.size();
    std::string out;
    out.reserve(n + n / 2 + 32);
    size_t i = 0;
    while (i < n) {
        const char c = isoText[i];
        if (c != kEsc) {
            out += c;
            ++i;
            continue;
        }
        if (i + 2 < n && isoText[i + 1] == '(' && isoText[i + 2] == 'B') {
            i += 3;
            continue;
        }
        if (i + 1 < n && (isoText[i + 1] == '$' || isoText[i + 1] == '(')) {
            const size_t close = isoText.find("\x1b(B", std::min(i + 3, n));
            const size_t end = close == std::string_view::npos ? n : close + 3;
            out += "=?ISO-2022-JP?B?";
            out += base64encoding(isoText.substr(i, end - i), -1);
            out += "?=";
            if (end < n) out += "\r\n\t";
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

std::string MIMEBase64EncodeForJIS(std::string_view in) {
    constexpr size_t kLine = 70;
    constexpr size_t kWordFrame = 18;  // "=?iso-2022-jp?B?" and "?="
    constexpr size_t kMinRoom = 30;    // a word of one character needs 30 characters
    std::string out, plain;
    size_t line = 0;
    auto fold = [&] {
        out += "\r\n\t";
        line = 0;
    };
    auto flushPlain = [&] {
        if (plain.empty()) return;
        if (!out.empty() && line + plain.size() > kLine) fold();
        out += plain;
        line += plain.size();
        plain.clear();
    };
    auto emitRun = [&](std::string_view run) {
        size_t pos = 0;
        while (pos < run.size()) {
            if (line + kMinRoom > kLine) fold();
            const size_t room = kLine - line;
            // A word of k bytes encodes ESC $ B, the bytes and ESC ( B.
            size_t k = (room - kWordFrame) / 4 * 3 - 6;
            k -= k % 2;  // whole characters
            k = std::min(k, run.size() - pos);
            std::string word = "\x1b$B";
            word.append(run.substr(pos, k));
            word += "\x1b(B";
            const std::string encoded = base64encoding(word, -1);
            out += "=?iso-2022-jp?B?";
            out += encoded;
            out += "?=";
            line += kWordFrame + encoded.size();
            pos += k;
        }
    };

    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        if (in[i] == kEsc && i + 2 < n && in[i + 1] == '$' && (in[i + 2] == 'B' || in[i + 2] == '@')) {
            flushPlain();
            size_t end = in.find(kEsc, i + 3);
            if (end == std::string_view::npos) end = n;
            emitRun(in.substr(i + 3, end - i - 3));
            i = end;
        } else if (in[i] == kEsc && i + 2 < n && in[i + 1] == '(' && (in[i + 2] == 'B' || in[i + 2] == 'J')) {
            i += 3;
        } else {
            plain += in[i++];
        }
    }
    flushPlain();
    return out;
}

std::string MIMEbase64decoding(std::string_view in) {
    return mime_charset::JisToSjis(DecodeWords(in, kMimeWordJis));
}

std::string MIMEBase64DecodeForJIS(std::string_view in) { return MIMEbase64decoding(in); }

std::string MIMEDecodeVersion2(std::string_view in, int mode) {
    switch (mode) {
        case kMimeWordJis: return mime_charset::JisToSjis(DecodeWords(in, mode));
        case kMimeWordSjis: return DecodeWords(in, mode);
        case kMimeWordUtf8: return mime_charset::Utf8ToSjisText(DecodeWords(in, mode));
        default: return std::string(in);
    }
}

std::string DecodeHeaderTextToSjis(std::string_view value) {
    struct Charset {
        std::string_view tag;
        int mode;
    };
    static constexpr Charset kCharsets[] = {
        {"=?iso-2022-jp?", kMimeWordJis}, {"=?utf-8?", kMimeWordUtf8},  {"=?shift_jis?", kMimeWordSjis},
        {"=?shift-jis?", kMimeWordSjis},  {"=?sjis?", kMimeWordSjis},   {"=?x-sjis?", kMimeWordSjis},
        {"=?cp932?", kMimeWordSjis},      {"=?windows-31j?", kMimeWordSjis},
    };
    int mode = 0;
    std::size_t first = std::string_view::npos;
    for (const auto& c : kCharsets) {
        std::size_t at = mime_text::FindNoCase(value, c.tag);
        if (at < first) first = at, mode = c.mode;
    }
    std::string s;
    if (mode == 0 && mime_charset::IsValidUtf8WithMultibyte(value))
        s = mime_charset::Utf8ToSjisText(value);
    else if (mode == 0)
        s = mime_charset::DetectedToSjis(value);
    else if (mode == kMimeWordJis)
        s = MIMEbase64decoding(value);
    else
        s = MIMEDecodeVersion2(value, mode);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

std::string DecodeMimeHeaderParam(std::string_view in) {
    if (mime_text::ContainsNoCase(in, "iso-2022-jp")) return MIMEDecodeVersion2(in, kMimeWordJis);
    if (NamesShiftJis(in)) return MIMEDecodeVersion2(in, kMimeWordSjis);
    if (mime_text::ContainsNoCase(in, "utf-8")) return MIMEDecodeVersion2(in, kMimeWordUtf8);
    return mime_charset::DetectedToSjis(in);
}

std::string EncodeAttachFileName(std::string_view sjisName) {
    if (IsStrAscii(sjisName)) return std::string(sjisName);
    return base64encoding(mime_charset::SjisToJisForHeader(sjisName));
}
