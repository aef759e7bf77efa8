#include "app/addressui/result_dialog_hook.h"

#include <utility>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

ResultDialogHook& ResultHook() {
    static ResultDialogHook hook;
    return hook;
}

}  // namespace

ResultDialogHook SetResultDialogHook(ResultDialogHook hook) { return std::exchange(ResultHook(), std::move(hook)); }

void ShowResultDialog(QWidget* parent, const QString& line1, const QString& line2, const QString& line3) {
    if (const ResultDialogHook hook = ResultHook()) {
        hook(parent, line1, line2, line3);
        return;
    }
    ui::MessageBox(parent, line1 + QStringLiteral("\r\n") + line2 + QStringLiteral("\r\n") + line3,
                   ui::U8("結果の表示"), platform::kMbOk | platform::kMbIconInformation);
}

}  // namespace addressui
