#include "app/dialogs/db_save_wait_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/environment/program_keys.h"
#include "app/environment/scheduler_control.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/notifier.h"

namespace shell {

CDbSaveWaitDlg::CDbSaveWaitDlg(SaveFunction save, QWidget* parent) : QDialog(parent), save_(std::move(save)) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(QString::fromUtf8(kProductName));
    setCursor(Qt::WaitCursor);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(24, 18, 24, 18);
    for (auto [id, text] : {std::pair{kIdcLine1, "更新された個人情報を保存しています"},
                            std::pair{kIdcLine2, "件数により時間がかかる場合があります"},
                            std::pair{kIdcLine3, "しばらくお待ちください"}}) {
        auto* label = dialogs::MakeLabel(this, ui::U8(text), id);
        label->setAlignment(Qt::AlignCenter);
        column->addWidget(label);
    }
}

CDbSaveWaitDlg::SaveFunction CDbSaveWaitDlg::ProgramSave() {
    CDatabaseEdit* book = GetDatabaseEdit();
    SchedulerControl* scheduler = GetScheduler();
    return [book, scheduler]() -> int {
        if (book == nullptr) return 0;
        ScopedSchedulerPause pause([scheduler] { return scheduler; });
        return book->WriteFromMemoryToFile() == 0 ? 0 : -1;
    };
}

bool CDbSaveWaitDlg::IsSaveRunning() { return AddressBookSave::Instance().IsRunning(); }

void CDbSaveWaitDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (waiting_) return;
    waiting_ = true;
    started_ = AddressBookSave::Instance().StartOrJoin(save_, this, [this](int result, bool started) {
        waiting_ = false;
        result_ = result;
        started_ = started;
        End();
    });
}

void CDbSaveWaitDlg::End() { done(dialogs::kIdCancel); }

int CDbSaveWaitDlg::DoModal() {
    const int answer = exec();
    if (started_ && result_ < 0) {
        ui::MessageBox(parentWidget(),
                       ui::U8("更新された個人情報の保存に失敗しました。\r\n"
                              "変更内容は次回の保存時にもう一度保存します。"),
                       ui::U8("個人情報保存エラー"), platform::kMbOk | platform::kMbIconWarning);
    }
    return answer;
}

}  // namespace shell
