#include "app/dialogs/env_select_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace shell {

CEnvSelectDlg::CEnvSelectDlg(bool importMode, QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(importMode ? ui::U8("Varnis　データインポートの環境選択") : ui::U8("Varnisの起動環境の選択"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setSpacing(10);
    column->addWidget(dialogs::MakeLabel(
        this,
        importMode ? ui::U8("BrindellのデータをVarnisへインポートします。\r\nどのような環境で、インポートを行いますか？")
                   : ui::U8("Varnisの起動時に使用するデフォルトの\r\n環境が見つかりませんでした。\r\n"
                            "どのような環境でVarnisを起動しますか？"),
        kIdcText));
    for (auto [id, text] : {std::pair{kIdcNew, "新しく環境を作成して起動する"},
                            std::pair{kIdcExisting, "既存の環境を選択して起動する"}}) {
        auto* button = dialogs::MakeButton(this, ui::U8(text), id);
        button->setMinimumHeight(button->sizeHint().height() * 3 / 2);
        connect(button, &QPushButton::clicked, this, [this, id = id] { done(id); });
        column->addWidget(button);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* cancel = dialogs::MakeButton(this, ui::U8("キャンセル"), kIdcCancel);
    connect(cancel, &QPushButton::clicked, this, &CEnvSelectDlg::reject);
    row->addWidget(cancel);
    column->addLayout(row);
}

void CEnvSelectDlg::reject() { done(dialogs::kIdCancel); }

}  // namespace shell
