#include "core/mailstore/eml_file_decoder.h"
#include "core/mailstore/eml_file_encoder.h"

#include "core/foundation/cp932.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

std::string ReadFixture(const char* name) {
    std::ifstream in(std::string(OMBREL_TESTDATA) + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::string kDivLine = "<DIV>&nbsp;</DIV>\r\n";

TEST(EmlFile, EncodeThenDecodeGivesTheTextsBack) {
    // Long enough that the subject needs several encoded words.
    const std::string subject = Sjis("【ご案内】第１２回　春の新製品発表会と懇親会の開催について（Ver.2）");
    const std::string plain = Sjis("山田様\r\n\r\n新製品のご案内です。\r\n半角ｶﾀｶﾅも含みます。");
    const std::string html = Sjis("<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; "
                                  "charset=shift_jis\"></HEAD><BODY>山田様<BR>新製品のご案内です。"
                                  "</BODY></HTML>");
    EmlFileEncoder enc;
    enc.SetEmlSubject(subject);
    enc.SetEmlPlainTextBody(plain);
    enc.SetEmlHtmlTextBody(html);
    std::string eml;
    ASSERT_EQ(enc.EmlEncode(eml), 1);

    // Headers: the subject as encoded words on short folded lines, MIME-Version, the
    // alternative type.
    std::size_t subjectEnd = eml.find("\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"");
    ASSERT_NE(subjectEnd, std::string::npos) << eml;
    ASSERT_EQ(eml.rfind("Subject: =?ISO-2022-JP?B?", 0), 0u);
    std::string subjectLines = eml.substr(0, subjectEnd + 2);
    int words = 0;
    for (std::size_t start = 0, end; (end = subjectLines.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = subjectLines.substr(start, end - start);
        EXPECT_LE(line.size(), 76u) << line;
        EXPECT_TRUE(line.rfind("Subject: =?ISO-2022-JP?B?", 0) == 0 || line.rfind("\t=?ISO-2022-JP?B?", 0) == 0)
            << line;
        ++words;
    }
    EXPECT_GE(words, 3);
    for (unsigned char c : eml) ASSERT_LT(c, 0x80) << "the message text is 7-bit";

    EmlFileDecoder dec;
    ASSERT_EQ(dec.EmlDecode(eml), 1);
    EXPECT_EQ(dec.GetSubject(), subject);
    EXPECT_EQ(dec.GetPlainText(), plain);
    // Line break after <BR>, the META now naming Shift_JIS, an empty line before </BODY>.
    EXPECT_EQ(dec.GetHtmlText(),
              Sjis("<HTML><HEAD><META content=\"text/html; charset=Shift_JIS\" http-equiv=Content-Type>"
                   "</HEAD><BODY>山田様<BR>\r\n新製品のご案内です。") +
                  kDivLine + "</BODY></HTML>");

    // An ASCII subject stays readable; line breaks never split the header.
    enc.SetEmlSubject("Report\r\nBcc: x@example.com");
    ASSERT_EQ(enc.EmlEncode(eml), 1);
    EXPECT_EQ(eml.rfind("Subject: Report  Bcc: x@example.com\r\nMIME-Version: 1.0\r\n", 0), 0u);

    std::string untouched = "untouched";
    EmlFileEncoder noHtml;
    noHtml.SetEmlPlainTextBody("text");
    EXPECT_EQ(noHtml.EmlEncode(untouched), 0);
    EXPECT_EQ(untouched, "untouched");
}

TEST(EmlFile, DecodesAnIso2022JpMessage) {
    EmlFileDecoder dec;
    ASSERT_EQ(dec.EmlDecode(ReadFixture("eml_iso2022jp.eml")), 1);
    EXPECT_EQ(dec.GetSubject(), Sjis("会議のお知らせ（第２回）"));
    EXPECT_EQ(dec.GetPlainText(), Sjis("各位\r\n\r\n来週の会議は３階で行います。\r\nよろしくお願いします。\r\n"));
    EXPECT_EQ(dec.GetHtmlText(),
              Sjis("<HTML><HEAD>\r\n<META content=\"text/html; charset=Shift_JIS\" http-equiv=Content-Type>\r\n"
                   "</HEAD>\r\n<BODY>\r\n<DIV>各位</DIV>\r\n<DIV>来週の会議は<B>３階</B>で行います。</DIV>\r\n") +
                  kDivLine + "</BODY></HTML>\r\n");
}

TEST(EmlFile, DecodesAUtf8MessageWithLfLineEnds) {
    EmlFileDecoder dec;
    ASSERT_EQ(dec.EmlDecode(ReadFixture("eml_utf8.eml")), 1);
    EXPECT_EQ(dec.GetSubject(), Sjis("週報：開発チーム 2026"));
    // The attached memo.txt is not taken for the mail's text. Line ends inside base64
    // content stay as they were written.
    EXPECT_EQ(dec.GetPlainText(), Sjis("今週の進捗です。\n絵文字なし、全角ＡＢＣと半角ｶﾅ。\n"));
    EXPECT_EQ(dec.GetHtmlText(),
              Sjis("<!DOCTYPE html>\r\n<html><head><META content=\"text/html; charset=Shift_JIS\" "
                   "http-equiv=Content-Type><title>週報</title></head>\r\n<body><p>今週の進捗です。</p>"
                   "<img src=\"cid:img1\">") +
                  kDivLine + "</body></html>");
}

TEST(EmlFile, DetectsTheCodeOfAnUndeclaredBody) {
    EmlFileDecoder dec;
    ASSERT_EQ(dec.EmlDecode(ReadFixture("eml_euc_undeclared.eml")), 1);
    EXPECT_EQ(dec.GetSubject(), "euc");
    EXPECT_EQ(dec.GetPlainText(), Sjis("EUCで書かれた本文です。\r\n"));
    EXPECT_EQ(dec.GetHtmlText(), "");
}

TEST(EmlFile, SubjectsInEveryCharset) {
    struct Case {
        std::string header;
        std::string subject;
    };
    const std::vector<Case> cases = {
        {"Subject: Re: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", Sjis("Re: 日本語")},
        {"Subject: =?Shift_JIS?B?k/qWew==?=", Sjis("日本")},
        {"Subject:   =?utf-8?B?772x5pS56KGM?=", Sjis("  ｱ改行")},
        {"Subject: " + std::string("\xe4\xbb\xb6\xe5\x90\x8d"), Sjis("件名")},  // raw UTF-8
        // raw EUC-JP (long enough for the code detection to tell it from Shift_JIS)
        {"Subject: " + std::string("\xb2\xf1\xb5\xc4\xa4\xce\xb7\xef\xcc\xbe\xa4\xcb\xa4\xc4\xa4\xa4\xa4\xc6"),
         Sjis("会議の件名について")},
        {"Subject: =?utf-8?Q?a=0D=0Ab?=", "a  b"},
        {"Subject:", ""},
    };
    for (const auto& c : cases) {
        EmlFileDecoder dec;
        ASSERT_EQ(dec.EmlDecode(c.header + "\r\n\r\nbody"), 1) << c.header;
        EXPECT_EQ(dec.GetSubject(), c.subject) << c.header;
    }
}

struct WalkCase {
    const char* what;
    std::string message;
    std::string plain, html, subject;
};

std::string Part(const std::string& type, const std::string& body, const std::string& extra = "") {
    return "Content-Type: " + type + "\r\n" + extra + "\r\n" + body + "\r\n";
}

TEST(EmlFile, WhichPartsMakeTheTexts) {
    const std::string m = "Content-Type: multipart/";
    const std::vector<WalkCase> cases = {
        {"two plain parts: the second wins",
         "Subject:  two\r\n" + m + "mixed; boundary=b\r\n\r\n--b\r\n" + Part("text/plain", "one") + "--b\r\n" +
             Part("text/plain", "two") + "--b--\r\n",
         "two", "", " two"},
        {"related with an HTML root: only the first part",
         m + "related; type=\"text/html\"; boundary=b\r\n\r\n--b\r\n" + Part("text/html", "<p>root</p>") +
             "--b\r\n" + Part("text/plain", "later") + "--b--\r\n",
         "", "<p>root</p>", ""},
        {"related with an alternative root: every part",
         m + "related; type=\"multipart/alternative\"; boundary=b\r\n\r\n--b\r\n" +
             Part("text/html", "<p>root</p>") + "--b\r\n" + Part("text/plain", "later") + "--b--\r\n",
         "later", "<p>root</p>", ""},
        {"no Content-Type: plain text",
         "Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n\r\nbody\r\n", "body\r\n", "", Sjis("日本語")},
        {"a text attachment is not the text",
         m + "mixed; boundary=b\r\n\r\n--b\r\n" + Part("text/plain", "mail") + "--b\r\n" +
             Part("text/plain", "file", "Content-Disposition: Attachment; filename=a.txt\r\n") + "--b--\r\n",
         "mail", "", ""},
        {"a forwarded message is not the text",
         m + "mixed; boundary=b\r\n\r\n--b\r\n" + Part("text/plain", "mail") + "--b\r\n" +
             Part("message/rfc822", Part("text/plain", "inner")) + "--b--\r\n",
         "mail", "", ""},
        {"quoted-printable Shift_JIS HTML with the empty line already in place",
         Part("text/html; charset=Shift_JIS", "<BODY>=93=FA<DIV>&nbsp;</DIV>\r\n</BODY>",
              "Content-Transfer-Encoding: Quoted-Printable\r\n"),
         "", Sjis("<BODY>日<DIV>&nbsp;</DIV>\r\n</BODY>\r\n"), ""},
        {"base64 HTML without </BODY>",
         Part("text/html; charset=us-ascii", "PHA+aGk8L3A+", "Content-Transfer-Encoding: base64\r\n"), "",
         "<p>hi</p>", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EmlFileDecoder dec;
        ASSERT_EQ(dec.EmlDecode(c.message), 1);
        EXPECT_EQ(dec.GetPlainText(), c.plain);
        EXPECT_EQ(dec.GetHtmlText(), c.html);
        EXPECT_EQ(dec.GetSubject(), c.subject);
    }

    // A message cut off before its closing delimiter still gives what could be read.
    EmlFileDecoder dec;
    ASSERT_EQ(dec.EmlDecode("Subject: x\r\n\r\nold"), 1);
    EXPECT_EQ(dec.EmlDecode("Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n" + m +
                            "mixed; boundary=b\r\n\r\n--b\r\n" + Part("text/plain", "never closed")),
              1);
    EXPECT_EQ(dec.GetSubject(), Sjis("日本語"));
    EXPECT_EQ(dec.GetPlainText(), "never closed\r\n");
    // Nothing readable at all: 0 and empty texts.
    EXPECT_EQ(dec.EmlDecode(m + "mixed; boundary=b\r\n\r\nno delimiter"), 0);
    EXPECT_EQ(dec.GetSubject() + dec.GetPlainText() + dec.GetHtmlText(), "");
}

}  // namespace
