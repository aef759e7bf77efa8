// The content checks before saving or sending: limits after merging, machine-dependent
// characters and their listing, the questions and their save/send wording, unused inline
// images, disallowed tags, the carriers' image limits, kinds without destinations, and the
// check button and draft entry points.
#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <string>
#include <vector>

#include "app/compose/content_checks.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/mailstore/mail_word_insert.h"
#include "platform/notifier.h"

namespace compose {
namespace {

using sendtest::Sjis;
using ui::U8;

const std::string kPictogram = "\xF8\x9F";
std::string Field(int row) { return MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)].insertString; }

class FakeHtmlPage : public CheckedHtmlPage {
public:
    std::string Subject() override { return subject; }
    std::string HtmlPart() override { return html; }
    std::string TextPart() override { return text; }
    std::vector<PageFileEntry> InlineImages() override { return images; }
    std::vector<PageFileEntry> Attachments() override { return attachments; }
    bool ClearInlineMark(int index) override {
        if (index < 0 || index >= static_cast<int>(images.size())) return false;
        images[static_cast<std::size_t>(index)].inlineImage = false;
        cleared.push_back(index);
        return true;
    }
    void RemoveImageFromEditor(const std::string& contentId) override { removed.push_back(contentId); }
    void RebuildHtmlView() override { ++rebuilt; }

    std::string subject = "s", html = "<html><body>h</body></html>", text = "t";
    std::vector<PageFileEntry> images, attachments;
    std::vector<int> cleared;
    std::vector<std::string> removed;
    int rebuilt = 0;
};

class FakePages : public ComposedMailPages {
public:
    FakePages() {
        subjects.fill("s");
        bodies.fill("b");
    }
    std::string TextSubject(int t) override { return subjects[static_cast<std::size_t>(t)]; }
    std::string TextBody(int t) override { return bodies[static_cast<std::size_t>(t)]; }
    CheckedHtmlPage* HtmlPage(int kind) override { return &html[static_cast<std::size_t>(kind - kKindHtmlPc)]; }
    std::string DestinationText() override { return destination; }
    bool DestinationsByTerminal(char kind, TerminalIdLists& out) override {
        ++destinationCalls;
        lastKind = kind;
        out = lists;
        return listsOk;
    }
    FakeHtmlPage& Html(int kind) { return html[static_cast<std::size_t>(kind - kKindHtmlPc)]; }

    std::array<std::string, 5> subjects, bodies;
    std::array<FakeHtmlPage, 4> html;
    std::string destination;
    TerminalIdLists lists;
    bool listsOk = true;
    int destinationCalls = 0;
    char lastKind = 0;
};

class ContentChecksTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        pc = AddPerson("p@example.com", "pc");
        docomo = AddPerson("d@docomo.ne.jp", "dd");
        au = AddPerson("a@ezweb.ne.jp", "aa");
        softbank = AddPerson("s@softbank.ne.jp", "ss");
        willcom = AddPerson("w@willcom.com", "ww");
    }
    ContentChecker Checker() {
        return ContentChecker(nullptr, pages, CheckStores{env_.get(), options_.get(), book_.get(), mails_.get()});
    }
    // The five lists with only terminal `t`'s person (or everyone).
    std::array<std::vector<int>, 5> Only(int t) {
        std::array<std::vector<int>, 5> l;
        l[static_cast<std::size_t>(t)] = {All()[static_cast<std::size_t>(t)]};
        return l;
    }
    std::array<int, 5> All() const { return {pc, docomo, au, softbank, willcom}; }
    bool Text(int purpose, bool ask, const std::array<std::vector<int>, 5>& l) {
        return Checker().CheckTextMail(purpose, ask, l[0], l[1], l[2], l[3], l[4]);
    }
    void SetName(int id, const std::string& family) {
        OneCustomer c;
        ASSERT_EQ(book_->GetOneCustomerForEdit(c, id), 0);
        c.KanjiSei = family;
        ASSERT_EQ(book_->SetOneCustomerInfo(c, 0), 0);
    }
    void SetTestRecipient(int which, const std::string& family) {
        CTestMailingInfo info(env_.get(), options_.get());
        OneCustomer c;
        info.InitOneCustomer(c, which);
        c.Email = which == 0 ? "tp@example.com" : "tm@docomo.ne.jp";
        c.KanjiSei = family;
        ASSERT_EQ(info.SetTestMailingInfo(c, which), 0);
        ASSERT_EQ(info.WriteFromMemoryToFile(), 0);
    }

    FakePages pages;
    int pc = 0, docomo = 0, au = 0, softbank = 0, willcom = 0;
};

