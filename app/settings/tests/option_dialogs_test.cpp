// The option dialogs on an option copy: what each loads (value lists with their
// defaults), what its OK refuses and how it writes the input back, the enabling rules,
// and that Cancel leaves the copy as it was.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <memory>

#include "app/settings/auto_dialup_dlg.h"
#include "app/settings/auto_receive_dlg.h"
#include "app/settings/auto_reg_setting_dlg.h"
#include "app/settings/check_option_dlgs.h"
#include "app/settings/dialup_entries.h"
#include "app/settings/error_resend_dlg.h"
#include "app/settings/import_setting_dlg.h"
#include "app/settings/split_send_dlg.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "platform/notifier.h"

namespace {
namespace option_dialogs_test {

using namespace settings;
using rectest::Control;
using rectest::Retype;
using rectest::S;
using settingstest::Click;
using ui::U8;

class OptionDialogTest : public ::testing::Test {
public:
    OptionDialogTest() : copy_(kOptionSlots) {}

    // Shows a dialog of type D on the copy (loading it), for the test to work on.
    template <class D, class... Args>
    std::unique_ptr<D> Open(Args... args) {
        auto d = std::make_unique<D>(&copy_, nullptr, args...);
        d->show();
        return d;
    }
    // OK as the button does; true when the dialog closed.
    static bool Ok(QDialog& d) {
        Click(&d, 1);
        return d.result() == QDialog::Accepted;
    }
    OptionCopy copy_;
    ui::test::PromptRecorder prompts_;
};

TEST_F(OptionDialogTest, ListsLoadTheirValueOrTheirDefault) {
    struct Case {
        int slot;
        const char* value;
        int list;
        const char* shown;
        std::function<std::unique_ptr<QDialog>(OptionDialogTest&)> open;
    };
    auto split = [](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CSplitSendDlg>(); };
    auto resend = [](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CErrorResendDlg>(); };
    auto dialup = [](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CAutoDialupDlg>(); };
    const Case cases[] = {
        {103, "30", CSplitSendDlg::kIdcInterval, "30秒", split},
        {103, "600", CSplitSendDlg::kIdcInterval, "10分", split},
        {103, "45", CSplitSendDlg::kIdcInterval, "10秒", split},
        {103, "", CSplitSendDlg::kIdcInterval, "10秒", split},
        {65, "1", CErrorResendDlg::kIdcCount, "1", resend},
        {65, "10", CErrorResendDlg::kIdcCount, "10", resend},
        {65, "12", CErrorResendDlg::kIdcCount, "3", resend},
        {66, "90", CErrorResendDlg::kIdcInterval, "1時間", resend},
        {66, "1380", CErrorResendDlg::kIdcInterval, "23時間", resend},
        {66, "4320", CErrorResendDlg::kIdcInterval, "3日", resend},
        {66, "50", CErrorResendDlg::kIdcInterval, "50分", resend},
        {76, "9", CAutoDialupDlg::kIdcFromHour, "9", dialup},
        {77, "", CAutoDialupDlg::kIdcFromMinute, "0", dialup},
        {79, "61", CAutoDialupDlg::kIdcToMinute, "0", dialup},
    };
    for (const Case& c : cases) {
        copy_ = OptionCopy(kOptionSlots);
        copy_[c.slot] = c.value;
        auto d = c.open(*this);
        EXPECT_EQ(Control<QComboBox>(d.get(), c.list)->currentText(), U8(c.shown)) << c.slot << " " << c.value;
    }
}

TEST_F(OptionDialogTest, ListsStoreTheValueOfTheItemShown) {
    auto d = Open<CErrorResendDlg>();
    Control<QComboBox>(d.get(), CErrorResendDlg::kIdcCount)->setCurrentIndex(6);
    auto* interval = Control<QComboBox>(d.get(), CErrorResendDlg::kIdcInterval);
    ASSERT_EQ(interval->count(), 31);
    interval->setCurrentIndex(interval->findText(U8("2日")));
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[65], "7");
    EXPECT_EQ(copy_[66], "2880");
    EXPECT_EQ(copy_[54], "N");

