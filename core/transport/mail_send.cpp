#include "core/transport/mail_send.h"

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/foundation/string_utils.h"
#include "core/mailstore/encoded_word.h"
#include "core/transport/wsa_error_number.h"

#include <unistd.h>

#include <climits>

namespace {

// Replies longer than this many lines are not SMTP.
constexpr int kMaxReplyLines = 1000;

// An address that can stand between "<" and ">" of a command and in a header.
bool IsSafeAddress(const std::string& address) {
    return address.find_first_of(std::string("\r\n\0<>", 5)) == std::string::npos;
}

bool HasNonAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return true;
    }
    return false;
}

// The machine's host name as it may stand in EHLO and HELO.
std::string LocalName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    std::string clean = ViolationRemoveForDomain(name);
    return clean.empty() ? "LocalHost" : clean;
}

const std::string& J(const char* utf8) { return SjisLiteral(utf8); }

}  // namespace

MailSend::MailSend() = default;

MailSend::~MailSend() {
    if (connected_) Quit();
}

// ---- The message.

void MailSend::SetHeader(const std::string& text) { header_ = text + "\r\n"; }

void MailSend::AddHeader(const std::string& text) { header_ += text + "\r\n"; }

int MailSend::SetHeader(const std::string& name, const std::string& display, const std::string& address) {
    const std::string kept = header_;
    header_.clear();
    if (AddHeader(name, display, address)) return 1;
    header_ = kept;
    return 0;
}

int MailSend::AddHeader(const std::string& name, const std::string& display, const std::string& address) {
    if (HasLineBreakOrNul(name) || HasLineBreakOrNul(display) || !IsSafeAddress(address)) {
        err_.SetErr(2005);
        return 0;
    }
    std::string shown = display;
    if (HasNonAscii(display)) {
        KCodeC code;
        shown = MIMEBase64EncodeForJIS(code.sjtojis7(display, 1));
    }
    std::string value;
    if (!address.empty() && !display.empty()) {
        value = "\"" + shown + "\" <" + address + ">";
    } else if (!address.empty()) {
        value = address;
    } else {
        value = shown;
    }
    header_ += name + ": " + value + "\r\n";
    return 1;
}

void MailSend::ClearMail() {
    header_.clear();
    body_.clear();
    messageId_.clear();
    contentType_.clear();
    attachments_.clear();
}

void MailSend::SetContentType(const std::string& type, const std::string& separator, const std::string& parameter,
                              const std::string& extra) {
    contentType_ = type + separator + parameter + extra;
}

int MailSend::SetEnvelopeAddress(std::string& field, const std::string& address) {
    if (!IsSafeAddress(address)) {
        field.clear();  // never send on to an address set before
        err_.SetErr(2005);
        return 0;
    }
    field = address;
    return 1;
}

int MailSend::SetRecipient(const std::string& address) { return SetEnvelopeAddress(recipient_, address); }

int MailSend::SetSenderAddr(const std::string& address) { return SetEnvelopeAddress(sender_, address); }

// ---- The server.

int MailSend::SetSmtpHost(const std::string& host, int port) {
    if (connected_) {
        err_.SetErr(2201);
        return 0;
    }
    if (host.empty() || port <= 0) {
        err_.SetErr(2205);
        return 0;
    }
    host_ = host;
    port_ = port;
    return 1;
}

void MailSend::SetSmtpAuth(bool use, bool allowCramMd5, bool allowLogin, bool allowPlain) {
    useAuth_ = use;
    allowCramMd5_ = allowCramMd5;
    allowLogin_ = allowLogin;
    allowPlain_ = allowPlain;
}

void MailSend::SetSmtpUserPass(const std::string& user, const std::string& password) {
    user_ = user;
    password_ = password;
}

// ---- Building the message.

