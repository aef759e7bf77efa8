#include "core/foundation/kcode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/foundation/cp932.h"
#include "core/foundation/kana_convert.h"
#include "core/foundation/sjis_bytes.h"

namespace {

constexpr char kEsc = 0x1B;
constexpr unsigned char kSO = 0x0E;
constexpr unsigned char kSI = 0x0F;

// Output that grows as needed; writers reserve the few bytes of one step with Need().
class Out {
 public:
  explicit Out(size_t capacity) {
    s_.resize(capacity + 16);
    p_ = s_.data();
    end_ = p_ + s_.size();
  }
  void Need(size_t k) {
    if (static_cast<size_t>(end_ - p_) < k) Grow(k);
  }
  void Put(char c) { *p_++ = c; }
  void Put(unsigned char c) { *p_++ = static_cast<char>(c); }
  void Put(unsigned c) { *p_++ = static_cast<char>(c); }
  void Put(const char* s, size_t k) {
    std::memcpy(p_, s, k);
    p_ += k;
  }
  void Esc(char a, char b) {
    p_[0] = kEsc;
    p_[1] = a;
    p_[2] = b;
    p_ += 3;
  }
  size_t size() const { return static_cast<size_t>(p_ - s_.data()); }
  std::string Take() {
    s_.resize(size());
    return std::move(s_);
  }

 private:
  void Grow(size_t k) {
    size_t used = size();
    s_.resize(std::max(s_.size() * 2, used + k + 64));
    p_ = s_.data() + used;
    end_ = s_.data() + s_.size();
  }
  std::string s_;
  char* p_;
  char* end_;
};

constexpr uint64_t kHigh = 0x8080808080808080ULL;

// What stands for a character that has no form in the code written, and for a byte that
// starts no character: one blank, as for characters of UTF-8 text that Shift_JIS lacks.
constexpr unsigned char kSpaceByte = 0x20;

inline size_t AsciiRun(const unsigned char* p, size_t n) { return AsciiRunLength(p, n); }

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

constexpr std::array<uint8_t, 256> MakeRangeTable(int lo, int hi) {
  std::array<uint8_t, 256> t{};
  for (int b = lo; b <= hi; ++b) t[b] = 1;
  return t;
}
constexpr std::array<uint8_t, 256> MakeLeadTable() {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = IsSjisLeadByte(static_cast<unsigned char>(b));
  return t;
}
constexpr auto kSjisLead = MakeLeadTable();
constexpr auto kSjisTrail = [] {
  auto t = MakeRangeTable(0x40, 0xFC);
  t[0x7F] = 0;
  return t;
}();
constexpr auto kKanaByte = MakeRangeTable(0xA1, 0xDF);
constexpr auto kEucByte = MakeRangeTable(0xA1, 0xFE);
constexpr auto kRowCellByte = MakeRangeTable(0x21, 0x7E);
// The arithmetic mapping of sjis_bytes.h as tables, for the common pairs of the fast paths;
// a zero entry sends a byte to the careful path.
//
// Shift_JIS lead byte -> the first of its two JIS rows (lead bytes 0x81-0x9F, 0xE0-0xEF,
// whose pairs all land in rows 0x21-0x7E).
constexpr auto kSjisLeadRow = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 0x81; b <= 0xEF; ++b)
    if (b <= 0x9F || b >= 0xE0) t[b] = static_cast<uint8_t>((b <= 0x9F ? b - 0x71 : b - 0xB1) * 2 + 1);
  return t;
}();
// Shift_JIS trail byte -> JIS cell, plus 0x80 when the pair lies in the second row.
constexpr auto kSjisTrailCell = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0x40; c <= 0xFC; ++c) {
    if (c == 0x7F) continue;
    int cell = c > 0x7F ? c - 1 : c;
    t[c] = static_cast<uint8_t>(cell >= 0x9E ? 0x80 | (cell - 0x7D) : cell - 0x1F);
  }
  return t;
}();
// JIS row and cell -> Shift_JIS lead and trail, indexed by the byte as it stands: 7-bit
// (ISO-2022-JP) or with the high bit set (EUC-JP). Rows 0x79-0x7C are left to the careful
// path: they give the codes the rest of the program uses.
struct JisToSjisTables {
  std::array<uint8_t, 256> lead;
  std::array<uint8_t, 256> trail[2];  // [row & 1][cell]
};
constexpr JisToSjisTables MakeJisToSjisTables(int high) {
  JisToSjisTables t{};
  for (int j = 0x21; j <= 0x7E; ++j) {
    unsigned char s1, s2;
    if (j < 0x79 || j > 0x7C) {
      JisToSjisPair(static_cast<unsigned char>(j), 0x21, s1, s2);
      t.lead[j | high] = s1;
    }
    JisToSjisPair(0x21, static_cast<unsigned char>(j), s1, s2);
    t.trail[1][j | high] = s2;
    JisToSjisPair(0x22, static_cast<unsigned char>(j), s1, s2);
    t.trail[0][j | high] = s2;
  }
  return t;
}
constexpr JisToSjisTables kJisToSjis = MakeJisToSjisTables(0);
constexpr JisToSjisTables kEucToSjis = MakeJisToSjisTables(0x80);

