#pragma once
// The screens the main window and its mail list open, each behind one slot: the mail-type
// question, the composing dialog, the mail search, the destination details, the send
// history and the information page (the mail list's); the personal-information list, the
// address book and its destination assignment, the deleted-data list, the system
// settings and the unprocessed auto-registration mails (the main window's and the setup
// wizard's); and what the main window asks of the send/receive engine: starting a run,
// the scheduler's timer, the status window. The screens live in the folders below the
// shell or in later parts of the program; whoever builds a screen fills its slot at
// start-up, and the tests fill them with fakes.
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

class BaseRecordStructer;
class QWidget;
class SystemOption;

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
    // Opened by the setup wizard (the dialog guides the person through the first mail).
    bool wizardMode = false;
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

// The address book: browsing it (forMail false, the main window's command) or choosing
// the destination list of mail `mailId` (the setup wizard).
struct AddressBookRequest {
    QWidget* parent = nullptr;
    bool forMail = false;
    int mailId = -2;
};

// The list chosen in the address book, when it closed with OK.
struct AddressBookChoice {
    int answer = platform::kIdCancel;
    int listId = -1;
    QString listName;
    QString honorific;
};

// The scheduler's timer, as the main window's timer command sees it.
struct SchedulerTimerSlots {
    // Whether there is a scheduler (an open environment has one), and whether its timer runs.
    std::function<bool()> exists;
    std::function<bool()> running;
    // Starts or stops the timer: 1 when done, anything else when it could not be.
    std::function<int()> start;
    std::function<int()> stop;
    // Periodic receive every `minutes` minutes (0: off), counted from now.
    std::function<void(int minutes)> setPeriodicReceive;
};

// The send/receive runs the main window starts, and the run's status window.
struct SendReceiveSlots {
    // Opens the status window and starts a run: 1 send and receive, 2 receive only.
    std::function<void(int mode)> startRun;
    // The manual send of the mails that are due (it tells when none is).
    std::function<void()> startManualSend;
    // The status window while it is open (a run under way, or one that ended and stays to
    // be read), or null; the lock hides and shows it.
    std::function<QWidget*()> statusWindow;
};

struct ScreenRegistry {
    // `wizardMode`: asked by the setup wizard (only the kinds a first mail may have).
    std::function<MailTypeChoice(QWidget* parent, bool wizardMode)> chooseMailType;
    std::function<ComposeResult(const ComposeRequest&)> composeMail;
    // The search condition dialog and, when it closes with OK, the result dialog.
    std::function<void(QWidget* parent)> searchMails;
    std::function<void(QWidget* parent, int mailId)> showDestinationDetail;
    std::function<void(QWidget* parent, const COneMailData& mail)> showSendHistory;
    std::function<void(QWidget* parent)> showInformationPage;
    // Asks the scheduler to send this one mail now.
    std::function<void(int mailId)> sendSelectedMail;

    // ---- The main window's screens (each runs modally and returns when it closed) ------
    std::function<void(QWidget* parent)> showPersonalInformationList;
    // Puts the personal-information list's remembered display state back to its first
    // values (the main window does so when it is made).
    std::function<void()> resetPersonalInformationList;
    std::function<AddressBookChoice(const AddressBookRequest&)> showAddressBook;
    // Gives mail `mailId` the recipients of address-book list `listId` named `listName`
    // (stored at once); false when that failed (the person was told).
    std::function<bool(QWidget* parent, int mailId, int listId, const QString& listName)> assignListToMail;
    std::function<void(QWidget* parent)> showDeletedData;
    // The system settings over the open environment's options (no Apply button; in wizard
    // mode the sheet guides a first set-up). kIdOk when the options in memory changed.
    std::function<int(QWidget* parent, SystemOption& options, bool wizardMode)> showSystemSettings;
    // The unprocessed auto-registration mails, given as the table loaded from their file
    // (records of 56 elements).
    std::function<void(QWidget* parent, BaseRecordStructer& records)> showAutoRegistrationList;

    SchedulerTimerSlots schedulerTimer;
    SendReceiveSlots sendReceive;
};

// The program's registry (empty slots until the screens fill them).
ScreenRegistry& Screens();

}  // namespace shell
