#include "core/mailstore/mime_header_param.h"

#include <map>

#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"

namespace {

using std::string_view;
using text_search::npos;

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One parameter as it stands in the header: its full name (RFC 2231 marks included) and
// its value with quotes removed.
struct RawParam {
    string_view name;
    std::string value;
    bool closed = true;
};

class ParamReader {
public:
    explicit ParamReader(string_view v) : v_(v) { SkipMainValue(); }

    // The next parameter; false at the end of the value.
    bool Next(RawParam& p) {
        for (;;) {
            SkipSeparators();
            if (i_ >= v_.size()) return false;
            const size_t nameStart = i_;
            while (i_ < v_.size() && v_[i_] != '=' && v_[i_] != ';' && !IsBlankOrLineEnd(v_[i_]) && v_[i_] != '(' &&
                   v_[i_] != '"')
                ++i_;
            p.name = v_.substr(nameStart, i_ - nameStart);
            SkipBlanksAndComments();
            if (i_ >= v_.size() || v_[i_] != '=' || p.name.empty()) {
                // A word without "=" is no parameter; step over it.
                if (i_ == nameStart) ++i_;
                continue;
            }
            ++i_;
            SkipBlanksAndComments();
            p.closed = true;
            if (i_ < v_.size() && v_[i_] == '"')
                ReadQuoted(p);
            else
                ReadUnquoted(p);
            return true;
        }
    }

private:
    // The type or disposition before the parameters. A value whose first word holds "="
    // starts with a parameter.
    void SkipMainValue() {
        size_t k = 0;
        while (k < v_.size() && IsBlankOrLineEnd(v_[k])) ++k;
        const size_t start = k;
        while (k < v_.size() && v_[k] != ';' && !IsBlankOrLineEnd(v_[k]) && v_[k] != '(') {
            if (v_[k] == '=' || v_[k] == '"') {
                i_ = start;
                return;
            }
            ++k;
        }
        i_ = k;
    }

    void SkipComment() {
        int depth = 0;
        for (; i_ < v_.size(); ++i_) {
            if (v_[i_] == '\\' && i_ + 1 < v_.size()) {
                ++i_;
            } else if (v_[i_] == '(') {
                ++depth;
            } else if (v_[i_] == ')' && --depth == 0) {
                ++i_;
                return;
            }
        }
    }

    void SkipBlanksAndComments() {
        while (i_ < v_.size()) {
            if (IsBlankOrLineEnd(v_[i_]))
                ++i_;
            else if (v_[i_] == '(')
                SkipComment();
            else
                break;
        }
    }

    void SkipSeparators() {
        while (i_ < v_.size()) {
            SkipBlanksAndComments();
            if (i_ < v_.size() && v_[i_] == ';')
                ++i_;
            else
                break;
        }
    }

    void ReadQuoted(RawParam& p) {
        p.value.clear();
        ++i_;
        while (i_ < v_.size()) {
            const auto c = static_cast<unsigned char>(v_[i_]);
            if (c == '"') {
                ++i_;
                SkipToSeparator();
                return;
            }
            if (c == '\\' && i_ + 1 < v_.size() && (v_[i_ + 1] == '"' || v_[i_ + 1] == '\\')) {
                p.value += v_[i_ + 1];
                i_ += 2;
            } else if (IsSjisLeadByte(c) && i_ + 1 < v_.size() &&
                       IsSjisTrailByte(static_cast<unsigned char>(v_[i_ + 1]))) {
                p.value.append(v_.substr(i_, 2));
                i_ += 2;
            } else {
                p.value += v_[i_++];
            }
        }
        p.closed = false;
    }

    void ReadUnquoted(RawParam& p) {
        const size_t start = i_;
        size_t end = v_.find(';', i_);
        if (end == npos) end = v_.size();
        // A blank followed by a comment or by "name=" ends the value early.
        for (size_t k = start; k < end; ++k) {
            if (!IsBlankOrLineEnd(v_[k])) continue;
            size_t n = k;
            while (n < end && IsBlankOrLineEnd(v_[n])) ++n;
            if (n < end && v_[n] == '(') {
                end = k;
                break;
            }
            size_t t = n;
            while (t < end && v_[t] != '=' && !IsBlankOrLineEnd(v_[t]) && v_[t] != '"') ++t;
            if (t > n && t < end && v_[t] == '=') {
                end = k;
                break;
            }
        }
        p.value.assign(mime_text::TrimRight(v_.substr(start, end - start)));
        i_ = end;
    }

