// Character tests: the two-byte definition and the JIS repertoire tests that the content
// checks use to find machine-dependent characters.

#include "app/mailtext/sjis_chars.h"

#include <gtest/gtest.h>

#include <string>

#include "app/mailtext/tests/byte_notation.h"

namespace compose {
namespace {

using test::Bytes;

TEST(SjisChars, ByteAndPairTests) {
  EXPECT_TRUE(IsSjisDoubleByte(Bytes("FC FC")));
  EXPECT_TRUE(IsSjisDoubleByte(Bytes("81 40")));
  EXPECT_TRUE(IsSjisDoubleByte(Bytes("F8 9F")));
  EXPECT_FALSE(IsSjisDoubleByte(Bytes("FD 40")));
  EXPECT_FALSE(IsSjisDoubleByte(Bytes("81 7F")));
  EXPECT_FALSE(IsSjisDoubleByte(Bytes("80 40")));
  EXPECT_FALSE(IsSjisDoubleByte(Bytes("A0 40")));
  EXPECT_FALSE(IsSjisDoubleByte(Bytes("81")));  // no trail byte to read

  EXPECT_TRUE(IsCrLf("\r\nx"));
  EXPECT_FALSE(IsCrLf("\r"));
  EXPECT_FALSE(IsCrLf("\n\r"));

  EXPECT_TRUE(IsPrintableAscii(0x20));
  EXPECT_TRUE(IsPrintableAscii(0x7E));
  EXPECT_FALSE(IsPrintableAscii(0x7F));
  EXPECT_FALSE(IsPrintableAscii(0x09));
}

TEST(SjisChars, JisRepertoire) {
  const struct {
    const char* bytes;
    bool in1983, in1990;
  } cases[] = {
      {"41", true, true},        {"09", true, true},         {"80", false, false},
      {"B1", false, true},       {"A0", false, true},        {"81 40", true, true},
      {"84 BE", true, true},     // row 8
      {"85 40", false, false},   // row 9
      {"87 40", false, false},   // row 13 (NEC)
      {"88 9E", false, false},   // row 15
      {"88 9F", true, true},     // row 16
      {"EA 9E", true, true},     // row 83
      {"EA A2", true, true},     // row 84 cell 4
      {"EA A3", false, true},    // row 84 cell 5
      {"EA A4", false, true},    // row 84 cell 6
      {"EA A5", false, false},   // row 84 cell 7
      {"EB 40", false, false},   // row 85
      {"ED 40", false, false},   // NEC-selected IBM row 89
      {"F0 40", false, false},   {"FA 40", false, false},    {"FF 40", false, false},
      {"88 3F", false, false},   {"88 7F", false, false},    {"88 FD", false, false},
      {"88", false, false},      // no trail byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsJis1983Char(Bytes(c.bytes)), c.in1983) << c.bytes;
    EXPECT_EQ(IsJis1990Char(Bytes(c.bytes)), c.in1990) << c.bytes;
  }
}

// The same tests as the content check words them, by lead byte thresholds rather than by
// rows: both readings must agree on every pair.
bool StrictByThresholds(unsigned lead, unsigned trail) {
  if (lead <= 0x7F) return true;
  if ((lead >= 0xA0 && lead <= 0xDF) || lead == 0x80 || lead >= 0xF0) return false;
  if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
  if (lead <= 0x9F) {
    const int row = trail < 0x9F ? 2 * static_cast<int>(lead) - 257 : 2 * static_cast<int>(lead) - 256;
    return row <= 8 || row > 15;
  }
  if (trail < 0x9F) return lead < 0xEB;
  return lead < 0xEA || (lead == 0xEA && trail < 0xA3);
}

bool RelaxedByThresholds(unsigned lead, unsigned trail) {
  if (lead >= 0xA0 && lead <= 0xDF) return true;
  if (lead == 0xEA && trail >= 0x9F && trail <= 0xFC) return trail < 0xA5;
  return StrictByThresholds(lead, trail);
}

TEST(SjisChars, JisRepertoireAgreesWithTheThresholdReading) {
  for (unsigned lead = 0; lead < 256; ++lead) {
    for (unsigned trail = 0; trail < 256; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      ASSERT_EQ(IsJis1983Char(pair), StrictByThresholds(lead, trail)) << std::hex << lead << " " << trail;
      ASSERT_EQ(IsJis1990Char(pair), RelaxedByThresholds(lead, trail)) << std::hex << lead << " " << trail;
    }
  }
}

}  // namespace
}  // namespace compose
