#pragma once
// Byte classes of Shift_JIS text and the arithmetic mapping between Shift_JIS and
// JIS X 0208 row/cell bytes, shared by every function that walks Japanese text.

#include <cstddef>
#include <cstdint>
#include <cstring>

// First byte of a two-byte character: 0x81-0x9F and 0xE0-0xFC (0xF0-0xFC are the
// user-defined characters and carrier pictograms; they are two-byte characters too).
constexpr bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// Second byte of a two-byte character: 0x40-0x7E and 0x80-0xFC.
constexpr bool IsSjisTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
// Half-width katakana, signs included (0xA1-0xDF).
constexpr bool IsHalfWidthKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

// Shift_JIS pair -> JIS X 0208 row and cell bytes (0x21-0x7E for a JIS X 0208 character;
// other input gives other bytes, modulo 256, as the arithmetic does).
constexpr void SjisToJisPair(unsigned char s1, unsigned char s2, unsigned char& j1,
                             unsigned char& j2) {
  unsigned row = ((s1 <= 0x9F ? s1 - 0x71u : s1 - 0xB1u) * 2 + 1) & 0xFF;
  unsigned cell = s2;
  if (cell > 0x7F) --cell;
  if (cell >= 0x9E) {
    ++row;
    cell -= 0x7D;
  } else {
    cell -= 0x1F;
  }
  j1 = static_cast<unsigned char>(row);
  j2 = static_cast<unsigned char>(cell);
}

// JIS X 0208 row and cell bytes -> Shift_JIS pair; the inverse of SjisToJisPair.
constexpr void JisToSjisPair(unsigned char j1, unsigned char j2, unsigned char& s1,
                             unsigned char& s2) {
  unsigned lead = ((j1 + 1u) >> 1) + (j1 <= 0x5E ? 0x70u : 0xB0u);
  unsigned trail = (j1 & 1) ? j2 + 0x1Fu + (j2 >= 0x60 ? 1u : 0u) : j2 + 0x7Eu;
  s1 = static_cast<unsigned char>(lead);
  s2 = static_cast<unsigned char>(trail);
}

// Length of the run of 7-bit bytes at p (at most n), read eight bytes at a time.
inline size_t AsciiRunLength(const unsigned char* p, size_t n) {
  size_t k = 0;
  while (k + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, p + k, 8);
    if (w & 0x8080808080808080ULL) break;
    k += 8;
  }
  while (k < n && p[k] < 0x80) ++k;
  return k;
}
