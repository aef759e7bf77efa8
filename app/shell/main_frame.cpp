#include "app/shell/main_frame.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <cstdlib>

#include "app/shell/bar_images.h"
#include "app/shell/caption_bar.h"
#include "app/shell/command_strings.h"
#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/password_change_dlg.h"
#include "app/dialogs/password_prompt_dlgs.h"
#include "app/dialogs/password_set_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/environment/scheduler_control.h"
#include "app/shell/list_bar.h"
#include "app/shell/mail_list_controller.h"
#include "app/shell/setup_wizard.h"
#include "app/shell/splash_window.h"
#include "app/shell/system_settings_store.h"
#include "app/shell/tool_bars.h"
#include "app/shell/varnis_app.h"
#include "app/shell/varnis_view.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"
#include "platform/module_path.h"
#include "platform/notifier.h"

namespace shell {
namespace {

using ui::U8;

// The system tool bar's buttons, left to right (0: a separator).
constexpr int kSystemBarButtons[] = {1055, 1052, CMainFrame::kIdAddressBook, CMainFrame::kIdSendReceive, 32787, 32792,
                                     CMainFrame::kIdSystemSettings, 0, 32783, CMainFrame::kIdReservationPlace};
constexpr QSize kSystemImageSize{74, 48};
// The reservation bar's two buttons.
constexpr int kReservationButtons[] = {MailListController::kIdReserveButton, MailListController::kIdCancelReserveButton};
constexpr QSize kReservationImageSize{58, 32};

// The element count of an auto-registration record.
constexpr int kAutoRegistrationElements = 56;

bool PasswordInUse() {
    EnvManager* env = GetEnvManager();
    std::string flag;
    // A flag that cannot be read counts as empty.
    return env && env->GetUseEnvPasswordFlag(flag) == 0 && flag == "Y";
}

// The lock is offered only where it can be undone: a password whose digest the
// environment can read (the lock dialog accepts no password otherwise, and nothing else
// ends the lock).
bool LockCanBeUndone() {
    EnvManager* env = GetEnvManager();
    std::string digest;
    return env && env->GetEnvPasswordMD5(digest) == 0 && !digest.empty();
}

// The periodic-receive interval the options ask for: option 97 in minutes when option 96
// is "Y", else 0.
int PeriodicReceiveMinutes(SystemOption& options) {
    std::string on, minutes;
    options.GetSODataFromMemoryPinPoint(96, on);
    if (on != "Y") return 0;
    options.GetSODataFromMemoryPinPoint(97, minutes);
    return std::atoi(minutes.c_str());
}

std::vector<int> ImageIds(const int* begin, const int* end) {
    std::vector<int> ids;
    for (const int* p = begin; p != end; ++p)
        if (*p != 0) ids.push_back(*p);
    return ids;
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent, ScreenRegistry& screens) : QMainWindow(parent), screens_(screens) {
    setObjectName(QStringLiteral("MainFrame"));
    setMinimumSize(880, 500);
    // The splash shows while the window is made; the start-up goes on under it.
    CSplashWnd::ShowSplashScreen(this);

    fileMenu_ = menuBar()->addMenu(U8("ファイル(&F)"));
    AddCommand(fileMenu_, kIdNewEnvironment, U8("新規環境作成(&N)"));
    AddCommand(fileMenu_, kIdSwitchEnvironment, U8("環境切替(&S)"));
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, kIdPersonalInformation, U8("個人情報"));
    AddCommand(fileMenu_, kIdAddressBook, U8("アドレス帳"));
    AddCommand(fileMenu_, kIdDeletedData, U8("削除データ一覧"));
    AddCommand(fileMenu_, kIdAutoRegistrationList, U8("未処理メール一覧"));
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* a = AddCommand(fileMenu_, kIdFirstRecentEnvironment + i, QString());
        a->setVisible(false);
        recent_.push_back(a);
    }
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, kIdLock, U8("アプリケーションのロック"));
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, kIdExit, U8("終了(&X)"));

    viewMenu_ = menuBar()->addMenu(U8("表示(&V)"));
    AddCommand(viewMenu_, kIdSystemToolBar, U8("システムツールバー"))->setCheckable(true);
    AddCommand(viewMenu_, kIdListBar, U8("メールバー"))->setCheckable(true);

    runMenu_ = menuBar()->addMenu(U8("送受信(&S)"));
    runMenuAction_ = runMenu_->menuAction();
    AddCommand(runMenu_, kIdReceive, U8("受信"));
    AddCommand(runMenu_, kIdSend, U8("送信"));
    AddCommand(runMenu_, kIdSendReceive, U8("送受信"));

    QMenu* tools = menuBar()->addMenu(U8("ツール(&T)"));
    AddCommand(tools, kIdSystemSettings, U8("システム設定"));
    tools->addSeparator();
    AddCommand(tools, kIdPasswordSet, U8("パスワードの設定"));
    AddCommand(tools, kIdPasswordChange, U8("パスワードの変更"));
    tools->addSeparator();
    AddCommand(tools, kIdSetupWizard, U8("初期設定ウィザード"));

    helpMenu_ = menuBar()->addMenu(U8("ヘルプ(&H)"));
    AddCommand(helpMenu_, kIdHelpPdf, U8("ヘルプ(PDF版)"));
    AddCommand(helpMenu_, kIdHelpHtml, U8("ヘルプ(HTML版)"));
    helpMenu_->addSeparator();
    AddCommand(helpMenu_, kIdAbout, U8("バージョン情報(&A)"));
    SetRecentEnvironments({});
    for (QMenu* menu : TopMenus()) WatchMenu(menu);

    mailCount_ = ui::SetControlId(new QLabel(this), kIdcMailCountPane);
    mailCount_->setMinimumWidth(100);
    statusBar()->addPermanentWidget(mailCount_);

    OnCommand(kIdPersonalInformation, [this] { OnPersonalInformation(); });
    OnCommand(kIdAddressBook, [this] { OnAddressBook(); });
    OnCommand(kIdDeletedData, [this] { OnDeletedData(); });
    OnCommand(kIdAutoRegistrationList, [this] { OnAutoRegistrationList(); });
    OnCommand(kIdSystemSettings, [this] { OnSystemSettings(); });
    OnCommand(kIdSetupWizard, [this] { OnSetupWizard(); });
    OnCommand(kIdReceive, [this] { OnReceive(kRunManualReceive); });
    OnCommand(kIdSendReceive, [this] { OnReceive(kRunManualSendReceive); });
    OnCommand(kIdSend, [this] { OnSend(); });
    OnCommand(kIdTimer, [this] { OnTimer(); });
    OnCommand(kIdHelpPdf, [this] { OnHelp("book.pdf", "ヘルプファイル(PDF版)が存在しません"); });
    OnCommand(kIdHelpHtml, [this] { OnHelp("help.html", "ヘルプファイル(HTML版)が存在しません"); });
    OnCommand(kIdPasswordSet, [this] { OnPasswordSet(); });
    OnCommand(kIdPasswordChange, [this] { OnPasswordChange(); });
    OnCommand(kIdLock, [this] { OnAppLock(); });

    if (screens_.resetPersonalInformationList) screens_.resetPersonalInformationList();

    statesTimer_ = new QTimer(this);
    statesTimer_->setInterval(kStateIntervalMs);
    connect(statesTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    statesTimer_->start();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The bars and the list report nothing more while the window's parts go.
    statesTimer_->stop();
    for (QObject* part : std::initializer_list<QObject*>{systemBar_, listDock_, view_ ? &view_->Controller() : nullptr})
        if (part) part->disconnect();
}

