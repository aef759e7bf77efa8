#pragma once
// The pictogram code tables of outgoing mail.
//
// Composed text keeps every pictogram as its NTT DoCoMo Shift_JIS code (lead 0xF8 or
// 0xF9). When a mail part is built for a phone, these tables say which bytes that phone's
// carrier expects instead:
//  - CImodeJisPictogramTable: the 252 NTT DoCoMo codes -> the two-byte codes (first byte
//    0x90-0x92, second 0x21-0x7E) written inside an ESC $ B run for NTT DoCoMo;
//  - CEzwebJisPictogramTable: the 200 pictograms of the palettes -> au TU-KA JIS codes
//    (rows 0x75-0x7B); several pictograms may share one au code;
//  - CPictogramCrossTable: the same 200 pictograms as NTT DoCoMo (row 0) and as SoftBank
//    Shift_JIS codes (row 1, leads 0xF7, 0xF9, 0xFB), matched by position;
//  - CJisEscapeTable: the four ISO-2022-JP designations, by escape kind.
// The palettes offer exactly the 200 pictograms, in the order of these tables.
//
// The carrier rows are generated data (pictogram_table_data.h, from the carriers' published
// correspondence); they define what phones receive and never change. Every table is
// constant data, complete before the first instruction of the program runs, so the GUI
// thread and the send/receive worker read them at once without locking.
//
// Look-ups give what a linear search from entry 0 gives (the first match wins; a SoftBank
// code shared by several pictograms finds the lowest index), through direct indexes.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace compose {

// Designations of ISO-2022-JP, by escape kind (the index into CJisEscapeTable).
enum JisEscapeKind : int {
  kEscAscii = 0,     // ESC ( B
  kEscJisRoman = 1,  // ESC ( J
  kEscJis1978 = 2,   // ESC $ @
  kEscJis1983 = 3,   // ESC $ B
};

class CJisEscapeTable {
 public:
  static constexpr int kCount = 4;
  // The three bytes of the designation of `index` (0-3, JisEscapeKind); "" for any other.
  std::string_view GetEscape(int index) const;
};

// One entry of the two JIS tables: source code (lead, trail, NUL), the escape kind under
// which the mapped code is written (kEscJis1983 for every entry) and the mapped code.
struct PictogramJisEntry {
  char source[3];
  int escapeKind;
  char mapped[3];
};

// A table from NTT DoCoMo codes to JIS-mode codes. Source codes are unique.
class CPictogramJisTable {
 public:
  // The entry whose source code equals the first two bytes of `code`, or nullptr (also
  // for a view shorter than two bytes).
  const PictogramJisEntry* FindPictogram(std::string_view code) const {
    if (code.size() < 2) return nullptr;
    const auto lead = static_cast<unsigned char>(code[0]);
    if (lead != 0xF8 && lead != 0xF9) return nullptr;
    const uint8_t slot = index_[(lead - 0xF8) * 256 + static_cast<unsigned char>(code[1])];
    return slot ? &entries_[slot - 1] : nullptr;
  }
  std::span<const PictogramJisEntry> Entries() const { return {entries_, count_}; }

 protected:
  constexpr explicit CPictogramJisTable(std::span<const PictogramJisEntry> entries)
      : entries_(entries.data()), count_(entries.size()) {
    for (std::size_t i = entries.size(); i-- > 0;) {  // backwards: the first of equal codes wins
      const auto lead = static_cast<unsigned char>(entries[i].source[0]);
      const auto trail = static_cast<unsigned char>(entries[i].source[1]);
      if (lead == 0xF8 || lead == 0xF9) index_[(lead - 0xF8) * 256 + trail] = static_cast<uint8_t>(i + 1);
    }
  }

 private:
  const PictogramJisEntry* entries_;
  std::size_t count_;
  std::array<uint8_t, 512> index_{};  // lead 0xF8/0xF9 x trail -> entry + 1, 0 for none
};

