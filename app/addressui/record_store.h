#pragma once
// What the record editor's save does with the address book, without any widget: the check
// that no other record uses the mail address, the move of the customer-ID sequence past the
// book's IDs, and the texts of the save's messages.

#include <string>

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

// Sets the environment's customer-ID sequence to `highestId` + 1 when it stands below
// that; it never moves back (the IDs above it may have been handed out). A sequence that
// cannot be read or written is left to the book, whose new IDs skip every ID in use.
void AdvanceCustomerSequence(EnvManager* env, int highestId);

}  // namespace addressui