    auto s = Open<CSplitSendDlg>();
    auto* pause = Control<QComboBox>(s.get(), CSplitSendDlg::kIdcInterval);
    pause->setCurrentIndex(pause->findText(U8("2分")));
    ASSERT_TRUE(Ok(*s));
    EXPECT_EQ(copy_[103], "120");
}

TEST_F(OptionDialogTest, SplitCountIsOneToNineHundredNinetyNineWrittenPlainly) {
    struct Case {
        const char* typed;
        const char* message;  // null: accepted
        const char* stored;
    };
    const Case cases[] = {
        {"007", nullptr, "7"},
        {"999", nullptr, "999"},
        {"1", nullptr, "1"},
        {"0", "分割件数は1～999(半角数値)のみ有効です", nullptr},
        {"1000", "分割件数は1～999(半角数値)のみ有効です", nullptr},
        {"", "件数が入力されていません。", nullptr},
    };
    for (const Case& c : cases) {
        copy_ = OptionCopy(kOptionSlots);
        copy_[101] = "Y";
        copy_[102] = "50";
        prompts_.clear();
        auto d = Open<CSplitSendDlg>();
        Retype(d.get(), CSplitSendDlg::kIdcCount, c.typed);
        const bool closed = Ok(*d);
        EXPECT_EQ(closed, c.message == nullptr) << c.typed;
        if (c.message == nullptr) {
            EXPECT_EQ(copy_[102], c.stored);
            EXPECT_EQ(Control<QLineEdit>(d.get(), CSplitSendDlg::kIdcCount)->text(), U8(c.stored));
            EXPECT_TRUE(prompts_.prompts().empty());
        } else {
            EXPECT_EQ(copy_[102], "50") << c.typed;
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
            EXPECT_EQ(prompts_.prompts()[0].caption, U8("件数分割送信入力エラー"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
            EXPECT_EQ(d->focusWidget(), Control<QLineEdit>(d.get(), CSplitSendDlg::kIdcCount));
        }
    }
    // Off: the count is neither enabled nor checked, and what the slot held is kept.
    copy_ = OptionCopy(kOptionSlots);
    copy_[102] = "abc";
    auto d = Open<CSplitSendDlg>();
    EXPECT_FALSE(Control<QLineEdit>(d.get(), CSplitSendDlg::kIdcCount)->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(d.get(), CSplitSendDlg::kIdcInterval)->isEnabled());
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[101], "N");
    EXPECT_EQ(copy_[102], "abc");
    // Only digits can be typed, and no more than four.
    auto typed = Open<CSplitSendDlg>();
    Click(typed.get(), CSplitSendDlg::kIdcSplit);
    auto* count = Control<QLineEdit>(typed.get(), CSplitSendDlg::kIdcCount);
    count->clear();
    QTest::keyClicks(count, "1a2-34567");
    EXPECT_EQ(count->text(), QStringLiteral("1234"));
}

TEST_F(OptionDialogTest, ReceiveIntervalIsOneToNinetyNineMinutes) {
    struct Case {
        const char* typed;
        const char* message;
        const char* stored;
    };
    const Case cases[] = {
        {"05", nullptr, "5"},
        {"99", nullptr, "99"},
        {"0", "自動受信間隔は1～99(半角数値)のみ有効です", nullptr},
        {"", "自動受信間隔が入力されていません", nullptr},
    };
    for (const Case& c : cases) {
        copy_ = OptionCopy(kOptionSlots);
        copy_[96] = "Y";
        copy_[97] = "10";
        prompts_.clear();
        auto d = Open<CAutoReceiveDlg>();
        Retype(d.get(), CAutoReceiveDlg::kIdcMinutes, c.typed);
        EXPECT_EQ(Ok(*d), c.message == nullptr) << c.typed;
        if (c.message == nullptr) {
            EXPECT_EQ(copy_[97], c.stored);
        } else {
            EXPECT_EQ(copy_[97], "10");
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
            EXPECT_EQ(prompts_.prompts()[0].caption, U8("自動受信入力エラー"));
        }
    }
    // A loaded interval longer than two digits is shown whole, and refused.
    copy_[97] = "120";
    prompts_.clear();
    auto d = Open<CAutoReceiveDlg>();
    EXPECT_EQ(Control<QLineEdit>(d.get(), CAutoReceiveDlg::kIdcMinutes)->text(), QStringLiteral("120"));
    EXPECT_FALSE(Ok(*d));
}

TEST(AutoRegKeyword, Trimming) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"  配信停止  ", "配信停止"},
        {"　 　配信停止\t　", "配信停止"},
        {"　　　", ""},
        {" 　\t", ""},
        {"配信　停止", "配信　停止"},
        {"x　", "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CAutoRegSettingDlg::TrimKeyword(U8(c.in)), U8(c.out)) << c.in;
}

// A flag that dropped to 0 means the kind was found; the lines come in a fixed order.
TEST(AutoRegKeyword, CharacterKindsThatDoNotTravelWell) {
    struct Case {
        std::string keyword;
        const char* message;  // null: clean
    };
    const Case cases[] = {
        {S("配信停止"), nullptr},
        {"stop", nullptr},
        {S("ﾃｲｼ"), "・半角カタカナ\r\nが含まれています\r\n"},
        {S("①ﾃｲｼ"), "・半角カタカナ\r\n・機種依存文字\r\nが含まれています\r\n"},
        {S("停止①"), "・機種依存文字\r\nが含まれています\r\n"},
        {std::string("\xF0\x40", 2), "・機種依存文字\r\nが含まれています\r\n"},
        {std::string("a\x81 b", 4), "・SJISの外字文字\r\nが含まれています\r\n"},
        {std::string("\xFD", 1), "・SJISの外字文字\r\nが含まれています\r\n"},
        {S("ﾃｲｼ") + std::string("\xFF", 1), "・半角カタカナ\r\n・SJISの外字文字\r\nが含まれています\r\n"},
        {std::string("\x81", 1), "・SJISの外字文字\r\nが含まれています\r\n"},
    };
    for (const Case& c : cases) {
        const QString got = CAutoRegSettingDlg::KeywordCodeFault(c.keyword);
        if (c.message == nullptr)
            EXPECT_TRUE(got.isEmpty()) << got.toStdString();
        else
            EXPECT_EQ(got, U8(c.message));
    }
}

TEST_F(OptionDialogTest, KeywordOfBlanksIsRefusedOnlyWhileKeywordSignOffIsOn) {
    copy_[107] = "Y";
    copy_[108] = S("　　");
    auto on = Open<CAutoRegSettingDlg>();
    EXPECT_FALSE(Ok(*on));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("キーワードが入力されていません。"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("自動登録・自動解除の設定入力エラー"));
    EXPECT_EQ(Control<QLineEdit>(on.get(), CAutoRegSettingDlg::kIdcKeyword)->text(), QString());
    EXPECT_EQ(copy_[108], S("　　"));

    prompts_.clear();
    auto* kana = Control<QLineEdit>(on.get(), CAutoRegSettingDlg::kIdcKeyword);
    kana->setText(U8(" ﾃｲｼ①　"));
    EXPECT_FALSE(Ok(*on));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("・半角カタカナ\r\n・機種依存文字\r\nが含まれています\r\n"));
    EXPECT_EQ(kana->text(), U8("ﾃｲｼ①"));