// ---- Limits after merging -------------------------------------------------------------------

TEST_F(ContentChecksTest, TextMailLimitsAreMeasuredAfterMerging) {
    const std::string sei = Field(kElemKanjiSei);
    struct Case {
        int terminal;
        int nameLength;     // the recipient's name, merged into "<%名前(姓)%>" + 10 bytes
        bool inSubject;
        bool passes;
        const char* message;
    };
    const Case cases[] = {
        {1, 20, true, true, nullptr},  // NTT DoCoMo: 30 merged characters pass
        {1, 21, true, false,
         "NTT DoCoMo向けメールの送信先の中に、\r\n\r\n　「件名の基本属性・拡張属性展開後の文字数」\r\n\r\nが30文字を超える"
         "送信先が存在するため、送信できません。\r\nNTT DoCoMo向けメールの件名は30文字まで設定できます。"},
        {3, 30, true, true, nullptr},  // SoftBank: 40
        {3, 31, true, false, nullptr},
        {4, 40000 - 10, false, true, nullptr},  // WILLCOM body: 40,000
        {4, 40000 - 9, false, false,
         "WILLCOM向けメールの送信先の中に、\r\n\r\n　「本文の基本属性・拡張属性展開後の文字数」\r\n\r\nが40,000文字を超える"
         "送信先が存在するため、送信できません。\r\nWILLCOM向けメールの本文は40,000文字まで設定できます。"},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        const int id = All()[static_cast<std::size_t>(c.terminal)];
        SetName(id, std::string(static_cast<std::size_t>(c.nameLength), 'n'));
        pages.subjects[static_cast<std::size_t>(c.terminal)] = c.inSubject ? sei + "0123456789" : "s";
        pages.bodies[static_cast<std::size_t>(c.terminal)] = c.inSubject ? "b" : sei + "0123456789";
        EXPECT_EQ(Text(kPurposeSend, false, Only(c.terminal)), c.passes) << c.terminal << " " << c.nameLength;
        EXPECT_EQ(prompts_.texts().size(), c.passes ? 0 : 1);
        if (c.message != nullptr) {
            ASSERT_EQ(prompts_.texts().size(), 1);
            EXPECT_EQ(prompts_.texts()[0], U8(c.message));
            EXPECT_EQ(prompts_.captions()[0], U8("注意"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        }
        pages.subjects.fill("s");
        pages.bodies.fill("b");
    }
}

TEST_F(ContentChecksTest, KindsWithoutDestinationsAreNotChecked) {
    pages.subjects[3] = std::string(100, 'x') + "\xB1";  // over SoftBank's limit, and half-width kana
    pages.subjects[0] = "pc subject";
    EXPECT_TRUE(Text(kPurposeSend, true, Only(0)));
    EXPECT_TRUE(prompts_.texts().isEmpty());

    pages.Html(kKindHtmlSoftbank).subject = std::string(600, 'x');
    pages.Html(kKindHtmlSoftbank).html = "<p>not allowed</p>";
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {docomo}, {}, {}));
    EXPECT_TRUE(prompts_.texts().isEmpty());
    EXPECT_TRUE(Checker().CheckHtmlMailPc(kPurposeSend, true, {}));
}

