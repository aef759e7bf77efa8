#include "platform/netssl/smtps.h"

#include "platform/netssl/net_codec.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace netssl {

// ---------------------------------------------------------------- owner side

int SMTPS::FireConnectionStatus(const std::string&) { return 0; }
int SMTPS::FireError(int, const std::string&) { return 0; }
int SMTPS::FirePITrail(int, const std::string&) { return 0; }
int SMTPS::FireSSLStatus(const std::string&) { return 0; }
int SMTPS::FireWaiting() { return 0; }

int SMTPS::Dispatch(void* owner, int event, int count, const NetEventParam* params) {
    auto* self = static_cast<SMTPS*>(owner);
    if (!self || count < 1) return 0;
    switch (event) {
    case kSmtpsEventConnectionStatus: return self->FireConnectionStatus(std::string(params[0].text));
    case kSmtpsEventError: return self->FireError(static_cast<int>(params[0].number), std::string(params[0].text));
    case kSmtpsEventPITrail: return self->FirePITrail(static_cast<int>(params[0].number), std::string(params[0].text));
    case kSmtpsEventSSLStatus: return self->FireSSLStatus(std::string(params[0].text));
    case kNetEventWaiting: return self->FireWaiting();
    default: return 0;
    }
}

// ---------------------------------------------------------------- address lists

std::vector<std::string> ParseAddressList(std::string_view value) {
    std::vector<std::string> out;
    std::string bare, bracketed;
    bool inQuote = false, inBracket = false, sawBracket = false;
    int comment = 0;
    auto finish = [&] {
        std::string a = sawBracket ? bracketed : bare;
        const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
        a.erase(a.begin(), std::find_if(a.begin(), a.end(), notSpace));
        a.erase(std::find_if(a.rbegin(), a.rend(), notSpace).base(), a.end());
        if (!a.empty()) out.push_back(std::move(a));
        bare.clear();
        bracketed.clear();
        sawBracket = false;
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (inQuote) {
            if (c == '\\' && i + 1 < value.size()) ++i;
            else if (c == '"') inQuote = false;
            continue;
        }
        if (comment > 0) {
            if (c == '\\' && i + 1 < value.size()) ++i;
            else if (c == '(') ++comment;
            else if (c == ')') --comment;
            continue;
        }
        if (inBracket) {
            if (c == '>') inBracket = false;
            else bracketed.push_back(c);
            continue;
        }
        switch (c) {
        case '"': inQuote = true; break;
        case '(': comment = 1; break;
        case '<': inBracket = true; sawBracket = true; bracketed.clear(); break;
        case ',': finish(); break;
        default: bare.push_back(c);
        }
    }
    finish();
    return out;
}

// ---------------------------------------------------------------- component

namespace {

struct SmtpReply {
    int code = 0;
    std::vector<std::string> lines;
    // The reply as one text: "550 first line second line".
    std::string Text() const {
        std::string t = std::to_string(code);
        for (const auto& l : lines) {
            t += ' ';
            t.append(l, l.size() > 4 ? 4 : l.size(), std::string::npos);
        }
        return t;
    }
};

// True when a header value would start a new header line: a NUL, a bare CR or LF, or a
// CR LF that is not a fold (CR LF, then a blank or tab, then more than blanks). The
// header encoder folds long encoded names that way, so a fold must pass.
bool BreaksHeaderLine(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\0' || s[i] == '\n') return true;
        if (s[i] != '\r') continue;
        if (i + 2 >= s.size() || s[i + 1] != '\n' || (s[i + 2] != ' ' && s[i + 2] != '\t')) return true;
        const size_t next = s.find_first_not_of(" \t", i + 2);
        if (next == std::string_view::npos || s[next] == '\r' || s[next] == '\n') return true;
        i += 1;  // the LF of the fold
    }
    return false;
}

