// Renders the HTML mail pages for phones with a fixture deco-mail (Japanese text,
// pictograms, a merge field, inline pictures and an attachment) into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR): the NTT DoCoMo page on its preview and HTML part, the au TU-KA
// page on its preview, the SoftBank page on its preview and TEXT part. Without the folder
// the pages are still built and shown offscreen.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "app/htmledit/html_sub_pages.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/preview_page.h"
#include "app/htmledit/tests/carrier_page_fixture.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/html_view.h"
#include "app/ui/testing/screenshot.h"

namespace htmledit {
namespace {

using carriertest::ImagePart;
using htmltest::S;
using htmltest::kSun;

// Pictograms (NTT DoCoMo codes): cherry blossom, tulip, sparkle, present, heart, sun.
const std::string kSakura = "\xF9\xED";
const std::string kTulip = "\xF9\xE8";
const std::string kSparkle = "\xF9\x9F";
const std::string kPresent = "\xF8\xE6";
const std::string kHeart = "\xF8\xEE";

// The deco-mail: its HTML part naming the pictures `ids` (title, flowers, line).
std::string DecoMail(const std::vector<std::string>& ids) {
    return S("<html><body bgcolor=\"#fff0f5\">\r\n<div align=\"center\"><img src=\"cid:") + ids[0] +
           "\"></div>\r\n" + S("<div><font color=\"#d02060\">&lt;%名前(姓)%&gt;様</font></div>\r\n") +
           S("<div>春の新作が入荷しました") + kSakura + kTulip + "</div>\r\n" + S("<div><img src=\"cid:") + ids[1] +
           S("\">ワンピース <font color=\"#e0607e\" size=\"4\">税込 12,800円</font>") + kSparkle + "</div>\r\n" + S("<div>ご来店の方にはささやかな") + kPresent +
           S("をご用意しています") + kHeart + "</div>\r\n" + S("<div align=\"center\"><img src=\"cid:") + ids[2] +
           "\"></div>\r\n" +
           S("<div align=\"center\"><font size=\"1\" color=\"#808080\">配信停止はこのメールにご返信ください</font></div>\r\n"
             "</body></html>\r\n");
}

std::string TextPart() {
    return S("<%名前(姓)%>様\r\n\r\n春の新作が入荷しました") + kSakura + kTulip +
           S("\r\nワンピース　税込 12,800円") + kSparkle + S("\r\n\r\nご来店の方にはささやかな") + kPresent +
           S("をご用意しています") + kHeart + S("\r\n\r\nブティック桜 ") + kSun + "\r\n";
}

// A page over a composing dialog stand-in, its folders in a temporary directory.
class CarrierShots {
public:
    template <class Page>
    std::unique_ptr<Page> Open() {
        auto page = std::make_unique<Page>();
        page->SetComposer(&composer_);
        const std::string root = dir_.path().toStdString() + "/";
        EXPECT_EQ(page->SetAttachmentFolder(root + "work" + std::to_string(page->MailSlot()) + "/"), 1);
        EXPECT_EQ(page->SetPreviewFolder(root), 1);
        page->OnInitPage();
        return page;
    }

    // Fills `page` with the deco-mail: pictures in slots 0, 1, 2 under the page's own ids.
    void Fill(CMailEditPageHtmlMobileBase& page) {
        const CInlineImageSettingDlg& images = *page.GetInlineImageSettings();
        const std::vector<std::string> ids = {images.GetSlot(0).contentId, images.GetSlot(1).contentId,
                                              images.GetSlot(2).contentId};
        page.SetSubject(S("春の新作") + kSakura);
        page.AppendInlinePart(ImagePart(ids[0], S("タイトル.jpg"),
                                        htmltest::Banner(240, 56, QString::fromUtf8("春の新作"), QColor(233, 84, 132),
                                                         QColor(255, 183, 77), 70),
                                        "image/jpeg"));
        page.AppendInlinePart(ImagePart(ids[1], S("ワンピース.jpg"),
                                        htmltest::Banner(72, 96, QString::fromUtf8("花"), QColor(255, 192, 203),
                                                         QColor(219, 112, 147), 70),
                                        "image/jpeg"));
        page.AppendInlinePart(ImagePart(ids[2], S("ライン.gif"), htmltest::Picture("GIF", qRgb(230, 120, 160), 0, 240, 3)));
        page.FillSlotsFromInlineParts();
        page.RefreshInlineList();
        page.SetHtmlPart(DecoMail(ids));
        page.SetTextPart(TextPart());
        ASSERT_EQ(page.AddAttachmentFromBuffer(S("クーポン.txt"), "coupon", 6), 1);
        page.ShowAttachmentNames();
        page.UpdateMailSizeDisplay();
        page.resize(560, 640);
        ASSERT_EQ(page.UpdatePreview(), 1);
        ASSERT_TRUE(prompts_.prompts().empty()) << prompts_.texts().join(QStringLiteral(" | ")).toStdString();
    }
    void Shoot(CMailEditPageHtmlMobileBase& page, int tab, const char* name) {
        page.InnerSheet()->GetTabControl()->setCurrentIndex(tab);
        EXPECT_TRUE(ui::test::SaveScreenshot(&page, QString::fromLatin1(name)));
    }

private:
    QTemporaryDir dir_;
    carriertest::CarrierComposer composer_;
    ui::test::PromptRecorder prompts_;
};

TEST(Screenshots, CarrierHtmlPagesDocomo) {
    CarrierShots shots;
    auto page = shots.Open<CMailEditPageHtmlDocomo>();
    shots.Fill(*page);
    shots.Shoot(*page, 0, "dlg2009_docomo_html_page_preview");
    // The preview draws the mail's own pictures and the pictograms' text around them.
    EXPECT_TRUE(page->PreviewPage()->View()->toPlainText().contains(QString::fromUtf8("ワンピース")));
    shots.Shoot(*page, 1, "dlg2009_docomo_html_page_html_part");
}

TEST(Screenshots, CarrierHtmlPagesAu) {
    CarrierShots shots;
    auto page = shots.Open<CMailEditPageHtmlAu>();
    shots.Fill(*page);
    // au TU-KA's limit of 15,360 bytes a picture holds for the fixture.
    for (const compose::PageFileEntry& image : page->InlineImages()) EXPECT_LE(image.size, 15360u);
    shots.Shoot(*page, 0, "dlg2013_au_html_page_preview");
}

TEST(Screenshots, CarrierHtmlPagesSoftbank) {
    CarrierShots shots;
    auto page = shots.Open<CMailEditPageHtmlSoftbank>();
    shots.Fill(*page);
    shots.Shoot(*page, 0, "dlg2014_softbank_html_page_preview");
    shots.Shoot(*page, 2, "dlg2014_softbank_html_page_text_part");
}

}  // namespace
}  // namespace htmledit