TEST_F(ContentChecksTest, MobileHtmlLimitsCountTextAndHtmlTogether) {
    FakeHtmlPage& page = pages.Html(kKindHtmlDocomo);
    page.subject = "s";
    page.text = std::string(4000, 't');
    page.html = "<html><body>" + std::string(5974, 'h') + "</body></html>";  // 6000 + 4000 = 10000
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, false, {docomo}, {}, {}));
    page.text += "t";
    EXPECT_FALSE(Checker().CheckHtmlMailMobile(kPurposeSend, false, {docomo}, {}, {}));
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_EQ(prompts_.texts()[0],
              U8("NTT DoCoMo向けメールの送信先の中に、\r\n\r\n　「基本属性・拡張属性展開後のTEXTパートとHTMLパートの合計サイズ」"
                 "\r\n\r\nが10,000バイトを超える送信先が存在するため、送信できません。\r\nNTT DoCoMo向けメールのTEXTパートと"
                 "HTMLパートは合計10,000バイトまで設定できます。"));
    EXPECT_EQ(prompts_.captions()[0], U8("確認"));
}

TEST_F(ContentChecksTest, AFailedMeasurementIsToldAndTheUnmergedSizesAreChecked) {
    pages.subjects[1] = std::string(31, 'x');
    EXPECT_FALSE(Checker().CheckTextMail(kPurposeSend, false, {}, {docomo + 1000}, {}, {}, {}));
    ASSERT_EQ(prompts_.texts().size(), 2);
    EXPECT_EQ(prompts_.texts()[0], U8("チェック対象の個人情報IDがデータベースに存在しません"));
    EXPECT_EQ(prompts_.captions()[0], U8("異常"));
    EXPECT_TRUE(prompts_.texts()[1].contains(U8("30文字を超える")));
}

// ---- Machine-dependent characters -----------------------------------------------------------

TEST_F(ContentChecksTest, MachineDependentCharactersPerTerminal) {
    const std::string kana = Sjis("ｱ");
    const std::string circled = Sjis("①");
    struct Case {
        int terminal;
        std::string subject;
        bool passes;
    };
    const Case cases[] = {
        {3, kana + kPictogram, true},   // SoftBank with a pictogram: relaxed, kana pass
        {3, kana, false},               // without: strict
        {3, circled + kPictogram, false},
        {1, kPictogram, true},          // NTT DoCoMo and au TU-KA take pictograms
        {2, kPictogram, true},
        {1, kana + kPictogram, false},  // but strictly otherwise
        {0, kPictogram, false},         // PC and WILLCOM take none
        {4, kPictogram, false},
        {0, Sjis("普通の件名 ABC"), true},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        pages.subjects[static_cast<std::size_t>(c.terminal)] = c.subject;
        EXPECT_EQ(Text(kPurposeSend, false, Only(c.terminal)), c.passes) << c.terminal;
        if (!c.passes) {
            ASSERT_EQ(prompts_.texts().size(), 1);
            EXPECT_TRUE(prompts_.texts()[0].startsWith(U8("以下の情報に機種依存文字が含まれます。\r\n\r\n　・")));
        }
        pages.subjects.fill("s");
    }
}

TEST_F(ContentChecksTest, TwentySixCharactersAreListedTwentyFiveToALine) {
    std::string subject;
    QString first25;
    for (unsigned code = 0x8740; code < 0x8740 + 26; ++code) {
        const std::string ch = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        subject += ch + ch;  // each twice: listed once
        if (code < 0x8740 + 25) first25 += ui::FromSjis(ch);
    }
    const QString last = ui::FromSjis(std::string{'\x87', '\x59'});
    pages.subjects[0] = subject;
    pages.bodies[0] = Sjis("ｶﾅ");
    EXPECT_FALSE(Text(kPurposeSend, false, Only(0)));
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_EQ(prompts_.texts()[0], U8("以下の情報に機種依存文字が含まれます。\r\n\r\n　・PC向けメール件名\r\n"
                                      "　　- 検出した機種依存文字 -\r\n　　　") +
                                       first25 + U8("　　\r\n　　　") + last +
                                       U8("\r\n\r\n　・PC向けメール本文\r\n　　- 検出した機種依存文字 -\r\n　　　ｶﾅ\r\n") +
                                       U8("\r\n機種依存文字が含まれているため、このメールは送信されていません。\r\n"
                                          "上記の文字を他の文字に置き換えてから、もう一度送信してください。"));

    CArrayOfString found;
    EXPECT_TRUE(CollectMachineDependentChars("", false, false, found));
    EXPECT_FALSE(CollectMachineDependentChars(std::string("a\x82", 2), false, false, found));  // a lead byte alone
    EXPECT_EQ(found, (CArrayOfString{"\x82"}));
    EXPECT_TRUE(CollectMachineDependentChars(Sjis("ｱ") + "\xEA\xA4", true, false, found));
    EXPECT_FALSE(CollectMachineDependentChars("\xEA\xA4", false, false, found));
}

