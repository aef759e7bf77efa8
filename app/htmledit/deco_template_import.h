#pragma once
// Reading a deco-mail template (.dmt) for the NTT DoCoMo HTML page (docomo_html_page.h):
// an HTML message with inline GIF and JPEG pictures that a phone's deco-mail tools wrote.
// The file comes from outside and is read as hostile data:
//
//   offset 0    19 bytes     a leading block, not interpreted
//   offset 19   up to the first NUL byte or the end of the file: a MIME message
//
// The import is analysed first and committed afterwards. AnalyseDecoTemplate checks the
// whole file, in this order, and tells the user the first thing that is wrong:
//  - the message parses (a file shorter than 20 bytes, or longer than
//    kMaxTemplateFileBytes, is refused as one that does not: no template within the
//    limits comes near that size, and a longer one is never read whole);
//  - it has no TEXT part and no attachment;
//  - its inline pictures (CheckTemplateInlineImages): at most one per slot, each with a
//    Content-ID, in base64, GIF or JPEG by declared type and by first bytes, together at
//    most the carrier's bytes;
//  - they take the slots' Content-IDs in order (RenumberTemplateContentIds), a picture
//    without a name is named "ファイル名未設定" (NameUnnamedInlineParts, told once);
//  - it has an HTML part that converts to Shift_JIS, and after its img references follow
//    their pictures (ReplaceCidReferences) it is within the carrier's HTML limit.
// The result is a plan: the HTML text and the renumbered inline parts. Nothing is written
// anywhere; the page then commits the plan (attachments cleared first, the only step that
// can fail, so a failure never leaves the mail half replaced).
//
// Lengths in the file are never trusted: the file is read at the size its open handle
// reports (a file that changes while read is refused), the message ends at the first NUL
// or the end of what was read, and the decoders stop at the end of their input.
//
// Messages go through ui::MessageBox over `owner`; texts are Shift_JIS.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/htmledit/inline_cid_references.h"
#include "core/mailstore/mime_format_struct.h"

class QWidget;

namespace htmledit {

// The leading block before the message text.
constexpr std::size_t kTemplateLeadBytes = 19;
// The largest .dmt file the import reads.
constexpr std::uint64_t kMaxTemplateFileBytes = 4ull * 1024 * 1024;

struct DecoTemplateLimits {
    // The Content-IDs of the page's inline slots, in slot order.
    std::vector<std::string> slotIds;
    std::uint64_t inlineBytes = 92160;
    std::size_t htmlBytes = 10000;
};

struct DecoTemplatePlan {
    std::string html;                            // Shift_JIS, references renamed
    std::vector<MimeFormatStruct> inlineParts;   // renumbered to the first slots, each named
};

// Reads a .dmt file whole: 1 with its bytes; 0 when it cannot be read (or changed while it
// was read); -1 when it is larger than kMaxTemplateFileBytes (nothing is read then).
int ReadTemplateFile(const std::string& path, std::string& out);

// Tells the user that the file is no deco-mail template it can read (its format message).
void ShowTemplateFormatFault(QWidget* owner);

// The message text of a template file: from offset 19 up to the first NUL byte; empty for
// a file of 19 bytes or fewer.
std::string_view TemplateMessageText(std::string_view fileBytes);

// The analysis of a template file's bytes (see above): the plan, or nothing after the user
// was told why.
std::optional<DecoTemplatePlan> AnalyseDecoTemplate(QWidget* owner, std::string_view fileBytes,
                                                    const DecoTemplateLimits& limits);

// The steps of the analysis, on the template's inline parts.
// 1 when at most `slotCount` parts, each with a Content-ID, base64, GIF or JPEG, together
// at most `maxBytes` decoded; else 0 after the message of the first fault.
int CheckTemplateInlineImages(QWidget* owner, const std::vector<MimeFormatStruct>& parts, std::size_t slotCount,
                              std::uint64_t maxBytes);
// Part i takes slot i's Content-ID (written " <id>"); `pairs` gets ("cid:" old id,
// "cid:" new id) for each. 1, or 0 after a message (a part without Content-ID, more parts
// than slots, a Content-ID that cannot be written).
int RenumberTemplateContentIds(QWidget* owner, std::vector<MimeFormatStruct>& parts,
                               const std::vector<std::string>& slotIds, std::vector<CidPair>& pairs);
// Every part without a name parameter gets "ファイル名未設定"; when any did, the user is
// told once. Always 1.
int NameUnnamedInlineParts(QWidget* owner, std::vector<MimeFormatStruct>& parts);
// Every img src value equal to a pair's old reference becomes its new one, in one pass
// (inline_cid_references.h): a rename never sees another's result, so ids that swap
// places keep their pictures. Other tags and attributes are left as they are. Always 1.
int ReplaceCidReferences(std::string& html, const std::vector<CidPair>& pairs);

}  // namespace htmledit
