#include "app/sendrecv/receive_fault_probe.h"

#include <atomic>
#include <utility>

namespace {
// Set while no run is under way (tests install the probe before they start one).
ReceiveFaultProbe g_receiveProbe;
std::atomic<bool> g_receiveProbeInstalled{false};
}  // namespace

void SetReceiveFaultProbeForTesting(ReceiveFaultProbe probe) {
    g_receiveProbeInstalled.store(false);
    g_receiveProbe = std::move(probe);
    g_receiveProbeInstalled.store(static_cast<bool>(g_receiveProbe));
}

void ReceiveRunReached(std::string_view point) {
    if (g_receiveProbeInstalled.load(std::memory_order_acquire)) g_receiveProbe(point);
}
