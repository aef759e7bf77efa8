#include "platform/ini_file.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <sys/stat.h>

#include "platform/safe_write.h"

namespace platform {
namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// First byte of a two-byte Shift_JIS character.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

// [begin, end) of `s` within [from, to) without the blanks around it.
void Trim(std::string_view s, size_t from, size_t to, size_t& begin, size_t& end) {
    while (from < to && IsBlank(static_cast<unsigned char>(s[from]))) ++from;
    while (to > from && IsBlank(static_cast<unsigned char>(s[to - 1]))) --to;
    begin = from;
    end = to;
}

std::string_view Trimmed(std::string_view s) {
    size_t b, e;
    Trim(s, 0, s.size(), b, e);
    return s.substr(b, e - b);
}

// A value wrapped in a pair of the same quote is read without them.
std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The text a value is written as, so that reading gives it back. Only a value that would
// not read back as itself - blanks at either end, or a pair of the same quote around it -
// is wrapped in double quotes, which the reader takes away again; every other value is
// written as it is, as earlier versions wrote it, so their files read as before.
std::string ValueText(std::string_view value) {
    if (StripQuotes(Trimmed(value)) == value) return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
    a = Trimmed(a);
    b = Trimmed(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(ca)) {
            // A two-byte character matches only itself: its trail byte may look like an
            // ASCII letter but must not be folded.
            if (ca != cb) return false;
            if (++i < a.size() && a[i] != b[i]) return false;
            continue;
        }
        if (FoldAscii(ca) != FoldAscii(cb)) return false;
    }
    return true;
}

IniDocument::IniDocument(std::string_view bytes) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        const size_t next = eol == std::string_view::npos ? bytes.size() : eol + 1;
        if (eol == std::string_view::npos) eol = bytes.size();
        size_t end = eol;
        if (end > pos && bytes[end - 1] == '\r') --end;
        lines_.push_back(ParseLine(std::string(bytes.substr(pos, end - pos))));
        pos = next;
    }
}

IniDocument::Line IniDocument::ParseLine(std::string text) {
    Line line;
    line.text = std::move(text);
    const std::string_view t(line.text);
    size_t first = 0;
    while (first < t.size() && IsBlank(static_cast<unsigned char>(t[first]))) ++first;
    if (first == t.size()) return line;
    if (t[first] == ';') {
        line.kind = Kind::comment;
        return line;
    }
    if (t[first] == '[') {
        // The name runs to the last "]" of the line; a "]" byte inside a two-byte
        // character does not count.
        size_t close = npos;
        for (size_t i = first + 1; i < t.size(); ++i) {
            const auto c = static_cast<unsigned char>(t[i]);
            if (IsLeadByte(c)) {
                ++i;
            } else if (c == ']') {
                close = i;
            }
        }
        if (close != npos) {
            line.kind = Kind::section;
            Trim(t, first + 1, close, line.nameBegin, line.nameEnd);
        }
        return line;
    }
    // "=" is below the range of trail bytes, so a plain search finds the real one.
    const size_t eq = t.find('=', first);
    if (eq != std::string_view::npos) {
        line.kind = Kind::key;
        Trim(t, first, eq, line.nameBegin, line.nameEnd);
        Trim(t, eq + 1, t.size(), line.valueBegin, line.valueEnd);
    }
    return line;
}

size_t IniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::section && IniNamesEqual(lines_[i].Name(), section)) return i;
    return npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::section) ++i;
    return i;
}

bool IniDocument::Find(std::string_view section, std::string_view key, std::string& value) const {
    const size_t header = FindSection(section);
    if (header == npos) return false;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::key && IniNamesEqual(lines_[i].Name(), key)) {
            value.assign(StripQuotes(lines_[i].Value()));
            return true;
        }
    }
    return false;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view rawValue) {
    const std::string value = ValueText(rawValue);
    std::string keyLine(Trimmed(key));
    keyLine += '=';
    keyLine += value;
    const size_t header = FindSection(section);
    if (header == npos) {
        std::string head("[");
        head += Trimmed(section);
        head += ']';
        lines_.push_back(ParseLine(std::move(head)));
        lines_.push_back(ParseLine(std::move(keyLine)));
        return true;
    }
    const size_t end = SectionEnd(header);
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < end; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::key) continue;
        if (IniNamesEqual(line.Name(), key)) {
            if (line.Value() == value) return false;
            // The key keeps its name as the file spells it.
            std::string text(line.Name());
            text += '=';
            text += value;
            line = ParseLine(std::move(text));
            return true;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), ParseLine(std::move(keyLine)));
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    const size_t header = FindSection(section);
    if (header == npos) return false;
    const size_t end = SectionEnd(header);
    bool changed = false;
    for (size_t i = end; i-- > header + 1;) {
        if (lines_[i].kind == Kind::key && IniNamesEqual(lines_[i].Name(), key)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            changed = true;
        }
    }
    return changed;
}

