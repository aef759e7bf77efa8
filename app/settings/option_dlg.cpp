#include "app/settings/option_dlg.h"

#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {

COptionDlg::COptionDlg(int idd, const char* caption, OptionCopy* options, QWidget* parent)
    : QDialog(parent), options_(options) {
    setObjectName(ui::DialogName(idd));
    setWindowTitle(ui::U8(caption));
    body_ = new QVBoxLayout(this);
}

void COptionDlg::AddButtons() { shell::dialogs::AddOkCancelRow(body_, this, true); }

int COptionDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

void COptionDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Load();
}

void COptionDlg::Load() {
    if (loaded_) return;
    loaded_ = true;
    ExchangeOptions(true);
    UpdateEnabling();
    AfterLoad();
}

void COptionDlg::accept() {
    Load();  // controls that never showed the slots are never written back
    if (!CheckInput()) return;
    ExchangeOptions(false);
    AfterStore();
    QDialog::accept();
}

void COptionDlg::Refuse(const QString& text, const QString& title, int id) {
    ui::MessageBox(this, text, title, platform::kMbOk | platform::kMbIconWarning);
    FocusControl(this, id);
}

}  // namespace settings
