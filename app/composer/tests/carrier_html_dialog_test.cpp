// An HTML mail for phones in the real composing dialog with the HTML editor's pages: the
// user writes a deco-mail on the NTT DoCoMo page (subject with a pictogram from the
// palette, HTML and TEXT parts typed, a picture and an attachment chosen in their
// dialogs), looks at its preview, reflects it into the au TU-KA and SoftBank pages, and
// stores it; the stored mail opens again with every page as it was.
#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>

#include "app/composer/tests/compose_test_env.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/docomo_html_page.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/preview_page.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/html_view.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"

namespace compose {
namespace {

using cdtest::S;
using htmledit::CMailEditPageHtmlMobileBase;

// A red picture of one pixel, padded after its end to `size` bytes.
std::string Gif(std::size_t size) {
    std::string bytes("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00"
                      ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                      43);
    if (bytes.size() < size) bytes += std::string(size - bytes.size(), '\0');
    return bytes;
}

class CarrierHtmlDialogTest : public cdtest::ComposeEnvTest {
protected:
    void SetUp() override {
        ComposeEnvTest::SetUp();
        ComposeDialogHooks hooks = GetComposeDialogHooks();
        hooks.makeHtmlPage = htmledit::MakeHtmlMailPage;
        SetComposeDialogHooks(hooks);
        std::filesystem::create_directories(root_ + "/in");
        // The environment sends attachments.
        SetOption(100, "N");
    }

    CMailEditPageHtmlMobileBase* Page(CMailCreateDialog& d, int format) {
        return dynamic_cast<CMailEditPageHtmlMobileBase*>(d.GetHtmlPage(format));
    }
    static QTabWidget* Tabs(CMailEditPageHtmlMobileBase& page) { return page.InnerSheet()->GetTabControl(); }
    static void Click(QWidget* page, int id) { ui::FindControl<QPushButton>(page, id)->click(); }
    // Whether the page's preview shows the picture of `contentId`.
    static bool PreviewShows(CMailEditPageHtmlMobileBase& page, const QString& contentId) {
        ui::HtmlView* view = page.PreviewPage()->View();
        return view->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("cid:") + contentId)).isValid() &&
               view->Refused().isEmpty();
    }
    std::string WorkFile(int terminal, const std::string& name) {
        return cdtest::FileBytes(env_layout::AttachWorkFolder(*Env(), terminal) + name);
    }

    ui::test::FilePickerRecorder files_;
};

// Alt+P in the HTML part, after the subject was left for it: the pictogram goes to the
// HTML part's caret, not to the subject that lost the focus last.
TEST_F(CarrierHtmlDialogTest, AltPPutsThePictogramWhereTheCaretIs) {
    auto d = Open(0, 1, -1);
    ASSERT_TRUE(opened_);
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    CMailEditPageHtmlMobileBase* docomo = Page(*d, kHtmlPageDocomo);
    ASSERT_NE(docomo, nullptr);
    docomo->SubjectEdit()->setFocus();
    ui::test::TypeText(docomo->SubjectEdit(), "件名");
    Tabs(*docomo)->setCurrentIndex(1);
    docomo->HtmlPartPage()->Edit()->setFocus();
    docomo->HtmlPartPage()->Edit()->selectAll();
    ui::test::TypeText(docomo->HtmlPartPage()->Edit(), "<p>x</p>");
    QTest::keyClick(d.get(), Qt::Key_P, Qt::AltModifier);
    compose::CPictogramDialog* palette = docomo->PictogramDialog();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return palette->isVisible(); }));
    palette->Grid()->setCurrentCell(0, 0);
    palette->InsertSelectedPictogram();
    cdtest::Pump();
    EXPECT_EQ(docomo->HtmlPartPage()->GetText(), "<p>x</p>\xF8\x9F");
    EXPECT_EQ(docomo->GetSubject(), S("件名"));
}

