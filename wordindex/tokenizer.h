// SPDX-License-Identifier: MIT
// Words of a text by the word character tables: which characters may start, continue and end a
// word. The indexer, the search's phrase matching and the hit positions all cut words here, so a
// word found in a text is spelled exactly as it was indexed.
//
// Texts are UTF-8. The tables have a row for each of the first 256 characters, as the Windows-1252
// code page that they were made for numbers them (row 0x92 is the right single quote U+2019, row
// 0xE9 is "é"); every other character is a word character when it is a letter, a mark or a number
// and separates words otherwise. Writing without spaces between words is cut where the script
// changes: a run of Han ideographs, of Hiragana or of Katakana is a word of its own, and so is a
// run of letters of any other script beside them ("東京タワーへ" gives 東京, タワー and へ), so
// every run can be found by its first characters with a prefix search.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "storage/settings_state.h"

namespace qs::words {

inline constexpr size_t kMaxWord = decltype(WordList::THEWORD)::size();

// A copy of the three word tables, 1 meaning "not allowed" as in the stored tables.
struct WordRules {
    std::array<uint8_t, 256> start{};   // 1: cannot begin a word
    std::array<uint8_t, 256> inside{};  // 1: ends a word when met after its first character
    std::array<uint8_t, 256> end{};     // 1: trimmed off a word's end

    static WordRules from(const SettingsState& settings);
    static WordRules defaults();

    // The row of the tables that rules a code point, or -1 when its Unicode category does.
    static int row(char32_t cp) { return cp < 0x80 ? static_cast<int>(cp) : cp1252_byte(cp); }
    bool cannot_start(char32_t cp) const { return rule(start, cp); }
    bool ends_word(char32_t cp) const { return rule(inside, cp); }
    bool trimmed(char32_t cp) const { return rule(end, cp); }

private:
    static bool rule(const std::array<uint8_t, 256>& table, char32_t cp) {
        const int r = row(cp);
        return r >= 0 ? table[static_cast<size_t>(r)] != 0 : !word_character(cp);
    }
};

struct Word {
    std::string text;   // upper-cased by full case mapping, at most kMaxWord characters
    size_t first = 0;   // 1-based byte position of its first character in the whole text
    size_t length = 0;  // its bytes in the text, before upper-casing and cutting to kMaxWord
};

// A word as the word list keeps it: trailing blanks removed, upper-cased as the tokenizer does,
// at most kMaxWord characters.
std::string indexed_form(std::string_view word);

// Yields the words of text positions first to last (1-based byte positions, inclusive; clipped
// to the text). Words beginning with a circumflex are passed over.
class Tokenizer {
public:
    Tokenizer(const WordRules& rules, std::string_view text, size_t first = 1,
              size_t last = std::string_view::npos);
    bool next(Word& word);

private:
    size_t word_end(size_t p) const;

    const WordRules& rules_;
    std::string_view text_;
    size_t p_;    // 0-based scan position
    size_t end_;  // 0-based one past the range
};

// The part of a forum or newsgroup text that is indexed: trailing blanks removed, and unless
// `keep_footer`, the closing "REPL..." line and the last paragraph after an empty or
// separator-only line cut away.
std::string_view forum_body(const WordRules& rules, std::string_view text, bool keep_footer);

// The part of a mail text that is indexed: a leading header block skipped, only text/plain
// parts of a multipart body, a uuencoded tail cut off. Empty when nothing of the body counts.
std::string_view mail_body(std::string_view text);

// Which database kinds a message belongs to.
enum class Kind : uint8_t { Forum = 1, Mail = 2, News = 3 };

// The subject and text of one message as the indexer and phrase matching read them: the subject
// (the thread heading or mail subject, or the message's whole subject where its header could not
// hold it: see subject_of), then the indexed body.
struct MessageText {
    std::string_view subject;
    std::string_view body;
};
MessageText message_text(const WordRules& rules, Kind kind, std::string_view subject,
                         std::string_view text, bool keep_footer);

// Calls f(const Word&) for every word of the subject, then of the body.
template <class F>
void for_each_word(const WordRules& rules, const MessageText& m, F&& f) {
    Word w;
    for (std::string_view part : {m.subject, m.body}) {
        Tokenizer t(rules, part);
        while (t.next(w)) f(w);
    }
}

// Positions of a word in a text, for highlighting: the first byte of its first character and the
// last byte of its last character, 1-based.
struct WordPos {
    int32_t first = 0;
    int32_t last = 0;
};

}  // namespace qs::words
