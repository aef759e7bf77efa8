#pragma once
// HTTPS: the HTTP component, a handle with numbered properties and methods and numbered
// events delivered to the owner given at creation, as the information-page query and the
// map lookup drive it:
//
//   auto* h = HTTPS_Create(this, &HTTPS::Dispatch);
//   HTTPS_Set(h, kHttpsTimeout, 0, 5, 0);
//   HTTPS_Set(h, kHttpsProxyServer, 0, "proxy.example.jp", 0);
//   HTTPS_Set(h, kHttpsProxyPort, 0, 8080, 0);
//   int rc = HTTPS_Do(h, kHttpsGet, "http://www.example.jp/index.html");
//
// One HTTP/1.1 GET per call, over TCP or TLS ("http://" or "https://"), directly or
// through an HTTP proxy (a plain request with the absolute URL for http, a CONNECT tunnel
// for https), with Basic proxy authentication when a proxy user is set. The headers of the
// final answer arrive one by one through the header event; its body (any length, chunked
// or up to the close) arrives whole through the transfer event. Redirects (301, 302, 303,
// 307, 308) are followed up to five times.
//
// An answer's header is bounded as common clients bound it: a line (the status line, a
// header or continuation line) at most 32 KiB, the whole header up to its empty line at
// most 64 KiB, at most 1000 lines; past a bound the call fails with 110 ("Protocol error:
// a header line of the answer is longer than 32 KiB.", "... the header of the answer is
// longer than 64 KiB.") and the connection is closed, so a hostile server cannot make the
// process hold more. The trailer of a chunked body is bounded alike; a body at most 64 MiB.
//
// Result 0 for a 2xx answer. Any other answer fails with 120 and the last error text
// "<status> <reason>" ("404 Not Found", "407 Proxy Authentication Required"), which is
// what the callers match; connection failures have the codes and texts of net_error.h.
//
// Proxy server "*" (or the "UseWinInet=True" setting) means the system's settings: the
// http_proxy / https_proxy variables of the environment (lower case first), with no_proxy
// naming hosts that are reached directly; without them the request goes direct.
//
// Every call blocks until done; the time-out (property 43) limits each wait for the server,
// and 0 or less means 60 s. Each answer (of the server, or of a proxy to CONNECT) must come
// whole within the time-out, a long one within a second more for every 1024 bytes received.

#include "platform/netssl/net_component.h"

#include <string>

namespace netssl {

enum HttpsProperty : int {
    kHttpsProxyPassword = 27,
    kHttpsProxyPort = 28,    // 0: 80
    kHttpsProxyServer = 29,  // empty: none; "*": the system's settings
    kHttpsProxyUser = 31,    // empty: no proxy authentication
    kHttpsTimeout = 43,      // seconds without progress before a call gives up
};

enum HttpsMethod : int {
    kHttpsConfigure = 1,  // one text "name=value": UseWinInet (True: system proxy settings),
                          // SSLEnabledProtocols, SSLSecurityFlags (0 verify, else accept any)
    kHttpsGet = 4,        // GET of the URL given as the one value
    kHttpsInterrupt = 6,  // from any thread: the blocked call returns 301
};

enum HttpsEvent : int {
    kHttpsEventHeader = 6,     // (field name, value) of the answer, in order
    kHttpsEventTransfer = 13,  // (byte count, body) once the body is complete
};

// The owner's side: handlers that return 0 unless overridden. Give &HTTPS::Dispatch as
// the sink of HTTPS_Create with the HTTPS object as the owner.
class HTTPS {
public:
    virtual ~HTTPS() = default;
    virtual int FireHeader(const std::string& field, const std::string& value);
    virtual int FireTransfer(long bytes, const std::string& text);

    static int Dispatch(void* owner, int event, int count, const NetEventParam* params);
};

class HttpsComponent;

HttpsComponent* HTTPS_Create(void* owner, NetEventSink sink);
int HTTPS_Destroy(HttpsComponent* h);
// Sets a text property (`length` 0: up to the first NUL) or a number property.
int HTTPS_Set(HttpsComponent* h, int property, int index, const char* value, int length);
int HTTPS_Set(HttpsComponent* h, int property, int index, int value, int length);
// Reads a number property (text properties give their length).
long HTTPS_Get(HttpsComponent* h, int property, int index, int* length);
// Reads a text property (number properties give their decimal text).
std::string HTTPS_GetText(HttpsComponent* h, int property, int index);
int HTTPS_Do(HttpsComponent* h, int method, int count, const char* const* values, const int* lengths);
int HTTPS_Do(HttpsComponent* h, int method);
int HTTPS_Do(HttpsComponent* h, int method, const std::string& value);
std::string HTTPS_GetLastError(HttpsComponent* h);
int HTTPS_GetLastErrorCode(HttpsComponent* h);
// Process-wide set-up of the TLS library; harmless to repeat.
int HTTPS_StaticInit(void* instance);

}  // namespace netssl