constexpr bool TablesAgreeWithTheArithmetic() {
  for (int b = 0x81; b <= 0xEF; ++b) {
    if (!kSjisLeadRow[b]) continue;
    for (int c = 0x40; c <= 0xFC; ++c) {
      if (!kSjisTrailCell[c]) continue;
      unsigned char j1, j2, s1, s2;
      SjisToJisPair(static_cast<unsigned char>(b), static_cast<unsigned char>(c), j1, j2);
      if (j1 != kSjisLeadRow[b] + (kSjisTrailCell[c] >> 7) || j2 != (kSjisTrailCell[c] & 0x7F))
        return false;
      JisToSjisPair(j1, j2, s1, s2);
      if (j1 < 0x79 || j1 > 0x7C) {
        if (kJisToSjis.lead[j1] != s1 || kJisToSjis.trail[j1 & 1][j2] != s2) return false;
        if (kEucToSjis.lead[j1 | 0x80] != s1 || kEucToSjis.trail[j1 & 1][j2 | 0x80] != s2)
          return false;
      }
    }
  }
  return true;
}
static_assert(TablesAgreeWithTheArithmetic());

// One Shift_JIS character of 0x80 or above (no half-width kana) on its way to JIS X 0208:
// len bytes taken (0 when a lead byte is cut off by the end, 1 for a byte that starts no
// character), ok with j1, j2 when it has a row and cell of 0x21-0x7E. An IBM extension
// takes its twin's row; the user-defined area has none.
struct SjisStep {
  unsigned len;
  bool ok;
  unsigned char j1, j2;
};
inline SjisStep SjisToJisStep(const unsigned char* in, size_t n, size_t i) {
  SjisStep step{1, false, 0, 0};
  unsigned char b = in[i];
  if (!kSjisLead[b]) return step;
  if (i + 1 >= n) return {0, false, 0, 0};
  unsigned char c = in[i + 1];
  if (!kSjisTrail[c]) return step;
  step.len = 2;
  if (b > 0xEF) {
    uint16_t twin = Cp932JisRowCode(static_cast<uint16_t>(b << 8 | c));
    if (twin == 0) return step;
    b = static_cast<unsigned char>(twin >> 8);
    c = static_cast<unsigned char>(twin);
  }
  SjisToJisPair(b, c, step.j1, step.j2);
  step.ok = true;
  return step;
}

// Writes the Shift_JIS pair of JIS row and cell bytes; rows 0x79-0x7C (the NEC-selected IBM
// extensions) give the codes the rest of the program uses for those characters.
inline void PutSjisOfJis(Out& out, unsigned char j1, unsigned char j2) {
  unsigned char s1, s2;
  JisToSjisPair(j1, j2, s1, s2);
  if (j1 >= 0x79 && j1 <= 0x7C) {
    uint16_t code = Cp932PreferredCode(static_cast<uint16_t>(s1 << 8 | s2));
    s1 = static_cast<unsigned char>(code >> 8);
    s2 = static_cast<unsigned char>(code);
  }
  out.Put(s1);
  out.Put(s2);
}

// Writes the CP932 form of a JIS X 0212 character, a blank when CP932 has none.
inline void PutSjisOfJisX0212(Out& out, unsigned char j1, unsigned char j2) {
  uint16_t code = Cp932FromJisX0212(j1, j2);
  if (code == 0) {
    out.Put(kSpaceByte);
  } else {
    if (code > 0xFF) out.Put(static_cast<unsigned char>(code >> 8));
    out.Put(static_cast<unsigned char>(code));
  }
}

