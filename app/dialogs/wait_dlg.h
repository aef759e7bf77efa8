#pragma once
// CWaitDlg (dialog 177): the please-wait window. A screen that starts long work fills its
// three lines and creates it over itself; it shows the wait cursor and ignores every key,
// and the screen closes it with End when the work is done. The application keeps one for
// environment opening and the address-book load.

#include "app/dialogs/progress_dialog_base.h"

namespace shell {

class CWaitDlg : public ProgressDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 177;
    static constexpr int kIdcLine1 = 1462;
    static constexpr int kIdcLine2 = 1463;
    static constexpr int kIdcLine3 = 1465;

    explicit CWaitDlg(QWidget* parent = nullptr);

    // Writes the lines into the window at once when it is created; otherwise does
    // nothing (the lines of SetMessages stay for the next creation).
    void ShowMessages(const QString& line1, const QString& line2, const QString& line3);
};

}  // namespace shell
