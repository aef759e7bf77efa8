#include "app/htmledit/map_url_lookup_settings.h"

#include <mutex>

namespace htmledit {
namespace {

std::mutex g_lock;

MapLookupSettings& Stored() {
    static MapLookupSettings settings;
    return settings;
}

}  // namespace

MapLookupSettings GetMapLookupSettings() {
    std::lock_guard<std::mutex> guard(g_lock);
    return Stored();
}

void SetMapLookupSettings(const MapLookupSettings& settings) {
    std::lock_guard<std::mutex> guard(g_lock);
    Stored() = settings;
}

}  // namespace htmledit
