#include "app/htmledit/map_candidate_list.h"

#include <cstdint>
#include <optional>

#include "app/htmledit/map_url_lookup_query.h"
#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

// Counts above this read as this: far more than the most candidates, and no overflow.
constexpr long kCountCap = 1000000;

std::string_view DropByteOrderMark(std::string_view text) {
    for (std::string_view mark : {std::string_view("\xEF\xBB\xBF"), std::string_view("\xEF\xBF\xBE")}) {
        if (text.substr(0, mark.size()) == mark) return text.substr(mark.size());
    }
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

long ReadHitCount(std::string_view text) {
    const size_t key = text.find("\"hit\"");
    if (key == std::string_view::npos) return 0;
    size_t i = key + 5;
    while (i < text.size() && !IsDigit(text[i])) ++i;
    long count = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        count = count * 10 + (text[i] - '0');
        if (count > kCountCap) return kCountCap;
    }
    return count;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Four hex digits at text[i...]; nullopt when they are not there.
std::optional<uint32_t> ReadHex4(std::string_view text, size_t i) {
    if (i + 4 > text.size()) return std::nullopt;
    uint32_t value = 0;
    for (size_t k = i; k < i + 4; ++k) {
        const char c = text[k];
        value <<= 4;
        if (c >= '0' && c <= '9') value |= static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f') value |= static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') value |= static_cast<uint32_t>(c - 'A' + 10);
        else return std::nullopt;
    }
    return value;
}

// The JSON string that starts at the quote text[open], escapes undone; `end` is set past
// its closing quote. nullopt when the text ends first.
std::optional<std::string> ReadJsonString(std::string_view text, size_t open, size_t& end) {
    std::string out;
    size_t i = open + 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            end = i + 1;
            return out;
        }
        if (c != '\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const char e = text[i + 1];
        i += 2;
        switch (e) {
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
            const auto unit = ReadHex4(text, i);
            if (!unit) {
                AppendUtf8(out, 0xFFFD);
                break;
            }
            i += 4;
            uint32_t cp = *unit;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                const auto low = (i + 1 < text.size() && text[i] == '\\' && text[i + 1] == 'u') ? ReadHex4(text, i + 2)
                                                                                                  : std::nullopt;
                if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                    i += 6;
                } else {
                    cp = 0xFFFD;
                }
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            AppendUtf8(out, cp);
            break;
        }
        default: out.push_back(e); break;  // \" \\ \/ and anything else: the character itself
        }
    }
    return std::nullopt;
}

// The string value of the first `key` (quoted) at or after `from`; `from` is moved past
// the value. nullopt when there is no such key or its value is no string.
std::optional<std::string> ReadValueOf(std::string_view text, std::string_view key, size_t& from) {
    const size_t at = text.find(key, from);
    if (at == std::string_view::npos) return std::nullopt;
    size_t i = at + key.size();
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    };
    skipBlanks();
    if (i >= text.size() || text[i] != ':') return std::nullopt;
    ++i;
    skipBlanks();
    if (i >= text.size() || text[i] != '"') return std::nullopt;
    size_t end = 0;
    auto value = ReadJsonString(text, i, end);
    if (value) from = end;
    return value;
}

bool KeptInMapUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.' || c == ',' || c == '_' || c == ':';
}

std::string NameToSjis(std::string utf8) {
    for (char& c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return Utf8ToSjis(utf8);
}

}  // namespace

bool MapCandidateList::TooMany() const { return hits > kMaxMapCandidates; }

bool IsMapSearchReply(std::string_view text) {
    return text.find("\"pageinfo\"") != std::string_view::npos && text.find("\"retstatus\"") != std::string_view::npos &&
           text.find("\"hit\"") != std::string_view::npos;
}

std::string MapPageUrl(const std::string& mapPageService, std::string_view position, int zoom) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string url = mapPageService + "/receivew.cgi?MAP=";
    for (char ch : position) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptInMapUrl(c)) {
            url.push_back(ch);
        } else {
            url.push_back('%');
            url.push_back(kHex[c >> 4]);
            url.push_back(kHex[c & 0x0F]);
        }
    }
    url += "&ZM=" + std::to_string(zoom) + "&CI=R";
    return url;
}

MapCandidateList ParseMapCandidates(std::string_view reply, const std::string& mapPageService, int zoom) {
    const std::string_view text = DropByteOrderMark(reply);
    MapCandidateList list;
    list.hits = ReadHitCount(text);
    if (list.NoHits() || list.TooMany()) return list;
    size_t from = 0;
    for (long hit = 0; hit < list.hits; ++hit) {
        auto name = ReadValueOf(text, "\"name\"", from);
        if (!name) break;
        auto position = ReadValueOf(text, "\"position\"", from);
        if (!position) break;
        list.candidates.push_back({NameToSjis(std::move(*name)), MapPageUrl(mapPageService, *position, zoom)});
    }
    return list;
}

}  // namespace htmledit
