#pragma once
// How the screens below the main window reach the mail-list view. The view belongs to the
// program's top; the send and receive runs and the mail screens only name what changed,
// and the program installs the view's handlers here at start-up.
//
// The row refresh (the view's request 1) may come from any thread: the listener always
// runs on the GUI thread with its own copy of the record, at once when announced there,
// else queued (the announcing worker does not wait).
//
// The view's other requests, numbered as the view numbers them (0 switch mode, 2 refresh
// or append, 3 remove, 4 selected records), and the request to edit a mail, are made on
// the GUI thread only and run at once. Without a handler installed a request does nothing
// (a selection query gives no records, an edit request 0).

#include <functional>
#include <vector>

#include "app/sendrecv/mail_record_helpers.h"

class COneMailData;

using MailRowListener = std::function<void(const COneMailData& mail)>;

// Installs the listener (empty: none); returns the one it replaces.
MailRowListener SetMailRowListener(MailRowListener listener);

// Announces the changed record of one mail (request 1: refresh that mail's row if shown).
void NotifyMailRowChanged(const COneMailData& mail);

// The view's handlers of the requests made on the GUI thread. Any member may be empty.
struct MailListRequests {
    // 0: shows list mode `mode` (mode 0 only forgets the current mode).
    std::function<void(int mode)> switchMode;
    // 2: refreshes the mail's row, or appends one when it has none (whatever the mode).
    std::function<void(const COneMailData& mail)> refreshOrAppendRow;
    // 3: removes the mail's row (nothing when it has none).
    std::function<void(const COneMailData& mail)> removeRow;
    // 4: copies of the selected rows' entries, top to bottom.
    std::function<std::vector<CMailRecord>()> selectedRecords;
    // Opens mail `mailId` in the composing dialog for editing: 0 when done or refused, -1
    // when a store operation failed.
    std::function<int(int mailId)> editMail;
};

// Installs the handlers (all empty: none); returns the ones they replace.
MailListRequests SetMailListRequests(MailListRequests requests);

void RequestMailListMode(int mode);
void RequestMailRowRefreshOrAppend(const COneMailData& mail);
void RequestMailRowRemoval(const COneMailData& mail);
std::vector<CMailRecord> RequestSelectedMailRecords();
int RequestMailEdit(int mailId);