    copy_[107] = "N";
    prompts_.clear();
    auto off = Open<CAutoRegSettingDlg>();
    EXPECT_FALSE(Control<QLineEdit>(off.get(), CAutoRegSettingDlg::kIdcKeyword)->isEnabled());
    ASSERT_TRUE(Ok(*off));
    EXPECT_EQ(copy_[108], "");
    EXPECT_EQ(copy_[107], "N");
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(OptionDialogTest, RadiosThatShowNoValueKeepTheSlot) {
    copy_[106] = "?";
    copy_[107] = "Y";
    copy_[109] = "";
    copy_[110] = "2";
    auto reg = Open<CAutoRegSettingDlg>();
    EXPECT_FALSE(Control<QRadioButton>(reg.get(), CAutoRegSettingDlg::kIdcRegisterOn)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(reg.get(), CAutoRegSettingDlg::kIdcRegisterOff)->isChecked());
    Retype(reg.get(), CAutoRegSettingDlg::kIdcKeyword, "stop");
    ASSERT_TRUE(Ok(*reg));
    EXPECT_EQ(copy_[106], "?");

    auto import = Open<CImportSettingDlg>(true, false);
    EXPECT_TRUE(Control<QGroupBox>(import.get(), CImportSettingDlg::kIdcGeneralGroup)->isEnabled());
    EXPECT_FALSE(Control<QRadioButton>(import.get(), CImportSettingDlg::kIdcOtherKeep)->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(import.get(), CImportSettingDlg::kIdcOtherKeep)->isChecked());
    ASSERT_TRUE(Ok(*import));
    EXPECT_EQ(copy_[109], "");
    EXPECT_EQ(copy_[110], "2");

    auto again = Open<CImportSettingDlg>();
    Click(again.get(), CImportSettingDlg::kIdcGeneralKeep);
    Click(again.get(), CImportSettingDlg::kIdcOtherNewer);
    EXPECT_FALSE(Control<QRadioButton>(again.get(), CImportSettingDlg::kIdcOtherKeep)->isChecked());
    ASSERT_TRUE(Ok(*again));
    EXPECT_EQ(copy_[109], "2");
    EXPECT_EQ(copy_[110], "0");
}

TEST_F(OptionDialogTest, AttachmentsAllowedAreWarnedAbout) {
    for (bool forbid : {false, true}) {
        copy_[100] = forbid ? "Y" : "N";
        prompts_.clear();
        auto d = Open<CAttachSendSettingDlg>();
        ASSERT_TRUE(Ok(*d));
        EXPECT_EQ(copy_[100], forbid ? "Y" : "N");
        if (forbid) {
            EXPECT_TRUE(prompts_.prompts().empty());
        } else {
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].caption, U8("添付ファイル送信設定"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        }
    }
}

TEST_F(OptionDialogTest, SignatureKeepsItsMailLines) {
    copy_[80] = S("テスト商店\r\n電話 03-0000-0000");
    auto d = Open<CSignatureDlg>();
    auto* text = Control<QPlainTextEdit>(d.get(), CSignatureDlg::kIdcText);
    EXPECT_EQ(text->toPlainText(), U8("テスト商店\n電話 03-0000-0000"));
    text->appendPlainText(U8("営業時間 10:00-18:00"));
    Click(d.get(), CSignatureDlg::kIdcAutoInsert);
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[80], S("テスト商店\r\n電話 03-0000-0000\r\n営業時間 10:00-18:00"));
    EXPECT_EQ(copy_[81], "Y");
}

