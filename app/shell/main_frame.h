#pragma once
// CMainFrame: the program's one top-level window. Its title names the product, the open
// environment and the list mode ("Varnis[環境][すべて]"); its commands are QActions that
// carry their command numbers, so that start-up and other screens trigger them by number.
// The application connects the commands it handles itself (environment commands, About,
// exit) when it creates the frame.
//
// Around its client, the mail list (CVarnisView, SetView): the system tool bar with the
// reservation bar inside it, the list bar on the left (メールバー), the caption bar over
// the list naming the mode, and the status bar with the prompt pane and the mail-count
// pane (1453). SetView puts the list's commands into the menus and on the bars.
//
// Commands and what they refuse:
//  - Every command that changes data or starts a run (personal information, deleted
//    data, unprocessed auto-registration mails, system settings, the setup wizard, exit,
//    receive, send, send and receive) is disabled while a send/receive run is under way,
//    and the screen commands also refuse with their own text when run all the same. They
//    pause the scheduler while their screen is open and save the address book after it.
//  - A command whose screen is not installed in the screen registry is disabled and does
//    nothing; so are the timer and the send/receive commands without the engine.
//  - Closing the window (close box, Alt+F4) is the exit command: the window closes only
//    when the exit handler agrees, which refuses during every kind of run.
//  - The lock hides the window (and the run's status window) behind the password
//    dialog, which only the right password leaves; runs go on meanwhile.
//
// SendCommand brings the command states up to date first and refuses a disabled command;
// the states also follow by themselves (each time a menu opens, and a few times a second).

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/shell/screen_registry.h"
#include "core/foundation/record_table.h"

class QDockWidget;
class QLabel;
class QMenu;

namespace shell {

class CCaptionBar;
class CListBar;
class CVarnisToolBar;
class CVarnisView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Command numbers of the frame's menu.
    enum Command : int {
        kIdNewEnvironment = 32785,
        kIdSwitchEnvironment = 32786,
        kIdFirstRecentEnvironment = 57616,  // to 57620, newest first
        kIdExit = 57665,
        kIdAbout = 57664,
        kIdTimer = 32797,
        kIdPersonalInformation = 32791,
        kIdAddressBook = 32784,
        kIdDeletedData = 32804,
        kIdLock = 32835,
        kIdSystemToolBar = 32794,
        kIdListBar = 32795,
        kIdReceive = 32788,
        kIdSend = 32803,
        kIdSendReceive = 32805,
        kIdAutoRegistrationList = 32811,
        kIdSystemSettings = 1049,
        kIdPasswordSet = 32836,
        kIdPasswordChange = 32837,
        kIdHelpPdf = 32807,
        kIdHelpHtml = 32808,
        kIdSetupWizard = 32833,
        kIdReservationPlace = 32825,  // the system tool bar's place of the reservation bar
    };
    static constexpr int kRecentCount = 5;
    static constexpr int kIdcMailCountPane = 1453;
    // The product name that heads the title.
    static constexpr const char* kProductName = "Varnis";
    // How often the command states follow the run and the environment by themselves.
    static constexpr int kStateIntervalMs = 250;

    explicit CMainFrame(QWidget* parent = nullptr, ScreenRegistry& screens = Screens());
    ~CMainFrame() override;

    // The action of command `id`, or null.
    QAction* FindCommand(int id) const;
    // Runs command `id` as if chosen from the menu; false when there is no such command or
    // it is disabled (the states are brought up to date first).
    bool SendCommand(int id);
    // Calls `handler` when command `id` is chosen (the menu, a tool bar or SendCommand).
    void OnCommand(int id, std::function<void()> handler);
    // Adds command `id` to `menu` (the timer item that start-up appends).
    QAction* AppendCommand(QMenu* menu, int id, const QString& text);
    // The exit command's handler answers whether the window may close.
    void SetExitHandler(std::function<bool()> handler) { exitHandler_ = std::move(handler); }

    // "Varnis[<environment>][<mode>]".
    void SetTitle(const QString& environment, const QString& mode);
    // The recent-environment commands, newest first; their texts are "&1 <path>" ...
    void SetRecentEnvironments(const std::vector<QString>& paths);

    // Makes `view` the client (the frame takes ownership), adds its commands to the menus
    // and builds the bars around it. Called once.
    void SetView(CVarnisView* view);
    CVarnisView* View() const { return view_; }
    // The text of the mail-count pane ("すべて: 12通").
    void SetMailCountText(const QString& text);
    QString MailCountText() const;
    // The list mode now shown: the caption bar's field (" すべて") and the list bar's mark.
    void SetModeCaption(int mode, const QString& modeName);

    CVarnisToolBar* SystemToolBar() const { return systemBar_; }
    CVarnisToolBar* ReservationBar() const { return reservationBar_; }
    CListBar* ListBar() const { return listBar_; }
    CCaptionBar* CaptionBar() const { return captionBar_; }

    // The menus of the menu bar, by position (start-up appends the timer item to the first
    // whose title holds "受信").
    QList<QMenu*> TopMenus() const;

    // Enables, checks and names the commands for the run, the environment and the screens
    // as they are now.
    void UpdateCommandStates();

    // A send/receive run ended: the address book is saved, and a locked program shows its
    // lock window in front again (the status window closes itself or stays).
    void OnCommDone();
    // The lock window while the program is locked (null otherwise).
    QWidget* LockWindow() const { return lockWindow_.data(); }

    // The address-book save dialog over `owner`, when an environment is open.
    static void RunAddressBookSave(QWidget* owner);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    // Adds actions made elsewhere (null: a separator) and lets FindCommand find them.
    void AddCommands(QMenu* menu, const QList<QAction*>& actions);
    void BuildBars();
    void WatchMenu(QMenu* menu);
    // True (after telling) while a run is under way.
    bool RefuseWhileRunning(const char* text, const char* caption);

    void OnPersonalInformation();
    void OnAddressBook();
    void OnDeletedData();
    void OnAutoRegistrationList();
    void OnSystemSettings();
    void OnSetupWizard();
    void OnReceive(int mode);
    void OnSend();
    void OnTimer();
    void OnHelp(const char* file, const char* missingText);
    void OnPasswordSet();
    void OnPasswordChange();
    void OnAppLock();

    ScreenRegistry& screens_;
    QMenu* fileMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* runMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* runMenuAction_ = nullptr;
    CVarnisView* view_ = nullptr;
    QLabel* mailCount_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recent_;
    std::map<int, QAction*> commands_;
    std::map<int, std::function<void()>> handlers_;
    std::function<bool()> exitHandler_;
    bool closing_ = false;

    CVarnisToolBar* systemBar_ = nullptr;
    CVarnisToolBar* reservationBar_ = nullptr;
    CListBar* listBar_ = nullptr;
    QDockWidget* listDock_ = nullptr;
    CCaptionBar* captionBar_ = nullptr;
    QDockWidget* captionDock_ = nullptr;

    // The unprocessed auto-registration mails, as their list dialog works on them.
    BaseRecordStructer autoRegistrations_;
    QPointer<QWidget> lockWindow_;
    // Open menus: the count pane gives the prompt the whole status bar meanwhile.
    int menusOpen_ = 0;
    QTimer* statesTimer_ = nullptr;
};

}  // namespace shell
