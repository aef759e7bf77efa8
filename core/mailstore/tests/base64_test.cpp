#include "core/mailstore/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(MimeCodecBase64, EncodedWordFormEndsInWordClose) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"", "?="}, {"a", "YQ==?="}, {"ab", "YWI=?="}, {"abc", "YWJj?="}, {"abcd", "YWJjZA==?="},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(normal_base64encoding(c.in), c.out) << c.in;
        // The lenient decoder reads the "?" as nothing and stops at the padding.
        EXPECT_EQ(normal_base64decoding(c.out), c.in) << c.out;
    }
}

TEST(MimeCodecBase64, LenientDecoderSkipsWhatIsNotBase64) {
    struct Case { std::string in; std::string out; };
    const Case cases[] = {
        {"YWJj", "abc"},
        {"YWJ", "ab"},              // missing padding is supplied
        {"YQ", "a"},
        {"YWJj=ZGVm", "abc"},       // stops at "="
        // Characters outside the alphabet are skipped, never read as bytes.
        {"YW*Jj", "abc"},
        {std::string("YW\0Jj", 5), "abc"},
        {"YWJj\r\nZGVm \tZw==", "abcdefg"},
        {"Y\xffW\x80Jj", "abc"},
        {"", ""},
        {"=", ""},
        {"!!", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(normal_base64decoding(c.in), c.out) << c.in;
        EXPECT_EQ(abnbase64decoding(c.in).size(), c.out.size()) << c.in;
    }
}

TEST(MimeCodecBase64, LineWrapping) {
    const std::string b57 = RandomBytes(57, 1);
    const std::string line57 = base64encoding(b57, 76);
    ASSERT_EQ(line57.size(), 78u);
    EXPECT_EQ(line57.substr(76), "\r\n");

    // One byte more: a second line of "xx==" with no line break after the padding.
    const std::string line58 = base64encoding(RandomBytes(58, 1), 76);
    EXPECT_EQ(line58.size(), 78u + 4u);
    EXPECT_EQ(line58.substr(74, 4), line57.substr(74, 4));
    EXPECT_EQ(line58.substr(80), "==");

    // Exact multiples of a line end in CR LF; -1 writes no line breaks.
    EXPECT_EQ(base64encoding(RandomBytes(114, 2), 76).size(), 2u * 78u);
    EXPECT_EQ(base64encoding(RandomBytes(114, 2), -1).find('\r'), std::string::npos);
    EXPECT_EQ(base64encoding("", 76), "");

    // A line length that is not a multiple of four breaks inside a group.
    EXPECT_EQ(base64encoding("abcde", 6), "YWJjZG\r\nU=");
    EXPECT_EQ(base64encoding("abcd", 6), "YWJjZA\r\n==");
}

TEST(MimeCodecBase64, StrictDecoder) {
    struct Case { std::string in; long result; std::string out; };
    const Case cases[] = {
        {"YWJj", 3, "abc"},
        {"YQ==", 1, "a"},
        {"YWI=", 2, "ab"},
        {"YWJj\r\n", 3, "abc"},      // stops at CR
        {"YWJj\r\nZGVm", -1, ""},    // but never loses data that follows
        {"YWJj\nZGVm", -1, ""},      // LF is a bad character
        {"YWJ j", -1, ""},
        {"YWJ", -1, ""},             // a group cut short
        {"\x80WJj", -1, ""},
        {"Y=Jj", -1, ""},            // "=" only in the last two places
        {"+ YWJj", 3, "abc"},        // a leading "+ " is skipped
        {"\r\n", 0, ""},
        {"\rYWJj", -1, ""},
        {"", 0, ""},
        {"YQ== \r\n", 1, "a"},      // a group ending in "=" ends the text
        {"YQ==YWJj", -1, ""},
        {"YQ=j", -1, ""},
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        EXPECT_EQ(base64decoding(out, c.in), c.result) << c.in;
        EXPECT_EQ(out, c.out) << c.in;
    }
}

TEST(MimeCodecBase64, StrictDecoderNeverPassesItsLimit) {
    std::string out;
    EXPECT_EQ(base64decoding(out, "YWJjZGVm", 6), 6);
    EXPECT_EQ(base64decoding(out, "YWJjZGVm", 5), -1);  // the second group would pass it
    EXPECT_EQ(base64decoding(out, "YWJjZA==", 4), 4);
    EXPECT_EQ(base64decoding(out, "YWJjZA==", 3), -1);
}

TEST(MimeCodecBase64, SizeAfterDecoding) {
    struct Case { const char* text; bool ok; size_t size; };
    const Case cases[] = {
        {"", true, 0}, {"YQ==", true, 1}, {"YWI=", true, 2}, {"YWJj", true, 3},
        {"YWJjZA==", true, 4}, {"YWJ", false, 0}, {"YWJjZG", false, 0},
    };
    for (const Case& c : cases) {
        size_t size = 99;
        EXPECT_EQ(GetSizeAfterBase64Decoding(size, c.text), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(size, c.size) << c.text;
        }
    }
}

TEST(MimeCodecBase64, RoundTripsBinaryOfEveryTailLength) {
    for (size_t n = 0; n < 300; ++n) {
        const std::string data = RandomBytes(n, static_cast<unsigned>(n));
        const std::string flat = base64encoding(data, -1);
        std::string back;
        ASSERT_EQ(base64decoding(back, flat), static_cast<long>(n));
        ASSERT_EQ(back, data);
        ASSERT_EQ(normal_base64decoding(flat), data);
        size_t size = 0;
        ASSERT_TRUE(GetSizeAfterBase64Decoding(size, flat));
        ASSERT_EQ(size, n);

        // Wrapped text decodes once the line breaks are removed.
        std::string wrapped = base64encoding(data, 76), joined;
        for (char c : wrapped)
            if (c != '\r' && c != '\n') joined += c;
        ASSERT_EQ(joined, flat);
    }
}

TEST(MimeCodecBase64, PermutedAlphabet) {
    // Value i is written as the i-th character of the system's own alphabet.
    EXPECT_EQ(abnbase64encoding(std::string(3, '\0')), "QQQQ");
    EXPECT_EQ(abnbase64encoding("\xff\xff\xff"), "++++");
    EXPECT_EQ(abnbase64encoding("\xfb\xef\xbe"), "////");
    EXPECT_EQ(abnbase64encoding("a"), "NJ==");
    for (size_t n = 0; n < 40; ++n) {
        const std::string data = RandomBytes(n, 77 + static_cast<unsigned>(n));
        const std::string enc = abnbase64encoding(data);
        EXPECT_EQ(enc.size(), (n + 2) / 3 * 4);
        EXPECT_EQ(abnbase64decoding(enc), data);
    }
}

}  // namespace
