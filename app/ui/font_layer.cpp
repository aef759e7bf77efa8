#include "app/ui/font_layer.h"

#include <QApplication>
#include <QFontDatabase>

#include <map>

#include "app/ui/sjis_text.h"

namespace ui {
namespace {

const char* const kBaseFamilies[] = {"Noto Sans CJK JP", "Noto Color Emoji"};

// The faces of the old desktop that documents and ini files name.
const char* const kDesktopFaces[] = {
    "ＭＳ Ｐゴシック", "ＭＳ ゴシック", "MS UI Gothic", "MS PGothic", "MS Gothic", "ＭＳ 明朝",
    "ＭＳ Ｐ明朝", "MS Mincho", "MS PMincho", "メイリオ", "Meiryo", "Meiryo UI", "SystemDefaultEUDCFont",
};

struct FallbackState {
    std::map<QString, int> fonts;  // family -> application font id
    QStringList families;
};

FallbackState& Fallbacks() {
    static FallbackState state;
    return state;
}

void ApplySubstitutions() {
    QStringList families = ProgramFamilies();
    for (const char* face : kDesktopFaces) {
        QString name = QString::fromUtf8(face);
        QFont::removeSubstitutions(name);
        QFont::insertSubstitutions(name, families);
    }
    if (QCoreApplication::instance() && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QFont font = QApplication::font();
        font.setFamilies(families);
        QApplication::setFont(font);
    }
}

}  // namespace

QStringList ProgramFamilies() {
    QStringList out;
    for (const char* f : kBaseFamilies) out << QString::fromUtf8(f);
    out << Fallbacks().families;
    return out;
}

QFont ToQFont(const LogFont& font) {
    QFont q;
    QStringList families;
    QString face = FromSjis(font.faceName);
    if (!face.isEmpty()) families << face;
    families << ProgramFamilies();
    q.setFamilies(families);
    if (font.height < 0) q.setPixelSize(-font.height);
    else if (font.height > 0) q.setPixelSize(font.height);
    q.setWeight(font.weight >= 600 ? QFont::Bold : font.weight > 0 && font.weight < 350 ? QFont::Light : QFont::Normal);
    q.setItalic(font.italic != 0);
    q.setUnderline(font.underline != 0);
    q.setStrikeOut(font.strikeOut != 0);
    return q;
}

void StoreQFont(const QFont& qfont, LogFont& font) {
    QString face = qfont.families().isEmpty() ? qfont.family() : qfont.families().first();
    std::string bytes = ToSjis(face);
    if (bytes.size() > kLogFontFaceBytes) {
        std::size_t cut = 0;
        for (std::size_t i = 0; i < bytes.size();) {
            unsigned char c = static_cast<unsigned char>(bytes[i]);
            std::size_t len = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
            if (i + len > kLogFontFaceBytes) break;
            i += len;
            cut = i;
        }
        bytes.resize(cut);
    }
    font.faceName = bytes;
    if (qfont.pixelSize() > 0) font.height = -qfont.pixelSize();
    else if (qfont.pointSizeF() > 0) font.height = -static_cast<int>(qfont.pointSizeF() * 96.0 / 72.0 + 0.5);
    font.weight = qfont.bold() ? 700 : 400;
    font.italic = qfont.italic() ? 1 : 0;
    font.underline = qfont.underline() ? 1 : 0;
    font.strikeOut = qfont.strikeOut() ? 1 : 0;
}

void InstallProgramFonts() { ApplySubstitutions(); }

QString AddFallbackFont(const QString& fontFile) {
    int id = QFontDatabase::addApplicationFont(fontFile);
    if (id < 0) return QString();
    QStringList names = QFontDatabase::applicationFontFamilies(id);
    if (names.isEmpty()) {
        QFontDatabase::removeApplicationFont(id);
        return QString();
    }
    FallbackState& state = Fallbacks();
    const QString& family = names.first();
    if (state.fonts.count(family)) {
        QFontDatabase::removeApplicationFont(id);
        return family;
    }
    state.fonts[family] = id;
    state.families << family;
    ApplySubstitutions();
    return family;
}

bool RemoveFallbackFont(const QString& family) {
    FallbackState& state = Fallbacks();
    auto it = state.fonts.find(family);
    if (it == state.fonts.end()) return false;
    QFontDatabase::removeApplicationFont(it->second);
    state.fonts.erase(it);
    state.families.removeAll(family);
    ApplySubstitutions();
    return true;
}

}  // namespace ui
