#include "app/environment/run_monitor.h"

namespace shell {
namespace {

class IdleMonitor : public RunMonitor {
public:
    bool IsRunning() const override { return false; }
    int RunKind() const override { return kRunNone; }
};

RunMonitor* g_monitor = nullptr;

}  // namespace

RunMonitor& CurrentRunMonitor() {
    static IdleMonitor idle;
    return g_monitor ? *g_monitor : idle;
}

RunMonitor* SetRunMonitor(RunMonitor* monitor) {
    RunMonitor* old = g_monitor;
    g_monitor = monitor;
    return old;
}

QString RunKindText(int kind) {
    switch (kind) {
    case kRunManualSendReceive: return QString::fromUtf8("手動送受信中");
    case kRunManualReceive: return QString::fromUtf8("手動受信中");
    case kRunManualSend: return QString::fromUtf8("手動送信中");
    case kRunAutoSendReceive: return QString::fromUtf8("自動送受信中");
    case kRunSelectedMail: return QString::fromUtf8("メール送信中");
    case kRunScheduledSend: return QString::fromUtf8("分割送信中");
    case kRunAutoReceive: return QString::fromUtf8("自動受信中");
    default: return QString::fromUtf8("送受信中");
    }
}

}  // namespace shell
