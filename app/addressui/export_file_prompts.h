#pragma once
// The two steps every export of the address-book screens shares around its worker: the
// file it writes, chosen in a save chooser (existing files asked about, ".csv" added to a
// name without an extension), and the box that tells how the write ended.

#include <optional>
#include <string>

class QWidget;

namespace addressui {

// The export file as a file-system path; nothing, after telling the user the export was
// cancelled, when no name was chosen.
std::optional<std::string> PickExportFile(QWidget* parent);
// "エクスポート完了" for kExportOk (csv_export.h), "エクスポート失敗" for anything else.
void TellExportResult(QWidget* parent, int result);

}  // namespace addressui
