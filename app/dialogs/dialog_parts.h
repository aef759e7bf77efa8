#pragma once
// Building blocks shared by the shell's dialogs: labels, buttons and edits named by their
// control numbers, the OK/Cancel row, and the key filter of the wait dialogs.
//
// Texts are shown as the dialogs give them; a "\r\n" line break shows as one break.

#include <QObject>
#include <QString>

#include <initializer_list>

class QBoxLayout;
class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace shell::dialogs {

// Button numbers of the standard OK and Cancel buttons (and the results they give).
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A label showing `text`; named as control `id` unless `id` is 0.
QLabel* MakeLabel(QWidget* parent, const QString& text, int id = 0);
// A push button named as control `id`. It never becomes the default button on its own,
// so Enter clicks it only where a dialog makes it the default.
QPushButton* MakeButton(QWidget* parent, const QString& text, int id);
// A one-line edit named as control `id`; `password` hides what is typed.
QLineEdit* MakeEdit(QWidget* parent, int id, bool password = false);
QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, int id);

// A right-aligned row of "OK" (the default button) and, when `cancel`, "キャンセル",
// named as controls 1 and 2, added to `layout`; they call the dialog's accept and reject
// (as overridden by the dialog).
void AddOkCancelRow(QBoxLayout* layout, QDialog* dialog, bool cancel);
// A right-aligned row of the buttons given, added to `layout`.
void AddButtonRow(QBoxLayout* layout, std::initializer_list<QPushButton*> buttons);
// A radio button showing `utf8`, named as control `id`, added to the layout of `parent`.
QRadioButton* AddRadio(QWidget* parent, const char* utf8, int id);

// Shows `dialog` modally: kIdOk when it was accepted, kIdCancel otherwise.
int RunDialog(QDialog& dialog);

// Eats every key press and release that reaches `root` or any widget below it at the time
// of the call, so Enter, Escape and Space do nothing there: the wait dialogs are left only
// when their work ends (or, for a cancel button, by the mouse).
class KeySwallower : public QObject {
public:
    static void Install(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

}  // namespace shell::dialogs
