#pragma once
// Base64 figures and text shared by the header encoders and the send run. The encoding
// itself is the core's (core/mailstore/base64.h); these give the sizes the send run
// allocates from, and the unbroken base64 text of one encoded word.

#include <cstddef>
#include <string>
#include <string_view>

namespace compose {

// `output` = standard base64 (RFC 4648 alphabet, "=" padding, no line breaks) of the
// source's first `limit` bytes, or of the whole source up to its first NUL when that
// comes earlier. False (output untouched) when limit is negative.
[[nodiscard]] bool EncodeBase64Text(std::string_view source, int limit, std::string& output);

// 4 x ceil(count / 3): the length of unbroken base64 of `count` bytes.
constexpr std::size_t GetBase64Length(std::size_t count) { return (count + 2) / 3 * 4; }

// The exact length of what the core's base64encoding(data, lineLength) writes for `count`
// bytes: with lineLength < 1 GetBase64Length(count); otherwise a CR LF is counted after
// every lineLength characters, also after the last full group, but never after the last
// character of a padded final group.
constexpr std::size_t GetBase64EncodedLength(std::size_t count, int lineLength) {
  const std::size_t chars = GetBase64Length(count);
  if (lineLength < 1) return chars;
  // The characters after which a line may end: all of the full groups, and the first
  // three of a final partial group.
  const std::size_t breakable = count / 3 * 4 + (count % 3 ? 3 : 0);
  return chars + 2 * (breakable / static_cast<std::size_t>(lineLength));
}

}  // namespace compose
