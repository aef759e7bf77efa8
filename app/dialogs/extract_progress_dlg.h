#pragma once
// CExtractProgressDlg (dialog 178): the progress window of an address-book extraction,
// with the button "処理の中止". The extraction screen (its owner) runs the extraction on a
// worker, creates this window over itself and closes it with End.
//
// Cancelling is a conversation with the owner: the button first signals ExtractPause (the
// owner holds its worker), then asks the user; Yes signals ExtractCancelled (and the
// window turns into "中止処理をしています"), No signals ExtractResume. The signals come
// in that order, one pair per click, on the GUI thread.
//
// Escape, Enter and the close box leave it open; it shows the wait cursor.

#include "app/dialogs/progress_dialog_base.h"

class QPushButton;

namespace shell {

class CExtractProgressDlg : public ProgressDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 178;
    static constexpr int kIdcLine1 = 1468;
    static constexpr int kIdcLine2 = 1469;
    static constexpr int kIdcLine3 = 1470;
    static constexpr int kIdcCancel = 1467;

    explicit CExtractProgressDlg(QWidget* parent = nullptr);

    // The screen that runs the extraction: the window Create stands over when it is given
    // no other, and the owner of the confirmation.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QWidget* Owner() const { return owner_; }

signals:
    void ExtractPause();      // the cancel button was pressed; the question follows
    void ExtractCancelled();  // the user confirmed the cancel
    void ExtractResume();     // the user declined: go on

protected:
    void ResetControls() override;

private:
    void OnCancel();

    QWidget* owner_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace shell
