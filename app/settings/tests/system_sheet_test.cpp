// The system settings sheet over a real environment's options: what OK stores (exactly
// what the pages showed, also for a page never opened), what Cancel leaves (everything,
// whatever the option dialogs wrote into the copy), options that cannot be read, the
// migration of the layout before SSL, the checks of the first two pages and the port
// offers, and wizard mode.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/settings/check_option_dlgs.h"
#include "app/settings/option_pages.h"
#include "app/settings/required_items_page.h"
#include "app/settings/send_receive_detail_page.h"
#include "app/settings/system_sheet.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace {
namespace system_sheet_test {

using namespace settingstest;
using rectest::Retype;
using settings::CSystemMain;
using settings::CSystemSheet;
using settings::CSystemSMTP;
using ui::U8;

class SystemSheetTest : public SettingsEnvTest {
protected:
    std::unique_ptr<CSystemSheet> OpenSheet() {
        auto sheet = std::make_unique<CSystemSheet>(&Options(), U8("システム設定"));
        sheet->HideApplyButton();
        sheet->show();
        return sheet;
    }
    static bool PressOk(CSystemSheet& sheet) {
        Click(&sheet, CSystemSheet::kIdcOk);
        return sheet.result() == QDialog::Accepted;
    }
    template <class W>
    static W* Main(CSystemSheet& s, int id) { return Control<W>(s.MainPage(), id); }
    template <class W>
    static W* Smtp(CSystemSheet& s, int id) { return Control<W>(s.SmtpPage(), id); }
};

TEST_F(SystemSheetTest, OkStoresExactlyWhatThePagesShowedEvenForAPageNeverOpened) {
    const std::vector<std::string> before = AllStored();
    auto sheet = OpenSheet();
    ASSERT_EQ(sheet->GetPageCount(), 5);
    const char* titles[] = {"必須項目", "送受信設定詳細", "送受信オプション", "メール作成", "その他オプション"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(sheet->GetTabControl()->tabText(i), U8(titles[i]));
    EXPECT_FALSE(Control<QPushButton>(sheet.get(), CSystemSheet::kIdcApply)->isVisible());
    EXPECT_EQ(Main<QLineEdit>(*sheet, CSystemMain::kIdcSenderName)->text(), U8("テスト商店"));
    auto* zone = Main<QComboBox>(*sheet, CSystemMain::kIdcTimeZone);
    EXPECT_EQ(zone->currentText(), QStringLiteral("+0900"));
    ASSERT_EQ(zone->count(), 27);
    EXPECT_EQ(zone->itemText(1), QStringLiteral("-1200"));
    EXPECT_EQ(zone->itemText(12), QStringLiteral("-0100"));
    EXPECT_EQ(zone->itemText(13), QStringLiteral("+0000"));
    EXPECT_EQ(zone->itemText(26), QStringLiteral("+1300"));
    EXPECT_TRUE(Main<QRadioButton>(*sheet, CSystemMain::kIdcPop3)->isChecked());
    // The second page loads when it is first shown, or when OK needs it.
    EXPECT_FALSE(sheet->SmtpPage()->IsLoaded());

    ASSERT_TRUE(PressOk(*sheet));
    EXPECT_TRUE(sheet->SmtpPage()->IsLoaded());
    EXPECT_EQ(AllStored(), before);
    EXPECT_TRUE(Options().IsModified());
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(SystemSheetTest, TheSecondPageIsCheckedOnOkThoughNeverOpened) {
    Set(94, "");
    auto sheet = OpenSheet();
    EXPECT_FALSE(PressOk(*sheet));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("SMTPサーバのユーザIDが入力されていません。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("SMTP認証入力エラー"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    EXPECT_EQ(sheet->GetActiveIndex(), CSystemSheet::kPageSmtp);
    EXPECT_EQ(sheet->focusWidget(), Smtp<QLineEdit>(*sheet, CSystemSMTP::kIdcSmtpUser));
    EXPECT_EQ(Stored(94), "");

    Retype(sheet->SmtpPage(), CSystemSMTP::kIdcSmtpUser, "mailer");
    ASSERT_TRUE(PressOk(*sheet));
    EXPECT_EQ(Stored(94), "mailer");
    EXPECT_EQ(Stored(95), "smtp-secret");
}

TEST_F(SystemSheetTest, ARefusedFirstPageComesToTheFrontWithItsFieldSelected) {
    auto sheet = OpenSheet();
    sheet->SetActivePage(CSystemSheet::kPageUnity);
    Retype(sheet->MainPage(), CSystemMain::kIdcSendPort, "65536");
    const std::vector<std::string> before = AllStored();
    EXPECT_FALSE(PressOk(*sheet));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("送信サーバのポート番号の内容が不正です。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("個人情報入力エラー"));
    EXPECT_EQ(sheet->GetActiveIndex(), CSystemSheet::kPageMain);
    auto* port = Main<QLineEdit>(*sheet, CSystemMain::kIdcSendPort);
    EXPECT_EQ(sheet->focusWidget(), port);
    EXPECT_EQ(port->selectedText(), QStringLiteral("65536"));
    EXPECT_EQ(AllStored(), before);
}

// The first page's check, first failure first; a port is half-width digits up to 65535.
TEST_F(SystemSheetTest, RequiredItemsCheck) {
    struct Case {
        int control;
        const char* typed;
        const char* message;  // null: accepted
        int focus;
    };
    const Case cases[] = {
        {CSystemMain::kIdcSendPort, "0", nullptr, 0},
        {CSystemMain::kIdcSendPort, "65535", nullptr, 0},
        {CSystemMain::kIdcSendPort, "00025", nullptr, 0},
        {CSystemMain::kIdcSendPort, "65536", "送信サーバのポート番号の内容が不正です。", CSystemMain::kIdcSendPort},
        {CSystemMain::kIdcSendPort, "99999999999", "送信サーバのポート番号の内容が不正です。", CSystemMain::kIdcSendPort},
        {CSystemMain::kIdcSendPort, "２５", "送信サーバのポート番号は半角数字で入力してください。", CSystemMain::kIdcSendPort},
        {CSystemMain::kIdcSendPort, "-25", "送信サーバのポート番号は半角数字で入力してください。", CSystemMain::kIdcSendPort},
        {CSystemMain::kIdcSendPort, "", "送信サーバのポート番号が入力されていません。", CSystemMain::kIdcSendPort},
        {CSystemMain::kIdcReceivePort, "4294967406", "受信サーバのポート番号の内容が不正です。", CSystemMain::kIdcReceivePort},
        {CSystemMain::kIdcReceivePort, "１１０", "受信サーバのポート番号は半角数字で入力してください。", CSystemMain::kIdcReceivePort},
        {CSystemMain::kIdcReceivePort, "", "受信サーバのポート番号が入力されていません。", CSystemMain::kIdcReceivePort},
        {CSystemMain::kIdcSenderAddress, "", "送信者メールアドレスが入力されていません。", CSystemMain::kIdcSenderAddress},
        {CSystemMain::kIdcSenderAddress, "info@@shop.example.jp", "送信者メールアドレスの内容が不正です。",
         CSystemMain::kIdcSenderAddress},
        {CSystemMain::kIdcSenderAddress, "情報@shop.example.jp", "送信者メールアドレスの内容が不正です。",
         CSystemMain::kIdcSenderAddress},
        {CSystemMain::kIdcSendServer, "", "送信サーバアドレス(SMTP)が入力されていません。", CSystemMain::kIdcSendServer},
        {CSystemMain::kIdcReceiveServer, "", "受信サーバアドレスが入力されていません。", CSystemMain::kIdcReceiveServer},
        {CSystemMain::kIdcReceiveUser, "", "受信サーバのユーザIDが入力されていません。", CSystemMain::kIdcReceiveUser},
        {CSystemMain::kIdcPassword, "", "受信サーバのパスワードが入力されていません。", CSystemMain::kIdcPassword},
        {CSystemMain::kIdcPasswordAgain, "pop-secreT", "受信サーバのパスワードと再入力されたパスワードが一致しません。",
         CSystemMain::kIdcPasswordAgain},
    };
    settings::OptionCopy copy = AllStored();
    for (const Case& c : cases) {
        CSystemMain page;
        page.SetOptions(&copy);
        page.EnsureLoaded();
        Retype(&page, c.control, c.typed);
        QString message;
        int focus = 0;
        const int rc = page.CheckInput(message, focus);
        if (c.message == nullptr) {
            EXPECT_EQ(rc, 0) << c.typed;
        } else {
            EXPECT_LT(rc, 0) << c.typed;
            EXPECT_EQ(message, U8(c.message)) << c.typed;
            EXPECT_EQ(focus, c.focus) << c.typed;
        }
    }
    // The first failure wins: an empty address before a bad port.
    CSystemMain page;
    page.SetOptions(&copy);
    page.EnsureLoaded();
    Retype(&page, CSystemMain::kIdcReceivePort, "x");
    Retype(&page, CSystemMain::kIdcSenderAddress, "");
    QString message;
    int focus = 0;
    EXPECT_LT(page.CheckInput(message, focus), 0);
    EXPECT_EQ(focus, CSystemMain::kIdcSenderAddress);
}

TEST_F(SystemSheetTest, APasswordNotKeptIsNeitherCheckedNorStored) {
    auto sheet = OpenSheet();
    auto* keep = Main<QCheckBox>(*sheet, CSystemMain::kIdcSavePassword);
    keep->click();
    EXPECT_FALSE(Main<QLineEdit>(*sheet, CSystemMain::kIdcPassword)->isEnabled());
    EXPECT_FALSE(Main<QLineEdit>(*sheet, CSystemMain::kIdcPasswordAgain)->isEnabled());
    Retype(sheet->MainPage(), CSystemMain::kIdcPasswordAgain, "");
    ASSERT_TRUE(PressOk(*sheet));
    EXPECT_EQ(Stored(5), "");
    EXPECT_EQ(Stored(6), "N");
}

// Slots the pages cannot show are kept or cleared by rule: a protocol that no radio
// stands for is kept, a time zone that is not in the list is stored as the system's.
TEST_F(SystemSheetTest, SlotsThatNoControlShowsFollowTheirRules) {
    struct Case {
        const char* protocol;
        const char* zone;
        const char* shownZone;
        const char* storedZone;
    };
    const Case cases[] = {
        {"7", "", "OSの設定を使用", ""},
        {"", "+09", "+0900", "+0900"},
        {"2", "JST", "OSの設定を使用", ""},
        {"1", "-0330", "OSの設定を使用", ""},
    };
    for (const Case& c : cases) {
        Set(3, c.protocol);
        Set(10, c.zone);
        auto sheet = OpenSheet();
        EXPECT_EQ(Main<QComboBox>(*sheet, CSystemMain::kIdcTimeZone)->currentText(), U8(c.shownZone)) << c.zone;
        ASSERT_TRUE(PressOk(*sheet));
        EXPECT_EQ(Stored(3), c.protocol);
        EXPECT_EQ(Stored(10), c.storedZone) << c.zone;
    }
}

TEST_F(SystemSheetTest, TheLayoutBeforeSslIsMigratedInTheCopyAndStoredOnlyByOk) {
    struct Case {
        const char* marker;
        bool migrated;
    };
    for (const Case& c : {Case{"89", true}, Case{"Y5", false}, Case{"Y3", false}, Case{"", false}, Case{"089", false}}) {
        Set(89, c.marker);
        const std::vector<std::string> before = AllStored();
        {
            CSystemSheet sheet(&Options(), U8("システム設定"));
            const settings::OptionCopy& copy = sheet.Options();
            if (c.migrated) {
                EXPECT_EQ(copy[82], "");
                EXPECT_EQ(copy[85], "N");
                EXPECT_EQ(copy[86], "0");
                EXPECT_EQ(copy[87], "0");
                EXPECT_EQ(copy[88], "N");
                EXPECT_EQ(copy[89], "Y5");
            } else {
                EXPECT_EQ(copy, before) << c.marker;
            }
            sheet.reject();
        }
        EXPECT_EQ(AllStored(), before) << c.marker;
    }
    Set(89, "89");
    auto sheet = OpenSheet();
    EXPECT_EQ(Main<QLineEdit>(*sheet, CSystemMain::kIdcSenderName)->text(), QString());
    sheet->SetActivePage(CSystemSheet::kPageSmtp);
    EXPECT_FALSE(Smtp<QCheckBox>(*sheet, CSystemSMTP::kIdcSsl)->isChecked());
    ASSERT_TRUE(PressOk(*sheet));
    EXPECT_EQ(Stored(89), "Y5");
    EXPECT_EQ(Stored(82), "");
    EXPECT_EQ(Stored(85), "N");
    EXPECT_EQ(Stored(86), "0");
}

TEST_F(SystemSheetTest, CancelAfterChangesInOptionDialogsLeavesTheOptionsAndTheirFileAsTheyWere) {
    const std::vector<std::string> before = AllStored();
    const std::string file = FileBytes();
    auto sheet = OpenSheet();
    ui::test::WhenDialogShows(ui::DialogName(settings::CReadReceiptDlg::kIdd), [](QDialog* d) {
        Click(d, settings::CReadReceiptDlg::kIdcRequest);
        d->accept();
    });
    Click(sheet->TransOptionPage(), settings::CSystemTransOption::kIdcReadReceipt);
    ui::test::WhenDialogShows(ui::DialogName(settings::CSignatureDlg::kIdd), [](QDialog* d) {
        Control<QPlainTextEdit>(d, settings::CSignatureDlg::kIdcText)->setPlainText(U8("別の署名"));
        d->accept();
    });
    Click(sheet->MailPage(), settings::CSystemMail::kIdcSignature);
    ui::test::WhenDialogShows(ui::DialogName(settings::CAddressAutoUpdateDlg::kIdd), [](QDialog* d) {
        Click(d, settings::CAddressAutoUpdateDlg::kIdcChosenLists);
        d->accept();
    });
    Click(sheet->UnityPage(), settings::CSystemUnity::kIdcAddressUpdate);
    Retype(sheet->MainPage(), CSystemMain::kIdcSenderAddress, "other@shop.example.jp");
    EXPECT_EQ(sheet->Options()[67], "Y");
    EXPECT_EQ(sheet->Options()[80], S("別の署名"));
    EXPECT_EQ(sheet->Options()[13], "Y");

    sheet->reject();
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(AllStored(), before);
    EXPECT_FALSE(Options().IsModified());
    ASSERT_EQ(Options().WriteSODataFromMemoryToFile(), 0);  // writes nothing: nothing changed
    EXPECT_EQ(FileBytes(), file);
}

TEST_F(SystemSheetTest, OptionsThatCannotBeReadAreNotOpened) {
    SystemOption notLoaded(Env());  // bound, never read: no record
    SystemOption unbound;
    struct Case {
        SystemOption* store;
        const char* message;
    };
    for (const Case& c : {Case{&notLoaded, "正規なデータがメモリ上に存在ません"}, Case{&unbound, "環境設定が行なわれていません"},
                          Case{nullptr, "環境設定が行なわれていません"}}) {
        prompts_.clear();
        CSystemSheet sheet(c.store, U8("システム設定"));
        EXPECT_LT(sheet.ReadResult(), 0);
        bool shown = false;
        ui::test::WhenDialogShows(QStringLiteral("sheet"), [&](QDialog* d) {
            shown = true;
            d->reject();
        }, 300);
        sheet.setObjectName(QStringLiteral("sheet"));
        EXPECT_EQ(sheet.DoModal(), platform::kIdCancel);
        ui::test::WaitUntil([] { return false; }, 350);
        EXPECT_FALSE(shown);
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    }
    EXPECT_EQ(notLoaded.GetRecordNumber(), 0);
}

TEST_F(SystemSheetTest, ASheetMissingAPageRefusesOk) {
    const std::vector<std::string> before = AllStored();
    auto sheet = OpenSheet();
    sheet->GetTabControl()->removeTab(CSystemSheet::kPageUnity);
    EXPECT_FALSE(PressOk(*sheet));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("リソース不足のため一部ページの情報が設定できません。\r\n"
                                             "一度キャンセルボタンで前画面に戻ったのち、再度設定を行なってください。"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
    EXPECT_EQ(AllStored(), before);
}

TEST(SystemSheetPorts, ProposedPort) {
    struct Case {
        bool ssl;
        int mode;
        int port;
    };
    const Case cases[] = {
        {false, 0, 110}, {false, 1, 110}, {false, 4, 110}, {false, -1, 110}, {true, 0, 110},
        {true, 1, 995},  {true, 2, 995},  {true, 3, 995},  {true, 4, 110},   {true, -1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSystemSMTP::ProposedPort(c.ssl, c.mode, 110, 995), c.port) << c.ssl << " " << c.mode;
}

TEST_F(SystemSheetTest, PortOffersAskAndChangeTheFirstPageAtOnce) {
    auto sheet = OpenSheet();
    sheet->SetActivePage(CSystemSheet::kPageSmtp);
    auto* receivePort = Main<QLineEdit>(*sheet, CSystemMain::kIdcReceivePort);
    auto* sendPort = Main<QLineEdit>(*sheet, CSystemMain::kIdcSendPort);
    ASSERT_EQ(receivePort->text(), QStringLiteral("995"));

    // SSL off: both standard ports are offered; yes for receiving, no for sending.
    prompts_.Answer(platform::kIdYes);
    prompts_.Answer(platform::kIdNo);
    Smtp<QCheckBox>(*sheet, CSystemSMTP::kIdcSsl)->click();
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("受信サーバのポート番号を標準の[110]番にしますか？\r\n\r\n※他のポート番号の場合は、手動で設定してください。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("受信サーバのポート設定"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(prompts_.prompts()[1].text,
              U8("送信サーバのポート番号を標準の[25]番にしますか？\r\n\r\n※他のポート番号の場合は、手動で設定してください。"));
    EXPECT_EQ(prompts_.prompts()[1].caption, U8("送信サーバのポート設定"));
    EXPECT_EQ(receivePort->text(), QStringLiteral("110"));
    EXPECT_EQ(sendPort->text(), QStringLiteral("587"));

    // SSL on again with receiving over TLS 1.0 (still selected): 995 is offered.
    prompts_.clear();
    prompts_.Answer(platform::kIdYes);
    prompts_.Answer(platform::kIdNo);
    Smtp<QCheckBox>(*sheet, CSystemSMTP::kIdcSsl)->click();
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("受信サーバのポート番号を暗号化通信で一般的な[995]番にしますか？\r\n\r\n※他のポート番号の場合は、手動で設定してください。"));
    EXPECT_EQ(receivePort->text(), QStringLiteral("995"));

    // STARTTLS keeps the standard port; the port the user typed counts, not the stored one.
    prompts_.clear();
    Retype(sheet->MainPage(), CSystemMain::kIdcReceivePort, "110");
    Smtp<QComboBox>(*sheet, CSystemSMTP::kIdcReceiveSsl)->setCurrentIndex(CSystemSMTP::kSslStartTls);
    EXPECT_TRUE(prompts_.prompts().empty());
    Retype(sheet->MainPage(), CSystemMain::kIdcSendPort, "465");
    Smtp<QComboBox>(*sheet, CSystemSMTP::kIdcSendSsl)->setCurrentIndex(CSystemSMTP::kSslTls10);
    EXPECT_TRUE(prompts_.prompts().empty());
    Smtp<QComboBox>(*sheet, CSystemSMTP::kIdcSendSsl)->setCurrentIndex(CSystemSMTP::kSslStartTls);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(sendPort->text(), QStringLiteral("25"));

    // All of it lived in the copy.
    sheet->reject();
    EXPECT_EQ(Stored(2), "995");
    EXPECT_EQ(Stored(9), "587");
}

TEST_F(SystemSheetTest, WizardModeSaysSoAndHintsOnceAfterTheSheetIsDrawn) {
    for (bool wizard : {true, false}) {
        prompts_.clear();
        CSystemSheet sheet(&Options(), U8("システム設定"));
        sheet.setObjectName(QStringLiteral("sheet"));
        sheet.SetWizardMode(wizard);
        QString caption;
        ui::test::WhenDialogShows(QStringLiteral("sheet"), [&](QDialog* d) {
            ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }, wizard ? 5000 : 200);
            caption = d->windowTitle();
            // Drawn again: no second hint.
            d->hide();
            d->show();
            d->repaint();
            ui::test::WaitUntil([] { return false; }, 100);
            d->reject();
        });
        EXPECT_EQ(sheet.DoModal(), platform::kIdCancel);
        if (wizard) {
            EXPECT_EQ(caption, U8("システム設定 － ウィザードモード"));
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text,
                      U8("送信元のメールアドレスや送受信サーバアドレスを入力し、[OK]をクリックしてください。\r\n\r\n"
                         "※必要があれば、[送受信設定詳細][送受信オプション][メール作成][その他オプション]の各タブの設定を行ってください。"));
            EXPECT_EQ(prompts_.prompts()[0].caption, caption);
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
        } else {
            EXPECT_EQ(caption, U8("システム設定"));
            EXPECT_TRUE(prompts_.prompts().empty());
        }
    }
}

}  // namespace system_sheet_test
}  // namespace
