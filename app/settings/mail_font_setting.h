#pragma once
// The edit font of the mail editors: the fields of a LOGFONT that the environment's ini
// file keeps in its section "MAILFONTINFO" ("HEIGHT", "WEIGHT", "ITALIC", "CHARSET" as
// decimal numbers, "FACENAME" as Shift_JIS text). It is not a system option: choosing it
// saves it at once, whatever becomes of the settings sheet, and the program applies it
// through the hook it gives (the application keeps the mail font).
//
// Reading takes -12, 400, 0, 128 and "ＭＳ Ｐゴシック" for missing numbers, and takes all
// five defaults together when the face name is missing, empty or 32 bytes or longer (no
// LOGFONT can hold it), or when there is no environment ini file.

#include <functional>
#include <string>

#include "app/ui/font_layer.h"

class QWidget;

namespace settings {

// Applies a chosen mail font in the program (CVarnisApp::SetMailFont).
using MailFontHook = std::function<void(const ui::LogFont& font)>;

// The object name of the font dialog ChooseMailFont shows, for tests that answer it.
inline constexpr const char* kMailFontDialogName = "dlgMailFont";

ui::LogFont ReadMailFontInfo(const std::string& envIniPath);
// Writes the five fields back; false when the ini file could not be written (or the path
// is empty).
bool WriteMailFontInfo(const std::string& envIniPath, const ui::LogFont& font);

// The edit-font command: reads the font of `envIniPath`, lets the user choose in the font
// dialog, and when it closes (OK or Cancel) writes the font back and hands it to `apply`
// (when set). OK takes what the user changed of face, size, weight and style; every other
// field stays as it was, also a face this machine lacks, which the dialog can only show
// as the face that stands in for it.
void ChooseMailFont(QWidget* owner, const std::string& envIniPath, const MailFontHook& apply);

}  // namespace settings
