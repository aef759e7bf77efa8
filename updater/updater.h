#pragma once
// RunUpdate: the whole of the updater's work, from finding the module to its end.
//
//   1. Find the update module in the program's own folder (update_module.h). None: the
//      message "アップデートモジュールが見つかりませんでした。" titled with the program's own
//      name. A module is never run from the folder the updater was started from: that may
//      be a download folder or a shared temporary folder where anyone can leave a file
//      named like a module. When the current folder holds one (and the program's folder
//      none), the message says so and names it instead, and nothing runs.
//   2. Read the installed version (installed_version.h) and compare it with the version the
//      module's kind updates. Store, key or value missing, or another version: the message
//      "アップデート対象となる製品がインストールされていません。アップデートを終了します。"
//      titled with the module's caption; the module does not run.
//   3. Start the module by its absolute path, with that path as its only argument and no
//      shell, so a name with blanks or shell characters starts exactly that file. It runs
//      in the current folder and inherits no open file but the standard output and error
//      (its standard input is /dev/null). Wait, without a time-out, until it ends; its
//      exit status is not the updater's business.
//   4. A module that cannot be started (not executable, gone meanwhile) is reported with
//      the message "アップデートモジュールを起動できませんでした。" and its path, titled with
//      its caption, rather than ending in silence.
//
// The program's own folder unknown (its file cannot be read from /proc/self/exe: no
// /proc, a path longer than the system allows), no folder is searched and nothing runs:
// the message "このプログラムのフォルダを確認できないため、アップデートモジュールを実行
// しません。" titled with the program's name says so.
//
// Every message is an error message; RunUpdate shows at most one. A module's path in a
// message is shown as PrintableName has it: a file name is anyone's to choose, and its
// control characters would otherwise act on the terminal the message reaches (clear it,
// set its title, feign other lines).

#include <functional>
#include <string>
#include <string_view>

namespace fennick {

// The program's own name: the caption when no module is found.
inline constexpr const char* kProgramName = "Fennick";

inline constexpr const char* kNoModuleMessage = "アップデートモジュールが見つかりませんでした。";
// Followed by a line break and the path of the module found in the current folder.
inline constexpr const char* kModuleOutsideMessage =
    "アップデートモジュールが見つかりませんでした。\n"
    "現在のフォルダにあるアップデートモジュールは実行しません。"
    "アップデートモジュールは、このプログラムと同じフォルダに置いてください。";
inline constexpr const char* kNotInstalledMessage =
    "アップデート対象となる製品がインストールされていません。アップデートを終了します。";
inline constexpr const char* kCannotStartMessage = "アップデートモジュールを起動できませんでした。";
inline constexpr const char* kNoOwnFolderMessage =
    "このプログラムのフォルダを確認できないため、アップデートモジュールを実行しません。";

enum class UpdateResult {
    kModuleRan,     // the module was started and has ended
    kNoModule,      // no module in the program's folder nor in the current one
    kModuleOutside, // no module in the program's folder; one in the current folder, not run
    kNotInstalled,  // the module's product version is not installed
    kStartFailed,   // the module could not be started
    kNoOwnFolder,   // the program's own folder is unknown: nothing was searched nor run
};

struct UpdaterSetup {
    std::string programFolder;  // the program's own folder, the only one modules run from ("": unknown)
    std::string versionStore;   // path of the installed-version store
    // Shows an error message (UTF-8 text and caption).
    std::function<void(const std::string& text, const std::string& caption)> showError;
};

UpdateResult RunUpdate(const UpdaterSetup& setup);

// `name` with every control character (C0, DEL, C1 as UTF-8), every byte that is not part
// of well-formed UTF-8 and the backslash written as "\xNN" ("\\" for a backslash); the rest
// as it is.
std::string PrintableName(std::string_view name);

}  // namespace fennick
