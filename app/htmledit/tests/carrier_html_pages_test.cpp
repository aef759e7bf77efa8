// The HTML mail pages for phones (NTT DoCoMo, au TU-KA, SoftBank): each carrier's rules, a
// mail saved and reopened whole, stored images that take no slot kept in the mail (and
// the later ones still in their slots), the shared limits of attachments and images
// asked of the other side at each check, pictograms going to the edit the user left,
// and the test send for each carrier.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/compose/sjis_limited_edit.h"
#include "app/mailtext/text_utils.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/html_page_factory.h"
#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/tests/carrier_page_fixture.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/type_text.h"

namespace htmledit {
namespace {

using carriertest::ImagePart;
using carriertest::StoredMail;
using htmltest::Picture;
using htmltest::S;
using htmltest::kBlue;
using htmltest::kRed;
using htmltest::kSun;

class CarrierHtmlPagesTest : public carriertest::CarrierPageTest {
protected:
    std::unique_ptr<CMailEditPageHtmlMobileBase> OpenFormat(int format, bool stored = false) {
        switch (format) {
            case compose::kHtmlPageDocomo: return Open<CMailEditPageHtmlDocomo>(stored);
            case compose::kHtmlPageAu: return Open<CMailEditPageHtmlAu>(stored);
            default: return Open<CMailEditPageHtmlSoftbank>(stored);
        }
    }
    // The page on screen with the focus in its window, as the user has it.
    static void ShowActive(QWidget& page) {
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }
    // `edit` loses the focus to another window (the palette) with its selection kept.
    static void LeaveForPalette(QWidget& edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(&edit, &out);
    }
    // Chooses cell `index` of the page's palette and lets the choice travel to the page.
    static void ChoosePictogram(CMailEditPageHtmlMobileBase& page, int index) {
        compose::CPictogramDialog* palette = page.PictogramDialog();
        palette->Grid()->setCurrentCell(index / compose::CPictogramDialog::kColumns,
                                        index % compose::CPictogramDialog::kColumns);
        palette->InsertSelectedPictogram();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
};

TEST_F(CarrierHtmlPagesTest, EveryCarrierHasItsRules) {
    struct Case {
        int format, terminal, resource;
        const char* caption;
        std::size_t subject, parts;
        const char* firstId;
        const char* lastId;
        std::size_t slotCount;
        std::uint64_t inlineBytes;
        std::uint32_t files;
        std::uint64_t attachmentBytes;
        int firstBitmap, lastBitmap;
    };
    const Case cases[] = {
        {compose::kHtmlPageDocomo, 1, 2009, "NTT DoCoMo", 30, 10000, "00", "19", 20, 92160, 10, 2097152, 333, 532},
        {compose::kHtmlPageAu, 2, 2013, "au TU-KA", 100, 10000, "img@000", "img@019", 20, 143600, 25, 512000, 535, 734},
        {compose::kHtmlPageSoftbank, 3, 2014, "SoftBank", 512, 30720, "00", "39", 40, 256000, 20, 256000, 737, 736},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        std::unique_ptr<compose::HtmlMailPage> made = MakeHtmlMailPage(c.format);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->PageFormat(), c.format);
        auto page = OpenFormat(c.format);
        EXPECT_EQ(page->objectName(), ui::DialogName(c.resource));
        EXPECT_EQ(page->PageCaption(), QString::fromLatin1(c.caption));
        EXPECT_EQ(page->MailSlot(), c.terminal);
        EXPECT_EQ(page->SubjectEdit()->GetByteLimit(), c.subject);
        EXPECT_EQ(page->TextPartPage()->GetMaximum(), c.parts);
        EXPECT_EQ(page->HtmlPartPage()->GetMaximum(), c.parts);
        EXPECT_EQ(page->TextPartPage()->GetWrapPosition(), 240);
        const CInlineImageSettingDlg& images = *page->GetInlineImageSettings();
        ASSERT_EQ(images.GetMaxCount(), c.slotCount);
        EXPECT_EQ(images.GetSlot(0).contentId, c.firstId);
        EXPECT_EQ(images.GetSlot(c.slotCount - 1).contentId, c.lastId);
        EXPECT_EQ(images.GetMaxBytes(), c.inlineBytes);
        EXPECT_EQ(page->AttachmentSettings()->GetMaxCount(), c.files);
        EXPECT_EQ(page->AttachmentSettings()->GetMaxBytes(), c.attachmentBytes);
        const compose::PictogramList& palette = page->PictogramDialog()->GetPictogramList();
        ASSERT_EQ(palette.GetCount(), 200u);
        EXPECT_EQ(palette.GetAt(0).CodeValue(), 0xF89F);
        EXPECT_EQ(palette.GetAt(0).bitmapId, c.firstBitmap);
        EXPECT_EQ(palette.GetAt(199).CodeValue(), 0xF9FC);
        EXPECT_EQ(palette.GetAt(199).bitmapId, c.lastBitmap);
        EXPECT_NE(ui::FindControl<QPushButton>(page.get(), CMailEditPageHtmlMobileBase::kIdcPictogram), nullptr);
        // Only the NTT DoCoMo page has the template and the reflection.
        const bool docomo = c.format == compose::kHtmlPageDocomo;
        EXPECT_EQ(ui::FindControl<QPushButton>(page.get(), CMailEditPageHtmlDocomo::kIdcTemplate) != nullptr, docomo);
        EXPECT_EQ(ui::FindControl<QPushButton>(page.get(), CMailEditPageHtmlDocomo::kIdcReflect) != nullptr, docomo);
    }
    // SoftBank draws its last four pictograms apart from its run.
    const compose::PictogramList softbank = CMailEditPageHtmlMobileBase::MakePictogramList(CMailEditPageHtmlSoftbank::CarrierRules());
    EXPECT_EQ(softbank.GetAt(195).bitmapId, 737 + 195);
    EXPECT_EQ(softbank.GetAt(196).bitmapId, 533);
    EXPECT_EQ(softbank.GetAt(197).bitmapId, 534);
    EXPECT_EQ(softbank.GetAt(198).bitmapId, 735);
}

TEST_F(CarrierHtmlPagesTest, SavesWhatReopensTheSame) {
    for (int format : {compose::kHtmlPageDocomo, compose::kHtmlPageAu, compose::kHtmlPageSoftbank}) {
        composer_.mail = OneMail{};
        auto page = OpenFormat(format);
        SCOPED_TRACE(page->PageCaption().toStdString());
        const std::string id = page->GetInlineImageSettings()->GetSlot(3).contentId;
        const std::string html = S("<html><body>春") + kSun + "<img src=\"cid:" + id + "\"></body></html>";
        ui::test::TypeText(page->SubjectEdit(), "春のご案内");
        page->SetHtmlPart(html);
        page->SetTextPart(S("春") + kSun + "\r\n");
        page->AppendInlinePart(ImagePart(id, "haru.gif", kRed));
        page->FillSlotsFromInlineParts();
        ASSERT_EQ(page->AddAttachmentFromBuffer("menu.txt", "menu", 4), 1);
        page->UpdateMailSizeDisplay();
        // Raw bytes: subject, both parts, the picture and the attachment.
        const std::uint64_t total = S("春のご案内").size() + html.size() + S("春").size() + 4 + kRed.size() + 4;
        EXPECT_EQ(ui::FindControl<QLabel>(page.get(), CMailEditPageHtmlMobileBase::kIdcTotalSize)->text(),
                  QString::fromStdString(compose::FormatNumberWithCommas(total)));
        ASSERT_TRUE(page->SaveToMail());
        const auto slot = static_cast<std::size_t>(page->MailSlot());
        EXPECT_EQ(composer_.mail.subject[slot], S("春のご案内"));
        ASSERT_EQ(composer_.mail.attach[slot].size(), 1u);
        page.reset();
        // The attachment's copy went with the page; a stored mail brings its own back.
        htmltest::WriteFile(WorkFolder(static_cast<int>(slot)) + "menu.txt", "menu");
        auto reopened = OpenFormat(format, true);
        EXPECT_EQ(reopened->GetSubject(), S("春のご案内"));
        EXPECT_EQ(reopened->HtmlPart(), html);
        EXPECT_EQ(reopened->TextPart(), S("春") + kSun + "\r\n");
        ASSERT_EQ(reopened->InlineImages().size(), 1u);
        EXPECT_EQ(reopened->InlineImages()[0].contentId, id);
        EXPECT_EQ(reopened->InlineImages()[0].fileName, "haru.gif");
        EXPECT_EQ(reopened->GetAttachmentCount(), 1);
        EXPECT_EQ(ui::FindControl<QLineEdit>(reopened.get(), CMailEditPageHtmlMobileBase::kIdcAttachNames)->text(),
                  QStringLiteral("menu.txt"));
        ASSERT_EQ(reopened->HtmlPartPage()->HtmlEdit()->GetInlineImages().size(), 1u);
        EXPECT_TRUE(prompts_.prompts().empty()) << AllTold();
    }
}

TEST_F(CarrierHtmlPagesTest, StoredImagesAfterAForeignIdKeepTheirSlots) {
    // An au TU-KA mail whose second picture has an id of no slot.
    composer_.mail.body[2] = StoredMail("<img src=\"cid:img@000\"><img src=\"cid:x@y\"><img src=\"cid:img@002\">", "",
                                       {ImagePart("img@000", "a.gif", kRed), ImagePart("x@y", "b.gif", kRed),
                                        ImagePart("img@002", "c.jpg", kBlue, "image/jpeg")});
    auto page = Open<CMailEditPageHtmlAu>(true);
    std::vector<std::string> ids;
    for (const compose::PageFileEntry& image : page->InlineImages()) ids.push_back(image.contentId);
    EXPECT_EQ(ids, (std::vector<std::string>{"img@000", "img@002"}));
    ASSERT_EQ(prompts_.prompts().size(), 1u);
    EXPECT_TRUE(Told("保存されているメールの以下のインライン画像は、au TU-KA向けメールのインライン画像として登録できませんでした。"));
    EXPECT_TRUE(prompts_.texts()[0].contains(QStringLiteral("<x@y> b.gif")));
    // OK in the image dialog takes nothing away; the foreign picture stays in the mail.
    maptest::DialogWatch ok("dlg936", [](QDialog* dialog) { dialog->accept(); });
    page->OnInlineImages();
    EXPECT_TRUE(ok.shown());
    EXPECT_EQ(page->InlineImages().size(), 2u);
    EXPECT_EQ(page->GetInlineParts().size(), 3u);
    ASSERT_TRUE(page->SaveToMail());
    std::string text, html;
    std::vector<MimeFormatStruct> parts;
    ASSERT_TRUE(CMailEditPageHtmlBase::SplitStoredMessage(composer_.mail.body[2], text, html, parts));
    EXPECT_EQ(parts.size(), 3u);
    // The 25-file rule counts the pictures in their slots from the start.
    EXPECT_EQ(page->GetAttachmentSettings()->GetInlineImageCount(), 2u);
}

TEST_F(CarrierHtmlPagesTest, SharedLimitsAskTheOtherSideEachTime) {
    // SoftBank: a stored mail's 200,000 bytes of attachments leave room for 56,000 bytes
    // of pictures, not 60,000 - and all of it once the attachments are gone.
    StoreAttachment(3, "big.bin", 200000);
    composer_.mail.body[3] = StoredMail("<p>x</p>", "", {});
    auto softbank = Open<CMailEditPageHtmlSoftbank>(true);
    CInlineImageSettingDlgSoftbank& pictures = *softbank->GetInlineImageSettings();
    EXPECT_EQ(pictures.GetAttachmentTotal(), 200000u);
    EXPECT_EQ(pictures.SetImage(0, "a.gif", 60000, "", 0), 0);
    EXPECT_EQ(pictures.SetImage(0, "a.gif", 56000, "", 0), 1);
    // The attachments now see the pictures: 1 byte more than the rest is refused.
    EXPECT_TRUE(softbank->GetAttachmentSettings()->IsAddSizeOver(1));
    ASSERT_EQ(softbank->RemoveAllAttachments(), 1);
    EXPECT_EQ(pictures.SetImage(1, "b.gif", 200000, "", 0), 1);

    // au TU-KA: with 20 attachments 5 pictures fit; 3 attachments fewer, 3 more.
    composer_.mail = OneMail{};
    auto au = Open<CMailEditPageHtmlAu>();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(au->AddAttachmentFromBuffer("f" + std::to_string(i), "x", 1), 1);
    CInlineImageSettingDlgAu& auSlots = *au->GetInlineImageSettings();
    int filled = 0;
    for (std::size_t i = 0; i < auSlots.GetMaxCount(); ++i) filled += auSlots.SetImage(i, "p.gif", 100, "", 0);
    EXPECT_EQ(filled, 5);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(au->RemoveAttachmentAt(0), 1);
    for (std::size_t i = 0; i < auSlots.GetMaxCount(); ++i)
        if (auSlots.GetSlot(i).inUse == 0) filled += auSlots.SetImage(i, "p.gif", 100, "", 0);
    EXPECT_EQ(filled, 8);
    EXPECT_TRUE(au->GetAttachmentSettings()->IsCountFull());
}

TEST_F(CarrierHtmlPagesTest, PictogramsGoToTheEditTheUserLeft) {
    auto page = Open<CMailEditPageHtmlAu>();
    ShowActive(*page);
    QTabWidget* tabs = page->InnerSheet()->GetTabControl();
    compose::SjisLimitedEdit* subject = page->SubjectEdit();
    CMailBodyEdit* text = page->TextPartPage()->Edit();

    // Typing in the TEXT part, then clicking into the subject: the subject takes it.
    tabs->setCurrentIndex(2);
    text->setFocus();
    ui::test::TypeText(text, "abc");
    subject->setFocus();
    EXPECT_EQ(page->GetLastEdit(), CMailEditPageHtmlMobileBase::kLastEditText);
    LeaveForPalette(*subject);
    ChoosePictogram(*page, 0);
    EXPECT_EQ(subject->GetSjisText(), kSun);
    EXPECT_EQ(page->TextPartPage()->GetText(), "abc");

    // Typing in the TEXT part and going straight to the palette: the TEXT part takes it,
    // at the caret.
    text->setFocus();
    LeaveForPalette(*text);
    ChoosePictogram(*page, 1);
    EXPECT_EQ(page->TextPartPage()->GetText(), "abc\xF8\xA0");
    EXPECT_EQ(subject->GetSjisText(), kSun);

    // On the preview tab it goes nowhere, and it is not kept for later.
    tabs->setCurrentIndex(0);
    ChoosePictogram(*page, 2);
    EXPECT_EQ(page->TextPartPage()->GetText(), "abc\xF8\xA0");
    EXPECT_EQ(subject->GetSjisText(), kSun);
    EXPECT_EQ(page->PictogramDialog()->GetSelectedCode(), "");

    // The button brings the focus back to the last edit (none yet on a new page: the
    // subject) and shows the palette; leaving the page hides it.
    auto fresh = Open<CMailEditPageHtmlSoftbank>();
    ShowActive(*fresh);
    EXPECT_EQ(fresh->GetLastEdit(), CMailEditPageHtmlMobileBase::kLastEditNone);
    ui::FindControl<QPushButton>(fresh.get(), CMailEditPageHtmlMobileBase::kIdcPictogram)->click();
    EXPECT_EQ(fresh->GetLastEdit(), CMailEditPageHtmlMobileBase::kLastEditSubject);
    EXPECT_TRUE(fresh->PictogramDialog()->isVisible());
    EXPECT_TRUE(fresh->OnKillActive());
    EXPECT_FALSE(fresh->PictogramDialog()->isVisible());
}

TEST_F(CarrierHtmlPagesTest, ASubjectTakesAPictogramOnlyWithinItsLimit) {
    struct Case {
        int format;
        std::size_t limit;
    };
    for (const Case& c : {Case{compose::kHtmlPageDocomo, 30}, Case{compose::kHtmlPageAu, 100},
                          Case{compose::kHtmlPageSoftbank, 512}}) {
        auto page = OpenFormat(c.format);
        SCOPED_TRACE(c.limit);
        ShowActive(*page);
        compose::SjisLimitedEdit* subject = page->SubjectEdit();
        subject->setFocus();
        subject->SetSjisText(std::string(c.limit - 1, 's'));
        subject->SetSjisSelection(c.limit - 1, c.limit - 1);
        LeaveForPalette(*subject);
        ChoosePictogram(*page, 0);
        EXPECT_EQ(subject->GetSjisText(), std::string(c.limit - 1, 's'));
        // With one byte selected it fits, and the caret stands after it.
        subject->SetSjisSelection(c.limit - 2, c.limit - 1);
        LeaveForPalette(*subject);
        ChoosePictogram(*page, 0);
        EXPECT_EQ(subject->GetSjisText(), std::string(c.limit - 2, 's') + kSun);
        std::size_t start = 0, end = 0;
        subject->GetSjisSelection(start, end);
        EXPECT_EQ(start, c.limit);
        EXPECT_EQ(end, c.limit);
        EXPECT_TRUE(prompts_.prompts().empty());
        // Set from outside, a subject is cut where a character ends.
        page->SetSubject(std::string(c.limit - 1, 'a') + S("字"));
        EXPECT_EQ(page->GetSubject(), std::string(c.limit - 1, 'a'));
    }
}

TEST_F(CarrierHtmlPagesTest, SizeDetailMeasuresForTheCarriersDestinations) {
    composer_.destination = S("春の会員");
    composer_.destinations = {std::vector<int>{1}, {2}, {3}, {4}, {5}};
    for (int format : {compose::kHtmlPageDocomo, compose::kHtmlPageAu, compose::kHtmlPageSoftbank}) {
        auto page = OpenFormat(format);
        SCOPED_TRACE(format);
        page->SetSubject("subject");
        page->SetHtmlPart("<p>html</p>");
        page->SetTextPart("text");
        maptest::DialogWatch shown("dlg2016", [](QDialog* dialog) { dialog->accept(); });
        ui::FindControl<QPushButton>(page.get(), CMailEditPageHtmlMobileBase::kIdcSizeDetail)->click();
        EXPECT_TRUE(shown.shown());
        EXPECT_EQ(composer_.measuredKind, format);
        EXPECT_EQ(composer_.measuredIds, std::vector<int>{page->MailSlot() + 1});
        EXPECT_EQ(composer_.measured, (std::array<std::string, 3>{"subject", "<p>html</p>", "text"}));
    }
}

TEST_F(CarrierHtmlPagesTest, TestSendBuildsTheMailForTheCarrier) {
    struct Case {
        int format, terminal;
    };
    for (const Case& c : {Case{compose::kHtmlPageDocomo, 1}, Case{compose::kHtmlPageAu, 2},
                          Case{compose::kHtmlPageSoftbank, 3}}) {
        composer_.sender = htmltest::FakeTestService{};
        composer_.checks.clear();
        auto page = OpenFormat(c.format);
        SCOPED_TRACE(c.terminal);
        page->SetSubject(S("テスト"));
        page->SetTextPart(S("晴れ") + kSun);
        page->SetHtmlPart(S("<p>晴れ</p>"));
        ui::FindControl<QPushButton>(page.get(), CMailEditPageHtmlMobileBase::kIdcTestSend)->click();
        ASSERT_EQ(composer_.checks.size(), 1u);
        EXPECT_EQ(composer_.checks[0], std::make_pair('M', c.format));
        EXPECT_EQ(composer_.sender.sendKinds, std::vector<int>{1});
        EXPECT_EQ(composer_.sender.attachmentPages, std::vector<int>{c.terminal});
        EXPECT_EQ(composer_.sender.sentPage, c.terminal);
        EXPECT_EQ(composer_.testSubject, S("テスト"));
        if (c.terminal == 2) {
            // "晴れ" and au TU-KA's own code of the pictogram (75 41), in ISO-2022-JP.
            EXPECT_NE(composer_.sender.body.find("\x1b$B@2$luA\x1b(B"), std::string::npos) << composer_.sender.body;
        }
    }
    // A content check that fails sends nothing.
    composer_.sender = htmltest::FakeTestService{};
    composer_.checkResult = false;
    auto page = Open<CMailEditPageHtmlAu>();
    page->OnTestSend();
    EXPECT_TRUE(composer_.sender.sendKinds.empty());
}

}  // namespace
}  // namespace htmledit
