#include "app/environment/private_environment.h"

#include "app/environment/old_environment_backup.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace shell {
namespace {

// A descriptor "<folder>.env" and its folder "<folder>/"; either may be missing.
void NarrowPair(const std::string& folder) {
    platform::NarrowToOwner(folder + ".env");
    platform::NarrowWideTreeToOwner(folder);
}

}  // namespace

void NarrowEnvironmentToOwner(const std::string& descriptor) {
    const platform::PathParts parts = platform::SplitPath(platform::FixPath(descriptor));
    const std::string root = parts.root + parts.dir;
    NarrowPair(root + parts.title);
    const std::string backups = platform::JoinPath(root, kOldEnvironmentBackupFolder);
    platform::NarrowToOwner(backups);
    NarrowPair(backups + "/" + parts.title);
}

}  // namespace shell
