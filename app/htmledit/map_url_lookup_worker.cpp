#include "app/htmledit/map_url_lookup_worker.h"

#include <system_error>
#include <utility>

namespace htmledit {

MapUrlLookup::MapUrlLookup(QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &MapUrlLookup::OnTimeout);
}

MapUrlLookup::~MapUrlLookup() { StopWorker(); }

bool MapUrlLookup::Start(const std::string& url, const MapProxySettings& proxy, int timeoutSeconds, bool retry) {
    if (client_) return false;
    if (timeoutSeconds < 1) timeoutSeconds = 1;
    client_ = std::make_unique<CMapHttpClient>();
    stopped_ = std::make_shared<std::atomic<bool>>(false);
    timedOut_ = false;
    const std::uint64_t run = ++run_;
    CMapHttpClient* client = client_.get();
    try {
        worker_ = std::thread([this, client, stopped = stopped_, run, url, proxy, timeoutSeconds, retry] {
            MapRequestResult result;
            result.error = "Interrupted.";
            if (!stopped->load(std::memory_order_acquire)) {
                result = RunMapRequest(*client, url, proxy, timeoutSeconds, retry);
            }
            // `this` outlives the worker (its destructor waits for it); a call queued to a
            // lookup that is gone by then is dropped by Qt.
            QMetaObject::invokeMethod(
                this, [this, run, result = std::move(result)]() mutable { OnWorkerDone(run, std::move(result)); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the request failed before it began.
        MapRequestResult failed;
        failed.error = "1";
        QMetaObject::invokeMethod(
            this, [this, run, failed] { OnWorkerDone(run, failed); }, Qt::QueuedConnection);
        return true;
    }
    deadline_.start(timeoutSeconds * 1000);
    return true;
}

void MapUrlLookup::Cancel() { StopWorker(); }

void MapUrlLookup::StopWorker() {
    deadline_.stop();
    if (!client_) return;
    stopped_->store(true, std::memory_order_release);
    client_->Interrupt();
    if (worker_.joinable()) worker_.join();
    client_.reset();
}

void MapUrlLookup::OnTimeout() {
    if (!client_) return;
    timedOut_ = true;
    client_->Interrupt();
}

void MapUrlLookup::OnWorkerDone(std::uint64_t run, MapRequestResult result) {
    if (run != run_ || !client_) return;  // a cancelled request's last word
    deadline_.stop();
    if (worker_.joinable()) worker_.join();  // it has posted its result: its last act
    client_.reset();
    if (timedOut_ && result.status == MapRequestStatus::kFailed) result.error = "Timeout.";
    emit Finished(result);
}

}  // namespace htmledit
