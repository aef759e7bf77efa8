// Renders the map-link dialogs with Japanese fixture data into the screenshot folder
// (QUENDREL_SCREENSHOT_DIR); without it the dialogs are still made and shown offscreen,
// but nothing is written.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include "app/htmledit/map_candidate_dlg.h"
#include "app/htmledit/map_link_options.h"
#include "app/htmledit/map_link_setting_dlg.h"
#include "app/htmledit/map_url_lookup_dlg.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/htmledit/tests/map_lookup_fixture.h"
#include "app/ui/control_ids.h"
#include "app/ui/testing/screenshot.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

using ui::test::SaveScreenshot;

TEST(Screenshots, MapLinkDialogs) {
    const std::vector<MapLink> links = {
        {Utf8ToSjis("本社"), "http://map.varnis.example/receivew.cgi?MAP=35.681,139.767&ZM=11&CI=R"},
        {Utf8ToSjis("大阪支店（梅田）"), "http://map.varnis.example/receivew.cgi?MAP=34.702,135.495&ZM=11&CI=R"},
        {Utf8ToSjis("札幌営業所"), "http://map.varnis.example/receivew.cgi?MAP=43.068,141.350&ZM=10&CI=R"},
    };
    std::vector<std::string> options(123);
    StoreMapLinks(options, links);
    CMapLinkSettingDlg settings(&options);
    ui::FindControl<QTableWidget>(&settings, CMapLinkSettingDlg::kIdcList)->selectRow(1);
    EXPECT_TRUE(SaveScreenshot(&settings, "dlg939_map_link_setting"));

    CMapUrlFetchDlg fetch;
    ui::FindControl<QComboBox>(&fetch, CMapUrlFetchDlg::kIdcPrefecture)->setCurrentIndex(12);
    ui::test::TypeText(ui::FindControl<QLineEdit>(&fetch, CMapUrlFetchDlg::kIdcAddress), "千代田区丸の内1-9-1");
    auto* url = ui::FindControl<QLineEdit>(&fetch, CMapUrlFetchDlg::kIdcMapUrl);
    url->setText("http://map.varnis.example/receivew.cgi?MAP=35.681,139.767&ZM=11&CI=R");
    url->setCursorPosition(0);
    EXPECT_TRUE(SaveScreenshot(&fetch, "dlg940_map_url_fetch"));

    MapLookupSettings mapPage;
    mapPage.mapPageService = "http://map.varnis.example";
    maptest::ScopedLookupSettings lookup(mapPage);
    CMapUrlCandidateDlg candidates;
    candidates.SetReply(maptest::SearchReply({{"東京駅", "35.681,139.767"},
                                              {"東京駅八重洲口", "35.680,139.769"},
                                              {"東京駅丸の内北口", "35.682,139.765"},
                                              {"東京都庁", "35.689,139.692"}}));
    candidates.SetZoom(11);
    bool saved = false;
    maptest::DialogWatch watch("dlg941", [&](QDialog* dialog) {
        ui::FindControl<QTableWidget>(dialog, CMapUrlCandidateDlg::kIdcList)->selectRow(0);
        saved = SaveScreenshot(dialog, "dlg941_map_url_candidate");
        dialog->reject();
    });
    candidates.DoModal();
    EXPECT_TRUE(watch.shown());
    EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace htmledit
