#include "app/shell/varnis_app.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

#include <cstdio>

#include "app/shell/about_dialog.h"
#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/env_select_dlg.h"
#include "app/dialogs/new_env_dlg.h"
#include "app/environment/main_frame_rect.h"
#include "app/environment/new_environment.h"
#include "app/environment/run_monitor.h"
#include "app/shell/information_page_window.h"
#include "app/shell/main_frame.h"
#include "app/shell/program_screens.h"
#include "app/shell/send_receive_wiring.h"
#include "app/shell/screen_registry.h"
#include "app/shell/qt_environment_ui.h"
#include "app/shell/single_instance.h"
#include "app/shell/splash_window.h"
#include "app/shell/startup_information.h"
#include "app/shell/varnis_view.h"
#include "app/widgets/eudc_font_link.h"
#include "app/sendrecv/interrupted_sends.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/file_info.h"
#include "core/foundation/ini_manager.h"
#include "core/transport/information_manager.h"
#include "platform/module_path.h"
#include "platform/notifier.h"
#include "platform/private_files.h"

namespace shell {
namespace {

CVarnisApp* g_app = nullptr;
bool g_locked = false;

constexpr const char* kMailFontSection = "MAILFONTINFO";
constexpr const char* kEudcFontFile = "varnis-i.TTE";
constexpr const char* kEudcFaceName = "SystemDefaultEUDCFont";
constexpr int kTimerCommand = 32797;
constexpr int kPersonalInformationCommand = 32791;
constexpr int kSetupWizardCommand = 32833;

QString Product() { return QString::fromUtf8(kProductName); }

// Where environments are made by default.
QString DefaultDataFolder() { return ui::FromPath(DefaultEnvironmentParent()); }

ui::FileRequest EnvironmentFileRequest(const QString& defaultExt, const QString& startFolder) {
    ui::FileRequest request;
    request.defaultExt = defaultExt;
    request.filter = ui::U8("環境ファイル(*.env)|*.env|");
    request.fileMustExist = true;
    request.startFolder = startFolder;
    return request;
}

}  // namespace

CVarnisApp* GetVarnisApp() { return g_app; }

CVarnisApp::CVarnisApp(QStringList arguments, QObject* parent) : CVarnisApp(std::move(arguments), Options(), parent) {}

CVarnisApp::CVarnisApp(QStringList arguments, Options options, QObject* parent)
    : QObject(parent), arguments_(std::move(arguments)), options_(std::move(options)),
      fontLink_(std::make_unique<CEudcFontLink>()), information_(std::make_unique<CInformationManager>()) {
    if (!options_.appIniPath.empty()) {
        appIniPath_ = options_.appIniPath;
    } else {
        platform::HeldRefusals refused;
        const std::string folder = platform::UserWritableFolder(platform::ProgramFolder(), "XDG_CONFIG_HOME", ".config");
        // A refused settings folder holds none of the program's files (the start says so).
        if (!folder.empty()) appIniPath_ = folder + "Quendrel.ini";
        settingsRefused_ = refused.Take();
    }
    // It holds the recent environments and the proxy's account: the user's alone, also when
    // an earlier version left it readable by others (every rewrite keeps it so).
    platform::NarrowToOwner(appIniPath_);
    commandLine_ = ParseStartupCommandLine(arguments_);
    EnvironmentService::Settings settings;
    settings.programIniPath = appIniPath_;
    settings.finishPauseMs = options_.finishPauseMs;
    settings.importMode = commandLine_.importMode;
    settings.importFile = ui::ToPath(commandLine_.importFile);
    service_ = std::make_unique<EnvironmentService>(std::move(settings));
    environmentUi_ = std::make_unique<QtEnvironmentUi>([this]() -> QWidget* { return frame_.get(); });
    service_->SetUi(environmentUi_.get());
    upgrade_ = std::make_unique<ProgramEnvironmentUpgrade>(environmentUi_.get());
    service_->SetEnvironmentUpgrade(upgrade_.get());
    SetProgramEnvironment(service_.get());
    InstallProgramScreens(*this);
    InstallSendReceive(*this);
    CNewEnvDlg::SetSaveWindowStateHook([this] {
        if (frame_ && service_->IsOpen()) {
            SaveMainFrameRect();
            SaveViewColumnWidths();
        }
    });
    // The information page on the person's command.
    Screens().showInformationPage = [this](QWidget* parent) {
        InformationPageHooks hooks;
        hooks.askProxy = [parent](ProxyFields& fields) { return AskProxyCredentials(parent, fields); };
        hooks.showPage = [parent](const QString& address, const ProxyFields& proxy) {
            ShowInformationPageWindow(parent, address, proxy);
        };
        ShowInformationPageCommand(appIniPath_, *information_, [this](int code) { return GetErrorPagePath(code); },
                                   hooks);
    };
    g_app = this;
}

CVarnisApp::~CVarnisApp() {
    CNewEnvDlg::SetSaveWindowStateHook({});
    Screens().showInformationPage = nullptr;
    RemoveProgramScreens();
    frame_.reset();
    service_->CloseEnvironment();
    // After the close: the scheduler refers to the status dialog.
    RemoveSendReceive(*this);
    SetProgramEnvironment(nullptr);
    if (g_app == this) g_app = nullptr;
}

bool CVarnisApp::InitInstance() {
    service_->SetNewEnvironmentInImportMode(false);
    if (!settingsRefused_.empty()) {
        TellCannotStart(settingsRefused_);
        return false;
    }
    if (!CheckStartupFiles(commandLine_)) return false;

    // One program per user: a second start hands its command line over where it can, says
    // so itself and ends; the running copy only comes to the front. A lock file refused (a
    // FIFO, another user's file) or lock folder refused is told, and the start ends: the
    // guard would mean nothing.
    SingleInstanceGuard::Result acquired;
    std::vector<platform::RefusedFile> lockRefused;
    {
        platform::HeldRefusals refused;
        guard_ = std::make_unique<SingleInstanceGuard>(QString::fromStdString(options_.instanceGuardName));
        acquired = guard_->Acquire(arguments_);
        lockRefused = refused.Take();
    }
    if (acquired == SingleInstanceGuard::Result::kRefused || !lockRefused.empty()) {
        TellCannotStart(lockRefused);
        return false;
    }
    if (acquired != SingleInstanceGuard::Result::kFirst) {
        TellAlreadyRunning();
        return false;
    }
    connect(guard_.get(), &SingleInstanceGuard::SecondInstanceStarted, this, [this](const QStringList&) {
        BringToFront();
    });

    StartupInformationHooks hooks;
    hooks.askProxy = [](ProxyFields& fields) { return AskProxyCredentials(nullptr, fields); };
    hooks.showPage = [](const QString& url, const ProxyFields& proxy) { ShowInformationPageWindow(nullptr, url, proxy); };
    ShowInformationAtStartup(appIniPath_, *information_, hooks);

    if (!ChooseAndOpenEnvironment()) return false;
    CSplashWnd::EnableSplashScreen(options_.showSplash);
    if (!CreateMainFrame()) return false;
    RebuildRecentMenu();
    frame_->setAttribute(Qt::WA_ShowWithoutActivating);
    frame_->show();
    frame_->setAttribute(Qt::WA_ShowWithoutActivating, false);
    InitMailFont();
    AddTimerMenuItem();

    if (!commandLine_.mailBodyFile.isEmpty()) {
        emit NewTextMailFromFileRequested(commandLine_.mailBodyFile);
    } else if (commandLine_.importMode) {
        frame_->SendCommand(kPersonalInformationCommand);
    } else {
        RunWizardIfRequested();
        SetLocked(false);
    }
    // The import belongs to this start only.
    commandLine_.importMode = false;
    service_->EndImportMode();
    return true;
}

int CVarnisApp::ExitInstance() {
    FreeMailFont();
    if (guard_) guard_->Release();
    return 0;
}

void CVarnisApp::TellAlreadyRunning() {
    const QString text = QStringLiteral("%1は既に起動しています").arg(Product());
    if (HasOwnDisplay()) {
        ui::MessageBox(nullptr, text, ui::U8("起動済み"), platform::kMbOk | platform::kMbIconInformation);
    } else {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

void CVarnisApp::TellCannotStart(const std::vector<platform::RefusedFile>& refused) {
    const QString text = QStringLiteral("%1を起動できません\r\n\r\n").arg(Product()) + ui::RefusalText(refused);
    if (HasOwnDisplay()) {
        ui::MessageBox(nullptr, text, ui::U8("ファイル異常"), platform::kMbOk | platform::kMbIconWarning);
    } else {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

bool CVarnisApp::HasOwnDisplay() {
    // The platforms that draw nowhere a person sees.
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
           platform != QLatin1String("minimalegl");
}

void CVarnisApp::BringToFront() {
    // A locked program shows only its lock window; a hidden main window (an environment
    // being switched) stays hidden. Nothing here waits for the person: the copy that was
    // started has told them already.
    QWidget* target = frame_.get();
    if (IsLocked() && frame_ && frame_->LockWindow() != nullptr) target = frame_->LockWindow();
    // Over it, the send/receive status window (hidden while locked), and a dialog waiting
    // for an answer, which takes the keyboard.
    QWidget* status = Screens().sendReceive.statusWindow ? Screens().sendReceive.statusWindow() : nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    const auto shown = [](QWidget* w) { return w != nullptr && w->isVisible(); };
    const auto raise = [](QWidget* w) {
        if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->raise();
    };
    // The window manager raises the window it activates: each window is activated before
    // the ones that belong over it are raised, in the order the requests reach it.
    if (shown(target)) {
        raise(target);
        if (!shown(modal)) target->activateWindow();
    }
    if (shown(status)) raise(status);
    if (shown(modal)) {
        raise(modal);
        modal->activateWindow();
    }
}

bool CVarnisApp::CreateMainFrame() {
    frame_ = std::make_unique<CMainFrame>();
    QtEnvironmentUi::PlaceWindow(frame_.get(), service_->EnvIniPath());
    frame_->OnCommand(CMainFrame::kIdNewEnvironment, [this] { OnNewEnvironment(); });
    frame_->OnCommand(CMainFrame::kIdSwitchEnvironment, [this] { OnSwitchEnvironment(); });
    for (int i = 0; i < CMainFrame::kRecentCount; ++i) {
        int id = CMainFrame::kIdFirstRecentEnvironment + i;
        frame_->OnCommand(id, [this, id] { OnRecentEnvironment(id); });
    }
    frame_->OnCommand(CMainFrame::kIdAbout, [this] { OnAppAbout(); });

    // The client: the mail list, showing all mails of the environment.
    auto* view = new CVarnisView();
    view->Controller().SetProgramIniPath(appIniPath_);
    frame_->SetView(view);
    MailListController* list = &view->Controller();
    connect(list, &MailListController::CaptionsChanged, this, [this, list](const QString&, int count) {
        InitMailFont();
        UpdateTitle();
        if (frame_) frame_->SetMailCountText(MailListController::MailCountText(list->Mode(), count));
    });
    connect(this, &CVarnisApp::ViewReloadRequested, list, &MailListController::Reload);
    connect(this, &CVarnisApp::NewTextMailFromFileRequested, list, &MailListController::NewMailWithBody);
    // What the runs and the lower screens ask of the mail list.
    InstallMailListRequests(*list);
    view->OnInitialUpdate();
    frame_->SetExitHandler([this] {
        if (!ExitCommand()) return false;
        // The program ends with its window, not with the last window that happens to close
        // (a switch hides the window and closes its please-wait window).
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return true;
    });
    UpdateTitle();
    return true;
}

std::string CVarnisApp::GetEnvIniPath() const { return service_->EnvIniPath(); }

std::string CVarnisApp::GetErrorPagePath(int code) const {
    return platform::ProgramFolder() + (code == 404 ? "notfound.html" : "disconnect.html");
}

QString CVarnisApp::GetFileVersion(int which) const {
    char buffer[1000] = {};
    // The core library's module name.
    if (!GetModuleFileVerInfo(which == 1 ? "libombrel.so" : "", "FileVersion", buffer, sizeof buffer)) return QString();
    QString version = QString::fromLatin1(buffer);
    version.replace(u',', u'.');
    version.remove(u' ');
    return version;
}

void CVarnisApp::InitMailFont() {
    if (mailFontLoaded_) return;
    mailFontLoaded_ = true;
    eudcFontPath_ = platform::ProgramFolder() + kEudcFontFile;
    mailFont_ = ui::LogFont();
    const std::string ini = GetEnvIniPath();
    if (!ini.empty()) {
        mailFont_.height = static_cast<std::int32_t>(CIniManager::GetProfileIntA(ini, kMailFontSection, "HEIGHT", -12));
        mailFont_.weight = static_cast<std::int32_t>(CIniManager::GetProfileIntA(ini, kMailFontSection, "WEIGHT", 400));
        mailFont_.italic = static_cast<std::uint8_t>(CIniManager::GetProfileIntA(ini, kMailFontSection, "ITALIC", 0));
        mailFont_.charSet = static_cast<std::uint8_t>(CIniManager::GetProfileIntA(ini, kMailFontSection, "CHARSET", 128));
    }
    std::string face = SjisLiteral("ＭＳ Ｐゴシック");
    if (!ini.empty()) CIniManager::GetProfileStringA(ini, kMailFontSection, "FACENAME", face, face);
    if (face.size() > ui::kLogFontFaceBytes) face.resize(ui::kLogFontFaceBytes);
    mailFont_.faceName = face;
    fontLink_->SetFontLink(QString::fromUtf8(kEudcFaceName), ui::FromPath(eudcFontPath_), true, true);
    fontLink_->RefreshEudc();
}

void CVarnisApp::SetMailFont(const ui::LogFont& font) {
    mailFont_ = font;
    fontLink_->SetFontLink(ui::FromSjis(font.faceName), ui::FromPath(eudcFontPath_), false, true);
    fontLink_->RefreshEudc();
}

void CVarnisApp::FreeMailFont() {
    fontLink_->RemoveFontLinks(true);
    fontLink_->RefreshEudc();
}

bool CVarnisApp::IsLocked() { return g_locked; }
void CVarnisApp::SetLocked(bool locked) { g_locked = locked; }

void CVarnisApp::OnAppAbout() {
    CAboutDlg dialog(QStringLiteral("Version %1/%2").arg(GetFileVersion(0), GetFileVersion(1)), frame_.get());
    dialog.exec();
}

// ---- Environments ---------------------------------------------------------------------------

bool CVarnisApp::ChooseAndOpenEnvironment() {
    // An environment that could not be opened but stays at the head of the recent list (in
    // use by another program) is not tried again by itself: the person chooses.
    std::string failed;
    for (;;) {
        int recent = LoadRecentEnvironments();
        std::string path;
        if (recent > 0 && !commandLine_.importMode && service_->Recent().Entries().front() != failed) {
            path = service_->Recent().Entries().front();
        } else {
            while (path.empty()) {
                CEnvSelectDlg select(commandLine_.importMode);
                int choice = select.DoModal();
                if (choice == CEnvSelectDlg::kIdcNew) {
                    CNewEnvDlg create(commandLine_.importMode);
                    if (create.DoModal() != platform::kIdOk) continue;
                    path = create.GetEnvFilePath();
                    if (commandLine_.importMode) service_->SetNewEnvironmentInImportMode(true);
                } else if (choice == CEnvSelectDlg::kIdcExisting) {
                    std::optional<QString> picked = ui::CurrentFilePicker().PickFile(
                        frame_.get(), EnvironmentFileRequest(QStringLiteral(".env"), DefaultDataFolder()));
                    if (picked) path = ui::ToPath(*picked);
                } else if (choice == platform::kIdCancel) {
                    ui::MessageBox(nullptr, QStringLiteral("%1を終了します").arg(Product()), ui::U8("終了"),
                                   platform::kMbOk | platform::kMbIconInformation);
                    return false;
                } else {
                    ui::MessageBox(nullptr, ui::U8("動作が正しくありません\r\n[エラーコード:0000]\r\n"), ui::U8("動作異常"),
                                   platform::kMbOk | platform::kMbIconError);
                    return false;
                }
            }
        }
        // A failed open has taken the path off the recent list (unless it is in use): the
        // next round offers the next recent environment, or the dialog.
        if (service_->OpenEnvironment(path)) {
            AfterEnvironmentOpened();
            return true;
        }
        failed = path;
    }
}

int CVarnisApp::LoadRecentEnvironments() {
    int n = service_->Recent().Load();
    RebuildRecentMenu();
    return n;
}

void CVarnisApp::RemoveRecentEnvironment(const std::string& path) {
    service_->Recent().Remove(path);
    RebuildRecentMenu();
}

void CVarnisApp::RebuildRecentMenu() {
    if (!frame_) return;
    std::vector<QString> paths;
    for (const std::string& p : service_->Recent().Entries()) paths.push_back(ui::FromPath(p));
    frame_->SetRecentEnvironments(paths);
}

void CVarnisApp::UpdateTitle() {
    if (!frame_) return;
    EnvManager* env = service_->GetEnvManager();
    const QString mode = frame_->View() ? frame_->View()->Controller().ModeName() : QString();
    frame_->SetTitle(env ? ui::FromPath(env->GetEnvName()) : QString(), mode);
}

void CVarnisApp::SaveViewColumnWidths() {
    if (frame_ && frame_->View()) frame_->View()->SaveColumnWidths();
}

void CVarnisApp::SwitchEnvironment(std::string descriptorPath) {
    const std::string previous = service_->IsOpen() ? service_->DescriptorPath() : descriptorPath;
    if (frame_) frame_->hide();
    environmentUi_->ShowWait(QString(), ui::U8("環境を切り替えます"), QString());
    bool opened = service_->OpenEnvironment(descriptorPath) == 1;
    environmentUi_->HideWait();
    if (opened) {
        AfterEnvironmentOpened();
        RebuildRecentMenu();
        UpdateTitle();
        if (frame_) {
            frame_->show();
            frame_->activateWindow();
        }
        ReloadView();
        return;
    }
    // The environment that was open is still open, untouched: the person goes back to it
    // or quits.
    int answer = ui::MessageBox(nullptr, ui::FromPath(previous) + ui::U8("\r\n元開いていた上記の環境を開き直しますか？"),
                                ui::U8("環境を戻します"), platform::kMbYesNo | platform::kMbIconQuestion);
    RebuildRecentMenu();
    if (answer == platform::kIdYes && service_->IsOpen()) {
        // The failed open may have moved the window to the other environment's place.
        LoadMainFrameRect();
        if (frame_) frame_->show();
        ReloadView();
        return;
    }
    if (frame_) QMetaObject::invokeMethod(frame_.get(), &QWidget::close, Qt::QueuedConnection);
}

void CVarnisApp::AfterEnvironmentOpened() {
    // A receive batch a crash left half installed is finished or undone first (the mail
    // list it may hold a copy of must not be saved before it), then mails a crash left
    // "sending" are put back as interrupted, before any run can start on them.
    RecoverInterruptedReceive(SendEnvironment::Program());
    if (CMailListViewer* mails = service_->GetMailListViewer()) RecoverInterruptedSends(*mails);
}

void CVarnisApp::ReloadView() {
    UpdateTitle();
    emit ViewReloadRequested();
}

void CVarnisApp::RunWizardIfRequested() {
    if (!service_->WizardRequested()) return;
    service_->SetWizardRequested(false);
    if (frame_) frame_->SendCommand(kSetupWizardCommand);
}

void CVarnisApp::OnNewEnvironment() {
    ScopedSchedulerPause pause(&GetScheduler);
    if (!CanChangeEnvironment(0)) return;
    CNewEnvDlg dialog(commandLine_.importMode, frame_.get());
    if (dialog.DoModal() != platform::kIdOk) return;
    SwitchEnvironment(dialog.GetEnvFilePath());
    RunWizardIfRequested();
}

void CVarnisApp::OnSwitchEnvironment() {
    ScopedSchedulerPause pause(&GetScheduler);
    if (!CanChangeEnvironment(1)) return;
    // Where environments are: beside the open one (its .env file and its folder lie in the
    // same folder), otherwise where they are made by default, as at the first start. The
    // process's working folder is no place of the user's files, and from the home folder
    // the hidden ~/.local cannot be browsed to.
    QString start;
    if (service_->IsOpen()) {
        const QFileInfo descriptor(ui::FromPath(service_->DescriptorPath()));
        if (descriptor.absoluteDir().exists()) start = descriptor.absolutePath();
    }
    if (start.isEmpty()) start = DefaultDataFolder();
    std::optional<QString> picked =
        ui::CurrentFilePicker().PickFile(frame_.get(), EnvironmentFileRequest(QStringLiteral("env"), start));
    if (!picked) return;
    if (!GetEnvIniPath().empty()) {
        SaveMainFrameRect();
        SaveViewColumnWidths();
    }
    SwitchEnvironment(ui::ToPath(*picked));
    RunWizardIfRequested();
}

void CVarnisApp::OnRecentEnvironment(int commandId) {
    ScopedSchedulerPause pause(&GetScheduler);
    if (!CanChangeEnvironment(1)) return;
    const auto& entries = service_->Recent().Entries();
    std::size_t index = static_cast<std::size_t>(commandId - CMainFrame::kIdFirstRecentEnvironment);
    if (index >= entries.size()) return;
    SwitchEnvironment(entries[index]);
    RunWizardIfRequested();
}

int CVarnisApp::ShowProgress(int kind) {
    const char* first;
    const char* second = "件数により時間がかかる場合があります";
    switch (kind) {
    case 1: first = "メール情報を読み込んでいます"; break;
    case 2: first = "個人情報を読み込んでいます"; break;
    case 3: first = "変更点を個人情報ファイルに書き込んでいます"; break;
    default:
        first = "データを読み込んでいます";
        second = "処理内容により時間がかかる場合があります";
        break;
    }
    environmentUi_->ShowWait(ui::U8(first), ui::U8(second), ui::U8("しばらくお待ちください"));
    return 0;
}

int CVarnisApp::HideProgress() {
    environmentUi_->HideWait();
    return 0;
}

bool CVarnisApp::SaveMainFrameRect() {
    if (!frame_) return false;
    // A minimised or maximised window is not where it stands when restored: the rectangle
    // kept is the normal one, so that a later start restores to it, and the maximised
    // state goes beside it.
    if (!SaveMainFrameMaximized(GetEnvIniPath(), (frame_->windowState() & Qt::WindowMaximized) != 0)) return false;
    return shell::SaveMainFrameRect(GetEnvIniPath(), QtEnvironmentUi::NormalFrameRect(frame_.get()));
}

void CVarnisApp::LoadMainFrameRect() {
    if (frame_) QtEnvironmentUi::PlaceWindow(frame_.get(), GetEnvIniPath());
}

int CVarnisApp::CheckNewEnvironmentName(const std::string& name, const std::string& parent) {
    return shell::CheckNewEnvironmentName(name, parent);
}

int CVarnisApp::CreateNewEnvironment(const std::string& name, const std::string& parent, const char* passwordFlag,
                                     const char* password) {
    return shell::CreateNewEnvironment(name, parent, passwordFlag, password, commandLine_.importMode);
}

void CVarnisApp::AddTimerMenuItem() {
    if (!frame_ || frame_->FindCommand(kTimerCommand)) return;
    for (QMenu* menu : frame_->TopMenus()) {
        if (!menu->title().contains(ui::U8("受信"))) continue;
        frame_->AppendCommand(menu, kTimerCommand, ui::U8("タイマー停止(&T)"));
        return;
    }
}

void CVarnisApp::SaveAddressBook() { CMainFrame::RunAddressBookSave(frame_.get()); }

bool CVarnisApp::RefuseExitWhileRunning() {
    const RunMonitor& runs = CurrentRunMonitor();
    if (!runs.IsRunning()) return false;
    // Every kind of run, the one-mail send included: closing now would pull the
    // environment from under the run's worker.
    ui::MessageBox(frame_.get(), ui::U8("現在【%1】です\r\n終了できません").arg(RunKindText(runs.RunKind())),
                   ui::U8("終了できません"), platform::kMbOk | platform::kMbIconWarning);
    return true;
}

bool CVarnisApp::ExitCommand() {
    if (RefuseExitWhileRunning()) return false;
    if (frame_ && frame_->View() && !frame_->View()->IsNothingWaiting()) {
        const int answer = ui::MessageBox(frame_.get(), ui::U8("送信待ち状態のメールが存在します\n終了してよろしいですか？"),
                                          ui::U8("終了の確認"),
                                          platform::kMbYesNo | platform::kMbIconInformation | ui::kMbDefButton2);
        if (answer != platform::kIdYes) return false;
        // A run may have started while the question was open.
        if (RefuseExitWhileRunning()) return false;
    }
    if (frame_) SaveMainFrameRect();
    SaveViewColumnWidths();
    SaveAddressBook();
    // The close drops what is not written: a mail list that cannot be saved keeps the
    // program open, so the person can try again.
    if (CMailListViewer* mails = service_->GetMailListViewer(); mails && mails->WriteMailList(0) < 0) {
        ui::MessageBox(frame_.get(), ui::U8("メール一覧の保存に失敗しました"), ui::U8("終了できません"),
                       platform::kMbOk | platform::kMbIconWarning);
        return false;
    }
    service_->CloseEnvironment();
    return true;
}

}  // namespace shell
