#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>

#include <QProcess>

#include <filesystem>
#include <fstream>
#include <optional>

#include <sched.h>
#include <sys/stat.h>

#include "app/environment/environment_service.h"
#include "app/addressui/db_list_dlg.h"
#include "app/environment/new_environment.h"
#include "app/environment/program_keys.h"
#include "app/environment/run_monitor.h"
#include "app/shell/main_frame.h"
#include "app/shell/single_instance.h"
#include "app/shell/tests/foreign_names.h"
#include "app/shell/tests/main_frame_fixture.h"
#include "app/shell/varnis_app.h"
#include "app/shell/varnis_view.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ini_manager.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/notifier.h"

namespace {

using mftest::FakeRun;

// Whether the process `pid` holds a lock (flock) on the file `path`, as the kernel lists
// the locks it keeps.
bool HoldsFileLock(qint64 pid, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    std::ifstream locks("/proc/locks");
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    const std::string holder = " " + std::to_string(pid) + " ";
    for (std::string line; std::getline(locks, line);)
        if (line.find("FLOCK") != std::string::npos && line.find(holder) != std::string::npos &&
            line.find(inode) != std::string::npos)
            return true;
    return false;
}

class VarnisAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        ini_ = root_ + "/Quendrel.ini";
        // No look at the maker's site in the tests.
        CIniManager::WriteProfileStringA(ini_, "INFORMATION", "OPEN_AUTO", "N");
        // The single-instance lock in the test's own folder (private, as a session's is),
        // for the copies the test starts as well.
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = runtime;
        ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    }
    void TearDown() override {
        if (savedRuntime_) ::setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
        else ::unsetenv("XDG_RUNTIME_DIR");
    }

    // An environment opened once before (a new one asks for the setup wizard at its
    // first open).
    std::string MakeEnvironment(const char* name, const std::string& parent = {}) {
        const std::string folder = parent.empty() ? root_ : parent;
        EXPECT_EQ(shell::CreateNewEnvironment(name, folder, "N", "", false), 0);
        const std::string path = folder + "/" + name + ".env";
        shell::EnvironmentService::Settings settings;
        settings.finishPauseMs = 0;
        shell::EnvironmentService first(settings);
        EXPECT_EQ(first.OpenEnvironment(path), 1);
        return path;
    }
    void SetRecent(const std::vector<std::string>& paths) {
        for (std::size_t i = 0; i < paths.size(); ++i)
            CIniManager::WriteProfileStringA(ini_, "RECENTENV", ("RECENTENV" + std::to_string(i)).c_str(), paths[i].c_str());
    }
    std::string Recent(int i) {
        std::string v;
        CIniManager::GetProfileStringA(ini_, "RECENTENV", "RECENTENV" + std::to_string(i), v, "");
        return v;
    }
    std::unique_ptr<shell::CVarnisApp> MakeApp(QStringList args = {"Quendrel"}, std::string guardName = {}) {
        shell::CVarnisApp::Options options;
        options.appIniPath = ini_;
        options.instanceGuardName = guardName.empty() ? "quendrel-app-test-" + std::to_string(::getpid()) : guardName;
        options.finishPauseMs = 0;
        options.showSplash = false;
        return std::make_unique<shell::CVarnisApp>(args, options);
    }

    QTemporaryDir dir_;
    std::string root_, ini_;
    std::optional<std::string> savedRuntime_;
    ui::test::PromptRecorder prompts_;
    ui::test::FilePickerRecorder files_;
};

