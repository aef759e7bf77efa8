// Header encoded words: the shape of the lines, the budgets, words that decode alone, the
// length functions, an independent decoder (Python's email package) reading the subjects
// back, and two threads encoding at once.

#include "app/mailtext/header_encoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/mailtext/carrier_text_converter.h"
#include "app/mailtext/tests/byte_notation.h"
#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/base64.h"

namespace compose {
namespace {

using test::Bytes;
using test::Notation;

enum Encoder { kIso252, kIso200, kSjis };

bool Encode(Encoder e, std::string_view source, std::string& out, int budget, int mode = kPictogramReplace) {
  switch (e) {
    case kIso252: return EncodeHeaderIso2022jp252(source, out, budget, mode);
    case kIso200: return EncodeHeaderIso2022jp200(source, out, budget, mode);
    case kSjis: return EncodeHeaderShiftJis(source, out, budget);
  }
  return false;
}

bool Length(Encoder e, std::string_view source, std::size_t& length, int budget) {
  return e == kSjis ? GetEncodedHeaderLengthShiftJis(source, length, budget)
                    : GetEncodedHeaderLengthIso2022jp(source, length, budget);
}

// One line of an encoder's output, taken apart.
struct Line {
  std::string text;     // without CR LF
  bool folded = false;  // starts with the TAB
  std::string bytes;    // the word's decoded bytes
};

// Splits the output into lines and decodes each word; fails the test on any other shape.
std::vector<Line> Lines(const std::string& out, std::string_view prefix) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < out.size()) {
    const std::size_t end = out.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "output does not end in CR LF: " << out;
      break;
    }
    Line line;
    line.text = out.substr(pos, end - pos);
    std::string_view word = line.text;
    line.folded = !word.empty() && word[0] == '\t';
    if (line.folded) word.remove_prefix(1);
    if (word.substr(0, prefix.size()) != prefix || word.size() < prefix.size() + 2 ||
        word.substr(word.size() - 2) != "?=") {
      ADD_FAILURE() << "not an encoded word: " << line.text;
    } else {
      const std::string_view base64 = word.substr(prefix.size(), word.size() - prefix.size() - 2);
      if (base64decoding(line.bytes, base64) < 0) ADD_FAILURE() << "bad base64: " << line.text;
    }
    lines.push_back(line);
    pos = end + 2;
  }
  return lines;
}

constexpr std::string_view kIsoPrefix = "=?ISO-2022-JP?B?";
constexpr std::string_view kSjisPrefix = "=?shift_jis?B?";

std::string Kanji(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += Bytes("8A BF");  // 漢
  return s;
}

TEST(HeaderEncoder, EmptySubjectIsOneEmptyWord) {
  std::string out;
  ASSERT_TRUE(EncodeHeaderIso2022jp252("", out, 76, kPictogramReplace));
  EXPECT_EQ(out, "=?ISO-2022-JP?B?" "?=\r\n");
  ASSERT_TRUE(EncodeHeaderShiftJis("", out, 76));
  EXPECT_EQ(out, "\t=?shift_jis?B?" "?=\r\n");
  std::size_t n = 0;
  ASSERT_TRUE(GetEncodedHeaderLengthIso2022jp("", n, 76));
  EXPECT_EQ(n, 20u);
  ASSERT_TRUE(GetEncodedHeaderLengthShiftJis("", n, 76));
  EXPECT_EQ(n, 19u);
}

TEST(HeaderEncoder, ThirtyKanjiMakeTwoLines) {
  std::string out;
  ASSERT_TRUE(EncodeHeaderIso2022jp200(Kanji(30), out, 76, kPictogramReplace));
  const std::vector<Line> lines = Lines(out, kIsoPrefix);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_FALSE(lines[0].folded);
  EXPECT_TRUE(lines[1].folded);
  std::string first = "\x1b$B", second = "\x1b$B";
  for (int i = 0; i < 18; ++i) first += "4A";
  for (int i = 0; i < 12; ++i) second += "4A";
  EXPECT_EQ(lines[0].bytes, first + "\x1b(B");
  EXPECT_EQ(lines[1].bytes, second + "\x1b(B");
  EXPECT_EQ(lines[0].text.size(), 16u + 56 + 2);
  EXPECT_EQ(lines[1].text.size(), 1u + 16 + 40 + 2);
}

