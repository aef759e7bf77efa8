// Screenshots of the composing dialog with a stored text mail, one per text page: PC, NTT
// DoCoMo (with its pictogram palette beside it), au TU-KA, SoftBank and WILLCOM; and the
// dialog with an HTML mail for PCs on the HTML editor's page, its preview of merge fields
// in both forms; and the messages of the dialog: the question before changes are
// discarded, characters Shift_JIS cannot hold, a paste cut at the limit, merge fields the
// merge cannot fill.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTabWidget>

#include "app/composer/carrier_text_pages.h"
#include "app/composer/mail_edit_page_normal.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/composer/tests/compose_test_env.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/html_mail_page_base.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/testing/screenshot.h"
#include "core/addressbook/test_mailing_info.h"

namespace compose {
namespace {

using cdtest::S;
using ui::test::SaveMessageBoxScreenshot;
using ui::test::SaveScreenshot;

class Screenshots : public cdtest::ComposeEnvTest {
protected:
    // A stored text mail to the list "春の会員" with its texts, pictograms and attachments.
    std::unique_ptr<CMailCreateDialog> OpenFixtureMail() {
        SetOption(100, "N");
        CTestMailingInfo info(Env(), &Options());
        for (int which : {0, 1}) {
            OneCustomer c;
            info.InitOneCustomer(c, which);
            c.Email = which == 0 ? "test@example.jp" : "test@docomo.ne.jp";
            info.SetTestMailingInfo(c, which);
        }
        info.WriteFromMemoryToFile();

        const int list = AddList("春の会員", {pc_, docomo_, au_, softbank_, willcom_}, "様");
        auto d = OpenTextMail();
        nextChoice_ = {true, list, ui::U8("春の会員"), ui::U8("様")};
        d->OnDestination();
        const std::string sun = "\xF8\x9F", cloud = "\xF8\xA0", heart = "\xF9\x9B";
        d->GetTextPage(0)->Subject()->SetSjisText(S("<%名前(姓)%>様　春の新作のご案内"));
        d->GetTextPage(0)->Body()->SetSjisText(
            S("<%名前(姓)%>様\r\n\r\nいつも当店をご利用いただき、ありがとうございます。\r\n"
              "春の新作が入荷いたしました。この機会にぜひご来店ください。\r\n\r\n"
              "■期間：4月1日(月)～4月14日(日)\r\n■場所：本店 2階 特設会場\r\n\r\n"
              "半角ｶﾀｶﾅや①②③、髙﨑のような文字も、そのままのコードで保存されます。\r\n"
              "この行はとても長いので、定規の折り返し位置で表示が折り返され、[折り返し位置に改行挿入]で本当の改行になります。"));
        d->GetTextPage(0)->AddAttachmentFromBuffer(S("春の新作カタログ.pdf"), "%PDF-1.4", 8);
        d->GetTextPage(0)->AddAttachmentFromBuffer(S("地図.png"), "\x89PNG", 4);
        const char* carriers[] = {"ドコモ", "au", "ソフトバンク", "ウィルコム"};
        for (int t = 1; t <= 4; ++t) {
            const bool pictograms = t <= 3;
            d->GetTextPage(t)->Subject()->SetSjisText(S("春の新作") + (pictograms ? sun : std::string()));
            d->GetTextPage(t)->Body()->SetSjisText(
                S("<%名前(姓)%>様\r\n春の新作が入荷") + (pictograms ? sun + cloud : std::string()) + S("しました。\r\n") +
                S(carriers[t - 1]) + S("向けのお知らせです") + (pictograms ? heart : std::string()) +
                S("\r\n\r\n期間：4/1～4/14\r\n場所：本店 2階"));
        }
        d->GetTextPage(1)->AddAttachmentFromBuffer(S("クーポン.jpg"), "\xFF\xD8", 2);
        d->resize(760, CMailCreateDialog::kTextMailHeight);
        return d;
    }
    static void ShowCarrier(CMailCreateDialog& d, int index) {
        d.GetSheet()->SetActivePage(1);
        d.GetMobilePage()->GetSheet()->SetActivePage(index);
    }
};

TEST_F(Screenshots, ComposerTextMailPc) {
    auto d = OpenFixtureMail();
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_text_pc")));
}

TEST_F(Screenshots, ComposerTextMailDocomo) {
    auto d = OpenFixtureMail();
    ShowCarrier(*d, 0);
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_text_docomo")));
    CarrierTextPage* docomo = d->GetMobilePage()->GetImodePage();
    docomo->ShowPalette();
    EXPECT_TRUE(SaveScreenshot(docomo->Palette(), QStringLiteral("dlg118_compose_text_docomo_palette")));
}

TEST_F(Screenshots, ComposerTextMailAu) {
    auto d = OpenFixtureMail();
    ShowCarrier(*d, 1);
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_text_au")));
}

TEST_F(Screenshots, ComposerTextMailSoftbank) {
    auto d = OpenFixtureMail();
    ShowCarrier(*d, 2);
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_text_softbank")));
}

TEST_F(Screenshots, ComposerTextMailWillcom) {
    auto d = OpenFixtureMail();
    ShowCarrier(*d, 3);
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_text_willcom")));
}

TEST_F(Screenshots, ComposerHtmlMailPc) {
    ComposeDialogHooks hooks = GetComposeDialogHooks();
    hooks.makeHtmlPage = htmledit::MakeHtmlMailPage;
    SetComposeDialogHooks(hooks);
    const int list = AddList("春の会員", {pc_}, "様");
    auto d = Open(0, 0, -1);
    ASSERT_TRUE(opened_);
    nextChoice_ = {true, list, ui::U8("春の会員"), ui::U8("様")};
    d->OnDestination();
    HtmlMailPage* page = d->GetHtmlPage(kHtmlPagePc);
    ASSERT_NE(page, nullptr);
    page->SetSubject(S("<%名前(姓)%>様　春の新作のご案内"));
    page->SetTextPart(S("<%名前(姓)%>様\r\n春の新作が入荷いたしました。"));
    page->SetHtmlPart(S("<HTML><BODY bgColor=#ffffff><H2>春の新作のご案内</H2><P>&lt;%名前(姓)%&gt;様</P>"
                        "<P>春の新作が入荷いたしました。<B>4月14日まで</B>の特別価格です。</P></BODY></HTML>"));
    page->RefreshPage();
    d->resize(760, 700);
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_html_pc")));
}

TEST_F(Screenshots, ComposerMessagesOfWhatTheUserPutsIn) {
    auto d = OpenFixtureMail();
    d->show();
    SjisLimitedEdit* subject = d->GetTextPage(0)->Subject();
    subject->setFocus();
    const auto paste = [&](const QString& text) {
        subject->selectAll();
        QApplication::clipboard()->setText(text);
        subject->paste();
    };
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_input_characters_left_out"),
                                         [&] { paste(ui::U8("ご案内🎄👨‍👩‍👧①Ⅱ한")); }));
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_input_cut_at_limit"),
                                         [&] { paste(ui::U8("😀") + QString(300, QChar(0x3042))); }));
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_compose_discard_question"), [&] { d->reject(); }));
    EXPECT_TRUE(d->isVisible());  // the question's Escape goes back to the mail
}

