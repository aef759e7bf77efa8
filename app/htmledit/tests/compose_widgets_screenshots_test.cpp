// Renders the composing widgets with Japanese fixture data into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR): the pictogram palette, the body edit with pictograms under
// its wrap ruler and its menu, every carrier's attachment and inline-image dialog, and the
// size detail. Without the variable the screens are still built and shown offscreen.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

#include "app/compose/map_link_list.h"
#include "app/compose/pictogram_input_dlg.h"
#include "app/mailtext/pictogram_table_data.h"
#include "app/compose/wrap_ruler.h"
#include "app/htmledit/attachment_limits.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/htmledit/size_detail_dlg.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/screenshot.h"
#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

using ui::test::SaveScreenshot;

TEST(Screenshots, ComposeWidgetsPictogramPalette) {
    compose::PictogramList list;
    for (int i = 0; i < 200; ++i) list.Add(compose::PictogramEntry(compose::pictogram_data::kCommon[i].docomo, 333 + i));
    compose::CPictogramDialog palette;
    palette.SetPictogramList(list);
    palette.Grid()->setCurrentCell(2, 3);
    palette.resize(palette.sizeHint().width(), 420);
    EXPECT_TRUE(SaveScreenshot(&palette, "dlg2008_pictogram_palette"));
}

TEST(Screenshots, ComposeWidgetsBodyEditWithRuler) {
    QWidget page;
    page.resize(640, 240);
    auto* ruler = new compose::CWrapRuler(&page);
    ruler->SetLeft(14);
    ruler->SetTop(6);
    ruler->SetWidth(580);
    ruler->SetRange(0, 580);
    ruler->SetWrapPosition(420);
    ruler->TrackMouse(QPoint(14 + 300, 10));
    auto* edit = new CMailBodyEditHtml(&page);
    edit->setGeometry(10, 26, 620, 200);
    edit->SetWrapWidth(420);
    compose::NoWordBreakProc(edit);
    edit->SetSjisText(Utf8ToSjis("<%名前(姓)%>様\r\n本日は晴れ") + "\xF8\x9F" + Utf8ToSjis("、明日は雨") + "\xF8\xA1" +
                      Utf8ToSjis("の予報です。\r\n新しい") + "\xF9\x75" + Utf8ToSjis("サービスのご案内") + "\xF9\x9B\xF9\x9B" +
                      Utf8ToSjis("\r\n半角ｶﾀｶﾅと①②③も、そのままのコードで保存されます。折り返しは定規の位置で行われます。"));
    EXPECT_TRUE(SaveScreenshot(&page, "body_edit_with_wrap_ruler"));

    compose::MapLinkList::Get().Clear();
    compose::MapLinkList::Get().Add(Utf8ToSjis("本社"), "http://map.example/?p=35.68,139.76");
    compose::MapLinkList::Get().Add(Utf8ToSjis("大阪支店（梅田）"), "http://map.example/?p=34.70,135.49");
    edit->AddInlineImage(Utf8ToSjis("ロゴ.gif"), "00");
    edit->AddInlineImage(Utf8ToSjis("店内写真.jpg"), "01");
    std::unique_ptr<QMenu> menu(edit->BuildBodyContextMenu());
    EXPECT_TRUE(SaveScreenshot(menu.get(), "body_edit_menu"));
    auto* images = menu->findChild<QMenu*>(QStringLiteral("menuImage"));
    ASSERT_NE(images, nullptr);
    EXPECT_TRUE(SaveScreenshot(images, "body_edit_menu_images"));
    compose::MapLinkList::Get().Clear();
}

TEST(Screenshots, ComposeWidgetsAttachmentLimits) {
    const struct {
        const char* name;
        std::unique_ptr<CAttachmentSettingDlg> dialog;
    } carriers[] = {
        {"html_pc", std::make_unique<CAttachmentSettingDlgHtmlPc>()},
        {"html_docomo", std::make_unique<CAttachmentSettingDlgHtmlDocomo>()},
        {"html_au", std::make_unique<CAttachmentSettingDlgHtmlAu>()},
        {"html_softbank", std::make_unique<CAttachmentSettingDlgHtmlSoftbank>()},
        {"normal", std::make_unique<CAttachmentSettingDlgNormal>()},
        {"imode", std::make_unique<CAttachmentSettingDlgImode>()},
        {"ezweb", std::make_unique<CAttachmentSettingDlgEzweb>()},
        {"jsky", std::make_unique<CAttachmentSettingDlgJsky>()},
        {"pmaildx", std::make_unique<CAttachmentSettingDlgPmaildx>()},
    };
    for (const auto& c : carriers) {
        c.dialog->AddAttachment(Utf8ToSjis("見積書_2025年春.pdf"), 24576, "mailwork/a", 0);
        c.dialog->AddAttachment(Utf8ToSjis("会場地図.png"), 38211, "mailwork/b", 0);
        c.dialog->AddAttachment(Utf8ToSjis("お申込書（記入例）.txt"), 1520, "mailwork/c", 0);
        c.dialog->OnInitDialog();
        c.dialog->List()->selectRow(1);
        EXPECT_TRUE(SaveScreenshot(c.dialog.get(), QStringLiteral("dlg934_attachment_%1").arg(c.name)));
    }
}

TEST(Screenshots, ComposeWidgetsInlineImageLimits) {
    const struct {
        const char* name;
        std::unique_ptr<CInlineImageSettingDlg> dialog;
        const char* idFormat;
    } carriers[] = {
        {"pc", std::make_unique<CInlineImageSettingDlgPc>(), "%02u"},
        {"docomo", std::make_unique<CInlineImageSettingDlgDocomo>(), "%02u"},
        {"au", std::make_unique<CInlineImageSettingDlgAu>(), "img@%03u"},
        {"softbank", std::make_unique<CInlineImageSettingDlgSoftbank>(), "%02u"},
    };
    for (const auto& c : carriers) {
        for (std::uint32_t i = 0; i < c.dialog->GetMaxCount(); ++i) {
            char id[16];
            std::snprintf(id, sizeof id, c.idFormat, i % 1000);
            c.dialog->SetContentId(i, id);
        }
        c.dialog->SetImage(0, Utf8ToSjis("ロゴ.gif"), 4210, "mailwork/logo.gif", 0);
        c.dialog->SetImage(1, Utf8ToSjis("店内写真.jpg"), 12980, "mailwork/shop.jpg", 0);
        c.dialog->SetImage(3, Utf8ToSjis("季節のおすすめ.gif"), 8765, "mailwork/season.gif", 0);
        c.dialog->OnInitDialog();
        c.dialog->List()->selectRow(1);
        EXPECT_TRUE(SaveScreenshot(c.dialog.get(), QStringLiteral("dlg936_inline_image_%1").arg(c.name)));
    }
}

TEST(Screenshots, ComposeWidgetsSizeDetail) {
    CMailFileSizeDlg dialog;
    dialog.SetSubjectSize(64);
    dialog.SetHtmlPartSize(18342);
    dialog.SetTextPartSize(5210);
    dialog.SetInlineImageCount(3);
    dialog.SetInlineImageSize(25955);
    dialog.SetAttachmentCount(2);
    dialog.SetAttachmentSize(1048576);
    dialog.OnInitDialog();
    EXPECT_TRUE(SaveScreenshot(&dialog, "dlg2016_mail_file_size"));
}

}  // namespace
}  // namespace htmledit
