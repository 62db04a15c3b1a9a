// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "import/mime/mime.h"

namespace qs {
namespace {

struct Case {
    const char* fault;
    std::string in;
    std::string out;
};

const std::string kPara = "\r\n\r\n";

void expect_all(const Case* begin, const Case* end, std::string (*convert)(std::string_view)) {
    for (const Case* c = begin; c != end; ++c) {
        EXPECT_EQ(convert(c->in), c->out) << c->fault;
    }
}

TEST(HtmlText, TextRunsAndBreaks) {
    const Case cases[] = {
        {"a body without any tag keeps its text", "Just words, no markup.", ""},
        {"text before the first tag kept", "lost<b>x</b>", "x "},
        {"the run after the last tag written", "<p>kept</p>tail", kPara + "kept" + kPara},
        {"spaces and line ends not collapsed", "<p>a   b\r\nc\td \r\n e</p>",
         kPara + "a b cd e" + kPara},
        {"a > outside a tag dropped", "<p>a > b</p>", kPara + "a > b" + kPara},
        {"BR ignored", "<br>one<BR>two<br/>three<br\r\nclear=all>", "one\r\ntwo\r\nthree\r\n"},
        {"a trailing space kept before a line break", "<b>a</b><br>", "a\r\n"},
        {"DIV end not a line break", "<div>a</div><div>b</div>", "a\r\nb\r\n"},
        {"heading end not a paragraph", "<h1>Title</h1>Body<br>", "Title" + kPara + "Body\r\n"},
        {"table cells run together", "<tr><td>a</td><td>b</td></tr>", "a" + kPara + "b" + kPara},
        {"a second paragraph break adds lines", "<p>a</p><p>b</p>",
         kPara + "a" + kPara + "b" + kPara},
        {"TITLE text shown", "<head><title>Secret</title></head><p>x</p>", kPara + "x" + kPara},
        {"text after the closing HTML tag converted", "<html><p>a</p></html><p>b</p>",
         kPara + "a" + kPara},
        {"a second < inside a tag loses text", "<p>a < b<br>", kPara + "a< b\r\n"},
        {"an unclosed tag at the end read past the text", "<p>x<p never closes", kPara + "x"},
        {"comments not ignored", "<!-- note --><b>x</b>", "x "},
        {"unknown tags have an effect", "<font size=2><span>x</span></font><br>", "x\r\n"},
        {"ADDRESS taken for A", "<address>x</address><br>", "x\r\n"},
        {"preformatted text collapsed", "<pre>a  b\r\n&amp; c</pre><br>", "a  b\r\n&amp; c\r\n"},
        {"quoted-printable pairs left in HTML", "<p>a=3Db =E9 =41</p>",
         kPara + "a=b \xE9 =41" + kPara},
        {"script content dropped", "<script>var x;</script><br>", "var x;\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, ListsAndDefinitions) {
    const Case cases[] = {
        {"unordered list items not paragraphs with marks", "<ul><li>One<li>Two</ul><br>",
         kPara + "* One" + kPara + "* Two\r\n"},
        {"ordered list items unmarked", "<ol><li>First</li></ol><br>", kPara + "* First\r\n"},
        {"an item in both list kinds marked", "<ul><ol><li>x</ol></ul><br>", kPara + "x\r\n"},
        {"LI outside a list breaks", "<li>x<br>", "x\r\n"},
        {"the list end keeps a pending mark", "<ul><li></ul>x<br>", kPara + "x\r\n"},
        {"a blank run uses up the list mark", "<ul><li> <b>One</b></ul><br>", kPara + "* One\r\n"},
        {"DD not indented", "<dl><dt>Term<dd>Meaning</dl><br>", "Term   Meaning\r\n"},
        {"DD outside a definition list indents", "<dd>x<br>", "x\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, LinksAreFollowedByTheirLowerCaseTarget) {
    const Case cases[] = {
        {"link target not lower-cased in brackets",
         "<p>See <A HREF=\"HTTP://Example.ORG/Path\">the site</A> now</p>",
         kPara + "See the site [http://example.org/path] now" + kPara},
        {"link target taken from the wrong quotes",
         "<a title=\"t\" href=\"mailto:Joe@Example.org\" x=\"y\">Joe</a><br>",
         " Joe [mailto:joe@example.org]\r\n"},
        {"a link after a line end gets a leading space", "<br>x<br><a href=\"u\">y</a><br>",
         "x\r\ny [u]\r\n"},
        {"a link without quotes reads out of bounds", "<a href=x>y</a><br>", " y []\r\n"},
        {"text after the link end bracketed", "<a href=\"u\">y</a>z<br>", " y [u] z\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, CharacterReferences) {
    const Case cases[] = {
        {"LT in capitals not decoded", "<p>a &LT; b &lt; c &Gt; d</p>",
         kPara + "a < b < c > d" + kPara},
        {"three-digit reference not decoded", "<p>caf&#233; &#233x</p>",
         kPara + "caf\xE9 \xE9x" + kPara},
        {"two-digit reference decoded", "<p>&#65; &#65</p>", kPara + "&#65; &#65" + kPara},
        {"hexadecimal reference decoded", "<p>&#x41;</p>", kPara + "&#x41;" + kPara},
        {"a reference past a byte decoded", "<p>&#999; &#000;</p>",
         kPara + "&#999; &#000;" + kPara},
        {"named letters misread",
         "<p>&eacute;&Eacute;&auml;&Ouml;&szlig;&Szlig;&ccedil;&oslash;&thorn;&aring;</p>",
         kPara + "\xE9\xC9\xE4\xD6\xDF&Szlig;\xE7\xF8\xFE\xE5" + kPara},
        {"capital-only rows misread", "<p>&yuml;&Yuml;&Yacute;&Ntilde;&AElig;&eth;</p>",
         kPara + "\xFF&Yuml;\xDD\xD1\xC6\xF0" + kPara},
        {"symbols misread", "<p>&copy;&reg;&shy;&quot;&amp;&nbsp;x</p>",
         kPara + "\xA9\xAE-\"& x" + kPara},
        {"NBSP without ; not decoded", "<p>a&nbspb</p>", kPara + "a b" + kPara},
        {"unknown references swallowed", "<p>&foo; &amp</p>", kPara + "&foo; &amp" + kPara},
        {"an & at the end of a run read past it", "<p>a &</p><p>&#</p>",
         kPara + "a &" + kPara + "&#" + kPara},
        {"references decoded in preformatted text", "<pre>&lt;</pre><br>", "&lt;\r\n"},
        {"&# at the very end read past the text", "<b>x</b>&#", "x "},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, OutputNeverPassesTheTextLimit) {
    std::string big = "<p>" + std::string(100000, 'x') + "</p>";
    EXPECT_EQ(html_to_text(big).size(), kTextLimit);
    std::string breaks;
    for (int i = 0; i < 40000; ++i) {
        breaks += "a<br>";
    }
    std::string out = html_to_text(breaks);
    EXPECT_LE(out.size(), kTextLimit);
    EXPECT_GT(out.size(), kTextLimit - 3);
    // A tag longer than the tag buffer is cut, not overrun.
    std::string tag = "<a href=\"" + std::string(5000, 'Q') + "\">x</a><br>";
    EXPECT_EQ(html_to_text(tag), " x []\r\n");
    std::string nul("<p>a\0b</p>", 10);
    EXPECT_EQ(html_to_text(nul), kPara + std::string("a\0b", 3) + kPara);
}

TEST(HtmlText, EnrichedText) {
    const Case cases[] = {
        {"commands kept", "<bold>Hi</bold> there", "Hi there"},
        {"a doubled < not literal", "a <<b> c", "a <b> c"},
        {"a doubled < at the end lost", "a <<b", "a <b"},
        {"parameters kept", "<color><param>red</param>Red</color>", "Red"},
        {"PARAM matched by case", "<Color><PaRaM>x</pArAm>y</Color>", "y"},
        {"an unclosed command eats text", "a < b <bold>c</bold>", "a < b c"},
        {"an unclosed command at the end lost", "text <unclosed", "text <unclosed"},
        {"line ends changed", "one\r\n\r\ntwo\nthree", "one\r\n\r\ntwo\nthree"},
        {"an unclosed parameter kept", "a<param>b", "a"},
    };
    expect_all(std::begin(cases), std::end(cases), enriched_to_text);
    EXPECT_EQ(enriched_to_text(std::string(70000, 'e')).size(), kTextLimit);
}

}  // namespace
}  // namespace qs
