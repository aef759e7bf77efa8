#include "app/addressui/address_book_dlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

#include "app/addressui/address_book_model.h"
#include "app/addressui/db_list_dlg.h"
#include "app/addressui/dest_detail_dlg.h"
#include "app/addressui/dest_reextract.h"
#include "app/addressui/dest_renew_dlg.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/view_selection.h"
#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/environment/scheduler_control.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/file_info.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

constexpr const char* kAddressListSection = "ADDRESSLISTINFO";

struct WidthKey {
    const char* key;
    int fallback;
};
constexpr WidthKey kWidthKeys[] = {{"EXTRACTIDW", 50}, {"EXTRACTNAMEW", 100}, {"RENEWALDATEW", 140}, {"HONORIFICW", 60}};

using ui::kInformation;
using ui::kExclamation;
constexpr unsigned kYesNoQuestion = platform::kMbYesNo | platform::kMbIconQuestion;

std::string EnvIni() {
    shell::EnvironmentService* service = shell::ProgramEnvironment();
    return service != nullptr ? service->EnvIniPath() : std::string();
}

// System option 13 "Y": lists are brought up to date without asking.
bool RefreshWithoutAsking() {
    SystemOption* options = shell::GetSystemOption();
    std::string value;
    return options != nullptr && options->GetSODataFromMemoryPinPoint(13, value) == 0 && value == "Y";
}

const char* const kRefreshQuestion =
    "個人情報の更新が確認されました\r\n個人情報の更新内容に合わせて、メールに設定しようとしたアドレス帳の宛先を最新の状態に更新し\r\n"
    "メールの宛先として設定します\r\nよろしいですか？\r\n\r\n"
    "（ヒント：この確認メッセージを無くしたい場合は、システム設定で設定をしてください）";
const char* const kRefreshedText = "メールに設定しようとしたアドレス帳の宛先を最新の状態にし\r\nメールの宛先として設定しました";

}  // namespace

bool ListOlderThanBook(const std::string& listLastUpdate, const std::string& bookTime) {
    return listLastUpdate < bookTime;
}

CAddressBookDlg::CAddressBookDlg(QWidget* parent, int mode, int targetMail)
    : QDialog(parent), mode_(mode), targetMail_(targetMail) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("アドレス帳"));
    wait_ = new shell::CWaitDlg(this);
    if (EnvManager* env = shell::GetEnvManager()) {
        lists_.SetEnvManager(env, 0);
        // A list file that does not read is said at once (the store then refuses to write
        // over it), not shown as an empty address book.
        if (lists_.SetExtractListFromFile(0, nullptr) < 0) loadError_ = ui::FromSjis(lists_.GetErrMsg().GetLastMsg());
    }

    auto* column = new QVBoxLayout(this);
    model_ = new AddressBookModel(this);
    list_ = ui::SetControlId(new QTableView(this), kIdcList);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setMinimumSize(520, 260);
    column->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    auto* commands = new QVBoxLayout;
    auto* newButton = shell::dialogs::MakeButton(this, ui::U8("新規宛先作成(&N)"), kIdcNew);
    edit_ = shell::dialogs::MakeButton(this, ui::U8("宛先編集(&E)"), kIdcEdit);
    delete_ = shell::dialogs::MakeButton(this, ui::U8("宛先削除(&D)"), kIdcDelete);
    detail_ = shell::dialogs::MakeButton(this, ui::U8("宛先詳細情報(&M)"), kIdcDetail);
    honorific_ = shell::dialogs::MakeButton(this, ui::U8("敬称一括追加(&T)"), kIdcHonorific);
    auto* personal = shell::dialogs::MakeButton(this, ui::U8("個人情報一覧(&P)"), kIdcPersonalList);
    setDestination_ = shell::dialogs::MakeButton(this, ui::U8("メールの宛先に設定(&S)"), kIdcSetDestination);
    auto* close = shell::dialogs::MakeButton(this, ui::U8("閉じる(&C)"), kIdcClose);
    auto* row1 = new QHBoxLayout;
    for (QPushButton* b : {newButton, edit_, delete_, detail_}) row1->addWidget(b);
    auto* row2 = new QHBoxLayout;
    for (QPushButton* b : {honorific_, personal}) row2->addWidget(b);
    row2->addStretch();
    commands->addLayout(row1);
    commands->addLayout(row2);
    bottom->addLayout(commands);
    bottom->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(setDestination_);
    right->addWidget(close);
    bottom->addLayout(right);
    column->addLayout(bottom);
    count_ = shell::dialogs::MakeLabel(this, QString(), kIdcCount);
    column->addWidget(count_);

    // The widths: a stored width of 0 or one outside 1-1000 takes the default.
    const std::string ini = EnvIni();
    for (int c = 0; c < 4; ++c) {
        int width = ini.empty() ? 0 : static_cast<int>(CIniManager::GetProfileIntA(ini, kAddressListSection, kWidthKeys[c].key, 0));
        if (width <= 0 || width > 1000) width = kWidthKeys[c].fallback;
        list_->setColumnWidth(c, width);
    }

    connect(newButton, &QPushButton::clicked, this, [this] { NewList(); });
    connect(edit_, &QPushButton::clicked, this, [this] { EditList(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteLists(); });
    connect(detail_, &QPushButton::clicked, this, [this] { ShowDetails(); });
    connect(honorific_, &QPushButton::clicked, this, [this] { AddHonorific(); });
    connect(personal, &QPushButton::clicked, this, [this] { OpenPersonalList(); });
    connect(setDestination_, &QPushButton::clicked, this, [this] { SetAsMailDestination(); });
    connect(close, &QPushButton::clicked, this, &CAddressBookDlg::reject);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid() || SelectedRows(list_).empty()) return;
        if (mode_ == kModeForMail) SetAsMailDestination();
        else EditList();
    });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!list_->indexAt(pos).isValid()) return;
        ContextMenu()->exec(list_->viewport()->mapToGlobal(pos));
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    ShowEntries();
}

