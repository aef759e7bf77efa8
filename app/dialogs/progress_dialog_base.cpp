#include "app/dialogs/progress_dialog_base.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/environment/program_keys.h"
#include "app/ui/control_ids.h"

namespace shell {

ProgressDialogBase::ProgressDialogBase(int idd, const std::array<int, 3>& lineIds, QWidget* parent)
    : QDialog(parent) {
    setObjectName(ui::DialogName(idd));
    setWindowTitle(QString::fromUtf8(kProductName));
    setAttribute(Qt::WA_ShowWithoutActivating);
    column_ = new QVBoxLayout(this);
    column_->setSizeConstraint(QLayout::SetFixedSize);
    column_->setContentsMargins(24, 18, 24, 18);
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        labels_[i] = dialogs::MakeLabel(this, QString(), lineIds[i]);
        labels_[i]->setAlignment(Qt::AlignCenter);
        // An empty line keeps its height and the lines their width, so the window does not
        // jump while the texts change.
        labels_[i]->setMinimumHeight(labels_[i]->fontMetrics().height());
        labels_[i]->setMinimumWidth(labels_[i]->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
        column_->addWidget(labels_[i]);
    }
}

QPushButton* ProgressDialogBase::AddButton(const QString& text, int id) {
    auto* button = dialogs::MakeButton(this, text, id);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    row->addStretch(1);
    column_->addSpacing(8);
    column_->addLayout(row);
    return button;
}

void ProgressDialogBase::SetMessages(const QString& line1, const QString& line2, const QString& line3) {
    lines_ = {line1, line2, line3};
}

void ProgressDialogBase::Create(QWidget* owner) {
    if (owner != nullptr && owner != parentWidget()) setParent(owner, windowFlags());
    for (std::size_t i = 0; i < labels_.size(); ++i) labels_[i]->setText(lines_[i]);
    ResetControls();
    created_ = true;
    show();
}

void ProgressDialogBase::End() {
    if (!created_) return;
    created_ = false;
    hide();
}

}  // namespace shell
