#include "core/foundation/header_tidy.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(ReformatHeaderBodyString, Rules) {
  struct { const char* in; const char* out; } cases[] = {
      {"attachment; filename = \"a b.txt\"", "attachment;filename=\"a b.txt\""},
      {"name=\t=?ISO-2022-JP?B?GyRC JEIbKEI=?= (note) x", "name==?ISO-2022-JP?B?GyRC JEIbKEI=?=x"},
      {"a (comment \"q\" ) b", "ab"},
      {"a (open", "a"},
      {"\"open quote  ", "\"open quote  "},
      {"=?open word ", "=?open word "},
      {"a ((x) y) z", "ay)z"},  // comments do not nest
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReformatHeaderBodyString(c.in), c.out) << c.in;
}

TEST(ReformatHeaderBodyString, RandomBytesNeverGrow) {
  std::mt19937 rng(4);
  for (int round = 0; round < 10000; ++round) {
    std::string s(rng() % 40, '\0');
    for (char& c : s) c = rng() % 2 ? static_cast<char>(rng()) : " \t\"()=?"[rng() % 7];
    EXPECT_LE(ReformatHeaderBodyString(s).size(), s.size());
  }
}

}  // namespace
