#pragma once
// MapUrlLookup: runs one map search request (RunMapRequest) on a worker thread, so the
// window keeps painting and answering, and hands the result back to the GUI thread.
//
// Guarantees:
//  - at most one request runs per lookup; Start refuses while one does;
//  - the result comes once per Start, as Finished on the thread the lookup lives on
//    (queued, carrying a copy), unless the request was cancelled first;
//  - the whole request, connection and answer, ends within the given seconds: then it
//    finishes as kFailed with the error text "Timeout.";
//  - Cancel and the destructor stop a running request through the client's interrupt and
//    wait for the worker, which the interrupt ends at once; the client object lives until
//    its worker has ended, so it is never used after it is gone.
//
// No widgets here: the lookup dialog is a thin view over this.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/htmledit/map_url_lookup_client.h"

namespace htmledit {

class MapUrlLookup : public QObject {
    Q_OBJECT
public:
    explicit MapUrlLookup(QObject* parent = nullptr);
    ~MapUrlLookup() override;
    MapUrlLookup(const MapUrlLookup&) = delete;
    MapUrlLookup& operator=(const MapUrlLookup&) = delete;

    bool IsRunning() const { return client_ != nullptr; }

    // Starts the GET of `url` with `proxy` (see RunMapRequest for `retry`), ending within
    // `timeoutSeconds`. False, and nothing started, while a request runs or when no
    // thread can be had (then Finished comes with kFailed).
    bool Start(const std::string& url, const MapProxySettings& proxy, int timeoutSeconds, bool retry);
    // Stops the running request; its Finished never comes. Nothing when none runs.
    void Cancel();

signals:
    void Finished(const htmledit::MapRequestResult& result);

private:
    void OnWorkerDone(std::uint64_t run, MapRequestResult result);
    void OnTimeout();
    void StopWorker();

    std::unique_ptr<CMapHttpClient> client_;  // while a request runs
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> stopped_;  // of the running request
    std::uint64_t run_ = 0;
    bool timedOut_ = false;
    QTimer deadline_;
};

}  // namespace htmledit
