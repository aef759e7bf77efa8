#include "app/compose/pictogram_glyphs.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>

#include <array>
#include <memory>

#include "app/compose/pictogram_emoji_data.h"

namespace compose {
namespace {

constexpr qreal kLabelPadding = 2.0;  // each side of a label, inside its frame

struct Looks {
    std::array<PictogramLook, 252> rows;
    std::array<std::int16_t, 512> index{};  // lead 0xF8/0xF9 x trail -> row + 1

    Looks() {
        std::size_t i = 0;
        for (const auto& row : pictogram_emoji_data::kRows) {
            rows[i] = {row.code, QString::fromUtf8(row.emoji), QString::fromUtf8(row.label), QString::fromUtf8(row.name)};
            index[((row.code >> 8) - 0xF8) * 256 + (row.code & 0xFF)] = static_cast<std::int16_t>(i + 1);
            ++i;
        }
    }
};

const Looks& GetLooks() {
    static const std::unique_ptr<Looks> looks = std::make_unique<Looks>();
    return *looks;
}

}  // namespace

const PictogramLook* FindPictogramLook(std::uint16_t code) {
    const unsigned lead = code >> 8;
    if (lead != 0xF8 && lead != 0xF9) return nullptr;
    const Looks& looks = GetLooks();
    const int slot = looks.index[(lead - 0xF8) * 256 + (code & 0xFF)];
    return slot ? &looks.rows[static_cast<std::size_t>(slot - 1)] : nullptr;
}

// The user-defined area runs from lead 0xF0 to 0xF9, 188 trail bytes a row (0x40-0x7E,
// 0x80-0xFC), onto U+E000 upwards: the mapping of code page 932.
char16_t PictogramCharOf(std::uint16_t code) {
    const unsigned lead = code >> 8;
    const unsigned trail = code & 0xFF;
    if (lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail > 0xFC || trail == 0x7F) return 0;
    const unsigned cell = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return static_cast<char16_t>(0xE000 + (lead - 0xF0) * 188 + cell);
}

std::uint16_t PictogramCodeOf(char16_t ch) {
    if (ch < 0xE000 || ch > 0xE757) return 0;
    const unsigned index = ch - 0xE000;
    const unsigned lead = 0xF0 + index / 188;
    const unsigned cell = index % 188;
    const unsigned trail = cell < 63 ? 0x40 + cell : 0x80 + (cell - 63);
    return static_cast<std::uint16_t>((lead << 8) | trail);
}

QFont EmojiFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Color Emoji")});
    font.setPixelSize(pixelSize > 0 ? pixelSize : 1);
    return font;
}

namespace {

int EmojiPixelSize(const QFont& textFont) {
    const QFontMetricsF metrics(textFont);
    return qMax(1, qRound(metrics.ascent()));
}

QFont LabelFont(const QFont& textFont) {
    QFont font = textFont;
    if (font.pixelSize() > 0) font.setPixelSize(qMax(1, font.pixelSize() * 4 / 5));
    else font.setPointSizeF(font.pointSizeF() * 0.8);
    return font;
}

}  // namespace

qreal PictogramAdvance(const PictogramLook& look, const QFont& textFont) {
    if (!look.emoji.isEmpty()) return QFontMetricsF(EmojiFont(EmojiPixelSize(textFont))).horizontalAdvance(look.emoji);
    return QFontMetricsF(LabelFont(textFont)).horizontalAdvance(look.label) + 2 * kLabelPadding + 2;
}

qreal TextAdvance(const QString& text, const QFont& textFont) {
    const QFontMetricsF metrics(textFont);
    qreal width = 0;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const PictogramLook* look = FindPictogramLook(PictogramCodeOf(text.at(i).unicode()));
        if (look == nullptr) continue;
        width += metrics.horizontalAdvance(text.mid(runStart, i - runStart));
        width += PictogramAdvance(*look, textFont);
        runStart = i + 1;
    }
    return width + metrics.horizontalAdvance(text.mid(runStart));
}

void DrawPictogram(QPainter& painter, const QRectF& rect, const PictogramLook& look, const QFont& textFont) {
    painter.save();
    if (!look.emoji.isEmpty()) {
        painter.setFont(EmojiFont(EmojiPixelSize(textFont)));
        painter.drawText(QPointF(rect.left(), rect.bottom()), look.emoji);
    } else {
        const QFont font = LabelFont(textFont);
        const QFontMetricsF metrics(font);
        painter.setFont(font);
        const QRectF frame(rect.left() + 0.5, rect.bottom() - metrics.ascent() - 0.5, rect.width() - 1,
                           metrics.ascent() + metrics.descent());
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(frame);
        painter.setPen(QColor(0x20, 0x20, 0x60));
        painter.drawText(QPointF(rect.left() + 1 + kLabelPadding, rect.bottom()), look.label);
    }
    painter.restore();
}

QPixmap PictogramPixmap(const PictogramLook& look, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect square(0, 0, size, size);
    if (!look.emoji.isEmpty()) {
        // The emoji font draws from fixed bitmaps: draw large, then scale into the square.
        const int big = size * 4;
        QPixmap large(big, big);
        large.fill(Qt::transparent);
        QPainter inner(&large);
        inner.setFont(EmojiFont(big * 3 / 4));
        inner.drawText(QRect(0, 0, big, big), Qt::AlignCenter, look.emoji);
        inner.end();
        painter.drawPixmap(square, large);
    } else {
        QFont font;
        font.setPixelSize(qMax(6, size / 3));
        painter.setFont(font);
        const QString& text = look.name;
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(square.adjusted(0, 0, -1, -1));
        painter.setPen(QColor(0x20, 0x20, 0x60));
        painter.drawText(square, Qt::AlignCenter | Qt::TextWrapAnywhere, text);
    }
    return pixmap;
}

}  // namespace compose
