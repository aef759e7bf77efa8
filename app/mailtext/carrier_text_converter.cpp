#include "app/mailtext/carrier_text_converter.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "app/mailtext/pictogram_tables.h"
#include "app/mailtext/sjis_chars.h"
#include "core/foundation/cp932.h"
#include "core/foundation/sjis_bytes.h"

namespace compose {

namespace {

// What every converter does with a byte, by its value.
enum ByteClass : uint8_t {
  kControl,      // 0x00-0x1F but CR
  kCr,           // 0x0D: with LF a line break, else copied
  kSingle,       // 0x20-0x7F
  kJisLead,      // 0x81-0x9F, 0xE0-0xEF: converted arithmetically
  kHalfKana,     // 0xA0-0xDF: unconvertible
  kExtension,    // 0x80, 0xF0-0xFF: a pictogram, an IBM extension's twin, or unconvertible
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> c{};
  for (int b = 0; b < 256; ++b) {
    if (b == 0x0D) c[b] = kCr;
    else if (b < 0x20) c[b] = kControl;
    else if (b < 0x80) c[b] = kSingle;
    else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) c[b] = kJisLead;
    else if (b >= 0xA0 && b <= 0xDF) c[b] = kHalfKana;
    else c[b] = kExtension;
  }
  return c;
}
constexpr std::array<uint8_t, 256> kClass = MakeClasses();

enum class Unconvertible { kReplace, kDrop, kFail };

struct Options {
  const CPictogramJisTable* table;  // pictograms looked up here; nullptr maps none
  int single;                       // escape kind of single-byte text
  int kanji;                        // escape kind of two-byte text and the replacement
  bool controlsDesignate;           // control bytes (not a lone CR) switch to `single` first
  Unconvertible unconvertible;
};

Unconvertible PictogramMode(int mode) {
  return mode == kPictogramReplace ? Unconvertible::kReplace
         : mode == kPictogramDrop  ? Unconvertible::kDrop
                                   : Unconvertible::kFail;
}

constexpr char kEscapes[4][3] = {{0x1B, '(', 'B'}, {0x1B, '(', 'J'}, {0x1B, '$', '@'}, {0x1B, '$', 'B'}};

// Counts what a converter would write.
class CountSink {
 public:
  void Put(const void*, std::size_t n) { n_ += n; }
  void Put1(unsigned char) { ++n_; }
  void Put2(unsigned char, unsigned char) { n_ += 2; }
  std::size_t count() const { return n_; }

 private:
  std::size_t n_ = 0;
};

// Writes into [p, end); once something does not fit nothing more is written and the walk
// is failed by its caller.
class BufferSink {
 public:
  BufferSink(char* p, std::size_t size) : p_(p), end_(p + size) {}
  void Put(const void* s, std::size_t n) {
    if (n > static_cast<std::size_t>(end_ - p_)) return Overflow();
    std::memcpy(p_, s, n);
    p_ += n;
  }
  void Put1(unsigned char b) {
    if (p_ == end_) return Overflow();
    *p_++ = static_cast<char>(b);
  }
  void Put2(unsigned char a, unsigned char b) {
    if (end_ - p_ < 2) return Overflow();
    p_[0] = static_cast<char>(a);
    p_[1] = static_cast<char>(b);
    p_ += 2;
  }
  // Writes the terminating NUL; false when the output did not fit.
  bool Finish() {
    if (overflow_ || p_ == end_) return false;
    *p_ = '\0';
    return true;
  }

