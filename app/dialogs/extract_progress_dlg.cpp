#include "app/dialogs/extract_progress_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace shell {
namespace {

const char* const kCancelText = "処理の中止";

}  // namespace

CExtractProgressDlg::CExtractProgressDlg(QWidget* parent)
    : ProgressDialogBase(kIdd, {kIdcLine1, kIdcLine2, kIdcLine3}, parent) {
    setWindowTitle(ui::U8("処理中につき、しばらくお待ちください"));
    setCursor(Qt::WaitCursor);
    cancel_ = AddButton(ui::U8(kCancelText), kIdcCancel);
    connect(cancel_, &QPushButton::clicked, this, &CExtractProgressDlg::OnCancel);
}

void CExtractProgressDlg::ResetControls() {
    cancel_->setEnabled(true);
    cancel_->setText(ui::U8(kCancelText));
}

void CExtractProgressDlg::OnCancel() {
    emit ExtractPause();
    const int answer = ui::MessageBox(
        owner_ ? owner_ : this,
        ui::U8("抽出を途中で中止した場合は、抽出結果の保存ができません\r\n"
               "ただし、再度、抽出をすることで保存が可能となります\r\n"
               "抽出を中止してよろしいですか？\r\n\r\n"
               "（抽出の中止にはしばらく時間がかかる場合があります）"),
        ui::U8("抽出中止の確認"), platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    if (answer != platform::kIdYes) {
        emit ExtractResume();
        return;
    }
    cancel_->setEnabled(false);
    LineLabel(0)->setText(ui::U8("抽出の中止処理をしています"));
    LineLabel(1)->setText(ui::U8("時間がかかる場合があります"));
    LineLabel(2)->setText(ui::U8("しばらくお待ちください"));
    cancel_->setText(ui::U8("中止処理をしています"));
    emit ExtractCancelled();
}

}  // namespace shell
