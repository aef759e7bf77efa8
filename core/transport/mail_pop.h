#pragma once
// MailPop: the core library's own POP3 client over SocketSupport (the program's receive
// session uses the component-based client instead; this one is offered to the library's
// callers). USER/PASS or APOP login, the message list with sizes and unique ids,
// retrieval, deletion, reset and logout.
//
// Operations return 1 on success and 0 on failure; a failure is recorded as an error
// number with its text (16001-16013 of the error table, the server's reply line filling
// the text's "%s"; socket failures get the numbers of WsaErrorNumber) and read with
// GetErrMsg. A socket failure closes the connection, whose state is then unknown.
//
// What comes from the server is data: a user name or password holding CR, LF or NUL is
// refused (it would smuggle a command), the list holds no more entries than STAT counted,
// and a retrieved message is cut off at kMaxMessageBytes. Replies and the greeting are
// lines of at most SocketSupport::kMaxPendingLine bytes; inside a retrieved message a line
// may be as long as the message limit, so one odd stored message never blocks a mailbox.
// Each reply line must come within the time-out, and each listing or message within the
// time-out plus a second for every KiB it brought, so a server that drips its answer
// cannot hold the caller.

#include "core/foundation/err_msg.h"
#include "core/transport/socket_support.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One message of the list: its number on the server, its size in bytes and unique id
// (empty when UIDL did not name it).
struct MailPopInfo {
    long number = 0;
    long size = 0;
    std::string uid;
};

class MailPop {
public:
    enum LoginType : int { kLoginUserPass = 0, kLoginApop = 1 };
    // Largest message PopRetr accepts, in bytes.
    static constexpr std::size_t kMaxMessageBytes = 256u << 20;

    MailPop();
    // Logs out and disconnects when connected.
    virtual ~MailPop();
    MailPop(const MailPop&) = delete;
    MailPop& operator=(const MailPop&) = delete;

    // Server, port and login type. 16001 while connected; 16004 for an empty host, a port
    // not positive or a type other than 0 and 1.
    int SetPopHost(const std::string& host, int port, int type);
    // 16001 while connected; 16003 for an empty user or a missing password.
    int SetUserAccount(const char* user, const char* password);

    // Connects when needed and logs in. Given values replace the stored ones (null, or a
    // negative port or type, keeps the stored one). 16005 when already logged in, 16006
    // when the greeting is not "+OK", 16013 when APOP is asked for and the greeting holds
    // no time stamp with exactly one "@" (nothing is sent then), 16007 when the server
    // refuses the login.
    int PopLogin(const char* user = nullptr, const char* password = nullptr, const char* host = nullptr,
                 int port = -1, int type = -1);
    // STAT, LIST and UIDL: fills the message list (GetMailList). 16008 on failure.
    int PopListUidl();
    // Retrieves message n (1 to the message count) into `mail`, CR LF lines without the
    // final "." line and with the dot-stuffing removed. A number out of range fails with
    // 16009 before anything is sent.
    int PopRetr(long n, std::string& mail);
    // Marks message n for deletion (16010 on failure).
    int PopDelete(long n);
    // Takes back the deletion marks (16011 on failure).
    int PopReset();
    // "QUIT" when logged in, then disconnects; the server deletes the marked messages
    // then. 16002 when not connected. When the server answers QUIT with anything but
    // "+OK" (RFC 1939: "some deleted messages not removed"), or the connection fails
    // before its answer, the deletions may not have been done: the result is 0 with 16012
    // and the reply (or the socket failure's number), and the connection is closed all
    // the same.
    int PopLogout();

    // 1 when `line` starts with "+OK", else 0; with `fields`, the words of the line (split
    // at blanks) are stored in it.
    static int GetResponseStatus(const std::string& line, std::vector<std::string>* fields = nullptr);
    // Removes every CR and LF of `text`.
    static void StripCrLf(std::string& text);

    const std::string& GetPopHost() const { return host_; }
    int GetPopPort() const { return port_; }
    int GetPopType() const { return type_; }
    const std::string& GetUserNameA() const { return user_; }
    const std::string& GetPassword() const { return password_; }
    const CErrMsg& GetErrMsg() const { return err_; }
    bool IsConnected() const { return connected_; }
    bool IsLoggedIn() const { return loggedIn_; }

    // The list of the last PopListUidl, the message count and total size of its STAT.
    const std::vector<MailPopInfo>& GetMailList() const { return list_; }
    long GetMailCount() const { return count_; }
    long GetMailTotalSize() const { return totalSize_; }

    void SetTimeOutTime(int ms) { timeOut_ = ms < 0 ? 0 : ms; }
    int GetTimeOutTime() const { return timeOut_; }
    void SetTimeOutTimeBeforeConnect(int ms) { timeOutBeforeConnect_ = ms < 0 ? 0 : ms; }
    int GetTimeOutTimeBeforeConnect() const { return timeOutBeforeConnect_; }

private:
    int Connect();
    void Disconnect();
    // Records `code` with the reply for its "%s"; returns 0.
    int Fail(int code, const std::string& reply = std::string());
    // Records the socket failure of `kind` and closes the connection; returns 0.
    int SocketFailed(int kind);
    // Sends one command line; false (recorded) on a socket failure.
    bool SendCommand(const std::string& command);
    // Appends one line with its CR LF to `line`; false (recorded, disconnected) when the
    // socket fails or the server closes the connection.
    bool GetLine(std::string& line);
    // Reads one reply line without its line end; false as GetLine.
    bool ReadLine(std::string& line);
    // Sends `command` and reads its one-line reply; 1 for "+OK", 0 for another reply (the
    // line is in `reply`), -1 after a socket failure (recorded).
    int Command(const std::string& command, std::string& reply);
    // Reads the lines of a multi-line reply up to ".", unstuffed, into `lines` (each with
    // CR LF). 1 on success; 0 when the reply passes `maxBytes` (not recorded; the
    // connection is closed); -1 after a socket failure (recorded).
    int ReadMultiLine(std::string& lines, std::size_t maxBytes);
    // Sends a listing command ("LIST", "UIDL") and hands the blank-separated fields of each
    // line of its answer (at most `maxBytes`) to `take`. 1, or 0 with the error recorded:
    // 16008 with the reply, or with the first line `take` refuses.
    int Listing(const char* command, std::size_t maxBytes,
                const std::function<bool(const std::vector<std::string>&)>& take);

    std::vector<MailPopInfo> list_;
    long count_ = 0;
    long totalSize_ = 0;
    std::unique_ptr<SocketSupport> socket_;
    std::string host_;
    int port_ = 110;
    int type_ = kLoginUserPass;
    bool connected_ = false;
    bool loggedIn_ = false;
    int timeOut_ = 0;
    int timeOutBeforeConnect_ = 0;
    std::string user_;
    std::string password_;
    CErrMsg err_;
};
