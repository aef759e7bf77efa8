#include "app/settings/import_wait.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <thread>

#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace settings {

ImportWaitDlg::ImportWaitDlg(QWidget* parent) : shell::CWaitDlg(parent) {
    stop_ = AddButton(ui::U8("インポートの中止"), kIdcStop);
    stop_->setCursor(Qt::ArrowCursor);
    setWindowModality(Qt::WindowModal);
    connect(stop_, &QPushButton::clicked, this, &ImportWaitDlg::OnStop);
}

void ImportWaitDlg::ResetControls() {
    stopConfirmed_ = false;
    stop_->setEnabled(true);
}

void ImportWaitDlg::OnStop() {
    if (stopConfirmed_) return;
    const int answer = ui::MessageBox(
        this,
        ui::U8("インポートを中止します\r\nここまでに取り込んだデータは取り消され、個人情報はインポート前の状態に戻ります\r\n"
               "よろしいですか？"),
        ui::U8("インポート中止の確認"), platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2);
    if (answer != platform::kIdYes || stopConfirmed_ || !IsCreated()) return;
    stopConfirmed_ = true;
    stop_->setEnabled(false);
    emit StopRequested();
}

void RunWhileWaiting(QWidget* owner, const std::function<void()>& work, const QString& line1, const QString& line2,
                     const QString& line3) {
    QEventLoop loop;
    std::thread worker([&work, &loop] {
        work();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    shell::CWaitDlg wait(owner);
    wait.SetMessages(line1, line2, line3);
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, &wait, [&wait, owner] { wait.Create(owner); });
    later.start(300);
    // The quit is always posted from the worker and always met here, so the loop never
    // outlives its worker and the posted call never outlives the loop.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    later.stop();
    wait.End();
}

}  // namespace settings
