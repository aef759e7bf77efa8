#pragma once
// New environments: the check of a proposed name and parent folder, and the creation of
// the descriptor <parent>/<name>.env beside the folder <parent>/<name>/ with an empty
// address book, mail list and extraction list, their ID sequences, and the system options
// with their defaults.
//
// The creation works on an environment descriptor of its own: the environment that is
// open (if any) is neither read nor touched, so a failure leaves it as it was.
//
// Names and folders are file-system bytes (UTF-8 here), not Shift_JIS.

#include <string>
#include <vector>

namespace shell {

// 0 when the environment can be made; -4 the name is missing, empty, holds one of
// \ / : * < > | . or ends with a blank; -3 the parent is not a valid folder path; -5
// <parent>/<name>.env or the folder <parent>/<name> exists; -1 the parent folder does not
// exist. The checks run in that order.
int CheckNewEnvironmentName(const std::string& name, const std::string& parent);

// Where a new environment is made unless the person chooses another place: the folder
// "DATA" beside the program when the user may write the program's folder (a portable
// installation, or the program run by its owner), else the program's folder in the user's
// data folder, $XDG_DATA_HOME/quendrel (by default ~/.local/share/quendrel), as a program
// installed for every user must keep its data there. Only named, not made. No trailing '/'.
std::string DefaultEnvironmentParent();

// What a creation could not make: the file or folder, and the system's error number (0
// when no system call said why).
struct CreateFailure {
    std::string path;
    int error = 0;
};

// Creates the environment: 0, or -1 at the first step that fails (what was made stays),
// with `failure` (when given) naming what could not be made and why.
// passwordFlag "Y" with a password sets a start-up password, "N" clears it; either null
// leaves the flag empty (never set). importMode sets option 111 to "Y".
// Refused (-1, nothing touched) when <parent>/<name> is the folder of the environment the
// program has open, and when a non-empty descriptor exists there already (its data key
// would be lost; the error is EEXIST); -2 (nothing written but the folder; the error is
// EBUSY) when another program holds the environment's lock (environment_lock.h), which the
// creation holds while it writes.
int CreateNewEnvironment(const std::string& name, const std::string& parent, const char* passwordFlag,
                         const char* password, bool importMode, CreateFailure* failure = nullptr);

// The system options of a new environment: 123 texts (Shift_JIS), the extended attributes
// named "拡張属性A" to "拡張属性T", option 89 "Y5" (the current layout), option 111 "Y" in
// import mode.
std::vector<std::string> DefaultSystemOptions(bool importMode);

// Writes DefaultSystemOptions as the one record of `path`, coded with `dataKey` (empty:
// the default coding of an unkeyed environment); the file is replaced safely.
// 0; -1 the file cannot be opened, message "ファイルのオープンに失敗しました"; -2 the record
// cannot be written, message "ファイルの書き出しに失敗しました" (the old file, if any, is
// kept). `message` is UTF-8 and left alone on success.
int WriteDefaultSystemOptions(const std::string& path, const std::string& dataKey, bool importMode,
                              std::string& message);

}  // namespace shell
