#include "core/addressbook/import_records.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <sys/stat.h>

#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The length of the well-formed UTF-8 sequence at text[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF) with its code point in `u`; 0 when none starts there.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t& u) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
        u = b;
        return 1;
    }
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) n = 1;
    else if (b == 0xE0) n = 2, lo = 0xA0;
    else if (b >= 0xE1 && b <= 0xEC) n = 2;
    else if (b == 0xED) n = 2, hi = 0x9F;
    else if (b >= 0xEE && b <= 0xEF) n = 2;
    else if (b == 0xF0) n = 3, lo = 0x90;
    else if (b >= 0xF1 && b <= 0xF3) n = 3;
    else if (b == 0xF4) n = 3, hi = 0x8F;
    else return 0;
    if (i + n >= text.size()) return 0;  // cut off by the end
    u = b & (n == 1 ? 0x1F : n == 2 ? 0x0F : 0x07);
    for (std::size_t k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return 0;
        u = u << 6 | (c & 0x3F);
    }
    return n + 1;
}

// Well-formed UTF-8; `wide` is set when a character beyond ASCII occurs.
bool IsWellFormedUtf8(std::string_view text, bool& wide) {
    wide = false;
    char32_t u = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        wide = true;
        const std::size_t n = Utf8SequenceAt(text, i, u);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

// What keeps the lines of one record from being read whole, gathered over its lines so
// that each character or byte is named once.
class ReadProblems {
public:
    // A line in the Shift_JIS file: every byte that starts no character, or a lead byte
    // without its trail byte. True when there is none.
    bool CheckSjis(std::string_view text) {
        bool whole = true;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            if (b < 0x80 || IsHalfWidthKana(b)) continue;
            if (IsSjisLeadByte(b) && i + 1 < text.size() && IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))) {
                ++i;
                continue;
            }
            AddByte(b);
            whole = false;
        }
        return whole;
    }
    // A line in the UTF-8 file: every byte that starts no character, and every character
    // Shift_JIS cannot hold (as Utf8ToSjis would write it, a blank). True when there is none.
    bool CheckUtf8(std::string_view text) {
        bool whole = true;
        char32_t u = 0;
        for (std::size_t i = 0; i < text.size();) {
            if (static_cast<unsigned char>(text[i]) < 0x80) {
                ++i;
                continue;
            }
            const std::size_t n = Utf8SequenceAt(text, i, u);
            if (n == 0) {
                AddByte(static_cast<unsigned char>(text[i]));
                whole = false;
                ++i;
                continue;
            }
            if (CodePointToSjis(u) == " ") {
                AddCharacter(u, text.substr(i, n));
                whole = false;
            }
            i += n;
        }
        return whole;
    }
    void SetNul() { nul_ = true; }
    void SetUnclosed(char quote) { unclosedQuote_ = quote; }

    // The reason phrases (UTF-8), or "" when nothing was found.
    std::string Phrases(bool utf8) const {
        std::string out;
        if (nul_) out += kNulInLineReason;
        if (!characters_.empty()) {
            out += "Shift_JISにない文字";
            for (const auto& [u, text] : characters_) {
                char code[16];
                std::snprintf(code, sizeof code, "(U+%04X)", static_cast<unsigned>(u));
                out += "「" + text + "」" + code;
            }
            if (moreCharacters_) out += "…";
            out += "が含まれている、";
        }
        if (!bytes_.empty()) {
            out += utf8 ? "UTF-8" : "Shift_JIS";
            out += "の文字にならないバイト(";
            for (std::size_t k = 0; k < bytes_.size(); ++k) {
                char code[8];
                std::snprintf(code, sizeof code, "%s0x%02X", k == 0 ? "" : " ", bytes_[k]);
                out += code;
            }
            if (moreBytes_) out += " …";
            out += ")が含まれている、";
        }
        if (unclosedQuote_ != '\0') out += std::string("引用符(") + unclosedQuote_ + ")が閉じられていない、";
        return out;
    }

