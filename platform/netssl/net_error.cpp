#include "platform/netssl/net_error.h"

#include <cerrno>
#include <cstring>

namespace netssl {

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
    char buf[256];
    const char* reason = strerror_r(err, buf, sizeof buf);
    return error.Set(code, std::string(what) + ": " + reason + " (" + std::to_string(code) + ").");
}

}  // namespace netssl
