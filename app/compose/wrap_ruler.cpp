#include "app/compose/wrap_ruler.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPolygon>
#include <QScrollBar>
#include <QTextOption>

#include <algorithm>

namespace compose {
namespace {

constexpr int kFirstTick = 10;
constexpr int kTickSpacing = 10;
constexpr int kLongTickPhase = 5;
constexpr int kLongTick = 7;
constexpr int kShortTick = 3;
constexpr int kMarkerWidth = 11;
constexpr int kMarkerHeight = 16;
constexpr int kMarkerHotSpot = 5;  // the marker's x lies this far into its drawing
const QColor kLeftColor(0xFF, 0xFF, 0xFF);
const QColor kRightColor(0xB0, 0xB0, 0xB0);

// A marker drawing: a pointer whose tip (column 5) points down at the scale, on white,
// which is then made transparent.
QPixmap MakeMarker(const QColor& fill) {
    QPixmap pixmap(kMarkerWidth, kMarkerHeight);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    const QPolygon shape({QPoint(1, 1), QPoint(9, 1), QPoint(9, 9), QPoint(5, 14), QPoint(1, 9)});
    painter.setPen(Qt::black);
    painter.setBrush(fill);
    painter.drawPolygon(shape);
    painter.end();
    pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
    return pixmap;
}

}  // namespace

CWrapRuler::CWrapRuler(QWidget* parent)
    : QWidget(parent), markerBitmap_(MakeMarker(QColor(0x20, 0x40, 0xA0))), hoverBitmap_(MakeMarker(QColor(0xF0, 0xC0, 0x40))) {
    setMouseTracking(true);
    RecalcLimits();
    SyncGeometry();
}

CWrapRuler::~CWrapRuler() = default;

void CWrapRuler::SyncGeometry() { setGeometry(left_, top_, Width(), Height()); }

int CWrapRuler::ValueOfPixel(int x) const {
    const int span = Width() - 1;
    if (span <= 0) return rangeMin_;
    return static_cast<int>(rangeMin_ + static_cast<long long>(x - left_) * (rangeMax_ - rangeMin_) / span);
}

int CWrapRuler::PixelOfValue(int value) const {
    const int range = rangeMax_ - rangeMin_;
    if (range <= 0) return left_;
    return static_cast<int>(left_ + static_cast<long long>(value - rangeMin_) * (Width() - 1) / range);
}

void CWrapRuler::RecalcLimits() {
    leftmostMarker_ = PixelOfValue(allowedMin_);
    rightmostMarker_ = PixelOfValue(allowedMax_);
}

void CWrapRuler::UpdateWrapValue() { wrapValue_ = ValueOfPixel(marker_.x()); }

void CWrapRuler::UpdateCursorValue() { cursorValue_ = ValueOfPixel(hover_.x()); }

void CWrapRuler::SetTop(int y) {
    const int height = bottom_ - top_;
    top_ = y;
    bottom_ = y + height;
    SyncGeometry();
}

void CWrapRuler::SetLeft(int x) {
    const int width = right_ - left_;
    left_ = x;
    right_ = x + width;
    RecalcLimits();
    SyncGeometry();
}

void CWrapRuler::SetWidth(int w) {
    right_ = left_ + w;
    RecalcLimits();
    SyncGeometry();
}

bool CWrapRuler::SetRange(int minimum, int maximum) {
    if (maximum < minimum) return false;
    rangeMin_ = allowedMin_ = minimum;
    rangeMax_ = allowedMax_ = maximum;
    RecalcLimits();
    update();
    return true;
}

bool CWrapRuler::SetWrapPosition(int value) {
    const int clamped = std::clamp(value, allowedMin_, allowedMax_);
    const bool placed = SetMarkerAt(QPoint(PixelOfValue(clamped), top_));
    wrapValue_ = clamped;
    update();
    return placed;
}

bool CWrapRuler::HitTest(const QPoint& point) const {
    return point.x() >= left_ && point.x() <= right_ && point.y() >= top_ && point.y() <= bottom_;
}

bool CWrapRuler::TrackMouse(const QPoint& point) {
    if (!HitTest(point)) {
        hovering_ = false;
        return false;
    }
    hover_ = point;
    hovering_ = true;
    UpdateCursorValue();
    return true;
}

bool CWrapRuler::SetMarkerAt(const QPoint& point) {
    if (!HitTest(point)) return false;
    marker_ = QPoint(std::clamp(point.x(), leftmostMarker_, std::max(leftmostMarker_, rightmostMarker_)), point.y());
    UpdateWrapValue();
    return true;
}

void CWrapRuler::Draw(QPainter& painter) const {
    const int w = Width();
    const int h = Height();
    const int split = marker_.x() - left_;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (split >= 0) painter.fillRect(QRect(0, 0, std::min(split + 1, w), h), kLeftColor);
    if (split + 1 < w) painter.fillRect(QRect(std::max(split + 1, 0), 0, w - std::max(split + 1, 0), h), kRightColor);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    int tick = 0;
    for (int x = kFirstTick; x < w - 1; x += kTickSpacing, ++tick) {
        const bool isLong = (tick - (kLongTickPhase - 1)) % kLongTickPhase == 0;
        painter.drawLine(x, h - 1, x, h - 1 - (isLong ? kLongTick : kShortTick));
    }
    painter.drawPixmap(marker_.x() - left_ - kMarkerHotSpot, 0, markerBitmap_);
    if (hovering_) painter.drawPixmap(hover_.x() - left_ - kMarkerHotSpot, 0, hoverBitmap_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, w - 1, h - 1);
    painter.restore();
}

void CWrapRuler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void CWrapRuler::mouseMoveEvent(QMouseEvent* event) {
    const bool inside = TrackMouse(mapToParent(event->position().toPoint()));
    update();
    if (inside) emit cursorPositionChanged(cursorValue_);
}

void CWrapRuler::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (SetMarkerAt(mapToParent(event->position().toPoint()))) {
        update();
        emit wrapPositionChanged(wrapValue_);
    }
}

void CWrapRuler::leaveEvent(QEvent*) {
    hovering_ = false;
    update();
}

int CaretPixel(const QPlainTextEdit* edit) {
    if (edit == nullptr) return 0;
    // The caret's rectangle is in the viewport; the text starts one document margin in,
    // moved left by what is scrolled away.
    const int textLeft = qRound(edit->document()->documentMargin()) - edit->horizontalScrollBar()->value();
    return std::max(0, edit->cursorRect().left() - textLeft);
}

void NoWordBreakProc(QPlainTextEdit* edit) {
    if (edit == nullptr) return;
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAnywhere);
}

}  // namespace compose
