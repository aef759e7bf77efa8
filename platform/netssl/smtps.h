#pragma once
// SMTPS: the SMTP component. A handle with numbered properties and methods, and numbered
// events delivered to the owner given at creation, as the send session, the test sender
// and CMySMTPS drive it:
//
//   auto* h = SMTPS_Create(this, &SMTPS::Dispatch);
//   SMTPS_Set(h, kSmtpsServer, 0, "mail.example.jp", 0);
//   SMTPS_Do(h, kSmtpsConfigure, "SSLSecurityFlags=0x00000000");
//   if (SMTPS_Do(h, kSmtpsConnect) == 0) SMTPS_Do(h, kSmtpsSend);
//
// Every call returns 0 or an error code (net_error.h); the text of the last error is
// SMTPS_GetLastError. Protocol: EHLO (HELO when EHLO is refused), STARTTLS, AUTH
// CRAM-MD5 / LOGIN / PLAIN, MAIL, RCPT, DATA, RSET after a refused transaction, QUIT.
// Every command and reply line is reported through the trail event (credentials
// included, as a trace of the wire: the owner masks what it logs); the message text is not.
//
// The message sent is "From:", "To:", "Cc:", "Date:" and "Message-ID:" headers built
// from their properties, then the header text (property 25, which may itself go on with
// the blank line and the body), then, when property 24 is not empty, a blank line and
// property 24, each the text as it is to arrive: the component dot-stuffs every line that
// begins with "." and turns every bare CR or LF into CR LF as it copies the text onto the
// wire, so nothing set here can end the message early.
//
// The envelope is taken from the bare addresses in From, and To and Cc.
//
// A message goes out in three steps, which Send takes in a row:
//   SendEnvelope  takes the envelope from From, To and Cc (and checks every header value).
//                 A server that offers PIPELINING gets MAIL, RCPT and, for one recipient,
//                 DATA at once, in one write (after an RSET when the last transaction was
//                 refused); the call does not wait for their replies. Without PIPELINING
//                 nothing is sent yet.
//   SendData      reads those replies in order (without PIPELINING it sends the commands
//                 one by one and waits for each reply, as a server without the extension
//                 needs), and once DATA got its 354 writes the message and the closing "."
//                 in one write, without waiting for the reply. A refusal is the result; the
//                 message then never goes out, and the session is reset (at once without
//                 PIPELINING, with the next envelope's group with it). A 421 (the server is
//                 closing) ends the connection at once, with replies still due unread.
//   SendResult    reads the end-of-data reply: the message's outcome.
// A reply that is neither its command's success nor a refusal (4xx, 5xx) - a 250 where
// DATA's 354 is due, a 354 to MAIL, RCPT or the end of a message - means that the replies no
// longer pair up with the commands (a server that answered twice): every step fails with
// kNetProtocol and the connection is closed, since no reply read on it can be trusted.
// Between SendData and SendResult the caller may build the next message and, when the
// server offers PIPELINING, send its envelope (SendEnvelope), so that it travels with the
// end-of-data reply: one round trip per message. SendDataHeld is SendData for a caller
// whose next envelope is ready: with PIPELINING the message is held back and goes in one
// write with that envelope's group (or alone, first thing in SendResult or a SendEnvelope
// that refuses its arguments), so that the server reads the end of data and the next
// commands at once and answers them in one write - answered in two, a server that delays
// small writes (Nagle) would hold the second until the client acknowledged the first. The
// next SendData needs the result read first, so no message's data goes out before the
// outcome of the one before is known.
// Disconnect closes without QUIT while a pipelined DATA may have opened the data phase (the
// server then forgets that transaction), and otherwise reads the replies still due first.

#include "platform/netssl/net_component.h"

#include <string>
#include <string_view>
#include <vector>

