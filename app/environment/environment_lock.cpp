#include "app/environment/environment_lock.h"

#include <string_view>

#include "platform/path.h"

namespace shell {

std::string EnvironmentLockPath(const std::string& descriptor) {
    std::string folder = platform::FixPath(descriptor);
    constexpr std::string_view kExtension = ".env";
    if (folder.size() > kExtension.size() && folder.compare(folder.size() - kExtension.size(), kExtension.size(), kExtension) == 0)
        folder.resize(folder.size() - kExtension.size());
    return platform::JoinPath(folder, kEnvironmentLockFile);
}

}  // namespace shell
