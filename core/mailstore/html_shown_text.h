#pragma once
// The text an HTML body shows its reader, for the analysis of a reply that came as HTML:
// a person's first line is what the mail program displays first, not the markup around
// it.
//
// Read as a browser would, without building a document:
//  - tags are dropped; the contents of comments, <script>, <style>, <title> and
//    <template> are not shown, nor an element the markup hides (a style that sets
//    "display: none", the hidden attribute); an unclosed one runs to the end (a hidden
//    <p> ends where the next block begins, as browsers close it);
//  - white space (blank, tab, CR, LF, FF) between words collapses to one blank and is
//    dropped at the start of a line; <br> ends a line; the start and end of a block (p,
//    div, li, tr, the headings, blockquote and the like) end the line when it holds
//    anything, so nested blocks give no empty lines; cells side by side are one blank
//    apart;
//  - the text inside a <blockquote> is a quotation, and each of its lines begins with
//    "> " once for every blockquote around it (up to eight), as mail programs write a
//    quotation in plain text;
//  - character references are read as the HTML standard reads them (html_references.h):
//    "&LT;", "&lt" and "&#x3C;" are "<"; a no-break space is a blank, another control or
//    white-space character white space, a character that is never seen (soft hyphen,
//    zero-width space) nothing, and a character that Shift_JIS cannot hold a blank;
//  - a "<" that opens no tag (not followed by a letter, "/" and a letter, "!" or "?") is
//    text.
// Lines end in CR LF.
//
// `tagsAsText` names elements (any case) whose tags are no markup to this reader: they
// stay in the text as written, as the receive run reads its marks ("<REGISTER>") that a
// web form writes into the HTML it sends.
//
// Text is Shift_JIS in and out: the bytes that decide the reading ("<", ">", "&", quotes,
// white space) are never the trail byte of a double-byte character. Mail from outside is
// hostile input: the reading is one pass, each byte looked at a bounded number of times.

#include <span>
#include <string>
#include <string_view>

namespace html_text {

std::string ShownText(std::string_view html, std::span<const std::string_view> tagsAsText = {});

}  // namespace html_text
