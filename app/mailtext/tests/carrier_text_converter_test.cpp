// The carriers' body conversion: the bytes of each family and mode, the failures, and the
// length functions against the converters on a seeded random corpus.

#include "app/mailtext/carrier_text_converter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/mailtext/tests/byte_notation.h"
#include "core/foundation/kcode.h"

namespace compose {
namespace {

using test::Bytes;
using test::Notation;

enum Family { k252, k200, kPlain };

struct Call {
  Family family;
  int mode;
  int ascii = kAsciiEscB;
  int kanji = kKanjiEscB;
};

// Runs the length function and both converter forms; checks that they agree with each
// other, and returns the string form's result (nullopt-like: ok false on failure).
struct Result {
  bool ok = false;
  std::string bytes;
};

Result Convert(const Call& c, std::string_view source) {
  std::size_t length = 12345;
  bool lengthOk = false, stringOk = false, bufferOk = false;
  std::string out = "untouched";
  switch (c.family) {
    case k252:
      lengthOk = GetSjisToJisLength252(source, length, c.mode);
      stringOk = ConvertSjisToJis252(source, out, c.mode);
      break;
    case k200:
      lengthOk = GetSjisToJisLength200(source, length, c.mode);
      stringOk = ConvertSjisToJis200(source, out, c.mode);
      break;
    case kPlain:
      lengthOk = GetSjisToJisLength(source, length, c.ascii, c.kanji, c.mode);
      stringOk = ConvertSjisToJis(source, out, c.ascii, c.kanji, c.mode);
      break;
  }
  EXPECT_EQ(lengthOk, stringOk) << Notation(source);
  if (!stringOk) {
    EXPECT_EQ(out, "untouched");
    return {};
  }
  EXPECT_EQ(out.size(), length) << Notation(source);

  // The buffer form, sized from the length function, with guard bytes after it: exactly
  // length + 1 bytes are enough, one fewer fails, and nothing is written past either.
  for (const std::size_t size : {length + 1, length}) {
    std::string buffer(size + 8, '\x5a');
    switch (c.family) {
      case k252: bufferOk = ConvertSjisToJis252(source, buffer.data(), size, c.mode); break;
      case k200: bufferOk = ConvertSjisToJis200(source, buffer.data(), size, c.mode); break;
      case kPlain: bufferOk = ConvertSjisToJis(source, buffer.data(), size, c.ascii, c.kanji, c.mode); break;
    }
    EXPECT_EQ(buffer.substr(size), std::string(8, '\x5a')) << "wrote past the buffer";
    if (size == length + 1) {
      EXPECT_TRUE(bufferOk);
      EXPECT_EQ(buffer.substr(0, length), out);
      EXPECT_EQ(buffer[length], '\0');
    } else {
      EXPECT_FALSE(bufferOk) << "a buffer without room for the NUL must fail";
    }
  }
  return {true, out};
}

struct Case {
  const char* what;
  Call call;
  const char* in;
  const char* out;  // nullptr: the call fails
};

const Case kCases[] = {
    {"empty text", {k252, kPictogramReplace}, "", ""},
    {"empty text", {kPlain, kJisReplace}, "", ""},
    {"ASCII needs no escape", {k200, kPictogramReplace}, "'ABC'", "'ABC'"},
    {"ASCII needs no escape", {kPlain, kJisReplace}, "'ABC'", "'ABC'"},
    {"a kanji at the end closes with ESC ( B", {kPlain, kJisReplace}, "82 A0", "$B 24 22 (B"},
    {"line break returns to ASCII", {k252, kPictogramReplace}, "88 9F 0D 0A 88 9F",
     "$B 30 21 (B 0D 0A $B 30 21 (B"},
    {"line break returns to ASCII", {kPlain, kJisReplace}, "88 9F 0D 0A 88 9F",
     "$B 30 21 (B 0D 0A $B 30 21 (B"},
    {"TAB stays inside a two-byte run", {k252, kPictogramReplace}, "88 9F 09 88 9F",
     "$B 30 21 09 30 21 (B"},
    {"TAB gets the single-byte designation", {kPlain, kJisReplace}, "88 9F 09 88 9F",
     "$B 30 21 (B 09 $B 30 21 (B"},
    {"lone CR is copied without escape", {k252, kPictogramReplace}, "82 A0 0D 82 A0", "$B 24 22 0D 24 22 (B"},
    {"lone CR is copied without escape", {kPlain, kJisReplace}, "82 A0 0D 82 A0", "$B 24 22 0D 24 22 (B"},
    {"lone LF is a control byte", {kPlain, kJisReplace}, "82 A0 0A", "$B 24 22 (B 0A"},
    {"arithmetic, all trail ranges", {kPlain, kJisReplace}, "81 40 81 80 E0 40 E0 9F",
     "$B 21 21 21 60 5F 21 60 21 (B"},
    {"NEC row 13 converts arithmetically", {k200, kPictogramReplace}, "87 40", "$B 2D 21 (B"},
    {"NEC-selected IBM row converts arithmetically", {kPlain, kJisReplace}, "ED 40", "$B 79 21 (B"},
    {"IBM extension goes out as its NEC-selected twin", {k252, kPictogramReplace}, "FA 40", "$B 7C 71 (B"},
    {"IBM 髙 as its NEC-selected twin", {kPlain, kJisReplace}, "FB FC", "$B 7C 62 (B"},
    {"IBM 﨑 as its NEC-selected twin", {k200, kPictogramReplace}, "FA B1", "$B 79 75 (B"},
    {"IBM ￢ as its JIS X 0208 twin", {kPlain, kJisReplace}, "FA 54", "$B 22 4C (B"},
    {"IBM twin stays inside the kanji run", {kPlain, kJisReplace}, "88 9F FA 40 88 9F 'a'",
     "$B 30 21 7C 71 30 21 (B 'a'"},
    {"unassigned IBM code is replaced", {kPlain, kJisReplace}, "FC 4C", "$B 21 26 (B"},
    {"user-defined character is replaced", {kPlain, kJisReplace}, "F0 40", "$B 21 26 (B"},
    {"pictogram to NTT DoCoMo", {k252, kPictogramReplace}, "F8 9F", "$B 90 21 (B"},
    {"pictogram to NTT DoCoMo, 0xF9 below 0x9F", {k252, kPictogramReplace}, "F9 80", "$B 91 60 (B"},
    {"pictogram to NTT DoCoMo, 0xF9 from 0x9F", {k252, kPictogramReplace}, "F9 FC", "$B 92 7E (B"},
    {"pictogram to au", {k200, kPictogramReplace}, "F8 9F", "$B 75 41 (B"},
    {"pictogram au lacks", {k200, kPictogramReplace}, "F8 A5", "$B 21 26 (B"},
    {"pictogram au lacks, dropped", {k200, kPictogramDrop}, "'A' F8 A5 'B'", "'AB'"},
    {"pictogram in the 252 set", {k252, kPictogramReplace}, "F9 55", "$B 91 36 (B"},
    {"code between pictogram ranges", {k252, kPictogramReplace}, "F9 53", "$B 21 26 (B"},
    {"plain conversion maps no pictogram", {kPlain, kJisReplace}, "F8 9F", "$B 21 26 (B"},
    {"pictogram after kanji shares the run", {k200, kPictogramReplace}, "82 A0 F8 9F 'a'", "$B 24 22 75 41 (B 'a'"},
    {"half-width kana replaced", {k252, kPictogramReplace}, "B1", "$B 21 26 (B"},
    {"half-width kana replaced", {kPlain, kJisReplace}, "B1", "$B 21 26 (B"},
    {"half-width kana dropped between ASCII", {k252, kPictogramDrop}, "'A' B1 'B'", "'AB'"},
    {"half-width kana dropped between kanji", {kPlain, kJisDrop}, "82 A0 B1 82 A0", "$B 24 22 24 22 (B"},
    {"half-width kana under a refusing mode", {k252, 2}, "B1", nullptr},
    {"half-width kana under a refusing mode", {kPlain, 0}, "B1", nullptr},
    {"a refusing mode is no failure without unconvertible text", {k252, 7}, "'A' 82 A0", "'A' $B 24 22 (B"},
    {"lead byte at the end", {kPlain, kJisReplace}, "'A' 82", nullptr},
    {"lead byte at the end", {k252, kPictogramReplace}, "F8", nullptr},
    {"extension lead at the end", {kPlain, kJisDrop}, "F0", nullptr},
    {"NUL ends the text", {k252, kPictogramReplace}, "'A' 00 82", "'A'"},
    {"broken character keeps the line break", {k252, kPictogramReplace}, "82 0D 0A 'A'", "$B 21 26 (B 0D 0A 'A'"},
    {"broken character keeps the line break", {kPlain, kJisDrop}, "82 0D 0A", "0D 0A"},
    {"broken extension keeps the line break", {k200, kPictogramReplace}, "F0 0D 0A", "$B 21 26 (B 0D 0A"},
    {"0x80 takes its trail", {kPlain, kJisReplace}, "80 41", "$B 21 26 (B"},
    {"JIS-Roman choice, line break and end in ESC ( B", {kPlain, kJisReplace, kAsciiEscJ}, "'A' 0D 0A 'B'",
     "(J 'A' (B 0D 0A (J 'B' (B"},
    {"JIS-Roman choice on a control byte", {kPlain, kJisReplace, kAsciiEscJ}, "09", "(J 09 (B"},
    {"JIS-Roman choice keeps a lone CR bare", {kPlain, kJisReplace, kAsciiEscJ}, "0D 'A'", "0D (J 'A' (B"},
    {"JIS C 6226 choice", {kPlain, kJisReplace, kAsciiEscB, kKanjiEscAt}, "82 A0 B1", "$@ 24 22 21 26 (B"},
    {"designation choice 2", {kPlain, kJisReplace, 2}, "'A'", nullptr},
    {"designation choice -1", {kPlain, kJisReplace, kAsciiEscB, -1}, "", nullptr},
};

TEST(CarrierTextConverter, BytesOfEachFamily) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const Result r = Convert(c.call, Bytes(c.in));
    if (!c.out) {
      EXPECT_FALSE(r.ok) << Notation(r.bytes);
      continue;
    }
    ASSERT_TRUE(r.ok) << c.in;
    EXPECT_EQ(Notation(r.bytes), Notation(Bytes(c.out)));
  }
}

