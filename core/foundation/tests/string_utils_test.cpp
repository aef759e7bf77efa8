#include "core/foundation/string_utils.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/tests/sjis_test_text.h"

namespace {

using sjistest::B;
using sjistest::S;
using FieldList = std::vector<std::string>;

TEST(SplitString, QuotedAndEmptyFields) {
  const std::string hyo = S("表");  // 0x95 0x5C: its trail byte is a backslash
  struct { std::string line, seps; char quote; FieldList fields; bool open = false; } cases[] = {
      {"a,\"b,c\",,\"d\"\"e\"", ",", '"', {"a", "b,c", "", "d\"e"}},
      {"a,", ",", '"', {"a", ""}},
      {"", ",", '"', {""}},
      {"a\"b,c", ",", '"', {"a\"b", "c"}},            // quote inside an unquoted field
      {"\"a\"b\",c", ",", '"', {"a\"b", "c"}},         // quote before another byte is content
      {"\"open,end", ",", '"', {"open,end"}, true},    // unclosed quote runs to the end
      {"a,\"b\"\"", ",", '"', {"a", "b\""}, true},       // a doubled quote closes nothing
      {"a,\"b\"", ",", '"', {"a", "b"}},
      {"\"x\",", ",", '"', {"x", ""}},
      {"a\tb;c", "\t;", 0, {"a", "b", "c"}},
      {"\"a\",b", ",", 0, {"\"a\"", "b"}},             // no quoting
      {hyo + "\\" + hyo, "\\", 0, {hyo, hyo}},         // trail byte is no separator
      {"\"" + hyo + "\"", ",", '\\', {"\"" + hyo + "\""}},
      // A lead byte without its trail byte stands alone: the separator after it is kept.
      {"a\x95,b", ",", '"', {"a\x95", "b"}},
      {"\x95\t" + hyo, "\t", 0, {"\x95", hyo}},
      {"\"a\x95\",b", ",", '"', {"a\x95", "b"}},
      {"a\x95", ",", '"', {"a\x95"}},
  };
  for (const auto& c : cases) {
    FieldList f{"stale"};
    EXPECT_EQ(SplitString(c.line, f, c.seps, c.quote), c.open) << c.line;
    EXPECT_EQ(f, c.fields) << c.line;
  }
}

TEST(Searches, CaseAndWidth) {
  const std::string text = "Mail " + S("表示") + "ABC";
  EXPECT_EQ(xcstristr(text.c_str(), "abc"), text.c_str() + text.size() - 3);
  EXPECT_EQ(xcstristr(text.c_str(), ""), text.c_str());
  EXPECT_EQ(xcstristr(text.c_str(), "\\"), nullptr);  // only as a trail byte
  EXPECT_EQ(xcstristr(nullptr, "a"), nullptr);
  // A match must start on a character: 0x5C 0x8E in 表示 is no "\x5C\x8E".
  EXPECT_EQ(FindSjis(S("表示"), B({0x5C, 0x8E})), std::string::npos);
  EXPECT_EQ(FindSjis(S("ａ表"), S("表")), 2u);

  EXPECT_EQ(xcstrhzstr("xxABCxx", S("ＡＢＣ")), 1);
  EXPECT_EQ(xcstrhzstr(S("ｘＡＢＣ"), "ABC"), 1);
  EXPECT_EQ(xcstrhzstr("ABC", "abc"), 0);
  EXPECT_EQ(xcstrhzistr(S("ＡＢＣ"), "abc"), 1);
  EXPECT_EQ(xcstrhzistr(S("ガ"), Utf8ToSjis("ｶﾞ")), 1);
  EXPECT_EQ(xcstrhzistr("abc", "abd"), 0);
}

TEST(StrncpyMb, NeverCutsACharacter) {
  const std::string kanji2 = S("漢字");
  struct { std::string in; size_t count; std::string out; } cases[] = {
      {kanji2, 3, S("漢")},
      {kanji2, 4, kanji2},
      {kanji2, 1, ""},
      {"ab" + B({0xB1}) + "c", 3, "ab" + B({0xB1})},
      {B({0xF0, 0x40, 'a'}), 9, B({0xF0, 0x40, 'a'})},  // user-defined is a character
      {B({'a', 0x80, 'b'}), 9, "a"},
      {B({'a', 0x88, 0x20}), 9, "a"},                   // bad trail byte
      {"abc", 0, ""},
  };
  for (const auto& c : cases) {
    std::vector<char> buf(c.count + 1, 'X');
    buf.push_back('Z');  // guard
    EXPECT_EQ(strncpy_mb(buf.data(), c.in.c_str(), c.count), buf.data());
    EXPECT_EQ(std::string(buf.data()), c.out);
    EXPECT_EQ(buf.back(), 'Z');
    EXPECT_EQ(strncpy_mb(c.in, c.count), c.out);
  }
}

TEST(Xcmemmem, FindsBytes) {
  const char data[] = {'a', 0, 'b', 'c', 0, 'b', 'c', 'd', 'e', 'f'};
  EXPECT_EQ(xcmemmem(data, 10, "bcd", 3), data + 5);
  EXPECT_EQ(xcmemmem(data, 10, "f", 1), data + 9);
  EXPECT_EQ(xcmemmem(data, 10, "", 0), data);
  EXPECT_EQ(xcmemmem(data, 3, "abcd", 4), nullptr);
  EXPECT_EQ(xcmemmem(data, 10, "x", 1), nullptr);
}

TEST(LineAndCharsetHelpers, Table) {
  EXPECT_EQ(CrLfConverter("a\n\rb\r\rc\r\nd\n"), "a\r\nb\r\n\r\nc\r\nd\r\n");
  EXPECT_EQ(IsStrAscii(""), 1);
  EXPECT_EQ(IsStrAscii("abc\x7F"), 1);
  EXPECT_EQ(IsStrAscii(S("あ")), 0);
  EXPECT_EQ(ViolationRemoveForDomain("ex-am.ple" + S("例") + "09Z"), "example09Z");
  std::string out;
  DeleteBlankAndBreakLine("a b\tc\r\nd\re\nf", out);
  EXPECT_EQ(out, "abcd\re\nf");

  struct { std::string in; int result; std::string copy; } cases[] = {
      {"ok " + S("漢") + B({0xB1, 0xF0, 0x00}), 1, "ok " + S("漢") + B({0xB1, 0xF0, 0x00})},
      {"a\tb", 0, B({'a', 0, 'b'})},
      {B({'a', 0x88, 0x20, 'b'}), 0, B({'a', 0, 0x20, 'b'})},
      {B({'a', 0x88}), 0, B({'a', 0})},
      {B({'a', 0xF0}), 0, B({'a', 0xF0})},             // result 0, copy not cut
      {B({0xFD, 0xA0, 0x7F}), 0, B({0, 0, 0})},
  };
  for (const auto& c : cases) {
    std::string copy;
    EXPECT_EQ(CheckCharacterCodeForWinSJIS(c.in, &copy), c.result);
    EXPECT_EQ(copy, c.copy);
    EXPECT_EQ(CheckCharacterCodeForWinSJIS(c.in, nullptr), c.result);
  }
}

TEST(StringUtils, RandomBytes) {
  std::mt19937 rng(1115);
  for (int round = 0; round < 10000; ++round) {
    std::string s(rng() % 40, '\0'), p(rng() % 4, '\0');
    for (char& c : s) c = static_cast<char>(rng() % 3 ? rng() : ",\"\r\n"[rng() % 4]);
    for (char& c : p) c = static_cast<char>(rng());
    FieldList f;
    SplitString(s, f, ",", '"');
    EXPECT_GE(f.size(), 1u);
    xcstrhzstr(s, p);
    xcstrhzistr(s, p);
    FindSjis(s, p, true);
    strncpy_mb(s, rng() % 50);
    xcmemmem(s.data(), s.size(), p.data(), p.size());
    CrLfConverter(s);
    std::string copy;
    CheckCharacterCodeForWinSJIS(s, &copy);
    ViolationRemoveForDomain(s);
    DeleteBlankAndBreakLine(s, copy);
  }
}

}  // namespace

TEST(LowerAsciiSjis, FoldsLettersButNeverATrailByte) {
    // "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: folding the trail byte would make them equal.
    EXPECT_EQ(LowerAsciiSjis("MixED@Example.JP"), "mixed@example.jp");
    EXPECT_EQ(LowerAsciiSjis("A\x83\x41Z\x83\x61"), "a\x83\x41z\x83\x61");
    std::string reused = "previous content";
    LowerAsciiSjisInto("Q", reused);
    EXPECT_EQ(reused, "q");
}
