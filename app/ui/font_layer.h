#pragma once
// Fonts. The program's texts draw in "Noto Sans CJK JP" (without it Han characters may
// take Chinese forms) with "Noto Color Emoji" behind it (without it emoji draw as
// outlines). The mail font is kept as the fields of the old LOGFONT record, which the
// environment's ini file stores; those fields are written back unchanged, and a face that
// this machine lacks ("ＭＳ Ｐゴシック") falls back to the program's families.
//
// The user-defined characters (U+E000-U+E757 on screen) draw from a font file of the
// program when one is installed: it is registered as an application font and put behind
// every family as a fallback.

#include <QFont>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace ui {

// The fields of a LOGFONT. The face name is Shift_JIS, at most 31 bytes.
struct LogFont {
    std::int32_t height = -12;  // < 0: character height in pixels; > 0: cell height
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;  // 400 normal, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 128;  // Shift_JIS
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;
    bool operator==(const LogFont&) const = default;
};

// Longest face name a LOGFONT holds, in bytes (without its end mark).
constexpr std::size_t kLogFontFaceBytes = 31;

// "Noto Sans CJK JP", "Noto Color Emoji", then any registered fallback font.
QStringList ProgramFamilies();

// The QFont that draws `font`: its face first, then the program's families.
QFont ToQFont(const LogFont& font);
// Takes what the user can choose in a font dialog (face, size, weight, italic, underline,
// strike-out) from `qfont` into `font`; the other fields stay as they were. A face name
// is cut to 31 bytes, never inside a two-byte character.
void StoreQFont(const QFont& qfont, LogFont& font);

// Makes the program's families the application's default font and lets the faces of the
// old desktop ("ＭＳ Ｐゴシック", "MS UI Gothic", ...) stand for them.
void InstallProgramFonts();

// Registers `fontFile` as an application font and puts its family behind every family
// as a fallback; the family, or empty when the file cannot be loaded.
QString AddFallbackFont(const QString& fontFile);
// Takes a family added by AddFallbackFont out again; false when it was not there.
bool RemoveFallbackFont(const QString& family);

}  // namespace ui
