#pragma once
// An smtp-sink behind a link with a fixed delay each way, set up and torn down by the
// object, for measuring a send over the round trip between a user's office and their
// provider's relay (10 to 50 ms) instead of loopback's few microseconds.
//
// The link is a network namespace of its own joined to this one by a veth pair, with tc's
// netem delaying every packet on both ends; the sink runs inside the namespace. That needs
// root, iproute2 and a kernel with netem (sch_netem). Where one of them is missing, the
// delay comes from a relay thread in this process instead: it listens on loopback, passes
// the bytes of each connection on to a sink on loopback and holds every chunk for the
// delay before passing it on, in both directions. kind() says which one is in use and
// why() why the namespace could not be used.

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/smtp_sink.h"

namespace delayed_link {

using Clock = std::chrono::steady_clock;

// A TCP connection to host:port with TCP_NODELAY; -1 on failure.
inline int Dial(const std::string& host, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Passes the bytes of every connection made to its loopback port on to host:port, each
// chunk held for the delay first, in both directions; an end of input is passed on after
// the delay too.
class DelayRelay {
public:
    DelayRelay(std::string host, int port, std::chrono::microseconds delay)
        : host_(std::move(host)), port_(port), delay_(delay) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (pipe2(stop_, O_CLOEXEC) != 0 || bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listen_, 16) != 0 || getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        listenPort_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~DelayRelay() {
        if (stop_[1] >= 0) close(stop_[1]);  // every thread polls the other end
        if (acceptor_.joinable()) acceptor_.join();
        for (auto& t : links_) t.join();
        if (stop_[0] >= 0) close(stop_[0]);
        if (listen_ >= 0) close(listen_);
    }
    int port() const { return listenPort_; }

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;  // empty: the end of the input
    };
    struct Direction {
        Direction(int from, int to) : from(from), to(to) {}
        int from, to;
        bool ended = false;  // input ended (its end queued)
        bool closed = false;  // the end passed on
        std::deque<Chunk> queue;
    };

    void Accept() {
        for (;;) {
            pollfd p[2] = {{listen_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(p, 2, -1) < 0 || p[1].revents != 0) return;
            const int client = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            const int on = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            const int server = Dial(host_, port_);
            if (server < 0) {
                close(client);
                continue;
            }
            links_.emplace_back([this, client, server] { Pass(client, server); });
        }
    }

    void Pass(int client, int server) {
        Direction dirs[2] = {Direction(client, server), Direction(server, client)};
        char buf[65536];
        while (!(dirs[0].closed && dirs[1].closed)) {
            const Clock::time_point now = Clock::now();
            Clock::time_point next = now + std::chrono::seconds(1);
            for (Direction& d : dirs) {
                while (!d.queue.empty() && d.queue.front().due <= now) {
                    Chunk& c = d.queue.front();
                    if (c.bytes.empty()) {
                        shutdown(d.to, SHUT_WR);
                        d.closed = true;
                    } else {
                        for (std::size_t done = 0; done < c.bytes.size();) {
                            const ssize_t n = send(d.to, c.bytes.data() + done, c.bytes.size() - done, MSG_NOSIGNAL);
                            if (n <= 0) break;
                            done += static_cast<std::size_t>(n);
                        }
                    }
                    d.queue.pop_front();
                }
                if (!d.queue.empty()) next = std::min(next, d.queue.front().due);
            }
            pollfd p[3] = {{dirs[0].ended ? -1 : client, POLLIN, 0},
                           {dirs[1].ended ? -1 : server, POLLIN, 0},
                           {stop_[0], POLLIN, 0}};
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now());
            timespec ts{static_cast<time_t>(std::max<long long>(wait.count(), 0) / 1000000000),
                        static_cast<long>(std::max<long long>(wait.count(), 0) % 1000000000)};
            if (ppoll(p, 3, &ts, nullptr) < 0) break;
            if (p[2].revents != 0) break;
            for (int i = 0; i < 2; ++i) {
                if (p[i].revents == 0) continue;
                const ssize_t n = recv(dirs[i].from, buf, sizeof buf, 0);
                if (n > 0) {
                    dirs[i].queue.push_back({Clock::now() + delay_, std::string(buf, static_cast<std::size_t>(n))});
                } else {
                    dirs[i].ended = true;
                    dirs[i].queue.push_back({Clock::now() + delay_, std::string()});
                }
            }
        }
        close(client);
        close(server);
    }

    std::string host_;
    int port_;
    std::chrono::microseconds delay_;
    int listen_ = -1;
    int listenPort_ = 0;
    int stop_[2] = {-1, -1};
    std::thread acceptor_;
    std::vector<std::thread> links_;  // touched by the acceptor only, joined after it
};

// A command's exit status (-1 when it could not start).
inline int Run(std::vector<std::string> argv) { return nettest::RunProgram(argv); }

}  // namespace delayed_link

