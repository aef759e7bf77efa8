#pragma once
// An environment is its user's alone: its descriptor, its folder with everything below it
// and the backup an upgrade made of it hold the address book and the stored server
// passwords, readable by anyone with the program's own readers. New files and folders are
// made private by the shared writers (platform/private_files.h); this narrows what an
// earlier version, or the user's umask under it, left readable by others, each time the
// environment is opened and before anything of it is read.
//
// Only entries that belong to the user are changed; symbolic links are neither followed
// nor changed, so nothing outside the environment is touched. The folder the environment
// lies in is the user's choice and stays as it is. A folder that is private already keeps
// what lies below it out of others' reach, so it is not walked again: the usual open costs
// a few stats, whatever the number of mails.

#include <string>

namespace shell {

// Narrows "<root>/<name>.env", "<root>/<name>/" and what lies below it, and the upgrade's
// backup folder "<root>/旧環境バックアップ/" with "<name>.env" and "<name>/" in it when they
// exist, for the
// descriptor "<root>/<name>.env". What cannot be narrowed is left as it is: the open goes
// on, as it did before.
void NarrowEnvironmentToOwner(const std::string& descriptor);

}  // namespace shell
