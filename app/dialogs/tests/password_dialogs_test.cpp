// The start-up password dialogs over a real environment descriptor: what each refuses,
// in which order, with which message, and what reaches the descriptor.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <ctime>

#include "app/dialogs/new_env_dlg.h"
#include "app/dialogs/password_change_dlg.h"
#include "app/dialogs/password_prompt_dlgs.h"
#include "app/dialogs/password_set_dlg.h"
#include "app/dialogs/proxy_auth_dlg.h"
#include "app/dialogs/tests/dialog_test_util.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

namespace {

using dlgtest::Press;
using dlgtest::TempFolder;
using dlgtest::Type;
using ui::U8;

constexpr unsigned kWarn = platform::kMbOk | platform::kMbIconWarning;
constexpr unsigned kInfo = platform::kMbOk | platform::kMbIconInformation;

const char* const kEmpty =
    "パスワードが入力されていません。\r\n少なくとも一文字以上の半角英数字を入力してください。";
const char* const kNotAlnum = "半角英数字以外の文字が入力されています。\r\nパスワードには半角英数字しか入力できません。";
const char* const kDiffer = "入力された２つのパスワードが異なります。";
const char* const kSetDone =
    "起動用パスワードを正常に設定しました。\r\nパスワードを忘れると環境が利用できなくなりますので、\r\nご注意ください。";
const char* const kOldWrong = "入力された古いパスワードの内容が異なります。\r\n正しいパスワードを入力してください。";
const char* const kRemoved =
    "起動用パスワードの設定を解除しました。\r\nこの環境は、どなたでも利用することができますので、\r\n"
    "不正利用が無いよう、コンピュータの管理を厳重に行ってください。";
const char* const kSetError = "パスワード設定のエラー";
const char* const kChangeError = "パスワード変更のエラー";

// One OK press: the message it gave (none: nullptr) and whether the dialog stayed.
struct Expect {
    const char* text;
    const char* caption;
    unsigned style;
    bool staysOpen;
};

void CheckOutcome(const ui::test::PromptRecorder& prompts, const QWidget& dialog, const Expect& e) {
    if (e.text == nullptr) {
        EXPECT_TRUE(prompts.prompts().empty()) << prompts.texts().join("|").toStdString();
    } else {
        ASSERT_FALSE(prompts.prompts().empty());
        EXPECT_EQ(prompts.prompts().front().text, U8(e.text));
        EXPECT_EQ(prompts.prompts().front().caption, U8(e.caption));
        EXPECT_EQ(prompts.prompts().front().style, e.style);
    }
    EXPECT_EQ(dialog.isVisible(), e.staysOpen);
}

struct SetCase {
    const char* what;
    bool use;
    const char* password;
    const char* confirm;
    Expect expect;
};

TEST(PasswordSetDialog, RefusesInItsOwnOrderAndStoresTheAcceptedPassword) {
    const SetCase cases[] = {
        {"unchecked records no password", false, "", "", {nullptr, nullptr, 0, false}},
        {"both empty", true, "", "", {kEmpty, kSetError, kWarn, true}},
        {"one box filled: differ, not empty", true, "abc", "", {kDiffer, kSetError, kWarn, true}},
        {"a bad character before a difference", true, "ab!", "", {kNotAlnum, kSetError, kWarn, true}},
        {"full-width letters", true, "ａｂｃ", "ａｂｃ", {kNotAlnum, kSetError, kWarn, true}},
        {"the same letters in another case", true, "abc", "ABC", {kDiffer, kSetError, kWarn, true}},
        {"accepted", true, "Abc123", "Abc123", {kSetDone, "パスワード設定完了", kInfo, false}},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        auto env = TempFolder::Open(tmp.MakeEnvironment("env", nullptr, nullptr));
        ASSERT_EQ(dlgtest::PasswordFlag(*env), "");
        ui::test::PromptRecorder prompts;
        shell::CPasswordSetDlg dialog(*env);
        dialog.show();
        ui::FindControl<QCheckBox>(&dialog, 1847)->setChecked(c.use);
        Type(&dialog, 1849, U8(c.password));
        Type(&dialog, 1852, U8(c.confirm));
        Press(&dialog, 1);
        CheckOutcome(prompts, dialog, c.expect);
        if (c.expect.staysOpen) {
            EXPECT_EQ(dlgtest::PasswordFlag(*env), "");
        } else if (c.use) {
            EXPECT_EQ(dlgtest::PasswordFlag(*env), "Y");
            EXPECT_EQ(env->IsEnvPasswordOK(c.password), 0);
            EXPECT_EQ(dialog.result(), 1);
        } else {
            EXPECT_EQ(dlgtest::PasswordFlag(*env), "N");
        }
    }
}

TEST(PasswordSetDialog, EditsFollowTheCheckBoxAndCancelRecordsNoPassword) {
    TempFolder tmp;
    auto env = TempFolder::Open(tmp.MakeEnvironment("env", nullptr, nullptr));
    shell::CPasswordSetDlg dialog(*env);
    dialog.show();
    auto* use = ui::FindControl<QCheckBox>(&dialog, 1847);
    for (int id = 1848; id <= 1853; ++id) EXPECT_FALSE(ui::FindControl(&dialog, id)->isEnabled()) << id;
    use->click();
    for (int id = 1848; id <= 1853; ++id) EXPECT_TRUE(ui::FindControl(&dialog, id)->isEnabled()) << id;
    Press(&dialog, 2);
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_EQ(dlgtest::PasswordFlag(*env), "N");
}

struct ChangeCase {
    const char* what;
    bool hasPassword;  // the environment asks for "Old1"
    bool use;
    const char* old;
    const char* password;
    const char* confirm;
    Expect expect;
    const char* flagAfter;
    const char* passwordAfter;  // null: none to check
};

class PasswordChangeDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::tm when{};
        when.tm_year = 2031 - 1900;
        when.tm_mon = 4;
        when.tm_mday = 6;
        when.tm_hour = 7;
        when.tm_min = 8;
        when.tm_sec = 9;
        when.tm_isdst = -1;
        const std::time_t t = std::mktime(&when);
        platform::SetClockForTesting([t] { return t; });
    }
    void TearDown() override { platform::SetClockForTesting({}); }
};