CAddressBookDlg::~CAddressBookDlg() = default;

int CAddressBookDlg::DoModal() {
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CAddressBookDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || guidanceShown_) return;
    guidanceShown_ = true;
    if (!loadError_.isEmpty()) {
        QTimer::singleShot(0, this, [this] { ui::MessageBox(this, loadError_, ui::U8("アドレス帳エラー"), kExclamation); });
    }
    if (!wizardMode_) return;
    setWindowTitle(windowTitle() + ui::U8(" － ウィザードモード"));
    honorific_->setEnabled(false);
    if (QWidget* personal = ui::FindControl(this, kIdcPersonalList)) personal->setEnabled(false);
    QTimer::singleShot(0, this, [this] {
        ui::MessageBox(this, ui::U8("[新規宛先作成]ボタンをクリックして、宛先の抽出条件を設定してください。"), windowTitle(),
                       kInformation);
    });
}

void CAddressBookDlg::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && focusWidget() == list_) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAddressBookDlg::ShowEntries() {
    std::vector<ExtractViewData> entries;
    lists_.GetExtractList(entries);
    model_->SetEntries(std::move(entries));
    UpdateButtons();
}

void CAddressBookDlg::Reload() {
    if (lists_.WriteAllExtractListToFile() == 0)
        ui::MessageBox(this, ui::U8("アドレス帳の保存に失敗しました"), ui::U8("アドレス帳エラー"), kExclamation);
    ShowEntries();
}

void CAddressBookDlg::UpdateButtons() {
    const bool any = !SelectedRows(list_).empty();
    edit_->setEnabled(any);
    delete_->setEnabled(any);
    detail_->setEnabled(any);
    honorific_->setEnabled(any && !wizardMode_);
    setDestination_->setEnabled(any && mode_ == kModeForMail);
    count_->setText(ui::U8("宛先数：") + QStringLiteral(" %1").arg(model_->rowCount()) + ui::U8("件"));
}

QMenu* CAddressBookDlg::ContextMenu() {
    delete menu_;
    menu_ = new QMenu(this);
    auto add = [this](const char* text, int id, bool enabled, void (CAddressBookDlg::*command)()) {
        QAction* action = menu_->addAction(ui::U8(text));
        action->setObjectName(ui::ControlName(id));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
    };
    add("宛先編集(&E)", kIdcEdit, true, &CAddressBookDlg::EditList);
    add("宛先削除(&D)", kIdcDelete, true, &CAddressBookDlg::DeleteLists);
    menu_->addSeparator();
    add("宛先詳細情報(&C)", kIdcDetail, true, &CAddressBookDlg::ShowDetails);
    add("ﾒｰﾙの宛先に設定(&S)", kIdcSetDestination, mode_ == kModeForMail, &CAddressBookDlg::SetAsMailDestination);
    return menu_;
}

