#include "core/foundation/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Hex(const unsigned char* bytes, std::size_t n) {
    static const char kHex[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += kHex[bytes[i] >> 4];
        s += kHex[bytes[i] & 0x0F];
    }
    return s;
}

// 0123456789abcdef repeated, cut to n bytes.
std::string Pattern(std::size_t n) {
    std::string s;
    while (s.size() < n) s += "0123456789abcdef";
    return s.substr(0, n);
}

struct DigestCase {
    std::string text;
    const char* hex;
};

// RFC 1321's test suite, then lengths around the padding boundary (55 leaves room for the
// bit count in the same block, 56 does not, 64 fills a block exactly).
const std::vector<DigestCase>& DigestCases() {
    static const std::vector<DigestCase> cases = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {Pattern(55), "d8ea71eb4d2af27f59a5316c971065e6"},
        {Pattern(56), "a68f061e81239660f6305195739ba7f0"},
        {Pattern(63), "c3725f9ff3277e098c83525a7aba8dd5"},
        {Pattern(64), "fe3a1ff59f3b89b2ad3d33f08984874b"},
        {Pattern(65), "5bb51689804d3fd9e3d1f619fd4f397d"},
        {Pattern(128), "4fe130598d47f17c19a7c493b4ce0cf1"},
    };
    return cases;
}

TEST(Md5, EncoderGivesLowerCaseHexOfKnownDigests) {
    for (const DigestCase& c : DigestCases()) {
        char out[33];
        std::memset(out, 'X', sizeof out);
        ASSERT_EQ(XCMD5Encoder(c.text.c_str(), out), 1) << c.text.size();
        EXPECT_STREQ(out, c.hex) << "length " << c.text.size();
        EXPECT_EQ(XCMD5Encoder(std::string_view(c.text)), c.hex) << "length " << c.text.size();
    }
}

TEST(Md5, StepwiseFeedingInAnyPiecesGivesTheSameDigest) {
    // Every split point of a 130-byte text, so pieces straddle block boundaries.
    const std::string text = Pattern(130);
    const std::string expected = XCMD5Encoder(std::string_view(text));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        MD5Context ctx;
        MD5Init(&ctx);
        MD5Update(&ctx, text.data(), cut);
        MD5Update(&ctx, text.data() + cut, text.size() - cut);
        unsigned char digest[16];
        MD5Final(digest, &ctx);
        EXPECT_EQ(Hex(digest, 16), expected) << "cut " << cut;
    }
}

TEST(Md5, EncoderRefusesNullAndDigestsEmbeddedNulInViewForm) {
    char out[33] = "untouched";
    EXPECT_EQ(XCMD5Encoder(nullptr, out), 0);
    EXPECT_STREQ(out, "untouched");
    // The pointer form stops at the NUL; the view form digests every byte.
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(XCMD5Encoder(std::string_view(withNul)), "70350f6027bce3713f6b76473084309b");
}

TEST(HmacMd5, Rfc2202Vectors) {
    struct Case {
        std::string key;
        std::string data;
        const char* hex;
    };
    std::string key25;
    for (int i = 1; i <= 25; ++i) key25 += static_cast<char>(i);
    const std::vector<Case> cases = {
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
        {std::string(16, '\xaa'), std::string(50, '\xdd'), "56be34521d144c88dbb8c733f0e8b3f6"},
        {key25, std::string(50, '\xcd'), "697eaf0aca3a3aea3a75164746ffaa79"},
        {std::string(16, '\x0c'), "Test With Truncation", "56461ef2342edc00f9bab995690efd4c"},
        // Keys longer than a block are digested first.
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {std::string(80, '\xaa'),
         "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "6f630fad67cda0ee1fb1f562db3aa53e"},
        {"", "", "74e6f7298a9c2d168935f58c001bad88"},
    };
    for (const Case& c : cases) {
        unsigned char digest[16];
        hmac_md5(c.data.data(), c.data.size(), c.key.data(), c.key.size(), digest);
        EXPECT_EQ(Hex(digest, 16), c.hex) << c.data;
    }
}

TEST(Md5, WordHelpersAreLittleEndianAndStayInsideTheInput) {
    const uint32_t words[2] = {0x04030201u, 0xddccbbaau};
    unsigned char bytes[8];
    DWord2Byte(bytes, words, 2);
    EXPECT_EQ(Hex(bytes, 8), "01020304aabbccdd");

    // A 5-byte input held in a 5-byte heap block: the second word takes one byte and is
    // zero-filled, and the sanitizer build would catch any read past the block.
    auto five = std::make_unique<unsigned char[]>(5);
    for (int i = 0; i < 5; ++i) five[i] = static_cast<unsigned char>(0x11 * (i + 1));
    uint32_t out[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    Byte2DWord(out, five.get(), 5);
    EXPECT_EQ(out[0], 0x44332211u);
    EXPECT_EQ(out[1], 0x00000055u);
}

}  // namespace
