#include "core/mailstore/mime_header_param.h"

#include "core/foundation/header_tidy.h"
#include "core/mailstore/mime_text_util.h"

bool FindHeaderParam(std::string_view value, std::string_view name, std::string& out) {
    const std::string tidy = ReformatHeaderBodyString(std::string(value));
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