TEST(CarrierTextConverter, DroppingSavesTheEscapesItNeeds) {
  // Between two kanji a dropped character saves its 2 bytes; between two ASCII letters
  // also the ESC $ B and ESC ( B around it.
  std::size_t replaced = 0, dropped = 0;
  ASSERT_TRUE(GetSjisToJisLength252(Bytes("82 A0 B1 82 A0"), replaced, kPictogramReplace));
  ASSERT_TRUE(GetSjisToJisLength252(Bytes("82 A0 B1 82 A0"), dropped, kPictogramDrop));
  EXPECT_EQ(replaced - dropped, 2u);
  ASSERT_TRUE(GetSjisToJisLength(Bytes("'A' B1 'B'"), replaced, 1, 1, kJisReplace));
  ASSERT_TRUE(GetSjisToJisLength(Bytes("'A' B1 'B'"), dropped, 1, 1, kJisDrop));
  EXPECT_EQ(replaced - dropped, 8u);
}

TEST(CarrierTextConverter, BufferFormRefusesNullAndTinyBuffers) {
  EXPECT_FALSE(ConvertSjisToJis252("A", nullptr, 10, kPictogramReplace));
  char one = 'x';
  EXPECT_FALSE(ConvertSjisToJis("A", &one, 1, 1, 1, kJisReplace));
  EXPECT_TRUE(ConvertSjisToJis("", &one, 1, 1, 1, kJisReplace));
  EXPECT_EQ(one, '\0');
  // A designation choice fails before anything is written, not even the NUL.
  one = 'x';
  EXPECT_FALSE(ConvertSjisToJis("", &one, 1, 3, 1, kJisReplace));
  EXPECT_EQ(one, 'x');
}

