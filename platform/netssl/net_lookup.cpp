#include "platform/netssl/net_lookup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

namespace netssl {

NameLookup::NameLookup() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NameLookup::~NameLookup() {
    if (result != nullptr) freeaddrinfo(result);
    if (fd >= 0) close(fd);
}

std::shared_ptr<NameLookup> StartNameLookup(const std::string& host, const std::string& service,
                                            const addrinfo& hints) {
    auto lookup = std::make_shared<NameLookup>();
    if (lookup->fd < 0) return lookup;
    std::thread([lookup, host, service, hints] {
        addrinfo* found = nullptr;
        const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->rc = rc;
        lookup->result = found;
        lookup->done = true;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(lookup->fd, &one, sizeof one);
    }).detach();
    return lookup;
}

}  // namespace netssl
