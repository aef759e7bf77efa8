// The composing dialog: a new mail saved as a draft, the refusals of send and reserve, a
// copy that takes its source's send history as destinations, the refresh that Cancel
// undoes, the reservation controls and message, the map links, the HTML mail of a stored
// MIME text stored as a PC HTML mail, the send-ability check of the kinds, the question
// before changes are discarded, and pasted text against Shift_JIS and the fields' limits.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QTest>

#include "app/composer/carrier_text_pages.h"
#include "app/composer/composed_mail_destinations.h"
#include "app/composer/mail_edit_page_normal.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using cdtest::S;
using ui::U8;

class MailCreateDialogTest : public cdtest::ComposeEnvTest {
protected:
    // Writes subject and body into text page `t` as the user would leave them.
    static void Write(CMailCreateDialog& d, int t, const std::string& subject, const std::string& body) {
        d.GetTextPage(t)->Subject()->SetSjisText(subject);
        d.GetTextPage(t)->Body()->SetSjisText(body);
    }
    void Choose(CMailCreateDialog& d, int listId, const char* name, const char* honorific = "") {
        nextChoice_ = {true, listId, U8(name), U8(honorific)};
        d.OnDestination();
    }
    // The mail's entry with its address-set and renewal dates put back to 2020.
    void MakeOutOfDate(int mailId) {
        COneMailData m = MailEntry(mailId);
        m.SetDate(COneMailData::kRenewalDate, platform::DateTime(2020, 1, 2, 3, 4, 5), 0);
        m.SetDate(COneMailData::kSetAddressDate, platform::DateTime(2020, 1, 2, 3, 4, 6), 0);
        ASSERT_EQ(Mails().SetMailData(m), 0);
        ASSERT_EQ(Mails().WriteMailList(1), 0);
    }
};

TEST_F(MailCreateDialogTest, NewTextMailIsStoredAsADraftWithEveryShownPage) {
    auto d = OpenTextMail();
    ASSERT_TRUE(opened_);
    EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kNoResult);
    Write(*d, 0, S("春のご案内"), S("いつもありがとうございます。\r\n①②③"));
    Write(*d, 1, S("春"), S("本文") + "\xF8\x9F");
    Write(*d, 4, S("ウィルコム"), S("長い本文"));

    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kIdcDraft);
    const int id = d->GetMailID();
    ASSERT_GE(id, 0);
    const COneMailData entry = MailEntry(id);
    EXPECT_EQ(entry.GetStatus(), "D");
    EXPECT_EQ(entry.GetSpecialFlag(), "NN");
    EXPECT_EQ(entry.GetMailTitle(), S("春のご案内"));

    const OneMail stored = StoredMail(id, 'N');
    EXPECT_EQ(stored.subject[0], S("春のご案内"));
    EXPECT_EQ(stored.body[0], S("いつもありがとうございます。\r\n①②③"));
    EXPECT_EQ(stored.body[1], S("本文") + "\xF8\x9F");
    EXPECT_EQ(stored.subject[4], S("ウィルコム"));
    // Without a destination nothing of the recipients is written.
    EXPECT_EQ(cdtest::FileBytes(env_layout::MailRecipientFile(*Env(), id)), "");
}

TEST_F(MailCreateDialogTest, SendAndReserveWithoutDestinationStoreNothing) {
    auto d = OpenTextMail();
    Write(*d, 0, "subject", "body");
    const int before = Mails().CountMail();
    for (int command : {CMailCreateDialog::kIdcSendNow, CMailCreateDialog::kIdcReserve}) {
        prompts_.clear();
        EXPECT_FALSE(d->OnButtonAction(command));
        ASSERT_EQ(prompts_.texts(), QStringList{U8("メールの宛先を設定して下さい。")});
        EXPECT_EQ(prompts_.captions()[0], U8("注意"));
    }
    EXPECT_EQ(Mails().CountMail(), before);
    EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kNoResult);
}

TEST_F(MailCreateDialogTest, StoredMailKeepsTheTextsOfPagesNeverShownAndStoresUntouchedTextsUnchanged) {
    // Shift_JIS the edits must give back as they came: duplicate CP932 codes, a pictogram,
    // half-width katakana.
    const std::string body = "\x87\x40\xED\x40\xFA\x40 " + S("ｶﾀｶﾅ") + "\xF9\x9B\r\nline";
    const int id = StoreMail('N', S("件名"), body);
    auto d = OpenTextMail(id);
    EXPECT_EQ(d->GetTextPage(2)->Body()->GetSjisText(), body);
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    const OneMail stored = StoredMail(id, 'N');
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        EXPECT_EQ(stored.subject[static_cast<std::size_t>(row)], S("件名")) << row;
        EXPECT_EQ(stored.body[static_cast<std::size_t>(row)], body) << row;
    }
}

