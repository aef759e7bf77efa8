#include "app/sendrecv/same_address_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

namespace {
CSameAddressDlg::RecordViewer& Viewer() {
    static CSameAddressDlg::RecordViewer viewer;
    return viewer;
}
}  // namespace

CSameAddressDlg::RecordViewer CSameAddressDlg::SetExistingRecordViewer(RecordViewer viewer) {
    return std::exchange(Viewer(), std::move(viewer));
}

CSameAddressDlg::CSameAddressDlg(const QString& explanation, const QString& action, int customerId, QWidget* parent)
    : QDialog(parent), customerId_(customerId) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("同じメールアドレスが個人情報に存在します"));
    auto* column = new QVBoxLayout(this);
    QString shown = explanation;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QLabel* text = MakeLabel(this, shown, kIdcExplanation);
    text->setWordWrap(true);
    column->addWidget(text);

    auto* overwriteRow = new QHBoxLayout;
    QPushButton* overwrite = MakeButton(this, ui::U8("既存の個人情報に上書きする"), kIdcOverwrite);
    overwriteRow->addWidget(overwrite);
    overwriteRow->addWidget(MakeLabel(this, action, kIdcAction), 1);
    column->addLayout(overwriteRow);

    auto* bottom = new QHBoxLayout;
    QPushButton* detail = MakeButton(this, ui::U8("上書き対象の詳細表示（確認）"), kIdcDetail);
    detail->setEnabled(static_cast<bool>(Viewer()));
    bottom->addWidget(detail);
    bottom->addStretch(1);
    bottom->addWidget(MakeLabel(this, ui::U8("今は登録しません")));
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), shell::dialogs::kIdCancel);
    close->setDefault(true);
    bottom->addWidget(close);
    column->addLayout(bottom);

    connect(overwrite, &QPushButton::clicked, this, [this] { done(kIdcOverwrite); });
    connect(detail, &QPushButton::clicked, this, [this] {
        if (Viewer()) Viewer()(this, customerId_, ui::U8("上書き対象個人情報の確認"));
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

int CSameAddressDlg::DoModal() {
    const int r = exec();
    return r == kIdcOverwrite ? static_cast<int>(kIdcOverwrite) : static_cast<int>(platform::kIdCancel);
}
