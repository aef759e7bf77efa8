#include "core/mailstore/html_tag.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Shift_JIS bytes used below: 写真 and ア (whose trail byte is 'A') and ヂ (trail 'a').
const std::string kShashin = "\x8e\xca\x90\x5e";
const std::string kKanaA = "\x83\x41";
const std::string kKanaDi = "\x83\x61";

struct ParseCase {
    std::string text;
    // Expected element as "name" / "/name" plus name=value pairs; nullopt for failure.
    std::optional<std::string> name;
    std::vector<CHtmlAttribute> attrs;
};

std::string Describe(const CHtmlElement& e) {
    std::string s = e.endTag ? "/" + e.name : e.name;
    for (const auto& a : e.attrs) s += " [" + a.name + "=" + a.value + "]";
    return s;
}

TEST(HtmlTagParse, TableOfTagTexts) {
    const std::vector<ParseCase> cases = {
        // Names fold to lower case, values keep theirs; quotes are removed.
        {"IMG SRC=\"Photo.JPG\" ALT='A B'", "img", {{"src", "Photo.JPG"}, {"alt", "A B"}}},
        {"  br  ", "br", {}},
        {"br clear", std::nullopt, {}},
        {"input type=checkbox checked", "input", {{"type", "checkbox"}}},
        {"td nowrap width=5", std::nullopt, {}},
        {"/P", "/p", {}},
        {"/ p", "/p", {}},
        {"/", std::nullopt, {}},
        {"!-- <b> --", std::nullopt, {}},
        {"", std::nullopt, {}},
        {"a href='x.html'", "a", {{"href", "x.html"}}},
        {"a href=\"x\"title=\"y\"", std::nullopt, {}},
        {"a title=\"'quoted'\"", "a", {{"title", "quoted"}}},
        {"meta http-equiv=Content-Type content=\"text/html\"", "meta",
         {{"http-equiv", "Content-Type"}, {"content", "text/html"}}},
        {"a data_x=1", std::nullopt, {}},
        {"a " + kShashin + "=1", std::nullopt, {}},
        {"img alt=\"" + kShashin + kKanaA + "\"", "img", {{"alt", kShashin + kKanaA}}},
        {"img src=\"#\" usemap=\"#Map1\"", "img", {{"src", "#"}, {"usemap", "#Map1"}}},
        // A ">" can only reach the parser when a caller hands it a tag text directly.
        {"a title=\"x>y\"", "a", {{"title", "x>y"}}},
        // A lone LF or CR separates like a blank: line ends never decide a tag.
        {"img\nsrc=\"a.gif\"\nalt=b", "img", {{"src", "a.gif"}, {"alt", "b"}}},
        {"img\r\nsrc=a.gif", "img", {{"src", "a.gif"}}},
        {"img\rsrc=a.gif", "img", {{"src", "a.gif"}}},
        {"img src = \"a b\"", "img", {{"src", "a b"}}},
        {"img src=\"cid:00\" /", "img", {{"src", "cid:00"}}},
        {"img src=\"cid:00\"/", std::nullopt, {}},
        {"a href=\"x", std::nullopt, {}},
        {"a href=", std::nullopt, {}},
        {"a =x", std::nullopt, {}},
        {"p class=a class=b", "p", {{"class", "a"}, {"class", "b"}}},
        {"/p class=x", "/p", {{"class", "x"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("tag text: " + c.text);
        CHtmlElement e;
        e.name = "untouched";
        int r = ExpandHtmlElement(c.text, e);
        if (!c.name) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(e.name, "untouched");
            continue;
        }
        ASSERT_EQ(r, 1);
        CHtmlElement want;
        want.endTag = (*c.name)[0] == '/';
        want.name = want.endTag ? c.name->substr(1) : *c.name;
        want.attrs.assign(c.attrs.begin(), c.attrs.end());
        EXPECT_EQ(Describe(e), Describe(want));
    }
}

TEST(HtmlTagScan, FindsTagsTheWayTheScannerDefines) {
    CHtmlElems elems;
    ExtractHtmlElement("<p>a<P>b<p >c", elems, 0);
    EXPECT_EQ(elems.size(), 1u);
    ExtractHtmlElement("<p>a<P>b<p >c", elems, 1);
    EXPECT_EQ(elems.size(), 3u);

    // Of "<" "<" only the second opens a tag; a tag inside a comment is found; "<>" is
    // no tag; a ">" inside a quoted value cuts the tag, which then fails to parse.
    ExtractHtmlElement("a < b <i>x</i> <> <!-- <img src=c.gif> --> <a title=\"x>y\" href=z>"
                       "<b",
                       elems, 1);
    std::vector<std::string> got;
    for (const auto& e : elems) got.push_back(Describe(e));
    EXPECT_EQ(got, (std::vector<std::string>{"i", "/i", "img [src=c.gif]"}));

    ExtractHtmlElement("", elems, 1);
    EXPECT_TRUE(elems.empty());
}

TEST(HtmlTagScan, AttributeValuesAndNamesOfCollectedElements) {
    CHtmlElems elems;
    ExtractHtmlElement("<IMG SRC=\"Photo.JPG\"><img src=photo.jpg><img alt=x>"
                       "<img src=\"Photo.JPG\" alt=y><a src=z><img src=cid:00 src=cid:01>",
                       elems, 0);
    CArrayOfString vals{"stale"};
    elems.GetAttrVals("img", "src", vals);
    EXPECT_EQ(vals, (CArrayOfString{"Photo.JPG", "photo.jpg", "cid:00"}));
    EXPECT_EQ(vals.IsInEntryString("photo.jpg"), 1);
    EXPECT_EQ(vals.IsInEntryString("PHOTO.JPG"), 0);

    CArrayOfString names{"stale"};
    elems.GetElemNames(names);
    EXPECT_EQ(names, (CArrayOfString{"img", "a"}));
}

TEST(HtmlTagModel, ElementQueriesAndTagText) {
    CHtmlElement img;
    ASSERT_EQ(ExpandHtmlElement("img src=\"Logo.GIF\" alt='say \"hi\"'", img), 1);

    std::string text = "untouched";
    ASSERT_EQ(img.GetTagString(text), 1);
    EXPECT_EQ(text, "<img src=\"Logo.GIF\" alt=\"say &quot;hi&quot;\">");

    CHtmlElement endP;
    ASSERT_EQ(ExpandHtmlElement("/p", endP), 1);
    ASSERT_EQ(endP.GetTagString(text), 1);
    EXPECT_EQ(text, "</p>");

    CHtmlElement bad = img;
    bad.attrs.emplace_back("", "x");
    text = "untouched";
    EXPECT_EQ(bad.GetTagString(text), 0);
    EXPECT_EQ(CHtmlElement().GetTagString(text), 0);
    EXPECT_EQ(text, "untouched");

    // Partial agreement: values without regard to ASCII case, double-byte characters
    // exactly (ア and ヂ differ only in a trail byte that looks like 'A' / 'a').
    CHtmlElement pattern;
    pattern.name = "img";
    EXPECT_EQ(img.IsParticalAgreement(pattern), 1);
    pattern.attrs.emplace_back("src", "logo.gif");
    EXPECT_EQ(img.IsParticalAgreement(pattern), 1);
    pattern.attrs.emplace_back("alt", "x");
    EXPECT_EQ(img.IsParticalAgreement(pattern), 0);
    CHtmlElement kana;
    ASSERT_EQ(ExpandHtmlElement("img alt=" + kKanaA, kana), 1);
    CHtmlElement kanaPattern;
    kanaPattern.name = "img";
    kanaPattern.attrs.emplace_back("alt", kKanaDi);
    EXPECT_EQ(kana.IsParticalAgreement(kanaPattern), 0);
    kanaPattern.attrs[0].value = kKanaA;
    EXPECT_EQ(kana.IsParticalAgreement(kanaPattern), 1);
    CHtmlElement endPattern;
    endPattern.name = "p";
    EXPECT_EQ(endP.IsParticalAgreement(endPattern), 0);
    endPattern.endTag = 1;
    EXPECT_EQ(endP.IsParticalAgreement(endPattern), 1);

    // Identity is exact.
    CHtmlElement lower;
    ASSERT_EQ(ExpandHtmlElement("img src=\"logo.gif\" alt='say \"hi\"'", lower), 1);
    EXPECT_NE(img, lower);
    CHtmlElems elems{img};
    EXPECT_EQ(elems.IsInEntryElement(img), 1);
    EXPECT_EQ(elems.IsInEntryElement(lower), 0);

    std::string v = "untouched";
    EXPECT_EQ(img.attrs.GetValue("alt", v), 1);
    EXPECT_EQ(v, "say \"hi\"");
    EXPECT_EQ(img.attrs.GetValue("width", v), 0);
    EXPECT_EQ(img.attrs.IsInEntryAttrName("src"), 1);
    EXPECT_EQ(img.attrs.IsInEntryAttribute({"src", "Logo.GIF"}), 1);
    EXPECT_EQ(img.attrs.IsInEntryAttribute({"src", "logo.gif"}), 0);
    EXPECT_EQ(img.attrs.SetValue("src", "b.gif"), 1);
    EXPECT_EQ(img.attrs.SetValue("width", "1"), 0);
    EXPECT_EQ(img.attrs[0].value, "b.gif");
}

TEST(HtmlTagRewrite, ReplaceAttrValRewritesOnlyTheMatchedValue) {
    const std::string html =
        "<P>Hello<IMG alt=\"Logo A\" src=\"CID:p1\" usemap=\"#Map1\"><br>\r\n"
        "<img\nsrc='cid:P1' width=10 ALT=" + kShashin + "><img src=cid:p1 src=cid:p2>"
        "<img src=\"cid:p2\"><td background=\"cid:p1\"></P>";
    std::string out = "untouched";
    EXPECT_EQ(ReplaceHtmlAttrVal(html, "IMG", "SRC", "cid:p1", "cid:00", out), 3);
    EXPECT_EQ(out,
              "<P>Hello<IMG alt=\"Logo A\" src=\"cid:00\" usemap=\"#Map1\"><br>\r\n"
              "<img\nsrc='cid:00' width=10 ALT=" + kShashin + "><img src=cid:00 src=cid:p2>"
              "<img src=\"cid:p2\"><td background=\"cid:p1\"></P>");

    // A new value that the old quoting cannot hold gets double quotes.
    CHtmlAttribute match("src", "a b.gif");
    EXPECT_EQ(ReplaceHtmlAttrVal("<img src='a b.gif'><img src=x><img src=\"A B.GIF\">", "img", match,
                                 "it's \"new\".gif", out),
              2);
    EXPECT_EQ(out, "<img src=\"it's &quot;new&quot;.gif\"><img src=x>"
                   "<img src=\"it's &quot;new&quot;.gif\">");
    EXPECT_EQ(ReplaceHtmlAttrVal("<img src=x.gif>", "img", "src", "x.gif", "y z.gif", out), 1);
    EXPECT_EQ(out, "<img src=\"y z.gif\">");

    out = "untouched";
    EXPECT_EQ(ReplaceHtmlAttrVal("", "img", "src", "x", "y", out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(ReplaceHtmlAttrVal("<p>no images</p>", "img", "src", "x", "y", out), 0);
    EXPECT_EQ(out, "<p>no images</p>");
}

TEST(HtmlTagRewrite, ReplaceElementRegeneratesMatchedTags) {
    CHtmlElement from;
    ASSERT_EQ(ExpandHtmlElement("font color=Red", from), 1);
    CHtmlElement to;
    ASSERT_EQ(ExpandHtmlElement("span class=\"Red\"", to), 1);
    CHtmlElement endFrom;
    ASSERT_EQ(ExpandHtmlElement("/font", endFrom), 1);
    CHtmlElement endTo;
    ASSERT_EQ(ExpandHtmlElement("/span", endTo), 1);
    CHtmlElemRepPair pairs{{from, to}, {endFrom, endTo}, {to, CHtmlElement()}};

    std::string out;
    EXPECT_EQ(ReplaceHtmlElement("<FONT  COLOR='Red'>a</FONT><font color=red>b</font>"
                                 "<span class=Red>c</span>",
                                 pairs, out),
              3);
    // The lower-case red is another value; a destination without a tag text is not applied.
    EXPECT_EQ(out, "<span class=\"Red\">a</span><font color=red>b</span><span class=Red>c</span>");
}

}  // namespace
