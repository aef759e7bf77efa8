#include "core/foundation/cp932.h"

#include "core/foundation/cp932_ibm_twins.h"
#include "core/foundation/sjis_bytes.h"

#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace {

constexpr uint8_t kNoLead = 0xFF;
constexpr char32_t kReplacement = 0xFFFD;

bool IsLeadByte(unsigned b) { return IsSjisLeadByte(static_cast<unsigned char>(b)); }
bool IsTrailByte(unsigned b) { return IsSjisTrailByte(static_cast<unsigned char>(b)); }

struct Cp932Tables {
  // Decoding. single[b] is the character of a one-byte code, or 0xFFFF when b is a lead
  // byte or unassigned. Double-byte codes: row[lead] indexes dbcs (kNoLead when lead is no
  // lead byte); dbcs[row][trail] is the character, 0 when unassigned.
  uint16_t single[256];
  uint8_t row[256];
  uint16_t dbcs[60][256];
  // Encoding of the basic multilingual plane: the CP932 code (one byte when < 0x100),
  // 0 when CP932 has no code for it. U+0000 never reaches it (ASCII is copied directly).
  uint16_t encode[65536];
};

// One character of up to three bytes through iconv; returns false when iconv refuses it.
bool DecodeWithIconv(iconv_t cd, const unsigned char* bytes, size_t len, char32_t* out) {
  char in[3];
  std::memcpy(in, bytes, len);
  char32_t u = 0;
  char* ip = in;
  char* op = reinterpret_cast<char*>(&u);
  size_t il = len, ol = sizeof u;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 || ol != 0)
    return false;
  *out = u;
  return true;
}

std::unique_ptr<Cp932Tables> BuildTables() {
  auto t = std::make_unique<Cp932Tables>();
  std::memset(t.get(), 0, sizeof(Cp932Tables));
  std::memset(t->row, kNoLead, sizeof t->row);
  for (unsigned b = 0; b < 256; ++b) t->single[b] = 0xFFFF;
  for (unsigned b = 0; b < 0x80; ++b) t->single[b] = static_cast<uint16_t>(b);
  int rows = 0;
  for (unsigned b = 0; b < 256; ++b)
    if (IsLeadByte(b)) t->row[b] = static_cast<uint8_t>(rows++);

  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without glibc's gconv modules only ASCII can be converted; say so once.
    std::fprintf(stderr, "ombrel: iconv has no CP932 converter; Japanese text is lost\n");
    return t;
  }
  for (unsigned b = 0x80; b < 256; ++b) {
    if (IsLeadByte(b)) continue;
    unsigned char c = static_cast<unsigned char>(b);
    char32_t u;
    if (DecodeWithIconv(cd, &c, 1, &u) && u < 0x10000) t->single[b] = static_cast<uint16_t>(u);
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(trail)) continue;
      unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char32_t u;
      if (DecodeWithIconv(cd, pair, 2, &u) && u > 0 && u < 0x10000 && u != kReplacement)
        t->dbcs[t->row[lead]][trail] = static_cast<uint16_t>(u);
    }
  }
  iconv_close(cd);

  // Encoding: the first code met wins, so the lead bytes are visited in the order of
  // preference Windows uses for characters with more than one code.
  for (unsigned b = 0x80; b < 256; ++b)
    if (t->single[b] != 0xFFFF && t->encode[t->single[b]] == 0)
      t->encode[t->single[b]] = static_cast<uint16_t>(b);
  auto add_lead = [&](unsigned lead) {
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      uint16_t u = t->dbcs[t->row[lead]][trail];
      if (u != 0 && t->encode[u] == 0) t->encode[u] = static_cast<uint16_t>(lead << 8 | trail);
    }
  };
  for (unsigned lead = 0x81; lead <= 0x9F; ++lead)
    if (lead != 0x87) add_lead(lead);
  for (unsigned lead = 0xE0; lead <= 0xEA; ++lead) add_lead(lead);
  add_lead(0x87);                                               // NEC special characters
  for (unsigned lead = 0xFA; lead <= 0xFC; ++lead) add_lead(lead);  // IBM extensions
  for (unsigned lead = 0xEB; lead <= 0xF9; ++lead) add_lead(lead);  // NEC-selected, user area
  // Characters whose CP932 code decodes to a look-alike.
  static const struct { uint16_t u, code; } kLookAlikes[] = {
      {0x301C, 0x8160}, {0x2016, 0x8161}, {0x2212, 0x817C}, {0x00A2, 0x8191}, {0x00A3, 0x8192},
      {0x00AC, 0x81CA}, {0x2014, 0x815C}, {0x00A5, 0x005C}, {0x203E, 0x007E},
  };
  for (const auto& l : kLookAlikes)
    if (t->encode[l.u] == 0) t->encode[l.u] = l.code;
  return t;
}

