#include "app/shell/tool_bars.h"

#include <QAction>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QToolButton>

#include <algorithm>

#include "app/shell/command_strings.h"

namespace shell {

CVarnisToolBar::CVarnisToolBar(const QString& title, QWidget* parent) : QToolBar(title, parent) {
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

void CVarnisToolBar::SetBitmaps(QImage normal, QImage hot, QImage disabled) {
    normal_ = MakeTransparent(normal, transparent_);
    hot_ = MakeTransparent(hot, transparent_);
    disabled_ = MakeTransparent(disabled, transparent_);
}

QImage CVarnisToolBar::MakeTransparent(const QImage& image, QRgb color) {
    if (image.isNull()) return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = color | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    return out;
}

QPixmap CVarnisToolBar::Cut(const QImage& strip, int index) const {
    const QRect cell(index * imageSize_.width(), 0, imageSize_.width(), imageSize_.height());
    if (strip.isNull() || !strip.rect().contains(cell)) return QPixmap();
    return QPixmap::fromImage(strip.copy(cell));
}

bool CVarnisToolBar::LoadToolBar(const std::vector<Button>& buttons) {
    if (loaded_) return false;
    loaded_ = true;
    setIconSize(imageSize_);

    // The texts first: the widest and tallest text decide the common button size.
    const QFontMetrics metrics(font());
    int textWidth = 0, textHeight = 0;
    for (const Button& b : buttons) {
        if (b.id == 0 || !b.action) continue;
        const QString text = ButtonTextOf(CommandString(b.id));
        if (!text.isEmpty()) b.action->setIconText(text);
        b.action->setToolTip(b.action->iconText());
        b.action->setStatusTip(CommandPrompt(b.id));
        const QRect r = metrics.boundingRect(b.action->iconText());
        textWidth = std::max(textWidth, r.width() + 8);
        textHeight = std::max(textHeight, r.height());
    }
    buttonSize_ = QSize(std::max(imageSize_.width() + 8, textWidth),
                        imageSize_.height() + 10 + (showText_ ? textHeight : 0));
    if (!showText_) setToolButtonStyle(Qt::ToolButtonIconOnly);

    int image = 0;
    for (const Button& b : buttons) {
        if (b.id == 0) {
            addSeparator();
            continue;
        }
        const int index = image++;
        if (!b.action) {
            auto* place = new QWidget(this);
            place->setObjectName(QStringLiteral("cmd%1").arg(b.id));
            auto* layout = new QHBoxLayout(place);
            layout->setContentsMargins(0, 0, 0, 0);
            place->setMinimumSize(buttonSize_);
            addWidget(place);
            placeholders_[b.id] = place;
            continue;
        }
        QIcon icon;
        const QPixmap normal = Cut(normal_, index);
        if (!normal.isNull()) icon.addPixmap(normal, QIcon::Normal);
        const QPixmap hot = Cut(hot_, index);
        if (!hot.isNull()) icon.addPixmap(hot, QIcon::Active);
        const QPixmap disabled = Cut(disabled_, index);
        if (!disabled.isNull()) icon.addPixmap(disabled, QIcon::Disabled);
        if (!icon.isNull()) {
            b.action->setIcon(icon);
            // The menus show the commands by their names alone.
            b.action->setIconVisibleInMenu(false);
        }
        addAction(b.action);
        if (QWidget* w = widgetForAction(b.action)) {
            w->setObjectName(QStringLiteral("cmd%1").arg(b.id));
            w->setFixedSize(buttonSize_);
        }
        actions_[b.id] = b.action;
    }
    return true;
}

QToolButton* CVarnisToolBar::ButtonOf(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : qobject_cast<QToolButton*>(widgetForAction(it->second));
}

QWidget* CVarnisToolBar::Placeholder(int id) const {
    auto it = placeholders_.find(id);
    return it == placeholders_.end() ? nullptr : it->second;
}

}  // namespace shell