TEST_F(Screenshots, ComposerHtmlMergeFieldsPreviewAndQuestion) {
    ComposeDialogHooks hooks = GetComposeDialogHooks();
    hooks.makeHtmlPage = htmledit::MakeHtmlMailPage;
    SetComposeDialogHooks(hooks);
    TurnOffConfirmation("TEXTPART");
    const int list = AddList("春の会員", {pc_}, "様");
    auto d = Open(0, 0, -1);
    ASSERT_TRUE(opened_);
    nextChoice_ = {true, list, ui::U8("春の会員"), ui::U8("様")};
    d->OnDestination();
    HtmlMailPage* page = d->GetHtmlPage(kHtmlPagePc);
    ASSERT_NE(page, nullptr);
    page->SetSubject(S("<%名前(姓)%>様　春の新作のご案内"));
    page->SetTextPart(S("<%名前(姓)%>様\r\n春の新作が入荷いたしました。"));
    page->SetHtmlPart(S("<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=shift_jis\"></HEAD>"
                        "<BODY bgColor=#ffffff><H2>春の新作のご案内</H2><P>入力した差込タグ：<%名前(姓)%> <%名前(名)%>様</P>"
                        "<P>メニューの差込タグ：&lt;%名前(姓)%&gt;様</P><P>名前を誤った差込タグ：<%名前(性)%>様</P></BODY></HTML>"));
    page->RefreshPage();
    d->resize(760, 700);
    auto* base = dynamic_cast<htmledit::CMailEditPageHtmlBase*>(page);
    ASSERT_NE(base, nullptr);
    base->InnerSheet()->GetTabControl()->setCurrentIndex(0);  // the preview
    EXPECT_TRUE(SaveScreenshot(d.get(), QStringLiteral("dlg118_compose_html_pc_merge_fields_preview")));
    EXPECT_TRUE(SaveMessageBoxScreenshot(QStringLiteral("msg_compose_unknown_merge_field"),
                                         [&] { EXPECT_FALSE(d->OnButtonAction(CMailCreateDialog::kIdcDraft)); }));
}

}  // namespace
}  // namespace compose
