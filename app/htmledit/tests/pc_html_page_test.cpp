// The PC HTML page: its stored mail (images that do not fit are named, not lost without a
// word), saving, the subject's cut, the attachments in the work folder (names from outside
// never leave it), the inline-image take-over, the removal of unused images, the size
// figure and its detail; and the one-pass renaming of image references.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/size_detail_dlg.h"
#include "app/htmledit/tests/carrier_page_fixture.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/htmledit/tests/html_page_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/type_text.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

using carriertest::ImagePart;
using htmltest::FileBytes;
using htmltest::HtmlPageTest;
using htmltest::Picture;
using htmltest::S;
using htmltest::kRed;

TEST(CidReferences, RenamesEveryReferenceOnceInOnePass) {
    const std::string html =
        "<img src=\"cid:01\"><IMG SRC='CID:00'><img src=cid:01 alt=x><a href=\"cid:01\">l</a><img src=\"cid:09\">";
    const std::string out = RewriteCidReferences(html, {{"cid:01", "cid:00"}, {"cid:00", "cid:01"}, {"cid:09", "cid:09"}});
    EXPECT_EQ(out,
              "<img src=\"cid:00\"><IMG SRC='cid:01'><img src=cid:00 alt=x><a href=\"cid:01\">l</a><img src=\"cid:09\">");
    // Text that already holds runs of the stand-in character is renamed all the same.
    EXPECT_EQ(RewriteCidReferences("<img src=\"cid:~~~~0~~~~\"><img src=\"cid:a\">", {{"cid:a", "cid:00"}}),
              "<img src=\"cid:~~~~0~~~~\"><img src=\"cid:00\">");
    EXPECT_EQ(BareContentId("  <part1@example>\t"), "part1@example");
}

// A stored PC HTML mail: `html`, no TEXT part, and `images`.
std::string StoredMail(const std::string& html, const std::vector<MimeFormatStruct>& images) {
    CMimeAnalyze mail;
    MimeFormatStruct part;
    EXPECT_EQ(MimeDecodeTool::MimeDecode("Content-Type: text/html; charset=shift_jis\r\n"
                                         "Content-Transfer-Encoding: 8bit\r\n\r\n" + html,
                                         part),
              1);
    mail.SetMIMEHtmlBody(part);
    mail.GetRefOfMimeHtmlAttach() = images;
    std::string header, body;
    EXPECT_EQ(mail.GetMimeString(header, body, 0, nullptr), 0);
    return header + "\r\n" + body;
}

TEST_F(HtmlPageTest, StoredImagesThatDoNotFitAreNamedInOneMessage) {
    std::vector<MimeFormatStruct> images;
    images.push_back(ImagePart("a", "a.gif", kRed));
    images.push_back(ImagePart("png", "p.png", Picture("PNG", qRgb(0, 1, 0)), "image/png"));
    for (int i = 0; i < 20; ++i) images.push_back(ImagePart("n" + std::to_string(i), "n.gif", kRed));
    composer_.mail.subject[0] = S("件名");
    composer_.mail.body[0] = StoredMail("<img src=\"cid:a\"><img src=\"cid:n0\">", images);
    auto page = OpenPage(true);
    EXPECT_EQ(page->GetSubject(), S("件名"));
    // Parts from the slot count's position on go, and so does one that is no GIF or JPEG.
    EXPECT_EQ(page->InlineImages().size(), 19u);
    EXPECT_EQ(page->HtmlPart(), "<img src=\"cid:00\"><img src=\"cid:01\">");
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    const QString told = prompts_.texts()[0];
    EXPECT_TRUE(told.contains(QStringLiteral("<png> p.png")));
    EXPECT_TRUE(told.contains(QStringLiteral("<n18> n.gif")));
    EXPECT_TRUE(told.contains(QStringLiteral("<n19> n.gif")));
    EXPECT_FALSE(told.contains(QStringLiteral("<n17>")));
}

