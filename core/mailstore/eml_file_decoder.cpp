#include "core/mailstore/eml_file_decoder.h"

#include "core/foundation/kcode.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/html_mail_encoder.h"
#include "core/mailstore/html_text_util.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"

#include <vector>

using mime_text::ContainsNoCase;
using mime_text::EqualsNoCase;

namespace {

// Deeper than the parser ever builds; only a guard for trees made by other means.
constexpr int kMaxWalkDepth = 64;

// The value of a "name=" parameter in a parameter text: up to the closing double quote
// when quoted, else up to ";" or the end; trimmed.
std::string ParamValue(std::string_view params, std::string_view name) {
    std::size_t at = mime_text::FindNoCase(params, name);
    if (at == std::string_view::npos) return {};
    std::string_view rest = mime_text::TrimLeft(params.substr(at + name.size()));
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        return std::string(mime_text::Trim(rest.substr(0, rest.find('"'))));
    }
    return std::string(mime_text::Trim(rest.substr(0, rest.find(';'))));
}

// A multipart/related whose root part (its type= parameter) is not an alternative.
bool IsRelatedWithoutAlternative(const std::string& type, const std::string& subType,
                                 const std::string& params) {
    if (!ContainsNoCase(type, "multipart") || !ContainsNoCase(subType, "related") ||
        !ContainsNoCase(params, "type="))
        return false;
    return !EqualsNoCase(ParamValue(params, "type="), "multipart/alternative");
}

bool IsValidUtf8WithMultibyte(std::string_view s) {
    bool multibyte = false;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len;
        unsigned min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, min = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i < len) return false;
        unsigned cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        multibyte = true;
        i += len;
    }
    return multibyte;
}

enum class TextCode { Keep, Jis, Utf8, Euc };

TextCode CodeOf(const std::string& charset, const std::string& bytes) {
    if (EqualsNoCase(charset, "iso-2022-jp")) return TextCode::Jis;
    if (EqualsNoCase(charset, "utf-8") || EqualsNoCase(charset, "utf8")) return TextCode::Utf8;
    if (EqualsNoCase(charset, "euc-jp") || EqualsNoCase(charset, "x-euc-jp")) return TextCode::Euc;
    if (mime_charset::IsShiftJisCharset(charset)) return TextCode::Keep;
    // No charset, us-ascii or one we do not know: look at the bytes.
    KCodeC kc;
    int code = kc.CheckCode(bytes);
    if (code == KCodeC::kCodeJis) return TextCode::Jis;
    if (IsValidUtf8WithMultibyte(bytes)) return TextCode::Utf8;
    if (code == KCodeC::kCodeEuc) return TextCode::Euc;
    return TextCode::Keep;
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

    std::string text;
    switch (CodeOf(ParamValue(params, "charset="), bytes)) {
    case TextCode::Jis: text = mime_charset::JisToSjis(bytes); break;
    case TextCode::Utf8: text = mime_charset::Utf8ToSjisText(bytes); break;
    case TextCode::Euc: text = mime_charset::EucJpToSjis(bytes); break;
    case TextCode::Keep: return isHtml ? AddEmptyLineBeforeBodyEnd(std::move(bytes)) : bytes;
    }
    // The text is Shift_JIS now, so its META declaration must say so.
    if (isHtml) text = AddEmptyLineBeforeBodyEnd(ConvertHtmlMetaCharset(text, "Shift_JIS"));
    return text;
}

// A Subject value decoded to Shift_JIS. Encoded words of one charset per header are
// decoded (when several charsets are mixed, those of the first one win). A value without
// encoded words that carries raw 8-bit text is converted by its detected code.
std::string DecodeSubject(std::string_view value) {
    struct Charset {
        std::string_view tag;
        int mode;
    };
    static constexpr Charset kCharsets[] = {
        {"=?iso-2022-jp?", kMimeWordJis}, {"=?utf-8?", kMimeWordUtf8},  {"=?shift_jis?", kMimeWordSjis},
        {"=?shift-jis?", kMimeWordSjis},  {"=?sjis?", kMimeWordSjis},   {"=?x-sjis?", kMimeWordSjis},
        {"=?cp932?", kMimeWordSjis},      {"=?windows-31j?", kMimeWordSjis},
    };
    int mode = 0;
    std::size_t first = std::string_view::npos;
    for (const auto& c : kCharsets) {
        std::size_t at = mime_text::FindNoCase(value, c.tag);
        if (at < first) first = at, mode = c.mode;
    }
    std::string s;
    if (mode == 0 && IsValidUtf8WithMultibyte(value))
        s = mime_charset::Utf8ToSjisText(value);
    else if (mode == 0)
        s = mime_charset::DetectedToSjis(value);
    else if (mode == kMimeWordJis)
        s = MIMEbase64decoding(value);
    else
        s = MIMEDecodeVersion2(value, mode);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
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
    if (!MimeDecode(text, mime)) {
        mime.Init();
        return 0;
    }
    std::vector<MimeHeaderStruct> found;
    if (GetHeaderInfo("subject", mime.headerList, found) > 0) {
        subject = DecodeSubject(found[0].value);
        if (!subject.empty() && subject[0] == ' ') subject.erase(0, 1);
    }
    WalkPart(mime, 0);
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
    if (EqualsNoCase(mime_text::Trim(part.dispositionValue).substr(0, 10), "attachment")) return;
    if (ContainsNoCase(subType, "plain")) {
        plainText = DecodeTextBody(part, params, false);
        plainTextFound = 1;
    } else if (ContainsNoCase(subType, "html")) {
        htmlText = DecodeTextBody(part, params, true);
        htmlTextFound = 1;
    }
}
