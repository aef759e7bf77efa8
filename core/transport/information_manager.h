#pragma once
// CInformationManager: asks the maker's information site for the date on which its newest
// information page changed (the application decides what to do with it), and keeps the
// HTTP proxy settings (server, port, user, password, and whether the credentials are
// saved) in the program's ini file.
//
// The proxy record is ini section "PROXY", key "DATA": one line
//   "server","port","user","password","flag"
// with every double quote inside a field doubled, user and password written empty when
// the flag is 0, coded with the keyed Base64 coder under the program's own key number,
// so the password never stands in the file as plain text.
//
// Results of the date query: 0 success; 407 / -407 the proxy wants credentials; 404 / -404
// no such page; 1 / -1 any other failure (no connection, time-out...). The negative forms
// say that a proxy of the stored settings was used; the positive ones that the system's
// settings were.

#include "platform/date_time.h"

#include <string>

class CInformationManager {
public:
    // The path of the information page on the site.
    static constexpr const char* kInformationPagePath = "/mail/Varnis_information/index.html";
    // The site's host (with ":port" when not 80) unless SetInformationSite chose another.
    // A reserved name until the maker's host is settled: the query then fails quietly.
    static constexpr const char* kDefaultInformationSite = "www.varnis.example";
    // Seconds the query waits for the site at most, so that start-up is not held up.
    static constexpr int kQueryTimeoutSeconds = 5;

    CInformationManager() = default;
    virtual ~CInformationManager() = default;

    // Asks for the page with a GET and reads its Last-Modified header into `date`
    // (through ConvertDateTimeFormat, which leaves `date` as it was when the header is
    // missing or unreadable). 0 on success; otherwise `date` is untouched and the result
    // is one of the codes above.
    int GetRenewalDateOfNewestInformationPage(platform::DateTime& date);

    // Writes the proxy record into `iniPath`; the ini write's result (nonzero on success).
    // On success the settings used by the query take the given values (credentials too,
    // even when they are not saved); on failure they are emptied.
    int SetProxyAuthSetting(const std::string& iniPath, const std::string& server, const std::string& port,
                            const std::string& user, const std::string& password, int flag);
    // Reads the proxy record of `iniPath`. No record: 0, nothing changed. A record of five
    // fields: 1, server and port given and kept; user and password given and kept when the
    // flag field reads 1, else emptied (flag 0). Anything else: 0, all emptied.
    int GetProxyAuthSetting(const std::string& iniPath, std::string& server, std::string& port, std::string& user,
                            std::string& password, int& flag);

    // The key number the proxy record is coded with.
    static int ProxyRecordKeyNumber();

    // The site to ask ("host" or "host:port").
    void SetInformationSite(const std::string& site) { site_ = site; }
    std::string GetInformationPageUrl() const { return "http://" + site_ + kInformationPagePath; }

private:
    std::string proxyServer_, proxyPort_, proxyUser_, proxyPassword_;
    std::string site_ = kDefaultInformationSite;
};
