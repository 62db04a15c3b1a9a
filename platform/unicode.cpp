// SPDX-License-Identifier: MIT
// UTF-8 rules of the system's own making (decoding, counting, cutting) and the ICU calls for what
// needs the Unicode tables: case mapping, folding, categories, scripts and NFC.
#include "platform/unicode.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <cstring>

#include "platform/text.h"

namespace qs {

size_t utf8_sequence(std::string_view s, size_t i, char32_t& cp) {
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    auto lead = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (cp < kSmallest[len] || cp > 0x10FFFF || surrogate) return 0;
    return len;
}

char32_t next_code_point(std::string_view s, size_t& i) {
    auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    char32_t cp = 0;
    size_t len = utf8_sequence(s, i, cp);
    i += len ? len : 1;
    return len ? cp : 0xFFFD;
}

bool is_ascii(std::string_view s) {
    const char* p = s.data();
    size_t n = s.size();
    // Eight bytes at a time: a text of an archive is mostly ASCII, and this runs over whole texts.
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ull) return false;
    }
    for (; n > 0; ++p, --n)
        if (static_cast<unsigned char>(*p) & 0x80) return false;
    return true;
}

bool valid_utf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        // ASCII eight bytes at a time: the message parser checks every text it decodes.
        uint64_t w;
        if (s.size() - i >= 8 && (std::memcpy(&w, s.data() + i, 8), !(w & 0x8080808080808080ull))) {
            i += 8;
            continue;
        }
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        size_t len = utf8_sequence(s, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

size_t char_count(std::string_view utf8) {
    size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string_view cut_chars(std::string_view utf8, size_t n) {
    return utf8.substr(0, utf8_prefix_bytes(utf8, n, utf8.size()));
}

// ---- Normalization ----

namespace {

const icu::Normalizer2* nfc_normalizer() {
    static const icu::Normalizer2* n = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* got = icu::Normalizer2::getNFCInstance(status);
        return U_SUCCESS(status) ? got : nullptr;
    }();
    return n;
}

// Ill-formed bytes would reach ICU only through a caller's fault; ICU takes them as U+FFFD.
template <class Map>
std::string through_icu(std::string_view utf8, Map map) {
    std::string out;
    out.reserve(utf8.size() + 8);
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    map(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink, status);
    if (U_FAILURE(status)) return std::string(utf8);
    return out;
}

}  // namespace

// Every code point below U+0300 is its own NFC form and none combines with what stands before
// it (the combining marks begin at U+0300), so a text made only of them is in NFC. In UTF-8 such
// a text has no byte of 0xCC or above. Most texts of Western mail pass this test.
static bool below_combining_marks(std::string_view utf8) {
    const char* p = utf8.data();
    size_t n = utf8.size();
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        // Eight ASCII bytes at once; a word with 8-bit bytes is looked at byte by byte.
        if (w & 0x8080808080808080ull)
            for (int k = 0; k < 8; ++k)
                if (static_cast<unsigned char>(p[k]) >= 0xCC) return false;
    }
    for (; n > 0; ++p, --n)
        if (static_cast<unsigned char>(*p) >= 0xCC) return false;
    return true;
}

bool is_nfc(std::string_view utf8) {
    if (below_combining_marks(utf8)) return true;
    const icu::Normalizer2* n = nfc_normalizer();
    UErrorCode status = U_ZERO_ERROR;
    bool yes = n && n->isNormalizedUTF8(
                        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), status);
    return yes && U_SUCCESS(status);
}

std::string nfc(std::string_view utf8) {
    if (is_nfc(utf8)) return std::string(utf8);
    const icu::Normalizer2* n = nfc_normalizer();
    if (!n) return std::string(utf8);
    return through_icu(utf8, [n](icu::StringPiece src, icu::ByteSink& sink, UErrorCode& st) {
        n->normalizeUTF8(0, src, sink, nullptr, st);
    });
}

namespace {

// Whether `tail` is the beginning of a character whose last bytes are missing.
bool incomplete_sequence(std::string_view tail) {
    auto lead = static_cast<unsigned char>(tail.front());
    size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead > 0xF4 || expected == 0 || tail.size() >= expected) return false;
    for (size_t k = 1; k < tail.size(); ++k)
        if ((static_cast<unsigned char>(tail[k]) & 0xC0) != 0x80) return false;
    return true;
}

}  // namespace

std::string text_from_input(std::string_view bytes) {
    if (is_ascii(bytes)) return std::string(bytes);
    if (valid_utf8(bytes)) return nfc(bytes);
    // A text cut by bytes inside its last character: everything before that character is sound.
    const size_t last = previous_char_start(bytes, bytes.size());
    if (incomplete_sequence(bytes.substr(last)) && valid_utf8(bytes.substr(0, last)))
        return nfc(bytes.substr(0, last));
    return nfc(to_utf8(bytes));
}

// ---- Case ----

namespace {

std::string ascii_mapped(std::string_view s, char (*map)(char)) {
    std::string out(s);
    for (char& c : out) c = map(c);
    return out;
}

}  // namespace

std::string ascii_upper(std::string_view s) {
    return ascii_mapped(s, static_cast<char (*)(char)>(ascii_upper));
}

std::string upper_case(std::string_view utf8) {
    if (is_ascii(utf8)) return ascii_upper(utf8);
    return through_icu(utf8, [](icu::StringPiece src, icu::ByteSink& sink, UErrorCode& st) {
        icu::CaseMap::utf8ToUpper("", 0, src, sink, nullptr, st);
    });
}

std::string lower_case(std::string_view utf8) {
    if (is_ascii(utf8)) return ascii_mapped(utf8, ascii_lower);
    return through_icu(utf8, [](icu::StringPiece src, icu::ByteSink& sink, UErrorCode& st) {
        icu::CaseMap::utf8ToLower("", 0, src, sink, nullptr, st);
    });
}

