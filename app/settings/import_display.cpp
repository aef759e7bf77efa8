#include "app/settings/import_display.h"

#include "app/ui/sjis_text.h"
#include "core/foundation/string_utils.h"

namespace settings {

QString ShownValue(std::string_view sjis) {
    if (sjis.size() <= kShownValueBytes) return ui::FromSjis(sjis);
    return ui::FromSjis(strncpy_mb(sjis, kShownValueBytes)) + QChar(0x2026);
}

QString ShownRecord(std::string_view bytes, bool utf8) {
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.remove_suffix(1);
    QString shown;
    if (!utf8) {
        shown = ShownValue(bytes);
    } else {
        bool cut = false;
        if (bytes.size() > kShownValueBytes) {
            // Back to the start of a character: never half of one shown as U+FFFD.
            std::size_t end = kShownValueBytes;
            while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
            bytes = bytes.substr(0, end);
            cut = true;
        }
        shown = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        if (cut) shown += QChar(0x2026);
    }
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    shown.replace(QChar(u'\n'), QChar(0x21B5));
    shown.replace(QChar(u'\0'), QChar(0x2400));
    return shown;
}

}  // namespace settings
