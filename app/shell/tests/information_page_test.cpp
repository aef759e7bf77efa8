#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <cstdlib>

#include "app/shell/information_page_window.h"
#include "app/shell/main_frame.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/dialog_driver.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"
#include "core/foundation/ini_manager.h"
#include "core/transport/information_manager.h"
#include "platform/netssl/tests/http_test_servers.h"

namespace {

using nettest::HttpOriginServer;
using nettest::HttpRequest;
using ui::U8;

std::string RenewalDate(const std::string& ini) {
    std::string v;
    CIniManager::GetProfileStringA(ini, "INFORMATION", "RENEWALDATE", v, "");
    return v;
}

struct InformationPageTest : ::testing::Test {
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(name);
        hooks.askProxy = [this](shell::ProxyFields& fields) {
            askedPasswords.push_back(fields.password);
            if (proxyAnswers <= 0) return false;
            --proxyAnswers;
            fields.password = "secret";
            return true;
        };
        hooks.showPage = [this](const QString& address, const shell::ProxyFields&) { shown << address; };
    }
    void Run(CInformationManager& info) {
        shell::ShowInformationPageCommand(ini, info, [](int code) {
            return std::string("/opt/varnis/") + (code == 404 ? "notfound.html" : "disconnect.html");
        }, hooks);
    }

    nettest::TempDir dir;
    std::string ini = (dir.path() / "Quendrel.ini").string();
    shell::InformationPageHooks hooks;
    QStringList shown;
    std::vector<std::string> askedPasswords;
    int proxyAnswers = 0;
    ui::test::PromptRecorder prompts;
};

HttpOriginServer Answering(std::string status, std::string headers = "") {
    return HttpOriginServer([status, headers](const HttpRequest&) {
        return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: 0\r\n\r\n";
    });
}