// One EUC-JP character of 0x80 or above; its length is EucLength.
enum EucKind { kEucCut, kEucBad, kEucKana, kEucX0212, kEucPair };
inline EucKind EucStep(const unsigned char* in, size_t n, size_t i) {
  unsigned char b = in[i];
  if (b == 0x8E) {
    if (i + 1 >= n) return kEucCut;
    return kKanaByte[in[i + 1]] ? kEucKana : kEucBad;
  }
  if (b == 0x8F) {
    if (i + 1 >= n) return kEucCut;
    if (!kEucByte[in[i + 1]]) return kEucBad;
    if (i + 2 >= n) return kEucCut;
    return kEucByte[in[i + 2]] ? kEucX0212 : kEucBad;
  }
  if (!kEucByte[b]) return kEucBad;
  if (i + 1 >= n) return kEucCut;
  return kEucByte[in[i + 1]] ? kEucPair : kEucBad;
}
constexpr size_t EucLength(EucKind kind) { return kind == kEucX0212 ? 3 : kind == kEucBad ? 1 : 2; }

enum Mode { kAscii, kRoman, kKanji, kKana, kX0212 };

// Shift_JIS -> ISO-2022-JP; header selects the encoded-word variant. Only 7-bit bytes
// come out, whatever goes in.
std::string SjisToJis(std::string_view text, bool widenKana, bool header, int segmentLength) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  const CKanaConvertTbl& kana = CSjisKanaConverter::m_KanaConvTbl;
  Out out(n + n / 8);
  Mode mode = kAscii;
  const Mode sevenBit = header ? kRoman : kAscii;
  size_t segmentStart = 0;
  size_t i = 0;
  auto closeSegment = [&] {
    if (!header || out.size() - segmentStart <= static_cast<size_t>(std::max(segmentLength, 0)))
      return;
    if (mode != kAscii) {
      out.Need(3);
      out.Esc('(', 'B');
      mode = kAscii;
    }
    segmentStart = out.size();
  };
  auto putSevenBit = [&](unsigned char b) {
    closeSegment();
    out.Need(4);
    if (mode != sevenBit) out.Esc('(', header ? 'J' : 'B');
    mode = sevenBit;
    out.Put(b);
  };
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      if (header) {
        putSevenBit(b);
        ++i;
        continue;
      }
      size_t run = AsciiRun(in + i, n - i);
      out.Need(run + 3);
      if (mode != sevenBit) out.Esc('(', 'B');
      mode = sevenBit;
      out.Put(text.data() + i, run);
      i += run;
    } else if (IsHalfWidthKana(b)) {
      closeSegment();
      out.Need(5);
      if (widenKana) {
        if (mode != kKanji) out.Esc('$', 'B');
        mode = kKanji;
        out.Put(kana.ConvHalfKanaToJisX208Kana(b, 0, 0), 2);
      } else {
        if (mode != kKana) out.Esc('(', 'I');
        mode = kKana;
        out.Put(b & 0x7Fu);
      }
      ++i;
    } else {
      unsigned char j1, j2;
      uint8_t row = kSjisLeadRow[b], cell = i + 1 < n ? kSjisTrailCell[in[i + 1]] : 0;
      if (row && cell) {
        j1 = static_cast<unsigned char>(row + (cell >> 7));
        j2 = cell & 0x7F;
        i += 2;
      } else {
        SjisStep step = SjisToJisStep(in, n, i);
        if (step.len == 0) break;  // a lead byte cut off by the end ends the conversion
        i += step.len;
        if (!step.ok) {
          putSevenBit(kSpaceByte);
          continue;
        }
        j1 = step.j1, j2 = step.j2;
      }
      closeSegment();
      out.Need(5);
      if (mode != kKanji) out.Esc('$', 'B');
      mode = kKanji;
      out.Put(j1);
      out.Put(j2);
    }
  }
  out.Need(3);
  if (mode != kAscii) out.Esc('(', 'B');
  return out.Take();
}

// An escape sequence of ISO-2022-JP (the bytes after ESC) that the readers know.
enum class Designation { kNone, kAscii, kRoman, kKanji, kKana, kKanaG1, kX0212, kX0212G1 };
Designation Designates(std::string_view seq) {
  if (seq == "(B") return Designation::kAscii;
  if (seq == "(J") return Designation::kRoman;
  if (seq == "$B" || seq == "$@") return Designation::kKanji;
  if (seq == "(I") return Designation::kKana;
  if (seq == ")I") return Designation::kKanaG1;
  if (seq == "$(D") return Designation::kX0212;
  if (seq == ")D") return Designation::kX0212G1;
  return Designation::kNone;
}

