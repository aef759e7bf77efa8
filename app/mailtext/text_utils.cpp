#include "app/mailtext/text_utils.h"

#include "core/foundation/cp932.h"

namespace compose {

int ConvertToUtf8(std::string_view source, std::string& result) {
  std::string utf8 = SjisToUtf8(source);
  if (utf8.empty() && !source.empty()) return -1;
  result.swap(utf8);
  return 1;
}

int GetUtf8SequenceLength(unsigned char firstByte) {
  if (firstByte <= 0x7F) return 1;
  if (firstByte >= 0xC0 && firstByte <= 0xDF) return 2;
  if (firstByte >= 0xE0 && firstByte <= 0xEF) return 3;
  if (firstByte >= 0xF0 && firstByte <= 0xF7) return 4;
  return -1;
}

int UrlEncode(std::string_view source, std::string& result) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(source.size() * 3);
  auto percent = [&](unsigned char b) {
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  };
  for (std::size_t i = 0; i < source.size();) {
    const auto b = static_cast<unsigned char>(source[i]);
    const int n = GetUtf8SequenceLength(b);
    if (n < 0 || static_cast<std::size_t>(n) > source.size() - i) return -1;
    if (n > 1) {
      for (int k = 0; k < n; ++k) percent(static_cast<unsigned char>(source[i + k]));
    } else if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*' ||
               b == '-' || b == '.' || b == '@' || b == '_') {
      out += static_cast<char>(b);
    } else {
      percent(b);
    }
    i += static_cast<std::size_t>(n);
  }
  result.swap(out);
  return 1;
}

std::string FormatNumberWithCommas(uint64_t number) {
  const std::string digits = std::to_string(number);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace compose
