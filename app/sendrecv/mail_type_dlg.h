#pragma once
// CMailTypeDlg (dialog 217, "メールの種類"): asks which kind of mail a new mail is before
// the composing dialog opens for it. Each kind button closes the dialog with IDOK and
// sets the result and the HTML kind; "キャンセル" closes with IDCANCEL and both stay -1.
//
// In wizard mode (the setup wizard's first mail) the caption says so and only text and
// the older HTML processing can be chosen: "HTML(PC用)" and "HTML(携帯用)" are disabled.

#include <QDialog>

class CMailTypeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 217;
    enum : int { kIdcText = 1499, kIdcHtmlPc = 1506, kIdcHtmlMobile = 1507, kIdcHtmlOld = 1508 };
    // GetResult: -1 nothing chosen, 0 text, 1 an HTML kind.
    enum : int { kResultNone = -1, kResultText = 0, kResultHtml = 1 };
    // GetMailType: -1 none or text, 0 HTML for PCs, 1 HTML for mobile phones, 2 HTML with
    // the older processing.
    enum : int { kTypeNone = -1, kTypeHtmlPc = 0, kTypeHtmlMobile = 1, kTypeHtmlOld = 2 };

    explicit CMailTypeDlg(QWidget* parent = nullptr);

    // Set before DoModal: nonzero for the setup wizard.
    void SetWizardMode(int wizardMode) { wizardMode_ = wizardMode; }
    // IDOK (1) when a kind was chosen, IDCANCEL (2) otherwise.
    int DoModal();

    int GetResult() const { return result_; }
    int GetMailType() const { return mailType_; }

    void reject() override;

private:
    void Choose(int result, int mailType);

    int wizardMode_ = 0;
    int result_ = kResultNone;
    int mailType_ = kTypeNone;
};
