#pragma once
// What a receive run collected, shown after it: the registration mails (dialog 203) and
// then the refusals (dialog 206). Each is shown only when its list holds rows of the right
// width (56 texts for registrations, 1 for refusals); both run modally on the GUI thread.
// The worker of the send/receive run calls them through the GUI layer when the program is
// not locked. The refusals themselves are applied by the run whether they are shown or
// not.

class QWidget;

// 1 when the dialog was shown, 0 when the list was empty (or cannot be read).
int ShowAutoRegMails(QWidget* parent);
int ShowAutoRefMails(QWidget* parent);
