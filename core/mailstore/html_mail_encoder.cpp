#include "core/mailstore/html_mail_encoder.h"

#include "core/foundation/kcode.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/html_text_util.h"
#include "core/mailstore/quoted_printable.h"

#include <chrono>
#include <cstdio>
#include <ctime>

using html_text::IsHtmlSpace;

namespace {

std::string SjisToJis(const std::string& sjis) {
    KCodeC kc;
    return kc.sjtojis7(sjis, 0);
}

// Whether the attribute text of a META tag (what follows "<meta") declares the document's
// charset: http-equiv=Content-Type in any quoting and case, or a charset attribute.
// Attributes are read leniently, as browsers read them, with quotes respected so that the
// "charset=" inside a content value is not taken for an attribute.
bool DeclaresCharset(std::string_view t) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n) {
        while (i < n && (IsHtmlSpace(t[i]) || t[i] == '/')) ++i;
        std::size_t nameBegin = i;
        while (i < n && !IsHtmlSpace(t[i]) && t[i] != '=' && t[i] != '/') ++i;
        std::string_view name = t.substr(nameBegin, i - nameBegin);
        while (i < n && IsHtmlSpace(t[i])) ++i;
        std::string_view value;
        if (i < n && t[i] == '=') {
            ++i;
            while (i < n && IsHtmlSpace(t[i])) ++i;
            if (i < n && (t[i] == '"' || t[i] == '\'')) {
                std::size_t close = t.find(t[i], i + 1);
                std::size_t end = close == std::string_view::npos ? n : close;
                value = t.substr(i + 1, end - i - 1);
                i = end == n ? n : end + 1;
            } else {
                std::size_t v = i;
                while (i < n && !IsHtmlSpace(t[i])) ++i;
                value = t.substr(v, i - v);
            }
        }
        if (html_text::EqualsNoCaseSjis(name, "charset")) return true;
        if (html_text::EqualsNoCaseSjis(name, "http-equiv")) {
            while (!value.empty() && IsHtmlSpace(value.front())) value.remove_prefix(1);
            while (!value.empty() && IsHtmlSpace(value.back())) value.remove_suffix(1);
            if (html_text::EqualsNoCaseSjis(value, "content-type")) return true;
        }
    }
    return false;
}

}  // namespace

std::string ConvertHtmlMetaCharset(const std::string& html, const std::string& charset) {
    std::size_t pos = 0;
    for (;;) {
        std::size_t m = FindSjis(std::string_view(html).substr(pos), "<meta", true);
        if (m == std::string::npos) return html;
        m += pos;
        std::size_t after = m + 5;
        if (after < html.size() && !IsHtmlSpace(html[after]) && html[after] != '>' &&
            html[after] != '/') {
            pos = after;  // another tag whose name starts with "meta"
            continue;
        }
        std::size_t gt = html.find('>', after);
        if (gt == std::string::npos) return html;
        if (DeclaresCharset(std::string_view(html).substr(after, gt - after))) {
            std::string out = html.substr(0, m);
            out += "<META content=\"text/html; charset=";
            out += charset;
            out += "\" http-equiv=Content-Type>";
            out.append(html, gt + 1, std::string::npos);
            return out;
        }
        pos = gt + 1;
    }
}

HtmlMailEncoder::HtmlMailEncoder() {
    Init();
    // Seeded from the clock and the system's entropy, so that two encoders made in the same
    // millisecond still draw different boundaries.
    std::random_device rd;
    auto now = std::chrono::system_clock::now().time_since_epoch().count();
    random.seed(static_cast<std::uint32_t>(now) ^ rd());
}

void HtmlMailEncoder::Init() {
    plainText.clear();
    htmlText.clear();
    contentType.clear();
    contentSubType.clear();
    contentParams.clear();
    mailBody.clear();
}

void HtmlMailEncoder::SetPlainText(const std::string& text) { plainText = text; }

void HtmlMailEncoder::SetHtmlText(const std::string& html) { htmlText = HtmlCrLfInsert(html); }

void HtmlMailEncoder::GetContentTypeString(std::string& type, std::string& subType,
                                           std::string& params) const {
    type = contentType;
    subType = contentSubType;
    params = contentParams;
}

int HtmlMailEncoder::Encode(int flag1, int flag2, int flag3) {
    if (plainText.empty() || htmlText.empty()) return 0;
    const bool asciiAllowed = flag1 && flag2 && flag3;

    std::string plain = CrLfConverter(plainText);
    std::string plainCharset = "us-ascii";
    if (!asciiAllowed || !IsStrAscii(plain)) {
        plainCharset = "iso-2022-jp";
        plain = SjisToJis(plain);
    }
    std::string plainPart = "Content-Type: text/plain; charset=" + plainCharset +
                            "\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" + plain;
    if (plainPart.back() != '\n') plainPart += "\r\n";

    std::string html = CrLfConverter(htmlText);
    std::string htmlCharset = "us-ascii";
    std::string htmlEncoding = "7bit";
    if (asciiAllowed && IsStrAscii(html)) {
        html = ConvertMetaCharset(html, "US-ASCII");
    } else {
        htmlCharset = "iso-2022-jp";
        htmlEncoding = "quoted-printable";
        html = HtmlMailBodyQEncode(ConvertMetaCharset(SjisToJis(html), "iso-2022-jp"));
    }
    std::string htmlPart = "Content-Type: text/html; charset=" + htmlCharset +
                           "\r\nContent-Transfer-Encoding: " + htmlEncoding + "\r\n\r\n" + html;
    if (htmlPart.back() != '\n') htmlPart += "\r\n";

    std::string boundary;
    do {
        boundary = MakeBoundary();
    } while (plainPart.find(boundary) != std::string::npos ||
             htmlPart.find(boundary) != std::string::npos);

    mailBody = "\r\n--" + boundary + "\r\n" + plainPart + "--" + boundary + "\r\n" + htmlPart +
               "--" + boundary + "--\r\n";
    contentType = "multipart";
    contentSubType = "alternative";
    contentParams = "; boundary=\"" + boundary + "\"";
    return 1;
}

std::string HtmlMailEncoder::MakeBoundary() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t secs = system_clock::to_time_t(now);
    int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&secs, &local);

    std::string bytes(3, '\0');
    for (char& b : bytes) b = static_cast<char>((random() & 0xFF) | 1);
    std::string tail = abnbase64encoding(bytes);

    char buf[96];
    std::snprintf(buf, sizeof buf, "_MULTIPART_%04d%02d%02d%02d%02d%02d%03d_%s_ALTERNATIVE_",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, millis, tail.c_str());
    return buf;
}

std::string HtmlMailEncoder::ConvertMetaCharset(const std::string& html, const std::string& charset) {
    return ConvertHtmlMetaCharset(html, charset);
}

std::string HtmlMailEncoder::HtmlMailBodyQEncode(const std::string& text) {
    return QuotedPrintableEncode(text);
}

std::string HtmlMailEncoder::HtmlCrLfInsert(const std::string& html) {
    return StrAfterCrLfInsert(StrAfterCrLfInsert(html, "<BR>"), "</DIV>");
}

std::string HtmlMailEncoder::StrAfterCrLfInsert(const std::string& text, const std::string& tag) {
    if (tag.empty()) return text;
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = FindSjis(std::string_view(text).substr(pos), tag, true);
        if (hit == std::string::npos) break;
        hit += pos;
        std::size_t after = hit + tag.size();
        out.append(text, pos, after - pos);
        if (after >= text.size() || (text[after] != '\r' && text[after] != '\n')) out += "\r\n";
        pos = after;
    }
    out.append(text, pos, std::string::npos);
    return out;
}
