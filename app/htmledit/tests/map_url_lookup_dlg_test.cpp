// The map URL lookup dialog and its candidate choice, against a local search service and a
// real proxy (tinyproxy): the messages of each outcome, the fields they leave, the proxy
// dialog and its kept settings, and a window that stays live while the search runs.
#include "app/htmledit/map_url_lookup_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/htmledit/map_candidate_dlg.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/htmledit/tests/map_lookup_fixture.h"
#include "app/dialogs/proxy_auth_dlg.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"
#include "core/transport/information_manager.h"
#include "platform/netssl/tests/http_test_servers.h"

namespace htmledit {
namespace {

using maptest::DialogWatch;
using maptest::HttpOk;
using maptest::Places;
using maptest::SearchReply;
using nettest::HttpOriginServer;
using nettest::HttpRequest;
using ui::U8;
using FetchDlg = CMapUrlFetchDlg;

QLineEdit* Edit(QWidget* d, int id) { return ui::FindControl<QLineEdit>(d, id); }
QComboBox* Combo(QWidget* d, int id) { return ui::FindControl<QComboBox>(d, id); }

// Presses "取得" and waits until the search and whatever it opened are over.
bool Fetch(FetchDlg& d) {
    ui::test::ClickControl(&d, FetchDlg::kIdcFetch);
    return ui::test::WaitUntil([&] { return !d.IsFetching(); }, 20000);
}

QString MapUrl(const char* position, int zoom = 11) {
    return QStringLiteral("http://map.test/receivew.cgi?MAP=%1&ZM=%2&CI=R").arg(QLatin1String(position)).arg(zoom);
}

// The messages, as the user reads them.
const QString kNoPlace = U8("入力された住所に該当する候補はありません。正しい住所を入力してから再度URL取得を行ってください。\n\n");
const QString kTooMany = U8("入力された住所に該当する候補が多すぎます。詳細な住所を入力してから再度URL取得を行ってください。\n\n");
const QString kNoInformation = U8("入力された住所に該当する地図URLの情報を取得できませんでした。\n\n");
const QString kNotConnected = U8("インターネットに接続されていないため、地図URLが取得できませんでした。\n\n"
                                 "インターネットに接続してから、再度地図URL取得を行ってください。\n\n");

class MapUrlFetchDlgTest : public ::testing::Test {
protected:
    maptest::ProxyEnvironment env_;
    ui::test::PromptRecorder prompts_;
};

TEST_F(MapUrlFetchDlgTest, OpensEmptyAndRefusesAnEmptySearch) {
    HttpOriginServer origin([](const HttpRequest&) { return HttpOk(SearchReply(Places(1))); });
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(origin.port()));
    FetchDlg d;
    d.show();
    EXPECT_EQ(d.windowTitle(), U8("地図URLの取得"));
    ASSERT_EQ(Combo(&d, FetchDlg::kIdcPrefecture)->count(), 47);
    EXPECT_EQ(Combo(&d, FetchDlg::kIdcPrefecture)->currentText(), "");
    EXPECT_EQ(Combo(&d, FetchDlg::kIdcScale)->currentText(), "1/3125");
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcAddress)->text(), "");
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), "");

    ASSERT_TRUE(Fetch(d));
    EXPECT_EQ(prompts_.texts(),
              QStringList{U8("住所に該当する候補が多すぎます。詳細な住所を入力してから再度URL取得を行ってください。\n\n")});
    EXPECT_EQ(prompts_.captions(), QStringList{U8("地図URLの取得エラー")});
    EXPECT_EQ(prompts_.prompts()[0].style, 0u);
    EXPECT_TRUE(origin.Requests().empty());
}

// A refused connection is told within seconds with the one connection message; the
// fields keep what they held.
TEST_F(MapUrlFetchDlgTest, ConnectionFailureIsToldWithinSeconds) {
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(nettest::ClosedPort()));
    FetchDlg d;
    d.show();
    ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "千代田区丸の内1-9-1");
    Edit(&d, FetchDlg::kIdcMapUrl)->setText("http://map.test/old");
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Fetch(d));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(prompts_.texts(), QStringList{kNotConnected});
    EXPECT_EQ(prompts_.captions(), QStringList{U8("地図URLの取得エラー")});
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcAddress)->text(), U8("千代田区丸の内1-9-1"));
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), "http://map.test/old");
    EXPECT_TRUE(Edit(&d, FetchDlg::kIdcAddress)->isEnabled());
}

