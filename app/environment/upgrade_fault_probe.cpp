#include "app/environment/upgrade_fault_probe.h"

#include <utility>

namespace shell {
namespace {
UpgradeFaultProbe& Probe() {
    static UpgradeFaultProbe probe;
    return probe;
}
}  // namespace

void SetUpgradeFaultProbeForTesting(UpgradeFaultProbe probe) { Probe() = std::move(probe); }

bool UpgradeFaultAt(std::string_view point) {
    const UpgradeFaultProbe& probe = Probe();
    return probe && probe(point);
}

}  // namespace shell
