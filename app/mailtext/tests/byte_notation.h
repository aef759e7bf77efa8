#pragma once
// Byte strings of the composing-text tests, written so that a reader sees the escapes:
// two hex digits are one byte, "(B" "(J" "$@" "$B" are the ISO-2022-JP designations
// (ESC ( B and so on), and 'text' between single quotes is ASCII as written. Tokens are
// separated by blanks: Bytes("'A' $B 24 22 (B 0D 0A").

#include <cctype>
#include <string>
#include <string_view>

namespace compose::test {

inline std::string Bytes(std::string_view notation) {
  std::string out;
  std::size_t i = 0;
  while (i < notation.size()) {
    const char c = notation[i];
    if (c == ' ') {
      ++i;
    } else if (c == '\'') {
      const std::size_t close = notation.find('\'', i + 1);
      out.append(notation.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if ((c == '(' || c == '$') && i + 1 < notation.size()) {
      out += '\x1b';
      out += c;
      out += notation[i + 1];
      i += 2;
    } else {
      out += static_cast<char>(std::stoi(std::string(notation.substr(i, 2)), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

// The reverse, for failure messages: bytes as hex with the escapes named.
inline std::string Notation(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!out.empty()) out += ' ';
    if (bytes[i] == '\x1b' && i + 2 < bytes.size()) {
      out += bytes[i + 1];
      out += bytes[i + 2];
      i += 2;
      continue;
    }
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

}  // namespace compose::test
