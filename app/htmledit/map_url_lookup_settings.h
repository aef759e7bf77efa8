#pragma once
// Where the map URL lookup goes: the online keyword search and the map page service, the
// program ini whose proxy record it shares with the information page, and how long it
// waits. One process-wide value: the program sets it once at start (it alone knows the
// program ini's path); tests point the services at a local server.
//
// Until the program sets them, the services are reserved names that never resolve, so a
// lookup ends at once with the connection message, and no proxy record is read or kept.

#include <string>

namespace htmledit {

struct MapLookupSettings {
    // "http://host[:port]" or "https://host[:port]", no trailing "/"; the search path
    // and query are appended to it.
    std::string searchService = "http://search.map.varnis.example";
    // The same for the map page whose URL a chosen candidate becomes.
    std::string mapPageService = "http://map.varnis.example";
    // The program ini (Quendrel.ini) holding the proxy record; empty: none (the system's
    // proxy settings are used, and credentials asked for are not kept).
    std::string programIniPath;
    // Seconds a lookup may take in all, connection and reply together.
    int timeoutSeconds = 30;
};

MapLookupSettings GetMapLookupSettings();
void SetMapLookupSettings(const MapLookupSettings& settings);

}  // namespace htmledit
