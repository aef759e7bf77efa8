#pragma once
// The program's command line: an optional mail-body file (opened as a new text mail once
// the main window is up) and, with it, an optional import file (the program then runs in
// import mode: the environment is chosen in the select dialog and the file imported into
// it).
//
//   Quendrel                      nothing
//   Quendrel BODY                 a mail-body file (an empty BODY means none)
//   Quendrel BODY IMPORT          the same, and import mode with IMPORT
// With more arguments only the first counts, as the mail-body file.

#include <QString>
#include <QStringList>

namespace shell {

struct StartupCommandLine {
    QString mailBodyFile;  // empty: none
    bool importMode = false;
    QString importFile;
};

// `arguments` holds the program's name first.
StartupCommandLine ParseStartupCommandLine(const QStringList& arguments);

// Checks that every file given exists and is a file; a missing one or a folder is told to
// the user ("ファイルが見つかりません" / "ファイルではありません" with its path) and the
// result is false: the program does not start.
bool CheckStartupFiles(const StartupCommandLine& line);

}  // namespace shell
