#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QFile>

#include "app/shell/command_line.h"
#include "app/ui/testing/prompt_recorder.h"

namespace {

TEST(StartupCommandLine, ArgumentsSelectTheFollowUpAction) {
    struct Case {
        QStringList args;
        QString body;
        bool importMode;
        QString importFile;
    } cases[] = {
        {{"Quendrel"}, "", false, ""},
        {{"Quendrel", "body.txt"}, "body.txt", false, ""},
        {{"Quendrel", "", "shop.csv"}, "", true, "shop.csv"},  // an empty body file still allows import
        {{"Quendrel", "body.txt", "shop.csv"}, "body.txt", true, "shop.csv"},
        {{"Quendrel", "body.txt", "shop.csv", "extra"}, "body.txt", false, ""},
    };
    for (const Case& c : cases) {
        shell::StartupCommandLine line = shell::ParseStartupCommandLine(c.args);
        EXPECT_EQ(line.mailBodyFile, c.body) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.importMode, c.importMode) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.importFile, c.importFile) << c.args.join(' ').toStdString();
    }
}

TEST(StartupCommandLine, AMissingFileOrAFolderStopsTheStartWithItsMessage) {
    QTemporaryDir dir;
    const QString file = dir.filePath("body.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString missing = dir.filePath(QString::fromUtf8("無い.txt"));

    ui::test::PromptRecorder prompts;
    EXPECT_TRUE(shell::CheckStartupFiles(shell::ParseStartupCommandLine({"Quendrel", file, file})));
    EXPECT_TRUE(shell::CheckStartupFiles(shell::ParseStartupCommandLine({"Quendrel", ""})));
    EXPECT_TRUE(prompts.prompts().empty());

    EXPECT_FALSE(shell::CheckStartupFiles(shell::ParseStartupCommandLine({"Quendrel", missing})));
    EXPECT_FALSE(shell::CheckStartupFiles(shell::ParseStartupCommandLine({"Quendrel", "", dir.path()})));
    ASSERT_EQ(prompts.prompts().size(), 2u);
    EXPECT_EQ(prompts.prompts()[0].text, QString::fromUtf8("ファイルが見つかりません：\r\n") + missing);
    EXPECT_EQ(prompts.prompts()[0].caption, QString::fromUtf8("起動時ファイル(メール作成)読込エラー"));
    EXPECT_EQ(prompts.prompts()[1].text, QString::fromUtf8("ファイルではありません：\r\n") + dir.path());
    EXPECT_EQ(prompts.prompts()[1].caption, QString::fromUtf8("起動時ファイル(Brindell)読込エラー"));
    EXPECT_EQ(prompts.prompts()[1].style, 0x10u);
}

}  // namespace
