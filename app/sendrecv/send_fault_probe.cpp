#include "app/sendrecv/send_fault_probe.h"

#include <atomic>
#include <utility>

namespace {
// Set while no run is under way (tests install the probe before they start one).
SendFaultProbe g_sendProbe;
std::atomic<bool> g_sendProbeInstalled{false};
}  // namespace

void SetSendFaultProbeForTesting(SendFaultProbe probe) {
    g_sendProbeInstalled.store(false);
    g_sendProbe = std::move(probe);
    g_sendProbeInstalled.store(static_cast<bool>(g_sendProbe));
}

void SendRunReached(std::string_view point) {
    if (g_sendProbeInstalled.load(std::memory_order_acquire)) g_sendProbe(point);
}