TEST(HasPictogram, FindsOnlyTheNttDocomoCodesAtCharacterStarts) {
  const struct {
    const char* in;
    bool has;
  } cases[] = {
      {"", false},
      {"'abc' 82 A0", false},
      {"'x' F9 40", true},
      {"F0 40", false},
      {"F8 A5", true},           // in the 252 set, not among the 200
      {"F9 53", false},          // between two ranges
      {"88 F9 40", false},       // 0xF9 is the trail of 0x88 here
      {"F0 0D F8 9F", true},     // a broken character does not swallow the next one
      {"B1 F9 FC", true},
      {"82", false},
      {"F8", false},
      {"'a' 00 F8 9F", false},   // after the NUL
  };
  for (const auto& c : cases) EXPECT_EQ(HasPictogram(Bytes(c.in)), c.has) << c.in;
}

TEST(ConvertPictogramCodes, ExchangesCodesBetweenNttDocomoAndSoftbank) {
  std::string out;
  ASSERT_TRUE(ConvertPictogramCodes(kCarrierDocomo, Bytes("'a' F8 9F 82 A0 F8 A5"), kCarrierSoftbank, out));
  EXPECT_EQ(Notation(out), "61 F9 8B 82 A0 F8 A5");  // F8A5 is no common pictogram: kept

  // A code shared by three pictograms goes back to the first of them.
  ASSERT_TRUE(ConvertPictogramCodes(kCarrierSoftbank, Bytes("F9 8D"), kCarrierDocomo, out));
  EXPECT_EQ(Notation(out), "F9 41");

  // 0xF8 0x9F here is the trail of 0x88 and the next lead: nothing to exchange.
  ASSERT_TRUE(ConvertPictogramCodes(kCarrierDocomo, Bytes("88 F8 9F"), kCarrierSoftbank, out));
  EXPECT_EQ(Notation(out), "88 F8 9F");
  // A half-width kana moves on by one byte, so the pictogram after it is found.
  ASSERT_TRUE(ConvertPictogramCodes(kCarrierDocomo, Bytes("B1 F8 9F"), kCarrierSoftbank, out));
  EXPECT_EQ(Notation(out), "B1 F9 8B");

  ASSERT_TRUE(ConvertPictogramCodes(kCarrierSoftbank, Bytes("F8 9F F9 8B"), kCarrierSoftbank, out));
  EXPECT_EQ(Notation(out), "F8 9F F9 8B");

  out = "kept";
  EXPECT_FALSE(ConvertPictogramCodes(kCarrierDocomo, "x", 2, out));
  EXPECT_FALSE(ConvertPictogramCodes(-1, "x", kCarrierDocomo, out));
  EXPECT_EQ(out, "kept");
}

