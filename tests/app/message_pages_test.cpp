// SPDX-License-Identifier: MIT
#include "app/message_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_chars.h"
#include "platform/text.h"

namespace qs {
namespace {

// A text of `length` characters "x" with blanks at the given (1-based) characters.
std::string text_of(size_t length, std::vector<size_t> blanks = {}) {
    std::string t(length, 'x');
    for (size_t b : blanks) t[b - 1] = ' ';
    return t;
}

struct PagingCase {
    const char* name;
    size_t length;
    std::vector<size_t> blanks;
    std::vector<size_t> starts;  // 1-based character where each page after the first starts
};
void PrintTo(const PagingCase& c, std::ostream* os) { *os << c.name; }

class Paging : public ::testing::TestWithParam<PagingCase> {};

TEST_P(Paging, PagesAreCutAtTheRightCharactersWithTheirMarkers) {
    const PagingCase& c = GetParam();
    const std::string text = text_of(c.length, c.blanks);
    std::vector<size_t> cuts{0};
    for (size_t s : c.starts) cuts.push_back(s - 1);
    cuts.push_back(trim_right(text).size());
    const int pages = static_cast<int>(cuts.size()) - 1;
    for (int p = 1; p <= pages; ++p) {
        SCOPED_TRACE("page " + std::to_string(p));
        MessagePage page = PageText(text, "", p);
        EXPECT_EQ(page.count, pages);
        EXPECT_EQ(page.number, p);
        auto i = static_cast<size_t>(p - 1);
        std::string want = (p > 1 ? "<CONTINUED>> \r\n" : "") +
                           text.substr(cuts[i], cuts[i + 1] - cuts[i]) +
                           (p < pages ? " ..........<MORE>>" : "");
        EXPECT_EQ(page.text, want);
        size_t selection = pages == 1 ? want.size() : p == 1 ? 0 : 15;
        EXPECT_EQ(page.start, selection);
        EXPECT_EQ(page.end, selection);
        EXPECT_EQ(page.cursor, selection);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, Paging,
    ::testing::Values(
        PagingCase{"exactly_24000_is_one_page", 24000, {100}, {}},
        PagingCase{"trailing_blanks_do_not_count", 24002, {24001, 24002}, {}},
        PagingCase{"24001_without_blank_breaks_after_23980", 24001, {}, {23981}},
        PagingCase{"first_blank_in_the_window_breaks", 24001, {23949, 23960, 23970}, {23960}},
        PagingCase{"blank_at_the_window_start", 24001, {23950}, {23950}},
        PagingCase{"blank_at_the_window_end", 24001, {23980, 23981}, {23980}},
        PagingCase{"48000_is_two_pages", 48000, {47080}, {23981}},
        PagingCase{"48001_is_three_pages", 48001, {}, {23981, 47101}},
        PagingCase{"second_break_at_a_blank", 64000, {23955, 47059, 47060, 47099}, {23955, 47060}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Paging, SubjectHeadsTheFirstPageOnlyAndRequestsOutsideAreClamped) {
    const std::string text = text_of(30000);
    MessagePage first = PageText(text, "Lenses   ", 1);
    EXPECT_EQ(first.text.substr(0, 19), "Subject: Lenses\r\n\r\n");
    EXPECT_EQ(first.text.size(), 19 + 23980 + 18);
    MessagePage last = PageText(text, "Lenses", 9);
    EXPECT_EQ(last.number, 2);
    EXPECT_EQ(last.text.substr(0, 15), "<CONTINUED>> \r\n");
    MessagePage alone = PageText("hello", "Hi", 1);
    EXPECT_EQ(alone.text, "Subject: Hi\r\n\r\nhello");
    EXPECT_EQ(alone.cursor, alone.text.size());
    EXPECT_EQ(PageText("hello", "   ", 1).text, "hello");
}

// Pages count characters: two-byte UTF-8 letters count one each, and a byte that starts no
// UTF-8 character (a Windows-1252 letter) counts one by itself.
TEST(Paging, CharactersNotBytesDecideThePages) {
    std::string e_acute;
    for (int i = 0; i < 24000; ++i) e_acute += "\xC3\xA9";
    EXPECT_EQ(PageText(e_acute, "", 1).count, 1);
    e_acute += "\xC3\xA9";
    MessagePage two = PageText(e_acute, "", 1);
    ASSERT_EQ(two.count, 2);
    EXPECT_EQ(textchars::count(two.text), 23980 + 18);
    EXPECT_EQ(two.text.size(), 2 * 23980 + 18) << "never cut inside a character";
    std::string cp1252(24001, '\xE9');
    EXPECT_EQ(PageText(cp1252, "", 1).count, 2);
    EXPECT_EQ(PageText(cp1252.substr(1), "", 1).count, 1);
}

TEST(TextChars, MalformedSequencesCountByteByByte) {
    struct Row {
        const char* bytes;
        size_t chars;
    } rows[] = {
        {"abc", 3},
        {"\xC3\xA9t\xC3\xA9", 3},  // été
        {"\xE2\x82\xAC", 1},       // the euro sign
        {"\xF0\x9F\x98\x80", 1},   // an emoji
        {"caf\xE9 au lait", 12},   // Windows-1252
        {"\xC3", 1},               // cut short
        {"\xE2\x82", 2},           // cut short
        {"\xC0\xAF", 2},           // overlong
        {"\xED\xA0\x80", 3},       // a surrogate
        {"\xF4\x90\x80\x80", 4},   // past U+10FFFF
        {"\x80\x80", 2},           // stray continuation bytes
    };
    for (const Row& r : rows) EXPECT_EQ(textchars::count(r.bytes), r.chars) << r.bytes;
    EXPECT_EQ(textchars::offset_of("\xC3\xA9t\xC3\xA9", 2), 3u);
    EXPECT_EQ(textchars::offset_of("ab", 5), 2u);
}

}  // namespace
}  // namespace qs
