// The mail commands of the main window's list: what each selection allows, the refusals
// with their texts, and what reserve, cancel, delete, edit, new and duplicate do to the
// stored mails.
#include <gtest/gtest.h>

#include "app/environment/run_monitor.h"
#include "app/shell/mail_list_columns.h"
#include "app/shell/tests/mail_list_fixture.h"
#include "core/foundation/ini_manager.h"

namespace {

using mltest::FakeScreens;
using mltest::MailListTest;
using C = shell::MailListController;
using ui::U8;

class RunUnderWay : public shell::RunMonitor {
public:
    RunUnderWay() : previous_(shell::SetRunMonitor(this)) {}
    ~RunUnderWay() override { shell::SetRunMonitor(previous_); }
    bool IsRunning() const override { return true; }
    int RunKind() const override { return shell::kRunAutoSendReceive; }

private:
    shell::RunMonitor* previous_;
};

class MailCommandsTest : public MailListTest {
protected:
    void SetUp() override {
        MailListTest::SetUp();
        controller_ = std::make_unique<C>(screens_.registry);
        controller_->SetProgramIniPath(root_ + "/Quendrel.ini");
        controller_->SwitchMode(shell::mail_list::kModeAll);
    }
    C& Ctl() { return *controller_; }
    void Run(const std::vector<int>& selection, int command) {
        Select(Ctl(), selection);
        Ctl().Execute(command);
    }
    QString LastText() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().text; }
    QString LastCaption() const { return prompts_.prompts().empty() ? QString() : prompts_.prompts().back().caption; }

    FakeScreens screens_;
    std::unique_ptr<C> controller_;
};

TEST_F(MailCommandsTest, EachSelectionEnablesTheCommandsItAllows) {
    struct Case {
        std::vector<int> selection;
        // edit, duplicate, delete, reserve, cancel, detail, history
        bool enabled[7];
        // the reservation bar: enabled, 送信予約 pressed, 予約解除 pressed
        bool bar[3];
    };
    const int ids[] = {C::kIdEditMail, C::kIdDuplicate, C::kIdDelete, C::kIdReserve,
                       C::kIdCancelReserve, C::kIdDestinationDetail, C::kIdSendHistory};
    const Case cases[] = {
        {{}, {false, false, false, false, false, false, false}, {false, false, false}},
        {{1}, {true, true, true, true, false, true, true}, {true, false, true}},          // draft
        {{2}, {true, false, false, false, true, true, true}, {true, true, false}},        // waiting
        {{4}, {false, false, false, false, false, true, true}, {false, false, false}},    // sending
        {{6, 7}, {false, false, true, true, false, false, false}, {true, false, true}},   // sent, error
        {{1, 3}, {false, false, false, true, true, false, false}, {true, false, false}},  // draft, resend
        {{5, 9}, {false, false, false, false, true, false, false}, {true, true, false}},  // interrupted, split
        {{1, 4}, {false, false, false, false, false, false, false}, {false, false, false}},
    };
    for (const Case& k : cases) {
        Select(Ctl(), k.selection);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(Ctl().State(ids[i]).enabled, k.enabled[i]) << "command " << ids[i] << " case " << k.selection.size();
        EXPECT_EQ(Ctl().State(C::kIdReserveButton).enabled, k.bar[0]);
        EXPECT_EQ(Ctl().State(C::kIdCancelReserveButton).enabled, k.bar[0]);
        EXPECT_EQ(Ctl().State(C::kIdReserveButton).checked, k.bar[1]);
        EXPECT_EQ(Ctl().State(C::kIdCancelReserveButton).checked, k.bar[2]);
    }
    for (int id : {C::kIdNewMail, C::kIdSearch, C::kIdInformationPage, C::kIdModeDraft})
        EXPECT_TRUE(Ctl().State(id).enabled) << id;
    EXPECT_TRUE(Ctl().State(C::kIdModeAll).checked);
    EXPECT_FALSE(Ctl().State(C::kIdModeDraft).checked);
}

