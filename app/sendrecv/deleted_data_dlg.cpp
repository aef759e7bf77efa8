#include "app/sendrecv/deleted_data_dlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/sendrecv/list_column_widths.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/scheduler_control.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/addressbook/database_edit.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

namespace {

struct ListColumn {
    const char* title;
    const char* section;
    const char* key;
    int fallback;
};

// Columns of each kind with the ini key their width is kept under.
const std::vector<ListColumn>& ColumnsOf(int kind) {
    static const std::vector<ListColumn> people = {
        {"個人情報ID", "COLUMNWIDTH", "0", 75},  {"メールアドレス", "COLUMNWIDTH", "1", 130},
        {"名前(姓)", "COLUMNWIDTH", "2", 60},    {"名前(名)", "COLUMNWIDTH", "3", 60},
        {"会社名", "COLUMNWIDTH", "6", 160},     {"登録日時", "COLUMNWIDTH", "54", 140},
        {"更新日時", "COLUMNWIDTH", "55", 140}};
    static const std::vector<ListColumn> mails = {
        {"メールID", "MAINWINDOWINFO", "MAILIDW", 70},          {"件名", "MAINWINDOWINFO", "TITLEW", 120},
        {"宛先", "MAINWINDOWINFO", "ADDRESSW", 100},            {"種類", "MAINWINDOWINFO", "MAILTYPEW", 60},
        {"送信予約日時", "MAINWINDOWINFO", "RESERVEDATEW", 120}, {"作成日時", "MAINWINDOWINFO", "ENTRYDATEW", 120},
        {"更新日時", "MAINWINDOWINFO", "RENEWALDATEW", 120}};
    static const std::vector<ListColumn> lists = {{"宛先ID", "ADDRESSLISTINFO", "EXTRACTIDW", 50},
                                                  {"宛先名称", "ADDRESSLISTINFO", "EXTRACTNAMEW", 100},
                                                  {"宛先詳細最終更新日", "ADDRESSLISTINFO", "RENEWALDATEW", 140},
                                                  {"敬称", "ADDRESSLISTINFO", "HONORIFICW", 60}};
    return kind == kDeletedMails ? mails : kind == kDeletedDestinations ? lists : people;
}

struct KindTexts {
    const char* prefix;    // of the one-row question
    const char* several;   // the several-rows question
    const char* caption;
    const char* waitLine;  // first line of the please-wait window
};
constexpr KindTexts kKindTexts[] = {
    {"個人情報ID ", "選択した個人情報をすべて復旧します。よろしいですか？", "削除済み個人情報復旧の確認",
     "削除した個人情報を復旧しています"},
    {"メールID ", "選択したメールをすべて復旧します。よろしいですか？", "削除済みメール復旧の確認",
     "削除したメールを復旧しています"},
    {"アドレス帳の宛先ID ", "選択したアドレス帳の宛先をすべて復旧します。よろしいですか？",
     "アドレス帳の削除済み宛先復旧の確認", "削除したアドレス帳の宛先を復旧しています"},
};
constexpr int kEraseWork = 3;

constexpr unsigned kQuestion = platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2;
using ui::kExclamation;

}  // namespace

