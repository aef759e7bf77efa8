#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/widgets/folder_chooser.h"
#include "app/widgets/folder_path_rule.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/screenshot.h"
#include "platform/notifier.h"

namespace {

using shell::CFolderChooser;
using shell::IsValidFolderPath;

TEST(FolderPathRule, Table) {
    struct Case {
        const char* path;
        bool valid;
    };
    const Case cases[] = {
        {"/", true},
        {"/home/user/メール環境", true},
        {"/home/user/.local/share", true},  // hidden folders are ordinary
        {"/a b/c", true},
        {"", false},
        {"home/user", false},  // relative
        {"~/mail", false},
        {"/home/user/", false},  // a typed path ending in the separator
        {"//", false},
        {"/home//user", false},
        {"/home/./user", false},
        {"/home/../etc", false},
        {"/home/..", false},
        {"/home/.", false},
        {"/a\tb", false},
        {"/a*b", false}, {"/a?b", false}, {"/a\"b", false}, {"/a<b", false},
        {"/a>b", false}, {"/a|b", false}, {"/c:", false}, {"/a\\b", false},
        {"/ lead", false},
        {"/trail ", false},
        {"/trail.", false},
        {"/..hidden", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidFolderPath(QString::fromUtf8(c.path)), c.valid) << c.path;

    EXPECT_FALSE(IsValidFolderPath(QStringLiteral("/a") + QChar(0) + QStringLiteral("b")));
    const QString longest = u'/' + QString(int(shell::kMaxFolderPathBytes) - 1, u'x');
    EXPECT_TRUE(IsValidFolderPath(longest));
    EXPECT_FALSE(IsValidFolderPath(longest + u'x'));
}

class FolderChooserTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const char* relative) const { return dir_.filePath(QString::fromUtf8(relative)); }
    static QString Message(const QString& path, const char* tail) {
        return QString::fromUtf8("指定されたディレクトリ:\n\n") + path + QString::fromUtf8("\n\n") +
               QString::fromUtf8(tail);
    }
    QTemporaryDir dir_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder picker_;
    const QString caption_ = QString::fromUtf8("ディレクトリ選択");
    const char* invalid_ = "パスが不正です。再入力してください";
    const char* create_ = "は存在しません。作成してよろしいですか？";
    const char* failed_ = "の作成に失敗しました。ディレクトリを選択してください";
};

TEST_F(FolderChooserTest, AnExistingFolderIsTakenAsItIs) {
    picker_.Answer(dir_.path());
    CFolderChooser chooser(QStringLiteral("caption"), QStringLiteral("prompt"), QStringLiteral("/tmp"), nullptr);
    EXPECT_EQ(chooser.DoModal(), platform::kIdOk);
    EXPECT_EQ(chooser.GetPath(), dir_.path());
    EXPECT_TRUE(prompts_.prompts().empty());
    ASSERT_EQ(picker_.picks().size(), 1u);
    EXPECT_TRUE(picker_.picks()[0].folder);
    EXPECT_EQ(picker_.picks()[0].request.caption, QStringLiteral("caption"));
    EXPECT_EQ(picker_.picks()[0].request.startFolder, QStringLiteral("/tmp"));
}

TEST_F(FolderChooserTest, AnInvalidPathIsRefusedAndThePickerAskedAgainFromIt) {
    const QString typed = dir_.path() + u'/';
    picker_.Answer(typed);
    picker_.Answer(std::nullopt);  // then cancelled
    CFolderChooser chooser(QStringLiteral("caption"), QString(), QString(), nullptr);
    EXPECT_EQ(chooser.DoModal(), platform::kIdCancel);
    EXPECT_TRUE(chooser.GetPath().isEmpty());
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, Message(typed, invalid_));
    EXPECT_EQ(prompts_.prompts()[0].caption, caption_);
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    ASSERT_EQ(picker_.picks().size(), 2u);
    EXPECT_EQ(picker_.picks()[0].request.startFolder, QDir::currentPath());
    EXPECT_EQ(picker_.picks()[1].request.startFolder, typed);
}

TEST_F(FolderChooserTest, AMissingFolderIsMadeLevelByLevelOnlyAfterYes) {
    const QString wanted = Path("新規/環境/メール");
    picker_.Answer(wanted);
    picker_.Answer(wanted);
    prompts_.Answer(platform::kIdNo);
    prompts_.Answer(platform::kIdYes);
    CFolderChooser chooser(QStringLiteral("caption"), QString(), dir_.path(), nullptr);
    EXPECT_EQ(chooser.DoModal(), platform::kIdOk);
    EXPECT_EQ(chooser.GetPath(), wanted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[0].text, Message(wanted, create_));
    EXPECT_EQ(prompts_.prompts()[0].caption, caption_);
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(picker_.picks().size(), 2u);  // No kept the chooser open
}

TEST_F(FolderChooserTest, AFolderThatCannotBeMadeOrIsAFileIsRefused) {
    QFile file(Path("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString below = Path("file/sub");  // a level cannot be made under a file
    picker_.Answer(below);
    picker_.Answer(Path("file"));  // a file is no folder, and is not offered for creation
    picker_.Answer(std::nullopt);
    CFolderChooser chooser(QStringLiteral("caption"), QString(), dir_.path(), nullptr);
    EXPECT_EQ(chooser.DoModal(), platform::kIdCancel);
    ASSERT_EQ(prompts_.texts().size(), 3);
    EXPECT_EQ(prompts_.texts()[0], Message(below, create_));
    EXPECT_EQ(prompts_.texts()[1], Message(below, failed_));
    EXPECT_EQ(prompts_.prompts()[1].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_EQ(prompts_.texts()[2], Message(Path("file"), failed_));
    EXPECT_TRUE(QFileInfo(Path("file")).isFile());
}

// The program's own picker: a folder that is not there yet can be typed and returned.
TEST(QtFolderPicker, ReturnsATypedFolderThatDoesNotExistYet) {
    QTemporaryDir dir;
    const QString typed = dir.filePath(QStringLiteral("まだない"));
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* edit = ui::FindControl<QLineEdit>(dialog, 14148);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), dir.path());
        edit->setText(typed);
        ui::FindControl<QPushButton>(dialog, 1)->click();
    });
    ui::QtFilePicker picker;
    EXPECT_EQ(picker.PickFolder(nullptr, QStringLiteral("caption"), dir.path()), std::optional<QString>(typed));
}

TEST(Screenshots, FolderPicker) {
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(ui::test::SaveScreenshot(dialog, QStringLiteral("shell_folder_picker")));
        ui::FindControl<QPushButton>(dialog, 2)->click();
    });
    ui::QtFilePicker().PickFolder(nullptr, QString::fromUtf8("環境フォルダの選択"), QDir::homePath());
}

}  // namespace
