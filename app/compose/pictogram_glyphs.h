#pragma once
// How the screens draw a pictogram. Composed text keeps each pictogram as its NTT DoCoMo
// Shift_JIS code (0xF89F ...), which reaches the widgets as a private-use character of the
// user-defined area (0xF89F is U+E63E, see ui::FromSjis). No font here draws those
// characters, so the palette and the edit controls draw the standard emoji of the same
// pictogram with the colour emoji font ("Noto Color Emoji"); the 7 NTT DoCoMo pictograms
// that have no standard emoji (the carrier's own service marks) draw as a short framed text
// label ("[iモード]"). Drawing never changes the stored bytes: it only looks the code up.
//
// The table behind this covers the 252 NTT DoCoMo codes (pictogram_emoji_data.h, generated
// from the carriers' published data); any other code has no look and is drawn by nobody
// here.

#include <QFont>
#include <QPixmap>
#include <QString>

#include <cstdint>

class QPainter;
class QRectF;

namespace compose {

struct PictogramLook {
    std::uint16_t code = 0;  // NTT DoCoMo Shift_JIS code
    QString emoji;           // the standard emoji; empty when there is none
    QString label;           // drawn in place of a missing emoji
    QString name;            // the Japanese name ("晴れ")
};

// The look of NTT DoCoMo code `code`, or null for a code that is none of the 252.
const PictogramLook* FindPictogramLook(std::uint16_t code);

// The private-use character of a code of the user-defined area (0xF040-0xF9FC), as the
// text boundary maps it, and back; 0 for anything outside.
char16_t PictogramCharOf(std::uint16_t code);
std::uint16_t PictogramCodeOf(char16_t ch);

// The colour emoji font at `pixelSize`.
QFont EmojiFont(int pixelSize);

// The width a pictogram takes next to text in `textFont`: its emoji's advance, or its
// label's width plus the frame.
qreal PictogramAdvance(const PictogramLook& look, const QFont& textFont);
// The width of `text` in `textFont` where each pictogram character with a look takes
// PictogramAdvance (the width the edit controls give it), the rest the font's advance.
qreal TextAdvance(const QString& text, const QFont& textFont);

// Draws the pictogram into `rect` as a character of `textFont` whose baseline is the
// rect's bottom edge (how an edit control places an object inside a line).
void DrawPictogram(QPainter& painter, const QRectF& rect, const PictogramLook& look, const QFont& textFont);

// A square picture of `size` pixels (transparent background) for a palette cell: the
// emoji filling it, or the label shrunk to fit.
QPixmap PictogramPixmap(const PictogramLook& look, int size);

}  // namespace compose
