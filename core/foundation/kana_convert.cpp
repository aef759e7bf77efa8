#include "core/foundation/kana_convert.h"

#include <array>
#include <cstdint>
#include <functional>

#include "core/foundation/sjis_bytes.h"

namespace {

// Full-width Shift_JIS forms of the half-width bytes 0xA0-0xDF:
// 　。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜
constexpr uint16_t kPlainSjis[64] = {
    0x8140, 0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346,
    0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349,
    0x834A, 0x834C, 0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371,
    0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388,
    0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};

struct Merged {
  unsigned char half;
  uint16_t sjis;
};
// ｳﾞ ｶﾞ-ｿﾞ ﾀﾞ-ﾄﾞ ﾊﾞ-ﾎﾞ: ヴ ガ-ゾ ダ-ド バ-ボ
constexpr Merged kVoiced[] = {
    {0xB3, 0x8394}, {0xB6, 0x834B}, {0xB7, 0x834D}, {0xB8, 0x834F}, {0xB9, 0x8351},
    {0xBA, 0x8353}, {0xBB, 0x8355}, {0xBC, 0x8357}, {0xBD, 0x8359}, {0xBE, 0x835B},
    {0xBF, 0x835D}, {0xC0, 0x835F}, {0xC1, 0x8361}, {0xC2, 0x8364}, {0xC3, 0x8366},
    {0xC4, 0x8368}, {0xCA, 0x836F}, {0xCB, 0x8372}, {0xCC, 0x8375}, {0xCD, 0x8378},
    {0xCE, 0x837B}};
// ﾊﾟ-ﾎﾟ: パ-ポ
constexpr Merged kSemiVoiced[] = {
    {0xCA, 0x8370}, {0xCB, 0x8373}, {0xCC, 0x8376}, {0xCD, 0x8379}, {0xCE, 0x837C}};

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

enum Form { kPlain, kVoicedForm, kSemiVoicedForm, kForms };
using Entry = std::array<char, 3>;
using Table = std::array<std::array<Entry, 64>, kForms>;

constexpr Entry MakeEntry(uint16_t code, bool jis) {
  if (code == 0) return {0, 0, 0};
  unsigned char a = static_cast<unsigned char>(code >> 8), b = static_cast<unsigned char>(code);
  if (jis) SjisToJisPair(a, b, a, b);
  return {static_cast<char>(a), static_cast<char>(b), 0};
}

constexpr Table MakeTable(bool jis) {
  Table t{};
  for (int i = 0; i < 64; ++i) t[kPlain][i] = MakeEntry(kPlainSjis[i], jis);
  for (const Merged& m : kVoiced) t[kVoicedForm][m.half - 0xA0] = MakeEntry(m.sjis, jis);
  for (const Merged& m : kSemiVoiced) t[kSemiVoicedForm][m.half - 0xA0] = MakeEntry(m.sjis, jis);
  return t;
}

constexpr Table kSjisTable = MakeTable(false);
constexpr Table kJisTable = MakeTable(true);

const char* Lookup(const Table& t, unsigned char byte, int voiced, int semiVoiced) {
  if (byte < 0xA0 || byte > 0xDF) return "";
  Form f = voiced ? kVoicedForm : semiVoiced ? kSemiVoicedForm : kPlain;
  return t[f][byte - 0xA0].data();
}

// Full-width forms of ASCII 0x20-0x7D.
constexpr uint16_t kWideAscii[0x7E - 0x20] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  //  !"#$%&'
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ()*+,-./
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 01234567
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 89:;<=>?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ABCDEFG
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // HIJKLMNO
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // PQRSTUVW
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // XYZ[\]^_
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // `abcdefg
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // hijklmno
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // pqrstuvw
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170,                  // xyz{|}
};

