#pragma once
// The text an HTML body shows its reader, for the analysis of a reply that came as HTML
// only: a person's first line is what the mail program displays first, not the markup
// around it.
//
// Read as a browser would, without building a document: tags are dropped; the contents
// of comments, <script>, <style> and <title> are not shown (an unclosed one runs to the
// end); white space (blank, tab, CR, LF, FF) between words collapses to one blank and is
// dropped at the start of a line; <br> ends a line; the start and end of a block (p, div,
// li, tr, the headings, blockquote and the like) end the line when it holds anything, so
// nested blocks give no empty lines; character references (&lt; &gt; &amp; &quot; &apos;
// &nbsp; and &#NNN; &#xHH;) become their characters, a character that Shift_JIS cannot
// hold a blank, and any other "&" stays as written. A "<" that opens no tag (not followed
// by a letter, "/" and a letter, "!" or "?") is text. Lines end in CR LF.
//
// Text is Shift_JIS in and out: the bytes that decide the reading ("<", ">", "&", quotes,
// white space) are never the trail byte of a double-byte character. Mail from outside is
// hostile input: the reading is one pass, each byte looked at a bounded number of times.

#include <string>
#include <string_view>

namespace html_text {

std::string ShownText(std::string_view html);

}  // namespace html_text
