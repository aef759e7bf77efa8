#include "core/transport/mail_analyzer.h"

#include "core/foundation/cp932.h"
#include "core/transport/bounce_text.h"
#include "core/transport/message_id_form.h"
#include "core/transport/reply_lines.h"
#include "core/foundation/date_utils.h"
#include "core/mailstore/base64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

namespace {

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(OMBREL_TESTDATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Sets TZ for the life of the object and restores the previous setting.
class ScopedTz {
public:
    explicit ScopedTz(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTz() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::optional<std::string> old_;
};

std::string DateText(const platform::DateTime& d) { return Convert_COleDateTime2DateData(d); }

struct MailCase {
    const char* file;
    int resistWithEmpty;
    int refuseOn;
    const char* keyword;  // UTF-8
    int type;
    const char* originalId;
    const char* sender;
    const char* subject;  // UTF-8
    const char* tokyo;    // send date read with TZ=Asia/Tokyo
    const char* utc;      // and with TZ=UTC
    const char* body;     // UTF-8; nullptr: not checked
};

const MailCase kMails[] = {
    // Delivery-status reports: the returned message, or only its headers (written without
    // a blank after the colon).
    {"analyzer_dsn_rfc822.eml", 0, 0, "", MailAnalyzer::kBounce, "1291856400.12345.42@mail.shop.example.jp",
     "MAILER-DAEMON@mx.example.jp", "Undelivered Mail Returned to Sender", "2010/12/09 10:00:00",
     "2010/12/09 01:00:00", nullptr},
    {"analyzer_dsn_headers.eml", 0, 0, "", MailAnalyzer::kBounce, "1306890000.777.108.2@mail.shop.example.jp",
     "postmaster@relay.example.com", "Delivery Status Notification (Failure)", "2011/06/01 10:02:03",
     "2011/06/01 01:02:03", nullptr},
    // Plain-text bounces; the copied Message-ID is folded onto a tab-indented line, and a
    // Message-ID line after the copied header block is not taken.
    {"analyzer_bounce_copy.eml", 0, 0, "", MailAnalyzer::kBounce, "1331076599.4242.7.1@mail.shop.example.jp",
     "MAILER-DAEMON@mta.example.net", "failure notice", "2012/03/07 08:30:00", "2012/03/06 23:30:00", nullptr},
    {"analyzer_bounce_rejected.eml", 0, 0, "", MailAnalyzer::kBounce, "1293807600.1.55@mail.shop.example.jp",
     "support@isp.example.org", "Returned mail: see transcript for details", "2011/01/01 00:00:00",
     "2010/12/31 15:00:00", nullptr},
    // Read receipts: one from MAILER-DAEMON is still a receipt; without Original-Message-ID
    // the last id of References is taken.
    {"analyzer_mdn.eml", 0, 0, "", MailAnalyzer::kReadReceipt, "1275400000.55.31@mail.shop.example.jp",
     "MAILER-DAEMON@example.com", "開封済み: ご案内", "2010/06/02 00:00:00", "2010/06/01 15:00:00",
     "メッセージは表示されました。\r\n"},
    {"analyzer_mdn_references.eml", 0, 0, "", MailAnalyzer::kReadReceipt, "1275400000.55.32@mail.shop.example.jp",
     "reader@example.com", "Read: sale", "2010/06/01 19:00:00", "2010/06/01 10:00:00", nullptr},
    // Thunderbird's receipt, with the returned headers as a third part; Outlook's notice
    // that the mail was deleted unread (its Disposition folded) is no receipt.
    {"analyzer_mdn_thunderbird.eml", 0, 0, "", MailAnalyzer::kReadReceipt, "20240115093012122.00000.122.news@shop.example.jp",
     "hanako@example.net", "表示済み : sale", "2024/01/15 10:00:00", "2024/01/15 01:00:00", nullptr},
    {"analyzer_mdn_not_read.eml", 1, 0, "", MailAnalyzer::kOrdinary, "", "taro@example.net", "未開封: ご案内",
     "2024/01/15 10:00:00", "2024/01/15 01:00:00", nullptr},
    // A delivery report whose text part is empty stays a bounce with register-by-empty-mail on.
    {"analyzer_bounce_empty_text.eml", 1, 0, "", MailAnalyzer::kBounce, "20240115093012123.00000.123.news@shop.example.jp",
     "MAILER-DAEMON@mx.example.org", "Delivery Status Notification", "2024/01/15 10:00:00", "2024/01/15 01:00:00",
     nullptr},
    // Refusals: the marker in lower case (ISO-2022-JP mail); on the second line it is not one.
    {"analyzer_refuse_jis.eml", 0, 0, "", MailAnalyzer::kRefusal, "1278700000.9.12@mail.shop.example.jp",
     "yamada@example.co.jp", "配信停止", "2010/07/10 08:15:30", "2010/07/09 23:15:30",
     "<refuse>\r\n今後のメールは不要です。\r\n"},
    {"analyzer_refuse_second_line.eml", 0, 0, "", MailAnalyzer::kOrdinary, "1278700000.9.13@mail.shop.example.jp",
     "yamada@example.co.jp", "Re: sale", "2010/07/10 08:15:30", "2010/07/09 23:15:30", nullptr},
    // By keyword (Shift_JIS mail with LF line ends): only with the switch on and a keyword
    // that is not blank.
    {"analyzer_refuse_keyword_sjis.eml", 0, 1, "配信停止", MailAnalyzer::kRefusal, "", "suzuki@example.ne.jp",
     "メール配信について", "2010/08/02 23:59:59", "2010/08/02 14:59:59", "配信停止をお願いします。\r\n鈴木\r\n"},
    {"analyzer_refuse_keyword_sjis.eml", 0, 0, "配信停止", MailAnalyzer::kOrdinary, "", "suzuki@example.ne.jp",
     "メール配信について", "2010/08/02 23:59:59", "2010/08/02 14:59:59", nullptr},
    {"analyzer_refuse_keyword_sjis.eml", 0, 1, " \t　", MailAnalyzer::kOrdinary, "", "suzuki@example.ne.jp",
     "メール配信について", "2010/08/02 23:59:59", "2010/08/02 14:59:59", nullptr},
    {"analyzer_refuse_keyword_sjis.eml", 0, 1, "", MailAnalyzer::kOrdinary, "", "suzuki@example.ne.jp",
     "メール配信について", "2010/08/02 23:59:59", "2010/08/02 14:59:59", nullptr},
    // Refusals in the forms real mail programs give them. A reply in HTML only (the HTML
    // part of Gmail, of Outlook with its Word markup in ISO-2022-JP quoted-printable, of
    // iPhone Mail in base64, each sent alone): the first line its reader sees counts, the
    // mark written "&lt;REFUSE&gt;" in the markup, or typed in full width; a mark only in
    // the quote of our own mail is none. The mark and the keyword in any width and case.
    {"analyzer_refuse_html_gmail.eml", 0, 0, "", MailAnalyzer::kRefusal, "20240116090000123.00000.41.info@example.jp",
     "taro.yamada@gmail.example.com", "Re: news", "2024/01/16 12:10:00", "2024/01/16 03:10:00",
     "<REFUSE>\r\n今後のメールは不要です。\r\n\r\n2024年1月16日(火) 9:00 Quendrel Shop <info@example.jp>:\r\n"
     "> Spring sale.\r\n> 配信停止をご希望の方は、本文の1行目に<REFUSE>と書いて返信してください。\r\n"},
    {"analyzer_html_quoted_mark.eml", 0, 0, "", MailAnalyzer::kOrdinary, "20240116090000123.00000.41.info@example.jp",
     "jiro.tanaka@gmail.example.com", "Re: news", "2024/01/16 12:10:00", "2024/01/16 03:10:00", nullptr},
    {"analyzer_refuse_html_outlook.eml", 0, 0, "", MailAnalyzer::kRefusal, "", "sato@example.co.jp", "RE: news",
     "2024/01/16 12:20:00", "2024/01/16 03:20:00", nullptr},
    {"analyzer_refuse_html_iphone.eml", 0, 0, "", MailAnalyzer::kRefusal, "20240116090000123.00000.43.info@example.jp",
     "ichiro.suzuki@icloud.example.com", "Re: news", "2024/01/16 12:30:00", "2024/01/16 03:30:00", nullptr},
    {"analyzer_refuse_wide_jis.eml", 0, 0, "", MailAnalyzer::kRefusal, "", "takahashi@ezweb.example.ne.jp", "Re: news",
     "2024/01/16 12:40:00", "2024/01/16 03:40:00", "＜ｒｅｆｕｓｅ＞\r\n配信停止希望です。\r\n"},
    {"analyzer_refuse_keyword_wide.eml", 0, 1, "stop", MailAnalyzer::kRefusal, "", "hanako.kimura@gmail.example.com",
     "配信停止", "2024/01/16 12:50:00", "2024/01/16 03:50:00", nullptr},
    {"analyzer_refuse_keyword_wide.eml", 0, 1, "ストップ", MailAnalyzer::kRefusal, "", "hanako.kimura@gmail.example.com",
     "配信停止", "2024/01/16 12:50:00", "2024/01/16 03:50:00", nullptr},
    {"analyzer_refuse_keyword_wide.eml", 0, 1, "停止", MailAnalyzer::kOrdinary, "", "hanako.kimura@gmail.example.com",
     "配信停止", "2024/01/16 12:50:00", "2024/01/16 03:50:00", nullptr},
    // Registrations: the marker (UTF-8 body in base64); an empty mail only with the switch,
    // and then the body becomes the marker with the sender.
    {"analyzer_register_utf8.eml", 0, 0, "", MailAnalyzer::kRegistration, "", "sato@example.jp", "登録",
     "2010/09/15 12:00:00", "2010/09/15 03:00:00",
     "<REGISTER>\r\n<EMAIL>sato@example.jp</EMAIL>\r\n<NAME>佐藤 花子</NAME>\r\n"},
    {"analyzer_register_empty.eml", 1, 0, "", MailAnalyzer::kRegistration, "", "taro@example.jp", "",
     "2010/09/15 12:00:00", "2010/09/15 03:00:00", "<REGISTER><EMAIL>taro@example.jp</EMAIL>"},
    {"analyzer_register_empty.eml", 0, 0, "", MailAnalyzer::kOrdinary, "", "taro@example.jp", "",
     "2010/09/15 12:00:00", "2010/09/15 03:00:00", "\r\n."},
    {"analyzer_register_fullwidth.eml", 1, 0, "", MailAnalyzer::kRegistration, "", "hanako@example.jp", "join",
     "2010/09/15 12:00:00", "2010/09/15 03:00:00", "<REGISTER><EMAIL>hanako@example.jp</EMAIL>"},
    // The marker typed in full width and mixed case.
    {"analyzer_register_wide_mark.eml", 0, 0, "", MailAnalyzer::kRegistration, "", "kato@example.jp", "登録",
     "2024/01/16 13:00:00", "2024/01/16 04:00:00",
     "＜Ｒｅｇｉｓｔｅｒ＞\r\n<EMAIL>kato@example.jp</EMAIL>\r\n<NAME_SEI>加藤</NAME_SEI>\r\n"},
    // Ordinary mail: UTF-8 with a date without seconds; Shift_JIS with a raw subject, a
    // two-digit year and a display name holding "<" and ",".
    {"analyzer_ordinary_utf8.eml", 1, 1, "お知らせ", MailAnalyzer::kOrdinary, "", "friend@example.org", "お知らせ",
     "2010/06/01 19:00:00", "2010/06/01 10:00:00", nullptr},
    {"analyzer_ordinary_sjis.eml", 0, 0, "", MailAnalyzer::kOrdinary, "", "yamada@example.jp", "新商品について",
     "2010/06/01 10:00:00", "2010/06/01 01:00:00", "こんにちは\r\n"},
};

TEST(MailAnalyzer, ClassifiesTheFixtureMails) {
    for (const MailCase& c : kMails) {
        const std::string text = ReadFixture(c.file);
        for (const bool tokyo : {true, false}) {
            ScopedTz tz(tokyo ? "Asia/Tokyo" : "UTC");
            SCOPED_TRACE(std::string(c.file) + " refuse=" + std::to_string(c.refuseOn) + " keyword=\"" + c.keyword +
                         "\" resist=" + std::to_string(c.resistWithEmpty) + (tokyo ? " Tokyo" : " UTC"));
            MailAnalyzer a;
            a.SetResistWithEmpty(c.resistWithEmpty);
            a.SetRefuseWithKeyword(c.refuseOn, Sjis(c.keyword));
            EXPECT_EQ(a.MailAnalysis(text), 0);
            EXPECT_EQ(a.GetMailType(), c.type);
            EXPECT_EQ(a.GetOriginalMessageID(), c.originalId);
            EXPECT_EQ(a.GetFromAddress(), c.sender);
            EXPECT_EQ(a.GetDecodeMailSubject(), Sjis(c.subject));
            EXPECT_EQ(DateText(a.GetMailSendDate()), tokyo ? c.tokyo : c.utc);
            if (c.body) {
                EXPECT_EQ(a.GetDecodeMailBody(), Sjis(c.body));
            }
        }
    }
}

// Replies in the shapes today's mail programs write them, each with the type it must get:
// the first line its writer wrote counts, as the reader sees it. Gmail and Outlook send an
// empty or line-break-only text part beside the HTML that holds the reply; a text file
// may be attached before the body; Thunderbird, Apple Mail, a carrier's mail program and
// Gmail (in HTML) may put the quotation of our mail, with our instruction to write
// <REFUSE> in it, before the reply; an HTML reply may hide text before what it shows; a web
// form sends its registration as HTML with the tags as markup. Replies that only quote or
// mention the mark stay ordinary, also with the refusal keyword on (our instruction says
// 配信停止) and registration by empty mail on.
TEST(MailAnalyzer, RepliesAreReadAsTheirWritersMeantThem) {
    const char* const ours = "20240116090000123.00000.44.info@example.jp";
    const struct {
        const char* file;
        int type;
        const char* sender;
        const char* originalId;
    } cases[] = {
        {"reply_gmail_alt_empty_text.eml", MailAnalyzer::kRefusal, "aya.yamaguchi@gmail.example.com", ours},
        {"reply_outlook_alt_empty_text.eml", MailAnalyzer::kRefusal, "nakano@example.co.jp", ours},
        {"reply_html_entity_mark.eml", MailAnalyzer::kRefusal, "kenji.mori@webmail.example.ne.jp", ours},
        {"reply_text_file_first.eml", MailAnalyzer::kRefusal, "ishii@example.ne.jp", ours},
        {"reply_thunderbird_bottom_refusal.eml", MailAnalyzer::kRefusal, "ono@example.org", ours},
        {"reply_gmail_bottom_refusal.eml", MailAnalyzer::kRefusal, "kimura.s@gmail.example.com", ours},
        {"reply_hidden_then_mark.eml", MailAnalyzer::kRefusal, "yui.endo@app.example.com", ours},
        {"reply_thunderbird_bottom_thanks.eml", MailAnalyzer::kOrdinary, "mai.ono@example.org", ours},
        {"reply_applemail_bottom_thanks.eml", MailAnalyzer::kOrdinary, "kobayashi@icloud.example.com", ours},
        {"reply_quote_first_jis.eml", MailAnalyzer::kOrdinary, "fujita@docomo.example.ne.jp", ours},
        {"reply_gmail_bottom_thanks.eml", MailAnalyzer::kOrdinary, "kimura.t@gmail.example.com", ours},
        {"reply_hidden_mark.eml", MailAnalyzer::kOrdinary, "endo@app.example.com", ours},
        {"analyzer_html_quoted_mark.eml", MailAnalyzer::kOrdinary, "jiro.tanaka@gmail.example.com",
         "20240116090000123.00000.41.info@example.jp"},
        {"register_form_html.eml", MailAnalyzer::kRegistration, "form@shop-site.example.jp", ""},
        {"register_form_html_wrapped.eml", MailAnalyzer::kRegistration, "form@shop-site.example.jp", ""},
    };
    for (const auto& c : cases) {
        for (const bool switches : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (switches ? " with the keyword and empty registration" : ""));
            MailAnalyzer a;
            a.SetResistWithEmpty(switches);
            a.SetRefuseWithKeyword(switches, Sjis("停止"));
            EXPECT_EQ(a.MailAnalysis(ReadFixture(c.file)), 0);
            EXPECT_EQ(a.GetMailType(), c.type);
            EXPECT_EQ(a.GetFromAddress(), c.sender);
            EXPECT_EQ(a.GetOriginalMessageID(), c.originalId);
        }
    }

    // The body of a registration written as markup is the markup, whose tags hold the
    // fields; an attached file and a text part passed over for its HTML stay attachments.
    MailAnalyzer form;
    form.MailAnalysis(ReadFixture("register_form_html.eml"));
    EXPECT_NE(form.GetDecodeMailBody().find(Sjis("<NAME_SEI>小川</NAME_SEI>")), std::string::npos) << form.GetDecodeMailBody();
    form.MailAnalysis(ReadFixture("register_form_html_wrapped.eml"));
    EXPECT_NE(form.GetDecodeMailBody().find("<EMAIL>hayashi@example.jp</EMAIL>"), std::string::npos);
    MailAnalyzer mixed;
    mixed.MailAnalysis(ReadFixture("reply_text_file_first.eml"));
    EXPECT_EQ(SjisToUtf8(mixed.GetDecodeMailBody()).rfind("<REFUSE>\r\n配信停止をお願いします。\r\n", 0), 0u);
    MimeFormatStruct part;
    ASSERT_EQ(mixed.GetAttachFileNum(), 1);
    ASSERT_EQ(mixed.GetAttachFileData(0, part), 1);
    EXPECT_EQ(part.GetMIMENormalAttachName(), "memo.txt");
    MailAnalyzer gmail;
    gmail.MailAnalysis(ReadFixture("reply_gmail_alt_empty_text.eml"));
    EXPECT_EQ(gmail.GetDecodeMailBody().rfind("<REFUSE>\r\n", 0), 0u) << gmail.GetDecodeMailBody();
    ASSERT_EQ(gmail.GetAttachFileNum(), 1);
    ASSERT_EQ(gmail.GetAttachFileData(0, part), 1);
    EXPECT_TRUE(part.ContentTypeIs("text/plain"));
}

// The mark written in the markup in every form a browser shows as "<REFUSE>" is a
// refusal; forms that show something else are not.
TEST(MailAnalyzer, TheMarkInEveryFormOfCharacterReference) {
    const std::string text = ReadFixture("reply_html_entity_mark.eml");
    const std::string written = "&LT;REFUSE&GT;";
    const size_t at = text.find(written);
    ASSERT_NE(at, std::string::npos);
    const struct {
        const char* form;
        int type;
    } cases[] = {
        {"&LT;REFUSE&GT;", MailAnalyzer::kRefusal},     {"&ltREFUSE&gt", MailAnalyzer::kRefusal},
        {"&LTREFUSE&GT", MailAnalyzer::kRefusal},       {"&lt;REFUSE&gt", MailAnalyzer::kRefusal},
        {"&#60;REFUSE&#62;", MailAnalyzer::kRefusal},   {"&#x3C;REFUSE&#x3E;", MailAnalyzer::kRefusal},
        {"&#X3c;REFUSE&#62", MailAnalyzer::kRefusal},   {"&#060REFUSE&#x003e", MailAnalyzer::kRefusal},
        {"&amp;lt;REFUSE&amp;gt;", MailAnalyzer::kOrdinary}, {"&Lt;REFUSE&Gt;", MailAnalyzer::kOrdinary},
        {"&lt REFUSE&gt", MailAnalyzer::kOrdinary},
    };
    for (const auto& c : cases) {
        std::string mail = text;
        mail.replace(at, written.size(), c.form);
        MailAnalyzer a;
        a.MailAnalysis(mail);
        EXPECT_EQ(a.GetMailType(), c.type) << c.form;
    }
}

// The first line a reply's writer wrote: blank lines, quoted lines and the attribution
// before a quotation passed over.
TEST(MailAnalyzer, WritersFirstLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"<REFUSE>\r\nthanks", "<REFUSE>"},
        {"\r\n \t\r\n　\n<REFUSE>", "<REFUSE>"},
        {"> our <REFUSE>\r\n>> older\r\n \t> indented\r\n\r\nthanks", "thanks"},
        {"＞ 引用\r\n本文", "本文"},
        {"On Tue, Jan 16, 2024, Shop wrote:\r\n> q\r\n\r\n<REFUSE>", "<REFUSE>"},
        {"2024/01/16 9:00、Shop <info@example.jp>のメール:\r\n\r\n> q\r\nthanks", "thanks"},
        {"以下の件です：\r\nよろしく", "以下の件です："},
        {"配信停止希望：\r\n> q", "配信停止希望："},  // no date: no attribution
        {"note: \r\n\r\n", "note: "},
        {"> only a quotation\r\n", ""},
        {"", ""},
        {"a\rb", "a"},
        {"a\nb", "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SjisToUtf8(std::string(reply_lines::WritersFirstLine(Sjis(c.text)))), c.line) << c.text;
}

TEST(MailAnalyzer, BodyAndAttachmentsFollowDocumentOrder) {
    MailAnalyzer a;
    ASSERT_EQ(a.MailAnalysis(ReadFixture("analyzer_ordinary_utf8.eml")), 0);
    EXPECT_EQ(a.GetMessageID(), "own.99@example.org");
    EXPECT_EQ(a.GetDecodeMailBody().rfind(Sjis("こんにちは。"), 0), 0u) << "the first text leaf is the body";
    ASSERT_EQ(a.GetAttachFileNum(), 2);  // the HTML alternative after the body, then the PDF
    MimeFormatStruct part;
    ASSERT_EQ(a.GetAttachFileData(0, part), 1);
    EXPECT_TRUE(part.ContentTypeIs("text/html"));
    ASSERT_EQ(a.GetAttachFileData(1, part), 1);
    EXPECT_TRUE(part.ContentTypeIs("application/pdf"));
    EXPECT_EQ(part.body, "JVBERi0xLjQK");

    // Outside 0 .. count-1 the output is left alone.
    for (const int index : {-1, 2}) {
        MimeFormatStruct untouched;
        untouched.body = "keep";
        EXPECT_EQ(a.GetAttachFileData(index, untouched), 0);
        EXPECT_EQ(untouched.body, "keep");
    }

    // The returned message of a bounce is an attachment like any other leaf.
    MailAnalyzer bounce;
    bounce.MailAnalysis(ReadFixture("analyzer_dsn_rfc822.eml"));
    ASSERT_EQ(bounce.GetAttachFileNum(), 2);
    ASSERT_EQ(bounce.GetAttachFileData(1, part), 1);
    ASSERT_EQ(part.subParts.size(), 1u);
    EXPECT_EQ(part.subParts[0].body, "body of the original");
}

TEST(MailAnalyzer, ParsedMessageAndRawTextGiveTheSameResult) {
    const std::string text = ReadFixture("analyzer_mdn.eml");
    MimeFormatStruct parsed;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(text, parsed), 1);
    MailAnalyzer fromText, fromParsed(parsed);
    fromText.MailAnalysis(text);
    EXPECT_EQ(fromParsed.GetMailType(), MailAnalyzer::kNotAnalysed) << "constructing only parses";
    EXPECT_EQ(fromParsed.MailAnalysis(), 0);
    EXPECT_EQ(fromParsed.GetMailType(), fromText.GetMailType());
    EXPECT_EQ(fromParsed.GetOriginalMessageID(), fromText.GetOriginalMessageID());
    EXPECT_EQ(fromParsed.GetDecodeMailSubject(), fromText.GetDecodeMailSubject());
    MimeFormatStruct out;
    fromParsed.GetMailData(out);
    EXPECT_EQ(out.headerList.size(), parsed.headerList.size());
}

TEST(MailAnalyzer, NewMessageKeepsTheSwitchesInitMemberClearsThem) {
    MailAnalyzer a;
    a.SetResistWithEmpty(1);
    a.MailAnalysis(ReadFixture("analyzer_dsn_rfc822.eml"));
    ASSERT_EQ(a.GetAttachFileNum(), 2);
    // The next message's results replace the last ones; the switch still holds.
    a.MailAnalysis(ReadFixture("analyzer_register_empty.eml"));
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kRegistration);
    EXPECT_EQ(a.GetOriginalMessageID(), "");
    EXPECT_EQ(a.GetAttachFileNum(), 0);

