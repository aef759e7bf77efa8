#include "platform/netssl/pops.h"

#include "platform/netssl/net_codec.h"

#include <cctype>
#include <cstring>
#include <strings.h>
#include <unordered_map>

namespace netssl {

// ---------------------------------------------------------------- owner side

int POPS::FireConnectionStatus(const std::string&) { return 0; }
int POPS::FireError(int, const std::string&) { return 0; }
int POPS::FireMessageList(int, const std::string&) { return 0; }
int POPS::FirePITrail(int, const std::string&) { return 0; }
int POPS::FireSSLStatus(const std::string&) { return 0; }
int POPS::FireWaiting() { return 0; }

int POPS::Dispatch(void* owner, int event, int count, const NetEventParam* params) {
    auto* self = static_cast<POPS*>(owner);
    if (!self || count < 1) return 0;
    const int number = static_cast<int>(params[0].number);
    const std::string text(params[0].text);
    switch (event) {
    case kPopsEventConnectionStatus: return self->FireConnectionStatus(text);
    case kPopsEventError: return self->FireError(number, text);
    case kPopsEventMessageList: return self->FireMessageList(number, text);
    case kPopsEventPITrail: return self->FirePITrail(number, text);
    case kPopsEventSSLStatus: return self->FireSSLStatus(text);
    case kNetEventWaiting: return self->FireWaiting();
    default: return 0;
    }
}

std::string ApopDigest(const std::string& timestamp, const std::string& password) {
    return Md5Hex(timestamp + password);
}

// ---------------------------------------------------------------- component

namespace {

// A message, or a listing, larger than this is refused rather than held in memory.
constexpr size_t kMaxMultiLineBytes = size_t{256} << 20;

bool IsOk(const std::string& line) { return line.rfind("+OK", 0) == 0; }

bool HasLineBreak(const std::string& s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos; }

// The decimal number at the start of `text` (blanks before it skipped); -1 if none.
long LeadingNumber(std::string_view text, size_t* used = nullptr) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    long value = -1;
    while (i < text.size() && isdigit(static_cast<unsigned char>(text[i])) && value < 100000000) {
        value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
        ++i;
    }
    if (used) *used = i;
    return value;
}

}  // namespace

class PopsComponent : public NetComponent {
public:
    PopsComponent(void* owner, NetEventSink sink) : NetComponent(owner, sink) { ResetCommon(); }
    // Closes without events: the owner may already be half destroyed.
    ~PopsComponent() override { transport_.Close(); }

    int SetText(int property, std::string value);
    int SetNumber(int property, int value);
    long GetNumber(int property, int* length);
    std::string GetText(int property);
    int Do(int method, int count, const char* const* values, const int* lengths);

private:
    int ConfigureOwn(std::string_view name, std::string_view value) override;
    int Connect();
    int Login(const std::string& greeting);
    int Delete();
    // DELE of each message numbered by `values` (decimal texts), in groups when the server
    // offers PIPELINING; 0 when every one was marked deleted.
    int DeleteMany(int count, const char* const* values, const int* lengths);
    // Whether the server offers PIPELINING (RFC 2449), asked once a session with CAPA.
    bool Pipelining();
    int Disconnect();
    int List();

    bool Connected() const { return connected_ && transport_.IsOpen(); }
    int NeedMessage();  // 0 when logged in with a message selected
    int LoadUids();
    long MessageSize();
    int Retrieve();
    // The retrieval command of message `n` (RETR, or TOP with MaxLines).
    std::string RetrievalOf(int n) const;
    // Reads and drops the answer to a retrieval sent ahead and never asked for, so that the
    // next reply read is the next command's. 0, or the transport's failure.
    int Settle();

