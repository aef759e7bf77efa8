#pragma once
// The words of delivery notices: where a plain-text notice copies the returned message,
// what in a notice reads like a failure and what like a delay warning, and the Action
// fields of a delivery-status report. MailAnalyzer walks the message; this file knows the
// texts.
//
// Plain-text copies, in the layouts of the common mail systems. A line holding one of
// these starts a copy; the copy's header block follows it (blank lines between allowed)
// and ends at its first empty line:
//   "Below this line is a copy of the message"      qmail, Yahoo
//   "This is a copy of the message" (", including all the headers" or "'s headers")  Exim
//   "Unsent message follows", "Original message follows" and the like: "message follows"
//                                                   Sendmail, and many others
//   "Message header(s) follow(s)"                   Sendmail with the body left out
//   "----- Original message -----"                  Gmail; "Original message headers:"
//                                                   Microsoft Exchange: "original message"
//   "Each of the following recipients was rejected by a remote mail server."
// Copied lines may be quoted ("> ", any depth) and a Message-ID value may be folded onto
// the next line, or stand alone on it. Without any of these layouts the first
// "Message-ID:" line of the text is taken.
//
// Texts are the decoded bytes of a notice (ASCII, Shift_JIS, ISO-2022-JP, UTF-8: the
// words looked for are ASCII). Every search stays inside its text; nothing here fails.

#include <string_view>

#include "core/transport/message_id_form.h"

namespace bounce_text {

// A notice explains itself in its first lines; beyond this many bytes (or below the line
// where a copy begins) the text is the returned message, whose words are not the notice's.
constexpr size_t kNoticeLimit = 16 * 1024;

// The notice's own words: `body` up to the line where a copy of the returned message
// begins, and at most kNoticeLimit bytes.
std::string_view NoticeWords(std::string_view body);

// Offers `choice` the Message-IDs of a copy of the returned message found in `text`: the
// first id of our own form anywhere in the text; else, as fallbacks in this order, the
// first id inside a copy's header block and the first "Message-ID:" line of the text.
void OfferCopiedIds(std::string_view text, message_id::Choice& choice);

// The text says that delivery failed for good ("could not be delivered", "user unknown",
// "permanent error" and the like). For a notice whose sender is the null address.
bool ReadsLikeFailure(std::string_view text);

// The text says that delivery is only delayed and will be tried again ("THIS IS A
// WARNING MESSAGE ONLY", "will continue trying", "has been delayed", "has not yet been
// delivered" and the like).
bool ReadsLikeWarning(std::string_view text);

// The subject speaks of a warning or a delay ("Warning: could not send message for past
// 4 hours", "Delayed Mail (still being retried)", "Delivery Status Notification (Delay)").
// Callers give way to a subject that also reads like a failure, since failure subjects
// often repeat the returned message's own subject.
bool SubjectSpeaksOfDelay(std::string_view subject);

// The Action fields of a delivery-status report (its per-recipient blocks), as bits.
// Values other than the five of the report format are ignored.
enum ReportAction : unsigned {
    kActionFailed = 1,
    kActionDelayed = 2,
    kActionDone = 4,  // delivered, relayed or expanded
};
unsigned ReportActions(std::string_view fields);

}  // namespace bounce_text
