#pragma once
// How the mail-list view learns that a mail's record changed: the send and receive runs
// and the mail screens announce the record, the view (installed by the program) refreshes
// that mail's row. This is the row refresh of the mail-list view, and nothing else: adding
// and removing rows stay the view's own commands.
//
// The announcement may come from any thread. The listener always runs on the GUI thread
// with its own copy of the record: at once when announced there, else queued (the
// announcing worker does not wait). Without a listener nothing happens.

#include <functional>

class COneMailData;

using MailRowListener = std::function<void(const COneMailData& mail)>;

// Installs the listener (empty: none); returns the one it replaces.
MailRowListener SetMailRowListener(MailRowListener listener);

// Announces the changed record of one mail.
void NotifyMailRowChanged(const COneMailData& mail);
