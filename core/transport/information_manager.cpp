#include "core/transport/information_manager.h"

#include "core/foundation/date_utils.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/keyed_base64.h"
#include "core/foundation/record_coding.h"
#include "core/foundation/string_utils.h"
#include "core/transport/my_https.h"

#include <cstdlib>
#include <vector>


namespace {

// The key text whose key number codes the proxy record: the program's own, the same in
// every installation, so that a record stays readable after an update.
constexpr const char kProxyRecordKey[] = "Quendrel/PROXY/8f3c1e0a";

const char kProxySection[] = "PROXY";
const char kProxyKey[] = "DATA";

std::string Quoted(const std::string& field) {
    std::string out = "\"";
    for (char c : field) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}

}  // namespace

int CInformationManager::ProxyRecordKeyNumber() { return GetKeyNumber(kProxyRecordKey); }

int CInformationManager::GetRenewalDateOfNewestInformationPage(platform::DateTime& date) {
    using namespace netssl;
    CMyHTTPS http;
    HttpsComponent* h = http.GetHandle();
    HTTPS_Set(h, kHttpsTimeout, 0, kQueryTimeoutSeconds, 0);
    const bool viaProxy = !proxyServer_.empty() && !proxyPort_.empty();
    if (viaProxy) {
        HTTPS_Set(h, kHttpsProxyServer, 0, proxyServer_.c_str(), 0);
        HTTPS_Set(h, kHttpsProxyPort, 0, atoi(proxyPort_.c_str()), 0);
        HTTPS_Set(h, kHttpsProxyUser, 0, proxyUser_.c_str(), 0);
        HTTPS_Set(h, kHttpsProxyPassword, 0, proxyPassword_.c_str(), 0);
    } else {
        HTTPS_Do(h, kHttpsConfigure, "UseWinInet=True");
        HTTPS_Set(h, kHttpsProxyServer, 0, "*", 0);
    }
    if (HTTPS_Do(h, kHttpsGet, GetInformationPageUrl()) != 0) {
        const std::string error = HTTPS_GetLastError(h);
        const int sign = viaProxy ? -1 : 1;
        if (error.find("407") != std::string::npos || error.find("Proxy Authentication Required") != std::string::npos) {
            return sign * 407;
        }
        if (error.find("404") != std::string::npos || error.find("Not Found") != std::string::npos) return sign * 404;
        return sign;
    }
    ConvertDateTimeFormat(http.GetLastModified(), date);
    return 0;
}

int CInformationManager::SetProxyAuthSetting(const std::string& iniPath, const std::string& server,
                                             const std::string& port, const std::string& user,
                                             const std::string& password, int flag) {
    const bool save = flag != 0;
    const std::string line = Quoted(server) + "," + Quoted(port) + "," + Quoted(save ? user : std::string()) + "," +
                             Quoted(save ? password : std::string()) + ",\"" + (save ? "1" : "0") + "\"";
    std::string coded;
    int rc = 0;
    if (EncodeBase64WithKeyTable(coded, line, ProxyRecordKeyNumber()) >= 0) {
        rc = CIniManager::WriteProfileStringA(iniPath, kProxySection, kProxyKey, coded.c_str());
    }
    if (rc) {
        proxyServer_ = server;
        proxyPort_ = port;
        proxyUser_ = user;
        proxyPassword_ = password;
    } else {
        proxyServer_.clear();
        proxyPort_.clear();
        proxyUser_.clear();
        proxyPassword_.clear();
    }
    return rc;
}

int CInformationManager::GetProxyAuthSetting(const std::string& iniPath, std::string& server, std::string& port,
                                             std::string& user, std::string& password, int& flag) {
    std::string coded;
    if (!CIniManager::GetProfileStringA(iniPath, kProxySection, kProxyKey, coded, "")) return 0;
    std::string line;
    std::vector<std::string> fields;
    if (DecodeBase64WithKeyTable(line, coded, ProxyRecordKeyNumber()) >= 0) {
        SplitString(line, fields, ",", '"');
    }
    if (fields.size() != 5) {
        proxyServer_.clear();
        proxyPort_.clear();
        proxyUser_.clear();
        proxyPassword_.clear();
        server.clear();
        port.clear();
        user.clear();
        password.clear();
        return 0;
    }
    proxyServer_ = server = fields[0];
    proxyPort_ = port = fields[1];
    if (atoi(fields[4].c_str()) == 1) {
        flag = 1;
        proxyUser_ = user = fields[2];
        proxyPassword_ = password = fields[3];
    } else {
        flag = 0;
        proxyUser_.clear();
        proxyPassword_.clear();
        user.clear();
        password.clear();
    }
    return 1;
}
