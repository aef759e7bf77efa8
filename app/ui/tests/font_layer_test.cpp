#include <gtest/gtest.h>

#include <QFontInfo>

#include "app/ui/font_layer.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"

namespace {

TEST(FontLayer, AMissingDesktopFaceDrawsInTheProgramsJapaneseFont) {
    ui::LogFont lf;
    lf.faceName = Utf8ToSjis("ＭＳ Ｐゴシック");
    QFont font = ui::ToQFont(lf);
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(QFontInfo(font).family(), QString("Noto Sans CJK JP"));
}

TEST(FontLayer, StoringAChoiceKeepsTheFieldsTheDialogDoesNotShow) {
    ui::LogFont lf;
    lf.charSet = 128;
    lf.pitchAndFamily = 0x31;
    lf.quality = 2;
    QFont chosen(QString::fromUtf8("Noto Sans CJK JP"));
    chosen.setPixelSize(16);
    chosen.setBold(true);
    chosen.setItalic(true);
    ui::StoreQFont(chosen, lf);
    EXPECT_EQ(lf.height, -16);
    EXPECT_EQ(lf.weight, 700);
    EXPECT_EQ(lf.italic, 1);
    EXPECT_EQ(lf.pitchAndFamily, 0x31);
    EXPECT_EQ(lf.quality, 2);
    EXPECT_EQ(lf.faceName, "Noto Sans CJK JP");

    // A face longer than the record holds is cut on a character boundary.
    QFont longFace(QString::fromUtf8("あいうえおかきくけこさしすせそた"));  // 32 bytes
    ui::StoreQFont(longFace, lf);
    EXPECT_EQ(lf.faceName, Utf8ToSjis("あいうえおかきくけこさしすせそ"));
}

}  // namespace
