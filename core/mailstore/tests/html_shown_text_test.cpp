#include "core/mailstore/html_shown_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/foundation/cp932.h"

namespace {

std::string Shown(const char* utf8Html) { return SjisToUtf8(html_text::ShownText(Utf8ToSjis(utf8Html))); }

}  // namespace

// What a reader of the HTML sees, line by line: markup, comments and hidden elements gone,
// white space collapsed, lines broken where a browser breaks them, references resolved.
TEST(HtmlShownText, ReadsTheTextABrowserShows) {
    const struct {
        const char* html;
        const char* shown;
    } cases[] = {
        // Nested blocks give one line each, <br> an empty one; blanks collapse.
        {"<div dir=\"ltr\"><div>  a\r\n  b </div></div><br><div>c</div>", "a b\r\n\r\nc\r\n"},
        {"<p>one<br>two<br></p><p>three</p>", "one\r\ntwo\r\nthree\r\n"},
        // The marks a person types stand in the markup as references.
        {"&lt;REFUSE&gt; &amp;&quot;&apos;&#60;&#x3E;&#65308;&#xFF1E;", "<REFUSE> &\"'<>＜＞"},
        // A no-break space and a control character are blanks; a character Shift_JIS
        // lacks is a blank; an unknown or unfinished reference stays as written.
        {"a&nbsp;b&#1;c&#x1F600;d &copy; &lt &#xZZ; &#99999999;", "a b c d &copy; &lt &#xZZ; &#99999999;"},
        // Comments (Outlook's conditional ones among them), style, script and title show
        // nothing; an unclosed one runs to the end.
        {"<head><title>t</title><style><!-- p {x:1} --></style></head><!--[if gte mso 9]><xml><o:x/></xml>"
         "<![endif]--><body><p class=MsoNormal>x<o:p></o:p></p><script>if (a<b) c();</script>y</body>",
         "x\r\ny"},
        {"a<!-- never closed <p>b</p>", "a"},
        {"a<STYLE>b", "a"},
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
