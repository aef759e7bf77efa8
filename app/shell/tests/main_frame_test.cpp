#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "app/shell/caption_bar.h"
#include "app/shell/command_strings.h"
#include "app/shell/list_bar.h"
#include "app/shell/splash_window.h"
#include "app/shell/tests/main_frame_fixture.h"
#include "app/shell/tool_bars.h"
#include "app/shell/varnis_app.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/store_key.h"
#include "core/foundation/system_option.h"

namespace {

using mftest::FakeRun;
using mftest::MainFrameTest;
using mltest::Screenshots;
using shell::CMainFrame;
using ui::U8;

TEST_F(MainFrameTest, DuringARunTheCommandsThatChangeDataAreDisabledAndTheScreensRefuseWithTheirTexts) {
    struct Case {
        int id;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {CMainFrame::kIdPersonalInformation, "送受信中は個人情報の変更ができません", "個人情報"},
        {CMainFrame::kIdSystemSettings, "送受信中はシステム設定の変更ができません", "システム設定"},
        {CMainFrame::kIdDeletedData, "送受信中は操作できません", "削除データ復旧"},
        {CMainFrame::kIdAutoRegistrationList, "送受信中は操作できません", "自動登録メール一覧"},
        {CMainFrame::kIdSetupWizard, "送受信中は初期設定ウィザードの起動ができません", "初期設定ウィザード"},
    };
    for (const Case& c : cases) EXPECT_TRUE(frame_->FindCommand(c.id)->isEnabled()) << c.id;
    FakeRun run(shell::kRunAutoReceive);
    frame_->UpdateCommandStates();
    for (int id : {57665, 32788, 32803, 32805, 32791, 1049, 32804, 32811, 32833})
        EXPECT_FALSE(frame_->FindCommand(id)->isEnabled()) << id;
    EXPECT_TRUE(frame_->FindCommand(CMainFrame::kIdAddressBook)->isEnabled());
    EXPECT_FALSE(frame_->SendCommand(CMainFrame::kIdPersonalInformation));

    // A command run all the same (its state not yet followed) refuses and opens nothing.
    for (const Case& c : cases) {
        prompts_.clear();
        frame_->FindCommand(c.id)->setEnabled(true);
        frame_->FindCommand(c.id)->trigger();
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.id;
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8(c.caption));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
    }
    EXPECT_EQ(screens_.personal + screens_.deleted, 0);
    EXPECT_TRUE(screens_.settingsWizardModes.empty());
    EXPECT_TRUE(screens_.autoRegistrationCounts.empty());
}

TEST_F(MainFrameTest, ScreenCommandsPauseTheSchedulerWhileTheirScreenIsOpenExceptTheAddressBook) {
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdPersonalInformation));
    EXPECT_EQ(screens_.personal, 1);
    EXPECT_FALSE(screens_.schedulerEnabledDuring);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());

    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdDeletedData));
    EXPECT_EQ(screens_.deleted, 1);
    EXPECT_FALSE(screens_.schedulerEnabledDuring);
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());

    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdAddressBook));
    ASSERT_EQ(screens_.addressBooks.size(), 1u);
    EXPECT_FALSE(screens_.addressBooks[0].forMail);
    EXPECT_EQ(screens_.addressBooks[0].mailId, -2);
    EXPECT_TRUE(screens_.schedulerEnabledDuring);
}

TEST_F(MainFrameTest, ACommandWhoseScreenIsNotInstalledIsDisabledAndDoesNothing) {
    shell::ScreenRegistry empty;
    shell::CMainFrame frame(nullptr, empty);
    frame.SetView(new shell::CVarnisView(empty));
    for (int id : {32791, 32784, 32804, 32811, 1049, 32788, 32803, 32805}) {
        EXPECT_FALSE(frame.SendCommand(id)) << id;
        frame.FindCommand(id)->trigger();
    }
    EXPECT_TRUE(prompts_.prompts().empty());
    frame.AppendCommand(frame.TopMenus().value(2), CMainFrame::kIdTimer, U8("タイマー停止(&T)"));
    EXPECT_FALSE(frame.SendCommand(CMainFrame::kIdTimer));
    // The wizard has no screen of its own to wait for.
    EXPECT_TRUE(frame.FindCommand(CMainFrame::kIdSetupWizard)->isEnabled());
}