// ---- The seeded random corpus ----

// Pieces the corpus is made of: everything the converters treat differently.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      Bytes("'a'"), Bytes("'Hello, world.'"), Bytes("20"), Bytes("7F"), Bytes("09"), Bytes("0D 0A"),
      Bytes("0D"), Bytes("0A"), Bytes("1B"),
      Bytes("82 A0"), Bytes("88 9F"), Bytes("93 FA 96 7B"), Bytes("81 40"), Bytes("EA A4"),  // JIS X 0208
      Bytes("87 40"), Bytes("ED 40"), Bytes("EE FC"),                                      // NEC
      Bytes("FA 40"), Bytes("FC 4B"), Bytes("F0 40"), Bytes("F7 9F"),                      // extensions
      Bytes("F8 9F"), Bytes("F9 FC"), Bytes("F8 A5"), Bytes("F9 55"), Bytes("F9 53"),      // pictograms
      Bytes("B1"), Bytes("DF"), Bytes("A0"),                                               // half-width
      Bytes("82 0D"), Bytes("82 7F"), Bytes("F8 0A"), Bytes("80 41"), Bytes("FF FF"), Bytes("FD 40"),
  };
  return pieces;
}

std::string RandomText(std::mt19937& rng, std::size_t pieces) {
  std::string s;
  std::uniform_int_distribution<std::size_t> pick(0, Pieces().size() - 1);
  for (std::size_t i = 0; i < pieces; ++i) s += Pieces()[pick(rng)];
  if (rng() % 8 == 0) s += '\x82';  // now and then a lead byte at the end
  return s;
}