// ISO-2022-JP -> Shift_JIS (toEuc false) or EUC-JP (toEuc true). Nothing known is dropped:
// an escape sequence the reader does not know is kept as its bytes, a byte that fits no
// character of the current set becomes a blank, and reading goes on.
std::string JisTo(std::string_view text, bool toEuc) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  Out out(toEuc ? n + n / 4 : n);
  Mode g0 = kAscii;
  bool shiftToX0212 = false;  // what SO selects: kana, or JIS X 0212 after ESC ) D
  bool shifted = false;
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b == kEsc) {
      // ESC, intermediate bytes 0x20-0x2F, a final byte 0x30-0x7E.
      size_t k = i + 1;
      while (k < n && in[k] >= 0x20 && in[k] <= 0x2F) ++k;
      if (k >= n) break;  // an escape cut off by the end
      if (in[k] < 0x30 || in[k] > 0x7E) {  // no escape sequence: the ESC alone is kept
        out.Need(1);
        out.Put(b);
        ++i;
        continue;
      }
      switch (Designates(text.substr(i + 1, k - i))) {
        case Designation::kAscii: g0 = kAscii, shiftToX0212 = false; break;
        case Designation::kRoman: g0 = kRoman, shiftToX0212 = false; break;
        case Designation::kKanji: g0 = kKanji, shiftToX0212 = false; break;
        case Designation::kKana:
          shiftToX0212 = false;
          if (!toEuc) g0 = kKana;
          break;
        case Designation::kKanaG1: shiftToX0212 = false; break;
        case Designation::kX0212: g0 = kX0212, shiftToX0212 = false; break;
        case Designation::kX0212G1:
          shiftToX0212 = true;
          if (!toEuc) g0 = kX0212;
          break;
        case Designation::kNone:  // e.g. a terminal colour sequence: kept as it is
          out.Need(k + 1 - i);
          out.Put(text.data() + i, k + 1 - i);
          break;
      }
      i = k + 1;
      continue;
    }
    if (b == kSO) {
      shifted = true;
      ++i;
      continue;
    }
    if (b == kSI) {
      shifted = false;
      ++i;
      continue;
    }
    Mode set = shifted ? (shiftToX0212 ? kX0212 : kKana) : g0;
    if (set == kAscii || set == kRoman) {
      // Up to the next escape or shift.
      size_t k = i;
      while (k < n && in[k] != kEsc && in[k] != kSO && in[k] != kSI) ++k;
      out.Need(k - i);
      out.Put(text.data() + i, k - i);
      i = k;
      continue;
    }
    if (set == kKanji) {
      // The body of a kanji run, a pair at a time; no pair gives more bytes than it takes.
      const size_t start = i;
      out.Need(n - i);
      if (toEuc) {
        for (; i + 1 < n && kRowCellByte[in[i]] && kRowCellByte[in[i + 1]]; i += 2) {
          out.Put(in[i] | 0x80u);
          out.Put(in[i + 1] | 0x80u);
        }
      } else {
        for (; i + 1 < n; i += 2) {
          uint8_t s1 = kJisToSjis.lead[in[i]], s2 = kJisToSjis.trail[in[i] & 1][in[i + 1]];
          if (!s1 || !s2) break;
          out.Put(s1);
          out.Put(s2);
        }
      }
      if (i != start) continue;
    }
    out.Need(3);
    if (b < 0x21) {  // a line break or blank left inside a run: keep it
      out.Put(b);
      ++i;
      continue;
    }
    if (set == kKana) {
      // 7-bit kana 0x21-0x5F, or kana bytes sent with their high bit set.
      unsigned char k = b | 0x80u;
      if (k >= 0xA1 && k <= 0xDF) {
        if (toEuc) out.Put(0x8Eu);
        out.Put(k);
      } else {
        out.Put(kSpaceByte);
      }
      ++i;
      continue;
    }
    if (i + 1 >= n) break;  // a pair cut off by the end
    unsigned char c = in[i + 1];
    bool rowCell = b <= 0x7E && c >= 0x21 && c <= 0x7E;
    if (set == kX0212) {
      if (!rowCell) {
        out.Put(kSpaceByte);
        ++i;
      } else {
        if (toEuc) {
          out.Put(0x8Fu);
          out.Put(b | 0x80u);
          out.Put(c | 0x80u);
        } else {
          PutSjisOfJisX0212(out, b, c);
        }
        i += 2;
      }
      continue;
    }
    // JIS X 0208. Rows 0x7F-0x92 are how user-defined characters were once written; they
    // are still read as such into Shift_JIS.
    if (rowCell) {
      if (toEuc) {
        out.Put(b | 0x80u);
        out.Put(c | 0x80u);
      } else {
        PutSjisOfJis(out, b, c);
      }
      i += 2;
    } else if (!toEuc && b <= 0x92 && c >= 0x21 && c <= 0x7E) {
      unsigned char s1, s2;
      JisToSjisPair(b, c, s1, s2);
      out.Put(s1);
      out.Put(s2);
      i += 2;
    } else {
      out.Put(kSpaceByte);  // the next byte is read again on its own
      ++i;
    }
  }
  return out.Take();
}