private:
    // Names beyond this many make the reason no easier to act on.
    static constexpr std::size_t kMaxNamed = 10;

    void AddByte(unsigned char b) {
        if (std::find(bytes_.begin(), bytes_.end(), b) != bytes_.end()) return;
        if (bytes_.size() < kMaxNamed) bytes_.push_back(b);
        else moreBytes_ = true;
    }
    void AddCharacter(char32_t u, std::string_view text) {
        for (const auto& c : characters_)
            if (c.first == u) return;
        if (characters_.size() < kMaxNamed) characters_.emplace_back(u, std::string(text));
        else moreCharacters_ = true;
    }

    bool nul_ = false;
    char unclosedQuote_ = '\0';
    std::vector<std::pair<char32_t, std::string>> characters_;
    std::vector<unsigned char> bytes_;
    bool moreCharacters_ = false;
    bool moreBytes_ = false;
};

// Whether a quoted field that is open where `more` begins is still open at its end, by
// SplitString's rules: a Shift_JIS pair is one character; inside quotes a doubled quote is
// a quote, a quote before a separator or at the very end closes the field, any other quote
// is text; outside them a quote opens a field it begins. `more` starts with the line break
// that joins it on, so none of its bytes pairs with the text before it. Reading only the
// joined line keeps a record that never closes linear in its length, where splitting the
// whole text again at every line made it quadratic.
bool StillOpen(std::string_view more, std::string_view separators, char quote) {
    const auto isSeparator = [&](char c) { return separators.find(c) != std::string_view::npos; };
    bool quoted = true, fieldStart = false;
    const std::size_t n = more.size();
    for (std::size_t i = 0; i < n;) {
        const char c = more[i];
        if (IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < n &&
            IsSjisTrailByte(static_cast<unsigned char>(more[i + 1]))) {
            i += 2;
            fieldStart = false;
            continue;
        }
        if (quoted) {
            if (c != quote) {
                ++i;
            } else if (i + 1 < n && more[i + 1] == quote) {
                i += 2;
            } else if (i + 1 >= n) {
                return false;
            } else if (isSeparator(more[i + 1])) {
                quoted = false;
                fieldStart = true;
                i += 2;
            } else {
                ++i;
            }
            continue;
        }
        if (fieldStart && c == quote) {
            quoted = true;
            fieldStart = false;
        } else {
            fieldStart = isSeparator(c);
        }
        ++i;
    }
    return quoted;
}

// `line` in Shift_JIS into `out`; false, with what was found in `problems`, when it cannot be
// had whole.
bool ConvertLine(std::string_view line, bool utf8, std::string& out, ReadProblems& problems) {
    // No text of the book holds a NUL byte (and one stored would cut the text short where
    // it is read as a C string): the line is rejected like one with a character Shift_JIS
    // lacks.
    bool whole = true;
    if (line.find('\0') != std::string_view::npos) {
        problems.SetNul();
        whole = false;
    }
    if (!utf8) {
        out.assign(line.data(), line.size());
        return problems.CheckSjis(line) && whole;
    }
    // Each broken sequence and each character Shift_JIS cannot hold becomes a blank: no
    // more blanks than the line had means nothing was lost, and only then is the line
    // read again to name what was.
    out = Utf8ToSjis(line);
    if (std::count(out.begin(), out.end(), ' ') == std::count(line.begin(), line.end(), ' ')) return whole;
    return problems.CheckUtf8(line) && whole;
}

}  // namespace

void ImportTextDetector::Feed(std::string_view piece) {
    if (first_ && piece.starts_with(kBom)) {
        bom_ = true;
        piece.remove_prefix(kBom.size());
    }
    first_ = false;
    if (utf8WellFormed_) {
        bool wide = false;
        if (IsWellFormedUtf8(piece, wide)) {
            wide_ = wide_ || wide;
        } else {
            utf8WellFormed_ = false;
        }
    }
}

