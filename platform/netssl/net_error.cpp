#include "platform/netssl/net_error.h"

#include <locale.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace netssl {
namespace {

locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

int WinsockErrorFromErrno(int err) {
    switch (err) {
    case EINTR: return kWsaEintr;
    case EACCES: case EPERM: return kWsaEacces;
    case EINVAL: return kWsaEinval;
    case EMFILE: case ENFILE: return kWsaEmfile;
    case EAFNOSUPPORT: return kWsaEafnosupport;
    case EADDRINUSE: return kWsaEaddrinuse;
    case EADDRNOTAVAIL: return kWsaEaddrnotavail;
    case ENETDOWN: return kWsaEnetdown;
    case ENETUNREACH: return kWsaEnetunreach;
    case ECONNABORTED: case EPIPE: return kWsaEconnaborted;
    case ECONNRESET: return kWsaEconnreset;
    case ENOBUFS: case ENOMEM: return kWsaEnobufs;
    case ENOTCONN: return kWsaEnotconn;
    case ETIMEDOUT: return kWsaEtimedout;
    case ECONNREFUSED: return kWsaEconnrefused;
    case EHOSTDOWN: return kWsaEhostdown;
    case EHOSTUNREACH: return kWsaEhostunreach;
    default: return 10000 + (err > 0 && err < 1000 ? err : 999);
    }
}

int SetSocketError(NetError& error, const char* what, int err) {
    const int code = WinsockErrorFromErrno(err);
    return error.Set(code, std::string(what) + ": " + ErrnoWords(err) + " (" + std::to_string(code) + ").");
}

std::string ErrnoWords(int err) {
    if (CLocale() == static_cast<locale_t>(0)) return "error " + std::to_string(err);
    return ::strerror_l(err, CLocale());
}

std::string ResolverWords(int rc) {
    if (CLocale() == static_cast<locale_t>(0)) return "error " + std::to_string(rc);
    // gai_strerror has no form that takes a locale: the thread uses the C locale for the call.
    const locale_t before = ::uselocale(CLocale());
    std::string words = ::gai_strerror(rc);
    ::uselocale(before);
    return words;
}

}  // namespace netssl