std::string EucToJis(std::string_view text, bool widenKana) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  const CKanaConvertTbl& kana = CSjisKanaConverter::m_KanaConvTbl;
  Out out(n + n / 8);
  Mode mode = kAscii;
  bool so = false;
  auto si = [&] {
    if (so) out.Put(kSI), so = false;
  };
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    out.Need(8);
    if (b < 0x80) {
      si();
      if (mode != kAscii) out.Esc('(', 'B');
      mode = kAscii;
      size_t run = AsciiRun(in + i, n - i);
      out.Need(run);
      out.Put(text.data() + i, run);
      i += run;
      continue;
    }
    EucKind kind = i + 1 < n && kEucByte[b] && kEucByte[in[i + 1]] ? kEucPair : EucStep(in, n, i);
    if (kind == kEucCut) break;
    unsigned char c = kind == kEucBad ? 0 : in[i + 1];
    switch (kind) {
      case kEucKana:
        if (widenKana) {
          si();
          if (mode != kKanji) out.Esc('$', 'B');
          mode = kKanji;
          out.Put(kana.ConvHalfKanaToJisX208Kana(c, 0, 0), 2);
        } else {
          if (mode != kAscii) out.Esc('(', 'J');
          if (!so) out.Put(kSO), so = true;
          out.Put(c & 0x7Fu);
          mode = kAscii;
        }
        break;
      case kEucX0212:
        if (mode != kX0212) {
          out.Put(kEsc);
          out.Put("$(D", 3);
        }
        mode = kX0212;
        si();
        out.Put(c & 0x7Fu);
        out.Put(in[i + 2] & 0x7Fu);
        break;
      case kEucPair:
        si();
        if (mode != kKanji) out.Esc('$', 'B');
        mode = kKanji;
        out.Put(b & 0x7Fu);
        out.Put(c & 0x7Fu);
        break;
      default:  // a byte that starts no character
        si();
        if (mode != kAscii) out.Esc('(', 'B');
        mode = kAscii;
        out.Put(kSpaceByte);
        break;
    }
    i += EucLength(kind);
  }
  out.Need(4);
  si();
  if (mode != kAscii) out.Esc('(', 'B');
  return out.Take();
}

std::string EucToSjis(std::string_view text) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  Out out(n);  // no step writes more bytes than it reads
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      size_t run = AsciiRun(in + i, n - i);
      out.Put(text.data() + i, run);
      i += run;
      continue;
    }
    if (i + 1 < n) {
      uint8_t s1 = kEucToSjis.lead[b], s2 = kEucToSjis.trail[b & 1][in[i + 1]];
      if (s1 && s2) {
        out.Put(s1);
        out.Put(s2);
        i += 2;
        continue;
      }
    }
    EucKind kind = EucStep(in, n, i);
    switch (kind) {
      case kEucCut: return out.Take();
      case kEucPair: PutSjisOfJis(out, b & 0x7F, in[i + 1] & 0x7F); break;
      case kEucKana: out.Put(in[i + 1]); break;
      case kEucX0212: PutSjisOfJisX0212(out, in[i + 1] & 0x7F, in[i + 2] & 0x7F); break;
      case kEucBad: out.Put(kSpaceByte); break;
    }
    i += EucLength(kind);
  }
  return out.Take();
}

std::string SjisToEuc(std::string_view text) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  Out out(n + n / 8);
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      size_t run = AsciiRun(in + i, n - i);
      out.Need(run);
      out.Put(text.data() + i, run);
      i += run;
      continue;
    }
    out.Need(2);
    if (IsHalfWidthKana(b)) {
      out.Put(0x8Eu);
      out.Put(b);
      ++i;
      continue;
    }
    uint8_t row = kSjisLeadRow[b], cell = i + 1 < n ? kSjisTrailCell[in[i + 1]] : 0;
    if (row && cell) {
      out.Put((row + (cell >> 7)) | 0x80u);
      out.Put(cell | 0x80u);
      i += 2;
      continue;
    }
    SjisStep step = SjisToJisStep(in, n, i);
    if (step.len == 0) break;
    i += step.len;
    if (step.ok) {
      out.Put(step.j1 | 0x80u);
      out.Put(step.j2 | 0x80u);
    } else {
      out.Put(kSpaceByte);
    }
  }
  return out.Take();
}