    int Command(const std::string& line, std::string& reply);
    int ReadStatus(std::string& reply);
    // Reads the lines of a multi-line answer up to ".", with the stuffing removed; each
    // line goes to `take` without its line end. Lines may be `maxLine` bytes long.
    template <typename Take>
    int ReadMultiLine(Take take, size_t maxLine = NetTransport::kMaxLine);
    int ReplyFailure(const std::string& reply) { return Fail(kNetServerReply, reply); }
    int TransportFailure(const NetError& error);
    void Trail(int direction, std::string_view text) { Fire(kPopsEventPITrail, {{direction, text}}); }
    void Status(std::string_view text) { Fire(kPopsEventConnectionStatus, {{0, text}}); }
    void Drop();  // closes without a word to the server
    // QUIT when the server still listens, then close. 0 when the server answered "+OK";
    // else the failure (an error event tells of it). `keepError`: the last error stays the
    // one before the QUIT (a QUIT after a failure); otherwise it is the QUIT's own.
    int Quit(bool keepError = true);
    void ForgetSession();

    // Properties.
    int authMode_ = kPopsAuthUserPass;
    int port_ = 110;
    std::string server_, user_, password_;
    int sslMode_ = kSslNone;
    long maxLines_ = 0;
    int current_ = 0;

    // Session.
    bool connected_ = false;
    int count_ = 0;
    bool uidsLoaded_ = false;
    std::unordered_map<int, std::string> uids_;
    std::unordered_map<int, long> sizes_;
    int retrieved_ = 0;  // the message whose header and text are held
    std::string headers_, text_;
    enum class Capability { kUnknown, kYes, kNo } pipelining_ = Capability::kUnknown;
    bool readAhead_ = false;  // ReadAhead=1: the next message's retrieval goes with this one's
    int ahead_ = 0;           // the message whose retrieval was sent, its answer not read yet
};

void PopsComponent::ForgetSession() {
    pipelining_ = Capability::kUnknown;
    ahead_ = 0;
    connected_ = false;
    count_ = 0;
    current_ = 0;
    uidsLoaded_ = false;
    uids_.clear();
    sizes_.clear();
    retrieved_ = 0;
    headers_.clear();
    text_.clear();
}

int PopsComponent::SetText(int property, std::string value) {
    switch (property) {
    case kPopsServer: server_ = std::move(value); return kNetOk;
    case kPopsUser: user_ = std::move(value); return kNetOk;
    case kPopsPassword: password_ = std::move(value); return kNetOk;
    default: {
        int n = 0;
        return NumberFromText(property, value, n) ? SetNumber(property, n) : kNetBadArgument;
    }
    }
}

int PopsComponent::SetNumber(int property, int value) {
    switch (property) {
    case kPopsAuthMode:
        if (value < kPopsAuthUserPass || value > kPopsAuthApop) {
            return Fail(kNetBadArgument, "Unknown login method " + std::to_string(value) + ".");
        }
        authMode_ = value;
        return kNetOk;
    case kPopsPort: return SetServerPort(value, port_);
    case kPopsSslStartMode: return SetSslStartMode(value, sslMode_);
    case kPopsTimeout:
        timeoutSeconds_ = value;
        return kNetOk;
    case kPopsMessageNumber:
        if (!Connected()) return Fail(kNetNotConnected, "Not connected.");
        if (value < 1 || value > count_) {
            return Fail(kNetBadArgument, "No message " + std::to_string(value) + " on the server (" +
                                             std::to_string(count_) + " messages).");
        }
        current_ = value;
        return kNetOk;
    default:
        return Fail(kNetBadArgument, "Property " + std::to_string(property) + " is read only, takes a text or is unknown.");
    }
}

long PopsComponent::GetNumber(int property, int* length) {
    if (length) *length = 0;
    switch (property) {
    case kPopsAuthMode: return authMode_;
    case kPopsConnected: return Connected() ? 1 : 0;
    case kPopsPort: return port_;
    case kPopsMessageCount: return Connected() ? count_ : 0;
    case kPopsMessageNumber: return current_;
    case kPopsMessageSize: return MessageSize();
    case kPopsSslStartMode: return sslMode_;
    case kPopsTimeout: return timeoutSeconds_;
    default: return TextLength(GetText(property), length);
    }
}