TEST_F(HtmlPageTest, SavesWhatReopensTheSame) {
    auto page = OpenPage();
    ui::test::TypeText(page->SubjectEdit(), "春のご案内");
    page->SetHtmlPart(S("<html><body>春<img src=\"cid:00\"></body></html>"));
    page->SetTextPart(S("春\r\n"));
    page->AppendInlinePart(ImagePart("00", "haru.gif", kRed));
    page->FillSlotsFromInlineParts();
    ASSERT_TRUE(page->SaveToMail());
    EXPECT_EQ(composer_.mail.subject[0], S("春のご案内"));
    page.reset();
    auto reopened = OpenPage(true);
    EXPECT_EQ(reopened->GetSubject(), S("春のご案内"));
    EXPECT_EQ(reopened->HtmlPart(), S("<html><body>春<img src=\"cid:00\"></body></html>"));
    EXPECT_EQ(reopened->TextPart(), S("春\r\n"));
    ASSERT_EQ(reopened->InlineImages().size(), 1u);
    EXPECT_EQ(reopened->InlineImages()[0].fileName, "haru.gif");
    // The HTML edit offers the image in its menu.
    ASSERT_EQ(reopened->HtmlPartPage()->HtmlEdit()->GetInlineImages().size(), 1u);
}

TEST_F(HtmlPageTest, SubjectIsCutWhereACharacterEnds) {
    auto page = OpenPage();
    page->SetSubject(std::string(513, 'a'));
    EXPECT_EQ(page->GetSubject().size(), 512u);
    page->SetSubject(std::string(511, 'a') + S("字"));
    EXPECT_EQ(page->GetSubject(), std::string(511, 'a'));
    page->SetSubject(std::string(510, 'a') + S("字"));
    EXPECT_EQ(page->GetSubject().size(), 512u);
}

