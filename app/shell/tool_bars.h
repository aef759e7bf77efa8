#pragma once
// CVarnisToolBar: the program's tool bar (the main window's system tool bar and its
// reservation bar). Large pictures with the command's short name under them; every button
// the same size; a picture for the normal look, one for the mouse over the button (hot)
// and one for a command that is not available.
//
// The buttons are the commands' QActions: a button is enabled, pressed (a checkable
// command that is checked) or released exactly as its action is, so the bar never needs
// updating of its own. A button's text is the last "\n" piece of the command's string
// (command_strings.h), its tool tip the same, its status-bar prompt the first line.
//
// The pictures come as strips, one image per button in the bar's order (separators have
// none), each of the image size; every pixel of the transparent colour becomes
// transparent. A strip that is missing or too short leaves the later buttons without a
// picture, nothing worse.
//
// A button without an action is a blank place of the button size (Placeholder): the main
// window puts its reservation bar there.

#include <QIcon>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QToolBar>

#include <map>
#include <vector>

class QAction;
class QToolButton;

namespace shell {

class CVarnisToolBar : public QToolBar {
    Q_OBJECT
public:
    struct Button {
        int id = 0;                 // 0: a separator
        QAction* action = nullptr;  // null: a blank place
    };

    explicit CVarnisToolBar(const QString& title, QWidget* parent = nullptr);

    // Before LoadToolBar. Defaults: 16 x 16 pictures, transparent colour 0xC0C0C0, texts
    // shown.
    void SetImageSize(QSize size) { imageSize_ = size; }
    QSize ImageSize() const { return imageSize_; }
    void SetTransparentColor(QRgb color) { transparent_ = color; }
    QRgb TransparentColor() const { return transparent_; }
    void SetShowText(bool show) { showText_ = show; }
    void SetBitmaps(QImage normal, QImage hot, QImage disabled);

    // Puts the buttons on the bar (once), gives them their texts, pictures and the common
    // size. False when the bar already has its buttons.
    bool LoadToolBar(const std::vector<Button>& buttons);

    // The size every button has.
    QSize ButtonSize() const { return buttonSize_; }
    // The button of command `id`, or null; the blank place of `id`, or null.
    QToolButton* ButtonOf(int id) const;
    QWidget* Placeholder(int id) const;

    // `image` with every pixel of `color` made transparent.
    static QImage MakeTransparent(const QImage& image, QRgb color);

private:
    QPixmap Cut(const QImage& strip, int index) const;

    QSize imageSize_{16, 16};
    QRgb transparent_ = 0xFFC0C0C0;
    bool showText_ = true;
    QImage normal_, hot_, disabled_;
    QSize buttonSize_;
    std::map<int, QAction*> actions_;
    std::map<int, QWidget*> placeholders_;
    bool loaded_ = false;
};

}  // namespace shell
