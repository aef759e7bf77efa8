#include "core/foundation/validation.h"

#include <array>

#include "core/foundation/date_utils.h"

namespace {

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Bytes an address may hold anywhere.
constexpr std::array<bool, 256> MakeAddressBytes() {
    std::array<bool, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
    for (char c : std::string_view("!#$%&'*+-./=?@^_`{|}~")) t[static_cast<unsigned char>(c)] = true;
    return t;
}
constexpr std::array<bool, 256> kAddressBytes = MakeAddressBytes();

}  // namespace

int MailAddressChecker(std::string_view text) {
    const size_t at = text.find('@');
    if (at == std::string_view::npos || at == 0) return 0;

    const std::string_view domain = text.substr(at + 1);
    if (domain.empty() || domain.find('.') == std::string_view::npos || domain.front() == '.' ||
        domain.back() == '.' || domain.find("..") != std::string_view::npos)
        return 0;
    for (unsigned char c : domain)
        if (!IsAsciiAlnum(c) && c != '-' && c != '.') return 0;  // also refuses a second '@'

    for (unsigned char c : text)
        if (!kAddressBytes[c]) return 0;
    return 1;
}

int CheckNumberData(std::string_view text) {
    if (text.empty()) return 1;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.size() == 1) return isDigit(text[0]) ? 1 : 0;
    if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
    if (text.size() >= 10) return 0;
    for (char c : text)
        if (!isDigit(c)) return 0;
    return 1;
}

int CheckDateTypeData(std::string_view text, int minimumParts) {
    char normalised[kDateTextBufferSize];
    return ReFormat_DateData(text, normalised, 0) >= minimumParts ? 1 : 0;
}

int CheckSpecialStringData(std::string_view text, std::string_view allowed) {
    std::array<bool, 256> ok{};
    for (unsigned char c : allowed) ok[c] = true;
    for (unsigned char c : text)
        if (!ok[c]) return 0;
    return 1;
}

namespace {

int ScanMailBody(std::string_view text, int& noHalfKana, int& noDependent, int& allValid,
                 std::vector<std::string>* offending) {
    noHalfKana = noDependent = allValid = 1;
    const auto note = [&](size_t at, size_t length) {
        if (offending != nullptr) offending->emplace_back(text.substr(at, length));
    };
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0xA1 && c <= 0xDF) {
            noHalfKana = 0;
            note(i, 1);
            ++i;
        } else if ((c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) {
            if (i + 1 >= n) {
                allValid = 0;
                note(i, 1);
                return 0;
            }
            const auto t = static_cast<unsigned char>(text[i + 1]);
            if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) {
                if (c == 0x87 && t <= 0x9C) {
                    noDependent = 0;
                    note(i, 2);
                }
                i += 2;
            } else {
                allValid = 0;
                note(i, 1);
                ++i;
            }
        } else if (c < 0x7F) {
            ++i;
        } else if (c >= 0xF0 && c <= 0xFC) {
            noDependent = 0;
            if (i + 1 >= n) {
                allValid = 0;
                note(i, 1);
                return 0;
            }
            note(i, 2);
            i += 2;
        } else {
            allValid = 0;
            note(i, 1);
            ++i;
        }
    }
    return noHalfKana && noDependent && allValid ? 1 : 0;
}

}  // namespace

int CheckMailBodyCharacterCode(std::string_view text, int& noHalfKana, int& noDependent, int& allValid) {
    return ScanMailBody(text, noHalfKana, noDependent, allValid, nullptr);
}

int CheckMailBodyCharacterCode(std::string_view text, int& noHalfKana, int& noDependent, int& allValid,
                               std::vector<std::string>& offending) {
    offending.clear();
    return ScanMailBody(text, noHalfKana, noDependent, allValid, &offending);
}