// Every dialog, its boxes turned over and cancelled, leaves the copy as it was; confirmed,
// it writes "Y"/"N" for them.
TEST_F(OptionDialogTest, CancelLeavesTheCopyAndOkWritesTheBoxes) {
    struct Case {
        std::function<std::unique_ptr<QDialog>(OptionDialogTest&)> open;
        std::vector<std::pair<int, int>> boxes;  // control, slot
    };
    const Case cases[] = {
        {[](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CReadReceiptDlg>(); },
         {{CReadReceiptDlg::kIdcRequest, 67}}},
        {[](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CSendReceiveDisplayDlg>(); },
         {{CSendReceiveDisplayDlg::kIdcAutoClose, 120}}},
        {[](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CAddressAutoUpdateDlg>(); },
         {{CAddressAutoUpdateDlg::kIdcEditedMails, 11}, {CAddressAutoUpdateDlg::kIdcReservedMails, 12},
          {CAddressAutoUpdateDlg::kIdcChosenLists, 13}}},
        {[](OptionDialogTest& t) -> std::unique_ptr<QDialog> { return t.Open<CErrorResendDlg>(); },
         {{CErrorResendDlg::kIdcResend, 54}}},
    };
    for (const Case& c : cases) {
        copy_ = OptionCopy(kOptionSlots, "x");
        for (const auto& [control, slot] : c.boxes) copy_[slot] = "N";
        copy_[c.boxes.front().second] = "Y";
        const OptionCopy before = copy_;
        {
            auto d = c.open(*this);
            for (const auto& [control, slot] : c.boxes) Click(d.get(), control);
            d->reject();
        }
        EXPECT_EQ(copy_, before);
        auto d = c.open(*this);
        for (const auto& [control, slot] : c.boxes) Click(d.get(), control);
        ASSERT_TRUE(Ok(*d));
        for (const auto& [control, slot] : c.boxes) EXPECT_EQ(copy_[slot], before[slot] == "Y" ? "N" : "Y") << slot;
    }
}

