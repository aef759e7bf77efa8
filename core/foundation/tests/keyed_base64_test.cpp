// The keyed Base64 coders and their tables: the tables are a stored format (descriptors,
// proxy records), so the golden values below must never change.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/foundation/compound_key_tables.h"
#include "core/foundation/keyed_base64.h"
#include "core/foundation/md5.h"

namespace {

TEST(CompoundKeyTables, GoldenBytes) {
    EXPECT_EQ(XCMD5Encoder(std::string_view(reinterpret_cast<const char*>(kCompoundKeyMask), 256)),
              "d64956302751d8bbaa08b49b934ac41e");
    std::string all;
    for (const auto& a : kKeyedBase64Alphabets) all.append(a, 65);
    EXPECT_EQ(XCMD5Encoder(all), "2e4ec66c4d6875f96c483f00a87a4b6d");
    EXPECT_EQ(std::string(kKeyedBase64Alphabets[0], 8), ":gM*F%S!");
    EXPECT_EQ(kCompoundKeyMask[0], 0xae);
    EXPECT_EQ(kCompoundKeyMask[255], 0x74);
}

TEST(CompoundKeyTables, AlphabetsAreUsable) {
    for (int k = 0; k < 256; ++k) {
        const char* a = kKeyedBase64Alphabets[k];
        ASSERT_EQ(a[64], '\0') << k;
        std::set<char> seen;
        for (int i = 0; i < 64; ++i) {
            const char c = a[i];
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << k;
            EXPECT_EQ(std::strchr("=\",'\\", c), nullptr) << "table " << k << " holds " << c;
            seen.insert(c);
        }
        EXPECT_EQ(seen.size(), 64u) << k;
    }
}

TEST(KeyedBase64, RoundTripsEveryLengthAndTable) {
    std::string bytes;
    for (int i = 0; i < 70; ++i) bytes += static_cast<char>(i * 37 + 11);
    for (int k : {0, 1, 127, 255}) {
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            std::string text, back;
            ASSERT_EQ(EncodeBase64WithKeyTable(text, std::string_view(bytes).substr(0, n), k),
                      static_cast<int>(KeyedBase64EncodedLength(n)));
            ASSERT_EQ(DecodeBase64WithKeyTable(back, text, k), static_cast<int>(n));
            EXPECT_EQ(back, bytes.substr(0, n)) << "table " << k << " length " << n;
            // Without its padding the text decodes the same.
            std::string unpadded = text, back2;
            std::erase(unpadded, '=');
            ASSERT_EQ(DecodeBase64WithKeyTable(back2, unpadded, k), static_cast<int>(n));
            EXPECT_EQ(back2, back);
        }
    }
}

TEST(KeyedBase64, BadInputIsRefusedWithoutOverrun) {
    std::string out = "kept";
    EXPECT_EQ(EncodeBase64WithKeyTable(out, "abc", 256), -1);
    EXPECT_EQ(EncodeBase64WithKeyTable(out, "abc", -1), -1);
    EXPECT_EQ(DecodeBase64WithKeyTable(out, "abcd", 256), -1);
    EXPECT_EQ(out, "kept");

    std::string text;
    ASSERT_EQ(EncodeBase64WithKeyTable(text, "0123456789", 5), 16);
    // A character outside the alphabet (a blank from a hand-edited ini file), a lone
    // final character: unreadable, and the output is left alone.
    EXPECT_EQ(DecodeBase64WithKeyTable(out, text.substr(0, 4) + " " + text.substr(4), 5), -2);
    EXPECT_EQ(DecodeBase64WithKeyTable(out, text.substr(0, 5), 5), -2);
    EXPECT_EQ(DecodeBase64WithKeyTable(out, "\xff\xfe", 5), -2);
    EXPECT_EQ(out, "kept");
    // The text of another table is not of this table's alphabet, or decodes to other bytes.
    std::string other;
    const int r = DecodeBase64WithKeyTable(other, text, 6);
    EXPECT_TRUE(r < 0 || other != "0123456789");

    // Pointer forms respect their bounds.
    unsigned char small[4] = {0, 0, 0, 0x5A};
    EXPECT_EQ(DecodeBase64WithKeyTable(small, 3, text, 5), -3);
    EXPECT_EQ(small[3], 0x5A);
    unsigned char enough[10];
    EXPECT_EQ(DecodeBase64WithKeyTable(enough, sizeof enough, text, 5), 10);
    EXPECT_EQ(std::memcmp(enough, "0123456789", 10), 0);
    char buf[17];
    EXPECT_EQ(EncodeBase64WithKeyTable(buf, 16, "0123456789", 10, 5), -3);
    EXPECT_EQ(EncodeBase64WithKeyTable(buf, 17, "0123456789", 10, 5), 16);
    EXPECT_EQ(std::string(buf), text);
}

}  // namespace
