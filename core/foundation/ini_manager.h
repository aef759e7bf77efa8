#pragma once
// CIniManager: the one way the program reads and writes its ini files (window layouts,
// per-program settings). Usable as static calls taking file, section and key, or as an
// object that keeps one file and one section for a series of calls.
//
// Reads return what the ini rules of platform/ini_file.h give; writes are safe rewrites
// under a process-wide lock. Names and values are Shift_JIS bytes.

#include <string>

class CIniManager {
public:
    // Values longer than this are cut (the readers' buffer held 4096 bytes with its end mark).
    static constexpr size_t kMaxValueBytes = 4095;

    CIniManager() = default;
    CIniManager(const std::string& file, const std::string& section);
    virtual ~CIniManager() = default;
    CIniManager(const CIniManager&) = default;
    CIniManager& operator=(const CIniManager&) = default;

    // The key's leading decimal number (optional sign; a value that does not start with a
    // digit gives 0) as an unsigned number, so -5 reads as 4294967291. `defaultValue`
    // when the key is missing or its value is empty.
    static unsigned int GetProfileIntA(const std::string& file, const std::string& section,
                                       const std::string& key, int defaultValue);
    // Reads the value, or `defaultText` (trailing blanks dropped) when the key is missing,
    // cut to at most 4095 bytes and never inside a two-byte character. When the text got
    // is empty the result is 0 and `out` is left as it was; otherwise `out` receives it
    // and the result is 1. A stored empty value therefore does not give the default.
    static int GetProfileStringA(const std::string& file, const std::string& section,
                                 const std::string& key, std::string& out,
                                 const std::string& defaultText);
    // Writes the value as decimal text; nonzero on success.
    static int WriteProfileInt(const std::string& file, const std::string& section,
                               const std::string& key, int value);
    // Writes the text; nonzero on success. A null `key` removes the whole section, a
    // null `text` removes the key; removing what is not there succeeds.
    static int WriteProfileStringA(const std::string& file, const std::string& section,
                                   const char* key, const char* text);

    // Keeps the file and section for the calls below.
    void KeepSectionPosition(const std::string& file, const std::string& section);
    void ClearSectionPosition();

    unsigned int GetProfileIntA(const std::string& key, int defaultValue) const;
    int GetProfileStringA(const std::string& key, std::string& out, const std::string& defaultText) const;
    int WriteProfileInt(const std::string& key, int value) const;
    int WriteProfileStringA(const char* key, const char* text) const;

private:
    std::string m_file;
    std::string m_section;
};
