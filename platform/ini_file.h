#pragma once
// Ini files (sections of key=value lines) read and written by the rules of the desktop
// platform's private-profile functions, which the settings files of the program were
// written with:
//   - section and key names match case-insensitively (ASCII letters only; names are
//     Shift_JIS bytes, so the trail byte of a two-byte character is never folded);
//   - blanks around names and values are ignored, and a value wrapped in a pair of
//     double or single quotes is read without them; so a value is written wrapped in
//     double quotes when it would not read back as itself otherwise (blanks at an end,
//     a pair of quotes around it), and as it is in every other case;
//   - the first matching section, and in it the first matching key, wins;
//   - values are bytes, passed through untouched;
//   - a rewrite changes only the lines concerned: comments, unknown lines and the order
//     of everything else stay as they were; new keys go after the last key of their
//     section, new sections at the end of the file; lines end in CR LF.
// Files with LF-only line ends or without a final line break are read as well.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One ini text in memory, kept line by line so that a rewrite touches only what changed.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view bytes);

    // The value of `key` in `section` (quotes stripped); false when either is missing.
    bool Find(std::string_view section, std::string_view key, std::string& value) const;

    // Each edit returns true when the text changed.
    // Sets the key, adding the section and the key where they are missing; Find gives the
    // value back exactly.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key (every copy of it in the first matching section).
    bool DeleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all of its lines.
    bool DeleteSection(std::string_view section);

    // The whole text, each line ended by CR LF.
    std::string ToBytes() const;

private:
    enum class Kind { other, comment, section, key };
    struct Line {
        std::string text;  // the line as read, without its line end
        Kind kind = Kind::other;
        // Name of a section or key, and value of a key: offsets into text, blanks trimmed.
        size_t nameBegin = 0, nameEnd = 0, valueBegin = 0, valueEnd = 0;
        std::string_view Name() const { return std::string_view(text).substr(nameBegin, nameEnd - nameBegin); }
        std::string_view Value() const { return std::string_view(text).substr(valueBegin, valueEnd - valueBegin); }
    };
    static Line ParseLine(std::string text);
    // Index of the first section header named `section`, or npos.
    size_t FindSection(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
};

// Compares two names the way the ini rules do (blanks around them ignored, ASCII letters
// folded outside two-byte Shift_JIS characters).
bool IniNamesEqual(std::string_view a, std::string_view b);

// File access. Every call holds one process-wide lock, so that writers of the same file
// on different threads never lose each other's changes. Parsed files are cached by
// path, inode, size and modification time.

// The value of `key` in `section` of the file at `path`. False when the file, the section
// or the key is missing (an unreadable file counts as missing).
bool ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string& value);

// Writes through the safe-write helper (temporary file and rename), creating the file
// when missing. False when the file cannot be read or written, or when a name or the
// value would break the line structure (a CR or LF anywhere; in a key, a "=" or a leading
// "[" or ";"). Deleting what does not exist succeeds and leaves the file alone.
bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);
bool DeleteIniKey(const std::string& path, std::string_view section, std::string_view key);
bool DeleteIniSection(const std::string& path, std::string_view section);

}  // namespace platform
