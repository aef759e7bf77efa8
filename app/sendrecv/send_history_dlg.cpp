#include "app/sendrecv/send_history_dlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/sendrecv/list_column_widths.h"
#include "app/sendrecv/mail_record_helpers.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/scheduler_control.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/addressbook/database_edit.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

namespace {

struct WidthKey {
    const char* section;
    const char* key;
    int fallback;
};
// The widths of the nine columns; the first five are the address-book list's.
constexpr WidthKey kWidthKeys[SendHistory::kColumns] = {
    {"COLUMNWIDTH", "0", 75},           {"COLUMNWIDTH", "1", 130},         {"COLUMNWIDTH", "2", 60},
    {"COLUMNWIDTH", "3", 60},           {"COLUMNWIDTH", "6", 160},         {"HISTORYLISTINFO", "STATEW", 70},
    {"HISTORYLISTINFO", "RETRYNUM", 70}, {"HISTORYLISTINFO", "OPENFLAG", 70}, {"HISTORYLISTINFO", "LASTUPDATE", 140},
};

CSendHistoryDlg::RecordViewerHook& RecordViewer() {
    static CSendHistoryDlg::RecordViewerHook hook;
    return hook;
}
CSendHistoryDlg::ExportHeaderHook& ExportHeader() {
    static CSendHistoryDlg::ExportHeaderHook hook;
    return hook;
}

using ui::kInformation;

}  // namespace

CSendHistoryDlg::RecordViewerHook CSendHistoryDlg::SetRecordViewerHook(RecordViewerHook hook) {
    return std::exchange(RecordViewer(), std::move(hook));
}

CSendHistoryDlg::ExportHeaderHook CSendHistoryDlg::SetExportHeaderHook(ExportHeaderHook hook) {
    return std::exchange(ExportHeader(), std::move(hook));
}

CSendHistoryDlg::CSendHistoryDlg(const COneMailData& mail, QWidget* parent) : QDialog(parent), mail_(mail) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("送信履歴"));
    resize(860, 520);

    auto* column = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    head->addWidget(MakeLabel(this, ui::U8("メールID：")));
    head->addWidget(MakeLabel(this, ui::FromSjis(GetMailIDText(mail_)), kIdcMailId));
    head->addSpacing(16);
    head->addWidget(MakeLabel(this, ui::U8("件名：")));
    head->addWidget(MakeLabel(this, ui::FromSjis(GetMailTitleText(mail_)), kIdcTitle), 1);
    column->addLayout(head);

    auto* status = new QHBoxLayout;
    count_ = MakeLabel(this, QString(), kIdcCount);
    status->addWidget(count_);
    status->addStretch(1);
    status->addWidget(MakeLabel(this, ui::U8("詳しい個人情報の確認ができますが、編集はできません")));
    column->addLayout(status);

    list_ = MakeReportView(this, kIdcList, true);
    model_ = new ReportRowsModel(this);
    std::vector<ReportRowsModel::Column> columns;
    for (int c = 0; c < SendHistory::kColumns; ++c)
        columns.push_back({ui::U8(SendHistory::Titles()[static_cast<std::size_t>(c)]), c == 0 || c == 6});
    model_->Reset(std::move(columns), {}, [this](int key) { return pageTexts_[static_cast<std::size_t>(key)]; });
    list_->setModel(model_);
    ApplyColumnWidths(list_, LoadWidths());
    column->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    previous_ = MakeButton(this, ui::U8("↑前のページ"), kIdcPrevious);
    next_ = MakeButton(this, ui::U8("↓次のページ"), kIdcNext);
    detail_ = MakeButton(this, ui::U8("個人情報の詳細"), kIdcDetail);
    resetErrors_ = MakeButton(this, ui::U8("エラーになったアドレスを送付可に戻す"), kIdcResetErrors);
    export_ = MakeButton(this, ui::U8("エクスポート"), kIdcExport);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), kIdcClose);
    for (QPushButton* b : {previous_, next_, detail_, resetErrors_, export_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);

    connect(previous_, &QPushButton::clicked, this, [this] { ShowPage(first_ - SendHistory::kPageRows); });
    connect(next_, &QPushButton::clicked, this, [this] { ShowPage(first_ + SendHistory::kPageRows); });
    connect(detail_, &QPushButton::clicked, this, &CSendHistoryDlg::ShowDetail);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) ShowDetail();
    });
    connect(resetErrors_, &QPushButton::clicked, this, &CSendHistoryDlg::ResetErrors);
    connect(export_, &QPushButton::clicked, this, &CSendHistoryDlg::Export);
    connect(close, &QPushButton::clicked, this, &CSendHistoryDlg::Close);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CSendHistoryDlg::UpdateButtons);
    UpdateButtons();
}

