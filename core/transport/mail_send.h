#pragma once
// MailSend: the core library's own SMTP client over SocketSupport (the program's send run
// uses the component-based client instead; this one is offered to the library's callers).
// It builds a message from header text, a Shift_JIS body (sent as ISO-2022-JP) and ready
// MIME part texts, connects, greets with EHLO or HELO, logs in with CRAM-MD5, LOGIN or
// PLAIN, and sends the message to one recipient per call, keeping the connection for up
// to SetContCountMax messages.
//
// Failures are recorded in the client's CErrMsg (GetErrMsg); a refused recipient is kept
// as a MailSendErr (GetErrList). Send results: 1 accepted; 0 the server refused the
// sender, the recipient or the message (2105); -1 data missing (2005); -2 a socket or
// command failure, or no authentication offered (2106); -3 the greeting, EHLO or HELO not
// 2xx (2104) or the login refused (2108); -4 no allowed login method offered (2107) or
// another login failure (2109).
//
// Safety: the whole DATA payload (headers, text and every attachment part) is sent with
// bare LF made CR LF and every line that starts with "." dot-stuffed, so no part text can
// end the message early; an envelope or header address holding CR, LF, NUL, "<" or ">" is
// refused (2005) so that it cannot smuggle a command or a header; lines sent inside a
// login exchange are written to the transfer log as "********". Each reply, all its lines,
// must come within the time-out, so a server that drips a long reply cannot hold the caller.

#include "core/foundation/err_msg.h"
#include "core/foundation/log_writer.h"
#include "core/transport/socket_support.h"

#include <climits>
#include <memory>
#include <string>
#include <vector>

// A recipient the server refused: its address, the reply code and the message recorded.
struct MailSendErr {
    std::string addr;
    int code = 0;
    std::string msg;

    void Cpy(const MailSendErr& from) { *this = from; }
};

class MailSend {
public:
    // MakeSmtpDateNow without a zone: the machine's offset from UTC.
    static constexpr int kLocalZone = INT_MIN;

    MailSend();
    // Ends a kept connection with QUIT.
    virtual ~MailSend();
    MailSend(const MailSend&) = delete;
    MailSend& operator=(const MailSend&) = delete;

    // ---- The message.
    // Replaces the header text with `text` + "\r\n" / appends `text` + "\r\n". The text is
    // the caller's own ready header lines and is taken as it is.
    void SetHeader(const std::string& text);
    void AddHeader(const std::string& text);
    // "name: value\r\n" with the value "\"display\" <address>", the address alone or the
    // display name alone; a display name with non-ASCII bytes is sent as ISO-2022-JP
    // encoded words. SetHeader empties the header text first. 0 (2005, nothing added)
    // when a text holds CR, LF or NUL or the address "<" or ">"; else 1.
    int SetHeader(const std::string& name, const std::string& display, const std::string& address);
    int AddHeader(const std::string& name, const std::string& display, const std::string& address);
    void ClearMailHeader() { header_.clear(); }
    // The Shift_JIS text of the message (sent as ISO-2022-JP).
    void SetBody(const std::string& body) { body_ = body; }
    void ClearMailBody() { body_.clear(); }
    // Header, body, Message-ID, content type and attachments.
    void ClearMail();
    // Message-ID without the angle brackets.
    void SetMessageID(const std::string& id) { messageId_ = id; }
    const std::string& GetMessageID() const { return messageId_; }
    // Content type of the text: type + separator + parameter + extra.
    void SetContentType(const std::string& type, const std::string& separator, const std::string& parameter,
                        const std::string& extra = std::string());
    // A ready MIME part (its headers, a blank line and its encoded body).
    void AddAttachFile(const std::string& partText) { attachments_.push_back(partText); }
    void ClearAttachFile() { attachments_.clear(); }

    // ---- The envelope. 0 (2005) for an address holding CR, LF, NUL, "<" or ">": the
    // address is emptied then, so that a caller who misses the refusal cannot send to the
    // address of an earlier message; else 1.
    int SetRecipient(const std::string& address);
    void ClearRecipient() { recipient_.clear(); }
    const std::string& GetRecipient() const { return recipient_; }
    int SetSenderAddr(const std::string& address);

    // ---- The server and the connection.
    // 2201 (result 0) while connected; 2205 (result 0) for an empty host or a port not
    // positive; else 1.
    int SetSmtpHost(const std::string& host, int port);
    const std::string& GetSmtpHost() const { return host_; }
    int GetSmtpPort() const { return port_; }
    void SetSmtpAuth(bool use, bool allowCramMd5, bool allowLogin, bool allowPlain);
    void SetSmtpUserPass(const std::string& user, const std::string& password);
    // Messages one connection carries before QUIT (values below 1 count as 1).
    void SetContCountMax(int count) { contCountMax_ = count < 1 ? 1 : count; }
    int GetContCountMax() const { return contCountMax_; }
    void SetTimeOutTime(int ms) { timeOut_ = ms < 0 ? 0 : ms; }
    int GetTimeOutTime() const { return timeOut_; }
    void SetTimeOutTimeBeforeConnect(int ms) { timeOutBeforeConnect_ = ms < 0 ? 0 : ms; }
    int GetTimeOutTimeBeforeConnect() const { return timeOutBeforeConnect_; }
    bool IsConnected() const { return connected_; }

