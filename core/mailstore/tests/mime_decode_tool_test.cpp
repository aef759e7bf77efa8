#include "core/mailstore/mime_decode_tool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/mailstore/encoded_word.h"

namespace {

// Opens the protected steps of the parser to the tests.
struct Parser : MimeDecodeTool {
    using MimeDecodeTool::CrLfConv;
    using MimeDecodeTool::SplitHeaderBody;
    using MimeDecodeTool::SplitMailBody;
    using MimeDecodeTool::SplitMailHeader;
};

std::string ReadTestFile(const std::string& name) {
    std::ifstream in(std::string(OMBREL_TESTDATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The whole tree as text, for comparing two parses.
void Dump(const MimeFormatStruct& p, int depth, std::string& out) {
    const std::string indent(depth * 2, ' ');
    for (const MimeHeaderStruct& h : p.headerList) out += indent + "[" + h.name + "][" + h.value + "]\n";
    out += indent + "type=" + p.contentTypeValue + " cte=" + p.transferEncodingValue +
           " disp=" + p.dispositionValue + " boundary=" + p.boundary +
           " version=" + std::to_string(p.mimeVersion) + " sub=" + std::to_string(p.hasSubParts) + "\n";
    out += indent + "body=" + p.body + "\n";
    for (const MimeFormatStruct& c : p.subParts) Dump(c, depth + 1, out);
}
std::string Dump(const MimeFormatStruct& p) {
    std::string out;
    Dump(p, 0, out);
    return out;
}

int Depth(const MimeFormatStruct& p) {
    int d = 0;
    for (const MimeFormatStruct* at = &p; !at->subParts.empty(); at = &at->subParts[0]) ++d;
    return d;
}

std::string DecodedText(const MimeFormatStruct& p) {
    std::string out;
    EXPECT_EQ(p.ConvertBodyToCp932String(out), 1);
    return out;
}

TEST(MimeParseCorpus, MixedRelatedAlternative) {
    MimeFormatStruct mail;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("mixed_related_alternative.eml"), mail), 1);
    EXPECT_EQ(mail.mimeVersion, 1);
    ASSERT_EQ(mail.headerList.size(), 6u);
    EXPECT_EQ(mail.headerList[0].name, "Return-Path");
    EXPECT_EQ(mail.contentTypeValue, " multipart/mixed;\tboundary=\"----=_mixed_001\"");  // the fold's tab stays
    EXPECT_EQ(mail.boundary, "----=_mixed_001");
    EXPECT_EQ(mail.body, "");
    std::vector<MimeHeaderStruct> subject;
    ASSERT_EQ(MimeDecodeTool::GetHeaderInfo("SUBJECT", mail.headerList, subject), 1);
    EXPECT_EQ(MIMEbase64decoding(subject[0].value), " " + SjisLiteral("お知らせ"));

    ASSERT_EQ(mail.subParts.size(), 2u);
    const MimeFormatStruct& related = mail.subParts[0];
    EXPECT_EQ(related.boundary, "related_002");
    ASSERT_EQ(related.subParts.size(), 2u);
    const MimeFormatStruct& alternative = related.subParts[0];
    EXPECT_EQ(alternative.boundary, "alt_003");
    ASSERT_EQ(alternative.subParts.size(), 2u);

    const MimeFormatStruct& text = alternative.subParts[0];
    EXPECT_TRUE(text.ContentTypeIs("text/plain"));
    EXPECT_TRUE(text.CharsetIs("iso-2022-jp"));
    EXPECT_EQ(DecodedText(text), SjisLiteral("こんにちは、テストです。\r\n二行目。"));

    const MimeFormatStruct& html = alternative.subParts[1];
    EXPECT_TRUE(html.ContentTypeIs("text/html"));
    EXPECT_EQ(DecodedText(html),
              SjisLiteral("<html><body><p>こんにちは <img src=\"cid:IMG001@EXAMPLE.COM\"></p></body></html>\r\n"));

    const MimeFormatStruct& image = related.subParts[1];
    EXPECT_TRUE(image.ContentTypeIs("image/gif"));
    EXPECT_TRUE(image.ContentIdIs("IMG001@EXAMPLE.COM"));
    std::string gif;
    ASSERT_EQ(image.GetBodyAfterBase64Decode(gif), 1);
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");

    const MimeFormatStruct& attachment = mail.subParts[1];
    EXPECT_TRUE(attachment.ContentTypeIs("application/pdf"));
    EXPECT_TRUE(attachment.ContentTransferEncodingIs("base64"));
    EXPECT_EQ(attachment.GetMIMENormalAttachName(), SjisLiteral("見積書.pdf"));
    std::string name, pdf;
    ASSERT_EQ(attachment.GetNameParamFromContentType(name), 1);
    EXPECT_EQ(name, SjisLiteral("見積書.pdf"));
    size_t size = 0;
    ASSERT_EQ(attachment.GetSizeAfterDecode(size), 1);
    ASSERT_EQ(attachment.GetBodyAfterBase64Decode(pdf), 1);
    EXPECT_EQ(pdf.size(), size);
    EXPECT_EQ(pdf, std::string("%PDF-1.4\n% test attachment \0\1\2\xff\n%%EOF\n", 38));

    // A deep copy decodes exactly as its source.
    MimeFormatStruct copy;
    MimeDecodeTool::CopyMimeFormatStruct(copy, mail);
    EXPECT_EQ(Dump(copy), Dump(mail));
    EXPECT_EQ(copy.subParts[1].GetMIMENormalAttachName(), SjisLiteral("見積書.pdf"));
}

TEST(MimeParseCorpus, LfOnlyLineEndsGiveTheSameTree) {
    MimeFormatStruct crlf, lf;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("mixed_related_alternative.eml"), crlf), 1);
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("mixed_related_alternative_lf.eml"), lf), 1);
    EXPECT_EQ(Dump(lf), Dump(crlf));
}

