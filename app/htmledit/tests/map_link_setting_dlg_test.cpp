// The map-link settings dialog over a copy of the option texts: what it shows, what OK
// stores (and Cancel does not), adding through the lookup, renaming, deleting, and which
// URLs reach the browser.
#include "app/htmledit/map_link_setting_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "app/htmledit/map_link_options.h"
#include "app/htmledit/map_url_lookup_dlg.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"

namespace htmledit {
namespace {

using maptest::DialogWatch;
using ui::U8;
using SettingDlg = CMapLinkSettingDlg;

std::vector<std::string> Options(const std::string& names, const std::string& urls) {
    std::vector<std::string> options(123, "other");
    options[121] = names;
    options[122] = urls;
    return options;
}

QTableWidget* List(SettingDlg& d) { return ui::FindControl<QTableWidget>(&d, SettingDlg::kIdcList); }
QPushButton* Button(SettingDlg& d, int id) { return ui::FindControl<QPushButton>(&d, id); }

// The rows as "name | url".
QStringList Rows(SettingDlg& d) {
    QStringList rows;
    QTableWidget* list = List(d);
    for (int r = 0; r < list->rowCount(); ++r) rows << list->item(r, 0)->text() + " | " + list->item(r, 1)->text();
    return rows;
}

// The open name editor (a closed one may linger until it is deleted).
QLineEdit* NameEditor(SettingDlg& d) {
    for (QLineEdit* editor : List(d)->viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible()) return editor;
    }
    return nullptr;
}

// Ends a rename with `key`, as the user's Return or Escape does; the view takes the
// editor's text a moment later.
bool EndRename(SettingDlg& d, Qt::Key key) {
    QTest::keyClick(NameEditor(d), key);
    return ui::test::WaitUntil([&] { return !d.IsRenaming(); }, 2000);
}

// Names and URLs with quotes and commas survive OK and a reopening; OK writes slots 121
// and 122 only, Cancel nothing.
TEST(MapLinkSettingDlg, ShowsAndStoresTheLinks) {
    const std::vector<MapLink> links = {
        {Utf8ToSjis("本社 \"本館\", 受付"), "http://map.test/receivew.cgi?MAP=35.1,139.1&ZM=11&CI=R"},
        {Utf8ToSjis("Shop \"K\""), "http://map.test/q?a=\"1\",b=2"},
    };
    auto options = Options(JoinMapLinkNames(links), JoinMapLinkUrls(links));
    const QStringList expected = {U8("本社 \"本館\", 受付 | http://map.test/receivew.cgi?MAP=35.1,139.1&ZM=11&CI=R"),
                                  U8("Shop \"K\" | http://map.test/q?a=\"1\",b=2")};
    {
        SettingDlg d(&options);
        d.show();
        EXPECT_EQ(d.windowTitle(), U8("地図リンクの設定"));
        EXPECT_EQ(List(d)->horizontalHeaderItem(0)->text(), U8("名前"));
        EXPECT_EQ(List(d)->horizontalHeaderItem(1)->text(), "URL");
        EXPECT_EQ(Rows(d), expected);
        EXPECT_TRUE(Button(d, SettingDlg::kIdcAdd)->isEnabled());
        List(d)->selectRow(0);
        ui::test::ClickControl(&d, SettingDlg::kIdcDelete);
        ui::test::ClickControl(&d, 2);
    }
    EXPECT_EQ(options, Options(JoinMapLinkNames(links), JoinMapLinkUrls(links)));
    {
        SettingDlg d(&options);
        d.show();
        ui::test::ClickControl(&d, 1);
        EXPECT_EQ(d.result(), 1);
    }
    EXPECT_EQ(options, Options(JoinMapLinkNames(links), JoinMapLinkUrls(links)));
    EXPECT_EQ(LoadMapLinks(options), links);
    SettingDlg reopened(&options);
    EXPECT_EQ(Rows(reopened), expected);
}

// More than 20 names show (and store) the first 20 with "追加" disabled; an empty name in
// the middle hides the rest; a short option array is widened when stored.
TEST(MapLinkSettingDlg, LimitsAndEmptyEntries) {
    std::vector<MapLink> many;
    for (int i = 1; i <= 21; ++i) many.push_back({"n" + std::to_string(i), "http://m/" + std::to_string(i)});
    auto options = Options(JoinMapLinkNames(many), JoinMapLinkUrls(many));
    {
        SettingDlg d(&options);
        d.show();
        EXPECT_EQ(List(d)->rowCount(), 20);
        EXPECT_FALSE(Button(d, SettingDlg::kIdcAdd)->isEnabled());
        ui::test::ClickControl(&d, 1);
    }
    many.pop_back();
    EXPECT_EQ(options[121], JoinMapLinkNames(many));
    EXPECT_EQ(options[122], JoinMapLinkUrls(many));

    auto gap = Options("\"a\",\"\",\"c\"", "\"u1\",\"u2\",\"u3\"");
    SettingDlg d(&gap);
    EXPECT_EQ(Rows(d), QStringList{"a | u1"});

    std::vector<std::string> old(90, "x");
    SettingDlg widened(&old);
    widened.show();
    ui::test::ClickControl(&widened, 1);
    ASSERT_EQ(old.size(), 123u);
    EXPECT_EQ(old[89], "x");
    EXPECT_EQ(old[121], "");
}

// "追加" takes the lookup's result as a new row whose name is open for renaming at once;
// a cancelled lookup adds nothing; a link without a name is named by its URL.
TEST(MapLinkSettingDlg, AddsFromTheLookup) {
    auto options = Options("", "");
    SettingDlg d(&options);
    d.show();
    using F = CMapUrlFetchDlg;
    const auto lookup = [](const char* address, const char* url) {
        return [=](QDialog* dialog) {
            ui::test::TypeText(ui::FindControl<QLineEdit>(dialog, F::kIdcAddress), address);
            ui::FindControl<QLineEdit>(dialog, F::kIdcMapUrl)->setText(url);
            ui::test::ClickControl(dialog, 1);
        };
    };
    {
        DialogWatch watch("dlg940", lookup("大阪市北区梅田3-1-1", "http://map.test/receivew.cgi?MAP=34.7,135.5&ZM=11&CI=R"));
        ui::test::ClickControl(&d, SettingDlg::kIdcAdd);
        ASSERT_TRUE(watch.shown());
    }
    ASSERT_EQ(List(d)->rowCount(), 1);
    EXPECT_TRUE(d.IsRenaming());
    QLineEdit* editor = NameEditor(d);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), U8("大阪市北区梅田3-1-1"));
    editor->selectAll();
    ui::test::TypeText(editor, "大阪支店「梅田」, 3F");
    EXPECT_TRUE(EndRename(d, Qt::Key_Return));
    EXPECT_EQ(Rows(d), QStringList{U8("大阪支店「梅田」, 3F | http://map.test/receivew.cgi?MAP=34.7,135.5&ZM=11&CI=R")});

    {
        DialogWatch watch("dlg940", [](QDialog* dialog) { ui::test::ClickControl(dialog, 2); });
        ui::test::ClickControl(&d, SettingDlg::kIdcAdd);
        ASSERT_TRUE(watch.shown());
    }
    EXPECT_EQ(List(d)->rowCount(), 1);
    EXPECT_FALSE(d.IsRenaming());

    {
        DialogWatch watch("dlg940", lookup("", "http://map.test/nameless"));
        ui::test::ClickControl(&d, SettingDlg::kIdcAdd);
        ASSERT_TRUE(watch.shown());
    }
    ASSERT_EQ(List(d)->rowCount(), 2);
    EXPECT_TRUE(EndRename(d, Qt::Key_Escape));
    ui::test::ClickControl(&d, 1);
    EXPECT_EQ(LoadMapLinks(options),
              (std::vector<MapLink>{
                  {Utf8ToSjis("大阪支店「梅田」, 3F"), "http://map.test/receivew.cgi?MAP=34.7,135.5&ZM=11&CI=R"},
                  {"http://map.test/nameless", "http://map.test/nameless"}}));
}

