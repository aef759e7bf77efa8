#include "app/mailtext/sjis_chars.h"

namespace compose {

namespace {

// Both tests; `lastRow84Cell` is the last cell of row 84 that passes (4 for the 1983 set,
// 6 for the 1990 set) and `halfWidthKana` whether 0xA0-0xDF pass.
bool IsJisChar(std::string_view bytes, int lastRow84Cell, bool halfWidthKana) {
  const unsigned lead = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
  if (lead <= 0x7F) return true;
  if (lead >= 0xA0 && lead <= 0xDF) return halfWidthKana;
  if (lead == 0x80 || lead >= 0xF0) return false;
  const unsigned trail = bytes.size() < 2 ? 0 : static_cast<unsigned char>(bytes[1]);
  if (!IsSjisTrailByte(static_cast<unsigned char>(trail))) return false;
  const bool upperHalf = trail >= 0x9F;  // the even row of the lead byte's pair of rows
  if (lead <= 0x9F) {
    const int row = static_cast<int>(2 * lead) - (upperHalf ? 0x100 : 0x101);
    return row < 9 || row > 15;
  }
  const int row = static_cast<int>(2 * lead) - (upperHalf ? 0x180 : 0x181);
  if (row < 84) return true;
  if (row > 84) return false;
  const int cell = static_cast<int>(trail) - 0x9E;
  return cell >= 1 && cell <= lastRow84Cell;
}

}  // namespace

bool IsJis1983Char(std::string_view bytes) { return IsJisChar(bytes, 4, false); }
bool IsJis1990Char(std::string_view bytes) { return IsJisChar(bytes, 6, true); }

}  // namespace compose