std::string PopsComponent::GetText(int property) {
    switch (property) {
    case kPopsServer: return server_;
    case kPopsUser: return user_;
    case kPopsPassword: return password_;
    case kPopsMessageUid: {
        if (NeedMessage() != kNetOk || LoadUids() != kNetOk) return std::string();
        const auto it = uids_.find(current_);
        if (it == uids_.end()) {
            Fail(kNetServerReply, "No unique id for message " + std::to_string(current_) + " (deleted?).");
            return std::string();
        }
        return it->second;
    }
    case kPopsMessageHeaders:
        if (NeedMessage() != kNetOk || Retrieve() != kNetOk) return std::string();
        return headers_;
    case kPopsMessageText:
        if (NeedMessage() != kNetOk || Retrieve() != kNetOk) return std::string();
        return text_;
    case kPopsAuthMode: case kPopsConnected: case kPopsPort: case kPopsMessageCount: case kPopsMessageNumber:
    case kPopsMessageSize: case kPopsSslStartMode: case kPopsTimeout:
        return std::to_string(GetNumber(property, nullptr));
    default: return std::string();
    }
}

int PopsComponent::Do(int method, int count, const char* const* values, const int* lengths) {
    if (method == kPopsInterrupt) {
        Interrupt();
        return kNetOk;
    }
    // A disconnect keeps the error of the call before it, which callers often read after
    // closing the connection.
    if (method != kPopsDisconnect) lastError_.Clear();
    transport_.SetTimeout(timeoutSeconds_);
    switch (method) {
    case kPopsConfigure: {
        const auto text = FirstValue(count, values, lengths);
        return text ? Configure(*text) : Fail(kNetBadArgument, "Configure needs one text.");
    }
    case kPopsConnect: return Connect();
    case kPopsDelete: return count > 0 ? DeleteMany(count, values, lengths) : Delete();
    case kPopsDisconnect: return Disconnect();
    case kPopsList: return List();
    case kPopsDropReadAhead:
        if (ahead_ != 0) {
            Trail(kTrailInfo, "The answer read ahead for message " + std::to_string(ahead_) +
                                  " is not wanted: the connection is closed instead of reading it.");
            Drop();
        }
        return kNetOk;
    default: return Fail(kNetBadArgument, "Unknown method " + std::to_string(method) + ".");
    }
}

int PopsComponent::ConfigureOwn(std::string_view name, std::string_view value) {
    if (name.size() == 9 && strncasecmp(name.data(), "ReadAhead", 9) == 0) {
        if (value != "0" && value != "1") return Fail(kNetBadArgument, "Bad value for ReadAhead.");
        readAhead_ = value == "1";
        return kNetOk;
    }
    if (name.size() == 8 && strncasecmp(name.data(), "MaxLines", 8) == 0) {
        long n = 0;
        if (!ParseNumber(value, n) || n > 0x7FFFFFFF) return Fail(kNetBadArgument, "Bad value for MaxLines.");
        maxLines_ = n;
        retrieved_ = 0;  // what is held was fetched with the old choice
        return kNetOk;
    }
    return UnknownSetting(name);
}

// ---------------------------------------------------------------- wire

int PopsComponent::TransportFailure(const NetError& error) {
    Fail(error);
    Drop();
    return error.code;
}

int PopsComponent::ReadStatus(std::string& reply) {
    const ReplyDeadline deadline(transport_);
    NetError error;
    if (transport_.ReadLine(reply, error) != kNetOk) return TransportFailure(error);
    Trail(kTrailReceived, reply);
    if (!IsOk(reply) && reply.rfind("-ERR", 0) != 0) {
        Fail(kNetProtocol, "Protocol error: unexpected reply \"" + reply.substr(0, 200) + "\".");
        Drop();
        return kNetProtocol;
    }
    return kNetOk;
}

