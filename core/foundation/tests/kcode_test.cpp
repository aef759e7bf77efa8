#include "core/foundation/kcode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/foundation/cp932.h"

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int c : bytes) s.push_back(static_cast<char>(c));
  return s;
}
const std::string kEscKanji = "\x1B$B";
const std::string kEscAscii = "\x1B(B";
const std::string kEscKana = "\x1B(I";
const std::string kEscRoman = "\x1B(J";

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

// Every JIS X 0208 code point (rows and cells 0x21-0x7E) as a Shift_JIS pair.
template <typename F>
void ForEachJisX0208(F f) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1)
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) f(j1, j2);
}

TEST(KCodeC, CheckCodeDecides) {
  KCodeC k;
  struct { std::string text; int code; } cases[] = {
      {"", KCodeC::kCodeUnknown},
      {"abc", KCodeC::kCodeUnknown},
      {kEscKanji + "abc", KCodeC::kCodeJis},
      {"ab\x0E", KCodeC::kCodeJis},
      {"a\x7F" + kEscKanji, KCodeC::kCodeBinary},
      {kEscRoman + "\x7F", KCodeC::kCodeJis},               // the first sign decides
      {"\x1B" "x\x03", KCodeC::kCodeBinary},                // ESC without a sign goes on
      {"\x1B", KCodeC::kCodeUnknown},                       // ESC only: scores 0 and 0
      {S("漢字仮名"), KCodeC::kCodeSjis},
      {B({0xB1, 0xB2, 0xB3}), KCodeC::kCodeSjis},           // odd kana run
      {B({0xB1, 0xB2}), KCodeC::kCodeEuc},                  // even run: ambiguous, EUC pair
      {B({0xB4, 0xC1, 0xBB, 0xFA}), KCodeC::kCodeEuc},      // 漢字 in EUC-JP
      {B({0x8E, 0xB1, 0x8E, 0xB2}), KCodeC::kCodeUnknown},  // valid both ways: 4 and 4
      {B({0x82}), KCodeC::kCodeUnknown},                    // lone lead byte: nothing scores
  };
  for (const auto& c : cases) EXPECT_EQ(k.CheckCode(c.text), c.code) << ::testing::PrintToString(c.text);
}

TEST(KCodeC, CheckCodeFindsASignAnywhereInALongText) {
  // Signs are looked for eight bytes at a time: try every offset within a word.
  KCodeC k;
  const std::string body = S("漢字とかなの本文です。") + "plain ascii text ";
  struct { std::string sign; int code; } signs[] = {
      {"\x0E", KCodeC::kCodeJis}, {"\x0F", KCodeC::kCodeJis}, {kEscKanji, KCodeC::kCodeJis},
      {kEscKana, KCodeC::kCodeJis}, {"\x01", KCodeC::kCodeBinary}, {"\x06", KCodeC::kCodeBinary},
      {"\x7F", KCodeC::kCodeBinary}, {B({0xFF}), KCodeC::kCodeBinary},
  };
  for (const auto& sign : signs) {
    for (size_t offset = 0; offset < 24; ++offset) {
      std::string text = body + body;
      text.insert(offset, sign.sign);
      EXPECT_EQ(k.CheckCode(text), sign.code) << offset;
    }
  }
  // Without a sign: 8-bit bytes anywhere make the scores count; zero bytes are no sign.
  for (size_t offset = 0; offset < 24; ++offset) {
    std::string text(40, 'a');
    text[20] = '\0';
    text.replace(offset, 2, S("漢"));
    EXPECT_EQ(k.CheckCode(text), KCodeC::kCodeSjis) << offset;
  }
}

TEST(KCodeC, SjisToJisKanaAndModes) {
  KCodeC k;
  struct { std::string in; int widen; std::string out; } cases[] = {
      {"plain ascii", 0, "plain ascii"},
      {B({0xB1}), 0, kEscKana + "\x31" + kEscAscii},
      {B({0xB1}), 1, kEscKanji + "\x25\x22" + kEscAscii},
      {B({0xB6, 0xDE}), 1, kEscKanji + "\x25\x2B\x21\x2B" + kEscAscii},  // カ and ゛, not merged
      {S("あa"), 0, kEscKanji + "\x24\x22" + kEscAscii + "a"},
      {S("あ") + B({0x82}), 0, kEscKanji + "\x24\x22" + kEscAscii},    // cut pair ends it
      {B({0xF0, 0x40}), 0, kEscKanji + "\x7F\x21" + kEscAscii},         // user-defined: arithmetic
  };
  for (const auto& c : cases) EXPECT_EQ(k.sjtojis7(c.in, c.widen), c.out);
}

