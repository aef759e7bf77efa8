#include "app/sendrecv/inline_content_ids.h"

#include <cctype>
#include <string_view>

#include "app/sendrecv/message_headers.h"
#include "core/foundation/sjis_bytes.h"

namespace {

std::string_view WithoutBrackets(std::string_view id) {
    while (!id.empty() && (id.front() == ' ' || id.front() == '\t')) id.remove_prefix(1);
    while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.remove_suffix(1);
    if (!id.empty() && id.front() == '<') id.remove_prefix(1);
    if (!id.empty() && id.back() == '>') id.remove_suffix(1);
    return id;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The end of a "cid:" reference's id: none of these is ever a Shift_JIS trail byte.
bool EndsReference(char c) {
    return c == '"' || c == '\'' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == ')';
}

// What may stand before a reference: the start of an attribute value or of a CSS url().
bool StartsValue(char c) { return c == '"' || c == '\'' || c == '=' || c == '(' || c == ' ' || c == '\t'; }

}  // namespace

ContentIdRenames RenameInlineContentIds(std::vector<MimeFormatStruct>& parts, const std::string& senderAddress,
                                        int mailId) {
    ContentIdRenames renames;
    for (MimeFormatStruct& part : parts) {
        std::string stored;
        if (part.GetContentId(stored) == 0) continue;
        const std::string_view old = WithoutBrackets(stored);
        std::string id;
        for (char c : old)
            if (std::isalnum(static_cast<unsigned char>(c))) id.push_back(c);
        if (!id.empty()) id.push_back('.');
        id += MakeMessageIDLocalPart(senderAddress.c_str(), mailId);
        const std::size_t at = id.rfind('@');
        if (at == std::string::npos || at + 1 == id.size()) id += at == std::string::npos ? "@localhost" : "localhost";
        renames.emplace_back(std::string(old), id);
        part.SetContentId(" <" + id + ">");
    }
    return renames;
}

std::string ReferToNewContentIds(const std::string& html, const ContentIdRenames& renames) {
    if (renames.empty()) return html;
    std::string out;
    out.reserve(html.size() + renames.size() * 48);
    const std::size_t n = html.size();
    std::size_t i = 0;
    while (i < n) {
        if (i + 4 <= n && (i == 0 || StartsValue(html[i - 1])) &&
            EqualIgnoringAsciiCase(std::string_view(html).substr(i, 4), "cid:")) {
            std::size_t end = i + 4;
            while (end < n && !EndsReference(html[end])) ++end;
            const std::string_view id = std::string_view(html).substr(i + 4, end - i - 4);
            const std::string* renamed = nullptr;
            for (const auto& [from, to] : renames)
                if (EqualIgnoringAsciiCase(id, from)) renamed = &to;
            if (renamed != nullptr) {
                out.append(html, i, 4);
                out += *renamed;
                i = end;
                continue;
            }
        }
        // One character: a lead byte takes its trail byte with it, so "cid:" is never
        // found inside a two-byte character.
        const auto b = static_cast<unsigned char>(html[i]);
        const std::size_t len =
            IsSjisLeadByte(b) && i + 1 < n && IsSjisTrailByte(static_cast<unsigned char>(html[i + 1])) ? 2 : 1;
        out.append(html, i, len);
        i += len;
    }
    return out;
}
