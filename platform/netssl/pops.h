#pragma once
// POPS: the POP3 component, a handle with numbered properties and methods and numbered
// events delivered to the owner given at creation, as the receive session and CMyPOPS
// drive it:
//
//   auto* h = POPS_Create(this, &POPS::Dispatch);
//   POPS_Set(h, kPopsServer, 0, "pop.example.jp", 0);
//   POPS_Set(h, kPopsUser, 0, "user", 0);  POPS_Set(h, kPopsPassword, 0, "secret", 0);
//   if (POPS_Do(h, kPopsConnect) == 0) {
//       for (int n = 1; n <= POPS_Get(h, kPopsMessageCount, 0, nullptr); ++n) {
//           POPS_Set(h, kPopsMessageNumber, 0, n, 0);
//           std::string uid = POPS_GetText(h, kPopsMessageUid, 0);
//           std::string text = POPS_GetText(h, kPopsMessageText, 0);
//       }
//       POPS_Do(h, kPopsDisconnect);
//   }
//
// Every call returns 0 or an error code (net_error.h); the text of the last error is
// POPS_GetLastError. Protocol (RFC 1939, RFC 2595): the greeting, STLS or implicit TLS,
// USER/PASS or APOP, STAT at login (the message count), UIDL once when a unique id is
// first asked for, RETR (or TOP with the MaxLines setting) when the current message's
// header or text is first asked for, DELE, QUIT; LIST and UIDL for the message-list event.
//
// Selecting a message (property 21) costs no round trip: the unique ids come from one
// UIDL, and a message is retrieved once, when its header or text is read. Reading those
// text properties is where the retrieval fails: the property is then empty and the last
// error says why.
//
// Every command and status line is reported through the trail event (the password too:
// the owner masks what it logs); the lines of a message or of a listing are not.
//
// Replies and listing lines are at most 1 MiB long; inside a retrieved message a line may
// be as long as the message limit (256 MiB), so that one odd stored message never ends
// every session at the same place. Disconnecting reports the server's answer to QUIT: only
// "+OK" means that the messages deleted in the session are gone.
// Message numbers do not move within a session: a deleted message keeps its number until
// QUIT, as RFC 1939 has it.

#include "platform/netssl/net_component.h"

#include <string>
#include <vector>

namespace netssl {

enum PopsProperty : int {
    kPopsAuthMode = 1,         // PopsAuthMode; set before connecting
    kPopsConnected = 3,        // read only: 1 while logged in
    kPopsPort = 13,            // 110
    kPopsServer = 14,
    kPopsMessageCount = 17,    // read only: messages on the server at login (STAT)
    kPopsMessageHeaders = 20,  // read only: header lines of the current message, each with CR LF
    kPopsMessageNumber = 21,   // the current message, from 1
    kPopsMessageSize = 23,     // read only: the current message's size in octets as the server
                               // lists it ("LIST n", asked when first read); 0 unknown
    kPopsMessageText = 25,     // read only: the current message after its blank line
    kPopsMessageUid = 27,      // read only: the current message's unique id (UIDL)
    kPopsPassword = 28,
    kPopsSslStartMode = 37,    // SslStartMode: 0 and 3 none, 1 implicit TLS, 2 STLS
    kPopsTimeout = 38,         // seconds without progress before a call gives up, and the
                               // bound of each whole reply (60; a multi-line answer gets a
                               // second more for each KiB it brought)
    kPopsUser = 40,
};

// Login methods of property 1. Value 1 is the place of a method this component does not
// offer; connecting with it fails before anything is sent.
enum PopsAuthMode : int { kPopsAuthUserPass = 0, kPopsAuthUnsupported = 1, kPopsAuthApop = 2 };

enum PopsMethod : int {
    kPopsConfigure = 1,   // one text "name=value": SSLEnabledProtocols, SSLSecurityFlags
                          // (0 verify, else accept any), MaxLines (0: RETR, n: TOP n),
                          // ReadAhead (1: while messages are read in order, the next one's
                          // retrieval is sent with this one's when the server offers
                          // PIPELINING; an answer never asked for is read and dropped
                          // before the next command. 0 by default). A server sends an
                          // answer it has begun whole, up to the message limit: a caller
                          // that will not read the next message sets 0 before this one's
                          // header or text is read, and gives up an answer already on its
                          // way with kPopsDropReadAhead
    kPopsConnect = 2,     // connect, greeting, TLS, login, STAT
    kPopsDelete = 3,      // DELE of the current message; with values, of each message they
                          // number (decimal texts), sent in groups when the server offers
                          // PIPELINING (asked once a session with CAPA): 0 when every one
                          // was marked deleted, else the first refusal (all are sent)
    kPopsDisconnect = 4,  // QUIT and close; 0 only when QUIT was answered "+OK". A "-ERR"
                          // gives 120 with the reply as the last error (RFC 1939: deleted
                          // messages not removed), a broken connection its own code
    kPopsList = 5,        // LIST and UIDL: one message-list event per message
    kPopsInterrupt = 6,   // from any thread: the blocked call returns 301
    kPopsDropReadAhead = 7,  // the caller will not read the message whose retrieval was sent
                             // ahead: when its answer is still on its way the connection is
                             // closed without QUIT instead of reading it to throw it away
                             // (what was marked deleted in the session stays on the server);
                             // else nothing happens. 0
};

enum PopsEvent : int {
    kPopsEventConnectionStatus = 1,  // (text)
    kPopsEventError = 3,             // (code, text): a failure no call could return
    kPopsEventMessageList = 5,       // (message number, unique id)
    kPopsEventPITrail = 6,           // (direction, text)
    kPopsEventSSLStatus = 8,         // (text)
};

// The owner's side: handlers that return 0 unless overridden. Give &POPS::Dispatch as
// the sink of POPS_Create with the POPS object as the owner.
class POPS {
public:
    virtual ~POPS() = default;
    virtual int FireConnectionStatus(const std::string& text);
    virtual int FireError(int code, const std::string& text);
    virtual int FireMessageList(int number, const std::string& uid);
    virtual int FirePITrail(int direction, const std::string& text);
    virtual int FireSSLStatus(const std::string& text);
    virtual int FireWaiting();  // kNetEventWaiting

    static int Dispatch(void* owner, int event, int count, const NetEventParam* params);
};

class PopsComponent;

PopsComponent* POPS_Create(void* owner, NetEventSink sink);
int POPS_Destroy(PopsComponent* h);
// Sets a text property (`length` 0: up to the first NUL) or a number property.
int POPS_Set(PopsComponent* h, int property, int index, const char* value, int length);
int POPS_Set(PopsComponent* h, int property, int index, int value, int length);
// Reads a number property (text properties give their length).
long POPS_Get(PopsComponent* h, int property, int index, int* length);
// Reads a text property (number properties give their decimal text).
std::string POPS_GetText(PopsComponent* h, int property, int index);
int POPS_Do(PopsComponent* h, int method, int count, const char* const* values, const int* lengths);
int POPS_Do(PopsComponent* h, int method);
int POPS_Do(PopsComponent* h, int method, const std::string& value);
std::string POPS_GetLastError(PopsComponent* h);
int POPS_GetLastErrorCode(PopsComponent* h);
// Process-wide set-up of the TLS library; harmless to repeat.
int POPS_StaticInit(void* instance);

// The APOP digest (RFC 1939): MD5 of the greeting's time stamp and the password, as 32
// lower-case hexadecimal digits.
std::string ApopDigest(const std::string& timestamp, const std::string& password);

}  // namespace netssl