TEST(MimeParseCorpus, EnclosedMessage) {
    MimeFormatStruct mail;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("rfc822_attachment.eml"), mail), 1);
    ASSERT_EQ(mail.subParts.size(), 2u);
    EXPECT_EQ(mail.subParts[0].body, "Delivery failed.");
    const MimeFormatStruct& enclosed = mail.subParts[1];
    EXPECT_EQ(enclosed.hasSubParts, 1);
    // The enclosed message keeps its text, so it can be saved or sent on as it came.
    EXPECT_EQ(enclosed.body, "From: a@example.com\r\nSubject: original\r\nContent-Type: text/plain; "
                             "charset=us-ascii\r\n\r\nThe original message.");
    ASSERT_EQ(enclosed.subParts.size(), 1u);
    const MimeFormatStruct& original = enclosed.subParts[0];
    ASSERT_EQ(original.headerList.size(), 3u);
    EXPECT_EQ(original.headerList[1].value, " original");
    EXPECT_EQ(original.body, "The original message.");

    // A body can be parsed again into the entity that holds it.
    MimeFormatStruct reparsed = mail.subParts[1].subParts[0];
    reparsed.body = ReadTestFile("rfc822_attachment.eml");
    EXPECT_EQ(MimeDecodeTool::MimeDecode(reparsed.body, reparsed), 1);
    EXPECT_EQ(Dump(reparsed), Dump(mail));
    MimeDecodeTool::CopyMimeFormatStruct(reparsed, reparsed.subParts[1]);
    EXPECT_EQ(Dump(reparsed), Dump(mail.subParts[1]));
}

TEST(MimeParseCorpus, MissingClosingDelimiterKeepsThePartsRead) {
    const std::string text = ReadTestFile("no_closing_delimiter.eml");
    MimeFormatStruct mail;
    EXPECT_EQ(MimeDecodeTool::MimeDecode(text, mail), 0);
    EXPECT_EQ(mail.hasSubParts, 1);
    EXPECT_EQ(mail.boundary, "cut");
    ASSERT_EQ(mail.subParts.size(), 2u);
    EXPECT_EQ(mail.subParts[0].body, "first part");
    EXPECT_EQ(mail.subParts[1].body, "second part, the message was cut off here\r\n");
}

TEST(MimeParseCorpus, HeaderLineWithoutColon) {
    MimeFormatStruct mail;
    EXPECT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("header_without_colon.eml"), mail), 0);
    ASSERT_EQ(mail.headerList.size(), 4u);
    EXPECT_EQ(mail.headerList[0].name, "X-Broken header line");
    EXPECT_EQ(mail.headerList[0].value, "");
    EXPECT_EQ(mail.headerList[1].name, "From");
    EXPECT_TRUE(mail.ContentTypeIs("text/plain"));
    EXPECT_EQ(mail.body, "body\r\n");
}

