#include "app/sendrecv/send_receive_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <vector>

#include "app/sendrecv/display_only_edit.h"
#include "app/sendrecv/receive_result_screens.h"
#include "app/sendrecv/send_job.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

// The worker's observer. Reports are copied into a mailbox under a mutex and replayed on
// the GUI thread, in order, by one wake-up event at a time: however fast the worker
// reports (a count per recipient), the GUI thread gets one call per batch, and the data
// cross the threads only under the mailbox's mutex. The wake-up event carries nothing and
// is never read. Processed counts that follow one another are merged into the last one.
// The same mailbox carries the one step the worker waits for, the result dialogs of a
// receive run (Call).
class CSendReceiveDlg::Reporter : public QObject, public SendReceiveObserver {
public:
    Reporter(CSendReceiveDlg* dialog, bool pauses) : dialog_(dialog), pauses_(pauses) {}

    void OnStatus(const std::string& text) override { Push({kStatus, 0, text}); }
    void OnTotal(int total) override { Push({kTotal, total, {}}); }
    void OnProcessed(int processed) override { Push({kCurrent, processed, {}}); }
    void OnMailKind(int kind) override { Push({kMailKind, kind, {}}); }
    void OnRunStarted() override { Push({kStarted, 0, {}}); }
    void OnState(int state) override { Push({kState, state, {}}); }
    void OnMailId(int mailId) override { Push({kMailId, mailId, {}}); }
    void OnRunFinished(RunOutcome outcome) override { Push({kFinished, static_cast<int>(outcome), {}}); }
    void Pause(int ms, const std::function<bool()>& stop) override {
        if (pauses_) SleepUnlessStopped(ms, stop);
    }
    // Worker: runs `fn` on the GUI thread after the reports before it, and waits for it.
    void Call(std::function<void()> fn) {
        bool done = false;
        Push({kCall, 0, {}, std::move(fn), &done});
        std::unique_lock<std::mutex> lock(mutex_);
        called_.wait(lock, [&done] { return done; });
    }

    // GUI thread: replays what arrived.
    void Drain() {
        std::vector<Report> batch;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            batch.swap(queue_);
            wakePending_ = false;
        }
        for (const Report& r : batch) {
            if (r.kind == kCall) {
                // A dialog that is going away shows nothing more, but lets the worker go on.
                if (!dialog_->detached_) r.call();
                std::lock_guard<std::mutex> lock(mutex_);
                *r.done = true;
                called_.notify_all();
                continue;
            }
            if (dialog_->detached_) continue;
            switch (r.kind) {
            case kStatus: dialog_->OnStatusText(ui::FromSjis(r.text)); break;
            case kTotal: dialog_->OnTotal(r.value); break;
            case kCurrent: dialog_->OnCurrent(r.value); break;
            case kMailKind: dialog_->OnMailKind(r.value); break;
            case kStarted: dialog_->OnRunStarted(); break;
            case kState: dialog_->OnStateCode(r.value); break;
            case kMailId: dialog_->OnMailId(r.value); break;
            case kFinished: dialog_->OnRunFinished(static_cast<RunOutcome>(r.value)); break;
            case kCall: break;
            }
        }
        // What arrived shows at once, not only at the next tick of the refresh.
        if (!batch.empty() && !dialog_->detached_) dialog_->Refresh();
    }

protected:
    bool event(QEvent*) override {
        Drain();
        return true;
    }

private:
    enum Kind { kStatus, kTotal, kCurrent, kMailKind, kStarted, kState, kMailId, kFinished, kCall };
    struct Report {
        Kind kind;
        int value;
        std::string text;
        std::function<void()> call = {};
        bool* done = nullptr;  // the waiting worker's flag (guarded by mutex_)
    };

    void Push(Report report) {
        bool wake;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (report.kind == kCurrent && !queue_.empty() && queue_.back().kind == kCurrent) {
                queue_.back().value = report.value;
            } else {
                queue_.push_back(std::move(report));
            }
            wake = !wakePending_;
            wakePending_ = true;
        }
        if (wake) QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

    CSendReceiveDlg* dialog_;
    const bool pauses_;
    std::mutex mutex_;
    std::condition_variable called_;
    std::vector<Report> queue_;
    bool wakePending_ = false;
};

