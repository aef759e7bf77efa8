#include "app/sendrecv/message_fetcher.h"

#include "core/transport/my_pops.h"

MessageFetcher::MessageFetcher(CMyPOPS& client, const std::atomic<int>& stop) : client_(client), stopRun_(stop) {}

MessageFetcher::~MessageFetcher() { Stop(); }

void MessageFetcher::Start(int first, int last, std::unordered_set<std::string> known,
                           std::unordered_set<std::string> suspects) {
    known_ = std::move(known);
    suspects_ = std::move(suspects);
    thread_ = std::thread([this, first, last] { Run(first, last); });
}

void MessageFetcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool MessageFetcher::Push(Message message) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::size_t bytes = message.header.size() + message.body.size();
    changed_.wait(lock, [&] {
        return stop_ || queue_.empty() || (queue_.size() < kMaxQueued && queuedBytes_ + bytes <= kMaxQueuedBytes);
    });
    if (stop_) return false;
    queuedBytes_ += bytes;
    queue_.push_back(std::move(message));
    changed_.notify_all();
    return true;
}

bool MessageFetcher::Stopping() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return true;
    }
    return stopRun_.load() != 0;
}

void MessageFetcher::Run(int first, int last) {
    netssl::PopsComponent* h = client_.GetHandle();
    // In order, each message's retrieval may go with the one before it; not when a message
    // that broke the connection is among them, which must be asked for on its own to be
    // named should it break it again. Only a message the run will read goes ahead: the
    // server sends an answer whole once asked, and one not read would be downloaded only
    // to be thrown away before the next command.
    const bool pipelined = suspects_.empty();
    bool readingAhead = false;
    const auto readAhead = [&](bool on) {
        if (on == readingAhead) return;
        netssl::POPS_Do(h, netssl::kPopsConfigure, on ? "ReadAhead=1" : "ReadAhead=0");
        readingAhead = on;
    };
    // The unique id of message n (the ids come from one listing; selecting costs nothing).
    const auto uidOf = [&](int n, std::string& uid) {
        if (netssl::POPS_Set(h, netssl::kPopsMessageNumber, 0, n, 0) != 0) return false;
        uid = netssl::POPS_GetText(h, netssl::kPopsMessageUid, 0);
        return true;
    };
    for (int n = first; n <= last; ++n) {
        if (Stopping()) break;
        Message m;
        m.number = n;
        if (!uidOf(n, m.uid)) {
            m.selectFailed = true;
            Push(std::move(m));
            break;
        }
        if (known_.count(m.uid) != 0) {
            m.known = true;
        } else {
            std::string next;
            const bool nextRead = pipelined && n < last && uidOf(n + 1, next) && known_.count(next) == 0;
            netssl::POPS_Set(h, netssl::kPopsMessageNumber, 0, n, 0);
            readAhead(nextRead && !Stopping());
            if (suspects_.count(m.uid) != 0) m.size = netssl::POPS_Get(h, netssl::kPopsMessageSize, 0, nullptr);
            m.header = netssl::POPS_GetText(h, netssl::kPopsMessageHeaders, 0);
            if (!m.header.empty()) m.body = netssl::POPS_GetText(h, netssl::kPopsMessageText, 0);
            if (m.header.empty()) {
                m.error = client_.GetLastErrorInJapanese();
                m.connectionLost = netssl::POPS_Get(h, netssl::kPopsConnected, 0, nullptr) == 0;
            }
        }
        const bool lost = m.connectionLost;
        if (!Push(std::move(m)) || lost) break;
    }
    readAhead(false);
    // Fetching ended before the message asked for ahead (the run stopped): its answer is
    // not downloaded to be thrown away; the connection goes instead, and what the run
    // handled is deleted by the next run, which the ledger tells it has been applied.
    netssl::POPS_Do(h, netssl::kPopsDropReadAhead);
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

std::optional<MessageFetcher::Message> MessageFetcher::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !queue_.empty() || finished_ || stop_; });
    if (queue_.empty()) return std::nullopt;
    Message m = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= m.header.size() + m.body.size();
    changed_.notify_all();
    return m;
}
