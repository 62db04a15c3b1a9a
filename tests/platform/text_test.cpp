// SPDX-License-Identifier: MIT
// Key collation, code-page conversion and the substring search: the faults that would misorder
// indexes, lose bytes or miss a match.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>

namespace qs {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct CompareCase {
    const char* fault;
    std::string_view a;
    std::string_view b;
    int nocase;  // expected sign of compare_nocase
    int exact;   // expected sign of compare_exact
};

TEST(TextCompare, KeysOrderAsPaddedCaseFoldedBytes) {
    const CompareCase cases[] = {
        {"ascii case folded", "abc", "ABC", 0, 1},
        {"trailing blanks ignored on either side", "abc", "ABC  ", 0, 1},
        {"blank padding on both sides", "ab  ", "ab", 0, 0},
        {"accented letters fold (e acute)", "\xE9t\xE9", "\xC9T\xC9", 0, 1},
        {"caron and ligature fold", "\x9A\x9C\x9E", "\x8A\x8C\x8E", 0, 1},
        {"y diaeresis folds across blocks", "\xFF", "\x9F", 0, 1},
        {"sharp s has no capital", "\xDF", "SS", 1, 1},
        {"multiply sign is not a letter", "\xD7", "\xF7", -1, -1},
        {"bytes >= 0x80 sort after ASCII", "\x80", "z", 1, 1},
        {"prefix sorts first", "ab", "abc", -1, -1},
        {"control byte sorts below the padding", "ab\t", "ab", -1, -1},
        {"leading blanks matter", " a", "a", -1, -1},
        {"empty equals blanks", "", "   ", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(sign(compare_nocase(c.a, c.b)), c.nocase);
        EXPECT_EQ(sign(compare_nocase(c.b, c.a)), -c.nocase);
        EXPECT_EQ(sign(compare_exact(c.a, c.b)), c.exact);
    }
}

TEST(TextCase, ExactlyTheSixtySmallLettersHaveCapitals) {
    int folded = 0;
    for (int i = 0; i < 256; ++i) {
        auto c = static_cast<unsigned char>(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(lower1252(upper1252(c)), upper1252(c) == c ? lower1252(c) : c);
        EXPECT_EQ(upper1252(lower1252(c)), lower1252(c) == c ? upper1252(c) : c);
        folded += upper1252(c) != c;
    }
    EXPECT_EQ(folded, 26 + 4 + 30);  // ASCII, the four in 0x9A..0xFF, 0xE0..0xFE less the sign
    EXPECT_EQ(upper1252("\xE0x\xFE\xDF\xB5\xF7"), "\xC0X\xDE\xDF\xB5\xF7");
    EXPECT_EQ(lower1252("\xC0X\xDE\xD7\x9F"), "\xE0x\xFE\xD7\xFF");
}

TEST(TextTrim, OnlyTrailingBlanksGo) {
    EXPECT_EQ(trim_right("  a b \t  "), "  a b \t");
    EXPECT_EQ(trim_right("   "), "");
}

TEST(TextUtf8, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    EXPECT_EQ(from_utf8(to_utf8(all)), all);
}

TEST(TextUtf8, ConvertsAtTheEdges) {
    const std::pair<std::string_view, std::string_view> to[] = {
        {"\x80", "\xE2\x82\xAC"},  // euro sign
        {"\x81", "\xC2\x81"},      // undefined byte keeps its C1 code point
        {"\x9F", "\xC5\xB8"},      // Y diaeresis
        {"\xE9", "\xC3\xA9"},      // e acute
    };
    for (const auto& [bytes, utf8] : to) EXPECT_EQ(to_utf8(bytes), utf8);

    const std::pair<const char*, std::string_view> from[] = {
        {"\xE4\xB8\xAD", "?"},      // no form in the code page
        {"\xC2\x80", "?"},          // C1 control the code page puts elsewhere
        {"a\xFFz", "a?z"},          // stray byte
        {"\xC0\xAF", "??"},         // overlong slash
        {"\xE2\x82z", "??z"},       // truncated, resynchronises
        {"\xED\xA0\x80", "???"},    // surrogate
        {"\xF0\x9F\x98\x80", "?"},  // beyond the BMP, valid but unmappable
    };
    for (const auto& [utf8, bytes] : from) EXPECT_EQ(from_utf8(utf8), bytes) << utf8;
}

struct SearchCase {
    bool whole_word;
    const char* text;
    const char* pattern;
    size_t position;
};

TEST(Aisinb, FindsFirstOccurrenceAndHonoursWholeWords) {
    const SearchCase cases[] = {
        {true, "RESEARCH", "SEARCH", 0},
        {false, "RESEARCH", "SEARCH", 3},
        {true, "CATALOG CAT", "CAT", 9},  // goes on past a joined match
        {true, "CATALOG", "CAT", 0},
        {true, "123 A12", "12", 6},  // a number is joined only by digits
        {true, "123", "12", 0},
        {true, "1212 12", "12", 6},
        {true, "CAT", "CAT", 1},
        {true, "A CAT", "CAT", 3},
        {true, "CAT.", "CAT", 1},
        {true, "CAT1", "CAT", 0},  // of the digits only 1 joins a word
        {true, "CAT2", "CAT", 1},
        {true, "\200CAT", "CAT", 0},
        {true, "CAT\x85", "CAT", 0},
        {true, "\206CAT", "CAT", 2},
        {true, "\311CAT", "CAT", 2},
        {false, "cat CAT", "CAT", 5},  // exact case
        {false, "x CAT y", "CAT   ", 3},
        {false, "xA By", "A B", 2},
        {false, "anything", "", 0},
        {false, "anything", "   ", 0},
        {true, "anything", "", 0},
        {false, "CA", "CAT", 0},
        {false, "", "A", 0},
        {false, "aabaabaaab", "aaab", 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AISINB(c.whole_word, c.text, c.pattern), c.position)
            << c.whole_word << " \"" << c.text << "\" \"" << c.pattern << '"';
}

// The skip table must never jump over an occurrence: compared with a plain search on random
// texts over a small alphabet, where near misses are common.
TEST(Aisinb, SkipsNeverPassAnOccurrence) {
    std::mt19937 random(7);
    auto word = [&](size_t max_length) {
        std::string s(random() % (max_length + 1), 'a');
        for (char& c : s) c = "abc"[random() % 3];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = word(30), pattern = word(5);
        const size_t found = pattern.empty() ? std::string::npos : text.find(pattern);
        ASSERT_EQ(AISINB(false, text, pattern), found == std::string::npos ? 0 : found + 1)
            << text << " / " << pattern;
    }
}

}  // namespace
}  // namespace qs