void CMainFrame::WatchMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this] {
        UpdateCommandStates();
        // While a menu is open its prompts take the whole status bar.
        if (menusOpen_++ == 0) mailCount_->hide();
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        if (menusOpen_ > 0 && --menusOpen_ == 0) mailCount_->show();
    });
}

void CMainFrame::SetView(CVarnisView* view) {
    if (view_ || !view) return;
    view_ = view;
    setCentralWidget(view);
    QMenu* modes = viewMenu_;
    QAction* firstBar = modes->actions().value(0);
    for (QAction* a : view->ModeActions()) {
        modes->insertAction(firstBar, a);
        commands_[a->data().toInt()] = a;
    }
    modes->insertSeparator(firstBar);
    QMenu* mails = new QMenu(U8("メール(&M)"), this);
    menuBar()->insertMenu(runMenuAction_, mails);
    AddCommands(mails, view->MailActions());
    WatchMenu(mails);
    helpMenu_->insertSeparator(helpMenu_->actions().value(0));
    QList<QAction*> information = view->InformationActions();
    for (auto it = information.rbegin(); it != information.rend(); ++it) {
        QAction* before = helpMenu_->actions().value(0);
        if (*it) {
            helpMenu_->insertAction(before, *it);
            commands_[(*it)->data().toInt()] = *it;
        } else {
            helpMenu_->insertSeparator(before);
        }
    }
    for (QAction* a : view->ReservationBarActions()) commands_[a->data().toInt()] = a;
    BuildBars();
    MailListController* list = &view->Controller();
    connect(list, &MailListController::CaptionsChanged, this,
            [this, list](const QString& modeName, int) { SetModeCaption(list->Mode(), modeName); });
    // Every command says what it does in the status bar while it is pointed at.
    for (auto& [id, action] : commands_)
        if (action->statusTip().isEmpty()) action->setStatusTip(CommandPrompt(id));
    UpdateCommandStates();
}

