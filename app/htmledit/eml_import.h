#pragma once
// Taking a whole message into the PC HTML page: an .eml file that another mail program
// saved (the page's "emlファイル読み込み" button), and the page's own stored mail when it
// opens. Both are messages from outside the page, so both are checked before anything of
// the page changes.
//
// The .eml import is analysed first and committed afterwards (pc_html_page.h):
// AnalyseEmlImport reads the message and asks every question and makes every check of the
// import - subject and TEXT part cut to their limits (asked), inline images (at most one
// per slot, base64, GIF or JPEG by type and by their first bytes, 5 MiB together),
// renumbering of the inline images to the slots' Content-IDs with their references in the
// HTML part following them, the HTML part's limit, and the attachments (at most 20, no
// two of one name, 5 MiB together, every one decoded, or all of them dropped when
// attachments are not sent, asked). The result is a plan that fits the page as it stands;
// a refusal is told to the user and gives nothing. The page's rules apply in that order,
// each with its own message; on top of them:
//  - a file larger than kMaxEmlFileBytes is refused as a malformed one before it is read
//    whole (no real mail within the page's limits comes near it);
//  - an attachment's name that is not a plain file name (empty, "." or "..", holding "/",
//    a backslash, NUL or another control byte) is refused with the message that the file
//    could not be registered, so no name from the file can lead outside the work folder;
//  - every attachment is decoded during the analysis, so the commit only writes;
//  - characters of the text and HTML parts that Shift_JIS cannot hold (a UTF-8 file) are
//    left out and named in one caution once the analysis went through
//    (import_notices.h), as an edit does for pasted text.
// Inline images keep their pictures: references are renamed in one pass
// (inline_cid_references.h), so renaming 01 -> 00 and 00 -> 01 keeps both pictures.
//
// NormaliseStoredInlineParts is the same renumbering for the page's stored mail, where
// nothing can be asked: what does not fit is dropped and listed for one message.
//
// Messages go through ui::MessageBox over `owner`; texts are Shift_JIS.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/inline_cid_references.h"
#include "core/mailstore/mime_format_struct.h"

class QWidget;

namespace htmledit {

// The largest .eml file the import reads.
constexpr std::uint64_t kMaxEmlFileBytes = 32ull * 1024 * 1024;

// The name an inline image without one gets ("ファイル名未設定", Shift_JIS).
const std::string& UnnamedInlineImageName();

struct EmlImportLimits {
    std::size_t subjectBytes = 512;
    std::size_t textBytes = 100000;
    std::size_t htmlBytes = 100000;
    // The Content-IDs of the page's inline slots, in slot order.
    std::vector<std::string> slotIds;
    std::uint64_t inlineBytes = 5242880;
    std::size_t attachmentCount = 20;
    std::uint64_t attachmentBytes = 5242880;
    // System option 100 is "Y": attachments are not sent.
    bool attachmentsNotSent = false;
};

struct EmlImportPlan {
    std::string subject;  // decoded, within the limit
    std::string text;     // TEXT part (empty when the file has none), within the limit
    std::string html;     // HTML part with its references renamed (empty when none)
    // The inline images renumbered to the first slots, each with a name.
    std::vector<MimeFormatStruct> inlineParts;
    // The attachments decoded, in the file's order; empty when they are dropped.
    std::vector<HtmlPageAttachments::NewAttachment> attachments;
};

// Reads the .eml file: 1 with its bytes; 0 when it cannot be read; -1 when it is larger
// than kMaxEmlFileBytes (nothing is read then).
int ReadEmlFile(const std::string& path, std::string& out);

// The analysis of an import (see above): the plan, or nothing after the user was told why
// or declined a question.
std::optional<EmlImportPlan> AnalyseEmlImport(QWidget* owner, const std::string& fileText,
                                              const EmlImportLimits& limits);

struct NormalisedInlineParts {
    std::vector<MimeFormatStruct> parts;  // renumbered and named
    std::vector<CidPair> renames;         // "cid:<old>" -> "cid:<slot id>"
    // "<old id> <name>" of each part dropped: beyond the slots, not a GIF or JPEG in
    // base64, or past the size limit (with every part after it).
    std::vector<std::string> dropped;
};

// The inline parts of a stored mail made to fit the page: parts without Content-ID that
// carry a Content-Location are passed over (they are no inline images of this mail); the
// rest in order take the slots' Content-IDs unless they are dropped (see above); a part
// without a name gets UnnamedInlineImageName().
NormalisedInlineParts NormaliseStoredInlineParts(const std::vector<MimeFormatStruct>& parts,
                                                 const std::vector<std::string>& slotIds, std::uint64_t maxBytes);

}  // namespace htmledit
