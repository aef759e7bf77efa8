#include "core/foundation/address_utils.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/foundation/cp932.h"
#include "core/foundation/tests/sjis_test_text.h"

namespace {

using sjistest::S;

TEST(DivideAddress, PrefectureRules) {
  struct { const char* address; const char* prefecture; const char* rest; } cases[] = {
      {"神奈川県横浜市", "神奈川県", "横浜市"},
      {"東京都府中市", "東京都", "府中市"},
      {"京都府京都市", "京都府", "京都市"},
      {"北海道札幌市", "北海道", "札幌市"},
      {"大阪府", "大阪府", ""},
      {"鹿児島県", "鹿児島県", ""},
      {"横浜市中区", "", "横浜市中区"},
      {"新県町1", "", "新県町1"},  // 県 that ends no prefecture
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string pref = "x", rest = "y";
    xc_divide_address(S(c.address), pref, rest);
    EXPECT_EQ(pref, S(c.prefecture)) << c.address;
    EXPECT_EQ(rest, S(c.rest)) << c.address;
  }
}

TEST(DivideNumbers, ZipTelephoneCodenumber) {
  struct { const char* in; const char* first; const char* rest; } zips[] = {
      {"123-4567", "123", "4567"}, {"1234567", "123", "4567"}, {"12", "12", ""},
      {"1-2-3", "1-2-3", ""},      {"", "", ""},
  };
  for (const auto& z : zips) {
    std::string a = "x", b = "y";
    xc_divide_zipcode(z.in, a, b);
    EXPECT_EQ(a, z.first);
    EXPECT_EQ(b, z.rest);
  }
  struct { const char* in; const char* first; const char* rest; } phones[] = {
      {"03-1234-5678", "03", "1234-5678"}, {"0312345678", "", "0312345678"},
      {"03-", "03", ""},                   {"", "", ""},
  };
  for (const auto& p : phones) {
    std::string a = "x", b = "y";
    xc_divide_telephone(p.in, a, b);
    EXPECT_EQ(a, p.first);
    EXPECT_EQ(b, p.rest);
  }
  struct { const char* in; const char* out; } codes[] = {
      {"--03--1234--", "-03-1234"}, {"(03) 1234-5678", "031234-5678"}, {"---", ""}, {"", ""},
  };
  for (const auto& c : codes) {
    std::string out = "x";
    xc_format_codenumber(c.in, out);
    EXPECT_EQ(out, c.out);
  }
}

TEST(FormatString4Mail, WidensThenReplaces) {
  const std::string a = S("①"), b = S("(1)");
  const std::string tilde = S("～"), dash = S("－");
  CodeConvertStruct rules[] = {{a.c_str(), b.c_str()}, {tilde.c_str(), dash.c_str()},
                               {"", "never"}, {nullptr, nullptr}};
  std::string out = "x";
  xc_format_string4mail(S("ｶﾞ①～①"), out, rules);
  EXPECT_EQ(out, S("ガ(1)－(1)"));
  xc_format_string4mail("", out, rules);
  EXPECT_EQ(out, "");
  xc_format_string4mail("abc", out, nullptr);
  EXPECT_EQ(out, "abc");
  // A match must start on a character boundary: "\" inside 表 is not replaced.
  CodeConvertStruct backslash[] = {{"\\", "/"}, {nullptr, nullptr}};
  xc_format_string4mail(S("表") + "\\", out, backslash);
  EXPECT_EQ(out, S("表") + "/");
}

TEST(AddressUtils, RandomBytes) {
  std::mt19937 rng(1115);
  const std::string ken = S("県"), to = S("都");
  CodeConvertStruct rules[] = {{"a", "bb"}, {"\x82", ""}, {nullptr, nullptr}};
  for (int round = 0; round < 10000; ++round) {
    std::string s(rng() % 24, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    if (round & 1) s.insert(rng() % (s.size() + 1), round & 2 ? ken : to);
    std::string a, b;
    xc_divide_address(s, a, b);
    EXPECT_EQ(a + b, s);
    xc_divide_zipcode(s, a, b);
    xc_divide_telephone(s, a, b);
    xc_format_codenumber(s, a);
    xc_format_string4mail(s, a, rules);
  }
}

}  // namespace