TEST(HeaderEncoder, PictogramsTakeTheCarriersCodes) {
  std::string out;
  const std::string subject = Bytes("'Hi' F8 9F 82 A0");
  ASSERT_TRUE(EncodeHeaderIso2022jp252(subject, out, 76, kPictogramReplace));
  EXPECT_EQ(Notation(Lines(out, kIsoPrefix).at(0).bytes), Notation(Bytes("'Hi' $B 90 21 24 22 (B")));
  ASSERT_TRUE(EncodeHeaderIso2022jp200(subject, out, 76, kPictogramReplace));
  EXPECT_EQ(Notation(Lines(out, kIsoPrefix).at(0).bytes), Notation(Bytes("'Hi' $B 75 41 24 22 (B")));
  // A pictogram au lacks, dropped: the word holds only what the conversion really gave.
  ASSERT_TRUE(EncodeHeaderIso2022jp200(Bytes("F8 A5 'a'"), out, 76, kPictogramDrop));
  EXPECT_EQ(Lines(out, kIsoPrefix).at(0).bytes, "a");
}

TEST(HeaderEncoder, RefusedTextAndBudgets) {
  const struct {
    Encoder encoder;
    const char* in;
    int budget;
    bool ok;
  } cases[] = {
      {kIso252, "'a' 09 'b'", 76, false},    // TAB
      {kIso252, "'a' 0D 0A 'b'", 76, false}, // CR LF never reaches a header
      {kIso200, "B1", 76, false},            // half-width katakana
      {kIso200, "7F", 76, false},
      {kIso252, "82 0D", 76, false},         // broken character
      {kIso252, "82", 76, false},
      {kIso252, "'a'", 30, false},
      {kIso252, "'a'", 31, true},
      {kIso200, "'a'", 97, true},
      {kIso200, "'a'", 98, false},           // beyond what the words may hold
      {kSjis, "'a' 09 B1 0D 0A", 76, true},  // bytes are encoded as they are
      {kSjis, "'a' 82", 76, false},          // a lead byte that ends the text
      {kSjis, "'a'", 77, false},
      {kSjis, "'a'", 21, false},
      {kSjis, "'a'", 22, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " budget " + std::to_string(c.budget));
    std::string out = "kept";
    std::size_t length = 0;
    EXPECT_EQ(Encode(c.encoder, Bytes(c.in), out, c.budget), c.ok);
    EXPECT_EQ(Length(c.encoder, Bytes(c.in), length, c.budget), c.ok);
    if (!c.ok) {
      EXPECT_EQ(out, "kept");
    }
  }
}

TEST(HeaderEncoder, ShiftJisLinesAreFullAndNoneRunsOver) {
  std::string out;
  // 42 bytes fill a word at budget 76 (56 base64 characters, lines of 73); two bytes more
  // start a new word rather than making a 77-character line.
  const std::string subject = std::string(20, 'a') + Kanji(11) + Bytes("F9 8B");
  ASSERT_TRUE(EncodeHeaderShiftJis(subject, out, 76));
  const std::vector<Line> lines = Lines(out, kSjisPrefix);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text.size(), 73u);
  EXPECT_TRUE(lines[0].folded && lines[1].folded);
  EXPECT_EQ(lines[0].bytes + lines[1].bytes, subject);
  EXPECT_EQ(lines[1].bytes, Bytes("F9 8B"));

  ASSERT_TRUE(EncodeHeaderShiftJis(Kanji(100), out, 76));
  const std::vector<Line> many = Lines(out, kSjisPrefix);
  for (std::size_t i = 0; i + 1 < many.size(); ++i) EXPECT_EQ(many[i].text.size(), 73u) << i;
}

