#pragma once
// What the record editor's save does with the address book, without any widget: the check
// that no other record uses the mail address, the move of the customer-ID sequence past the
// book's IDs, and the texts of the save's messages.

#include <string>
#include <vector>

#include "core/addressbook/one_customer.h"

class CDatabaseEdit;
class EnvManager;

namespace addressui {

// Another record holding the address: its ID (-1: none) and whether it is marked deleted.
struct AddressInUse {
    int id = -1;
    bool deleted = false;
    explicit operator bool() const { return id >= 0; }
};

// The first record other than `ownId` (-1 for a record not stored yet) whose mail address
// equals `mail`, upper and lower case counted equal, deleted records included: the whole
// book is searched from its first record.
AddressInUse FindAddressInUse(CDatabaseEdit& book, const std::string& mail, int ownId);

// A message box of the save: text and caption, UTF-8.
struct SaveMessage {
    std::string text;
    std::string caption;
};
// The refusal of an address that record `inUse` holds: the deleted-record message (which
// points to the list of deleted data) or the duplicate message, naming its ID.
SaveMessage AddressInUseMessage(const AddressInUse& inUse);
// The refusal of an empty mail address.
SaveMessage EmptyAddressMessage();
// The caption of a failed store: "個人情報の新規登録に失敗しました" for a new record,
// "個人情報の更新に失敗しました" for an edited one.
const char* StoreFailedCaption(bool newRecord);

// The editor's save over a record that may have changed while the editor was open (the
// receive run turns advertising mail off for a refusal, and the like): the record as the
// book holds it now, with the fields the user changed (`edited` against `opened`, the record
// as the editor read it) put on it, so that OK never undoes a change made under the dialog.
// A field the user changed that changed under the dialog too, to another value, is a
// conflict: `record` then holds the user's value, and the user decides (UseStoredValues).
// Fields: elements 1-53 and the entry date (listed as kElemEntryDate); the renewal date is
// the store's.
struct EditMerge {
    OneCustomer record;
    std::vector<int> conflicts;  // element numbers, ascending
};
EditMerge MergeEdits(const OneCustomer& opened, const OneCustomer& edited, const OneCustomer& now);
// Puts the values of `now` into `record` for `elements` (the conflicts the user left as
// they were stored).
void UseStoredValues(OneCustomer& record, const OneCustomer& now, const std::vector<int>& elements);
// True when `a` and `b` hold the same value for `element` (as MergeEdits compares them).
bool SameField(const OneCustomer& a, const OneCustomer& b, int element);
// The question asked about conflicts (Yes: store the user's values; No: keep the stored
// ones and store the rest; Cancel: back to the editor), naming each field, its stored and
// its edited value. `extraNames` are the 20 names of the extension items (Shift_JIS; an
// empty one is called by its letter).
SaveMessage ConflictQuestion(const std::vector<int>& conflicts, const OneCustomer& now, const OneCustomer& edited,
                             const std::vector<std::string>& extraNames);

// Sets the environment's customer-ID sequence to `highestId` + 1 when it stands below
// that; it never moves back (the IDs above it may have been handed out). A sequence that
// cannot be read or written is left to the book, whose new IDs skip every ID in use.
void AdvanceCustomerSequence(EnvManager* env, int highestId);

}  // namespace addressui