    // Sends the message to the recipient (see the results above). On success the
    // recipient, the Message-ID and the body are emptied for the next message.
    int Send();
    // Connects, reads the greeting and, with authentication on, greets and logs in as Send
    // does; then QUIT. 0 when all went well; -1 when the connection failed (or one is
    // already open: 2201); else Send's numbers and results.
    int CheckSMTP();

    const CErrMsg& GetErrMsg() const { return err_; }
    void GetErrList(std::vector<MailSendErr>& out) const { out = errList_; }

    // ---- The transfer log (written only while the log switch is on).
    void SetLogSwitch(bool on) { logOn_ = on; }
    bool GetLogSwitch() const { return logOn_; }
    void InitLog();
    // "EnvName:", "MailID:" and "CustID:" lines, then `text` when not empty.
    void WriteLogHeader(const std::string& envName, int mailId, int customerId, const std::string& text);
    // The tag and the text joined; the tag "｜C｜" stands for a bare line.
    void WriteLogLine(const std::string& tag, const std::string& text);
    void WriteLogToFile();

    // ---- Texts.
    // X-Mailer name of every client of the process (empty: no X-Mailer header).
    static void SetXMailer(const std::string& name);
    static std::string GetXMailer();
    // A Shift_JIS file name with non-ASCII bytes as ISO-2022-JP encoded words; an ASCII
    // name as it is.
    static std::string EncodeFileName(const std::string& name);
    // "_MULTIPART_<local date, time, ms>_<4 random characters>_MIXED_".
    static std::string MakeBoundary();
    // "<UTC date, time, ms>.<counter %05d>.<number>.<domain>"; the counter restarts at 0
    // when the clock has moved since the last call or when it would pass 99999.
    static std::string MakeMessageID(const std::string& domain, int number);
    // RFC 5322 date of now, local time, with `zone` as +hhmm/-hhmm (kLocalZone: the
    // machine's own offset).
    static std::string MakeSmtpDateNow(int zone = kLocalZone);
    // The reply code of the last line of `reply`: 3 characters give their number; longer
    // lines give it negated in `signedCode` when the 4th is "-" (more lines follow) and 0
    // when the 4th is neither blank nor "-". Returns the magnitude.
    static int GetResponseStatus(const std::string& reply, int& signedCode);
    // Error number for a WinSock error of a kind of call (WsaCallKind).
    static int GetWSAErrMsg(int wsaError, int kind);
    // The core library's "FileVersion".
    static std::string GetDllVersion();

private:
    // Sets an envelope address: 1, or 0 (error 2005) with the field emptied, so that a
    // refused address never leaves the one set before it in place.
    int SetEnvelopeAddress(std::string& field, const std::string& address);
    // The DATA payload with the final ".", dot-stuffed, CR LF line ends.
    std::string BuildMessage() const;
    // Connects and reads the greeting: 1, or Send's negative result (recorded).
    int OpenConnection(const char* stepPrefix);
    // EHLO and login, or HELO: 1, or Send's negative result (recorded).
    int Greet(const char* stepPrefix);
    // The greeting, HELO or EHLO refused: error 2104 with the reply, QUIT, and -3.
    int NotReady(const std::string& reply);
    int Authenticate(const std::string& ehloReply);
    int AuthCramMd5(std::string& reply);
    int AuthLogin(std::string& reply);
    int AuthPlain(std::string& reply);
    // Sends a command line (CR LF added) and reads the reply into `reply`; returns its
    // code, or -1 after a socket failure (recorded, connection closed). A `secret` line is
    // logged as "********".
    int Command(const std::string& line, std::string& reply, bool secret = false);
    // Reads one reply (all its lines) into `reply`; code or -1 as Command.
    int ReadReply(std::string& reply);
    int SocketFailed(int kind);
    // QUIT (reply read, not judged) and close.
    void Quit();
    void Disconnect();
    void Step(const char* prefix, const char* what);

    std::string header_;
    std::string body_;
    CErrMsg err_;
    std::string messageId_;
    std::string recipient_;
    std::string sender_;
    std::string contentType_;
    std::vector<std::string> attachments_;
    bool useAuth_ = false;
    bool allowCramMd5_ = true;
    bool allowLogin_ = true;
    bool allowPlain_ = true;
    std::string user_;
    std::string password_;
    std::unique_ptr<SocketSupport> socket_;
    std::string host_;
    int port_ = 25;
    bool connected_ = false;
    int contCount_ = 0;
    int contCountMax_ = 1;
    std::vector<MailSendErr> errList_;
    int timeOut_ = 0;
    int timeOutBeforeConnect_ = 0;
    LogWriter log_;
    bool logOn_ = false;
};
