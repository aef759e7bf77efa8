#include "core/mailstore/eml_file_decoder.h"

#include "core/mailstore/encoded_word.h"
#include "core/mailstore/html_mail_encoder.h"
#include "core/mailstore/html_text_util.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_header_param.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"

#include <vector>

using mime_text::ContainsNoCase;
using mime_text::EqualsNoCase;

namespace {

// Deeper than the parser ever builds; only a guard for trees made by other means.
constexpr int kMaxWalkDepth = 64;

// The value of parameter `name` of a parameter text, trimmed; "" when it is absent.
std::string ParamValue(std::string_view params, std::string_view name) {
    std::string value;
    GetHeaderParam(params, name, value);
    return std::string(mime_text::Trim(value));
}

// A multipart/related whose root part (its type= parameter) is not an alternative.
bool IsRelatedWithoutAlternative(const std::string& type, const std::string& subType,
                                 const std::string& params) {
    std::string root;
    if (!ContainsNoCase(type, "multipart") || !ContainsNoCase(subType, "related") ||
        !GetHeaderParam(params, "type", root))
        return false;
    return !EqualsNoCase(mime_text::Trim(root), "multipart/alternative");
}

// Unless the HTML already ends its body with an empty line, one is added before the last
// </BODY>, so that text typed at the end of the imported mail starts on a line of its own.
std::string AddEmptyLineBeforeBodyEnd(std::string html) {
    static constexpr std::string_view kLine = "<DIV>&nbsp;</DIV>\r\n";
    std::size_t at = std::string::npos;
    for (std::size_t p = 0; (p = mime_text::FindNoCase(html, "</BODY>", p)) != std::string::npos; ++p) at = p;
    if (at == std::string::npos || at <= kLine.size()) return html;
    if (EqualsNoCase(std::string_view(html).substr(at - kLine.size(), kLine.size()), kLine)) return html;
    html.insert(at, kLine);
    return html;
}

// A text part's body, decoded by its transfer encoding and converted to Shift_JIS.
std::string DecodeTextBody(const MimeFormatStruct& part, const std::string& params, bool isHtml) {
    std::string bytes;
    if (ContainsNoCase(part.transferEncodingValue, "base64"))
        bytes = DecodeMailBody(part.body, 1);
    else if (ContainsNoCase(part.transferEncodingValue, "quoted-printable"))
        bytes = DecodeMailBody(part.body, 2);
    else
        bytes = part.body;

    const mime_charset::TextCode code = mime_charset::DetectTextCode(ParamValue(params, "charset"), bytes);
    if (code == mime_charset::TextCode::Keep) return isHtml ? AddEmptyLineBeforeBodyEnd(std::move(bytes)) : bytes;
    std::string text = mime_charset::ToSjis(bytes, code);
    // The text is Shift_JIS now, so its META declaration must say so.
    if (isHtml) text = AddEmptyLineBeforeBodyEnd(ConvertHtmlMetaCharset(text, "Shift_JIS"));
    return text;
}

}  // namespace

EmlFileDecoder::EmlFileDecoder() { init(); }

void EmlFileDecoder::init() {
    plainText.clear();
    htmlText.clear();
    subject.clear();
    plainTextFound = 0;
    htmlTextFound = 0;
    mime.Init();
}

int EmlFileDecoder::EmlDecode(std::string text) {
    init();
    const int parsed = MimeDecode(text, mime);
    // A damaged message (a missing closing delimiter, a broken header line) still gives
    // what the parser could read of it.
    std::vector<MimeHeaderStruct> found;
    if (GetHeaderInfo("subject", mime.headerList, found) > 0) {
        subject = DecodeHeaderTextToSjis(found[0].value);
        if (!subject.empty() && subject[0] == ' ') subject.erase(0, 1);
    }
    WalkPart(mime, 0);
    if (!parsed && subject.empty() && !plainTextFound && !htmlTextFound) {
        init();
        return 0;
    }
    return 1;
}

void EmlFileDecoder::WalkPart(const MimeFormatStruct& part, int depth) {
    if (depth > kMaxWalkDepth) return;
    std::string type, subType, params;
    if (mime_text::Trim(part.contentTypeValue).empty())
        type = "text", subType = "plain";
    else
        SplitContentType(part.contentTypeValue, type, subType, params);

    if (ContainsNoCase(type, "multipart")) {
        if (IsRelatedWithoutAlternative(type, subType, params) && !plainTextFound && !htmlTextFound) {
            if (!part.subParts.empty()) WalkPart(part.subParts[0], depth + 1);
            return;
        }
        for (const auto& child : part.subParts) WalkPart(child, depth + 1);
        return;
    }
    if (!ContainsNoCase(type, "text")) return;
    // A text file sent as an attachment is not the mail's text.
    if (part.IsAttachment()) return;
    if (ContainsNoCase(subType, "plain")) {
        plainText = DecodeTextBody(part, params, false);
        plainTextFound = 1;
    } else if (ContainsNoCase(subType, "html")) {
        htmlText = DecodeTextBody(part, params, true);
        htmlTextFound = 1;
    }
}
