#include "core/foundation/header_tidy.h"

#include <gtest/gtest.h>

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

}  // namespace
