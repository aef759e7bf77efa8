#include "core/foundation/kana_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/foundation/cp932.h"
#include "core/foundation/tests/sjis_test_text.h"

namespace {

using sjistest::B;
using sjistest::S;
// Half-width katakana written in UTF-8 (U+FF61-U+FF9F) become the one-byte codes.
std::string Han(const char* utf8) { return Utf8ToSjis(utf8); }

TEST(KanaConvertTbl, TablesAgreeWithTheCharacters) {
  const CKanaConvertTbl& t = CSjisKanaConverter::m_KanaConvTbl;
  // Every half-width byte's plain form is the full-width character of the same name.
  const char* full = "　。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
  std::string expected = S(full);
  std::string got;
  for (int b = 0xA0; b <= 0xDF; ++b) got += t.Conv1byteKanaTo2byteKana(static_cast<unsigned char>(b), 0, 0);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(std::string(t.Conv1byteKanaTo2byteKana(0xB3, 1, 0)), S("ヴ"));
  EXPECT_EQ(std::string(t.Conv1byteKanaTo2byteKana(0xCE, 0, 1)), S("ポ"));
  EXPECT_EQ(std::string(t.Conv1byteKanaTo2byteKana(0xB1, 1, 0)), "");
  EXPECT_EQ(std::string(t.Conv1byteKanaTo2byteKana(0x41, 0, 0)), "");
  EXPECT_EQ(std::string(t.ConvHalfKanaToJisX208Kana(0xB1, 0, 0)), "\x25\x22");
  EXPECT_EQ(std::string(t.ConvHalfKanaToJisX208Kana(0xCA, 0, 1)), "\x25\x51");  // パ
  int voiced = 0, semi = 0;
  for (int b = 0; b < 256; ++b) {
    voiced += t.IsAllowedDakuten(static_cast<unsigned char>(b));
    semi += t.IsAllowedHanDakuten(static_cast<unsigned char>(b));
  }
  EXPECT_EQ(voiced, 21);  // ｳ, ｶ-ｿ, ﾀ-ﾄ, ﾊ-ﾎ
  EXPECT_EQ(semi, 5);
  EXPECT_EQ(t.GetLenOfJisX208OneKana(), 2);
}

TEST(SjisKanaConverter, WidensAndMergesMarks) {
  struct { std::string in, out; int result; } cases[] = {
      {Han("ｶﾞ"), S("ガ"), 1},
      {Han("ｶﾟ"), S("カ゜"), 1},
      {Han("ﾊﾟﾊﾞﾊ"), S("パバハ"), 1},
      {Han("ｱﾞ"), S("ア゛"), 1},
      {"a" + S("漢") + B({0xF0, 0xB1}), "a" + S("漢") + B({0xF0, 0xB1}), 1},  // pictogram kept
      {"a" + B({0x81}), "a", 0},
      {B({0xFF}), "", 0},
  };
  for (const auto& c : cases) {
    std::string out = "junk";
    EXPECT_EQ(CSjisKanaConverter::ConvertKana(c.in, out), c.result);
    EXPECT_EQ(out, c.out);
    size_t size = 99;
    EXPECT_EQ(CSjisKanaConverter::GetSizeAfterConvertKana(c.in, &size), c.result);
    EXPECT_EQ(size, c.out.size());
  }
}

TEST(KanaFreeFunctions, WidenTreatsPictogramsAsPairs) {
  std::string out;
  // 0xF0 0xB1 is one character; its trail byte must not be widened as ｱ.
  xc_han2zen_sjis_kana(out, B({0xF0, 0xB1}) + Han("ｶﾞ") + "a");
  EXPECT_EQ(out, B({0xF0, 0xB1}) + S("ガ") + "a");
  xc_han2zen_sjis_kana(out, "a" + B({0xE5}));
  EXPECT_EQ(out, "a");
  xc_han2zen_sjis_all(out, "A~\\\"'`" + Han("ｱ"));
  EXPECT_EQ(out, S("Ａ") + "~" + S("￥”’‘ア"));
}

TEST(KanaFreeFunctions, NarrowRules) {
  struct { std::string in, out; } cases[] = {
      {S("ガ"), Han("ｶﾞ")},
      {S("ヰヱ"), S("ヰヱ")},
      {S("ヮパヴ"), Han("ﾜﾊﾟｳﾞ")},
      {B({0x83, 0x7F}) + "x", "x"},
      {S("Ａｚ９　、。「」ー"), "Az9 " + Han("､｡｢｣ｰ")},
      {S("￥＄漢ヵ"), "\\$" + S("漢ヵ")},
      {B({0xF0, 0x82, 0x60}), B({0xF0, 0x82}) + "`"},  // the 0x82 is a trail byte
      {"x" + B({0x82}), "x" + B({0x82})},
  };
  std::string out;
  for (const auto& c : cases) {
    xc_zen2han_sjis_all(out, c.in);
    EXPECT_EQ(out, c.out);
  }
}

TEST(KanaFreeFunctions, OutputMayBeTheInput) {
  std::string s = "ab" + Han("ｶﾞ");
  xc_han2zen_sjis_all(s, s);
  EXPECT_EQ(s, S("ａｂガ"));
  xc_zen2han_sjis_all(s, s);
  EXPECT_EQ(s, "ab" + Han("ｶﾞ"));
  xc_han2zen_sjis_kana(s, std::string_view(s).substr(2));
  EXPECT_EQ(s, S("ガ"));
}

TEST(KanaFreeFunctions, WideningThenNarrowingGivesAsciiBack) {
  std::string wide, narrow;
  for (int c = 0x20; c <= 0x7D; ++c) {
    std::string one(1, static_cast<char>(c));
    xc_han2zen_sjis_all(wide, one);
    ASSERT_EQ(wide.size(), 2u) << c;
    xc_zen2han_sjis_all(narrow, wide);
    EXPECT_EQ(narrow, one);
  }
  // Half-width katakana survive widening and narrowing, marks included.
  std::string half;
  for (int b = 0xA1; b <= 0xDF; ++b) half.push_back(static_cast<char>(b));
  xc_han2zen_sjis_kana(wide, half);
  xc_zen2han_sjis_all(narrow, wide);
  EXPECT_EQ(narrow, half);
}

TEST(KanaFreeFunctions, RandomBytes) {
  std::mt19937 rng(1113);
  std::string out;
  for (int round = 0; round < 10000; ++round) {
    std::string s(rng() % 40, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    size_t size;
    CSjisKanaConverter::GetSizeAfterConvertKana(s, &size);
    CSjisKanaConverter::ConvertKana(s, out);
    EXPECT_EQ(out.size(), size);
    xc_han2zen_sjis_kana(out, s);
    xc_han2zen_sjis_all(out, s);
    xc_zen2han_sjis_all(out, s);
    EXPECT_LE(out.size(), s.size());
  }
}

}  // namespace
