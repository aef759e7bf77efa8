#include "app/dialogs/password_rules.h"

#include "core/foundation/date_utils.h"
#include "core/foundation/env_manager.h"

namespace shell::dialogs {

bool IsPasswordText(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
        if (!ok) return false;
    }
    return true;
}

int TurnPasswordOn(EnvManager& env, const std::string& password) {
    std::string before;
    const bool known = env.GetUseEnvPasswordFlag(before) == 0;
    if (env.SetUseEnvPasswordFlag("Y") != 0) return -1;
    if (env.SetEnvPassword(password) != 0) {
        if (known) env.SetUseEnvPasswordFlag(before);
        return -2;
    }
    return 0;
}

void TurnPasswordOffIfReadable(EnvManager& env) {
    std::string flag;
    if (env.GetUseEnvPasswordFlag(flag) == 0) env.SetUseEnvPasswordFlag("N");
}

void StampRenewalDate(EnvManager& env) {
    // The password setters have written the descriptor already; a failure here loses only
    // the date, so it is not reported.
    env.SetRenewalDate(GetNowDateTime());
    env.WriteFromMemoryToFile();
}

}  // namespace shell::dialogs
