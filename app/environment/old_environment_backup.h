#pragma once
// The backup of an environment written by an older version of the program, made before
// the upgrade converts anything of it: "<root>/旧環境バックアップ/<name>.env" and the
// folder "<root>/旧環境バックアップ/<name>/" with a copy of everything below
// "<root>/<name>/".
//
// The backup is the one copy of the environment as the older version left it, so it is
// made once and never overwritten: when "旧環境バックアップ/<name>" exists, nothing is
// copied (an upgrade that failed, or a later open, must not replace the old data by data
// that was converted since). A copy is first made in a staging folder beside it and then
// renamed into place, so a backup that exists is always whole; a staging folder left by
// an interrupted copy is removed and the copy made again. A descriptor copy that exists
// is kept as it is.
//
// Symbolic links are copied as links (never followed out of the environment); other
// special files are skipped.

#include <string>

namespace shell {

// The folder the backups of a root are kept in ("旧環境バックアップ", file-system bytes).
extern const char* const kOldEnvironmentBackupFolder;

// Backs up <root>/<name>.env and <root>/<name>/ (root may end in '/'). 0 when the backup
// exists (made now or earlier); -1 with `errCode` 9003 when the root or the environment
// folder does not exist, 8010 when a folder cannot be made or a file cannot be copied
// (what was staged is removed again).
int MakeOldEnvironmentBackup(const std::string& root, const std::string& name, int& errCode);

}  // namespace shell
