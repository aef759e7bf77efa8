#include "app/settings/import_display.h"

#include "app/ui/sjis_text.h"
#include "core/foundation/string_utils.h"

namespace settings {

QString ShownValue(std::string_view sjis) {
    if (sjis.size() <= kShownValueBytes) return ui::FromSjis(sjis);
    return ui::FromSjis(strncpy_mb(sjis, kShownValueBytes)) + QChar(0x2026);
}

}  // namespace settings