const ExtractViewData* CAddressBookDlg::OneSelected(const char* manyText, const char* manyCaption) {
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.size() > 1) {
        ui::MessageBox(this, ui::U8(manyText), ui::U8(manyCaption), kInformation);
        return nullptr;
    }
    return rows.empty() ? nullptr : model_->EntryAt(rows.front());
}

// ---- The lists ----------------------------------------------------------------------------

void CAddressBookDlg::NewList() {
    if (worker_.Busy()) return;
    int answer = platform::kIdCancel;
    {
        CExtractSheet sheet(&lists_, 1, -1, ui::U8("抽出条件設定"), this);
        sheet.SetWizardMode(wizardMode_);
        answer = sheet.DoModal();
    }
    Reload();
    if (wizardMode_ && answer == platform::kIdOk)
        ui::MessageBox(this,
                       ui::U8("宛先(の抽出条件)が[アドレス帳]に保存されました。\r\n"
                              "任意の宛先リストを選択して[メールの宛先に設定]をクリックしてください。"),
                       windowTitle(), kInformation);
}

void CAddressBookDlg::EditList() {
    if (worker_.Busy()) return;
    const ExtractViewData* entry =
        OneSelected("複数行の編集はできません\r\n一行のみを選択してください", "複数編集はできません");
    if (entry == nullptr) return;
    const int id = entry->id;
    {
        CExtractSheet sheet(&lists_, 1, id, ui::U8("抽出条件設定"), this);
        sheet.SetWizardMode(wizardMode_);
        sheet.DoModal();
    }
    Reload();
}

void CAddressBookDlg::DeleteLists() {
    if (worker_.Busy()) return;
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.empty()) return;
    const QString question = rows.size() == 1 ? ui::U8("宛先ID[") + QString::number(model_->EntryAt(rows.front())->id) +
                                                    ui::U8("]を削除します。よろしいですか？")
                                              : ui::U8("選択した宛先をすべて削除します。よろしいですか？");
    if (ui::MessageBox(this, question, ui::U8("宛先削除の確認"), kYesNoQuestion | ui::kMbDefButton2) != platform::kIdYes)
        return;
    // Only a mark: the list's condition and member files stay on disk.
    for (const int row : rows) lists_.DeleteExtractList(model_->EntryAt(row)->id);
    Reload();
}

void CAddressBookDlg::ShowDetails() {
    if (worker_.Busy()) return;
    const ExtractViewData* entry =
        OneSelected("複数行の宛先詳細表示はできません\r\n一行のみを選択してください", "複数表示はできません");
    if (entry == nullptr) return;
    CDestDetailDlg dialog(entry->id, 1, &lists_, this);
    dialog.DoModal();
}

void CAddressBookDlg::AddHonorific() {
    if (worker_.Busy()) return;
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.empty()) return;
    CHonorificDlg dialog(this);
    if (dialog.DoModal() != platform::kIdOk) return;
    for (const int row : rows) {
        if (lists_.CorrectExtractListPinPoint(dialog.GetName().c_str(), model_->EntryAt(row)->id, 4) == 0) {
            ui::MessageBox(this, ui::U8("アドレス帳の設定に失敗しました"), ui::U8("アドレス帳エラー"), kExclamation);
            return;
        }
    }
    Reload();
}

void CAddressBookDlg::OpenPersonalList() {
    if (worker_.Busy()) return;
    if (shell::CurrentRunMonitor().IsRunning()) {
        ui::MessageBox(this, ui::U8("送受信中は個人情報の変更ができません"), ui::U8("個人情報"), kInformation);
        return;
    }
    int created = 0;
    {
        shell::ScopedSchedulerPause pause(&shell::GetScheduler);
        CDBListDlg dialog(&lists_, &created, this);
        dialog.DoModal();
    }
    if (created != 0) Reload();
}

void CAddressBookDlg::reject() {
    if (worker_.Busy()) return;
    SaveWidths();
    QDialog::reject();
}

