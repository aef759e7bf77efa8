#include "app/mailtext/base64_text.h"

#include <cstring>

#include "core/mailstore/base64.h"

namespace compose {

bool EncodeBase64Text(std::string_view source, int limit, std::string& output) {
  if (limit < 0) return false;
  source = source.substr(0, static_cast<std::size_t>(limit));
  if (const void* nul = std::memchr(source.data(), '\0', source.size()))
    source = source.substr(0, static_cast<const char*>(nul) - source.data());
  output = base64encoding(source, -1);
  return true;
}

}  // namespace compose