TEST_F(MailCommandsTest, CommandsWhoseScreenIsMissingAreDisabledAndDoNothing) {
    shell::ScreenRegistry none;
    C c(none);
    c.SwitchMode(shell::mail_list::kModeAll);
    Select(c, {1});
    for (int id : {C::kIdNewMail, C::kIdEditMail, C::kIdDuplicate, C::kIdSearch, C::kIdDestinationDetail,
                   C::kIdSendHistory, C::kIdInformationPage}) {
        EXPECT_FALSE(c.State(id).enabled) << id;
        c.Execute(id);
    }
    EXPECT_EQ(c.EditMail(1), 0);
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_EQ(StatusOf(1), "D");
    // Those that need no screen stay.
    EXPECT_TRUE(c.State(C::kIdReserve).enabled);
    EXPECT_TRUE(c.State(C::kIdDelete).enabled);
}

TEST_F(MailCommandsTest, RefusalsSayWhy) {
    struct Case {
        std::vector<int> selection;
        int command;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {{}, C::kIdDelete, "削除対象が選択されていません", "未選択"},
        {{2}, C::kIdDelete, "送信中のメールは削除ができません", "メール削除"},
        {{1, 2}, C::kIdDelete, "送信中のメールが含まれているため、削除ができません", "メール削除"},
        {{}, C::kIdReserve, "送信予約をする対象が選択されていません", "未選択"},
        {{}, C::kIdCancelReserve, "送信予約の解除をする対象が選択されていません", "未選択"},
        {{1, 6}, C::kIdDuplicate, "複製は、単一メール選択時のみ可能です", "選択異常"},
        {{2}, C::kIdDuplicate, "送信中のメールは複製できません", "メール複製"},
        {{1, 6}, C::kIdDestinationDetail, "宛先詳細の表示は、単一メール選択時のみ可能です", "選択異常"},
        {{}, C::kIdSendHistory, "送信履歴の表示は、単一メール選択時のみ可能です", "選択異常"},
    };
    for (const Case& k : cases) {
        prompts_.clear();
        Run(k.selection, k.command);
        ASSERT_EQ(prompts_.prompts().size(), 1u) << k.text;
        EXPECT_EQ(LastText(), U8(k.text));
        EXPECT_EQ(LastCaption(), U8(k.caption));
    }
    EXPECT_TRUE(screens_.composed.empty());
    EXPECT_TRUE(screens_.details.empty());
    EXPECT_EQ(StatusOf(2), "W");
}

