#pragma once
// What the composing dialog opens that lives elsewhere in the program, installed by the
// program at start (tests install fakes): the address book in its choosing mode and the
// destination refresh (both above this library), the HTML pages and the test sender.
//
// A hook that is not installed turns its command off: without chooseDestination the
// destination button is disabled, without makeTestMailService every test button, without
// makeHtmlPage an HTML mail cannot be opened. Hooks run on the GUI thread.

#include <QString>

#include <functional>

#include "app/compose/mail_page_interface.h"

class QWidget;

namespace compose {

// The destination list the user chose for a mail.
struct DestinationChoice {
    bool chosen = false;  // false: cancelled
    int listId = -1;
    QString listName;
    QString honorific;
};

struct ComposeDialogHooks {
    // The address book, choosing the destination list of mail `mailId` (-2 for a mail not
    // stored yet that is made from another mail).
    std::function<DestinationChoice(QWidget* parent, int mailId)> chooseDestination;
    // Rebuilds the recipient list of stored mail `mailId` from the address book as it is
    // now (the destination-refresh dialog): true when the new list was saved.
    std::function<bool(QWidget* parent, int mailId)> renewDestinations;
    HtmlPageFactory makeHtmlPage;
    TestMailServiceFactory makeTestMailService;
};

// Installs the program's hooks (replacing all four); returns the ones replaced.
ComposeDialogHooks SetComposeDialogHooks(ComposeDialogHooks hooks);
const ComposeDialogHooks& GetComposeDialogHooks();

}  // namespace compose