 private:
  void Overflow() {
    overflow_ = true;
    end_ = p_;
  }
  char* p_;
  char* end_;
  bool overflow_ = false;
};

// The one walk of every converter and length function.
template <class Sink>
bool Walk(std::string_view source, const Options& o, Sink& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(source.data());
  const unsigned char* const end = p + source.size();
  int state = kEscAscii;
  auto designate = [&](int kind) {
    if (state != kind) {
      out.Put(kEscapes[kind], 3);
      state = kind;
    }
  };
  // An unconvertible character: false when the mode refuses it.
  auto unconvertible = [&]() {
    if (o.unconvertible == Unconvertible::kDrop) return true;
    designate(o.kanji);
    if (o.unconvertible == Unconvertible::kFail) return false;
    out.Put2(0x21, 0x26);  // the full-width middle dot
    return true;
  };

  while (p < end) {
    switch (kClass[*p]) {
      case kSingle: {
        designate(o.single);
        const unsigned char* q = p + 1;
        while (q < end && kClass[*q] == kSingle) ++q;
        out.Put(p, static_cast<std::size_t>(q - p));
        p = q;
        break;
      }
      case kCr:
        if (p + 1 < end && p[1] == '\n') {
          designate(kEscAscii);
          out.Put2('\r', '\n');
          p += 2;
        } else {
          out.Put1('\r');
          ++p;
        }
        break;
      case kControl:
        if (o.controlsDesignate) designate(o.single);
        out.Put1(*p++);
        break;
      case kJisLead:
        if (p + 1 == end) return false;
        if (!IsSjisTrailByte(p[1])) {  // the lead alone; its next byte is read again
          if (!unconvertible()) return false;
          ++p;
          break;
        }
        designate(o.kanji);
        do {
          unsigned char j1, j2;
          SjisToJisPair(p[0], p[1], j1, j2);
          out.Put2(j1, j2);
          p += 2;
        } while (p + 1 < end && kClass[*p] == kJisLead && IsSjisTrailByte(p[1]));
        break;
      case kHalfKana:
        if (!unconvertible()) return false;
        ++p;
        break;
      case kExtension:
        if (o.table) {
          const PictogramJisEntry* e =
              o.table->FindPictogram({reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)});
          if (e) {
            designate(e->escapeKind);
            out.Put(e->mapped, 2);
            p += 2;
            break;
          }
        }
        if (p + 1 == end) return false;
        if (IsSjisTrailByte(p[1])) {
          // An IBM extension (髙, 﨑, ￢ ...) goes out as the twin of the same character
          // inside the JIS rows, which mail readers show; the user-defined area has none.
          if (const uint16_t twin = Cp932JisRowCode(static_cast<uint16_t>(p[0] << 8 | p[1]))) {
            unsigned char j1, j2;
            SjisToJisPair(static_cast<unsigned char>(twin >> 8), static_cast<unsigned char>(twin), j1, j2);
            designate(o.kanji);
            out.Put2(j1, j2);
            p += 2;
            break;
          }
        }
        if (!unconvertible()) return false;
        p += IsSjisTrailByte(p[1]) ? 2 : 1;
        break;
    }
  }
  designate(kEscAscii);
  return true;
}

bool Length(std::string_view source, const Options& o, std::size_t& length) {
  CountSink sink;
  if (!Walk(UpToNul(source), o, sink)) return false;
  length = sink.count();
  return true;
}

bool ToBuffer(std::string_view source, const Options& o, char* output, std::size_t outputSize) {
  if (!output) return false;
  BufferSink sink(output, outputSize);
  return Walk(UpToNul(source), o, sink) && sink.Finish();
}

bool ToString(std::string_view source, const Options& o, std::string& output) {
  source = UpToNul(source);
  std::size_t length = 0;
  if (!Length(source, o, length)) return false;
  std::string result(length, '\0');
  // The string's own terminator is the (length + 1)-th byte the walk may write.
  if (!ToBuffer(source, o, result.data(), length + 1)) return false;
  output.swap(result);
  return true;
}

Options Pictogram252(int mode) {
  return {&ImodeJisPictogramTable(), kEscAscii, kEscJis1983, false, PictogramMode(mode)};
}
Options Pictogram200(int mode) {
  return {&EzwebJisPictogramTable(), kEscAscii, kEscJis1983, false, PictogramMode(mode)};
}
// False when a designation choice is neither 0 nor 1.
bool Plain(int asciiChoice, int kanjiChoice, int mode, Options& o) {
  if ((asciiChoice != 0 && asciiChoice != 1) || (kanjiChoice != 0 && kanjiChoice != 1)) return false;
  o = {nullptr, asciiChoice == kAsciiEscB ? kEscAscii : kEscJisRoman,
       kanjiChoice == kKanjiEscB ? kEscJis1983 : kEscJis1978, true,
       mode == kJisReplace ? Unconvertible::kReplace
       : mode == kJisDrop  ? Unconvertible::kDrop
                           : Unconvertible::kFail};
  return true;
}

}  // namespace

