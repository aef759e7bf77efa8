#include "app/dialogs/dialog_parts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell::dialogs {

QLabel* MakeLabel(QWidget* parent, const QString& text, int id) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (id != 0) ui::SetControlId(label, id);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int id) {
    auto* button = ui::SetControlId(new QPushButton(text, parent), id);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, int id, bool password) {
    auto* edit = ui::SetControlId(new QLineEdit(parent), id);
    if (password) edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, int id) {
    return ui::SetControlId(new QCheckBox(text, parent), id);
}

void AddOkCancelRow(QBoxLayout* layout, QDialog* dialog, bool cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = MakeButton(dialog, ui::U8("OK"), kIdOk);
    ok->setDefault(true);
    row->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    if (cancel) {
        auto* c = MakeButton(dialog, ui::U8("キャンセル"), kIdCancel);
        row->addWidget(c);
        QObject::connect(c, &QPushButton::clicked, dialog, &QDialog::reject);
    }
    layout->addLayout(row);
}

void AddButtonRow(QBoxLayout* layout, std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons) row->addWidget(b);
    layout->addLayout(row);
}

QRadioButton* AddRadio(QWidget* parent, const char* utf8, int id) {
    auto* radio = ui::SetControlId(new QRadioButton(ui::U8(utf8), parent), id);
    parent->layout()->addWidget(radio);
    return radio;
}

int RunDialog(QDialog& dialog) { return dialog.exec() == QDialog::Accepted ? kIdOk : kIdCancel; }

void KeySwallower::Install(QWidget* root) {
    auto* filter = new KeySwallower(root);
    root->installEventFilter(filter);
    for (QWidget* child : root->findChildren<QWidget*>()) child->installEventFilter(filter);
}

bool KeySwallower::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        event->accept();  // taken here, so no shortcut of another window fires either
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return true;
    default:
        return false;
    }
}

}  // namespace shell::dialogs