bool IniDocument::DeleteSection(std::string_view section) {
    bool changed = false;
    for (size_t header = FindSection(section); header != npos; header = FindSection(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
        changed = true;
    }
    return changed;
}

std::string IniDocument::ToBytes() const {
    size_t total = 0;
    for (const Line& l : lines_) total += l.text.size() + 2;
    std::string out;
    out.reserve(total);
    for (const Line& l : lines_) {
        out += l.text;
        out += "\r\n";
    }
    return out;
}

// ---- files -------------------------------------------------------------------------

namespace {

struct CachedFile {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
    IniDocument doc;
};

bool SameFile(const CachedFile& c, const struct stat& st) {
    return c.dev == st.st_dev && c.ino == st.st_ino && c.size == st.st_size &&
           c.mtime.tv_sec == st.st_mtim.tv_sec && c.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// Guards the cache and every read-modify-write of a file.
std::mutex g_iniMutex;
std::unordered_map<std::string, CachedFile> g_cache;
constexpr size_t kMaxCachedFiles = 64;

void Remember(const std::string& path, const struct stat& st, IniDocument doc) {
    if (g_cache.size() >= kMaxCachedFiles && g_cache.find(path) == g_cache.end()) g_cache.clear();
    g_cache.insert_or_assign(path, CachedFile{st.st_dev, st.st_ino, st.st_size, st.st_mtim, std::move(doc)});
}

enum class Load { ok, missing, error };

// The parsed file, from the cache when the file has not changed. Holds g_iniMutex.
Load LoadLocked(const std::string& path, const IniDocument*& doc) {
    // The entry itself (not what a link names): what is no regular file of the user's is
    // never found in the cache, and the read refuses it, telling why.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        const int e = errno;
        g_cache.erase(path);
        return (e == ENOENT || e == ENOTDIR) ? Load::missing : Load::error;
    }
    auto it = g_cache.find(path);
    if (it != g_cache.end() && SameFile(it->second, st)) {
        doc = &it->second.doc;
        return Load::ok;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        g_cache.erase(path);
        return Load::error;
    }
    // The status taken before reading is kept: a change made during the read then shows
    // as a different status next time and the file is read again.
    Remember(path, st, IniDocument(bytes));
    doc = &g_cache.find(path)->second.doc;
    return Load::ok;
}

template <typename Edit>
bool EditFile(const std::string& path, Edit edit) {
    if (path.empty()) return false;
    std::lock_guard<std::mutex> lock(g_iniMutex);
    const IniDocument* current = nullptr;
    const Load load = LoadLocked(path, current);
    if (load == Load::error) return false;  // never overwrite a file we could not read
    IniDocument doc = load == Load::ok ? *current : IniDocument();
    if (!edit(doc)) return true;
    if (!WriteFileAtomically(path, doc.ToBytes())) {
        g_cache.erase(path);
        return false;
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        Remember(path, st, std::move(doc));
    } else {
        g_cache.erase(path);
    }
    return true;
}

bool ValidSection(std::string_view section) { return !HasLineBreak(section); }

bool ValidKey(std::string_view key) {
    if (HasLineBreak(key) || key.find('=') != std::string_view::npos) return false;
    const std::string_view t = Trimmed(key);
    return t.empty() || (t.front() != '[' && t.front() != ';');
}

}  // namespace

bool ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string& value) {
    std::lock_guard<std::mutex> lock(g_iniMutex);
    const IniDocument* doc = nullptr;
    if (LoadLocked(path, doc) != Load::ok) return false;
    return doc->Find(section, key, value);
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value)) return false;
    return EditFile(path, [&](IniDocument& doc) { return doc.Set(section, key, value); });
}

bool DeleteIniKey(const std::string& path, std::string_view section, std::string_view key) {
    return EditFile(path, [&](IniDocument& doc) { return doc.DeleteKey(section, key); });
}

bool DeleteIniSection(const std::string& path, std::string_view section) {
    return EditFile(path, [&](IniDocument& doc) { return doc.DeleteSection(section); });
}

}  // namespace platform