TEST_F(CarrierHtmlDialogTest, ADecoMailIsWrittenPreviewedReflectedAndStored) {
    // Notices the user switched off long ago; the reflection's question is answered below.
    TurnOffConfirmation("TEXTPART");
    TurnOffConfirmation("ATTACHSECURITY");
    const std::string picture = Gif(2000);
    const std::string pictureFile = root_ + "/in/桜.gif";
    cdtest::WriteFile(pictureFile, picture);
    const std::string attachmentFile = root_ + "/in/coupon.txt";
    cdtest::WriteFile(attachmentFile, "coupon 2025");

    auto d = Open(0, 1, -1);
    ASSERT_TRUE(opened_);
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    CMailEditPageHtmlMobileBase* docomo = Page(*d, kHtmlPageDocomo);
    CMailEditPageHtmlMobileBase* au = Page(*d, kHtmlPageAu);
    CMailEditPageHtmlMobileBase* softbank = Page(*d, kHtmlPageSoftbank);
    ASSERT_NE(docomo, nullptr);
    ASSERT_NE(au, nullptr);
    ASSERT_NE(softbank, nullptr);
    ASSERT_EQ(d->GetSheet()->GetActivePage(), docomo);

    // The subject, and a pictogram from the palette after it.
    docomo->SubjectEdit()->setFocus();
    ui::test::TypeText(docomo->SubjectEdit(), "春のセール");
    Click(docomo, CMailEditPageHtmlMobileBase::kIdcPictogram);
    compose::CPictogramDialog* palette = docomo->PictogramDialog();
    ASSERT_TRUE(palette->isVisible());
    palette->Grid()->setCurrentCell(0, 0);
    palette->InsertSelectedPictogram();
    cdtest::Pump();
    EXPECT_EQ(docomo->GetSubject(), S("春のセール") + "\xF8\x9F");

    // The HTML part and the TEXT part, typed on their tabs.
    Tabs(*docomo)->setCurrentIndex(1);
    docomo->HtmlPartPage()->Edit()->setFocus();
    docomo->HtmlPartPage()->Edit()->selectAll();
    ui::test::TypeText(docomo->HtmlPartPage()->Edit(), "<p>春のセール開催中</p><img src=\"cid:05\">");
    Tabs(*docomo)->setCurrentIndex(2);
    docomo->TextPartPage()->Edit()->setFocus();
    ui::test::TypeText(docomo->TextPartPage()->Edit(), "春のセール開催中");

    // A picture for slot 05 and an attachment, each chosen in its dialog.
    ui::test::WhenDialogShows(QStringLiteral("dlg936"), [&](QDialog* dialog) {
        auto* images = static_cast<htmledit::CInlineImageSettingDlg*>(dialog);
        images->List()->selectRow(5);
        files_.Answer(ui::FromPath(pictureFile));
        images->OnAssign();
        dialog->accept();
    });
    Click(docomo, CMailEditPageHtmlMobileBase::kIdcInlineImages);
    ui::test::WhenDialogShows(QStringLiteral("dlg934"), [&](QDialog* dialog) {
        files_.Answer(ui::FromPath(attachmentFile));
        static_cast<htmledit::CAttachmentSettingDlg*>(dialog)->OnAdd();
        dialog->accept();
    });
    ASSERT_TRUE(ui::FindControl<QPushButton>(docomo, CMailEditPageHtmlMobileBase::kIdcAttach)->isEnabled());
    Click(docomo, CMailEditPageHtmlMobileBase::kIdcAttach);
    ASSERT_EQ(files_.picks().size(), 2u);
    ASSERT_EQ(docomo->InlineImages().size(), 1u);
    EXPECT_EQ(docomo->InlineImages()[0].contentId, "05");
    EXPECT_EQ(docomo->GetAttachmentCount(), 1);

    // The preview shows the mail with its picture.
    Tabs(*docomo)->setCurrentIndex(0);
    EXPECT_TRUE(docomo->PreviewPage()->View()->toPlainText().contains(QString::fromUtf8("春のセール開催中")));
    EXPECT_TRUE(PreviewShows(*docomo, QStringLiteral("05")));

    // Into the other carriers, after the question.
    bool asked = false;
    ui::test::WhenDialogShows(QStringLiteral("dlg937"), [&](QDialog* dialog) {
        asked = true;
        dialog->accept();
    });
    Click(docomo, htmledit::CMailEditPageHtmlDocomo::kIdcReflect);
    EXPECT_TRUE(asked);
    for (CMailEditPageHtmlMobileBase* page : {au, softbank}) {
        SCOPED_TRACE(page->PageCaption().toStdString());
        EXPECT_EQ(page->GetSubject(), S("春のセール") + "\xF8\x9F");
        EXPECT_EQ(page->TextPart(), S("春のセール開催中"));
        ASSERT_EQ(page->InlineImages().size(), 1u);
        EXPECT_EQ(page->InlineImages()[0].fileName, S("桜.gif"));
        EXPECT_EQ(page->InlineImages()[0].size, picture.size());
        EXPECT_EQ(WorkFile(page->MailSlot(), "coupon.txt"), "coupon 2025");
        EXPECT_EQ(page->GetAttachmentCount(), 1);
    }
    EXPECT_EQ(au->HtmlPart(), S("<p>春のセール開催中</p><img src=\"cid:img@005\">"));
    EXPECT_EQ(au->InlineImages()[0].contentId, "img@005");
    EXPECT_TRUE(PreviewShows(*au, QStringLiteral("img@005")));
    EXPECT_EQ(softbank->HtmlPart(), S("<p>春のセール開催中</p><img src=\"cid:05\">"));
    EXPECT_EQ(softbank->InlineImages()[0].contentId, "05");
    EXPECT_TRUE(PreviewShows(*softbank, QStringLiteral("05")));

    // Stored as a mobile HTML mail, every carrier's page in its slot.
    ASSERT_TRUE(d->OnButtonAction(CMailCreateDialog::kIdcDraft));
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join(QStringLiteral(" / ")).toStdString();
    const int id = d->GetMailID();
    d.reset();
    const OneMail stored = StoredMail(id, 'M');
    const char* ids[] = {"05", "img@005", "05"};
    for (int slot = 1; slot <= 3; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(stored.subject[static_cast<std::size_t>(slot)], S("春のセール") + "\xF8\x9F");
        std::string text, html;
        std::vector<MimeFormatStruct> parts;
        ASSERT_TRUE(htmledit::CMailEditPageHtmlBase::SplitStoredMessage(stored.body[static_cast<std::size_t>(slot)],
                                                                        text, html, parts));
        EXPECT_EQ(text, S("春のセール開催中"));
        EXPECT_EQ(html, S("<p>春のセール開催中</p><img src=\"cid:") + ids[slot - 1] + "\">");
        ASSERT_EQ(parts.size(), 1u);
        EXPECT_EQ(htmledit::ContentIdOf(parts[0]), ids[slot - 1]);
        std::string bytes;
        EXPECT_EQ(parts[0].GetBodyAfterBase64Decode(bytes), 1);
        EXPECT_EQ(bytes, picture);
        ASSERT_EQ(stored.attach[static_cast<std::size_t>(slot)].size(), 1u);
        EXPECT_EQ(stored.attach[static_cast<std::size_t>(slot)][0].fileName, "coupon.txt");
    }

    // Opened again, each page shows what it held.
    auto e = Open(0, 1, id);
    ASSERT_TRUE(opened_);
    CMailEditPageHtmlMobileBase* auAgain = Page(*e, kHtmlPageAu);
    EXPECT_EQ(auAgain->GetSubject(), S("春のセール") + "\xF8\x9F");
    EXPECT_EQ(auAgain->HtmlPart(), S("<p>春のセール開催中</p><img src=\"cid:img@005\">"));
    ASSERT_EQ(auAgain->InlineImages().size(), 1u);
    EXPECT_EQ(auAgain->InlineImages()[0].contentId, "img@005");
    EXPECT_EQ(auAgain->GetAttachmentCount(), 1);
    EXPECT_TRUE(PreviewShows(*auAgain, QStringLiteral("img@005")));
    EXPECT_EQ(Page(*e, kHtmlPageDocomo)->InlineImages().size(), 1u);
    EXPECT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join(QStringLiteral(" / ")).toStdString();
}

}  // namespace
}  // namespace compose
