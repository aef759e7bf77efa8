#pragma once
// Text helpers of the mail-store tests: Shift_JIS from the UTF-8 of the source, and the
// lines of a CR LF text.

#include <string>
#include <vector>

#include "core/foundation/cp932.h"

namespace mailtest {

inline const std::string& S(const char* utf8) { return SjisLiteral(utf8); }

// The lines of a text split at CR LF (the last one is what follows the last CR LF).
inline std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = s.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(s.substr(start, at - start));
    lines.push_back(s.substr(start));
    return lines;
}

}  // namespace mailtest
