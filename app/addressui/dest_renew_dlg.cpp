#include "app/addressui/dest_renew_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/addressui/dest_reextract.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/environment/program_keys.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {

CDestRenewDlg::CDestRenewDlg(int kind, int id, QWidget* parent) : QDialog(parent), kind_(kind), id_(id) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(QString::fromUtf8(shell::kProductName));
    setCursor(Qt::WaitCursor);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(24, 18, 24, 18);
    const QString first = kind == 1 ? ui::U8("アドレス帳の宛先ID[%1]を最新にしています").arg(id)
                                    : ui::U8("メールID[%1]の宛先を最新にしています").arg(id);
    const QString lines[] = {first, ui::U8("条件により時間がかかる場合があります"), ui::U8("しばらくお待ちください")};
    const int ids[] = {kIdcLine1, kIdcLine2, kIdcLine3};
    for (int i = 0; i < 3; ++i) {
        QLabel* label = shell::dialogs::MakeLabel(this, lines[i], ids[i]);
        label->setAlignment(Qt::AlignCenter);
        column->addWidget(label);
    }
    shell::dialogs::KeySwallower::Install(this);
}

CDestRenewDlg::~CDestRenewDlg() = default;

int CDestRenewDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

void CDestRenewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // The scheduler is held while the refresh works and then left as it was found, so a
    // hold of an outer screen is not lifted here.
    shell::SchedulerControl* scheduler = shell::GetScheduler();
    const bool held = scheduler != nullptr;
    const bool wasEnabled = held && scheduler->IsEnabled();
    if (held) scheduler->SetEnabled(false);
    worker_.Start(
        this, [kind = kind_, id = id_, owner = static_cast<QWidget*>(this)] { return RenewDestination(kind, id, owner); },
        [this, held, wasEnabled](bool refreshed) {
            if (shell::SchedulerControl* s = held ? shell::GetScheduler() : nullptr) s->SetEnabled(wasEnabled);
            refreshed_ = refreshed;
            finished_ = true;
            QDialog::reject();
        });
}

void CDestRenewDlg::reject() {
    if (finished_) QDialog::reject();
}

void CDestRenewDlg::closeEvent(QCloseEvent* event) {
    if (!finished_) event->ignore();
}

}  // namespace addressui