namespace {

struct CountRow {
    int id;
    int kind;
    const char* label;
};
// The counters in the order shown, with the kind each counts.
constexpr CountRow kCountRows[] = {
    {CSendReceiveDlg::kIdcRegistrations, ReceiveRunObserver::kRegistration, "自動登録"},
    {CSendReceiveDlg::kIdcRefusals, ReceiveRunObserver::kRefusal, "自動受信拒否"},
    {CSendReceiveDlg::kIdcErrorMails, ReceiveRunObserver::kErrorMail, "エラーメール"},
    {CSendReceiveDlg::kIdcReadReceipts, ReceiveRunObserver::kReadReceipt, "開封通知"},
    {CSendReceiveDlg::kIdcUnrelated, ReceiveRunObserver::kUnrelated, "無関係"},
};

}  // namespace

CSendReceiveDlg::CSendReceiveDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("Varnis メール送受信状況"));
    setModal(false);

    auto* column = new QVBoxLayout(this);
    stateEdit_ = ui::SetControlId(new CNoInputEdit(this, 1), kIdcState);
    column->addWidget(stateEdit_);
    progress_ = ui::SetControlId(new QProgressBar(this), kIdcProgress);
    progress_->setTextVisible(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    column->addWidget(progress_);
    statusEdit_ = ui::SetControlId(new CNoInputEdit(this, 3), kIdcStatus);
    column->addWidget(statusEdit_);

    auto* group = new QGroupBox(ui::U8("受信メールの内訳"), this);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const CountRow& r : kCountRows) {
        grid->addWidget(new QLabel(ui::U8(r.label), group), row, 0);
        CNoInputEdit* edit = ui::SetControlId(new CNoInputEdit(group, 1), r.id);
        edit->setMinimumWidth(110);
        countEdits_[static_cast<std::size_t>(r.kind)] = edit;
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(ui::U8("通"), group), row, 2);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    column->addWidget(group);

    auto* bottom = new QHBoxLayout;
    autoClose_ = shell::dialogs::MakeCheckBox(this, ui::U8("このウィンドウを自動的に閉じる"), kIdcAutoClose);
    bottom->addWidget(autoClose_);
    bottom->addStretch(1);
    cancel_ = shell::dialogs::MakeButton(this, ui::U8("キャンセル"), kIdcCancel);
    // "キャンセル" while the run works; "閉じる" once it has ended.
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (workerActive_) {
            OnCancel();
        } else {
            close();
        }
    });
    bottom->addWidget(cancel_);
    column->addLayout(bottom);
    setMinimumWidth(380);

    refresh_ = new QTimer(this);
    refresh_->setInterval(kRefreshMs);
    connect(refresh_, &QTimer::timeout, this, &CSendReceiveDlg::Refresh);

    ResetState();
}

CSendReceiveDlg::~CSendReceiveDlg() {
    detached_ = true;
    StopAndWait();
    JoinWorker();
    std::lock_guard<std::mutex> lock(mutex_);
    parts_ = SendReceiveRunParts();
}

// ---- The run --------------------------------------------------------------------------------

void CSendReceiveDlg::Launch(int mode, int chosenMailId) {
    if (IsRunning()) return;
    ResetState();
    {
        // Made when a run starts, over the environment open then.
        std::lock_guard<std::mutex> lock(mutex_);
        parts_ = factory_ ? factory_(this) : MakeSendReceiveRunParts(SendEnvironment::Program(), this);
    }
    const bool locked = hooks_.isLocked && hooks_.isLocked();
    Create(!locked);
    if (locked && hooks_.showLockWindow) hooks_.showLockWindow();
    SetMode(mode);
    StartWorker(chosenMailId);
}

void CSendReceiveDlg::ResetState() {
    JoinWorker();
    mode_ = 0;
    SetState(kStateIdle);
    total_ = 0;
    totalKnown_ = true;
    current_ = 0;
    counts_.fill(0);
    progressRange_ = 0;
    progressPosition_ = 0;
    progressScale_ = 0;
    mailId_ = -1;
    progress_->setRange(0, 1);
    progress_->setValue(0);
    std::lock_guard<std::mutex> lock(mutex_);
    flags_.cancel = 0;
    flags_.windowEnded = 0;
    flags_.state = kStateIdle;
    // The parts first: a dial-up service may still be reporting through the reporter.
    parts_ = SendReceiveRunParts();
    reporter_.reset();
}