TEST(KCodeC, JisReadersHandleKanaDesignations) {
  KCodeC k;
  std::string in = "ab" + kEscKana + "\x31\x32" + kEscAscii + "c";
  EXPECT_EQ(k.jis7tosj(in), "ab" + B({0xB1, 0xB2}) + "c");
  EXPECT_EQ(k.jis7touj(in), "ab\x31\x32" "c");  // ESC ( I only designates here
  std::string shifted = "a\x1B(I\x0E\x31\x0F" "b";
  EXPECT_EQ(k.jis7touj(shifted), "a" + B({0x8E, 0xB1}) + "b");
  EXPECT_EQ(k.jis7tosj(shifted), "a" + B({0xB1, 0xE2}));  // ESC ( I selected kana at once
  // Unknown sets and JIS X 0212 are dropped up to the next known escape.
  EXPECT_EQ(k.jis7tosj("x\x1B(Qzz" + kEscAscii + "y"), "xy");
  EXPECT_EQ(k.jis7tosj("x\x1B)D\x30\x21" + kEscAscii + "y"), "xy");
  EXPECT_EQ(k.jis7touj("x\x1B)D\x0E\x30\x21\x0Fy"), "x" + B({0x8F, 0xB0, 0xA1}) + "y");
  // A line break inside a kanji run is kept rather than paired with the next byte.
  EXPECT_EQ(k.jis7tosj(kEscKanji + "\x24\x22\r\n\x24\x22"), S("あ") + "\r\n" + S("あ"));
  // Cut input: escape, pair.
  EXPECT_EQ(k.jis7tosj("a\x1B$"), "a");
  EXPECT_EQ(k.jis7tosj(kEscKanji + "\x24"), "");
}

TEST(KCodeC, EucConversions) {
  KCodeC k;
  EXPECT_EQ(k.sjtouj(S("漢a") + B({0xB1})), B({0xB4, 0xC1, 'a', 0x8E, 0xB1}));
  EXPECT_EQ(k.ujtosj(B({0xB4, 0xC1, 'a', 0x8E, 0xB1})), S("漢a") + B({0xB1}));
  EXPECT_EQ(k.ujtosj(B({'a', 0x8E})), "a");  // lone 0x8E at the end
  EXPECT_EQ(k.ujtojis7(B({0xB4, 0xC1, 'a'}), 0), kEscKanji + "\x34\x41" + kEscAscii + "a");
  EXPECT_EQ(k.ujtojis7(B({0x8E, 0xB1, 'a'}), 0), "\x0E\x31\x0F" "a");
  EXPECT_EQ(k.ujtojis7(B({0x8E, 0xB1}), 1), kEscKanji + "\x25\x22" + kEscAscii);
  EXPECT_EQ(k.ujtojis7(B({0x8F, 0xB0, 0xA1}), 0), "\x1B$(D\x30\x21" + kEscAscii);
}

TEST(KCodeC, EveryJisX0208CodeRoundTrips) {
  KCodeC k;
  std::string all;
  ForEachJisX0208([&](int j1, int j2) {
    std::string jis = kEscKanji + B({j1, j2}) + kEscAscii;
    std::string sjis = k.jis7tosj(jis);
    ASSERT_EQ(sjis.size(), 2u);
    EXPECT_EQ(k.sjtojis7(sjis, 0), jis);
    std::string euc = k.sjtouj(sjis);
    EXPECT_EQ(euc, B({j1 | 0x80, j2 | 0x80}));
    EXPECT_EQ(k.ujtosj(euc), sjis);
    EXPECT_EQ(k.jis7touj(jis), euc);
    EXPECT_EQ(k.ujtojis7(euc, 0), jis);
    all += sjis;
  });
  // And all at once, through both routes.
  EXPECT_EQ(KCodeC(k).jis7tosj(KCodeC(k).sjtojis7(all, 0)), all);
  std::string euc = k.sjtouj(all);
  EXPECT_EQ(k.ujtosj(euc), all);
  EXPECT_EQ(k.CheckCode(all), KCodeC::kCodeSjis);
  EXPECT_EQ(k.CheckCode(euc), KCodeC::kCodeEuc);
  EXPECT_EQ(k.ToSJIS(euc), all);
  EXPECT_EQ(k.ToEUC(all), euc);
}

TEST(KCodeC, ToWhateverCopiesWhatItCannotPlace) {
  KCodeC k;
  EXPECT_EQ(k.ToSJIS("abc"), "abc");
  EXPECT_EQ(k.ToJIS("a\x01", 0), "a\x01");
  EXPECT_EQ(k.ToJIS(S("あ"), 0), kEscKanji + "\x24\x22" + kEscAscii);
  EXPECT_EQ(k.ToSJIS(kEscKanji + "\x24\x22" + kEscAscii), S("あ"));
}

TEST(KCodeC, CopiesOwnTheirResult) {
  KCodeC a;
  const std::string& r = a.sjtouj(S("漢"));
  KCodeC b(a);
  a.sjtouj("x");
  EXPECT_EQ(r, "x");
  KCodeC c;
  c = b;
  b.sjtouj("y");
  EXPECT_EQ(c.ujtosj(B({0xB4, 0xC1})), S("漢"));
}