void CAddressBookDlg::SaveWidths() {
    const std::string ini = EnvIni();
    if (ini.empty()) return;
    for (int c = 0; c < 4; ++c)
        if (CIniManager::WriteProfileInt(ini, kAddressListSection, kWidthKeys[c].key, list_->columnWidth(c)) == 0) return;
}

// ---- Handing a list to a mail -------------------------------------------------------------

std::optional<bool> CAddressBookDlg::IsListOlder(int id) {
    // Changes made in memory (here, in the personal-information list, anywhere since the
    // last save) are not in the file yet. They are written first; and since the file's
    // time counts whole seconds, a list stamped in the same second as such a change could
    // pass for new: a book that held unsaved changes makes every list older.
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    bool unsaved = false;
    if (book != nullptr) {
        unsaved = book->IsChanged();
        shell::CDbSaveWaitDlg save(shell::CDbSaveWaitDlg::ProgramSave(), this);
        save.DoModal();
        if (save.SaveResult() != 0) unsaved = true;
    }
    EnvManager* env = shell::GetEnvManager();
    std::string bookTime;
    if (env == nullptr || GetFileStat_LastRenewalDate(env_layout::DatabaseFile(*env), bookTime) == 0) {
        ui::MessageBox(this, ui::U8("個人情報ファイルの最終更新日時取得に失敗しました"), ui::U8("ファイル情報取得失敗"),
                       kExclamation);
        return std::nullopt;
    }
    if (unsaved) return true;
    std::string listTime;
    lists_.GetExtractLaseUpdate(id, listTime);
    return ListOlderThanBook(listTime, bookTime);
}

void CAddressBookDlg::SetAsMailDestination() {
    if (worker_.Busy() || mode_ != kModeForMail) return;
    const ExtractViewData* picked = OneSelected(
        "複数の宛先をメールに設定することはできません\r\n１つの宛先のみを選択してください", "複数宛先の設定はできません");
    if (picked == nullptr) return;
    const ExtractViewData entry = *picked;
    const QString listName = ui::FromSjis(entry.name);

    if (targetMail_ != kNewMail) {
        COneMailData mail;
        CMailListViewer* mails = shell::GetMailListViewer();
        const bool stored = targetMail_ >= 0 && mails != nullptr && mails->GetMailData(targetMail_, mail) == 0;
        if (targetMail_ == kDuplicateMail || (stored && mail.GetSpecialAddressFlag() == "Y")) {
            if (ui::MessageBox(this,
                               ui::U8("このメールの宛先は、他のメールの送信履歴から作られた特殊な宛先です。\r\n"
                                      "宛先の再設定を行なうと、現在の特殊な宛先は削除されてしまい復活できません。\r\n"
                                      "よろしいですか？"),
                               ui::U8("特殊宛先変更確認"), kYesNoQuestion) != platform::kIdYes)
                return;
        }
        const QString question =
            targetMail_ == kDuplicateMail
                ? ui::U8("新規に作成する複製メールの宛先を\r\n宛先ID:%1[%2]に変更します。\r\n\r\nよろしいですか？")
                      .arg(entry.id)
                      .arg(listName)
                : ui::U8("メールID:%1[%2]の宛先を\r\n宛先ID:%3[%4]に変更します。\r\n\r\nよろしいですか？")
                      .arg(targetMail_)
                      .arg(ui::FromSjis(mail.GetMailTitle()))
                      .arg(entry.id)
                      .arg(listName);
        result_ = {entry.id, entry.name, entry.honorific};
        if (!wizardMode_ && ui::MessageBox(this, question, ui::U8("メール宛先変更の確認"),
                                           kYesNoQuestion | ui::kMbDefButton2) != platform::kIdYes)
            return;
        const std::optional<bool> older = IsListOlder(entry.id);
        if (!older) return;
        if (!*older) return Finish();
        const bool silent = RefreshWithoutAsking();
        if (!silent && ui::MessageBox(this, ui::U8(kRefreshQuestion), ui::U8("アドレス帳の宛先を最新状態にします"),
                                      kYesNoQuestion) != platform::kIdYes)
            return Finish();
        bool refreshed = false;
        {
            CDestRenewDlg renew(1, entry.id, this);
            renew.DoModal();
            refreshed = renew.IsRefreshed();
        }
        // A failed refresh was told by the refresh dialog; the stale list is not handed on.
        if (!refreshed) return;
        // The refresh wrote the list file: the rows show its new last update.
        lists_.SetExtractListFromFile(0, nullptr);
        ShowEntries();
        if (!silent) ui::MessageBox(this, ui::U8(kRefreshedText), ui::U8("宛先を最新にしました"), kInformation);
        return Finish();
    }

    if (ui::MessageBox(this, ui::U8("新規作成メールの宛先を\r\n[%1]に設定します。\r\n\r\nよろしいですか？").arg(listName),
                       ui::U8("メール宛先設定の確認"), kYesNoQuestion | ui::kMbDefButton2) != platform::kIdYes)
        return;
    result_ = {entry.id, entry.name, entry.honorific};
    const std::optional<bool> older = IsListOlder(entry.id);
    if (!older) return;
    if (!*older) return Finish();
    if (!RefreshWithoutAsking() && ui::MessageBox(this, ui::U8(kRefreshQuestion), ui::U8("アドレス帳の宛先を最新状態にします"),
                                                  kYesNoQuestion) != platform::kIdYes)
        return Finish();
    RefreshInPlace(entry.id);
}

