#include "core/mailstore/x_email.h"

#include <cstring>
#include <iterator>

namespace {

// The carriers' mobile mail domains, compiled from the domain lists the carriers publish
// for their subscribers (for example to set up domain-based mail filters), including the
// older brand families that are still delivered to (J-PHONE and Vodafone regional domains,
// TU-KA, IDO's EZweb hosts). Order matters: DoCoMo, then au, SoftBank, WILLCOM.
// This table is part of how mails are addressed: change it only to follow a carrier's
// published list.
const CarrierDomainPattern kCarrierDomains[] = {
    // NTT DoCoMo
    {"@docomo.ne.jp", TERM_DOCOMO, nullptr},
    // au (KDDI) and TU-KA
    {".ezweb.ne.jp", TERM_AU, nullptr},      // host-specific EZweb addresses, biz.ezweb.ne.jp
    {".ido.ne.jp", TERM_AU, "@ez"},          // IDO's EZweb hosts: user@eza.ido.ne.jp ... ezj
    {".au.com", TERM_AU, nullptr},           // biz.au.com and other au.com hosts
    {".tu-ka.ne.jp", TERM_AU, nullptr},      // sky.tu-ka.ne.jp, cara.tu-ka.ne.jp
    {".tkk.ne.jp", TERM_AU, nullptr},        // sky.tkk.ne.jp (TU-KA Kansai)
    {"@ezweb.ne.jp", TERM_AU, nullptr},
    {"@au.com", TERM_AU, nullptr},
    {"@sky.tkc.ne.jp", TERM_AU, nullptr},    // TU-KA Tokyo
    {"@sky.tkn.ne.jp", TERM_AU, nullptr},    // TU-KA Tokai
    // SoftBank, with the Vodafone and J-PHONE regional families
    {"@softbank.ne.jp", TERM_SOFTBANK, nullptr},
    {"@i.softbank.jp", TERM_SOFTBANK, nullptr},
    {"@disney.ne.jp", TERM_SOFTBANK, nullptr},
    {"@d.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@h.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@t.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@c.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@r.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@k.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@n.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@s.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@q.vodafone.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-d.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-h.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-t.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-c.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-r.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-k.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-n.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-s.ne.jp", TERM_SOFTBANK, nullptr},
    {"@jp-q.ne.jp", TERM_SOFTBANK, nullptr},
    // WILLCOM (PHS)
    {"@willcom.com", TERM_WILLCOM, nullptr},
    {".pdx.ne.jp", TERM_WILLCOM, nullptr},   // di., dj., dk., wm.pdx.ne.jp
};

}  // namespace

const CarrierDomainPattern* CXEmail::CarrierDomains(int& count) {
    count = static_cast<int>(std::size(kCarrierDomains));
    return kCarrierDomains;
}

int CXEmail::strrcmp(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return -1;
    const std::string_view end = text.substr(text.size() - suffix.size());
    const int c = suffix.empty() ? 0 : std::memcmp(end.data(), suffix.data(), suffix.size());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TermType CXEmail::GetTermTypeFromMailAddr(std::string_view address) {
    std::string lower(address);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const CarrierDomainPattern& p : kCarrierDomains) {
        if (strrcmp(lower, p.pattern) != 0) continue;
        if (p.hostPrefix != nullptr && lower.find(p.hostPrefix) == std::string::npos) continue;
        return p.type;
    }
    return TERM_PC;
}
