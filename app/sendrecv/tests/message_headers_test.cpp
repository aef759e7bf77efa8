// The message header builders: Message-ID, Date, the text parts, Subject and the
// display-name rule, with Subject and To read back by Python's mail parser.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/sendrecv/message_headers.h"
#include "app/mailtext/carrier_text_converter.h"
#include "app/sendrecv/tests/python_mail_decoder.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/base64.h"
#include "platform/date_time.h"

namespace {

using ui::U8;
// A DoCoMo pictogram (sun) in Shift_JIS.
const std::string kSun = "\xF8\x9F";

// ---- Message-ID ------------------------------------------------------------------------------

class MessageIdTest : public ::testing::Test {
protected:
    void SetUp() override { SetMessageIdClockForTesting([this] { return nowMs_; }); }
    void TearDown() override { SetMessageIdClockForTesting({}); }
    // 2024-01-02 03:04:05.678 UTC
    std::int64_t nowMs_ = 1704164645678;
};

TEST_F(MessageIdTest, UtcTimeSequenceMailIdAndSender) {
    EXPECT_EQ(MakeMessageIDLocalPart("info@example.jp", 42), "20240102030405678.00000.42.info@example.jp");
    EXPECT_EQ(MakeMessageIDLocalPart("info@example.jp", 42), "20240102030405678.00001.42.info@example.jp");
    nowMs_ += 1;
    EXPECT_EQ(MakeMessageIDLocalPart("info@example.jp", 7), "20240102030405679.00000.7.info@example.jp");
    // Nothing in the sender address may leave the angle brackets or the header line.
    EXPECT_EQ(MakeMessageIDLocalPart("in fo\r\n>X: y<@example.jp", 1), "20240102030405679.00001.1.infoX:y@example.jp");
    EXPECT_EQ(MakeMessageIDLocalPart(nullptr, 1), "20240102030405679.00002.1.");
}

TEST_F(MessageIdTest, SequenceWrapsIntoTheNextMillisecondAndNeverRepeats) {
    std::string last;
    for (int i = 0; i <= 99999; ++i) last = MakeMessageIDLocalPart("a@b.jp", 1);
    EXPECT_EQ(last, "20240102030405678.99999.1.a@b.jp");
    EXPECT_EQ(MakeMessageIDLocalPart("a@b.jp", 1), "20240102030405679.00000.1.a@b.jp");
    // The real clock reaches that millisecond: the next number, not a repeat.
    nowMs_ += 1;
    EXPECT_EQ(MakeMessageIDLocalPart("a@b.jp", 1), "20240102030405679.00001.1.a@b.jp");
    // A clock set back keeps counting on from the last time stamp.
    nowMs_ -= 60000;
    EXPECT_EQ(MakeMessageIDLocalPart("a@b.jp", 1), "20240102030405679.00002.1.a@b.jp");
}

TEST_F(MessageIdTest, AMillionFromAStoppedClockAreAllDifferent) {
    constexpr int kCount = 1000000;
    std::vector<std::string> ids;
    ids.reserve(kCount);
    for (int i = 0; i < kCount; ++i) ids.push_back(MakeMessageIDLocalPart("s@x.jp", 123));
    const QRegularExpression form(R"(^\d{17}\.\d{5}\.123\.s@x\.jp$)");
    for (int i = 0; i < kCount; i += 99991) EXPECT_TRUE(form.match(QString::fromStdString(ids[i])).hasMatch()) << ids[i];
    std::sort(ids.begin(), ids.end());
    const auto repeated = std::adjacent_find(ids.begin(), ids.end());
    EXPECT_EQ(repeated, ids.end()) << *repeated;
}

// ---- Date -----------------------------------------------------------------------------------

class DateHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz != nullptr ? tz : "";
        hadTz_ = tz != nullptr;
        // 2024-06-01 06:00:00 UTC, a Saturday.
        platform::SetClockForTesting([] { return std::time_t{1717221600}; });
    }
    void TearDown() override {
        platform::SetClockForTesting({});
        if (hadTz_) {
            setenv("TZ", savedTz_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static void Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    std::string savedTz_;
    bool hadTz_ = false;
};

TEST_F(DateHeaderTest, ZoneFromTheMachineOrTheOption) {
    struct Case {
        const char* tz;
        const char* option;
        const char* value;
    };
    const Case cases[] = {
        {"Asia/Tokyo", "", "Sat, 01 Jun 2024 15:00:00 +0900"},
        {"Asia/Tokyo", nullptr, "Sat, 01 Jun 2024 15:00:00 +0900"},
        {"Asia/Tokyo", "+0900", "Sat, 01 Jun 2024 15:00:00 +0900"},
        {"Asia/Kolkata", "", "Sat, 01 Jun 2024 11:30:00 +0530"},
        {"UTC", "", "Sat, 01 Jun 2024 06:00:00 +0000"},
        // The option names the send server's zone; the clock stays the machine's.
        {"UTC", "+0900", "Sat, 01 Jun 2024 06:00:00 +0900"},
        {"UTC", "-0330", "Sat, 01 Jun 2024 06:00:00 -0330"},
        // Summer time is part of the offset the local time was read with.
        {"Europe/Berlin", "", "Sat, 01 Jun 2024 08:00:00 +0200"},
        {"America/New_York", "", "Sat, 01 Jun 2024 02:00:00 -0400"},
    };
    for (const Case& c : cases) {
        Zone(c.tz);
        EXPECT_EQ(MakeMailDateHeader(c.option), c.value) << c.tz << " " << (c.option ? c.option : "(null)");
    }
}

// ---- Text parts -----------------------------------------------------------------------------

struct Entity {
    std::string charset, transfer, body;
};
Entity Split(const std::string& entity) {
    const std::size_t blank = entity.find("\r\n\r\n");
    const std::string head = entity.substr(0, blank);
    Entity e;
    e.body = entity.substr(blank + 4);
    const std::size_t cs = head.find("charset=");
    e.charset = head.substr(cs + 8, head.find("\r\n", cs) - cs - 8);
    const std::size_t te = head.find("Content-Transfer-Encoding: ");
    e.transfer = head.substr(te + 27, head.find("\r\n", te) - te - 27);
    return e;
}
std::string Unbase64(const std::string& text) {
    std::string joined, out;
    for (char c : text)
        if (c != '\r' && c != '\n') joined.push_back(c);
    EXPECT_GE(base64decoding(out, joined), 0);
    return out;
}
std::string BackToSjis(const std::string& jis) { return KCodeC().jis7tosj(jis); }

TEST(TextPartTest, PlainIso2022JpWithoutPictograms) {
    const std::string text = Utf8ToSjis("お知らせ\r\n.本文 ABC\r\n");
    for (int tt : {0, 1, 2, 3, 4}) {
        std::string plain, html;
        ASSERT_EQ(MakeTextPartHeader(text, tt, plain), 0);
        ASSERT_EQ(MakeHtmlPartHeader(text, tt, html), 0);
        EXPECT_EQ(plain.substr(0, plain.find("\r\n\r\n") + 4),
                  "Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n"
                  "MIME-Version: 1.0\r\n\r\n");
        EXPECT_EQ(html.rfind("Content-Type: text/html;\r\n\tcharset=iso-2022-jp\r\n", 0), 0u);
        const std::string body = Split(plain).body;
        EXPECT_EQ(BackToSjis(body), text) << tt;
        // 7-bit, and every line ends in ASCII.
        for (unsigned char c : body) ASSERT_LT(c, 0x80);
        EXPECT_NE(body.find("\x1b(B\r\n"), std::string::npos);
    }
    // Half-width katakana are widened (ｶﾞ -> ガ), not replaced.
    std::string out;
    ASSERT_EQ(MakeTextPartHeader(Utf8ToSjis("ｶﾞｲﾄﾞ"), 0, out), 0);
    EXPECT_EQ(BackToSjis(Split(out).body), Utf8ToSjis("ガイド"));
}

TEST(TextPartTest, PictogramsInEachCarriersForm) {
    const std::string text = Utf8ToSjis("晴れ") + kSun + Utf8ToSjis("ｾｰﾙ\r\n");
    const std::string widened = Utf8ToSjis("晴れ") + kSun + Utf8ToSjis("セール\r\n");
    std::string out;

    ASSERT_EQ(MakeTextPartHeader(text, 1, out), 0);
    Entity e = Split(out);
    EXPECT_EQ(e.charset + "/" + e.transfer, "iso-2022-jp/base64");
    // NTT DoCoMo's JIS-mode pictogram codes map back arithmetically to its Shift_JIS codes.
    EXPECT_EQ(BackToSjis(Unbase64(e.body)), widened);

    ASSERT_EQ(MakeTextPartHeader(text, 2, out), 0);
    e = Split(out);
    EXPECT_EQ(e.charset + "/" + e.transfer, "iso-2022-jp/7bit");
    std::string au;
    ASSERT_TRUE(compose::ConvertSjisToJis200(widened, au, compose::kPictogramReplace));
    EXPECT_EQ(e.body, au);

    ASSERT_EQ(MakeHtmlPartHeader(text, 3, out), 0);
    e = Split(out);
    EXPECT_EQ(e.charset + "/" + e.transfer, "shift_jis/base64");
    std::string softbank;
    ASSERT_TRUE(compose::ConvertPictogramCodes(compose::kCarrierDocomo, text, compose::kCarrierSoftbank, softbank));
    EXPECT_NE(softbank, text);
    EXPECT_EQ(Unbase64(e.body), softbank);  // kana kept for SoftBank

    // PC and WILLCOM have no pictograms: plain ISO-2022-JP with "・" in their place, as
    // for anything else ISO-2022-JP cannot carry.
    for (int tt : {0, 4}) {
        ASSERT_EQ(MakeTextPartHeader(text + "\xF0\x40!", tt, out), 0);
        e = Split(out);
        EXPECT_EQ(e.transfer, "7bit");
        EXPECT_EQ(BackToSjis(e.body), Utf8ToSjis("晴れ・セール\r\n・!")) << tt;
    }
}

TEST(TextPartTest, AnHtmlPartsMetaNamesTheCharsetItIsSentIn) {
    const std::string meta = "<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=shift_jis\"></HEAD>";
    struct Case {
        const char* what;
        std::string html;
        int termType;
        const char* charset;
    } cases[] = {
        {"PC", meta + Utf8ToSjis("<BODY>晴れ</BODY></HTML>"), 0, "iso-2022-jp"},
        {"NTT DoCoMo, pictogram", meta + Utf8ToSjis("<BODY>晴れ") + kSun + "</BODY></HTML>", 1, "iso-2022-jp"},
        {"SoftBank, pictogram", "<html><meta charset=\"UTF-8\">" + Utf8ToSjis("晴れ") + kSun + "</html>", 3, "shift_jis"},
        {"SoftBank, none", meta + Utf8ToSjis("<BODY>晴れ</BODY></HTML>"), 3, "iso-2022-jp"},
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_EQ(MakeHtmlPartHeader(c.html, c.termType, out), 0) << c.what;
        const Entity e = Split(out);
        EXPECT_EQ(e.charset, c.charset) << c.what;
        const std::string body = e.transfer == "base64" ? Unbase64(e.body) : e.body;
        EXPECT_NE(body.find(std::string("<META content=\"text/html; charset=") + c.charset + "\""), std::string::npos)
            << c.what << ": " << body;
        EXPECT_EQ(body.find("charset=shift_jis\">"), std::string::npos) << c.what;
    }
    // No META: nothing is added. A text part is never touched.
    std::string out;
    ASSERT_EQ(MakeHtmlPartHeader(Utf8ToSjis("<p>晴れ</p>"), 0, out), 0);
    EXPECT_EQ(BackToSjis(Split(out).body), Utf8ToSjis("<p>晴れ</p>"));
    ASSERT_EQ(MakeTextPartHeader(meta, 0, out), 0);
    EXPECT_EQ(BackToSjis(Split(out).body), meta);
}

TEST(TextPartTest, TextCutInsideACharacterIsRefused) {
    struct Case {
        std::string text;
        int tt;
        int result;
    };
    for (const Case& c : {Case{Utf8ToSjis("本") + "\x96", 0, -1}, Case{"abc\xF8", 1, -1},
                          Case{kSun + Utf8ToSjis("本") + "\x96", 1, -5}, Case{kSun + "\x96", 2, -3}}) {
        std::string out = "untouched";
        EXPECT_EQ(MakeTextPartHeader(c.text, c.tt, out), c.result) << c.tt;
        EXPECT_EQ(out, "untouched");
    }
}

// ---- Subject, read back by Python -----------------------------------------------------------

std::string Subject(const std::string& subject, int tt = 0) {
    std::string out;
    EXPECT_EQ(MakeSubjectHeader(subject, tt, out), 0);
    return out;
}

TEST(SubjectHeaderTest, AsciiSubjectIsSentAsItIsEvenToACarrier) {
    for (int tt : {0, 1, 2, 3, 4}) EXPECT_EQ(Subject("Spring Sale 50% OFF", tt), "Subject: Spring Sale 50% OFF\r\n");
    EXPECT_EQ(Subject(""), "Subject: \r\n");
}

TEST(SubjectHeaderTest, DecodedByAStandardReader) {
    std::string longSubject;
    for (int i = 0; i < 12; ++i) longSubject += Utf8ToSjis("新商品のご案内と春の特別セールのお知らせ");
    struct Case {
        std::string subject;
        QString shown;
    };
    const Case cases[] = {
        {Utf8ToSjis("春の新商品のご案内"), U8("春の新商品のご案内")},
        {Utf8ToSjis("【重要】Sale 50% OFF のお知らせ"), U8("【重要】Sale 50% OFF のお知らせ")},
        {Utf8ToSjis("ｾｰﾙ開催中"), U8("セール開催中")},
        {longSubject, QString::fromStdString(SjisToUtf8(longSubject))},
        // A pictogram has no place in a PC subject: "・", as in the body.
        {Utf8ToSjis("晴れ") + kSun + Utf8ToSjis("です"), U8("晴れ・です")},
        // ASCII that a reader would decode arrives as typed.
        {"Re: =?ISO-2022-JP?B?GyRCJDMbKEI=?= test", U8("Re: =?ISO-2022-JP?B?GyRCJDMbKEI=?= test")},
    };
    for (const Case& c : cases) {
        for (int tt : {0, 4}) {
            const std::string header = Subject(c.subject, tt);
            SCOPED_TRACE(header);
            ASSERT_EQ(header.substr(header.size() - 2), "\r\n");
            EXPECT_EQ(header.find("\r\n"), header.find("\r\n\t") == std::string::npos ? header.size() - 2
                                                                                       : header.find("\r\n\t"));
            const sendtest::DecodedHeaders d = sendtest::DecodeWithPython(header);
            ASSERT_TRUE(d.ok) << d.error.toStdString();
            EXPECT_EQ(d.subject, c.shown);
            EXPECT_EQ(d.subjectDefects, 0);
            EXPECT_LE(d.longestLine, 76);
            EXPECT_EQ(d.names, QStringList{"Subject"});
        }
    }
}

TEST(SubjectHeaderTest, AnAsciiSubjectLongerThanAHeaderLineIsFolded) {
    const std::string subject = std::string(600, 'a') + " " + std::string(600, 'b');
    const sendtest::DecodedHeaders d = sendtest::DecodeWithPython(Subject(subject));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.subject, QString::fromStdString(subject));
    EXPECT_EQ(d.subjectDefects, 0);
    EXPECT_LE(d.longestLine, 998);
}

TEST(SubjectHeaderTest, LineBreaksInASubjectNeverStartAHeader) {
    for (const std::string& s : {std::string("Hello\r\nBcc: victim@example.jp"),
                                 Utf8ToSjis("ご案内\r\nBcc: victim@example.jp\n\rX: 1\tend")}) {
        const std::string header = Subject(s);
        const sendtest::DecodedHeaders d = sendtest::DecodeWithPython(header);
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.names, QStringList{"Subject"}) << header;
        EXPECT_TRUE(d.subject.contains("Bcc: victim@example.jp")) << d.subject.toStdString();
    }
    EXPECT_EQ(Subject("a\rb\nc"), "Subject: a b c\r\n");
    EXPECT_EQ(Subject(std::string("a\0b", 3)), "Subject: a b\r\n");
}

