#pragma once
// Pictograms inside the edit controls. A pictogram is kept in the document as one object
// character (U+FFFC) whose format carries its NTT DoCoMo code; this handler gives it the
// width of its emoji and draws it (pictogram_glyphs.h). The edit reads such a character
// back as the pictogram's private-use character, so the text handed to the core holds
// the same two bytes that went in. Only codes with a look become objects; any other
// character stays as it is.
//
// The cursor steps over an object as over one character, a selection covers it whole,
// and undo restores it with its code.

#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>

#include <cstdint>

class QTextDocument;

namespace compose {

class PictogramTextObject : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    static constexpr int kObjectType = QTextFormat::UserObject + 0x2BE5;
    static constexpr int kCodeProperty = QTextFormat::UserProperty + 0x2BE5;

    // Registers a handler with the layout of `document` (owned by the document).
    static void Install(QTextDocument* document);

    // The format of the object character of pictogram `code`.
    static QTextCharFormat Format(std::uint16_t code);
    // The pictogram code a format carries, or 0 when it is no pictogram object.
    static std::uint16_t CodeOf(const QTextFormat& format);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    using QObject::QObject;
};

}  // namespace compose