bool UsableAddress(std::string_view a) {
    return !a.empty() && a.find_first_of("\r\n<> \t") == std::string_view::npos && a.find('\0') == std::string_view::npos;
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// The bytes of one message on their way to the wire: a buffer kept from message to message
// and grown without being cleared first (a std::string would zero what it grows by).
class WireBuffer {
public:
    void Clear() { size_ = 0; }
    std::string_view View() const { return {data_.get(), size_}; }
    bool EndsWithCrLf() const { return size_ >= 2 && data_[size_ - 2] == '\r' && data_[size_ - 1] == '\n'; }
    void Append(std::string_view text) { std::memcpy(Room(text.size()), text.data(), text.size()), size_ += text.size(); }
    // Room for `n` more bytes at the end; Commit says how many were written.
    char* Room(std::size_t n) {
        if (size_ + n > capacity_) {
            const std::size_t grown = std::max(size_ + n, 2 * capacity_);
            std::unique_ptr<char[]> bigger(new char[grown]);
            if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
            data_ = std::move(bigger);
            capacity_ = grown;
        }
        return data_.get() + size_;
    }
    void Commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Appends `text` as message content, in one pass: every line end (CR LF, or a CR or LF
// alone) becomes CR LF, and a line that begins with "." gets another "." in front (the
// server takes one away), so that nothing the caller set can end the DATA phase early or
// smuggle a command after it. `out` must end at the start of a line. Lines are found with
// memchr, not byte by byte: a line costs two searches and one copy.
void AppendWire(WireBuffer& out, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    // At most twice the input: ".\n" -> "..\r\n" and "\n" -> "\r\n" are the worst lines.
    char* w = out.Room(2 * text.size());
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* lineEnd = lf != nullptr ? lf : end;
        // A CR ends the line too, unless it is the one just before the LF.
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(lineEnd - p)));
        const char* next;
        if (cr != nullptr && cr + 1 < lineEnd) {
            lineEnd = cr;
            next = cr + 1;
        } else if (cr != nullptr) {
            lineEnd = cr;
            next = lf != nullptr ? lf + 1 : end;  // CR LF, or a CR that ends the text
        } else {
            next = lf != nullptr ? lf + 1 : end;
        }
        if (*p == '.' && p < lineEnd) *w++ = '.';
        std::memcpy(w, p, static_cast<std::size_t>(lineEnd - p));
        w += lineEnd - p;
        if (lineEnd != end) {
            *w++ = '\r';
            *w++ = '\n';
        }
        p = next;
    }
    out.Commit(w);
}

}  // namespace

class SmtpsComponent : public NetComponent {
public:
    SmtpsComponent(void* owner, NetEventSink sink) : NetComponent(owner, sink) { ResetProperties(); }
    // Closes without events: the owner may already be half destroyed.
    ~SmtpsComponent() override { transport_.Close(); }

    int SetText(int property, std::string value);
    int SetNumber(int property, int value);
    long GetNumber(int property, int* length) const;
    std::string GetText(int property) const;
    int Do(int method, int count, const char* const* values, const int* lengths);

private:
    void ResetProperties();
    int ConfigureOwn(std::string_view name, std::string_view value) override;
    int Connect();
    int Disconnect();
    // A message in three steps (smtps.h), and the three in a row.
    int SendEnvelope();
    // `hold`: with PIPELINING the message waits for the next envelope (or the result).
    int SendData(bool hold);
    int SendResult();
    // Writes a held message, alone (`group` empty) or followed by an envelope's group.
    int WriteHeld(std::string_view group);
    int Send();
    // Reads the replies to an envelope that went out in one group; the first refusal, if
    // any, in `refusal` (its code 0 when there is none), and whether DATA got its 354. A
    // 421 among them closes the connection and is returned as the failure at once.
    int ReadGroupReplies(SmtpReply& refusal, bool& dataOpen);
    void BuildWire();  // the message of the current properties into wire_

    int Hello();
    int Login();
    int LoginCram(bool retryOnRefusal);
    int Command(const std::string& line, SmtpReply& reply);
    int ReadReply(SmtpReply& reply);
    int ReplyFailure(const SmtpReply& reply);
    // A reply that `command` cannot have (a success of another kind: 250 where DATA's 354
    // is due, 354 to anything but DATA): the replies no longer pair up with the commands,
    // as when a server answers twice, so no reply read on this connection can be trusted
    // any more. A protocol fault; the connection is closed.
    int Misfit(const SmtpReply& reply, const char* command);
    int TransportFailure(const NetError& error);
    void Trail(int direction, std::string_view text) { Fire(kSmtpsEventPITrail, {{direction, text}}); }
    void Status(std::string_view text) { Fire(kSmtpsEventConnectionStatus, {{0, text}}); }
    void Drop();  // closes without a word to the server
    void Quit();  // QUIT when the server still listens, then close

    // Properties.
    int useCram_ = 0;
    std::string from_, date_, messageId_, messageText_, headerText_, password_, to_, cc_, user_, server_;
    int port_ = 25;
    int sslMode_ = kSslNone;
    std::string hello_;
    long maxHeaderLength_ = 0;

    // Session.
    bool connected_ = false;
    int sendStage_ = kSendNotBegun;  // how far the last send got
    bool pipelining_ = false;   // the server offered PIPELINING in its EHLO answer
    std::vector<std::string> extensions_;  // EHLO keywords, upper-cased, with their arguments