TEST(SubjectHeaderTest, CarrierSubjectsWithPictograms) {
    // The carriers' encoders fill each line's budget of 76 with words; the first line
    // also holds "Subject: " (well within the 998 a header line may have).
    constexpr int kCarrierLine = 9 + 76;
    std::string longSubject = Utf8ToSjis("ｾｰﾙ");
    for (int i = 0; i < 8; ++i) longSubject += kSun + Utf8ToSjis("春の特別セールのご案内");
    const std::string widened = Utf8ToSjis("セール") + longSubject.substr(Utf8ToSjis("ｾｰﾙ").size());
    for (const std::string& subject : {Utf8ToSjis("晴れ") + kSun, longSubject}) {
        SCOPED_TRACE(subject.size());
        // NTT DoCoMo: ISO-2022-JP words with its pictogram codes, kana widened.
        std::string header = Subject(subject, 1);
        sendtest::DecodedHeaders d = sendtest::DecodeWithPython(header);
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.names, QStringList{"Subject"});
        EXPECT_LE(d.longestLine, kCarrierLine);
        EXPECT_EQ(d.subjectCharsets.first(), "iso-2022-jp");
        EXPECT_EQ(BackToSjis(d.subjectBytes.toStdString()), subject.size() < 10 ? subject : widened);
        ASSERT_EQ(header.substr(header.size() - 2), "\r\n");
        EXPECT_EQ(header.find("\r\n\r\n"), std::string::npos);

        // au TU-KA: the same with au's codes.
        header = Subject(subject, 2);
        d = sendtest::DecodedHeaders(sendtest::DecodeWithPython(header));
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_LE(d.longestLine, kCarrierLine);
        std::string au;
        ASSERT_TRUE(compose::ConvertSjisToJis200(subject.size() < 10 ? subject : widened, au,
                                                 compose::kPictogramReplace));
        EXPECT_EQ(BackToSjis(d.subjectBytes.toStdString()), BackToSjis(au));

        // SoftBank: Shift_JIS words with SoftBank's codes, the kana as they are; the line
        // starts right after "Subject: ".
        header = Subject(subject, 3);
        EXPECT_EQ(header.rfind("Subject: =?shift_jis?B?", 0), 0u) << header;
        d = sendtest::DecodedHeaders(sendtest::DecodeWithPython(header));
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_LE(d.longestLine, kCarrierLine);
        EXPECT_EQ(d.subjectCharsets.first(), "shift_jis");
        std::string softbank;
        ASSERT_TRUE(compose::ConvertPictogramCodes(compose::kCarrierDocomo, subject, compose::kCarrierSoftbank, softbank));
        EXPECT_EQ(d.subjectBytes.toStdString(), softbank);
    }
    // A line break in a carrier subject is a blank like anywhere else, so the carriers'
    // encoders (which refuse control bytes) still take it.
    const sendtest::DecodedHeaders d = sendtest::DecodeWithPython(Subject(kSun + "\r\nBcc: x@y.jp", 1));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.names, QStringList{"Subject"});
}

