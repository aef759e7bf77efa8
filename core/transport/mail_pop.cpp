#include "core/transport/mail_pop.h"

#include "core/foundation/md5.h"
#include "core/foundation/string_utils.h"
#include "core/transport/wsa_error_number.h"
#include "platform/netssl/net_transport.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A decimal number of a reply field; false for anything else.
bool ParseNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

}  // namespace

MailPop::MailPop() = default;

MailPop::~MailPop() {
    if (connected_) PopLogout();
}

int MailPop::SetPopHost(const std::string& host, int port, int type) {
    if (connected_) return Fail(16001);
    if (host.empty() || port <= 0 || (type != kLoginUserPass && type != kLoginApop)) {
        return Fail(16004);
    }
    host_ = host;
    port_ = port;
    type_ = type;
    return 1;
}

int MailPop::SetUserAccount(const char* user, const char* password) {
    if (connected_) return Fail(16001);
    if (user == nullptr || *user == '\0' || password == nullptr) return Fail(16003);
    user_ = user;
    password_ = password;
    return 1;
}

int MailPop::Fail(int code, const std::string& reply) {
    err_.SetErr(code, reply);
    return 0;
}

int MailPop::SocketFailed(int kind) {
    RecordWsaError(err_, socket_ ? socket_->GetLastError() : SocketSupport::kWsaNotConnected, kind);
    Disconnect();
    return 0;
}

void MailPop::Disconnect() {
    if (socket_) socket_->Close();
    socket_.reset();
    connected_ = false;
    loggedIn_ = false;
}

int MailPop::Connect() {
    socket_ = std::make_unique<SocketSupport>();
    if (!socket_->Connect(host_, port_, timeOutBeforeConnect_)) return SocketFailed(kWsaCallConnect);
    socket_->SetTimeOutTime(timeOut_);
    connected_ = true;
    return 1;
}

bool MailPop::SendCommand(const std::string& command) {
    std::string text = command;
    if (socket_->SendBlock(text) >= 0) return true;
    SocketFailed(kWsaCallSend);
    return false;
}

bool MailPop::ReadLine(std::string& line) {
    line.clear();
    const ReplyBound bound(socket_);
    if (!GetLine(line)) return false;
    StripCrLf(line);
    return true;
}

int MailPop::Command(const std::string& command, std::string& reply) {
    if (!SendCommand(command) || !ReadLine(reply)) return -1;
    return GetResponseStatus(reply);
}

bool MailPop::GetLine(std::string& line) {
    const int n = socket_->GetLine(line);
    if (n > 0) return true;
    if (n < 0) {
        SocketFailed(kWsaCallReceive);
        return false;
    }
    // The server closed the connection in the middle of a reply: a broken connection.
    RecordWsaError(err_, 10053, kWsaCallReceive);
    Disconnect();
    return false;
}

int MailPop::ReadMultiLine(std::string& lines, std::size_t maxBytes) {
    // A listing or a message may be long: the time-out and a second for every
    // kAnswerBytesPerSecond bytes that came (the rate the components allow a long answer),
    // so that a slow link still brings a large message and a server that drips its answer
    // is cut off.
    const ReplyBound bound(socket_, netssl::NetTransport::kAnswerBytesPerSecond);
    std::string line;
    for (;;) {
        line.clear();
        if (!GetLine(line)) return -1;
        if (line == ".\r\n") return 1;
        const std::size_t from = line[0] == '.' ? 1 : 0;  // dot-stuffing
        if (lines.size() + line.size() - from > maxBytes) {
            Disconnect();  // the rest of the reply is still on its way
            return 0;
        }
        lines.append(line, from, std::string::npos);
    }
}

int MailPop::PopLogin(const char* user, const char* password, const char* host, int port, int type) {
    if (loggedIn_) return Fail(16005);
    if (user != nullptr) user_ = user;
    if (password != nullptr) password_ = password;
    if (host != nullptr) host_ = host;
    if (port >= 0) port_ = port;
    if (type >= 0) type_ = type;
    if (host_.empty() || port_ <= 0 || (type_ != kLoginUserPass && type_ != kLoginApop)) {
        return Fail(16004);
    }
    if (user_.empty() || HasLineBreakOrNul(user_) || HasLineBreakOrNul(password_)) {
        return Fail(16003);
    }

    // A connection left over from a refused login is dropped: the greeting (and its APOP
    // time stamp) belongs to a fresh one.
    if (connected_) Disconnect();
    if (!Connect()) return 0;
    std::string greeting;
    if (!ReadLine(greeting)) return 0;
    if (!GetResponseStatus(greeting)) {
        err_.SetErr(16006);
        Disconnect();
        return 0;
    }

    std::string reply;
    if (type_ == kLoginApop) {
        const std::size_t open = greeting.find('<');
        const std::size_t close = open == std::string::npos ? open : greeting.find('>', open);
        const std::string stamp =
            close == std::string::npos ? std::string() : greeting.substr(open, close - open + 1);
        if (stamp.empty() || stamp.find('@') == std::string::npos ||
            stamp.find('@') != stamp.rfind('@')) {
            err_.SetErr(16013, greeting);
            Disconnect();
            return 0;
        }
        const std::string digest = XCMD5Encoder(stamp + password_);
        const int status = Command("APOP " + user_ + " " + digest + "\r\n", reply);
        if (status < 0) return 0;
        if (status == 0) return Fail(16007, reply);
    } else {
        int status = Command("USER " + user_ + "\r\n", reply);
        if (status < 0) return 0;
        if (status == 0) return Fail(16007, reply);
        status = Command("PASS " + password_ + "\r\n", reply);
        if (status < 0) return 0;
        if (status == 0) return Fail(16007, reply);
    }
    loggedIn_ = true;
    return 1;
}

