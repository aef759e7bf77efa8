#pragma once
// The screens the main window's mail list opens, each behind one slot: the mail-type
// question, the composing dialog, the mail search, the destination details, the send
// history and the information page, and the one action of the send engine the list
// starts (sending one mail now). The screens live in the folders below the shell or in
// later parts of the program; whoever builds a screen fills its slot at start-up, and the
// tests fill them with fakes.
//
// A slot that is empty makes the commands that need it disabled, and a command that is
// run all the same does nothing: no half-done change is left behind (an edit does not
// first turn the mail into a draft when there is no dialog to edit it in).
//
// Every slot is called on the GUI thread and runs its screen modally.

#include <QString>

#include <functional>
#include <optional>

#include "core/mailstore/one_mail_data.h"
#include "platform/notifier.h"

class QWidget;

namespace shell {

// What the composing dialog is opened for: a new text mail (textMail 1, htmlKind 2), a
// new HTML mail (0, kind: 0 PC, 1 mobile, 2 from a stored MIME text), a stored mail
// (mailId), or a copy of one (sourceMailId).
struct ComposeRequest {
    QWidget* parent = nullptr;
    int textMail = 1;
    int htmlKind = 2;
    int mailId = -1;
    int sourceMailId = -1;
    // The mail-body file named on the command line, as start-up got it; only for a new
    // text mail started that way.
    std::optional<QString> initialBody;
};

// The command that closed the composing dialog with OK.
enum ComposeClosedBy : int {
    kComposeSavedAsDraft = 1,
    kComposeSendNow = 32803,
    kComposeReserved = 1353,
};

struct ComposeResult {
    int answer = platform::kIdCancel;  // kIdOk or kIdCancel
    int closedBy = 0;                  // ComposeClosedBy when answer is kIdOk
    int mailId = -1;                   // the mail as stored (its new ID for a new mail)
};

// The answer of the mail-type question: result 0 text, 1 HTML; mailType -1 (text), 0 HTML
// for PCs, 1 HTML for mobile phones, 2 HTML with the older processing.
struct MailTypeChoice {
    int answer = platform::kIdCancel;
    int result = -1;
    int mailType = -1;
};

struct ScreenRegistry {
    std::function<MailTypeChoice(QWidget* parent)> chooseMailType;
    std::function<ComposeResult(const ComposeRequest&)> composeMail;
    // The search condition dialog and, when it closes with OK, the result dialog.
    std::function<void(QWidget* parent)> searchMails;
    std::function<void(QWidget* parent, int mailId)> showDestinationDetail;
    std::function<void(QWidget* parent, const COneMailData& mail)> showSendHistory;
    std::function<void(QWidget* parent)> showInformationPage;
    // Asks the scheduler to send this one mail now.
    std::function<void(int mailId)> sendSelectedMail;
};

// The program's registry (empty slots until the screens fill them).
ScreenRegistry& Screens();

}  // namespace shell
