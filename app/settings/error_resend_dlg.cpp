#include "app/settings/error_resend_dlg.h"

#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace settings {
namespace {

// The interval list: its texts and the minutes they stand for.
struct IntervalItems {
    std::vector<std::string> shown, minutes;
    IntervalItems() {
        for (int m = 10; m <= 50; m += 10) Add(std::to_string(m) + "分", m);
        for (int h = 1; h <= 23; ++h) Add(std::to_string(h) + "時間", 60 * h);
        for (int d = 1; d <= 3; ++d) Add(std::to_string(d) + "日", 1440 * d);
    }
    void Add(const std::string& text, int value) {
        shown.push_back(text);
        minutes.push_back(std::to_string(value));
    }
};

}  // namespace

CErrorResendDlg::CErrorResendDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "エラーメール再送信の設定", options, parent) {
    resend_ = shell::dialogs::MakeCheckBox(this, ui::U8("エラーメールを元に再送信処理を行う"), kIdcResend);
    group_ = new QGroupBox(ui::U8("エラーメール"), this);
    auto* grid = new QGridLayout(group_);
    count_ = ui::SetControlId(new QComboBox(group_), kIdcCount);
    for (int n = 1; n <= 10; ++n) count_->addItem(QString::number(n));
    interval_ = ui::SetControlId(new QComboBox(group_), kIdcInterval);
    static const IntervalItems items;
    std::vector<const char*> shown, minutes;
    for (std::size_t i = 0; i < items.shown.size(); ++i) {
        shown.push_back(items.shown[i].c_str());
        minutes.push_back(items.minutes[i].c_str());
    }
    FillValueList(interval_, shown, minutes);
    grid->addWidget(shell::dialogs::MakeLabel(group_, ui::U8("再送信回数")), 0, 0);
    grid->addWidget(count_, 0, 1);
    grid->addWidget(shell::dialogs::MakeLabel(group_, ui::U8("再送信間隔")), 1, 0);
    grid->addWidget(interval_, 1, 1);
    grid->setColumnStretch(2, 1);
    Body()->addWidget(resend_);
    Body()->addWidget(group_);
    AddButtons();
    connect(resend_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
}

void CErrorResendDlg::ExchangeOptions(bool load) {
    if (load) {
        LoadCheck(Options(), kSlotResend, resend_);
        if (SelectFirstStartingWith(count_, SlotText(Options(), kSlotCount)) < 0) count_->setCurrentIndex(2);
        SelectValue(interval_, SlotText(Options(), kSlotInterval), QStringLiteral("60"));
        return;
    }
    StoreCheck(Options(), kSlotResend, resend_);
    SetSlot(Options(), kSlotCount, QString::number(count_->currentIndex() + 1));
    SetSlot(Options(), kSlotInterval, SelectedValue(interval_));
}

void CErrorResendDlg::UpdateEnabling() { group_->setEnabled(resend_->isChecked()); }

}  // namespace settings
