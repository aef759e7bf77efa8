#include "updater/update_module.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <strings.h>
#include <system_error>

namespace fennick {

namespace fs = std::filesystem;

const std::vector<UpdateModuleKind>& UpdateModuleKinds() {
    static const std::vector<UpdateModuleKind> kinds{
        {"Varnisup*.exe", "Varnis アップデートモジュール", "5.0"},
        {"Varnisr2up*.exe", "Varnis /R.2 アップデートモジュール", "5.1"},
    };
    return kinds;
}

namespace {

// The names of the regular files in `folder`, sorted ignoring ASCII case (then by bytes,
// so that two names differing only in case still come in a fixed order).
std::vector<std::string> FileNamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = ::strcasecmp(a.c_str(), b.c_str());
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

}  // namespace

std::optional<FoundModule> FindUpdateModule(const std::vector<std::string>& folders) {
    std::vector<fs::path> searched;
    for (const std::string& given : folders) {
        // An empty name is no folder (not the current one, which may be anyone's).
        if (given.empty()) continue;
        std::error_code ec;
        const fs::path folder = fs::absolute(fs::path(given), ec);
        if (ec) continue;
        const bool seen = std::any_of(searched.begin(), searched.end(), [&](const fs::path& p) {
            std::error_code sameError;
            return fs::equivalent(p, folder, sameError);
        });
        if (seen) continue;
        searched.push_back(folder);

        const std::vector<std::string> names = FileNamesIn(folder);
        for (const UpdateModuleKind& kind : UpdateModuleKinds()) {
            for (const std::string& name : names) {
                if (::fnmatch(kind.pattern, name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0) {
                    return FoundModule{(folder / name).lexically_normal().string(), &kind};
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace fennick
