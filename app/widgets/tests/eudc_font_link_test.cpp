#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include "app/widgets/eudc_font_link.h"
#include "app/ui/font_layer.h"

namespace {

using shell::CEudcFontLink;

std::optional<QString> Link(const char* name) { return CEudcFontLink::GetFontLink(QString::fromUtf8(name)); }

TEST(EudcFontLink, KeepOldSavesOnlyAValueThatWasThereBeforeThisObject) {
    const QString file = QStringLiteral("/opt/quendrel/varnis-i.TTE");
    {
        // Nothing there before: nothing saved, and removal only deletes.
        CEudcFontLink link;
        ASSERT_TRUE(link.SetFontLink(QStringLiteral("SystemDefaultEUDCFont"), file, true, true));
        EXPECT_EQ(Link("systemdefaulteudcfont"), file);  // names ignore case
        EXPECT_TRUE(link.RemoveFontLinks(true));
        EXPECT_EQ(Link("SystemDefaultEUDCFont"), std::nullopt);
    }
    {
        CEudcFontLink other;
        other.SetFontLink(QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("/user/own.tte"), false, true);
        CEudcFontLink link;
        link.SetFontLink(QString::fromUtf8("ＭＳ Ｐゴシック"), file, true, true);
        link.SetFontLink(QString::fromUtf8("ＭＳ Ｐゴシック"), file + u'2', true, true);  // no second save
        link.SetFontLink(QString::fromUtf8("ＭＳ ゴシック"), file, false, true);
        EXPECT_EQ(Link("ＭＳ Ｐゴシック"), file + u'2');
        EXPECT_TRUE(link.RemoveFontLinks(true));
        EXPECT_EQ(Link("ＭＳ Ｐゴシック"), QStringLiteral("/user/own.tte"));
        EXPECT_EQ(Link("ＭＳ ゴシック"), std::nullopt);
        EXPECT_TRUE(link.RemoveFontLinks(true));  // nothing left to undo
        EXPECT_EQ(Link("ＭＳ Ｐゴシック"), QStringLiteral("/user/own.tte"));
        other.RemoveFontLinks(true);
    }
    EXPECT_FALSE(CEudcFontLink().SetFontLink(QString(), file, false, true));
}

TEST(EudcFontLink, RefreshRegistersTheLinkedFileAndAMissingFileOnlyAnswersFalse) {
    const QStringList families = ui::ProgramFamilies();
    {
        CEudcFontLink link;
        link.SetFontLink(QStringLiteral("SystemDefaultEUDCFont"), QStringLiteral("/nonexistent/varnis-i.TTE"), true, true);
        EXPECT_FALSE(link.RefreshEudc());
        EXPECT_EQ(ui::ProgramFamilies(), families);
        link.RemoveFontLinks(true);
        EXPECT_TRUE(link.RefreshEudc());
    }

    // Any small font file stands for the program's own.
    QString source;
    for (const char* candidate : {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                                  "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"})
        if (QFile::exists(QString::fromUtf8(candidate))) source = QString::fromUtf8(candidate);
    if (source.isEmpty()) GTEST_SKIP() << "no font file to link";
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("varnis-i.TTE"));
    ASSERT_TRUE(QFile::copy(source, file));

    CEudcFontLink link;
    link.SetFontLink(QStringLiteral("SystemDefaultEUDCFont"), file, true, true);
    link.SetFontLink(QStringLiteral("Noto Sans CJK JP"), file, false, true);
    EXPECT_TRUE(link.RefreshEudc());
    const QStringList linked = ui::ProgramFamilies();
    ASSERT_EQ(linked.size(), families.size() + 1);
    EXPECT_EQ(linked.mid(0, families.size()), families);

    link.RemoveFontLinks(true);
    EXPECT_TRUE(link.RefreshEudc());
    EXPECT_EQ(ui::ProgramFamilies(), families);
}

}  // namespace
