#include "core/transport/information_manager.h"

#include "core/foundation/ini_manager.h"
#include "core/foundation/keyed_base64.h"
#include "platform/netssl/tests/http_test_servers.h"

#include <gtest/gtest.h>

#include <cstdlib>

using nettest::HttpOriginServer;
using nettest::HttpRequest;

namespace {

struct Proxy {
    std::string server, port, user, password;
    int flag = -1;
    bool operator==(const Proxy&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Proxy& p) {
    return out << "[" << p.server << "|" << p.port << "|" << p.user << "|" << p.password << "|" << p.flag << "]";
}

struct InformationManagerTest : ::testing::Test {
    void SetUp() override {
        // The system's proxy settings must not reach the tests' loopback servers.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"}) unsetenv(name);
    }
    int Read(CInformationManager& m, Proxy& p) { return m.GetProxyAuthSetting(ini, p.server, p.port, p.user, p.password, p.flag); }
    // Stores a record line as the program would, coded with its key.
    void StoreLine(const std::string& line) {
        std::string coded;
        ASSERT_GE(EncodeBase64WithKeyTable(coded, line, CInformationManager::ProxyRecordKeyNumber()), 0);
        ASSERT_NE(CIniManager::WriteProfileStringA(ini, "PROXY", "DATA", coded.c_str()), 0);
    }

