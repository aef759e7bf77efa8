// The edit font: how the environment's "MAILFONTINFO" is read (the five defaults taken
// together when the face cannot be used), what the font dialog writes back on OK and on
// Cancel, and that the font is saved at once whatever becomes of the settings sheet.
#include <gtest/gtest.h>

#include <QFontDialog>

#include "app/settings/mail_font_setting.h"
#include "app/settings/option_pages.h"
#include "app/settings/system_sheet.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "app/ui/testing/dialog_driver.h"
#include "core/foundation/ini_manager.h"

namespace {
namespace mail_font_test {

using namespace settingstest;
using settings::ReadMailFontInfo;
using ui::LogFont;
using ui::U8;

class MailFontTest : public SettingsEnvTest {
protected:
    std::string Ini() { return service_->EnvIniPath(); }
    void Write(const char* key, const std::string& value) {
        ASSERT_NE(CIniManager::WriteProfileStringA(Ini(), "MAILFONTINFO", key, value.c_str()), 0);
    }
    std::string Read(const char* key) {
        std::string value;
        CIniManager::GetProfileStringA(Ini(), "MAILFONTINFO", key, value, "");
        return value;
    }
    static LogFont Font(int height, int weight, int italic, int charSet, const std::string& face) {
        LogFont f;
        f.height = height;
        f.weight = weight;
        f.italic = static_cast<std::uint8_t>(italic);
        f.charSet = static_cast<std::uint8_t>(charSet);
        f.faceName = face;
        return f;
    }
    static LogFont Defaults() { return Font(-12, 400, 0, 128, S("ＭＳ Ｐゴシック")); }
};

TEST_F(MailFontTest, ReadingTakesTheDefaultsTogetherWhenTheFaceCannotBeUsed) {
    ASSERT_FALSE(Ini().empty());
    EXPECT_EQ(ReadMailFontInfo(Ini()), Defaults());
    EXPECT_EQ(ReadMailFontInfo(""), Defaults());

    Write("HEIGHT", "-16");
    Write("WEIGHT", "700");
    Write("ITALIC", "1");
    EXPECT_EQ(ReadMailFontInfo(Ini()), Defaults()) << "no face: all five defaults";
    Write("FACENAME", S("ＭＳ 明朝"));
    EXPECT_EQ(ReadMailFontInfo(Ini()), Font(-16, 700, 1, 128, S("ＭＳ 明朝")));
    const std::string longest(31, 'F');
    Write("FACENAME", longest);
    EXPECT_EQ(ReadMailFontInfo(Ini()).faceName, longest);
    Write("FACENAME", longest + "F");
    EXPECT_EQ(ReadMailFontInfo(Ini()), Defaults());
    Write("FACENAME", "");
    EXPECT_EQ(ReadMailFontInfo(Ini()), Defaults());
}

TEST_F(MailFontTest, CancelWritesBackWhatWasReadAndOkWhatWasChosen) {
    std::vector<LogFont> applied;
    auto apply = [&](const LogFont& f) { applied.push_back(f); };
    ui::test::WhenDialogShows(QString::fromLatin1(settings::kMailFontDialogName), [](QDialog* d) { d->reject(); });
    settings::ChooseMailFont(nullptr, Ini(), apply);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], Defaults());
    EXPECT_EQ(Read("HEIGHT"), "-12");
    EXPECT_EQ(Read("WEIGHT"), "400");
    EXPECT_EQ(Read("ITALIC"), "0");
    EXPECT_EQ(Read("CHARSET"), "128");
    EXPECT_EQ(Read("FACENAME"), S("ＭＳ Ｐゴシック"));

    // OK untouched: the face this machine lacks is kept, not the one that stood in.
    ui::test::WhenDialogShows(QString::fromLatin1(settings::kMailFontDialogName), [](QDialog* d) { d->accept(); });
    settings::ChooseMailFont(nullptr, Ini(), apply);
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[1].faceName, S("ＭＳ Ｐゴシック"));
    EXPECT_EQ(applied[1].height, -12);

    ui::test::WhenDialogShows(QString::fromLatin1(settings::kMailFontDialogName), [](QDialog* d) {
        QFont font(QStringLiteral("Noto Sans Mono CJK JP"));
        font.setPointSize(12);
        font.setBold(true);
        static_cast<QFontDialog*>(d)->setCurrentFont(font);
        d->accept();
    });
    settings::ChooseMailFont(nullptr, Ini(), apply);
    ASSERT_EQ(applied.size(), 3u);
    EXPECT_EQ(applied[2].faceName, "Noto Sans Mono CJK JP");
    EXPECT_EQ(applied[2].height, -16);
    EXPECT_EQ(applied[2].weight, 700);
    EXPECT_EQ(applied[2].charSet, 128);
    EXPECT_EQ(Read("FACENAME"), "Noto Sans Mono CJK JP");
    EXPECT_EQ(Read("HEIGHT"), "-16");
    EXPECT_EQ(Read("WEIGHT"), "700");
    EXPECT_EQ(ReadMailFontInfo(Ini()), applied[2]);
}

TEST_F(MailFontTest, TheSheetsFontButtonSavesAtOnceEvenWhenTheSheetIsCancelled) {
    Write("FACENAME", S("ＭＳ 明朝"));
    Write("HEIGHT", "-14");
    std::vector<LogFont> applied;
    {
        settings::CSystemSheet sheet(&Options(), U8("システム設定"));
        sheet.SetMailFontHook([&](const LogFont& f) { applied.push_back(f); });
        sheet.show();
        sheet.SetActivePage(settings::CSystemSheet::kPageMail);
        ui::test::WhenDialogShows(QString::fromLatin1(settings::kMailFontDialogName), [](QDialog* d) {
            QFont font = static_cast<QFontDialog*>(d)->currentFont();
            font.setStyleName(QString());  // the dialog names its style "Regular"
            font.setBold(true);
            static_cast<QFontDialog*>(d)->setCurrentFont(font);
            d->accept();
        });
        Click(sheet.MailPage(), settings::CSystemMail::kIdcEditFont);
        sheet.reject();
    }
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0].weight, 700);
    EXPECT_EQ(Read("WEIGHT"), "700");
    EXPECT_EQ(Read("FACENAME"), S("ＭＳ 明朝"));
    EXPECT_EQ(Read("HEIGHT"), "-14");
}

}  // namespace mail_font_test
}  // namespace
