#pragma once
// The mail search without its dialogs: one keyword over every stored mail that is not
// deleted, in the subjects, the bodies and the destination name, as the condition dialog
// (mail_search_dlg.h) asks.
//
// What is searched, per mail, in this order (the order of the hits):
//  1. subjects (field 0 or 3): the subject of each terminal row 0-6;
//  2. bodies (field 1 or 3): a text mail ("N") each of its seven bodies; an HTML mail for
//     PCs ("Y") the plain text of the MIME message in body 0 (row 0); an HTML mail for
//     mobile phones ("M") the plain text of each of bodies 1-6; any other kind nothing;
//  3. the destination name (field 2 or 3), part index -1.
// Mails are taken in mail-list order: every mail whose status is anything but "S"
// (a status the list does not know counts for neither and is skipped).
//
// Matching: the first occurrence of the keyword, byte for byte and case-sensitive, that
// starts and ends on whole Shift_JIS characters. A byte inside a two-byte character never
// starts a match, so "@" does not match the second byte of "\x81\x40" (the ideographic
// blank). Each text gives at most one hit; its excerpt is the text round the hit: from at
// most 10 bytes before the hit to at most 10 bytes after its first byte (21 bytes at
// most), cut to whole characters at both ends.
//
// A mail whose body file cannot be read gives no subject or body hits (its destination
// name is still searched); reading never changes a mail (no attachment is decoded, no work
// folder touched). The bodies are read by several threads at once; the hits come back in
// the order above whatever the threads did.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CMailListViewer;
class EnvManager;

enum MailSearchField : int {
    kSearchSubject = 0,
    kSearchBody = 1,
    kSearchAddressName = 2,
    kSearchAll = 3,
};

enum MailSearchPlace : int {
    kPlaceSubject = 0,
    kPlaceBody = 1,
    kPlaceAddressName = 2,
};

struct MailSearchHit {
    int mailId = 0;
    int partIndex = 0;   // terminal row 0-6, or -1 for the destination name
    int place = kPlaceSubject;
    std::string excerpt;  // Shift_JIS, as it stands in the text
    bool operator==(const MailSearchHit&) const = default;
};

// The byte position of the first occurrence of `keyword` in `text` that begins and ends
// on character boundaries, or npos (also for an empty keyword).
std::size_t FindWholeCharacters(std::string_view text, std::string_view keyword);
// The excerpt of a hit at byte `pos` of `text` (see above).
std::string SearchExcerpt(std::string_view text, std::size_t pos);

class MailSearcher {
public:
    // Both must stay valid while the searcher is used.
    MailSearcher(EnvManager* env, CMailListViewer* mails) : env_(env), mails_(mails) {}

    // Searches `keyword` (Shift_JIS) in `field` (MailSearchField) and replaces `hits`
    // with what was found. The number of hits; 0 for an empty keyword, no environment or
    // no mail list. `threads` 0 picks the machine's number (at most 8).
    int Search(int field, const std::string& keyword, std::vector<MailSearchHit>& hits, int threads = 0) const;

private:
    EnvManager* env_;
    CMailListViewer* mails_;
};

// The terminal name shown for a part index ("通常" ... "パルディオ"; "-" for -1), UTF-8.
const char* SearchPartName(int partIndex);
// "件名", "本文" or "宛先名称", UTF-8.
const char* SearchPlaceName(int place);
