#pragma once
// The information page at start-up. The program ini's "INFORMATION" section says whether
// to look ("OPEN_AUTO" = "Y" or "N"; anything else is set to "Y"); when it does, the
// maker's site is asked for the date of its newest page, and a page newer than the
// "RENEWALDATE" kept there is shown and its date kept. A proxy that wants credentials
// gets the proxy dialog until it is satisfied or the dialog is cancelled.
//
// Nothing here ends the start-up: a failed ini write is told and passed over, and any
// other failure of the query ends this step quietly. A page whose date is unknown (the
// site sent none) is neither new nor old: it is not shown and no date is kept.

#include <QString>

#include <functional>
#include <string>

class CInformationManager;

namespace shell {

struct ProxyFields {
    std::string server, port, user, password;  // as the proxy record holds them
    int save = 0;
};

struct StartupInformationHooks {
    // Shows the proxy dialog over `fields`; true on OK (fields then hold what was typed).
    std::function<bool(ProxyFields& fields)> askProxy;
    // Shows the information page at `url` modally, fetched through `proxy` (the settings
    // the query used). Without it no page is shown and no date is kept, so the page comes
    // up at a later start that can show it.
    std::function<void(const QString& url, const ProxyFields& proxy)> showPage;
};

void ShowInformationAtStartup(const std::string& programIniPath, CInformationManager& information,
                              const StartupInformationHooks& hooks);

}  // namespace shell
