#include "app/addressui/extract_result_page.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <utility>
#include <vector>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/extract_wizard.h"
#include "app/addressui/recipient_page_list.h"
#include "app/addressui/result_dialog_hook.h"
#include "app/addressui/view_selection.h"
#include "app/ui/wait_cursor.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/extract_progress_dlg.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/date_utils.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

const char* const kAskForRun = "抽出を行ってください";
const char* const kRunning = "抽出中．．．";

}  // namespace

CExtractPageResult::CExtractPageResult(CExtractSheet* sheet, ExtractAction* action, ExtractResultDetail* result,
                                       QWidget* parent)
    : QWidget(parent), sheet_(sheet), action_(action), result_(result) {
    setObjectName(ui::DialogName(kIdd));
    auto* column = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* runColumn = new QVBoxLayout;
    runColumn->addWidget(new QLabel(ui::U8("↓※このﾎﾞﾀﾝで抽出をすると保存が可能になります"), this));
    run_ = shell::dialogs::MakeButton(this, ui::U8("抽出を実行をする"), kIdcRun);
    runColumn->addWidget(run_, 0, Qt::AlignLeft);
    top->addLayout(runColumn);
    top->addStretch(1);
    status_ = shell::dialogs::MakeLabel(this, QString(), kIdcStatus);
    status_->setMinimumWidth(status_->fontMetrics().horizontalAdvance(ui::U8("抽出件数は0000000件")) + 8);
    top->addWidget(status_, 0, Qt::AlignBottom);
    column->addLayout(top);

    model_ = new RecipientPageModel(this);
    list_ = ui::SetControlId(new QTableView(this), kIdcList);
    SetUpRecipientList(list_, model_);
    column->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    prev_ = shell::dialogs::MakeButton(this, ui::U8("↑前のページ"), kIdcPrevPage);
    next_ = shell::dialogs::MakeButton(this, ui::U8("↓次のページ"), kIdcNextPage);
    bottom->addWidget(prev_);
    bottom->addWidget(next_);
    bottom->addStretch(1);
    bottom->addWidget(new QLabel(ui::U8("より詳しい個人情報を見たいときにクリックしてください。ただし、編集はできません⇒"), this));
    detail_ = shell::dialogs::MakeButton(this, ui::U8("個人情報の詳細"), kIdcDetail);
    bottom->addWidget(detail_);
    column->addLayout(bottom);

    progress_ = new shell::CExtractProgressDlg(this);
    progress_->SetOwner(this);
    connect(progress_, &shell::CExtractProgressDlg::ExtractPause, this, [this] { OnPause(); });
    connect(progress_, &shell::CExtractProgressDlg::ExtractResume, this, [this] { OnResume(); });
    connect(progress_, &shell::CExtractProgressDlg::ExtractCancelled, this, [this] { OnCancelled(); });

    connect(run_, &QPushButton::clicked, this, [this] { Run(); });
    connect(prev_, &QPushButton::clicked, this, [this] { MovePage(-kPageRows); });
    connect(next_, &QPushButton::clicked, this, [this] { MovePage(kPageRows); });
    connect(detail_, &QPushButton::clicked, this, [this] { ShowDetails(); });
    connect(list_, &QTableView::doubleClicked, this, [this] { ShowDetails(); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { UpdateButtons(); });
}

CExtractPageResult::~CExtractPageResult() = default;

QString CExtractPageResult::GetStatusText() const { return status_->text(); }

void CExtractPageResult::SetStatus(const QString& text) { status_->setText(text); }

void CExtractPageResult::InitPage() {
    // A new list has no stored result yet; a list whose result cannot be read shows none
    // (and the result list refuses to write over that file until a complete run).
    result_->GetDBIDListFromFileToMemory(0, nullptr);
    SetStatus(ui::U8(kAskForRun));
    UpdateButtons();
}

void CExtractPageResult::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window brought back from the task bar is no new activation of the page.
    if (!event->spontaneous() && !IsRunning()) OnSetActive();
}

void CExtractPageResult::OnSetActive() { ShowCurrentResult(); }

void CExtractPageResult::ShowCurrentResult() {
    start_ = 0;
    end_ = kPageRows - 1;
    if (sheet_->IsChanged()) {
        SetStatus(ui::U8(kAskForRun));
        model_->Clear();
    } else {
        count_ = result_->GetRecordNumber();
        SetStatus(ui::U8("抽出件数：%1件").arg(count_));
        FillPage();
    }
    UpdateButtons();
}

