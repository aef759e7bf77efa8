#include "app/settings/system_sheet.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/settings/option_pages.h"
#include "app/settings/required_items_page.h"
#include "app/settings/send_receive_detail_page.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace settings {
namespace {

constexpr int kSlotLayout = 89;

// The store's own error text (Shift_JIS in the store), or the one of no store at all.
QString StoreError(SystemOption* store) {
    std::string text;
    if (store != nullptr)
        text = store->GetErrMsg().GetLastMsg();
    else
        CErrMsg::GetErrMsgFromDefined(4001, text);
    return ui::FromSjis(text);
}

}  // namespace

CSystemSheet::CSystemSheet(SystemOption* options, const QString& caption, QWidget* parent, int selectPage)
    : CVarnisPropertySheet(caption, parent, selectPage), store_(options) {
    main_ = new CSystemMain;
    smtp_ = new CSystemSMTP;
    transOption_ = new CSystemTransOption;
    mail_ = new CSystemMail;
    unity_ = new CSystemUnity;

    copy_.resize(kOptionSlots);
    readResult_ = store_ != nullptr ? store_->GetSODataFromMemoryToAllData(copy_) : -1;
    copy_.resize(kOptionSlots);
    MigrateOptions(copy_);

    main_->SetOptions(&copy_);
    smtp_->SetOptions(&copy_);
    smtp_->SetMainPage(main_);
    transOption_->SetOptions(&copy_);
    mail_->SetOptions(&copy_);
    unity_->SetOptions(&copy_);

    AddPage(main_, ui::U8("必須項目"));
    AddPage(smtp_, ui::U8("送受信設定詳細"));
    AddPage(transOption_, ui::U8("送受信オプション"));
    AddPage(mail_, ui::U8("メール作成"));
    AddPage(unity_, ui::U8("その他オプション"));
    // All five tabs in view: the sheet is as wide as its tab row.
    GetTabControl()->setUsesScrollButtons(false);
}

CSystemSheet::~CSystemSheet() = default;

bool CSystemSheet::MigrateOptions(OptionCopy& options) {
    if (options.size() <= static_cast<std::size_t>(kSlotLayout) || options[kSlotLayout] != "89") return false;
    options[82] = options[83] = options[84] = "";
    options[85] = "N";
    options[86] = "0";
    options[87] = "0";
    options[88] = "N";
    options[kSlotLayout] = "Y5";
    return true;
}

void CSystemSheet::HideApplyButton() {
    if (auto* apply = ui::FindControl<QPushButton>(this, kIdcApply)) apply->hide();
}

void CSystemSheet::SetMailFontHook(MailFontHook hook) { mail_->SetMailFontHook(std::move(hook)); }

int CSystemSheet::DoModal() {
    if (readResult_ != 0) {
        ui::MessageBox(parentWidget(), StoreError(store_), windowTitle(), platform::kMbOk | platform::kMbIconError);
        return platform::kIdCancel;
    }
    if (!initialised_) {
        initialised_ = true;
        if (wizardMode_) {
            setWindowTitle(windowTitle() + ui::U8(" － ウィザードモード"));
            hintPending_ = true;
        }
    }
    return CVarnisPropertySheet::DoModal();
}

void CSystemSheet::showEvent(QShowEvent* event) {
    CVarnisPropertySheet::showEvent(event);
    if (!hintPending_) return;
    hintPending_ = false;
    // After the sheet has been drawn, not in front of an empty window.
    QTimer::singleShot(0, this, &CSystemSheet::ShowWizardHint);
}

void CSystemSheet::ShowWizardHint() {
    ui::MessageBox(this,
                   ui::U8("送信元のメールアドレスや送受信サーバアドレスを入力し、[OK]をクリックしてください。\r\n\r\n"
                          "※必要があれば、[送受信設定詳細][送受信オプション][メール作成][その他オプション]の"
                          "各タブの設定を行ってください。"),
                   windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

void CSystemSheet::RefuseOnPage(int index, QWidget* page, const QString& text, const char* title, int id) {
    SetActivePage(index);
    ui::MessageBox(this, text, ui::U8(title), platform::kMbOk | platform::kMbIconWarning);
    FocusControl(page, id);
}

void CSystemSheet::accept() {
    if (GetPageCount() != kPageCount) {
        ui::MessageBox(this,
                       ui::U8("リソース不足のため一部ページの情報が設定できません。\r\n"
                              "一度キャンセルボタンで前画面に戻ったのち、再度設定を行なってください。"),
                       windowTitle(), platform::kMbOk | platform::kMbIconError);
        return;
    }
    QString message;
    int control = 0;
    main_->EnsureLoaded();
    if (main_->CheckInput(message, control) != 0) {
        RefuseOnPage(kPageMain, main_, message, "個人情報入力エラー", control);
        return;
    }
    SetActivePage(kPageSmtp);
    smtp_->EnsureLoaded();
    if (smtp_->CheckInput(message, control) != 0) {
        RefuseOnPage(kPageSmtp, smtp_, message, "SMTP認証入力エラー", control);
        return;
    }
    main_->ExchangeOptions(false);
    smtp_->ExchangeOptions(false);
    if (store_ == nullptr || store_->SetSODataFromAllDataToMemory(copy_) != 0) {
        ui::MessageBox(this, StoreError(store_), windowTitle(), platform::kMbOk | platform::kMbIconError);
        return;
    }
    QDialog::accept();
}

}  // namespace settings