void CMainFrame::BuildBars() {
    // The system tool bar.
    systemBar_ = new CVarnisToolBar(U8("システムツールバー"), this);
    systemBar_->setObjectName(QStringLiteral("SystemToolBar"));
    systemBar_->SetImageSize(kSystemImageSize);
    const std::vector<int> systemIds = ImageIds(std::begin(kSystemBarButtons), std::end(kSystemBarButtons));
    systemBar_->SetBitmaps(images::ToolBarStrip(systemIds, kSystemImageSize, images::Look::kNormal),
                           images::ToolBarStrip(systemIds, kSystemImageSize, images::Look::kHot),
                           images::ToolBarStrip(systemIds, kSystemImageSize, images::Look::kDisabled));
    std::vector<CVarnisToolBar::Button> buttons;
    for (int id : kSystemBarButtons)
        buttons.push_back({id, id == 0 || id == kIdReservationPlace ? nullptr : FindCommand(id)});
    systemBar_->LoadToolBar(buttons);
    addToolBar(Qt::TopToolBarArea, systemBar_);

    // The reservation bar, in the system bar's place for it, centred on its height.
    reservationBar_ = new CVarnisToolBar(U8("送信予約"), this);
    reservationBar_->setObjectName(QStringLiteral("ReservationBar"));
    reservationBar_->SetImageSize(kReservationImageSize);
    const std::vector<int> reservationIds = ImageIds(std::begin(kReservationButtons), std::end(kReservationButtons));
    reservationBar_->SetBitmaps(images::ToolBarStrip(reservationIds, kReservationImageSize, images::Look::kNormal),
                                images::ToolBarStrip(reservationIds, kReservationImageSize, images::Look::kHot),
                                images::ToolBarStrip(reservationIds, kReservationImageSize, images::Look::kDisabled));
    std::vector<CVarnisToolBar::Button> reservation;
    for (int id : kReservationButtons) reservation.push_back({id, FindCommand(id)});
    reservationBar_->LoadToolBar(reservation);
    for (int id : kReservationButtons)
        if (QToolButton* b = reservationBar_->ButtonOf(id)) b->setAutoRaise(false);
    // Pointed at, the bar's buttons say what reserving and cancelling do; the bar's blank
    // rest says nothing.
    reservationBar_->setStatusTip(CommandPrompt(57345));
    if (QAction* a = FindCommand(MailListController::kIdReserveButton)) a->setStatusTip(CommandPrompt(1353));
    if (QAction* a = FindCommand(MailListController::kIdCancelReserveButton)) a->setStatusTip(CommandPrompt(1354));
    if (QWidget* place = systemBar_->Placeholder(kIdReservationPlace)) {
        place->layout()->addWidget(reservationBar_);
        place->layout()->setAlignment(reservationBar_, Qt::AlignVCenter);
        place->setMinimumSize(reservationBar_->sizeHint().width(), systemBar_->ButtonSize().height());
    }

    // The list bar on the left, over the whole height beside the list.
    listBar_ = new CListBar(this);
    listBar_->SetModeSwitcher([this](int mode) {
        if (view_) view_->Controller().SwitchMode(mode);
    });
    listDock_ = new QDockWidget(U8("メールバー"), this);
    listDock_->setObjectName(QStringLiteral("ListBarDock"));
    listDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    listDock_->setTitleBarWidget(new QWidget(listDock_));
    listDock_->setWidget(listBar_);
    setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    addDockWidget(Qt::LeftDockWidgetArea, listDock_);

    // The caption bar over the list.
    captionBar_ = new CCaptionBar(this);
    captionDock_ = new QDockWidget(QString(), this);
    captionDock_->setObjectName(QStringLiteral("CaptionBarDock"));
    captionDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    captionDock_->setTitleBarWidget(new QWidget(captionDock_));
    captionDock_->setWidget(captionBar_);
    addDockWidget(Qt::TopDockWidgetArea, captionDock_);

    // The bars' show/hide commands follow the bars.
    QAction* systemToggle = FindCommand(kIdSystemToolBar);
    connect(systemToggle, &QAction::toggled, systemBar_, &QWidget::setVisible);
    connect(systemBar_, &QToolBar::visibilityChanged, systemToggle, &QAction::setChecked);
    QAction* listToggle = FindCommand(kIdListBar);
    connect(listToggle, &QAction::toggled, listDock_, &QWidget::setVisible);
    connect(listDock_, &QDockWidget::visibilityChanged, listToggle, [this, listToggle](bool) {
        listToggle->setChecked(!listDock_->isHidden());
    });
    systemToggle->setChecked(true);
    listToggle->setChecked(true);

    if (view_) SetModeCaption(view_->Controller().Mode(), view_->Controller().ModeName());
}