void CExtractPageResult::Run() {
    if (IsRunning()) return;
    SaveRecipientColumnWidths(list_);
    control_.Set(kExtractRunning);
    const int answer = ui::MessageBox(this, ui::U8("抽出を実行します\n数分かかる可能性がありますがよろしいでしょうか？"),
                                      ui::U8("抽出実行の確認"), platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer != platform::kIdYes) {
        ui::MessageBox(this,
                       ui::U8("抽出は行われませんでした。\n抽出条件及び抽出結果の保存は、\n"
                              "一度抽出を実行してから可能となります。"),
                       ui::U8("抽出のキャンセル"), platform::kMbOk | platform::kMbIconInformation);
        UpdateButtons();
        return;
    }
    // The result list itself is replaced only by a complete run (extract_run.h).
    model_->Clear();
    SetStatus(ui::U8(kRunning));
    sheet_->BeginBusy();
    sheet_->RecordRunStart(GetNowDateTime());
    // The window is the page's child: disabling the sheet disabled it too, and its cancel
    // button must stay usable.
    progress_->setEnabled(true);
    progress_->SetMessages(ui::U8("ただいま抽出中です"), ui::U8("件数、複雑さにより時間がかかる場合があります"),
                           ui::U8("しばらくお待ちください"));
    progress_->Create(this);
    worker_.Start(
        this,
        [action = action_, result = result_, control = &control_] {
            return RunExtractionKeepingResult(*action, *result, [control] { return control->Checkpoint(); });
        },
        [this](ExtractRunOutcome outcome) { RunEnded(std::move(outcome)); });
    UpdateButtons();
}

void CExtractPageResult::OnPause() {
    SetStatus(ui::U8("抽出停止中"));
    control_.Set(kExtractRunPaused);
}

void CExtractPageResult::OnResume() {
    SetStatus(ui::U8(kRunning));
    control_.Set(kExtractRunning);
    if (pending_) {
        ExtractRunOutcome outcome = std::move(*pending_);
        pending_.reset();
        RunEnded(std::move(outcome));
    }
}

void CExtractPageResult::OnCancelled() {
    SetStatus(ui::U8("抽出中止"));
    control_.Set(kExtractRunCancelled);
    sheet_->SetChanged(true);
    UpdateButtons();
    if (pending_) {
        // The run had ended while the user was asked; the user's cancel stands.
        pending_.reset();
        ExtractRunOutcome cancelled;
        cancelled.code = 1;
        RunEnded(cancelled);
    }
}

void CExtractPageResult::RunEnded(ExtractRunOutcome outcome) {
    if (control_.Get() == kExtractRunPaused) {
        // The cancel question is open: its answer decides.
        pending_ = std::move(outcome);
        return;
    }
    progress_->End();
    sheet_->EndBusy();
    if (outcome.Done() && control_.Get() == kExtractRunning) {
        Completed();
        return;
    }
    if (outcome.code < 0) {
        QString text = ui::U8("抽出条件を適用できなかったため、抽出を中止しました\r\n抽出結果は変更していません");
        if (!outcome.error.empty()) text += QStringLiteral("\r\n\r\n") + ui::FromSjis(outcome.error);
        ui::MessageBox(this, text, ui::U8("抽出実行エラー"), platform::kMbOk | platform::kMbIconWarning);
        ShowCurrentResult();
        if (!sheet_->IsChanged()) return;
    } else {
        sheet_->SetChanged(true);
        ui::MessageBox(this,
                       ui::U8("抽出の途中で処理を停止しました\r\n抽出結果を保存するには、再度抽出を実行し\r\n"
                              "抽出を完全に完了してください"),
                       ui::U8("抽出中止"), platform::kMbOk | platform::kMbIconInformation);
    }
    SetStatus(ui::U8(kAskForRun));
    UpdateButtons();
}

void CExtractPageResult::Completed() {
    SetStatus(ui::U8("抽出完了"));
    count_ = result_->GetRecordNumber();
    ShowResultDialog(this, ui::U8("抽出が完了しました"), ui::U8("抽出件数は%1件でした").arg(count_),
                     ui::U8("OKボタンをクリックすると結果の一覧が表示されます"));
    SetStatus(ui::U8("抽出件数は%1件").arg(count_));
    start_ = 0;
    end_ = kPageRows - 1;
    sheet_->SetChanged(false);
    FillPage();
    UpdateButtons();
    if (sheet_->IsWizardMode()) {
        ui::MessageBox(this,
                       ui::U8("[OK]ボタンをクリックします。\r\n宛先の名称を入力し、[決定]ボタンをクリックしてください。"),
                       sheet_->windowTitle(), platform::kMbOk | platform::kMbIconInformation);
    }
}

void CExtractPageResult::FillPage() {
    ShowRecipientPage(*result_, start_, end_, list_, model_);
    UpdateButtons();
}

void CExtractPageResult::MovePage(int rows) {
    if (start_ + rows < 0) return;
    start_ += rows;
    end_ += rows;
    ui::WaitCursor wait;
    FillPage();
}

void CExtractPageResult::UpdateButtons() {
    const bool changed = sheet_->IsChanged();
    prev_->setEnabled(!changed && start_ != 0);
    next_->setEnabled(!changed && end_ < count_ - 1);
    detail_->setEnabled(!SelectedRows(list_).empty());
}

void CExtractPageResult::ShowDetails() { ShowSelectedRecipientDetails(this, list_, model_); }

}  // namespace addressui
