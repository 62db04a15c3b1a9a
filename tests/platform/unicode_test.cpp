// SPDX-License-Identifier: MIT
// The character rules of the system's texts: what is taken from outside, how texts are cased,
// normalized, counted and cut, and which characters make words.
#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(UnicodeInput, KeepsUtf8AndReadsAnythingElseAsWindows1252) {
    const struct {
        const char* fault;
        std::string_view in;
        std::string_view out;
    } cases[] = {
        {"ascii as it is", "Hello", "Hello"},
        {"utf-8 as it is", "Grüße aus Köln", "Grüße aus Köln"},
        {"decomposed utf-8 composed",
         "Gru\xCC\x88\xC3\x9F"
         "e",
         "Grüße"},
        {"a combining mark past the first eight bytes",
         "Viele Gru\xCC\x88\xC3\x9F"
         "e",
         "Viele Grüße"},
        {"greek with its accent apart", "\xCE\xB1\xCC\x81", "ά"},
        {"latin-1 letters",
         "Gr\xFC\xDF"
         "e aus K\xF6ln",
         "Grüße aus Köln"},
        {"windows-1252 quotes and euro",
         "\x93"
         "5 \x80\x94",
         "“5 €”"},
        {"one stray byte spoils the whole text", "K\xC3\xB6ln \xE9t\xE9", "KÃ¶ln été"},
        {"a character cut at the end is dropped", "Köln \xE2\x82", "Köln "},
        {"a lone lead byte at the end is dropped", "Köln\xC3", "Köln"},
        {"a lone ascii-range lead byte is latin-1", "K\xF6", "Kö"},
        {"surrogates are not utf-8", "\xED\xA0\x80", "í\xC2\xA0€"},
    };
    for (const auto& c : cases) {
        const std::string got = text_from_input(c.in);
        EXPECT_EQ(got, c.out) << c.fault;
        EXPECT_TRUE(valid_utf8(got) && is_nfc(got)) << c.fault;
    }
}

TEST(UnicodeCase, UpperCasesByFullMappingAndFoldsForComparison) {
    const struct {
        std::string_view in, upper, folded;
    } cases[] = {
        {"köln", "KÖLN", "köln"},
        {"Straße", "STRASSE", "strasse"},
        {"ﬁle", "FILE", "file"},
        {"σοφός", "ΣΟΦΌΣ", "σοφόσ"},
        {"город", "ГОРОД", "город"},
        {"istanbul", "ISTANBUL", "istanbul"},  // no Turkish dotted capital: the neutral rules
        {"東京", "東京", "東京"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upper_case(c.in), c.upper) << c.in;
        EXPECT_EQ(fold_case(c.in), c.folded) << c.in;
        EXPECT_EQ(fold_case(upper_case(c.in)), c.folded) << c.in;
    }
    EXPECT_EQ(lower_case("ÄRGER Σ"), "ärger σ");
    EXPECT_EQ(simple_fold(U'Ä'), U'ä');
    EXPECT_EQ(simple_fold(U'ß'), U'ß');  // one code point stays one
}

TEST(UnicodeCut, CountsCharactersAndCutsBetweenThem) {
    EXPECT_EQ(char_count("a€😀ж"), 4u);
    EXPECT_EQ(cut_chars("a€😀ж", 3), "a€😀");
    EXPECT_EQ(cut_chars("a€😀ж", 9), "a€😀ж");
    // A byte limit that falls inside a character leaves that character out.
    EXPECT_EQ(utf8_prefix_bytes("a€😀ж", 4, 5), 4u);
    EXPECT_EQ(utf8_prefix_bytes("a€😀ж", 4, 4), 4u);
    EXPECT_EQ(utf8_prefix_bytes("€€", 2, 2), 0u);
    EXPECT_EQ(utf8_prefix_bytes("ab", 2, 1), 1u);
}

TEST(UnicodeKinds, LettersMarksAndNumbersMakeWords) {
    const struct {
        char32_t cp;
        bool word;
    } cases[] = {
        {U'a', true},  {U'7', true},   {U'é', true},    {U'ж', true},   {U'λ', true},
        {U'東', true}, {U'の', true},  {U'カ', true},   {0x0301, true}, {U'٣', true},
        {U'²', true},  {U' ', false},  {U'-', false},   {U'“', false},  {U'—', false},
        {U'€', false}, {U'。', false}, {0x3000, false}, {U'😀', false},  {0x00A0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(word_character(c.cp), c.word) << std::hex << static_cast<uint32_t>(c.cp);
    EXPECT_EQ(word_script(U'東'), WordScript::Han);
    EXPECT_EQ(word_script(U'の'), WordScript::Hiragana);
    EXPECT_EQ(word_script(U'カ'), WordScript::Katakana);
    EXPECT_EQ(word_script(U'ー'), WordScript::Neutral);  // the long vowel mark of both kana
    EXPECT_EQ(word_script(U'7'), WordScript::Neutral);
    EXPECT_EQ(word_script(U'x'), WordScript::Other);
    EXPECT_EQ(word_script(U'ж'), WordScript::Other);
}

TEST(UnicodeLatin, AccentsComeOffLatinLettersOnly) {
    const struct {
        std::string_view word;
        bool latin;
        std::string_view letters;
    } cases[] = {
        {"MULLER", true, "MULLER"}, {"MÜLLER", true, "MULLER"},
        {"ÆSIR", true, "AESIR"},    {"ŁÓDŹ", true, "LODZ"},
        {"ØRSTED", true, "ORSTED"}, {"THORSÞ", true, "THORSTH"},
        {"ΑΛΦΑ", false, ""},        {"МОСКВА", false, ""},
        {"A1", false, ""},          {"E\xCC\x81T\xCC\x88", true, "ET"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(latin_letters(c.word, out), c.latin) << c.word;
        if (c.latin) {
            EXPECT_EQ(out, c.letters) << c.word;
        }
    }
}

TEST(UnicodeWidth, WideCharactersTakeTwoColumnsAndMarksNone) {
    EXPECT_EQ(display_width("Köln"), 4u);
    EXPECT_EQ(display_width("東京"), 4u);
    EXPECT_EQ(display_width("e\xCC\x81"), 1u);
    EXPECT_EQ(pad_to_width("東京", 6), "東京  ");
    EXPECT_EQ(pad_to_width("Grüße", 3), "Grüße");
}

}  // namespace
}  // namespace qs
