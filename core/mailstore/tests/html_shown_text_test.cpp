#include "core/mailstore/html_shown_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/mailstore/html_entity_table.h"
#include "core/mailstore/html_references.h"

namespace {

std::string Shown(const char* utf8Html) { return SjisToUtf8(html_text::ShownText(Utf8ToSjis(utf8Html))); }

}  // namespace

// What a reader of the HTML sees, line by line: markup, comments and hidden elements gone,
// white space collapsed, lines broken where a browser breaks them, quotations marked,
// references resolved.
TEST(HtmlShownText, ReadsTheTextABrowserShows) {
    const struct {
        const char* html;
        const char* shown;
    } cases[] = {
        // Nested blocks give one line each, <br> an empty one; blanks collapse.
        {"<div dir=\"ltr\"><div>  a\r\n  b </div></div><br><div>c</div>", "a b\r\n\r\nc\r\n"},
        {"<p>one<br>two<br></p><p>three</p>", "one\r\ntwo\r\nthree\r\n"},
        // The marks a person types stand in the markup as references, in any of the forms
        // browsers read: named (upper-case legacy forms, and legacy names without ";"),
        // decimal and hexadecimal.
        {"&lt;REFUSE&gt; &amp;&quot;&apos;&#60;&#x3E;&#65308;&#xFF1E;", "<REFUSE> &\"'<>＜＞"},
        {"&LT;a&GT; &ltb&gt &LTc&GT &#60d&#x3e &#X3C;e&#0062;", "<a> <b> <c> <d> <e>"},
        // The longest name wins, a legacy one also before more letters; a name of another
        // case is another name (&Lt; is "≪"); an unknown name, "&" alone and a reference
        // without digits stay as written.
        {"&timesbx &timesb;x &ampx &amp;lt; &Lt;b&Gt; &unknown; & &#; &#x;", "×bx  x &x &lt; ≪b≫ &unknown; & &#; &#x;"},
        // A no-break space is a blank, a control character white space, a soft hyphen or
        // zero-width space nothing; a character Shift_JIS lacks (and U+FFFD for 0, a
        // surrogate or a number too large) is a blank; 0x80-0x9F read as code page 1252.
        {"a&nbsp;b&#1;c&shy;d&#x200B;e&#x1F600;f&#0;g&#xD800;h&#99999999;i", "a b cde f g h i"},
        {"&#133;&#145;x&#146; &#150;", "…‘x’  "},
        // Comments (Outlook's conditional ones among them), style, script, title and
        // template show nothing; an unclosed one runs to the end.
        {"<head><title>t</title><style><!-- p {x:1} --></style></head><!--[if gte mso 9]><xml><o:x/></xml>"
         "<![endif]--><body><p class=MsoNormal>x<o:p></o:p></p><script>if (a<b) c();</script>y"
         "<template><p>z</p></template></body>",
         "x\r\ny"},
        {"a<!-- never closed <p>b</p>", "a"},
        {"a<STYLE>b", "a"},
        // An element the markup hides shows nothing, with what it holds (the same element
        // inside it, a script holding its end tag); a hidden <p> ends where the next block
        // begins; an element hidden unclosed runs to the end.
        {"<div style=\"display:none\"><div>a</div>b</div>c", "c"},
        {"<span style='color:red; DISPLAY : None !important'>a</span>b<span hidden>c</span>d", "bd"},
        {"<div style=\"display:none\"><script>x='</div>'</script>a</div>b", "b"},
        {"<p style=\"display:none\">a<p>b</p><p style=display:none>c<div>d</div>", "b\r\nd\r\n"},
        {"<div style=\"display:block\">a</div><div style=\"x-display:none\">b</div><img style=\"display:none\">c",
         "a\r\nb\r\nc"},
        {"a<div style=\"display:none\">b", "a"},
        // A quotation: its lines begin with "> ", once for each blockquote around them.
        {"a<blockquote type=\"cite\">b<br>c<blockquote>d</blockquote>e</blockquote>f",
         "a\r\n> b\r\n> c\r\n> > d\r\n> e\r\nf"},
        {"</blockquote>a", "a"},
        // A ">" inside a quoted value does not end the tag; a "<" that opens no tag is text.
        {"<a title=\"x>y\" href='z>w'>link</a> 1 < 2 <3 <", "link 1 < 2 <3 <"},
        {"<!DOCTYPE html><?xml version=\"1.0\"?>a<b", "a"},
        // Cells side by side keep a blank between them.
        {"<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>", "a b\r\nc\r\n"},
        // Japanese text passes whole.
        {"<p>表示&lt;停止&gt;</p>", "表示<停止>\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Shown(c.html), c.shown) << c.html;
}

// The tags the caller names stay in the text as written, in any case; others of the same
// text do not.
TEST(HtmlShownText, TagsNamedAsTextStayAsWritten) {
    constexpr std::string_view kMarks[] = {"register", "refuse"};
    EXPECT_EQ(html_text::ShownText("<html><body><REGISTER><EMAIL>a@example.jp</EMAIL><br><Refuse ></body>", kMarks),
              "<REGISTER>a@example.jp\r\n<Refuse >");
    EXPECT_EQ(html_text::ShownText("<REGISTER><EMAIL>a@example.jp</EMAIL>"), "a@example.jp");
}

// The references read as another reader of the standard reads them: Python's
// html.unescape, over every name of the table written in the ways that decide the reading
// (with and without its ";", cut short, followed by letters, digits and signs) and over
// the numeric forms. (Python drops the controls that the standard keeps; those are not
// asked.)
TEST(HtmlShownText, ReferencesReadAsPythonReadsThem) {
    if (::access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3";
    std::vector<std::string> corpus;
    for (std::size_t i = 0; i < html_text::kNamedReferenceCount; ++i) {
        std::string name = html_text::kNamedReferences[i].name;
        if (name.back() == ';') name.pop_back();
        for (const char* after : {";", "", "x", "x;", "1;", "=", " ;", ";;"}) corpus.push_back("a&" + name + after + "b");
        if (name.size() > 2) corpus.push_back("&" + name.substr(0, name.size() - 1) + ";");
    }
    for (const char* numeric : {"&#60;", "&#60", "&#x3c", "&#X3C;x", "&#00000000060;", "&#x0;", "&#0", "&#13;",
                                "&#128;", "&#x9F;", "&#150", "&#xD800;", "&#xDFFF", "&#x10FFFD;", "&#x110000;",
                                "&#99999999999999999999;", "&#x65e5;&#26412;", "&#", "&#x", "&#;", "&#xg;", "&#-1;",
                                "&&lt;", "&;", "&x", "& lt;"})
        corpus.push_back(numeric);

    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("html_refs_" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(file, std::ios::binary);
        for (const std::string& line : corpus) out << line << '\n';
    }
    const std::string command =
        "/usr/bin/python3 -c \"import html,sys\n"
        "for l in open(sys.argv[1], encoding='ascii'):\n"
        "    print(' '.join('%X' % ord(c) for c in html.unescape(l[:-1])) or '-')\" " + file.string();
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
        EXPECT_EQ(::pclose(p), 0);
    }
    std::filesystem::remove(file);
    std::istringstream lines(text);
    std::string expected;
    size_t checked = 0;
    for (const std::string& input : corpus) {
        ASSERT_TRUE(std::getline(lines, expected)) << "Python gave fewer lines";
        std::string ours;
        for (size_t i = 0; i < input.size();) {
            const html_text::Reference r = input[i] == '&' ? html_text::ReadReference(input, i) : html_text::Reference{};
            const auto put = [&](char32_t u) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(u));
                ours += (ours.empty() ? "" : " ") + std::string(hex);
            };
            if (r.length == 0) {
                put(static_cast<unsigned char>(input[i++]));
                continue;
            }
            for (int k = 0; k < r.count; ++k) put(r.points[k]);
            i += r.length;
        }
        EXPECT_EQ(ours.empty() ? "-" : ours, expected) << input;
        ++checked;
    }
    EXPECT_EQ(checked, corpus.size());
    EXPECT_GT(checked, 2231u * 8);
}
