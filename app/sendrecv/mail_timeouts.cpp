#include "app/sendrecv/mail_timeouts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "core/foundation/ini_manager.h"

namespace {

// The value of `key`: its digits when it has 1 to 9 of them and nothing else, else
// `fallback`; written back as decimal text.
int ReadMilliseconds(const std::string& file, const char* section, const char* key, int fallback) {
    std::string text;
    CIniManager::GetProfileStringA(file, section, key, text, "");
    const bool digits = !text.empty() && text.size() <= 9 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    const int value = digits ? std::atoi(text.c_str()) : fallback;
    CIniManager::WriteProfileInt(file, section, key, value);
    return value;
}

}  // namespace

void ReadMailTimeouts(const std::string& iniFile, int& beforeConnect, int& connected, bool pop) {
    if (pop) {
        beforeConnect = ReadMilliseconds(iniFile, "POPINFO", "POP_TIMEOUT_BEFORECONNECT", 90000);
        connected = ReadMilliseconds(iniFile, "POPINFO", "POP_TIMEOUT_CONNECTED", 90000);
    } else {
        beforeConnect = ReadMilliseconds(iniFile, "SMTPINFO", "SENDMAIL_TIMEOUT_BEFORE_CONNECT", 60000);
        connected = ReadMilliseconds(iniFile, "SMTPINFO", "SENDMAIL_TIMEOUT_CONNECTED", 60000);
    }
}

int ReadSendDelay(const std::string& iniFile) { return ReadMilliseconds(iniFile, "SMTPINFO", "SENDMAIL_DELAY", 0); }
