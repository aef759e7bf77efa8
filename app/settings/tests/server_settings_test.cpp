// The server settings as the user enters them in the sheet, tried against real servers
// before they are written to the options file: the values the sheet's OK stored in memory
// are given to the program's SMTP client (the send run's own set-up, ApplySmtpServerSettings)
// and POP client (set up as the receive session does, from options 1-7, 85, 86 and 88),
// over aiosmtpd and Dovecot, in each encryption mode, with the certificate check on and
// off, and with a wrong password.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/sendrecv/smtp_server_settings.h"
#include "app/settings/required_items_page.h"
#include "app/settings/send_receive_detail_page.h"
#include "app/settings/system_sheet.h"
#include "app/settings/tests/settings_sheet_env.h"
#include "core/transport/my_pops.h"
#include "core/transport/my_smtps.h"
#include "core/transport/tests/transport_test_servers.h"
#include "platform/notifier.h"

namespace {
namespace server_settings_test {

using namespace settingstest;
using rectest::Retype;
using settings::CSystemMain;
using settings::CSystemSheet;
using settings::CSystemSMTP;

struct Server {
    int port;
    bool ssl;
    int mode;           // SSL mode of the list
    bool noVerify;      // "証明書を検証しない"
    const char* password;
};

class ServerSettingsTest : public SettingsEnvTest {
protected:
    // Enters the send server (send = true) or the receive server, its encryption and the
    // account in the sheet as a user does, declining the port offers, and confirms it.
    void Enter(bool send, const Server& s, const std::string& user) {
        ui::test::PromptRecorder offers;  // "No" to every port offer
        for (int i = 0; i < 8; ++i) offers.Answer(platform::kIdNo);
        CSystemSheet sheet(&Options(), ui::U8("システム設定"));
        sheet.show();
        QWidget* main = sheet.MainPage();
        Retype(main, send ? CSystemMain::kIdcSendServer : CSystemMain::kIdcReceiveServer, "127.0.0.1");
        Retype(main, send ? CSystemMain::kIdcSendPort : CSystemMain::kIdcReceivePort, std::to_string(s.port).c_str());
        if (!send) {
            Retype(main, CSystemMain::kIdcReceiveUser, user.c_str());
            Retype(main, CSystemMain::kIdcPassword, s.password);
            Retype(main, CSystemMain::kIdcPasswordAgain, s.password);
        }
        sheet.SetActivePage(CSystemSheet::kPageSmtp);
        QWidget* smtp = sheet.SmtpPage();
        auto* auth = Control<QCheckBox>(smtp, CSystemSMTP::kIdcAuthentication);
        if (send && !auth->isChecked()) auth->click();
        if (send) {
            Retype(smtp, CSystemSMTP::kIdcSmtpUser, user.c_str());
            Retype(smtp, CSystemSMTP::kIdcSmtpPassword, s.password);
        }
        auto* ssl = Control<QCheckBox>(smtp, CSystemSMTP::kIdcSsl);
        if (ssl->isChecked() != s.ssl) ssl->click();
        Control<QComboBox>(smtp, send ? CSystemSMTP::kIdcSendSsl : CSystemSMTP::kIdcReceiveSsl)->setCurrentIndex(s.mode);
        auto* noVerify = Control<QCheckBox>(smtp, CSystemSMTP::kIdcNoCertificateCheck);
        if (noVerify->isChecked() != s.noVerify) noVerify->click();
        Click(&sheet, CSystemSheet::kIdcOk);
        ASSERT_EQ(sheet.result(), QDialog::Accepted) << offers.texts().join(u'|').toStdString();
        EXPECT_EQ(Stored(send ? 9 : 2), std::to_string(s.port));  // the offers were declined
    }

    // Logs in to the send server the options name: 0, or the client's error code with
    // its message for the user.
    int TrySmtp(std::string& message) {
        CMySMTPS client;
        auto* h = client.GetHandle();
        const bool auth = ApplySmtpServerSettings(h, Options());
        netssl::SMTPS_Set(h, netssl::kSmtpsTimeout, 0, 10, 0);
        const int rc = ConnectSmtp(h, auth);
        if (rc != 0) message = client.GetLastErrorInJapanese();
        netssl::SMTPS_Do(h, netssl::kSmtpsDisconnect);
        return rc;
    }