// Byte classes of the sign pass of CheckCode.
enum : uint8_t { kPlainByte = 0, kEightBit = 1, kSignByte = 2 };
constexpr std::array<uint8_t, 256> MakeSignClasses() {
  std::array<uint8_t, 256> t{};
  for (int b = 0x80; b < 256; ++b) t[b] = kEightBit;
  for (int b = 0x01; b <= 0x06; ++b) t[b] = kSignByte;
  t[0x0E] = t[0x0F] = t[0x1B] = t[0x7F] = t[0xFF] = kSignByte;
  return t;
}
constexpr auto kSignClasses = MakeSignClasses();

// Skips 7-bit bytes; both scores ignore them.
inline size_t SkipAscii(const unsigned char* in, size_t n, size_t i) {
  return i + AsciiRunLength(in + i, n - i);
}

size_t SjisScore(const unsigned char* in, size_t n) {
  size_t score = 0, i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      // A lone 7-bit byte (a trail byte read on its own) is common; skip runs by words.
      i = (i + 1 < n && in[i + 1] < 0x80) ? SkipAscii(in, n, i) : i + 1;
    } else if (kSjisLead[b]) {
      if (i + 1 < n && kSjisTrail[in[i + 1]]) {
        score += 2;
        i += 2;
      } else {
        ++i;
      }
    } else if (kKanaByte[b]) {
      size_t k = i + 1;
      while (k < n && kKanaByte[in[k]]) ++k;
      if ((k - i) & 1) score += k - i;
      i = k;
    } else {
      ++i;
    }
  }
  return score;
}

// EUC-JP pairs (both bytes 0xA1-0xFE) that Shift_JIS reads neither as one kanji nor as two
// half-width kana: the first byte is kana and the second no kana, or a byte is 0xFD-0xFE.
// Such a pair counts 3 for EUC-JP, other pairs 2; short EUC-JP texts are told apart by them.
// kEucClass: 0 no EUC-JP pair byte, 1 kana in Shift_JIS, 2 lead byte there, 3 neither.
constexpr std::array<uint8_t, 256> MakeEucClasses() {
  std::array<uint8_t, 256> t{};
  for (int b = 0xA1; b <= 0xDF; ++b) t[b] = 1;
  for (int b = 0xE0; b <= 0xFC; ++b) t[b] = 2;
  t[0xFD] = t[0xFE] = 3;
  return t;
}
constexpr auto kEucClass = MakeEucClasses();
// kEucPairScore[first class * 4 + second class].
constexpr uint8_t kEucPairScore[16] = {0, 0, 0, 0, 0, 2, 3, 3, 0, 2, 2, 3, 0, 3, 3, 3};

size_t EucScore(const unsigned char* in, size_t n) {
  size_t score = 0, i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      i = (i + 1 < n && in[i + 1] < 0x80) ? SkipAscii(in, n, i) : i + 1;
    } else if (i + 1 < n && kEucByte[b] && kEucByte[in[i + 1]]) {
      score += kEucPairScore[kEucClass[b] * 4 + kEucClass[in[i + 1]]];
      i += 2;
    } else if (b == 0x8E && i + 1 < n && kKanaByte[in[i + 1]]) {
      score += 2;
      i += 2;
    } else if (b == 0x8F && i + 2 < n && in[i + 1] >= 0xFA && in[i + 1] <= 0xFE &&
               in[i + 2] >= 0xFA && in[i + 2] <= 0xFE) {
      score += 3;
      i += 3;
    } else {
      ++i;
    }
  }
  return score;
}

// Whether every byte of 0x80 or above belongs to a well-formed character of the code; a
// character cut off by the end counts as well-formed (the text may be a piece).
bool IsWellFormedSjis(const unsigned char* in, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = in[i];
    if (b < 0x80 || kKanaByte[b]) continue;
    if (!kSjisLead[b]) return false;
    if (i + 1 < n && !kSjisTrail[in[++i]]) return false;
  }
  return true;
}
bool IsWellFormedEuc(const unsigned char* in, size_t n) {
  for (size_t i = 0; i < n;) {
    if (in[i] < 0x80) {
      ++i;
      continue;
    }
    EucKind kind = EucStep(in, n, i);
    if (kind == kEucBad) return false;
    if (kind == kEucCut) break;
    i += EucLength(kind);
  }
  return true;
}

// Whether any of the eight bytes of w may be a sign byte of CheckCode (0x00-0x0F, 0x1B,
// 0x7F, 0xFF); a zero byte gives a false alarm that the byte loop then clears.
inline bool MayHoldSign(uint64_t w) {
  constexpr uint64_t ones = 0x0101010101010101ULL;
  auto hasZero = [](uint64_t v) { return (v - ones) & ~v & kHigh; };
  uint64_t below16 = (w - ones * 0x10) & ~w & kHigh;
  return below16 | hasZero(w ^ (ones * 0x1B)) | hasZero(w ^ (ones * 0x7F)) | hasZero(~w);
}

