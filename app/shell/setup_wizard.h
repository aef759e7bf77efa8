#pragma once
// CSetupWizardDlg (dialog 278, "初期設定ウィザード"): walks a new user from the system
// settings to a first mail sent, in five steps, one step button enabled at a time:
//   1 system settings (1049)  2 a mail (1055)  3 personal information (32791)
//   4 destinations (32784)    5 sending (32805)
// Each step runs its screen (through the screen registry) and, when it did its part,
// enables the next step and disables its own; the guide line (1773) says what the
// enabled step does. Enter runs the step whose button has the focus.
//
// What each step leaves behind:
//  - 1 writes the system options after the settings closed with OK;
//  - 2 keeps the ID of the mail composed (steps 4 and 5 work on it) and shows it in the
//    mail list;
//  - 3 and 4 save the address book afterwards (the save dialog) and keep the scheduler
//    paused while the wizard runs; 3 goes on only once the address book holds a person,
//    4 only once the chosen list was given to the mail;
//  - 5 makes the mail a draft while it is composed once more. Reserved or sent, the
//    wizard ends with OK after the mail list was written; a mail that did not become
//    ready to send is neither sent nor announced as reserved (the person was told why by
//    the screen that refused), and the wizard stays. Cancelled, the mail goes back to
//    exactly the status it had.
// A step whose screen is not installed does nothing.

#include <QDialog>
#include <QImage>

#include <map>

#include "app/shell/screen_registry.h"

class QLabel;

namespace shell {

class MailListController;

class CSetupWizardDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 278;
    static constexpr int kIdcSystemSetting = 1049;
    static constexpr int kIdcMakeMail = 1055;
    static constexpr int kIdcPersonalInfo = 32791;
    static constexpr int kIdcDestination = 32784;
    static constexpr int kIdcSendMail = 32805;
    static constexpr int kIdcGuide = 1773;
    // The step pictures (enabled / disabled) as the steps' bitmaps are numbered.
    static constexpr QSize kStepImageSize{104, 84};

    // `list`: the mail list the steps show their mail in (may be null).
    explicit CSetupWizardDlg(QWidget* parent = nullptr, ScreenRegistry& screens = Screens(),
                             MailListController* list = nullptr);
    ~CSetupWizardDlg() override;

    // Enables or disables a step's button and its label together; enabling also writes
    // the step's guide text and gives its button the focus.
    void SetStep(int buttonId, int enable);
    bool IsStepEnabled(int buttonId) const;
    // The mail made in step 2 (-1 before).
    int CurrentMailId() const { return mailId_; }
    int DoModal() { return exec(); }

    // The steps, as their buttons run them.
    void OnSystemSetting();
    void OnMakeMail();
    void OnPersonalInfo();
    void OnDestination();
    void OnSendMail();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowGuidance();
    void ShowMail(const COneMailData& mail);
    void SaveAddressBookAndPause();
    int Tell(const char* text);

    ScreenRegistry& screens_;
    MailListController* list_;
    std::map<int, QWidget*> buttons_;
    std::map<int, QLabel*> labels_;
    QLabel* guide_ = nullptr;
    bool firstPaint_ = true;
    int mailId_ = -1;
};

}  // namespace shell
