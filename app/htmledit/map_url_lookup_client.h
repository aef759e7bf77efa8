#pragma once
// One GET of the map keyword search, through the network layer's HTTP component, with the
// program's proxy rules:
//  - a proxy record with both a server and a port: that proxy, with its user and
//    password (Basic authentication when a user is set);
//  - otherwise the system's settings (the http_proxy / https_proxy / no_proxy variables
//    of the environment), or a direct connection when they name none.
// The component gives the body whole once the answer is complete; it is kept as the reply
// only when it holds the three keys of a search reply (IsMapSearchReply), so an error page
// or a proxy's notice is never offered as candidates.
//
// RunMapRequest blocks: the lookup (map_url_lookup_worker.h) runs it on a worker thread
// and stops it through CMapHttpClient::Interrupt. No Qt here.

#include <string>

#include "platform/netssl/https.h"

namespace htmledit {

// A thin owner of one HTTP component. Every member but Interrupt belongs to the one
// thread that runs the request.
class CMapHttpClient : public netssl::HTTPS {
public:
    CMapHttpClient();
    ~CMapHttpClient() override;
    CMapHttpClient(const CMapHttpClient&) = delete;
    CMapHttpClient& operator=(const CMapHttpClient&) = delete;

    netssl::HttpsComponent* GetHandle() const { return handle_; }

    // The reply of the last request: its whole body when that is a search reply, else
    // empty. Emptied by ClearReply, before every request.
    const std::string& GetReply() const { return reply_; }
    void ClearReply();

    // From any thread: the request under way (or the next one) ends at once, failed.
    void Interrupt();

    int FireTransfer(long bytes, const std::string& text) override;

private:
    netssl::HttpsComponent* handle_ = nullptr;
    std::string received_;  // the body so far, should it come in pieces
    std::string reply_;
};

// The proxy record of the program ini (as CInformationManager reads and writes it).
struct MapProxySettings {
    std::string server, port, user, password;
    int save = 0;
};

enum class MapRequestStatus {
    kReply,              // a search reply came
    kNoReply,            // the server answered, but with no search reply
    kProxyAuthRequired,  // the proxy wants (other) credentials: ask the user, then retry
    kFailed,             // no answer: no connection, a refusal, the time-out, an interrupt
};

struct MapRequestResult {
    MapRequestStatus status = MapRequestStatus::kFailed;
    std::string reply;  // with kReply
    std::string error;  // with kFailed: the component's error text, or "1" after a retry
};

// Sends the GET of `url`. `timeoutSeconds` bounds each wait for the server. `retry` says
// the proxy settings come from the user's answer to a proxy-authentication request; then
// any failure is kFailed with the error "1", and a second request for credentials is not
// passed on.
MapRequestResult RunMapRequest(CMapHttpClient& client, const std::string& url, const MapProxySettings& proxy,
                               int timeoutSeconds, bool retry);

}  // namespace htmledit