    a.InitMember();
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kNotAnalysed);
    EXPECT_EQ(a.GetFromAddress(), "");
    a.MailAnalysis(ReadFixture("analyzer_register_empty.eml"));
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kOrdinary);
}

TEST(MailAnalyzer, CutDownMessageIDCases) {
    struct Case {
        const char* value;
        const char* id;  // nullptr: nothing
    } cases[] = {
        {" <1.2.3@host>", "1.2.3@host"},
        {"<1.2.3@host>", "1.2.3@host"},  // no blank after the colon
        {"\t<1.2.3@host>", "1.2.3@host"},
        {"1.2.3@host", "1.2.3@host"},
        {" 1.2. 3@host ", "1.2.3@host"},
        {" 1.2.3@host>", "1.2.3@host"},
        {" <1.2.3@ host", "1.2.3@host"},
        {" (comment) <a@b> <c@d>", "a@b> <c@d"},  // first "<" to last ">", as it stands
        {"", nullptr},
        {" \t ", nullptr},
        {" <>", nullptr},
        {" > <", nullptr},
        {" <", nullptr},
        {" < \t", nullptr},
        {" >", nullptr},
    };
    for (const Case& c : cases) {
        std::string id = "unchanged";
        const bool found = MailAnalyzer::CutDownMessageID(c.value, id);
        EXPECT_EQ(found, c.id != nullptr) << '"' << c.value << '"';
        EXPECT_EQ(id, c.id ? c.id : "unchanged") << '"' << c.value << '"';
    }
}