TEST_F(MainFrameTest, SystemSettingsWriteTheOptionsAndRestartPeriodicReceiveOnlyWhenItsIntervalChanged) {
    struct Case {
        const char *on0, *minutes0, *on1, *minutes1;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"N", "", "Y", "10", {10}},  // switched on
        {"Y", "10", "Y", "10", {}},  // unchanged
        {"Y", "10", "Y", "15", {15}},
        {"Y", "10", "N", "10", {0}},  // switched off
        {"N", "", "N", "", {0}},      // off stays off, and counts from now
    };
    SystemOption& options = *shell::GetSystemOption();
    for (const Case& c : cases) {
        options.SetSODataToMemoryPinPoint(96, c.on0);
        options.SetSODataToMemoryPinPoint(97, c.minutes0);
        screens_.periodicReceives.clear();
        screens_.duringSettings = [&](SystemOption& o) {
            o.SetSODataToMemoryPinPoint(96, c.on1);
            o.SetSODataToMemoryPinPoint(97, c.minutes1);
        };
        ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSystemSettings));
        EXPECT_EQ(screens_.periodicReceives, c.expected) << c.on0 << c.minutes0 << c.on1 << c.minutes1;
    }
    EXPECT_FALSE(screens_.settingsWizardModes.back());
    EXPECT_FALSE(screens_.schedulerEnabledDuring);
    // What OK took is in the file.
    SystemOption stored(shell::GetEnvManager());
    ASSERT_GE(stored.GetSODataFromFileToMemory(), 0);
    std::string on;
    stored.GetSODataFromMemoryPinPoint(96, on);
    EXPECT_EQ(on, "N");

    // Cancel writes nothing and leaves the receive alone.
    screens_.settingsAnswer = platform::kIdCancel;
    screens_.duringSettings = [](SystemOption& o) { o.SetSODataToMemoryPinPoint(96, "Y"); };
    screens_.periodicReceives.clear();
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSystemSettings));
    EXPECT_TRUE(screens_.periodicReceives.empty());
    SystemOption again(shell::GetEnvManager());
    ASSERT_GE(again.GetSODataFromFileToMemory(), 0);
    again.GetSODataFromMemoryPinPoint(96, on);
    EXPECT_EQ(on, "N");
}

TEST_F(MainFrameTest, SystemSettingsThatCannotBeStoredAreToldAndStayInEffect) {
    // A directory where the settings file goes: the rename over it fails, as on a folder
    // that refuses the new file.
    const std::string path = env_layout::SystemOptionFile(*shell::GetEnvManager());
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    screens_.duringSettings = [](SystemOption& o) { o.SetSODataToMemoryPinPoint(96, "Y"); };
    prompts_.clear();
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSystemSettings));
    ASSERT_EQ(prompts_.captions(), QStringList{U8("システム設定")});
    EXPECT_TRUE(prompts_.texts()[0].startsWith(U8("システム設定を保存できませんでした")));
    std::string on;
    shell::GetSystemOption()->GetSODataFromMemoryPinPoint(96, on);
    EXPECT_EQ(on, "Y");
    std::filesystem::remove(path);
}

TEST_F(MainFrameTest, UnprocessedAutoRegistrationMailsOpenTheirListOnlyWhenThereAreAny) {
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdAutoRegistrationList));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("未処理の自動登録メールはありません"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("自動登録メールはありません"));
    EXPECT_TRUE(screens_.autoRegistrationCounts.empty());
    EXPECT_TRUE(shell::GetScheduler()->IsEnabled());

    // Two mails waiting, in the environment's own coding.
    BaseRecordStructer file;
    file.SetElementNumber(56);
    std::vector<std::string> row(56, "x");
    std::vector<const char*> cells;
    for (const std::string& s : row) cells.push_back(s.c_str());
    ASSERT_EQ(file.InsertString(cells.data()), 1);
    ASSERT_EQ(file.InsertString(cells.data()), 1);
    StoreKey key;
    ASSERT_EQ(GetStoreKey(shell::GetEnvManager(), key), 0);
    ASSERT_EQ(file.SaveCSVFile(service_->GetAutoRegPath(0), 1, key.get()), 1);
    prompts_.clear();
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdAutoRegistrationList));
    EXPECT_EQ(screens_.autoRegistrationCounts, std::vector<int>{2});
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
}

