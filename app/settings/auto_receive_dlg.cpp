#include "app/settings/auto_receive_dlg.h"

#include <QLabel>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/sjis_text.h"

namespace settings {

CAutoReceiveDlg::CAutoReceiveDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "自動受信の設定", options, parent) {
    autoReceive_ = shell::dialogs::MakeCheckBox(this, ui::U8("自動受信設定をする"), kIdcAutoReceive);
    group_ = new QGroupBox(ui::U8("自動受信設定"), this);
    auto* row = new QHBoxLayout(group_);
    minutes_ = MakeDigitsEdit(group_, kIdcMinutes, 2);
    row->addWidget(minutes_);
    row->addWidget(shell::dialogs::MakeLabel(group_, ui::U8("分ごとに受信する")));
    row->addStretch();
    Body()->addWidget(autoReceive_);
    Body()->addWidget(group_);
    AddButtons();
    connect(autoReceive_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
}

void CAutoReceiveDlg::ExchangeOptions(bool load) {
    if (load) {
        LoadCheck(Options(), kSlotAutoReceive, autoReceive_);
        minutes_->setText(SlotText(Options(), kSlotMinutes));
        return;
    }
    StoreCheck(Options(), kSlotAutoReceive, autoReceive_);
    SetSlot(Options(), kSlotMinutes, minutes_->text());
}

void CAutoReceiveDlg::UpdateEnabling() { group_->setEnabled(autoReceive_->isChecked()); }

bool CAutoReceiveDlg::CheckInput() {
    if (!autoReceive_->isChecked()) return true;
    const QString title = ui::U8("自動受信入力エラー");
    if (minutes_->text().isEmpty()) {
        Refuse(ui::U8("自動受信間隔が入力されていません"), title, kIdcMinutes);
        return false;
    }
    const long long minutes = LeadingNumber(minutes_->text());
    if (minutes < 1 || minutes > 99) {
        Refuse(ui::U8("自動受信間隔は1～99(半角数値)のみ有効です"), title, kIdcMinutes);
        return false;
    }
    minutes_->setText(QString::number(minutes));
    return true;
}

}  // namespace settings
