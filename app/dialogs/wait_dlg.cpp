#include "app/dialogs/wait_dlg.h"

#include <QLabel>

#include "app/dialogs/dialog_parts.h"

namespace shell {

CWaitDlg::CWaitDlg(QWidget* parent) : ProgressDialogBase(kIdd, {kIdcLine1, kIdcLine2, kIdcLine3}, parent) {
    setCursor(Qt::WaitCursor);
    dialogs::KeySwallower::Install(this);
}

void CWaitDlg::ShowMessages(const QString& line1, const QString& line2, const QString& line3) {
    if (!IsCreated()) return;
    LineLabel(0)->setText(line1);
    LineLabel(1)->setText(line2);
    LineLabel(2)->setText(line3);
}

}  // namespace shell
