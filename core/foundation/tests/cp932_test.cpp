#include "core/foundation/cp932.h"
#include "core/foundation/cp932_ibm_twins.h"
#include "core/foundation/md5.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// glibc's own answer, or nullopt-like "" with ok=false when it refuses.
std::string Iconv(const char* to, const char* from, std::string_view in, bool* ok) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string out(in.size() * 4 + 8, '\0');
  char* ip = const_cast<char*>(in.data());
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  *ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0;
  iconv_close(cd);
  out.resize(op - out.data());
  return out;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

TEST(Cp932, EveryCodeAgreesWithIconvAndRoundTrips) {
  int decoded = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string code = Bytes({lead, trail});
      bool ok;
      std::string expected = Iconv("UTF-8", "CP932", code, &ok);
      std::string utf8 = SjisToUtf8(code);
      if (!ok) {
        EXPECT_EQ(utf8, "\xEF\xBF\xBD") << std::hex << lead << trail;
        continue;
      }
      ++decoded;
      ASSERT_EQ(utf8, expected) << std::hex << lead << trail;
      // Encoding agrees with iconv too, duplicates included.
      EXPECT_EQ(Utf8ToSjis(utf8), Iconv("CP932", "UTF-8", utf8, &ok)) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(decoded, 9604);
  for (int b = 0; b < 256; ++b) {
    if (IsLead(b)) continue;
    bool ok;
    std::string expected = Iconv("UTF-8", "CP932", Bytes({b}), &ok);
    EXPECT_EQ(SjisToUtf8(Bytes({b})), ok ? expected : "\xEF\xBF\xBD") << b;
  }
}

// One character at a time (CodePointToSjis) too.
TEST(Cp932, EveryBmpCharacterEncodesAsIconvDoes) {
  for (char32_t u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u < 0xE000) {
      ASSERT_EQ(CodePointToSjis(u), " ") << std::hex << static_cast<uint32_t>(u);
      continue;
    }
    bool ok;
    std::string utf8 = Iconv("UTF-8", "UTF-32LE", std::string_view(reinterpret_cast<char*>(&u), 4), &ok);
    std::string expected = Iconv("CP932", "UTF-8", utf8, &ok);
    ASSERT_EQ(Utf8ToSjis(utf8), ok ? expected : " ") << std::hex << static_cast<uint32_t>(u);
    ASSERT_EQ(CodePointToSjis(u), ok ? expected : " ") << std::hex << static_cast<uint32_t>(u);
  }
  EXPECT_EQ(CodePointToSjis(0x1F600), " ");
}

TEST(Cp932, DuplicatesEncodeToTheWindowsCode) {
  struct { const char* utf8; std::string sjis; } cases[] = {
      {"\u2252", Bytes({0x81, 0xE0})},  // ≒ in JIS X 0208 and NEC row 13
      {"\u2235", Bytes({0x81, 0xE6})},  // ∵ also in IBM extensions
      {"\uFFE2", Bytes({0x81, 0xCA})},  // ￢ also 0xEEF9 and 0xFA54
      {"\u2160", Bytes({0x87, 0x54})},  // Ⅰ NEC row 13, not 0xFA4A
      {"\u3231", Bytes({0x87, 0x8A})},  // ㈱
      {"\u2170", Bytes({0xFA, 0x40})},  // ⅰ IBM, not NEC-selected 0xEEEF
      {"\u7E8A", Bytes({0xFA, 0x5C})},  // 纊 IBM, not NEC-selected 0xED40
      {"\u9AD9", Bytes({0xFB, 0xFC})},  // 髙 IBM, not NEC-selected 0xEEE0
      {"\uE000", Bytes({0xF0, 0x40})},  // user-defined area
      {"\uE757", Bytes({0xF9, 0xFC})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToSjis(c.utf8), c.sjis) << c.utf8;
    EXPECT_EQ(SjisToUtf8(c.sjis), c.utf8);
  }
}

TEST(Cp932, LookAlikesAreMappedNotBlanked) {
  EXPECT_EQ(Utf8ToSjis("\u301C\u2016\u2212\u00A2\u00A3\u00AC"),
            Bytes({0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x91, 0x81, 0x92, 0x81, 0xCA}));
}

TEST(Cp932, Utf8DecoderValidates) {
  struct { std::string in, out; } cases[] = {
      {"a\xF0\x9F\x98\x80" "bc", "a bc"},           // 4-byte emoji: one blank, ASCII kept
      {"\xE3\x81" "A", " A"},                      // cut sequence never swallows ASCII
      {"\xE3", " "},                               // cut by the end of the input
      {"\xF0\x9F\x98", " "},
      {"\xC0\xAF" "x", "  x"},                     // overlong: each byte invalid
      {"\xE0\x80\xAF", "   "},
      {"\xED\xA0\x80", "   "},                     // surrogate
      {"\xF4\x90\x80\x80", "    "},                // above U+10FFFF
      {"\x80\xBF", "  "},                          // stray continuation bytes
      {"\xFF" "z", " z"},
      {"\xE3\x81\x82\xE3\x81", Bytes({0x82, 0xA0}) + " "},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToSjis(c.in), c.out) << c.in;
}

