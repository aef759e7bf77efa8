// The size detail: five byte figures make the total, the two numbers do not, and every
// figure shows with its thousands separators.
#include <gtest/gtest.h>

#include <QLabel>

#include "app/htmledit/size_detail_dlg.h"
#include "app/ui/control_ids.h"

namespace htmledit {
namespace {

QString Shown(const CMailFileSizeDlg& dialog, int id) { return ui::FindControl<QLabel>(&dialog, id)->text(); }

TEST(MailFileSizeDlg, TotalsTheBytesButNotTheNumbers) {
    CMailFileSizeDlg dialog;
    dialog.SetSubjectSize(40);
    dialog.SetHtmlPartSize(98765);
    dialog.SetTextPartSize(4321);
    dialog.SetInlineImageCount(12);
    dialog.SetInlineImageSize(1048576);
    dialog.SetAttachmentCount(3);
    dialog.SetAttachmentSize(2000000);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetTotal(), 40u + 98765 + 4321 + 1048576 + 2000000);
    EXPECT_EQ(Shown(dialog, CMailFileSizeDlg::kIdcTotal), QStringLiteral("3,151,702"));
    EXPECT_EQ(Shown(dialog, CMailFileSizeDlg::kIdcHtmlPart), QStringLiteral("98,765"));
    EXPECT_EQ(Shown(dialog, CMailFileSizeDlg::kIdcInlineCount), QStringLiteral("12"));
    EXPECT_EQ(Shown(dialog, CMailFileSizeDlg::kIdcAttachmentSize), QStringLiteral("2,000,000"));
}

TEST(MailFileSizeDlg, APageWithoutImagesOrAttachmentsShowsZeros) {
    CMailFileSizeDlg dialog;
    dialog.SetSubjectSize(10);
    dialog.SetHtmlPartSize(200);
    dialog.SetTextPartSize(30);
    dialog.OnInitDialog();
    for (int id : {CMailFileSizeDlg::kIdcInlineCount, CMailFileSizeDlg::kIdcInlineSize,
                   CMailFileSizeDlg::kIdcAttachmentCount, CMailFileSizeDlg::kIdcAttachmentSize})
        EXPECT_EQ(Shown(dialog, id), QStringLiteral("0")) << id;
    EXPECT_EQ(Shown(dialog, CMailFileSizeDlg::kIdcTotal), QStringLiteral("240"));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("メールファイルサイズ詳細"));
}

}  // namespace
}  // namespace htmledit
