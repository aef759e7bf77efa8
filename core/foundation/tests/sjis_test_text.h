#pragma once
// Test text in the bytes the code sees: Shift_JIS from the UTF-8 of the source, and bytes
// given by their values.

#include <initializer_list>
#include <string>

#include "core/foundation/cp932.h"

namespace sjistest {

inline std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int c : bytes) s.push_back(static_cast<char>(c));
  return s;
}

inline std::string S(const char* utf8) { return Utf8ToSjis(utf8); }

}  // namespace sjistest