void CMainFrame::AddCommands(QMenu* menu, const QList<QAction*>& actions) {
    for (QAction* a : actions) {
        if (!a) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(a);
        commands_[a->data().toInt()] = a;
    }
}

void CMainFrame::SetMailCountText(const QString& text) { mailCount_->setText(text); }

QString CMainFrame::MailCountText() const { return mailCount_->text(); }

void CMainFrame::SetModeCaption(int mode, const QString& modeName) {
    if (captionBar_) captionBar_->SetCaption(QStringLiteral(" %1").arg(modeName));
    if (listBar_) listBar_->SetCurrentMode(mode);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    action->setStatusTip(CommandPrompt(id));
    commands_[id] = action;
    connect(action, &QAction::triggered, this, [this, id] {
        if (id == kIdExit) {
            close();
            return;
        }
        auto it = handlers_.find(id);
        if (it != handlers_.end() && it->second) it->second();
        UpdateCommandStates();
    });
    return action;
}

QAction* CMainFrame::AppendCommand(QMenu* menu, int id, const QString& text) {
    if (!menu || FindCommand(id)) return nullptr;
    QAction* action = AddCommand(menu, id, text);
    UpdateCommandStates();
    return action;
}

QAction* CMainFrame::FindCommand(int id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

bool CMainFrame::SendCommand(int id) {
    UpdateCommandStates();
    if (view_) view_->UpdateCommandStates();
    QAction* action = FindCommand(id);
    if (!action || !action->isEnabled()) return false;
    action->trigger();
    return true;
}

void CMainFrame::OnCommand(int id, std::function<void()> handler) { handlers_[id] = std::move(handler); }

void CMainFrame::SetTitle(const QString& environment, const QString& mode) {
    setWindowTitle(QStringLiteral("%1[%2][%3]").arg(QString::fromUtf8(kProductName), environment, mode));
}

void CMainFrame::SetRecentEnvironments(const std::vector<QString>& paths) {
    for (int i = 0; i < kRecentCount; ++i) {
        QAction* a = recent_[static_cast<std::size_t>(i)];
        bool used = static_cast<std::size_t>(i) < paths.size();
        a->setVisible(used);
        if (used) a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(paths[static_cast<std::size_t>(i)]));
    }
    recentSeparator_->setVisible(!paths.empty());
}

QList<QMenu*> CMainFrame::TopMenus() const {
    QList<QMenu*> out;
    for (QAction* a : menuBar()->actions())
        if (a->menu()) out << a->menu();
    return out;
}

void CMainFrame::UpdateCommandStates() {
    const bool running = CurrentRunMonitor().IsRunning();
    const bool open = GetEnvManager() != nullptr;
    const bool password = PasswordInUse();
    auto set = [this](int id, bool enabled) {
        if (QAction* a = FindCommand(id)) a->setEnabled(enabled);
    };
    set(kIdPersonalInformation, !running && screens_.showPersonalInformationList);
    set(kIdAddressBook, static_cast<bool>(screens_.showAddressBook));
    set(kIdDeletedData, !running && screens_.showDeletedData);
    set(kIdAutoRegistrationList, !running && open && screens_.showAutoRegistrationList);
    set(kIdSystemSettings, !running && open && screens_.showSystemSettings);
    set(kIdSetupWizard, !running && open);
    set(kIdExit, !running);
    set(kIdReceive, !running && screens_.sendReceive.startRun);
    set(kIdSendReceive, !running && screens_.sendReceive.startRun);
    set(kIdSend, !running && screens_.sendReceive.startManualSend);
    set(kIdLock, open && password && LockCanBeUndone());
    set(kIdPasswordSet, open && !password);
    set(kIdPasswordChange, open && password);
    const SchedulerTimerSlots& timer = screens_.schedulerTimer;
    const bool haveTimer = timer.exists && timer.running && timer.start && timer.stop;
    set(kIdTimer, haveTimer);
    if (QAction* a = FindCommand(kIdTimer); a && haveTimer) {
        a->setText(timer.exists() && timer.running() ? U8("タイマーを停止する(&T)") : U8("タイマーを起動する(&T)"));
    }
}