TEST_F(InformationPageTest, ThePageIsShownAndItsDateKeptUnlessTheSiteGaveNone) {
    HttpOriginServer site = Answering("200 OK", "Last-Modified: Tue, 08 Dec 2026 01:02:03 GMT\r\n");
    CInformationManager info;
    info.SetInformationSite("127.0.0.1:" + std::to_string(site.port()));
    Run(info);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].toStdString(), info.GetInformationPageUrl());
    EXPECT_EQ(RenewalDate(ini), "2026/12/08 10:02:03");  // Tokyo time

    HttpOriginServer undated = Answering("200 OK");
    info.SetInformationSite("127.0.0.1:" + std::to_string(undated.port()));
    Run(info);
    EXPECT_EQ(shown.size(), 2);
    EXPECT_EQ(RenewalDate(ini), "2026/12/08 10:02:03");

    HttpOriginServer gone = Answering("404 Not Found");
    info.SetInformationSite("127.0.0.1:" + std::to_string(gone.port()));
    Run(info);
    EXPECT_EQ(shown.value(2), "/opt/varnis/notfound.html");
    EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(InformationPageTest, AProxyThatKeepsAskingForCredentialsIsAskedForAgainUntilCancelThenTheDisconnectPage) {
    HttpOriginServer proxy = Answering("407 Proxy Authentication Required",
                                       "Proxy-Authenticate: Basic realm=\"proxy\"\r\n");
    CInformationManager info;
    info.SetInformationSite("127.0.0.1:1");
    ASSERT_NE(info.SetProxyAuthSetting(ini, "127.0.0.1", std::to_string(proxy.port()), "user", "old", 1), 0);
    proxyAnswers = 2;
    Run(info);
    // Asked three times, each with an empty password; the third was cancelled.
    EXPECT_EQ(askedPasswords, (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(proxy.Requests().size(), 3u);
    EXPECT_EQ(proxy.Requests().back().Header("Proxy-Authorization").substr(0, 6), "Basic ");
    EXPECT_EQ(shown, QStringList{"/opt/varnis/disconnect.html"});
    EXPECT_EQ(RenewalDate(ini), "");
}

struct HtmlCtrlTest : ::testing::Test {
    ui::test::PromptRecorder prompts;
};

TEST_F(HtmlCtrlTest, AppLinksRunTheProgramsCommandsAndAreNeverFollowed) {
    shell::CMainFrame frame;
    frame.show();
    shell::CHtmlCtrl page;
    page.Navigate("/nowhere/disconnect.html");
    const QString shownText = page.toPlainText();
    EXPECT_TRUE(shownText.contains(U8("接続できませんでした"))) << shownText.toStdString();

    emit page.anchorClicked(QUrl("APP:Minimise"));
    EXPECT_TRUE(frame.isMinimized());
    emit page.anchorClicked(QUrl("app:Beep"));
    EXPECT_TRUE(prompts.prompts().empty());
    emit page.anchorClicked(QUrl("App:Reboot"));
    ASSERT_EQ(prompts.prompts().size(), 1u);
    EXPECT_EQ(prompts.prompts()[0].text, "Reboot");
    EXPECT_EQ(prompts.prompts()[0].caption, "Unexpected Command");
    EXPECT_EQ(prompts.prompts()[0].style, platform::kMbOk | platform::kMbIconQuestion);
    // None of them was navigated to, and neither are links of other kinds.
    emit page.anchorClicked(QUrl("file:///etc/passwd"));
    emit page.anchorClicked(QUrl("mailto:info@example.jp"));
    EXPECT_EQ(page.CurrentAddress(), "/nowhere/disconnect.html");
    EXPECT_EQ(page.toPlainText(), shownText);
}

TEST_F(HtmlCtrlTest, TheWindowShowsARemotePageInItsCharsetAndFollowsItsLinks) {
    const std::string sjisBody = Utf8ToSjis("<html><head><meta charset=\"Shift_JIS\"></head><body>"
                                            "<p>新しいお知らせ</p><a href=\"/next.html\">次へ</a></body></html>");
    HttpOriginServer site([sjisBody](const HttpRequest& r) {
        const std::string body = r.line.find("/next.html") != std::string::npos ? std::string("<p>second page</p>") : sjisBody;
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n\r\n" + body;
    });
    const QString address = QStringLiteral("http://127.0.0.1:%1/index.html").arg(site.port());
    QString first, second;
    ui::test::WhenDialogShows("dlg328", [&](QDialog* d) {
        auto* dialog = static_cast<shell::CInformationPageDlg*>(d);
        EXPECT_EQ(d->windowTitle(), U8("「Varnis」 インフォメーション"));
        shell::CHtmlCtrl* page = dialog->Control();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->objectName(), "ctl1562");
        EXPECT_TRUE(page->IsInputEnabled());
        ui::test::WaitUntil([&] { return !page->IsLoading(); });
        first = page->toPlainText();
        emit page->anchorClicked(QUrl("/next.html"));
        ui::test::WaitUntil([&] { return !page->IsLoading(); });
        second = page->toPlainText();
        d->accept();
    });
    shell::ShowInformationPageWindow(nullptr, address, {});
    EXPECT_TRUE(first.contains(U8("新しいお知らせ"))) << first.toStdString();
    EXPECT_TRUE(second.contains("second page")) << second.toStdString();
}

TEST_F(HtmlCtrlTest, ClosingTheWindowWhileAPageIsFetchedStopsTheFetch) {
    // A site that never answers: closing must not wait for its time-out.
    nettest::ScriptedServer silent([](nettest::ScriptConn& conn) {
        std::string line;
        while (conn.ReadLine(line)) {
        }
    });
    QElapsedTimer clock;
    {
        shell::CHtmlCtrl page;
        page.Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(silent.port()));
        EXPECT_TRUE(page.IsLoading());
        ui::test::WaitUntil([] { return false; }, 100);
        clock.start();
    }
    EXPECT_LT(clock.elapsed(), 3000);
}

}  // namespace