CSendHistoryDlg::~CSendHistoryDlg() {
    if (worker_.joinable()) worker_.join();
}

std::vector<int> CSendHistoryDlg::LoadWidths() const {
    const std::string ini = OpenEnvironmentIniPath();
    std::vector<int> widths;
    for (const WidthKey& k : kWidthKeys) widths.push_back(ReadListColumnWidth(ini, k.section, k.key, k.fallback));
    return widths;
}

int CSendHistoryDlg::DoModal() {
    if (!history_.Bind(shell::GetEnvManager(), shell::GetSystemOption(), shell::GetDatabaseEdit(),
                       shell::GetMailListViewer()))
        ui::MessageBox(this, ui::U8("環境の設定に失敗しました。"), QString(), platform::kMbOk);
    if (history_.SetMailID(mail_.GetMailID()) != 0)
        ui::MessageBox(this, ui::U8("メールIDのセットに失敗しました。"), QString(), platform::kMbOk);
    QTimer::singleShot(0, this, &CSendHistoryDlg::StartRead);
    exec();
    return platform::kIdCancel;
}

// ---- Workers ----------------------------------------------------------------------------

void CSendHistoryDlg::RunWorker(const QStringList& lines, std::function<void()> work, std::function<void()> done) {
    if (worker_.joinable()) return;
    setEnabled(false);
    if (!wait_) wait_ = std::make_unique<shell::CWaitDlg>();
    wait_->SetMessages(lines.value(0), lines.value(1), lines.value(2));
    wait_->Create(this);
    workerDone_ = std::move(done);
    worker_ = std::thread([this, work = std::move(work)] {
        work();
        // Queued to this dialog: dropped if the dialog is gone by then (its destructor
        // joins this thread first).
        QMetaObject::invokeMethod(this, &CSendHistoryDlg::FinishWorker, Qt::QueuedConnection);
    });
}

void CSendHistoryDlg::FinishWorker() {
    if (worker_.joinable()) worker_.join();
    if (wait_) wait_->End();
    setEnabled(true);
    if (auto done = std::exchange(workerDone_, {})) done();
}

void CSendHistoryDlg::StartRead() {
    RunWorker({ui::U8("履歴情報を読み込んでいます"), ui::U8("情報件数により時間がかかる場合があります"),
               ui::U8("しばらくお待ちください")},
              [this] { readResult_ = history_.Read(); }, [this] { ReadDone(readResult_); });
}

void CSendHistoryDlg::ReadDone(int result) {
    hasRead_ = true;
    const char* closing = nullptr;
    switch (result) {
    case -23: closing = "データ異常（項目数など）"; break;
    case -22: closing = "ファイルがカラ"; break;
    case -13: closing = "メールIDが設定されていない"; break;
    case -1: closing = "EnvManagerが設定されていない"; break;
    default: break;
    }
    if (closing != nullptr) {
        ui::MessageBox(this, ui::U8(closing), QString(), platform::kMbOk);
        done(platform::kIdCancel);
        return;
    }
    if (result == -21) {
        ui::MessageBox(this, ui::U8("このメールには送信履歴がありません\n送信履歴は、送信動作をした場合に作成されます"),
                       ui::U8("送信履歴はありません"), kInformation);
    } else if (result < 0) {
        // The file is there but could not be read (no key, a read error): an empty list
        // would say that the mail went to nobody.
        ui::MessageBox(this, ui::FromSjis(history_.Viewer().GetErrMsg().GetLastMsg()), QString(), platform::kMbOk);
        done(platform::kIdCancel);
        return;
    }
    total_ = result == -21 ? 0 : history_.Total();
    SetUpPage();
}

// ---- Pages --------------------------------------------------------------------------------

void CSendHistoryDlg::SetUpPage() {
    history_.Page(first_, last_, page_);
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    pageTexts_.clear();
    pageTexts_.reserve(page_.size());
    pageHasError_ = false;
    for (const HistorySet& row : page_) {
        QStringList texts;
        for (const std::string& t : SendHistory::Texts(row, book)) texts.push_back(ui::FromSjis(t));
        pageTexts_.push_back(std::move(texts));
        if (row.state == "E") pageHasError_ = true;
    }
    std::vector<int> keys(page_.size());
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int>(i);
    model_->ResetKeys(std::move(keys));
    count_->setText(ui::U8("送信履歴件数： %1%2").arg(total_).arg(ui::U8("件")));
    UpdateButtons();
}

void CSendHistoryDlg::UpdateButtons() {
    export_->setEnabled(total_ != 0);
    resetErrors_->setEnabled(pageHasError_);
    previous_->setEnabled(first_ != 0);
    next_->setEnabled(last_ < total_ - 1);
    detail_->setEnabled(SelectedRows(list_).size() == 1);
}

