#include "core/foundation/kcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/tests/sjis_test_text.h"

namespace {

using sjistest::B;
const std::string kEscKanji = "\x1B$B";
const std::string kEscAscii = "\x1B(B";
const std::string kEscKana = "\x1B(I";
const std::string kEscRoman = "\x1B(J";

using sjistest::S;

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
      {B({0x82}), KCodeC::kCodeSjis},                       // scores 0 and 0: a cut Shift_JIS pair
      {B({0xC0, 0xE2, 0xCC, 0xC0}), KCodeC::kCodeEuc},      // 説明: 4 and 5 with an EUC-only pair
      {".SH " + B({0xC0, 0xE2, 0xCC, 0xC0}), KCodeC::kCodeEuc},
      {"[\\fB" + B({0xCC, 0xF5, 0xC3, 0xED}) + "\\fP]:", KCodeC::kCodeEuc},  // Shift_JIS 5, EUC 6
      {B({0xB6, 0xC0, 0xB6, 0xC5, 0x8A, 0xBF, 0x8E, 0x9A}), KCodeC::kCodeSjis},  // ｶﾀｶﾅ漢字: a tie
  };
  for (const auto& c : cases) EXPECT_EQ(k.CheckCode(c.text), c.code) << ::testing::PrintToString(c.text);
}

