#include "core/mailstore/html_mail_encoder.h"

#include "core/foundation/kcode.h"
#include "core/mailstore/quoted_printable.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

struct Encoded {
    std::string body, type, subType, params, boundary;
};

Encoded EncodeWith(const std::string& plain, const std::string& html, int flag = 1) {
    HtmlMailEncoder enc;
    enc.SetPlainText(plain);
    enc.SetHtmlText(html);
    EXPECT_EQ(enc.Encode(flag, 1, 1), 1);
    Encoded e;
    e.body = enc.GetMailBodyString();
    enc.GetContentTypeString(e.type, e.subType, e.params);
    std::smatch m;
    if (std::regex_match(e.params, m, std::regex("; boundary=\"(.*)\""))) e.boundary = m[1];
    return e;
}

TEST(HtmlMailEncoder, AsciiTextsGiveTwoUsAsciiParts) {
    Encoded e = EncodeWith("Hello\nWorld",
                           "<html><head><meta http-equiv=\"Content-Type\" "
                           "content=\"text/html; charset=shift_jis\"></head>"
                           "<body>Hi<br>there<BR>\r\nmore</DIV>\n</body></html>");
    EXPECT_EQ(e.type, "multipart");
    EXPECT_EQ(e.subType, "alternative");
    ASSERT_TRUE(std::regex_match(e.boundary,
                                 std::regex("_MULTIPART_[0-9]{17}_[A-Za-z0-9+/]{4}_ALTERNATIVE_")))
        << e.boundary;
    const std::string& b = e.boundary;
    EXPECT_EQ(e.body,
              "\r\n--" + b + "\r\n"
              "Content-Type: text/plain; charset=us-ascii\r\n"
              "Content-Transfer-Encoding: 7bit\r\n\r\n"
              "Hello\r\nWorld\r\n"
              "--" + b + "\r\n"
              "Content-Type: text/html; charset=us-ascii\r\n"
              "Content-Transfer-Encoding: 7bit\r\n\r\n"
              "<html><head><META content=\"text/html; charset=US-ASCII\" http-equiv=Content-Type>"
              "</head><body>Hi<br>\r\nthere<BR>\r\nmore</DIV>\r\n</body></html>\r\n"
              "--" + b + "--\r\n");
}

TEST(HtmlMailEncoder, JapaneseHtmlIsIso2022JpQuotedPrintable) {
    // 日本語 in Shift_JIS.
    const std::string kanji = "\x93\xfa\x96\x7b\x8c\xea";
    const std::string html = "<META http-equiv=Content-Type content=\"text/html\">" + kanji +
                             "<BR>" + std::string(100, 'x');
    Encoded e = EncodeWith("plain", html);
    const std::string& b = e.boundary;
    const std::string head = "\r\n--" + b + "\r\n"
                             "Content-Type: text/plain; charset=us-ascii\r\n"
                             "Content-Transfer-Encoding: 7bit\r\n\r\nplain\r\n"
                             "--" + b + "\r\n"
                             "Content-Type: text/html; charset=iso-2022-jp\r\n"
                             "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    const std::string tail = "--" + b + "--\r\n";
    ASSERT_EQ(e.body.compare(0, head.size(), head), 0) << e.body;
    ASSERT_EQ(e.body.compare(e.body.size() - tail.size(), tail.size(), tail), 0);
    std::string qp = e.body.substr(head.size(), e.body.size() - head.size() - tail.size());
    for (std::size_t start = 0, end; (end = qp.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 76u);

    KCodeC kc;
    EXPECT_EQ(kc.jis7tosj(QuotedPrintableDecode(qp)),
              "<META content=\"text/html; charset=iso-2022-jp\" http-equiv=Content-Type>" + kanji +
                  "<BR>\r\n" + std::string(100, 'x') + "\r\n");

    // A zero flag makes even ASCII text ISO-2022-JP.
    Encoded z = EncodeWith("plain", "<p>x</p>", 0);
    EXPECT_NE(z.body.find("text/plain; charset=iso-2022-jp"), std::string::npos);
    EXPECT_NE(z.body.find("text/html; charset=iso-2022-jp"), std::string::npos);
}

TEST(HtmlMailEncoder, EmptyTextLeavesTheEncoderAsItWas) {
    HtmlMailEncoder enc;
    enc.SetPlainText("a");
    enc.SetHtmlText("<p>b</p>");
    ASSERT_EQ(enc.Encode(1, 1, 1), 1);
    const std::string body = enc.GetMailBodyString();
    enc.SetHtmlText("");
    EXPECT_EQ(enc.Encode(1, 1, 1), 0);
    EXPECT_EQ(enc.GetMailBodyString(), body);
    HtmlMailEncoder fresh;
    fresh.SetHtmlText("<p>b</p>");
    EXPECT_EQ(fresh.Encode(1, 1, 1), 0);
    std::string t = "x", s = "x", p = "x";
    fresh.GetContentTypeString(t, s, p);
    EXPECT_EQ(t + s + p, "");
}

TEST(HtmlMetaCharset, RewritesTheFirstCharsetDeclaration) {
    const std::string fixed = "<META content=\"text/html; charset=Shift_JIS\" http-equiv=Content-Type>";
    struct Case {
        std::string html;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"a<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">b", "a" + fixed + "b"},
        {"<META HTTP-EQUIV=\"CONTENT-TYPE\" CONTENT='text/html'>", fixed},
        {"<meta content='text/html' http-equiv = 'content-type' />x", fixed + "x"},
        {"<meta charset=\"utf-8\"><meta http-equiv=Content-Type content=x>",
         fixed + "<meta http-equiv=Content-Type content=x>"},
        {"<meta name=a content=\"x; charset=utf-8\"><metadata charset=x>"
         "<meta\r\ncharset=euc-jp>",
         "<meta name=a content=\"x; charset=utf-8\"><metadata charset=x>" + fixed},
        {"<meta http-equiv=refresh content=5>", "<meta http-equiv=refresh content=5>"},
        {"<p>no meta</p>", "<p>no meta</p>"},
        {"<meta http-equiv=Content-Type", "<meta http-equiv=Content-Type"},
    };
    for (const auto& c : cases) EXPECT_EQ(ConvertHtmlMetaCharset(c.html, "Shift_JIS"), c.want) << c.html;
}

}  // namespace