int CSendReceiveDlg::SetMode(int mode) {
    if (mode < 0 || mode > 7) return 0;
    mode_ = mode;
    return 1;
}

int CSendReceiveDlg::SetState(int state) {
    if (state < kStateIdle || state > kStateManualDialup) return 0;
    state_ = state;
    return 1;
}

void CSendReceiveDlg::Create(bool show) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = true;
    }
    open_ = true;
    cancel_->setText(ui::U8("キャンセル"));
    OnInitDialog();
    StandOverMainWindow();
    if (show) {
        this->show();
        raise();
    }
}

void CSendReceiveDlg::StandOverMainWindow() {
    QWidget* main = hooks_.mainWindow ? hooks_.mainWindow() : nullptr;
    // Without a transient parent of its own the toolkit names a hidden window of its own,
    // and the window manager lets the main window cover this one once it is clicked.
    if (main == nullptr || main->windowHandle() == nullptr) return;
    winId();
    windowHandle()->setTransientParent(main->windowHandle());
}

void CSendReceiveDlg::OnInitDialog() {
    initialised_ = true;
    autoClose_->setChecked(Option(kOptionAutoClose) == "Y");
    statusLine_.clear();
    Refresh();
}

void CSendReceiveDlg::StartWorker(int chosenMailId) {
    if (worker_.joinable()) return;
    reporter_ = std::make_unique<Reporter>(this, pauses_);
    SendReceiveWorker::Settings settings;
    settings.mode = mode_;
    settings.chosenMailId = chosenMailId;
    settings.owner = this;
    Reporter* reporter = reporter_.get();
    settings.showReceiveResults = [this, reporter] {
        reporter->Call([this] {
            if (hooks_.isLocked && hooks_.isLocked()) return;
            if (hooks_.showReceiveResults) {
                hooks_.showReceiveResults(this);
            } else {
                ShowAutoRegMails(this);
                ShowAutoRefMails(this);
            }
        });
    };
    workerActive_ = true;
    workerExited_ = false;
    worker_ = std::thread([this, reporter, settings] {
        SendReceiveWorker(parts_, flags_, *reporter, settings).Run();
        workerExited_.store(true);
    });
    refresh_->start();
}

bool CSendReceiveDlg::IsRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_;
}

int CSendReceiveDlg::RunKind() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_ ? mode_ : 0;
}

void CSendReceiveDlg::OnCancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    flags_.cancel = 1;
    RouteStop(parts_, flags_.state.load(), false);
}

void CSendReceiveDlg::RequestStop() {
    std::lock_guard<std::mutex> lock(mutex_);
    // The reason first: the worker, once it sees the stop, must see why.
    flags_.windowEnded = 1;
    flags_.cancel = 1;
    RouteStop(parts_, flags_.state.load(), true);
}

void CSendReceiveDlg::OnDestroy() {
    ResetState();
    open_ = false;
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = endPending_;
}

void CSendReceiveDlg::JoinWorker() {
    // Only ever called once the worker has made its last report (or at the program's end,
    // after StopAndWait): the join does not wait.
    if (worker_.joinable()) worker_.join();
}

