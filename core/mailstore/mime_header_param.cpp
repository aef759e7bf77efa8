#include "core/mailstore/mime_header_param.h"

#include "core/mailstore/mime_text_util.h"

std::string ReformatHeaderBodyString(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    const size_t n = value.size();
    size_t i = 0;
    // Copies from i up to and including the closing mark `close`, or to the end.
    auto copyThrough = [&](std::string_view close, size_t searchFrom) {
        size_t end = value.find(close, searchFrom);
        end = end == std::string_view::npos ? n : end + close.size();
        out.append(value.substr(i, end - i));
        i = end;
    };
    while (i < n) {
        const char c = value[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '"') {
            copyThrough("\"", i + 1);
        } else if (c == '=' && i + 1 < n && value[i + 1] == '?') {
            copyThrough("?=", i + 2);
        } else if (c == '(') {
            const size_t end = value.find(')', i + 1);
            i = end == std::string_view::npos ? n : end + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out) {
    const std::string tidy = ReformatHeaderBodyString(value);
    const std::string key = std::string(name) + "=";
    const size_t at = mime_text::FindNoCase(tidy, key);
    if (at == std::string::npos) return false;
    const std::string_view rest = std::string_view(tidy).substr(at + key.size());
    out.clear();
    if (!rest.empty() && rest[0] == '"') {
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] == '\\' && i + 1 < rest.size() && rest[i + 1] == '"') {
                out += '"';
                ++i;
            } else if (rest[i] == '"') {
                break;
            } else {
                out += rest[i];
            }
        }
    } else {
        out.assign(rest.substr(0, rest.find(';')));
    }
    return true;
}