TEST_F(MailCreateDialogTest, CopyWithItsHistoryTakesThoseWhoGotTheSource) {
    const int source = StoreMail('N', S("元のメール"), S("本文"), S("会員"));
    WriteConditions(EC_TYPE_MAIL, source, "source");
    WriteHistory(source, {Sent(pc_, "C"), Sent(docomo_, "C"), Sent(au_, "E")});

    auto d = OpenTextMail(-1, source);
    ASSERT_TRUE(opened_);
    ASSERT_EQ(prompts_.captions(), QStringList{U8("元メールの送信履歴利用確認")});
    const QString name = U8("会員(メールID%1の履歴から生成)").arg(source);
    EXPECT_EQ(ui::FindControl<QLineEdit>(d.get(), CMailCreateDialog::kIdcDestinationName)->text(), name);
    EXPECT_EQ(d->GetTextPage(0)->Subject()->GetSjisText(), S("元のメール"));

    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    const int id = d->GetMailID();
    EXPECT_NE(id, source);
    EXPECT_EQ(MailEntry(id).GetSpecialFlag(), "YN");
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), (std::vector<int>{pc_, docomo_}));
    // The conditions came along.
    ExtractAction action;
    action.SetEnvManager(Env());
    action.SetDatabaseEdit(&Book());
    ASSERT_EQ(action.SetTypeAndID(EC_TYPE_MAIL, id), 0);
    ASSERT_EQ(action.GetExtractConditionFromFileToMemory(0, nullptr), 0);
    OneExtractCondition condition;
    ASSERT_EQ(action.GetExtractConditionFromMemoryToStruct(condition, 0, 0), 0);
    EXPECT_EQ(condition, AnyCondition("source"));
}

// The destination's name and its honorific are filled by the destination dialog: shown
// read-only, not on an input field's white, and never given the focus.
TEST_F(MailCreateDialogTest, TheDestinationNameAndHonorificShowAsReadOnly) {
    auto d = OpenTextMail(-1);
    const QColor input = d->GetTextPage(0)->Subject()->palette().color(QPalette::Base);
    for (int id : {CMailCreateDialog::kIdcDestinationName, CMailCreateDialog::kIdcHonorific}) {
        auto* field = ui::FindControl<QLineEdit>(d.get(), id);
        ASSERT_NE(field, nullptr) << id;
        EXPECT_TRUE(field->isReadOnly()) << id;
        EXPECT_EQ(field->focusPolicy(), Qt::NoFocus) << id;
        EXPECT_NE(field->palette().color(QPalette::Base), input) << id;
    }
}

TEST_F(MailCreateDialogTest, CopyWithoutItsHistoryStartsWithoutDestination) {
    const int source = StoreMail('N', S("元"), S("本文"), S("会員"));
    prompts_.Answer(platform::kIdNo);
    auto d = OpenTextMail(-1, source);
    EXPECT_EQ(ui::FindControl<QLineEdit>(d.get(), CMailCreateDialog::kIdcDestinationName)->text(), QString());
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    EXPECT_EQ(MailEntry(d->GetMailID()).GetSpecialFlag(), "NN");

    // A source without a destination asks nothing.
    const int bare = StoreMail('N', S("元"), S("本文"));
    prompts_.clear();
    auto e = OpenTextMail(-1, bare);
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(MailCreateDialogTest, CancelAfterARefreshPutsConditionsRecipientsAndDatesBackByteForByte) {
    const int id = StoreMail('N', S("件名"), S("本文"), S("会員"));
    WriteConditions(EC_TYPE_MAIL, id, "mine");
    WriteIds(ER_TYPE_MAIL, id, {pc_});
    MakeOutOfDate(id);
    const std::string conditions = cdtest::FileBytes(env_layout::MailConditionFile(*Env(), id));
    const std::string recipients = cdtest::FileBytes(env_layout::MailRecipientFile(*Env(), id));
    const COneMailData before = MailEntry(id);
    renewTo_ = {docomo_, au_};

    auto d = OpenTextMail(id);
    ASSERT_TRUE(d->OnCheckSendable());
    EXPECT_EQ(renewals_, 1);
    EXPECT_EQ(prompts_.captions(),
              (QStringList{U8("宛先を最新状態にします"), U8("宛先を最新にしました"), U8("メール送信可否")}));
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), (std::vector<int>{docomo_, au_}));
    EXPECT_GT(MailEntry(id).GetSetAddressDate(), before.GetSetAddressDate());

    d->OnCancel();
    EXPECT_EQ(cdtest::FileBytes(env_layout::MailConditionFile(*Env(), id)), conditions);
    EXPECT_EQ(cdtest::FileBytes(env_layout::MailRecipientFile(*Env(), id)), recipients);
    CMailListViewer fresh(Env());
    COneMailData after;
    ASSERT_EQ(fresh.GetMailData(id, after), 0);
    EXPECT_EQ(after.GetRenewalDate(), before.GetRenewalDate());
    EXPECT_EQ(after.GetSetAddressDate(), before.GetSetAddressDate());
}