TEST(MailAnalyzer, SenderAndHeaderTidying) {
    struct Case {
        const char* headers;
        const char* sender;
    } cases[] = {
        {"From: Taro <taro@example.jp>\r\n", "taro@example.jp"},
        {"From: taro@example.jp (Taro Yamada)\r\n", "taro@example.jp"},
        {"From: a@example.jp, b@example.jp\r\n", "a@example.jp"},
        {"From: \"x <y@z>\" <taro@example.jp\r\n", "taro@example.jp"},
        {"Sender: s@example.jp\r\nReturn-Path: <r@example.jp>\r\n", "s@example.jp"},
        {"Return-Path: <r@example.jp>\r\n", "r@example.jp"},
        {"From: \"only a name\"\r\nReturn-Path: <r@example.jp>\r\n", "r@example.jp"},
        {"From: <a\x01" "b\x7f@example.jp>\r\n", "ab@example.jp"},
        {"From: \"taro..yamada.\"@docomo.ne.jp\r\n", "\"taro..yamada.\"@docomo.ne.jp"},
        {"From: Taro <\"taro..yamada.\"@docomo.ne.jp>\r\n", "\"taro..yamada.\"@docomo.ne.jp"},
        {"From: \"a, b\" <\"x>y\"@example.jp>\r\n", "\"x>y\"@example.jp"},
        {"Subject: none\r\n", ""},
    };
    for (const Case& c : cases) {
        MailAnalyzer a;
        a.MailAnalysis(std::string(c.headers) + "\r\nbody\r\n");
        EXPECT_EQ(a.GetFromAddress(), c.sender) << c.headers;
    }
    EXPECT_EQ(MailAnalyzer::ReformatHeaderBodyString(" attachment; (c) filename = \"a b.txt\""),
              "attachment;filename=\"a b.txt\"");
}

