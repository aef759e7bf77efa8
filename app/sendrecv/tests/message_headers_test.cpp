// The message header builders: Message-ID, Date, the text parts, Subject and the
// display-name rule, with Subject and To read back by Python's mail parser.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/tests/python_mail_decoder.h"
#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "platform/date_time.h"

namespace {

std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
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

std::string Body(const std::string& entity) { return entity.substr(entity.find("\r\n\r\n") + 4); }
std::string BackToSjis(const std::string& jis) { return KCodeC().jis7tosj(jis); }

TEST(TextPartTest, PlainIso2022JpForEveryTerminal) {
    const std::string text = Sjis("お知らせ\r\n.本文 ABC\r\n");
    for (int tt : {0, 1, 2, 3, 4}) {
        std::string plain, html;
        ASSERT_EQ(MakeTextPartHeader(text, tt, plain), kHeaderOk);
        ASSERT_EQ(MakeHtmlPartHeader(text, tt, html), kHeaderOk);
        EXPECT_EQ(plain.substr(0, plain.find("\r\n\r\n") + 4),
                  "Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n"
                  "MIME-Version: 1.0\r\n\r\n");
        EXPECT_EQ(html.rfind("Content-Type: text/html;\r\n\tcharset=iso-2022-jp\r\n", 0), 0u);
        EXPECT_EQ(BackToSjis(Body(plain)), text) << tt;
        // 7-bit, and every line ends in ASCII.
        for (unsigned char c : Body(plain)) ASSERT_LT(c, 0x80);
        EXPECT_NE(Body(plain).find("\x1b(B\r\n"), std::string::npos);
    }
}

TEST(TextPartTest, KanaWidenedUnsendableReplacedCutTextRefused) {
    std::string out = "untouched";
    // Half-width katakana are widened (ｶﾞ -> ガ), not replaced.
    ASSERT_EQ(MakeTextPartHeader(Sjis("ｶﾞｲﾄﾞ"), 0, out), kHeaderOk);
    EXPECT_EQ(BackToSjis(Body(out)), Sjis("ガイド"));
    // Without the carriers' pictogram encoders every terminal gets plain ISO-2022-JP, in
    // which a pictogram or user-defined character has no place: it becomes "・".
    for (int tt : {0, 1, 2, 3}) {
        ASSERT_EQ(MakeTextPartHeader(Sjis("晴れ") + kSun + "\xF0\x40!", tt, out), kHeaderOk);
        EXPECT_EQ(BackToSjis(Body(out)), Sjis("晴れ・・!")) << tt;
    }
    // A text cut inside its last character is refused and the output left alone.
    out = "untouched";
    EXPECT_EQ(MakeTextPartHeader(Sjis("本") + "\x96", 0, out), kHeaderLengthFailed);
    EXPECT_EQ(MakeHtmlPartHeader("abc\xF8", 1, out), kHeaderLengthFailed);
    EXPECT_EQ(out, "untouched");
}

// ---- Subject, read back by Python -----------------------------------------------------------

std::string Subject(const std::string& subject, int tt = 0) {
    std::string out;
    EXPECT_EQ(MakeSubjectHeader(subject, tt, out), kHeaderOk);
    return out;
}

TEST(SubjectHeaderTest, AsciiSubjectIsSentAsItIsEvenToACarrier) {
    for (int tt : {0, 1, 2, 3, 4}) EXPECT_EQ(Subject("Spring Sale 50% OFF", tt), "Subject: Spring Sale 50% OFF\r\n");
    EXPECT_EQ(Subject(""), "Subject: \r\n");
}

TEST(SubjectHeaderTest, DecodedByAStandardReader) {
    std::string longSubject;
    for (int i = 0; i < 12; ++i) longSubject += Sjis("新商品のご案内と春の特別セールのお知らせ");
    struct Case {
        std::string subject;
        QString shown;
    };
    const Case cases[] = {
        {Sjis("春の新商品のご案内"), U("春の新商品のご案内")},
        {Sjis("【重要】Sale 50% OFF のお知らせ"), U("【重要】Sale 50% OFF のお知らせ")},
        {Sjis("ｾｰﾙ開催中"), U("セール開催中")},
        {longSubject, QString::fromStdString(SjisToUtf8(longSubject))},
        // Without the carriers' pictogram encoders the pictogram becomes "・" for every
        // terminal, as in the body.
        {Sjis("晴れ") + kSun + Sjis("です"), U("晴れ・です")},
    };
    for (const Case& c : cases) {
        for (int tt : {0, 1, 3}) {
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

TEST(SubjectHeaderTest, LineBreaksInASubjectNeverStartAHeader) {
    for (const std::string& s : {std::string("Hello\r\nBcc: victim@example.jp"),
                                 Sjis("ご案内\r\nBcc: victim@example.jp\n\rX: 1\tend")}) {
        const std::string header = Subject(s);
        const sendtest::DecodedHeaders d = sendtest::DecodeWithPython(header);
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.names, QStringList{"Subject"}) << header;
        EXPECT_TRUE(d.subject.contains("Bcc: victim@example.jp")) << d.subject.toStdString();
    }
    EXPECT_EQ(Subject("a\rb\nc"), "Subject: a b c\r\n");
    EXPECT_EQ(Subject(std::string("a\0b", 3)), "Subject: a b\r\n");
}

TEST(SubjectHeaderTest, CutSubjectRefused) {
    std::string out = "untouched";
    EXPECT_EQ(MakeSubjectHeader(Sjis("件名") + "\x88", 0, out), kHeaderLengthFailed);
    EXPECT_EQ(out, "untouched");
}

// ---- From / To ------------------------------------------------------------------------------

TEST(AddressTest, NamesReadBackExactly) {
    struct Case {
        std::string name;
        QString shown;
    };
    const Case cases[] = {
        {"Taro \"T\" Yamada", U("Taro \"T\" Yamada")},
        {"Yamada, Taro <boss>", U("Yamada, Taro <boss>")},
        {"A\\B (C)", U("A\\B (C)")},
        {Sjis("山田太郎様"), U("山田太郎様")},
        {Sjis("ﾔﾏﾀﾞ商事 御中"), U("ヤマダ商事 御中")},
        {Sjis("株式会社サンプル・ホールディングス営業部第二課長代理補佐 様"),
         U("株式会社サンプル・ホールディングス営業部第二課長代理補佐 様")},
    };
    for (const Case& c : cases) {
        std::string to;
        ASSERT_EQ(FormatAddress(c.name, "taro@example.jp", to), 0);
        const sendtest::DecodedHeaders d = sendtest::DecodeWithPython("To: " + to + "\r\n");
        ASSERT_TRUE(d.ok) << d.error.toStdString();
        EXPECT_EQ(d.toName, c.shown) << to;
        EXPECT_EQ(d.toAddress, U("taro@example.jp"));
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
    ASSERT_EQ(FormatAddress(Sjis("悪意\r\nBcc: victim@example.jp"), "t@x.jp", to), 0);
    ASSERT_EQ(FormatAddress("Evil\r\nBcc: victim@example.jp", "t@x.jp", to), 0);
    const sendtest::DecodedHeaders d = sendtest::DecodeWithPython("To: " + to + "\r\n");
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.names, QStringList{"To"});
    EXPECT_EQ(d.toCount, 1);
    EXPECT_EQ(d.toAddress, U("t@x.jp"));
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

// ---- Dot-stuffing ---------------------------------------------------------------------------

TEST(DotStuffingTest, EveryLineStartingWithADot) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : {Case{"", ""}, Case{".", ".."}, Case{".a\r\n.b\r\n", "..a\r\n..b\r\n"},
                          Case{"a.\r\n..\r\n.", "a.\r\n...\r\n.."}, Case{"a\r\n.\r\nb", "a\r\n..\r\nb"},
                          Case{"a\n.b\r.c", "a\n..b\r..c"}, Case{"no dots. here", "no dots. here"}}) {
        std::string body = c.in;
        EscapeLeadingDots(body);
        EXPECT_EQ(body, c.out) << c.in;
    }
}

}  // namespace
