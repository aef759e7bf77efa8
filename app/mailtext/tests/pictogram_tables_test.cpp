// The pictogram code tables: frozen bytes (what phones receive must never change), the
// rows the carriers' correspondence fixes, and the look-ups' edge cases.

#include "app/mailtext/pictogram_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/foundation/md5.h"

namespace compose {
namespace {

std::string Code(unsigned lead, unsigned trail) {
  return std::string{static_cast<char>(lead), static_cast<char>(trail)};
}

unsigned Word(const char* two) {
  return static_cast<unsigned char>(two[0]) << 8 | static_cast<unsigned char>(two[1]);
}

unsigned Word(const PictogramCode& c) { return c.Lead() << 8 | c.Trail(); }

// Every byte the tables hand out, in order.
std::string Serialize() {
  std::string s;
  for (const auto* table : {static_cast<const CPictogramJisTable*>(&ImodeJisPictogramTable()),
                            static_cast<const CPictogramJisTable*>(&EzwebJisPictogramTable())}) {
    for (const PictogramJisEntry& e : table->Entries()) {
      s.append(e.source, 3);
      s += static_cast<char>('0' + e.escapeKind);
      s.append(e.mapped, 3);
    }
  }
  for (int row = 0; row < CPictogramCrossTable::kRows; ++row)
    for (const PictogramCode& c : PictogramCrossTable().GetEntry(row)) s += Code(c.Lead(), c.Trail());
  for (int i = 0; i < CJisEscapeTable::kCount; ++i) s += JisEscapeTable().GetEscape(i);
  return s;
}

TEST(PictogramTables, GoldenBytes) {
  // Generated once from the carriers' published data; a change here changes what every
  // phone receives. Regenerating with scripts/gen_pictogram_tables.py must give the same.
  EXPECT_EQ(XCMD5Encoder(Serialize()), "7cb34fa4471dd7109d999247a69cccde");
}

TEST(PictogramTables, ImodeTableHoldsThe252CodesByItsRule) {
  const auto entries = ImodeJisPictogramTable().Entries();
  ASSERT_EQ(entries.size(), 252u);
  const unsigned ranges[][2] = {{0xF89F, 0xF8FC}, {0xF940, 0xF949}, {0xF950, 0xF952}, {0xF955, 0xF957},
                                {0xF95B, 0xF95E}, {0xF972, 0xF97E}, {0xF980, 0xF9FC}};
  std::size_t i = 0;
  for (const auto& r : ranges) {
    for (unsigned code = r[0]; code <= r[1]; ++code) {
      ASSERT_LT(i, entries.size());
      const PictogramJisEntry& e = entries[i++];
      EXPECT_EQ(Word(e.source), code);
      EXPECT_EQ(e.source[2], '\0');
      EXPECT_EQ(e.escapeKind, kEscJis1983);
      const unsigned trail = code & 0xFF;
      const unsigned first = code < 0xF900 ? 0x90 : trail < 0x9F ? 0x91 : 0x92;
      const unsigned cell = trail <= 0x7E ? trail - 0x1F : trail <= 0x9E ? trail - 0x20 : trail - 0x7E;
      EXPECT_EQ(Word(e.mapped), first << 8 | cell) << std::hex << code;
    }
  }
  EXPECT_EQ(i, 252u);
  const struct {
    unsigned from, to;
  } examples[] = {{0xF89F, 0x9021}, {0xF8FC, 0x907E}, {0xF940, 0x9121},
                  {0xF980, 0x9160}, {0xF99F, 0x9221}, {0xF9FC, 0x927E}};
  for (const auto& x : examples) {
    const PictogramJisEntry* e = ImodeJisPictogramTable().FindPictogram(Code(x.from >> 8, x.from & 0xFF));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Word(e->mapped), x.to);
  }
}

TEST(PictogramTables, CommonPictogramsInPaletteOrderWithTheCarriersRows) {
  const auto ezweb = EzwebJisPictogramTable().Entries();
  const auto docomo = PictogramCrossTable().GetEntry(CPictogramCrossTable::kRowDocomo);
  const auto softbank = PictogramCrossTable().GetEntry(CPictogramCrossTable::kRowSoftbank);
  ASSERT_EQ(ezweb.size(), 200u);
  ASSERT_EQ(docomo.size(), 202u);
  ASSERT_EQ(softbank.size(), 202u);

  std::set<unsigned> seen;
  for (std::size_t i = 0; i < 200; ++i) {
    EXPECT_EQ(Word(ezweb[i].source), Word(docomo[i])) << i;
    EXPECT_TRUE(ImodeJisPictogramTable().ContainsPictogram(ezweb[i].source)) << i;
    EXPECT_TRUE(seen.insert(Word(docomo[i])).second) << "repeated pictogram at " << i;
    EXPECT_EQ(ezweb[i].escapeKind, kEscJis1983);
    const auto row = static_cast<unsigned char>(ezweb[i].mapped[0]);
    const auto cell = static_cast<unsigned char>(ezweb[i].mapped[1]);
    EXPECT_TRUE(row >= 0x75 && row <= 0x7B && cell >= 0x21 && cell <= 0x7E) << i;
    EXPECT_TRUE(softbank[i].Lead() == 0xF7 || softbank[i].Lead() == 0xF9 || softbank[i].Lead() == 0xFB) << i;
  }
  for (std::size_t i = 200; i < 202; ++i) {
    EXPECT_TRUE(docomo[i].IsEmpty());
    EXPECT_TRUE(softbank[i].IsEmpty());
  }

  // The palette order: its first entries, a jump back in the middle, and the last one.
  EXPECT_EQ(Word(docomo[0]), 0xF89Fu);
  EXPECT_EQ(Word(docomo[6]), 0xF8A6u);
  const auto at = [&](unsigned code) {
    for (std::size_t i = 0; i < 200; ++i)
      if (Word(docomo[i]) == code) return static_cast<int>(i);
    return -1;
  };
  EXPECT_EQ(at(0xF9B0) + 1, at(0xF991));
  EXPECT_EQ(at(0xF9AD) + 1, at(0xF950));
  EXPECT_EQ(Word(docomo[199]), 0xF9FCu);

  // Rows the carriers' correspondence fixes.
  const struct {
    unsigned docomo, au;
  } au[] = {{0xF89F, 0x7541}, {0xF8A0, 0x7546}, {0xF8A1, 0x7545}, {0xF8A2, 0x753E},
            {0xF8A6, 0x7A3E}, {0xF8BF, 0x756A}, {0xF8C0, 0x756A}, {0xF9FC, 0x7877}};
  for (const auto& x : au) {
    const PictogramJisEntry* e = EzwebJisPictogramTable().FindPictogram(Code(x.docomo >> 8, x.docomo & 0xFF));
    ASSERT_NE(e, nullptr) << std::hex << x.docomo;
    EXPECT_EQ(Word(e->mapped), x.au) << std::hex << x.docomo;
  }
  const unsigned firstSoftbank[] = {0xF98B, 0xF98A, 0xF98C, 0xF989, 0xF77D, 0xFB84,
                                    0xFB7C, 0xF7DF, 0xF7E0, 0xF7E1, 0xF7E2, 0xF7E3};
  for (std::size_t i = 0; i < std::size(firstSoftbank); ++i) EXPECT_EQ(Word(softbank[i]), firstSoftbank[i]) << i;
}

TEST(PictogramTables, LookUps) {
  const CImodeJisPictogramTable& imode = ImodeJisPictogramTable();
  EXPECT_NE(imode.FindPictogram(Code(0xF9, 0x55)), nullptr);
  EXPECT_EQ(imode.FindPictogram(Code(0xF9, 0x53)), nullptr);
  EXPECT_EQ(imode.FindPictogram(Code(0xF9, 0x7F)), nullptr);
  EXPECT_EQ(imode.FindPictogram(std::string(1, '\xF8')), nullptr);  // no trail byte to read
  EXPECT_TRUE(imode.ContainsPictogram(Code(0xF8, 0xA5)));
  EXPECT_EQ(EzwebJisPictogramTable().FindPictogram(Code(0xF8, 0xA5)), nullptr);

  const CPictogramCrossTable& cross = PictogramCrossTable();
  int index = -7;
  EXPECT_TRUE(cross.FindIndex(0, 0xF8, 0x9F, index));
  EXPECT_EQ(index, 0);
  index = -7;
  EXPECT_FALSE(cross.FindIndex(0, 0, 0, index));  // an empty code matches nothing
  EXPECT_FALSE(cross.FindIndex(1, 0, 0, index));
  EXPECT_FALSE(cross.FindIndex(2, 0xF8, 0x9F, index));
  EXPECT_FALSE(cross.FindIndex(-1, 0xF8, 0x9F, index));
  EXPECT_FALSE(cross.FindIndex(1, 0xF8, 0x9F, index));  // a NTT DoCoMo code in the SoftBank row
  EXPECT_EQ(index, -7);
  EXPECT_TRUE(cross.GetEntry(2).empty());

  // A SoftBank code shared by several pictograms gives the lowest index, as a search from
  // the start would.
  const auto softbank = cross.GetEntry(CPictogramCrossTable::kRowSoftbank);
  for (int i = 0; i < CPictogramCrossTable::kCommon; ++i) {
    int found = -1;
    ASSERT_TRUE(cross.FindIndex(1, softbank[i].Lead(), softbank[i].Trail(), found));
    EXPECT_LE(found, i);
    EXPECT_EQ(Word(softbank[found]), Word(softbank[i]));
    for (int k = 0; k < found; ++k) EXPECT_NE(Word(softbank[k]), Word(softbank[i]));
  }
}

TEST(PictogramTables, CodeStoresOnlyDoubleByteCharacters) {
  PictogramCode c;
  EXPECT_TRUE(c.IsEmpty());
  EXPECT_EQ(c.Bytes(), "");
  EXPECT_TRUE(c.SetCode(0xF8, 0x9F));
  EXPECT_EQ(c.Bytes(), Code(0xF8, 0x9F));
  for (const auto& bad : {std::pair{0x00, 0x00}, {0x41, 0x41}, {0xFD, 0x40}, {0x81, 0x7F}, {0x81, 0xFD}, {0xA1, 0x40}}) {
    EXPECT_FALSE(c.SetCode(bad.first, bad.second));
    EXPECT_EQ(Word(c), 0xF89Fu) << "a refused code leaves the old one";
  }
  c.Clear();
  EXPECT_TRUE(c.IsEmpty());
}

TEST(PictogramTables, EscapeTable) {
  EXPECT_EQ(JisEscapeTable().GetEscape(kEscAscii), "\x1b(B");
  EXPECT_EQ(JisEscapeTable().GetEscape(kEscJisRoman), "\x1b(J");
  EXPECT_EQ(JisEscapeTable().GetEscape(kEscJis1978), "\x1b$@");
  EXPECT_EQ(JisEscapeTable().GetEscape(kEscJis1983), "\x1b$B");
  EXPECT_EQ(JisEscapeTable().GetEscape(4), "");
  EXPECT_EQ(JisEscapeTable().GetEscape(-1), "");
}

}  // namespace
}  // namespace compose