TEST(MailAnalyzer, SendDateRules) {
    ScopedTz tz("Asia/Tokyo");
    platform::SetClockForTesting([] { return std::time_t(1700000000); });  // 2023/11/15 07:13:20 JST
    const std::string now = "2023/11/15 07:13:20";
    struct Case {
        const char* date;
        const char* local;
    } cases[] = {
        {"Tue, 1 Jun 2010 10:00:00 +0900", "2010/06/01 10:00:00"},
        {"Tue, 1 Jun 2010 10:00:00 GMT", "2010/06/01 19:00:00"},
        {"1 Jun 2010 10:00:00 Z", "2010/06/01 19:00:00"},
        {"1 Jun 2010 10:00:00 EDT", "2010/06/01 23:00:00"},
        {"1 Jun 2010 10:00:00 A", "2010/06/01 18:00:00"},
        {"1 Jun 2010 10:00:00 Y", "2010/06/02 07:00:00"},
        {"1 Jun 2010 10:00:00 -0130", "2010/06/01 20:30:00"},
        {"1 Jun 99 10:00:00 +0900", "1999/06/01 10:00:00"},
        {"1 Jun 110 10:00:00 +0900", "2010/06/01 10:00:00"},
        {"Tue, 1 Jun 2010 10:00:00 +09 00", "2010/06/01 10:00:00"},  // the rest, blanks removed
        {"Tue, 1 Jun 2010 10:00:00 (JST) +0900", "2010/06/01 10:00:00"},
        {"Tue, 1 Jun 2010 10:00:00", now.c_str()},      // no zone
        {"Tue, 1 Jun 2010 10:00:00 (JST)", now.c_str()},  // only a comment
        {"Tue, 1 June 2010 10:00:00 +0900", now.c_str()},
        {"Tue, 31 Jun 2010 10:00:00 +0900", now.c_str()},
        {"Tue, 1 Jun 2010 10 +0900", now.c_str()},
        {"", now.c_str()},
    };
    for (const Case& c : cases) {
        MailAnalyzer a;
        a.MailAnalysis(std::string("Date: ") + c.date + "\r\n\r\nbody\r\n");
        EXPECT_EQ(DateText(a.GetMailSendDate()), c.local) << c.date;
    }
    platform::SetClockForTesting({});
}