int PopsComponent::Command(const std::string& line, std::string& reply) {
    if (int rc = Settle(); rc != kNetOk) return rc;
    Trail(kTrailSent, line);
    NetError error;
    if (transport_.Send(line + "\r\n", error) != kNetOk) return TransportFailure(error);
    return ReadStatus(reply);
}

template <typename Take>
int PopsComponent::ReadMultiLine(Take take, size_t maxLine) {
    // A listing or a stored message may be long: it has the time-out and a second for
    // every kAnswerBytesPerSecond bytes that came, so a slow link still brings a large
    // message and a server that drips its answer is cut off.
    const ReplyDeadline deadline(transport_, NetTransport::kAnswerBytesPerSecond);
    std::string line;
    size_t total = 0;
    for (;;) {
        NetError error;
        if (transport_.ReadLine(line, error, maxLine) != kNetOk) return TransportFailure(error);
        if (!line.empty() && line[0] == '.') {
            if (line.size() == 1) return kNetOk;
            line.erase(0, 1);
        }
        total += line.size() + 2;
        if (total > kMaxMultiLineBytes) {
            Fail(kNetProtocol, "Protocol error: an answer of more than " + std::to_string(kMaxMultiLineBytes >> 20) +
                                   " MiB.");
            Drop();
            return kNetProtocol;
        }
        take(line);
    }
}

void PopsComponent::Drop() {
    const bool wasOpen = transport_.IsOpen();
    const bool wasConnected = connected_;
    transport_.Close();
    ForgetSession();
    if (wasConnected || wasOpen) {
        Trail(kTrailInfo, "Disconnected.");
        Status("Disconnected from " + server_ + ".");
    }
}

int PopsComponent::Quit(bool keepError) {
    if (!transport_.IsOpen()) {
        Drop();
        return kNetOk;
    }
    const NetError kept = lastError_;
    std::string reply;
    int rc = Command("QUIT", reply);
    // Only a "+OK" to QUIT commits the deletions (RFC 1939); "-ERR some deleted messages
    // not removed" does not.
    if (rc == kNetOk && !IsOk(reply)) rc = ReplyFailure(reply);
    if (rc != kNetOk) Fire(kPopsEventError, {{lastError_.code, lastError_.text}});
    if (keepError) lastError_ = kept;
    Drop();
    return rc;
}

// ---------------------------------------------------------------- session

int PopsComponent::Connect() {
    if (Connected()) return Fail(kNetAlreadyConnected, "Already connected.");
    Drop();
    if (authMode_ == kPopsAuthUnsupported) {
        return Fail(kNetBadArgument, "Unsupported login method 1: this component logs in with USER/PASS (0) or APOP (2).");
    }
    if (HasLineBreak(user_) || HasLineBreak(password_)) {
        return Fail(kNetBadArgument, "The user name or password holds a line break.");
    }
    if (server_.empty()) return Fail(kNetBadHost, "The remotehost address is invalid (0.0.0.0).");
    Trail(kTrailInfo, "Connecting to mail server.");
    NetError error;
    if (transport_.Connect(server_, port_, error) != kNetOk) return Fail(error);
    Trail(kTrailInfo, "Connected.");
    Status("Connected to " + server_ + " port " + std::to_string(port_) + ".");

    const auto tlsStatus = [this](const std::string& text) { Fire(kPopsEventSSLStatus, {{0, text}}); };
    if (sslMode_ == kSslImplicit && transport_.StartTls(server_, tls_, tlsStatus, error) != kNetOk) {
        return TransportFailure(error);
    }
    std::string greeting;
    if (int rc = ReadStatus(greeting); rc != kNetOk) return rc;
    if (!IsOk(greeting)) {
        const int rc = ReplyFailure(greeting);
        Drop();
        return rc;
    }
    std::string reply;
    if (sslMode_ == kSslStartTls) {
        if (int rc = Command("STLS", reply); rc != kNetOk) return rc;
        if (!IsOk(reply)) {
            const int rc = ReplyFailure(reply);
            Quit();
            return rc;
        }
        if (transport_.StartTls(server_, tls_, tlsStatus, error) != kNetOk) return TransportFailure(error);
    }
    if (int rc = Login(greeting); rc != kNetOk) return rc;

    if (int rc = Command("STAT", reply); rc != kNetOk) return rc;
    const long count = IsOk(reply) ? LeadingNumber(std::string_view(reply).substr(3)) : -1;
    if (count < 0) {
        const int rc = IsOk(reply) ? Fail(kNetProtocol, "Protocol error: unexpected reply \"" + reply.substr(0, 200) + "\".")
                                   : ReplyFailure(reply);
        Quit();
        return rc;
    }
    connected_ = true;
    count_ = static_cast<int>(count);
    return kNetOk;
}

