#include "core/mailstore/mime_format_struct.h"

#include <array>
#include <utility>

#include "core/foundation/header_tidy.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_charset.h"
#include "core/mailstore/mime_header_param.h"
#include "core/mailstore/mime_text_util.h"
#include "core/mailstore/quoted_printable.h"

using mime_text::AsciiLower;
using mime_text::FindNoCase;
using mime_text::Trim;

MimeFormatStruct::~MimeFormatStruct() {
    if (subParts.empty()) return;
    // Children are taken apart on a local list, so freeing never recurses.
    std::vector<MimeFormatStruct> pending = std::move(subParts);
    while (!pending.empty()) {
        MimeFormatStruct last = std::move(pending.back());
        pending.pop_back();
        for (MimeFormatStruct& child : last.subParts) pending.push_back(std::move(child));
        last.subParts.clear();
    }
}

MimeFormatStruct& MimeFormatStruct::Copy(MimeFormatStruct& target, const MimeFormatStruct& source) {
    MimeFormatStruct copy(source);  // source may be a part of target, or the reverse
    target = std::move(copy);
    return target;
}

void MimeFormatStruct::Init() { *this = MimeFormatStruct(); }

int MimeFormatStruct::GetContentType(std::string& out) const {
    std::string_view v = contentTypeValue;
    v = Trim(v.substr(0, v.find(';')));
    if (v.empty()) return 0;
    out = AsciiLower(v);
    return 1;
}

int MimeFormatStruct::GetCharset(std::string& out) const {
    std::string value;
    if (!GetHeaderParam(contentTypeValue, "charset", value)) return 0;
    out = AsciiLower(Trim(value));
    return 1;
}

int MimeFormatStruct::GetContentTransferEncoding(std::string& out) const {
    out = AsciiLower(Trim(transferEncodingValue));
    return 1;
}

int MimeFormatStruct::ContentTypeIs(std::string_view text) const {
    std::string v;
    return GetContentType(v) && v == text;
}

int MimeFormatStruct::CharsetIs(std::string_view text) const {
    std::string v;
    GetCharset(v);
    return v == text;
}

int MimeFormatStruct::ContentTransferEncodingIs(std::string_view text) const {
    std::string v;
    GetContentTransferEncoding(v);
    return v == text;
}

const MimeHeaderStruct* MimeFormatStruct::FindHeaderTrimmed(std::string_view lowerName) const {
    for (const MimeHeaderStruct& h : headerList)
        if (mime_text::EqualsNoCase(Trim(h.name), lowerName)) return &h;
    return nullptr;
}

MimeHeaderStruct* MimeFormatStruct::FindHeaderTrimmed(std::string_view lowerName) {
    return const_cast<MimeHeaderStruct*>(std::as_const(*this).FindHeaderTrimmed(lowerName));
}

int MimeFormatStruct::GetContentId(std::string& out) const {
    const MimeHeaderStruct* h = FindHeaderTrimmed("content-id");
    if (!h) return 0;
    out = h->value;
    return 1;
}

int MimeFormatStruct::ContentIdIs(std::string_view text) const {
    const MimeHeaderStruct* h = FindHeaderTrimmed("content-id");
    if (!h) return 0;
    std::string_view v = Trim(h->value);
    if (!v.empty() && v.front() == '<') v.remove_prefix(1);
    if (!v.empty() && v.back() == '>') v.remove_suffix(1);
    return v == text;
}

int MimeFormatStruct::SetContentId(std::string_view text) {
    MimeHeaderStruct* h = FindHeaderTrimmed("content-id");
    if (!h) return 0;
    h->value.assign(text);
    return 1;
}

int MimeFormatStruct::GetContentLocation(std::string& out) const {
    const MimeHeaderStruct* h = FindHeaderTrimmed("content-location");
    if (!h) return 0;
    out = h->value;
    return 1;
}

int MimeFormatStruct::GetNameParamFromContentType(std::string& out) const {
    MimeHeaderParam param;
    if (!ReadHeaderParam(contentTypeValue, "name", param) || !param.closed || param.value.empty()) return 0;
    std::string raw;
    FindHeaderParam(contentTypeValue, "name", raw);
    out = DecodeMimeHeaderParam(raw);
    return 1;
}

std::string MimeFormatStruct::GetStringInDblQuote(std::string_view text) {
    const size_t first = text.find('"');
    const size_t last = text.rfind('"');
    if (first == std::string_view::npos || last == first) return std::string();
    return std::string(text.substr(first + 1, last - first - 1));
}

std::string MimeFormatStruct::GetMIMENormalAttachName() const {
    std::string raw;
    if (!FindHeaderParam(dispositionValue, "filename", raw) || raw.empty()) return std::string();
    return DecodeMimeHeaderParam(raw);
}