// Narrowing of row 0x81: trail byte -> one byte, 0 = copy the pair.
constexpr std::array<unsigned char, 256> MakeRow81() {
  std::array<unsigned char, 256> t{};
  for (int c = 0x20; c < 0x7E; ++c)
    if (kWideAscii[c - 0x20] >> 8 == 0x81) t[kWideAscii[c - 0x20] & 0xFF] = static_cast<unsigned char>(c);
  t[0x41] = 0xA4;  // 、
  t[0x42] = 0xA1;  // 。
  t[0x45] = 0xA5;  // ・
  t[0x4A] = 0xDE;  // ゛
  t[0x4B] = 0xDF;  // ゜
  t[0x5B] = 0xB0;  // ー
  t[0x75] = 0xA2;  // 「
  t[0x76] = 0xA3;  // 」
  return t;
}
constexpr std::array<unsigned char, 256> kRow81 = MakeRow81();

// Narrowing of katakana 0x8340-0x8394: up to two half-width bytes; {0,0} = keep the pair;
// {0xFF,0} = drop (0x837F holds no character).
struct Narrow {
  unsigned char a, b;
};
constexpr std::array<Narrow, 0x95 - 0x40> MakeKatakana() {
  std::array<Narrow, 0x95 - 0x40> t{};
  for (int i = 0; i < 64; ++i)
    if ((kPlainSjis[i] >> 8) == 0x83) t[(kPlainSjis[i] & 0xFF) - 0x40] = {static_cast<unsigned char>(0xA0 + i), 0};
  for (const Merged& m : kVoiced) t[(m.sjis & 0xFF) - 0x40] = {m.half, kVoicedMark};
  for (const Merged& m : kSemiVoiced) t[(m.sjis & 0xFF) - 0x40] = {m.half, kSemiVoicedMark};
  t[0x8E - 0x40] = {0xDC, 0};    // ヮ -> ﾜ
  t[0x7F - 0x40] = {0xFF, 0};    // no character
  return t;                      // ヰ (0x8390) and ヱ (0x8391) keep {0,0}
}
constexpr auto kKatakana = MakeKatakana();

inline void PutPair(std::string& out, const char* pair) { out.append(pair, 2); }

// Widens the half-width byte at text[i] (0xA0-0xDF), merging a following voiced or
// semi-voiced mark; returns the number of bytes consumed.
inline size_t WidenKana(std::string_view text, size_t i, std::string& out) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
  const CKanaConvertTbl& t = CSjisKanaConverter::m_KanaConvTbl;
  if (next == kVoicedMark && t.IsAllowedDakuten(b)) {
    PutPair(out, t.Conv1byteKanaTo2byteKana(b, 1, 0));
    return 2;
  }
  if (next == kSemiVoicedMark && t.IsAllowedHanDakuten(b)) {
    PutPair(out, t.Conv1byteKanaTo2byteKana(b, 0, 1));
    return 2;
  }
  PutPair(out, t.Conv1byteKanaTo2byteKana(b, 0, 0));
  return 1;
}

// Whether text lies in output's buffer (a call such as f(s, s)); output is then built in
// a copy so that writing it cannot change the text being read.
bool Overlaps(const std::string& output, std::string_view text) {
  std::less<const char*> before;
  const char* b = output.data();
  return !text.empty() && !before(text.data(), b) && before(text.data(), b + output.capacity() + 1);
}

// The free widening functions; wideAscii adds the ASCII rule. output's buffer is reused,
// so searches that widen text over and over do not allocate.
void Widen(std::string& output, std::string_view text, bool wideAscii) {
  if (Overlaps(output, text)) return Widen(output, std::string(text), wideAscii);
  std::string& out = output;
  out.clear();
  out.reserve(text.size() * 2);
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b >= 0xA0 && b <= 0xDF) {
      i += WidenKana(text, i, out);
    } else if (IsSjisLeadByte(b)) {
      if (i + 1 >= text.size()) break;  // a lead byte at the end ends the output
      out.append(text.data() + i, 2);
      i += 2;
    } else if (wideAscii && b >= 0x20 && b < 0x7E) {
      uint16_t w = kWideAscii[b - 0x20];
      out.push_back(static_cast<char>(w >> 8));
      out.push_back(static_cast<char>(w & 0xFF));
      ++i;
    } else {
      out.push_back(static_cast<char>(b));
      ++i;
    }
  }
}

}  // namespace

