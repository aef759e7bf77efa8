#include "app/settings/test_mail_setting_dlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings/test_mail_pane.h"
#include "app/settings/test_mail_views.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace settings {

using shell::dialogs::kIdCancel;
using shell::dialogs::kIdOk;
using shell::dialogs::MakeButton;

CTestMailSettingDlg::CTestMailSettingDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("テスト送信用個人情報の設定"));

    EnvManager* env = shell::GetEnvManager();
    SystemOption* options = shell::GetSystemOption();
    // Binding reads the file once already; the read that counts is the one below.
    store_.SetEnvManager(env);
    store_.SetSystemOption(options);
    if (env == nullptr) readError_ = ui::U8("環境が開かれていないため、テスト送信用個人情報を設定できません");
    else if (store_.ReadFromFileToMemory() < 0)
        readError_ = ui::U8("テスト送信用個人情報のファイル(testmailinginfo.dat)を読み込めませんでした\r\n"
                            "登録済みの内容が失われないよう、設定画面を開きません");
    if (options == nullptr || options->GetSOExtractDataFromMemory(names_) < 0) names_.clear();
    names_.resize(20);

    auto* column = new QVBoxLayout(this);
    tabs_ = ui::SetControlId(new QTabWidget(this), kIdcTabs);
    column->addWidget(tabs_);
    const char* titles[] = {"ＰＣ", "携帯"};
    for (int tab : {kPcTab, kMobileTab}) {
        auto* pane = new CTestMailPane(store_, tab, &names_);
        panes_[static_cast<std::size_t>(tab)] = pane;
        tabs_->addTab(pane, ui::U8(titles[tab]));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &CTestMailSettingDlg::FocusShownPane);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* save = MakeButton(this, ui::U8("保存"), kIdOk);
    save->setDefault(true);
    auto* cancel = MakeButton(this, ui::U8("キャンセル"), kIdCancel);
    row->addWidget(save);
    row->addWidget(cancel);
    column->addLayout(row);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CTestMailSettingDlg::DoModal() {
    if (!readError_.isEmpty()) {
        ui::MessageBox(parentWidget(), readError_, ui::U8("データ読み込みエラー"), platform::kMbOk | platform::kMbIconError);
        return platform::kIdCancel;
    }
    FocusShownPane();
    return exec() == kIdOk ? platform::kIdOk : platform::kIdCancel;
}

void CTestMailSettingDlg::ShowBasicOf(int tab) {
    tabs_->setCurrentIndex(tab);
    Pane(tab)->ShowBasicTab();
}

void CTestMailSettingDlg::FocusShownPane() {
    if (auto* pane = qobject_cast<CTestMailPane*>(tabs_->currentWidget())) pane->FocusShownView();
}

void CTestMailSettingDlg::accept() {
    if (!readError_.isEmpty()) return;
    for (int tab : {kPcTab, kMobileTab}) {
        CTestMailStandardView* view = Pane(tab)->StandardView();
        if (const addressui::InputProblem problem = view->CheckInput()) {
            ShowBasicOf(tab);
            view->ShowProblem(problem);
            return;
        }
    }
    for (int tab : {kPcTab, kMobileTab}) Pane(tab)->StandardView()->TransferData(false);
    if (Pane(kPcTab)->Record().Email.empty() && Pane(kMobileTab)->Record().Email.empty()) {
        ShowBasicOf(kPcTab);
        ui::MessageBox(this, ui::U8("メールアドレスのみ、未入力は不可です\r\n必ず入力してください"),
                       ui::U8("メールアドレス未入力"), platform::kMbOk | platform::kMbIconInformation);
        FocusShownPane();
        return;
    }
    int failedTab = -1;
    for (int tab : {kPcTab, kMobileTab}) {
        if (store_.SetTestMailingInfo(Pane(tab)->Record(), Pane(tab)->RecordId()) < 0) {
            failedTab = tab;
            break;
        }
    }
    if (failedTab < 0 && store_.WriteFromMemoryToFile() < 0) failedTab = kPcTab;
    if (failedTab >= 0) {
        ShowBasicOf(failedTab);
        ui::MessageBox(this, ui::FromSjis(store_.GetErrMsg().GetLastMsg()), ui::U8("データ保存エラー"),
                       platform::kMbOk | platform::kMbIconInformation);
        return;
    }
    done(kIdOk);
}

void CTestMailSettingDlg::reject() { done(kIdCancel); }

}  // namespace settings
