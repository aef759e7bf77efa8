#include "app/widgets/eliding_label.h"

#include <QFontMetrics>

#include <algorithm>

namespace shell {

ElidingLabel::ElidingLabel(QWidget* parent, int preferredWidth) : QLabel(parent), preferredWidth_(preferredWidth) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidingLabel::SetFullText(const QString& text) {
    fullText_ = text;
    setToolTip(text);
    Elide();
    updateGeometry();
}

QSize ElidingLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    const int margins = contentsMargins().left() + contentsMargins().right();
    return {std::min(metrics.horizontalAdvance(fullText_), preferredWidth_) + margins, QLabel::sizeHint().height()};
}

QSize ElidingLabel::minimumSizeHint() const {
    // Room for the ellipsis, no more: the layout decides the rest.
    return {QFontMetrics(font()).horizontalAdvance(QChar(0x2026)), QLabel::minimumSizeHint().height()};
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void ElidingLabel::Elide() {
    const int room = std::max(0, contentsRect().width());
    const QString shown = fontMetrics().elidedText(fullText_, Qt::ElideRight, room);
    if (shown != text()) setText(shown);
}

}  // namespace shell
