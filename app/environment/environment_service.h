#pragma once
// EnvironmentService: the one environment the program has open, and the commands that
// open, switch and close it.
//
// Opening runs a fixed sequence, each step with its please-wait lines and, on failure,
// its numbered message (shown through ui::MessageBox, no owner):
//   -    the environment's lock (environment_lock.h), before anything of it is read: an
//        environment another program has open is refused with its path and "この環境は
//        他のプログラムで使用中のため、開けません", and stays in the recent list
//   -    its files that the open and the start read (environment_files.h): one that is
//        there but cannot be read refuses the open with its path and the system's reason
//        before anything is read or written; the environment stays in the recent list
//   0    an upgrade of the environment that a crash or a failed rename interrupted is
//        finished (UpgradeSwap::Recover) before any of its files is read
//        ("[エラーコード:0005-07]" when that cannot be done now), and whatever of the
//        environment others could read is narrowed to its owner (private_environment.h)
//   1-2  the descriptor ("[エラーコード:0001<result>]")
//   3    the main window moved to the environment's saved place
//   4    the start-up password (offered when never decided, asked when set)
//   5    the system options ("[エラーコード:0002]"; a missing file is no failure, one
//        that is there but cannot be opened is refused as above)
//   6    the backup of an older layout ("[エラーコード:0005-06]")
//   7    the address book, with the recovery from its generations
//        ("[エラーコード:0003]", also when the recovered book cannot be saved). When
//        damage hides which book its journal extends, the refusal asks whether to set the
//        journal aside (kept as "database.jnl.damaged") and open the book as last saved,
//        saying when that was; No (the default) leaves everything as it is, and the
//        environment stays in the recent list either way
//   8    the mail list ("[エラーコード:0004]")
//   9    the scheduler
//   10   the upgrade of an older layout ("[エラーコード:0005-0n]")
//   11   the path at the head of the recent list; in import mode the automatic import
//   12   a short pause on "<product>を起動します"
// A failure frees what the open made, removes the path from the recent list (but for the
// refusals above that leave it there) and returns 0.
//
// Switching is opening while another environment is open. The next environment's
// managers are built completely beside the open ones and replace them in one step, only
// when every step succeeded; until then the screens keep the open environment's
// managers, and on failure that environment stays open exactly as it was. Before the
// replacement, and before the next environment's files are read (they may be the same
// files), the open environment's unsaved address book and mail list are written, so
// nothing is lost and no file ever has two writers.
//
// Everything here runs on the GUI thread. The scheduler's enabled flag is the one piece
// other threads touch (SchedulerControl keeps it atomic); the managers are never replaced
// while a run is under way, since the commands ask CanChangeEnvironment first.

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "app/environment/environment_managers.h"
#include "app/environment/environment_ui.h"
#include "app/environment/environment_upgrade.h"
#include "app/environment/program_keys.h"
#include "app/environment/recent_environments.h"
#include "app/environment/scheduler_control.h"
#include "core/addressbook/import_progress.h"
#include "platform/file_refusal.h"

class CMyPOPS;
class CMySMTPS;

namespace shell {

struct UnreadableFile;

class EnvironmentService {
public:
    struct Settings {
        // The program's ini file (recent environments); empty: the list is kept in memory.
        std::string programIniPath;
        // Import mode: the command line named a file to import into the environment.
        bool importMode = false;
        std::string importFile;
        // The pause at the end of a successful open, in milliseconds.
        int finishPauseMs = 500;
    };

    explicit EnvironmentService(Settings settings);
    // Closes what is open (unsaved changes are not written: the exit saves first).
    ~EnvironmentService();
    EnvironmentService(const EnvironmentService&) = delete;
    EnvironmentService& operator=(const EnvironmentService&) = delete;

    // The questions of the open; null: no please-wait window, no password offered, and
    // an environment with a start-up password is refused. Not owned.
    void SetUi(EnvironmentUi* ui);
    // Makes the scheduler of a newly opened environment from its other managers.
    using SchedulerFactory = std::function<std::unique_ptr<SchedulerControl>(EnvironmentManagers&)>;
    // Empty: a SchedulerFacade.
    void SetSchedulerFactory(SchedulerFactory factory);
    // The backup and conversion of older layouts (the program's: ProgramEnvironmentUpgrade);
    // null: DefaultEnvironmentUpgrade. Not owned.
    void SetEnvironmentUpgrade(EnvironmentUpgrade* upgrade);

    // Opens (or switches to) the environment of the descriptor `descriptorPath`: 1 when
    // it is open, 0 when not (the messages were shown; an environment that was open
    // before is still open, unchanged).
    int OpenEnvironment(const std::string& descriptorPath);
    // Frees every manager, scheduler first. Nothing is written.
    void CloseEnvironment();
    bool IsOpen() const { return current_.IsOpen(); }

    // The open environment's descriptor, "<root>/<name>.env" ("" when none is open).
    std::string DescriptorPath() const;
    // Its "QuendrelT.ini"; "" when none is open or its folder does not exist.
    std::string EnvIniPath() const;
    // True when `folder` is the open environment's folder, or its descriptor path without
    // ".env", compared as canonical paths (symbolic links, "." and ".." resolved; a
    // trailing '/' ignored). False when none is open.
    bool IsOpenEnvironmentFolder(const std::string& folder) const;