class DialupTest : public OptionDialogTest {
protected:
    void SetUp() override {
        previous_ = SetDialupEntryLister([](std::vector<std::string>& names) {
            names = {S("会社のダイアルアップ"), "ISP-Tokyo"};
        });
        copy_[69] = "Y";
        copy_[70] = "ISP-Tokyo";
        copy_[71] = "user";
        copy_[72] = "pass";
        copy_[73] = "Y";
        copy_[74] = "Y";
        copy_[75] = "Y";
        copy_[76] = "9";
        copy_[77] = "0";
        copy_[78] = "18";
        copy_[79] = "30";
    }
    void TearDown() override { SetDialupEntryLister(previous_); }
    DialupEntryLister previous_;
};

TEST_F(DialupTest, TheTimeWindowMustNotBeEmpty) {
    for (int endMinute : {0, 1}) {
        prompts_.clear();
        copy_[78] = "9";
        copy_[79] = std::to_string(endMinute);
        auto d = Open<CAutoDialupDlg>();
        EXPECT_EQ(Control<QComboBox>(d.get(), CAutoDialupDlg::kIdcConnection)->currentText(), QStringLiteral("ISP-Tokyo"));
        EXPECT_EQ(Ok(*d), endMinute == 1);
        if (endMinute == 0) {
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            EXPECT_EQ(prompts_.prompts()[0].text, U8("自動ダイアルアップの開始時間と終了時間が同じです"));
            EXPECT_EQ(prompts_.prompts()[0].caption, U8("自動ﾀﾞｲｱﾙｱｯﾌﾟ入力ｴﾗｰ"));
            EXPECT_EQ(d->focusWidget(), Control<QComboBox>(d.get(), CAutoDialupDlg::kIdcFromHour));
        }
    }
}

TEST_F(DialupTest, AnAccountNotKeptIsEmptiedAndStoredEmpty) {
    auto d = Open<CAutoDialupDlg>();
    EXPECT_EQ(Control<QLineEdit>(d.get(), CAutoDialupDlg::kIdcPasswordAgain)->text(), QStringLiteral("pass"));
    Click(d.get(), CAutoDialupDlg::kIdcSaveAccount);
    for (int id : {CAutoDialupDlg::kIdcUser, CAutoDialupDlg::kIdcPassword, CAutoDialupDlg::kIdcPasswordAgain}) {
        EXPECT_EQ(Control<QLineEdit>(d.get(), id)->text(), QString()) << id;
        EXPECT_FALSE(Control<QLineEdit>(d.get(), id)->isEnabled()) << id;
    }
    ASSERT_TRUE(Ok(*d));
    EXPECT_EQ(copy_[71], "");
    EXPECT_EQ(copy_[72], "");
    EXPECT_EQ(copy_[73], "N");
}