constinit const CKanaConvertTbl CSjisKanaConverter::m_KanaConvTbl;

const char* CKanaConvertTbl::Conv1byteKanaTo2byteKana(unsigned char byte, int voiced,
                                                      int semiVoiced) const {
  return Lookup(kSjisTable, byte, voiced, semiVoiced);
}

const char* CKanaConvertTbl::ConvHalfKanaToJisX208Kana(unsigned char byte, int voiced,
                                                       int semiVoiced) const {
  return Lookup(kJisTable, byte, voiced, semiVoiced);
}

int CKanaConvertTbl::IsAllowedDakuten(unsigned char byte) const {
  return byte >= 0xA0 && byte <= 0xDF && kSjisTable[kVoicedForm][byte - 0xA0][0] != 0;
}

int CKanaConvertTbl::IsAllowedHanDakuten(unsigned char byte) const {
  return byte >= 0xA0 && byte <= 0xDF && kSjisTable[kSemiVoicedForm][byte - 0xA0][0] != 0;
}

int CSjisKanaConverter::GetSizeAfterConvertKana(std::string_view text, size_t* size) {
  size_t n = 0, i = 0;
  int result = 1;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++n;
      ++i;
    } else if (b <= 0xDF && b >= 0xA0) {
      unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      bool merge = (next == kVoicedMark && m_KanaConvTbl.IsAllowedDakuten(b)) ||
                   (next == kSemiVoicedMark && m_KanaConvTbl.IsAllowedHanDakuten(b));
      n += 2;
      i += merge ? 2 : 1;
    } else {
      if (i + 1 >= text.size()) {
        result = 0;
        break;
      }
      n += 2;
      i += 2;
    }
  }
  if (size) *size = n;
  return result;
}

int CSjisKanaConverter::ConvertKana(std::string_view text, std::string& output) {
  // Most texts hold no half-width kana: the walk only looks for them, and what lies
  // between them is copied in one piece.
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0, copied = 0;
  int result = 1;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      ++i;
    } else if (b >= 0xA0 && b <= 0xDF) {
      out.append(text, copied, i - copied);
      i += WidenKana(text, i, out);
      copied = i;
    } else if (i + 1 >= n) {
      result = 0;  // a lead byte at the end is left out
      break;
    } else {
      i += 2;
    }
  }
  out.append(text, copied, i - copied);
  output = std::move(out);
  return result;
}

void xc_han2zen_sjis_kana(std::string& output, std::string_view text) { Widen(output, text, false); }

void xc_han2zen_sjis_all(std::string& output, std::string_view text) { Widen(output, text, true); }

void xc_zen2han_sjis_all(std::string& output, std::string_view text) {
  if (Overlaps(output, text)) return xc_zen2han_sjis_all(output, std::string(text));
  std::string& out = output;
  out.clear();
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (!IsSjisLeadByte(b) || i + 1 >= n || text[i + 1] == '\0') {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    unsigned char t = static_cast<unsigned char>(text[i + 1]);
    i += 2;
    if (b == 0x82) {
      if (t >= 0x4F && t <= 0x58) { out.push_back(static_cast<char>('0' + t - 0x4F)); continue; }
      if (t >= 0x60 && t <= 0x79) { out.push_back(static_cast<char>('A' + t - 0x60)); continue; }
      if (t >= 0x81 && t <= 0x9A) { out.push_back(static_cast<char>('a' + t - 0x81)); continue; }
    } else if (b == 0x81) {
      if (kRow81[t]) { out.push_back(static_cast<char>(kRow81[t])); continue; }
    } else if (b == 0x83 && t >= 0x40 && t <= 0x94) {
      Narrow k = kKatakana[t - 0x40];
      if (k.a == 0xFF) continue;  // 0x837F: dropped
      if (k.a) {
        out.push_back(static_cast<char>(k.a));
        if (k.b) out.push_back(static_cast<char>(k.b));
        continue;
      }
    }
    out.push_back(static_cast<char>(b));
    out.push_back(static_cast<char>(t));
  }
}
