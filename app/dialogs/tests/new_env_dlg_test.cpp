// The new-environment and environment-select dialogs over real folders: the previews,
// the password refusals in this dialog's order, and every outcome of the OK flow.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/dialogs/env_select_dlg.h"
#include "app/dialogs/new_env_dlg.h"
#include "app/dialogs/tests/dialog_test_util.h"
#include "app/environment/environment_service.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "core/foundation/directory_utils.h"
#include "platform/module_path.h"
#include "platform/notifier.h"
#include "platform/tests/other_user.h"

namespace {

namespace fs = std::filesystem;
using dlgtest::Press;
using dlgtest::TempFolder;
using dlgtest::Type;
using ui::U8;

constexpr unsigned kYesNoWarnNo = platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class NewEnvDialog : public ::testing::Test {
protected:
    void TearDown() override { shell::CNewEnvDlg::SetSaveWindowStateHook({}); }

    // Fills the dialog with `location` and `name` (no password) and presses OK.
    void Submit(shell::CNewEnvDlg& dialog, const QString& location, const QString& name) {
        dialog.show();
        Type(&dialog, 1008, location);
        Type(&dialog, 1669, name);
        Press(&dialog, 1);
    }

    TempFolder tmp_;
};

TEST_F(NewEnvDialog, PreviewsTheFolderAndDescriptorWhatEverTheTrailingSeparator) {
    shell::CNewEnvDlg dialog;
    EXPECT_EQ(ui::FindControl<QLineEdit>(&dialog, 1008)->text(), ui::FromPath(platform::ProgramFolder() + "DATA"));
    auto* folder = ui::FindControl<QLineEdit>(&dialog, 1001);
    auto* descriptor = ui::FindControl<QLineEdit>(&dialog, 1004);
    for (const char* location : {"/home/太郎/環境", "/home/太郎/環境/", "/home/太郎/環境//"}) {
        Type(&dialog, 1008, U8(location));
        Type(&dialog, 1669, U8("顧客"));
        EXPECT_EQ(folder->text(), U8("/home/太郎/環境/顧客/")) << location;
        EXPECT_EQ(descriptor->text(), U8("/home/太郎/環境/顧客.env")) << location;
    }
    Type(&dialog, 1669, QString());
    EXPECT_TRUE(folder->text().isEmpty());
    EXPECT_TRUE(descriptor->text().isEmpty());
}

TEST_F(NewEnvDialog, RefusesPasswordsEmptyThenDifferingThenNotAlphanumeric) {
    const char* const empty = "パスワードが入力されていません。\r\n少なくとも1文字以上の半角英数字を入力してください。";
    const char* const differ = "入力された2つのパスワードが異なります。";
    const char* const alnum = "半角英数字以外の文字が入力されています。\r\nパスワードには半角英数字しか入力できません。";
    const struct {
        const char* password;
        const char* confirm;
        const char* text;
    } cases[] = {
        {"", "", empty},
        {"abc", "", differ},
        {"", "abc", differ},
        {"ab!", "", differ},  // the set-password dialog would name the character first
        {"ab!", "ab!", alnum},
        {"ａｂ", "ａｂ", alnum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.password) + "|" + c.confirm);
        ui::test::PromptRecorder prompts;
        shell::CNewEnvDlg dialog;
        dialog.show();
        Type(&dialog, 1008, tmp_.QPath());
        Type(&dialog, 1669, U8("env"));
        ui::FindControl<QCheckBox>(&dialog, 1840)->setChecked(true);
        Type(&dialog, 1841, U8(c.password));
        Type(&dialog, 1842, U8(c.confirm));
        Press(&dialog, 1);
        ASSERT_EQ(prompts.prompts().size(), 1u);
        EXPECT_EQ(prompts.texts().front(), U8(c.text));
        EXPECT_EQ(prompts.captions().front(), U8("パスワード設定のエラー"));
        EXPECT_EQ(prompts.prompts().front().style, platform::kMbOk | platform::kMbIconInformation);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(fs::exists(tmp_.Path() + "/env.env"));
    }
}

