#include "app/addressui/export_file_prompts.h"

#include <QString>

#include "app/addressui/csv_export.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {

std::optional<std::string> PickExportFile(QWidget* parent) {
    ui::FileRequest request;
    request.save = true;
    request.fileName = QStringLiteral("*.csv");
    request.defaultExt = QStringLiteral("csv");
    request.overwritePrompt = true;
    request.filter = ui::U8("ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｴｸｽﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||");
    const std::optional<QString> picked = ui::CurrentFilePicker().PickFile(parent, request);
    if (!picked || picked->isEmpty()) {
        ui::MessageBox(parent, ui::U8("ファイル名が指定されませんでしたので\r\nエクスポートをキャンセルしました"),
                       ui::U8("エクスポート中止"), platform::kMbOk | platform::kMbIconInformation);
        return std::nullopt;
    }
    return ui::ToPath(ui::WithDefaultExtension(*picked, request.defaultExt));
}

void TellExportResult(QWidget* parent, int result) {
    if (result == kExportOk)
        ui::MessageBox(parent, ui::U8("エクスポートが完了しました"), ui::U8("エクスポート完了"),
                       platform::kMbOk | platform::kMbIconInformation);
    else
        ui::MessageBox(parent, ui::U8("何らかの原因でエクスポートに失敗しました"), ui::U8("エクスポート失敗"),
                       platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace addressui