// What each answer of the service leaves in the fields and tells the user; a single
// place is taken without the candidate list.
TEST_F(MapUrlFetchDlgTest, AnswersOfTheSearch) {
    std::string body;
    HttpOriginServer origin([&](const HttpRequest&) { return HttpOk(body); });
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(origin.port()));
    const struct {
        const char* name;
        std::string body;
        QString prompt;  // empty: none
        QString address, url;
    } cases[] = {
        {"one place", SearchReply({{"東京駅", "35.681,139.767"}}), "", U8("東京駅"), MapUrl("35.681,139.767", 10)},
        {"no place", SearchReply({}), kNoPlace, U8("丸の内"), ""},
        {"eleven places", SearchReply(Places(11)), kTooMany, U8("丸の内"), ""},
        {"no search reply", "<html>busy</html>", kNoInformation, U8("丸の内"), "http://map.test/old"},
    };
    for (const auto& c : cases) {
        body = c.body;
        prompts_.clear();
        FetchDlg d;
        d.show();
        Combo(&d, FetchDlg::kIdcPrefecture)->setCurrentIndex(12);
        Combo(&d, FetchDlg::kIdcScale)->setCurrentIndex(0);
        ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "丸の内");
        Edit(&d, FetchDlg::kIdcMapUrl)->setText("http://map.test/old");
        DialogWatch list("dlg941", [](QDialog* dialog) { dialog->reject(); });
        ASSERT_TRUE(Fetch(d)) << c.name;
        EXPECT_FALSE(list.shown()) << c.name;
        EXPECT_EQ(prompts_.texts(), c.prompt.isEmpty() ? QStringList() : QStringList{c.prompt}) << c.name;
        EXPECT_EQ(Edit(&d, FetchDlg::kIdcAddress)->text(), c.address) << c.name;
        EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), c.url) << c.name;
    }
    const auto requests = origin.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].line,
              "GET /json_keywordsrch.cgi?SRCHKIND=SRCH_ADR&COUNT=10&PARAM=%e4%b8%b8%e3%81%ae%e5%86%85&PRFCD=13 HTTP/1.1");
}

// Several places: OK needs a chosen row; the chosen one fills both fields; Cancel leaves
// the address as it was and the map URL empty.
TEST_F(MapUrlFetchDlgTest, ChoosingAmongCandidates) {
    HttpOriginServer origin([](const HttpRequest&) {
        return HttpOk(SearchReply({{"大阪駅", "34.702,135.495"}, {"大阪城", "34.687,135.526"}, {"大阪港", "34.65,135.43"}}));
    });
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(origin.port()));
    FetchDlg d;
    d.show();
    ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "大阪");
    bool stayedOpen = false;
    QStringList rows;
    DialogWatch choose("dlg941", [&](QDialog* dialog) {
        auto* list = ui::FindControl<QTableWidget>(dialog, CMapUrlCandidateDlg::kIdcList);
        for (int r = 0; r < list->rowCount(); ++r) rows << list->item(r, 0)->text() + " " + list->item(r, 1)->text();
        ui::test::ClickControl(dialog, 1);  // nothing chosen
        stayedOpen = dialog->isVisible();
        list->selectRow(1);
        ui::test::ClickControl(dialog, 1);
    });
    ASSERT_TRUE(Fetch(d));
    ASSERT_TRUE(choose.shown());
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(rows, (QStringList{U8("大阪駅 ") + MapUrl("34.702,135.495"), U8("大阪城 ") + MapUrl("34.687,135.526"),
                                 U8("大阪港 ") + MapUrl("34.65,135.43")}));
    EXPECT_EQ(prompts_.texts(), QStringList{U8("データを選択してください。\n\n")});
    EXPECT_EQ(prompts_.captions(), QStringList{U8("地図URLの選択")});
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcAddress)->text(), U8("大阪城"));
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), MapUrl("34.687,135.526"));

    DialogWatch cancel("dlg941", [](QDialog* dialog) { ui::test::ClickControl(dialog, 2); });
    ASSERT_TRUE(Fetch(d));
    ASSERT_TRUE(cancel.shown());
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcAddress)->text(), U8("大阪城"));
    EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), "");
}

