#include "app/settings/mail_font_setting.h"

#include <QFontDialog>

#include "app/ui/sjis_text.h"
#include "core/foundation/ini_manager.h"

namespace settings {
namespace {

constexpr const char* kSection = "MAILFONTINFO";

}  // namespace

ui::LogFont ReadMailFontInfo(const std::string& envIniPath) {
    ui::LogFont font;  // -12, 400, 0, 128
    font.faceName = ui::ToSjis(ui::U8("ＭＳ Ｐゴシック"));
    if (envIniPath.empty()) return font;
    std::string face;
    if (CIniManager::GetProfileStringA(envIniPath, kSection, "FACENAME", face, "") == 0 ||
        face.size() > ui::kLogFontFaceBytes)
        return font;
    font.faceName = face;
    font.height = static_cast<std::int32_t>(CIniManager::GetProfileIntA(envIniPath, kSection, "HEIGHT", -12));
    font.weight = static_cast<std::int32_t>(CIniManager::GetProfileIntA(envIniPath, kSection, "WEIGHT", 400));
    font.italic = static_cast<std::uint8_t>(CIniManager::GetProfileIntA(envIniPath, kSection, "ITALIC", 0));
    font.charSet = static_cast<std::uint8_t>(CIniManager::GetProfileIntA(envIniPath, kSection, "CHARSET", 128));
    return font;
}

bool WriteMailFontInfo(const std::string& envIniPath, const ui::LogFont& font) {
    if (envIniPath.empty()) return false;
    bool ok = CIniManager::WriteProfileInt(envIniPath, kSection, "HEIGHT", font.height) != 0;
    ok = CIniManager::WriteProfileInt(envIniPath, kSection, "WEIGHT", font.weight) != 0 && ok;
    ok = CIniManager::WriteProfileInt(envIniPath, kSection, "ITALIC", font.italic) != 0 && ok;
    ok = CIniManager::WriteProfileInt(envIniPath, kSection, "CHARSET", font.charSet) != 0 && ok;
    ok = CIniManager::WriteProfileStringA(envIniPath, kSection, "FACENAME", font.faceName.c_str()) != 0 && ok;
    return ok;
}

void ChooseMailFont(QWidget* owner, const std::string& envIniPath, const MailFontHook& apply) {
    ui::LogFont font = ReadMailFontInfo(envIniPath);
    QFontDialog dialog(ui::ToQFont(font), owner);
    dialog.setObjectName(QString::fromLatin1(kMailFontDialogName));
    dialog.setWindowTitle(ui::U8("フォント"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // What the dialog shows at first: a face this machine lacks shows as the face that
    // draws for it, a pixel height as the nearest point size. Only what the user changed
    // from that is taken, so an untouched field keeps the value the file held.
    const QFont shown = dialog.currentFont();
    if (dialog.exec() == QDialog::Accepted) {
        const QFont chosen = dialog.selectedFont();
        ui::LogFont picked = font;
        ui::StoreQFont(chosen, picked);
        auto face = [](const QFont& f) { return f.families().isEmpty() ? f.family() : f.families().first(); };
        if (face(chosen) != face(shown)) font.faceName = picked.faceName;
        if (chosen.pointSizeF() != shown.pointSizeF() || chosen.pixelSize() != shown.pixelSize())
            font.height = picked.height;
        if (chosen.bold() != shown.bold()) font.weight = picked.weight;
        if (chosen.italic() != shown.italic()) font.italic = picked.italic;
        if (chosen.underline() != shown.underline()) font.underline = picked.underline;
        if (chosen.strikeOut() != shown.strikeOut()) font.strikeOut = picked.strikeOut;
    }
    WriteMailFontInfo(envIniPath, font);
    if (apply) apply(font);
}

}  // namespace settings
