#pragma once
// The destination files of a composed mail: what the composing dialog's buttons do to a
// mail's recipients when the mail is stored, and the refresh that keeps a stored mail's
// recipients in step with a changed address book - undone when the dialog is cancelled.
//
// Destinations of a mail are its condition set (ExtractAction, owner 0 and the mail's ID)
// and its ID list (ExtractResultDetail, same owner); a saved destination list is owner 1.
//  - CopyListIntoMail takes a saved list's conditions and members into the mail, leaving
//    out whom the mail kind cannot reach ('Y': PC addresses only; 'M': NTT DoCoMo, au
//    TU-KA and SoftBank addresses only; a person without an address for both) and whom
//    the mail's send history says must not be sent to again (CheckRetrySendOK other than
//    0 and -4).
//  - CopyHistoryIntoMail takes another mail's conditions and the people in its send
//    history (a copy of a mail going only to those who got the original).
//  - RefreshCheck: when DB/database.dat was written after the mail's recipients were set
//    (its address-set date), the user is asked (unless system option 11 is "Y") and the
//    destination refresh rebuilds the list; the mail's renewal and address-set dates then
//    become now. With a snapshot, the conditions, the ID list and both dates as they were
//    are kept first, and WriteBackSnapshot puts them back (the dialog's Cancel). A refresh
//    that fails leaves the dates as they were, so the mail still counts as out of date.
//
// Every failure comes back as its text (nothing shown, unless said), for the caller to
// show under its own caption; the files keep what was written before the failing step.
// Lists of a million recipients are filtered in one pass.

#include <QString>

#include <memory>
#include <vector>

#include "app/compose/mail_size_measure.h"
#include "platform/date_time.h"

class ExtractAction;
class ExtractResultDetail;
class QWidget;

namespace compose {

class ComposedDestinations {
public:
    explicit ComposedDestinations(const CheckStores& stores);
    ~ComposedDestinations();
    ComposedDestinations(const ComposedDestinations&) = delete;
    ComposedDestinations& operator=(const ComposedDestinations&) = delete;

    // "" on success, else the failure's text. `ids`, when given, receives the list written.
    QString CopyListIntoMail(int listId, int mailId, std::vector<int>* ids = nullptr);
    QString CopyHistoryIntoMail(int sourceMailId, int mailId, std::vector<int>* ids = nullptr);

    // The refresh check of stored mail `mailId` (questions and notices over `parent`). ""
    // when the mail's list may be read now: refreshed, up to date, or kept by the user.
    QString RefreshCheck(QWidget* parent, int mailId, bool withSnapshot);
    bool HasSnapshot() const { return conditions_ != nullptr && ids_ != nullptr; }
    // Puts the kept conditions, ID list and dates back (nothing without a snapshot);
    // failures are not told.
    void WriteBackSnapshot(int mailId);

private:
    CheckStores stores_;
    std::unique_ptr<ExtractAction> conditions_;
    std::unique_ptr<ExtractResultDetail> ids_;
    platform::DateTime renewal_;
    platform::DateTime addressSet_;
};

// Gives mail `mailId` the recipients of saved list `listId` named `listName` (the setup
// wizard's destination step), in the program's open environment: the conditions and
// members are copied as they are, and the mail's address name, renewal and address-set
// dates are stored. False after the failure was shown.
bool AssignListToMail(QWidget* parent, int mailId, int listId, const QString& listName);

}  // namespace compose