TEST(MimeParseCorpus, Utf8SubjectAndBody) {
    MimeFormatStruct mail;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("utf8.eml"), mail), 1);
    std::vector<MimeHeaderStruct> subject;
    ASSERT_EQ(MimeDecodeTool::GetHeaderInfo("subject", mail.headerList, subject), 1);
    EXPECT_EQ(MIMEDecodeVersion2(subject[0].value, kMimeWordUtf8), " " + SjisLiteral("件名テスト（続き）"));
    EXPECT_EQ(DecodedText(mail), SjisLiteral("UTF-8 の本文です。\r\n絵文字なし。\r\n"));
}

TEST(MimeParseCorpus, ShiftJisEncodedAttachmentName) {
    MimeFormatStruct mail;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(ReadTestFile("sjis_name.eml"), mail), 1);
    ASSERT_EQ(mail.subParts.size(), 2u);
    EXPECT_EQ(DecodedText(mail.subParts[0]), SjisLiteral("本文"));
    EXPECT_EQ(mail.subParts[1].GetMIMENormalAttachName(), SjisLiteral("請求書.xlsx"));
}

TEST(MimeParse, EntityRules) {
    struct Case { std::string text; int result; std::string type; std::string boundary; size_t parts; std::string body; };
    const Case cases[] = {
        // No empty line: all body, no headers.
        {"just some text\r\nmore", 1, "", "", 0, "just some text\r\nmore"},
        {"", 1, "", "", 0, ""},
        // Header names match without case, but not with a blank before the colon.
        {"CONTENT-TYPE: text/plain\r\n\r\nx", 1, " text/plain", "", 0, "x"},
        {"Content-Type : text/plain\r\n\r\nx", 1, "", "", 0, "x"},
        // Quoted and bare boundaries give the same boundary.
        {"Content-Type: multipart/mixed; boundary=\"b 1\"\r\n\r\n--b 1\r\n\r\nA\r\n--b 1--\r\n", 1,
         " multipart/mixed; boundary=\"b 1\"", "b 1", 1, ""},
        {"Content-Type: multipart/mixed; boundary=b1 ; x=y\r\n\r\n--b1\r\n\r\nA\r\n--b1--", 1,
         " multipart/mixed; boundary=b1 ; x=y", "b1", 1, ""},
        // A quoted boundary without its closing quote, or none at all: a leaf and 0.
        {"Content-Type: multipart/mixed; boundary=\"b1\r\n\r\n--b1\r\n\r\nA\r\n--b1--", 0,
         " multipart/mixed; boundary=\"b1", "", 0, "--b1\r\n\r\nA\r\n--b1--"},
        {"Content-Type: multipart/mixed\r\n\r\nbody", 0, " multipart/mixed", "", 0, "body"},
        // A body that starts with a line end has no header.
        {"\r\nContent-Type: text/plain\r\n\r\nx", 1, "", "", 0, "Content-Type: text/plain\r\n\r\nx"},
    };
    for (const Case& c : cases) {
        MimeFormatStruct part;
        part.body = "stale";
        EXPECT_EQ(MimeDecodeTool::MimeDecode(c.text, part), c.result) << c.text;
        EXPECT_EQ(part.contentTypeValue, c.type) << c.text;
        EXPECT_EQ(part.boundary, c.boundary) << c.text;
        EXPECT_EQ(part.subParts.size(), c.parts) << c.text;
        EXPECT_EQ(part.body, c.body) << c.text;
    }
}

TEST(MimeParse, LineEndsAndHeaderBlocks) {
    struct Conv { std::string in; std::string out; };
    for (const Conv& c : {Conv{"a\nb\rc\r\nd\n\re", "a\r\nb\r\nc\r\nd\r\ne"}, Conv{"\r\r\n\n", "\r\n\r\n\r\n"},
                          Conv{"", ""}, Conv{"none", "none"}})
        EXPECT_EQ(Parser::CrLfConv(c.in), c.out) << c.in;

    std::string header, body;
    Parser::SplitHeaderBody("A: 1\nB: 2\n\nbody\n", header, body);
    EXPECT_EQ(header, "A: 1\r\nB: 2\r\n");
    EXPECT_EQ(body, "body\r\n");
    Parser::SplitHeaderBody("no empty line\r\n", header, body);
    EXPECT_EQ(header, "");
    EXPECT_EQ(body, "no empty line\r\n");
    // Header lines up to the end: a header without a body.
    Parser::SplitHeaderBody("A: 1\r\n b\nC: 2", header, body);
    EXPECT_EQ(header, "A: 1\r\n b\r\nC: 2\r\n");
    EXPECT_EQ(body, "");

    std::vector<MimeHeaderStruct> list;
    EXPECT_EQ(Parser::SplitMailHeader("Subject: a\r\n\tb\r\nX-Two:  c\r\n  d\r\nlast: dropped", list), 1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].value, " a\tb");    // a fold loses its line end only
    EXPECT_EQ(list[1].value, "  c  d");
    EXPECT_EQ(Parser::SplitMailHeader("A: 1\nB: 2\r\n", list), 0);  // a lone LF
    EXPECT_EQ(list.size(), 2u);

    std::string type, subType, params;
    MimeDecodeTool::SplitContentType(" text/plain; charset=x", type, subType, params);
    EXPECT_EQ(type + "|" + subType + "|" + params, " text|plain|; charset=x");
    MimeDecodeTool::SplitContentType("text", type, subType, params);
    EXPECT_EQ(type + "|" + subType + "|" + params, "text||");
    EXPECT_EQ(MimeDecodeTool::stristr("Content-TYPE", "type"), 8u);
    EXPECT_EQ(MimeDecodeTool::stristr("abc", ""), 0u);
    EXPECT_EQ(MimeDecodeTool::stristr("abc", "abcd"), std::string_view::npos);
}