TEST_F(MailCreateDialogTest, SilentRefreshAsksNothingAndAFailedOneLeavesTheMailOutOfDate) {
    const int id = StoreMail('N', S("件名"), S("本文"), S("会員"));
    WriteConditions(EC_TYPE_MAIL, id, "mine");
    WriteIds(ER_TYPE_MAIL, id, {pc_});
    MakeOutOfDate(id);
    SetOption(11, "Y");
    ComposedDestinations destinations(CheckStores::Program());

    // The refresh screen fails: the dates stay, so the next check tries again.
    const compose::ComposeDialogHooks hooks = GetComposeDialogHooks();
    compose::ComposeDialogHooks failing = hooks;
    failing.renewDestinations = [](QWidget*, int) { return false; };
    SetComposeDialogHooks(failing);
    EXPECT_EQ(destinations.RefreshCheck(nullptr, id, false), U8("メールID[%1]の宛先を最新の状態にできませんでした").arg(id));
    EXPECT_EQ(MailEntry(id).GetSetAddressDate(), platform::DateTime(2020, 1, 2, 3, 4, 6));
    SetComposeDialogHooks(hooks);

    renewTo_ = {au_};
    EXPECT_EQ(destinations.RefreshCheck(nullptr, id, false), QString());
    EXPECT_TRUE(prompts_.prompts().empty());
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), std::vector<int>{au_});
    // Up to date now: nothing more happens.
    EXPECT_EQ(destinations.RefreshCheck(nullptr, id, false), QString());
    EXPECT_EQ(renewals_, 1);
}

TEST_F(MailCreateDialogTest, ReservationControlsShowTheFirstItemBeginningWithTheValue) {
    struct Case {
        int hour, minute;
        const char* shownHour;
        const char* shownMinute;
    };
    const Case cases[] = {{9, 5, "9", "00"}, {0, 0, "0", "00"}, {15, 30, "15", "30"}, {23, 35, "23", "00"}};
    for (const Case& c : cases) {
        OneMailMaker maker;
        maker.SetEnvManager(Env());
        maker.SetMailListViewer(&Mails());
        maker.SetMailID(-1);
        OneMail mail;
        maker.GetOneMailData(mail, "N", 5);
        mail.reserveDate = platform::DateTime(2030, 4, 5, c.hour, c.minute, 0);
        ASSERT_EQ(maker.SetOneMailData(mail, "N", 5), 0);
        auto d = OpenTextMail(maker.GetMailID());
        EXPECT_EQ(ui::FindControl<QComboBox>(d.get(), CMailCreateDialog::kIdcReserveHour)->currentText(),
                  QString::fromLatin1(c.shownHour));
        EXPECT_EQ(ui::FindControl<QComboBox>(d.get(), CMailCreateDialog::kIdcReserveMinute)->currentText(),
                  QString::fromLatin1(c.shownMinute));
        ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
        const platform::DateTime stored = MailEntry(maker.GetMailID()).GetReserveDate();
        EXPECT_EQ(stored, platform::DateTime(2030, 4, 5, QString::fromLatin1(c.shownHour).toInt(),
                                             QString::fromLatin1(c.shownMinute).toInt(), 0))
            << c.hour << ":" << c.minute;
    }
}