    nettest::TempDir dir;
    std::string ini = (dir.path() / "Quendrel.ini").string();
};

const Proxy kFilled{"old", "1", "old-user", "old-pw", 7};

}  // namespace

TEST_F(InformationManagerTest, ProxyRecordTable) {
    const struct {
        const char* name;
        Proxy written;     // flag -1: the line below is stored instead
        const char* line;
        int result;
        Proxy read;
    } cases[] = {
        {"quotes and commas survive", {"pro\"xy,1", "8080", "ta\"ro", "p,w\"\"", 1}, nullptr, 1,
         {"pro\"xy,1", "8080", "ta\"ro", "p,w\"\"", 1}},
        {"credentials not saved", {"proxy", "3128", "taro", "secret", 0}, nullptr, 1, {"proxy", "3128", "", "", 0}},
        {"flag 0 hides stored credentials", {}, "\"proxy\",\"3128\",\"taro\",\"secret\",\"0\"", 1,
         {"proxy", "3128", "", "", 0}},
        {"four fields", {}, "\"proxy\",\"3128\",\"taro\",\"secret\"", 0, {"", "", "", "", 7}},
        {"six fields", {}, "\"a\",\"b\",\"c\",\"d\",\"1\",\"f\"", 0, {"", "", "", "", 7}},
        {"empty line", {}, "", 0, kFilled},  // nothing stored: nothing changes
    };
    for (const auto& c : cases) {
        CInformationManager m;
        if (c.written.flag >= 0) {
            ASSERT_NE(m.SetProxyAuthSetting(ini, c.written.server, c.written.port, c.written.user, c.written.password,
                                            c.written.flag),
                      0)
                << c.name;
        } else {
            StoreLine(c.line);
        }
        Proxy got = kFilled;
        EXPECT_EQ(Read(m, got), c.result) << c.name;
        EXPECT_EQ(got, c.read) << c.name;
    }

    // The file never shows the record in plain text; a damaged record reads as none.
    CInformationManager m;
    ASSERT_NE(m.SetProxyAuthSetting(ini, "proxy.example.jp", "8080", "taro", "s3cret-pw", 1), 0);
    const std::string file = nettest::ReadFile(ini);
    EXPECT_NE(file.find("[PROXY]"), std::string::npos);
    for (const char* plain : {"proxy.example.jp", "taro", "s3cret-pw", "8080"}) EXPECT_EQ(file.find(plain), std::string::npos);
    ASSERT_NE(CIniManager::WriteProfileStringA(ini, "PROXY", "DATA", "!!not coded!!"), 0);
    Proxy got = kFilled;
    EXPECT_EQ(Read(m, got), 0);
    EXPECT_EQ(got, (Proxy{"", "", "", "", 7}));
    // A write that fails empties the settings in use.
    EXPECT_EQ(m.SetProxyAuthSetting((dir.path() / "missing/Quendrel.ini").string(), "p", "1", "u", "w", 1), 0);
}

// The date of the page from its Last-Modified header (GMT read as local time), and the
// codes the start-up tells apart: 404, any other failure, and a page without the header.
TEST_F(InformationManagerTest, PageDateDirect) {
    HttpOriginServer origin([](const HttpRequest& request) -> std::string {
        if (request.Header("X-Test").empty() && request.line == "GET /mail/Varnis_information/index.html HTTP/1.1") {
            return "HTTP/1.1 200 OK\r\nLast-Modified: Tue, 08 Dec 2026 01:02:03 GMT\r\nContent-Length: 2\r\n\r\nok";
        }
        return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    });
    CInformationManager m;
    m.SetInformationSite("127.0.0.1:" + std::to_string(origin.port()));
    platform::DateTime date;
    ASSERT_EQ(m.GetRenewalDateOfNewestInformationPage(date), 0);
    EXPECT_EQ(date.Format("%Y/%m/%d %H:%M:%S"), "2026/12/08 10:02:03");  // TZ=Asia/Tokyo
    EXPECT_EQ(origin.Requests().at(0).Header("Host"), "127.0.0.1:" + std::to_string(origin.port()));

    HttpOriginServer bare([](const HttpRequest&) { return std::string("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"); });
    m.SetInformationSite("127.0.0.1:" + std::to_string(bare.port()));
    platform::DateTime kept(2020, 1, 2, 3, 4, 5);
    EXPECT_EQ(m.GetRenewalDateOfNewestInformationPage(kept), 0);
    EXPECT_EQ(kept, platform::DateTime(2020, 1, 2, 3, 4, 5));

    HttpOriginServer missing([](const HttpRequest&) { return std::string("HTTP/1.1 404 Not Found\r\n\r\n"); });
    m.SetInformationSite("127.0.0.1:" + std::to_string(missing.port()));
    EXPECT_EQ(m.GetRenewalDateOfNewestInformationPage(kept), 404);
    m.SetInformationSite("127.0.0.1:" + std::to_string(nettest::ClosedPort()));
    EXPECT_EQ(m.GetRenewalDateOfNewestInformationPage(kept), 1);
    EXPECT_EQ(kept, platform::DateTime(2020, 1, 2, 3, 4, 5));
}

// Through a real proxy that wants Basic authentication, as the start-up drives it: -407
// without credentials, then the credentials stored and the query repeated. A server
// without a port is no proxy; a proxy that does not answer is -1.
TEST_F(InformationManagerTest, PageDateThroughAnAuthenticatingProxy) {
    nettest::SpawnedProxy proxy("alice", "s3cret");
    HttpOriginServer origin([](const HttpRequest&) {
        return std::string("HTTP/1.1 200 OK\r\nLast-Modified: Wed, 09 Dec 2026 15:00:00 GMT\r\nContent-Length: 0\r\n\r\n");
    });
    const std::string port = std::to_string(proxy.port());
    CInformationManager m;
    m.SetInformationSite("127.0.0.1:" + std::to_string(origin.port()));
    platform::DateTime date;

    ASSERT_NE(m.SetProxyAuthSetting(ini, "127.0.0.1", port, "", "", 0), 0);
    EXPECT_EQ(m.GetRenewalDateOfNewestInformationPage(date), -407);
    EXPECT_TRUE(origin.Requests().empty());

    ASSERT_NE(m.SetProxyAuthSetting(ini, "127.0.0.1", port, "alice", "s3cret", 0), 0);
    ASSERT_EQ(m.GetRenewalDateOfNewestInformationPage(date), 0);
    EXPECT_EQ(date.Format("%Y/%m/%d %H:%M:%S"), "2026/12/10 00:00:00");
    EXPECT_EQ(origin.Requests().size(), 1u);

    // Unsaved credentials are gone for the next reader of the file.
    CInformationManager next;
    next.SetInformationSite("127.0.0.1:" + std::to_string(origin.port()));
    Proxy stored;
    ASSERT_EQ(next.GetProxyAuthSetting(ini, stored.server, stored.port, stored.user, stored.password, stored.flag), 1);
    EXPECT_EQ(stored, (Proxy{"127.0.0.1", port, "", "", 0}));
    EXPECT_EQ(next.GetRenewalDateOfNewestInformationPage(date), -407);

    ASSERT_NE(next.SetProxyAuthSetting(ini, "127.0.0.1", "", "alice", "s3cret", 1), 0);
    EXPECT_EQ(next.GetRenewalDateOfNewestInformationPage(date), 0);  // direct: no port, no proxy
    EXPECT_EQ(origin.Requests().size(), 2u);

    ASSERT_NE(next.SetProxyAuthSetting(ini, "127.0.0.1", std::to_string(nettest::ClosedPort()), "", "", 0), 0);
    EXPECT_EQ(next.GetRenewalDateOfNewestInformationPage(date), -1);
}
