#pragma once
// Fixtures of the map lookup tests: search replies as the service writes them, HTTP
// answers carrying them, and lookup settings pointed at a local server for one test.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/htmledit/map_url_lookup_settings.h"

namespace maptest {

struct Place {
    std::string name;      // UTF-8, written as it stands between the quotes
    std::string position;  // written as it stands between the quotes
};

// A reply of the keyword search naming `places`; `hit` is the count it gives (-1: the
// number of places).
inline std::string SearchReply(const std::vector<Place>& places, long hit = -1) {
    std::string text = "{\"pageinfo\":{\"retstatus\":\"OK\",\"hit\":\"" +
                       std::to_string(hit < 0 ? static_cast<long>(places.size()) : hit) + "\"},\"item\":[";
    for (size_t i = 0; i < places.size(); ++i) {
        if (i > 0) text += ",";
        text += "{\"name\":\"" + places[i].name + "\",\"addr\":\"x\",\"position\":\"" + places[i].position + "\"}";
    }
    return text + "]}";
}

// `n` places named "場所1" ... with positions "35.1,139.1" ...
inline std::vector<Place> Places(int n) {
    std::vector<Place> places;
    for (int i = 1; i <= n; ++i) {
        places.push_back({"場所" + std::to_string(i), "35." + std::to_string(i) + ",139." + std::to_string(i)});
    }
    return places;
}

inline std::string HttpOk(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=UTF-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The body in three chunks of a chunked answer, cut inside the keys "pageinfo" and
// "retstatus" of a search reply.
inline std::string HttpOkChunked(const std::string& body) {
    const size_t a = std::min<size_t>(5, body.size()), b = std::min<size_t>(20, body.size());
    std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    auto chunk = [&](size_t from, size_t to) {
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", to - from);
        out += size + body.substr(from, to - from) + "\r\n";
    };
    chunk(0, a);
    chunk(a, b);
    chunk(b, body.size());
    return out + "0\r\n\r\n";
}

inline std::string ServiceAt(int port) { return "http://127.0.0.1:" + std::to_string(port); }

inline const char* kMapPage = "http://map.test";

// Lookup settings for one test, put back as they were afterwards.
class ScopedLookupSettings {
public:
    explicit ScopedLookupSettings(htmledit::MapLookupSettings settings) : saved_(htmledit::GetMapLookupSettings()) {
        htmledit::SetMapLookupSettings(settings);
    }
    ~ScopedLookupSettings() { htmledit::SetMapLookupSettings(saved_); }
    ScopedLookupSettings(const ScopedLookupSettings&) = delete;
    ScopedLookupSettings& operator=(const ScopedLookupSettings&) = delete;

private:
    htmledit::MapLookupSettings saved_;
};

inline htmledit::MapLookupSettings SettingsFor(int searchPort, const std::string& iniPath = "", int timeout = 10) {
    htmledit::MapLookupSettings s;
    s.searchService = ServiceAt(searchPort);
    s.mapPageService = kMapPage;
    s.programIniPath = iniPath;
    s.timeoutSeconds = timeout;
    return s;
}

// The proxy variables of the environment for one test: none, or http_proxy (and
// no_proxy) as given; cleared again afterwards.
class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const char* httpProxy = nullptr, const char* noProxy = nullptr) {
        Clear();
        if (httpProxy) setenv("http_proxy", httpProxy, 1);
        if (noProxy) setenv("no_proxy", noProxy, 1);
    }
    ~ProxyEnvironment() { Clear(); }
    ProxyEnvironment(const ProxyEnvironment&) = delete;
    ProxyEnvironment& operator=(const ProxyEnvironment&) = delete;

private:
    static void Clear() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"}) {
            unsetenv(name);
        }
    }
};

}  // namespace maptest
