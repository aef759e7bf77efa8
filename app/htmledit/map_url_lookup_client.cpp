#include "app/htmledit/map_url_lookup_client.h"

#include <cstdlib>

#include "app/htmledit/map_candidate_list.h"
#include "platform/netssl/net_error.h"

using namespace netssl;

namespace htmledit {
namespace {

bool AsksForProxyCredentials(HttpsComponent* h) {
    if (HTTPS_GetLastErrorCode(h) != kNetServerReply) return false;
    const std::string text = HTTPS_GetLastError(h);
    return text.rfind("407", 0) == 0 || text.find("Proxy Authentication Required") != std::string::npos;
}

}  // namespace

CMapHttpClient::CMapHttpClient() : handle_(HTTPS_Create(this, &HTTPS::Dispatch)) {}

CMapHttpClient::~CMapHttpClient() { HTTPS_Destroy(handle_); }

void CMapHttpClient::ClearReply() {
    received_.clear();
    reply_.clear();
}

void CMapHttpClient::Interrupt() { HTTPS_Do(handle_, kHttpsInterrupt); }

int CMapHttpClient::FireTransfer(long, const std::string& text) {
    received_ += text;
    if (IsMapSearchReply(received_)) reply_ = received_;
    return 0;
}

MapRequestResult RunMapRequest(CMapHttpClient& client, const std::string& url, const MapProxySettings& proxy,
                               int timeoutSeconds, bool retry) {
    HttpsComponent* h = client.GetHandle();
    HTTPS_Set(h, kHttpsTimeout, 0, timeoutSeconds > 0 ? timeoutSeconds : 1, 0);
    if (!proxy.server.empty() && !proxy.port.empty()) {
        HTTPS_Set(h, kHttpsProxyServer, 0, proxy.server.c_str(), 0);
        HTTPS_Set(h, kHttpsProxyPort, 0, std::atoi(proxy.port.c_str()), 0);
        HTTPS_Set(h, kHttpsProxyUser, 0, proxy.user.c_str(), 0);
        HTTPS_Set(h, kHttpsProxyPassword, 0, proxy.password.c_str(), 0);
    } else {
        HTTPS_Do(h, kHttpsConfigure, "UseWinInet=True");
        HTTPS_Set(h, kHttpsProxyServer, 0, "*", 0);
    }
    client.ClearReply();
    MapRequestResult result;
    if (HTTPS_Do(h, kHttpsGet, url) != 0) {
        if (retry) {
            result.error = "1";
        } else if (AsksForProxyCredentials(h)) {
            result.status = MapRequestStatus::kProxyAuthRequired;
            return result;
        } else {
            result.error = HTTPS_GetLastError(h);
            if (result.error.empty()) result.error = "1";
        }
        result.status = MapRequestStatus::kFailed;
        return result;
    }
    if (client.GetReply().empty()) {
        result.status = MapRequestStatus::kNoReply;
    } else {
        result.status = MapRequestStatus::kReply;
        result.reply = client.GetReply();
    }
    return result;
}

}  // namespace htmledit
