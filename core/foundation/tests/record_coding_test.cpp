#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/md5.h"
#include "core/foundation/record_code_tables.h"
#include "core/foundation/record_coding.h"
#include "record_test_util.h"

namespace rct = record_code_tables;

namespace {

struct Block {
    const char* name;
    const unsigned char* encode;
    const unsigned char* decode;
    int tables;
};

const Block kBlocks[] = {
    {"default", rct::kDefaultEncode, rct::kDefaultDecode, 1},
    {"record", rct::kRecordEncode, rct::kRecordDecode, 256},
    {"string", rct::kStringEncode, rct::kStringDecode, 256},
};

// The rows of the golden files: every byte value but NUL in one field, Shift_JIS text,
// quotes, commas and line breaks.
std::vector<std::vector<std::string>> GoldenRows() {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    return {
        {"\x83\x65\x83\x58\x83\x67", "say \"hi\", then\r\nbye", ""},
        {all, "12345", "\x95\x5c\x8e\xa6"},
    };
}

}  // namespace

TEST(CodeTables, EveryTableHasTheRequiredProperties) {
    for (const Block& b : kBlocks) {
        for (int k = 0; k < b.tables; ++k) {
            const unsigned char* enc = b.encode + 256 * k;
            const unsigned char* dec = b.decode + 256 * k;
            for (int c = 0; c < 256; ++c) {
                ASSERT_EQ(dec[enc[c]], c) << b.name << " table " << k << " byte " << c;
                ASSERT_EQ(enc[dec[c]], c) << b.name << " table " << k << " byte " << c;
                if (c != 0x0A) {
                    ASSERT_NE(enc[c], 0x0A) << b.name << " table " << k;
                }
                if (c != 0) {
                    ASSERT_NE(enc[c], 0) << b.name << " table " << k;
                }
            }
            ASSERT_EQ(enc[0x0A], 0x0A);
            ASSERT_EQ(enc[0], 0);
        }
    }
}

TEST(CodeTables, GoldenBytesNeverChange) {
    // The tables are the on-disk format of every environment: a digest of all of them and
    // files written with no key, an empty key and a key freeze them.
    MD5Context ctx;
    MD5Init(&ctx);
    for (const Block& b : kBlocks) {
        MD5Update(&ctx, b.encode, 256u * static_cast<unsigned>(b.tables));
        MD5Update(&ctx, b.decode, 256u * static_cast<unsigned>(b.tables));
    }
    MD5Update(&ctx, rct::kKeyNumberMask, 32);
    unsigned char digest[16];
    MD5Final(digest, &ctx);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_STREQ(hex, "ebbe4a4aa30fd650c7b32566d0d1c01d");

    EXPECT_EQ(GetKeyNumber(""), 86);
    EXPECT_EQ(GetKeyNumber("K"), 172);

    record_test::TempDir dir;
    const struct {
        const char* key;
        const char* file;
    } golden[] = {{nullptr, "golden_nokey.dat"}, {"", "golden_emptykey.dat"}, {"K", "golden_keyK.dat"}};
    for (const auto& g : golden) {
        const std::string path = dir.File(g.file);
        XCsvWrite w;
        if (g.key != nullptr) w.SetUseKey(g.key);
        ASSERT_EQ(w.OpenFile(path), 1);
        for (const auto& row : GoldenRows()) {
            w.BufferEmpty();
            for (const auto& f : row) w.SetData(f);
            ASSERT_GT(w.WriteLine(), 0);
        }
        ASSERT_EQ(w.CloseFile(), 0);
        const std::string want = record_test::ReadFile(std::string(OMBREL_TESTDATA) + "/records/" + g.file);
        ASSERT_FALSE(want.empty()) << g.file;
        EXPECT_EQ(record_test::ReadFile(path), want) << g.file;

        XCsvRead r;
        if (g.key != nullptr) r.SetUseKey(g.key);
        ASSERT_EQ(r.OpenFile(std::string(OMBREL_TESTDATA) + "/records/" + g.file), 1);
        for (const auto& row : GoldenRows()) {
            ASSERT_EQ(r.ReadLine(), static_cast<int>(row.size()));
            for (size_t i = 0; i < row.size(); ++i) EXPECT_EQ(r.GetDataView(static_cast<int>(i)), row[i]);
        }
        EXPECT_EQ(r.ReadLine(), -1);
    }
}

TEST(RecordCoding, KeysSelectTables) {
    EXPECT_EQ(GetKeyNumber(static_cast<const char*>(nullptr)), -1);
    for (const char* key : {"", "K", "environment data key", "\x8c\xae"}) {
        const int n = GetKeyNumber(key);
        EXPECT_GE(n, 0);
        EXPECT_LT(n, 256);
        EXPECT_EQ(n, GetKeyNumber(std::string_view(key)));
    }

    const char text[] = "Abc,\"\x83\x41\"\r\n";
    char enc[sizeof text], dec[sizeof text];
    // A null key and an empty key code differently; each decodes its own coding.
    EXPECT_EQ(StringEncode(text, enc, nullptr), static_cast<int>(sizeof text - 1));
    char encEmpty[sizeof text];
    StringEncode(text, encEmpty, "");
    EXPECT_NE(std::memcmp(enc, encEmpty, sizeof text), 0);
    StringDecode(encEmpty, dec, "");
    EXPECT_STREQ(dec, text);
    StringDecode(enc, dec, nullptr);
    EXPECT_STREQ(dec, text);
    // The string blocks differ from the record blocks.
    StringEncodeAppointTable(text, enc, RecordEncodeTable(GetKeyNumber("")));
    EXPECT_NE(std::memcmp(enc, encEmpty, sizeof text), 0);
    // In place, and through the per-byte functions.
    char buf[sizeof text];
    std::memcpy(buf, text, sizeof text);
    StringEncodeAppointTable(buf, buf, nullptr);
    StringDecodeAppointTable(buf, buf, nullptr);
    EXPECT_STREQ(buf, text);
    EXPECT_EQ(CharDecode(CharEncode('x', nullptr), nullptr), 'x');
    EXPECT_EQ(CharEncode('\n', RecordEncodeTable(7)), '\n');
    EXPECT_EQ(StringEncode(nullptr, buf, nullptr), -1);
}

TEST(RecordCoding, CheckCharInString) {
    EXPECT_EQ(CheckCharInString(',', "a,b"), 1);
    EXPECT_EQ(CheckCharInString('x', "a,b"), 0);
    EXPECT_EQ(CheckCharInString('x', nullptr), 0);
}