TEST(SubjectHeaderTest, CutSubjectRefused) {
    struct Case {
        std::string subject;
        int tt;
        int result;
    };
    for (const Case& c : {Case{Utf8ToSjis("件名") + "\x88", 0, -1}, Case{kSun + "\x88", 1, -1}, Case{kSun + "\x88", 2, -3},
                          Case{kSun + "\x88", 3, -6}}) {
        std::string out = "untouched";
        EXPECT_EQ(MakeSubjectHeader(c.subject, c.tt, out), c.result) << c.tt;
        EXPECT_EQ(out, "untouched");
    }
}

// ---- From / To ------------------------------------------------------------------------------

TEST(AddressTest, NamesReadBackExactly) {
    struct Case {
        std::string name;
        QString shown;
    };
    const Case cases[] = {
        {"Taro \"T\" Yamada", U8("Taro \"T\" Yamada")},
        {"Yamada, Taro <boss>", U8("Yamada, Taro <boss>")},
        {"A\\B (C)", U8("A\\B (C)")},
        {Utf8ToSjis("山田太郎様"), U8("山田太郎様")},
        {Utf8ToSjis("ﾔﾏﾀﾞ商事 御中"), U8("ヤマダ商事 御中")},
        {Utf8ToSjis("株式会社サンプル・ホールディングス営業部第二課長代理補佐 様"),
         U8("株式会社サンプル・ホールディングス営業部第二課長代理補佐 様")},
    };
    for (const Case& c : cases) {
        std::string to;
        ASSERT_EQ(FormatAddress(c.name, "taro@example.jp", to), 0);
        const sendtest::DecodedHeaders d = sendtest::DecodeWithPython("To: " + to + "\r\n");
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.toName, c.shown) << to;
        EXPECT_EQ(d.toAddress, U8("taro@example.jp"));
        EXPECT_EQ(d.toCount, 1);
        EXPECT_EQ(d.toDefects, 0) << to;
        EXPECT_EQ(d.names, QStringList{"To"});
    }
    std::string to;
    ASSERT_EQ(FormatAddress("Taro \"T\" (Y)", "t@x.jp", to), 0);
    EXPECT_EQ(to, "\"Taro \\\"T\\\" \\(Y\\)\" <t@x.jp>");
    ASSERT_EQ(FormatAddress("", "t@x.jp", to), 0);
    EXPECT_EQ(to, "t@x.jp");
}