CDeletedDataDlg::CDeletedDataDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("削除データ一覧"));
    resize(820, 460);

    lists_.SetEnvManager(shell::GetEnvManager(), 1);
    stores_.book = shell::GetDatabaseEdit();
    stores_.mails = shell::GetMailListViewer();
    stores_.lists = shell::GetEnvManager() != nullptr ? &lists_ : nullptr;

    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    kindBox_ = ui::SetControlId(new QComboBox(this), kIdcKind);
    for (const char* name : {"個人情報", "メール", "アドレス帳の宛先"}) kindBox_->addItem(ui::U8(name));
    top->addWidget(kindBox_);
    top->addWidget(MakeLabel(this, ui::U8("※表示対象のデータです\n「個人情報」「メール」「アドレス帳の宛先」から選んでください")), 1);
    column->addLayout(top);

    list_ = MakeReportView(this, kIdcList, true);
    model_ = new ReportRowsModel(this);
    list_->setModel(model_);
    column->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    QPushButton* restore = MakeButton(this, ui::U8("復旧（元に戻す）"), kIdcRestore);
    erase_ = MakeButton(this, ui::U8("データを完全削除する"), kIdcErase);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), shell::dialogs::kIdCancel);
    buttons->addWidget(restore);
    buttons->addWidget(erase_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);

    connect(kindBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        kind_ = index;
        LoadList();
    });
    connect(restore, &QPushButton::clicked, this, &CDeletedDataDlg::Restore);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) Restore();
    });
    connect(erase_, &QPushButton::clicked, this, &CDeletedDataDlg::Erase);
    connect(close, &QPushButton::clicked, this, &CDeletedDataDlg::reject);

    ui::WaitCursor wait;
    LoadList();
}

CDeletedDataDlg::~CDeletedDataDlg() = default;

int CDeletedDataDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

void CDeletedDataDlg::reject() { done(platform::kIdCancel); }

void CDeletedDataDlg::LoadList() {
    erase_->setEnabled(kind_ == kDeletedPeople);
    const std::string ini = OpenEnvironmentIniPath();
    std::vector<ReportRowsModel::Column> columns;
    std::vector<int> widths;
    for (const ListColumn& c : ColumnsOf(kind_)) {
        columns.push_back({ui::U8(c.title), false});
        widths.push_back(ReadListColumnWidth(ini, c.section, c.key, c.fallback));
    }
    const int kind = kind_;
    model_->Reset(std::move(columns), ListDeletedIds(kind, stores_), [this, kind](int id) {
        QStringList texts;
        for (const std::string& t : DeletedRowTexts(kind, id, stores_)) texts.push_back(ui::FromSjis(t));
        return texts;
    });
    ApplyColumnWidths(list_, widths);
}

std::vector<int> CDeletedDataDlg::SelectedIds() const {
    std::vector<int> ids;
    for (int row : SelectedRows(list_)) ids.push_back(model_->KeyAt(row));
    return ids;
}

int CDeletedDataDlg::Ask(const QString& text, const QString& caption) {
    return ui::MessageBox(this, text, caption, kQuestion);
}

void CDeletedDataDlg::Tell(const QString& text, const QString& caption) {
    ui::MessageBox(this, text, caption, kExclamation);
}

void CDeletedDataDlg::BeginWork(int kind) {
    setEnabled(false);
    if (!wait_) wait_ = std::make_unique<shell::CWaitDlg>();
    const char* first = kind == kEraseWork ? "個人情報を完全に削除しています" : kKindTexts[kind].waitLine;
    wait_->SetMessages(ui::U8(first), ui::U8("件数により時間がかかる場合があります"), ui::U8("しばらくお待ちください"));
    wait_->Create(this);
    // Let the window paint before the work holds the GUI thread.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CDeletedDataDlg::EndWork() {
    if (wait_) wait_->End();
    setEnabled(true);
}

void CDeletedDataDlg::Restore() {
    const std::vector<int> ids = SelectedIds();
    if (ids.empty()) return;
    const KindTexts& t = kKindTexts[kind_];
    const QString question = ids.size() == 1
                                 ? ui::U8(t.prefix) + QString::number(ids.front()) + ui::U8(" を復旧します。よろしいですか？")
                                 : ui::U8(t.several);
    if (Ask(question, ui::U8(t.caption)) != platform::kIdYes) return;
    shell::ScopedSchedulerPause pause(&shell::GetScheduler);
    ui::WaitCursor cursor;
    BeginWork(kind_);
    switch (kind_) {
    case kDeletedPeople: RestorePeople(ids); break;
    case kDeletedMails: RestoreMails(ids); break;
    case kDeletedDestinations: RestoreDestinations(ids); break;
    default: break;
    }
    EndWork();
}