    EnvManager* GetEnvManager() { return current_.env.get(); }
    SystemOption* GetSystemOption() { return current_.options.get(); }
    CDatabaseEdit* GetDatabaseEdit() { return current_.book.get(); }
    CMailListViewer* GetMailListViewer() { return current_.mails.get(); }
    SchedulerControl* GetScheduler() { return current_.scheduler.get(); }

    // The POP and SMTP clients of the runs: Create deletes the previous one and makes a
    // new one; Delete only deletes. They do not depend on the environment and survive its
    // close. The caller makes sure no other thread still uses the one it deletes.
    CMyPOPS* CreatePopClient();
    CMySMTPS* CreateSmtpClient();
    void DeletePopClient();
    void DeleteSmtpClient();
    CMyPOPS* GetPopClient() { return pop_.get(); }
    CMySMTPS* GetSmtpClient() { return smtp_.get(); }

    // "<folder>/DB/autoreg.dat" (which 0) or "autoref.dat" (which 1) of the open
    // environment; "" when none is open or for another `which`.
    std::string GetAutoRegPath(int which) const;

    RecentEnvironments& Recent() { return recent_; }

    // 1 when the environment may be changed now; 0 while a send or receive run is under
    // way (of any kind), after the refusal was shown: forSwitch 1 for a switch, 0 for a
    // new environment.
    int CanChangeEnvironment(int forSwitch);

    // Flags of the application that the open and the creation set and the shell consumes.
    bool ImportMode() const { return settings_.importMode; }
    // Ends import mode once the start-up has run the import: later opens and new
    // environments are ordinary ones.
    void EndImportMode() {
        settings_.importMode = false;
        newEnvInImportMode_ = false;
    }
    bool NewEnvironmentInImportMode() const { return newEnvInImportMode_; }
    void SetNewEnvironmentInImportMode(bool on) { newEnvInImportMode_ = on; }
    bool WizardRequested() const { return wizardRequested_; }
    void SetWizardRequested(bool on) { wizardRequested_ = on; }
    // The progress of the automatic import (read by a screen's timer on the GUI thread
    // while an import writes it).
    ImportProgress& GetImportProgress() { return importProgress_; }

private:
    // The steps of the open over `next`; true when all succeeded (messages shown).
    bool BuildEnvironment(const std::string& givenPath, const std::string& descriptor, EnvironmentManagers& next);
    // Takes the lock of the environment of `descriptor` into `next` (shares the open
    // one's when it is the same environment); false (told) when another program has it or
    // it cannot be made. Without the environment's folder it is put off (true, no lock)
    // unless `folderMustExist`.
    bool LockEnvironment(const std::string& givenPath, const std::string& descriptor, EnvironmentManagers& next,
                         bool folderMustExist);
    bool AskStartupPassword(EnvironmentManagers& next);
    // Reads the address book; on failure `reason` gets what the user should know beyond
    // the generic message (empty when there is nothing more), or `told` is set when the
    // user was told already.
    bool LoadAddressBook(EnvironmentManagers& next, QString& reason, bool& told);
    // The book's read was refused because damage hides which book its journal extends:
    // asks whether to set the journal aside and open the book as last saved, saying what
    // that costs. True when the book was then read; false with `told` when the user said
    // no or the journal could not be moved (told why), false without `told` when the
    // second read failed (its reason is the ordinary one).
    bool OfferBookWithoutJournal(EnvironmentManagers& next, CDatabaseEdit& book, bool& told);
    // Refuses the open for a file that is there but cannot be read, naming it and the
    // system's reason.
    void TellUnreadable(const UnreadableFile& file);
    bool RunUpgrade(const std::string& givenPath, EnvironmentManagers& next);
    void RunAutomaticImport();
    // Writes the open environment's unsaved changes; false (after telling) when it fails.
    bool SaveOpenEnvironment();
    void Wait(const char* line1, const char* line2, const char* line3);
    void HideWait();
    EnvironmentUpgrade& Upgrade();
    // The files the open refused so far (a link, a FIFO, another user's file in place of
    // one of the environment's), "\r\n\r\n" and each one's path and reason, for the box of
    // the step that failed on them; `otherwise` when none was refused.
    QString RefusedFiles(const QString& otherwise = QString());

    Settings settings_;
    EnvironmentUi* ui_ = nullptr;
    SchedulerFactory schedulerFactory_;
    EnvironmentUpgrade* upgrade_ = nullptr;
    DefaultEnvironmentUpgrade defaultUpgrade_;
    RecentEnvironments recent_;
    EnvironmentManagers current_;
    std::unique_ptr<CMyPOPS> pop_;
    std::unique_ptr<CMySMTPS> smtp_;
    // The last open was refused for a reason that leaves the environment in the recent list.
    bool keepInRecent_ = false;
    // While an environment is being opened: the refusals met, for its own boxes to name.
    platform::HeldRefusals* refused_ = nullptr;
    bool newEnvInImportMode_ = false;
    bool wizardRequested_ = false;
    ImportProgress importProgress_;
};

// The program's service (set by whoever owns it; null until then) and the accessors the
// screens use: each gives null while no service is set or no environment is open.
EnvironmentService* ProgramEnvironment();
void SetProgramEnvironment(EnvironmentService* service);
EnvManager* GetEnvManager();
SystemOption* GetSystemOption();
// The program's system option `index` ("" while no environment is open or it is not set).
std::string ProgramOption(int index);
CDatabaseEdit* GetDatabaseEdit();
CMailListViewer* GetMailListViewer();
SchedulerControl* GetScheduler();

}  // namespace shell