std::string MailSend::BuildMessage() const {
    std::string headers = header_;
    if (!messageId_.empty()) headers += "Message-Id: <" + messageId_ + ">\r\n";
    const std::string xMailer = GetXMailer();
    if (!xMailer.empty()) headers += "X-Mailer: " + xMailer + "\r\n";
    const std::string textType = contentType_.empty() ? "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                                                      : "Content-Type: " + contentType_ + "\r\n";
    KCodeC code;
    const std::string& body = code.sjtojis7(body_, 1);

    std::string raw;
    if (attachments_.empty()) {
        headers += textType;
        headers += "Mime-Version: 1.0\r\nContent-Transfer-Encoding: 7bit\r\n";
        raw = headers + "\r\n" + body + "\r\n";
    } else {
        const std::string boundary = MakeBoundary();
        headers += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
        headers += "Mime-Version: 1.0\r\nContent-Transfer-Encoding: 7bit\r\n";
        raw = headers + "\r\n--" + boundary + "\r\n" + textType + "Content-Transfer-Encoding: 7bit\r\n\r\n" + body +
              "\r\n";
        for (const std::string& part : attachments_) raw += "--" + boundary + "\r\n" + part + "\r\n";
        raw += "--" + boundary + "--\r\n";
    }

    // One pass over the whole payload: CR LF line ends, and a second dot before every
    // line that starts with one (so that no line of any part reads as the end of DATA).
    std::string data;
    data.reserve(raw.size() + raw.size() / 64 + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (lineStart && c == '.') data += '.';
        if (c == '\n' && (i == 0 || raw[i - 1] != '\r')) data += '\r';
        data += c;
        lineStart = c == '\n';
    }
    if (!lineStart) data += "\r\n";
    data += ".\r\n";
    return data;
}

// ---- The conversation.

void MailSend::Step(const char* prefix, const char* what) { WriteLogLine(J("｜C｜"), std::string(prefix) + what); }

void MailSend::Disconnect() {
    if (socket_) socket_->Close();
    socket_.reset();
    connected_ = false;
    contCount_ = 0;
}

void MailSend::Quit() {
    if (connected_ && socket_) {
        const CErrMsg kept = err_;  // the failure that led here, not the QUIT's fate
        std::string reply;
        Command("QUIT", reply);
        err_ = kept;
    }
    Disconnect();
}

int MailSend::SocketFailed(int kind) {
    RecordWsaError(err_, socket_ ? socket_->GetLastError() : SocketSupport::kWsaNotConnected, kind);
    Disconnect();
    return -1;
}

int MailSend::ReadReply(std::string& reply) {
    reply.clear();
    // The whole reply within the time-out, however its lines are spaced.
    const ReplyBound bound(socket_);
    for (int lines = 0; lines < kMaxReplyLines; ++lines) {
        std::string line;
        const int n = socket_->GetLine(line);
        if (n < 0) return SocketFailed(kWsaCallReceive);
        if (n == 0) {  // the server closed the connection in the middle of the conversation
            RecordWsaError(err_, 10053, kWsaCallReceive);
            Disconnect();
            return -1;
        }
        WriteLogLine(J("｜R｜"), line.substr(0, line.size() - 2));
        reply += line;
        // The last line of a reply has no "-" after its code.
        if (line.size() < 6 || line[3] != '-') {
            int code = 0;
            return GetResponseStatus(reply, code);
        }
    }
    err_.SetErr(2104, "");
    Disconnect();
    return -1;
}

int MailSend::Command(const std::string& line, std::string& reply, bool secret) {
    WriteLogLine(J("｜S｜"), secret ? "********" : line);
    std::string text = line + "\r\n";
    if (socket_->SendBlock(text) < 0) return SocketFailed(kWsaCallSend);
    return ReadReply(reply);
}

int MailSend::OpenConnection(const char* stepPrefix) {
    Step(stepPrefix, "Connect");
    socket_ = std::make_unique<SocketSupport>();
    if (!socket_->Connect(host_, port_, timeOutBeforeConnect_)) {
        RecordWsaError(err_, socket_->GetLastError(), kWsaCallConnect);
        socket_.reset();
        return -2;
    }
    socket_->SetTimeOutTime(timeOut_);
    connected_ = true;
    contCount_ = 0;
    Step(stepPrefix, "greeting wait");
    std::string reply;
    const int code = ReadReply(reply);
    if (code < 0) return -2;
    if (code < 200 || code > 299) return NotReady(reply);
    return 1;
}

int MailSend::NotReady(const std::string& reply) {
    err_.SetErr(2104, reply);
    Quit();
    return -3;
}