TEST_F(VarnisAppTest, StartsOnTheNewestRecentEnvironmentWithItsWindowAndMailFont) {
    std::string older = MakeEnvironment("older");
    std::string newest = MakeEnvironment("顧客");
    const std::string envIni = root_ + "/顧客/QuendrelT.ini";
    CIniManager::WriteProfileInt(envIni, "MAILFONTINFO", "HEIGHT", -16);
    CIniManager::WriteProfileStringA(envIni, "MAILFONTINFO", "FACENAME", Utf8ToSjis("ＭＳ 明朝").c_str());
    SetRecent({newest, older});

    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(app->Environment().DescriptorPath(), newest);
    ASSERT_NE(app->MainFrame(), nullptr);
    EXPECT_TRUE(app->MainFrame()->isVisible());
    EXPECT_EQ(app->MainFrame()->windowTitle(), QString::fromUtf8("Varnis[顧客][すべて]"));
    EXPECT_EQ(app->GetMailFont().height, -16);
    EXPECT_EQ(app->GetMailFont().faceName, Utf8ToSjis("ＭＳ 明朝"));
    EXPECT_EQ(app->GetMailFont().weight, 400);

    QString version;
    ui::test::WhenDialogShows("dlg100", [&](QDialog* d) {
        version = ui::FindControl<QLabel>(d, 1561)->text();
        d->accept();
    });
    app->OnAppAbout();
    // "Version <program>/<core>" (this test binary is not the program: its part is empty).
    EXPECT_EQ(version, "Version " + app->GetFileVersion(0) + "/" + app->GetFileVersion(1));
    EXPECT_TRUE(app->GetFileVersion(1).startsWith("1.")) << app->GetFileVersion(1).toStdString();
    app->ExitInstance();
}

TEST_F(VarnisAppTest, ARecentEnvironmentThatNoLongerOpensIsDroppedAndTheNextOpens) {
    std::string good = MakeEnvironment("good");
    std::string gone = root_ + "/gone.env";
    SetRecent({gone, good});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    EXPECT_EQ(app->Environment().DescriptorPath(), good);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_TRUE(prompts_.prompts()[0].text.contains(QString::fromUtf8("[エラーコード:0001")));
    EXPECT_EQ(Recent(0), good);
    EXPECT_EQ(Recent(1), "");
}

TEST_F(VarnisAppTest, WithoutRecentEnvironmentsTheSelectDialogAsksAndCancelEndsTheStart) {
    auto app = MakeApp();
    ui::test::WhenDialogShows("dlg265", [](QDialog* d) { d->reject(); });
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, QString::fromUtf8("Varnisを終了します"));
    EXPECT_EQ(prompts_.prompts()[0].caption, QString::fromUtf8("終了"));
    EXPECT_EQ(app->MainFrame(), nullptr);
}

TEST_F(VarnisAppTest, ImportModeAlwaysAsksAndOpensTheChosenEnvironment) {
    std::string chosen = MakeEnvironment("shop");
    SetRecent({MakeEnvironment("other")});
    const QString importFile = dir_.filePath("brindell.csv");
    std::ofstream(importFile.toStdString()) << "not,a,shop,file\r\n";

    QString text;
    ui::test::WhenDialogShows("dlg265", [&](QDialog* d) {
        text = ui::FindControl<QLabel>(d, 1769)->text();
        ui::test::ClickControl(d, 1452);
    });
    files_.Answer(QString::fromStdString(chosen));
    // After the import the start opens the personal-information list, as the import's
    // follow-up; it is closed once it has loaded.
    bool listShown = false;
    ui::test::WhenDialogShows("dlg141", [&](QDialog* d) {
        listShown = true;
        auto* list = static_cast<addressui::CDBListDlg*>(d);
        ui::test::WaitUntil([&] { return !list->IsBusy(); });
        list->CloseWithOk();
    });
    auto app = MakeApp({"Quendrel", "", importFile});
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(listShown);
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("BrindellのデータをVarnisへインポートします。")));
    EXPECT_EQ(app->Environment().DescriptorPath(), chosen);
    ASSERT_EQ(files_.picks().size(), 1u);
    const ui::FileRequest& request = files_.picks()[0].request;
    EXPECT_EQ(request.filter, QString::fromUtf8("環境ファイル(*.env)|*.env|"));
    EXPECT_TRUE(request.fileMustExist);
    EXPECT_TRUE(request.startFolder.endsWith("DATA"));
    // The file is not a shop's export: the import says so, and the environment stays open.
    EXPECT_TRUE(prompts_.captions().contains(QString::fromUtf8("インポートに失敗しました")))
        << prompts_.captions().join("|").toStdString();

    // The import belonged to the start: a later switch imports nothing.
    prompts_.clear();
    app->OnRecentEnvironment(shell::CMainFrame::kIdFirstRecentEnvironment + 1);
    EXPECT_NE(app->Environment().DescriptorPath(), chosen);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_FALSE(app->Environment().ImportMode());
}

