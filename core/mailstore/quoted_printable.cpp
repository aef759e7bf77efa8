#include "core/mailstore/quoted_printable.h"

#include <array>
#include <cstring>

#include "core/mailstore/base64.h"
#include "core/mailstore/mime_text_util.h"

namespace {

constexpr size_t kMaxLine = 75;
constexpr char kHex[] = "0123456789ABCDEF";

// How the encoder writes a byte: printable ASCII other than "=" and the blank as it is;
// a blank as it is unless it ends a line; CR and LF as they are; anything else escaped.
enum ByteClass : unsigned char { kAsIs, kBlank, kLineEnd, kEscaped };
constexpr auto kByteClass = [] {
    std::array<ByteClass, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = c == ' ' ? kBlank : (c == '\r' || c == '\n') ? kLineEnd : (c > 0x20 && c <= 0x7E && c != '=') ? kAsIs : kEscaped;
    return t;
}();

bool IsLineEnd(std::string_view text, size_t i) {
    return i >= text.size() || text[i] == '\r' || text[i] == '\n';
}

// The one decoding loop behind the three decoders. `out` may be null (counting only);
// otherwise it holds at least in.size() bytes, since decoding never grows the text.
// `count` is the number of bytes decoded; false when an escape is cut short by the end.
bool DecodeQp(std::string_view in, char* out, size_t& count) {
    const char* p = in.data();
    const size_t n = in.size();
    size_t i = 0, w = 0;
    auto put = [&](char c) {
        if (out) out[w] = c;
        ++w;
    };
    while (i < n) {
        const void* eq = std::memchr(p + i, '=', n - i);
        const size_t run = eq ? static_cast<size_t>(static_cast<const char*>(eq) - (p + i)) : n - i;
        if (out) std::memcpy(out + w, p + i, run);
        w += run;
        i += run;
        if (i >= n) break;
        if (i + 2 < n) {
            const int hi = mime_text::HexValue(p[i + 1]), lo = mime_text::HexValue(p[i + 2]);
            if (hi >= 0 && lo >= 0) {
                put(static_cast<char>(hi * 16 + lo));
                i += 3;
                continue;
            }
        }
        // A soft break: "=", perhaps blanks a transport added, and the line end (CR LF, or
        // LF in LF-only text).
        size_t k = i + 1;
        while (k < n && (p[k] == ' ' || p[k] == '\t')) ++k;
        if (k < n && p[k] == '\n') {
            i = k + 1;
            continue;
        }
        if (k + 1 < n && p[k] == '\r' && p[k + 1] == '\n') {
            i = k + 2;
            continue;
        }
        if (i + 2 >= n) {
            count = w;
            return false;
        }
        put('=');  // not an escape: the "=" stands for itself
        i += 1;
    }
    count = w;
    return true;
}

bool DecodeInto(std::string_view in, std::string& out) {
    out.resize(in.size());
    size_t count = 0;
    const bool complete = DecodeQp(in, out.data(), count);
    out.resize(count);
    return complete;
}

}  // namespace

std::string QuotedPrintableEncode(std::string_view text) {
    const size_t n = text.size();
    std::string out;
    // Each byte gives at most three characters, and a soft break comes after at least 73.
    out.resize(3 * n + 3 * (3 * n / 73 + 2) + 16);
    char* o = out.data();
    size_t column = 0;
    auto softBreak = [&] {
        *o++ = '=';
        *o++ = '\r';
        *o++ = '\n';
        column = 0;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < n;) {
        // A run of characters written as they are, as long as the line has room.
        if (kByteClass[p[i]] == kAsIs && column < kMaxLine) {
            const size_t room = kMaxLine - column;
            size_t j = i + 1;
            while (j < n && j - i < room && kByteClass[p[j]] == kAsIs) ++j;
            std::memcpy(o, p + i, j - i);
            o += j - i;
            column += j - i;
            i = j;
            continue;
        }
        const unsigned char c = p[i++];
        const ByteClass cls = kByteClass[c];
        const bool literal = cls == kAsIs || cls == kLineEnd || (cls == kBlank && !IsLineEnd(text, i));
        if (literal) {
            // The line end itself is counted after the reset, as the system has always
            // written its lines; they stay well within the 76 characters of the rule.
            if (cls == kLineEnd) column = 0;
            if (column + 1 > kMaxLine) softBreak();
            *o++ = static_cast<char>(c);
            column += 1;
        } else {
            if (column + 3 > kMaxLine) softBreak();
            *o++ = '=';
            *o++ = kHex[c >> 4];
            *o++ = kHex[c & 0xF];
            column += 3;
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}

std::string QuotedPrintableDecode(std::string_view text) {
    std::string out;
    DecodeInto(text, out);
    return out;
}

bool QuotedPrintableDecoding(std::string_view in, std::string& out) { return DecodeInto(in, out); }

bool GetSizeAfterQuotedPrintableDecoding(std::string_view in, size_t& size) {
    size_t count = 0;
    if (!DecodeQp(in, nullptr, count)) return false;
    size = count;
    return true;
}

std::string DecodeMailBody(std::string_view in, int type) {
    if (type == 1) {
        std::string kept;
        kept.reserve(in.size());
        for (char c : in) {
            const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                               (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
            if (alpha) kept += c;
        }
        return normal_base64decoding(kept);
    }
    if (type == 2) return QuotedPrintableDecode(in);
    return std::string(in);
}