    // The envelope of the next message (SendEnvelope to SendData). A server that offers
    // PIPELINING gets its commands at once, in one write: an RSET first when the last
    // transaction was refused, then MAIL and RCPT, and DATA too when there is one recipient
    // (with several, a refusal of one must keep the message from the others, so DATA waits
    // for their replies).
    struct Envelope {
        bool queued = false;
        bool written = false;      // its commands are on the wire, their replies unread
        bool rset = false;         // an RSET leads the group
        bool dataInGroup = false;  // DATA went with the group
        std::string sender;
        std::vector<std::string> recipients;
    } envelope_;
    bool resetDue_ = false;       // a refused transaction's RSET goes with the next group
    bool resultPending_ = false;  // the end-of-data reply of the last message is unread
    bool held_ = false;           // wire_ holds a message not written yet (SendDataHeld)
    int resultGraceSeconds_ = 0;  // kSmtpsResultGrace
    WireBuffer wire_;
};

void SmtpsComponent::ResetProperties() {
    useCram_ = 0;
    resultGraceSeconds_ = 0;
    from_.clear(); date_.clear(); messageId_.clear(); messageText_.clear(); headerText_.clear();
    password_.clear(); to_.clear(); cc_.clear(); user_.clear(); server_.clear();
    port_ = 25;
    sslMode_ = kSslNone;
    hello_ = "localhost";
    maxHeaderLength_ = 0;
    sendStage_ = kSendNotBegun;
    ResetCommon();
}

int SmtpsComponent::SetText(int property, std::string value) {
    switch (property) {
    case kSmtpsFrom: from_ = std::move(value); return kNetOk;
    case kSmtpsServer: server_ = std::move(value); return kNetOk;
    case kSmtpsDate: date_ = std::move(value); return kNetOk;
    case kSmtpsMessageId: messageId_ = std::move(value); return kNetOk;
    case kSmtpsMessageText: messageText_ = std::move(value); return kNetOk;
    case kSmtpsHeaderText: headerText_ = std::move(value); return kNetOk;
    case kSmtpsPassword: password_ = std::move(value); return kNetOk;
    case kSmtpsTo: to_ = std::move(value); return kNetOk;
    case kSmtpsCc: cc_ = std::move(value); return kNetOk;
    case kSmtpsUser: user_ = std::move(value); return kNetOk;
    default: {
        int n = 0;
        return NumberFromText(property, value, n) ? SetNumber(property, n) : kNetBadArgument;
    }
    }
}

int SmtpsComponent::SetNumber(int property, int value) {
    switch (property) {
    case kSmtpsAuthCram:
        useCram_ = value != 0;
        return kNetOk;
    case kSmtpsPort: return SetServerPort(value, port_);
    case kSmtpsSslStartMode: return SetSslStartMode(value, sslMode_);
    case kSmtpsTimeout:
        timeoutSeconds_ = value;
        return kNetOk;
    case kSmtpsResultGrace:
        if (value < 0) return Fail(kNetBadArgument, "The result grace cannot be negative.");
        resultGraceSeconds_ = value;
        return kNetOk;
    default:
        return Fail(kNetBadArgument, "Property " + std::to_string(property) + " takes a text or is unknown.");
    }
}

long SmtpsComponent::GetNumber(int property, int* length) const {
    if (length) *length = 0;
    switch (property) {
    case kSmtpsAuthCram: return useCram_;
    case kSmtpsConnected: return connected_ && transport_.IsOpen() ? 1 : 0;
    case kSmtpsSendStage: return sendStage_;
    case kSmtpsPipelining: return connected_ && pipelining_ ? 1 : 0;
    case kSmtpsResultGrace: return resultGraceSeconds_;
    case kSmtpsPort: return port_;
    case kSmtpsSslStartMode: return sslMode_;
    case kSmtpsTimeout: return timeoutSeconds_;
    default: return TextLength(GetText(property), length);
    }
}

std::string SmtpsComponent::GetText(int property) const {
    switch (property) {
    case kSmtpsFrom: return from_;
    case kSmtpsServer: return server_;
    case kSmtpsDate: return date_;
    case kSmtpsMessageId: return messageId_;
    case kSmtpsMessageText: return messageText_;
    case kSmtpsHeaderText: return headerText_;
    case kSmtpsPassword: return password_;
    case kSmtpsTo: return to_;
    case kSmtpsCc: return cc_;
    case kSmtpsUser: return user_;
    case kSmtpsAuthCram: case kSmtpsConnected: case kSmtpsPort: case kSmtpsSslStartMode: case kSmtpsTimeout:
    case kSmtpsSendStage: case kSmtpsPipelining: case kSmtpsResultGrace:
        return std::to_string(GetNumber(property, nullptr));
    default: return std::string();
    }
}