bool CMainFrame::RefuseWhileRunning(const char* text, const char* caption) {
    if (!CurrentRunMonitor().IsRunning()) return false;
    ui::MessageBox(this, U8(text), U8(caption), platform::kMbOk | platform::kMbIconInformation);
    return true;
}

void CMainFrame::RunAddressBookSave(QWidget* owner) {
    if (!GetDatabaseEdit()) return;
    CDbSaveWaitDlg dialog(CDbSaveWaitDlg::ProgramSave(), owner);
    dialog.DoModal();
}

void CMainFrame::OnPersonalInformation() {
    if (!screens_.showPersonalInformationList) return;
    if (RefuseWhileRunning("送受信中は個人情報の変更ができません", "個人情報")) return;
    ScopedSchedulerPause pause(&GetScheduler);
    ui::WaitCursor wait;
    {
        ui::NormalCursor normal;
        screens_.showPersonalInformationList(this);
    }
    RunAddressBookSave(this);
}

void CMainFrame::OnAddressBook() {
    if (!screens_.showAddressBook) return;
    ui::WaitCursor wait;
    {
        ui::NormalCursor normal;
        AddressBookRequest request;
        request.parent = this;
        screens_.showAddressBook(request);
    }
    RunAddressBookSave(this);
}

void CMainFrame::OnDeletedData() {
    if (!screens_.showDeletedData) return;
    if (RefuseWhileRunning("送受信中は操作できません", "削除データ復旧")) return;
    ScopedSchedulerPause pause(&GetScheduler);
    // The deleted-data list shows the mails' columns as the list has them now.
    if (view_) view_->SaveColumnWidths();
    ui::WaitCursor wait;
    {
        ui::NormalCursor normal;
        screens_.showDeletedData(this);
    }
    RunAddressBookSave(this);
}

void CMainFrame::OnAutoRegistrationList() {
    if (!screens_.showAutoRegistrationList) return;
    if (RefuseWhileRunning("送受信中は操作できません", "自動登録メール一覧")) return;
    ScopedSchedulerPause pause(&GetScheduler);
    EnvironmentService* service = ProgramEnvironment();
    const std::string path = service ? service->GetAutoRegPath(0) : std::string();
    StoreKey key;
    const bool loaded = !path.empty() && GetStoreKey(GetEnvManager(), key) == 0 &&
                        autoRegistrations_.LoadCSVFile(path, key.get()) == BaseRecordStructer::kLoadOk;
    if (loaded && autoRegistrations_.GetElementNumber() == kAutoRegistrationElements &&
        autoRegistrations_.GetRecordNumber() > 0) {
        screens_.showAutoRegistrationList(this, autoRegistrations_);
        RunAddressBookSave(this);
        return;
    }
    ui::MessageBox(this, U8("未処理の自動登録メールはありません"), U8("自動登録メールはありません"),
                   platform::kMbOk | platform::kMbIconInformation);
}

void CMainFrame::OnSystemSettings() {
    SystemOption* options = GetSystemOption();
    if (!screens_.showSystemSettings || !options) return;
    if (RefuseWhileRunning("送受信中はシステム設定の変更ができません", "システム設定")) return;
    ScopedSchedulerPause pause(&GetScheduler);
    const int before = PeriodicReceiveMinutes(*options);
    int answer;
    {
        ui::WaitCursor wait;
        ui::NormalCursor normal;
        answer = screens_.showSystemSettings(this, *options, false);
    }
    if (answer != platform::kIdOk) return;
    StoreConfirmedSystemSettings(this, *options);
    const int after = PeriodicReceiveMinutes(*options);
    // Periodic receive counts from now: switched off, or on with a new interval.
    if (screens_.schedulerTimer.setPeriodicReceive && (after == 0 || after != before))
        screens_.schedulerTimer.setPeriodicReceive(after);
}