// All 252 NTT DoCoMo pictograms: 0xF89F-0xF8FC, 0xF940-0xF949, 0xF950-0xF952,
// 0xF955-0xF957, 0xF95B-0xF95E, 0xF972-0xF97E, 0xF980-0xF9FC, ascending.
class CImodeJisPictogramTable : public CPictogramJisTable {
 public:
  static constexpr std::size_t kCount = 252;
  constexpr CImodeJisPictogramTable();
  // Whether the first two bytes of `code` are one of the 252 codes.
  bool ContainsPictogram(std::string_view code) const { return FindPictogram(code) != nullptr; }
};

// The 200 pictograms of the palettes, in palette order.
class CEzwebJisPictogramTable : public CPictogramJisTable {
 public:
  static constexpr std::size_t kCount = 200;
  constexpr CEzwebJisPictogramTable();
};

// One two-byte Shift_JIS code; an empty code is two NULs. Only a Shift_JIS double-byte
// character is ever stored, so an empty code matches nothing.
class PictogramCode {
 public:
  constexpr PictogramCode() = default;
  // Stores lead and trail when they form a Shift_JIS double-byte character (result true);
  // otherwise leaves the code as it was (result false).
  constexpr bool SetCode(unsigned char lead, unsigned char trail) {
    if (!((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))) return false;
    if (trail < 0x40 || trail > 0xFC || trail == 0x7F) return false;
    bytes_[0] = static_cast<char>(lead);
    bytes_[1] = static_cast<char>(trail);
    return true;
  }
  constexpr void Clear() { bytes_[0] = bytes_[1] = '\0'; }
  constexpr bool IsEmpty() const { return bytes_[0] == '\0'; }
  constexpr unsigned char Lead() const { return static_cast<unsigned char>(bytes_[0]); }
  constexpr unsigned char Trail() const { return static_cast<unsigned char>(bytes_[1]); }
  // The two bytes ("" for an empty code).
  std::string_view Bytes() const { return IsEmpty() ? std::string_view() : std::string_view(bytes_.data(), 2); }

 private:
  std::array<char, 3> bytes_{};  // lead, trail, NUL
};

// The 200 pictograms as NTT DoCoMo codes (row 0) and SoftBank codes (row 1), matched by
// position; entries 200 and 201 of both rows stay empty.
class CPictogramCrossTable {
 public:
  static constexpr int kRows = 2;
  static constexpr int kRowDocomo = 0;
  static constexpr int kRowSoftbank = 1;
  static constexpr int kEntries = 202;
  static constexpr int kCommon = 200;

  constexpr CPictogramCrossTable();

  // The index of the first entry of `row` whose code is lead/trail: true with `index` set;
  // false (index untouched) when there is none or when the row is not 0 or 1.
  bool FindIndex(int row, unsigned char lead, unsigned char trail, int& index) const {
    if (row < 0 || row >= kRows) return false;
    const int slot = Slot(lead, trail);
    if (slot < 0 || index_[row][slot] == 0) return false;
    index = index_[row][slot] - 1;
    return true;
  }
  // The kEntries codes of `row`; empty for a row other than 0 or 1.
  std::span<const PictogramCode> GetEntry(int row) const {
    if (row < 0 || row >= kRows) return {};
    return {rows_[row].data(), rows_[row].size()};
  }

 private:
  // Leads 0xF7-0xF9 and 0xFB (the only leads either row holds) x trail.
  static constexpr int Slot(unsigned char lead, unsigned char trail) {
    const int block = lead == 0xFB ? 3 : lead - 0xF7;
    return (block < 0 || block > 3) ? -1 : block * 256 + trail;
  }
  std::array<std::array<PictogramCode, kEntries>, kRows> rows_{};
  std::array<std::array<uint8_t, 4 * 256>, kRows> index_{};  // slot -> index + 1, 0 for none
};

// The program's tables (constant, shared by every thread).
const CImodeJisPictogramTable& ImodeJisPictogramTable();
const CEzwebJisPictogramTable& EzwebJisPictogramTable();
const CPictogramCrossTable& PictogramCrossTable();
const CJisEscapeTable& JisEscapeTable();

}  // namespace compose
