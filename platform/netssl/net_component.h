#pragma once
// What the network components (SMTPS, and the POP3 and HTTP ones built the same way)
// have in common: the owner's event sink, the last error, the interrupt, the connection
// and its time-out, and the TLS choices set through configuration texts.
//
// A component runs on its caller's thread and fires its events synchronously during the
// blocking method calls. Only Interrupt() may be called from another thread.

#include "platform/netssl/net_error.h"
#include "platform/netssl/net_interrupt.h"
#include "platform/netssl/net_transport.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace netssl {

// One argument of an event, in the order the event defines: a number, a text, or both.
struct NetEventParam {
    long number = 0;
    std::string_view text;
};

// Receives the events of a component: the owner given at creation, the event's number
// and its arguments. The return value is the handler's and is ignored by the components.
using NetEventSink = int (*)(void* owner, int event, int count, const NetEventParam* params);

// Fired by every component (with one number argument, 0) once it has waited for the
// server for a millisecond (NetTransport::kWaitHookAfterMs), so that an owner that collects
// what it logs can write it out: a hang, or a kill during a wait, then finds everything up
// to the wait on the disk, and a server that answers at once costs no write. Each
// component's Dispatch hands it to its owner's FireWaiting. The handler's result is the
// milliseconds after which it is fired again in the same wait (0 or less: not again), for
// an owner with work that falls due while the server is silent.
constexpr int kNetEventWaiting = 100;

// Directions of a protocol-trail line.
enum TrailDirection : int { kTrailSent = 0, kTrailReceived = 1, kTrailInfo = 2 };

// TLS start modes as the callers set them.
enum SslStartMode : int { kSslNone = 0, kSslImplicit = 1, kSslStartTls = 2, kSslOff = 3 };

class NetComponent {
public:
    NetComponent(void* owner, NetEventSink sink);
    virtual ~NetComponent() = default;
    NetComponent(const NetComponent&) = delete;
    NetComponent& operator=(const NetComponent&) = delete;

    const NetError& LastError() const { return lastError_; }
    void Interrupt() { interrupt_.Request(); }  // thread-safe

protected:
    int Fire(int event, std::initializer_list<NetEventParam> params);
    int Fail(int code, std::string text) { return lastError_.Set(code, std::move(text)); }
    int Fail(const NetError& error) { lastError_ = error; return error.code; }

    // One configuration text "name=value" (blanks around either part ignored): the
    // settings every component knows ("SSLEnabledProtocols=n", "SSLSecurityFlags=n"),
    // then the component's own through ConfigureOwn.
    int Configure(std::string_view setting);
    // The component's own settings; a name it does not know ends in UnknownSetting.
    virtual int ConfigureOwn(std::string_view name, std::string_view value) = 0;
    int UnknownSetting(std::string_view name);
    // Parses a decimal or 0x-prefixed number.
    static bool ParseNumber(std::string_view text, long& value);
    // The first value of a method call (`lengths` may be null, a length 0 means up to the
    // first NUL); none when the call has no value.
    static std::optional<std::string_view> FirstValue(int count, const char* const* values, const int* lengths);
    // A text written to a property that takes a number: its number, or false with the
    // failure "Property n takes a number or is unknown." set.
    bool NumberFromText(int property, std::string_view value, int& number);
    // What a text property reads as through the number getter: its length, also in `length`.
    static long TextLength(const std::string& text, int* length);
    // The checked writes of a mail server's port (1 to 65535) and of an SslStartMode.
    int SetServerPort(int value, int& port);
    int SetSslStartMode(int value, int& mode);
    // Resets the common choices to their defaults and drops a pending interrupt.
    void ResetCommon();

    NetError lastError_;
    NetInterrupt interrupt_;
    NetTransport transport_{interrupt_};
    TlsSettings tls_;
    int timeoutSeconds_ = 60;

private:
    // The settings every component knows; false for another name (`rc` then unset).
    bool ConfigureCommon(std::string_view name, std::string_view value, int& rc);

    void* owner_;
    NetEventSink sink_;
};

// Process-wide set-up of the TLS library; harmless to repeat. Every component's
// XXX_StaticInit is this.
int NetStaticInit();

// The bodies of the exported functions, alike for every component (SMTPS_Set, POPS_Set,
// HTTPS_Set and so on forward here). C is the component class, with SetText, SetNumber,
// GetNumber, GetText and Do. A null handle is refused with kNetBadArgument, or reads as 0
// or an empty text, since callers may call before a failed create is noticed.
namespace handle {

// The text of a text argument: `length` bytes, or up to the first NUL when `length` is 0.
std::string TextArgument(const char* value, int length);

template <class C>
C* Create(void* owner, NetEventSink sink) {
    NetStaticInit();
    return new C(owner, sink);
}

template <class C>
int Destroy(C* h) {
    delete h;
    return kNetOk;
}

template <class C>
int Set(C* h, int property, const char* value, int length) {
    if (!h) return kNetBadArgument;
    return h->SetText(property, TextArgument(value, length));
}

template <class C>
int Set(C* h, int property, int value) {
    if (!h) return kNetBadArgument;
    return h->SetNumber(property, value);
}

template <class C>
long Get(C* h, int property, int* length) {
    return h ? h->GetNumber(property, length) : 0;
}

template <class C>
std::string GetText(C* h, int property) {
    return h ? h->GetText(property) : std::string();
}

template <class C>
int Do(C* h, int method, int count, const char* const* values, const int* lengths) {
    return h ? h->Do(method, count, values, lengths) : kNetBadArgument;
}

template <class C>
int Do(C* h, int method, const std::string& value) {
    const char* values[] = {value.c_str()};
    const int lengths[] = {static_cast<int>(value.size())};
    return Do(h, method, 1, values, lengths);
}

inline std::string LastError(const NetComponent* h) { return h ? h->LastError().text : std::string(); }
inline int LastErrorCode(const NetComponent* h) { return h ? h->LastError().code : kNetBadArgument; }

}  // namespace handle

}  // namespace netssl
