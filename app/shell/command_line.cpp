#include "app/shell/command_line.h"

#include <QFileInfo>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/err_msg.h"
#include "platform/notifier.h"

namespace shell {
namespace {

// The core's messages 2 (no such file) and 3 (not a file) name the path.
bool CheckFile(const QString& path, const QString& caption) {
    if (path.isEmpty()) return true;
    QFileInfo info(path);
    int code = !info.exists() ? 2 : info.isDir() ? 3 : 0;
    if (code == 0) return true;
    CErrMsg err;
    err.SetErr(code, ui::PathToSjis(ui::ToPath(path)));
    ui::MessageBox(nullptr, ui::FromSjis(err.GetLastMsg()), caption, platform::kMbOk | platform::kMbIconError);
    return false;
}

}  // namespace

StartupCommandLine ParseStartupCommandLine(const QStringList& arguments) {
    StartupCommandLine line;
    if (arguments.size() >= 2) line.mailBodyFile = arguments.at(1);
    if (arguments.size() == 3) {
        line.importMode = true;
        line.importFile = arguments.at(2);
    }
    return line;
}

bool CheckStartupFiles(const StartupCommandLine& line) {
    if (!CheckFile(line.mailBodyFile, ui::U8("起動時ファイル(メール作成)読込エラー"))) return false;
    if (line.importMode && !CheckFile(line.importFile, ui::U8("起動時ファイル(Brindell)読込エラー"))) return false;
    return true;
}

}  // namespace shell
