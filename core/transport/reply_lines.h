#pragma once
// The lines of a reply's text as its writer wrote them, for the marks a person types on the
// first line of a reply ("<REFUSE>", "<REGISTER>", the refusal keyword).
//
// A reply quotes the mail it answers, and a bottom-posted one (as Thunderbird and Apple
// Mail write it by default) begins with the quotation: our own mail, with our instruction
// "write <REFUSE> on the first line" in it. The first line the writer wrote is the first
// line that is none of these, in this order from the top:
//  - a line empty in substance (blanks, tabs, full-width blanks);
//  - a quoted line: its first character, after blanks, is ">" or a full-width "＞" (the
//    form mail programs quote plain text in, and html_shown_text.h gives a blockquote);
//  - the attribution the mail program puts before a quotation ("On 2024/01/16 9:00,
//    Shop wrote:", Gmail's "2024年1月16日(火) 9:00 Shop <info@example.jp>:"): a line that
//    names the date (holds a digit), ends in ":" or "：", and whose next line not empty in
//    substance is a quoted line. A person's own "配信停止希望:" before a quotation counts.
// Lines end at CR LF, LF or CR. Texts are Shift_JIS.

#include <string_view>

namespace reply_lines {

// True when the text holds only blanks, tabs, line breaks and full-width blanks.
bool IsBlank(std::string_view text);

// The first line the writer wrote (without its line end); empty when there is none.
std::string_view WritersFirstLine(std::string_view text);

}  // namespace reply_lines