TEST(MailAnalyzer, SendDateInSummerTimeIsTheLocalClockOfThatDay) {
    ScopedTz tz("America/New_York");
    MailAnalyzer a;
    a.MailAnalysis("Date: Tue, 1 Jun 2010 12:00:00 +0000\r\n\r\nbody\r\n");
    EXPECT_EQ(DateText(a.GetMailSendDate()), "2010/06/01 08:00:00");
    a.MailAnalysis("Date: Wed, 1 Dec 2010 12:00:00 +0000\r\n\r\nbody\r\n");
    EXPECT_EQ(DateText(a.GetMailSendDate()), "2010/12/01 07:00:00");
}

TEST(MailAnalyzer, BounceSubjectsAndSenders) {
    struct Case {
        const char* from;
        const char* subject;
        int type;
    } cases[] = {
        {"postmaster@example.jp", "hello", MailAnalyzer::kBounce},
        {"Mail.Delivery.Subsystem@example.jp", "hello", MailAnalyzer::kBounce},
        {"ROOT@example.jp", "hello", MailAnalyzer::kBounce},
        {"myroot@example.jp", "hello", MailAnalyzer::kOrdinary},
        {"a@example.jp", "Warning: user UNKNOWN", MailAnalyzer::kBounce},
        {"a@example.jp", "host unknown", MailAnalyzer::kBounce},
        {"a@example.jp", "Service temporarily unavailable", MailAnalyzer::kBounce},
        {"a@example.jp", "Delivery failure notice", MailAnalyzer::kBounce},
        {"a@example.jp", "Mail could not be delivered", MailAnalyzer::kBounce},
        {"a@example.jp", "Mail: could it be delivered? Not sure", MailAnalyzer::kBounce},  // words, not a phrase
        {"a@example.jp", "Mail delivered", MailAnalyzer::kOrdinary},
        {"a@example.jp", "unknown", MailAnalyzer::kOrdinary},
        // The null address is a mail system's.
        {"<>", "hello", MailAnalyzer::kBounce},
        {"MAILER-DAEMON <>", "hello", MailAnalyzer::kBounce},
        {"Taro <taro@example.jp>", "hello", MailAnalyzer::kOrdinary},
        // The usual failure subjects, and the carrier's notice (ISO-2022-JP).
        {"a@example.jp", "Mail delivery failed: returning message to sender", MailAnalyzer::kBounce},
        {"a@example.jp", "Undelivered Mail Returned to Sender", MailAnalyzer::kBounce},
        {"a@example.jp", "Delivery Status Notification (Failure)", MailAnalyzer::kBounce},
        {"a@example.jp", "Undeliverable: sale", MailAnalyzer::kBounce},
        {"a@example.jp", "DELIVERY_FAILURE: User a not listed", MailAnalyzer::kBounce},
        {"a@example.jp", "Non-delivery report", MailAnalyzer::kBounce},
        {"a@example.jp", "=?ISO-2022-JP?B?GyRCJWEhPCVrJSglaSE8RExDThsoQg==?=", MailAnalyzer::kBounce},
        {"a@example.jp", "Your delivery", MailAnalyzer::kOrdinary},
        // A delay from a mail system is no bounce; a failure subject that repeats a word
        // of delay from the returned message's own subject still is.
        {"MAILER-DAEMON@example.jp", "Warning: could not send message for past 4 hours", MailAnalyzer::kOrdinary},
        {"MAILER-DAEMON@example.jp", "Delivery Status Notification (Delay)", MailAnalyzer::kOrdinary},
        {"MAILER-DAEMON@example.jp", "Undeliverable: delayed shipping", MailAnalyzer::kBounce},
    };
    for (const Case& c : cases) {
        MailAnalyzer a;
        a.MailAnalysis(std::string("From: ") + c.from + "\r\nSubject: " + c.subject + "\r\n\r\nbody\r\n");
        EXPECT_EQ(a.GetMailType(), c.type) << c.from << " / " << c.subject;
    }
    // A firm's everyday address answering our mail (In-Reply-To or References naming it) is
    // a person, not a mail system: taken for a bounce, it would be marked undeliverable.
    // So is anyone answering a mail whose subject held words of a failure.
    const Case answers[] = {
        {"=?UTF-8?B?5bGx55Sw?= <admin@yamada-shoten.example.jp>", "Re: sale", MailAnalyzer::kOrdinary},
        {"postmaster@yamada-shoten.example.jp", "Re: sale", MailAnalyzer::kOrdinary},
        {"supervisor.tanaka@example.jp", "Re: sale", MailAnalyzer::kOrdinary},
        {"MAILER-DAEMON@example.jp", "hello", MailAnalyzer::kBounce},
        {"<>", "hello", MailAnalyzer::kBounce},
        {"admin@example.jp", "Returned mail: see transcript for details", MailAnalyzer::kBounce},
        // An answer quotes our subject after its "Re:", whatever words it held.
        {"taro@example.jp", "Re: Scheduled maintenance: service unavailable on Sunday", MailAnalyzer::kOrdinary},
        {"taro@example.jp", "RE: System failure notice", MailAnalyzer::kOrdinary},
        {"taro@example.jp", "=?UTF-8?B?6L+U5L+hOiBGYWlsdXJlIG5vdGljZQ==?=", MailAnalyzer::kOrdinary},
        {"MAILER-DAEMON@example.jp", "Re: Returned mail", MailAnalyzer::kBounce},
        {"taro@example.jp", "Undeliverable: Re: sale", MailAnalyzer::kBounce},
    };
    for (const Case& c : answers) {
        for (const char* header : {"In-Reply-To", "References"}) {
            MailAnalyzer a;
            a.MailAnalysis(std::string("From: ") + c.from + "\r\nSubject: " + c.subject + "\r\n" + header +
                           ": <20240115093012124.00000.124.news@shop.example.jp>\r\n\r\nThanks, we will order.\r\n");
            EXPECT_EQ(a.GetMailType(), c.type) << c.from << " / " << c.subject << " / " << header;
        }
    }
}

