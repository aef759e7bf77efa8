#include "app/mailtext/header_encoder.h"

#include <cstring>
#include <vector>

#include "app/mailtext/base64_text.h"
#include "app/mailtext/carrier_text_converter.h"
#include "app/mailtext/sjis_chars.h"

namespace compose {

namespace {

constexpr std::string_view kIsoPrefix = "=?ISO-2022-JP?B?";
constexpr std::string_view kSjisPrefix = "=?shift_jis?B?";
constexpr std::string_view kSuffix = "?=";
constexpr std::string_view kLineEnd = "\r\n";

// One encoded word: the Shift_JIS bytes [begin, end) of the source and the number of bytes
// its conversion takes (exact when no character is dropped).
struct Word {
  std::size_t begin;
  std::size_t end;
  std::size_t size;
};

// Cuts the subject into ISO-2022-JP words that fit the budget, estimating each word's JIS
// size from its characters: a printable ASCII byte takes 1 (4 after two-byte text: ESC ( B
// first), a double-byte character 2 (5 after single-byte text or at a word's start: ESC $ B
// first), and a word that ends in two-byte text 3 more for its closing ESC ( B. A word is
// closed when the character just added made it too big; that character starts the next.
bool SplitIsoWords(std::string_view text, int budget, std::vector<Word>& words) {
  if (budget < kIsoHeaderMinBudget || budget > kIsoHeaderMaxBudget) return false;
  const std::size_t firstLimit = 3 * static_cast<std::size_t>((budget - 18) / 4);  // no TAB
  const std::size_t laterLimit = 3 * static_cast<std::size_t>((budget - 19) / 4);  // TAB first
  std::size_t limit = firstLimit;
  std::size_t wordBegin = 0, last = 0, j = 0;
  bool twoByte = false, switched = false;

  auto closeIfOver = [&] {
    if (twoByte ? j + 3 <= limit : j <= limit) return;
    // Without its last character the word ends in single-byte text, or in two-byte text
    // that still needs its ESC ( B.
    const std::size_t size = !twoByte ? j - 1 : switched ? j - 5 : j + 1;
    words.push_back({wordBegin, last, size});
    wordBegin = last;
    j = twoByte ? 5 : 1;
    limit = laterLimit;
  };

  for (std::size_t i = 0; i < text.size();) {
    if (i > wordBegin) closeIfOver();
    const auto c = static_cast<unsigned char>(text[i]);
    last = i;
    if (IsPrintableAscii(c)) {
      j += twoByte ? 4 : 1;
      switched = twoByte;
      twoByte = false;
      i += 1;
    } else if (IsSjisDoubleByte(text.substr(i))) {
      j += twoByte ? 2 : 5;
      switched = !twoByte;
      twoByte = true;
      i += 2;
    } else {
      return false;  // TAB, CR, LF, other controls, 0x7F, half-width kana, a broken character
    }
  }
  if (!text.empty()) closeIfOver();
  words.push_back({wordBegin, text.size(), twoByte ? j + 3 : j});
  return true;
}

using Converter = bool (*)(std::string_view, std::string&, int);

bool EncodeIso(std::string_view source, std::string& output, int budget, int mode, Converter convert) {
  source = UpToNul(source);
  std::vector<Word> words;
  if (!SplitIsoWords(source, budget, words)) return false;
  std::string result, jis, base64;
  for (std::size_t w = 0; w < words.size(); ++w) {
    const Word& word = words[w];
    if (!convert(source.substr(word.begin, word.end - word.begin), jis, mode)) return false;
    // The bytes the conversion really gave: fewer than estimated when characters were dropped.
    if (!EncodeBase64Text(jis, static_cast<int>(jis.size()), base64)) return false;
    if (w > 0) result += '\t';
    result.append(kIsoPrefix).append(base64).append(kSuffix).append(kLineEnd);
  }
  output.swap(result);
  return true;
}

// Cuts a Shift_JIS subject into words of at most `limit` bytes (a lead byte takes the next
// byte with it, whatever it is). Every word but the last holds limit or limit - 1 bytes.
bool SplitSjisWords(std::string_view text, std::size_t limit, std::vector<Word>& words) {
  std::size_t wordBegin = 0, last = 0;
  auto closeIfOver = [&](std::size_t next) {
    if (next - wordBegin <= limit) return;
    words.push_back({wordBegin, last, last - wordBegin});
    wordBegin = last;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || c >= 0xE0 || c == 0x80;
    if (lead && i + 1 == text.size()) return false;
    if (i > wordBegin) closeIfOver(i);
    last = i;
    i += lead ? 2 : 1;
  }
  // The last word is held to the limit as well, so no line runs over the budget.
  if (!text.empty()) closeIfOver(text.size());
  words.push_back({wordBegin, text.size(), text.size() - wordBegin});
  return true;
}

bool SjisLimits(int budget, std::size_t& width, std::size_t& limit) {
  if (budget < kSjisHeaderMinBudget || budget > kSjisHeaderMaxBudget) return false;
  width = static_cast<std::size_t>(budget - 17) / 4 * 4;
  limit = width / 4 * 3;
  return true;
}

}  // namespace

bool EncodeHeaderIso2022jp252(std::string_view source, std::string& output, int lineBudget, int mode) {
  return EncodeIso(source, output, lineBudget, mode, &ConvertSjisToJis252);
}

bool EncodeHeaderIso2022jp200(std::string_view source, std::string& output, int lineBudget, int mode) {
  return EncodeIso(source, output, lineBudget, mode, &ConvertSjisToJis200);
}

bool GetEncodedHeaderLengthIso2022jp(std::string_view source, std::size_t& length, int lineBudget) {
  std::vector<Word> words;
  if (!SplitIsoWords(UpToNul(source), lineBudget, words)) return false;
  std::size_t total = 0;
  for (std::size_t w = 0; w < words.size(); ++w)
    total += (w > 0 ? 1 : 0) + kIsoPrefix.size() + GetBase64Length(words[w].size) + kSuffix.size() +
             kLineEnd.size();
  length = total;
  return true;
}

bool EncodeHeaderShiftJis(std::string_view source, std::string& output, int lineBudget) {
  std::size_t width = 0, limit = 0;
  if (!SjisLimits(lineBudget, width, limit)) return false;
  source = UpToNul(source);
  std::vector<Word> words;
  if (!SplitSjisWords(source, limit, words)) return false;
  std::string result, base64;
  for (const Word& word : words) {
    const std::string_view bytes = source.substr(word.begin, word.size);
    if (!EncodeBase64Text(bytes, static_cast<int>(bytes.size()), base64)) return false;
    result.append("\t").append(kSjisPrefix).append(base64).append(kSuffix).append(kLineEnd);
  }
  output.swap(result);
  return true;
}

bool GetEncodedHeaderLengthShiftJis(std::string_view source, std::size_t& length, int lineBudget) {
  std::size_t width = 0, limit = 0;
  if (!SjisLimits(lineBudget, width, limit)) return false;
  std::vector<Word> words;
  if (!SplitSjisWords(UpToNul(source), limit, words)) return false;
  std::size_t total = 0;
  for (const Word& word : words)
    total += 1 + kSjisPrefix.size() + GetBase64Length(word.size) + kSuffix.size() + kLineEnd.size();
  length = total;
  return true;
}

}  // namespace compose