TEST_F(NewEnvDialog, CreatesInAFreePlaceWithThePasswordAndSavesTheWindowStateFirst) {
    int hookCalls = 0;
    shell::CNewEnvDlg::SetSaveWindowStateHook([&] {
        ++hookCalls;
        EXPECT_FALSE(fs::exists(tmp_.Path() + "/新環境.env"));  // before the creation
    });
    ui::test::PromptRecorder prompts;
    shell::CNewEnvDlg dialog;
    dialog.show();
    for (int id : {1841, 1842, 1858, 1859, 1860, 1861}) EXPECT_FALSE(ui::FindControl(&dialog, id)->isEnabled()) << id;
    ui::FindControl<QCheckBox>(&dialog, 1840)->click();
    for (int id : {1841, 1842, 1858, 1859, 1860, 1861}) EXPECT_TRUE(ui::FindControl(&dialog, id)->isEnabled()) << id;
    Type(&dialog, 1841, U8("Pass9"));
    Type(&dialog, 1842, U8("Pass9"));
    Submit(dialog, tmp_.QPath() + "/", U8("新環境"));

    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(prompts.captions(), QStringList({U8("起動用パスワードを利用"), U8("環境作成の確認")}));
    EXPECT_EQ(prompts.texts().back(), tmp_.QPath() + U8("/新環境\r\nという名称の環境を作成しました"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
    const std::string descriptor = tmp_.Path() + "/新環境.env";
    EXPECT_EQ(dialog.GetEnvFilePath(), descriptor);
    auto env = TempFolder::Open(descriptor);
    EXPECT_EQ(dlgtest::PasswordFlag(*env), "Y");
    EXPECT_EQ(env->IsEnvPasswordOK("Pass9"), 0);
}

TEST_F(NewEnvDialog, OverwritesOnlyAfterTwoYesAnswers) {
    const std::string descriptor = tmp_.MakeEnvironment("env");
    const std::string marker = tmp_.Path() + "/env/DB/keep.txt";
    std::ofstream(marker) << "data";
    const std::string descriptorBytes = ReadFile(descriptor);
    const QString target = tmp_.QPath() + U8("/env");
    const QString first = U8("入力された環境には既存のデータが存在しています。\r\n既存の") + target +
                          U8("\r\nを削除して、新しい環境を作成しますか？");
    const QString second = U8("既存の") + target +
                           U8("\r\nを削除した場合、復旧する事は出来ません。\r\n本当に既存のデータを削除して、\r\n"
                              "新しい環境を作成してもよろしいですか？");

    for (int declineAt : {0, 1}) {
        SCOPED_TRACE(declineAt);
        ui::test::PromptRecorder prompts;
        if (declineAt == 1) prompts.Answer(platform::kIdYes);
        prompts.Answer(platform::kIdNo);
        shell::CNewEnvDlg dialog;
        Submit(dialog, tmp_.QPath(), U8("env"));
        ASSERT_EQ(prompts.prompts().size(), static_cast<std::size_t>(declineAt + 1));
        EXPECT_EQ(prompts.texts().front(), first);
        EXPECT_EQ(prompts.captions().front(), U8("環境上書きの警告"));
        EXPECT_EQ(prompts.prompts().front().style, kYesNoWarnNo);
        if (declineAt == 1) {
            EXPECT_EQ(prompts.texts()[1], second);
            EXPECT_EQ(prompts.captions()[1], U8("環境上書きの警告(再確認)"));
            EXPECT_EQ(prompts.prompts()[1].style, kYesNoWarnNo);
        }
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(fs::exists(marker));
        EXPECT_EQ(ReadFile(descriptor), descriptorBytes);
    }

    ui::test::PromptRecorder prompts;  // answers Yes to both
    shell::CNewEnvDlg dialog;
    Submit(dialog, tmp_.QPath(), U8("env"));
    EXPECT_EQ(prompts.captions().back(), U8("環境作成の確認"));
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_NE(ReadFile(descriptor), descriptorBytes);
    EXPECT_TRUE(fs::exists(tmp_.Path() + "/env/DB/database.dat"));
    TempFolder::Open(descriptor);
}

TEST_F(NewEnvDialog, RefusesToOverwriteTheOpenEnvironmentOrAFolderHoldingIt) {
    ASSERT_EQ(MakeDirectoryCompel(tmp_.Path() + "/outer"), 0);
    ASSERT_EQ(shell::CreateNewEnvironment("open", tmp_.Path() + "/outer", "N", "", false), 0);
    const std::string descriptor = tmp_.Path() + "/outer/open.env";
    ui::test::PromptRecorder prompts;
    shell::EnvironmentService service(shell::EnvironmentService::Settings{"", false, "", 0});
    ASSERT_EQ(service.OpenEnvironment(descriptor), 1);
    shell::SetProgramEnvironment(&service);
    const std::string descriptorBytes = ReadFile(descriptor);

    const struct {
        QString location;
        const char* name;
        QString shown;
    } targets[] = {{tmp_.QPath() + U8("/outer/"), "open", tmp_.QPath() + U8("/outer/open")},
                   {tmp_.QPath(), "outer", tmp_.QPath() + U8("/outer")}};
    for (const auto& t : targets) {
        SCOPED_TRACE(t.name);
        prompts.clear();
        shell::CNewEnvDlg dialog;
        Submit(dialog, t.location, U8(t.name));
        ASSERT_EQ(prompts.prompts().size(), 1u);  // no overwrite question
        EXPECT_EQ(prompts.captions().front(), U8("環境作成エラー"));
        EXPECT_EQ(prompts.texts().front(),
                  t.shown +
                      U8("\r\nには現在使用中の環境のデータがあるため、削除できません。\r\n"
                         "「環境の名称」か「環境の場所」を変更してください。"));
        EXPECT_TRUE(dialog.isVisible());
    }
    shell::SetProgramEnvironment(nullptr);
    EXPECT_EQ(ReadFile(descriptor), descriptorBytes);
    EXPECT_TRUE(fs::exists(tmp_.Path() + "/outer/open/systemoption.dat"));
}

TEST_F(NewEnvDialog, OffersToMakeAMissingLocation) {
    const QString location = tmp_.QPath() + U8("/新しい/場所");
    const QString question =
        U8("入力された環境の場所は現在存在しません。\r\n") + location + U8("/\r\nを新規に作成しますか？");
    {
        ui::test::PromptRecorder prompts;
        prompts.Answer(platform::kIdNo);
        shell::CNewEnvDlg dialog;
        Submit(dialog, location, U8("env"));
        EXPECT_EQ(prompts.texts(), QStringList{question});
        EXPECT_EQ(prompts.captions().front(), U8("ディレクトリ作成の確認"));
        EXPECT_EQ(prompts.prompts().front().style, platform::kMbYesNo | platform::kMbIconQuestion);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(fs::exists(ui::ToPath(location)));
    }
    ui::test::PromptRecorder prompts;
    shell::CNewEnvDlg dialog;
    Submit(dialog, location, U8("env"));
    EXPECT_EQ(prompts.captions(), QStringList({U8("ディレクトリ作成の確認"), U8("環境作成の確認")}));
    EXPECT_EQ(dialog.result(), 1);
    TempFolder::Open(ui::ToPath(location) + "/env.env");
}

// A place that cannot be made is told with what could not be made and the system's
// reason, and the dialog stays for another place: a folder of another user's (as the
// program's own folder is for a user of an installed program), and a file where a folder
// of the location would go.
TEST_F(NewEnvDialog, TellsWhatCouldNotBeMadeAndWhyAndStaysForAnotherPlace) {
    // The last message: the error that names `made` (below the test's folder) and `reason`.
    const auto toldFailure = [this](const ui::test::PromptRecorder& prompts, const char* made, const char* reason) {
        ASSERT_FALSE(prompts.prompts().empty());
        EXPECT_EQ(prompts.captions().back(), U8("環境作成エラー"));
        EXPECT_EQ(prompts.texts().back(), U8("環境の作成に失敗しました。\r\n") + tmp_.QPath() + U8(made) +
                                              U8("\r\nを作成できません: ") + U8(reason) +
                                              U8("\r\n「環境の場所」を変更してください。"));
        EXPECT_EQ(prompts.prompts().back().style, platform::kMbOk | platform::kMbIconError);
    };
    ASSERT_TRUE(fs::create_directory(tmp_.Path() + "/file"));
    std::ofstream(tmp_.Path() + "/file/x") << "x";
    {
        ui::test::PromptRecorder prompts;  // answers Yes: the location is to be made
        shell::CNewEnvDlg dialog;
        Submit(dialog, tmp_.QPath() + U8("/file/x/場所"), U8("env"));
        ASSERT_EQ(prompts.prompts().size(), 2u);
        toldFailure(prompts, "/file/x/場所", "フォルダではないものが途中にあります (Not a directory)");
        EXPECT_TRUE(dialog.isVisible());
    }

    ASSERT_EQ(::chmod(tmp_.Path().c_str(), 0755), 0);
    ASSERT_TRUE(fs::create_directory(tmp_.Path() + "/theirs"));
    ASSERT_TRUE(fs::create_directory(tmp_.Path() + "/mine"));
    ASSERT_EQ(::chown((tmp_.Path() + "/mine").c_str(), otheruser::AsOtherUser::kNobody, otheruser::AsOtherUser::kNobody),
              0);
    otheruser::AsOtherUser nobody;
    if (!nobody.Switched()) GTEST_SKIP() << "needs root to act as another user";
    ui::test::PromptRecorder prompts;
    shell::CNewEnvDlg dialog;
    Submit(dialog, tmp_.QPath() + U8("/theirs"), U8("顧客"));
    ASSERT_EQ(prompts.prompts().size(), 1u);
    toldFailure(prompts, "/theirs/顧客", "アクセスが許可されていません (Permission denied)");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);

    // Another place, in the same dialog.
    prompts.clear();
    Type(&dialog, 1008, tmp_.QPath() + U8("/mine"));
    Press(&dialog, 1);
    EXPECT_EQ(prompts.captions(), QStringList{U8("環境作成の確認")});
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(dialog.GetEnvFilePath(), tmp_.Path() + "/mine/顧客.env");
    struct stat st {};
    ASSERT_EQ(::stat((tmp_.Path() + "/mine/顧客").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, otheruser::AsOtherUser::kNobody);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(NewEnvDialog, TellsABadNameOrLocation) {
    const struct {
        QString location;
        const char* name;
        const char* text;
    } cases[] = {
        {tmp_.QPath(), "a.b", "作成される環境ファイル名が不正です。\r\n「環境の名称」を正しく入力してください。"},
        {tmp_.QPath(), "末尾 ", "作成される環境ファイル名が不正です。\r\n「環境の名称」を正しく入力してください。"},
        {U8("相対/場所"), "env", "作成されるディレクトリ名が不正です。\r\n「環境の場所」を正しく入力してください。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui::test::PromptRecorder prompts;
        shell::CNewEnvDlg dialog;
        Submit(dialog, c.location, U8(c.name));
        EXPECT_EQ(prompts.texts(), QStringList{U8(c.text)});
        EXPECT_EQ(prompts.captions().front(), U8("環境作成エラー"));
        EXPECT_EQ(prompts.prompts().front().style, platform::kMbOk | platform::kMbIconError);
        EXPECT_TRUE(dialog.isVisible());
    }
}

TEST_F(NewEnvDialog, BrowseStartsAtTheLocationAndTakesTheChosenFolder) {
    ui::test::FilePickerRecorder picker;
    picker.Answer(tmp_.QPath());
    shell::CNewEnvDlg dialog;
    dialog.show();
    Type(&dialog, 1008, U8("/"));
    Press(&dialog, 1014);
    ASSERT_EQ(picker.picks().size(), 1u);
    EXPECT_TRUE(picker.picks().front().folder);
    EXPECT_EQ(picker.picks().front().request.caption, U8("ディレクトリ選択"));
    EXPECT_EQ(picker.picks().front().request.startFolder, U8("/"));
    EXPECT_EQ(ui::FindControl<QLineEdit>(&dialog, 1008)->text(), tmp_.QPath());
}

TEST(EnvSelectDialog, EndsWithTheButtonPressedAndShowsTheModesTexts) {
    for (bool importMode : {false, true}) {
        shell::CEnvSelectDlg dialog(importMode);
        EXPECT_EQ(dialog.windowTitle(), importMode ? U8("Varnis　データインポートの環境選択") : U8("Varnisの起動環境の選択"));
        EXPECT_EQ(ui::FindControl<QLabel>(&dialog, 1769)->text(),
                  importMode ? U8("BrindellのデータをVarnisへインポートします。\r\nどのような環境で、インポートを行いますか？")
                             : U8("Varnisの起動時に使用するデフォルトの\r\n環境が見つかりませんでした。\r\n"
                                  "どのような環境でVarnisを起動しますか？"));
    }
    for (int button : {1451, 1452, 1534}) {
        shell::CEnvSelectDlg dialog(false);
        dialog.show();
        Press(&dialog, button);
        EXPECT_EQ(dialog.result(), button == 1534 ? 2 : button);
    }
    shell::CEnvSelectDlg dialog(false);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), 2);
}

}  // namespace