int SmtpsComponent::Do(int method, int count, const char* const* values, const int* lengths) {
    if (method == kSmtpsInterrupt) {
        Interrupt();
        return kNetOk;
    }
    // A disconnect keeps the error of the call before it, which callers often read after
    // closing the connection.
    if (method != kSmtpsDisconnect) lastError_.Clear();
    switch (method) {
    case kSmtpsConfigure: {
        const auto text = FirstValue(count, values, lengths);
        return text ? Configure(*text) : Fail(kNetBadArgument, "Configure needs one text.");
    }
    case kSmtpsConnect: return Connect();
    case kSmtpsDisconnect: return Disconnect();
    case kSmtpsReset:
        Quit();
        ResetProperties();
        return kNetOk;
    case kSmtpsSend: return Send();
    case kSmtpsSendEnvelope: return SendEnvelope();
    case kSmtpsSendData: return SendData(false);
    case kSmtpsSendDataHeld: return SendData(true);
    case kSmtpsSendResult: return SendResult();
    default: return Fail(kNetBadArgument, "Unknown method " + std::to_string(method) + ".");
    }
}

int SmtpsComponent::ConfigureOwn(std::string_view name, std::string_view value) {
    const std::string upper = Upper(name);
    if (upper == "HELLO") {
        if (value.empty() || value.find_first_of(std::string_view(" \t\r\n\0", 5)) != std::string_view::npos) {
            return Fail(kNetBadArgument, "Bad host name for the greeting: " + std::string(value) + ".");
        }
        hello_ = std::string(value);
        return kNetOk;
    }
    if (upper == "MAXHEADERLENGTH") {
        // The component never folds header lines, so every length is already honoured.
        if (!ParseNumber(value, maxHeaderLength_)) return Fail(kNetBadArgument, "Bad value for MaxHeaderLength.");
        return kNetOk;
    }
    return UnknownSetting(name);
}

// ---------------------------------------------------------------- wire

