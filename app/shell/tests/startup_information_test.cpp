#include <gtest/gtest.h>

#include <QString>

#include <cstdlib>

#include "app/shell/startup_information.h"
#include "app/ui/testing/prompt_recorder.h"
#include "core/foundation/ini_manager.h"
#include "core/transport/information_manager.h"
#include "platform/netssl/tests/http_test_servers.h"

namespace {

using nettest::HttpOriginServer;
using nettest::HttpRequest;

struct StartupInformationTest : ::testing::Test {
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(name);
    }
    std::string Ini(const char* key) {
        std::string v;
        CIniManager::GetProfileStringA(ini, "INFORMATION", key, v, "");
        return v;
    }
    void Run(CInformationManager& info) { shell::ShowInformationAtStartup(ini, info, hooks); }

    nettest::TempDir dir;
    std::string ini = (dir.path() / "Quendrel.ini").string();
    QStringList shown;
    int proxyAsked = 0;
    shell::StartupInformationHooks hooks{
        [this](shell::ProxyFields&) {
            ++proxyAsked;
            return false;
        },
        [this](const QString& url, const shell::ProxyFields&) { shown << url; }};
};

HttpOriginServer PageServer(const char* lastModified) {
    std::string header = lastModified ? std::string("Last-Modified: ") + lastModified + "\r\n" : "";
    return HttpOriginServer([header](const HttpRequest&) {
        return "HTTP/1.1 200 OK\r\n" + header + "Content-Length: 0\r\n\r\n";
    });
}

TEST_F(StartupInformationTest, OpenAutoIsYesOrNoAndOnlyYesLooks) {
    HttpOriginServer site = PageServer("Tue, 08 Dec 2026 01:02:03 GMT");
    CInformationManager info;
    info.SetInformationSite("127.0.0.1:" + std::to_string(site.port()));

    for (const char* stored : {"", "y", "yes"}) {  // missing or neither: set to "Y", then looked
        if (*stored) CIniManager::WriteProfileStringA(ini, "INFORMATION", "OPEN_AUTO", stored);
        Run(info);
        EXPECT_EQ(Ini("OPEN_AUTO"), "Y") << stored;
    }
    EXPECT_EQ(site.Requests().size(), 3u);
    CIniManager::WriteProfileStringA(ini, "INFORMATION", "OPEN_AUTO", "N");
    Run(info);
    EXPECT_EQ(site.Requests().size(), 3u);
    EXPECT_EQ(Ini("OPEN_AUTO"), "N");
}

TEST_F(StartupInformationTest, ANewerPageIsShownOnceAndAPageWithoutDateNever) {
    HttpOriginServer site = PageServer("Tue, 08 Dec 2026 01:02:03 GMT");
    CInformationManager info;
    info.SetInformationSite("127.0.0.1:" + std::to_string(site.port()));
    CIniManager::WriteProfileStringA(ini, "INFORMATION", "RENEWALDATE", "not a date");  // counts as never seen
    Run(info);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].endsWith("/mail/Varnis_information/index.html"));
    EXPECT_EQ(Ini("RENEWALDATE"), "2026/12/08 10:02:03");  // TZ=Asia/Tokyo
    Run(info);
    EXPECT_EQ(shown.size(), 1);

    HttpOriginServer undated = PageServer(nullptr);
    info.SetInformationSite("127.0.0.1:" + std::to_string(undated.port()));
    CIniManager::WriteProfileStringA(ini, "INFORMATION", "RENEWALDATE", nullptr);
    Run(info);
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(Ini("RENEWALDATE"), "");

    // Without a window to show it in, the date is not kept: the page comes up later.
    info.SetInformationSite("127.0.0.1:" + std::to_string(site.port()));
    hooks.showPage = nullptr;
    Run(info);
    EXPECT_EQ(Ini("RENEWALDATE"), "");
}

TEST_F(StartupInformationTest, AProxyThatDoesNotAnswerAsksForItsSettingsUntilCancelled) {
    CInformationManager info;
    info.SetInformationSite("127.0.0.1:" + std::to_string(nettest::ClosedPort()));
    Run(info);  // no proxy: any failure ends quietly
    EXPECT_EQ(proxyAsked, 0);

    ASSERT_NE(info.SetProxyAuthSetting(ini, "127.0.0.1", std::to_string(nettest::ClosedPort()), "taro", "pw", 1), 0);
    int rounds = 0;
    hooks.askProxy = [&](shell::ProxyFields& f) {
        ++rounds;
        EXPECT_EQ(f.server, "127.0.0.1");
        EXPECT_EQ(f.password, "");  // cleared before the dialog shows
        EXPECT_EQ(f.save, 0);
        f.password = "again";
        return rounds < 2;  // OK once (stored and asked again), then Cancel
    };
    ui::test::PromptRecorder prompts;
    Run(info);
    EXPECT_EQ(rounds, 2);
    EXPECT_TRUE(prompts.prompts().empty());
    EXPECT_TRUE(shown.isEmpty());
}

}  // namespace
