#include "app/sendrecv/smtp_server_settings.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/sendrecv/send_option_indices.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/system_option.h"
#include "platform/netssl/net_error.h"
#include "platform/netssl/smtps.h"

namespace {

constexpr int kOptionServer = 8;
constexpr int kOptionPort = 9;
constexpr int kOptionSsl = 85;
constexpr int kOptionSslKind = 87;
constexpr int kOptionNoVerify = 88;
constexpr int kOptionUser = 94;
constexpr int kOptionPassword = 95;

std::string Option(SystemOption& options, int index, bool* read = nullptr) {
    std::string value;
    const bool ok = options.GetSODataFromMemoryPinPoint(index, value) == 0;
    if (read != nullptr) *read = ok;
    return value;
}

std::string HelloName() {
    char name[256] = {};
    if (::gethostname(name, 255) != 0) name[0] = '\0';
    std::string domain = ViolationRemoveForDomain(name);
    return domain.empty() ? "LocalHost" : domain;
}

}  // namespace

bool ApplySmtpServerSettings(netssl::SmtpsComponent* h, SystemOption& options) {
    using namespace netssl;
    SMTPS_Do(h, kSmtpsReset);
    SMTPS_Do(h, kSmtpsConfigure, "Hello=" + HelloName());

    SMTPS_Set(h, kSmtpsServer, 0, Option(options, kOptionServer).c_str(), 0);
    bool portRead = false;
    const std::string port = Option(options, kOptionPort, &portRead);
    SMTPS_Set(h, kSmtpsPort, 0, portRead && !port.empty() ? std::atoi(port.c_str()) : 25, 0);

    if (Option(options, kOptionSsl) != "Y") {
        SMTPS_Set(h, kSmtpsSslStartMode, 0, 3, 0);
    } else {
        const std::string kind = Option(options, kOptionSslKind);
        if (kind == "0") {
            SMTPS_Set(h, kSmtpsSslStartMode, 0, 3, 0);
        } else if (kind == "1" || kind == "2" || kind == "3") {
            SMTPS_Set(h, kSmtpsSslStartMode, 0, 1, 0);
            const char* mask = kind == "1" ? "192" : kind == "2" ? "48" : "12";
            SMTPS_Do(h, kSmtpsConfigure, std::string("SSLEnabledProtocols=") + mask);
        } else if (kind == "4") {
            SMTPS_Set(h, kSmtpsSslStartMode, 0, 2, 0);
        }
        SMTPS_Do(h, kSmtpsConfigure, Option(options, kOptionNoVerify) == "Y" ? "SSLSecurityFlags=0xFFFFFFFF"
                                                                              : "SSLSecurityFlags=0x00000000");
    }

    const bool authentication = Option(options, kOptionAuth) == "Y";
    if (authentication) {
        SMTPS_Set(h, kSmtpsUser, 0, Option(options, kOptionUser).c_str(), 0);
        SMTPS_Set(h, kSmtpsPassword, 0, Option(options, kOptionPassword).c_str(), 0);
    }
    SMTPS_Do(h, kSmtpsConfigure, "MaxHeaderLength=0");
    return authentication;
}

int ConnectSmtp(netssl::SmtpsComponent* h, bool authentication) {
    using namespace netssl;
    if (!authentication) return SMTPS_Do(h, kSmtpsConnect);
    SMTPS_Set(h, kSmtpsAuthCram, 0, 1, 0);
    int rc = SMTPS_Do(h, kSmtpsConnect);
    if (rc == kNetRetryWithoutCram) {
        SMTPS_Do(h, kSmtpsDisconnect);
        SMTPS_Set(h, kSmtpsAuthCram, 0, 0, 0);
        rc = SMTPS_Do(h, kSmtpsConnect);
    }
    return rc;
}
