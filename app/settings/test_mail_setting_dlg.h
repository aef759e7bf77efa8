#pragma once
// CTestMailSettingDlg (dialog 943, "テスト送信用個人情報の設定"): the two recipients of test
// mails, the PC recipient (tab "ＰＣ", record 0) and the mobile one (tab "携帯", record 1),
// each a pane of basic fields and extended attributes (test_mail_pane.h). They live in the
// environment's test-mail recipient store (DB/testmailinginfo.dat), not in the system
// options: "保存" writes that file at once, whatever the settings sheet that opened this
// dialog does afterwards.
//
// "保存":
//  1. checks the PC recipient's basic fields, then the mobile one's; a failure brings that
//     recipient's "基本情報" tab to the front with the message and the focus on the field;
//  2. writes both views into their records;
//  3. refuses when both mail addresses are empty (one is enough), on the PC tab;
//  4. stores record 0, then record 1, then writes the file; a failure shows the store's
//     error text ("データ保存エラー") on the recipient's tab (the PC tab for the write)
//     and the dialog stays open, the file as it was.
// "キャンセル" closes without writing.
//
// A store that cannot be read (a damaged file, or no environment open) is not edited:
// saving would replace the recipients stored there with empty or half-typed ones. DoModal
// says so and returns IDCANCEL at once.

#include <QDialog>
#include <QString>

#include <array>
#include <string>
#include <vector>

#include "core/addressbook/test_mailing_info.h"

class QTabWidget;

namespace settings {

class CTestMailPane;

class CTestMailSettingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 943;
    static constexpr int kIdcTabs = 1903;
    enum : int { kPcTab = 0, kMobileTab = 1 };

    // Binds and reads the store of the open environment and the attribute names.
    explicit CTestMailSettingDlg(QWidget* parent = nullptr);

    // IDOK (1) after "保存", IDCANCEL (2) otherwise.
    int DoModal();

    CTestMailPane* Pane(int tab) const { return panes_[static_cast<std::size_t>(tab)]; }
    QTabWidget* Tabs() const { return tabs_; }

    void accept() override;
    void reject() override;

private:
    // Brings `tab`'s basic view to the front.
    void ShowBasicOf(int tab);
    void FocusShownPane();

    CTestMailingInfo store_;
    std::vector<std::string> names_;
    QString readError_;  // why the store cannot be edited; empty when it can
    QTabWidget* tabs_ = nullptr;
    std::array<CTestMailPane*, 2> panes_{};
};

}  // namespace settings
