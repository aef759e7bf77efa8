#include "app/settings/result_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {

CResultDlg::CResultDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("結果の表示"));
    auto* column = new QVBoxLayout(this);
    const int ids[3] = {kIdcLine1, kIdcLine2, kIdcLine3};
    for (int k = 0; k < 3; ++k) {
        labels_[k] = shell::dialogs::MakeLabel(this, QString(), ids[k]);
        labels_[k]->setMinimumWidth(labels_[k]->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
        labels_[k]->setMinimumHeight(labels_[k]->fontMetrics().height());
        column->addWidget(labels_[k]);
    }
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = shell::dialogs::MakeButton(this, ui::U8("OK"), shell::dialogs::kIdOk);
    ok->setFocusPolicy(Qt::NoFocus);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addStretch();
    column->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &CResultDlg::accept);
}

void CResultDlg::SetResultLines(const QString& first, const QString& second, const QString& third) {
    lines_[0] = first;
    lines_[1] = second;
    lines_[2] = third;
}

int CResultDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

void CResultDlg::showEvent(QShowEvent* event) {
    for (int k = 0; k < 3; ++k) labels_[k]->setText(lines_[k]);
    // The lines arrive after the dialog took its size: a longer line widens it.
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
    QDialog::showEvent(event);
}

}  // namespace settings
