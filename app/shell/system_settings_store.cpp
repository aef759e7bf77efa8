#include "app/shell/system_settings_store.h"

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace shell {

bool StoreConfirmedSystemSettings(QWidget* parent, SystemOption& options) {
    if (options.WriteSODataFromMemoryToFile() >= 0) return true;
    ui::MessageBox(parent,
                   ui::U8("システム設定を保存できませんでした\r\n"
                          "変更した設定はプログラムを終了するまで有効です"),
                   ui::U8("システム設定"), platform::kMbOk | platform::kMbIconWarning);
    return false;
}

}  // namespace shell
