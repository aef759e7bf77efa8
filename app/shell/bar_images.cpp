#include "app/shell/bar_images.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "app/ui/sjis_text.h"

namespace shell::images {
namespace {

enum class Glyph {
    kBlank,
    kEnvelope,
    kNewMail,
    kEditMail,
    kBook,
    kSendReceive,
    kPeople,
    kHistory,
    kGear,
    kTrash,
    kReserve,
    kCancelReserve,
    kAllMails,
    kDraft,
    kWaiting,
    kSent,
    kReport,
    kPerson,
    kSend,
};

Glyph GlyphOfCommand(int command) {
    switch (command) {
    case 1055: return Glyph::kNewMail;
    case 1052: return Glyph::kEditMail;
    case 32784: return Glyph::kBook;
    case 32805: return Glyph::kSendReceive;
    case 32787: return Glyph::kPeople;
    case 32792: return Glyph::kHistory;
    case 1049: return Glyph::kGear;
    case 32783: return Glyph::kTrash;
    case 1364: return Glyph::kReserve;
    case 1365: return Glyph::kCancelReserve;
    default: return Glyph::kBlank;
    }
}

struct Palette {
    QColor ink, paper, accent, accent2;
};

Palette PaletteOf(Look look) {
    switch (look) {
    case Look::kHot: return {QColor(20, 60, 140), QColor(255, 255, 240), QColor(255, 150, 20), QColor(40, 170, 80)};
    case Look::kDisabled:
        return {QColor(150, 150, 150), QColor(225, 225, 225), QColor(175, 175, 175), QColor(185, 185, 185)};
    case Look::kNormal: break;
    }
    return {QColor(30, 50, 110), QColor(250, 250, 250), QColor(230, 120, 20), QColor(30, 140, 60)};
}

// The largest square of `r`, centred.
QRectF Square(const QRectF& r) {
    const qreal s = std::min(r.width(), r.height());
    return QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
}

void Envelope(QPainter& p, const QRectF& r, const Palette& c) {
    p.setPen(QPen(c.ink, std::max<qreal>(1.0, r.width() / 24)));
    p.setBrush(c.paper);
    p.drawRect(r);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.55);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

void Pencil(QPainter& p, const QRectF& r, const Palette& c) {
    p.save();
    p.translate(r.center());
    p.rotate(-45);
    const qreal len = r.width() * 0.9, w = r.width() * 0.2;
    p.setPen(QPen(c.ink, std::max<qreal>(1.0, r.width() / 20)));
    p.setBrush(c.accent);
    p.drawRect(QRectF(-len / 2, -w / 2, len * 0.75, w));
    QPolygonF tip;
    tip << QPointF(len / 4, -w / 2) << QPointF(len / 2, 0) << QPointF(len / 4, w / 2);
    p.setBrush(c.paper);
    p.drawPolygon(tip);
    p.restore();
}

void Clock(QPainter& p, const QRectF& r, const Palette& c) {
    p.setPen(QPen(c.ink, std::max<qreal>(1.0, r.width() / 14)));
    p.setBrush(c.paper);
    p.drawEllipse(r);
    p.drawLine(r.center(), QPointF(r.center().x(), r.top() + r.height() * 0.22));
    p.drawLine(r.center(), QPointF(r.left() + r.width() * 0.75, r.center().y()));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, qreal width) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    QLineF line(to, from);
    QLineF a = line, b = line;
    a.setLength(width * 2.2);
    b.setLength(width * 2.2);
    a.setAngle(line.angle() + 35);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void Person(QPainter& p, const QRectF& r, const QColor& body, const Palette& c) {
    p.setPen(QPen(c.ink, std::max<qreal>(1.0, r.width() / 20)));
    p.setBrush(body);
    p.drawEllipse(QRectF(r.center().x() - r.width() * 0.2, r.top(), r.width() * 0.4, r.height() * 0.4));
    QPainterPath torso;
    torso.moveTo(r.left() + r.width() * 0.1, r.bottom());
    torso.quadTo(r.center().x(), r.top() + r.height() * 0.15, r.right() - r.width() * 0.1, r.bottom());
    torso.closeSubpath();
    p.drawPath(torso);
}

void Check(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(QPen(color, std::max<qreal>(1.5, r.width() / 6), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPolygonF mark;
    mark << QPointF(r.left(), r.center().y()) << QPointF(r.left() + r.width() * 0.4, r.bottom())
         << QPointF(r.right(), r.top());
    p.drawPolyline(mark);
}

void Cross(QPainter& p, const QRectF& r, const QColor& color) {
    p.setPen(QPen(color, std::max<qreal>(1.5, r.width() / 6), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void DrawGlyph(QPainter& p, const QRectF& area, Glyph glyph, const Palette& c) {
    const QRectF s = Square(area);
    const qreal u = s.width();
    const QRectF mail(s.left() + u * 0.05, s.top() + u * 0.22, u * 0.8, u * 0.56);
    switch (glyph) {
    case Glyph::kBlank: break;
    case Glyph::kEnvelope: Envelope(p, mail, c); break;
    case Glyph::kNewMail: {
        Envelope(p, mail, c);
        p.setPen(QPen(c.ink, 1));
        p.setBrush(c.accent);
        QPolygonF star;
        const QPointF m(s.left() + u * 0.8, s.top() + u * 0.22);
        for (int i = 0; i < 10; ++i) {
            const qreal radius = (i % 2 ? 0.09 : 0.2) * u;
            const qreal angle = (i * 36 - 90) * 3.14159265 / 180;
            star << QPointF(m.x() + radius * std::cos(angle), m.y() + radius * std::sin(angle));
        }
        p.drawPolygon(star);
        break;
    }
    case Glyph::kEditMail:
        Envelope(p, mail, c);
        Pencil(p, QRectF(s.left() + u * 0.45, s.top() + u * 0.35, u * 0.55, u * 0.55), c);
        break;
    case Glyph::kBook: {
        const QRectF book(s.left() + u * 0.18, s.top() + u * 0.1, u * 0.64, u * 0.8);
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.accent2);
        p.drawRoundedRect(book, u * 0.05, u * 0.05);
        p.setBrush(c.paper);
        p.drawRect(QRectF(book.left() + u * 0.12, book.top() + u * 0.12, book.width() - u * 0.2, u * 0.2));
        p.drawLine(QPointF(book.left() + u * 0.08, book.top()), QPointF(book.left() + u * 0.08, book.bottom()));
        break;
    }
    case Glyph::kSendReceive: {
        Envelope(p, QRectF(s.left() + u * 0.2, s.top() + u * 0.3, u * 0.6, u * 0.42), c);
        const qreal w = std::max<qreal>(1.5, u / 12);
        Arrow(p, QPointF(s.left() + u * 0.1, s.top() + u * 0.15), QPointF(s.left() + u * 0.9, s.top() + u * 0.15),
              c.accent, w);
        Arrow(p, QPointF(s.left() + u * 0.9, s.top() + u * 0.87), QPointF(s.left() + u * 0.1, s.top() + u * 0.87),
              c.accent2, w);
        break;
    }
    case Glyph::kPeople:
        Person(p, QRectF(s.left() + u * 0.35, s.top() + u * 0.12, u * 0.55, u * 0.75), c.accent2, c);
        Person(p, QRectF(s.left() + u * 0.08, s.top() + u * 0.22, u * 0.55, u * 0.72), c.accent, c);
        break;
    case Glyph::kHistory: {
        const QRectF sheet(s.left() + u * 0.12, s.top() + u * 0.08, u * 0.58, u * 0.8);
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.paper);
        p.drawRect(sheet);
        for (int i = 1; i <= 4; ++i) {
            const qreal y = sheet.top() + sheet.height() * i / 5.5;
            p.drawLine(QPointF(sheet.left() + u * 0.08, y), QPointF(sheet.right() - u * 0.08, y));
        }
        Clock(p, QRectF(s.left() + u * 0.5, s.top() + u * 0.5, u * 0.45, u * 0.45), c);
        break;
    }
    case Glyph::kGear: {
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.accent2);
        QPainterPath gear;
        const QPointF m = s.center();
        for (int i = 0; i < 16; ++i) {
            const qreal radius = (i % 2 ? 0.3 : 0.42) * u;
            const qreal a0 = (i * 22.5 - 6) * 3.14159265 / 180, a1 = (i * 22.5 + 6) * 3.14159265 / 180;
            QPointF p0(m.x() + radius * std::cos(a0), m.y() + radius * std::sin(a0));
            QPointF p1(m.x() + radius * std::cos(a1), m.y() + radius * std::sin(a1));
            if (i == 0) gear.moveTo(p0); else gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        p.drawPath(gear);
        p.setBrush(c.paper);
        p.drawEllipse(m, u * 0.12, u * 0.12);
        break;
    }
    case Glyph::kTrash: {
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.paper);
        const QRectF can(s.left() + u * 0.25, s.top() + u * 0.28, u * 0.5, u * 0.62);
        p.drawRect(can);
        p.drawRect(QRectF(s.left() + u * 0.18, s.top() + u * 0.18, u * 0.64, u * 0.1));
        for (int i = 1; i <= 3; ++i) {
            const qreal x = can.left() + can.width() * i / 4;
            p.drawLine(QPointF(x, can.top() + u * 0.08), QPointF(x, can.bottom() - u * 0.08));
        }
        break;
    }
    case Glyph::kReserve:
        Envelope(p, QRectF(s.left() + u * 0.05, s.top() + u * 0.3, u * 0.62, u * 0.45), c);
        Clock(p, QRectF(s.left() + u * 0.5, s.top() + u * 0.1, u * 0.45, u * 0.45), c);
        break;
    case Glyph::kCancelReserve:
        Envelope(p, QRectF(s.left() + u * 0.05, s.top() + u * 0.3, u * 0.62, u * 0.45), c);
        Clock(p, QRectF(s.left() + u * 0.5, s.top() + u * 0.1, u * 0.45, u * 0.45), c);
        Cross(p, QRectF(s.left() + u * 0.55, s.top() + u * 0.55, u * 0.35, u * 0.35), QColor(200, 30, 30));
        break;
    case Glyph::kAllMails:
        Envelope(p, QRectF(s.left() + u * 0.2, s.top() + u * 0.1, u * 0.7, u * 0.5), c);
        Envelope(p, QRectF(s.left() + u * 0.1, s.top() + u * 0.4, u * 0.7, u * 0.5), c);
        break;
    case Glyph::kDraft: {
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.paper);
        p.drawRect(QRectF(s.left() + u * 0.15, s.top() + u * 0.08, u * 0.55, u * 0.8));
        Pencil(p, QRectF(s.left() + u * 0.4, s.top() + u * 0.35, u * 0.6, u * 0.6), c);
        break;
    }
    case Glyph::kWaiting:
        Envelope(p, QRectF(s.left() + u * 0.05, s.top() + u * 0.35, u * 0.6, u * 0.45), c);
        Clock(p, QRectF(s.left() + u * 0.45, s.top() + u * 0.08, u * 0.5, u * 0.5), c);
        break;
    case Glyph::kSent:
        Envelope(p, mail, c);
        Check(p, QRectF(s.left() + u * 0.55, s.top() + u * 0.08, u * 0.38, u * 0.3), c.accent2);
        break;
    case Glyph::kReport: {
        p.setPen(QPen(c.ink, std::max<qreal>(1.0, u / 24)));
        p.setBrush(c.paper);
        p.drawRect(QRectF(s.left() + u * 0.1, s.top() + u * 0.1, u * 0.8, u * 0.8));
        const QColor bars[] = {c.accent, c.accent2, c.ink};
        const qreal heights[] = {0.35, 0.6, 0.45};
        for (int i = 0; i < 3; ++i) {
            p.setBrush(bars[i]);
            const qreal h = u * heights[i];
            p.drawRect(QRectF(s.left() + u * (0.2 + i * 0.22), s.top() + u * 0.82 - h, u * 0.16, h));
        }
        break;
    }
    case Glyph::kPerson: Person(p, QRectF(s.left() + u * 0.2, s.top() + u * 0.1, u * 0.6, u * 0.8), c.accent, c); break;
    case Glyph::kSend:
        Envelope(p, QRectF(s.left() + u * 0.05, s.top() + u * 0.25, u * 0.6, u * 0.45), c);
        Arrow(p, QPointF(s.left() + u * 0.55, s.top() + u * 0.85), QPointF(s.left() + u * 0.95, s.top() + u * 0.45),
              c.accent, std::max<qreal>(1.5, u / 12));
        break;
    }
}

Glyph GlyphOfKey(std::string_view key) {
    if (key == "MAIL_ALL") return Glyph::kAllMails;
    if (key == "MAIL_DRAFT") return Glyph::kDraft;
    if (key == "MAIL_WAIT") return Glyph::kWaiting;
    if (key == "MAIL_SEND") return Glyph::kSent;
    if (key == "MAIL_REPORT") return Glyph::kReport;
    return Glyph::kEnvelope;
}

}  // namespace

QImage ToolBarStrip(const std::vector<int>& commands, QSize size, Look look) {
    QImage strip(size.width() * static_cast<int>(std::max<std::size_t>(commands.size(), 1)), size.height(),
                 QImage::Format_RGB32);
    strip.fill(QColor::fromRgb(kTransparentColor));
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette colors = PaletteOf(look);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const QRectF cell(static_cast<qreal>(i) * size.width(), 0, size.width(), size.height());
        DrawGlyph(p, cell.adjusted(3, 3, -3, -3), GlyphOfCommand(commands[i]), colors);
    }
    return strip;
}

QPixmap ListBarIcon(std::string_view key, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlyph(p, QRectF(1, 1, size - 2, size - 2), GlyphOfKey(key), PaletteOf(Look::kNormal));
    return pixmap;
}

QImage WizardStepImage(int step, bool enabled, QSize size) {
    static constexpr Glyph kStepGlyphs[] = {Glyph::kGear, Glyph::kNewMail, Glyph::kPerson, Glyph::kBook, Glyph::kSend};
    QImage image(size, QImage::Format_RGB32);
    // Near the dialog's own grey, so the smoothed edges blend into it.
    const QColor transparent(0xF0, 0xF0, 0xF0);
    image.fill(transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(image.rect()).adjusted(3, 3, -3, -3);
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    if (enabled) {
        fill.setColorAt(0, QColor(120, 180, 255));
        fill.setColorAt(1, QColor(30, 90, 190));
    } else {
        fill.setColorAt(0, QColor(225, 225, 225));
        fill.setColorAt(1, QColor(180, 180, 180));
    }
    p.setPen(QPen(enabled ? QColor(20, 50, 120) : QColor(150, 150, 150), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(face, 10, 10);
    const Palette colors = PaletteOf(enabled ? Look::kNormal : Look::kDisabled);
    const int index = std::clamp(step, 1, 5) - 1;
    const qreal glyphSize = std::min(face.height() * 0.62, face.width() * 0.5);
    DrawGlyph(p, QRectF(face.center().x() - glyphSize / 2, face.top() + face.height() * 0.08, glyphSize, glyphSize),
              kStepGlyphs[index], colors);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(std::max(10, static_cast<int>(face.height() * 0.22)));
    p.setFont(font);
    p.setPen(enabled ? Qt::white : QColor(140, 140, 140));
    p.drawText(QRectF(face.left(), face.bottom() - face.height() * 0.3, face.width(), face.height() * 0.28),
               Qt::AlignCenter, QString::number(step));
    return image;
}

QImage SplashImage() {
    QImage image(480, 280, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0, QColor(24, 70, 150));
    sky.setColorAt(1, QColor(90, 160, 230));
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 4; ++i) {
        QPen pen(QColor(255, 255, 255, 90), 1.5);
        p.setPen(pen);
        p.setBrush(QColor(255, 255, 255, 40 + i * 10));
        const QRectF r(300 + i * 38, 40 + (i % 2) * 34, 90, 62);
        p.drawRect(r);
        p.drawLine(r.topLeft(), QPointF(r.center().x(), r.top() + r.height() * 0.55));
        p.drawLine(QPointF(r.center().x(), r.top() + r.height() * 0.55), r.topRight());
    }
    QFont title = p.font();
    title.setPixelSize(64);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(36, 120, 420, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Varnis"));
    QFont sub = p.font();
    sub.setPixelSize(20);
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRect(40, 196, 420, 30), Qt::AlignLeft | Qt::AlignVCenter, ui::U8("同報メール配信システム"));
    p.setPen(QColor(255, 255, 255, 180));
    p.drawLine(40, 232, 440, 232);
    sub.setPixelSize(13);
    p.setFont(sub);
    p.drawText(QRect(40, 240, 420, 24), Qt::AlignLeft | Qt::AlignVCenter, ui::U8("起動しています…"));
    return image;
}

}  // namespace shell::images
