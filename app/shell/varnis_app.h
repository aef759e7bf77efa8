#pragma once
// CVarnisApp: the application object. InitInstance is the program's start-up, in order:
// the command line and its files, the single-instance guard, the information page, the
// choice and opening of an environment, the main window, the mail font, the timer menu
// item, and the follow-up action (a new mail from the command line's body file, the
// import, or the setup wizard of a new environment). ExitInstance undoes it.
//
// It owns the environment service (the program's one open environment and its managers)
// and carries the environment commands of the main window: new environment, switch,
// and the five recent environments. A switch never leaves the program on a half-open
// environment: the next environment opens beside the current one and replaces it only
// when it opened; otherwise the person chooses between staying on the current one and
// quitting.
//
// Where things live: the program ini "Quendrel.ini" beside the program when that folder
// is writable (a portable installation), else in $XDG_CONFIG_HOME/quendrel/; the
// environment's own "QuendrelT.ini" in its folder.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "app/shell/command_line.h"
#include "app/environment/environment_service.h"
#include "app/environment/environment_upgrade_program.h"
#include "app/ui/font_layer.h"
#include "platform/file_refusal.h"

class CInformationManager;

namespace shell {

class CMainFrame;
class CEudcFontLink;
class SingleInstanceGuard;
class QtEnvironmentUi;

class CVarnisApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The program ini; empty: "Quendrel.ini" where the program may keep its files.
        std::string appIniPath;
        // The name of the single-instance guard (made unique per user).
        std::string instanceGuardName = "h_Varnis_PrevInstance";
        // The pause at the end of an environment's open.
        int finishPauseMs = 500;
        // The splash picture while the main window is made (tests go without).
        bool showSplash = true;
    };
    // `arguments` is the command line with the program's name first.
    explicit CVarnisApp(QStringList arguments, QObject* parent = nullptr);
    CVarnisApp(QStringList arguments, Options options, QObject* parent = nullptr);
    ~CVarnisApp() override;

    // Start-up; false ends the program (its messages were shown).
    bool InitInstance();
    // Undoes the start-up; the program's exit code.
    int ExitInstance();

    // ---- Small services of the application -----------------------------------------------
    std::string GetAppIniPath() const { return appIniPath_; }
    // "QuendrelT.ini" of the open environment; "" when none is open.
    std::string GetEnvIniPath() const;
    // The local page the information window shows for `code` (404: "notfound.html", any
    // other: "disconnect.html") in the program's folder.
    std::string GetErrorPagePath(int code) const;
    // "FileVersion" of the program (which 0) or the core library (1), "1.0.0.0".
    QString GetFileVersion(int which) const;
    // The mail font: loaded once from the environment's "MAILFONTINFO"; SetMailFont takes
    // a new one (the settings screen stores it); FreeMailFont unloads the font link.
    void InitMailFont();
    void SetMailFont(const ui::LogFont& font);
    void FreeMailFont();
    const ui::LogFont& GetMailFont() const { return mailFont_; }
    // The lock of the main window (the lock command sets it).
    static bool IsLocked();
    static void SetLocked(bool locked);
    void OnAppAbout();

    // ---- Environments -----------------------------------------------------------------------
    EnvironmentService& Environment() { return *service_; }
    bool ChooseAndOpenEnvironment();
    int OpenEnvironment(const std::string& descriptorPath) { return service_->OpenEnvironment(descriptorPath); }
    void CloseEnvironment() { service_->CloseEnvironment(); }
    int LoadRecentEnvironments();
    int WriteRecentEnvironments() { return service_->Recent().Write(); }
    void AddRecentEnvironment(const std::string& path) { service_->Recent().Add(path); }
    void RemoveRecentEnvironment(const std::string& path);
    int CanChangeEnvironment(int forSwitch) { return service_->CanChangeEnvironment(forSwitch); }
    void SwitchEnvironment(std::string descriptorPath);
    // Asks the view to reload its rows (the view connects to ViewReloadRequested).
    void ReloadView();
    void OnNewEnvironment();
    void OnSwitchEnvironment();
    void OnRecentEnvironment(int commandId);
    // The application's please-wait window: kind 1 mails, 2 address book, 3 writing the
    // address book, other: data.
    int ShowProgress(int kind);
    int HideProgress();
    // The main window's place in the environment's ini file; false when it cannot be kept.
    bool SaveMainFrameRect();
    void LoadMainFrameRect();
    std::string GetAutoRegPath(int which) const { return service_->GetAutoRegPath(which); }
    static int CheckNewEnvironmentName(const std::string& name, const std::string& parent);
    int CreateNewEnvironment(const std::string& name, const std::string& parent, const char* passwordFlag,
                             const char* password);

    CMainFrame* MainFrame() const { return frame_.get(); }
    const StartupCommandLine& CommandLine() const { return commandLine_; }

signals:
    // The view reloads its rows and captions.
    void ViewReloadRequested();
    // The view opens a new text mail from the command line's body file.
    void NewTextMailFromFileRequested(const QString& path);

private:
    bool CreateMainFrame();
    // The second start's own message: a box on its display, or a line on stderr without one.
    void TellAlreadyRunning();
    // The program does not run: a file or folder of its own (its settings folder, its lock)
    // is refused, as `refused` says (named in a box, or on standard error without one).
    void TellCannotStart(const std::vector<platform::RefusedFile>& refused);
    static bool HasOwnDisplay();
    // A later start was handed over: the window the person works in comes to the front.
    void BringToFront();
    // What follows every successful open of an environment.
    void AfterEnvironmentOpened();
    void RebuildRecentMenu();
    void UpdateTitle();
    // The mail list's column widths into the open environment's ini file.
    void SaveViewColumnWidths();
    void AddTimerMenuItem();
    void RunWizardIfRequested();
    // The exit command: whether the window may close (the environment is saved and closed).
    bool ExitCommand();
    // True (after telling) while a send/receive run of any kind is under way.
    bool RefuseExitWhileRunning();
    // The address-book save dialog over the open environment's book.
    void SaveAddressBook();

    QStringList arguments_;
    Options options_;
    StartupCommandLine commandLine_;
    std::string appIniPath_;
    // What the settings folder's refusal left to tell at the start (none: the folder is used).
    std::vector<platform::RefusedFile> settingsRefused_;
    // The conversion of older environments; made before the service that uses it.
    std::unique_ptr<ProgramEnvironmentUpgrade> upgrade_;
    std::unique_ptr<EnvironmentService> service_;
    std::unique_ptr<QtEnvironmentUi> environmentUi_;
    std::unique_ptr<SingleInstanceGuard> guard_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CEudcFontLink> fontLink_;
    std::unique_ptr<CInformationManager> information_;
    ui::LogFont mailFont_;
    bool mailFontLoaded_ = false;
    std::string eudcFontPath_;
};

// The application object (null before it is made and after it is gone).
CVarnisApp* GetVarnisApp();

}  // namespace shell