void CSendHistoryDlg::ShowPage(int first) {
    if (first < 0 || first >= total_) return;
    first_ = first;
    last_ = first + SendHistory::kPageRows - 1;
    SetUpPage();
    list_->scrollToTop();
}

void CSendHistoryDlg::ShowDetail() {
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.size() > 1) {
        ui::MessageBox(this,
                       ui::U8("詳細を表示する個人情報が複数選択されています。\r\n一度に表示できる詳細情報は、一件のみです。"),
                       ui::U8("複数選択不可"), kInformation);
        return;
    }
    if (rows.size() != 1) return;
    const int customerId = page_[static_cast<std::size_t>(model_->KeyAt(rows.front()))].customerID;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr || book->DBID2RowNumber(customerId) < 0) return;
    if (RecordViewerHook hook = RecordViewer())
        hook(this, customerId, ui::U8("個人情報－詳細確認（編集はできません）"));
}

// ---- Bulk change and export --------------------------------------------------------------

void CSendHistoryDlg::ResetErrors() {
    const int answer = ui::MessageBox(
        this,
        ui::U8("送信履歴内の送信エラーになっているメールアドレスのDM送付可否フラグをNからYに一括変更します。\r\n"
               "ただし、送信履歴上のエラー表示は変更されません。\r\n\r\nよろしいですか？"),
        ui::U8("送信エラーの一括変更"), platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    if (answer != platform::kIdYes) return;
    // No send run starts while the address book is being changed under it.
    pause_ = std::make_unique<shell::ScopedSchedulerPause>(&shell::GetScheduler);
    RunWorker({ui::U8("DM送信可否フラグを書き換えています"), ui::U8("情報件数により時間がかかる場合があります"),
               ui::U8("しばらくお待ちください")},
              [this] { bulk_ = history_.ResetErrorRecipients(); },
              [this] {
                  pause_.reset();
                  if (bulk_.ok)
                      ui::MessageBox(this, ui::U8("変更が完了しました。"), ui::U8("変更の完了"), kInformation);
                  else
                      ui::MessageBox(this, ui::FromSjis(bulk_.error), ui::U8("DM送信可否フラグ変更失敗"),
                                     platform::kMbOk | platform::kMbIconWarning);
              });
}

void CSendHistoryDlg::Export() {
    bool header = true;
    {
        ui::WaitCursor wait;
        if (ExportHeaderHook hook = ExportHeader()) {
            const std::optional<bool> choice = hook(this);
            if (!choice) return;
            header = *choice;
        }
    }
    ui::FileRequest request;
    request.save = true;
    request.fileName = QStringLiteral("*.csv");
    request.filter = ui::U8("ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||");
    request.defaultExt = QStringLiteral("csv");
    request.overwritePrompt = true;
    const std::optional<QString> file = ui::CurrentFilePicker().PickFile(this, request);
    if (!file || file->isEmpty()) {
        ui::MessageBox(this, ui::U8("ファイル名が指定されませんでしたので\r\nエクスポートをキャンセルしました"),
                       ui::U8("エクスポート中止"), kInformation);
        return;
    }
    const std::string path = ui::ToPath(*file);
    RunWorker({ui::U8("CSVファイルを書き出しています"), ui::U8("件数により時間がかかる場合があります"),
               ui::U8("しばらくお待ちください")},
              [this, path, header] { exportWritten_ = history_.Export(path, header); },
              [this] {
                  if (exportWritten_)
                      ui::MessageBox(this, ui::U8("エクスポートが完了しました"), ui::U8("エクスポート完了"), kInformation);
                  else
                      ui::MessageBox(this, ui::U8("何らかの原因でエクスポートに失敗しました"), ui::U8("エクスポート失敗"),
                                     platform::kMbOk | platform::kMbIconWarning);
              });
}

// ---- Closing ------------------------------------------------------------------------------

void CSendHistoryDlg::Close() {
    if (IsBusy()) return;
    const std::string ini = OpenEnvironmentIniPath();
    const std::vector<int> widths = ColumnWidths(list_);
    for (std::size_t c = 0; c < widths.size() && c < std::size(kWidthKeys); ++c)
        WriteListColumnWidth(ini, kWidthKeys[c].section, kWidthKeys[c].key, widths[c]);
    done(platform::kIdCancel);
}

void CSendHistoryDlg::reject() {
    // The dialog cannot be left while a worker uses its history.
    if (!IsBusy()) done(platform::kIdCancel);
}

void CSendHistoryDlg::closeEvent(QCloseEvent* event) {
    if (IsBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