TEST(AddressTest, NameWithLineBreaksStaysOneMailbox) {
    std::string to;
    ASSERT_EQ(FormatAddress(Utf8ToSjis("悪意\r\nBcc: victim@example.jp"), "t@x.jp", to), 0);
    ASSERT_EQ(FormatAddress("Evil\r\nBcc: victim@example.jp", "t@x.jp", to), 0);
    const sendtest::DecodedHeaders d = sendtest::DecodeWithPython("To: " + to + "\r\n");
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.names, QStringList{"To"});
    EXPECT_EQ(d.toCount, 1);
    EXPECT_EQ(d.toAddress, U8("t@x.jp"));
}

TEST(AddressTest, AddressesThatCouldSplitOrEscapeAreRefused) {
    for (const char* bad : {"", "a@x.jp, b@y.jp", "a@x.jp;b@y.jp", "a@x.jp\r\nBcc: b@y.jp", "a b@x.jp",
                            "a@x.jp>", "<a@x.jp", "\"a\"@x.jp", "a(c)@x.jp", "a\\b@x.jp", "\x82\xa0@x.jp"}) {
        std::string out = "untouched";
        EXPECT_FALSE(IsSafeMailAddress(bad)) << bad;
        EXPECT_EQ(FormatAddress("Name", bad, out), -1) << bad;
        EXPECT_EQ(out, "untouched");
    }
    for (const char* good : {"a@x.jp", "first.last+tag@sub.example.co.jp", "a_b-c@[192.0.2.1]"})
        EXPECT_TRUE(IsSafeMailAddress(good)) << good;
}

