// The HTML page base through the PC page: the model a new page starts from, the inline
// part it builds from a picture, finding and removing inline parts, the inner sheet, the
// folders, the TEXT-part notice and the test send (a mail that cannot be built is not sent).
#include <gtest/gtest.h>

#include <QDialog>

#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "app/ui/testing/type_text.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/widgets/varnis_property_sheet.h"
#include "core/mailstore/mime_analyze.h"
#include "core/mailstore/mime_decode_tool.h"

#include <QTabWidget>

namespace htmledit {
namespace {

using htmltest::HtmlPageTest;
using htmltest::S;

// The bodies of the template's two parts, as the template writes them.
const std::string kSkeleton =
    "<HTML>\r\n<HEAD>\r\n\t<META http-equiv=Content-Type content=\"text/html; charset=shift_jis\">\r\n</HEAD>\r\n"
    "<BODY bgColor=#ffffff>\r\n</BODY>\r\n</HTML>\r\n";

TEST_F(HtmlPageTest, NewPageWritesTheTemplatesTwoParts) {
    EXPECT_EQ(CMailEditPageHtmlBase::TemplateMessage().size(), 509u);
    auto page = OpenPage();
    std::string text;
    ASSERT_EQ(page->GetMimeText(text), 1);

    MimeFormatStruct top;
    ASSERT_EQ(MimeDecodeTool::MimeDecode(text, top), 1);
    EXPECT_EQ(top.ContentTypeIs("multipart/alternative"), 1);
    CMimeAnalyze mail;
    ASSERT_EQ(mail.AnalyzeMime(text), 0);
    MimeFormatStruct plain, html;
    mail.GetMIMETextpart(plain);
    mail.GetMIMEHtmlpart(html);
    EXPECT_EQ(plain.CharsetIs("shift_jis"), 1);
    EXPECT_EQ(html.CharsetIs("shift_jis"), 1);
    std::string body;
    ASSERT_EQ(plain.ConvertBodyToCp932String(body), 1);
    EXPECT_EQ(body, "");
    ASSERT_EQ(html.ConvertBodyToCp932String(body), 1);
    EXPECT_EQ(body, kSkeleton);
    // The HTML tab shows the skeleton; the TEXT tab is empty.
    EXPECT_EQ(page->HtmlPart(), kSkeleton);
    EXPECT_EQ(page->TextPart(), "");
}

TEST(HtmlPageBase, BuildsAnInlinePartWithExactlyThreeHeaders) {
    const std::string gif = htmltest::Picture("GIF", qRgb(255, 0, 0), 100);
    MimeFormatStruct part;
    part.headerList.push_back({"X-Old", "stays not"});
    CMailEditPageHtmlBase::BuildInlinePart(part, "image/gif", S("地図.gif"), "00", gif);
    ASSERT_EQ(part.headerList.size(), 3u);
    EXPECT_EQ(part.headerList[0].name, "content-type");
    EXPECT_EQ(part.headerList[0].value.rfind("image/gif; name=\"", 0), 0u) << part.headerList[0].value;
    EXPECT_EQ(part.headerList[1].name, "content-transfer-encoding");
    EXPECT_EQ(part.headerList[1].value, "base64");
    EXPECT_EQ(part.headerList[2].name, "content-id");
    EXPECT_EQ(part.headerList[2].value, " <00>");
    EXPECT_EQ(part.ContentIdIs("00"), 1);
    std::string name;
    ASSERT_EQ(part.GetNameParamFromContentType(name), 1);
    EXPECT_EQ(name, S("地図.gif"));
    std::string decoded;
    ASSERT_EQ(part.GetBodyAfterBase64Decode(decoded), 1);
    EXPECT_EQ(decoded, gif);
    // Lines of 76, the body ending in CR LF.
    EXPECT_EQ(part.body.substr(0, part.body.find("\r\n")).size(), 76u);
    EXPECT_EQ(part.body.substr(part.body.size() - 2), "\r\n");
}

TEST_F(HtmlPageTest, RemovesOnlyTheFirstInlinePartOfAnId) {
    auto page = OpenPage();
    const std::string gif = htmltest::Picture("GIF", qRgb(0, 0, 255));
    std::vector<MimeFormatStruct> parts(3);
    CMailEditPageHtmlBase::BuildInlinePart(parts[0], "image/gif", "a.gif", "00", gif);
    CMailEditPageHtmlBase::BuildInlinePart(parts[1], "image/gif", "b.gif", "01", gif);
    CMailEditPageHtmlBase::BuildInlinePart(parts[2], "image/gif", "c.gif", "01", gif);
    page->SetInlineParts(parts);

    EXPECT_EQ(page->RemoveInlinePart("07"), 0);
    EXPECT_EQ(page->GetInlineParts().size(), 3u);
    int index = -1;
    EXPECT_EQ(page->FindInlinePart("01", index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(page->RemoveInlinePart("01"), 1);
    ASSERT_EQ(page->GetInlineParts().size(), 2u);
    std::string name;
    page->GetInlineParts()[1].GetNameParamFromContentType(name);
    EXPECT_EQ(name, "c.gif");
}

TEST_F(HtmlPageTest, SheetOpensOnThePreviewAndKnowsTheActiveTab) {
    auto page = std::make_unique<CMailEditPageHtmlPc>();
    page->SetComposer(&composer_);
    EXPECT_FALSE(page->IsHtmlPartActive());
    EXPECT_FALSE(page->IsTextPartActive());
    ASSERT_EQ(page->SetPreviewFolder(previewFolder_), 1);
    page->OnInitPage();
    QTabWidget* tabs = page->InnerSheet()->GetTabControl();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), ui::U8("プレビュー"));
    EXPECT_EQ(tabs->tabText(1), ui::U8("HTMLパート"));
    EXPECT_EQ(tabs->tabText(2), ui::U8("TEXTパート"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    // Opening the preview wrote the first preview file.
    EXPECT_FALSE(page->GetPreviewFilePath().empty());
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(page->IsHtmlPartActive());
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(page->IsTextPartActive());
    EXPECT_FALSE(page->IsHtmlPartActive());
}

TEST_F(HtmlPageTest, FoldersAreMadeOneLevelDeep) {
    CMailEditPageHtmlPc page;
    EXPECT_EQ(page.SetAttachmentFolder(root_ + "made/"), 1);
    EXPECT_TRUE(std::filesystem::is_directory(root_ + "made"));
    EXPECT_EQ(page.SetAttachmentFolder(root_ + "no/such/parent/"), 0);
    EXPECT_EQ(page.GetAttachmentFolder(), root_ + "made/");
    EXPECT_EQ(page.SetPreviewFolder(""), 0);
}

TEST_F(HtmlPageTest, TextPartNoticeComesOncePerComposingDialog) {
    composer_.textPartNotice = true;
    auto page = OpenPage();
    QTabWidget* tabs = page->InnerSheet()->GetTabControl();
    QString shownText;
    maptest::DialogWatch watch("dlg937", [&shownText](QDialog* dialog) {
        shownText = dialog->windowTitle();
        dialog->accept();
    });
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(watch.shown());
    EXPECT_EQ(shownText, ui::U8("インフォメーション"));
    EXPECT_FALSE(composer_.textPartNotice);

    watch.Rearm();
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(2);
    QApplication::processEvents();
    EXPECT_TRUE(watch.shown());  // the first showing only
    EXPECT_FALSE(composer_.textPartNotice);
}

// A page whose mail cannot be built for the test recipient.
class UnbuildablePage : public CMailEditPageHtmlPc {
public:
    int BuildTestMime(const OneCustomer&, std::string&, std::string&) override { return 0; }
};

TEST_F(HtmlPageTest, TestSendSendsTheMergedMailAndNothingThatCannotBeBuilt) {
    auto page = OpenPage();
    ui::test::TypeText(page->SubjectEdit(), "<%名前(姓)%>様へのご案内");
    page->SetHtmlPart(S("<html><body>&lt;%名前(姓)%&gt;様<img src=\"cid:00\"></body></html>"));
    page->SetTextPart(S("<%名前(姓)%>様"));
    composer_.recipient.KanjiSei = S("山田");
    page->OnTestSend();
    ASSERT_EQ(composer_.checks.size(), 1u);
    EXPECT_EQ(composer_.checks[0], std::make_pair('Y', 6));
    ASSERT_EQ(composer_.sender.sent, 1);
    EXPECT_EQ(composer_.sender.sendKinds, std::vector<int>{0});
    EXPECT_EQ(composer_.sender.sentPage, 0);
    EXPECT_EQ(composer_.testSubject, S("山田様へのご案内"));
    CMimeAnalyze sent;
    ASSERT_EQ(sent.AnalyzeMime(composer_.sender.header + "\r\n" + composer_.sender.body), 0);
    MimeFormatStruct part;
    std::string text;
    sent.GetMIMEHtmlpart(part);
    ASSERT_EQ(part.ConvertBodyToCp932String(text), 1);
    EXPECT_NE(text.find(S("山田様")), std::string::npos);
    sent.GetMIMETextpart(part);
    ASSERT_EQ(part.ConvertBodyToCp932String(text), 1);
    EXPECT_EQ(text.substr(0, S("山田様").size()), S("山田様"));

    UnbuildablePage broken;
    broken.SetComposer(&composer_);
    broken.OnInitPage();
    prompts_.clear();
    broken.OnTestSend();
    EXPECT_EQ(composer_.sender.sent, 1);
    EXPECT_EQ(composer_.sender.abandoned, 1);
    ASSERT_EQ(prompts_.texts().size(), 1);
    EXPECT_EQ(prompts_.captions()[0], ui::U8("テストメール送信失敗"));
}

}  // namespace
}  // namespace htmledit