int MailSend::Greet(const char* stepPrefix) {
    const std::string name = LocalName();
    std::string reply;
    if (!useAuth_) {
        Step(stepPrefix, "HELO");
        const int code = Command("HELO " + name, reply);
        if (code < 0) return -2;
        if (code < 200 || code > 299) return NotReady(reply);
        return 1;
    }
    Step(stepPrefix, "EHLO");
    const int code = Command("EHLO " + name, reply);
    if (code < 0) return -2;
    // A refusal of EHLO is the server not being ready, not a lack of authentication.
    if (code < 200 || code > 299) return NotReady(reply);
    Step(stepPrefix, "authentication");
    const int result = Authenticate(reply);
    if (result != 1 && connected_) Quit();
    return result;
}

int MailSend::Send() {
    if (header_.empty() || body_.empty() || recipient_.empty() || host_.empty() || port_ <= 0 || sender_.empty()) {
        err_.SetErr(2005);
        return -1;
    }
    errList_.clear();
    const std::string data = BuildMessage();

    if (!connected_) {
        const int opened = OpenConnection("[Send] ");
        if (opened != 1) return opened;
        const int greeted = Greet("[Send] ");
        if (greeted != 1) return greeted;
    }

    Step("[Send] ", "mail start");
    std::string reply;
    int code = Command("MAIL FROM:<" + sender_ + ">", reply);
    if (code < 0) return -2;
    if (code < 200 || code > 299) {
        err_.SetErr(2105, reply);
        Quit();
        return 0;
    }
    Step("[Send] ", "recipient");
    code = Command("RCPT TO:<" + recipient_ + ">", reply);
    if (code < 0) return -2;
    if (code < 200 || code > 299) {
        err_.SetErr(2105, reply);
        MailSendErr refused;
        refused.addr = recipient_;
        refused.code = code;
        refused.msg = err_.GetLastMsg();
        errList_.push_back(refused);
        Quit();
        return 0;
    }
    Step("[Send] ", "data");
    code = Command("DATA", reply);
    if (code < 0) return -2;
    if (code < 300 || code > 399) {
        err_.SetErr(2105, reply);
        Quit();
        return 0;
    }
    Step("[Send] ", "message");
    std::string text = data;
    if (socket_->SendBlock(text) < 0) {
        SocketFailed(kWsaCallSend);
        return -2;
    }
    code = ReadReply(reply);
    if (code < 0) return -2;
    if (code < 200 || code > 299) {
        err_.SetErr(2105, reply);
        Quit();
        return 0;
    }
    Step("[Send] ", "mail end");

    if (++contCount_ >= contCountMax_) Quit();
    recipient_.clear();
    messageId_.clear();
    body_.clear();
    return 1;
}

int MailSend::CheckSMTP() {
    if (connected_) {
        err_.SetErr(2201);
        return -1;
    }
    const int opened = OpenConnection("[CheckSMTP] ");
    if (opened != 1) return opened == -2 ? -1 : opened;
    int result = 0;
    if (useAuth_) {
        result = Greet("[CheckSMTP] ");
        if (result == 1) result = 0;
    }
    if (connected_) Quit();
    return result;
}

// ---- The transfer log.

void MailSend::InitLog() { log_.Init(); }

void MailSend::WriteLogHeader(const std::string& envName, int mailId, int customerId, const std::string& text) {
    if (!logOn_) return;
    log_.SetLogData("EnvName:" + envName, 0, 0);
    log_.SetLogData("MailID:" + std::to_string(mailId), 0, 0);
    log_.SetLogData("CustID:" + std::to_string(customerId), 0, 0);
    if (!text.empty()) log_.SetLogData(text, 0, 0);
}

void MailSend::WriteLogLine(const std::string& tag, const std::string& text) {
    if (!logOn_) return;
    log_.SetLogData(tag == J("｜C｜") ? text : tag + text, 1, 0);
}

void MailSend::WriteLogToFile() {
    if (logOn_) log_.WriteToFile();
}

int MailSend::GetWSAErrMsg(int wsaError, int kind) { return WsaErrorNumber(wsaError, kind); }
