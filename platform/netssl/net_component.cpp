#include "platform/netssl/net_component.h"

#include <openssl/ssl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

namespace netssl {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool NameIs(std::string_view name, const char* expected) {
    return name.size() == strlen(expected) && strncasecmp(name.data(), expected, name.size()) == 0;
}

// Splits "name=value" (blanks around either part ignored).
bool SplitSetting(std::string_view setting, std::string_view& name, std::string_view& value) {
    const size_t eq = setting.find('=');
    if (eq == std::string_view::npos) return false;
    name = Trim(setting.substr(0, eq));
    value = Trim(setting.substr(eq + 1));
    return !name.empty();
}

}  // namespace

NetComponent::NetComponent(void* owner, NetEventSink sink) : owner_(owner), sink_(sink) {
    transport_.SetWaitHook([this] { return Fire(kNetEventWaiting, {{0, {}}}); });
}

int NetComponent::Fire(int event, std::initializer_list<NetEventParam> params) {
    if (!sink_) return 0;
    return sink_(owner_, event, static_cast<int>(params.size()), params.begin());
}

int NetComponent::Configure(std::string_view setting) {
    std::string_view name, value;
    if (!SplitSetting(setting, name, value)) {
        return Fail(kNetBadArgument, "Configuration text without \"name=value\": " + std::string(setting) + ".");
    }
    int rc = kNetOk;
    if (ConfigureCommon(name, value, rc)) return rc;
    return ConfigureOwn(name, value);
}

int NetComponent::UnknownSetting(std::string_view name) {
    return Fail(kNetBadArgument, "Unknown configuration setting: " + std::string(name) + ".");
}

std::optional<std::string_view> NetComponent::FirstValue(int count, const char* const* values, const int* lengths) {
    if (count < 1 || !values || !values[0]) return std::nullopt;
    return std::string_view(values[0], lengths && lengths[0] > 0 ? static_cast<size_t>(lengths[0]) : strlen(values[0]));
}

bool NetComponent::NumberFromText(int property, std::string_view value, int& number) {
    long n = 0;
    if (!ParseNumber(value, n) || n > 0x7FFFFFFF) {
        Fail(kNetBadArgument, "Property " + std::to_string(property) + " takes a number or is unknown.");
        return false;
    }
    number = static_cast<int>(n);
    return true;
}

long NetComponent::TextLength(const std::string& text, int* length) {
    if (length) *length = static_cast<int>(text.size());
    return static_cast<long>(text.size());
}

int NetComponent::SetServerPort(int value, int& port) {
    if (value < 1 || value > 65535) return Fail(kNetBadArgument, "Port out of range: " + std::to_string(value) + ".");
    port = value;
    return kNetOk;
}

int NetComponent::SetSslStartMode(int value, int& mode) {
    if (value < kSslNone || value > kSslOff) return Fail(kNetBadArgument, "Unknown SSL start mode " + std::to_string(value) + ".");
    mode = value;
    return kNetOk;
}

bool NetComponent::ParseNumber(std::string_view text, long& value) {
    if (text.empty() || text.size() > 20) return false;
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = strtoull(s.c_str(), &end, 0);
    if (errno != 0 || end != s.c_str() + s.size() || s[0] == '-') return false;
    if (v > 0xFFFFFFFFull) return false;
    value = static_cast<long>(v);
    return true;
}

bool NetComponent::ConfigureCommon(std::string_view name, std::string_view value, int& rc) {
    long number = 0;
    if (NameIs(name, "SSLEnabledProtocols")) {
        if (!ParseNumber(value, number)) {
            rc = Fail(kNetBadArgument, "Bad value for SSLEnabledProtocols: " + std::string(value) + ".");
        } else {
            tls_.protocolMask = number;
            rc = kNetOk;
        }
        return true;
    }
    if (NameIs(name, "SSLSecurityFlags")) {
        if (!ParseNumber(value, number)) {
            rc = Fail(kNetBadArgument, "Bad value for SSLSecurityFlags: " + std::string(value) + ".");
        } else {
            // Any relaxing flag means the caller accepts any server certificate.
            tls_.verifyPeer = number == 0;
            rc = kNetOk;
        }
        return true;
    }
    return false;
}

void NetComponent::ResetCommon() {
    tls_ = TlsSettings{};
    timeoutSeconds_ = 60;
    interrupt_.Clear();
    lastError_.Clear();
}

int NetStaticInit() {
    return OPENSSL_init_ssl(0, nullptr) == 1 ? kNetOk : kNetSslError;
}

std::string handle::TextArgument(const char* value, int length) {
    std::string text;
    if (value) text.assign(value, length > 0 ? static_cast<size_t>(length) : strlen(value));
    return text;
}

}  // namespace netssl