bool ImportTextDetector::IsUtf8() const {
    // Shift_JIS text is hardly ever well-formed UTF-8 beyond a few bytes: its kanji begin
    // with bytes that UTF-8 keeps for continuations, and its half-width kana pair up as
    // UTF-8 only in rare runs. Accented Latin letters in UTF-8 ("José" as C3 A9), on the
    // other hand, are well-formed Shift_JIS too, as half-width kana ("ﾃｩ"); taking such a
    // file for Shift_JIS would store every name changed without a word, while read as
    // UTF-8 a name Shift_JIS cannot hold is refused and its line named.
    return bom_ || (utf8WellFormed_ && wide_);
}

bool ImportRecords::Load(const std::string& path, std::string_view separators, char quote) {
    data_.clear();
    start_ = pos_ = 0;
    lineNumber_ = 0;
    utf8_ = false;
    separators_.assign(separators.data(), separators.size());
    quote_ = quote;
    const std::string fixed = platform::FixPath(path);
    struct stat st;
    // A folder opens for reading but yields no bytes: it must not read as an empty file.
    if (::stat(fixed.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (!platform::ReadNamedFile(fixed, data_)) return false;
    ImportTextDetector detector;
    detector.Feed(data_);
    utf8_ = detector.IsUtf8();
    if (detector.HasBom()) start_ = kBom.size();
    pos_ = start_;
    return true;
}

bool ImportRecords::LineAt(std::size_t pos, std::string_view& line, std::size_t& next) const {
    if (pos >= data_.size()) return false;
    std::size_t end = data_.find('\n', pos);
    next = end == std::string::npos ? data_.size() : end + 1;
    if (end == std::string::npos) end = data_.size();
    while (end > pos && (data_[end - 1] == '\r' || data_[end - 1] == '\n')) --end;
    line = std::string_view(data_).substr(pos, end - pos);
    return true;
}

bool ImportRecords::Next(Record& out) {
    std::string_view line;
    std::size_t next = 0;
    if (!LineAt(pos_, line, next)) return false;
    const std::size_t first = pos_;
    ReadProblems problems;
    out.line = ++lineNumber_;
    out.rejected = !ConvertLine(line, utf8_, out.text, problems);
    const std::size_t afterFirst = next;
    bool open = SplitString(out.text, out.columns, separators_, quote_);
    int lines = 1;
    bool joinedBad = false;
    std::string piece;
    while (open) {
        if (lines >= kMaxRecordLines || out.text.size() > kMaxRecordBytes || !LineAt(next, line, next)) break;
        ++lines;
        joinedBad = !ConvertLine(line, utf8_, piece, problems) || joinedBad;
        const std::size_t joinedAt = out.text.size();
        out.text += "\r\n";
        out.text += piece;
        open = StillOpen(std::string_view(out.text).substr(joinedAt), separators_, quote_);
    }
    if (lines > 1 && !open) SplitString(out.text, out.columns, separators_, quote_);
    if (open && lines > 1) {
        // Never closed: the first line alone is rejected, the lines after it are read again.
        LineAt(first, line, next);
        problems = ReadProblems();
        ConvertLine(line, utf8_, out.text, problems);
        problems.SetUnclosed(quote_);
        SplitString(out.text, out.columns, separators_, quote_);
        out.rejected = true;
        out.reason = problems.Phrases(utf8_);
        out.bytes = std::string_view(data_).substr(first, afterFirst - first);
        pos_ = afterFirst;
        return true;
    }
    if (open) problems.SetUnclosed(quote_);
    out.rejected = out.rejected || joinedBad || open;
    out.reason = out.rejected ? problems.Phrases(utf8_) : std::string();
    out.bytes = std::string_view(data_).substr(first, next - first);
    lineNumber_ += lines - 1;
    pos_ = next;
    return true;
}