const Cp932Tables& Tables() {
  static const std::unique_ptr<Cp932Tables> tables = BuildTables();
  return *tables;
}

// Copies the run of ASCII bytes at in[i..] to out[o..], eight at a time while it lasts
// (runs between Japanese characters are short, so copying as we scan beats a memcpy).
inline void CopyAscii(const unsigned char* in, size_t n, size_t& i, char* out, size_t& o) {
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, in + i, 8);
    if (w & 0x8080808080808080ULL) break;
    std::memcpy(out + o, &w, 8);
    i += 8;
    o += 8;
  }
  while (i < n && in[i] < 0x80) out[o++] = static_cast<char>(in[i++]);
}

inline void PutUtf8(char* out, size_t& o, char32_t u) {
  if (u < 0x80) {
    out[o++] = static_cast<char>(u);
  } else if (u < 0x800) {
    out[o++] = static_cast<char>(0xC0 | (u >> 6));
    out[o++] = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out[o++] = static_cast<char>(0xE0 | (u >> 12));
    out[o++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out[o++] = static_cast<char>(0x80 | (u & 0x3F));
  }
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  const Cp932Tables& t = Tables();
  const auto* in = reinterpret_cast<const unsigned char*>(sjis.data());
  const size_t n = sjis.size();
  std::string result(n * 3, '\0');  // one byte gives at most three
  char* out = result.data();
  size_t i = 0, o = 0;
  while (i < n) {
    CopyAscii(in, n, i, out, o);
    if (i >= n) break;
    unsigned b = in[i];
    uint8_t row = t.row[b];
    if (row == kNoLead) {
      uint16_t u = t.single[b];
      PutUtf8(out, o, u == 0xFFFF ? kReplacement : u);
      ++i;
      continue;
    }
    if (i + 1 < n && IsTrailByte(in[i + 1])) {
      uint16_t u = t.dbcs[row][in[i + 1]];
      PutUtf8(out, o, u ? u : kReplacement);
      i += 2;
    } else {
      PutUtf8(out, o, kReplacement);
      ++i;
    }
  }
  result.resize(o);
  return result;
}

std::string Utf8ToSjis(std::string_view utf8) {
  const Cp932Tables& t = Tables();
  const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  std::string result(n, '\0');  // no sequence gives more bytes than it has
  char* out = result.data();
  size_t i = 0, o = 0;
  auto cont = [&](size_t k) { return i + k < n && (in[i + k] & 0xC0) == 0x80; };
  while (i < n) {
    CopyAscii(in, n, i, out, o);
    if (i >= n) break;
    unsigned b = in[i];
    char32_t u = 0;
    size_t len = 0;    // length of a valid sequence, 0 when invalid
    size_t skip = 1;   // bytes an invalid sequence takes
    if (b >= 0xC2 && b <= 0xDF) {
      if (cont(1)) { u = (b & 0x1F) << 6 | (in[i + 1] & 0x3F); len = 2; }
    } else if (b >= 0xE0 && b <= 0xEF) {
      if (cont(1)) {
        unsigned c1 = in[i + 1];
        bool ok = (b == 0xE0) ? c1 >= 0xA0 : (b == 0xED) ? c1 <= 0x9F : true;
        if (ok) {
          skip = 2;
          if (cont(2)) { u = (b & 0x0F) << 12 | (c1 & 0x3F) << 6 | (in[i + 2] & 0x3F); len = 3; }
        }
      }
    } else if (b >= 0xF0 && b <= 0xF4) {
      if (cont(1)) {
        unsigned c1 = in[i + 1];
        bool ok = (b == 0xF0) ? c1 >= 0x90 : (b == 0xF4) ? c1 <= 0x8F : true;
        if (ok) {
          skip = 2;
          if (cont(2)) {
            skip = 3;
            if (cont(3)) len = 4;  // above the BMP: CP932 has none of these
          }
        }
      }
    }
    if (len == 0) {
      out[o++] = ' ';
      i += skip;
      continue;
    }
    i += len;
    uint16_t code = (len < 4) ? t.encode[u] : 0;
    if (code == 0) {
      out[o++] = ' ';
    } else if (code < 0x100) {
      out[o++] = static_cast<char>(code);
    } else {
      out[o++] = static_cast<char>(code >> 8);
      out[o++] = static_cast<char>(code & 0xFF);
    }
  }
  result.resize(o);
  return result;
}

std::string CodePointToSjis(char32_t u) {
  if (u < 0x80) return std::string(1, static_cast<char>(u));
  const uint16_t code = u < 0x10000 ? Tables().encode[u] : 0;
  if (code == 0) return " ";
  if (code < 0x100) return std::string(1, static_cast<char>(code));
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

uint16_t Cp932JisRowCode(uint16_t code) {
  unsigned lead = code >> 8, trail = code & 0xFF;
  if (!IsLeadByte(lead) || !IsTrailByte(trail)) return 0;
  if (lead <= 0xEF) return code;
  if (lead < 0xFA) return 0;  // user-defined area: no JIS row holds it
  // The IBM extensions in code order, trail 0x7F left out: 188 codes a lead.
  const std::size_t index = (lead - 0xFA) * 188 + (trail - 0x40) - (trail > 0x7F ? 1 : 0);
  return index < cp932_ibm_twins::kCount ? cp932_ibm_twins::kCp932IbmTwins[index] : 0;
}

uint16_t Cp932PreferredCode(uint16_t code) {
  unsigned lead = code >> 8, trail = code & 0xFF;
  if (!IsLeadByte(lead) || !IsTrailByte(trail)) return code;
  const Cp932Tables& t = Tables();
  uint16_t u = t.dbcs[t.row[lead]][trail];
  uint16_t preferred = u ? t.encode[u] : 0;
  return preferred >= 0x100 ? preferred : code;
}

uint16_t Cp932FromJisX0212(unsigned char row, unsigned char cell) {
  // [row - 0x21][cell - 0x21]; built from the 0x8F sequences of EUC-JP. eucJP-ms also puts
  // the IBM extensions and the user-defined characters in rows JIS X 0212 leaves empty.
  static const std::unique_ptr<uint16_t[]> table = [] {
    auto codes = std::make_unique<uint16_t[]>(94 * 94);
    const Cp932Tables& t = Tables();
    iconv_t cd = iconv_open("UTF-32LE", "EUC-JP-MS");
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-32LE", "EUC-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) return codes;
    for (unsigned r = 0; r < 94; ++r) {
      for (unsigned c = 0; c < 94; ++c) {
        const unsigned char euc[3] = {0x8F, static_cast<unsigned char>(0xA1 + r),
                                      static_cast<unsigned char>(0xA1 + c)};
        char32_t u;
        if (DecodeWithIconv(cd, euc, sizeof euc, &u) && u > 0 && u < 0x10000)
          codes[r * 94 + c] = t.encode[u];
      }
    }
    iconv_close(cd);
    return codes;
  }();
  if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E) return 0;
  return table[(row - 0x21) * 94 + (cell - 0x21)];
}

const std::string& SjisLiteral(const char* utf8) {
  static std::shared_mutex mutex;
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  static std::unordered_map<std::string, std::string, Hash, std::equal_to<>> cache;  // nodes never move
  std::string_view key = utf8 ? utf8 : "";
  {
    std::shared_lock lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  std::string converted = Utf8ToSjis(key);
  std::unique_lock lock(mutex);
  return cache.try_emplace(std::string(key), std::move(converted)).first->second;
}
