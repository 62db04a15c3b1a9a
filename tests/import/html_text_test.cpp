// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "import/mime/html_refs.h"
#include "import/mime/mime.h"
#include "import/mime/utf8_text.h"

namespace qs {
namespace {

// Each case names the fault it guards against.
struct Case {
    const char* fault;
    std::string in;
    std::string out;
};

void expect_all(const Case* begin, const Case* end, std::string (*convert)(std::string_view)) {
    for (const Case* c = begin; c != end; ++c) {
        EXPECT_EQ(convert(c->in), c->out) << c->fault;
    }
}

// The characters of a UTF-8 text, or npos when it is not valid UTF-8.
size_t char_count(std::string_view s) {
    size_t n = 0;
    for (size_t at = 0; at < s.size(); ++n) {
        size_t len = utf8_length(s.substr(at, 4));
        if (len == 0) return std::string::npos;
        at += len;
    }
    return n;
}

TEST(HtmlText, TextRunsAndBlocks) {
    const Case cases[] = {
        {"a body without any tag lost", "Caf&eacute; &amp; bar", "Caf\xC3\xA9 & bar\r\n"},
        {"text before the first tag or after the last lost", "lead<b>x</b>tail", "leadxtail\r\n"},
        {"inline elements split a word", "<b>W</b>ord <i>in</i><u>line</u>", "Word inline\r\n"},
        {"tabs and lone CRs not white space", "<p>a   b\r\nc\td \r e</p>", "a b c d e\r\n"},
        {"paragraphs not separated", "<p>a</p><p>b</p>", "a\r\n\r\nb\r\n"},
        {"nested blocks pile up empty lines", "<div><div><p>a</p></div></div>\n<div>b</div>",
         "a\r\n\r\nb\r\n"},
        {"divisions not lines", "<div>a</div><div>b</div>", "a\r\nb\r\n"},
        {"line breaks lost", "one<br>two<BR/>three<br><br>four</br>five",
         "one\r\ntwo\r\nthree\r\n\r\nfour\r\nfive\r\n"},
        {"a break inside an empty division", "<div>a</div><div><br></div><div>b</div>",
         "a\r\n\r\nb\r\n"},
        {"headings run into the text", "<h1>Title</h1>Body", "Title\r\n\r\nBody\r\n"},
        {"other blocks run together", "a<blockquote>q</blockquote><hr>b<section>c</section>d",
         "a\r\n\r\nq\r\n\r\nb\r\nc\r\nd\r\n"},
        {"text after the end of the document lost", "<html><body><p>a</p></body></html>\r\nfooter",
         "a\r\n\r\nfooter\r\n"},
        {"a < that starts no tag lost", "<p>a < b, 1<2</p>", "a < b, 1<2\r\n"},
        {"a tag cut off at the end shown", "<p>x<p never closes", "x\r\n"},
        {"a > inside a quoted attribute ends the tag", "<img alt=\"a>b\" title='c>d'>x", "x\r\n"},
        {"bytes that are not UTF-8 kept as they are", "<p>caf\xE9 \x80</p>",
         "caf\xC3\xA9 \xE2\x82\xAC\r\n"},
        {"quoted-printable pairs decoded a second time", "<p>a=3Db =E9</p>", "a=3Db =E9\r\n"},
        {"a NUL byte ends the text", std::string("<p>a\0b</p>", 10), std::string("a\0b\r\n", 5)},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, HiddenContent) {
    const Case cases[] = {
        {"head, title, style, script or comment shown",
         "<!DOCTYPE html><html><head><title>T</title><style>p{color:red}</style></head><body>"
         "<!-- note --><script>if (a<b) x();</script><p>x</p></body></html>",
         "x\r\n"},
        {"a head never closed swallows the text", "<head><meta charset=utf-8>\nHello", "Hello\r\n"},
        {"a head closed by the body shown", "<head><title>t</title><body>x", "x\r\n"},
        {"a head closed by a block shown", "<html><head><link rel=x>\n<p>x", "x\r\n"},
        {"a style in the body shown", "a<STYLE type=text/css>.x{}</STYLE>b", "ab\r\n"},
        {"a script ends at another end tag", "<script>w('</scr'+'ipt>')</script>x", "x\r\n"},
        {"comments end at the first >", "a<!-- x > y -->b<!-- z --!>c<!-->d<!--->e", "abcde\r\n"},
        {"an unclosed comment shown", "a<!-- never closed", "a\r\n"},
        {"Office conditional comments shown",
         "<!--[if gte mso 9]><xml><o:x>y</o:x></xml><![endif]-->a<![if !supportLists]>* "
         "<![endif]>b",
         "a* b\r\n"},
        {"declarations shown", "<?xml version=\"1.0\"?><!DOCTYPE html>x", "x\r\n"},
        {"a self-closed title swallows the text", "<title/>x", "x\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, ListsTablesAndPreformattedText) {
    const Case cases[] = {
        {"items not lines with marks", "<ul><li>One<li>Two</ul>after",
         "* One\r\n* Two\r\n\r\nafter\r\n"},
        {"numbered items not numbered", "<ol><li>First</li>\n<li>Second</li></ol>",
         "1. First\r\n2. Second\r\n"},
        {"nested lists not indented", "<ul><li>a<ul><li>b</li></ul></li><li>c</li></ul>",
         "* a\r\n  * b\r\n* c\r\n"},
        {"an empty item marked", "<ul><li></li><li>x</li></ul>", "* x\r\n"},
        {"the list end keeps a pending mark", "<ul><li></ul>x", "x\r\n"},
        {"definitions not indented on their line", "<dl><dt>Term<dd>Meaning</dl>",
         "Term\r\n   Meaning\r\n"},
        {"cells not separated, rows not lines",
         "<table><tr><th>Name</th><th>Qty</th></tr>\n<tr><td>Tea</td><td>2</td></tr></table>",
         "Name\tQty\r\nTea\t2\r\n"},
        {"preformatted text collapsed or its references kept",
         "<pre>\na  b\r\n\r\n&lt;c&gt;\tx</pre>after", "a  b\r\n\r\n<c>\tx\r\n\r\nafter\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, LinksAreFollowedByTheirTarget) {
    const Case cases[] = {
        {"target lower-cased or its references kept",
         "<p>See <A HREF=\"https://Example.ORG/P?a=1&amp;b=2\">the site</A> now</p>",
         "See the site [https://Example.ORG/P?a=1&b=2] now\r\n"},
        {"single-quoted or unquoted target lost", "<a href='u1'>x</a> <a HREF=u2>y</a>",
         "x [u1] y [u2]\r\n"},
        {"target taken from another attribute", "<a title=\"t\" href=\"mailto:joe@ex.org\">Joe</a>",
         "Joe [mailto:joe@ex.org]\r\n"},
        {"a target the text already shows repeated",
         "<a href=\"http://x.org/\">http://x.org/</a> <a href=\"mailto:j@x.org\">j@x.org</a>",
         "http://x.org/ j@x.org\r\n"},
        {"an anchor or a jump within the text bracketed", "<a name=top>Top</a> <a href=#top>Up</a>",
         "Top Up\r\n"},
        {"a link without text bracketed", "<a href=\"u\"><img src=x></a>", ""},
        {"a bare name in a target decoded", "<a href=\"?a=1&copy=2\">x</a>", "x [?a=1&copy=2]\r\n"},
        {"a target cut", "<a href=\"" + std::string(5000, 'Q') + "\">x</a>", "x\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

TEST(HtmlText, CharacterReferences) {
    const Case cases[] = {
        {"the euro in any spelling not decoded", "&euro; &#8364; &#x20AC; &#X20ac;",
         "\xE2\x82\xAC \xE2\x82\xAC \xE2\x82\xAC \xE2\x82\xAC\r\n"},
        {"old names without ; not decoded", "&eacute &copy 2024 &amp",
         "\xC3\xA9 \xC2\xA9 2024 &\r\n"},
        {"the longest name not taken", "&notin; &notit;", "\xE2\x88\x89 \xC2\xACit;\r\n"},
        {"a new name decoded without ;", "&euro x", "&euro x\r\n"},
        {"a name of two characters cut", "&NotEqualTilde;", "\xE2\x89\x82\xCC\xB8\r\n"},
        {"letter case ignored where it matters", "&Eacute;&eacute;&Gt;&GT;",
         "\xC3\x89\xC3\xA9\xE2\x89\xAB>\r\n"},
        {"old mail's capitals not read", "&EACUTE; a&NBSP;b", "\xC3\x89 a b\r\n"},
        {"invalid numbers decoded as they are", "&#0; &#xD800; &#x110000; &#99999999999;",
         "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD\r\n"},
        {"128 to 159 not read as Windows-1252", "&#128; &#150; &#x9F; &#x81;",
         "\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8 \xC2\x81\r\n"},
        {"numbers without ; or with leading zeros lost", "&#65 &#x41x &#00000000000000000000066;",
         "A Ax B\r\n"},
        {"things that are no reference changed", "&#; &#x; & x &; &unknown; &",
         "&#; &#x; & x &; "
         "&unknown; &\r\n"},
        {"no-break spaces collapsed", "a&nbsp;&nbsp;&nbsp;b", "a   b\r\n"},
        {"white space by number not collapsed", "a&#10;&#32; b", "a b\r\n"},
    };
    expect_all(std::begin(cases), std::end(cases), html_to_text);
}

// The table is searched by halves: one name out of order and the names after it are not found.
TEST(HtmlText, EveryNamedReferenceIsDecoded) {
    std::span<const HtmlNamedRef> refs = html_refs();
    EXPECT_EQ(refs.size(), 2231u);
    size_t checked = 0;
    for (const HtmlNamedRef& r : refs) {
        ASSERT_EQ(find_html_ref(r.name()), &r) << r.name();
        if (r.name().back() != ';' || r.value() == "\n" || r.value() == "\t" ||
            r.value() == "\xC2\xA0") {
            continue;  // white space and no-break spaces have rules of their own
        }
        EXPECT_EQ(html_to_text("&" + std::string(r.name())), std::string(r.value()) + "\r\n")
            << r.name();
        ++checked;
    }
    EXPECT_GT(checked, 2100u);
}

TEST(HtmlText, OutputNeverPassesTheTextLimitNorCutsACharacter) {
    std::string out = html_to_text("<p>" + std::string(100000, 'x') + "</p>");
    EXPECT_EQ(out.size(), kTextLimit);
    std::string euros;
    for (int i = 0; i < 70000; ++i) euros += "&euro;";
    out = html_to_text(euros);
    EXPECT_EQ(char_count(out), kTextLimit);
    out = html_to_text(std::string(70000, '\x80'));  // Windows-1252 euros, three bytes each
    EXPECT_EQ(char_count(out), kTextLimit);
    std::string breaks;
    for (int i = 0; i < 40000; ++i) breaks += "a<br>";
    out = html_to_text(breaks);
    EXPECT_LE(out.size(), kTextLimit);
    EXPECT_GT(out.size(), kTextLimit - 3);
    std::string items = "<ol>";
    for (int i = 0; i < 20000; ++i) items += "<li>\xE2\x82\xAC";
    EXPECT_LE(char_count(html_to_text(items)), kTextLimit);
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
    std::string umlauts;
    for (int i = 0; i < 70000; ++i) umlauts += "\xC3\xBC";
    std::string out = enriched_to_text("<bold>" + umlauts);
    EXPECT_EQ(char_count(out), kTextLimit);
}

}  // namespace
}  // namespace qs
