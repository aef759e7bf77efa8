#include "app/settings/auto_reg_setting_dlg.h"

#include <QLabel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/validation.h"

namespace settings {
namespace {

constexpr char16_t kFullWidthSpace = u'\u3000';

bool AsciiSpace(QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

using shell::dialogs::AddRadio;

}  // namespace

CAutoRegSettingDlg::CAutoRegSettingDlg(OptionCopy* options, QWidget* parent)
    : COptionDlg(kIdd, "自動登録・自動解除の設定", options, parent) {
    auto* reg = new QGroupBox(ui::U8("空メール登録"), this);
    new QHBoxLayout(reg);
    registerOn_ = AddRadio(reg, "設定する", kIdcRegisterOn);
    registerOff_ = AddRadio(reg, "設定しない", kIdcRegisterOff);
    auto* release = new QGroupBox(ui::U8("キーワード解除"), this);
    auto* releaseColumn = new QVBoxLayout(release);
    auto* radios = new QWidget(release);
    new QHBoxLayout(radios);
    radios->layout()->setContentsMargins(0, 0, 0, 0);
    keywordOn_ = AddRadio(radios, "設定する", kIdcKeywordOn);
    keywordOff_ = AddRadio(radios, "設定しない", kIdcKeywordOff);
    releaseColumn->addWidget(radios);
    auto* keywordRow = new QHBoxLayout;
    keyword_ = shell::dialogs::MakeEdit(release, kIdcKeyword);
    keywordRow->addWidget(shell::dialogs::MakeLabel(release, ui::U8("キーワード")));
    keywordRow->addWidget(keyword_);
    releaseColumn->addLayout(keywordRow);
    Body()->addWidget(reg);
    Body()->addWidget(release);
    AddButtons();
    for (QRadioButton* r : {keywordOn_, keywordOff_}) connect(r, &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
}

QString CAutoRegSettingDlg::TrimKeyword(const QString& keyword) {
    qsizetype begin = 0, end = keyword.size();
    while (begin < end && AsciiSpace(keyword[begin])) ++begin;
    while (begin < end && keyword[begin] == kFullWidthSpace) {
        ++begin;
        while (begin < end && AsciiSpace(keyword[begin])) ++begin;
    }
    while (end > begin && AsciiSpace(keyword[end - 1])) --end;
    while (end > begin && keyword[end - 1] == kFullWidthSpace) {
        --end;
        while (end > begin && AsciiSpace(keyword[end - 1])) --end;
    }
    return keyword.mid(begin, end - begin);
}

QString CAutoRegSettingDlg::KeywordCodeFault(const std::string& keyword) {
    int noHalfKana = 1, noDependent = 1, allValid = 1;
    if (CheckMailBodyCharacterCode(keyword, noHalfKana, noDependent, allValid) == 1) return QString();
    // A flag that dropped to 0 names a kind that was found.
    QString text;
    if (noHalfKana == 0) text += ui::U8("・半角カタカナ\r\n");
    if (noDependent == 0) text += ui::U8("・機種依存文字\r\n");
    if (allValid == 0) text += ui::U8("・SJISの外字文字\r\n");
    // A text cut inside a character stops the scan before any flag drops.
    if (text.isEmpty()) text += ui::U8("・SJISの外字文字\r\n");
    return text + ui::U8("が含まれています\r\n");
}

void CAutoRegSettingDlg::ExchangeOptions(bool load) {
    if (load) {
        LoadRadios(Options(), kSlotRegister, {{registerOn_, "Y"}, {registerOff_, "N"}});
        LoadRadios(Options(), kSlotKeywordOn, {{keywordOn_, "Y"}, {keywordOff_, "N"}});
        keyword_->setText(SlotText(Options(), kSlotKeyword));
        return;
    }
    StoreRadios(Options(), kSlotRegister, {{registerOn_, "Y"}, {registerOff_, "N"}});
    StoreRadios(Options(), kSlotKeywordOn, {{keywordOn_, "Y"}, {keywordOff_, "N"}});
    SetSlot(Options(), kSlotKeyword, keyword_->text());
}

void CAutoRegSettingDlg::UpdateEnabling() { keyword_->setEnabled(keywordOn_->isChecked()); }

bool CAutoRegSettingDlg::CheckInput() {
    keyword_->setText(TrimKeyword(keyword_->text()));
    if (!keywordOn_->isChecked()) return true;
    const QString title = windowTitle() + ui::U8("入力エラー");
    if (keyword_->text().isEmpty()) {
        Refuse(ui::U8("キーワードが入力されていません。"), title, kIdcKeyword);
        return false;
    }
    const QString fault = KeywordCodeFault(ui::ToSjis(keyword_->text()));
    if (!fault.isEmpty()) {
        Refuse(fault, title, kIdcKeyword);
        return false;
    }
    return true;
}

}  // namespace settings
