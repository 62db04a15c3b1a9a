// SPDX-License-Identifier: MIT
// Key collation, code-page conversion, fixed-width texts and the substring search: the faults
// that would misorder indexes, lose bytes, cut a character or miss a match.
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

TEST(TextCompare, KeysOrderAsPaddedCaseFoldedCodePoints) {
    const CompareCase cases[] = {
        {"ascii case folded", "abc", "ABC", 0, 1},
        {"trailing blanks ignored on either side", "abc", "ABC  ", 0, 1},
        {"blank padding on both sides", "ab  ", "ab", 0, 0},
        {"accented letters fold (e acute)", "été", "ÉTÉ", 0, 1},
        {"umlaut after equal ascii", "ärger", "ÄRGER", 0, 1},
        {"caron and ligature fold", "šœž", "ŠŒŽ", 0, 1},
        {"y diaeresis folds", "ÿ", "Ÿ", 0, -1},
        {"sharp s folds as ss", "straße", "STRASSE", 0, 1},
        {"sharp s sorts as ss", "straße", "STRASSF", -1, 1},
        {"greek folds, final sigma too", "ΣΟΦΟΣ", "σοφος", 0, -1},
        {"cyrillic folds", "Москва", "МОСКВА", 0, 1},
        {"ligature folds to its letters", "ﬁle", "FILE", 0, 1},
        {"kelvin sign folds to k", "\xE2\x84\xAA", "k", 0, 1},
        {"a difference inside a character", "è", "é", -1, -1},
        {"multiply sign is not a letter", "×", "÷", -1, -1},
        {"letters beyond ascii sort after it", "é", "z", 1, 1},
        {"code point order, not byte length", "\xEF\xBF\xBD", "\xF0\x90\x80\x80", -1, -1},
        {"prefix sorts first", "ab", "abc", -1, -1},
        {"accented prefix sorts first", "é", "éa", -1, -1},
        {"control byte sorts below the padding", "ab\t", "ab", -1, -1},
        {"a letter beyond ascii sorts above the padding", "ab", "abé", -1, -1},
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

// Texts compared by long folded runs go past the collation's buffer on the stack.
TEST(TextCompare, LongTextsFoldBeyondTheStackBuffer) {
    std::string a(600, 'x'), b(600, 'X');
    a += "straße";
    b += "STRASSE";
    EXPECT_EQ(compare_nocase("é" + a, "É" + b), 0);
    EXPECT_LT(compare_nocase("é" + a, "É" + b + "x"), 0);
}

// Every pair of a random set compares as their case-folded forms do: the collation's shortcuts
// (ASCII in place, folding from the first difference) never change the order.
TEST(TextCompare, ShortcutsAgreeWithComparingFoldedTexts) {
    const char* const pieces[] = {"a", "A", "ß", "ss", "SS", "é", "É", "e",  "ﬁ", "fi", "σ",
                                  "Σ", "ς", "ж", "Ж",  "東", " ", "z", "\t", "𐐀", "𐐨"};
    std::mt19937 random(11);
    auto text = [&] {
        std::string s;
        for (size_t n = random() % 5; n > 0; --n) s += pieces[random() % std::size(pieces)];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string a = text(), b = text();
        const std::string fa = fold_case(a), fb = fold_case(b);
        ASSERT_EQ(sign(compare_nocase(a, b)), sign(compare_exact(fa, fb))) << a << " / " << b;
    }
}

TEST(TextField, HoldsCharactersNotBytesAndNeverCutsOne) {
    const struct {
        const char* fault;
        std::string_view in;
        std::string_view kept;
    } cases[] = {
        {"ascii cut at the width", "abcdefgh", "abcde"},
        {"two-byte letters count once", "äöüßé", "äöüßé"},
        {"cut after the fifth character", "äöüßéx", "äöüßé"},
        {"four-byte characters", "😀😀😀😀😀😀", "😀😀😀😀😀"},
        {"mixed widths", "a€😀ж語b", "a€😀ж語"},
        {"trailing blanks go", "ab   ", "ab"},
        {"blanks that the cut leaves last go", "abcd é", "abcd"},
        {"leading blanks stay", "  ab", "  ab"},
    };
    for (const auto& c : cases) {
        Text<5> t(c.in);
        EXPECT_EQ(t.view(), c.kept) << c.fault;
        EXPECT_TRUE(valid_utf8(t.view())) << c.fault;
    }
    // Bytes of another charset are kept for the hand-over to convert, within the field's bytes.
    Text<2> latin1("\xE9\xE8\xE0");
    EXPECT_EQ(latin1.view(), "\xE9\xE8");
    Text<2> runaway(std::string(20, '\x80'));
    EXPECT_EQ(runaway.view().size(), decltype(runaway)::kMaxBytes);
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
        {true, "€CAT", "CAT", 0},  // the table's characters of the 0x80 block join a word
        {true, "CAT…", "CAT", 0},
        {true, "†CAT", "CAT", 4},  // the other characters of the table do not
        {true, "ÉCAT", "CAT", 3},
        {true, "ЖCAT", "CAT", 0},  // beyond the table, letters of every script join a word
        {true, "東CAT", "CAT", 0},
        {true, "—CAT", "CAT", 4},  // and nothing else does
        {true, "КОТ КОТЫ", "КОТ", 1},
        {true, "КОТЫ КОТ", "КОТ", 10},
        {false, "straße", "ß", 5},
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
