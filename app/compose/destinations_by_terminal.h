#pragma once
// The destinations of a composed mail by terminal type: the customer IDs the mail goes to,
// sorted into the five lists of PC, NTT DoCoMo, au TU-KA, SoftBank and WILLCOM. The
// composing dialog asks for them before a mail is saved or sent, and the content checks
// check each terminal kind that has destinations (and skip the others).
//
// Where the IDs come from depends on the mail (DestinationSource):
//  - a new mail: the saved list chosen in the dialog (none chosen: no destinations), or,
//    for a mail made from another mail, that mail's send history (the recipients it was
//    sent to, who are still in the address book with an address and not deleted);
//  - a stored mail: the chosen list when one was chosen; else its own recipient list,
//    which is first brought up to date with the address book (the refresh check, which
//    the composing dialog supplies, since it keeps the state to undo it) unless the
//    recipients were taken from another mail's history.
// The kind of mail then decides who counts: a text mail ("N") every terminal, an HTML mail
// for PC ("Y") only PC addresses, an HTML mail for phones ("M") only NTT DoCoMo, au TU-KA
// and SoftBank addresses.
//
// A person whose address cannot be read, or is empty (a record erased from the book), is
// left out: no mail can go to them, so they must neither make a kind count as having
// destinations nor be measured.
//
// The sort reads each person's address once, under one hold of the address book's lock,
// and looks a domain's terminal type up once (CXEmail::GetTermTypeFromMailAddr), so a
// million destinations sort in a fraction of a second. Lists keep the order of the IDs.

#include <QString>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/compose/mail_size_measure.h"

class CDatabaseEdit;
class QWidget;

namespace compose {

// Index: TermType (TERM_PC 0 ... TERM_WILLCOM 4).
using TerminalIdLists = std::array<std::vector<int>, 5>;

// Sorts `ids` into `out` (emptied first) by terminal type, keeping what mail kind `kind`
// goes to ('Y' PC only; 'M' NTT DoCoMo, au TU-KA and SoftBank; any other letter every
// terminal). IDs the book does not know and people without an address are left out.
void SortDestinationsByTerminal(CDatabaseEdit& book, const std::vector<int>& ids, char kind, TerminalIdLists& out);

// Where the destinations of the mail in the composing dialog come from.
struct DestinationSource {
    int mailId = -1;        // the stored mail being edited; -1 for a new mail
    int sourceMailId = -1;  // a new mail made from this mail's send history; -1 none
    int chosenListId = -1;  // the saved list chosen in the dialog; -1 none chosen
};

// The refresh check of a stored mail's own recipient list, supplied by the composing
// dialog: it asks the user, refreshes and keeps what it needs to undo the refresh. It
// returns "" when the list may be read now (refreshed, or the user kept it as it is), or
// the text of what failed, which the caller shows. Empty function: no refresh.
using DestinationRefreshCheck = std::function<QString(int mailId)>;

// The destination IDs of the mail for `kind`, before the sort. "" on success, else the
// failure's text (nothing shown).
QString GetDestinationIdsForKind(const CheckStores& stores, const DestinationSource& source,
                                 const DestinationRefreshCheck& refresh, std::vector<int>& ids);

// The IDs for `kind`, sorted into `out`. On failure the text is shown (caption "エラー",
// stop icon) and the result is false (out then empty).
bool GetDestinationsByTerminal(QWidget* parent, const CheckStores& stores, const DestinationSource& source,
                               char kind, const DestinationRefreshCheck& refresh, TerminalIdLists& out);

}  // namespace compose
