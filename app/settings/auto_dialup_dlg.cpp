#include "app/settings/auto_dialup_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/settings/dialup_entries.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {
namespace {

using shell::dialogs::MakeCheckBox;
using shell::dialogs::MakeEdit;
using shell::dialogs::MakeLabel;

QComboBox* NumberList(QWidget* parent, int id, int last) {
    auto* list = ui::SetControlId(new QComboBox(parent), id);
    for (int n = 0; n <= last; ++n) list->addItem(QString::number(n));
    return list;
}

// A list of value texts: the first item that begins with the slot's text, else item 0.
void LoadListText(const OptionCopy* options, int slot, QComboBox* list) {
    if (SelectFirstStartingWith(list, SlotText(options, slot)) < 0) list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

}  // namespace

CAutoDialupDlg::CAutoDialupDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "自動ダイアルアップの設定", options, parent) {
    autoDial_ = MakeCheckBox(this, ui::U8("メールの送信時、自動でダイアルアップを行う"), kIdcAutoDial);
    group_ = new QGroupBox(ui::U8("自動ダイアルアップ"), this);
    auto* grid = new QGridLayout(group_);
    connection_ = ui::SetControlId(new QComboBox(group_), kIdcConnection);
    std::vector<std::string> entries;
    FillRasEntryList(entries);
    for (const std::string& name : entries) connection_->addItem(ui::FromSjis(name));
    grid->addWidget(MakeLabel(group_, ui::U8("接続名")), 0, 0);
    grid->addWidget(connection_, 0, 1, 1, 3);

    saveAccount_ = MakeCheckBox(group_, ui::U8("ユーザIDと\nパスワードを保存する"), kIdcSaveAccount);
    user_ = MakeEdit(group_, kIdcUser);
    password_ = MakeEdit(group_, kIdcPassword, true);
    passwordAgain_ = MakeEdit(group_, kIdcPasswordAgain, true);
    grid->addWidget(saveAccount_, 1, 0, 1, 4);
    grid->addWidget(MakeLabel(group_, ui::U8("ユーザID")), 2, 0);
    grid->addWidget(user_, 2, 1, 1, 3);
    grid->addWidget(MakeLabel(group_, ui::U8("パスワード")), 3, 0);
    grid->addWidget(password_, 3, 1, 1, 3);
    grid->addWidget(MakeLabel(group_, ui::U8("パスワードの再入力")), 4, 0);
    grid->addWidget(passwordAgain_, 4, 1, 1, 3);

    hangUp_ = MakeCheckBox(group_, ui::U8("送信終了後、ダイアルアップ接続を自動で切断"), kIdcHangUp);
    hours_ = MakeCheckBox(group_, ui::U8("ダイアルアップ可能な時間帯を指定する"), kIdcHours);
    grid->addWidget(hangUp_, 5, 0, 1, 4);
    grid->addWidget(hours_, 6, 0, 1, 4);
    fromHour_ = NumberList(group_, kIdcFromHour, 23);
    fromMinute_ = NumberList(group_, kIdcFromMinute, 59);
    toHour_ = NumberList(group_, kIdcToHour, 23);
    toMinute_ = NumberList(group_, kIdcToMinute, 59);
    auto* times = new QHBoxLayout;
    auto addLabel = [&](const char* text) {
        timeLabels_.push_back(MakeLabel(group_, ui::U8(text)));
        times->addWidget(timeLabels_.back());
    };
    times->addWidget(fromHour_);
    addLabel("時");
    times->addWidget(fromMinute_);
    addLabel("分");
    addLabel("から");
    times->addWidget(toHour_);
    addLabel("時");
    times->addWidget(toMinute_);
    addLabel("分");
    addLabel("まで");
    times->addStretch();
    grid->addLayout(times, 7, 0, 1, 4);

    Body()->addWidget(autoDial_);
    Body()->addWidget(group_);
    AddButtons();

    connect(autoDial_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    connect(saveAccount_, &QCheckBox::clicked, this, &CAutoDialupDlg::OnSaveAccountClicked);
    connect(hours_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    connect(hangUp_, &QCheckBox::clicked, this, &CAutoDialupDlg::OnHangUpClicked);
}

void CAutoDialupDlg::ExchangeOptions(bool load) {
    OptionCopy* o = Options();
    const std::pair<int, QComboBox*> times[] = {
        {kSlotFromHour, fromHour_}, {kSlotFromMinute, fromMinute_}, {kSlotToHour, toHour_}, {kSlotToMinute, toMinute_}};
    if (load) {
        LoadCheck(o, kSlotAutoDial, autoDial_);
        LoadListText(o, kSlotConnection, connection_);
        user_->setText(SlotText(o, kSlotUser));
        password_->setText(SlotText(o, kSlotPassword));
        passwordAgain_->setText(SlotText(o, kSlotPassword));
        LoadCheck(o, kSlotSaveAccount, saveAccount_);
        LoadCheck(o, kSlotHangUp, hangUp_);
        LoadCheck(o, kSlotHours, hours_);
        for (const auto& [slot, list] : times) LoadListText(o, slot, list);
        return;
    }
    StoreCheck(o, kSlotAutoDial, autoDial_);
    // An empty phone book chooses nothing: the connection named before is kept.
    if (connection_->currentIndex() >= 0) SetSlot(o, kSlotConnection, connection_->currentText());
    SetSlot(o, kSlotUser, user_->text());
    SetSlot(o, kSlotPassword, password_->text());
    StoreCheck(o, kSlotSaveAccount, saveAccount_);
    StoreCheck(o, kSlotHangUp, hangUp_);
    StoreCheck(o, kSlotHours, hours_);
    for (const auto& [slot, list] : times) SetSlot(o, slot, list->currentText());
}

void CAutoDialupDlg::UpdateEnabling() {
    const bool on = autoDial_->isChecked();
    group_->setEnabled(on);
    for (QLineEdit* e : {user_, password_, passwordAgain_}) e->setEnabled(on && saveAccount_->isChecked());
    const bool hours = on && hours_->isChecked();
    for (QComboBox* l : {fromHour_, fromMinute_, toHour_, toMinute_}) l->setEnabled(hours);
    for (QLabel* l : timeLabels_) l->setEnabled(hours);
}

void CAutoDialupDlg::OnSaveAccountClicked() {
    if (!saveAccount_->isChecked()) {
        user_->clear();
        password_->clear();
        passwordAgain_->clear();
    }
    UpdateEnabling();
}

void CAutoDialupDlg::OnHangUpClicked() {
    if (hangUp_->isChecked()) return;
    const int answer = ui::MessageBox(this,
                                      ui::U8("このチェックを外すと、送受信が正常終了、またはエラー終了しても\r\n"
                                             "自動ではダイアルアップを終了しません\r\nチェックを外してもよろしいですか？"),
                                      ui::U8("ダイアルアップ自動切断の設定"),
                                      platform::kMbOkCancel | platform::kMbIconQuestion);
    if (answer == platform::kIdCancel) hangUp_->setChecked(true);
}

bool CAutoDialupDlg::CheckInput() {
    if (!autoDial_->isChecked()) return true;
    const QString title = ui::U8("自動ﾀﾞｲｱﾙｱｯﾌﾟ入力ｴﾗｰ");
    if (connection_->currentIndex() < 0 || connection_->currentText().isEmpty()) {
        Refuse(ui::U8("使用するダイヤルアップ接続が入力されていません。"), title, kIdcConnection);
        return false;
    }
    if (saveAccount_->isChecked()) {
        if (user_->text().isEmpty()) {
            Refuse(ui::U8("接続時のユーザIDが入力されていません。"), title, kIdcUser);
            return false;
        }
        if (password_->text().isEmpty()) {
            Refuse(ui::U8("接続時のパスワードが入力されていません。"), title, kIdcPassword);
            return false;
        }
        if (password_->text() != passwordAgain_->text()) {
            Refuse(ui::U8("接続時のパスワードと再入力されたパスワードが一致しません。"), title, kIdcPasswordAgain);
            return false;
        }
    }
    if (hours_->isChecked() && fromHour_->currentIndex() == toHour_->currentIndex() &&
        fromMinute_->currentIndex() == toMinute_->currentIndex()) {
        Refuse(ui::U8("自動ダイアルアップの開始時間と終了時間が同じです"), title, kIdcFromHour);
        return false;
    }
    return true;
}

}  // namespace settings
