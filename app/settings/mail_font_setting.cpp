#include "app/settings/mail_font_setting.h"

#include <QFontDialog>
#include <QFontInfo>

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
    const QFont initial = ui::ToQFont(font);
    QFontDialog dialog(initial, owner);
    dialog.setObjectName(QString::fromLatin1(kMailFontDialogName));
    dialog.setWindowTitle(ui::U8("フォント"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted) {
        const QFont chosen = dialog.selectedFont();
        const std::string face = font.faceName;
        ui::StoreQFont(chosen, font);
        // The dialog shows the face that draws for a missing one; taking that unchanged
        // keeps the face the file named.
        const QString chosenFace = chosen.families().isEmpty() ? chosen.family() : chosen.families().first();
        if (chosenFace == QFontInfo(initial).family()) font.faceName = face;
    }
    WriteMailFontInfo(envIniPath, font);
    if (apply) apply(font);
}

}  // namespace settings
