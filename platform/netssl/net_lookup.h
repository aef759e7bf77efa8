#pragma once
// A name lookup on a helper thread: getaddrinfo can block for long on a bad network, and
// a caller's time-out and interrupt must still end its wait. The caller polls `fd` (with
// whatever else it watches) until `done`, read under `mutex`; a helper that outlives the
// wait finishes on its own and frees what it found.

#include <netdb.h>

#include <memory>
#include <mutex>
#include <string>

namespace netssl {

struct NameLookup {
    NameLookup();
    ~NameLookup();
    NameLookup(const NameLookup&) = delete;
    NameLookup& operator=(const NameLookup&) = delete;

    std::mutex mutex;
    bool done = false;
    int rc = 0;                  // getaddrinfo's result
    addrinfo* result = nullptr;  // freed with the lookup unless a caller takes it
    const int fd;                // readable once done; -1 when it could not be made
};

// Starts getaddrinfo(host, service, hints) on a helper thread. When the lookup's fd could
// not be made (errno says why), nothing is started and the lookup never gets done.
std::shared_ptr<NameLookup> StartNameLookup(const std::string& host, const std::string& service,
                                            const addrinfo& hints);

}  // namespace netssl