TEST_F(VarnisAppTest, AFailedSwitchKeepsTheOpenEnvironmentAndOffersToGoBackToIt) {
    std::string first = MakeEnvironment("first");
    SetRecent({first});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    prompts_.clear();

    prompts_.Answer(platform::kIdOk);   // the environment does not open
    prompts_.Answer(platform::kIdYes);  // go back
    app->SwitchEnvironment(root_ + "/missing.env");
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[1].text,
              QString::fromStdString(first) + QString::fromUtf8("\r\n元開いていた上記の環境を開き直しますか？"));
    EXPECT_EQ(prompts_.prompts()[1].caption, QString::fromUtf8("環境を戻します"));
    EXPECT_EQ(app->Environment().DescriptorPath(), first);
    EXPECT_TRUE(app->MainFrame()->isVisible());

    prompts_.clear();
    prompts_.Answer(platform::kIdOk);
    prompts_.Answer(platform::kIdNo);  // quit
    app->SwitchEnvironment(root_ + "/missing.env");
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !app->Environment().IsOpen(); }));
    EXPECT_FALSE(app->MainFrame()->isVisible());
}

// 環境切替 opens its file dialog where the user's environments are, beside the open one,
// not in the process's working folder.
TEST_F(VarnisAppTest, TheSwitchLooksForEnvironmentsBesideTheOpenOne) {
    const std::string shop = root_ + "/顧客/店舗";
    std::filesystem::create_directories(shop);
    const std::string first = MakeEnvironment("本店", shop);
    const std::string second = MakeEnvironment("支店", shop);
    SetRecent({first});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    ASSERT_NE(QDir::currentPath(), QString::fromStdString(shop));
    files_.Answer(QString::fromStdString(second));
    ASSERT_TRUE(app->MainFrame()->SendCommand(shell::CMainFrame::kIdSwitchEnvironment));
    ASSERT_EQ(files_.picks().size(), 1u);
    EXPECT_EQ(files_.picks()[0].request.startFolder, QString::fromStdString(shop));
    EXPECT_EQ(files_.picks()[0].request.filter, QString::fromUtf8("環境ファイル(*.env)|*.env|"));
    EXPECT_EQ(app->Environment().DescriptorPath(), second);
}

TEST_F(VarnisAppTest, RecentCommandsSwitchAndAResumeAlwaysFollows) {
    std::string a = MakeEnvironment("a");
    std::string b = MakeEnvironment("b");
    SetRecent({a, b});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    app->OnRecentEnvironment(shell::CMainFrame::kIdFirstRecentEnvironment + 4);  // no such slot
    EXPECT_EQ(app->Environment().DescriptorPath(), a);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());

    ASSERT_TRUE(app->MainFrame()->SendCommand(shell::CMainFrame::kIdFirstRecentEnvironment + 1));
    EXPECT_EQ(app->Environment().DescriptorPath(), b);
    EXPECT_EQ(app->MainFrame()->windowTitle(), QString::fromUtf8("Varnis[b][すべて]"));
    EXPECT_EQ(Recent(0), b);
    EXPECT_EQ(Recent(1), a);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(VarnisAppTest, NoExitAndNoSwitchWhileAnyRunIsUnderWay) {
    std::string a = MakeEnvironment("a");
    std::string b = MakeEnvironment("b");
    SetRecent({a, b});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    {
        FakeRun run(shell::kRunSelectedMail);
        EXPECT_FALSE(app->MainFrame()->close());
        app->OnRecentEnvironment(shell::CMainFrame::kIdFirstRecentEnvironment + 1);
    }
    ASSERT_EQ(prompts_.prompts().size(), 2u);
    EXPECT_EQ(prompts_.prompts()[0].text, QString::fromUtf8("現在【メール送信中】です\r\n終了できません"));
    EXPECT_EQ(prompts_.prompts()[1].text, QString::fromUtf8("現在【メール送信中】です\r\n環境の切り替えはできません"));
    EXPECT_EQ(app->Environment().DescriptorPath(), a);
    EXPECT_TRUE(app->MainFrame()->isVisible());

    // Without a run the window closes, and the environment is saved and closed with it.
    EXPECT_TRUE(app->MainFrame()->close());
    EXPECT_FALSE(app->Environment().IsOpen());
}