int MailPop::PopListUidl() {
    list_.clear();
    count_ = 0;
    totalSize_ = 0;
    if (!loggedIn_) return Fail(16008, "");

    std::string reply;
    std::vector<std::string> fields;
    int status = Command("STAT\r\n", reply);
    if (status < 0) return 0;
    long count = 0, total = 0;
    GetResponseStatus(reply, &fields);
    if (status == 0 || fields.size() < 3 || !ParseNumber(fields[1], count) || !ParseNumber(fields[2], total)) {
        return Fail(16008, reply);
    }

    // "LIST": "n size" per line; no more entries than STAT counted (nor bytes than such
    // lines take: a server that talks on is cut off).
    const std::size_t entries = static_cast<std::size_t>(std::min(count, 1L << 24)) + 1;
    std::vector<MailPopInfo> list;
    if (!Listing("LIST\r\n", entries * 64, [&](const std::vector<std::string>& f) {
            MailPopInfo info;
            if (f.size() < 2 || !ParseNumber(f[0], info.number) || !ParseNumber(f[1], info.size) ||
                static_cast<long>(list.size()) >= count) {
                return false;
            }
            list.push_back(info);
            return true;
        })) {
        return 0;
    }

    // "UIDL": "n uid" per line, matched to the entries by number.
    if (!Listing("UIDL\r\n", entries * 128, [&](const std::vector<std::string>& f) {
            long number = 0;
            if (f.size() < 2 || !ParseNumber(f[0], number)) return false;
            for (MailPopInfo& info : list) {
                if (info.number == number) {
                    info.uid = f[1];
                    break;
                }
            }
            return true;
        })) {
        return 0;
    }
    list_ = std::move(list);
    count_ = count;
    totalSize_ = total;
    return 1;
}

int MailPop::Listing(const char* command, std::size_t maxBytes,
                     const std::function<bool(const std::vector<std::string>&)>& take) {
    std::string reply;
    const int status = Command(command, reply);
    if (status < 0) return 0;
    if (status == 0) return Fail(16008, reply);
    std::string lines;
    const int got = ReadMultiLine(lines, maxBytes);
    if (got < 0) return 0;
    if (got == 0) return Fail(16008, reply);
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < lines.size()) {
        const std::size_t end = lines.find('\n', pos);
        std::string line = lines.substr(pos, end - pos);
        pos = end == std::string::npos ? lines.size() : end + 1;
        StripCrLf(line);
        GetResponseStatus(line, &fields);
        if (!take(fields)) return Fail(16008, line);
    }
    return 1;
}

int MailPop::PopRetr(long n, std::string& mail) {
    mail.clear();
    if (!loggedIn_ || n < 1 || n > count_) return Fail(16009, "");
    std::string reply;
    const int status = Command("RETR " + std::to_string(n) + "\r\n", reply);
    if (status < 0) return 0;
    if (status == 0) return Fail(16009, reply);
    // A stored message may hold a line of any length: inside it only the message's own
    // limit counts, or such a message would end every session at the same place. Replies
    // keep the socket's line limit.
    const std::size_t replyLimit = socket_->SetLineLimit(kMaxMessageBytes + 3);
    const int got = ReadMultiLine(mail, kMaxMessageBytes);
    if (socket_) socket_->SetLineLimit(replyLimit);
    if (got <= 0) {
        mail.clear();
        return got < 0 ? 0 : Fail(16009, reply);
    }
    return 1;
}

int MailPop::PopDelete(long n) {
    if (!loggedIn_) return Fail(16010, "");
    std::string reply;
    const int status = Command("DELE " + std::to_string(n) + "\r\n", reply);
    if (status < 0) return 0;
    if (status == 0) return Fail(16010, reply);
    return 1;
}

int MailPop::PopReset() {
    if (!loggedIn_) return Fail(16011, "");
    std::string reply;
    const int status = Command("RSET\r\n", reply);
    if (status < 0) return 0;
    if (status == 0) return Fail(16011, reply);
    return 1;
}

int MailPop::PopLogout() {
    if (!connected_) return Fail(16002);
    if (loggedIn_) {
        // The server deletes the marked messages only on a "+OK" to QUIT (RFC 1939); any
        // other end leaves them on the server, and the caller must know that.
        std::string reply;
        const int status = Command("QUIT\r\n", reply);
        if (status < 0) return 0;  // the socket failure is recorded
        if (status == 0) {
            Disconnect();
            return Fail(16012, reply);
        }
    }
    Disconnect();
    return 1;
}

int MailPop::GetResponseStatus(const std::string& line, std::vector<std::string>* fields) {
    if (fields != nullptr) {
        fields->clear();
        std::size_t pos = 0;
        while (pos < line.size()) {
            const std::size_t start = line.find_first_not_of(' ', pos);
            if (start == std::string::npos) break;
            const std::size_t end = line.find(' ', start);
            fields->push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
            pos = end == std::string::npos ? line.size() : end;
        }
    }
    return line.compare(0, 3, "+OK") == 0 ? 1 : 0;
}

void MailPop::StripCrLf(std::string& text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
}
