#include "platform/netssl/net_interrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace netssl {

NetInterrupt::NetInterrupt() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NetInterrupt::~NetInterrupt() {
    if (fd_ >= 0) close(fd_);
}

void NetInterrupt::Request() {
    pending_.store(true, std::memory_order_release);
    if (fd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
    }
}

void NetInterrupt::Clear() {
    pending_.store(false, std::memory_order_release);
    if (fd_ >= 0) {
        uint64_t value;
        [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
    }
}

}  // namespace netssl