// ---- Attachment entity ----------------------------------------------------------------------

TEST(AttachmentPartTest, NameGivenTwiceAndEncodedWhenNotAscii) {
    EXPECT_EQ(MakeAttachmentPart("a b.pdf", "QUJD"),
              "Content-Type: application/octet-stream;\r\n\tname=\"a b.pdf\"\r\n"
              "Content-Disposition: attachment;\r\n\tfilename=\"a b.pdf\"\r\n"
              "Content-Transfer-Encoding: base64\r\n\r\nQUJD");
    const std::string part = MakeAttachmentPart(Utf8ToSjis("資料.pdf"), "QUJD");
    const std::size_t name = part.find("name=\"=?ISO-2022-JP?B?");
    ASSERT_NE(name, std::string::npos) << part;
    const std::size_t end = part.find('"', name + 6);
    const std::string encoded = part.substr(name + 6, end - name - 6);
    EXPECT_NE(part.find("filename=\"" + encoded + "\"\r\n"), std::string::npos) << part;
    EXPECT_TRUE(std::all_of(part.begin(), part.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

// ---- Every builder, read back as today's mail readers read it --------------------------------

// People's names in every form code page 932 gives them, through each builder and terminal
// type, decoded by the Encoding Standard's ISO-2022-JP decoder (and as Shift_JIS where a
// carrier gets Shift_JIS): each must arrive as itself.
TEST(ReaderTest, NamesInEveryCp932FormReachTheReaderWhole) {
    struct Text {
        const char* what;
        std::string sjis;
        QString shown;       // as an ISO-2022-JP reader shows it
        QString shownSjis;   // as a Shift_JIS reader shows it
    };
    const QString takahashi = U8("髙橋 一郎"), yamasaki = U8("山﨑 花子");
    const Text texts[] = {
        {"髙 IBM form", "\xFB\xFC" + Utf8ToSjis("橋 一郎"), takahashi, takahashi},
        {"髙 NEC-selected form", "\xEE\xE0" + Utf8ToSjis("橋 一郎"), takahashi, takahashi},
        {"﨑 IBM form", Utf8ToSjis("山") + "\xFA\xB1" + Utf8ToSjis(" 花子"), yamasaki, yamasaki},
        {"﨑 NEC-selected form", Utf8ToSjis("山") + "\xED\x95" + Utf8ToSjis(" 花子"), yamasaki, yamasaki},
        {"NEC row 13", Utf8ToSjis("①㈱№Ⅰ"), U8("①㈱№Ⅰ"), U8("①㈱№Ⅰ")},
        {"IBM with a JIS X 0208 or row 13 twin", "\xFA\x54\xFA\x5B\xFA\x40\xFA\x4A\xFA\x58",
         U8("￢∵ⅰⅠ㈱"), U8("￢∵ⅰⅠ㈱")},
        {"user-defined area", Utf8ToSjis("外字") + "\xF0\x40" + Utf8ToSjis("様"), U8("外字・様"),
         U8("外字") + QChar(0xE000) + U8("様")},
        {"plain", Utf8ToSjis("山田太郎 ABC"), U8("山田太郎 ABC"), U8("山田太郎 ABC")},
    };
    struct Probe {
        std::string label;
        sendtest::ReaderItem item;
        QString expected;
        bool prefixOnly;  // a pictogram follows, shown in the carrier's own way
    };
    std::vector<Probe> probes;
    const auto headerValue = [](const std::string& line, const std::string& name) {
        EXPECT_EQ(line.rfind(name, 0), 0u) << line;
        return line.substr(name.size(), line.size() - name.size() - 2);  // without the last CR LF
    };
    for (const Text& t : texts) {
        std::string to;
        EXPECT_EQ(FormatAddress(t.sjis, "a@example.jp", to), 0);
        probes.push_back({std::string(t.what) + " / To", {false, to}, t.shown + U8(" <a@example.jp>"), false});
        for (int tt : {0, 1, 2, 3, 4}) {
            const std::string label = std::string(t.what) + " / type " + std::to_string(tt);
            std::string subject, part;
            EXPECT_EQ(MakeSubjectHeader(t.sjis, tt, subject), 0);
            probes.push_back({label + " subject", {false, headerValue(subject, "Subject: ")}, t.shown, false});
            EXPECT_EQ(MakeTextPartHeader(t.sjis + "\r\n" + t.sjis + "\r\n", tt, part), 0);
            probes.push_back({label + " body", {true, part}, t.shown + "\r\n" + t.shown + "\r\n", false});
            if (tt < 1 || tt > 3) continue;
            // With a pictogram the carriers' own converters and encodings take over.
            const QString shown = tt == 3 ? t.shownSjis : t.shown;
            EXPECT_EQ(MakeSubjectHeader(t.sjis + kSun, tt, subject), 0);
            probes.push_back({label + " subject with pictogram", {false, headerValue(subject, "Subject: ")}, shown, true});
            EXPECT_EQ(MakeTextPartHeader(t.sjis + kSun + "\r\n", tt, part), 0);
            probes.push_back({label + " body with pictogram", {true, part}, shown, true});
        }
    }
    std::vector<sendtest::ReaderItem> items;
    for (const Probe& p : probes) items.push_back(p.item);
    const QStringList read = sendtest::ReadLikeMailReaders(items);
    ASSERT_EQ(read.size(), static_cast<int>(probes.size())) << "the reader did not run";
    int whole = 0;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const Probe& p = probes[i];
        const QString& got = read[static_cast<int>(i)];
        const bool ok = p.prefixOnly ? got.startsWith(p.expected) : got == p.expected;
        whole += ok ? 1 : 0;
        EXPECT_TRUE(ok) << p.label << ": " << got.toStdString() << " (wanted " << p.expected.toStdString() << ")";
    }
    std::printf("read back whole: %d of %zu\n", whole, probes.size());
}

}  // namespace