TEST(Cp932, BrokenShiftJisBecomesReplacementAndKeepsAscii) {
  const std::string fffd = "\xEF\xBF\xBD";
  struct { std::string in, out; } cases[] = {
      {Bytes({0x82}), fffd},                             // lead byte at the end
      {Bytes({0x82, '0'}), fffd + "0"},                  // 0x30 is no trail byte
      {Bytes({0x82, 0x7F}), fffd + "\x7F"},
      {Bytes({0x85, 0x40}), fffd},                       // unassigned pair
      {Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}), fffd + fffd + fffd + fffd + fffd},
      {Bytes({0xB1, 0xDF}), "\uFF71\uFF9F"},             // half-width katakana
      {Bytes({0x5C, 0x7E}), "\\~"},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisToUtf8(c.in), c.out);
}

TEST(Cp932, RandomBytesNeverBreakEitherDirection) {
  std::mt19937 rng(932);
  for (int round = 0; round < 2000; ++round) {
    std::string s(rng() % 64, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    std::string utf8 = SjisToUtf8(s);
    std::string back = Utf8ToSjis(utf8);
    EXPECT_LE(back.size(), utf8.size());
    Utf8ToSjis(s);
    // Whatever went in, what comes out of SjisToUtf8 is valid UTF-8 (iconv accepts it).
    bool ok;
    Iconv("UTF-32LE", "UTF-8", utf8, &ok);
    EXPECT_TRUE(ok);
  }
}

TEST(Cp932, OtherCodesOfTheSameCharacter) {
  struct { uint16_t code, jisRow, preferred; } cases[] = {
      {0xFBFC, 0xEEE0, 0xFBFC},  // 髙: NEC-selected twin
      {0xFA40, 0xEEEF, 0xFA40},  // ⅰ
      {0xFA4A, 0x8754, 0x8754},  // Ⅰ: NEC row 13 comes first
      {0xFA54, 0x81CA, 0x81CA},  // ￢: JIS X 0208 comes first
      {0xEEE0, 0xEEE0, 0xFBFC},  // already in a JIS row; read back as the IBM code
      {0xEEF9, 0xEEF9, 0x81CA},
      {0xEEED, 0xEEED, 0xEEED},  // unassigned
      {0x8140, 0x8140, 0x8140},
      {0xF040, 0, 0xF040},       // user-defined: no JIS row
      {0xFC4C, 0, 0xFC4C},       // unassigned IBM code
      {0x82FF, 0, 0x82FF},       // no trail byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp932JisRowCode(c.code), c.jisRow) << std::hex << c.code;
    EXPECT_EQ(Cp932PreferredCode(c.code), c.preferred) << std::hex << c.code;
  }
  EXPECT_EQ(Cp932FromJisX0212(0x22, 0x43), 0xFA55);  // ￤
  EXPECT_EQ(Cp932FromJisX0212(0x74, 0x7B), 0xFBFC);  // 髙 where eucJP-ms puts it
  EXPECT_EQ(Cp932FromJisX0212(0x75, 0x21), 0xF540);  // first user-defined cell of eucJP-ms
  EXPECT_EQ(Cp932FromJisX0212(0x30, 0x21), 0);       // 丂: not in CP932
  EXPECT_EQ(Cp932FromJisX0212(0x7F, 0x21), 0);
}

TEST(Cp932, IbmTwinTableIsFrozenAndAgreesWithIconv) {
  // The twins decide the ISO-2022-JP bytes of every 髙 and 﨑 a recipient receives.
  // Regenerating with scripts/gen_cp932_ibm_twins.py must give the same table.
  std::string bytes;
  for (uint16_t twin : cp932_ibm_twins::kCp932IbmTwins) {
    bytes.push_back(static_cast<char>(twin >> 8));
    bytes.push_back(static_cast<char>(twin));
  }
  EXPECT_EQ(XCMD5Encoder(bytes), "8b04fedfcccdca1fb815304324e4d9b5");

  // Every IBM extension has its twin inside the JIS rows, decoding to the same character,
  // in the order Windows prefers: JIS X 0208 and NEC row 13 first, else NEC-selected.
  int count = 0;
  for (unsigned code = 0xFA40; code <= 0xFC4B; ++code) {
    const unsigned trail = code & 0xFF;
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) continue;
    ++count;
    const auto pair = [](unsigned c) { return Bytes({static_cast<int>(c >> 8), static_cast<int>(c & 0xFF)}); };
    const uint16_t twin = Cp932JisRowCode(static_cast<uint16_t>(code));
    ASSERT_NE(twin, 0) << std::hex << code;
    EXPECT_EQ(SjisToUtf8(pair(twin)), SjisToUtf8(pair(code))) << std::hex << code;
    const std::string preferred = Utf8ToSjis(SjisToUtf8(pair(code)));
    const unsigned lead = twin >> 8;
    if (static_cast<unsigned char>(preferred[0]) < 0xED)
      EXPECT_EQ(pair(twin), preferred) << std::hex << code;
    else
      EXPECT_TRUE(lead == 0xED || lead == 0xEE) << std::hex << code;
  }
  EXPECT_EQ(count, static_cast<int>(cp932_ibm_twins::kCount));
  EXPECT_EQ(Cp932JisRowCode(0xFC4C), 0);
}

TEST(Cp932, LiteralIsConvertedOnceAndStable) {
  const std::string& a = SjisLiteral("送信");
  EXPECT_EQ(a, Bytes({0x91, 0x97, 0x90, 0x4D}));
  std::vector<std::thread> threads;
  std::vector<const std::string*> seen(8);
  for (int k = 0; k < 8; ++k)
    threads.emplace_back([&seen, k] {
      for (int j = 0; j < 1000; ++j) SjisLiteral(("x" + std::to_string(j)).c_str());
      seen[k] = &SjisLiteral("送信");
    });
  for (auto& t : threads) t.join();
  for (auto* p : seen) EXPECT_EQ(p, &a);
}

}  // namespace