int MimeFormatStruct::IsAttachment() const {
    const std::string tidy = ReformatHeaderBodyString(dispositionValue);
    const std::string_view type = std::string_view(tidy).substr(0, tidy.find(';'));
    return mime_text::EqualsNoCase(type, "attachment") ? 1 : 0;
}

int MimeFormatStruct::SetNameParamToContentType(std::string_view sjisName) {
    const std::string_view value = contentTypeValue;
    std::string head, tail;
    const size_t at = FindNoCase(value, "name=");
    if (at != std::string_view::npos) {
        head.assign(value.substr(0, at + 5));
        head += '"';
        const std::string_view rest = value.substr(at + 5);
        if (rest.size() < 2) {
            tail = "\"";
        } else if (rest.front() == '"') {
            const size_t close = rest.find('"', 1);
            tail = close == std::string_view::npos ? std::string("\"") : std::string(rest.substr(close));
        } else {
            const size_t semi = rest.find(';');
            tail = semi == std::string_view::npos ? std::string("\"")
                                                  : "\" " + std::string(rest.substr(semi));
        }
    } else {
        std::string_view base = value;
        while (!base.empty() && (base.back() == ' ' || base.back() == ';')) base.remove_suffix(1);
        head.assign(base);
        head += " ; name=\"";
        tail = "\"";
    }
    contentTypeValue = head + EncodeAttachFileName(sjisName) + tail;
    for (MimeHeaderStruct& h : headerList) {
        if (mime_text::EqualsNoCase(h.name, "content-type")) {
            h.value = contentTypeValue;
            break;
        }
    }
    return 1;
}

std::string MimeFormatStruct::CleanBase64Body() const {
    // Only the alphabet and "=" are kept: RFC 2045 has readers skip everything else.
    static const auto keep = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                   c == '/' || c == '=';
        return t;
    }();
    std::string clean(body.size(), '\0');
    size_t w = 0;
    for (const char c : body) {
        clean[w] = c;
        w += keep[static_cast<unsigned char>(c)];
    }
    clean.resize(w);
    return clean;
}

int MimeFormatStruct::GetSizeAfterBase64Decode(size_t& size) const {
    if (!ContentTransferEncodingIs("base64")) return 0;
    return GetSizeAfterBase64Decoding(size, CleanBase64Body()) ? 1 : 0;
}

int MimeFormatStruct::GetBodyAfterBase64Decode(std::string& out) const {
    if (!ContentTransferEncodingIs("base64")) return 0;
    const std::string clean = CleanBase64Body();
    return base64decoding(out, clean, clean.size()) >= 0 ? 1 : 0;
}

int MimeFormatStruct::GetSizeAfterQuotedPrintableDecode(size_t& size) const {
    if (!ContentTransferEncodingIs("quoted-printable")) return 0;
    return GetSizeAfterQuotedPrintableDecoding(body, size) ? 1 : 0;
}

int MimeFormatStruct::GetBodyAfterQuotedPrintableDecode(std::string& out) const {
    if (!ContentTransferEncodingIs("quoted-printable")) return 0;
    return QuotedPrintableDecoding(body, out) ? 1 : 0;
}

namespace {

// The transfer encoding that applies: a part without the header is 7bit; 8bit and binary
// bodies stand as they are, as 7bit ones do.
std::string EffectiveEncoding(const MimeFormatStruct& part) {
    std::string enc;
    part.GetContentTransferEncoding(enc);
    if (enc.empty() || enc == "8bit" || enc == "binary") return "7bit";
    return enc;
}

}  // namespace

int MimeFormatStruct::GetSizeAfterDecode(size_t& size) const {
    const std::string enc = EffectiveEncoding(*this);
    if (enc == "base64") return GetSizeAfterBase64Decode(size);
    if (enc == "quoted-printable") return GetSizeAfterQuotedPrintableDecode(size);
    if (enc == "7bit") {
        size = body.size();
        return 1;
    }
    return 0;
}

int MimeFormatStruct::ConvertBodyToCp932String(std::string& out) const {
    const std::string enc = EffectiveEncoding(*this);
    std::string text;
    if (enc == "base64") {
        size_t size = 0;
        if (!GetSizeAfterBase64Decode(size) || !GetBodyAfterBase64Decode(text)) return 0;
        const size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
    } else if (enc == "quoted-printable") {
        text = QuotedPrintableDecode(body);
    } else if (enc == "7bit") {
        text = body;
    } else {
        return 0;
    }

    std::string charset = "us-ascii";
    GetCharset(charset);
    if (charset == "iso-2022-jp")
        out = mime_charset::JisToSjis(text);
    else if (charset == "us-ascii" || mime_charset::IsShiftJisCharset(charset))
        out = std::move(text);
    else if (charset == "utf-8")
        out = mime_charset::Utf8ToSjisText(text);
    else if (charset == "euc-jp")
        out = mime_charset::EucJpToSjis(text);
    else
        return 0;
    return 1;
}
