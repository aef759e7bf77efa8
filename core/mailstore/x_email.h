#pragma once
// CXEmail: the terminal type of a recipient, decided from the mail address alone. Every
// mail is stored in variants per terminal type (the PC and four Japanese mobile carriers);
// the send run asks this for every recipient to pick the subject, body and attachment
// folder, and the composing screens count recipients per type with it.
//
// The address is lower-cased (ASCII letters only) and compared by suffix with the carrier
// domain table, in table order; the first pattern that matches decides, and no match
// means PC. The address is not trimmed or parsed: "a@docomo.ne.jp " (trailing blank) or
// "<a@docomo.ne.jp>" is a PC address. A pattern "@domain" matches that exact mail domain;
// a pattern ".domain" matches any subdomain of it but never the bare domain itself.

#include <string>
#include <string_view>

// Terminal types; the value is also the row of the mail's bodies and selects the
// two-letter folder code (env_layout::TerminalFolderCode).
enum TermType : int {
    TERM_PC = 0,        // "pc": every address that matches no carrier
    TERM_DOCOMO = 1,    // "nd": NTT DoCoMo
    TERM_AU = 2,        // "at": au TU-KA
    TERM_SOFTBANK = 3,  // "sb": SoftBank
    TERM_WILLCOM = 4,   // "wl": WILLCOM (PHS)
};

// One pattern of the carrier domain table.
struct CarrierDomainPattern {
    const char* pattern;    // "@domain" (exact) or ".domain" (any subdomain); lower case
    TermType type;
    const char* hostPrefix; // when not null, the address must also contain this text
};

class CXEmail {
public:
    CXEmail() = default;
    CXEmail(const CXEmail&) = default;
    CXEmail& operator=(const CXEmail&) = default;
    virtual ~CXEmail() = default;

    // The terminal type of `address`; any text (also an empty one) gives a type.
    static TermType GetTermTypeFromMailAddr(std::string_view address);
    static TermType GetTermTypeFromMailAddr(const char* address) {
        return GetTermTypeFromMailAddr(address != nullptr ? std::string_view(address) : std::string_view());
    }

    // Compares the end of `text` with `suffix` byte by byte (unsigned): -1 when the text is
    // shorter than the suffix; otherwise 0 when equal, -1 or 1 by the first differing byte.
    static int strrcmp(std::string_view text, std::string_view suffix);

    // The carrier domain table in matching order, and its length.
    static const CarrierDomainPattern* CarrierDomains(int& count);
};