// After the list the person learns that nothing was sent or saved, and what to change: for
// a text mail, a PC HTML mail and a phone HTML mail alike.
TEST_F(ContentChecksTest, ARefusalForMachineDependentCharactersSaysTheMailWasNotSentOrSaved) {
    const std::string circled = Sjis("①②③㈱");
    const QString sendTail = U8("\r\n機種依存文字が含まれているため、このメールは送信されていません。\r\n"
                                "上記の文字を他の文字に置き換えてから、もう一度送信してください。");
    const QString saveTail = U8("\r\n機種依存文字が含まれているため、このメールは保存されていません。\r\n"
                                "上記の文字を他の文字に置き換えてから、もう一度保存してください。");
    SetTestRecipient(0, "t");  // the check button's measurements merge for the test recipients
    SetTestRecipient(1, "t");
    pages.bodies[0] = Sjis("本文") + circled;
    pages.Html(kKindHtmlPc).text = circled;
    pages.Html(kKindHtmlDocomo).subject = circled;
    const std::function<bool(int)> checks[] = {
        [&](int purpose) { return Text(purpose, false, Only(0)); },
        [&](int purpose) { return Checker().CheckHtmlMailPc(purpose, false, {pc}); },
        [&](int purpose) { return Checker().CheckHtmlMailMobile(purpose, false, {docomo}, {}, {}); },
    };
    for (const auto& check : checks) {
        for (int purpose : {kPurposeSend, kPurposeCheckButton, kPurposeSave}) {
            SCOPED_TRACE(purpose);
            prompts_.clear();
            EXPECT_FALSE(check(purpose));
            ASSERT_EQ(prompts_.texts().size(), 1);
            const QString text = prompts_.texts()[0];
            EXPECT_TRUE(text.startsWith(U8("以下の情報に機種依存文字が含まれます。"))) << text.toStdString();
            EXPECT_TRUE(text.contains(U8("①②③㈱\r\n"))) << text.toStdString();
            EXPECT_TRUE(text.endsWith(purpose == kPurposeSave ? saveTail : sendTail)) << text.toStdString();
            EXPECT_EQ(prompts_.captions()[0], U8("注意"));
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconWarning);
        }
    }
}

// ---- Questions ---------------------------------------------------------------------------------

