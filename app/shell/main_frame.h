#pragma once
// CMainFrame: the program's one top-level window. Its title names the product, the open
// environment and the list mode ("Varnis[環境][すべて]"); its commands are QActions that
// carry their command numbers, so that start-up and other screens trigger them by number.
// The application connects the commands it handles itself (environment commands, About,
// exit) when it creates the frame.
//
// Closing the window (close box, Alt+F4) is the exit command: the window closes only when
// the handler of that command agrees.
//
// Its client is the mail list (CVarnisView): SetView makes it the central widget and puts
// the list's commands into the menus ("表示" the list modes, "メール" the mail commands,
// the information page under "ヘルプ"), where FindCommand and SendCommand reach them like
// the frame's own. The status bar's mail-count pane (1453) shows what the list counts.

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QLabel;
class QMenu;

namespace shell {

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
    };
    static constexpr int kRecentCount = 5;
    // The product name that heads the title.
    static constexpr const char* kProductName = "Varnis";

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of command `id`, or null.
    QAction* FindCommand(int id) const;
    // Runs command `id` as if chosen from the menu; false when there is no such command or
    // it is disabled.
    bool SendCommand(int id);
    // Calls `handler` when command `id` is chosen (the menu, a tool bar or SendCommand).
    void OnCommand(int id, std::function<void()> handler);
    // The exit command's handler answers whether the window may close.
    void SetExitHandler(std::function<bool()> handler) { exitHandler_ = std::move(handler); }

    // "Varnis[<environment>][<mode>]".
    void SetTitle(const QString& environment, const QString& mode);
    // The recent-environment commands, newest first; their texts are "&1 <path>" ...
    void SetRecentEnvironments(const std::vector<QString>& paths);

    // Makes `view` the client (the frame takes ownership) and adds its commands to the
    // menus. Called once.
    void SetView(CVarnisView* view);
    CVarnisView* View() const { return view_; }
    // The text of the mail-count pane ("すべて: 12通").
    void SetMailCountText(const QString& text);
    QString MailCountText() const;

    // The menus of the menu bar, by position (start-up appends the timer item to the first
    // whose title holds "受信").
    QList<QMenu*> TopMenus() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    // Adds actions made elsewhere (null: a separator) and lets FindCommand find them.
    void AddCommands(QMenu* menu, const QList<QAction*>& actions);

    QMenu* fileMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* helpMenuAction_ = nullptr;
    CVarnisView* view_ = nullptr;
    QLabel* mailCount_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recent_;
    std::map<int, QAction*> commands_;
    std::map<int, std::function<void()>> handlers_;
    std::function<bool()> exitHandler_;
    bool closing_ = false;
};

}  // namespace shell
