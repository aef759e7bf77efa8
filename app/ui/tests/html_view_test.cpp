#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>

#include "app/ui/html_view.h"

namespace {

QByteArray PngBytes(QColor color) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(HtmlView, ServesCidImagesFromTheMailAndRefusesEverythingElse) {
    QTemporaryDir dir;
    const QString local = dir.filePath("secret.png");
    {
        QFile f(local);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(PngBytes(Qt::red));
    }
    ui::HtmlView view;
    QStringList asked;
    view.SetCidResolver([&](const QString& id) -> std::optional<QByteArray> {
        asked << id;
        if (id == "part1@example.jp") return PngBytes(Qt::green);
        return std::nullopt;
    });
    view.setHtml(QStringLiteral("<p>x</p><img src=\"cid:part1@example.jp\">"
                                "<img src=\"file://%1\"><img src=\"%1\"><img src=\"secret.png\">"
                                "<img src=\"http://127.0.0.1:9/track.png\">"
                                "<img src=\"data:image/png;base64,%2\">")
                     .arg(local, QString::fromLatin1(PngBytes(Qt::blue).toBase64())));
    view.resize(400, 300);
    view.grab();  // lays the document out, which asks for every image
    QTextDocument* doc = view.document();
    QVariant cid = doc->resource(QTextDocument::ImageResource, QUrl("cid:part1@example.jp"));
    ASSERT_TRUE(cid.canConvert<QImage>());
    EXPECT_EQ(cid.value<QImage>().pixelColor(0, 0), QColor(Qt::green));
    EXPECT_TRUE(asked.contains("part1@example.jp"));

    // The local file, its relative name, the remote and the data: images were all refused,
    // and none of them reached the document as an image.
    EXPECT_EQ(view.Refused().size(), 5);
    for (const QUrl& url : view.Refused()) {
        QVariant r = doc->resource(QTextDocument::ImageResource, url);
        EXPECT_NE(r.value<QImage>().size(), QSize(4, 3)) << url.toString().toStdString();
    }
}

TEST(HtmlView, NavigationLoadsNothing) {
    QTemporaryDir dir;
    const QString page = dir.filePath("page.html");
    {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<p>secret</p>");
    }
    ui::HtmlView view;
    view.setSource(QUrl::fromLocalFile(page));
    EXPECT_FALSE(view.toPlainText().contains("secret"));
    EXPECT_FALSE(view.Refused().isEmpty());
}

}  // namespace