bool IsJisSign(const unsigned char* in, size_t n, size_t i) {
  if (i + 2 >= n) return false;
  unsigned char a = in[i + 1], c = in[i + 2];
  return (a == '$' && (c == 'B' || c == '@')) || (a == '(' && (c == 'B' || c == 'J' || c == 'I'));
}

std::string FromUtf16be(std::string_view utf16be, bool toUtf8) {
  std::string utf8;
  for (size_t i = 0; i + 1 < utf16be.size(); i += 2) {
    char32_t u = static_cast<unsigned char>(utf16be[i]) << 8 | static_cast<unsigned char>(utf16be[i + 1]);
    // The 16-bit units are written one by one, as the conversion to UTF-8 always did;
    // a surrogate therefore becomes three bytes that the UTF-8 reader refuses.
    if (u < 0x80) {
      utf8.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | (u >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xE0 | (u >> 12)));
      utf8.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return toUtf8 ? utf8 : Utf8ToSjis(utf8);
}

std::string_view DropBom(std::string_view utf8) {
  if (utf8.size() >= 3 && (utf8.substr(0, 3) == "\xEF\xBB\xBF" || utf8.substr(0, 3) == "\xEF\xBF\xBE"))
    utf8.remove_prefix(3);
  return utf8;
}

}  // namespace

int KCodeC::CheckCode(std::string_view bytes) const {
  const unsigned char* in = Bytes(bytes);
  const size_t n = bytes.size();
  uint8_t seen = 0;
  uint64_t high = 0;
  bool sawEsc = false;
  for (size_t i = 0; i < n; ++i) {
    while (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, in + i, 8);
      if (MayHoldSign(w)) break;
      high |= w;
      i += 8;
    }
    if (i >= n) break;
    uint8_t c = kSignClasses[in[i]];
    seen |= c;
    if (!(c & kSignByte)) continue;
    unsigned char b = in[i];
    if (b == kSO || b == kSI) return kCodeJis;
    if (b == 0x1B) {
      sawEsc = true;
      if (IsJisSign(in, n, i)) return kCodeJis;
      continue;
    }
    return kCodeBinary;  // 0x01-0x06, 0x7F, 0xFF
  }
  if (high & kHigh) seen |= kEightBit;
  if (!sawEsc && !(seen & kEightBit)) return kCodeUnknown;
  size_t sjis = SjisScore(in, n), euc = EucScore(in, n);
  if (sjis != euc) return sjis > euc ? kCodeSjis : kCodeEuc;
  // A tie goes to the one reading under which the bytes are well-formed, if only one is.
  bool sjisValid = IsWellFormedSjis(in, n), eucValid = IsWellFormedEuc(in, n);
  if (sjisValid != eucValid) return sjisValid ? kCodeSjis : kCodeEuc;
  return kCodeUnknown;
}

const std::string& KCodeC::Keep(std::string result) {
  m_result = std::move(result);
  return m_result;
}

char* KCodeC::CopyOut(char* output, size_t outputSize) const {
  if (!output) return nullptr;
  if (m_result.size() >= outputSize) {
    if (outputSize > 0) output[0] = '\0';
    return nullptr;
  }
  std::memcpy(output, m_result.data(), m_result.size());
  output[m_result.size()] = '\0';
  return output;
}

const std::string& KCodeC::ToSJIS(std::string_view text) {
  switch (CheckCode(text)) {
    case kCodeJis: return jis7tosj(text);
    case kCodeEuc: return ujtosj(text);
    default: return Keep(std::string(text));
  }
}

const std::string& KCodeC::ToEUC(std::string_view text) {
  switch (CheckCode(text)) {
    case kCodeJis: return jis7touj(text);
    case kCodeSjis: return sjtouj(text);
    default: return Keep(std::string(text));
  }
}

const std::string& KCodeC::ToJIS(std::string_view text, int widenKana) {
  switch (CheckCode(text)) {
    case kCodeSjis: return sjtojis7(text, widenKana);
    case kCodeEuc: return ujtojis7(text, widenKana);
    default: return Keep(std::string(text));
  }
}

const std::string& KCodeC::sjtojis7(std::string_view text, int widenKana) {
  return Keep(SjisToJis(text, widenKana != 0, false, 0));
}
const std::string& KCodeC::jis7tosj(std::string_view text) { return Keep(JisTo(text, false)); }
const std::string& KCodeC::ujtojis7(std::string_view text, int widenKana) {
  return Keep(EucToJis(text, widenKana != 0));
}
const std::string& KCodeC::jis7touj(std::string_view text) { return Keep(JisTo(text, true)); }
const std::string& KCodeC::ujtosj(std::string_view text) { return Keep(EucToSjis(text)); }
const std::string& KCodeC::sjtouj(std::string_view text) { return Keep(SjisToEuc(text)); }