TEST_F(MainFrameTest, TheTimerCommandStartsAndStopsTheSchedulerAndItsMenuTextFollows) {
    QMenu* runMenu = frame_->TopMenus().value(3);
    ASSERT_TRUE(runMenu->title().contains(U8("受信")));
    QAction* timer = frame_->AppendCommand(runMenu, CMainFrame::kIdTimer, U8("タイマー停止(&T)"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->text(), U8("タイマーを起動する(&T)"));

    struct Case {
        bool running;
        int result;
        const char* text;
        unsigned icon;
    };
    const Case cases[] = {
        {false, 1, "送受信タイマーを起動しました", platform::kMbIconInformation},
        {true, 1, "送受信タイマーを停止しました", platform::kMbIconInformation},
        {false, 0, "送受信タイマーを起動出来ませんでした", platform::kMbIconError},
        {true, 0, "送受信タイマーを停止出来ませんでした", platform::kMbIconError},
    };
    for (const Case& c : cases) {
        screens_.timerRunning = c.running;
        screens_.timerResult = c.result;
        prompts_.clear();
        ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdTimer));
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.text));
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("送受信タイマー"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | c.icon);
    }
    screens_.timerRunning = true;
    emit runMenu->aboutToShow();
    EXPECT_EQ(timer->text(), U8("タイマーを停止する(&T)"));
    EXPECT_FALSE(timer->isChecked());
    emit runMenu->aboutToHide();

    screens_.timerExists = false;
    prompts_.clear();
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdTimer));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(prompts_.prompts()[0].text, U8("タイマーが使用できません"));
    EXPECT_EQ(prompts_.prompts()[0].caption, U8("致命的なエラーです"));
    EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconError);
}

TEST_F(MainFrameTest, SendAndReceiveCommandsStartTheirRunsAndNothingWhileOneIsUnderWay) {
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdReceive));
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSendReceive));
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSend));
    EXPECT_EQ(screens_.runs, (std::vector<int>{2, 1}));
    EXPECT_EQ(screens_.manualSends, 1);

    FakeRun run(shell::kRunScheduledSend);
    for (int id : {CMainFrame::kIdReceive, CMainFrame::kIdSendReceive, CMainFrame::kIdSend}) {
        frame_->FindCommand(id)->setEnabled(true);
        frame_->FindCommand(id)->trigger();
    }
    EXPECT_EQ(screens_.runs.size(), 2u);
    EXPECT_EQ(screens_.manualSends, 1);
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(MainFrameTest, TheListBarShowsTheModeOfTheClickedKeyAndFaxKeysChangeNothing) {
    shell::CListBarCtrl* bar = frame_->ListBar()->Control();
    EXPECT_EQ(bar->Keys(), (QStringList{"MAIL_ALL", "MAIL_DRAFT", "MAIL_WAIT", "MAIL_SEND", "MAIL_REPORT"}));
    EXPECT_EQ(bar->CurrentKey(), "MAIL_ALL");
    EXPECT_EQ(frame_->CaptionBar()->Caption(), U8(" すべて"));

    bar->ClickItem("MAIL_DRAFT");
    EXPECT_EQ(view_->Controller().Mode(), 2);
    EXPECT_EQ(view_->model()->rowCount(), 1);
    EXPECT_EQ(frame_->CaptionBar()->Caption(), U8(" 下書き"));
    for (const char* key : {"FAX_ALL", "FAX_WAIT", "FAX_SEND", "MAIL_OTHER", ""}) {
        bar->ClickItem(key);
        EXPECT_EQ(view_->Controller().Mode(), 2) << key;
    }
    // A mode chosen elsewhere moves the bar's mark.
    ASSERT_TRUE(frame_->SendCommand(32776));
    EXPECT_EQ(bar->CurrentKey(), "MAIL_REPORT");
    EXPECT_EQ(frame_->CaptionBar()->Caption(), U8(" レポート"));
    EXPECT_TRUE(frame_->CaptionBar()->CaptionField()->isReadOnly());
    EXPECT_TRUE(frame_->CaptionBar()->CaptionField()->font().bold());
}