TEST_F(PasswordChangeDialog, ChecksTheOldPasswordFirstAndEmptiesTheEditsOnEveryRefusal) {
    const char* const done = "2031/05/06 07:08:09";
    const ChangeCase cases[] = {
        {"wrong old password", true, true, "old1", "New2", "New2", {kOldWrong, kSetError, kWarn, true}, "Y", "Old1"},
        {"removal with a wrong old password", true, false, "bad", "", "", {kOldWrong, kSetError, kWarn, true}, "Y", "Old1"},
        {"new passwords empty", true, true, "Old1", "", "", {kEmpty, kChangeError, kWarn, true}, "Y", "Old1"},
        {"a bad character", true, true, "Old1", "a-b", "", {kNotAlnum, kChangeError, kWarn, true}, "Y", "Old1"},
        {"the two differ", true, true, "Old1", "New2", "new2", {kDiffer, kChangeError, kWarn, true}, "Y", "Old1"},
        {"changed", true, true, "Old1", "New2", "New2", {kSetDone, "パスワード設定完了", kInfo, false}, "Y", "New2"},
        {"removed", true, false, "Old1", "", "", {kRemoved, "パスワード解除完了", kInfo, false}, "N", nullptr},
        {"set where none was", false, true, "", "New2", "New2", {kSetDone, "パスワード設定完了", kInfo, false}, "Y", "New2"},
        {"left without one", false, false, "", "", "", {nullptr, nullptr, 0, false}, "N", nullptr},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        auto env = TempFolder::Open(c.hasPassword ? tmp.MakeEnvironment("env", "Y", "Old1") : tmp.MakeEnvironment("env"));
        std::string renewalBefore;
        ASSERT_EQ(env->GetRenewalDate(renewalBefore), 0);
        ui::test::PromptRecorder prompts;
        shell::CPasswordChangeDlg dialog(*env);
        dialog.show();
        EXPECT_EQ(dialog.State(), c.hasPassword ? 0 : 1);
        auto* use = ui::FindControl<QCheckBox>(&dialog, 1847);
        EXPECT_EQ(use->isChecked(), c.hasPassword);
        EXPECT_EQ(ui::FindControl(&dialog, 1852)->isEnabled(), c.hasPassword);
        use->setChecked(c.use);
        if (c.hasPassword) Type(&dialog, 1852, U8(c.old));
        if (c.use) {
            Type(&dialog, 1853, U8(c.password));
            Type(&dialog, 1854, U8(c.confirm));
        }
        Press(&dialog, 1);
        CheckOutcome(prompts, dialog, c.expect);
        EXPECT_EQ(dlgtest::PasswordFlag(*env), c.flagAfter);
        if (c.passwordAfter) {
            EXPECT_EQ(env->IsEnvPasswordOK(c.passwordAfter), 0);
        }
        std::string renewal;
        ASSERT_EQ(env->GetRenewalDate(renewal), 0);
        const bool changed = c.expect.text != nullptr && !c.expect.staysOpen;
        EXPECT_EQ(renewal, changed ? std::string(done) : renewalBefore);
        if (c.expect.staysOpen) {
            for (int id : {1852, 1853, 1854}) EXPECT_TRUE(ui::FindControl<QLineEdit>(&dialog, id)->text().isEmpty()) << id;
        }
    }
}