TEST_F(MailCreateDialogTest, ReserveAsksWithTheDestinationNameCutWhereACharacterEnds) {
    const int list = AddList("list", {pc_, docomo_});
    struct Case {
        std::string name;
        bool cut;
    };
    // 75 bytes: shown whole. 76 bytes whose byte 75 is a lead byte: cut to 74.
    const Case cases[] = {{std::string(75, 'a'), false}, {std::string(74, 'b') + S("あ"), true}};
    for (const Case& c : cases) {
        auto d = OpenTextMail();
        Write(*d, 0, "subject", "body");
        for (int t = 1; t <= 4; ++t) Write(*d, t, "s", "b");
        Choose(*d, list, "");
        ui::FindControl<QLineEdit>(d.get(), CMailCreateDialog::kIdcDestinationName)->setText(ui::FromSjis(c.name));
        QString shown;
        ui::test::WhenDialogShows(QStringLiteral("dlg937"), [&shown](QDialog* dialog) {
            shown = ui::FindControl<QLabel>(dialog, 1906)->text();
            dialog->reject();
        });
        EXPECT_FALSE(d->OnButtonAction(CMailCreateDialog::kIdcReserve));
        const QString expected =
            c.cut ? U8("送信予約後から送信日時までの間に\r\n\r\n　宛先「%1」\r\n　(長い宛先名は75文字目まで表示されます)\r\n\r\n")
                        .arg(QString(74, QLatin1Char('b')))
                  : U8("送信予約後から送信日時までの間に\r\n\r\n　宛先「%1」\r\n\r\n").arg(ui::FromSjis(c.name));
        EXPECT_TRUE(shown.startsWith(expected)) << shown.toStdString();
        EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kNoResult);
    }
}

TEST_F(MailCreateDialogTest, ReservedMailTakesTheChosenListWithoutThoseItCannotBeSentToAgain) {
    TurnOffConfirmation("RESERVEDATE");
    const int list = AddList("会員", {pc_, docomo_, au_}, "様");
    auto d = OpenTextMail();
    for (int t = 0; t <= 4; ++t) Write(*d, t, "subject", "body");
    Choose(*d, list, "会員", "様");
    EXPECT_EQ(choiceAskedFor_, std::vector<int>{-1});
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcReserve)) << prompts_.texts().join("/").toStdString();
    const int id = d->GetMailID();
    EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kIdcReserve);
    EXPECT_EQ(MailEntry(id).GetAddressName(), S("会員"));
    EXPECT_EQ(MailEntry(id).GetHonorific(), S("様"));
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), (std::vector<int>{pc_, docomo_, au_}));

    // Editing it again with the same list: a recipient the history says was sent leaves,
    // and the recipients count as up to date.
    WriteHistory(id, {Sent(docomo_, "C")});
    MakeOutOfDate(id);
    auto e = OpenTextMail(id);
    Choose(*e, list, "会員", "様");
    ASSERT_TRUE(e->OnButtonAction(CMailCreateDialog::kIdcDraft));
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), (std::vector<int>{pc_, au_}));
    EXPECT_GT(MailEntry(id).GetSetAddressDate(), platform::DateTime(2024, 1, 1, 0, 0, 0));
    prompts_.clear();
    ComposedDestinations destinations(CheckStores::Program());
    EXPECT_EQ(destinations.RefreshCheck(nullptr, id, false), QString());
    EXPECT_TRUE(prompts_.prompts().empty());
}

TEST_F(MailCreateDialogTest, MapLinksLoadUpToTwentyAndAnIncompleteListLoadsNone) {
    auto quoted = [](int count, const char* stem) {
        std::string text;
        for (int i = 0; i < count; ++i) text += (i ? ",\"" : "\"") + std::string(stem) + std::to_string(i) + "\"";
        return text;
    };
    struct Case {
        int names, urls;
        std::size_t loaded;
        bool message;
    };
    const Case cases[] = {{20, 20, 20, false}, {21, 21, 0, true}, {3, 2, 2, false}, {2, 3, 0, false}, {0, 0, 0, false}};
    for (const Case& c : cases) {
        SetOption(121, quoted(c.names, "name,"));
        SetOption(122, quoted(c.urls, "http://map/?p="));
        prompts_.clear();
        auto d = OpenTextMail();
        EXPECT_EQ(MapLinkList::Get().GetCount(), c.loaded) << c.names << "/" << c.urls;
        EXPECT_EQ(prompts_.texts().contains(U8("地図リンクの登録数が登録可能最大数を超過しています。")), c.message);
        if (c.loaded > 0) {
            EXPECT_EQ(MapLinkList::Get().GetAt(1), MapLinkList::Link("name,1", "http://map/?p=1"));
        }
    }
}

