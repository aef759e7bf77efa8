#include "app/sendrecv/receive_fault_probe.h"

#include <atomic>
#include <utility>

namespace {
// Set while no run is under way (tests install the probe before they start one).
ReceiveFaultProbe g_probe;
std::atomic<bool> g_installed{false};
}  // namespace

void SetReceiveFaultProbeForTesting(ReceiveFaultProbe probe) {
    g_installed.store(false);
    g_probe = std::move(probe);
    g_installed.store(static_cast<bool>(g_probe));
}

void ReceiveRunReached(std::string_view point) {
    if (g_installed.load(std::memory_order_acquire)) g_probe(point);
}