TEST_F(VarnisAppTest, TheWindowShowsTheMailListWithItsModeInTheTitleAndTheCountPane) {
    std::string path = MakeEnvironment("顧客");
    {
        EnvManager env;
        ASSERT_EQ(env.InitEnvFileInfo(path, shell::kDescriptorKey, 0), 0);
        CMailListViewer list(&env);
        const char* statuses[] = {"D", "C", "S"};
        for (int id = 1; id <= 3; ++id) {
            COneMailData mail;
            mail.SetMailID(id);
            mail.SetMailTitle(Utf8ToSjis("お知らせ"));
            mail.SetStatus(statuses[id - 1], 0);
            mail.SetSpecialFlag("NN");
            ASSERT_EQ(list.SetMailData(mail), 0);
        }
        ASSERT_EQ(list.WriteMailList(1), 0);
    }
    SetRecent({path});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    shell::CMainFrame* frame = app->MainFrame();
    ASSERT_NE(frame->View(), nullptr);
    EXPECT_EQ(frame->centralWidget(), frame->View());
    EXPECT_EQ(frame->View()->model()->rowCount(), 2);
    EXPECT_EQ(frame->windowTitle(), QString::fromUtf8("Varnis[顧客][すべて]"));
    EXPECT_EQ(frame->MailCountText(), QString::fromUtf8("すべて: 2通"));
    EXPECT_EQ(frame->FindCommand(1353), frame->View()->CommandAction(1353));

    ASSERT_TRUE(frame->SendCommand(32775));
    EXPECT_EQ(frame->windowTitle(), QString::fromUtf8("Varnis[顧客][送信済み]"));
    EXPECT_EQ(frame->MailCountText(), QString::fromUtf8("送信済み: 1通"));
}

TEST_F(VarnisAppTest, ColumnWidthsAreKeptBeforeASwitchAndAtExitEachInItsOwnEnvironment) {
    std::string a = MakeEnvironment("a");
    std::string b = MakeEnvironment("b");
    const std::string iniA = root_ + "/a/QuendrelT.ini", iniB = root_ + "/b/QuendrelT.ini";
    CIniManager::WriteProfileInt(iniB, "MAINWINDOWINFO", "TITLEW", 150);
    SetRecent({a, b});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    QHeaderView* header = app->MainFrame()->View()->horizontalHeader();
    header->resizeSection(1, 321);

    files_.Answer(QString::fromStdString(b));
    app->OnSwitchEnvironment();
    ASSERT_EQ(app->Environment().DescriptorPath(), b);
    EXPECT_EQ(CIniManager::GetProfileIntA(iniA, "MAINWINDOWINFO", "TITLEW", 0), 321u);
    EXPECT_EQ(CIniManager::GetProfileIntA(iniB, "MAINWINDOWINFO", "TITLEW", 0), 150u);
    EXPECT_EQ(header->sectionSize(1), 150);

    header->resizeSection(1, 222);
    EXPECT_TRUE(app->MainFrame()->close());
    EXPECT_EQ(CIniManager::GetProfileIntA(iniB, "MAINWINDOWINFO", "TITLEW", 0), 222u);
    EXPECT_EQ(CIniManager::GetProfileIntA(iniA, "MAINWINDOWINFO", "TITLEW", 0), 321u);
}

