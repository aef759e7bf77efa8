#pragma once
// CNoInputEdit: a text field that shows what the program writes into it and nothing else.
// The send/receive status dialog shows its state, its status line and its counters in
// such fields: the user reads them but can neither type into them, select in them, scroll
// them, open their menu nor give them the focus.
//
// What it guarantees: every input event (keys, the mouse, the wheel, the context menu,
// input-method text, drag and drop, touch) that reaches the field or its viewport is
// swallowed before the text edit sees it, so neither the text nor the caret ever moves by
// the user's hand; every other event (paint, resize, show, style and font changes) goes
// on as usual, so the text keeps repainting. Text set by the program shows at once.
//
// One line (the counters) or several (the status line); "\r\n" in a text shows as one
// line break.

#include <QPlainTextEdit>
#include <QString>

class QEvent;

class CNoInputEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    // `lines`: the number of text lines the field is tall (1: a one-line field without
    // scroll bars or wrapping).
    explicit CNoInputEdit(QWidget* parent = nullptr, int lines = 1);
    ~CNoInputEdit() override;

    // Shows `text` ("\r\n" as one break).
    void SetText(const QString& text);
    QString Text() const { return toPlainText(); }

    // True when `event` is not to reach the text edit: every input event; false for the
    // rest (paint, layout, show ...), which the text edit handles as usual.
    static bool PreTranslateMessage(const QEvent* event);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};