// The id our send run wrote into fixture mail `mail` (sender news@shop.example.jp).
std::string Ours(int mail) {
    char text[64];
    std::snprintf(text, sizeof text, "20240115093012%03d.00000.%d.news@shop.example.jp", mail, mail);
    return text;
}

// One fixture per bounce layout, each written after the documented format of the mail
// system that makes it, with the original sent by us: the analysis must name it a bounce
// and find our id in it; a delay warning is no bounce.
TEST(MailAnalyzer, FindsTheOriginalInEveryBounceLayout) {
    struct Case {
        const char* file;
        int type;
        std::string id;
        const char* sender;  // nullptr: not checked
    };
    const Case cases[] = {
        // Reports: the returned message, or its headers, at the top level of the report.
        {"analyzer_dsn_rfc822.eml", MailAnalyzer::kBounce, "1291856400.12345.42@mail.shop.example.jp", nullptr},
        {"analyzer_dsn_headers.eml", MailAnalyzer::kBounce, "1306890000.777.108.2@mail.shop.example.jp", nullptr},
        // Plain-text copies in the layouts of the common mail systems.
        {"analyzer_bounce_copy.eml", MailAnalyzer::kBounce, "1331076599.4242.7.1@mail.shop.example.jp", nullptr},
        {"analyzer_bounce_rejected.eml", MailAnalyzer::kBounce, "1293807600.1.55@mail.shop.example.jp", nullptr},
        {"analyzer_bounce_exim.eml", MailAnalyzer::kBounce, Ours(101), nullptr},
        {"analyzer_bounce_sendmail.eml", MailAnalyzer::kBounce, Ours(102), nullptr},
        {"analyzer_bounce_original_follows.eml", MailAnalyzer::kBounce, Ours(103), nullptr},
        {"analyzer_bounce_gmail_plain.eml", MailAnalyzer::kBounce, Ours(104), nullptr},
        {"analyzer_bounce_yahoo.eml", MailAnalyzer::kBounce, Ours(105), nullptr},
        {"analyzer_bounce_exchange.eml", MailAnalyzer::kBounce, Ours(106), nullptr},
        {"analyzer_bounce_domino.eml", MailAnalyzer::kBounce, Ours(107), "mailrouter@notes.example.com"},
        // The mobile carriers' own notices.
        {"analyzer_bounce_au.eml", MailAnalyzer::kBounce, Ours(108), "no-reply@msg.ezweb.ne.jp"},
        {"analyzer_bounce_docomo.eml", MailAnalyzer::kBounce, Ours(109), nullptr},
        {"analyzer_bounce_softbank.eml", MailAnalyzer::kBounce, Ours(110), nullptr},
        // Report structures: one level down, wrapped in a returned message, the returned
        // headers after an empty line, a relay's id first, quoted-printable headers.
        {"analyzer_bounce_nested_report.eml", MailAnalyzer::kBounce, Ours(111), nullptr},
        {"analyzer_bounce_wrapped_report.eml", MailAnalyzer::kBounce, Ours(112), nullptr},
        {"analyzer_bounce_blank_line.eml", MailAnalyzer::kBounce, Ours(113), nullptr},
        {"analyzer_bounce_transit_id.eml", MailAnalyzer::kBounce, Ours(114), nullptr},
        {"analyzer_bounce_headers_qp.eml", MailAnalyzer::kBounce, Ours(115), nullptr},
        // No known layout: the first Message-ID line, quoted and folded, or indented and bare.
        {"analyzer_bounce_quoted_copy.eml", MailAnalyzer::kBounce, Ours(116), nullptr},
        {"analyzer_bounce_generic_bare.eml", MailAnalyzer::kBounce, Ours(117), nullptr},
        // Told a bounce by the null sender, by a null Return-Path with a failure text, and
        // by the report's Action alone.
        {"analyzer_bounce_null_sender.eml", MailAnalyzer::kBounce, Ours(118), ""},
        {"analyzer_bounce_null_return_path.eml", MailAnalyzer::kBounce, Ours(119), "mailsys@isp.example.net"},
        {"analyzer_bounce_report_only.eml", MailAnalyzer::kBounce, Ours(120), nullptr},
        // Delay warnings, as a report and in plain text, are no bounce.
        {"analyzer_delay_dsn.eml", MailAnalyzer::kOrdinary, "", nullptr},
        {"analyzer_delay_plain.eml", MailAnalyzer::kOrdinary, "", nullptr},
        // The sender's quoted local part is kept.
        {"analyzer_refuse_quoted_local.eml", MailAnalyzer::kRefusal, "20240115093012042.00000.42.news@shop.example.jp",
         "\"taro..yamada.\"@docomo.ne.jp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        MailAnalyzer a;
        EXPECT_EQ(a.MailAnalysis(ReadFixture(c.file)), 0);
        EXPECT_EQ(a.GetMailType(), c.type);
        EXPECT_EQ(a.GetOriginalMessageID(), c.id);
        if (c.sender) {
            EXPECT_EQ(a.GetFromAddress(), c.sender);
        }
    }
}

// A report wrapped in a returned message whose original is not ours: the inner original's
// id, never the wrapper's (the report's own). And our original returned with a message of
// someone else attached: ours, though it lies around another message.
TEST(MailAnalyzer, WrapperHeadersAreNotTheOriginals) {
    std::string wrapped = ReadFixture("analyzer_bounce_wrapped_report.eml");
    const std::string ours = Ours(112);
    wrapped.replace(wrapped.find(ours), ours.size(), "CAF1234.5678@other.example.com");
    MailAnalyzer a;
    a.MailAnalysis(wrapped);
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kBounce);
    EXPECT_EQ(a.GetOriginalMessageID(), "CAF1234.5678@other.example.com");

    const std::string carrying =
        "From: MAILER-DAEMON@mx.example.net\r\nSubject: Undelivered Mail Returned to Sender\r\n"
        "Content-Type: multipart/report; report-type=delivery-status; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: message/delivery-status\r\n\r\nAction: failed\r\n\r\n"
        "--B\r\nContent-Type: message/rfc822\r\n\r\n"
        "Message-ID: <" + Ours(7) + ">\r\nContent-Type: multipart/mixed; boundary=M\r\n\r\n"
        "--M\r\nContent-Type: text/plain\r\n\r\nplease see the attached mail\r\n"
        "--M\r\nContent-Type: message/rfc822\r\n\r\nMessage-ID: <attached.1@other.example.com>\r\n\r\nhello\r\n"
        "--M--\r\n--B--\r\n";
    a.MailAnalysis(carrying);
    EXPECT_EQ(a.GetOriginalMessageID(), Ours(7));
}