int PopsComponent::Login(const std::string& greeting) {
    std::string reply;
    if (authMode_ == kPopsAuthApop) {
        const size_t open = greeting.find('<');
        const size_t close = open == std::string::npos ? open : greeting.find('>', open);
        if (close == std::string::npos) {
            Fail(kNetAuthFailed, "APOP timestamp not found.");
            Quit();
            return kNetAuthFailed;
        }
        const std::string timestamp = greeting.substr(open, close - open + 1);
        if (int rc = Command("APOP " + user_ + " " + ApopDigest(timestamp, password_), reply); rc != kNetOk) return rc;
    } else {
        if (int rc = Command("USER " + user_, reply); rc != kNetOk) return rc;
        if (IsOk(reply)) {
            if (int rc = Command("PASS " + password_, reply); rc != kNetOk) return rc;
        }
    }
    if (IsOk(reply)) return kNetOk;
    const int rc = ReplyFailure(reply);
    Quit();
    return rc;
}

int PopsComponent::NeedMessage() {
    if (!Connected()) return Fail(kNetNotConnected, "Not connected.");
    if (current_ < 1) return Fail(kNetBadArgument, "No message selected.");
    return kNetOk;
}

int PopsComponent::LoadUids() {
    if (uidsLoaded_) return kNetOk;
    std::string reply;
    if (int rc = Command("UIDL", reply); rc != kNetOk) return rc;
    if (!IsOk(reply)) return ReplyFailure(reply);
    uids_.clear();
    const int rc = ReadMultiLine([this](const std::string& line) {
        size_t used = 0;
        const long n = LeadingNumber(line, &used);
        if (n < 1 || used >= line.size() || line[used] != ' ') return;
        size_t start = used;
        while (start < line.size() && line[start] == ' ') ++start;
        size_t end = line.size();
        while (end > start && line[end - 1] == ' ') --end;
        uids_[static_cast<int>(n)] = line.substr(start, end - start);
    });
    if (rc != kNetOk) return rc;
    uidsLoaded_ = true;
    return kNetOk;
}

long PopsComponent::MessageSize() {
    if (NeedMessage() != kNetOk) return 0;
    if (const auto it = sizes_.find(current_); it != sizes_.end()) return it->second;
    std::string reply;
    if (Command("LIST " + std::to_string(current_), reply) != kNetOk) return 0;
    if (!IsOk(reply)) {
        ReplyFailure(reply);
        return 0;
    }
    // "+OK <number> <octets>"
    size_t used = 0;
    std::string_view rest = std::string_view(reply).substr(std::min<size_t>(3, reply.size()));
    if (LeadingNumber(rest, &used) != current_) return 0;
    const long size = LeadingNumber(rest.substr(used));
    if (size < 0) return 0;
    sizes_[current_] = size;
    return size;
}