    void SkipToSeparator() {
        while (i_ < v_.size() && v_[i_] != ';') {
            if (v_[i_] == '(')
                SkipComment();
            else
                ++i_;
        }
    }

    string_view v_;
    size_t i_ = 0;
};

std::string PercentDecode(string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = mime_text::HexValue(s[i + 1]);
            const int lo = mime_text::HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// "charset'language'text" of an RFC 2231 value: the charset, and the text decoded.
void SplitExtended(string_view v, std::string& charset, std::string& text) {
    const size_t a = v.find('\'');
    const size_t b = a == npos ? npos : v.find('\'', a + 1);
    if (b == npos) {
        charset.clear();
        text = PercentDecode(v);
        return;
    }
    charset.assign(v.substr(0, a));
    text = PercentDecode(v.substr(b + 1));
}

}  // namespace

bool ReadHeaderParam(std::string_view headerValue, std::string_view name, MimeHeaderParam& out) {
    bool havePlain = false, haveExtended = false;
    MimeHeaderParam plain, extended;
    std::map<int, RawParam> pieces;  // RFC 2231 continuations by number; the value keeps a trailing '*' mark
    std::map<int, bool> encodedPiece;

    ParamReader reader(headerValue);
    RawParam p;
    while (reader.Next(p)) {
        if (p.name.size() < name.size() || !mime_text::EqualsNoCase(p.name.substr(0, name.size()), name)) continue;
        const string_view rest = p.name.substr(name.size());
        if (rest.empty()) {
            if (!havePlain) {
                havePlain = true;
                plain.value = std::move(p.value);
                plain.closed = p.closed;
            }
        } else if (rest == "*") {
            if (!haveExtended) {
                haveExtended = true;
                SplitExtended(p.value, extended.charset, extended.value);
                extended.closed = p.closed;
            }
        } else if (rest[0] == '*') {
            string_view number = rest.substr(1);
            const bool encoded = !number.empty() && number.back() == '*';
            if (encoded) number.remove_suffix(1);
            if (number.empty() || number.size() > 4) continue;
            int n = 0;
            bool digits = true;
            for (char c : number) {
                if (c < '0' || c > '9') digits = false;
                n = n * 10 + (c - '0');
            }
            if (!digits || pieces.count(n)) continue;
            encodedPiece[n] = encoded;
            pieces[n] = std::move(p);
        }
    }

    if (pieces.count(0)) {
        MimeHeaderParam joined;
        for (int n = 0; pieces.count(n); ++n) {
            const RawParam& piece = pieces[n];
            if (!piece.closed) joined.closed = false;
            if (!encodedPiece[n]) {
                joined.value += piece.value;
            } else if (n == 0) {
                std::string text;
                SplitExtended(piece.value, joined.charset, text);
                joined.value += text;
            } else {
                joined.value += PercentDecode(piece.value);
            }
        }
        out = std::move(joined);
        return true;
    }
    if (haveExtended) {
        out = std::move(extended);
        return true;
    }
    if (havePlain) {
        out = std::move(plain);
        return true;
    }
    return false;
}

bool GetHeaderParam(std::string_view headerValue, std::string_view name, std::string& out) {
    MimeHeaderParam p;
    if (!ReadHeaderParam(headerValue, name, p)) return false;
    out = std::move(p.value);
    return true;
}

bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out) {
    MimeHeaderParam p;
    if (!ReadHeaderParam(value, name, p)) return false;
    mime_charset::TextCode code;
    if (!p.charset.empty() && mime_charset::CodeOfCharset(p.charset, code))
        out = "=?" + p.charset + "?B?" + base64encoding(p.value, -1) + "?=";
    else
        out = std::move(p.value);
    return true;
}
