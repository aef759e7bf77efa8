#include "platform/netssl/https.h"

#include "platform/netssl/net_codec.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>
#include <utility>
#include <vector>

namespace netssl {

// ---------------------------------------------------------------- owner side

int HTTPS::FireHeader(const std::string&, const std::string&) { return 0; }
int HTTPS::FireTransfer(long, const std::string&) { return 0; }

int HTTPS::Dispatch(void* owner, int event, int count, const NetEventParam* params) {
    auto* self = static_cast<HTTPS*>(owner);
    if (!self || count < 1) return 0;
    switch (event) {
    case kHttpsEventHeader:
        return count < 2 ? 0 : self->FireHeader(std::string(params[0].text), std::string(params[1].text));
    case kHttpsEventTransfer: return self->FireTransfer(params[0].number, std::string(params[0].text));
    default: return 0;
    }
}

// ---------------------------------------------------------------- component

namespace {

constexpr size_t kMaxBody = size_t{64} << 20;
constexpr int kMaxHeaders = 1000;
// An answer's header: each line (the status line, a header line, a continuation line) and
// the whole block up to the empty line, in bytes. Real headers are a few KiB; without the
// bounds a hostile server could have the header lines, or one header folded over many
// lines, held in memory up to kMaxHeaders times the transport's 1 MiB line.
constexpr size_t kMaxHeaderLine = size_t{32} << 10;
constexpr size_t kMaxHeaderBlock = size_t{64} << 10;
constexpr int kMaxRedirects = 5;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view TrimBlanksAndCr(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

struct Url {
    bool tls = false;
    std::string host;  // without brackets
    int port = 0;
    std::string target;  // path and query, from "/"
    std::string user, password;  // only for proxy addresses of the environment

    std::string HostPort() const {
        const std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
        return (port == (tls ? 443 : 80)) ? h : h + ":" + std::to_string(port);
    }
    std::string Absolute() const { return (tls ? "https://" : "http://") + HostPort() + target; }
};

// Reads "scheme://[user[:password]@]host[:port][/path]"; `defaultScheme` when the scheme is
// missing (proxy variables are often written "host:port").
bool ParseUrl(std::string_view text, Url& url, const char* defaultScheme = nullptr) {
    text = TrimBlanksAndCr(text);
    if (text.find_first_of(std::string_view(" \t\r\n\0", 5)) != std::string_view::npos) return false;
    std::string scheme;
    const size_t sep = text.find("://");
    if (sep != std::string_view::npos) {
        scheme = Lower(text.substr(0, sep));
        text.remove_prefix(sep + 3);
    } else if (defaultScheme) {
        scheme = defaultScheme;
    } else {
        return false;
    }
    if (scheme == "http") url.tls = false;
    else if (scheme == "https") url.tls = true;
    else return false;
    const size_t pathStart = text.find_first_of("/?#");
    std::string_view authority = text.substr(0, pathStart);
    std::string target = pathStart == std::string_view::npos ? "/" : std::string(text.substr(pathStart));
    if (const size_t hash = target.find('#'); hash != std::string::npos) target.erase(hash);
    if (target.empty() || target[0] != '/') target.insert(0, "/");
    url.target = target;
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view info = authority.substr(0, at);
        const size_t colon = info.find(':');
        url.user = PercentDecode(info.substr(0, colon));
        if (colon != std::string_view::npos) url.password = PercentDecode(info.substr(colon + 1));
        authority.remove_prefix(at + 1);
    }
    std::string_view portText;
    if (!authority.empty() && authority[0] == '[') {
        const size_t end = authority.find(']');
        if (end == std::string_view::npos) return false;
        url.host = std::string(authority.substr(1, end - 1));
        authority.remove_prefix(end + 1);
        if (!authority.empty()) {
            if (authority[0] != ':') return false;
            portText = authority.substr(1);
        }
    } else {
        const size_t colon = authority.rfind(':');
        url.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
    }
    if (url.host.empty()) return false;
    url.port = url.tls ? 443 : 80;
    if (!portText.empty()) {
        int port = 0;
        for (char c : portText) {
            if (!isdigit(static_cast<unsigned char>(c)) || port > 65535) return false;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return false;
        url.port = port;
    }
    return true;
}

// True when no_proxy names `host`: "*", the host itself, or a domain it lies in.
bool NoProxyFor(const std::string& host) {
    const char* value = getenv("no_proxy");
    if (!value || !*value) value = getenv("NO_PROXY");
    if (!value) return false;
    const std::string h = Lower(host);
    std::string_view list(value);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string entry = Lower(TrimBlanksAndCr(list.substr(0, comma)));
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        if (entry.empty()) continue;
        if (entry == "*") return true;
        if (const size_t colon = entry.find(':'); colon != std::string::npos && entry.find(':', colon + 1) == std::string::npos) {
            entry.erase(colon);  // "host:port": the port is not compared
        }
        if (entry[0] == '.') entry.erase(0, 1);
        if (h == entry || (h.size() > entry.size() && h.compare(h.size() - entry.size(), entry.size(), entry) == 0 &&
                           h[h.size() - entry.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

struct Answer {
    int status = 0;
    std::string reason;
    std::vector<std::pair<std::string, std::string>> headers;

    const std::string* Header(std::string_view name) const {
        for (const auto& h : headers) {
            if (EqualsNoCase(h.first, name)) return &h.second;
        }
        return nullptr;
    }
};

}  // namespace

class HttpsComponent : public NetComponent {
public:
    HttpsComponent(void* owner, NetEventSink sink) : NetComponent(owner, sink) { ResetCommon(); }
    ~HttpsComponent() override { transport_.Close(); }

    int SetText(int property, std::string value);
    int SetNumber(int property, int value);
    long GetNumber(int property, int* length) const;
    std::string GetText(int property) const;
    int Do(int method, int count, const char* const* values, const int* lengths);

private:
    int ConfigureOwn(std::string_view name, std::string_view value) override;
    int Get(const std::string& address);
    // One request: `answer` and `body` (2xx only) on success.
    int Request(const Url& url, Answer& answer, std::string& body);
    // The proxy for `url`, if any: from the properties or the system's settings.
    bool ProxyFor(const Url& url, Url& proxy);
    int ReadAnswer(Answer& answer);
    // One line of a header block (or of the trailer of a chunked body), adding its size to
    // `block`: a line or a block past its bound fails with 110 and closes the connection.
    int ReadHeaderLine(std::string& line, size_t& block);
    int ReadBody(const Answer& answer, std::string& body);
    int Failure(const NetError& error) {
        transport_.Close();
        return Fail(error);
    }

    std::string proxyServer_, proxyUser_, proxyPassword_;
    int proxyPort_ = 0;
    bool useSystemProxy_ = false;
};

int HttpsComponent::SetText(int property, std::string value) {
    switch (property) {
    case kHttpsProxyServer: proxyServer_ = std::move(value); return kNetOk;
    case kHttpsProxyUser: proxyUser_ = std::move(value); return kNetOk;
    case kHttpsProxyPassword: proxyPassword_ = std::move(value); return kNetOk;
    default: {
        int n = 0;
        return NumberFromText(property, value, n) ? SetNumber(property, n) : kNetBadArgument;
    }
    }
}

int HttpsComponent::SetNumber(int property, int value) {
    switch (property) {
    case kHttpsProxyPort:
        if (value < 0 || value > 65535) return Fail(kNetBadArgument, "Port out of range: " + std::to_string(value) + ".");
        proxyPort_ = value;
        return kNetOk;
    case kHttpsTimeout:
        timeoutSeconds_ = value;
        return kNetOk;
    default:
        return Fail(kNetBadArgument, "Property " + std::to_string(property) + " takes a text or is unknown.");
    }
}

long HttpsComponent::GetNumber(int property, int* length) const {
    if (length) *length = 0;
    switch (property) {
    case kHttpsProxyPort: return proxyPort_;
    case kHttpsTimeout: return timeoutSeconds_;
    default: return TextLength(GetText(property), length);
    }
}

std::string HttpsComponent::GetText(int property) const {
    switch (property) {
    case kHttpsProxyServer: return proxyServer_;
    case kHttpsProxyUser: return proxyUser_;
    case kHttpsProxyPassword: return proxyPassword_;
    case kHttpsProxyPort: case kHttpsTimeout: return std::to_string(GetNumber(property, nullptr));
    default: return std::string();
    }
}

int HttpsComponent::Do(int method, int count, const char* const* values, const int* lengths) {
    if (method == kHttpsInterrupt) {
        Interrupt();
        return kNetOk;
    }
    lastError_.Clear();
    switch (method) {
    case kHttpsConfigure: {
        const auto v = FirstValue(count, values, lengths);
        return v ? Configure(*v) : Fail(kNetBadArgument, "Configure needs one text.");
    }
    case kHttpsGet: {
        const auto v = FirstValue(count, values, lengths);
        return v ? Get(std::string(*v)) : Fail(kNetBadArgument, "Get needs the URL.");
    }
    default: return Fail(kNetBadArgument, "Unknown method " + std::to_string(method) + ".");
    }
}

int HttpsComponent::ConfigureOwn(std::string_view name, std::string_view value) {
    if (EqualsNoCase(name, "UseWinInet")) {
        useSystemProxy_ = EqualsNoCase(value, "True") || value == "1";
        return kNetOk;
    }
    return UnknownSetting(name);
}

bool HttpsComponent::ProxyFor(const Url& url, Url& proxy) {
    if (proxyServer_ == "*" || (proxyServer_.empty() && useSystemProxy_)) {
        const char* names[] = {url.tls ? "https_proxy" : "http_proxy", url.tls ? "HTTPS_PROXY" : "HTTP_PROXY"};
        for (const char* name : names) {
            const char* value = getenv(name);
            if (!value || !*value) continue;
            if (NoProxyFor(url.host)) return false;
            Url p;
            if (!ParseUrl(value, p, "http") || p.tls) return false;  // only plain HTTP proxies
            proxy = p;
            return true;
        }
        return false;
    }
    if (proxyServer_.empty()) return false;
    proxy = Url{};
    proxy.host = proxyServer_;
    proxy.port = proxyPort_ > 0 ? proxyPort_ : 80;
    proxy.user = proxyUser_;
    proxy.password = proxyPassword_;
    return true;
}

int HttpsComponent::Get(const std::string& address) {
    Url url;
    if (!ParseUrl(address, url)) return Fail(kNetBadArgument, "Unusable URL: " + address.substr(0, 200) + ".");
    transport_.SetTimeout(timeoutSeconds_);
    for (int redirects = 0;; ++redirects) {
        Answer answer;
        std::string body;
        if (int rc = Request(url, answer, body); rc != kNetOk) return rc;
        const std::string* location = answer.Header("Location");
        const bool redirect = answer.status == 301 || answer.status == 302 || answer.status == 303 ||
                              answer.status == 307 || answer.status == 308;
        if (redirect && location && redirects < kMaxRedirects) {
            Url next;
            if (location->rfind("/", 0) == 0 && location->rfind("//", 0) != 0) {
                next = url;
                next.target = *location;
            } else if (!ParseUrl(*location, next)) {
                return Fail(kNetServerReply, std::to_string(answer.status) + " " + answer.reason +
                                                 " (unusable redirect)");
            }
            url = next;
            continue;
        }
        for (const auto& h : answer.headers) Fire(kHttpsEventHeader, {{0, h.first}, {0, h.second}});
        if (answer.status / 100 != 2) {
            return Fail(kNetServerReply, std::to_string(answer.status) + " " + answer.reason);
        }
        if (!body.empty()) Fire(kHttpsEventTransfer, {{static_cast<long>(body.size()), body}});
        return kNetOk;
    }
}

int HttpsComponent::Request(const Url& url, Answer& answer, std::string& body) {
    Url proxy;
    const bool viaProxy = ProxyFor(url, proxy);
    const Url& first = viaProxy ? proxy : url;
    NetError error;
    transport_.Close();
    if (transport_.Connect(first.host, first.port, error) != kNetOk) return Fail(error);
    const std::string proxyAuth =
        viaProxy && !proxy.user.empty()
            ? "Proxy-Authorization: Basic " + Base64Encode(proxy.user + ":" + proxy.password) + "\r\n"
            : std::string();
    if (viaProxy && url.tls) {
        const std::string target = (url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host) +
                                   ":" + std::to_string(url.port);
        if (transport_.Send("CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n" + proxyAuth + "\r\n", error) !=
            kNetOk) {
            return Failure(error);
        }
        {
            const ReplyDeadline deadline(transport_);
            if (int rc = ReadAnswer(answer); rc != kNetOk) return rc;
        }
        if (answer.status / 100 != 2) {
            transport_.Close();
            return kNetOk;  // the proxy's refusal is the answer
        }
        answer = Answer{};
    }
    if (url.tls && transport_.StartTls(url.host, tls_, nullptr, error) != kNetOk) return Failure(error);
    const bool absolute = viaProxy && !url.tls;
    std::string request = "GET " + (absolute ? url.Absolute() : url.target) + " HTTP/1.1\r\nHost: " + url.HostPort() +
                          "\r\nUser-Agent: Quendrel\r\nAccept: */*\r\nConnection: close\r\n";
    if (absolute) request += proxyAuth;
    request += "\r\n";
    if (transport_.Send(request, error) != kNetOk) return Failure(error);
    // The whole answer, headers and body, within the time-out and a second for every
    // kAnswerBytesPerSecond bytes that came: a server that drips it, each line or byte
    // within the time-out, is cut off, and a large page over a slow link still comes.
    const ReplyDeadline deadline(transport_, NetTransport::kAnswerBytesPerSecond);
    if (int rc = ReadAnswer(answer); rc != kNetOk) return rc;
    if (answer.status / 100 == 2) {
        if (int rc = ReadBody(answer, body); rc != kNetOk) return rc;
    }
    transport_.Close();
    return kNetOk;
}

int HttpsComponent::ReadHeaderLine(std::string& line, size_t& block) {
    NetError error;
    if (int rc = transport_.ReadLine(line, error, kMaxHeaderLine); rc != kNetOk) {
        if (rc != kNetProtocol) return Failure(error);
        transport_.Close();
        return Fail(kNetProtocol, "Protocol error: a header line of the answer is longer than " +
                                      std::to_string(kMaxHeaderLine >> 10) + " KiB.");
    }
    block += line.size() + 2;
    if (block > kMaxHeaderBlock) {
        transport_.Close();
        return Fail(kNetProtocol, "Protocol error: the header of the answer is longer than " +
                                      std::to_string(kMaxHeaderBlock >> 10) + " KiB.");
    }
    return kNetOk;
}

int HttpsComponent::ReadAnswer(Answer& answer) {
    std::string line;
    for (int interim = 0; interim < 10; ++interim) {
        answer = Answer{};
        size_t block = 0;
        if (int rc = ReadHeaderLine(line, block); rc != kNetOk) return rc;
        // "HTTP/1.1 200 OK"
        if (line.rfind("HTTP/", 0) != 0 || line.size() < 12 || line[8] != ' ' ||
            !isdigit(static_cast<unsigned char>(line[9])) || !isdigit(static_cast<unsigned char>(line[10])) ||
            !isdigit(static_cast<unsigned char>(line[11])) || (line.size() > 12 && line[12] != ' ')) {
            transport_.Close();
            return Fail(kNetProtocol, "Protocol error: unexpected answer \"" + line.substr(0, 200) + "\".");
        }
        answer.status = std::stoi(line.substr(9, 3));
        answer.reason = line.size() > 13 ? std::string(TrimBlanksAndCr(std::string_view(line).substr(13))) : std::string();
        for (int n = 0;; ++n) {
            if (n > kMaxHeaders) {
                transport_.Close();
                return Fail(kNetProtocol, "Protocol error: more than " + std::to_string(kMaxHeaders) + " header lines.");
            }
            if (int rc = ReadHeaderLine(line, block); rc != kNetOk) return rc;
            if (line.empty()) break;
            if ((line[0] == ' ' || line[0] == '\t') && !answer.headers.empty()) {
                answer.headers.back().second += " " + std::string(TrimBlanksAndCr(line));
                continue;
            }
            const size_t colon = line.find(':');
            if (colon == std::string::npos || colon == 0) continue;  // not a header: ignored
            answer.headers.emplace_back(std::string(TrimBlanksAndCr(std::string_view(line).substr(0, colon))),
                                        std::string(TrimBlanksAndCr(std::string_view(line).substr(colon + 1))));
        }
        if (answer.status / 100 != 1) return kNetOk;  // 100 Continue and the like go before the answer
    }
    transport_.Close();
    return Fail(kNetProtocol, "Protocol error: too many interim answers.");
}

int HttpsComponent::ReadBody(const Answer& answer, std::string& body) {
    NetError error;
    if (answer.status == 204) return kNetOk;
    const std::string* encoding = answer.Header("Transfer-Encoding");
    if (encoding && Lower(*encoding).find("chunked") != std::string::npos) {
        std::string line;
        for (;;) {
            if (transport_.ReadLine(line, error, kMaxHeaderLine) != kNetOk) return Failure(error);
            char* end = nullptr;
            const unsigned long long size = strtoull(line.c_str(), &end, 16);
            if (end == line.c_str() || size > kMaxBody || body.size() + size > kMaxBody) {
                transport_.Close();
                return Fail(kNetProtocol, "Protocol error: bad chunk size \"" + line.substr(0, 100) + "\".");
            }
            if (size == 0) break;
            if (transport_.ReadBytes(body, static_cast<size_t>(size), error) != kNetOk) return Failure(error);
            if (transport_.ReadLine(line, error, kMaxHeaderLine) != kNetOk) return Failure(error);  // the chunk's CR LF
        }
        size_t block = 0;
        for (int n = 0; n < kMaxHeaders; ++n) {  // trailer lines up to the blank line, bounded as a header
            if (int rc = ReadHeaderLine(line, block); rc != kNetOk) return rc;
            if (line.empty()) return kNetOk;
        }
        transport_.Close();
        return Fail(kNetProtocol, "Protocol error: too many trailer lines.");
    }
    if (const std::string* length = answer.Header("Content-Length")) {
        char* end = nullptr;
        const unsigned long long size = strtoull(length->c_str(), &end, 10);
        if (length->empty() || *end != '\0' || size > kMaxBody) {
            transport_.Close();
            return Fail(kNetProtocol, "Protocol error: unusable Content-Length \"" + length->substr(0, 100) + "\".");
        }
        if (transport_.ReadBytes(body, static_cast<size_t>(size), error) != kNetOk) return Failure(error);
        return kNetOk;
    }
    if (transport_.ReadToClose(body, kMaxBody, error) != kNetOk) return Failure(error);
    return kNetOk;
}

// ---------------------------------------------------------------- functions

HttpsComponent* HTTPS_Create(void* owner, NetEventSink sink) { return handle::Create<HttpsComponent>(owner, sink); }

int HTTPS_Destroy(HttpsComponent* h) { return handle::Destroy(h); }

int HTTPS_Set(HttpsComponent* h, int property, int, const char* value, int length) {
    return handle::Set(h, property, value, length);
}

int HTTPS_Set(HttpsComponent* h, int property, int, int value, int) { return handle::Set(h, property, value); }

long HTTPS_Get(HttpsComponent* h, int property, int, int* length) { return handle::Get(h, property, length); }

std::string HTTPS_GetText(HttpsComponent* h, int property, int) { return handle::GetText(h, property); }

int HTTPS_Do(HttpsComponent* h, int method, int count, const char* const* values, const int* lengths) {
    return handle::Do(h, method, count, values, lengths);
}

int HTTPS_Do(HttpsComponent* h, int method) { return handle::Do(h, method, 0, nullptr, nullptr); }

int HTTPS_Do(HttpsComponent* h, int method, const std::string& value) { return handle::Do(h, method, value); }

std::string HTTPS_GetLastError(HttpsComponent* h) { return handle::LastError(h); }

int HTTPS_GetLastErrorCode(HttpsComponent* h) { return handle::LastErrorCode(h); }

int HTTPS_StaticInit(void*) { return NetStaticInit(); }

}  // namespace netssl
