// SPDX-License-Identifier: MIT
// The character rules of the system's texts, which are UTF-8 in NFC everywhere inside: decoding
// and validation, counting and cutting by characters, normalization, full case mapping and case
// folding, and the kind of a code point. ICU does the case mapping, folding, categories and
// normalization; every function has a fast path for ASCII, which most texts of an archive are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

// ---- Decoding ----

// The length of the well-formed UTF-8 sequence at s[i] with its code point in `cp`, or 0 when no
// character starts there (a stray or missing continuation byte, an overlong form, a surrogate, a
// value past U+10FFFF, a sequence cut short by the end of `s`).
size_t utf8_sequence(std::string_view s, size_t i, char32_t& cp);

// The code point at s[i] and the index after it; a byte that starts no character is taken as
// U+FFFD and skipped alone, so a damaged text is still walked to its end.
char32_t next_code_point(std::string_view s, size_t& i);

// The start of the character before index i (i > 0): back over continuation bytes, never below 0.
inline size_t previous_char_start(std::string_view s, size_t i) {
    do {
        --i;
    } while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80);
    return i;
}

bool is_ascii(std::string_view s);
bool valid_utf8(std::string_view s);
void append_utf8(std::string& out, char32_t cp);

// ---- Counting and cutting ----

// Characters of a UTF-8 text (every byte that is no continuation byte counts one).
size_t char_count(std::string_view utf8);

// The bytes of the first `n` characters of `utf8`, and never more than `max_bytes`: a cut never
// falls inside a character of well-formed text.
inline size_t utf8_prefix_bytes(std::string_view utf8, size_t n, size_t max_bytes) {
    if (utf8.size() <= n && utf8.size() <= max_bytes) return utf8.size();  // no more bytes
    const size_t limit = utf8.size() < max_bytes ? utf8.size() : max_bytes;
    size_t chars = 0;
    for (size_t i = 0; i < limit; ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && chars++ == n) return i;
    }
    // The limit fell inside the last character: leave that character out whole.
    if (limit < utf8.size() && (static_cast<unsigned char>(utf8[limit]) & 0xC0) == 0x80) {
        size_t lead = limit;
        while (lead > 0 && limit - lead < 3 &&
               (static_cast<unsigned char>(utf8[lead]) & 0xC0) == 0x80)
            --lead;
        if (static_cast<unsigned char>(utf8[lead]) >= 0xC0) return lead;
    }
    return limit;
}

// The first `n` characters of `utf8`.
std::string_view cut_chars(std::string_view utf8, size_t n);

// ---- Conversion and normalization ----

// Normalization form C. Texts inside the system are in NFC, so that one spelling of a word is
// stored, indexed and compared.
std::string nfc(std::string_view utf8);
bool is_nfc(std::string_view utf8);

// A text from outside made fit to be kept: valid UTF-8 stays as it is, a sequence cut short at
// the very end (a text cut by bytes) is dropped, and anything else is read as Windows-1252, the
// charset of 8-bit mail and news that declares none; then NFC.
std::string text_from_input(std::string_view bytes);

// ---- Case ----

// Full case mapping by the language-neutral rules: "straße" -> "STRASSE", "köln" -> "KÖLN".
std::string upper_case(std::string_view utf8);
std::string lower_case(std::string_view utf8);
// Full case folding, the form texts are compared in: "STRASSE" and "straße" fold alike.
std::string fold_case(std::string_view utf8);
// Folding one code point to one code point (no expansion), for comparisons that keep positions.
char32_t simple_fold(char32_t cp);

inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
// Upper-cases the ASCII letters only: for the fixed ASCII words of headers ("CONTENT-TYPE:").
std::string ascii_upper(std::string_view s);

// ---- Kinds of characters ----

enum class CharKind : uint8_t { Letter, Mark, Number, Space, Other };
// The kind of a code point by its Unicode general category (L*, M*, N*, Z*, the rest).
CharKind char_kind(char32_t cp);
// Letters, marks and numbers make words; everything else separates them.
inline bool word_character(char32_t cp) {
    if (cp < 0x80) return (cp >= '0' && cp <= '9') || ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z');
    CharKind k = char_kind(cp);
    return k == CharKind::Letter || k == CharKind::Mark || k == CharKind::Number;
}

// The writing systems that are written without spaces between words and whose words therefore
// end where the script changes (see the tokenizer); Neutral for characters shared by all scripts
// (digits, marks, the long vowel mark of Katakana).
enum class WordScript : uint8_t { Neutral, Other, Han, Hiragana, Katakana };
WordScript word_script(char32_t cp);

// The letters A to Z that an upper-case Latin word is made of, accents taken off ("MÜLLER" ->
// "MULLER", "ÆSIR" -> "AESIR"); false when the word holds anything but Latin letters and marks.
bool latin_letters(std::string_view upper_word, std::string& out);

// Whether every letter of the text is a Latin letter (ASCII letters, accented ones, "ß", "Ø"...).
bool latin_script(std::string_view utf8);

// Terminal columns a text takes: wide East Asian characters two, combining marks none.
size_t display_width(std::string_view utf8);
// The text padded with blanks to `columns` (a text already as wide stays as it is).
std::string pad_to_width(std::string_view utf8, size_t columns);

}  // namespace qs
