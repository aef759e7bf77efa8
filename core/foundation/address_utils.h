#pragma once
// Splitting and formatting of Japanese addresses, postal codes and telephone numbers for
// the importers, and the text preparation of imported mail fields. Shift_JIS text.

#include <string>
#include <string_view>

// One replacement rule: the text to find and the text to put in its place. A table of
// rules ends with a rule whose text to find is null.
struct CodeConvertStruct {
  const char* find;
  const char* replace;
};

// Splits a leading prefecture off an address. The suffixes are tried in the order 道, 府,
// 都, 県, each at its first occurrence, so 東京都府中市 gives 東京都 + 府中市 and 京都府 is
// found before the 都 inside it. Without a prefecture, prefecture is empty and rest is the
// whole address.
void xc_divide_address(std::string_view address, std::string& prefecture, std::string& rest);

// 123-4567 -> 123 + 4567 (hyphens removed); a code with fewer than 4 bytes once its
// hyphens are removed stays whole in first (hyphens kept).
void xc_divide_zipcode(std::string_view code, std::string& first, std::string& rest);

// Splits at the first hyphen; without one, rest is the whole number.
void xc_divide_telephone(std::string_view number, std::string& first, std::string& rest);

// Keeps digits and hyphens, with each run of hyphens made one and a trailing run dropped:
// "--03--1234--" -> "-03-1234".
void xc_format_codenumber(std::string_view text, std::string& out);

// Widens half-width katakana, then applies each rule of rules (may be null) in order,
// replacing every occurrence (on character boundaries) of its text to find.
void xc_format_string4mail(std::string_view text, std::string& out, const CodeConvertStruct* rules);
