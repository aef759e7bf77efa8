#include "core/foundation/address_utils.h"

#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/kana_convert.h"
#include "core/foundation/string_utils.h"

namespace {

constexpr const char* kPrefecturesKen[] = {
    "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県", "茨城県", "栃木県", "群馬県",
    "埼玉県", "千葉県", "神奈川県", "新潟県", "富山県", "石川県", "福井県", "山梨県", "長野県",
    "岐阜県", "静岡県", "愛知県", "三重県", "滋賀県", "兵庫県", "奈良県", "和歌山県", "鳥取県",
    "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};
static_assert(std::size(kPrefecturesKen) == 43);

// The suffixes and prefecture names in Shift_JIS, converted once.
struct SuffixRule {
  std::string suffix;
  std::vector<std::string> names;
};

const std::vector<SuffixRule>& Rules() {
  static const std::vector<SuffixRule> rules = [] {
    std::vector<SuffixRule> r = {
        {Utf8ToSjis("道"), {Utf8ToSjis("北海道")}},
        {Utf8ToSjis("府"), {Utf8ToSjis("大阪府"), Utf8ToSjis("京都府")}},
        {Utf8ToSjis("都"), {Utf8ToSjis("東京都")}},
        {Utf8ToSjis("県"), {}},
    };
    for (const char* name : kPrefecturesKen) r[3].names.push_back(Utf8ToSjis(name));
    return r;
  }();
  return rules;
}

}  // namespace

void xc_divide_address(std::string_view address, std::string& prefecture, std::string& rest) {
  prefecture.clear();
  rest.clear();
  if (address.empty()) return;
  for (const SuffixRule& rule : Rules()) {
    size_t at = FindSjis(address, rule.suffix);
    if (at == std::string_view::npos) continue;
    std::string_view candidate = address.substr(0, at + rule.suffix.size());
    for (const std::string& name : rule.names) {
      if (candidate == name) {
        prefecture = std::string(candidate);
        rest = std::string(address.substr(candidate.size()));
        return;
      }
    }
  }
  rest = std::string(address);
}

void xc_divide_zipcode(std::string_view code, std::string& first, std::string& rest) {
  first.clear();
  rest.clear();
  if (code.empty()) return;
  std::string digits;
  for (char c : code)
    if (c != '-') digits.push_back(c);
  if (digits.size() < 4) {
    first = std::string(code);
    return;
  }
  first = digits.substr(0, 3);
  rest = digits.substr(3);
}

void xc_divide_telephone(std::string_view number, std::string& first, std::string& rest) {
  first.clear();
  rest.clear();
  if (number.empty()) return;
  size_t hyphen = number.find('-');
  if (hyphen == std::string_view::npos) {
    rest = std::string(number);
    return;
  }
  first = std::string(number.substr(0, hyphen));
  rest = std::string(number.substr(hyphen + 1));
}

void xc_format_codenumber(std::string_view text, std::string& out) {
  std::string r;
  for (char c : text) {
    if (c == '-') {
      if (r.empty() || r.back() != '-') r.push_back('-');
    } else if (c >= '0' && c <= '9') {
      r.push_back(c);
    }
  }
  while (!r.empty() && r.back() == '-') r.pop_back();
  out = std::move(r);
}

void xc_format_string4mail(std::string_view text, std::string& out, const CodeConvertStruct* rules) {
  out.clear();
  if (text.empty()) return;
  std::string s;
  xc_han2zen_sjis_kana(s, text);
  for (const CodeConvertStruct* r = rules; r && r->find; ++r) {
    std::string_view find = r->find;
    if (find.empty()) continue;
    std::string_view replace = r->replace ? r->replace : "";
    std::string next;
    size_t from = 0;
    while (true) {
      size_t at = FindSjis(std::string_view(s).substr(from), find);
      if (at == std::string_view::npos) break;
      next.append(s, from, at);
      next.append(replace);
      from += at + find.size();
    }
    next.append(s, from, std::string::npos);
    s = std::move(next);
  }
  out = std::move(s);
}