TEST_F(MainFrameTest, TheBarsCarryTheCommandsWithTheirShortNamesAndTheirCommandsShowAndHideThem) {
    shell::CVarnisToolBar* system = frame_->SystemToolBar();
    struct Button {
        int id;
        const char* text;
    };
    for (const Button& b : {Button{1055, "新規作成"}, Button{1052, "編集"}, Button{32784, "アドレス帳"},
                            Button{32805, "送受信"}, Button{1049, "システム設定"}, Button{32783, "削除"}}) {
        QToolButton* button = system->ButtonOf(b.id);
        ASSERT_NE(button, nullptr) << b.id;
        EXPECT_EQ(button->text(), U8(b.text));
        EXPECT_EQ(button->size(), system->ButtonSize());
        EXPECT_EQ(button->defaultAction(), frame_->FindCommand(b.id));
    }
    // Nothing selected: editing is not available, and its button says so.
    EXPECT_FALSE(system->ButtonOf(1052)->isEnabled());
    EXPECT_EQ(system->ButtonSize().height(), 48 + 10 + system->fontMetrics().boundingRect(U8("編集")).height());

    // The reservation bar sits in the system bar's blank place.
    shell::CVarnisToolBar* reservation = frame_->ReservationBar();
    EXPECT_TRUE(system->Placeholder(CMainFrame::kIdReservationPlace)->isAncestorOf(reservation));
    EXPECT_EQ(reservation->ButtonOf(1364)->text(), U8("送信予約"));
    EXPECT_TRUE(reservation->ButtonOf(1365)->isCheckable());
    EXPECT_EQ(frame_->FindCommand(1364)->statusTip(), shell::CommandPrompt(1353));

    frame_->show();
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdSystemToolBar));
    EXPECT_FALSE(system->isVisible());
    EXPECT_FALSE(frame_->FindCommand(CMainFrame::kIdSystemToolBar)->isChecked());
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdListBar));
    EXPECT_FALSE(frame_->ListBar()->isVisible());
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdListBar));
    EXPECT_TRUE(frame_->ListBar()->isVisible());
    EXPECT_TRUE(frame_->FindCommand(CMainFrame::kIdListBar)->isChecked());
}

TEST(ToolBarTest, AButtonTakesTheLastPieceOfItsCommandStringAndTheTransparentColourGoes) {
    EXPECT_EQ(shell::ButtonTextOf(U8("メールを送信します\n送信予約")), U8("送信予約"));
    EXPECT_EQ(shell::ButtonTextOf(U8("送信予約")), U8("送信予約"));
    EXPECT_EQ(shell::ButtonTextOf(U8("a\nb\nc")), "c");
    EXPECT_EQ(shell::ButtonTextOf(U8("説明だけ\n")), "");
    EXPECT_EQ(shell::CommandPrompt(1353), U8("選択したメールを送信予約します"));

    QImage strip(2, 1, QImage::Format_RGB32);
    strip.setPixel(0, 0, 0xFFC0C0C0);
    strip.setPixel(1, 0, 0xFFC8D0D4);
    const QImage out = shell::CVarnisToolBar::MakeTransparent(strip, 0xC0C0C0);
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
    EXPECT_EQ(out.pixel(1, 0), 0xFFC8D0D4u);
}