TEST_F(VarnisAppTest, TheCloseBoxIsRefusedDuringEveryKindOfRunWithThatRunsText) {
    SetRecent({MakeEnvironment("a")});
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    app->MainFrame()->show();
    struct Case {
        int kind;
        const char* text;
    };
    const Case cases[] = {
        {1, "現在【手動送受信中】です\r\n終了できません"}, {2, "現在【手動受信中】です\r\n終了できません"},
        {3, "現在【手動送信中】です\r\n終了できません"},   {4, "現在【自動送受信中】です\r\n終了できません"},
        {5, "現在【メール送信中】です\r\n終了できません"}, {6, "現在【分割送信中】です\r\n終了できません"},
        {7, "現在【自動受信中】です\r\n終了できません"},   {42, "現在【送受信中】です\r\n終了できません"},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        FakeRun run(c.kind);
        EXPECT_FALSE(app->MainFrame()->close()) << c.kind;
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.kind;
        EXPECT_EQ(prompts_.prompts()[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, QString::fromUtf8("終了できません"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        EXPECT_TRUE(app->MainFrame()->isVisible());
        EXPECT_TRUE(app->Environment().IsOpen());
    }
}

TEST_F(VarnisAppTest, WithMailsWaitingTheExitAsksAndNoLeavesEverythingAsItWas) {
    std::string path = MakeEnvironment("a");
    {
        EnvManager env;
        ASSERT_EQ(env.InitEnvFileInfo(path, shell::kDescriptorKey, 0), 0);
        CMailListViewer list(&env);
        COneMailData mail;
        mail.SetMailID(1);
        mail.SetStatus("W", 0);
        mail.SetSpecialFlag("NN");
        ASSERT_EQ(list.SetMailData(mail), 0);
        ASSERT_EQ(list.WriteMailList(1), 0);
    }
    SetRecent({path});
    const std::string envIni = root_ + "/a/QuendrelT.ini";
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    shell::CMainFrame* frame = app->MainFrame();
    frame->show();
    frame->setGeometry(40, 50, 900, 600);
    const std::string iniBefore = [&] {
        std::ifstream in(envIni, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();

    prompts_.Answer(platform::kIdNo);
    EXPECT_FALSE(frame->close());
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, QString::fromUtf8("送信待ち状態のメールが存在します\n終了してよろしいですか？"));
    EXPECT_EQ(prompts_.prompts()[0].caption, QString::fromUtf8("終了の確認"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNo | platform::kMbIconInformation | ui::kMbDefButton2);
    std::ifstream in(envIni, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), iniBefore);
    EXPECT_TRUE(app->Environment().IsOpen());

    // Yes, maximised: the program ends, and the rectangle kept is the one it had before.
    CIniManager::WriteProfileInt(envIni, "MAINFRAMEINFO", "LEFT", 11);
    const QRect normal = frame->frameGeometry();
    frame->showMaximized();
    prompts_.Answer(platform::kIdYes);
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(app->Environment().IsOpen());
    EXPECT_EQ(static_cast<int>(CIniManager::GetProfileIntA(envIni, "MAINFRAMEINFO", "LEFT", 0)), normal.left());
}

// The program started a second time, as a person starts it: the new copy says that the
// program runs (printed, as it has no display) and ends; the running copy shows nothing
// and only comes to the front. So also while another user holds the program's socket
// names: the new copy hands over on a name left free, or, with none left, still ends.
TEST_F(VarnisAppTest, ASecondStartSaysSoItselfAndTheRunningCopyOnlyComesForward) {
    // The program's own guard name is used: in a network namespace of this test's own, so
    // that no program running on this machine (or another test's) is met.
    if (::getuid() != 0 || ::unshare(CLONE_NEWNET) != 0) GTEST_SKIP() << "needs a network namespace of its own";
    constexpr uid_t kNobody = 65534;
    struct Case {
        const char* what;
        int held;  // names 0..held-1 are another user's
        shelltest::Hold how;
        bool comesForward;
    } cases[] = {
        {"no other user", 0, shelltest::Hold::kListen, true},
        {"the first name with a full queue", 1, shelltest::Hold::kFullQueue, true},
        {"every name listening", shell::SingleInstanceGuard::kNames, shelltest::Hold::kListen, false},
    };
    SetRecent({MakeEnvironment("a")});
    const std::string body = root_ + "/本文.txt";
    std::ofstream(body) << "body";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string guardName = shell::CVarnisApp::Options().instanceGuardName;
        shelltest::ForeignHolder holder;
        if (c.held > 0) {
            const shell::SingleInstanceGuard names(QString::fromStdString(guardName));
            QStringList held;
            for (int i = 0; i < c.held; ++i) held << names.SocketName(i);
            ASSERT_TRUE(shelltest::HoldNamesAsUser(holder, kNobody, held, c.how));
        }
        auto app = MakeApp({"Quendrel"}, guardName);
        ASSERT_TRUE(app->InitInstance());
        shell::CMainFrame* frame = app->MainFrame();
        frame->showMinimized();
        prompts_.clear();

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(environment);
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(QStringLiteral(QUENDREL_PROGRAM), {QString::fromStdString(body), QString()});
        ASSERT_TRUE(second.waitForStarted());
        // The running copy answers from its event loop while the new one waits for it.
        const bool ended = ui::test::WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 20000);
        if (!ended) second.kill();
        ASSERT_TRUE(ended) << second.readAll().toStdString();
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(QString::fromLocal8Bit(second.readAll()).contains(QString::fromUtf8("Varnisは既に起動しています")));

        EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
        EXPECT_TRUE(frame->isVisible());
        EXPECT_EQ(frame->isMinimized(), !c.comesForward);
        for (int bytes : holder.Connections()) EXPECT_EQ(bytes, 0);
        app->ExitInstance();
    }
}

// Another copy of the program, started with another home folder (so another program of
// its own as far as the single-instance lock goes), has the newest recent environment
// open: this start says which environment is in use, opens nothing of it, keeps it in the
// recent list and lets the person choose. Once the other copy has ended it opens.
TEST_F(VarnisAppTest, AnEnvironmentAnotherProgramHasOpenIsNotOpenedAgain) {
    // The other copy uses the program's own socket names: in a network namespace of this
    // test's own where it can, so that it meets no copy running on this machine.
    if (::getuid() == 0) ::unshare(CLONE_NEWNET);
    const std::string path = MakeEnvironment("顧客");
    SetRecent({path});
    const std::string other = root_ + "/other";
    for (const char* sub : {"/bin", "/lib", "/home", "/config", "/run"}) std::filesystem::create_directories(other + sub);
    std::filesystem::permissions(other + "/run", std::filesystem::perms::owner_all);
    // The other copy keeps its ini beside itself: a link of the program in a folder of its
    // own, with its core library beside it as an installed copy has it.
    std::filesystem::create_hard_link(QUENDREL_PROGRAM, other + "/bin/Quendrel");
    std::filesystem::create_hard_link(
        std::filesystem::canonical(std::filesystem::path(QUENDREL_PROGRAM).parent_path() / "../lib/libombrel.so.1"),
        other + "/lib/libombrel.so.1");
    CIniManager::WriteProfileStringA(other + "/bin/Quendrel.ini", "INFORMATION", "OPEN_AUTO", "N");
    CIniManager::WriteProfileStringA(other + "/bin/Quendrel.ini", "RECENTENV", "RECENTENV0", path.c_str());

    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto [name, value] : {std::pair{"HOME", "/home"}, {"XDG_CONFIG_HOME", "/config"}, {"XDG_RUNTIME_DIR", "/run"}})
        environment.insert(QString::fromUtf8(name), QString::fromStdString(other + value));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QString::fromStdString(other + "/bin/Quendrel"), {});
    ASSERT_TRUE(copy.waitForStarted());
    const std::string lock = root_ + "/顧客/Quendrel.lock";
    ASSERT_TRUE(ui::test::WaitUntil([&] { return HoldsFileLock(copy.processId(), lock); }, 20000))
        << copy.readAll().toStdString();

    {
        auto app = MakeApp();
        ui::test::WhenDialogShows("dlg265", [](QDialog* d) { d->reject(); });
        EXPECT_FALSE(app->InitInstance());
        ASSERT_EQ(prompts_.prompts().size(), 2u) << prompts_.texts().join("|").toStdString();
        EXPECT_EQ(prompts_.prompts()[0].text,
                  QString::fromStdString(path) + QString::fromUtf8("\r\nこの環境は他のプログラムで使用中のため、開けません"));
        EXPECT_EQ(prompts_.prompts()[0].caption, QString::fromUtf8("環境使用中"));
        EXPECT_EQ(prompts_.prompts()[1].text, QString::fromUtf8("Varnisを終了します"));
        EXPECT_EQ(Recent(0), path);
        EXPECT_EQ(app->MainFrame(), nullptr);
    }
    copy.kill();
    copy.waitForFinished();
    prompts_.clear();
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
    EXPECT_EQ(app->Environment().DescriptorPath(), path);
    app->ExitInstance();
}