// ---- Properties over a seeded corpus ----

std::string RandomSubject(std::mt19937& rng, bool pictograms) {
  static const std::vector<std::string> plain = {
      Bytes("'a'"), Bytes("'Re: '"), Bytes("20"), Bytes("'2024'"), Bytes("82 A0"), Bytes("93 FA 96 7B"),
      Bytes("83 41 83 93"), Bytes("81 49"), Bytes("81 75 81 76"), Bytes("88 9F"), Bytes("EA A4")};
  static const std::vector<std::string> pict = {Bytes("F8 9F"), Bytes("F8 A5"), Bytes("F9 FC"),
                                                Bytes("F0 40"), Bytes("FA 40")};
  std::string s;
  for (std::size_t n = rng() % 50; n > 0; --n) {
    if (pictograms && rng() % 4 == 0) {
      s += pict[rng() % pict.size()];
    } else {
      s += plain[rng() % plain.size()];
    }
  }
  return s;
}

TEST(HeaderEncoder, IsoWordsDecodeAloneAndFitTheBudget) {
  std::mt19937 rng(31337);
  for (int n = 0; n < 400; ++n) {
    const bool pictograms = n % 2 == 0;
    const std::string subject = RandomSubject(rng, pictograms);
    for (const int budget : {31, 40, 76, 97}) {
      for (const Encoder e : {kIso252, kIso200}) {
        for (const int mode : {kPictogramReplace, kPictogramDrop}) {
          SCOPED_TRACE(Notation(subject) + " budget " + std::to_string(budget));
          std::string out;
          std::size_t length = 0;
          ASSERT_TRUE(Encode(e, subject, out, budget, mode));
          ASSERT_TRUE(Length(e, subject, length, budget));
          if (mode == kPictogramReplace) {
            EXPECT_EQ(out.size(), length);
          } else {
            EXPECT_LE(out.size(), length);
          }

          std::string jis;
          for (const Line& line : Lines(out, kIsoPrefix)) {
            EXPECT_LE(line.text.size(), static_cast<std::size_t>(budget));
            // Each word starts in ASCII (text or a designation) and ends in ASCII.
            if (!line.bytes.empty()) {
              EXPECT_LT(static_cast<unsigned char>(line.bytes[0]), 0x80) << Notation(line.bytes);
            }
            const std::size_t lastEsc = line.bytes.rfind('\x1b');
            if (lastEsc != std::string::npos) {
              EXPECT_EQ(line.bytes.substr(lastEsc, 3), "\x1b(B");
            }
            jis += line.bytes;
          }
          if (!pictograms) {
            EXPECT_EQ(KCodeC().jis7tosj(jis), subject);
          }
          if (::testing::Test::HasFailure()) return;
        }
      }
    }
  }
}

