#include "app/mailtext/pictogram_tables.h"

#include "app/mailtext/pictogram_table_data.h"

namespace compose {

namespace {

namespace data = pictogram_data;

constexpr PictogramJisEntry MakeEntry(uint16_t source, uint16_t mapped) {
  return PictogramJisEntry{{static_cast<char>(source >> 8), static_cast<char>(source & 0xFF), '\0'},
                           kEscJis1983,
                           {static_cast<char>(mapped >> 8), static_cast<char>(mapped & 0xFF), '\0'}};
}

template <std::size_t N>
constexpr std::array<PictogramJisEntry, N> MakeImodeEntries() {
  std::array<PictogramJisEntry, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = MakeEntry(data::kImodeJis[i].source, data::kImodeJis[i].mapped);
  return out;
}

template <std::size_t N>
constexpr std::array<PictogramJisEntry, N> MakeEzwebEntries() {
  std::array<PictogramJisEntry, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = MakeEntry(data::kCommon[i].docomo, data::kCommon[i].ezwebJis);
  return out;
}

static_assert(std::size(data::kImodeJis) == CImodeJisPictogramTable::kCount);
static_assert(std::size(data::kCommon) == CEzwebJisPictogramTable::kCount);
static_assert(std::size(data::kCommon) == CPictogramCrossTable::kCommon);

constexpr std::array<PictogramJisEntry, CImodeJisPictogramTable::kCount> kImodeEntries =
    MakeImodeEntries<CImodeJisPictogramTable::kCount>();
constexpr std::array<PictogramJisEntry, CEzwebJisPictogramTable::kCount> kEzwebEntries =
    MakeEzwebEntries<CEzwebJisPictogramTable::kCount>();

}  // namespace

std::string_view CJisEscapeTable::GetEscape(int index) const {
  static constexpr std::string_view kEscapes[kCount] = {"\x1b(B", "\x1b(J", "\x1b$@", "\x1b$B"};
  return index >= 0 && index < kCount ? kEscapes[index] : std::string_view();
}

constexpr CImodeJisPictogramTable::CImodeJisPictogramTable()
    : CPictogramJisTable(kImodeEntries) {}

constexpr CEzwebJisPictogramTable::CEzwebJisPictogramTable()
    : CPictogramJisTable(kEzwebEntries) {}

constexpr CPictogramCrossTable::CPictogramCrossTable() {
  for (int i = 0; i < kCommon; ++i) {
    const uint16_t codes[kRows] = {data::kCommon[i].docomo, data::kCommon[i].softbank};
    for (int row = 0; row < kRows; ++row) {
      const auto lead = static_cast<unsigned char>(codes[row] >> 8);
      const auto trail = static_cast<unsigned char>(codes[row] & 0xFF);
      rows_[row][i].SetCode(lead, trail);
      const int slot = Slot(lead, trail);
      if (slot >= 0 && index_[row][slot] == 0) index_[row][slot] = static_cast<uint8_t>(i + 1);
    }
  }
}

const CImodeJisPictogramTable& ImodeJisPictogramTable() {
  static constexpr CImodeJisPictogramTable table;
  return table;
}

const CEzwebJisPictogramTable& EzwebJisPictogramTable() {
  static constexpr CEzwebJisPictogramTable table;
  return table;
}

const CPictogramCrossTable& PictogramCrossTable() {
  static constexpr CPictogramCrossTable table;
  return table;
}

const CJisEscapeTable& JisEscapeTable() {
  static constexpr CJisEscapeTable table;
  return table;
}

}  // namespace compose