// Short lines as a mail without a charset label brings them: a subject, a signature line.
TEST(KCodeC, CheckCodeTellsShortLinesApart) {
  const char* lines[] = {
      "説明", "名前", "件名：お見積りの件", "月曜日の会議について", "ご確認ください", "添付ファイル",
      "本日の予定", "お問い合わせ", "資料送付のお願い", "明日", "返信", "東京都千代田区", "電話番号",
      "株式会社", "請求書", "宛先", "住所変更のお知らせ", "年末年始の営業時間", "新商品のご案内",
      "送信者", "日時：３月１日（金）", "場所：本社会議室", "以上、よろしくお願いします。",
      "担当：山田", "配信停止",
  };
  KCodeC k;
  for (const char* line : lines) {
    std::string sjis = S(line), euc = KCodeC().sjtouj(sjis);
    EXPECT_EQ(k.CheckCode(sjis), KCodeC::kCodeSjis) << line;
    EXPECT_EQ(k.CheckCode(euc), KCodeC::kCodeEuc) << line;
  }
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
  EXPECT_EQ(k.jis7tosj(shifted), "a" + B({0xB1}) + " ");  // ESC ( I selected kana at once
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
    // Row 0x7C cell 0x7B (NEC-selected ￢) reads as 0x81CA and goes back as JIS X 0208 ￢.
    bool notSign = j1 == 0x7C && j2 == 0x7B;
    EXPECT_EQ(k.sjtojis7(sjis, 0), notSign ? kEscKanji + "\x22\x4C" + kEscAscii : jis);
    std::string euc = k.sjtouj(sjis);
    EXPECT_EQ(euc, notSign ? B({0xA2, 0xCC}) : B({j1 | 0x80, j2 | 0x80}));
    EXPECT_EQ(k.ujtosj(euc), sjis);
    EXPECT_EQ(k.jis7touj(jis), B({j1 | 0x80, j2 | 0x80}));
    EXPECT_EQ(k.ujtojis7(k.jis7touj(jis), 0), jis);
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

// Bytes from hex pairs ("1B 24 42").
std::string H(const char* hex) {
  std::string s;
  for (const char* p = hex; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    s.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  return s;
}

// Input that once came out 8-bit, cut or garbled. Where a conversion has an inverse, the
// row of the other direction follows it.
TEST(KCodeC, BrokenAndVendorInputConvertsSoundly) {
  enum Conv { kSjToJis, kSjToJisHeader, kJisToSj, kJisToUj, kUjToSj, kSjToUj, kUjToJis };
  struct { Conv conv; const char* in; const char* out; } cases[] = {
      // IBM extensions go out as their twins inside the JIS rows, and come back.
      {kSjToJis, "FB FC", "1B 24 42 7C 62 1B 28 42"},        // 髙 as NEC-selected 0xEEE0
      {kJisToSj, "1B 24 42 7C 62 1B 28 42", "FB FC"},
      {kSjToJis, "FA B1", "1B 24 42 79 75 1B 28 42"},        // 﨑
      {kJisToSj, "1B 24 42 79 75 1B 28 42", "FA B1"},
      {kSjToJis, "FA 40", "1B 24 42 7C 71 1B 28 42"},        // ⅰ
      {kJisToSj, "1B 24 42 7C 71 1B 28 42", "FA 40"},
      {kSjToJis, "FA 4A", "1B 24 42 2D 35 1B 28 42"},        // Ⅰ as NEC row 13
      {kSjToJis, "FA 54", "1B 24 42 22 4C 1B 28 42"},        // ￢ as JIS X 0208
      {kSjToJisHeader, "FB FC 61", "1B 24 42 7C 62 1B 28 4A 61 1B 28 42"},
      {kSjToUj, "FB FC", "FC E2"},
      {kUjToSj, "FC E2", "FB FC"},
      // No 7-bit form: the user-defined area and unassigned IBM codes become one blank.
      {kSjToJis, "82 A0 F0 40 82 A2", "1B 24 42 24 22 1B 28 42 20 1B 24 42 24 24 1B 28 42"},
      {kSjToJis, "FC 4C", "20"},
      {kSjToJisHeader, "F9 FC", "1B 28 4A 20 1B 28 42"},
      {kSjToUj, "F0 40 61", "20 61"},
      // Broken Shift_JIS: the bad byte alone becomes a blank, the next byte is kept.
      {kSjToJis, "82 0D 0A", "20 0D 0A"},
      {kSjToJis, "80 41 A0 42 FD 43 FE FF 44", "20 41 20 42 20 43 20 20 44"},
      {kSjToJis, "82 7F 82 A0", "20 7F 1B 24 42 24 22 1B 28 42"},
      {kSjToUj, "82 0D 80 41 FF", "20 0D 20 41 20"},
      {kSjToUj, "7F 82 A0", "7F A4 A2"},                      // DEL is one byte
      {kUjToSj, "7F A4 A2", "7F 82 A0"},
      // Received ISO-2022-JP: unknown escapes are kept and reading goes on.
      {kJisToSj, "61 1B 5B 33 31 6D 62 1B 5B 30 6D", "61 1B 5B 33 31 6D 62 1B 5B 30 6D"},
      {kJisToSj, "1B 24 42 24 22 1B 28 42 1B 5B 33 31 6D 61", "82 A0 1B 5B 33 31 6D 61"},
      {kJisToSj, "78 1B 28 51 7A 7A 1B 28 42 79", "78 1B 28 51 7A 7A 79"},
      {kJisToSj, "78 1B 24 41 30 21 0D 0A 79", "78 1B 24 41 30 21 0D 0A 79"},
      {kJisToSj, "61 1B 0A 62", "61 1B 0A 62"},               // ESC starting no sequence
      {kJisToUj, "61 1B 5B 6D 1B 24 42 30 21 1B 28 42", "61 1B 5B 6D B0 A1"},
      // JIS X 0212 becomes its CP932 code or a blank; no longer dropped with what follows.
      {kJisToSj, "1B 24 28 44 22 43 30 21 1B 28 42 61", "FA 55 20 61"},  // ￤, 丂
      {kJisToSj, "78 1B 29 44 30 21 1B 28 42 79", "78 20 79"},
      {kJisToUj, "1B 24 28 44 30 21 1B 28 42", "8F B0 A1"},
      {kUjToJis, "8F B0 A1 61", "1B 24 28 44 30 21 1B 28 42 61"},
      // A pair broken by a line break, bytes no kana: a blank each, the rest kept.
      {kJisToSj, "1B 24 42 24 0D 0A 24 22 1B 28 42", "20 0D 0A 82 A0"},
      {kJisToSj, "1B 28 49 31 62 1B 28 42", "B1 20"},
      {kJisToSj, "0E 31 0F 61", "B1 61"},                     // SO without ESC ) I: kana
      {kJisToSj, "1B 24 42 7F 21 1B 28 42", "F0 40"},         // old user-defined rows still read
      // Received EUC-JP: 0x8F sequences and broken pairs never take an ASCII byte.
      {kUjToSj, "8F B0 A1 41", "20 41"},                      // 丂: no CP932 form
      {kUjToSj, "8F A2 C3 8F F4 FB 41", "FA 55 FB FC 41"},    // ￤, 髙 of eucJP-ms
      {kUjToSj, "A4 41 8E 42 80 43 FF 44 8F 45", "20 41 20 42 20 43 20 44 20 45"},
      {kUjToSj, "8F A1", ""},                                 // cut by the end
      {kUjToJis, "A4 41 8F 42", "20 41 20 42"},
      {kUjToJis, "A4 A2 8E 41", "1B 24 42 24 22 1B 28 42 20 41"},
  };
  KCodeC k;
  for (const auto& c : cases) {
    std::string in = H(c.in), out;
    switch (c.conv) {
      case kSjToJis: out = k.sjtojis7(in, 0); break;
      case kSjToJisHeader: out = sjtojis7_for_header(in, 0, 30); break;
      case kJisToSj: out = k.jis7tosj(in); break;
      case kJisToUj: out = k.jis7touj(in); break;
      case kUjToSj: out = k.ujtosj(in); break;
      case kSjToUj: out = k.sjtouj(in); break;
      case kUjToJis: out = k.ujtojis7(in, 0); break;
    }
    EXPECT_EQ(out, H(c.out)) << c.conv << ": " << c.in;
  }
}

// Every CP932 code: two bytes for each well-formed pair, one for the rest.
std::vector<std::string> AllCp932Codes() {
  std::vector<std::string> codes;
  for (int b = 0; b < 256; ++b)
    if (!(b >= 0x81 && b <= 0x9F) && !(b >= 0xE0 && b <= 0xFC) && b != 0x1B && b != 0x0E && b != 0x0F)
      codes.push_back(B({b}));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail)
      if (trail != 0x7F) codes.push_back(B({lead, trail}));
  }
  return codes;
}

