#pragma once
// COptionDlg: the base of the small option dialogs that the settings sheet's button pages
// open. Each works on the sheet's option copy (not owned, never the store):
//  - when it first shows, it loads its controls from its slots, then sets which controls
//    are enabled;
//  - OK runs the dialog's own check (which tells the user what is wrong and keeps the
//    dialog open), then writes its slots back and closes;
//  - Cancel, Escape and the close box leave the copy exactly as it was.
// So nothing a dialog does reaches the options before the sheet itself is confirmed.

#include <QDialog>

#include "app/settings/option_controls.h"

class QVBoxLayout;

namespace settings {

class COptionDlg : public QDialog {
    Q_OBJECT
public:
    // The copy may be null: the dialog then shows empty controls and stores nothing.
    COptionDlg(int idd, const char* caption, OptionCopy* options, QWidget* parent);

    // IDOK (1) or IDCANCEL (2).
    int DoModal();

    void accept() override;

protected:
    // load: slots to controls; store: controls to slots.
    virtual void ExchangeOptions(bool load) = 0;
    // Enables the controls by what is checked; run after loading and on the clicks that
    // change it.
    virtual void UpdateEnabling() {}
    // The check of OK: false (after the message) keeps the dialog open. It may tidy the
    // input it accepts (a number written plainly, a keyword trimmed).
    virtual bool CheckInput() { return true; }
    // After the slots were written, before the dialog closes.
    virtual void AfterStore() {}
    // After the first load and enabling (the focus, for instance).
    virtual void AfterLoad() {}

    // The column the dialog's controls go into; AddButtons puts OK and キャンセル under them.
    QVBoxLayout* Body() const { return body_; }
    void AddButtons();
    OptionCopy* Options() const { return options_; }

    // Tells the user of a refused input (exclamation icon, `title`) and puts the focus on
    // control `id` (its text selected).
    void Refuse(const QString& text, const QString& title, int id);

    void showEvent(QShowEvent* event) override;

private:
    void Load();

    OptionCopy* options_;
    QVBoxLayout* body_;
    bool loaded_ = false;
};

}  // namespace settings
