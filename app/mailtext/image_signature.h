#pragma once
// Signature tests for inline images: what the file's first bytes say, whatever its name.

#include <string_view>

namespace compose {

// At least 6 bytes, starting "GIF87a" or "GIF89a".
inline bool IsGifData(std::string_view data) {
  return data.size() >= 6 && (data.substr(0, 6) == "GIF87a" || data.substr(0, 6) == "GIF89a");
}

// At least 2 bytes, starting 0xFF 0xD8.
inline bool IsJpegData(std::string_view data) {
  return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
         static_cast<unsigned char>(data[1]) == 0xD8;
}

}  // namespace compose
