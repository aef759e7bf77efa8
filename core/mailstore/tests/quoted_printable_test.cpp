#include "core/mailstore/quoted_printable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/mailstore/tests/mail_text_test_util.h"

namespace {

using mailtest::Lines;

TEST(MimeCodecQuotedPrintable, EncodesByteClasses) {
    struct Case { std::string in; std::string out; };
    const Case cases[] = {
        {"a=b", "a=3Db"},
        {"caf\xe9", "caf=E9"},
        {"a b", "a b"},
        {"tab\there", "tab=09here"},
        {"\x7f", "=7F"},
        {"line\r\nnext", "line\r\nnext"},
        // Blanks and tabs that end a line are escaped, so transports cannot strip them.
        {"end \r\nnext", "end=20\r\nnext"},
        {"end\t\r\n", "end=09\r\n"},
        {"lf only \n", "lf only=20\n"},
        {"last ", "last=20"},
        {"two  \r\n", "two =20\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(QuotedPrintableEncode(c.in), c.out) << c.in;
}

TEST(MimeCodecQuotedPrintable, SoftBreaksKeepLinesShort) {
    const std::string encoded = QuotedPrintableEncode(std::string(100, 'x'));
    const auto lines = Lines(encoded);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(75, 'x') + "=");
    EXPECT_EQ(lines[1], std::string(25, 'x'));

    // An escape that would pass column 75 moves to the next line whole.
    const auto escaped = Lines(QuotedPrintableEncode(std::string(73, 'x') + "\xe9"));
    ASSERT_EQ(escaped.size(), 2u);
    EXPECT_EQ(escaped[0], std::string(73, 'x') + "=");
    EXPECT_EQ(escaped[1], "=E9");
}

TEST(MimeCodecQuotedPrintable, RoundTripOfMixedText) {
    // 300 bytes: ASCII, Shift_JIS bytes, tabs, "=", trailing blanks and hard line breaks.
    std::string text;
    const char* pieces[] = {"Hello, \x93\xfa\x96{\x8c\xea world=1\t", "trailing  \r\n",
                            "\x83\x65\x83X\x83g", " ", "\r\n", "long-long-long-line-"};
    for (size_t i = 0; text.size() < 300; ++i) text += pieces[i % 6];
    text.resize(300);
    const std::string encoded = QuotedPrintableEncode(text);
    for (const std::string& line : Lines(encoded)) {
        EXPECT_LE(line.size(), 76u);
        if (!line.empty()) {
            EXPECT_NE(line.back(), ' ');
        }
        for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    }
    EXPECT_EQ(QuotedPrintableDecode(encoded), text);
    std::string out;
    EXPECT_TRUE(QuotedPrintableDecoding(encoded, out));
    EXPECT_EQ(out, text);
    size_t size = 0;
    EXPECT_TRUE(GetSizeAfterQuotedPrintableDecoding(encoded, size));
    EXPECT_EQ(size, text.size());
}

TEST(MimeCodecQuotedPrintable, DecodesWhatMailersSend) {
    struct Case { std::string in; std::string out; bool complete; };
    const Case cases[] = {
        {"a=41b", "aAb", true},
        {"caf=e9", "caf\xe9", true},          // lower-case digits
        {"soft=\r\nbreak", "softbreak", true},
        {"lf=\nsoft", "lfsoft", true},        // LF-only soft break
        {"1+1=2 ok", "1+1=2 ok", true},       // "=" without two hex digits stands for itself
        {"a==41", "a=A", true},
        {"cut=4", "cut", false},              // escape cut short by the end
        {"cut=", "cut", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuotedPrintableDecode(c.in), c.out) << c.in;
        std::string out;
        EXPECT_EQ(QuotedPrintableDecoding(c.in, out), c.complete) << c.in;
        size_t size = 0;
        EXPECT_EQ(GetSizeAfterQuotedPrintableDecoding(c.in, size), c.complete) << c.in;
        if (c.complete) {
            EXPECT_EQ(size, c.out.size()) << c.in;
        }
    }
}

TEST(MimeCodecQuotedPrintable, DecodeMailBodyByType) {
    EXPECT_EQ(DecodeMailBody("YWJj\r\nZGVm\r\n", 1), "abcdef");
    EXPECT_EQ(DecodeMailBody(" YW Jj ", 1), "abc");
    EXPECT_EQ(DecodeMailBody("a=\r\n=41", 2), "aA");
    EXPECT_EQ(DecodeMailBody("as is=41", 0), "as is=41");
}

}  // namespace