    // Logs in to the receive server the options name, set up from the options as the
    // receive session does.
    int TryPop(std::string& message) {
        auto option = [&](int slot) { return Stored(slot); };
        CMyPOPS client;
        auto* h = client.GetHandle();
        netssl::POPS_Set(h, netssl::kPopsTimeout, 0, 10, 0);
        netssl::POPS_Set(h, netssl::kPopsServer, 0, option(1).c_str(), 0);
        netssl::POPS_Set(h, netssl::kPopsPort, 0, std::atoi(option(2).c_str()), 0);
        int mode = netssl::kSslOff;
        if (option(85) == "Y") {
            const std::string kind = option(86);
            if (kind == "1" || kind == "2" || kind == "3") {
                mode = netssl::kSslImplicit;
                netssl::POPS_Do(h, netssl::kPopsConfigure,
                                std::string("SSLEnabledProtocols=") + (kind == "1" ? "192" : kind == "2" ? "48" : "12"));
            } else if (kind == "4") {
                mode = netssl::kSslStartTls;
            }
            netssl::POPS_Do(h, netssl::kPopsConfigure,
                            option(88) == "Y" ? "SSLSecurityFlags=0xFFFFFFFF" : "SSLSecurityFlags=0x00000000");
        }
        netssl::POPS_Set(h, netssl::kPopsSslStartMode, 0, mode, 0);
        EXPECT_EQ(option(3), "0");
        netssl::POPS_Set(h, netssl::kPopsAuthMode, 0, netssl::kPopsAuthUserPass, 0);
        netssl::POPS_Set(h, netssl::kPopsUser, 0, option(4).c_str(), 0);
        EXPECT_EQ(option(6), "Y");
        netssl::POPS_Set(h, netssl::kPopsPassword, 0, option(5).c_str(), 0);
        const int rc = netssl::POPS_Do(h, netssl::kPopsConnect);
        if (rc != 0) message = client.GetLastErrorInJapanese();
        netssl::POPS_Do(h, netssl::kPopsDisconnect);
        return rc;
    }
};

TEST_F(ServerSettingsTest, SendServerInEachEncryptionModeAndWithAWrongPassword) {
    QTemporaryDir certDir;
    const nettest::Certificate cert = nettest::MakeTestCertificate(certDir.path().toStdString());
    auto server = [&](const char* tls) {
        return std::make_unique<nettest::SpawnedSmtpServer>(std::vector<std::string>{
            "--tls", tls, "--cert", cert.certFile, "--key", cert.keyFile, "--user", "shop:right-pass"});
    };
    struct Case {
        const char* tls;
        bool ssl;
        int mode;
        bool noVerify;
        const char* password;
        bool loggedIn;
    };
    const Case cases[] = {
        {"none", false, CSystemSMTP::kSslNone, false, "right-pass", true},
        {"none", true, CSystemSMTP::kSslNone, false, "right-pass", true},
        {"starttls", true, CSystemSMTP::kSslStartTls, true, "right-pass", true},
        {"implicit", true, CSystemSMTP::kSslTls10, true, "right-pass", true},
        {"implicit", true, CSystemSMTP::kSslSsl30, true, "right-pass", true},
        // The server's own certificate is not one the system trusts.
        {"implicit", true, CSystemSMTP::kSslTls10, false, "right-pass", false},
        {"starttls", true, CSystemSMTP::kSslStartTls, false, "right-pass", false},
        {"none", false, CSystemSMTP::kSslNone, false, "wrong-pass", false},
        {"starttls", true, CSystemSMTP::kSslStartTls, true, "wrong-pass", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tls) + " mode " + std::to_string(c.mode) + " " + c.password);
        auto smtp = server(c.tls);
        Enter(true, Server{smtp->port(), c.ssl, c.mode, c.noVerify, c.password}, "shop");
        std::string message;
        const int rc = TrySmtp(message);
        if (c.loggedIn) {
            EXPECT_EQ(rc, 0) << message;
        } else {
            EXPECT_NE(rc, 0);
            EXPECT_FALSE(message.empty());
        }
        if (std::string(c.password) == "wrong-pass") {
            EXPECT_NE(smtp->AuthLog().find("shop wrong-pass"), std::string::npos);
        }
    }
}

TEST_F(ServerSettingsTest, ReceiveServerInEachEncryptionModeAndWithAWrongPassword) {
    auto& dovecot = transporttest::SharedDovecot();
    const std::string user = dovecot.AddUser("pop-right");
    struct Case {
        bool implicitPort;
        bool ssl;
        int mode;
        bool noVerify;
        const char* password;
        bool loggedIn;
    };
    const Case cases[] = {
        {false, false, CSystemSMTP::kSslNone, false, "pop-right", true},
        {false, true, CSystemSMTP::kSslStartTls, true, "pop-right", true},
        {true, true, CSystemSMTP::kSslTls10, true, "pop-right", true},
        {true, true, CSystemSMTP::kSslTls10, false, "pop-right", false},
        {false, false, CSystemSMTP::kSslNone, false, "pop-wrong", false},
        {true, true, CSystemSMTP::kSslSsl20, true, "pop-wrong", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + c.password);
        const int port = c.implicitPort ? dovecot.pop3sPort() : dovecot.pop3Port();
        Enter(false, Server{port, c.ssl, c.mode, c.noVerify, c.password}, user);
        std::string message;
        const int rc = TryPop(message);
        if (c.loggedIn) {
            EXPECT_EQ(rc, 0) << message;
        } else {
            EXPECT_NE(rc, 0);
            EXPECT_FALSE(message.empty());
        }
    }
}

}  // namespace server_settings_test
}  // namespace