void CSendReceiveDlg::StopAndWait() {
    if (!worker_.joinable()) return;
    OnCancel();
    // The worker may be asking the GUI thread something: keep answering until it is done.
    while (!workerExited_.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string CSendReceiveDlg::Option(int index) const { return parts_.rules.Option(index); }

void CSendReceiveDlg::closeEvent(QCloseEvent* event) {
    if (workerActive_) {
        // The close box is the cancel: the window stays until the run has ended.
        event->ignore();
        OnCancel();
        return;
    }
    if (open_) OnDestroy();
    event->accept();
}

void CSendReceiveDlg::reject() {
    if (workerActive_) {
        OnCancel();
        return;
    }
    close();
}

// ---- The worker's reports -------------------------------------------------------------------

void CSendReceiveDlg::OnRunStarted() {}

void CSendReceiveDlg::OnRunFinished(RunOutcome outcome) {
    refresh_->stop();
    workerActive_ = false;
    outcome_ = outcome;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        endPending_ = true;
    }
    Refresh();
    // The window now shows how the run ended; what is left to do on it is closing it.
    cancel_->setText(ui::U8("閉じる"));
    // As a posted message would: the program handles the end after this call returns.
    QTimer::singleShot(0, this, [this] {
        if (!detached_) EndRun();
    });
}

void CSendReceiveDlg::EndRun() {
    if (hooks_.commDone) hooks_.commDone();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        endPending_ = false;
        busy_ = false;
    }
    if (!open_) return;
    if (autoClose_->isChecked() && outcome_ != RunOutcome::kFailed) {
        close();
    } else if (isVisible()) {
        // The program's end (its save window) may have covered it: the end is to be read.
        raise();
    }
}

void CSendReceiveDlg::OnStatusText(const QString& text) {
    statusLine_ = state_ == kStateSending && mailId_ != -1 ? QStringLiteral("[ID: %1] %2").arg(mailId_).arg(text) : text;
    UpdateControls();
}

void CSendReceiveDlg::OnTotal(int total) {
    total_ = total;
    totalKnown_ = true;
    if (total == 0) return;
    if (total <= kMaxProgress) {
        progressScale_ = 1.0;
        progressRange_ = total;
    } else {
        progressScale_ = static_cast<double>(kMaxProgress) / total;
        progressRange_ = kMaxProgress;
    }
    progress_->setRange(0, progressRange_);
}

void CSendReceiveDlg::OnCurrent(int current) { current_ = current; }

void CSendReceiveDlg::OnStateCode(int state) {
    // A receive or a send that begins has no count yet (a receive knows it only once the
    // server has listed its messages): its line stays empty until the run reports it.
    if (state != state_ && (state == kStateReceiving || state == kStateSending)) totalKnown_ = false;
    SetState(state);
}

void CSendReceiveDlg::OnMailKind(int kind) {
    const int k = kind >= ReceiveRunObserver::kRegistration && kind <= ReceiveRunObserver::kReadReceipt
                      ? kind
                      : ReceiveRunObserver::kUnrelated;
    int& count = counts_[static_cast<std::size_t>(k)];
    if (count < kMaxCount) ++count;
}

void CSendReceiveDlg::OnMailId(int mailId) {
    mailId_ = mailId;
    totalKnown_ = false;
}

int CSendReceiveDlg::Count(int kind) const {
    return kind >= 0 && kind < static_cast<int>(counts_.size()) ? counts_[static_cast<std::size_t>(kind)] : 0;
}

void CSendReceiveDlg::Refresh() {
    if (!initialised_) return;
    switch (state_) {
    case kStateIdle: stateText_ = ui::U8("無通信モード"); break;
    case kStateReceiving:
        stateText_ = totalKnown_ ? ui::U8("%1/%2通受信").arg(current_).arg(total_) : QString();
        break;
    case kStateLogin: stateText_ = ui::U8("送信前、受信サーバ接続"); break;
    case kStateSending:
        stateText_ = totalKnown_ ? ui::U8("%1/%2通送信").arg(current_).arg(total_) : QString();
        break;
    case kStateAutoDialup: stateText_ = ui::U8("自動ダイアルアップ接続"); break;
    case kStateManualDialup: stateText_ = ui::U8("手動ダイアルアップ接続"); break;
    default: stateText_ = ui::U8("未定義の動作です"); break;
    }
    const double position = progressScale_ * current_;
    if (position >= 0 && position <= kMaxProgress) {
        progressPosition_ = static_cast<int>(position);
        if (progressRange_ > 0) progress_->setValue(std::min(progressPosition_, progressRange_));
    }
    UpdateControls();
}

void CSendReceiveDlg::UpdateControls() {
    stateEdit_->SetText(stateText_);
    statusEdit_->SetText(statusLine_);
    for (std::size_t k = 0; k < counts_.size(); ++k)
        countEdits_[k]->SetText(QString::number(std::clamp(counts_[k], 0, kMaxCount)));
}