TEST_F(MailCommandsTest, DeleteAsksThenMarksTheMailsDeletedAndSavesTheList) {
    prompts_.Answer(platform::kIdNo);
    Run({1}, C::kIdDelete);
    EXPECT_EQ(LastText(), U8("メールID: 1 のメール本文、履歴などを削除します\r\nよろしいですか？\r\n\r\n【復旧方法】\r\n"
                             "[ファイル]－[削除データ一覧]\r\nにおいて、任意のメールを元に戻すことができます\r\n"));
    EXPECT_EQ(LastCaption(), U8("メール削除の確認"));
    EXPECT_EQ(prompts_.prompts().back().style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(StatusOf(1), "D");

    prompts_.Answer(platform::kIdYes);
    Run({1, 6}, C::kIdDelete);
    EXPECT_EQ(LastCaption(), U8("複数メール削除の確認"));
    EXPECT_TRUE(LastText().startsWith(U8("選択したすべてのメール本文、履歴などを削除します\r\n")));
    EXPECT_EQ(StoredStatusOf(1), "S");
    EXPECT_EQ(StoredStatusOf(6), "S");
    EXPECT_EQ(Ids(*Ctl().Model()), (std::vector<int>{2, 3, 4, 5, 7, 9}));
    // The mail's files stay for the deleted-data list.
    EXPECT_TRUE(std::filesystem::exists(root_ + "/顧客/MAIL/1/mail1.dat"));
}

TEST_F(MailCommandsTest, ReserveListsOldMergeTagsPerTerminalAndSubject) {
    AddMail({10, "D", "旧タグ入り", "会員全員", "YN"},
            {{"<%郵便番号(上3桁)%>様へ", "本文"}, {}, {}, {"件名", "ご住所：<%番地%> <%建物名等%>"}});
    prompts_.Answer(platform::kIdNo);
    Ctl().Reload();
    Run({10}, C::kIdReserve);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(LastText(), U8("エラー個別情報差込タグが含まれています。\r\n"
                             "・通常(件名)\r\n     <%郵便番号(上3桁)%>\r\n"
                             "・SoftBank\r\n     <%番地%>\r\n     <%建物名等%>\r\n"
                             "\r\n"
                             "このまま送信を行うと、エラータグがそのまま送信されます。\r\n"
                             "エラータグの変更、または削除を行ってください"));
    EXPECT_EQ(LastCaption(), U8("送信予約"));
    EXPECT_EQ(prompts_.prompts().back().style, platform::kMbYesNo | platform::kMbIconWarning);
    EXPECT_EQ(StatusOf(10), "D");
    EXPECT_TRUE(screens_.composed.empty());

    // Yes opens the mail for editing.
    prompts_.Answer(platform::kIdYes);
    Run({10}, C::kIdReserve);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].mailId, 10);
}

TEST_F(MailCommandsTest, AnHtmlMailIsCheckedOnlyOnItsCommonRow) {
    AddMail({10, "D", "HTMLメール", "会員全員", "YY"}, {{}, {}, {}, {"件名", "<%番地%>"}});
    Ctl().Reload();
    Run({10}, C::kIdReserve);
    EXPECT_TRUE(prompts_.prompts().empty()) << LastText().toStdString();
    EXPECT_EQ(StoredStatusOf(10), "W");
}

TEST_F(MailCommandsTest, ReserveTakesTheEditableMailsAndSkipsThePendingOnes) {
    Run({1, 3, 6}, C::kIdReserve);
    EXPECT_TRUE(prompts_.prompts().empty()) << LastText().toStdString();
    EXPECT_EQ(StoredStatusOf(1), "W");
    EXPECT_EQ(StoredStatusOf(3), "R");
    EXPECT_EQ(StoredStatusOf(6), "W");
    const shell::MailListModel& m = *Ctl().Model();
    EXPECT_EQ(m.data(m.index(m.RowOfMail(1), 4)).toString(), U8("送信待ち"));
}

TEST_F(MailCommandsTest, AMailWithoutDestinationIsOpenedForEditingInsteadOfReserved) {
    AddMail({10, "D", "宛先なし", "", "YN"});
    AddMail({11, "D", "後のメール", "会員全員", "YN"});
    Ctl().Reload();
    screens_.duringCompose = [&](const shell::ComposeRequest&) { EXPECT_EQ(StatusOf(10), "D"); };
    Run({1, 10, 11}, C::kIdReserve);
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_EQ(LastText(), U8("メールの宛先は必須です\r\n必要な情報を入力して、再度保存をしてください"));
    EXPECT_EQ(prompts_.prompts().back().style, platform::kMbOk | platform::kMbIconWarning);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].mailId, 10);
    // The mail before it is reserved and kept; the one after it is left for later.
    EXPECT_EQ(StoredStatusOf(1), "W");
    EXPECT_EQ(StoredStatusOf(11), "D");
}

TEST_F(MailCommandsTest, CancelReservationMakesThePendingMailsDrafts) {
    Run({1, 2, 9}, C::kIdCancelReserve);
    EXPECT_EQ(StoredStatusOf(2), "D");
    EXPECT_EQ(StoredStatusOf(9), "D");
    EXPECT_EQ(StoredStatusOf(1), "D");
    EXPECT_EQ(Ctl().Model()->data(Ctl().Model()->index(Ctl().Model()->RowOfMail(9), 4)).toString(), U8("下書き"));
}

