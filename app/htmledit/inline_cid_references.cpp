#include "app/htmledit/inline_cid_references.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/mailtext/image_signature.h"
#include "core/mailstore/html_tag.h"
#include "core/mailstore/html_text_util.h"

namespace htmledit {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = html_text::AsciiLower(c);
    return out;
}

std::size_t LongestRun(std::string_view text, char c) {
    std::size_t best = 0;
    std::size_t run = 0;
    for (char x : text) {
        run = (x == c) ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

}  // namespace

// The renames go through stand-in values that occur nowhere else: first every reference
// becomes the stand-in of its pair, then every stand-in becomes the pair's new value. A
// stand-in is "cid:" + T + n + T, where T is a run of '~' longer than any run in the text
// or the pairs, so no value of the text and no old value can equal one, and none needs
// quotes that the value did not have.
std::string RewriteCidReferences(const std::string& html, const std::vector<CidPair>& pairs) {
    if (html.empty() || pairs.empty()) return html;
    const std::string lowered = Lower(html);
    std::vector<const CidPair*> used;
    std::vector<std::string> seen;
    std::size_t run = LongestRun(html, '~');
    for (const CidPair& pair : pairs) {
        const std::string from = Lower(pair.from);
        if (from.empty() || std::find(seen.begin(), seen.end(), from) != seen.end()) continue;
        seen.push_back(from);
        // Pairs that change nothing, or whose old value the text never names, need no pass.
        if (from == Lower(pair.to) || lowered.find(from) == std::string::npos) continue;
        used.push_back(&pair);
        run = std::max({run, LongestRun(pair.from, '~'), LongestRun(pair.to, '~')});
    }
    if (used.empty()) return html;
    const std::string mark(run + 1, '~');
    std::string text = html;
    std::string out;
    for (std::size_t i = 0; i < used.size(); ++i) {
        const std::string standIn = "cid:" + mark + std::to_string(i) + mark;
        if (ReplaceHtmlAttrVal(text, "img", "src", used[i]->from, standIn, out) > 0) text.swap(out);
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
        const std::string standIn = "cid:" + mark + std::to_string(i) + mark;
        if (ReplaceHtmlAttrVal(text, "img", "src", standIn, used[i]->to, out) > 0) text.swap(out);
    }
    return text;
}

std::string AuHtmlFromDocomo(const std::string& html, const std::vector<compose::PageFileEntry>& images) {
    std::vector<CidPair> pairs;
    for (const compose::PageFileEntry& image : images) {
        if (!image.inlineImage || image.contentId.size() < 2) continue;
        const unsigned slot = static_cast<unsigned>(std::atoi(image.contentId.substr(0, 2).c_str()));
        char to[32];
        std::snprintf(to, sizeof to, "cid:img@%03u", slot);
        pairs.push_back({"cid:" + image.contentId, to});
    }
    return RewriteCidReferences(html, pairs);
}

std::string BareContentId(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    if (!value.empty() && value.front() == '<') value.remove_prefix(1);
    if (!value.empty() && value.back() == '>') value.remove_suffix(1);
    return std::string(value);
}

std::string ContentIdOf(const MimeFormatStruct& part) {
    std::string value;
    if (part.GetContentId(value) == 0) return std::string();
    return BareContentId(value);
}

InlineImageCheck CheckInlineImage(const MimeFormatStruct& part, std::string& data) {
    data.clear();
    if (part.ContentTransferEncodingIs("base64") == 0) return InlineImageCheck::kNotBase64;
    if (part.GetBodyAfterBase64Decode(data) == 0) return InlineImageCheck::kUndecodable;
    if (part.ContentTypeIs("image/gif") != 0 && compose::IsGifData(data)) return InlineImageCheck::kGif;
    if (part.ContentTypeIs("image/jpeg") != 0 && compose::IsJpegData(data)) return InlineImageCheck::kJpeg;
    return InlineImageCheck::kNotGifJpeg;
}

}  // namespace htmledit