// Closed maximised, the window opens maximised again, and restored it goes to the place
// it had before it was maximised (the rectangle kept is the normal one), also when that
// place was only taken in the run that closed maximised.
TEST_F(VarnisAppTest, TheMaximisedStateIsKeptBesideTheNormalPlace) {
    SetRecent({MakeEnvironment("a")});
    const std::string envIni = root_ + "/a/QuendrelT.ini";
    QRect normal;  // the outer rectangle, frame included
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        app->MainFrame()->setGeometry(100, 120, 1000, 600);
        normal = app->MainFrame()->frameGeometry();
        EXPECT_TRUE(app->MainFrame()->close());
    }
    EXPECT_EQ(static_cast<int>(CIniManager::GetProfileIntA(envIni, "MAINFRAMEINFO", "RIGHT", 0)), normal.right() + 1);
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        shell::CMainFrame* frame = app->MainFrame();
        EXPECT_FALSE(frame->isMaximized());
        EXPECT_TRUE(ui::test::WaitUntil([&] { return frame->frameGeometry() == normal; }));
        frame->showMaximized();
        ASSERT_TRUE(frame->isMaximized());
        EXPECT_TRUE(frame->close());
    }
    EXPECT_EQ(static_cast<int>(CIniManager::GetProfileIntA(envIni, "MAINFRAMEINFO", "LEFT", 0)), normal.left());
    EXPECT_EQ(static_cast<int>(CIniManager::GetProfileIntA(envIni, "MAINFRAMEINFO", "RIGHT", 0)), normal.right() + 1);
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        shell::CMainFrame* frame = app->MainFrame();
        EXPECT_TRUE(frame->isMaximized());
        frame->showNormal();
        EXPECT_TRUE(ui::test::WaitUntil([&] { return frame->frameGeometry() == normal; }))
            << frame->frameGeometry().x() << "," << frame->frameGeometry().width();
        EXPECT_TRUE(frame->close());
    }
    // Closed restored: the next start is not maximised. Resized, then maximised and closed:
    // the new size is the one restored at the next start.
    {
        auto app = MakeApp();
        ASSERT_TRUE(app->InitInstance());
        shell::CMainFrame* frame = app->MainFrame();
        EXPECT_FALSE(frame->isMaximized());
        frame->setGeometry(60, 70, 1100, 700);
        normal = frame->frameGeometry();
        frame->showMaximized();
        ASSERT_TRUE(frame->isMaximized());
        EXPECT_TRUE(frame->close());
    }
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance());
    shell::CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->isMaximized());
    frame->showNormal();
    EXPECT_TRUE(ui::test::WaitUntil([&] { return frame->frameGeometry() == normal; }))
        << frame->frameGeometry().width() << "x" << frame->frameGeometry().height();
    app->ExitInstance();
}

TEST_F(VarnisAppTest, ANewEnvironmentsFirstStartOpensTheSetupWizard) {
    ASSERT_EQ(shell::CreateNewEnvironment("new", root_, "N", "", false), 0);
    SetRecent({root_ + "/new.env"});
    bool wizard = false, windowShown = false;
    auto app = MakeApp();
    ui::test::WhenDialogShows("dlg278", [&](QDialog* d) {
        wizard = true;
        windowShown = app->MainFrame() && app->MainFrame()->isVisible();
        d->reject();
    });
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(wizard);
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());
    // Only once: the next start of the same environment goes without.
    app->ExitInstance();
    app.reset();
    wizard = false;
    auto again = MakeApp();
    ui::test::WhenDialogShows("dlg278", [&](QDialog* d) {
        wizard = true;
        d->reject();
    }, 1000);
    ASSERT_TRUE(again->InitInstance());
    ui::test::WaitUntil([] { return false; }, 1100);
    EXPECT_FALSE(wizard);
}

}  // namespace
