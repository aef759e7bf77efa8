#include "core/mailstore/mime_format_struct.h"

#include <gtest/gtest.h>

#include <string>

#include "core/foundation/cp932.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"

namespace {

MimeFormatStruct WithContentType(const std::string& value) {
    MimeFormatStruct part;
    part.headerList.push_back({"Content-Type", value});
    part.contentTypeName = "Content-Type";
    part.contentTypeValue = value;
    return part;
}

MimeFormatStruct Leaf(const std::string& encoding, const std::string& contentType, const std::string& body) {
    MimeFormatStruct part = WithContentType(contentType);
    part.transferEncodingName = "Content-Transfer-Encoding";
    part.transferEncodingValue = encoding;
    part.body = body;
    return part;
}

TEST(MimeFormatStruct, ContentTypeAndCharset) {
    struct Case {
        std::string value;
        int typeFound; std::string type;
        int charsetFound; std::string charset;
    };
    const Case cases[] = {
        {" Text/Plain ; charset=\"ISO-2022-JP\"", 1, "text/plain", 1, "iso-2022-jp"},
        // A type without parameters is reported too.
        {" image/gif", 1, "image/gif", 0, ""},
        {" text/plain", 1, "text/plain", 0, ""},
        {" text/plain; charset=utf-8; format=flowed", 1, "text/plain", 1, "utf-8"},
        // A later quoted parameter never becomes part of the charset.
        {" text/plain; charset=iso-2022-jp; format=\"flowed\"", 1, "text/plain", 1, "iso-2022-jp"},
        {" text/plain; x-charset=\"a\"; charset=utf-8", 1, "text/plain", 1, "utf-8"},
        {" text/plain; charset*=us-ascii'en'UTF-8", 1, "text/plain", 1, "utf-8"},
        {" text/plain; charset= \"Shift_JIS\"; x=1", 1, "text/plain", 1, "shift_jis"},
        {" text/plain; charset=us-ascii ", 1, "text/plain", 1, "us-ascii"},
        {"", 0, "", 0, ""},
        {" ; charset=utf-8", 0, "", 1, "utf-8"},
    };
    for (const Case& c : cases) {
        const MimeFormatStruct part = WithContentType(c.value);
        std::string type = "unset", charset = "unset";
        EXPECT_EQ(part.GetContentType(type), c.typeFound) << c.value;
        EXPECT_EQ(type, c.typeFound ? c.type : "unset") << c.value;
        EXPECT_EQ(part.ContentTypeIs(c.type), c.typeFound) << c.value;
        EXPECT_EQ(part.GetCharset(charset), c.charsetFound) << c.value;
        EXPECT_EQ(charset, c.charsetFound ? c.charset : "unset") << c.value;
        EXPECT_TRUE(part.CharsetIs(c.charset)) << c.value;
    }
}

TEST(MimeFormatStruct, TransferEncodingIsTrimmedAndLowerCased) {
    MimeFormatStruct part;
    std::string enc = "unset";
    EXPECT_EQ(part.GetContentTransferEncoding(enc), 1);
    EXPECT_EQ(enc, "");
    part.transferEncodingValue = " BASE64 ";
    EXPECT_TRUE(part.ContentTransferEncodingIs("base64"));
}

TEST(MimeFormatStruct, ContentIdAndLocation) {
    MimeFormatStruct part;
    std::string out = "unset";
    EXPECT_EQ(part.GetContentId(out), 0);
    EXPECT_EQ(out, "unset");
    EXPECT_FALSE(part.ContentIdIs(""));
    EXPECT_EQ(part.SetContentId("<x>"), 0);
    EXPECT_TRUE(part.headerList.empty());

    part.headerList = {{"CONTENT-ID ", " <IMG001@EXAMPLE.COM> "},
                       {"Content-ID", " <second@example.com>"},
                       {"Content-Location", " photo.jpg"}};
    EXPECT_EQ(part.GetContentId(out), 1);
    EXPECT_EQ(out, " <IMG001@EXAMPLE.COM> ");
    EXPECT_TRUE(part.ContentIdIs("IMG001@EXAMPLE.COM"));
    EXPECT_FALSE(part.ContentIdIs("img001@example.com"));
    EXPECT_FALSE(part.ContentIdIs("second@example.com"));  // only the first counts
    EXPECT_EQ(part.GetContentLocation(out), 1);
    EXPECT_EQ(out, " photo.jpg");
    EXPECT_EQ(part.SetContentId(" <new@x>"), 1);
    EXPECT_TRUE(part.ContentIdIs("new@x"));
    EXPECT_EQ(part.headerList[1].value, " <second@example.com>");
}

TEST(MimeFormatStruct, NameParameterOfContentType) {
    const std::string jisName = "=?ISO-2022-JP?B?GyRCOCtAUT1xGyhCLnBkZg==?=";
    struct Case { std::string value; int found; std::string name; };
    const Case cases[] = {
        {" application/pdf; name=\"a b.pdf\"", 1, "a b.pdf"},
        {" application/pdf; NAME=abc.pdf ; x=1", 1, "abc.pdf"},
        {" application/pdf; name=x", 1, "x"},
        {" application/pdf; name=\"" + jisName + "\"", 1, SjisLiteral("見積書.pdf")},
        {" application/pdf; name=\"unclosed.pdf", 0, ""},
        {" application/pdf; name=", 0, ""},
        {" application/pdf", 0, ""},
    };
    for (const Case& c : cases) {
        std::string out = "unset";
        EXPECT_EQ(WithContentType(c.value).GetNameParamFromContentType(out), c.found) << c.value;
        EXPECT_EQ(out, c.found ? c.name : "unset") << c.value;
    }
}

TEST(MimeFormatStruct, AttachmentNameComesFromTheFilenameParameter) {
    struct Case { std::string disposition; std::string name; };
    const Case cases[] = {
        {" attachment; filename=\"a.pdf\"; creation-date=\"Mon, 01 Jan 2024\"", "a.pdf"},
        {" attachment; filename=report.pdf; size=10", "report.pdf"},
        {" attachment; FILENAME = \"my file.pdf\"", "my file.pdf"},
        {" attachment; filename=\"say \\\"hi\\\".txt\"", "say \"hi\".txt"},
        {" attachment (scanned); filename=\"=?ISO-2022-JP?B?GyRCOCtAUT1xGyhCLnBkZg==?=\"",
         SjisLiteral("見積書.pdf")},
        {" attachment; filename==?shift_jis?B?kL+LgY+RLnhsc3g=?=", SjisLiteral("請求書.xlsx")},
        {" attachment", ""},
        {" inline; name=\"not-a-filename.gif\"", ""},
    };
    for (const Case& c : cases) {
        MimeFormatStruct part;
        part.dispositionValue = c.disposition;
        EXPECT_EQ(part.GetMIMENormalAttachName(), c.name) << c.disposition;
    }
    EXPECT_EQ(MimeFormatStruct::GetStringInDblQuote("a \"b\" c \"d\""), "b\" c \"d");
    EXPECT_EQ(MimeFormatStruct::GetStringInDblQuote("only \" one"), "");
    EXPECT_EQ(MimeFormatStruct::GetStringInDblQuote(""), "");
}

TEST(MimeFormatStruct, SetNameParameter) {
    struct Case { std::string before; std::string after; };
    const Case cases[] = {
        {" application/octet-stream;", " application/octet-stream ; name=\"new.bin\""},
        {" application/octet-stream", " application/octet-stream ; name=\"new.bin\""},
        {" application/octet-stream; name=\"old.bin\"; x=1", " application/octet-stream; name=\"new.bin\"; x=1"},
        {" application/octet-stream; Name=old.bin; x=1", " application/octet-stream; Name=\"new.bin\" ; x=1"},
        {" application/octet-stream; name=old.bin", " application/octet-stream; name=\"new.bin\""},
        {" application/octet-stream; name=", " application/octet-stream; name=\"new.bin\""},
    };
    for (const Case& c : cases) {
        MimeFormatStruct part = WithContentType(c.before);
        part.headerList.insert(part.headerList.begin(), {"X-Other", " y"});
        EXPECT_EQ(part.SetNameParamToContentType("new.bin"), 1);
        EXPECT_EQ(part.contentTypeValue, c.after) << c.before;
        EXPECT_EQ(part.headerList[1].value, c.after) << c.before;
        EXPECT_EQ(part.headerList[0].value, " y");
    }
    MimeFormatStruct part = WithContentType(" application/pdf");
    part.SetNameParamToContentType(SjisLiteral("見積書.pdf"));
    std::string name;
    ASSERT_EQ(part.GetNameParamFromContentType(name), 1);
    EXPECT_EQ(name, SjisLiteral("見積書.pdf"));
}

TEST(MimeFormatStruct, DecodesBodies) {
    const std::string data = std::string("binary\0data\xff", 12);
    MimeFormatStruct b64 = Leaf(" Base64", " application/octet-stream", base64encoding(data, 8));
    size_t size = 0;
    std::string out;
    EXPECT_EQ(b64.GetSizeAfterBase64Decode(size), 1);
    EXPECT_EQ(size, data.size());
    EXPECT_EQ(b64.GetBodyAfterBase64Decode(out), 1);
    EXPECT_EQ(out, data);
    EXPECT_EQ(b64.GetSizeAfterDecode(size), 1);
    EXPECT_EQ(b64.GetSizeAfterQuotedPrintableDecode(size), 0);
    // Characters outside the alphabet are skipped; an incomplete group is refused.
    b64.body = "YW!Jj\r\n Z*GVm";
    EXPECT_EQ(b64.GetSizeAfterBase64Decode(size), 1);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(b64.GetBodyAfterBase64Decode(out), 1);
    EXPECT_EQ(out, "abcdef");
    b64.body = "YWJjZ";
    EXPECT_EQ(b64.GetBodyAfterBase64Decode(out), 0);

    // The whole body is decoded: its blanks and its final line break stay.
    const MimeFormatStruct qp = Leaf("quoted-printable", " text/plain", "  a=41= \r\nb  \r\n");
    EXPECT_EQ(qp.GetSizeAfterQuotedPrintableDecode(size), 1);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(qp.GetBodyAfterQuotedPrintableDecode(out), 1);
    EXPECT_EQ(out, "  aAb  \r\n");
    EXPECT_EQ(qp.GetSizeAfterBase64Decode(size), 0);

    struct Case { std::string encoding; int found; size_t size; };
    const Case cases[] = {{"7bit", 1, 5}, {"8BIT", 1, 5}, {"", 1, 5}, {"binary", 1, 5}, {"x-uuencode", 0, 0}};
    for (const Case& c : cases) {
        size = 99;
        EXPECT_EQ(Leaf(c.encoding, " text/plain", "hello").GetSizeAfterDecode(size), c.found) << c.encoding;
        if (c.found) {
            EXPECT_EQ(size, c.size) << c.encoding;
        }
    }
}

TEST(MimeFormatStruct, ConvertBodyToCp932String) {
    const std::string sjis = SjisLiteral("日本語の本文\r\n");
    const std::string utf8 = "日本語の本文\r\n";
    const std::string jis = "\x1b$BF|K\\8l$NK\\J8\x1b(B\r\n";
    const std::string euc = "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xcb\xdc\xca\xb8\r\n";
    struct Case { std::string encoding; std::string contentType; std::string body; int ok; std::string text; };
    const Case cases[] = {
        {"7bit", " text/plain; charset=\"ISO-2022-JP\"", jis, 1, sjis},
        {"", " text/plain; charset=iso-2022-jp", jis, 1, sjis},     // no header means 7bit
        {"", " text/plain", "plain ascii", 1, "plain ascii"},       // no charset means us-ascii
        {"base64", " text/plain; charset=UTF-8", base64encoding(utf8, 76), 1, sjis},
        {"quoted-printable", " text/plain; charset=utf-8", "=E6=97=A5=E6=9C=AC=E8=AA=9E=E3=81=AE=E6=9C=AC=E6=96=87\r\n", 1, sjis},
        {"8bit", " text/plain; charset=euc-jp", euc, 1, sjis},
        {"8bit", " text/plain; charset=shift_jis", sjis, 1, sjis},
        {"8bit", " text/plain; charset=Shift-JIS", sjis, 1, sjis},
        {"8bit", " text/plain; charset=sjis", sjis, 1, sjis},
        {"8bit", " text/plain; charset=x-sjis", sjis, 1, sjis},
        {"8bit", " text/plain; charset=cp932", sjis, 1, sjis},
        {"8bit", " text/plain; charset=Windows-31J", sjis, 1, sjis},
        {"base64", " text/plain", base64encoding(std::string("text\0rest", 9), -1), 1, "text"},
        {"binary", " text/plain", "x", 1, "x"},
        {"7bit", " text/plain; charset=koi8-r", "x", 0, ""},
        {"base64", " text/plain", "YWJ", 0, ""},
    };
    for (const Case& c : cases) {
        std::string out = "unset";
        EXPECT_EQ(Leaf(c.encoding, c.contentType, c.body).ConvertBodyToCp932String(out), c.ok)
            << c.encoding << c.contentType;
        EXPECT_EQ(out, c.ok ? c.text : "unset") << c.encoding << c.contentType;
    }
}

TEST(MimeFormatStruct, CopiesAreDeepAndInitEmpties) {
    MimeFormatStruct root = WithContentType(" multipart/mixed; boundary=b");
    root.boundary = "b";
    root.mimeVersion = 1;
    root.hasSubParts = 1;
    root.subParts.push_back(Leaf(" base64", " text/plain", "YWJj"));
    root.subParts[0].subParts.push_back(Leaf("7bit", " text/plain", "deep"));

    MimeFormatStruct copy;
    MimeFormatStruct::Copy(copy, root);
    copy.subParts[0].subParts[0].body = "changed";
    EXPECT_EQ(root.subParts[0].subParts[0].body, "deep");
    std::string out;
    ASSERT_EQ(copy.subParts[0].GetBodyAfterBase64Decode(out), 1);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(copy.boundary, "b");
    EXPECT_EQ(copy.mimeVersion, 1);

    copy.Init();
    EXPECT_TRUE(copy.headerList.empty());
    EXPECT_TRUE(copy.subParts.empty());
    EXPECT_EQ(copy.hasSubParts, 0);
    EXPECT_EQ(copy.contentTypeValue, "");

    // A tree far deeper than any parse produces is freed without recursion.
    MimeFormatStruct deep;
    MimeFormatStruct* at = &deep;
    for (int i = 0; i < 200000; ++i) {
        at->subParts.emplace_back();
        at = &at->subParts.back();
    }
}

}  // namespace
