#include "app/widgets/sheet_page.h"

#include <QWidget>

namespace shell {

SheetPage* AsSheetPage(QWidget* page) { return dynamic_cast<SheetPage*>(page); }

bool PageMayBeLeft(QWidget* page) {
    SheetPage* hooks = AsSheetPage(page);
    return hooks == nullptr || hooks->OnKillActive();
}

}  // namespace shell
