#pragma once
// CWrapRuler: the ruler shown just above a text mail body, where the user sees and sets
// the width at which the body wraps (the wrap position, in pixels from the text's left
// edge; the pages start at 580) and where the pixel position under the mouse shows as
// the cursor position (elsewhere the pages show the caret's, CaretPixel).
//
// The ruler is a child widget of the page: its rectangle (left, top, right, bottom) is in
// the page's coordinates, inclusive, and the widget covers exactly it. Values map to
// pixels by one linear rule with integer arithmetic: pixel x is the value
//   min + (x - left) * (max - min) / (W - 1),     W = right - left + 1,
// and the other way round. A page sets the width to the edit's text width w and the range
// to 0..w, so a value is simply the pixel offset from the ruler's left end. The marker
// never leaves the allowed range (SetRange sets it equal to the value range).
//
// The ruler follows the mouse itself (hover marker, cursorPositionChanged) and sets the
// wrap position on a left-button release inside it (wrapPositionChanged); a release
// outside changes nothing.
//
// NoWordBreakProc makes an edit break lines at any character rather than at blanks, as
// the text pages' edits do, so a line breaks exactly where the width runs out.

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QPainter;
class QPlainTextEdit;

namespace compose {

class CWrapRuler : public QWidget {
    Q_OBJECT
public:
    explicit CWrapRuler(QWidget* parent = nullptr);
    ~CWrapRuler() override;

    // Paints the ruler with its top-left corner at (0, 0) of `painter`.
    void Draw(QPainter& painter) const;

    // Move the ruler keeping its height (SetTop) or its width (SetLeft); SetWidth makes
    // right = left + w. SetLeft and SetWidth recompute the marker limits.
    void SetTop(int y);
    void SetLeft(int x);
    void SetWidth(int w);

    // False when maximum < minimum (nothing changes); otherwise both the value range and
    // the allowed range become minimum..maximum.
    bool SetRange(int minimum, int maximum);
    // Clamps `value` to the allowed range, puts the marker on its pixel and makes it the
    // wrap position; whether the marker could be placed there.
    bool SetWrapPosition(int value);
    int GetWrapPosition() const { return wrapValue_; }
    int GetCursorPosition() const { return cursorValue_; }

    // Points are in the parent's coordinates.
    bool HitTest(const QPoint& point) const;
    // Inside: the hover marker follows the point and the cursor value becomes its value
    // (true); outside: the hover marker goes away (false).
    bool TrackMouse(const QPoint& point);
    // Inside: the marker moves to the point (clamped to the allowed range) and the wrap
    // value becomes the marker's value (true); outside: nothing changes (false).
    bool SetMarkerAt(const QPoint& point);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Right() const { return right_; }
    int Bottom() const { return bottom_; }
    // The marker's x in the parent's coordinates.
    int MarkerX() const { return marker_.x(); }

signals:
    void cursorPositionChanged(int value);
    void wrapPositionChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int Width() const { return right_ - left_ + 1; }
    int Height() const { return bottom_ - top_ + 1; }
    int ValueOfPixel(int x) const;
    int PixelOfValue(int value) const;
    void RecalcLimits();
    void UpdateWrapValue();
    void UpdateCursorValue();
    void SyncGeometry();

    QPixmap markerBitmap_;
    QPixmap hoverBitmap_;
    int left_ = 5, top_ = 5, right_ = 105, bottom_ = 19;
    int rangeMin_ = 0, rangeMax_ = 1000;
    int allowedMin_ = 100, allowedMax_ = 900;
    int leftmostMarker_ = 0, rightmostMarker_ = 0;
    int wrapValue_ = 100;
    int cursorValue_ = 0;
    QPoint hover_;
    bool hovering_ = false;
    QPoint marker_{0, 0};
};

// Where the caret of `edit` stands on the ruler's scale: its distance in pixels from the
// text's left edge (0 at the start of a line). The pages show it as the cursor position
// while the mouse is not on the ruler.
int CaretPixel(const QPlainTextEdit* edit);

// Makes `edit` wrap its lines at any character (the text pages' word-break rule: no
// character is a delimiter, so no line waits for a blank to break).
void NoWordBreakProc(QPlainTextEdit* edit);

}  // namespace compose