TEST_F(ContentChecksTest, QuestionsEndInSaveOrSendWording) {
    struct Case {
        int purpose;
        const char* textMail;   // the empty-field question of a text mail
        const char* images;     // the PC HTML unused-image question's second line
        const char* tags;       // the mobile disallowed-tag question
    };
    const Case cases[] = {
        {kPurposeSave, "保存してもよろしいですか？", "（［いいえ］ボタンをクリックするとそのまま保存します。)",
         "このまま保存してよろしいですか？"},
        {kPurposeSend, "送信してもよろしいですか？", "（［いいえ］ボタンをクリックするとそのまま送信します。)",
         "このまま送信してよろしいですか？"},
        {kPurposeCheckButton, "送信してもよろしいですか？", "（［いいえ］ボタンをクリックするとそのまま送信します。)",
         "このまま送信してよろしいですか？"},
    };
    SetTestRecipient(0, "t");
    SetTestRecipient(1, "t");
    for (const Case& c : cases) {
        prompts_.clear();
        pages.subjects[1] = "";
        EXPECT_TRUE(Text(c.purpose, true, Only(1)));
        ASSERT_EQ(prompts_.texts().size(), 1);
        EXPECT_EQ(prompts_.texts()[0], U8("以下の情報が未入力ですが、このまま") + U8(c.textMail) +
                                           U8("\r\n\r\n　・NTT DoCoMo向けメールの件名\r\n"));
        EXPECT_EQ(prompts_.captions()[0], U8("確認"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOkCancel | platform::kMbIconQuestion);
        pages.subjects[1] = "s";

        prompts_.clear();
        FakeHtmlPage& page = pages.Html(kKindHtmlPc);
        page.images = {{"img1", "a.gif", true, 10}};
        EXPECT_TRUE(Checker().CheckHtmlMailPc(c.purpose, true, {pc}));
        ASSERT_EQ(prompts_.texts().size(), 1);
        EXPECT_EQ(prompts_.texts()[0], U8("HTMLパートで未使用のインライン画像を削除してもよろしいですか？\r\n") + U8(c.images) +
                                           U8("\r\n\r\nPC向けメール：\r\n　・[img1]  a.gif\r\n"));
        EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbYesNoCancel | platform::kMbIconQuestion);
        page.images.clear();

        prompts_.clear();
        pages.Html(kKindHtmlAu).html = "<p>x</p>";
        EXPECT_TRUE(Checker().CheckHtmlMailMobile(c.purpose, true, {}, {au}, {}));
        ASSERT_EQ(prompts_.texts().size(), 1);
        EXPECT_TRUE(prompts_.texts()[0].contains(U8(c.tags))) << prompts_.texts()[0].toStdString();
        pages.Html(kKindHtmlAu).html = "<br>";
    }
}

