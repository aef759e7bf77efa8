#include "app/compose/confirm_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "app/sendrecv/list_column_widths.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/ini_manager.h"
#include "platform/notifier.h"

namespace compose {

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

CConfirmDialog::CConfirmDialog(QWidget* parent) : QDialog(parent), caption_(ui::U8("確認")) {
    setObjectName(ui::DialogName(kIdd));
}

int CConfirmDialog::DoModal() {
    const std::string ini = OpenEnvironmentIniPath();
    std::string shown = "Y";
    if (!ini.empty()) CIniManager::GetProfileStringA(ini, kSection, ui::ToSjis(keyName_), shown, "Y");
    if (shown == "N") return platform::kIdOk;
    Build();
    return exec() == platform::kIdOk ? platform::kIdOk : platform::kIdCancel;
}

void CConfirmDialog::Build() {
    setWindowTitle(caption_);
    resize(width_, height_);
    if (dontShow_ != nullptr) return;
    auto* column = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* icon = ui::SetControlId(new QLabel(this), kIdcIcon);
    QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
    if (style_ & kStyleStop) pixmap = QStyle::SP_MessageBoxCritical;
    else if (style_ & kStyleQuestion) pixmap = QStyle::SP_MessageBoxQuestion;
    else if (style_ & kStyleInformation) pixmap = QStyle::SP_MessageBoxInformation;
    if (pixmap != QStyle::SP_CustomBase) {
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
    }
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icon->setMinimumWidth(40);
    body->addWidget(icon);
    QLabel* message = MakeLabel(this, message_, kIdcMessage);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    body->addWidget(message, 1);
    column->addLayout(body, 1);

    dontShow_ = shell::dialogs::MakeCheckBox(this, ui::U8("以後、このダイアログを表示しない"), kIdcDontShow);
    column->addWidget(dontShow_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(20);
    buttons->addStretch(1);
    QPushButton* ok = MakeButton(this, ui::U8("OK"), shell::dialogs::kIdOk);
    QPushButton* cancel = MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    column->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CConfirmDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CConfirmDialog::reject);
    if (style_ & kStyleOkCancel) {
        cancel->setDefault(true);
        cancel->setFocus();
    } else {
        cancel->hide();
        ok->setDefault(true);
        ok->setFocus();
    }
    // The caller's size fits the message it expects; a longer one (a long destination name
    // in it, a larger font) makes the dialog taller rather than hiding its last lines.
    if (column->hasHeightForWidth()) resize(width_, std::max(height_, column->totalHeightForWidth(width_)));
}

void CConfirmDialog::accept() {
    const std::string ini = OpenEnvironmentIniPath();
    if (!ini.empty())
        CIniManager::WriteProfileStringA(ini, kSection, ui::ToSjis(keyName_).c_str(),
                                         dontShow_ != nullptr && dontShow_->isChecked() ? "N" : "Y");
    done(platform::kIdOk);
}

void CConfirmDialog::reject() { done(platform::kIdCancel); }

}  // namespace compose