TEST_F(HtmlPageTest, AttachmentsStayInTheWorkFolder) {
    auto page = OpenPage();
    for (const char* name : {"../evil.txt", "a/b.txt", "..", "", "tab\there.txt", "/abs.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(page->AddAttachmentFromBuffer(name, "x", 1), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(root_ + "evil.txt"));
    EXPECT_TRUE(FilesIn(workFolder_).empty());

    ASSERT_EQ(page->AddAttachmentFromBuffer(S("見積.txt"), "12345", 5), 1);
    ASSERT_EQ(page->AddAttachmentFromBuffer("b.bin", "xy", 2), 1);
    EXPECT_EQ(page->AddAttachmentFromBuffer("b.bin", "zz", 2), 0);  // name in use
    EXPECT_EQ(FileBytes(workFolder_ + S("見積.txt")), "12345");
    ASSERT_EQ(composer_.mail.attach[0].size(), 2u);
    EXPECT_EQ(composer_.mail.attach[0][0].secondText, "5");
    EXPECT_EQ(ui::FindControl<QLineEdit>(page.get(), CMailEditPageHtmlPc::kIdcAttachNames)->text(),
              ui::U8("見積.txt, b.bin"));
    char buffer[8] = {};
    EXPECT_EQ(page->GetAttachmentData(0, 4, buffer), 0);  // too small
    ASSERT_EQ(page->GetAttachmentData(0, sizeof buffer, buffer), 1);
    EXPECT_EQ(std::string(buffer, 5), "12345");

    ASSERT_EQ(page->RemoveAttachmentAt(0), 1);
    EXPECT_EQ(FilesIn(workFolder_), std::vector<std::string>{"b.bin"});
    EXPECT_EQ(composer_.mail.attach[0].size(), 1u);
    // The page's copies go with the page.
    page.reset();
    EXPECT_TRUE(FilesIn(workFolder_).empty());
}

TEST_F(HtmlPageTest, ChosenAttachmentIsCopiedWhenTheDialogCloses) {
    auto page = OpenPage();
    const std::string chosen = root_ + "chosen.pdf";
    htmltest::WriteFile(chosen, "pdf bytes");
    files_.Answer(ui::FromPath(chosen));
    maptest::DialogWatch watch("dlg934", [](QDialog* dialog) {
        static_cast<CAttachmentSettingDlg*>(dialog)->OnAdd();
        dialog->accept();
    });
    page->OnAttachFiles();
    EXPECT_TRUE(watch.shown());
    EXPECT_EQ(composer_.attachmentNotices, 1);
    EXPECT_EQ(FileBytes(workFolder_ + "chosen.pdf"), "pdf bytes");
    EXPECT_EQ(FileBytes(chosen), "pdf bytes");  // the user's own file stays
    ASSERT_EQ(composer_.mail.attach[0].size(), 1u);
    EXPECT_EQ(composer_.mail.attach[0][0].fileName, "chosen.pdf");
    EXPECT_EQ(composer_.mail.attach[0][0].secondText, "9");
}

TEST_F(HtmlPageTest, InlineFilesAreReadAgainWhenTheSettingsCloseWithOk) {
    auto page = OpenPage();
    const std::string good = root_ + "good.gif";
    const std::string grown = root_ + "grown.gif";
    const std::string fake = root_ + "fake.gif";
    htmltest::WriteFile(good, kRed);
    htmltest::WriteFile(grown, kRed);
    htmltest::WriteFile(fake, "not a picture");
    CInlineImageSettingDlg& table = *page->InlineSettings();
    ASSERT_EQ(table.SetImage(0, "good.gif", kRed.size(), good, 1), 1);
    ASSERT_EQ(table.SetImage(1, "grown.gif", kRed.size(), grown, 1), 1);
    ASSERT_EQ(table.SetImage(2, "fake.gif", 13, fake, 1), 1);
    htmltest::WriteFile(grown, kRed + "more");
    page->TakeOverInlineSettings();

    EXPECT_EQ(prompts_.texts(), (QStringList{ui::U8("指定されたファイル「grown.gif」の情報が取得できません。"),
                                             ui::U8("サポートしていない形式のファイル「fake.gif」が指定されました。")}));
    ASSERT_EQ(page->GetInlineParts().size(), 1u);
    MimeFormatStruct part;
    ASSERT_TRUE(page->FindInlinePart("00", part));
    std::string bytes;
    part.GetBodyAfterBase64Decode(bytes);
    EXPECT_EQ(bytes, kRed);
    EXPECT_EQ(table.GetSlot(1).inUse, 0);
    EXPECT_EQ(table.GetSlot(2).inUse, 0);

    // A slot emptied in the settings loses its part.
    ASSERT_EQ(table.RemoveImage(0), 1);
    page->TakeOverInlineSettings();
    EXPECT_TRUE(page->GetInlineParts().empty());
}

TEST_F(HtmlPageTest, UnusedImagesAreOfferedAndRemoved) {
    auto page = OpenPage();
    for (const char* id : {"00", "01", "02"}) page->AppendInlinePart(ImagePart(id, std::string(id) + ".gif", kRed));
    page->FillSlotsFromInlineParts();
    page->SetHtmlPart("<p><img src=\" CID:01\r\n \"></p><a href=\"cid:00\">x</a>");

    prompts_.Answer(platform::kIdCancel);
    page->OnRemoveUnusedInlineImages();
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_TRUE(prompts_.texts()[0].endsWith(ui::U8("　<00> 00.gif\r\n　<02> 02.gif\r\n")));
    EXPECT_EQ(page->InlineImages().size(), 3u);

    prompts_.clear();
    page->OnRemoveUnusedInlineImages();
    ASSERT_EQ(page->InlineImages().size(), 1u);
    EXPECT_EQ(page->InlineImages()[0].contentId, "01");
    EXPECT_EQ(page->GetInlineParts().size(), 1u);

    prompts_.clear();
    page->OnRemoveUnusedInlineImages();
    EXPECT_EQ(prompts_.texts(), QStringList{ui::U8("HTMLパートで未使用のインライン画像はありません。")});
}

TEST_F(HtmlPageTest, SizeFigureAddsTextBytesAndFileSizes) {
    auto page = OpenPage();
    page->SetHtmlPart("12345");
    page->SetTextPart(S("字"));
    page->SetSubject("abc");
    page->AppendInlinePart(ImagePart("00", "a.gif", std::string(kRed) + std::string(1000, '\0')));
    page->FillSlotsFromInlineParts();
    ASSERT_EQ(page->AddAttachmentFromBuffer("f.bin", std::string(1000000, 'f').data(), 1000000), 1);
    page->UpdateMailSizeDisplay();
    const std::uint64_t total = 5 + 2 + 3 + (kRed.size() + 1000) + 1000000;
    QString expected = QString::number(total);
    for (int at = expected.size() - 3; at > 0; at -= 3) expected.insert(at, QLatin1Char(','));
    EXPECT_EQ(ui::FindControl<QLabel>(page.get(), CMailEditPageHtmlPc::kIdcTotalSize)->text(), expected);

    composer_.destination = S("顧客一覧");
    composer_.destinations[0] = {1, 2};
    std::map<int, QString> shown;
    maptest::DialogWatch watch("dlg2016", [&shown](QDialog* dialog) {
        for (int id : {CMailFileSizeDlg::kIdcSubject, CMailFileSizeDlg::kIdcHtmlPart, CMailFileSizeDlg::kIdcInlineCount,
                       CMailFileSizeDlg::kIdcAttachmentSize, CMailFileSizeDlg::kIdcTotal})
            if (auto* label = ui::FindControl<QWidget>(dialog, id)) shown[id] = label->property("text").toString();
        dialog->accept();
    });
    page->OnSizeDetail();
    ASSERT_TRUE(watch.shown());
    EXPECT_EQ(composer_.measured[1], "12345");
    EXPECT_EQ(shown[CMailFileSizeDlg::kIdcSubject], QStringLiteral("3"));
    EXPECT_EQ(shown[CMailFileSizeDlg::kIdcInlineCount], QStringLiteral("1"));
    EXPECT_EQ(shown[CMailFileSizeDlg::kIdcAttachmentSize], QStringLiteral("1,000,000"));
}

TEST_F(HtmlPageTest, LeavesItsSheetWhileStillWhole) {
    QTabWidget sheet;
    sheet.addTab(new QWidget, QStringLiteral("first"));
    std::unique_ptr<compose::HtmlMailPage> page = OpenPage();
    sheet.addTab(page->PageWidget(), page->PageCaption());
    sheet.setCurrentIndex(1);
    // The composing dialog looks at its pages when the tabs change.
    int seen = 0;
    QObject::connect(&sheet, &QTabWidget::currentChanged, [&] {
        if (page != nullptr) seen += page->PageFormat() == compose::kHtmlPagePc ? 1 : 0;
    });
    compose::HtmlMailPage* raw = page.get();
    delete raw;  // the handler still reaches it through `page` meanwhile
    (void)page.release();
    EXPECT_EQ(sheet.count(), 1);
    EXPECT_EQ(seen, 1);
}

TEST(HtmlPageFactory, MakesThePcPage) {
    auto page = MakeHtmlMailPage(compose::kHtmlPagePc);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PageFormat(), compose::kHtmlPagePc);
    EXPECT_EQ(page->PageCaption(), QStringLiteral("PC"));
    EXPECT_EQ(page->PageWidget()->objectName(), QStringLiteral("dlg2015"));
    EXPECT_EQ(MakeHtmlMailPage(compose::kHtmlPageMime), nullptr);
}

}  // namespace
}  // namespace htmledit
