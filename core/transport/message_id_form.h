#pragma once
// Message-IDs as the receive run meets them in answers to our mail: cut out of a header
// value, told apart from junk, and told apart as ours or someone else's.
//
// The send run writes every Message-ID in one form: digits "." digits "." the mail ID in
// digits, optionally "." and more, then "@" and a domain. The bounce processing traces a
// bounce to its mail through that mail ID alone, so an id of any other form can never be
// applied to a mail. A returned message may carry several Message-ID headers (a relay may
// add its own before ours), and a report may arrive wrapped inside another message whose
// own id is the report's; Choice picks ours among such candidates.
//
// Ids are ASCII; nothing here decodes or converts text. Every function accepts any bytes.

#include <string>
#include <string_view>

namespace message_id {

// The id in a Message-ID style value: between the first "<" and the last ">", or, with
// only one bracket or none, the text on the id's side with blanks and tabs removed.
// False (id untouched) when nothing is left. Blanks and tabs around the value are
// ignored, so a value needs no blank after the colon and may be folded onto a tab line.
// The result is not checked for the shape of an id (see LooksLikeId).
bool CutDown(std::string_view value, std::string& id);

// True for "local@domain": a non-empty local part and domain around the last "@", every
// byte printable ASCII other than blanks, "<" and ">". "=" or "abc" is no id; neither is
// "a@b> <c@d" (two ids cut down as one).
bool LooksLikeId(std::string_view id);

// The mail ID that our send run wrote into `id` (without angle brackets): the text up to
// the first "." and the text between the first and second "." are non-empty runs of
// digits, and the text between the second "." and the next "@", cut at its first ".",
// is a non-empty run of digits not above INT_MAX; that run is the result. -1 for any
// other shape, and for an id with nothing after the "@".
int SentMailId(std::string_view id);
inline bool IsOurs(std::string_view id) { return SentMailId(id) >= 0; }

// Chooses the original's id among candidates offered in order of trust: the first id of
// our own form wins whenever it was offered; failing that, the first id offered as a
// fallback. Values that hold no id of the right shape are ignored.
class Choice {
public:
    // Offers an id (already cut down). With `fallback` false it counts only when it is
    // ours: used for headers that are probably not the original's (a wrapper's).
    void OfferId(std::string_view id, bool fallback = true);
    // Offers a header value as written (cut down first).
    void OfferValue(std::string_view value, bool fallback = true);

    // True once an id of our own form was offered: nothing offered later can win.
    bool Settled() const { return !own_.empty(); }
    // Ours, else the first fallback, else "".
    const std::string& Result() const { return own_.empty() ? fallback_ : own_; }

private:
    std::string own_;
    std::string fallback_;
};

}  // namespace message_id