// Junk where an id should stand is no id: the next place is looked at.
TEST(MailAnalyzer, JunkIsNoOriginalId) {
    MailAnalyzer a;
    a.MailAnalysis("From: reader@example.com\r\nReferences: <" + Ours(5) + ">\r\n"
                   "Content-Type: multipart/report; report-type=disposition-notification; boundary=R\r\n\r\n"
                   "--R\r\nContent-Type: text/plain\r\n\r\nread\r\n"
                   "--R\r\nContent-Type: message/disposition-notification\r\n\r\n"
                   "Original-Message-ID: =\r\n\r\n--R--\r\n");
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kReadReceipt);
    EXPECT_EQ(a.GetOriginalMessageID(), Ours(5));

    a.MailAnalysis("From: hanako@example.jp\r\nReferences: <x@example.jp> <=>\r\n"
                   "In-Reply-To: <" + Ours(6) + ">\r\n\r\nthanks\r\n");
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kOrdinary);
    EXPECT_EQ(a.GetOriginalMessageID(), Ours(6));
}

// What an id is, which ids are ours, and which candidate wins.
TEST(MailAnalyzer, MessageIdForms) {
    struct Case {
        const char* id;
        bool looks;
        int mail;  // SentMailId
    } cases[] = {
        {"20240115093012345.00000.42.news@shop.example.jp", true, 42},
        {"1291856400.12345.42@mail.shop.example.jp", true, 42},
        {"1.2.0@h", true, 0},
        {"1.2.3x@h", true, -1},
        {"1.2.@h", true, -1},
        {"1..3@h", true, -1},
        {"a.2.3@h", true, -1},
        {"1.2.3@", false, -1},
        {"1.2.99999999999@h", true, -1},  // beyond any mail ID
        {"1.2.3.news", false, -1},
        {"E1rPQ2x-0004Ab-Cd@mx.example.org", true, -1},
        {"=", false, -1},
        {"abc", false, -1},
        {"@h", false, -1},
        {"a@b> <c@d", false, -1},
        {"a b@c", false, -1},
        {"a@b\x81", false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(message_id::LooksLikeId(c.id), c.looks) << c.id;
        EXPECT_EQ(message_id::SentMailId(c.id), c.mail) << c.id;
    }

    message_id::Choice choice;
    choice.OfferValue(" =");
    choice.OfferValue("<transit.1@relay.example.net>");
    choice.OfferValue("<other.2@relay.example.net>");
    EXPECT_EQ(choice.Result(), "transit.1@relay.example.net");
    EXPECT_FALSE(choice.Settled());
    choice.OfferValue("<1.2.3@wrapper.example.net>", false);
    choice.OfferValue("<4.5.6@shop.example.jp>");
    EXPECT_TRUE(choice.Settled());
    EXPECT_EQ(choice.Result(), "1.2.3@wrapper.example.net") << "the first of ours wins, a wrapper's too";
    message_id::Choice none;
    none.OfferValue("<x@wrapper.example.net>", false);
    EXPECT_EQ(none.Result(), "");
}

// The words of notices: what reads like a failure, what like a warning, the Action fields.
TEST(MailAnalyzer, NoticeWords) {
    EXPECT_TRUE(bounce_text::ReadsLikeFailure("Your message could NOT be delivered"));
    EXPECT_TRUE(bounce_text::ReadsLikeFailure("550 5.1.1 User unknown"));
    EXPECT_FALSE(bounce_text::ReadsLikeFailure("I am out of the office until Monday."));
    EXPECT_TRUE(bounce_text::ReadsLikeWarning("THIS IS A WARNING MESSAGE ONLY."));
    EXPECT_TRUE(bounce_text::ReadsLikeWarning("Google will continue trying to deliver your message"));
    EXPECT_TRUE(bounce_text::ReadsLikeWarning("Delivery to the following recipient has been delayed:"));
    EXPECT_FALSE(bounce_text::ReadsLikeWarning("This is a permanent error; I've given up."));

    struct Case {
        const char* fields;
        unsigned actions;
    } cases[] = {
        {"Final-Recipient: rfc822; a@b\r\nAction: failed\r\n", bounce_text::kActionFailed},
        {"action:FAILED (bad address)\r\n", bounce_text::kActionFailed},
        {"Action: delayed\nStatus: 4.4.1\n", bounce_text::kActionDelayed},
        {"Action: relayed\r\n\r\nAction: expanded\r\n\r\nAction: delivered\r\n", bounce_text::kActionDone},
        {"Action: delayed\r\n\r\nAction: failed\r\n", bounce_text::kActionFailed | bounce_text::kActionDelayed},
        {"Action: junk\r\nX-Action: failed\r\n Action: failed\r\n", 0},
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(bounce_text::ReportActions(c.fields), c.actions) << c.fields;

    // A notice's own words end where the copy of the returned message begins.
    EXPECT_EQ(bounce_text::NoticeWords("gone\r\n--- Below this line is a copy of the message.\r\nwarning only\r\n"),
              "gone\r\n");
    EXPECT_EQ(bounce_text::NoticeWords(std::string(100000, 'x')).size(), bounce_text::kNoticeLimit);
}

// A bounce whose returned message was cut short is still a bounce with its id: the parser
// reports the fault, the analysis goes on with what it read.
TEST(MailAnalyzer, PartlyReadMessageIsStillAnalysed) {
    const std::string text =
        "From: MAILER-DAEMON@mx.example.jp\r\nSubject: Undelivered Mail\r\n"
        "Content-Type: multipart/report; report-type=delivery-status; boundary=B\r\n\r\n"
        "--B\r\nContent-Type: text/plain\r\n\r\nfailed\r\n"
        "--B\r\nContent-Type: message/rfc822\r\n\r\n"
        "Message-ID: <1.2.3@mail.example.jp>\r\nContent-Type: multipart/mixed; boundary=C\r\n\r\n"
        "--C\r\nContent-Type: text/plain\r\n\r\ncut here\r\n"
        "--B--\r\n";
    MailAnalyzer a;
    EXPECT_EQ(a.MailAnalysis(text), -1);
    EXPECT_EQ(a.GetMailType(), MailAnalyzer::kBounce);
    EXPECT_EQ(a.GetOriginalMessageID(), "1.2.3@mail.example.jp");
}

// Every type a result may take.
bool KnownType(int t) { return t == -1 || (t >= 1 && t <= 4); }

TEST(MailAnalyzer, HostileInputNeverBreaksIt) {
    const char* files[] = {"analyzer_dsn_rfc822.eml",        "analyzer_mdn.eml",
                           "analyzer_bounce_copy.eml",       "analyzer_ordinary_utf8.eml",
                           "analyzer_refuse_jis.eml",        "analyzer_bounce_wrapped_report.eml",
                           "analyzer_bounce_softbank.eml",   "analyzer_bounce_exchange.eml",
                           "analyzer_bounce_quoted_copy.eml"};
    MailAnalyzer a;
    a.SetResistWithEmpty(1);
    a.SetRefuseWithKeyword(1, Sjis("停止"));
    // Every fixture cut at many lengths.
    for (const char* f : files) {
        const std::string text = ReadFixture(f);
        for (size_t n = 0; n <= text.size(); n += 7) {
            a.MailAnalysis(std::string_view(text).substr(0, n));
            ASSERT_TRUE(KnownType(a.GetMailType())) << f << " cut at " << n;
        }
    }

    // Nesting far deeper than the parser follows, as multiparts and as returned messages.
    std::string nested = "From: MAILER-DAEMON@x\r\nContent-Type: multipart/report; boundary=b0\r\n\r\n";
    std::string tail;
    for (int i = 1; i < 300; ++i) {
        nested += "--b" + std::to_string(i - 1) + "\r\nContent-Type: multipart/mixed; boundary=b" +
                  std::to_string(i) + "\r\n\r\n";
        tail = "\r\n--b" + std::to_string(i - 1) + "--\r\n" + tail;
    }
    a.MailAnalysis(nested + "--b299\r\n\r\nx" + tail);
    EXPECT_TRUE(KnownType(a.GetMailType()));
    std::string messages = "From: MAILER-DAEMON@x\r\n";
    for (int i = 0; i < 500; ++i) messages += "Content-Type: message/rfc822\r\n\r\nMessage-ID: <" + std::to_string(i) + "@x>\r\n";
    a.MailAnalysis(messages);
    EXPECT_TRUE(KnownType(a.GetMailType()));

    // Returned messages inside returned messages, each base64-encoded, and each written
    // with its headers after an empty line: every level must be decoded or read again to
    // be seen, and only a few are.
    std::string encoded = "Message-ID: <1.2.3@innermost.example.jp>\r\n\r\nbody\r\n";
    for (int i = 0; i < 24; ++i) {
        const std::string inner = i % 2 ? encoded : "\r\n" + encoded;
        encoded = "From: MAILER-DAEMON@x\r\nMessage-ID: <w" + std::to_string(i) +
                  "@x>\r\nContent-Type: message/rfc822\r\n" +
                  (i % 2 ? "Content-Transfer-Encoding: base64\r\n\r\n" + base64encoding(inner, 76) + "\r\n" : "\r\n" + inner);
    }
    MailAnalyzer chain;
    chain.MailAnalysis(encoded);
    EXPECT_EQ(chain.GetMailType(), MailAnalyzer::kBounce);

    // A hand-built tree deeper than any parsed one.
    MimeFormatStruct root;
    MimeFormatStruct* p = &root;
    for (int i = 0; i < 400; ++i) {
        p->contentTypeName = "Content-Type";
        p->contentTypeValue = "multipart/mixed; boundary=x";
        p->hasSubParts = 1;
        p->subParts.resize(2);
        p->subParts[1].contentTypeValue = "image/png";
        p = &p->subParts[0];
    }
    p->body = "leaf";
    a.MailAnalysis(root);
    EXPECT_EQ(a.GetDecodeMailBody(), "leaf");
    EXPECT_EQ(a.GetAttachFileNum(), 400);

    // Random bytes, and fixture text with random bytes spliced in; bounded and seeded.
    std::mt19937 rng(20101209);
    const std::string seed = ReadFixture("analyzer_dsn_rfc822.eml") + ReadFixture("analyzer_mdn.eml");
    const std::string alphabet = "\r\n:;<>\"()=?-_ \t.,@/\\Bb0aZ\x1b\x81\x40\xff";
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        if (round % 2 == 0) {
            const size_t n = rng() % 2048;
            for (size_t i = 0; i < n; ++i)
                text.push_back(round % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()]);
        } else {
            text = seed;
            for (int k = 0; k < 12; ++k) {
                const size_t at = rng() % text.size();
                switch (rng() % 3) {
                case 0: text[at] = static_cast<char>(rng()); break;
                case 1: text.erase(at, rng() % 64); break;
                default: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
                }
                if (text.empty()) text = "x";
            }
        }
        a.MailAnalysis(text);
        ASSERT_TRUE(KnownType(a.GetMailType())) << "round " << round;
        MimeFormatStruct part;
        for (int i = 0; i < a.GetAttachFileNum(); ++i) ASSERT_EQ(a.GetAttachFileData(i, part), 1);
    }
}

}  // namespace