// A double-click opens the name; an emptied or cancelled rename keeps the old name.
TEST(MapLinkSettingDlg, Renaming) {
    auto options = Options("\"a\",\"b\"", "\"http://m/1\",\"http://m/2\"");
    SettingDlg d(&options);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTableWidget* list = List(d);
    const auto doubleClick = [&](int row) {
        // A double-click as the window system delivers it: press, release, then the
        // double-click event and its release.
        const QPointF at = list->visualItemRect(list->item(row, 1)).center();
        const QPointF global = list->viewport()->mapToGlobal(at);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(list->viewport(), &event);
        }
    };
    const struct {
        const char* name;
        const char* typed;
        Qt::Key end;
        const char* after;
    } cases[] = {
        {"emptied", "", Qt::Key_Return, "b"},
        {"cancelled", "x", Qt::Key_Escape, "b"},
        {"renamed", "支店", Qt::Key_Return, "支店"},
    };
    for (const auto& c : cases) {
        doubleClick(1);
        ASSERT_TRUE(d.IsRenaming()) << c.name;
        QLineEdit* editor = NameEditor(d);
        ASSERT_NE(editor, nullptr) << c.name;
        editor->clear();
        ui::test::TypeText(editor, c.typed);
        EXPECT_TRUE(EndRename(d, c.end)) << c.name;
        EXPECT_EQ(list->item(1, 0)->text(), U8(c.after)) << c.name;
        EXPECT_FALSE(list->item(1, 0)->flags() & Qt::ItemIsEditable) << c.name;
    }
    EXPECT_EQ(list->item(0, 0)->text(), "a");
}

