// SPDX-License-Identifier: MIT
#include "wordindex/tokenizer.h"

#include <algorithm>

#include "platform/text.h"
#include "storage/config.h"

namespace qs::words {

namespace {

constexpr size_t kSubjectWidth = LongHeading::size();

unsigned char at(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// The code point at s[i] and its length in bytes; ASCII without decoding.
char32_t char_at(std::string_view s, size_t i, size_t& length) {
    if (at(s, i) < 0x80) {
        length = 1;
        return at(s, i);
    }
    size_t next = i;
    const char32_t cp = next_code_point(s, next);
    length = next - i;
    return cp;
}

// Whether a word stops between its characters so far (of script `word`) and the next one.
bool script_changes(WordScript& word, char32_t next) {
    // ASCII beside ASCII is the common case and never a change.
    if (next < 0x80 && (word == WordScript::Neutral || word == WordScript::Other)) {
        if (word == WordScript::Neutral) word = word_script(next);
        return false;
    }
    const WordScript s = word_script(next);
    if (s == WordScript::Neutral) return false;
    if (word != WordScript::Neutral && s != word) return true;
    word = s;
    return false;
}

// A message text as far as it is kept: at most kMaxMemo characters.
std::string_view stored_text(std::string_view text) {
    return text.size() > kMaxMemo ? cut_chars(text, kMaxMemo) : text;
}

// The word's text: upper-cased, at most kMaxWord characters.
void set_word_text(std::string& out, std::string_view spelling) {
    if (is_ascii(spelling)) {
        out.assign(spelling.substr(0, std::min(spelling.size(), kMaxWord)));
        for (char& c : out) c = ascii_upper(c);
        return;
    }
    out = upper_case(cut_chars(spelling, kMaxWord));
    out.resize(utf8_prefix_bytes(out, kMaxWord, out.size()));  // "ß" became "SS"
}

}  // namespace

WordRules WordRules::from(const SettingsState& settings) {
    WordRules r;
    r.start = settings.StartWordHash;
    r.inside = settings.InWordHash;
    r.end = settings.EndWordHash;
    return r;
}

WordRules WordRules::defaults() {
    SettingsState st;
    build_default_word_tables(st);
    return from(st);
}

std::string indexed_form(std::string_view word) {
    std::string out;
    set_word_text(out, trim_right(word));
    return out;
}

Tokenizer::Tokenizer(const WordRules& rules, std::string_view text, size_t first, size_t last)
    : rules_(rules),
      text_(text),
      p_(first == 0 ? 0 : first - 1),
      end_(last == std::string_view::npos ? text.size() : std::min(last, text.size())) {}

// The byte after the end of the word that begins at p (its characters up to the first one whose
// rules end it, or the range's end), before its trailing characters are trimmed.
size_t Tokenizer::word_end(size_t p) const {
    size_t length = 0;
    char32_t previous = char_at(text_, p, length);
    WordScript script = WordScript::Neutral;
    script_changes(script, previous);
    for (size_t q = p + length; q < end_; q += length) {
        const char32_t c = char_at(text_, q, length);
        if (c == '.' && previous == '.') return q - 1;  // two dots end the word before the first
        previous = c;
        if (rules_.ends_word(c) || script_changes(script, c)) return q;
    }
    return end_;
}

bool Tokenizer::next(Word& word) {
    size_t length = 0;
    while (true) {
        while (p_ < end_ && rules_.cannot_start(char_at(text_, p_, length))) p_ += length;
        if (p_ >= end_) return false;
        const size_t p = p_;
        size_t q = word_end(p);  // one past the word
        while (q > p) {
            const size_t last = previous_char_start(text_, q);
            if (last < p || !rules_.trimmed(char_at(text_, last, length))) break;
            q = last;
        }
        if (q <= p) {  // nothing is left of it: the scan goes on after its first character
            char_at(text_, p_, length);
            p_ += length;
            continue;
        }
        p_ = q;
        if (text_[p] == '^') continue;
        word.first = p + 1;
        word.length = q - p;
        set_word_text(word.text, text_.substr(p, q - p));
        return true;
    }
}

// ---- Footers of forum and newsgroup texts ----

namespace {

// Index of the last character of the text that may start a word, or npos.
size_t last_word_char(const WordRules& rules, std::string_view t) {
    size_t length = 0;
    for (size_t i = t.size(); i > 0;) {
        const size_t c = previous_char_start(t, i);
        if (!rules.cannot_start(char_at(t, c, length))) return c;
        i = c;
    }
    return std::string_view::npos;
}

// A closing line whose last word begins with REPL ("Reply", "REPLIES: 3") is the reader's
// own footer: the text ends at the line feed before it.
std::string_view cut_reply_line(const WordRules& rules, std::string_view t) {
    size_t i = last_word_char(rules, t);
    if (i == std::string_view::npos) return t;
    size_t length = 0;
    while (i > 0) {
        const size_t c = previous_char_start(t, i);
        const char32_t cp = char_at(t, c, length);
        if (rules.cannot_start(cp) || rules.ends_word(cp)) break;
        i = c;
    }
    if (ascii_upper(t.substr(i, 4)) != "REPL") return t;
    const size_t lf = t.rfind('\n', i);
    if (lf == std::string_view::npos || lf == 0) return t;
    return t.substr(0, lf);
}

// A signature: the last paragraph, when an empty or separator-only line stands before it. The
// characters below "0" are ASCII, so the walk goes by bytes.
std::string_view cut_signature(const WordRules& rules, std::string_view t) {
    size_t i = last_word_char(rules, t);
    if (i == std::string_view::npos) return t;
    while (true) {
        const size_t lf = t.rfind('\n', i);
        if (lf == std::string_view::npos) return t;
        size_t k = lf + 1;  // one past the character being looked at
        int feeds = 0;
        while (k > 0 && at(t, k - 1) < '0') {
            if (t[k - 1] == '\n') ++feeds;
            --k;
        }
        if (k < 2) return t;
        if (feeds >= 2) return t.substr(0, k);
        i = k - 1;
    }
}

}  // namespace

std::string_view forum_body(const WordRules& rules, std::string_view text, bool keep_footer) {
    text = trim_right(stored_text(text));
    if (keep_footer) return text;
    return cut_signature(rules, cut_reply_line(rules, text));
}

// ---- Header blocks of mail texts ----

namespace {

constexpr size_t kHeaderLines = 31;
constexpr size_t kMinRest = 15;
constexpr size_t kTypeWidth = 40;
constexpr size_t kBoundaryWindow = 161;
constexpr size_t kPartHeaderLines = 10;
constexpr std::string_view kNothing;

bool starts_nocase(std::string_view s, size_t at, std::string_view prefix) {
    return ascii_upper(s.substr(at, prefix.size())) == prefix;
}

size_t next_line(std::string_view t, size_t at) {
    const size_t lf = t.find('\n', at);
    return lf == std::string_view::npos ? t.size() : lf + 1;
}

// The blank line ending a header at or after `from`; returns the body start or npos.
size_t body_start(std::string_view t, size_t from) {
    const size_t crlf = t.find("\r\n\r\n", from);
    const size_t lf = t.find("\n\n", from);
    if (crlf == std::string_view::npos && lf == std::string_view::npos)
        return std::string_view::npos;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf))
        return crlf + 4;
    return lf + 2;
}

std::string_view boundary_of(std::string_view t, size_t type_end) {
    const std::string window = ascii_upper(t.substr(type_end, kBoundaryWindow));
    const size_t b = window.find("BOUNDARY=");
    if (b == std::string::npos) return {};
    size_t from = type_end + b + 9;
    if (from < t.size() && t[from] == '"') ++from;
    size_t to = from;
    while (to < t.size() && t[to] != '"' && at(t, to) > 13) ++to;
    return t.substr(from, to - from);
}

// Whether the part whose boundary line ends at `line` names text/plain in its header.
bool plain_part(std::string_view t, size_t line) {
    for (size_t n = 0; n < kPartHeaderLines && line < t.size(); ++n) {
        if (t[line] == '\r' || t[line] == '\n') return false;  // the part header ended
        if (ascii_upper(t.substr(line, kTypeWidth)).find("TEXT/PLAIN") != std::string::npos)
            return true;
        line = next_line(t, line);
    }
    return false;
}

// The text/plain parts of a multipart body: from the first one's body to the boundary line of
// the first later part that is not text/plain.
std::string_view plain_parts(std::string_view t, size_t type_end) {
    const std::string_view boundary = boundary_of(t, type_end);
    if (boundary.empty()) return kNothing;
    size_t from = t.find(boundary, type_end);  // the parameter itself
    if (from == std::string_view::npos) return kNothing;
    size_t first = std::string_view::npos;
    for (size_t b = t.find(boundary, from + boundary.size()); b != std::string_view::npos;
         b = t.find(boundary, b + boundary.size())) {
        const bool plain = plain_part(t, next_line(t, b));
        if (first == std::string_view::npos) {
            if (plain) first = body_start(t, b);
            if (first == std::string_view::npos && plain) return kNothing;
            continue;
        }
        if (!plain) {
            const size_t line = t.rfind('\n', b);
            const size_t end = line == std::string_view::npos ? b : line + 1;
            return end > first ? t.substr(first, end - first) : kNothing;
        }
    }
    return first == std::string_view::npos ? kNothing : t.substr(first);
}

// Cuts a uuencoded attachment off: the text ends at the first line beginning with "begin".
std::string_view cut_uuencoded(std::string_view body) {
    for (size_t line = 0; line < body.size(); line = next_line(body, line))
        if (body.substr(line, 5) == "begin") return body.substr(0, line);
    return body;
}

std::string_view with_uuencode_rule(std::string_view t, size_t start, std::string_view body) {
    if (ascii_upper(t.substr(0, start)).find("UUENCODE") == std::string::npos) return body;
    return cut_uuencoded(body);
}

}  // namespace

