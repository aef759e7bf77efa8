#include "app/addressui/extra_attributes_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/addressui/record_control_ids.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/sjis_text.h"

namespace addressui {

using shell::dialogs::MakeEdit;
using shell::dialogs::MakeLabel;

ExtraAttributesPanel::ExtraAttributesPanel(const ExtraAttributeGroup& group, bool editable, QWidget* parent)
    : QWidget(parent), group_(group) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        const auto k = static_cast<std::size_t>(i);
        names_[k] = MakeEdit(this, group.nameControls + i);
        values_[k] = MakeEdit(this, group.valueControls[k]);
        for (QLineEdit* e : {names_[k], values_[k]}) e->setReadOnly(true);
        names_[k]->setFocusPolicy(Qt::NoFocus);
        names_[k]->setMinimumWidth(150);
        values_[k]->setMinimumWidth(260);
        grid->addWidget(names_[k], i, 0);
        grid->addWidget(values_[k], i, 1);
    }
    column->addLayout(grid);

    auto* row = new QHBoxLayout;
    auto* changeNote = MakeLabel(this, ui::U8("※データ変更⇒"), group.changeNote);
    change_ = shell::dialogs::MakeButton(this, ui::U8(group.changeButton), ids::kChangeButton);
    row->addStretch(1);
    row->addWidget(changeNote);
    row->addWidget(change_);
    column->addLayout(row);
    auto* nameNote = MakeLabel(this, ui::U8("(拡張属性項目名称はシステム設定で変更ができます)"), group.nameNote);
    nameNote->setAlignment(Qt::AlignRight);
    column->addWidget(nameNote);
    column->addStretch(1);
    for (QWidget* w : {static_cast<QWidget*>(changeNote), static_cast<QWidget*>(change_),
                       static_cast<QWidget*>(nameNote)})
        w->setVisible(editable);
    connect(change_, &QPushButton::clicked, this, &ExtraAttributesPanel::ChangeRequested);
}

void ExtraAttributesPanel::ShowNames(const std::vector<std::string>* names) {
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        const auto n = static_cast<std::size_t>(group_.first + i);
        names_[static_cast<std::size_t>(i)]->setText(names && n < names->size() ? ui::FromSjis((*names)[n]) : QString());
    }
}

void ExtraAttributesPanel::ShowValues(const OneCustomer* record) {
    for (int i = 0; i < kAttributesPerGroup; ++i) {
        QLineEdit* e = values_[static_cast<std::size_t>(i)];
        e->setText(record ? ui::FromSjis(record->Extra[static_cast<std::size_t>(group_.first + i)]) : QString());
        e->setCursorPosition(0);
    }
}

}  // namespace addressui