std::string PopsComponent::RetrievalOf(int n) const {
    return maxLines_ > 0 ? "TOP " + std::to_string(n) + " " + std::to_string(maxLines_) : "RETR " + std::to_string(n);
}

int PopsComponent::Settle() {
    if (ahead_ == 0) return kNetOk;
    ahead_ = 0;
    std::string reply;
    if (int rc = ReadStatus(reply); rc != kNetOk) return rc;
    if (!IsOk(reply)) return kNetOk;
    return ReadMultiLine([](const std::string&) {}, kMaxMultiLineBytes);
}

int PopsComponent::Retrieve() {
    if (retrieved_ == current_) return kNetOk;
    retrieved_ = 0;
    headers_.clear();
    text_.clear();
    // Read ahead (where the caller asks for it and the server offers PIPELINING): the next
    // message's retrieval goes before this one's answer is read, so the server works on it
    // while this one is taken apart, and a message costs no round trip of its own.
    const int next = readAhead_ && current_ < count_ && Pipelining() ? current_ + 1 : 0;
    std::string lines;
    if (ahead_ != current_) {
        if (int rc = Settle(); rc != kNetOk) return rc;
        Trail(kTrailSent, RetrievalOf(current_));
        lines += RetrievalOf(current_) + "\r\n";
    }
    ahead_ = 0;  // this answer is read now
    if (next != 0) {
        Trail(kTrailSent, RetrievalOf(next));
        lines += RetrievalOf(next) + "\r\n";
    }
    NetError error;
    if (transport_.Send(lines, error) != kNetOk) return TransportFailure(error);
    std::string reply;
    if (int rc = ReadStatus(reply); rc != kNetOk) return rc;
    ahead_ = next;
    if (!IsOk(reply)) return ReplyFailure(reply);
    bool inHeader = true;
    // A stored message may hold a line of any length: inside it only the message limit
    // counts, or that one message would end every session at the same place. Replies
    // and listings keep the transport's line limit.
    const int rc = ReadMultiLine(
        [&](const std::string& line) {
            if (inHeader && line.empty()) {
                inHeader = false;
                return;
            }
            std::string& to = inHeader ? headers_ : text_;
            to += line;
            to += "\r\n";
        },
        kMaxMultiLineBytes);
    if (rc != kNetOk) {
        headers_.clear();
        text_.clear();
        return rc;
    }
    retrieved_ = current_;
    return kNetOk;
}

int PopsComponent::Delete() {
    if (int rc = NeedMessage(); rc != kNetOk) return rc;
    std::string reply;
    if (int rc = Command("DELE " + std::to_string(current_), reply); rc != kNetOk) return rc;
    if (!IsOk(reply)) return ReplyFailure(reply);
    uids_.erase(current_);
    if (retrieved_ == current_) {
        retrieved_ = 0;
        headers_.clear();
        text_.clear();
    }
    return kNetOk;
}

bool PopsComponent::Pipelining() {
    if (pipelining_ != Capability::kUnknown) return pipelining_ == Capability::kYes;
    pipelining_ = Capability::kNo;
    std::string reply;
    if (Command("CAPA", reply) != kNetOk || !IsOk(reply)) return false;
    bool offered = false;
    if (ReadMultiLine([&offered](const std::string& line) {
            offered = offered || (line.size() >= 10 && strncasecmp(line.c_str(), "PIPELINING", 10) == 0 &&
                                  (line.size() == 10 || line[10] == ' '));
        }) != kNetOk)
        return false;
    pipelining_ = offered ? Capability::kYes : Capability::kNo;
    return offered;
}