void CDeletedDataDlg::RestorePeople(const std::vector<int>& ids) {
    bool failed = stores_.book == nullptr;
    if (!failed) {
        // The selection reaches the disk in one commit, before anything is told.
        CDatabaseEdit::ChangeGroup group(*stores_.book);
        for (int id : ids)
            if (stores_.book->UnDeleteCustomer(id) != 0) {
                failed = true;
                break;
            }
        if (group.Commit() != 0) failed = true;
    }
    if (failed) {
        Tell(ui::U8("何らかの原因で個人情報の復旧に失敗しました"), ui::U8("削除個人情報の復旧失敗"));
        return;
    }
    LoadList();
}

void CDeletedDataDlg::RestoreMails(const std::vector<int>& ids) {
    CMailListViewer* mails = stores_.mails;
    for (int id : ids) {
        if (mails == nullptr || mails->UnDeleteMailData(id) != 0) {
            Tell(ui::U8("何らかの原因でメールの復旧に失敗しました"), ui::U8("削除済みメールの復旧失敗"));
            continue;
        }
        COneMailData mail;
        if (mails->GetMailData(id, mail) == 0) RequestMailRowRefreshOrAppend(mail);
    }
    if (mails == nullptr || mails->WriteMailList(0) != 0)
        Tell(ui::U8("何らかの原因でメールの保存に失敗しました"), ui::U8("メールの保存失敗"));
    LoadList();
}

void CDeletedDataDlg::RestoreDestinations(const std::vector<int>& ids) {
    for (int id : ids) {
        if (stores_.lists == nullptr || stores_.lists->UnDeleteExtractList(id) == 0) {
            Tell(ui::U8("何らかの原因でアドレス帳の宛先復旧に失敗しました"), ui::U8("アドレス帳の削除済み宛先の復旧失敗"));
            return;
        }
        if (stores_.lists->WriteAllExtractListToFile() == 0) {
            Tell(ui::U8("何らかの原因でアドレス帳の宛先の保存に失敗しました"), ui::U8("アドレス帳の宛先の保存失敗"));
            return;
        }
    }
    LoadList();
}

void CDeletedDataDlg::Erase() {
    if (kind_ != kDeletedPeople) return;
    const std::vector<int> ids = SelectedIds();
    if (ids.empty()) return;
    const QString question =
        ids.size() == 1
            ? ui::U8("個人情報ID ") + QString::number(ids.front()) +
                  ui::U8(" を完全に抹消します。\r\nこの個人情報は、メールアドレスを含めて空文字になります。\r\n"
                         "復旧は一切できなくなります。\r\n\r\n本当によろしいですか？")
            : ui::U8("削除済みデータ一覧にある個人情報を完全に消去します。\r\n"
                     "対象の個人情報は、メールアドレスを含めて空文字になります。\r\n"
                     "復旧は一切できなくなります。\r\n\r\n本当によろしいですか？");
    if (Ask(question, ui::U8("個人情報物理削除の確認")) != platform::kIdYes) return;
    shell::ScopedSchedulerPause pause(&shell::GetScheduler);
    ui::WaitCursor cursor;
    BeginWork(kEraseWork);
    std::size_t failures = ids.size();
    if (stores_.book != nullptr) {
        // The selection reaches the disk in one commit, before anything is told.
        CDatabaseEdit::ChangeGroup group(*stores_.book);
        failures = 0;
        for (int id : ids)
            if (stores_.book->PhysicalDeletion(id) != 0) ++failures;
        if (group.Commit() != 0 && failures == 0) failures = 1;
    }
    for (std::size_t i = 0; i < failures; ++i)
        Tell(ui::U8("何らかの原因で個人情報の物理削除に失敗しました"), ui::U8("個人情報の物理削除失敗"));
    LoadList();
    EndWork();
}