std::string_view mail_body(std::string_view text) {
    text = stored_text(text);
    size_t line = 0;
    for (size_t n = 0; n < kHeaderLines && text.size() - line >= kMinRest; ++n) {
        if (starts_nocase(text, line, "CONTENT-TYPE:")) {
            const size_t value = line + 13;
            const std::string type = ascii_upper(text.substr(value, kTypeWidth));
            if (type.find("MULTI") != std::string::npos) {
                const std::string_view parts = plain_parts(text, value);
                if (parts.empty()) return kNothing;
                const auto start = static_cast<size_t>(parts.data() - text.data());
                return with_uuencode_rule(text, start, parts);
            }
            if (type.find("TEXT/PLAIN") == std::string::npos) return kNothing;
        }
        if (starts_nocase(text, line, "CONTENT-TYPE:") ||
            starts_nocase(text, line, "MESSAGE-ID:") || starts_nocase(text, line, "X-MAILER:")) {
            const size_t start = body_start(text, line);
            if (start == std::string_view::npos) return kNothing;
            return with_uuencode_rule(text, start, text.substr(start));
        }
        const size_t lf = text.find('\n', line);
        if (lf == std::string_view::npos) return text;
        line = lf + 1;
    }
    return text;
}

MessageText message_text(const WordRules& rules, Kind kind, std::string_view subject,
                         std::string_view text, bool keep_footer) {
    MessageText m;
    m.subject = trim_right(cut_chars(subject, kSubjectWidth));
    m.body = kind == Kind::Mail ? mail_body(text) : forum_body(rules, text, keep_footer);
    return m;
}

}  // namespace qs::words
