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

inline size_t AsciiRun(const unsigned char* p, size_t n) { return AsciiRunLength(p, n); }

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

enum Mode { kAscii, kRoman, kKanji, kKana, kX0212, kUnknown };

// Shift_JIS -> ISO-2022-JP; header selects the encoded-word variant.
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
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      if (header) {
        closeSegment();
        out.Need(4);
        if (mode != kRoman) out.Esc('(', 'J');
        mode = kRoman;
        out.Put(b);
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
      // Lead byte (0x80-0xA0, 0xE0-0xFF); one cut off by the end ends the conversion.
      if (i + 1 >= n) break;
      closeSegment();
      out.Need(5);
      if (mode != kKanji) out.Esc('$', 'B');
      mode = kKanji;
      unsigned char j1, j2;
      SjisToJisPair(in[i], in[i + 1], j1, j2);
      out.Put(j1);
      out.Put(j2);
      i += 2;
    }
  }
  out.Need(3);
  if (mode != kAscii) out.Esc('(', 'B');
  return out.Take();
}

// ISO-2022-JP -> Shift_JIS (toEuc false) or EUC-JP (toEuc true).
std::string JisTo(std::string_view text, bool toEuc) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  Out out(toEuc ? n + n / 4 : n);
  Mode g0 = kAscii;
  enum { kOther, kKanaDesig, kX0212Desig } last = kOther;
  bool shifted = false;
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b == kEsc) {
      if (i + 2 >= n) break;  // an escape cut off by the end
      unsigned char a = in[i + 1], c = in[i + 2];
      i += 3;
      if (a == '(' && c == 'B') {
        g0 = kAscii, last = kOther;
      } else if (a == '(' && c == 'J') {
        g0 = kRoman, last = kOther;
      } else if (a == '$' && (c == '@' || c == 'B')) {
        g0 = kKanji, last = kOther;
      } else if (a == '(' && c == 'I') {
        last = kKanaDesig;
        if (!toEuc) g0 = kKana;
      } else if (a == ')' && c == 'D') {
        last = kX0212Desig;
        if (!toEuc) g0 = kX0212;
      } else {
        g0 = kUnknown, last = kOther;
      }
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
    Mode set = g0;
    if (shifted) set = last == kKanaDesig ? kKana : last == kX0212Desig ? kX0212 : kUnknown;
    switch (set) {
      case kAscii:
      case kRoman: {
        // Up to the next escape or shift.
        size_t k = i;
        while (k < n && in[k] != kEsc && in[k] != kSO && in[k] != kSI) ++k;
        out.Need(k - i);
        out.Put(text.data() + i, k - i);
        i = k;
        break;
      }
      case kKanji:
        out.Need(2);
        if (b < 0x21) {  // a line break or blank left inside a kanji run: keep it
          out.Put(b);
          ++i;
        } else if (i + 1 >= n) {
          i = n;
        } else {
          unsigned char c = in[i + 1];
          if (toEuc) {
            out.Put(b | 0x80u);
            out.Put(c | 0x80u);
          } else {
            unsigned char s1, s2;
            JisToSjisPair(b, c, s1, s2);
            out.Put(s1);
            out.Put(s2);
          }
          i += 2;
        }
        break;
      case kKana:
        out.Need(2);
        if (b < 0x21) {
          out.Put(b);
        } else {
          if (toEuc) out.Put(0x8Eu);
          out.Put(b | 0x80u);
        }
        ++i;
        break;
      case kX0212:
        if (i + 1 >= n) {
          i = n;
          break;
        }
        if (toEuc) {
          out.Need(3);
          out.Put(0x8Fu);
          out.Put(b | 0x80u);
          out.Put(in[i + 1] | 0x80u);
        }
        i += 2;
        break;
      default:  // unknown set: dropped
        ++i;
        break;
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
    if (i + 1 >= n) break;
    unsigned char c = in[i + 1];
    if (b == 0x8E && IsHalfWidthKana(c)) {
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
      i += 2;
    } else if (b == 0x8F) {
      if (i + 2 >= n) break;
      if (mode != kX0212) {
        out.Put(kEsc);
        out.Put("$(D", 3);
      }
      mode = kX0212;
      si();
      out.Put(c & 0x7Fu);
      out.Put(in[i + 2] & 0x7Fu);
      i += 3;
    } else {
      si();
      if (mode != kKanji) out.Esc('$', 'B');
      mode = kKanji;
      out.Put(b & 0x7Fu);
      out.Put(c & 0x7Fu);
      i += 2;
    }
  }
  out.Need(4);
  si();
  if (mode != kAscii) out.Esc('(', 'B');
  return out.Take();
}

std::string EucToSjis(std::string_view text) {
  const unsigned char* in = Bytes(text);
  const size_t n = text.size();
  Out out(n);
  size_t i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b <= 0x7E) {
      size_t run = AsciiRun(in + i, n - i);
      // 0x7F starts a pair: stop the run there.
      const void* del = std::memchr(in + i, 0x7F, run);
      if (del) run = static_cast<size_t>(static_cast<const unsigned char*>(del) - (in + i));
      if (run == 0) run = 1;
      out.Put(text.data() + i, run);
      i += run;
    } else if (b == 0x8E) {
      if (i + 1 >= n) break;
      out.Put(in[i + 1]);
      i += 2;
    } else {
      if (i + 1 >= n) break;
      unsigned char s1, s2;
      JisToSjisPair(b & 0x7F, in[i + 1] & 0x7F, s1, s2);
      out.Put(s1);
      out.Put(s2);
      i += 2;
    }
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
    if (b <= 0x7E) {
      size_t run = AsciiRun(in + i, n - i);
      const void* del = std::memchr(in + i, 0x7F, run);
      if (del) run = static_cast<size_t>(static_cast<const unsigned char*>(del) - (in + i));
      if (run == 0) run = 1;
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
    } else {
      if (i + 1 >= n) break;
      unsigned char j1, j2;
      SjisToJisPair(b, in[i + 1], j1, j2);
      out.Put(j1 | 0x80u);
      out.Put(j2 | 0x80u);
      i += 2;
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

constexpr std::array<uint8_t, 256> MakeLeadTable() {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = IsSjisLeadByte(static_cast<unsigned char>(b));
  return t;
}
constexpr auto kSjisLead = MakeLeadTable();

// Skips 7-bit bytes; both scores ignore them.
inline size_t SkipAscii(const unsigned char* in, size_t n, size_t i) {
  return i + AsciiRunLength(in + i, n - i);
}

constexpr std::array<uint8_t, 256> MakeRangeTable(int lo, int hi) {
  std::array<uint8_t, 256> t{};
  for (int b = lo; b <= hi; ++b) t[b] = 1;
  return t;
}
constexpr auto kSjisTrail = [] {
  auto t = MakeRangeTable(0x40, 0xFC);
  t[0x7F] = 0;
  return t;
}();
constexpr auto kKanaByte = MakeRangeTable(0xA1, 0xDF);
constexpr auto kEucByte = MakeRangeTable(0xA1, 0xFE);

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

size_t EucScore(const unsigned char* in, size_t n) {
  size_t score = 0, i = 0;
  while (i < n) {
    unsigned char b = in[i];
    if (b < 0x80) {
      i = (i + 1 < n && in[i + 1] < 0x80) ? SkipAscii(in, n, i) : i + 1;
    } else if (i + 1 < n && kEucByte[b] && kEucByte[in[i + 1]]) {
      score += 2;
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
  if (sjis == euc) return kCodeUnknown;
  return sjis > euc ? kCodeSjis : kCodeEuc;
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
