#include "app/sendrecv/display_only_edit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QTextDocument>

CNoInputEdit::CNoInputEdit(QWidget* parent, int lines) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setUndoRedoEnabled(false);
    viewport()->setCursor(Qt::ArrowCursor);
    const int shown = lines < 1 ? 1 : lines;
    if (shown == 1) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    const QMargins m = contentsMargins();
    const int height = fontMetrics().lineSpacing() * shown + 2 * static_cast<int>(document()->documentMargin()) +
                       m.top() + m.bottom() + 2 * frameWidth();
    setFixedHeight(height);
}

CNoInputEdit::~CNoInputEdit() = default;

void CNoInputEdit::SetText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown != toPlainText()) setPlainText(shown);
}

bool CNoInputEdit::PreTranslateMessage(const QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::FocusIn:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

bool CNoInputEdit::event(QEvent* event) {
    if (PreTranslateMessage(event)) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

bool CNoInputEdit::viewportEvent(QEvent* event) {
    if (PreTranslateMessage(event)) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
}