TEST(MimeParse, SplitMailBody) {
    struct Case { std::string body; int result; std::vector<std::string> parts; };
    const Case cases[] = {
        {"--b\r\none\r\n--b\r\ntwo\r\n--b--\r\nepilogue", 1, {"one", "two"}},
        {"preamble\r\n--b\r\none\r\n--b--", 1, {"one"}},
        // Blanks after the boundary still make a delimiter line; other text does not.
        {"--b \t\r\none\r\n--b \r\ntwo\r\n--b-- \r\n", 1, {"one", "two"}},
        {"--b\r\none\r\n--bc\r\n--b x\r\n--b--", 1, {"one\r\n--bc\r\n--b x"}},
        {"--b\r\none\r\n--b\r\ntwo", 0, {"one", "two"}},          // no closing delimiter
        {"--b\r\n--b\r\nx\r\n--b--", 1, {"", "x"}},
        {"no delimiter\r\n--b--", 0, {}},
        {"--b--\r\n--b\r\nafter the end", 0, {}},
        {"--b\r\n\r\n--b--", 1, {""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> parts{"stale"};
        EXPECT_EQ(Parser::SplitMailBody(c.body, parts, "b"), c.result) << c.body;
        EXPECT_EQ(parts, c.parts) << c.body;
    }
}

// `levels` multipart entities, each holding the next as its one part, around a text leaf.
std::string NestedMultipart(int levels) {
    std::string head, tail;
    for (int i = 0; i < levels; ++i) {
        const std::string b = "b" + std::to_string(i);
        head += "Content-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b + "\r\n";
        tail = "\r\n--" + b + "--" + tail;
    }
    return head + "Content-Type: text/plain\r\n\r\nleaf" + tail;
}

TEST(MimeParse, NestingIsLimited) {
    MimeFormatStruct mail;
    EXPECT_EQ(MimeDecodeTool::MimeDecode(NestedMultipart(MimeDecodeTool::kMaxNesting), mail), 1);
    EXPECT_EQ(Depth(mail), MimeDecodeTool::kMaxNesting);

    EXPECT_EQ(MimeDecodeTool::MimeDecode(NestedMultipart(MimeDecodeTool::kMaxNesting + 1), mail), 0);
    EXPECT_EQ(Depth(mail), MimeDecodeTool::kMaxNesting);

    // Ten thousand levels: parsed to the limit, the rest kept as the deepest entity's body.
    EXPECT_EQ(MimeDecodeTool::MimeDecode(NestedMultipart(10000), mail), 0);
    EXPECT_EQ(Depth(mail), MimeDecodeTool::kMaxNesting);
    const MimeFormatStruct* deepest = &mail;
    while (!deepest->subParts.empty()) deepest = &deepest->subParts[0];
    EXPECT_EQ(deepest->hasSubParts, 0);
    EXPECT_NE(deepest->body.find("boundary=b9999"), std::string::npos);

    std::string enclosed;
    for (int i = 0; i < 10000; ++i) enclosed += "Content-Type: message/rfc822\r\n\r\n";
    EXPECT_EQ(MimeDecodeTool::MimeDecode(enclosed + "Subject: x\r\n\r\nbody", mail), 0);
    EXPECT_EQ(Depth(mail), MimeDecodeTool::kMaxNesting);
}

}  // namespace