bool SevenBit(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Each code on its own: ISO-2022-JP and EUC-JP keep the character (compared through
// UTF-8), or give one blank where the code has no form there.
TEST(KCodeC, EveryCp932CodeKeepsItsCharacterOrBecomesABlank) {
  KCodeC k;
  int blanks = 0;
  for (const std::string& code : AllCp932Codes()) {
    std::string jis = k.sjtojis7(code, 0);
    ASSERT_TRUE(SevenBit(jis)) << ::testing::PrintToString(code);
    std::string viaJis = k.jis7tosj(jis);
    std::string viaEuc = k.ujtosj(k.sjtouj(code));
    unsigned char lead = static_cast<unsigned char>(code[0]);
    std::string utf8 = SjisToUtf8(code);
    bool broken = utf8 == "\xEF\xBF\xBD";
    if ((lead >= 0xF0 && lead <= 0xF9 && code.size() == 2) || (broken && lead >= 0xFA) ||
        (code.size() == 1 && broken)) {
      EXPECT_EQ(viaJis, " ") << ::testing::PrintToString(code);
      EXPECT_EQ(viaEuc, " ") << ::testing::PrintToString(code);
      ++blanks;
    } else if (broken) {  // unassigned inside the JIS rows: kept by the arithmetic
      EXPECT_EQ(viaJis, code);
      EXPECT_EQ(viaEuc, code);
    } else {
      EXPECT_EQ(SjisToUtf8(viaJis), utf8) << ::testing::PrintToString(code);
      EXPECT_EQ(SjisToUtf8(viaEuc), utf8) << ::testing::PrintToString(code);
    }
  }
  // 0x80, 0xA0, 0xFD-0xFF; the user-defined area; unassigned 0xFC4C-0xFCFC.
  EXPECT_EQ(blanks, 5 + 10 * 188 + 176);
}

// Random text of all codes mixed: the ISO-2022-JP writers never give an 8-bit byte, and
// the text reads back as its codes did one by one.
TEST(KCodeC, OutgoingJisIsSevenBitForAnyShiftJisText) {
  const std::vector<std::string> codes = AllCp932Codes();
  std::mt19937 rng(50220);
  KCodeC k, one;
  for (int round = 0; round < 3000; ++round) {
    std::string text, expected;
    int length = static_cast<int>(rng() % 60);
    for (int c = 0; c < length; ++c) {
      const std::string& code = codes[rng() % codes.size()];
      text += code;
      expected += one.jis7tosj(one.sjtojis7(code, 0));
    }
    const std::string& body = k.sjtojis7(text, 0);
    ASSERT_TRUE(SevenBit(body)) << ::testing::PrintToString(text);
    EXPECT_EQ(KCodeC().jis7tosj(body), expected);
    ASSERT_TRUE(SevenBit(k.sjtojis7(text, 1)));
    std::string header = sjtojis7_for_header(text, round & 1, 30);
    ASSERT_TRUE(SevenBit(header));
    if (!(round & 1)) {
      EXPECT_EQ(k.jis7tosj(header), expected);
    }
  }
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
    EXPECT_TRUE(SevenBit(k.sjtojis7(s, round & 1)));  // whatever goes in
    k.jis7tosj(s);
    EXPECT_TRUE(SevenBit(k.ujtojis7(s, round & 1)));
    k.jis7touj(s);
    k.ujtosj(s);
    k.sjtouj(s);
    KCodeC::utf8tosj(s);
    KCodeC::sjtoutf8(s);
    EXPECT_TRUE(SevenBit(sjtojis7_for_header(s, round & 1, static_cast<int>(rng() % 40))));
    char buf[16];
    k.sjtojis7(buf, sizeof buf, s, 0);
  }
}

}  // namespace