// Whether every CR and LF of the text belongs to a CR LF pair, and it holds no ESC byte of
// its own (bytes the converters copy as they are, which the check below cannot tell from
// the escapes they write).
bool OnlyWholeLineBreaks(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b') return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// The ISO-2022-JP escape state at every CR LF and at the end is ASCII.
void ExpectAsciiAtLineEnds(const std::string& jis) {
  bool ascii = true;
  for (std::size_t i = 0; i < jis.size(); ++i) {
    if (jis[i] == '\x1b' && i + 2 < jis.size()) {
      ascii = jis[i + 1] == '(' && jis[i + 2] == 'B';
      i += 2;
    } else if (jis[i] == '\r' && i + 1 < jis.size() && jis[i + 1] == '\n') {
      EXPECT_TRUE(ascii) << "CR LF inside a two-byte run: " << Notation(jis);
    }
  }
  EXPECT_TRUE(ascii) << "does not end in ASCII: " << Notation(jis);
}

TEST(CarrierTextConverter, LengthFunctionsMatchTheConvertersOnARandomCorpus) {
  std::mt19937 rng(20240611);
  const Call calls[] = {
      {k252, kPictogramReplace}, {k252, kPictogramDrop}, {k252, 5},
      {k200, kPictogramReplace}, {k200, kPictogramDrop}, {k200, -1},
      {kPlain, kJisReplace}, {kPlain, kJisDrop}, {kPlain, 0},
      {kPlain, kJisReplace, kAsciiEscJ, kKanjiEscAt}, {kPlain, kJisDrop, kAsciiEscJ, kKanjiEscB},
  };
  int converted = 0, failed = 0;
  for (int n = 0; n < 1500; ++n) {
    const std::string text = RandomText(rng, rng() % 24);
    for (const Call& c : calls) {
      const Result r = Convert(c, text);
      if (!r.ok) {
        ++failed;
        continue;
      }
      ++converted;
      SCOPED_TRACE("text " + Notation(text));
      if (OnlyWholeLineBreaks(text)) ExpectAsciiAtLineEnds(r.bytes);
      if (c.family != k252) {
        for (const char b : r.bytes)
          ASSERT_LT(static_cast<unsigned char>(b), 0x80) << "not 7-bit: " << Notation(r.bytes);
      }
    }
    ASSERT_FALSE(::testing::Test::HasFailure()) << "text " << Notation(text);
  }
  // The corpus reaches both outcomes often.
  EXPECT_GT(converted, 5000);
  EXPECT_GT(failed, 1000);
}

TEST(CarrierTextConverter, PlainConversionReadsBackToTheSameShiftJis) {
  // Text every side agrees on comes back unchanged through the core's ISO-2022-JP reader.
  std::mt19937 rng(7);
  const std::vector<std::string> pieces = {Bytes("'Dear customer,'"), Bytes("20"), Bytes("0D 0A"),
                                           Bytes("09"), Bytes("82 A0 82 E8 82 AA 82 C6 82 A4"),
                                           Bytes("93 FA 96 7B 8C EA"), Bytes("81 40"), Bytes("83 41 83 93"),
                                           Bytes("EA A4"), Bytes("'2024'")};
  for (int n = 0; n < 300; ++n) {
    std::string text;
    for (std::size_t k = rng() % 30; k > 0; --k) text += pieces[rng() % pieces.size()];
    std::string jis;
    ASSERT_TRUE(ConvertSjisToJis(text, jis, kAsciiEscB, kKanjiEscB, kJisReplace));
    std::string pict;
    ASSERT_TRUE(ConvertSjisToJis200(text, pict, kPictogramReplace));
    EXPECT_EQ(KCodeC().jis7tosj(jis), text) << Notation(jis);
    EXPECT_EQ(KCodeC().jis7tosj(pict), text) << Notation(pict);
  }
}

}  // namespace
}  // namespace compose