int PopsComponent::DeleteMany(int count, const char* const* values, const int* lengths) {
    if (!Connected()) return Fail(kNetNotConnected, "Not connected.");
    std::vector<int> numbers;
    numbers.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        long n = 0;
        const std::string_view text(values[i], lengths != nullptr && lengths[i] > 0 ? static_cast<size_t>(lengths[i])
                                                                                      : strlen(values[i]));
        if (!ParseNumber(text, n) || n < 1 || n > count_) return Fail(kNetBadArgument, "No message " + std::string(text) + ".");
        numbers.push_back(static_cast<int>(n));
    }
    // A group's commands go in one write and its replies are read after it: one round trip
    // a group instead of one a message. Groups stay small enough that neither side's
    // buffers fill while the other is not reading.
    const std::size_t group = Pipelining() ? 100 : 1;
    if (int rc = Settle(); rc != kNetOk) return rc;
    int failure = kNetOk;
    for (std::size_t at = 0; at < numbers.size(); at += group) {
        const std::size_t end = std::min(numbers.size(), at + group);
        std::string lines;
        for (std::size_t i = at; i < end; ++i) {
            const std::string line = "DELE " + std::to_string(numbers[i]);
            Trail(kTrailSent, line);
            lines += line + "\r\n";
        }
        NetError error;
        if (transport_.Send(lines, error) != kNetOk) return TransportFailure(error);
        // Every reply of the group is read, so that the session stays in step after a refusal.
        for (std::size_t i = at; i < end; ++i) {
            std::string reply;
            if (int rc = ReadStatus(reply); rc != kNetOk) return rc;
            if (!IsOk(reply)) {
                if (failure == kNetOk) failure = ReplyFailure(reply);
                continue;
            }
            uids_.erase(numbers[i]);
            if (retrieved_ == numbers[i]) {
                retrieved_ = 0;
                headers_.clear();
                text_.clear();
            }
        }
    }
    return failure;
}

int PopsComponent::List() {
    if (!Connected()) return Fail(kNetNotConnected, "Not connected.");
    std::string reply;
    if (int rc = Command("LIST", reply); rc != kNetOk) return rc;
    if (!IsOk(reply)) return ReplyFailure(reply);
    std::vector<int> numbers;
    if (int rc = ReadMultiLine([&numbers](const std::string& line) {
            const long n = LeadingNumber(line);
            if (n >= 1) numbers.push_back(static_cast<int>(n));
        });
        rc != kNetOk) {
        return rc;
    }
    if (int rc = LoadUids(); rc != kNetOk) return rc;
    for (int n : numbers) {
        const auto it = uids_.find(n);
        Fire(kPopsEventMessageList, {{n, it == uids_.end() ? std::string_view() : std::string_view(it->second)}});
    }
    return kNetOk;
}

int PopsComponent::Disconnect() {
    if (!connected_ && !transport_.IsOpen()) return kNetOk;
    return Quit(false);
}

// ---------------------------------------------------------------- functions

PopsComponent* POPS_Create(void* owner, NetEventSink sink) { return handle::Create<PopsComponent>(owner, sink); }

int POPS_Destroy(PopsComponent* h) { return handle::Destroy(h); }

int POPS_Set(PopsComponent* h, int property, int, const char* value, int length) {
    return handle::Set(h, property, value, length);
}

int POPS_Set(PopsComponent* h, int property, int, int value, int) { return handle::Set(h, property, value); }

long POPS_Get(PopsComponent* h, int property, int, int* length) { return handle::Get(h, property, length); }

std::string POPS_GetText(PopsComponent* h, int property, int) { return handle::GetText(h, property); }

int POPS_Do(PopsComponent* h, int method, int count, const char* const* values, const int* lengths) {
    return handle::Do(h, method, count, values, lengths);
}

int POPS_Do(PopsComponent* h, int method) { return handle::Do(h, method, 0, nullptr, nullptr); }

int POPS_Do(PopsComponent* h, int method, const std::string& value) { return handle::Do(h, method, value); }

std::string POPS_GetLastError(PopsComponent* h) { return handle::LastError(h); }

int POPS_GetLastErrorCode(PopsComponent* h) { return handle::LastErrorCode(h); }

int POPS_StaticInit(void*) { return NetStaticInit(); }

}  // namespace netssl
