#include "app/htmledit/file_list_setting_dlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/mailtext/text_utils.h"
#include "app/sendrecv/report_view.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

FileListSettingDlg::FileListSettingDlg(Frame frame, QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(frame.dialogId));
    setWindowTitle(ui::U8(frame.title));
    resize(frame.width, frame.height);

    auto* column = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    list_ = MakeReportView(this, frame.listId, false);
    model_ = new ReportRowsModel(this);
    model_->Reset(std::move(frame.columns), {}, std::move(frame.rowTexts));
    list_->setModel(model_);
    ApplyColumnWidths(list_, frame.columnWidths);
    body->addWidget(list_, 1);
    auto* side = new QVBoxLayout;
    add_ = shell::dialogs::MakeButton(this, ui::U8(frame.addText), frame.addId);
    delete_ = shell::dialogs::MakeButton(this, ui::U8("削除"), kIdcDelete);
    side->addWidget(add_);
    side->addWidget(delete_);
    side->addStretch(1);
    body->addLayout(side);
    column->addLayout(body, 1);

    auto* bottom = new QHBoxLayout;
    notice_ = ui::SetControlId(new QPlainTextEdit(this), kIdcNotice);
    notice_->setReadOnly(true);
    notice_->setFixedHeight(notice_->fontMetrics().lineSpacing() * frame.noticeLines + 12);
    bottom->addWidget(notice_, 1);
    bottom->addWidget(shell::dialogs::MakeLabel(this, ui::U8("計")), 0, Qt::AlignTop);
    total_ = ui::SetControlId(new QLineEdit(this), kIdcTotal);
    total_->setReadOnly(true);
    total_->setAlignment(Qt::AlignRight);
    total_->setFixedWidth(100);
    bottom->addWidget(total_, 0, Qt::AlignTop);
    column->addLayout(bottom);
    shell::dialogs::AddOkCancelRow(column, this, true);

    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

int FileListSettingDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

bool FileListSettingDlg::Exceeds(std::uint64_t total, std::uint64_t size, std::uint64_t maximum) {
    return total > maximum || size > maximum - total;
}

QString FileListSettingDlg::WithCommas(std::uint64_t number) {
    return QString::fromStdString(compose::FormatNumberWithCommas(number));
}

void FileListSettingDlg::ShowRows(std::size_t count) {
    std::vector<int> keys(count);
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int>(i);
    model_->ResetKeys(std::move(keys));
}

void FileListSettingDlg::ShowTotal(std::uint64_t total) { total_->setText(WithCommas(total)); }

void FileListSettingDlg::ShowNotice(const QString& text) { notice_->setPlainText(text); }

bool FileListSettingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        if (watched == list_ || watched == list_->viewport()) OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace htmledit
