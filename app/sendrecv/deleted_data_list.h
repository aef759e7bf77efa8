#pragma once
// What the deleted-data list (deleted_data_dlg.h) shows, without widgets: the IDs of the
// deleted entries of one kind and the texts of an entry's row, read from the open
// environment's stores when a row is shown.
//
// Kinds and their rows (texts Shift_JIS):
//   0 personal records: the deleted records that still have a mail address (an erased
//     record has none and is never listed); elements 0, 1, 2, 3, 6, 54, 55
//   1 mails: the mails with status "S", in mail-list order; mail ID, title, destination
//     name, kind, reserve date, entry date, renewal date (the mail-list column texts)
//   2 destination lists: the saved lists marked deleted; ID, name, last update, honorific
// A store that is missing (no environment open) lists nothing.

#include <string>
#include <vector>

class CDatabaseEdit;
class CMailListViewer;
class ExtractListViewer;

enum DeletedDataKind : int {
    kDeletedPeople = 0,
    kDeletedMails = 1,
    kDeletedDestinations = 2,
};

struct DeletedDataStores {
    CDatabaseEdit* book = nullptr;
    CMailListViewer* mails = nullptr;
    ExtractListViewer* lists = nullptr;
};

// The IDs listed for `kind`, in store order.
std::vector<int> ListDeletedIds(int kind, const DeletedDataStores& stores);
// The row texts of entry `id` of `kind` (one per column).
std::vector<std::string> DeletedRowTexts(int kind, int id, const DeletedDataStores& stores);