TEST(KCodeC, BufferFormsNeverOverflow) {
  KCodeC k;
  char buf[8];
  std::string in = B({0xB1});  // ESC ( I 1 ESC ( B: 7 bytes and the terminator
  EXPECT_EQ(k.sjtojis7(buf, sizeof buf, in, 0), buf);
  EXPECT_STREQ(buf, "\x1B(I1\x1B(B");
  EXPECT_EQ(k.sjtojis7(buf, 7, in, 0), nullptr);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(KCodeC::utf8tosj(buf, sizeof buf, "\xE3\x81\x82"), buf);
  EXPECT_EQ(sjtojis7_for_header(nullptr, 0, in, 0, 30), nullptr);
  char tiny[4];
  EXPECT_EQ(sjtojis7_for_header(tiny, sizeof tiny, in, 0, 30), nullptr);
}

TEST(KCodeC, Utf8ConversionsDropBomAndBlankTheUnmappable) {
  EXPECT_EQ(KCodeC::utf8tosj("\xEF\xBB\xBF" "a\xE3\x81\x82"), "a" + S("あ"));
  EXPECT_EQ(KCodeC::utf8tosj("\xEF\xBB\xBF\xEF\xBB\xBF"), " ");  // only one mark
  EXPECT_EQ(KCodeC::utf8tosj("a\xF0\x9F\x98\x80" "bc\xE4\xB8\x82"), "a bc ");  // emoji, 丂
  EXPECT_EQ(KCodeC::sjtoutf8(S("漢") + B({0xF0, 0x40})), "漢\uE000");
}

// Splits a header text into segments at each ESC ( B that closes a non-ASCII run.
TEST(KCodeC, HeaderSegmentsStayShortAndConvertBack) {
  std::mt19937 rng(30);
  const std::string pieces[] = {S("漢字"), S("かな"), "ab", " ", B({0xB1}), B({0xB6, 0xDE}),
                                S("①"), S("髙"), "x"};
  KCodeC k;
  for (int round = 0; round < 500; ++round) {
    std::string text;
    int parts = rng() % 40;
    for (int p = 0; p < parts; ++p) text += pieces[rng() % std::size(pieces)];
    std::string jis = sjtojis7_for_header(text, 0, 30);
    EXPECT_EQ(k.jis7tosj(jis), text);
    // Walk the output, measuring each segment the way the writer counts it.
    // Each segment must stand alone (an encoded word is decoded on its own).
    size_t start = 0;
    std::string joined;
    for (size_t at = jis.find(kEscAscii); at != std::string::npos; at = jis.find(kEscAscii, start)) {
      std::string segment = jis.substr(start, at - start);
      // At most 30 bytes, then one character with its escape (5 bytes).
      EXPECT_LE(segment.size(), 35u) << segment;
      joined += KCodeC().jis7tosj(segment + kEscAscii);
      start = at + kEscAscii.size();
    }
    EXPECT_EQ(start, jis.size());
    EXPECT_EQ(joined, text);
  }
  EXPECT_EQ(sjtojis7_for_header("abc", 0, 30), kEscRoman + "abc" + kEscAscii);
  std::string longKanji;
  for (int i = 0; i < 40; ++i) longKanji += S("漢");
  std::string jis = sjtojis7_for_header(longKanji, 0, 30);
  // 3 + 28 bytes exceed 30: each segment is ESC $ B + 14 characters + ESC ( B.
  std::string seg = kEscKanji;
  for (int i = 0; i < 14; ++i) seg += "\x34\x41";
  seg += kEscAscii;
  EXPECT_EQ(jis.substr(0, seg.size()), seg);
  EXPECT_EQ(jis.substr(seg.size(), seg.size()), seg);
}

TEST(KCodeC, RandomBytesThroughEveryConverter) {
  std::mt19937 rng(932);
  KCodeC k;
  for (int round = 0; round < 10000; ++round) {
    std::string s(rng() % 48, '\0');
    for (char& c : s) {
      unsigned r = rng();
      c = static_cast<char>((r & 0x300) == 0 ? "\x1B$B()@IJD\x0E\x0F"[r % 11] : r);
    }
    k.CheckCode(s);
    k.ToSJIS(s);
    k.ToEUC(s);
    k.ToJIS(s, round & 1);
    k.sjtojis7(s, round & 1);
    k.jis7tosj(s);
    k.ujtojis7(s, round & 1);
    k.jis7touj(s);
    k.ujtosj(s);
    k.sjtouj(s);
    KCodeC::utf8tosj(s);
    KCodeC::sjtoutf8(s);
    sjtojis7_for_header(s, round & 1, static_cast<int>(rng() % 40));
    char buf[16];
    k.sjtojis7(buf, sizeof buf, s, 0);
  }
}

}  // namespace
