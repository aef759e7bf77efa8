// Renders the PC HTML page with a fixture mail (Japanese text, a pictogram, a merge field and
// three inline pictures) on each of its tabs into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR); without it the page is still built and shown offscreen.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/preview_page.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/html_view.h"
#include "app/ui/testing/screenshot.h"

namespace htmledit {
namespace {

using htmltest::S;

MimeFormatStruct Part(const std::string& id, const std::string& name, const std::string& bytes, const char* type) {
    MimeFormatStruct part;
    CMailEditPageHtmlBase::BuildInlinePart(part, type, name, id, bytes);
    return part;
}

TEST(Screenshots, HtmlPagesPcPageTabs) {
    QTemporaryDir dir;
    htmltest::FakeComposer composer;
    ui::test::PromptRecorder prompts;
    auto page = std::make_unique<CMailEditPageHtmlPc>();
    page->SetComposer(&composer);
    ASSERT_EQ(page->SetAttachmentFolder(dir.path().toStdString() + "/pc/"), 1);
    ASSERT_EQ(page->SetPreviewFolder(dir.path().toStdString() + "/"), 1);
    page->OnInitPage();
    page->SetSubject(S("<%名前(姓)%>様 春の新作コレクションのご案内"));
    page->AppendInlinePart(Part("00", S("春の新作.jpg"),
                                htmltest::Banner(480, 120, QString::fromUtf8("春の新作コレクション"), QColor(233, 84, 132),
                                       QColor(255, 183, 77)),
                                "image/jpeg"));
    page->AppendInlinePart(
        Part("01", S("桜.jpg"), htmltest::Banner(150, 100, QString::fromUtf8("桜"), QColor(255, 192, 203), QColor(219, 112, 147)),
             "image/jpeg"));
    page->AppendInlinePart(Part("02", S("ライン.gif"), htmltest::Picture("GIF", qRgb(120, 160, 90), 0, 480, 4),
                                "image/gif"));
    page->FillSlotsFromInlineParts();
    page->RefreshInlineList();
    page->SetHtmlPart(S("<HTML>\r\n<HEAD>\r\n\t<META http-equiv=Content-Type content=\"text/html; charset=shift_jis\">\r\n"
                        "</HEAD>\r\n<BODY bgColor=#ffffff>\r\n"
                        "<P><IMG src=\"cid:00\"></P>\r\n"
                        "<P>&lt;%名前(姓)%&gt;様</P>\r\n"
                        "<P>いつも<B>ブティック桜</B>をご利用いただき、ありがとうございます。<BR>\r\n"
                        "本日は晴れ") +
                      "\xF8\x9F" +
                      S("、春の新作が入荷いたしました。</P>\r\n"
                        "<TABLE><TR><TD><IMG src=\"cid:01\"></TD>\r\n"
                        "<TD><FONT color=#c04070 size=4>新作ワンピース</FONT><BR>税込 12,800円<BR>"
                        "<A href=\"http://shop.example/spring\">詳しくはこちら</A></TD></TR></TABLE>\r\n"
                        "<P><IMG src=\"cid:02\"></P>\r\n"
                        "<P><FONT size=2 color=#808080>配信停止をご希望の方は、このメールにご返信ください。</FONT></P>\r\n"
                        "</BODY>\r\n</HTML>\r\n"));
    page->SetTextPart(S("<%名前(姓)%>様\r\n\r\nいつもブティック桜をご利用いただき、ありがとうございます。\r\n"
                        "春の新作が入荷いたしました。\r\n\r\n新作ワンピース　税込 12,800円\r\n"
                        "詳しくはこちら http://shop.example/spring\r\n"));
    ASSERT_EQ(page->AddAttachmentFromBuffer(S("春の新作カタログ.pdf"), "%PDF-1.4", 8), 1);
    page->UpdateMailSizeDisplay();
    page->resize(760, 620);
    ASSERT_EQ(page->UpdatePreview(), 1);

    QTabWidget* tabs = page->InnerSheet()->GetTabControl();
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(ui::test::SaveScreenshot(page.get(), "dlg2015_pc_html_page_preview"));
    // The preview draws the mail's own pictures and fetched nothing else.
    EXPECT_TRUE(page->PreviewPage()->View()->toPlainText().contains(QString::fromUtf8("新作ワンピース")));
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(ui::test::SaveScreenshot(page.get(), "dlg2015_pc_html_page_html_part"));
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(ui::test::SaveScreenshot(page.get(), "dlg2015_pc_html_page_text_part"));
}

}  // namespace
}  // namespace htmledit
