#include "app/settings/split_send_dlg.h"

#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace settings {

CSplitSendDlg::CSplitSendDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "件数分割送信の設定", options, parent) {
    split_ = shell::dialogs::MakeCheckBox(this, ui::U8("件数を分割して送信する"), kIdcSplit);
    group_ = new QGroupBox(ui::U8("分割送信設定"), this);
    auto* row = new QHBoxLayout(group_);
    count_ = MakeDigitsEdit(group_, kIdcCount, 4);
    interval_ = ui::SetControlId(new QComboBox(group_), kIdcInterval);
    FillValueList(interval_,
                  {"10秒", "20秒", "30秒", "40秒", "50秒", "1分", "2分", "3分", "4分", "5分", "6分", "7分", "8分", "9分", "10分"},
                  {"10", "20", "30", "40", "50", "60", "120", "180", "240", "300", "360", "420", "480", "540", "600"});
    row->addWidget(count_);
    row->addWidget(shell::dialogs::MakeLabel(group_, ui::U8("件を")));
    row->addWidget(interval_);
    row->addWidget(shell::dialogs::MakeLabel(group_, ui::U8("おきに送信する")));
    row->addStretch();
    Body()->addWidget(split_);
    Body()->addWidget(group_);
    AddButtons();
    connect(split_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
}

void CSplitSendDlg::ExchangeOptions(bool load) {
    if (load) {
        LoadCheck(Options(), kSlotSplit, split_);
        count_->setText(SlotText(Options(), kSlotCount));
        SelectValue(interval_, SlotText(Options(), kSlotInterval), QStringLiteral("10"));
        return;
    }
    StoreCheck(Options(), kSlotSplit, split_);
    SetSlot(Options(), kSlotCount, count_->text());
    // No pause chosen (only possible with the split off) keeps the slot's text.
    if (interval_->currentIndex() >= 0) SetSlot(Options(), kSlotInterval, SelectedValue(interval_));
}

void CSplitSendDlg::UpdateEnabling() { group_->setEnabled(split_->isChecked()); }

bool CSplitSendDlg::CheckInput() {
    if (!split_->isChecked()) return true;
    const QString title = ui::U8("件数分割送信入力エラー");
    if (count_->text().isEmpty()) {
        Refuse(ui::U8("件数が入力されていません。"), title, kIdcCount);
        return false;
    }
    const long long count = LeadingNumber(count_->text());
    if (count < 1 || count > 999) {
        Refuse(ui::U8("分割件数は1～999(半角数値)のみ有効です"), title, kIdcCount);
        return false;
    }
    count_->setText(QString::number(count));
    if (interval_->currentIndex() < 0) {
        Refuse(ui::U8("分割送信間隔が入力されていません。"), title, kIdcInterval);
        return false;
    }
    return true;
}

}  // namespace settings
