// The carriers' allowed HTML tags: the rule walk (order, case, text ranges, patterns, length
// bounds) per carrier, and the collection of the offending start tags of a part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/compose/mobile_html_tags.h"

namespace compose {
namespace {

constexpr int kDocomo = MobileTagRuleTables::kDocomo;
constexpr int kAu = MobileTagRuleTables::kAu;
constexpr int kSoftbank = MobileTagRuleTables::kSoftbank;

TEST(MobileTagRules, TablesHaveTheirRulesInOrder) {
    const MobileTagRuleTables& t = MobileTagRuleTables::Shared();
    EXPECT_EQ(t.docomo.size(), 17u);
    EXPECT_EQ(t.au.size(), 17u);
    EXPECT_EQ(t.softbank.size(), 20u);
    EXPECT_EQ(t.TableFor(kDocomo), &t.docomo);
    EXPECT_EQ(t.TableFor(6), nullptr);
    // Building again starts from empty tables.
    MobileTagRuleTables again;
    again.BuildMobileTagRules();
    EXPECT_EQ(again.softbank.size(), 20u);
    EXPECT_EQ(again.softbank.back().attribute, "type");
}

TEST(MobileTagRules, IsTagAllowedPerCarrier) {
    const std::string href257 = std::string(257, 'h');
    const std::string href256 = std::string(256, 'h');
    struct Case {
        const char* tag;
        const char* attr;
        std::string value;
        bool docomo, au, softbank;
    };
    const Case cases[] = {
        // A range compared as text: "10" lies between "1" and "7"; "8" does not.
        {"font", "size", "10", true, true, true},
        {"font", "size", "8", false, false, false},
        {"FONT", "SIZE", "3", true, true, true},
        // cid: in upper case: any case for NTT DoCoMo only.
        {"img", "src", "CID:abc", true, false, false},
        {"img", "src", "cid:abc", true, true, true},
        {"img", "src", "http://x/a.gif", false, false, false},
        // Colours: a pattern of hex digits, lowered before the test, for au TU-KA and SoftBank;
        // any value for NTT DoCoMo.
        {"body", "bgcolor", "#ABCDEF", true, true, true},
        {"body", "bgcolor", "red", true, false, false},
        {"body", "bgcolor", "#ABCDEG", true, false, false},
        {"body", "bgcolor", "#ABCDE", true, false, false},
        {"hr", "color", "#00ff00", true, true, true},
        // Tags no rule names; tags named without attributes.
        {"p", "", "", false, false, false},
        {"table", "border", "1", false, false, false},
        {"br", "", "", true, true, true},
        {"body", "", "", true, true, true},
        {"blink", "class", "x", false, false, false},
        // Links: none for SoftBank; at most 256 characters elsewhere.
        {"a", "href", "http://example.jp/", true, true, false},
        {"a", "href", href256, true, true, false},
        {"a", "href", href257, false, false, false},
        // Equals any case; an attribute no rule of the tag names.
        {"div", "align", "CENTER", true, true, true},
        {"div", "align", "justify", false, false, false},
        {"div", "class", "left", false, false, false},
        {"meta", "content", "TEXT/HTML; charset=shift_jis", true, true, true},
        {"marquee", "behavior", "slide", false, false, false},
        // SoftBank's own rules.
        {"body", "background", "cid:bg", false, false, true},
        {"bgsound", "src", "cid:s", false, false, true},
        {"object", "type", "application/x-shockwave-flash", false, false, true},
        {"object", "data", "CID:x", false, false, false},
    };
    const MobileTagRuleTables& t = MobileTagRuleTables::Shared();
    for (const Case& c : cases) {
        EXPECT_EQ(IsTagAllowed(c.tag, c.attr, c.value, t.docomo), c.docomo) << c.tag << " " << c.attr << "=" << c.value;
        EXPECT_EQ(IsTagAllowed(c.tag, c.attr, c.value, t.au), c.au) << c.tag << " " << c.attr << "=" << c.value;
        EXPECT_EQ(IsTagAllowed(c.tag, c.attr, c.value, t.softbank), c.softbank)
            << c.tag << " " << c.attr << "=" << c.value;
    }
}

TEST(MobileTagRules, TheFirstMatchingRuleDecidesAndFlagsCombine) {
    using R = MobileTagRule;
    const MobileTagRuleTable table = {
        {"x", "a", "abc", "", "", "", R::kEquals | R::kMaxLength, 2},  // matches, then too long: refused
        {"x", "a", "", "", "", "", R::kAnyValue, 0},                   // never reached for "abc"
        {"x", "b", "", "", "", "", R::kTagOnly, 0},                    // never matches a value
        {"x", "b", "mid", "", "", "", R::kContains | R::kExactLength, 5},
        {"x", "c", "", "", "", "", 0, 0},                              // no comparison: refused at once
        {"x", "c", "", "", "", "", R::kAnyValue, 0},
        {"x", "d", "A?", "", "", "xy", R::kPattern, 0},                // exact case: "a" is not "A"
    };
    EXPECT_FALSE(IsTagAllowed("x", "a", "abc", table));
    EXPECT_TRUE(IsTagAllowed("x", "a", "zz", table));
    EXPECT_TRUE(IsTagAllowed("x", "b", "amidz", table));
    EXPECT_FALSE(IsTagAllowed("x", "b", "amid", table));
    EXPECT_FALSE(IsTagAllowed("x", "c", "anything", table));
    EXPECT_TRUE(IsTagAllowed("x", "d", "Ay", table));
    EXPECT_FALSE(IsTagAllowed("x", "d", "ay", table));
    EXPECT_FALSE(IsTagAllowed("x", "", "value without a name", table));
    EXPECT_TRUE(IsTagAllowed("X", "", "", table));
    EXPECT_FALSE(IsTagAllowed("y", "", "", table));
}

std::vector<std::string> Collected(int kind, const std::string& html) {
    CHtmlElems tags;
    const bool allowed = MobileTagRuleTables::Shared().CollectDisallowedTags(kind, html, tags);
    EXPECT_EQ(allowed, tags.empty());
    std::vector<std::string> out;
    for (const CHtmlElement& e : tags) {
        std::string text;
        e.GetTagString(text);
        out.push_back(text);
    }
    return out;
}

TEST(MobileTagRules, CollectsEachOffendingStartTagOnce) {
    const std::string html =
        "<html><head></head><body bgcolor=\"#FFFFFF\"><p>a</p><p>b</p>"
        "<font size=\"3\" color=\"red\">x</font><a href=\"http://x/\">l</a>"
        "<img src=\"CID:i1\" width=\"10\"><br></body></html>";
    EXPECT_EQ(Collected(kDocomo, html),
              (std::vector<std::string>{"<p>", "<img src=\"CID:i1\" width=\"10\">"}));
    EXPECT_EQ(Collected(kAu, html), (std::vector<std::string>{"<p>", "<font size=\"3\" color=\"red\">",
                                                              "<img src=\"CID:i1\" width=\"10\">"}));
    EXPECT_EQ(Collected(kSoftbank, html),
              (std::vector<std::string>{"<p>", "<font size=\"3\" color=\"red\">", "<a href=\"http://x/\">",
                                        "<img src=\"CID:i1\" width=\"10\">"}));
    EXPECT_TRUE(Collected(kDocomo, "<html><body><br></body></html>").empty());
    EXPECT_TRUE(Collected(kDocomo, "").empty());
    // A kind without a table refuses every start tag.
    EXPECT_EQ(Collected(6, "<br></br>"), (std::vector<std::string>{"<br>"}));
}

}  // namespace
}  // namespace compose
