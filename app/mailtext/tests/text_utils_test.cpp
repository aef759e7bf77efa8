// Text helpers: UTF-8 and percent-encoding of the map search, numbers with separators,
// base64 figures against the core's encoder, and the image signatures.

#include "app/mailtext/text_utils.h"

#include <gtest/gtest.h>

#include <string>

#include "app/mailtext/base64_text.h"
#include "app/mailtext/image_signature.h"
#include "app/mailtext/tests/byte_notation.h"
#include "core/mailstore/base64.h"

namespace compose {
namespace {

using test::Bytes;

TEST(TextUtils, Utf8AndUrlEncoding) {
  std::string utf8;
  EXPECT_EQ(ConvertToUtf8(Bytes("93 8C 8B 9E 'x'"), utf8), 1);
  EXPECT_EQ(utf8, "東京x");
  EXPECT_EQ(ConvertToUtf8(Bytes("F8 9F"), utf8), 1);  // a pictogram as its private-use character
  EXPECT_EQ(utf8, "\xEE\x98\xBE");
  EXPECT_EQ(ConvertToUtf8("", utf8), 1);
  EXPECT_EQ(utf8, "");

  const struct {
    const char* in;
    int result;
    const char* out;
  } cases[] = {
      {"A-B_c.@*", 1, "A-B_c.@*"},
      {" ", 1, "%20"},
      {"\xE3\x81\x82", 1, "%e3%81%82"},
      {"a+b&c=/", 1, "a%2bb%26c%3d%2f"},
      {"\xF0\x9F\x98\x80!", 1, "%f0%9f%98%80%21"},
      {"\x80", -1, nullptr},        // a continuation byte cannot start a sequence
      {"a\xF8", -1, nullptr},
      {"a\xE3\x81", -1, nullptr},   // cut short by the end
  };
  for (const auto& c : cases) {
    std::string out = "kept";
    EXPECT_EQ(UrlEncode(c.in, out), c.result) << c.in;
    EXPECT_EQ(out, c.out ? c.out : "kept") << c.in;
  }

  const struct {
    unsigned char b;
    int n;
  } lengths[] = {{0x00, 1}, {0x7F, 1}, {0x80, -1}, {0xBF, -1}, {0xC0, 2}, {0xDF, 2},
                 {0xE0, 3}, {0xEF, 3}, {0xF0, 4}, {0xF7, 4}, {0xF8, -1}, {0xFF, -1}};
  for (const auto& l : lengths) EXPECT_EQ(GetUtf8SequenceLength(l.b), l.n) << int(l.b);
}

TEST(TextUtils, NumbersWithCommas) {
  const struct {
    uint64_t n;
    const char* text;
  } cases[] = {{0, "0"}, {123, "123"}, {1000, "1,000"}, {100000, "100,000"}, {1234567, "1,234,567"},
               {4294967296ULL, "4,294,967,296"}, {18446744073709551615ULL, "18,446,744,073,709,551,615"}};
  for (const auto& c : cases) EXPECT_EQ(FormatNumberWithCommas(c.n), c.text);
}

TEST(Base64Text, FiguresAndText) {
  EXPECT_EQ(GetBase64Length(0), 0u);
  EXPECT_EQ(GetBase64Length(1), 4u);
  EXPECT_EQ(GetBase64Length(2), 4u);
  EXPECT_EQ(GetBase64Length(3), 4u);
  EXPECT_EQ(GetBase64Length(4), 8u);

  std::string out;
  ASSERT_TRUE(EncodeBase64Text("abc", 76, out));
  EXPECT_EQ(out, "YWJj");
  ASSERT_TRUE(EncodeBase64Text("ab", 76, out));
  EXPECT_EQ(out, "YWI=");
  ASSERT_TRUE(EncodeBase64Text("abcd", 2, out));  // the limit cuts a group short
  EXPECT_EQ(out, "YWI=");
  ASSERT_TRUE(EncodeBase64Text(std::string("ab\0cd", 5), 76, out));  // so does a NUL
  EXPECT_EQ(out, "YWI=");
  ASSERT_TRUE(EncodeBase64Text("abc", 0, out));
  EXPECT_EQ(out, "");
  out = "kept";
  EXPECT_FALSE(EncodeBase64Text("abc", -1, out));
  EXPECT_EQ(out, "kept");

  EXPECT_EQ(GetBase64EncodedLength(57, 76), 78u);
  EXPECT_EQ(GetBase64EncodedLength(57, -1), 76u);
}

TEST(Base64Text, EncodedLengthIsWhatTheCoresEncoderWrites) {
  std::string data;
  for (std::size_t n = 0; n <= 200; ++n) {
    for (const int line : {-1, 0, 4, 5, 7, 76}) {
      EXPECT_EQ(GetBase64EncodedLength(n, line), base64encoding(data, line).size()) << n << " " << line;
    }
    data += static_cast<char>(n * 37);
  }
}

TEST(ImageSignature, GifAndJpeg) {
  EXPECT_TRUE(IsGifData("GIF89a"));
  EXPECT_TRUE(IsGifData("GIF87a\x01\x00"));
  EXPECT_FALSE(IsGifData("GIF89"));   // 5 bytes
  EXPECT_FALSE(IsGifData("GIF88a"));
  EXPECT_FALSE(IsGifData(""));
  EXPECT_TRUE(IsJpegData(Bytes("FF D8")));
  EXPECT_FALSE(IsJpegData(Bytes("FF")));
  EXPECT_FALSE(IsJpegData(Bytes("FF D9 FF D8")));
}

}  // namespace
}  // namespace compose