void CAddressBookDlg::RefreshInPlace(int id) {
    refresher_ = std::make_unique<DestinationRefresher>(1, id, &lists_);
    refresher_->SetMessageOwner(this);
    if (!refresher_->Bind()) {
        ui::MessageBox(this, ui::U8("宛先詳細を表示するための基本情報設定に失敗しました"), ui::U8("宛先詳細情報エラー"),
                       kExclamation);
        return;
    }
    switch (refresher_->SetTypeAndID()) {
    case 0: break;
    case -1: ui::MessageBox(this, ui::U8("対象がメールの宛先で新規作成はあり得ない"), QString(), platform::kMbOk); return;
    case -2: ui::MessageBox(this, ui::U8("対象がメールの宛先で該当のメールIDがない"), QString(), platform::kMbOk); return;
    case -3: ui::MessageBox(this, ui::U8("対象がアドレス帳の宛先で該当の宛先IDがない"), QString(), platform::kMbOk); return;
    case -6: ui::MessageBox(this, ui::U8("対象モードが不正"), QString(), platform::kMbOk); return;
    default: ui::MessageBox(this, ui::U8("環境の設定がされていない"), QString(), platform::kMbOk); return;
    }
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The lines the destination-refresh dialog shows for a list.
    wait_->SetMessages(ui::U8("アドレス帳の宛先ID[%1]を最新にしています").arg(id),
                       ui::U8("条件により時間がかかる場合があります"), ui::U8("しばらくお待ちください"));
    wait_->Create(this);
    DestinationRefresher* refresher = refresher_.get();
    QWidget* owner = this;
    worker_.Start(
        this,
        [refresher, owner] {
            // A failed re-extraction leaves the members as they were and writes nothing.
            if (!refresher->ReExtract(kMailTypeAll)) return false;
            if (refresher->Result().WriteAllOnMemoryDBIDToFile() != 0) {
                ui::MessageBox(owner, ui::U8("宛先の保存に失敗しました"), ui::U8("抽出実行エラー"), kExclamation);
                return false;
            }
            return true;
        },
        [this, id](bool ok) {
            wait_->End();
            setEnabled(true);
            QGuiApplication::restoreOverrideCursor();
            if (!ok) return;
            // The list is as new as the book its re-extraction read.
            if (lists_.CorrectExtractListPinPoint(refresher_->StartTime().c_str(), id, 2) == 0) {
                ui::MessageBox(this, ui::U8("アドレス帳の設定に失敗しました"), ui::U8("アドレス帳エラー"), kExclamation);
                return;
            }
            if (lists_.WriteAllExtractListToFileCompel() == 0) {
                ui::MessageBox(this, ui::U8("アドレス帳の保存に失敗しました"), ui::U8("アドレス帳エラー"), kExclamation);
                return;
            }
            ShowEntries();
            ui::MessageBox(this, ui::U8(kRefreshedText), ui::U8("宛先を最新にしました"), kInformation);
            Finish();
        });
}

void CAddressBookDlg::Finish() { QDialog::done(QDialog::Accepted); }

}  // namespace addressui
