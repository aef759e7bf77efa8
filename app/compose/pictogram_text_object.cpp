#include "app/compose/pictogram_text_object.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextDocument>

#include "app/compose/pictogram_glyphs.h"

namespace compose {

void PictogramTextObject::Install(QTextDocument* document) {
    auto* handler = new PictogramTextObject(document);
    document->documentLayout()->registerHandler(kObjectType, handler);
}

QTextCharFormat PictogramTextObject::Format(std::uint16_t code) {
    QTextCharFormat format;
    format.setObjectType(kObjectType);
    format.setProperty(kCodeProperty, static_cast<int>(code));
    return format;
}

std::uint16_t PictogramTextObject::CodeOf(const QTextFormat& format) {
    if (format.objectType() != kObjectType) return 0;
    return static_cast<std::uint16_t>(format.intProperty(kCodeProperty));
}

QSizeF PictogramTextObject::intrinsicSize(QTextDocument* document, int, const QTextFormat& format) {
    const QFont font = document->defaultFont();
    const QFontMetricsF metrics(font);
    const PictogramLook* look = FindPictogramLook(CodeOf(format));
    const qreal width = look != nullptr ? PictogramAdvance(*look, font) : metrics.horizontalAdvance(QChar(0xFFFD));
    return QSizeF(width, metrics.ascent());
}

void PictogramTextObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                                     const QTextFormat& format) {
    const PictogramLook* look = FindPictogramLook(CodeOf(format));
    if (look == nullptr) {
        painter->drawText(rect, Qt::AlignCenter, QString(QChar(0xFFFD)));
        return;
    }
    DrawPictogram(*painter, rect, *look, document->defaultFont());
}

}  // namespace compose
