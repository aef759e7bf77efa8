#include "app/ui/html_view.h"

#include <QImage>
#include <QTextDocument>

namespace ui {

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setSearchPaths({});
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
    if (name.scheme().compare(QLatin1String("cid"), Qt::CaseInsensitive) == 0 && resolver_ &&
        type == QTextDocument::ImageResource) {
        QString id = name.path(QUrl::FullyDecoded);
        if (id.startsWith(u'<') && id.endsWith(u'>')) id = id.mid(1, id.size() - 2);
        if (std::optional<QByteArray> bytes = resolver_(id)) {
            QImage image;
            if (image.loadFromData(*bytes)) return image;
        }
    }
    refused_.append(name);
    // Never a null or empty answer: on a null one the document reads the URL as a local
    // file (or decodes a data: URL) by itself, and on an image that does not load the
    // image handler tries the name as a file path. A refused image is a blank pixel.
    if (type == QTextDocument::ImageResource) {
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
    return QVariant(QByteArray());
}

}  // namespace ui
