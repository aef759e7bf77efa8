#pragma once
// Content-IDs of the inline pictures of an outgoing PC HTML mail.
//
// The composing pages name their picture slots "00" to "19", and stored mails keep those
// names in their inline parts and in their HTML's "cid:" references; the pages find their
// slots again by them. A mail reader, though, resolves "cid:" by Content-ID, and RFC 2392
// and RFC 2045 want an id of the address form "<left@right>", unique in the world; some
// readers leave "cid:00" unresolved. So the mail gets new ids when it is sent, and its HTML
// the same ids in its references; what is stored never changes, so mails saved with the
// slot names go out in the new form too.
//
// The new id of an inline part: the old id's ASCII letters and digits (the slot stays
// readable), ".", a time stamp unique within the process (MakeMessageIDLocalPart's), and
// "@" with the domain of the sender's address ("localhost" when it has none). The copies of
// one run share the ids: they carry the same pictures.

#include <string>
#include <utility>
#include <vector>

#include "core/mailstore/mime_format_struct.h"

// The (old id, new id) pairs, ids without angle brackets.
using ContentIdRenames = std::vector<std::pair<std::string, std::string>>;

// Gives every inline part of `parts` that has a Content-ID a new one (written " <id>", as
// the pages write theirs) and returns the pairs in part order. `senderAddress` and
// `mailId` make the time stamp as for a Message-ID. Parts without a Content-ID are left
// alone.
ContentIdRenames RenameInlineContentIds(std::vector<MimeFormatStruct>& parts, const std::string& senderAddress,
                                        int mailId);

// `html` (Shift_JIS) with each "cid:" reference to an old id replaced by "cid:" and its
// new id. A reference is "cid:" (any case) at a character boundary that begins a value
// (after a quote, "=", "(" or a blank), followed by the id up to a quote, a blank, ">",
// ")" or the end; the id is compared without regard to ASCII
// case, as the composing checks compare it. Everything else stays byte for byte.
// Unlike the pages' renumbering of their slots (htmledit's RewriteCidReferences, img src
// values only), every reference counts here - a background or a style's url(cid:...) too -
// because after the send no part keeps the old id.
std::string ReferToNewContentIds(const std::string& html, const ContentIdRenames& renames);
