#include "app/shell/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell {

CAboutDlg::CAboutDlg(const QString& versionLine, QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("バージョン情報"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(ui::U8("Varnis"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(ui::SetControlId(new QLabel(versionLine, this), kIdcVersion));
    layout->addWidget(new QLabel(ui::U8("同報メール配信システム"), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace shell