// A stored proxy that asks for credentials: the proxy dialog comes prefilled, its answer
// is kept in the program ini and the request sent again through it. A cancelled dialog
// ends with the no-information message, wrong credentials with the connection message.
TEST_F(MapUrlFetchDlgTest, ProxyCredentialsAreAskedForAndKept) {
    nettest::SpawnedProxy proxy("alice", "s3cret");
    HttpOriginServer origin([](const HttpRequest&) { return HttpOk(SearchReply({{"札幌駅", "43.068,141.350"}})); });
    QTemporaryDir dir;
    const std::string ini = dir.filePath("Quendrel.ini").toStdString();
    const std::string port = std::to_string(proxy.port());
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(origin.port(), ini));
    using P = shell::CProxyAuthDlg;
    const struct {
        const char* name;
        const char* user;  // typed into the proxy dialog; null: the dialog is cancelled
        const char* password;
        QString prompt;
        QString url;
        size_t originRequests;  // in all, after this case
    } cases[] = {
        {"cancelled", nullptr, nullptr, kNoInformation, "", 0},
        {"wrong password", "alice", "nope", kNotConnected, "", 0},
        {"credentials", "alice", "s3cret", "", MapUrl("43.068,141.350"), 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(CInformationManager().SetProxyAuthSetting(ini, "127.0.0.1", port, "", "", 0));
        prompts_.clear();
        QString shownServer, shownPort;
        DialogWatch ask("dlg329", [&](QDialog* dialog) {
            shownServer = ui::FindControl<QLineEdit>(dialog, P::kIdcAddress)->text();
            shownPort = ui::FindControl<QLineEdit>(dialog, P::kIdcPort)->text();
            if (!c.user) {
                ui::test::ClickControl(dialog, 2);
                return;
            }
            ui::FindControl<QLineEdit>(dialog, P::kIdcUser)->setText(c.user);
            ui::FindControl<QLineEdit>(dialog, P::kIdcPassword)->setText(c.password);
            ui::FindControl<QCheckBox>(dialog, P::kIdcSave)->setChecked(true);
            ui::test::ClickControl(dialog, 1);
        });
        FetchDlg d;
        d.show();
        ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "札幌");
        ASSERT_TRUE(Fetch(d)) << c.name;
        ASSERT_TRUE(ask.shown()) << c.name;
        EXPECT_EQ(shownServer, "127.0.0.1") << c.name;
        EXPECT_EQ(shownPort, QString::fromStdString(port)) << c.name;
        EXPECT_EQ(prompts_.texts(), c.prompt.isEmpty() ? QStringList() : QStringList{c.prompt}) << c.name;
        EXPECT_EQ(Edit(&d, FetchDlg::kIdcMapUrl)->text(), c.url) << c.name;
        EXPECT_EQ(origin.Requests().size(), c.originRequests) << c.name;

        std::string server, storedPort, user, password;
        int flag = -1;
        ASSERT_EQ(CInformationManager().GetProxyAuthSetting(ini, server, storedPort, user, password, flag), 1);
        EXPECT_EQ(server + ":" + storedPort, "127.0.0.1:" + port) << c.name;
        EXPECT_EQ(user, c.user ? c.user : "") << c.name;
        EXPECT_EQ(password, c.password ? c.password : "") << c.name;
    }
    // The credentials kept are used from the start next time: no dialog.
    prompts_.clear();
    DialogWatch ask("dlg329", [](QDialog* dialog) { dialog->reject(); });
    FetchDlg again;
    again.show();
    ui::test::TypeText(Edit(&again, FetchDlg::kIdcAddress), "札幌");
    ASSERT_TRUE(Fetch(again));
    EXPECT_FALSE(ask.shown());
    EXPECT_EQ(Edit(&again, FetchDlg::kIdcMapUrl)->text(), MapUrl("43.068,141.350"));
}

// OK hands the two texts back, Cancel nothing; while the search runs the window stays
// live with its search controls disabled, and closing it stops the search at once.
TEST_F(MapUrlFetchDlgTest, ResultsAndClosingDuringASearch) {
    nettest::ScriptedServer silent([](nettest::ScriptConn& c) { c.WaitClose(); });
    maptest::ScopedLookupSettings settings(maptest::SettingsFor(silent.port(), "", 30));
    QString name = "unchanged", url = "unchanged";
    {
        FetchDlg d;
        d.SetResults(&name, &url);
        d.show();
        ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "本社");
        ui::test::ClickControl(&d, 2);
        EXPECT_EQ(d.result(), 2);
    }
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(url, "unchanged");

    FetchDlg d;
    d.SetResults(&name, &url);
    d.show();
    ui::test::TypeText(Edit(&d, FetchDlg::kIdcAddress), "本社");
    Edit(&d, FetchDlg::kIdcMapUrl)->setText("http://map.test/x");
    ui::test::ClickControl(&d, FetchDlg::kIdcFetch);
    ASSERT_TRUE(ui::test::WaitUntil([&] { return silent.connections() > 0; }, 5000));
    EXPECT_TRUE(d.IsFetching());
    EXPECT_FALSE(ui::FindControl<QPushButton>(&d, FetchDlg::kIdcFetch)->isEnabled());
    ui::test::WaitUntil([] { return false; }, 100);  // the window goes on answering
    QElapsedTimer clock;
    clock.start();
    ui::test::ClickControl(&d, 1);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(d.IsFetching());
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(name, U8("本社"));
    EXPECT_EQ(url, "http://map.test/x");
    ui::test::WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(prompts_.prompts().empty());
}

}  // namespace
}  // namespace htmledit
