#include "app/sendrecv/mail_type_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

CMailTypeDlg::CMailTypeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("メールの種類"));

    auto* column = new QVBoxLayout(this);
    column->addWidget(MakeLabel(this, ui::U8("作成するメールの種類を選択してください\r\n"
                                             "編集中や編集後に、ウィンドウの切り替えはできません")));
    auto* grid = new QGridLayout;
    struct Kind {
        int id;
        const char* text;
        int result;
        int mailType;
    };
    const Kind kinds[] = {{kIdcText, "テキスト", kResultText, kTypeNone},
                          {kIdcHtmlPc, "HTML(PC用)", kResultHtml, kTypeHtmlPc},
                          {kIdcHtmlMobile, "HTML(携帯用)", kResultHtml, kTypeHtmlMobile},
                          {kIdcHtmlOld, "HTML(旧処理)", kResultHtml, kTypeHtmlOld}};
    int slot = 0;
    for (const Kind& k : kinds) {
        QPushButton* button = MakeButton(this, ui::U8(k.text), k.id);
        button->setMinimumWidth(130);
        grid->addWidget(button, slot / 2, slot % 2);
        ++slot;
        connect(button, &QPushButton::clicked, this, [this, k] { Choose(k.result, k.mailType); });
    }
    column->addLayout(grid);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    QPushButton* cancel = MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    connect(cancel, &QPushButton::clicked, this, &CMailTypeDlg::reject);
    row->addWidget(cancel);
    column->addLayout(row);
}

int CMailTypeDlg::DoModal() {
    result_ = kResultNone;
    mailType_ = kTypeNone;
    if (wizardMode_ != 0) {
        if (!windowTitle().endsWith(ui::U8(" － ウィザードモード"))) setWindowTitle(windowTitle() + ui::U8(" － ウィザードモード"));
        ui::FindControl(this, kIdcHtmlPc)->setEnabled(false);
        ui::FindControl(this, kIdcHtmlMobile)->setEnabled(false);
    }
    return exec() == platform::kIdOk ? platform::kIdOk : platform::kIdCancel;
}

void CMailTypeDlg::Choose(int result, int mailType) {
    result_ = result;
    mailType_ = mailType;
    done(platform::kIdOk);
}

void CMailTypeDlg::reject() {
    result_ = kResultNone;
    mailType_ = kTypeNone;
    done(platform::kIdCancel);
}