TEST_F(ContentChecksTest, OldMergeTagsAreAskedAboutAndCancelStops) {
    const std::string old = Sjis("<%番地%>");
    pages.subjects[0] = old;
    pages.bodies[2] = Sjis("<%建物名等%>") + old;
    for (const int answer : {platform::kIdOk, platform::kIdCancel}) {
        prompts_.clear();
        prompts_.Answer(answer);
        std::array<std::vector<int>, 5> l = Only(0);
        l[2] = {au};
        EXPECT_EQ(Text(kPurposeSend, true, l), answer == platform::kIdOk);
        ASSERT_EQ(prompts_.texts().size(), 1);
        EXPECT_EQ(prompts_.texts()[0],
                  U8("以下の情報から旧バージョンの個人情報差込タグを検出しました。\r\nこのメールを送信する場合、本タグを使用している"
                     "箇所には個人情報は挿入されずにこのままの状態で送信されます。\r\nこのまま送信してもよろしいですか？\r\n\r\n"
                     "旧バージョンの個人情報差込タグ検出箇所：\r\n　・PC向けメールの件名\r\n　・au TU-KA向けメールの本文\r\n"
                     "\r\n検出した旧バージョンの差込タグ：\r\n　<%番地%>\r\n　<%建物名等%>\r\n"));
    }
    // Without questions, nothing is asked.
    prompts_.clear();
    EXPECT_TRUE(Text(kPurposeSend, false, Only(0)));
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

TEST_F(ContentChecksTest, MergeFieldsTheMergeCannotFillAreAskedAboutInEveryKind) {
    const QString head = U8("以下の情報から差し込みできない個人情報差込タグを検出しました。\r\nこのメールを送信する場合、本タグを使用して"
                            "いる箇所には個人情報は挿入されずにこのままの状態で送信されます。\r\nこのまま送信してもよろしいですか？\r\n\r\n"
                            "差し込みできない差込タグ検出箇所：\r\n");
    // Text mail: an old name is asked about once, as an old name, not again here.
    pages.subjects[0] = Sjis("<%名前(性)%>様 <%番地%>");
    pages.bodies[3] = Sjis("<%名前(姓)%> <%会社%>");
    std::array<std::vector<int>, 5> l = Only(0);
    l[3] = {softbank};
    prompts_.Answer(platform::kIdOk);
    prompts_.Answer(platform::kIdCancel);
    EXPECT_FALSE(Text(kPurposeSend, true, l));
    ASSERT_EQ(prompts_.texts().size(), 2);
    EXPECT_EQ(prompts_.texts()[1], head + U8("　・PC向けメールの件名\r\n　・SoftBank向けメールの本文\r\n\r\n"
                                             "検出した差込タグ：\r\n　<%名前(性)%>\r\n　<%会社%>\r\n"));
    EXPECT_EQ(prompts_.captions()[1], U8("確認"));

    // PC HTML: both forms in the HTML part; known fields of either form pass.
    FakeHtmlPage& page = pages.Html(kKindHtmlPc);
    page.html = Sjis("<p><%名前(姓)%>&lt;%名前(名)%&gt;様 <%社名%> &lt;%社名%&gt;</p>");
    prompts_.clear();
    prompts_.Answer(platform::kIdCancel);
    EXPECT_FALSE(Checker().CheckHtmlMailPc(kPurposeSend, true, {pc}));
    EXPECT_EQ(prompts_.texts(), QStringList{head + U8("　・HTMLパート\r\n\r\n検出した差込タグ：\r\n　<%社名%>\r\n　&lt;%社名%&gt;\r\n")});
    page.html = Sjis("<p><%名前(姓)%>&lt;%名前(名)%&gt;様</p>");
    prompts_.clear();
    EXPECT_TRUE(Checker().CheckHtmlMailPc(kPurposeSend, true, {pc}));
    EXPECT_TRUE(prompts_.texts().isEmpty());

    // Carrier HTML, and without questions nothing is asked.
    pages.Html(kKindHtmlDocomo).text = Sjis("<%姓%>");
    prompts_.clear();
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, false, {docomo}, {}, {}));
    EXPECT_TRUE(prompts_.texts().isEmpty());
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {docomo}, {}, {}));
    EXPECT_EQ(prompts_.texts(),
              QStringList{head + U8("　・NTT DoCoMo向けメールのTEXTパート\r\n\r\n検出した差込タグ：\r\n　<%姓%>\r\n")});
}

// ---- Inline images and tags -----------------------------------------------------------------

