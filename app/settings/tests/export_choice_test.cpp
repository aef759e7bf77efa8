// The export choice dialogs: what each returns by the button that closes it, the options
// prepared by layout, and the address-book screens asking through them once installed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QRadioButton>

#include <functional>

#include "app/addressui/export_choice_hooks.h"
#include "app/settings/export_choice_dlg.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/screenshot.h"
#include "platform/notifier.h"

namespace {

using settings::CExportFormatDlg;
using settings::CExportHeaderDlg;
using settings::CExportMethodDlg;

TEST(ExportFormatDlg, ReturnsTheCheckedLayout) {
    struct Case {
        int radio;   // 0: leave the first one checked
        int button;  // 1 選択, 2 キャンセル
        int answer, layout;
    };
    const Case cases[] = {
        {0, 1, platform::kIdOk, 1},
        {CExportFormatDlg::kIdcBrindell, 1, platform::kIdOk, 2},
        {CExportFormatDlg::kIdcWebService, 1, platform::kIdOk, 3},
        {CExportFormatDlg::kIdcWebService, 2, platform::kIdCancel, 0},
    };
    for (const Case& c : cases) {
        CExportFormatDlg dialog;
        EXPECT_TRUE(ui::FindControl<QRadioButton>(&dialog, CExportFormatDlg::kIdcGeneral)->isChecked());
        ui::test::WhenDialogShows("dlg307", [c](QDialog* d) {
            if (c.radio != 0) ui::FindControl<QRadioButton>(d, c.radio)->setChecked(true);
            ui::test::ClickControl(d, c.button);
        });
        EXPECT_EQ(dialog.DoModal(), c.answer) << c.radio;
        EXPECT_EQ(dialog.GetLayout(), c.layout) << c.radio;
    }
}

TEST(ExportMethodDlg, OptionsArePreparedByLayoutAndTheButtonChoosesTheRecords) {
    struct Box {
        bool checked, enabled, shown;
    };
    struct Case {
        int layout;
        Box itemNames, nameOnly;
    };
    const Case cases[] = {
        {1, {false, true, true}, {false, false, false}},
        {2, {true, false, false}, {false, false, false}},
        {3, {true, false, false}, {true, true, true}},
        {0, {false, true, true}, {false, false, false}},
    };
    for (const Case& c : cases) {
        CExportMethodDlg dialog(nullptr, c.layout);
        auto* names = ui::FindControl<QCheckBox>(&dialog, CExportMethodDlg::kIdcItemNames);
        auto* nameOnly = ui::FindControl<QCheckBox>(&dialog, CExportMethodDlg::kIdcNameOnly);
        EXPECT_EQ(names->isChecked(), c.itemNames.checked) << c.layout;
        EXPECT_EQ(names->isEnabled(), c.itemNames.enabled) << c.layout;
        EXPECT_EQ(!names->isHidden(), c.itemNames.shown) << c.layout;
        EXPECT_EQ(nameOnly->isChecked(), c.nameOnly.checked) << c.layout;
        EXPECT_EQ(nameOnly->isEnabled(), c.nameOnly.enabled) << c.layout;
        EXPECT_EQ(!nameOnly->isHidden(), c.nameOnly.shown) << c.layout;
    }
    const std::pair<int, int> buttons[] = {
        {CExportMethodDlg::kIdcNormal, 0}, {CExportMethodDlg::kIdcDeleted, 1}, {CExportMethodDlg::kIdcAll, 2}};
    for (const auto& [button, kind] : buttons) {
        CExportMethodDlg dialog(nullptr, 3);
        ui::test::WhenDialogShows("dlg201", [button](QDialog* d) {
            ui::FindControl<QCheckBox>(d, CExportMethodDlg::kIdcNameOnly)->setChecked(false);  // the user may clear it
            ui::test::ClickControl(d, button);
        });
        ASSERT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.GetRecordKind(), kind);
        EXPECT_EQ(dialog.GetItemNameFlag(), 1);
        EXPECT_EQ(dialog.GetNameOnlyFlag(), 0);
    }
    CExportMethodDlg general(nullptr, 1);
    ui::test::WhenDialogShows("dlg201", [](QDialog* d) {
        ui::FindControl<QCheckBox>(d, CExportMethodDlg::kIdcItemNames)->setChecked(true);
        ui::test::ClickControl(d, CExportMethodDlg::kIdcDeleted);
    });
    ASSERT_EQ(general.DoModal(), platform::kIdOk);
    EXPECT_EQ(general.GetItemNameFlag(), 1);
    CExportMethodDlg cancelled(nullptr, 1);
    ui::test::WhenDialogShows("dlg201", [](QDialog* d) { ui::test::ClickControl(d, 2); });
    EXPECT_EQ(cancelled.DoModal(), platform::kIdCancel);
}

