#include "app/ui/sjis_input_guard.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

#include "app/ui/sjis_input.h"

namespace ui {
namespace {

constexpr char kKindProperty[] = "quendrelSjisInput";
constexpr char kOwn[] = "own";
constexpr char kPath[] = "path";
constexpr char kGuarded[] = "guarded";

// The part of `now` that differs from `before`: [start, end) of `now`.
struct Changed {
    qsizetype start = 0;
    qsizetype end = 0;
};

Changed ChangedRange(const QString& before, const QString& now) {
    const qsizetype shorter = std::min(before.size(), now.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before.at(prefix) == now.at(prefix)) ++prefix;
    // A surrogate pair is never split between the kept prefix and the change.
    if (prefix > 0 && prefix < now.size() && now.at(prefix - 1).isHighSurrogate()) --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before.at(before.size() - 1 - suffix) == now.at(now.size() - 1 - suffix))
        ++suffix;
    if (suffix > 0 && now.size() - suffix > prefix && now.at(now.size() - suffix).isLowSurrogate()) --suffix;
    return {prefix, now.size() - suffix};
}

// The common part of both guards: what the text was after the last check, a check due
// after the user's change, and the filtering of what that change brought in.
class GuardBase : public QObject {
public:
    explicit GuardBase(QWidget* edit) : QObject(edit), edit_(edit) {}

protected:
    virtual QString Text() const = 0;
    // Replaces [start, end) of the text with `kept` and puts the caret after it.
    virtual void Replace(qsizetype start, qsizetype end, const QString& kept) = 0;
    virtual bool NamesCharacters() const { return true; }

    // The user changed the text: check it once the edit is done with the input.
    void ChangedByUser() {
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] { Check(); });
    }
    // The text changed in any way: outside a pending check it is the new reference.
    void ChangedAtAll() {
        if (!pending_ && !replacing_) last_ = Text();
    }
    void Remember() { last_ = Text(); }

private:
    void Check() {
        pending_ = false;
        const QString now = Text();
        const Changed changed = ChangedRange(last_, now);
        const QString brought = now.mid(changed.start, changed.end - changed.start);
        KeptInput kept = KeepSjisCharacters(brought);
        if (kept.text != brought) {
            replacing_ = true;
            Replace(changed.start, changed.end, kept.text);
            replacing_ = false;
        }
        last_ = Text();
        TellInputAltered(edit_, kept.dropped, 0, NamesCharacters());
    }

    QWidget* edit_;
    QString last_;
    bool pending_ = false;
    bool replacing_ = false;
};

class LineEditGuard : public GuardBase {
public:
    explicit LineEditGuard(QLineEdit* edit) : GuardBase(edit), edit_(edit) {
        Remember();
        connect(edit, &QLineEdit::textEdited, this, [this] { ChangedByUser(); });
        connect(edit, &QLineEdit::textChanged, this, [this] { ChangedAtAll(); });
    }

protected:
    QString Text() const override { return edit_->text(); }
    void Replace(qsizetype start, qsizetype end, const QString& kept) override {
        const QString now = edit_->text();
        edit_->setText(now.left(start) + kept + now.mid(end));
        edit_->setCursorPosition(static_cast<int>(start + kept.size()));
        edit_->setModified(true);
    }
    bool NamesCharacters() const override { return edit_->echoMode() == QLineEdit::Normal; }

private:
    QLineEdit* edit_;
};

class PlainTextGuard : public GuardBase {
public:
    explicit PlainTextGuard(QPlainTextEdit* edit) : GuardBase(edit), edit_(edit) {
        Remember();
        connect(edit->document(), &QTextDocument::contentsChange, this, [this](int, int, int added) {
            if (added > 0 && edit_->hasFocus() && !edit_->isReadOnly()) ChangedByUser();
        });
        connect(edit, &QPlainTextEdit::textChanged, this, [this] { ChangedAtAll(); });
    }

protected:
    QString Text() const override { return edit_->toPlainText(); }
    void Replace(qsizetype start, qsizetype end, const QString& kept) override {
        QTextCursor cursor(edit_->document());
        cursor.setPosition(static_cast<int>(start));
        cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
        cursor.joinPreviousEditBlock();  // undone together with the input it corrects
        cursor.insertText(kept);
        cursor.endEditBlock();
        edit_->setTextCursor(cursor);
    }

private:
    QPlainTextEdit* edit_;
};

bool InFileDialog(const QWidget* w) {
    for (; w != nullptr; w = w->parentWidget())
        if (qobject_cast<const QFileDialog*>(w) != nullptr) return true;
    return false;
}

class PolishWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) GuardSjisInput(static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void InstallSjisInputGuard() {
    static QPointer<PolishWatcher> watcher;
    if (watcher || qApp == nullptr) return;
    watcher = new PolishWatcher(qApp);
    qApp->installEventFilter(watcher);
}

void GuardSjisInput(QWidget* edit) {
    if (edit == nullptr || !edit->property(kKindProperty).isNull()) return;
    auto* line = qobject_cast<QLineEdit*>(edit);
    auto* plain = line == nullptr ? qobject_cast<QPlainTextEdit*>(edit) : nullptr;
    if ((line == nullptr && plain == nullptr) || InFileDialog(edit)) return;
    edit->setProperty(kKindProperty, QString::fromLatin1(kGuarded));
    if (line != nullptr) new LineEditGuard(line);
    else new PlainTextGuard(plain);
}

void MarkFiltersOwnInput(QWidget* edit) {
    if (edit != nullptr) edit->setProperty(kKindProperty, QString::fromLatin1(kOwn));
}

void MarkPathEdit(QWidget* edit) {
    if (edit != nullptr) edit->setProperty(kKindProperty, QString::fromLatin1(kPath));
}

}  // namespace ui