TEST_F(MainFrameTest, PasswordCommandsFollowTheEnvironmentsPasswordFlag) {
    EnvManager& env = *shell::GetEnvManager();
    ASSERT_EQ(env.SetUseEnvPasswordFlag("N"), 0);
    frame_->UpdateCommandStates();
    EXPECT_TRUE(frame_->FindCommand(CMainFrame::kIdPasswordSet)->isEnabled());
    EXPECT_FALSE(frame_->FindCommand(CMainFrame::kIdPasswordChange)->isEnabled());
    EXPECT_FALSE(frame_->FindCommand(CMainFrame::kIdLock)->isEnabled());
    ASSERT_EQ(env.SetEnvPassword("abc123"), 0);
    ASSERT_EQ(env.SetUseEnvPasswordFlag("Y"), 0);
    frame_->UpdateCommandStates();
    EXPECT_FALSE(frame_->FindCommand(CMainFrame::kIdPasswordSet)->isEnabled());
    EXPECT_TRUE(frame_->FindCommand(CMainFrame::kIdPasswordChange)->isEnabled());
    EXPECT_TRUE(frame_->FindCommand(CMainFrame::kIdLock)->isEnabled());

    bool opened = false;
    ui::test::WhenDialogShows("dlg321", [&](QDialog* d) {
        opened = true;
        d->reject();
    });
    ASSERT_TRUE(frame_->SendCommand(CMainFrame::kIdPasswordChange));
    EXPECT_TRUE(opened);
}

TEST_F(MainFrameTest, TheLockHidesTheWindowsUntilTheRightPasswordAndCannotBeClosedOtherwise) {
    EnvManager& env = *shell::GetEnvManager();
    ASSERT_EQ(env.SetEnvPassword("abc123"), 0);
    ASSERT_EQ(env.SetUseEnvPasswordFlag("Y"), 0);
    frame_->show();
    screens_.statusWindow->show();
    FakeRun run(shell::kRunAutoSendReceive);  // runs go on while locked

    bool hidden = false, statusHidden = false, locked = false, stayed = false;
    QString told;
    ui::test::WhenDialogShows("dlg319", [&](QDialog* d) {
        hidden = !frame_->isVisible();
        statusHidden = !screens_.statusWindow->isVisible();
        locked = shell::CVarnisApp::IsLocked();
        EXPECT_EQ(frame_->LockWindow(), d);
        // Escape, the close box and a wrong password leave it where it is.
        d->reject();
        d->close();
        auto* edit = ui::FindControl<QLineEdit>(d, 1846);
        ui::test::TypeText(edit, "wrong");
        ui::test::ClickControl(d, 1);
        stayed = d->isVisible();
        told = prompts_.texts().join("|");
        ui::test::TypeText(edit, "abc123");
        ui::test::ClickControl(d, 1);
    });
    frame_->FindCommand(CMainFrame::kIdLock)->setEnabled(true);
    frame_->FindCommand(CMainFrame::kIdLock)->trigger();
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(statusHidden);
    EXPECT_TRUE(locked);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(told.startsWith(U8("パスワードが異なります"))) << told.toStdString();
    EXPECT_TRUE(frame_->isVisible());
    EXPECT_TRUE(screens_.statusWindow->isVisible());
    EXPECT_FALSE(shell::CVarnisApp::IsLocked());
    EXPECT_EQ(frame_->LockWindow(), nullptr);
}

// The status window closes itself or stays to show how the run ended; the frame only does
// the program's end of the run.
TEST_F(MainFrameTest, AFinishedRunSavesTheAddressBookAndLeavesTheStatusWindowToItself) {
    screens_.statusWindow->show();
    CDatabaseEdit& book = *shell::GetDatabaseEdit();
    std::vector<std::string> row(kCustomerElementCount);
    row[kElemCustomerID] = "1";
    ASSERT_EQ(book.AddLine(XCStringArrayEx(row)), 0);
    frame_->OnCommDone();
    EXPECT_TRUE(screens_.statusWindow->isVisible());
    CDatabaseEdit reread;
    ASSERT_EQ(reread.SetEnvManager(shell::GetEnvManager()), 1);
    EXPECT_EQ(reread.ReadCustomerList(), 1);
}