TEST(UnusedInlineImages, FoundWithAndWithoutDeletion) {
    FakeHtmlPage page;
    page.html = "<html><body><img src=\"CID:Used1\"><img src=\"ci d:\r\nused2\"><img src=\"a.gif\"></body></html>";
    page.images = {{"used1", "u1.gif", true, 1},  {"gone", "g.gif", true, 1}, {"used2", "u2.gif", true, 1},
                   {"attached", "a.pdf", false, 1}, {"gone", "g.gif", true, 1}, {"late", "l.png", true, 1}};
    CArrayOfString unused;
    EXPECT_FALSE(FindUnusedInlineImages(false, page.html, page, unused));
    EXPECT_EQ(unused, (CArrayOfString{"[gone]  g.gif", "[late]  l.png"}));
    EXPECT_TRUE(page.cleared.empty());
    EXPECT_TRUE(page.removed.empty());
    EXPECT_EQ(page.rebuilt, 0);

    EXPECT_FALSE(FindUnusedInlineImages(true, page.html, page, unused));
    EXPECT_EQ(page.cleared, (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(page.removed, (std::vector<std::string>{"gone", "gone", "late"}));
    EXPECT_EQ(page.rebuilt, 1);
    // Nothing is left to find, and nothing more to rebuild.
    EXPECT_TRUE(FindUnusedInlineImages(true, page.html, page, unused));
    EXPECT_TRUE(unused.empty());
    EXPECT_EQ(page.rebuilt, 1);
}

TEST_F(ContentChecksTest, DisallowedTagsListTheFirstFive) {
    struct Case {
        int tags;
        const char* countLine;
        bool omitted;
    };
    for (const Case& c : {Case{1, "　　1つの非許容タグを検出しました。\r\n\r\n", false},
                          Case{6, "　　6つの非許容タグを検出しました。\r\n\r\n", true},
                          Case{10, "　　10の非許容タグを検出しました。\r\n\r\n", true}}) {
        prompts_.clear();
        std::string html = "<html><body>";
        QString listed;
        for (int i = 0; i < c.tags; ++i) {
            const std::string tag = "<p id=\"" + std::to_string(i) + "\">";
            html += tag;
            if (i < 5) listed += U8("　　") + QString::fromStdString(tag) + QStringLiteral("\r\n");
        }
        pages.Html(kKindHtmlSoftbank).html = html + "</body></html>";
        EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {}, {}, {softbank}));
        ASSERT_EQ(prompts_.texts().size(), 1);
        QString expected = U8("HTMLパートに以下の許容されていないHTMLタグ、あるいは属性が含まれているため、携帯端末では正常に"
                              "表示されない可能性があります。\r\nこのまま送信してよろしいですか？\r\n( 許容されているHTMLタグについては、"
                              "各キャリアの公式Webサイトを参照して下さい。 )\r\n\r\n　SoftBank向けメール ：\r\n") +
                           U8(c.countLine) + listed;
        if (c.omitted) expected += U8("\r\n　　( 5つ以上非許容タグを検出したため、省略されました。 )\r\n");
        EXPECT_EQ(prompts_.texts()[0], expected);
    }
    prompts_.clear();
    prompts_.Answer(platform::kIdCancel);
    EXPECT_FALSE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {}, {}, {softbank}));
}

TEST_F(ContentChecksTest, CarrierImageLimitsAreMeasuredAfterUnusedImagesWentAway) {
    FakeHtmlPage& dc = pages.Html(kKindHtmlDocomo);
    std::string html = "<html><body>";
    for (int i = 0; i < 12; ++i) {
        const std::string cid = "i" + std::to_string(i);
        dc.images.push_back({cid, cid + ".gif", true, 100});
        if (i < 10) html += "<img src=\"cid:" + cid + "\">";
    }
    dc.html = html + "</body></html>";
    FakeHtmlPage& auPage = pages.Html(kKindHtmlAu);
    for (int i = 0; i < 6; ++i) auPage.attachments.push_back({"", "f" + std::to_string(i) + ".pdf", false, 10});

    // "No": the two unused images stay, so NTT DoCoMo has 12 inline images; au TU-KA six
    // attachments. Both are asked about.
    prompts_.Answer(platform::kIdNo);
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSave, true, {docomo}, {au}, {}));
    QStringList texts = prompts_.texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[0].contains(U8("\r\n　NTT DoCoMo向けメール：\r\n　　[i10]  i10.gif\r\n　　[i11]  i11.gif\r\n")));
    EXPECT_TRUE(texts[0].contains(U8("（[いいえ]ボタンをクリックするとそのまま保存します。)\r\n")));
    EXPECT_TRUE(texts[1].startsWith(U8("NTT DoCoMo向けメールの\r\n　・インライン画像数が10を超えています。\r\n\r\n"
                                       "この条件に該当するメールは")));
    EXPECT_TRUE(texts[1].endsWith(U8("この内容で保存してよろしいですか？")));
    EXPECT_TRUE(texts[2].startsWith(U8("au TU-KA向けメールの\r\n　・添付ファイル数が5を超えています。\r\n\r\nこのメールは")));

    // "Yes": they leave the page, and ten images are within the limit.
    prompts_.clear();
    prompts_.Answer(platform::kIdYes);
    auPage.attachments.resize(5);
    EXPECT_TRUE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {docomo}, {au}, {}));
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_EQ(dc.cleared, (std::vector<int>{10, 11}));

    // Size: TEXT + HTML + the images over 10,000 bytes.
    prompts_.clear();
    dc.text = std::string(9000, 't');
    prompts_.Answer(platform::kIdCancel);
    EXPECT_FALSE(Checker().CheckHtmlMailMobile(kPurposeSend, true, {docomo}, {}, {}));
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_TRUE(prompts_.texts()[0].startsWith(
        U8("NTT DoCoMo向けメールの\r\n　・「基本属性・拡張属性展開後のテキスト、HTMLパートサイズ」+「インライン画像の合計サイズ」"
           "\r\n　　が10,000バイトを超える送信先が存在します。\r\n\r\nこの条件に")));
}