class DelayedLink {
public:
    // A sink with `sinkFlags` (smtp-sink's options) behind `oneWay` of delay each way.
    DelayedLink(std::chrono::milliseconds oneWay, std::vector<std::string> sinkFlags) {
        if (SetUpNamespace(oneWay, sinkFlags)) return;
        TearDownNamespace();
        SmtpSink::Options o;
        o.flags = std::move(sinkFlags);
        sink_ = std::make_unique<SmtpSink>(o);
        if (sink_->port() == 0) return;
        relay_ = std::make_unique<delayed_link::DelayRelay>("127.0.0.1", sink_->port(), oneWay);
        host_ = "127.0.0.1";
        port_ = relay_->port();
        kind_ = "relay";
    }
    ~DelayedLink() {
        relay_.reset();
        sink_.reset();
        TearDownNamespace();
    }
    DelayedLink(const DelayedLink&) = delete;
    DelayedLink& operator=(const DelayedLink&) = delete;

    // Where the sink answers: port 0 when neither way worked.
    const std::string& host() const { return host_; }
    int port() const { return port_; }
    // "netem" (namespace and veth pair) or "relay"; empty when neither worked.
    const std::string& kind() const { return kind_; }
    // Why the namespace could not be used (empty when it is used).
    const std::string& why() const { return why_; }

    // The shortest time of five SMTP NOOP exchanges over the link (ms); 0 on failure.
    double RoundTripMs() const {
        const int fd = delayed_link::Dial(host_, port_);
        if (fd < 0) return 0;
        const auto reply = [fd] {
            std::string got;
            char c;
            while (recv(fd, &c, 1, 0) == 1) {
                got += c;
                if (c == '\n') {
                    if (got.size() < 4 || got[3] == ' ') return true;
                    got.clear();
                }
            }
            return false;
        };
        double best = 0;
        if (reply()) {
            for (int i = 0; i < 5; ++i) {
                const auto start = delayed_link::Clock::now();
                if (send(fd, "NOOP\r\n", 6, MSG_NOSIGNAL) != 6 || !reply()) break;
                const double ms =
                    std::chrono::duration<double, std::milli>(delayed_link::Clock::now() - start).count();
                best = best == 0 ? ms : std::min(best, ms);
            }
        }
        close(fd);
        return best;
    }

private:
    bool SetUpNamespace(std::chrono::milliseconds oneWay, const std::vector<std::string>& sinkFlags) {
        const std::string ip = SystemProgram("ip"), tc = SystemProgram("tc");
        if (geteuid() != 0 || ip.empty() || tc.empty()) {
            why_ = "a network namespace needs root, ip and tc (iproute2)";
            return false;
        }
        const int id = static_cast<int>(getpid());
        ns_ = "qbench" + std::to_string(id);
        const std::string outer = "qb" + std::to_string(id) + "a", inner = "qb" + std::to_string(id) + "b";
        const std::string net = "10.250." + std::to_string(id % 250) + ".";
        const std::string delay = std::to_string(oneWay.count()) + "ms";
        using delayed_link::Run;
        if (Run({ip, "netns", "add", ns_}) != 0) {
            ns_.clear();
            why_ = "ip netns add failed";
            return false;
        }
        const std::vector<std::string> in = {ip, "netns", "exec", ns_};
        const auto inside = [&](std::vector<std::string> argv) {
            argv.insert(argv.begin(), in.begin(), in.end());
            return Run(argv) == 0;
        };
        outer_ = outer;
        if (Run({ip, "link", "add", outer, "type", "veth", "peer", "name", inner}) != 0 ||
            Run({ip, "link", "set", inner, "netns", ns_}) != 0 ||
            Run({ip, "addr", "add", net + "1/24", "dev", outer}) != 0 || Run({ip, "link", "set", outer, "up"}) != 0 ||
            !inside({ip, "addr", "add", net + "2/24", "dev", inner}) || !inside({ip, "link", "set", inner, "up"}) ||
            !inside({ip, "link", "set", "lo", "up"})) {
            why_ = "the veth pair could not be set up";
            return false;
        }
        if (Run({tc, "qdisc", "add", "dev", outer, "root", "netem", "delay", delay, "limit", "100000"}) != 0 ||
            !inside({tc, "qdisc", "add", "dev", inner, "root", "netem", "delay", delay, "limit", "100000"})) {
            why_ = "tc netem is not available (the kernel has no sch_netem)";
            return false;
        }
        SmtpSink::Options o;
        o.host = net + "2";
        o.port = 2525;
        o.flags = sinkFlags;
        o.prefix = in;
        sink_ = std::make_unique<SmtpSink>(o);
        if (sink_->port() == 0) {
            sink_.reset();
            why_ = "smtp-sink did not start in the namespace";
            return false;
        }
        host_ = o.host;
        port_ = sink_->port();
        kind_ = "netem";
        return true;
    }

    void TearDownNamespace() {
        if (ns_.empty()) return;
        sink_.reset();
        // Deleting the namespace deletes the veth end inside it, and with it the pair; the
        // outer end goes by name in case the pair never reached the namespace.
        delayed_link::Run({SystemProgram("ip"), "netns", "del", ns_});
        if (!outer_.empty()) delayed_link::Run({SystemProgram("ip"), "link", "del", outer_});
        ns_.clear();
        outer_.clear();
    }

    std::string ns_, outer_;
    std::unique_ptr<SmtpSink> sink_;
    std::unique_ptr<delayed_link::DelayRelay> relay_;
    std::string host_, kind_, why_;
    int port_ = 0;
};