int SmtpsComponent::ReadReply(SmtpReply& reply) {
    reply = SmtpReply{};
    // The whole reply within the time-out, however its lines are spaced.
    const ReplyDeadline deadline(transport_);
    std::string line;
    for (int n = 0; n < 1000; ++n) {
        NetError error;
        if (transport_.ReadLine(line, error) != kNetOk) return TransportFailure(error);
        Trail(kTrailReceived, line);
        if (line.size() < 3 || !isdigit(static_cast<unsigned char>(line[0])) ||
            !isdigit(static_cast<unsigned char>(line[1])) || !isdigit(static_cast<unsigned char>(line[2])) ||
            (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
            Fail(kNetProtocol, "Protocol error: unexpected reply \"" + line.substr(0, 200) + "\".");
            Drop();
            return kNetProtocol;
        }
        const int code = std::stoi(line.substr(0, 3));
        if (n > 0 && code != reply.code) {
            Fail(kNetProtocol, "Protocol error: reply lines with different codes.");
            Drop();
            return kNetProtocol;
        }
        reply.code = code;
        reply.lines.push_back(line);
        if (line.size() == 3 || line[3] == ' ') return kNetOk;
    }
    Fail(kNetProtocol, "Protocol error: a reply of more than 1000 lines.");
    Drop();
    return kNetProtocol;
}

int SmtpsComponent::Command(const std::string& line, SmtpReply& reply) {
    Trail(kTrailSent, line);
    NetError error;
    if (transport_.Send(line + "\r\n", error) != kNetOk) return TransportFailure(error);
    return ReadReply(reply);
}

// A refusal: the last error is the server's reply. A 421 means the server is closing.
int SmtpsComponent::ReplyFailure(const SmtpReply& reply) {
    Fail(kNetServerReply, reply.Text());
    if (reply.code == 421) Drop();
    return kNetServerReply;
}

namespace {
// A refusal, for now or for good, fits any command of a transaction.
bool Refusal(const SmtpReply& reply) { return reply.code / 100 == 4 || reply.code / 100 == 5; }
}  // namespace

int SmtpsComponent::Misfit(const SmtpReply& reply, const char* command) {
    Fail(kNetProtocol, "Protocol error: the reply \"" + reply.Text().substr(0, 200) + "\" does not fit " + command + ".");
    Drop();
    return kNetProtocol;
}

// The connection is in an unknown state after a time-out, an interrupt or a socket
// failure: it is closed at once.
int SmtpsComponent::TransportFailure(const NetError& error) {
    Fail(error);
    Drop();
    return error.code;
}

void SmtpsComponent::Drop() {
    const bool wasOpen = transport_.IsOpen();
    transport_.Close();
    extensions_.clear();
    pipelining_ = false;
    envelope_ = Envelope{};
    resetDue_ = false;
    resultPending_ = false;
    held_ = false;
    if (connected_ || wasOpen) {
        connected_ = false;
        Trail(kTrailInfo, "Disconnected.");
        Status("Disconnected from " + server_ + ".");
    }
}

void SmtpsComponent::Quit() {
    if (!transport_.IsOpen()) {
        Drop();
        return;
    }
    // A DATA of a pipelined envelope may have opened the data phase, where QUIT would be
    // read as text: the connection is closed instead, which makes the server forget the
    // transaction. An end-of-data reply still to come is read first, for the log.
    if ((envelope_.written && envelope_.dataInGroup) || held_) {
        Drop();
        return;
    }
    const NetError kept = lastError_;
    SmtpReply reply;
    if (resultPending_ || envelope_.written) {
        bool dataOpen = false;
        if ((resultPending_ && ReadReply(reply) != kNetOk) || (envelope_.written && ReadGroupReplies(reply, dataOpen) != kNetOk)) {
            lastError_ = kept;
            return;  // dropped
        }
        resultPending_ = false;
    }
    if (Command("QUIT", reply) != kNetOk) {
        Fire(kSmtpsEventError, {{lastError_.code, lastError_.text}});
    }
    lastError_ = kept;
    Drop();
}

// ---------------------------------------------------------------- session

int SmtpsComponent::Connect() {
    if (connected_ && transport_.IsOpen()) return Fail(kNetAlreadyConnected, "Already connected.");
    Drop();
    if (server_.empty()) return Fail(kNetBadHost, "The remotehost address is invalid (0.0.0.0).");
    transport_.SetTimeout(timeoutSeconds_);
    Trail(kTrailInfo, "Connecting to mail server.");
    NetError error;
    if (transport_.Connect(server_, port_, error) != kNetOk) return Fail(error);
    connected_ = true;
    Trail(kTrailInfo, "Connected.");
    Status("Connected to " + server_ + " port " + std::to_string(port_) + ".");

    const auto tlsStatus = [this](const std::string& text) { Fire(kSmtpsEventSSLStatus, {{0, text}}); };
    if (sslMode_ == kSslImplicit && transport_.StartTls(server_, tls_, tlsStatus, error) != kNetOk) {
        return TransportFailure(error);
    }
    SmtpReply reply;
    if (int rc = ReadReply(reply); rc != kNetOk) return rc;
    if (reply.code / 100 != 2) {
        const int rc = ReplyFailure(reply);
        Quit();
        return rc;
    }
    if (int rc = Hello(); rc != kNetOk) return rc;
    if (sslMode_ == kSslStartTls) {
        if (int rc = Command("STARTTLS", reply); rc != kNetOk) return rc;
        if (reply.code != 220) {
            const int rc = ReplyFailure(reply);
            Quit();
            return rc;
        }
        if (transport_.StartTls(server_, tls_, tlsStatus, error) != kNetOk) return TransportFailure(error);
        if (int rc = Hello(); rc != kNetOk) return rc;
    }
    if (!user_.empty()) {
        if (int rc = Login(); rc != kNetOk) {
            Quit();
            return rc;
        }
    }
    return kNetOk;
}

int SmtpsComponent::Hello() {
    extensions_.clear();
    pipelining_ = false;
    SmtpReply reply;
    if (int rc = Command("EHLO " + hello_, reply); rc != kNetOk) return rc;
    if (reply.code / 100 == 2) {
        for (size_t i = 1; i < reply.lines.size(); ++i) {
            extensions_.push_back(Upper(std::string_view(reply.lines[i]).substr(std::min<size_t>(4, reply.lines[i].size()))));
            const std::string& e = extensions_.back();
            if (e.rfind("PIPELINING", 0) == 0 && (e.size() == 10 || e[10] == ' ')) pipelining_ = true;
        }
        return kNetOk;
    }
    if (reply.code / 100 == 5) {  // a server that does not know EHLO
        if (int rc = Command("HELO " + hello_, reply); rc != kNetOk) return rc;
        if (reply.code / 100 == 2) return kNetOk;
    }
    const int rc = ReplyFailure(reply);
    Quit();
    return rc;
}

int SmtpsComponent::Login() {
    bool anyAuth = false, cram = false, login = false, plain = false;
    for (const auto& ext : extensions_) {
        if (ext.rfind("AUTH", 0) != 0 || ext.size() < 5 || (ext[4] != ' ' && ext[4] != '=')) continue;
        anyAuth = true;
        std::string_view rest(ext);
        rest.remove_prefix(5);
        while (!rest.empty()) {
            const size_t sp = rest.find(' ');
            const std::string_view mech = rest.substr(0, sp);
            cram |= mech == "CRAM-MD5";
            login |= mech == "LOGIN";
            plain |= mech == "PLAIN";
            if (sp == std::string_view::npos) break;
            rest.remove_prefix(sp + 1);
        }
    }
    if (useCram_) {
        if (!cram) return Fail(kNetRetryWithoutCram, "The server does not offer CRAM-MD5.");
        return LoginCram(true);
    }
    SmtpReply reply;
    if (login) {
        if (int rc = Command("AUTH LOGIN", reply); rc != kNetOk) return rc;
        if (reply.code == 334) {
            if (int rc = Command(Base64Encode(user_), reply); rc != kNetOk) return rc;
            if (reply.code == 334) {
                if (int rc = Command(Base64Encode(password_), reply); rc != kNetOk) return rc;
            }
        }
    } else if (plain) {
        if (int rc = Command("AUTH PLAIN " + Base64Encode(std::string(1, '\0') + user_ + '\0' + password_), reply);
            rc != kNetOk) {
            return rc;
        }
    } else if (cram) {
        return LoginCram(false);
    } else if (!anyAuth) {
        // Nothing to log in with: the server decides whether it takes the mail.
        Status("The server offers no login; going on without one.");
        return kNetOk;
    } else {
        return Fail(kNetAuthFailed, "Authentication failed: the server offers none of CRAM-MD5, LOGIN and PLAIN.");
    }
    if (reply.code / 100 == 2) return kNetOk;
    if (reply.code == 334) {  // a challenge we cannot answer: end the exchange
        Trail(kTrailSent, "*");
        NetError error;
        if (transport_.Send("*\r\n", error) != kNetOk) return TransportFailure(error);
        SmtpReply ignored;
        if (int rc = ReadReply(ignored); rc != kNetOk) return rc;
    }
    return ReplyFailure(reply);
}

int SmtpsComponent::LoginCram(bool retryOnRefusal) {
    SmtpReply reply;
    if (int rc = Command("AUTH CRAM-MD5", reply); rc != kNetOk) return rc;
    if (reply.code == 334) {
        const std::string& line = reply.lines.back();
        const auto challenge = Base64Decode(line.size() > 4 ? std::string_view(line).substr(4) : std::string_view());
        if (!challenge) {
            Trail(kTrailSent, "*");
            NetError error;
            if (transport_.Send("*\r\n", error) != kNetOk) return TransportFailure(error);
            if (int rc = ReadReply(reply); rc != kNetOk) return rc;
            return Fail(kNetProtocol, "Protocol error: the CRAM-MD5 challenge is not base64.");
        }
        if (int rc = Command(Base64Encode(user_ + ' ' + HmacMd5Hex(password_, *challenge)), reply); rc != kNetOk) {
            return rc;
        }
    }
    if (reply.code / 100 == 2) return kNetOk;
    if (retryOnRefusal && reply.code / 100 == 5) {
        return Fail(kNetRetryWithoutCram, "CRAM-MD5 refused: " + reply.Text());
    }
    return ReplyFailure(reply);
}

int SmtpsComponent::Disconnect() {
    if (!connected_ && !transport_.IsOpen()) return kNetOk;
    Quit();
    return kNetOk;
}

int SmtpsComponent::SendEnvelope() {
    if (!connected_ || !transport_.IsOpen()) return Fail(kNetNotConnected, "Not connected.");
    if (envelope_.queued) return Fail(kNetBadArgument, "An envelope already waits for its message.");
    // A refused envelope still lets a held message go.
    const auto refuse = [this](std::string text) {
        if (held_ && WriteHeld({}) != kNetOk) return lastError_.code;
        return Fail(kNetBadArgument, std::move(text));
    };
    const auto senders = ParseAddressList(from_);
    if (senders.size() != 1 || !UsableAddress(senders[0])) {
        return refuse("The sender address is missing or unusable: " + from_ + ".");
    }
    std::vector<std::string> recipients = ParseAddressList(to_);
    for (auto& a : ParseAddressList(cc_)) recipients.push_back(std::move(a));
    if (recipients.empty()) return refuse("No recipient address.");
    for (const auto& a : recipients) {
        if (!UsableAddress(a)) return refuse("Unusable recipient address: " + a + ".");
    }
    for (const std::string* h : {&from_, &to_, &cc_, &date_, &messageId_}) {
        if (BreaksHeaderLine(*h)) return refuse("A header value holds a line break.");
    }
    transport_.SetTimeout(timeoutSeconds_);
    envelope_ = Envelope{};
    envelope_.queued = true;
    envelope_.sender = senders[0];
    envelope_.recipients = std::move(recipients);
    if (!pipelining_) return kNetOk;  // the commands go one by one in SendData

    envelope_.rset = resetDue_;
    envelope_.dataInGroup = envelope_.recipients.size() == 1;
    std::string group;
    const auto add = [&](std::string line) {
        Trail(kTrailSent, line);
        group += line;
        group += "\r\n";
    };
    if (envelope_.rset) add("RSET");
    add("MAIL FROM:<" + envelope_.sender + ">");
    for (const auto& a : envelope_.recipients) add("RCPT TO:<" + a + ">");
    if (envelope_.dataInGroup) add("DATA");
    resetDue_ = false;
    envelope_.written = true;
    if (held_) return WriteHeld(group);
    NetError error;
    if (transport_.Send(group, error) != kNetOk) return TransportFailure(error);
    return kNetOk;
}

int SmtpsComponent::WriteHeld(std::string_view group) {
    held_ = false;
    // Once any of it may have gone, the message counts as sent: a failure from here on
    // leaves its outcome unknown rather than risk taking a delivered message for lost.
    sendStage_ = kSendMessage;
    wire_.Append(group);
    NetError error;
    if (transport_.Send(wire_.View(), error) != kNetOk) return TransportFailure(error);
    return kNetOk;
}

int SmtpsComponent::ReadGroupReplies(SmtpReply& refusal, bool& dataOpen) {
    // Every reply is read, also after a refusal, so the next one read is the next command's;
    // but a 421 says that the server is closing the connection: no reply follows it, and
    // waiting for the rest would hold the caller for the whole time-out. The connection
    // ends there, with the 421 as the failure.
    refusal = SmtpReply{};
    dataOpen = false;
    const Envelope e = std::move(envelope_);
    envelope_ = Envelope{};
    SmtpReply reply;
    // The stage follows the replies up to the first refusal and stays there.
    const auto next = [&](int stage) {
        if (refusal.code == 0) sendStage_ = stage;
        if (int rc = ReadReply(reply); rc != kNetOk) return rc;
        return reply.code == 421 ? ReplyFailure(reply) : kNetOk;
    };
    // A reply that fits neither the command's success nor a refusal ends it all (Misfit).
    const auto expect = [&](bool accepted, const char* command) {
        if (!accepted && !Refusal(reply)) return Misfit(reply, command);
        if (!accepted && refusal.code == 0) refusal = reply;
        return static_cast<int>(kNetOk);
    };
    if (e.rset) {
        if (int rc = next(kSendMailFrom); rc != kNetOk) return rc;
        if (int rc = expect(reply.code / 100 == 2, "RSET"); rc != kNetOk) return rc;
    }
    if (int rc = next(kSendMailFrom); rc != kNetOk) return rc;
    if (int rc = expect(reply.code / 100 == 2, "MAIL"); rc != kNetOk) return rc;
    for (std::size_t i = 0; i < e.recipients.size(); ++i) {
        if (int rc = next(kSendRcptTo); rc != kNetOk) return rc;
        if (int rc = expect(reply.code / 100 == 2, "RCPT"); rc != kNetOk) return rc;
    }
    if (e.dataInGroup) {
        if (int rc = next(kSendData); rc != kNetOk) return rc;
        dataOpen = reply.code == 354;
        if (int rc = expect(dataOpen, "DATA"); rc != kNetOk) return rc;
    }
    return kNetOk;
}

int SmtpsComponent::SendData(bool hold) {
    sendStage_ = kSendNotBegun;
    if (!connected_ || !transport_.IsOpen()) return Fail(kNetNotConnected, "Not connected.");
    if (!envelope_.queued) return Fail(kNetBadArgument, "No envelope waits for a message.");
    if (resultPending_) return Fail(kNetBadArgument, "The last message's result is still to be read.");
    for (const std::string* h : {&from_, &to_, &cc_, &date_, &messageId_}) {
        if (BreaksHeaderLine(*h)) {
            // Changed since the envelope went out: that transaction cannot be taken back.
            if (envelope_.written) Drop();
            envelope_ = Envelope{};
            return Fail(kNetBadArgument, "A header value holds a line break.");
        }
    }
    transport_.SetTimeout(timeoutSeconds_);

    SmtpReply reply;
    if (envelope_.written) {
        const bool dataInGroup = envelope_.dataInGroup;
        bool dataOpen = false;
        if (int rc = ReadGroupReplies(reply, dataOpen); rc != kNetOk) return rc;
        if (reply.code != 0) {
            const int rc = ReplyFailure(reply);
            // A server that opens the data phase for a message it refused gets no data: the
            // connection is closed, so that nothing can be delivered.
            if (dataOpen) Drop();
            else if (transport_.IsOpen()) resetDue_ = true;
            return rc;
        }
        if (!dataInGroup) {
            sendStage_ = kSendData;
            if (int rc = Command("DATA", reply); rc != kNetOk) return rc;
            if (reply.code != 354) {
                if (!Refusal(reply)) return Misfit(reply, "DATA");
                resetDue_ = true;
                return ReplyFailure(reply);
            }
        }
    } else {
        // One command at a time, each reply awaited; a refusal is followed by RSET at once.
        const Envelope e = std::move(envelope_);
        envelope_ = Envelope{};
        const auto refused = [&](const char* command) {
            if (!Refusal(reply)) return Misfit(reply, command);
            const int rc = ReplyFailure(reply);
            if (transport_.IsOpen()) {  // leave the session clean for the next message
                const NetError kept = lastError_;
                SmtpReply ignored;
                Command("RSET", ignored);
                lastError_ = kept;
            }
            return rc;
        };
        sendStage_ = kSendMailFrom;
        if (int rc = Command("MAIL FROM:<" + e.sender + ">", reply); rc != kNetOk) return rc;
        if (reply.code / 100 != 2) return refused("MAIL");
        sendStage_ = kSendRcptTo;
        for (const auto& a : e.recipients) {
            if (int rc = Command("RCPT TO:<" + a + ">", reply); rc != kNetOk) return rc;
            if (reply.code / 100 != 2) return refused("RCPT");
        }
        sendStage_ = kSendData;
        if (int rc = Command("DATA", reply); rc != kNetOk) return rc;
        if (reply.code != 354) return refused("DATA");
    }
    // The whole message, terminator included, in one write; its reply is read by SendResult.
    BuildWire();
    resultPending_ = true;
    if (hold && pipelining_) {
        held_ = true;
        return kNetOk;
    }
    NetError error;
    if (transport_.Send(wire_.View(), error) != kNetOk) return TransportFailure(error);
    sendStage_ = kSendMessage;
    return kNetOk;
}

void SmtpsComponent::BuildWire() {
    wire_.Clear();
    const auto header = [this](std::string_view name, const std::string& value) {
        if (value.empty()) return;
        wire_.Append(name);
        wire_.Append(value);
        wire_.Append("\r\n");
    };
    header("From: ", from_);
    header("To: ", to_);
    header("Cc: ", cc_);
    header("Date: ", date_);
    header("Message-ID: ", messageId_);
    AppendWire(wire_, headerText_);
    if (!messageText_.empty()) {
        if (!wire_.EndsWithCrLf()) wire_.Append("\r\n");
        wire_.Append("\r\n");
        AppendWire(wire_, messageText_);
    } else if (headerText_.empty()) {
        wire_.Append("\r\n");
    }
    if (!wire_.EndsWithCrLf()) wire_.Append("\r\n");
    wire_.Append(".\r\n");
}

int SmtpsComponent::SendResult() {
    if (!resultPending_) return Fail(kNetBadArgument, "No message waits for its result.");
    if (held_) {
        if (int rc = WriteHeld({}); rc != kNetOk) return rc;
    }
    resultPending_ = false;
    SmtpReply reply;
    transport_.SetInterruptGrace(resultGraceSeconds_);
    const int rc = ReadReply(reply);
    transport_.SetInterruptGrace(0);
    if (rc != kNetOk) return rc;
    if (reply.code / 100 != 2) return Refusal(reply) ? ReplyFailure(reply) : Misfit(reply, "the end of the message");
    return kNetOk;
}

int SmtpsComponent::Send() {
    sendStage_ = kSendNotBegun;
    if (envelope_.queued || resultPending_) return Fail(kNetBadArgument, "A message of the three-step send is under way.");
    if (int rc = SendEnvelope(); rc != kNetOk) return rc;
    if (int rc = SendData(false); rc != kNetOk) return rc;
    return SendResult();
}

// ---------------------------------------------------------------- functions

SmtpsComponent* SMTPS_Create(void* owner, NetEventSink sink) { return handle::Create<SmtpsComponent>(owner, sink); }

int SMTPS_Destroy(SmtpsComponent* h) { return handle::Destroy(h); }

int SMTPS_Set(SmtpsComponent* h, int property, int, const char* value, int length) {
    return handle::Set(h, property, value, length);
}

int SMTPS_Set(SmtpsComponent* h, int property, int, int value, int) { return handle::Set(h, property, value); }

long SMTPS_Get(SmtpsComponent* h, int property, int, int* length) { return handle::Get(h, property, length); }

std::string SMTPS_GetText(SmtpsComponent* h, int property, int) { return handle::GetText(h, property); }

int SMTPS_Do(SmtpsComponent* h, int method, int count, const char* const* values, const int* lengths) {
    return handle::Do(h, method, count, values, lengths);
}

int SMTPS_Do(SmtpsComponent* h, int method) { return handle::Do(h, method, 0, nullptr, nullptr); }

int SMTPS_Do(SmtpsComponent* h, int method, const std::string& value) { return handle::Do(h, method, value); }

std::string SMTPS_GetLastError(SmtpsComponent* h) { return handle::LastError(h); }

int SMTPS_GetLastErrorCode(SmtpsComponent* h) { return handle::LastErrorCode(h); }

int SMTPS_StaticInit(void*) { return NetStaticInit(); }

}  // namespace netssl