TEST(HeaderEncoder, ShiftJisWordsHoldTheBytesAndFitTheBudget) {
  std::mt19937 rng(4711);
  for (int n = 0; n < 400; ++n) {
    std::string subject = RandomSubject(rng, true);
    if (n % 3 == 0) subject += Bytes("B1 09");  // bytes the ISO encoder refuses
    for (const int budget : {22, 23, 41, 76}) {
      SCOPED_TRACE(Notation(subject) + " budget " + std::to_string(budget));
      std::string out;
      std::size_t length = 0;
      ASSERT_TRUE(EncodeHeaderShiftJis(subject, out, budget));
      ASSERT_TRUE(GetEncodedHeaderLengthShiftJis(subject, length, budget));
      EXPECT_EQ(out.size(), length);
      std::string bytes;
      for (const Line& line : Lines(out, kSjisPrefix)) {
        EXPECT_TRUE(line.folded);
        EXPECT_LE(line.text.size(), static_cast<std::size_t>(budget));
        bytes += line.bytes;
      }
      EXPECT_EQ(bytes, subject);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// ---- An independent reader ----

// Decodes header values with Python's email package; empty when Python is not there.
std::vector<std::string> DecodeWithPython(const std::vector<std::string>& values) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("compose_text_py_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream in(dir / "in", std::ios::binary);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) in << '\0';
      in << values[i];
    }
  }
  const std::string command = "/usr/bin/python3 " OMBREL_TESTDATA "/decode_headers.py < " +
                              (dir / "in").string() + " > " + (dir / "out").string();
  std::vector<std::string> decoded;
  if (std::system(command.c_str()) == 0) {
    std::ifstream out(dir / "out", std::ios::binary);
    std::stringstream all;
    all << out.rdbuf();
    std::string text = all.str();
    std::size_t pos = 0;
    for (;;) {
      const std::size_t nul = text.find('\0', pos);
      decoded.push_back(text.substr(pos, nul - pos));
      if (nul == std::string::npos) break;
      pos = nul + 1;
    }
  }
  std::filesystem::remove_all(dir);
  return decoded;
}

TEST(HeaderEncoder, PythonReadsTheSubjectsBack) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
  // Subjects in characters every decoder agrees on: ASCII, kana, kanji, common signs.
  const std::vector<std::string> pool = {"a", "Z", "7", " ", "-", ":", "!", "あ", "ん", "ア", "ン", "ー", "日",
                                         "本", "語", "件", "名", "送", "信", "案", "内", "、", "。", "！",
                                         "？", "（", "）", "「", "」", "新", "商", "品", "価", "格"};
  std::mt19937 rng(99);
  std::vector<std::string> utf8, encoded;
  for (int n = 0; n < 300; ++n) {
    std::string subject;
    for (std::size_t k = rng() % 60; k > 0; --k) subject += pool[rng() % pool.size()];
    const std::string sjis = Utf8ToSjis(subject);
    std::string iso, sj;
    ASSERT_TRUE(EncodeHeaderIso2022jp252(sjis, iso, 76, kPictogramReplace));
    ASSERT_TRUE(EncodeHeaderShiftJis(sjis, sj, 76));
    utf8.push_back(subject);
    encoded.push_back(iso);
    utf8.push_back(subject);
    encoded.push_back(sj.substr(1));  // as the send run writes it: without the first TAB
  }
  const std::vector<std::string> decoded = DecodeWithPython(encoded);
  ASSERT_EQ(decoded.size(), encoded.size()) << "python3 did not answer";
  for (std::size_t i = 0; i < decoded.size(); ++i) EXPECT_EQ(decoded[i], utf8[i]) << encoded[i];
}

// ---- Two threads at once (run under ThreadSanitizer in the thread build) ----

TEST(HeaderEncoder, TwoThreadsEncodeAtOnce) {
  std::mt19937 rng(5);
  std::vector<std::string> subjects;
  for (int n = 0; n < 200; ++n) subjects.push_back(RandomSubject(rng, true));
  auto encodeAll = [&subjects] {
    std::vector<std::string> out;
    for (const std::string& s : subjects) {
      for (const Encoder e : {kIso252, kIso200, kSjis}) {
        std::string o;
        if (!Encode(e, s, o, 76)) o = "failed";
        out.push_back(o);
      }
    }
    return out;
  };
  const std::vector<std::string> expected = encodeAll();
  std::vector<std::string> a, b;
  std::thread ta([&] { for (int i = 0; i < 5; ++i) a = encodeAll(); });
  std::thread tb([&] { for (int i = 0; i < 5; ++i) b = encodeAll(); });
  ta.join();
  tb.join();
  EXPECT_EQ(a, expected);
  EXPECT_EQ(b, expected);
}

}  // namespace
}  // namespace compose
