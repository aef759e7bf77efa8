#pragma once
// Test helper: the process under the Japanese locale a user in Japan has (ja_JP.UTF-8),
// so that the system's texts (strerror, gai_strerror) come translated, in the locale's
// encoding, as they do for that user.

#include <locale.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace jalocale {

// For the scope, LC_ALL is ja_JP.UTF-8 (LANG too, for what reads the environment). A
// system where the locale was not generated (scripts/install-deps.sh generates it) gets it
// from localedef into a folder of the test's own, named by LOCPATH. Active() says whether
// the locale is in force (a test skips otherwise).
class JapaneseLocale {
public:
    static constexpr const char* kName = "ja_JP.UTF-8";

    JapaneseLocale() {
        const char* before = ::setlocale(LC_ALL, nullptr);
        before_ = before != nullptr ? before : "C";
        const char* lang = ::getenv("LANG");
        hadLang_ = lang != nullptr;
        if (hadLang_) lang_ = lang;
        active_ = ::setlocale(LC_ALL, kName) != nullptr;
        if (!active_) {
            char pattern[] = "/tmp/ja-locale-XXXXXX";
            if (::mkdtemp(pattern) != nullptr) {
                folder_ = pattern;
                const std::string made = "localedef -i ja_JP -f UTF-8 " + folder_ + "/" + kName + " >/dev/null 2>&1";
                if (std::system(made.c_str()) == 0) {
                    ::setenv("LOCPATH", folder_.c_str(), 1);
                    active_ = ::setlocale(LC_ALL, kName) != nullptr;
                }
            }
        }
        ::setenv("LANG", kName, 1);
    }
    ~JapaneseLocale() {
        ::setlocale(LC_ALL, before_.c_str());
        if (hadLang_) {
            ::setenv("LANG", lang_.c_str(), 1);
        } else {
            ::unsetenv("LANG");
        }
        if (!folder_.empty()) {
            ::unsetenv("LOCPATH");
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    JapaneseLocale(const JapaneseLocale&) = delete;
    JapaneseLocale& operator=(const JapaneseLocale&) = delete;
    bool Active() const { return active_; }

private:
    std::string before_;
    bool hadLang_ = false;
    std::string lang_;
    std::string folder_;
    bool active_ = false;
};

}  // namespace jalocale
