#include "core/foundation/header_tidy.h"

#include <string_view>

std::string ReformatHeaderBodyString(std::string value) {
  std::string_view v = value;
  std::string out;
  out.reserve(v.size());
  size_t i = 0;
  // End (exclusive) of a run that closes with `close` and starts at `from`.
  auto runEnd = [&](size_t from, std::string_view close) {
    size_t k = v.find(close, from);
    return k == std::string_view::npos ? v.size() : k + close.size();
  };
  while (i < v.size()) {
    char c = v[i];
    if (c == '"') {
      size_t end = runEnd(i + 1, "\"");
      out.append(v.substr(i, end - i));
      i = end;
    } else if (c == '=' && i + 1 < v.size() && v[i + 1] == '?') {
      size_t end = runEnd(i + 2, "?=");
      out.append(v.substr(i, end - i));
      i = end;
    } else if (c == '(') {
      i = runEnd(i + 1, ")");
    } else {
      if (c != ' ' && c != '\t') out.push_back(c);
      ++i;
    }
  }
  return out;
}
