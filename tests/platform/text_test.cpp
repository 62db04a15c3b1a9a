// SPDX-License-Identifier: MIT
// Key collation and code-page conversion: the faults that would misorder indexes or lose bytes.
#include "platform/text.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qs