TEST_F(MailCreateDialogTest, HtmlMailOfAStoredMimeTextIsStoredAndCheckedAsAPcHtmlMail) {
    auto d = Open(0, 2, -1);
    ASSERT_EQ(htmlPages_.size(), 1u);
    cdtest::FakeHtmlPage& page = *htmlPages_[0];
    EXPECT_EQ(page.PageFormat(), kHtmlPageMime);
    EXPECT_EQ(d->GetKindLetter(), 'Y');
    EXPECT_EQ(d->HtmlPage(kKindHtmlPc), &page);
    page.subject = S("HTMLの件名");
    page.mime = "MIME-Version: 1.0\r\nContent-Type: text/html\r\n\r\n<html>x</html>";
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    EXPECT_EQ(page.saves, 1);
    const int id = d->GetMailID();
    EXPECT_EQ(MailEntry(id).GetSpecialFlag(), "NY");
    const OneMail stored = StoredMail(id, 'Y');
    EXPECT_EQ(stored.subject[0], page.subject);
    EXPECT_EQ(stored.body[0], page.mime);
}

TEST_F(MailCreateDialogTest, HtmlMailWithoutItsPagesDoesNotOpen) {
    ComposeDialogHooks hooks = GetComposeDialogHooks();
    hooks.makeHtmlPage = nullptr;
    SetComposeDialogHooks(hooks);
    const int before = Mails().CountMail();
    auto d = Open(0, 1, -1);
    EXPECT_FALSE(opened_);
    EXPECT_EQ(prompts_.texts(), QStringList{U8("HTMLメールの編集画面を開けません。")});
    EXPECT_EQ(Mails().CountMail(), before);
}

TEST_F(MailCreateDialogTest, SendabilityNeedsAnAddressTheKindCanReach) {
    const int pcAndWillcom = AddList("pc", {pc_, willcom_});
    struct Case {
        int textMail, htmlKind;
        const char* message;
    };
    const Case cases[] = {
        {0, 1, "設定されている宛先には、送信可能な携帯キャリアのメールアドレスが存在しません。"},
        {1, 2, nullptr},
    };
    for (const Case& c : cases) {
        auto d = Open(c.textMail, c.htmlKind, -1);
        if (c.textMail) {
            for (int t = 0; t <= 4; ++t) Write(*d, t, "s", "b");
        }
        Choose(*d, pcAndWillcom, "pc");
        prompts_.clear();
        EXPECT_EQ(d->OnCheckSendable(), c.message == nullptr);
        ASSERT_FALSE(prompts_.texts().isEmpty());
        EXPECT_EQ(prompts_.texts().back(), c.message ? U8(c.message) : U8("正常に終了しました。\r\n送信可能なメールです。"));
    }
    const int nobody = AddList("nobody", {});
    auto d = OpenTextMail();
    Choose(*d, nobody, "nobody");
    prompts_.clear();
    EXPECT_FALSE(d->OnCheckSendable());
    EXPECT_EQ(prompts_.texts(), QStringList{U8("設定されている宛先には、送信可能なメールアドレスが存在しません。")});
}

TEST_F(MailCreateDialogTest, MobileAttachmentsAreAdvisedBeforeSending) {
    const int list = AddList("all", {pc_, au_});
    auto d = OpenTextMail();
    for (int t = 0; t <= 4; ++t) Write(*d, t, "s", "b");
    Choose(*d, list, "all");
    ASSERT_EQ(d->GetTextPage(2)->AddAttachmentFromBuffer("a.txt", "abc", 3), 1);
    QString shown;
    ui::test::WhenDialogShows(QStringLiteral("dlg937"), [&shown](QDialog* dialog) {
        shown = dialog->windowTitle() + "|" + ui::FindControl<QLabel>(dialog, 1906)->text();
        dialog->reject();
    });
    EXPECT_FALSE(d->OnButtonAction(CMailCreateDialog::kIdcSendNow));
    EXPECT_EQ(shown, U8("確認|携帯端末に添付ファイルを送信する場合は、受信者のパケット料金を考慮し、必要最低限のサイズに抑えることを"
                        "推奨します。\r\n([OK]ボタンクリックで送信設定を続行します。)"));
    // Only the check button's check asks nothing.
    EXPECT_TRUE(d->OnCheckSendable());
}