void CMainFrame::OnSetupWizard() {
    if (RefuseWhileRunning("送受信中は初期設定ウィザードの起動ができません", "初期設定ウィザード")) return;
    ScopedSchedulerPause pause(&GetScheduler);
    ui::WaitCursor wait;
    ui::NormalCursor normal;
    CSetupWizardDlg wizard(this, screens_, view_ ? &view_->Controller() : nullptr);
    wizard.DoModal();
}

void CMainFrame::OnReceive(int mode) {
    if (!screens_.sendReceive.startRun || CurrentRunMonitor().IsRunning()) return;
    screens_.sendReceive.startRun(mode);
}

void CMainFrame::OnSend() {
    if (!screens_.sendReceive.startManualSend || CurrentRunMonitor().IsRunning()) return;
    screens_.sendReceive.startManualSend();
}

void CMainFrame::OnTimer() {
    const SchedulerTimerSlots& timer = screens_.schedulerTimer;
    if (!timer.exists || !timer.running || !timer.start || !timer.stop) return;
    if (!timer.exists()) {
        ui::MessageBox(this, U8("タイマーが使用できません"), U8("致命的なエラーです"), platform::kMbOk | platform::kMbIconError);
        return;
    }
    const bool stopping = timer.running();
    const int result = stopping ? timer.stop() : timer.start();
    const char* text = stopping ? (result == 1 ? "送受信タイマーを停止しました" : "送受信タイマーを停止出来ませんでした")
                                : (result == 1 ? "送受信タイマーを起動しました" : "送受信タイマーを起動出来ませんでした");
    ui::MessageBox(this, U8(text), U8("送受信タイマー"),
                   platform::kMbOk | (result == 0 ? platform::kMbIconError : platform::kMbIconInformation));
}

void CMainFrame::OnHelp(const char* file, const char* missingText) {
    const QString path = QDir::cleanPath(ui::FromPath(platform::ProgramFolder() + "../help/" + file));
    if (!QFileInfo(path).isFile()) {
        // The help files are not part of the system: the message names the file it looked
        // for and where, so that a person who has one knows where to put it.
        ui::MessageBox(this, U8(missingText) + U8("。\r\n探したファイル: ") + path,
                       U8("ヘルプがありません"), platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void CMainFrame::OnPasswordSet() {
    EnvManager* env = GetEnvManager();
    if (!env) return;
    CPasswordSetDlg dialog(*env, this);
    dialog.DoModal();
}

void CMainFrame::OnPasswordChange() {
    EnvManager* env = GetEnvManager();
    if (!env) return;
    CPasswordChangeDlg dialog(*env, this);
    dialog.DoModal();
}

void CMainFrame::OnAppLock() {
    EnvManager* env = GetEnvManager();
    if (!env || !LockCanBeUndone()) return;
    // Over the desktop: the main window goes out of sight meanwhile.
    auto dialog = std::make_unique<CPasswordEntryDlg>(*env);
    // The status window goes out of sight too, also when it only shows how a run ended.
    QPointer<QWidget> status = screens_.sendReceive.statusWindow ? screens_.sendReceive.statusWindow() : nullptr;
    hide();
    if (status) status->hide();
    CVarnisApp::SetLocked(true);
    while (CVarnisApp::IsLocked()) {
        lockWindow_ = dialog.get();
        if (dialog->DoModal() == platform::kIdOk) {
            lockWindow_ = nullptr;
            CVarnisApp::SetLocked(false);
        }
    }
    dialog.reset();
    // A save that ran while the program was locked is waited for before the window returns.
    if (CDbSaveWaitDlg::IsSaveRunning()) RunAddressBookSave(this);
    show();
    // Still open (a run under way, or one that ended meanwhile and stays to be read).
    if (screens_.sendReceive.statusWindow) {
        if (QWidget* w = screens_.sendReceive.statusWindow()) w->show();
    }
}

void CMainFrame::OnCommDone() {
    // The status window closes itself, or stays to show how the run ended.
    RunAddressBookSave(this);
    if (CVarnisApp::IsLocked() && lockWindow_) {
        lockWindow_->raise();
        lockWindow_->activateWindow();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The close box is the exit command.
    if (closing_ || !exitHandler_ || exitHandler_()) {
        closing_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace shell