TEST(ExportHeaderDlg, AnswersOneZeroOrCancelledThroughTheInstalledHooks) {
    const addressui::ExportChoiceHooks before = addressui::SetExportChoices({});
    EXPECT_EQ(addressui::AskExportHeaderRow(nullptr), -1);  // nothing installed: cancelled
    settings::InstallExportChoiceDialogs();
    const std::pair<int, int> cases[] = {
        {CExportHeaderDlg::kIdcWithNames, 1}, {CExportHeaderDlg::kIdcWithoutNames, 0}, {2, -1}};
    for (const auto& [button, answer] : cases) {
        ui::test::WhenDialogShows("dlg331", [button](QDialog* d) { ui::test::ClickControl(d, button); });
        EXPECT_EQ(addressui::AskExportHeaderRow(nullptr), answer) << button;
    }
    ui::test::WhenDialogShows("dlg307", [](QDialog* d) {
        ui::FindControl<QRadioButton>(d, CExportFormatDlg::kIdcBrindell)->setChecked(true);
        ui::test::ClickControl(d, 1);
    });
    EXPECT_EQ(addressui::AskExportFormat(nullptr), 2);
    ui::test::WhenDialogShows("dlg201", [](QDialog* d) { ui::test::ClickControl(d, CExportMethodDlg::kIdcAll); });
    const addressui::ExportMethodChoice choice = addressui::AskExportMethod(nullptr, 3);
    EXPECT_TRUE(choice.accepted);
    EXPECT_EQ(choice.recordKind, 2);
    EXPECT_TRUE(choice.itemNames);
    EXPECT_TRUE(choice.nameAndAddressOnly);
    addressui::SetExportChoices(before);
}

TEST(ExportChoiceDialogs, AreWideEnoughForTheirCaptionBesideTheTitleBarButtons) {
    CExportFormatDlg format;
    CExportMethodDlg method(nullptr, 1);
    CExportHeaderDlg header;
    for (QDialog* dialog : std::initializer_list<QDialog*>{&format, &method, &header}) {
        dialog->adjustSize();
        const QFontMetrics metrics(dialog->font());
        // The bar's icon and its three buttons, with their margins, take about five lines' height.
        EXPECT_GE(dialog->width(), metrics.horizontalAdvance(dialog->windowTitle()) + 5 * metrics.height())
            << dialog->windowTitle().toStdString();
    }
}

// The folder's binary has its "Screenshots" fixture already; a suite has one fixture, so
// these register under "Screenshots.ExportChoice", which the screenshot script's filter
// "Screenshots.*" selects as well.
class ExportChoiceShot : public ::testing::Test {
public:
    explicit ExportChoiceShot(std::function<void()> body) : body_(std::move(body)) {}
    void TestBody() override { body_(); }

private:
    std::function<void()> body_;
};

[[maybe_unused]] const bool exportChoiceTestsRegistered = [] {
    ::testing::RegisterTest("Screenshots.ExportChoice", "Dialogs", nullptr, nullptr, __FILE__, __LINE__,
                            []() -> ::testing::Test* {
                                return new ExportChoiceShot([] {
                                    CExportFormatDlg format;
                                    EXPECT_TRUE(ui::test::SaveScreenshot(&format, "dlg307_export_format"));
                                    CExportMethodDlg general(nullptr, 1);
                                    EXPECT_TRUE(ui::test::SaveScreenshot(&general, "dlg201_export_method_general"));
                                    CExportMethodDlg web(nullptr, 3);
                                    EXPECT_TRUE(ui::test::SaveScreenshot(&web, "dlg201_export_method_web_service"));
                                    CExportHeaderDlg header;
                                    EXPECT_TRUE(ui::test::SaveScreenshot(&header, "dlg331_export_header"));
                                });
                            });
    return true;
}();

}  // namespace
