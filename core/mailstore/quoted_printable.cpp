#include "core/mailstore/quoted_printable.h"

#include "core/mailstore/base64.h"
#include "core/mailstore/mime_text_util.h"

namespace {

constexpr size_t kMaxLine = 75;
constexpr char kHex[] = "0123456789ABCDEF";

bool IsLineEnd(std::string_view text, size_t i) {
    return i >= text.size() || text[i] == '\r' || text[i] == '\n';
}

// The one decoding loop behind the three decoders. `out` may be null (counting only).
// Returns false when an escape is cut short by the end of the text.
bool DecodeQp(std::string_view in, std::string* out, size_t& count) {
    count = 0;
    const size_t n = in.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = in[i];
        if (c != '=') {
            if (out) out->push_back(c);
            ++count;
            continue;
        }
        if (i + 1 < n && in[i + 1] == '\n') {  // soft break of LF-only text
            i += 1;
            continue;
        }
        if (i + 2 >= n) return false;
        if (in[i + 1] == '\r' && in[i + 2] == '\n') {  // soft break
            i += 2;
            continue;
        }
        const int hi = mime_text::HexValue(in[i + 1]), lo = mime_text::HexValue(in[i + 2]);
        if (hi < 0 || lo < 0) {  // not an escape: the "=" stands for itself
            if (out) out->push_back(c);
            ++count;
            continue;
        }
        if (out) out->push_back(static_cast<char>(hi * 16 + lo));
        ++count;
        i += 2;
    }
    return true;
}

}  // namespace

std::string QuotedPrintableEncode(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 16);
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool lineEnd = c == '\r' || c == '\n';
        const bool trailingBlank = c == ' ' && IsLineEnd(text, i + 1);
        const bool literal = lineEnd || (c >= 0x20 && c <= 0x7E && c != '=' && !trailingBlank);
        if (literal) {
            // The line end itself is counted after the reset, as the system has always
            // written its lines; they stay well within the 76 characters of the rule.
            if (lineEnd) column = 0;
            if (column + 1 > kMaxLine) {
                out += "=\r\n";
                column = 0;
            }
            out += static_cast<char>(c);
            column += 1;
        } else {
            if (column + 3 > kMaxLine) {
                out += "=\r\n";
                column = 0;
            }
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            column += 3;
        }
    }
    return out;
}

std::string QuotedPrintableDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t count;
    DecodeQp(text, &out, count);
    return out;
}

bool QuotedPrintableDecoding(std::string_view in, std::string& out) {
    out.clear();
    out.reserve(in.size());
    size_t count;
    return DecodeQp(in, &out, count);
}

bool GetSizeAfterQuotedPrintableDecoding(std::string_view in, size_t& size) {
    size_t count;
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