std::string fold_case(std::string_view utf8) {
    if (is_ascii(utf8)) return ascii_mapped(utf8, ascii_lower);
    return through_icu(utf8, [](icu::StringPiece src, icu::ByteSink& sink, UErrorCode& st) {
        icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT, src, sink, nullptr, st);
    });
}

char32_t simple_fold(char32_t cp) {
    if (cp < 0x80) return static_cast<char32_t>(ascii_lower(static_cast<char>(cp)));
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
}

// ---- Kinds of characters ----

CharKind char_kind(char32_t cp) {
    switch (u_charType(static_cast<UChar32>(cp))) {
        case U_UPPERCASE_LETTER:
        case U_LOWERCASE_LETTER:
        case U_TITLECASE_LETTER:
        case U_MODIFIER_LETTER:
        case U_OTHER_LETTER: return CharKind::Letter;
        case U_NON_SPACING_MARK:
        case U_ENCLOSING_MARK:
        case U_COMBINING_SPACING_MARK: return CharKind::Mark;
        case U_DECIMAL_DIGIT_NUMBER:
        case U_LETTER_NUMBER:
        case U_OTHER_NUMBER: return CharKind::Number;
        case U_SPACE_SEPARATOR:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR: return CharKind::Space;
        default: return CharKind::Other;
    }
}

WordScript word_script(char32_t cp) {
    if (cp < 0x80) return word_character(cp) && cp > '9' ? WordScript::Other : WordScript::Neutral;
    // Nothing written without spaces lies below the CJK radicals.
    if (cp < 0x2E80)
        return char_kind(cp) == CharKind::Letter ? WordScript::Other : WordScript::Neutral;
    UErrorCode status = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(cp), &status)) {
        case USCRIPT_HAN: return WordScript::Han;
        case USCRIPT_HIRAGANA: return WordScript::Hiragana;
        case USCRIPT_KATAKANA: return WordScript::Katakana;
        case USCRIPT_COMMON:
        case USCRIPT_INHERITED: return WordScript::Neutral;
        default: return char_kind(cp) == CharKind::Letter ? WordScript::Other : WordScript::Neutral;
    }
}

namespace {

// Latin letters whose canonical decomposition does not lead to a letter A to Z.
struct LatinSpelling {
    char32_t cp;
    const char* letters;
};
constexpr LatinSpelling kLatinSpellings[] = {
    {0x00C6, "AE"}, {0x00D0, "D"}, {0x00D8, "O"}, {0x00DE, "TH"}, {0x00DF, "SS"},
    {0x0110, "D"},  {0x0126, "H"}, {0x0131, "I"}, {0x0141, "L"},  {0x0152, "OE"},
    {0x0166, "T"},  {0x018F, "E"}, {0x01E4, "G"}, {0x0197, "I"},  {0x1E9E, "SS"},
};

// The letter A to Z a Latin letter with accents is built on, or 0.
char base_letter(char32_t cp) {
    for (const auto& s : kLatinSpellings)
        if (s.cp == cp && s.letters[1] == 0) return s.letters[0];
    static const icu::Normalizer2* nfd = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* got = icu::Normalizer2::getNFDInstance(status);
        return U_SUCCESS(status) ? got : nullptr;
    }();
    icu::UnicodeString d;
    if (!nfd || !nfd->getDecomposition(static_cast<UChar32>(cp), d) || d.isEmpty()) return 0;
    char16_t first = d.charAt(0);
    return first >= 'A' && first <= 'Z' ? static_cast<char>(first) : 0;
}

}  // namespace

bool latin_letters(std::string_view upper_word, std::string& out) {
    out.clear();
    for (size_t i = 0; i < upper_word.size();) {
        char32_t cp = next_code_point(upper_word, i);
        if (cp >= 'A' && cp <= 'Z') {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        if (cp < 0x80) return false;
        if (char_kind(cp) == CharKind::Mark && !out.empty()) continue;  // an accent on its own
        UErrorCode status = U_ZERO_ERROR;
        if (uscript_getScript(static_cast<UChar32>(cp), &status) != USCRIPT_LATIN) return false;
        const LatinSpelling* two = nullptr;
        for (const auto& s : kLatinSpellings)
            if (s.cp == cp && s.letters[1] != 0) two = &s;
        if (two) {
            out += two->letters;
            continue;
        }
        char base = base_letter(cp);
        if (!base) return false;
        out.push_back(base);
    }
    return true;
}

bool latin_script(std::string_view utf8) {
    if (is_ascii(utf8)) return true;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = next_code_point(utf8, i);
        if (cp < 0x80 || char_kind(cp) != CharKind::Letter) continue;
        UErrorCode status = U_ZERO_ERROR;
        if (uscript_getScript(static_cast<UChar32>(cp), &status) != USCRIPT_LATIN) return false;
    }
    return true;
}

size_t display_width(std::string_view utf8) {
    if (is_ascii(utf8)) return utf8.size();
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = next_code_point(utf8, i);
        if (char_kind(cp) == CharKind::Mark || cp == 0x200B || cp == 0x200D) continue;
        auto wide = u_getIntPropertyValue(static_cast<UChar32>(cp), UCHAR_EAST_ASIAN_WIDTH);
        width += wide == U_EA_WIDE || wide == U_EA_FULLWIDTH ? 2 : 1;
    }
    return width;
}

std::string pad_to_width(std::string_view utf8, size_t columns) {
    std::string out(utf8);
    size_t width = display_width(utf8);
    if (width < columns) out.append(columns - width, ' ');
    return out;
}

}  // namespace qs
