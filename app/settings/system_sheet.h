#pragma once
// CSystemSheet: the property sheet "システム設定" in which the user edits the system options
// of the open environment: sender and servers (CSystemMain), SMTP authentication and SSL
// (CSystemSMTP), send/receive options (CSystemTransOption), mail creation (CSystemMail)
// and other options (CSystemUnity), in that tab order.
//
// It edits a private copy of the 123 option texts, read from the store when it is made;
// every page and option dialog works on that one copy. Only OK hands the copy back to the
// store (in memory: the caller writes the file), so Cancel leaves the options exactly as
// they were, whatever the option dialogs wrote into the copy. The edit font and the
// test-mail recipients are not options: their dialogs save them at once.
//
// Made, the copy is migrated from the layout before SSL: when slot 89 is exactly "89",
// the sender name and slots 83-84 become empty, SSL is off with modes "0", the server's
// certificate is checked, and slot 89 becomes "Y5". Like every other change, this reaches
// the store only through OK.
//
// Options that cannot be read (no environment bound, no valid record) are not edited:
// the sheet would otherwise show empty settings and OK would store them over every
// setting the environment has. DoModal then tells the store's error and returns IDCANCEL
// without showing the sheet.
//
// OK:
//  1. refuses unless all five pages are there;
//  2. checks the required-items page, then (shown, so that it holds its values even when
//     the user never opened it) the send/receive details page; a refusal shows that page
//     with the message ("個人情報入力エラー" / "SMTP認証入力エラー") and the focus on the
//     control named;
//  3. stores both pages into the copy and the copy into the store, then closes with IDOK.
//     Should the store refuse the copy, its error is shown and the sheet stays open.
//
// In wizard mode (the first-start wizard) the caption says so and, once the sheet has been
// drawn, a hint tells what to fill in; once per run.

#include <QString>

#include <memory>

#include "app/settings/mail_font_setting.h"
#include "app/settings/option_controls.h"
#include "app/widgets/varnis_property_sheet.h"

class SystemOption;

namespace settings {

class CSystemMain;
class CSystemSMTP;
class CSystemTransOption;
class CSystemMail;
class CSystemUnity;

class CSystemSheet : public shell::CVarnisPropertySheet {
    Q_OBJECT
public:
    enum : int { kPageMain = 0, kPageSmtp = 1, kPageTransOption = 2, kPageMail = 3, kPageUnity = 4, kPageCount = 5 };

    // `options`: the store the copy comes from and goes back to (not owned; may be null,
    // and is then refused as unreadable).
    CSystemSheet(SystemOption* options, const QString& caption, QWidget* parent = nullptr, int selectPage = 0);
    ~CSystemSheet() override;

    // Set before DoModal.
    void SetWizardMode(bool on) { wizardMode_ = on; }
    void HideApplyButton();
    // Where the edit font goes when the user chooses one (the application's mail font).
    void SetMailFontHook(MailFontHook hook);

    // IDOK (1) after the options were stored in memory, IDCANCEL (2) otherwise (also when
    // the options could not be read, after saying so).
    int DoModal();

    // The copy the pages edit.
    OptionCopy& Options() { return copy_; }
    // 0 when the store's values were read into the copy, else the store's negative result.
    int ReadResult() const { return readResult_; }

    CSystemMain* MainPage() const { return main_; }
    CSystemSMTP* SmtpPage() const { return smtp_; }
    CSystemTransOption* TransOptionPage() const { return transOption_; }
    CSystemMail* MailPage() const { return mail_; }
    CSystemUnity* UnityPage() const { return unity_; }

    // The migration of the copy described above; true when it changed the copy.
    static bool MigrateOptions(OptionCopy& options);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowWizardHint();
    // Shows page `index` with `text` under `title` and the focus on control `id`.
    void RefuseOnPage(int index, QWidget* page, const QString& text, const char* title, int id);

    SystemOption* store_;
    OptionCopy copy_;
    int readResult_ = 0;
    bool wizardMode_ = false;
    bool hintPending_ = false;
    bool initialised_ = false;
    CSystemMain* main_;
    CSystemSMTP* smtp_;
    CSystemTransOption* transOption_;
    CSystemMail* mail_;
    CSystemUnity* unity_;
};

}  // namespace settings