// ---- Entry points -------------------------------------------------------------------------------

TEST_F(ContentChecksTest, ADraftWithoutDestinationRunsNoCheck) {
    pages.subjects.fill(std::string(1000, 'x') + "\xB1");
    for (int kind = kKindHtmlPc; kind <= kKindHtmlSoftbank; ++kind) pages.Html(kind).subject = std::string(1000, 'x');
    for (const char kind : {'N', 'Y', 'M', 'Z'}) {
        EXPECT_TRUE(Checker().CheckMailBeforeSave(kind)) << kind;
        EXPECT_EQ(pages.destinationCalls, 0);
    }
    EXPECT_TRUE(prompts_.texts().isEmpty());

    // With a destination the kinds that have one are held to their limits...
    pages.destination = "list";
    pages.lists[1] = {docomo};
    EXPECT_FALSE(Checker().CheckMailBeforeSave('N'));
    EXPECT_EQ(pages.lastKind, 'N');
    ASSERT_EQ(prompts_.texts().size(), 1);
    // ... and the destinations that cannot be had stop the save.
    prompts_.clear();
    pages.listsOk = false;
    EXPECT_FALSE(Checker().CheckMailBeforeSave('M'));
    EXPECT_TRUE(prompts_.texts().isEmpty());

    // A destination whose lists are all empty checks nothing and asks nothing.
    pages.listsOk = true;
    pages.lists = {};
    EXPECT_TRUE(Checker().CheckMailBeforeSave('N'));
    EXPECT_TRUE(prompts_.texts().isEmpty());
}

TEST_F(ContentChecksTest, CheckButtonMeasuresWithTheTestRecipient) {
    SetTestRecipient(0, std::string(600, 'p'));
    SetTestRecipient(1, std::string(25, 'm'));
    pages.subjects.fill(Field(kElemKanjiSei));
    pages.Html(kKindHtmlPc).subject = Field(kElemKanjiSei);
    struct Case {
        char kind;
        int page;
        bool passes;
        const char* message;  // the start of the one message shown
    };
    const Case cases[] = {
        {'N', 2, true, nullptr},    // NTT DoCoMo text: 25 <= 30 with the mobile recipient
        {'N', 1, false, "PC向けメールの送信先の中に"},  // PC: 600 > 512 with the PC recipient
        {'N', 7, true, nullptr},    // page 7 names NTT DoCoMo
        {'Y', 6, false, "PC向けメールの送信先の中に"},
        {'Y', 2, false, "設定されている宛先には、このメールの送り先アドレスが指定されていません。"},
        {'M', 1, false, "設定されている宛先には、このメールの送り先アドレスが指定されていません。"},
        {'M', 5, false, "設定されている宛先には、このメールの送り先アドレスが指定されていません。"},
        {'M', 8, true, nullptr},
        {'N', 0, false, nullptr},
        {'N', 10, false, nullptr},
        {'X', 3, true, nullptr},
    };
    for (const Case& c : cases) {
        prompts_.clear();
        EXPECT_EQ(Checker().CheckComposedMail(c.kind, c.page), c.passes) << c.kind << c.page;
        if (c.message == nullptr) {
            EXPECT_TRUE(prompts_.texts().isEmpty()) << c.kind << c.page;
        } else {
            ASSERT_EQ(prompts_.texts().size(), 1) << c.kind << c.page;
            EXPECT_TRUE(prompts_.texts()[0].startsWith(U8(c.message))) << c.kind << c.page;
        }
    }
}

}  // namespace
}  // namespace compose
