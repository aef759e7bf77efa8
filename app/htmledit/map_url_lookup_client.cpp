#include "app/htmledit/map_url_lookup_client.h"

#include <cstdlib>

#include "app/htmledit/map_candidate_list.h"
#include "platform/netssl/net_error.h"

namespace htmledit {
namespace {

bool AsksForProxyCredentials(netssl::HttpsComponent* h) {
    if (HTTPS_GetLastErrorCode(h) != netssl::kNetServerReply) return false;
    const std::string text = netssl::HTTPS_GetLastError(h);
    return text.rfind("407", 0) == 0 || text.find("Proxy Authentication Required") != std::string::npos;
}

}  // namespace

CMapHttpClient::CMapHttpClient() : handle_(HTTPS_Create(this, &HTTPS::Dispatch)) {}

CMapHttpClient::~CMapHttpClient() { HTTPS_Destroy(handle_); }

void CMapHttpClient::ClearReply() {
    received_.clear();
    reply_.clear();
}

void CMapHttpClient::Interrupt() { netssl::HTTPS_Do(handle_, netssl::kHttpsInterrupt); }

int CMapHttpClient::FireTransfer(long, const std::string& text) {
    received_ += text;
    if (IsMapSearchReply(received_)) reply_ = received_;
    return 0;
}

MapRequestResult RunMapRequest(CMapHttpClient& client, const std::string& url, const MapProxySettings& proxy,
                               int timeoutSeconds, bool retry) {
    netssl::HttpsComponent* h = client.GetHandle();
    netssl::HTTPS_Set(h, netssl::kHttpsTimeout, 0, timeoutSeconds > 0 ? timeoutSeconds : 1, 0);
    if (!proxy.server.empty() && !proxy.port.empty()) {
        netssl::HTTPS_Set(h, netssl::kHttpsProxyServer, 0, proxy.server.c_str(), 0);
        netssl::HTTPS_Set(h, netssl::kHttpsProxyPort, 0, std::atoi(proxy.port.c_str()), 0);
        netssl::HTTPS_Set(h, netssl::kHttpsProxyUser, 0, proxy.user.c_str(), 0);
        netssl::HTTPS_Set(h, netssl::kHttpsProxyPassword, 0, proxy.password.c_str(), 0);
    } else {
        netssl::HTTPS_Do(h, netssl::kHttpsConfigure, "UseWinInet=True");
        netssl::HTTPS_Set(h, netssl::kHttpsProxyServer, 0, "*", 0);
    }
    client.ClearReply();
    MapRequestResult result;
    if (netssl::HTTPS_Do(h, netssl::kHttpsGet, url) != 0) {
        if (retry) {
            result.error = "1";
        } else if (AsksForProxyCredentials(h)) {
            result.status = MapRequestStatus::kProxyAuthRequired;
            return result;
        } else {
            result.error = netssl::HTTPS_GetLastError(h);
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
