#pragma once
// HtmlMailEncoder: a Shift_JIS plain text and HTML text become the body of a
// multipart/alternative message (a text/plain and a text/html part under a boundary of
// its own). Each part is us-ascii when its text is pure ASCII, otherwise ISO-2022-JP
// (the HTML part then quoted-printable), and the HTML's META charset declaration is
// rewritten to the charset chosen. The .eml writer derives from it.

#include <random>
#include <string>

class HtmlMailEncoder {
public:
    HtmlMailEncoder();
    HtmlMailEncoder(const HtmlMailEncoder&) = default;
    HtmlMailEncoder& operator=(const HtmlMailEncoder&) = default;
    ~HtmlMailEncoder() = default;

    void SetPlainText(const std::string& text);
    // Stores the HTML with a line break inserted after every <BR> and </DIV> (see
    // HtmlCrLfInsert), so the encoded part keeps short lines.
    void SetHtmlText(const std::string& html);

    // Builds the body. 1; 0 when the plain text or the HTML text is empty (nothing
    // changes then). A part is declared us-ascii only when its text is pure 7-bit ASCII
    // and all three flags are nonzero; otherwise it is ISO-2022-JP.
    int Encode(int flag1, int flag2, int flag3);

    const std::string& GetMailBodyString() const { return mailBody; }
    // "multipart", "alternative" and "; boundary=\"...\"" after a successful Encode.
    void GetContentTypeString(std::string& type, std::string& subType, std::string& params) const;

private:
    void Init();
    std::string MakeBoundary();
    static std::string ConvertMetaCharset(const std::string& html, const std::string& charset);
    static std::string HtmlMailBodyQEncode(const std::string& text);
    static std::string HtmlCrLfInsert(const std::string& html);
    static std::string StrAfterCrLfInsert(const std::string& text, const std::string& tag);

    std::string plainText;
    std::string htmlText;
    std::string contentType;
    std::string contentSubType;
    std::string contentParams;
    std::string mailBody;
    std::minstd_rand random;  // the random part of boundaries
};

// Rewrites the first META tag of `html` that declares a charset: one with
// http-equiv=Content-Type (quoted or not, any letter case) or one with a charset
// attribute (<meta charset=...>). The whole tag becomes
// <META content="text/html; charset=CHARSET" http-equiv=Content-Type>. A tag without its
// ">" ends the search; with no such tag the text is returned unchanged (no META is added).
std::string ConvertHtmlMetaCharset(const std::string& html, const std::string& charset);