namespace netssl {

enum SmtpsProperty : int {
    kSmtpsAuthCram = 3,        // 1: log in with CRAM-MD5 only; a server without it gives 161
    kSmtpsConnected = 7,       // read only: 1 while connected
    kSmtpsFrom = 14,           // From header value; its address is the envelope sender
    kSmtpsPort = 19,           // 25
    kSmtpsServer = 20,
    kSmtpsDate = 21,           // Date header value
    kSmtpsMessageId = 23,      // Message-ID header value, with its angle brackets
    kSmtpsMessageText = 24,    // text after a blank line that follows the header text
    kSmtpsHeaderText = 25,     // header lines; may hold the blank line and the body itself
    kSmtpsPassword = 26,
    kSmtpsTo = 30,             // To header value; its addresses are envelope recipients
    kSmtpsSslStartMode = 40,   // SslStartMode: 0 and 3 none, 1 implicit TLS, 2 STARTTLS
    kSmtpsCc = 41,             // Cc header value (no header when empty); also recipients
    kSmtpsTimeout = 42,        // seconds without progress before a call gives up, and the
                               // bound of each whole reply (60)
    kSmtpsUser = 43,           // empty: no login
    kSmtpsSendStage = 44,      // read only: how far the last send got (SmtpsSendStage)
    kSmtpsPipelining = 45,     // read only: 1 while connected to a server that offers PIPELINING
    kSmtpsResultGrace = 46,    // seconds an interrupt lets SendResult (and Send) go on waiting
                               // for the end-of-data reply before it gives up (0, the default:
                               // at once); the message is with the server by then, and its
                               // outcome spares a resend. An interrupt that reply outran is spent.
};

// The stage of a send (of SendData, in the three steps below): the step whose reply it
// awaited last; with pipelining, the step of the first refusal among the replies read. A send that fails at
// kSendMessage without a reply to blame (a time-out, an interrupt, a lost connection)
// leaves its outcome unknown: the server may have kept the message. Before that stage a
// failure means the message was not taken.
enum SmtpsSendStage : int {
    kSendNotBegun = 0,  // refused before anything was sent (not connected, bad arguments)
    kSendMailFrom = 1,
    kSendRcptTo = 2,
    kSendData = 3,      // the DATA command
    kSendMessage = 4,   // the message written whole, its closing "." included
};

enum SmtpsMethod : int {
    kSmtpsConfigure = 1,   // one text "name=value": Hello, SSLEnabledProtocols,
                           // SSLSecurityFlags (0 verify, else accept any), MaxHeaderLength
    kSmtpsConnect = 2,     // connect, greet, TLS, log in
    kSmtpsDisconnect = 3,  // QUIT and close
    kSmtpsInterrupt = 6,   // from any thread: the blocked call returns 301
    kSmtpsReset = 9,       // close, and every property back to its default
    kSmtpsSend = 10,       // one message over the open connection: the three steps below
    kSmtpsSendEnvelope = 11,
    kSmtpsSendData = 12,
    kSmtpsSendResult = 13,
    kSmtpsSendDataHeld = 14,
};

enum SmtpsEvent : int {
    kSmtpsEventConnectionStatus = 1,  // (text)
    kSmtpsEventError = 3,             // (code, text): a failure no call could return
    kSmtpsEventPITrail = 5,           // (direction, text)
    kSmtpsEventSSLStatus = 7,         // (text)
};

// The owner's side: handlers that return 0 unless overridden. Give &SMTPS::Dispatch
// as the sink of SMTPS_Create with the SMTPS object as the owner.
class SMTPS {
public:
    virtual ~SMTPS() = default;
    virtual int FireConnectionStatus(const std::string& text);
    virtual int FireError(int code, const std::string& text);
    virtual int FirePITrail(int direction, const std::string& text);
    virtual int FireSSLStatus(const std::string& text);
    virtual int FireWaiting();  // kNetEventWaiting

    static int Dispatch(void* owner, int event, int count, const NetEventParam* params);
};

class SmtpsComponent;

SmtpsComponent* SMTPS_Create(void* owner, NetEventSink sink);
int SMTPS_Destroy(SmtpsComponent* h);
// Sets a text property (`length` 0: up to the first NUL) or a number property.
int SMTPS_Set(SmtpsComponent* h, int property, int index, const char* value, int length);
int SMTPS_Set(SmtpsComponent* h, int property, int index, int value, int length);
// Reads a number property (text properties give their length).
long SMTPS_Get(SmtpsComponent* h, int property, int index, int* length);
// Reads a text property (number properties give their decimal text).
std::string SMTPS_GetText(SmtpsComponent* h, int property, int index);
int SMTPS_Do(SmtpsComponent* h, int method, int count, const char* const* values, const int* lengths);
int SMTPS_Do(SmtpsComponent* h, int method);
int SMTPS_Do(SmtpsComponent* h, int method, const std::string& value);
std::string SMTPS_GetLastError(SmtpsComponent* h);
int SMTPS_GetLastErrorCode(SmtpsComponent* h);
// Process-wide set-up of the TLS library; harmless to repeat.
int SMTPS_StaticInit(void* instance);

// The bare addresses of an address-list header value: the part in angle brackets, or the
// item itself without comments; commas inside quotes, comments and brackets do not split.
std::vector<std::string> ParseAddressList(std::string_view value);

}  // namespace netssl