TEST_F(MailCommandsTest, EditingMakesTheMailADraftAndCancelPutsItsStatusBack) {
    std::string during;
    screens_.duringCompose = [&](const shell::ComposeRequest&) { during = StatusOf(2); };
    Run({2}, C::kIdEditMail);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(during, "D");
    EXPECT_EQ(StoredStatusOf(2), "W");
    const shell::ComposeRequest& r = screens_.composed[0];
    EXPECT_EQ(r.mailId, 2);
    EXPECT_EQ(r.textMail, 1);
    EXPECT_EQ(r.sourceMailId, -1);
    EXPECT_FALSE(r.initialBody.has_value());
    // The kind of the dialog follows the mail's kind letter.
    Ctl().EditMail(5);  // "Y": HTML for PCs
    Ctl().EditMail(7);  // "M": HTML for mobile phones
    ASSERT_EQ(screens_.composed.size(), 3u);
    EXPECT_EQ(screens_.composed[1].textMail, 0);
    EXPECT_EQ(screens_.composed[1].htmlKind, 0);
    EXPECT_EQ(screens_.composed[2].htmlKind, 1);
    EXPECT_EQ(Ctl().EditMail(4711), -1);
}

TEST_F(MailCommandsTest, EditClosedBySendNowReservesAndAsksTheSchedulerToSendIt) {
    screens_.composeResult = {platform::kIdOk, shell::kComposeSendNow, -1};
    EXPECT_EQ(Ctl().EditMail(1), 0);
    EXPECT_EQ(StoredStatusOf(1), "W");
    EXPECT_EQ(LastText(), U8("メールID[1]「春のキャンペーンのご案内」を今すぐ送信します。"));
    EXPECT_EQ(LastCaption(), U8("メール作成"));
    EXPECT_EQ(screens_.sentNow, std::vector<int>{1});
}

TEST_F(MailCommandsTest, AMailBeingSentIsNotEditedDuringARun) {
    RunUnderWay run;
    EXPECT_EQ(Ctl().EditMail(4), 0);
    EXPECT_EQ(LastText(), U8("送信中のメールは編集できません"));
    EXPECT_EQ(LastCaption(), U8("メール編集"));
    EXPECT_TRUE(screens_.composed.empty());
    EXPECT_EQ(StatusOf(4), "A");
}

TEST_F(MailCommandsTest, ANewMailOfTheChosenKindGetsItsRowAndIsAnnounced) {
    // The composing dialog stores mail 20 as a draft.
    screens_.duringCompose = [&](const shell::ComposeRequest&) { AddMail({20, "D", "新しいメール", "会員全員", "YM"}); };
    screens_.composeResult = {platform::kIdOk, shell::kComposeSavedAsDraft, 20};
    screens_.typeChoice = {platform::kIdOk, 1, 1};
    Ctl().SwitchMode(shell::mail_list::kModeSent);
    Ctl().Execute(C::kIdNewMail);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].textMail, 0);
    EXPECT_EQ(screens_.composed[0].htmlKind, 1);
    EXPECT_EQ(screens_.composed[0].mailId, -1);
    EXPECT_EQ(Ids(*Ctl().Model()), (std::vector<int>{6, 7, 20}));
    EXPECT_EQ(LastText(), U8("メールID[20]「新しいメール」をHTMLメールとして新規作成しました"));
    EXPECT_EQ(LastCaption(), U8("メール作成"));

    // Cancelled at the type question: nothing.
    screens_.typeChoice = {platform::kIdCancel, -1, -1};
    Ctl().Execute(C::kIdNewMail);
    EXPECT_EQ(screens_.composed.size(), 1u);
}