TEST(PasswordPromptDialogs, AWrongPasswordIsToldTheEditEmptiedAndTheRightOneAccepted) {
    TempFolder tmp;
    auto env = TempFolder::Open(tmp.MakeEnvironment("env", "Y", "Right1"));
    shell::CEnvPasswordDlg envDialog(*env);
    shell::CPasswordEntryDlg lockDialog(*env);
    for (shell::PasswordPromptDlg* dialog : std::initializer_list<shell::PasswordPromptDlg*>{&envDialog, &lockDialog}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        ui::test::PromptRecorder prompts;
        dialog->show();
        auto* edit = ui::FindControl<QLineEdit>(dialog, 1846);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        Type(dialog, 1846, U8("right1"));
        Press(dialog, 1);
        ASSERT_EQ(prompts.prompts().size(), 1u);
        EXPECT_EQ(prompts.texts().front(),
                  U8("パスワードが異なります。再度入力してください。\r\n\r\n"
                     "パスワードを入力するときには大文字と小文字に注意してください。\r\n"
                     "CapsLockキーが押されていないか確認してください。"));
        EXPECT_EQ(prompts.captions().front(), U8("パスワードの入力エラー"));
        EXPECT_EQ(prompts.prompts().front().style, kWarn);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(edit->text().isEmpty());
        Type(dialog, 1846, U8("Right1"));
        Press(dialog, 1);
        EXPECT_EQ(prompts.prompts().size(), 1u);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), 1);
        EXPECT_TRUE(edit->text().isEmpty());
    }
}

TEST(PasswordPromptDialogs, TheLockDialogIsLeftOnlyWithThePassword) {
    TempFolder tmp;
    auto env = TempFolder::Open(tmp.MakeEnvironment("env", "Y", "Right1"));
    shell::CPasswordEntryDlg lock(*env);
    lock.show();
    EXPECT_EQ(lock.objectName(), "dlg319");
    EXPECT_EQ(lock.windowTitle(), U8("Varnis"));
    EXPECT_EQ(ui::FindControl(&lock, 2), nullptr);
    EXPECT_FALSE(lock.windowFlags() & Qt::WindowCloseButtonHint);
    QTest::keyClick(&lock, Qt::Key_Escape);
    EXPECT_TRUE(lock.isVisible());
    EXPECT_FALSE(lock.close());
    EXPECT_TRUE(lock.isVisible());

    shell::CEnvPasswordDlg open(*env);
    open.SetTitle(U8("環境Aの起動"));
    open.show();
    EXPECT_EQ(open.windowTitle(), U8("環境Aの起動"));
    QTest::keyClick(&open, Qt::Key_Escape);
    EXPECT_FALSE(open.isVisible());
    EXPECT_EQ(open.result(), 2);
}

TEST(ProxyAuthDialog, TakesTheValuesOnOkOnly) {
    const shell::ProxyAuthValues given{U8("proxy.example.jp"), U8("8080"), U8("山田"), U8("pw"), 0};
    for (int button : {1, 2}) {
        shell::CProxyAuthDlg dialog;
        dialog.SetValues(given);
        dialog.show();
        Type(&dialog, 1866, U8("proxy2.example.jp"));
        Type(&dialog, 1868, U8("鈴木"));
        ui::FindControl<QCheckBox>(&dialog, 1870)->setChecked(true);
        Press(&dialog, button);
        EXPECT_EQ(dialog.result(), button);
        const shell::ProxyAuthValues& v = dialog.Values();
        EXPECT_EQ(v.address, button == 1 ? U8("proxy2.example.jp") : given.address);
        EXPECT_EQ(v.user, button == 1 ? U8("鈴木") : given.user);
        EXPECT_EQ(v.port, given.port);
        EXPECT_EQ(v.password, given.password);
        EXPECT_EQ(v.save, button == 1 ? 1 : 0);
    }
}

}  // namespace
