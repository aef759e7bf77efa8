#pragma once
// The links between an HTML part and its inline images: an img tag names its image as
// src="cid:<Content-ID>", and the image part carries that id in its Content-ID header
// (" <00>", blanks and angle brackets around the id).
//
// When the HTML pages renumber the inline images of a stored mail or an imported file to
// their slots' ids, every reference must follow its own image. RewriteCidReferences does
// all renames in one pass: each src value is looked at once, so a rename never sees the
// result of another (with renames 01 -> 00 and 00 -> 01 done one after the other, both
// images would end up as 01 and one picture would show twice).
//
// Values are compared as the HTML tag model compares them (ReplaceHtmlAttrVal: the whole
// value, without regard to ASCII case); only img src values change, every other byte of
// the text stays as it was. Texts are Shift_JIS.

#include <string>
#include <string_view>
#include <vector>

#include "app/compose/mail_size_measure.h"
#include "core/mailstore/mime_format_struct.h"

namespace htmledit {

// One rename of a reference: src values equal to `from` become `to` (both "cid:..." forms).
struct CidPair {
    std::string from;
    std::string to;
};

// `html` with every img src value equal to some pair's `from` set to that pair's `to`
// (the first such pair when several name the same value).
std::string RewriteCidReferences(const std::string& html, const std::vector<CidPair>& pairs);

// The NTT DoCoMo HTML part as the au TU-KA page takes it: au TU-KA names the slot of
// DoCoMo image "NN" "img@0NN", so each img src value "cid:<id>" of an entry of `images`
// (the DoCoMo page's inline images; entries not marked inline and ids shorter than two
// characters are passed over) becomes "cid:img@" and the number of the id's first two
// characters in three digits ("05" -> "cid:img@005"). One pass (RewriteCidReferences).
std::string AuHtmlFromDocomo(const std::string& html, const std::vector<compose::PageFileEntry>& images);

// The id of a Content-ID value: blanks and tabs removed at both ends, then one "<" at the
// start and one ">" at the end ("  <00> " gives "00").
std::string BareContentId(std::string_view value);

// The part's Content-ID as BareContentId gives it; empty when the part has none.
std::string ContentIdOf(const MimeFormatStruct& part);

// What an inline image part holds, by its declared type and its first bytes.
enum class InlineImageCheck {
    kGif,          // image/gif whose data starts "GIF87a" or "GIF89a"
    kJpeg,         // image/jpeg whose data starts FF D8
    kNotBase64,    // the transfer encoding is not base64
    kUndecodable,  // the base64 body does not decode
    kNotGifJpeg,   // another type, or data that does not match its type
};

// Checks `part` and gives its decoded bytes in `data` (for kGif and kJpeg; otherwise
// whatever could be decoded).
InlineImageCheck CheckInlineImage(const MimeFormatStruct& part, std::string& data);

}  // namespace htmledit
