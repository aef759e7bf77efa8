#include "core/foundation/ini_manager.h"

#include <cstdint>
#include <string_view>

#include "platform/ini_file.h"

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The longest prefix of at most `limit` bytes that ends on a character boundary.
std::string_view CutAtCharBoundary(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t i = 0;
    while (i < limit) {
        const size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return text.substr(0, i);
}

// Leading decimal number with an optional sign (blanks before it skipped), wrapping like
// a 32-bit unsigned counter.
unsigned int ParseProfileInt(std::string_view v) {
    size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    uint32_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10u + static_cast<uint32_t>(v[i] - '0');
    return negative ? 0u - n : n;
}

}  // namespace

CIniManager::CIniManager(const std::string& file, const std::string& section)
    : m_file(file), m_section(section) {}

unsigned int CIniManager::GetProfileIntA(const std::string& file, const std::string& section,
                                         const std::string& key, int defaultValue) {
    std::string value;
    if (!platform::ReadIniValue(file, section, key, value) || value.empty())
        return static_cast<unsigned int>(defaultValue);
    return ParseProfileInt(value);
}

int CIniManager::GetProfileStringA(const std::string& file, const std::string& section,
                                   const std::string& key, std::string& out,
                                   const std::string& defaultText) {
    std::string value;
    std::string_view got;
    if (platform::ReadIniValue(file, section, key, value)) {
        got = value;
    } else {
        got = defaultText;
        while (!got.empty() && got.back() == ' ') got.remove_suffix(1);
    }
    got = CutAtCharBoundary(got, kMaxValueBytes);
    if (got.empty()) return 0;
    out.assign(got);
    return 1;
}

int CIniManager::WriteProfileInt(const std::string& file, const std::string& section,
                                 const std::string& key, int value) {
    return platform::WriteIniValue(file, section, key, std::to_string(value)) ? 1 : 0;
}

int CIniManager::WriteProfileStringA(const std::string& file, const std::string& section,
                                     const char* key, const char* text) {
    bool ok;
    if (key == nullptr) {
        ok = platform::DeleteIniSection(file, section);
    } else if (text == nullptr) {
        ok = platform::DeleteIniKey(file, section, key);
    } else {
        ok = platform::WriteIniValue(file, section, key, text);
    }
    return ok ? 1 : 0;
}

void CIniManager::KeepSectionPosition(const std::string& file, const std::string& section) {
    m_file = file;
    m_section = section;
}

void CIniManager::ClearSectionPosition() {
    m_file.clear();
    m_section.clear();
}

unsigned int CIniManager::GetProfileIntA(const std::string& key, int defaultValue) const {
    return GetProfileIntA(m_file, m_section, key, defaultValue);
}

int CIniManager::GetProfileStringA(const std::string& key, std::string& out,
                                   const std::string& defaultText) const {
    return GetProfileStringA(m_file, m_section, key, out, defaultText);
}

int CIniManager::WriteProfileInt(const std::string& key, int value) const {
    return WriteProfileInt(m_file, m_section, key, value);
}

int CIniManager::WriteProfileStringA(const char* key, const char* text) const {
    return WriteProfileStringA(m_file, m_section, key, text);
}
