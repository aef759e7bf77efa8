#pragma once
// ElidingLabel: a one-line label whose text never widens its window. Text longer than the
// room the layout gives is cut at its end with "…"; the whole text is the label's tip.
// Its size hint asks for no more than `preferredWidth` pixels, so a long value (a name of
// seventy characters) cannot push a dialog past the screen.

#include <QLabel>
#include <QString>

namespace shell {

class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr, int preferredWidth = 160);

    // The text to show (cut to the width as needed).
    void SetFullText(const QString& text);
    const QString& FullText() const { return fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString fullText_;
    int preferredWidth_;
};

}  // namespace shell
