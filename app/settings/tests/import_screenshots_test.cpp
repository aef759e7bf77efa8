// Renders the import screens with a Japanese address file into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR): the four wizard pages, the please-wait window of a run, the
// format, confirmation and DM-flag dialogs, the other programs' import and the result
// dialog. Without the folder the screens are still made and shown.
//
// The binary's suite "Screenshots" has its fixture already (the test-mail editor's), and a
// suite may have one fixture only, so these register under "Screenshots.Import", which the
// screenshot script's filter "Screenshots.*" runs too.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTableWidget>

#include <functional>

#include "app/settings/import_format_dlg.h"
#include "app/settings/import_wait.h"
#include "app/settings/import_wizard.h"
#include "app/settings/other_import_dlg.h"
#include "app/settings/result_dlg.h"
#include "app/settings/tests/import_test_env.h"
#include "app/ui/prompter.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"
#include "platform/notifier.h"

namespace {
namespace import_screenshots_test {

using namespace importtest;
using ui::test::SaveMessageBoxScreenshot;
using ui::test::SaveScreenshot;

const char* const kPeople =
    "メールアドレス,姓,名,せい,めい,会社名,都道府県,電話番号,DM\r\n"
    "yamada@example.co.jp,山田,太郎,やまだ,たろう,株式会社山田商店,東京都,03-1234-5678,Y\r\n"
    "sato@example.ne.jp,佐藤,花子,さとう,はなこ,佐藤工業,大阪府,06-2345-6789,N\r\n"
    "suzuki@example.com,鈴木,一郎,すずき,いちろう,,北海道,011-345-6789,Y\r\n"
    "takahashi@example.jp,高橋,次郎,たかはし,じろう,高橋デザイン事務所,福岡県,092-456-7890,Y\r\n";

class ImportScreens : public ImportEnvTest {};

class ImportScreenTest : public ImportScreens {
public:
    explicit ImportScreenTest(std::function<void(ImportScreenTest&)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*this); }
    using ImportScreens::Options;
    using ImportScreens::WriteFile;

private:
    std::function<void(ImportScreenTest&)> body_;
};

void RegisterImportShot(const char* name, std::function<void(ImportScreenTest&)> body) {
    ::testing::RegisterTest("Screenshots.Import", name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> ImportScreens* { return new ImportScreenTest(body); });
}

void AssignByLabel(settings::CImportConfSheet& w, int row, const char* label) {
    auto* targets = rectest::Control<QTableWidget>(w.Page02(), settings::CImportConfPage02::kIdcTargets);
    auto* pool = rectest::Control<QTableWidget>(w.Page02(), settings::CImportConfPage02::kIdcPool);
    const auto found = pool->findItems(ui::U8(label), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << label;
    targets->selectRow(row);
    pool->selectRow(found.first()->row());
    w.Page02()->OnAssign();
}

[[maybe_unused]] const bool importShotsRegistered = [] {
    RegisterImportShot("WizardPages", [](ImportScreenTest& t) {
        const std::string path = t.WriteFile("顧客一覧.csv", S(kPeople));
        settings::CImportConfSheet w;
        w.resize(820, 560);
        w.show();
        rectest::Retype(w.Page00(), settings::CImportConfPage00::kIdcPath, path.c_str());
        EXPECT_TRUE(SaveScreenshot(&w, "dlg187_import_1_file"));
        w.next();
        EXPECT_TRUE(SaveScreenshot(&w, "dlg184_import_2_split"));
        w.next();
        AssignByLabel(w, 0, "メールアドレス");
        AssignByLabel(w, 1, "姓");
        AssignByLabel(w, 2, "名");
        AssignByLabel(w, 3, "せい");
        AssignByLabel(w, 4, "めい");
        AssignByLabel(w, 5, "会社名");
        rectest::Control<QTableWidget>(w.Page02(), settings::CImportConfPage02::kIdcTargets)->selectRow(9);
        rectest::Control<QTableWidget>(w.Page02(), settings::CImportConfPage02::kIdcPool)->selectRow(0);
        EXPECT_TRUE(SaveScreenshot(&w, "dlg185_import_3_assignment"));
        AssignByLabel(w, 9, "都道府県");
        AssignByLabel(w, 12, "電話番号");
        AssignByLabel(w, 15, "DM");
        w.next();
        EXPECT_TRUE(SaveScreenshot(&w, "dlg186_import_4_confirmation"));
    });
    RegisterImportShot("RefusedLines", [](ImportScreenTest& t) {
        // A customer list saved by Excel as "CSV UTF-8", with names Shift_JIS cannot hold
        // and values that do not fit their items.
        const std::string path = t.WriteFile(
            "顧客一覧_UTF8.csv",
            "\xEF\xBB\xBF" + std::string(kPeople) +
                "jose.garcia@example.es,García,José,がるしあ,ほせ,García Trading,東京都,03-5555-0101,Y\r\n"
                "mueller@example.de,Müller,Hans,みゅらー,はんす,,神奈川県,045-555-0202,Y\r\n"
                "kobayashi@example,小林,美咲,こばやし,みさき,小林商会,千葉県,043-555-0303,Y\r\n"
                "ito@example.jp,伊藤,健太,いとう,けんた,,埼玉県,048(555)0404,可\r\n");
        settings::CImportConfSheet w;
        w.show();
        rectest::Retype(w.Page00(), settings::CImportConfPage00::kIdcPath, path.c_str());
        w.next();
        w.next();
        const char* labels[] = {"メールアドレス", "姓", "名", "せい", "めい", "会社名"};
        for (int row = 0; row < 6; ++row) AssignByLabel(w, row, labels[row]);
        AssignByLabel(w, 9, "都道府県");
        AssignByLabel(w, 12, "電話番号");
        AssignByLabel(w, 15, "DM");
        w.next();
        // The program's own box for the refused lines; Yes to every other question.
        struct Screens : ui::Prompter {
            bool shot = false;
            int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override {
                if (caption != ui::U8("エラーログの保存")) return (style & 0xF) == platform::kMbYesNo ? platform::kIdYes : platform::kIdOk;
                int answer = platform::kIdNo;
                shot = SaveMessageBoxScreenshot(QStringLiteral("msg_import_refused_lines"), [&] {
                    answer = ui::QtPrompter().Show(owner, text, caption, style);
                });
                return answer;
            }
        } screens;
        ui::Prompter* before = ui::SetPrompter(&screens);
        w.button(QWizard::FinishButton)->click();
        EXPECT_TRUE(ui::test::WaitUntil([&w] { return !w.isVisible(); }, 20000));
        ui::SetPrompter(before);
        EXPECT_TRUE(screens.shot);
    });
    RegisterImportShot("RunWaitWindow", [](ImportScreenTest&) {
        settings::ImportWaitDlg wait;
        wait.SetMessages(ui::U8("インポート実行中"), ui::U8("123456件"), ui::U8("しばらくお待ちください"));
        wait.Create();
        EXPECT_TRUE(SaveScreenshot(&wait, "dlg177_import_running"));
        wait.End();
    });
    RegisterImportShot("FormatConfirmationAndDmFlag", [](ImportScreenTest& t) {
        ASSERT_EQ(t.Options().SetSODataToMemoryPinPoint(111, "Y"), 0);
        settings::CImportFormatDlg format;
        EXPECT_TRUE(SaveScreenshot(&format, "dlg212_import_format"));
        ASSERT_EQ(t.Options().SetSODataToMemoryPinPoint(109, "1"), 0);
        settings::CImportConfirmDlg confirm(nullptr, 1);
        EXPECT_TRUE(SaveScreenshot(&confirm, "dlg272_import_confirm"));
        settings::CDmFlagModeDlg flags(nullptr, 5);
        EXPECT_TRUE(SaveScreenshot(&flags, "dlg257_dm_flag_mode"));
    });
    RegisterImportShot("OtherProgramsAndResult", [](ImportScreenTest&) {
        settings::CImportOtherDlg tormask(nullptr, 2, -1);
        EXPECT_TRUE(SaveScreenshot(&tormask, "dlg218_import_other_tormask"));
        settings::CImportOtherDlg becky(nullptr, 6, 1);
        EXPECT_TRUE(SaveScreenshot(&becky, "dlg218_import_other_becky"));
        settings::CResultDlg result;
        result.SetResultLines(ui::U8("抽出が完了しました"), ui::U8("抽出件数　1,234件"), ui::U8("宛先リスト「春の案内」"));
        EXPECT_TRUE(SaveScreenshot(&result, "dlg179_result"));
    });
    return true;
}();

}  // namespace import_screenshots_test
}  // namespace
