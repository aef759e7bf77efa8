#pragma once
// MessageFetcher: fetches the messages of a receive run ahead of their processing. A
// thread of its own selects each message from `first` to `last` on the POP client in turn,
// reads its unique id and (unless it is one whose changes are applied already) its text,
// and queues it; the run takes the messages in order with Next while the next ones are on
// their way, so the network and the analysis overlap instead of taking turns.
//
// What it guarantees:
//  - Messages come out in message order, each once; the queue holds at most kMaxQueued
//    messages or kMaxQueuedBytes of text, so memory stays bounded whatever the mailbox.
//  - The client is used by the fetcher's thread alone from Start until Stop returns (or
//    Next has reported the end); InterruptReceive may still interrupt it from any thread.
//  - Fetching ends after a message whose retrieval lost the connection, when selecting a
//    message fails, when `stop` (the run's cancel) is raised, or when Stop is called.
//  - Only a message that will be read is asked for ahead: not one whose changes are
//    applied already, none after `last`. When fetching ends early with an answer still
//    on its way, the connection is closed rather than that answer downloaded to be thrown
//    away (a message may be 256 MiB): the run's deletions then wait for the next run.
//  - A message that broke the connection before (a suspect) has its listed size asked
//    before its retrieval, so that the run can name it should it break the connection
//    again; other messages cost no extra round trip, nor a round trip of their own where
//    the server allows the next retrieval to go with the one before it (not in a run with
//    a suspect).
//
// One object serves one run and is used by one thread (besides its own).

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

class CMyPOPS;

class MessageFetcher {
public:
    static constexpr std::size_t kMaxQueued = 4096;
    static constexpr std::size_t kMaxQueuedBytes = 64u << 20;

    struct Message {
        int number = 0;
        std::string uid;
        long size = 0;               // octets as listed; asked for suspects only (0 unknown)
        bool known = false;          // its changes are applied already: not fetched
        std::string header, body;    // empty header: it could not be fetched
        std::string error;           // why not (the client's Japanese message)
        bool connectionLost = false; // the retrieval lost the connection
        bool selectFailed = false;   // the message could not be selected; nothing else set
    };

    MessageFetcher(CMyPOPS& client, const std::atomic<int>& stop);
    // Stops and joins the thread.
    ~MessageFetcher();
    MessageFetcher(const MessageFetcher&) = delete;
    MessageFetcher& operator=(const MessageFetcher&) = delete;

    // Starts fetching messages first..last; `known` are the unique ids not to fetch,
    // `suspects` those whose size is asked first.
    void Start(int first, int last, std::unordered_set<std::string> known,
               std::unordered_set<std::string> suspects = {});
    // The next message in order, waiting for it; nothing once fetching has ended.
    std::optional<Message> Next();
    // Ends fetching after the message under way and waits for the thread.
    void Stop();

private:
    void Run(int first, int last);
    // Stop was called or the run's cancel raised.
    bool Stopping();
    bool Push(Message message);

    CMyPOPS& client_;
    const std::atomic<int>& stopRun_;
    std::unordered_set<std::string> known_;
    std::unordered_set<std::string> suspects_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::size_t queuedBytes_ = 0;
    bool finished_ = false;
    bool stop_ = false;
};
