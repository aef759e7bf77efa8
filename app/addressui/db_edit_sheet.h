#pragma once
// The personal-record editor: CDBEditSheet edits one record of the open environment's
// address book, CDBEditSheet2 shows one read-only. Each has three pages: basic
// information, extended attributes A-J and K-T (db_edit_standard_view.h,
// db_edit_extra_view.h). The record is read once when the sheet is made; nothing is stored
// until a save succeeds; Cancel discards everything, the attribute windows' changes too.
//
// Saving ("保存", the OK button):
//  1. the basic fields are checked (record_checks.h); a failure shows the basic page with
//     the focus on the faulty edit;
//  2. the basic page is written into the record (a control the user did not change keeps
//     the record's bytes, so an unchanged record is stored as it was read, but for the
//     renewal date the store sets);
//  3. an empty mail address is refused ("メールアドレス未入力");
//  4. an address that another record holds, deleted records included, upper and lower case
//     counted equal, is refused with that record's ID (record_store.h);
//  5. the customer-ID sequence is moved past the book's highest ID (never back), and the
//     record is stored (CDatabaseEdit::SetOneCustomerInfo with no file write: the change
//     goes to the book's journal). An edited record is stored as the book holds it now
//     with only the fields the user changed put on it (record_store.h, MergeEdits), read,
//     checked and stored in one hold of the book's lock, so a change made while the sheet
//     was open (a refusal or a bounce the receive run applied) is not undone. A field that
//     both the user and someone else changed is asked about first ("個人情報が変更されて
//     います": Yes stores the user's value, No - the default - keeps the stored one, Cancel
//     goes back to the record). The sheet ends with IDOK; when the store fails, with
//     IDCANCEL after the book's error text.
// The extended attributes are not checked here: their input windows checked them.
//
// Cancel, Escape and the close box: when the record as the sheet would store it (the basic
// page and what the attribute windows wrote) differs from the record as it was read, the
// user is asked first ("確認", OK discards, Cancel - the default - goes back to the
// record); with nothing changed the sheet closes at once.
//
// A record that cannot be read (an ID the book does not hold, or no environment open) is
// not shown as an empty record, which a save would turn into a new one: DoModal shows why
// ("エラー") and returns IDCANCEL at once. The Apply button, which these sheets never
// use, is hidden.

#include <QString>

#include <string>
#include <vector>

#include "app/widgets/varnis_property_sheet.h"
#include "core/addressbook/one_customer.h"

namespace addressui {

class CDBEditStandardView;
class CDBEditStandardView2;
class CDBEditExtraView;

class CDBEditSheet : public shell::CVarnisPropertySheet {
    Q_OBJECT
public:
    // `customerId` -1 makes a new record.
    CDBEditSheet(int customerId, const QString& caption, QWidget* parent = nullptr, int selectPage = 0);

    // IDOK (1) after a successful save, IDCANCEL (2) otherwise.
    int DoModal();

    int GetCustomerID() const { return customerId_; }
    // The record as held: after IDOK as stored (a new record with its new ID, an edited
    // one with what changed under the sheet).
    const OneCustomer& GetOneCustomer() const { return record_; }
    CDBEditStandardView* StandardView() const { return standard_; }

    void accept() override;
    void reject() override;

private:
    // Shows the basic page with the focus on the mail address.
    void FocusMailAddress();
    // True when the sheet may close without saving: nothing changed, or the user agreed.
    bool ConfirmDiscard();

    int customerId_;
    OneCustomer record_;
    OneCustomer opened_;  // the record as it was read
    std::vector<std::string> names_;
    QString loadError_;  // why the record could not be read; empty when it was
    CDBEditStandardView* standard_ = nullptr;
    CDBEditExtraView* extra1_ = nullptr;
    CDBEditExtraView* extra2_ = nullptr;
};

class CDBEditSheet2 : public shell::CVarnisPropertySheet {
    Q_OBJECT
public:
    CDBEditSheet2(int customerId, const QString& caption, QWidget* parent = nullptr, int selectPage = 0);

    // IDCANCEL (2) when closed (or when the record could not be read).
    int DoModal();

    int GetCustomerID() const { return customerId_; }
    const OneCustomer& GetOneCustomer() const { return record_; }

private:
    int customerId_;
    OneCustomer record_;
    std::vector<std::string> names_;
    QString loadError_;
};

}  // namespace addressui