// The help files are not part of the system: the message names the file looked for and
// its folder, the help folder beside the program's.
TEST_F(MainFrameTest, MissingHelpFilesAreToldByKindWithTheFileLookedFor) {
    struct Case {
        int id;
        const char* text;
        const char* file;
    };
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const Case& c : {Case{CMainFrame::kIdHelpPdf, "ヘルプファイル(PDF版)が存在しません", "book.pdf"},
                          Case{CMainFrame::kIdHelpHtml, "ヘルプファイル(HTML版)が存在しません", "help.html"}}) {
        prompts_.clear();
        ASSERT_TRUE(frame_->SendCommand(c.id));
        ASSERT_EQ(prompts_.prompts().size(), 1u);
        const QString lookedFor = QFileInfo(programs.absolutePath()).dir().absolutePath() + "/help/" + c.file;
        EXPECT_EQ(prompts_.prompts()[0].text, U8(c.text) + U8("。\r\n探したファイル: ") + lookedFor);
        EXPECT_EQ(prompts_.prompts()[0].caption, U8("ヘルプがありません"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
    }
}

TEST_F(MainFrameTest, AnOpenMenuGivesItsPromptsTheWholeStatusBar) {
    frame_->show();
    QLabel* count = ui::FindControl<QLabel>(frame_.get(), CMainFrame::kIdcMailCountPane);
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isVisible());
    QMenu* file = frame_->TopMenus().value(0);
    emit file->aboutToShow();
    EXPECT_FALSE(count->isVisible());
    emit file->aboutToHide();
    EXPECT_TRUE(count->isVisible());
    EXPECT_EQ(frame_->FindCommand(CMainFrame::kIdLock)->statusTip(), shell::CommandPrompt(CMainFrame::kIdLock));
}

TEST(SplashTest, OneSplashAtATimeAndTheFirstPressOnlyClosesIt) {
    shell::CSplashWnd::ShowSplashScreen(nullptr);
    EXPECT_EQ(shell::CSplashWnd::Current(), nullptr);  // disabled

    shell::CSplashWnd::EnableSplashScreen(true);
    shell::CSplashWnd::ShowSplashScreen(nullptr);
    shell::CSplashWnd* splash = shell::CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    shell::CSplashWnd::ShowSplashScreen(nullptr);
    EXPECT_EQ(shell::CSplashWnd::Current(), splash);

    QLineEdit edit;
    edit.show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&edit, &press);
    EXPECT_EQ(edit.text(), "");  // the press went to the splash
    EXPECT_EQ(shell::CSplashWnd::Current(), nullptr);
    QKeyEvent again(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    QApplication::sendEvent(&edit, &again);
    EXPECT_EQ(edit.text(), "b");

    // The timer closes it too.
    shell::CSplashWnd::ShowSplashScreen(nullptr);
    ASSERT_NE(shell::CSplashWnd::Current(), nullptr);
    EXPECT_TRUE(ui::test::WaitUntil([] { return shell::CSplashWnd::Current() == nullptr; }, 3000));
    shell::CSplashWnd::EnableSplashScreen(false);
}

TEST_F(Screenshots, MainWindow) {
    AddMail({10, "C", "【重要】会員規約改定のお知らせ", "全会員（メルマガ希望者）", "NY", 1532, 12, 611});
    AddMail({11, "W", "ゴールデンウィーク特別セールのご案内", "神奈川県の会員", "NN"});
    mftest::WindowScreens screens;
    shell::CMainFrame frame(nullptr, screens.registry);
    auto* view = new shell::CVarnisView(screens.registry);
    frame.SetView(view);
    view->OnInitialUpdate();
    frame.SetTitle(U8("顧客"), view->Controller().ModeName());
    frame.SetMailCountText(shell::MailListController::MailCountText(1, view->model()->rowCount()));
    frame.AppendCommand(frame.TopMenus().value(3), CMainFrame::kIdTimer, U8("タイマー停止(&T)"));
    frame.resize(1180, 640);
    Select(view->Controller(), {2});
    EXPECT_TRUE(ui::test::SaveScreenshot(&frame, "main_window"));
}

}  // namespace