TEST_F(DialupTest, TheAccountIsCheckedInOrder) {
    struct Case {
        int control;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {CAutoDialupDlg::kIdcUser, "", "接続時のユーザIDが入力されていません。"},
        {CAutoDialupDlg::kIdcPassword, "", "接続時のパスワードが入力されていません。"},
        {CAutoDialupDlg::kIdcPasswordAgain, "pasS", "接続時のパスワードと再入力されたパスワードが一致しません。"},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        auto d = Open<CAutoDialupDlg>();
        Retype(d.get(), c.control, c.typed);
        EXPECT_FALSE(Ok(*d));
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.message));
        EXPECT_EQ(d->focusWidget(), Control<QLineEdit>(d.get(), c.control));
    }
}

TEST_F(DialupTest, EnablingFollowsTheBoxes) {
    auto d = Open<CAutoDialupDlg>();
    auto* from = Control<QComboBox>(d.get(), CAutoDialupDlg::kIdcFromHour);
    auto* user = Control<QLineEdit>(d.get(), CAutoDialupDlg::kIdcUser);
    EXPECT_TRUE(from->isEnabled());
    EXPECT_TRUE(user->isEnabled());
    Click(d.get(), CAutoDialupDlg::kIdcHours);
    EXPECT_FALSE(from->isEnabled());
    EXPECT_TRUE(user->isEnabled());
    Click(d.get(), CAutoDialupDlg::kIdcAutoDial);
    EXPECT_FALSE(user->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(d.get(), CAutoDialupDlg::kIdcConnection)->isEnabled());
    Click(d.get(), CAutoDialupDlg::kIdcAutoDial);
    EXPECT_TRUE(user->isEnabled());
    EXPECT_FALSE(from->isEnabled());
}

TEST_F(DialupTest, UncheckingHangUpAsksAndCancelKeepsIt) {
    auto d = Open<CAutoDialupDlg>();
    auto* hangUp = Control<QCheckBox>(d.get(), CAutoDialupDlg::kIdcHangUp);
    prompts_.Answer(platform::kIdCancel);
    hangUp->click();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text,
              U8("このチェックを外すと、送受信が正常終了、またはエラー終了しても\r\n自動ではダイアルアップを終了しません\r\n"
                 "チェックを外してもよろしいですか？"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("ダイアルアップ自動切断の設定"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOkCancel | platform::kMbIconQuestion);
    EXPECT_TRUE(hangUp->isChecked());
    prompts_.Answer(platform::kIdOk);
    hangUp->click();
    EXPECT_FALSE(hangUp->isChecked());
    hangUp->click();  // checking it again asks nothing
    EXPECT_EQ(prompts_.prompts().size(), 2u);
}

// Without dial-up networking the phone book is empty: the connection the options name is
// kept, and dial-up cannot be switched on.
TEST_F(OptionDialogTest, AnEmptyPhoneBookKeepsTheConnectionAndRefusesDialup) {
    copy_[70] = "ISP-Tokyo";
    copy_[69] = "N";
    auto off = Open<CAutoDialupDlg>();
    EXPECT_EQ(Control<QComboBox>(off.get(), CAutoDialupDlg::kIdcConnection)->count(), 0);
    ASSERT_TRUE(Ok(*off));
    EXPECT_EQ(copy_[70], "ISP-Tokyo");

    auto on = Open<CAutoDialupDlg>();
    Click(on.get(), CAutoDialupDlg::kIdcAutoDial);
    EXPECT_FALSE(Ok(*on));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("使用するダイヤルアップ接続が入力されていません。"));
    EXPECT_EQ(copy_[69], "N");
}

}  // namespace option_dialogs_test
}  // namespace