char* KCodeC::ToSJIS(char* output, size_t outputSize, std::string_view text) {
  ToSJIS(text);
  return CopyOut(output, outputSize);
}
char* KCodeC::ToEUC(char* output, size_t outputSize, std::string_view text) {
  ToEUC(text);
  return CopyOut(output, outputSize);
}
char* KCodeC::ToJIS(char* output, size_t outputSize, std::string_view text, int widenKana) {
  ToJIS(text, widenKana);
  return CopyOut(output, outputSize);
}
char* KCodeC::sjtojis7(char* output, size_t outputSize, std::string_view text, int widenKana) {
  sjtojis7(text, widenKana);
  return CopyOut(output, outputSize);
}
char* KCodeC::jis7tosj(char* output, size_t outputSize, std::string_view text) {
  jis7tosj(text);
  return CopyOut(output, outputSize);
}
char* KCodeC::ujtojis7(char* output, size_t outputSize, std::string_view text, int widenKana) {
  ujtojis7(text, widenKana);
  return CopyOut(output, outputSize);
}
char* KCodeC::jis7touj(char* output, size_t outputSize, std::string_view text) {
  jis7touj(text);
  return CopyOut(output, outputSize);
}
char* KCodeC::ujtosj(char* output, size_t outputSize, std::string_view text) {
  ujtosj(text);
  return CopyOut(output, outputSize);
}
char* KCodeC::sjtouj(char* output, size_t outputSize, std::string_view text) {
  sjtouj(text);
  return CopyOut(output, outputSize);
}

std::string KCodeC::utf8tosj(std::string_view text) { return Utf8ToSjis(DropBom(text)); }
std::string KCodeC::sjtoutf8(std::string_view text) { return SjisToUtf8(text); }

namespace {
char* CopyString(char* output, size_t outputSize, const std::string& s) {
  if (!output) return nullptr;
  if (s.size() >= outputSize) {
    if (outputSize > 0) output[0] = '\0';
    return nullptr;
  }
  std::memcpy(output, s.data(), s.size());
  output[s.size()] = '\0';
  return output;
}
}  // namespace

char* KCodeC::utf8tosj(char* output, size_t outputSize, std::string_view text) {
  return CopyString(output, outputSize, utf8tosj(text));
}
char* KCodeC::sjtoutf8(char* output, size_t outputSize, std::string_view text) {
  return CopyString(output, outputSize, sjtoutf8(text));
}

std::string KCodeC::utf8toutf16be(std::string_view utf8) {
  std::string out;
  const unsigned char* in = Bytes(utf8);
  size_t n = utf8.size(), i = 0;
  auto put = [&](char32_t u) {
    out.push_back(static_cast<char>(u >> 8));
    out.push_back(static_cast<char>(u & 0xFF));
  };
  auto cont = [&](size_t k) { return i + k < n && (in[i + k] & 0xC0) == 0x80; };
  while (i < n) {
    unsigned b = in[i];
    if (b < 0x80) {
      put(b);
      ++i;
    } else if (b >= 0xC2 && b <= 0xDF && cont(1)) {
      put((b & 0x1F) << 6 | (in[i + 1] & 0x3F));
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
      char32_t u = (b & 0x0F) << 12 | (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F);
      put(u >= 0x800 && (u < 0xD800 || u > 0xDFFF) ? u : 0x20);
      i += 3;
    } else {
      put(0x20);  // invalid or beyond 16 bits: one blank, as for unmappable characters
      ++i;
      while (i < n && (in[i] & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

std::string KCodeC::utf16betosj(std::string_view utf16be) { return FromUtf16be(utf16be, false); }

std::string KCodeC::sjtoutf16be(std::string_view sjis) {
  std::string utf8 = SjisToUtf8(sjis);
  std::string be = utf8toutf16be(utf8);
  return be;
}

std::string KCodeC::utf16betoutf8(std::string_view utf16be) { return FromUtf16be(utf16be, true); }

std::string sjtojis7_for_header(std::string_view text, int widenKana, int segmentLength) {
  return SjisToJis(text, widenKana != 0, true, segmentLength);
}

char* sjtojis7_for_header(char* output, size_t outputSize, std::string_view text, int widenKana,
                          int segmentLength) {
  if (!output) return nullptr;
  return CopyString(output, outputSize, sjtojis7_for_header(text, widenKana, segmentLength));
}
