#pragma once
// One MIME entity in memory (a whole message, one part of a multipart body, an inline
// image or an attachment), as the parser fills it and the mail writer emits it.
//
// Every header is kept as written, in order, in headerList; beside it the entity keeps
// copies of the few headers the rest of the system asks for often. Whoever fills an entity
// other than through the parser keeps the two in agreement. Header values and bodies stay
// as they stand in the message; the queries decode and convert on demand and never change
// the entity.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One header line: the name as written before the first colon (not trimmed, case kept)
// and the value as written after it (the blank after the colon kept, folds joined).
struct MimeHeaderStruct {
    std::string name;
    std::string value;
};

class MimeFormatStruct {
public:
    std::vector<MimeHeaderStruct> headerList;
    // Name and value of the first Content-Type header (name compared without case). The
    // parser puts the type that applies here where the header names none: " text/plain"
    // with the header's parameters for a value without a subtype, " message/rfc822" for a
    // part of a multipart/digest without the header (contentTypeName then empty).
    std::string contentTypeName;
    std::string contentTypeValue;
    // The boundary of a multipart entity, without quotes.
    std::string boundary;
    std::string dispositionName;
    std::string dispositionValue;
    std::string transferEncodingName;
    std::string transferEncodingValue;
    // The integer part of the first MIME-Version value ("1.0" gives 1); 0 when absent.
    double mimeVersion = 0;
    // The body as written. Empty for a multipart entity, whose content is in subParts; an
    // enclosed message (message/rfc822) keeps its text here beside its parsed child,
    // unless it lies inside another enclosed message.
    std::string body;
    // The parts of a multipart body, or the one enclosed message of message/rfc822.
    std::vector<MimeFormatStruct> subParts;
    // 1 when the parser filled subParts, else 0.
    int hasSubParts = 0;

    MimeFormatStruct() = default;
    MimeFormatStruct(const MimeFormatStruct&) = default;
    MimeFormatStruct& operator=(const MimeFormatStruct&) = default;
    MimeFormatStruct(MimeFormatStruct&&) noexcept = default;
    MimeFormatStruct& operator=(MimeFormatStruct&&) noexcept = default;
    // Frees the children without recursing, however deep a tree was built.
    ~MimeFormatStruct();

    // Deep copy of everything; returns the target.
    static MimeFormatStruct& Copy(MimeFormatStruct& target, const MimeFormatStruct& source);
    // Back to an empty entity.
    void Init();

    // --- Header queries: 1 found / true, 0 not found / false. A getter that finds nothing
    // leaves its out-argument unchanged.

    // The Content-Type value in lower case, before its first ";", trimmed ("image/gif" and
    // "image/gif; name=a.gif" both give "image/gif"); 0 when there is no such value.
    int GetContentType(std::string& out) const;
    // The charset parameter (mime_header_param.h) in lower case without quotes or blanks;
    // 0 when there is none. Another parameter never becomes part of it.
    int GetCharset(std::string& out) const;
    // The Content-Transfer-Encoding value trimmed and in lower case ("" when absent); 1.
    int GetContentTransferEncoding(std::string& out) const;
    // The query's result equal to `text` byte for byte (give `text` in lower case).
    // CharsetIs compares "" when there is no charset.
    int ContentTypeIs(std::string_view text) const;
    int CharsetIs(std::string_view text) const;
    int ContentTransferEncodingIs(std::string_view text) const;

    // The value of the first Content-ID header (name trimmed, any case), as stored.
    int GetContentId(std::string& out) const;
    // True when that first Content-ID, trimmed and without its angle brackets, equals `text`.
    int ContentIdIs(std::string_view text) const;
    // Replaces the value of the first Content-ID header; 0 (nothing added) when none.
    int SetContentId(std::string_view text);
    int GetContentLocation(std::string& out) const;

    // The name parameter of the Content-Type value (RFC 2231 forms included), decoded to
    // Shift_JIS; 0 when absent, empty, or quoted without its closing quote.
    int GetNameParamFromContentType(std::string& out) const;
    // The text between the first and the last double quote; "" when there are not two.
    static std::string GetStringInDblQuote(std::string_view text);
    // The attachment's file name: the filename parameter of the Content-Disposition
    // (quoted or not, RFC 2231 forms included, blanks and comments outside quotes ignored),
    // decoded to Shift_JIS; "" when there is none.
    std::string GetMIMENormalAttachName() const;
    // Whether the Content-Disposition's type is "attachment" (any case, blanks and comments
    // around it aside): a file the sender attached, never the mail's text.
    int IsAttachment() const;
    // Writes `sjisName`, encoded for a header, as the quoted name parameter of the
    // Content-Type (replacing an existing one, keeping the other parameters), in the copy
    // and in the first Content-Type header. Always 1.
    int SetNameParamToContentType(std::string_view sjisName);

    // --- Body decoding. Only for the matching transfer encoding; 0 otherwise or on bad
    // data. Decoded bodies are bytes in std::string.

    // Base64 (every character outside the base64 alphabet skipped first).
    int GetSizeAfterBase64Decode(size_t& size) const;
    int GetBodyAfterBase64Decode(std::string& out) const;
    // Quoted-printable, the whole body (its final line break stays).
    int GetSizeAfterQuotedPrintableDecode(size_t& size) const;
    int GetBodyAfterQuotedPrintableDecode(std::string& out) const;
    // The decoded size for base64, quoted-printable, 7bit, 8bit, binary or no encoding
    // (which means 7bit); 0 for any other encoding.
    int GetSizeAfterDecode(size_t& size) const;
    // The body decoded and converted to Shift_JIS text. Transfer encodings: base64 (the
    // text ends at the first NUL byte), quoted-printable, 7bit, 8bit, binary, none (7bit).
    // Charsets: us-ascii (also when absent) and the Shift_JIS names kept; iso-2022-jp,
    // euc-jp and utf-8 converted. Anything else gives 0.
    int ConvertBodyToCp932String(std::string& out) const;

private:
    const MimeHeaderStruct* FindHeaderTrimmed(std::string_view lowerName) const;
    MimeHeaderStruct* FindHeaderTrimmed(std::string_view lowerName);
    std::string CleanBase64Body() const;
};