bool GetSjisToJisLength252(std::string_view source, std::size_t& length, int mode) {
  return Length(source, Pictogram252(mode), length);
}
bool ConvertSjisToJis252(std::string_view source, std::string& output, int mode) {
  return ToString(source, Pictogram252(mode), output);
}
bool ConvertSjisToJis252(std::string_view source, char* output, std::size_t outputSize, int mode) {
  return ToBuffer(source, Pictogram252(mode), output, outputSize);
}

bool GetSjisToJisLength200(std::string_view source, std::size_t& length, int mode) {
  return Length(source, Pictogram200(mode), length);
}
bool ConvertSjisToJis200(std::string_view source, std::string& output, int mode) {
  return ToString(source, Pictogram200(mode), output);
}
bool ConvertSjisToJis200(std::string_view source, char* output, std::size_t outputSize, int mode) {
  return ToBuffer(source, Pictogram200(mode), output, outputSize);
}

bool GetSjisToJisLength(std::string_view source, std::size_t& length, int asciiChoice, int kanjiChoice,
                        int mode) {
  Options o;
  return Plain(asciiChoice, kanjiChoice, mode, o) && Length(source, o, length);
}
bool ConvertSjisToJis(std::string_view source, std::string& output, int asciiChoice, int kanjiChoice,
                      int mode) {
  Options o;
  return Plain(asciiChoice, kanjiChoice, mode, o) && ToString(source, o, output);
}
bool ConvertSjisToJis(std::string_view source, char* output, std::size_t outputSize, int asciiChoice,
                      int kanjiChoice, int mode) {
  Options o;
  return Plain(asciiChoice, kanjiChoice, mode, o) && ToBuffer(source, o, output, outputSize);
}

bool HasPictogram(std::string_view source) {
  source = UpToNul(source);
  const CImodeJisPictogramTable& table = ImodeJisPictogramTable();
  const auto* p = reinterpret_cast<const unsigned char*>(source.data());
  const unsigned char* const end = p + source.size();
  while (p < end) {
    const uint8_t c = kClass[*p];
    if (c != kJisLead && c != kExtension) {
      p += AsciiRunLength(p, static_cast<std::size_t>(end - p));  // 7-bit runs at once
      if (p < end && kClass[*p] == kHalfKana) ++p;
      continue;
    }
    if (c == kExtension &&
        table.ContainsPictogram({reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)}))
      return true;
    if (p + 1 == end) return false;
    p += IsSjisTrailByte(p[1]) ? 2 : 1;
  }
  return false;
}

bool ConvertPictogramCodes(int fromCarrier, std::string_view source, int toCarrier, std::string& result) {
  const CPictogramCrossTable& cross = PictogramCrossTable();
  const auto from = cross.GetEntry(fromCarrier);
  const auto to = cross.GetEntry(toCarrier);
  if (from.empty() || to.empty()) return false;
  std::string text(UpToNul(source));
  if (fromCarrier != toCarrier) {
    for (std::size_t i = 0; i + 1 < text.size();) {
      if (!IsSjisDoubleByte(std::string_view(text).substr(i, 2))) {
        ++i;
        continue;
      }
      int index = 0;
      if (cross.FindIndex(fromCarrier, static_cast<unsigned char>(text[i]),
                          static_cast<unsigned char>(text[i + 1]), index)) {
        text[i] = static_cast<char>(to[index].Lead());
        text[i + 1] = static_cast<char>(to[index].Trail());
      }
      i += 2;
    }
  }
  result.swap(text);
  return true;
}

}  // namespace compose
