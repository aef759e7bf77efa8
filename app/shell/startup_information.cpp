#include "app/shell/startup_information.h"

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/ini_manager.h"
#include "core/transport/information_manager.h"
#include "platform/date_time.h"
#include "platform/notifier.h"

namespace shell {
namespace {

constexpr const char* kSection = "INFORMATION";

void TellIniNotWritten() {
    ui::MessageBox(nullptr, ui::U8("Quendrel.iniファイルに情報を書き出せませんでした"),
                   ui::U8("Quendrel.iniファイルが正しくありません"), platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace

void ShowInformationAtStartup(const std::string& iniPath, CInformationManager& information,
                              const StartupInformationHooks& hooks) {
    std::string openAuto;
    CIniManager::GetProfileStringA(iniPath, kSection, "OPEN_AUTO", openAuto, "");
    // Anything but "Y" or "N" is set to "Y" (and looked).
    if (openAuto == "N") return;
    if (openAuto != "Y" && !CIniManager::WriteProfileStringA(iniPath, kSection, "OPEN_AUTO", "Y")) TellIniNotWritten();

    ProxyFields proxy;
    information.GetProxyAuthSetting(iniPath, proxy.server, proxy.port, proxy.user, proxy.password, proxy.save);
    for (;;) {
        platform::DateTime pageDate;
        pageDate.SetStatus(platform::DateTime::invalid);  // stays so when the site sends no date
        int result = information.GetRenewalDateOfNewestInformationPage(pageDate);
        if (result == 0) {
            if (!pageDate.IsValid() || !hooks.showPage) return;
            std::string stored;
            CIniManager::GetProfileStringA(iniPath, kSection, "RENEWALDATE", stored, "");
            platform::DateTime seen;  // 1899-12-30 00:00:00 unless a date reads
            if (!seen.ParseDateTime(stored)) seen = platform::DateTime();
            if (pageDate > seen) {
                hooks.showPage(QString::fromStdString(information.GetInformationPageUrl()), proxy);
                std::string text = pageDate.Format("%Y/%m/%d %H:%M:%S");
                if (!CIniManager::WriteProfileStringA(iniPath, kSection, "RENEWALDATE", text.c_str())) TellIniNotWritten();
            }
            return;
        }
        if (result != 407 && result != -407 && result != -1) return;
        if (!hooks.askProxy) return;
        proxy.password.clear();
        proxy.save = 0;
        if (!hooks.askProxy(proxy)) return;
        information.SetProxyAuthSetting(iniPath, proxy.server, proxy.port, proxy.user, proxy.password, proxy.save);
    }
}

}  // namespace shell