// "削除" removes the chosen row (nothing without one) and frees a place for "追加".
TEST(MapLinkSettingDlg, DeleteFreesAPlace) {
    std::vector<MapLink> full;
    for (int i = 1; i <= 20; ++i) full.push_back({"n" + std::to_string(i), "http://m/" + std::to_string(i)});
    auto options = Options(JoinMapLinkNames(full), JoinMapLinkUrls(full));
    SettingDlg d(&options);
    d.show();
    EXPECT_FALSE(Button(d, SettingDlg::kIdcAdd)->isEnabled());
    ui::test::ClickControl(&d, SettingDlg::kIdcDelete);
    EXPECT_EQ(List(d)->rowCount(), 20);
    List(d)->selectRow(2);
    ui::test::ClickControl(&d, SettingDlg::kIdcDelete);
    EXPECT_EQ(List(d)->rowCount(), 19);
    EXPECT_EQ(List(d)->item(2, 0)->text(), "n4");
    EXPECT_TRUE(Button(d, SettingDlg::kIdcAdd)->isEnabled());
    ui::test::ClickControl(&d, 1);
    full.erase(full.begin() + 2);
    EXPECT_EQ(LoadMapLinks(options), full);
}

// Receives what the program hands to the system's browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void Open(const QUrl& url) { opened << url.toString(); }
};

// Only http and https URLs are handed to the browser; nothing without a chosen row.
TEST(MapLinkSettingDlg, BrowserOpensWebUrlsOnly) {
    const QStringList schemes = {"http", "https", "javascript", "file", "mailto"};
    UrlRecorder recorder;
    for (const QString& s : schemes) QDesktopServices::setUrlHandler(s, &recorder, "Open");
    const std::vector<MapLink> links = {
        {"web", "http://map.test/receivew.cgi?MAP=1,2&ZM=11&CI=R"}, {"secure", "https://map.test/x"},
        {"script", "javascript:alert(1)"},                        {"file", "file:///etc/passwd"},
        {"mail", "mailto:a@example.jp"},                          {"bare", "map.test/x"},
        {"bad", "http://map test/\"x\""},
    };
    auto options = Options(JoinMapLinkNames(links), JoinMapLinkUrls(links));
    SettingDlg d(&options);
    d.show();
    ui::test::ClickControl(&d, SettingDlg::kIdcBrowse);
    for (int row = 0; row < List(d)->rowCount(); ++row) {
        List(d)->selectRow(row);
        ui::test::ClickControl(&d, SettingDlg::kIdcBrowse);
    }
    for (const QString& s : schemes) QDesktopServices::unsetUrlHandler(s);
    EXPECT_EQ(recorder.opened, (QStringList{"http://map.test/receivew.cgi?MAP=1,2&ZM=11&CI=R", "https://map.test/x"}));
}

}  // namespace
}  // namespace htmledit

#include "map_link_setting_dlg_test.moc"