TEST_F(MailCreateDialogTest, WizardModeWithoutDestinationAsksForTextFirst) {
    auto d = std::make_unique<CMailCreateDialog>(nullptr, 1, 2, -1, -1);
    d->SetWizardMode(true);
    ASSERT_TRUE(d->OnInitDialog());
    EXPECT_TRUE(d->windowTitle().endsWith(U8(" － ウィザードモード")));
    EXPECT_FALSE(ui::FindControl<QPushButton>(d.get(), CMailCreateDialog::kIdcDraft)->isEnabled());
    EXPECT_FALSE(ui::FindControl<QComboBox>(d.get(), CMailCreateDialog::kIdcReserveHour)->isEnabled());
    EXPECT_TRUE(ui::FindControl<QPushButton>(d.get(), CMailCreateDialog::kIdcDestination)->isEnabled());
    EXPECT_FALSE(d->GetPcPage()->ReflectButton()->isEnabled());
    EXPECT_FALSE(d->GetSheet()->GetTabCtrlEx()->IsItemEnabled(1));
    d->show();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return !prompts_.prompts().empty(); }));
    EXPECT_EQ(prompts_.texts()[0], U8("件名とメール本文を入力してください。\r\n終わりましたら(左上の)[宛先]ボタンをクリックし"
                                      "てください。\r\n宛先の個人情報入力へ進みます。"));
    // The destination button saves the draft and the wizard goes on.
    Write(*d, 0, "s", "b");
    d->OnDestination();
    EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kIdcDraft);
    EXPECT_TRUE(choiceAskedFor_.empty());
}

TEST_F(MailCreateDialogTest, SetupWizardAssignsAListToAStoredMail) {
    const int list = AddList("会員", {pc_, au_});
    const int id = StoreMail('N', "s", "b");
    ASSERT_TRUE(AssignListToMail(nullptr, id, list, U8("会員")));
    EXPECT_EQ(StoredIds(ER_TYPE_MAIL, id), (std::vector<int>{pc_, au_}));
    EXPECT_EQ(MailEntry(id).GetAddressName(), S("会員"));
    EXPECT_FALSE(AssignListToMail(nullptr, id, list + 100, U8("無い")));
    EXPECT_EQ(prompts_.captions(), QStringList{U8("宛先割り当て失敗")});
}