TEST_F(MailCommandsTest, ANewMailFromTheCommandLinesBodyFileIsATextMail) {
    screens_.duringCompose = [&](const shell::ComposeRequest&) { AddMail({20, "D", "本文ファイル", "", "NN"}); };
    screens_.composeResult = {platform::kIdOk, shell::kComposeSavedAsDraft, 20};
    Ctl().NewMailWithBody(QStringLiteral("/tmp/body.txt"));
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].textMail, 1);
    EXPECT_EQ(screens_.composed[0].htmlKind, 2);
    EXPECT_EQ(screens_.composed[0].initialBody, QStringLiteral("/tmp/body.txt"));
    EXPECT_EQ(LastText(), U8("実行時引数で与えた本文で\nメールID[20]「本文ファイル」をテキストメールとして新規作成しました"));
}

TEST_F(MailCommandsTest, DuplicateCopiesFromTheSourceAndNamesBoth) {
    screens_.duringCompose = [&](const shell::ComposeRequest&) { AddMail({21, "D", "年末年始の営業について（改）", "会員全員", "YN"}); };
    screens_.composeResult = {platform::kIdOk, shell::kComposeReserved, 21};
    Run({6}, C::kIdDuplicate);
    ASSERT_EQ(screens_.composed.size(), 1u);
    EXPECT_EQ(screens_.composed[0].sourceMailId, 6);
    EXPECT_EQ(screens_.composed[0].mailId, -1);
    EXPECT_EQ(screens_.composed[0].textMail, 1);
    EXPECT_EQ(LastText(), U8("メールID[6]「年末年始の営業について」のテキストメールを\n"
                             "メールID[21]「年末年始の営業について（改）」として複製しました"));
    EXPECT_EQ(LastCaption(), U8("メール複製"));
    // Closed by reserve: the copy waits to be sent.
    EXPECT_EQ(StatusOf(21), "W");
    EXPECT_GE(Ctl().Model()->RowOfMail(21), 0);
}

TEST_F(MailCommandsTest, TheScreensGetTheSelectedMail) {
    Run({6}, C::kIdDestinationDetail);
    Run({7}, C::kIdSendHistory);
    Ctl().Execute(C::kIdSearch);
    Ctl().Execute(C::kIdInformationPage);
    EXPECT_EQ(screens_.details, std::vector<int>{6});
    EXPECT_EQ(screens_.histories, std::vector<int>{7});
    EXPECT_EQ(screens_.searches, 1);
    EXPECT_EQ(screens_.informationPages, 1);
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(MailCommandsTest, TheInformationPageSettingIsWrittenAndMarked) {
    const std::string ini = root_ + "/Quendrel.ini";
    auto stored = [&] {
        std::string v;
        CIniManager::GetProfileStringA(ini, "INFORMATION", "OPEN_AUTO", v, "");
        return v;
    };
    Ctl().InitialUpdate();  // nothing stored yet: "Y"
    EXPECT_EQ(stored(), "Y");
    EXPECT_TRUE(Ctl().State(C::kIdInformationAutoShow).checked);
    Ctl().Execute(C::kIdInformationNoAutoShow);
    EXPECT_EQ(stored(), "N");
    EXPECT_TRUE(Ctl().State(C::kIdInformationNoAutoShow).checked);
    EXPECT_FALSE(Ctl().State(C::kIdInformationAutoShow).checked);

    C unwritable(screens_.registry);
    unwritable.SetProgramIniPath(root_ + "/no/such/folder/Quendrel.ini");
    unwritable.Execute(C::kIdInformationAutoShow);
    EXPECT_EQ(LastText(), U8("Quendrel.iniファイルに情報を書き出せませんでした"));
    EXPECT_EQ(LastCaption(), U8("Quendrel.iniファイルが正しくありません"));
}

TEST_F(MailCommandsTest, NothingWaitsOnceNoMailIsPending) {
    EXPECT_FALSE(Ctl().IsNothingWaiting());
    Run({2, 3, 5, 9}, C::kIdCancelReserve);
    EXPECT_TRUE(Ctl().IsNothingWaiting());
}

}  // namespace