TEST_F(MailCreateDialogTest, ClosingWithoutSavingAsksOnlyWhenSomethingChanged) {
    const QString question = U8("作成中のメールの内容は保存されていません。\r\n"
                                "変更した内容を破棄して、メール作成を終了してもよろしいですか？\r\n"
                                "([キャンセル]ボタンをクリックするとメール作成に戻ります。)");
    const int stored = StoreMail('N', S("件名"), S("本文"));
    const int list = AddList("会員", {pc_});
    struct Change {
        const char* what;
        int mailId;
        std::function<void(CMailCreateDialog&)> make;
    } changes[] = {
        {"subject typed in a new mail", -1,
         [](CMailCreateDialog& d) { ui::test::TypeText(d.GetTextPage(0)->Subject(), "ご案内"); }},
        {"carrier body of a stored mail", stored,
         [](CMailCreateDialog& d) { d.GetTextPage(3)->Body()->InsertText(U8("追記")); }},
        {"destination chosen", stored, [&](CMailCreateDialog& d) { Choose(d, list, "会員"); }},
        // The hour after the one shown (the stored mail's is the hour it was stored in).
        {"reservation hour", stored,
         [](CMailCreateDialog& d) {
             auto* hour = ui::FindControl<QComboBox>(&d, CMailCreateDialog::kIdcReserveHour);
             hour->setCurrentIndex((hour->currentIndex() + 1) % hour->count());
         }},
    };
    const std::function<void(CMailCreateDialog&)> ways[] = {
        [](CMailCreateDialog& d) { ui::test::ClickControl(&d, CMailCreateDialog::kIdcCancel); },
        [](CMailCreateDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](CMailCreateDialog& d) { d.close(); },
    };
    for (const auto& close : ways) {
        for (int id : {-1, stored}) {
            // Opened and looked at: closes at once.
            auto d = OpenTextMail(id);
            d->show();
            d->GetSheet()->SetActivePage(1);
            close(*d);
            EXPECT_FALSE(d->isVisible());
            EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join("|").toStdString();
        }
        for (const Change& change : changes) {
            auto d = OpenTextMail(change.mailId);
            d->show();
            change.make(*d);
            prompts_.clear();
            prompts_.Answer(platform::kIdCancel);
            close(*d);
            ASSERT_EQ(prompts_.texts(), QStringList{question}) << change.what;
            EXPECT_EQ(prompts_.captions()[0], U8("確認"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOkCancel | platform::kMbIconQuestion | ui::kMbDefButton2);
            EXPECT_TRUE(d->isVisible()) << change.what;
            close(*d);  // OK: discarded
            EXPECT_FALSE(d->isVisible()) << change.what;
            EXPECT_EQ(d->GetResultCode(), CMailCreateDialog::kNoResult);
            prompts_.clear();
        }
    }
    EXPECT_EQ(StoredMail(stored, 'N').body[3], S("本文"));

    // An HTML mail: the HTML part changed.
    auto d = Open(0, 0, -1);
    d->show();
    htmlPages_.back()->html = "<html><body>changed</body></html>";
    prompts_.Answer(platform::kIdCancel);
    d->reject();
    EXPECT_EQ(prompts_.texts(), QStringList{question});
    EXPECT_TRUE(d->isVisible());
}

TEST_F(MailCreateDialogTest, PastedTextKeepsWhatShiftJisHoldsAndWhatFitsAndSaysSo) {
    const QString dropped = U8("以下の文字はこのソフトでは使用できないため、取り除いて入力しました。\r\n\r\n"
                               "　　- 取り除いた文字 -\r\n　　　");
    const QString subjectCut = U8("入力できる長さを超えたため、超えた分を切り捨てて入力しました。\r\n"
                                  "この欄に入力できるのは半角512文字(全角256文字)までです。");
    const QString bodyCut = U8("入力できる長さを超えたため、超えた分を切り捨てて入力しました。\r\n"
                               "この欄に入力できるのは半角100,000文字(全角50,000文字)までです。");
    const QString full255 = QString(255, QChar(0x3042));  // あ x 255: 510 bytes
    struct Case {
        const char* what;
        bool body;
        QString before;  // already in the field
        QString pasted;
        QString kept;    // the field afterwards
        QString message;
    } cases[] = {
        {"emoji in a subject", false, {}, U8("ご案内🎄"), U8("ご案内"), dropped + U8("「🎄」\r\n")},
        {"outside CP932 in a body", true, U8("前"), U8("営業部😀①Ⅱ한"), U8("前営業部①Ⅱ"), dropped + U8("「😀」「한」\r\n")},
        {"over the limit by one character", false, {}, QString(257, QChar(0x3042)), QString(256, QChar(0x3042)), subjectCut},
        {"a lead byte at the limit", false, {}, QStringLiteral("a") + QString(256, QChar(0x3042)),
         QStringLiteral("a") + full255, subjectCut},
        {"both at once", false, U8("件"), U8("🎄") + full255 + U8("いう"), U8("件") + full255,
         dropped + U8("「🎄」\r\n") + QStringLiteral("\r\n") + subjectCut},
        {"body over the limit by one character", true, {}, QString(50001, QChar(0x3042)), QString(50000, QChar(0x3042)),
         bodyCut},
    };
    for (const Case& c : cases) {
        auto d = OpenTextMail();
        d->show();
        SjisLimitedEdit* edit = c.body ? static_cast<SjisLimitedEdit*>(d->GetTextPage(0)->Body()) : d->GetTextPage(0)->Subject();
        edit->setFocus();
        edit->InsertText(c.before);
        prompts_.clear();
        QApplication::clipboard()->setText(c.pasted);
        edit->paste();
        cdtest::Pump();
        EXPECT_EQ(ui::FromSjis(edit->GetSjisText()), c.kept) << c.what;
        EXPECT_EQ(edit->GetByteCount(), edit->GetSjisText().size()) << c.what;
        ASSERT_EQ(prompts_.prompts().size(), 1u) << c.what;
        EXPECT_EQ(prompts_.texts()[0], c.message) << c.what;
        EXPECT_EQ(prompts_.captions()[0], U8("注意")) << c.what;
        prompts_.Answer(platform::kIdOk);  // discarded: the next case starts afresh
        d->reject();
    }
}

}  // namespace
}  // namespace compose
