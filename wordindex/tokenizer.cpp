// SPDX-License-Identifier: MIT
#include "wordindex/tokenizer.h"

#include <algorithm>

#include "platform/text.h"
#include "storage/config.h"

namespace qs::words {

namespace {

// THR:HEADING, stored as its two parts.
constexpr size_t kSubjectWidth = decltype(Threads::ALPHA)::size() + decltype(Threads::BETA)::size();
constexpr size_t kMailSubjectWidth = decltype(Mail::SUBJECT)::size();

unsigned char at(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

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

Tokenizer::Tokenizer(const WordRules& rules, std::string_view text, size_t first, size_t last)
    : rules_(rules),
      text_(text),
      p_(first == 0 ? 0 : first - 1),
      end_(last == std::string_view::npos ? text.size() : std::min(last, text.size())) {}

bool Tokenizer::next(Word& word) {
    // Positions are signed while a word is cut: its end may step back before its start.
    const auto e = static_cast<ptrdiff_t>(end_);
    while (true) {
        while (p_ < end_ && rules_.start[at(text_, p_)]) ++p_;
        if (p_ >= end_) return false;
        const auto p = static_cast<ptrdiff_t>(p_);
        ptrdiff_t q = p + 1;
        unsigned char previous = at(text_, p_);
        bool stopped = false;
        for (; q < e; ++q) {
            const unsigned char c = at(text_, static_cast<size_t>(q));
            if (c == '.' && previous == '.') {  // two dots end the word before the first
                q -= 2;
                stopped = true;
                break;
            }
            previous = c;
            if (rules_.inside[c]) {
                --q;
                stopped = true;
                break;
            }
        }
        if (!stopped) q = e - 1;
        while (q >= p && rules_.end[at(text_, static_cast<size_t>(q))]) --q;
        if (q < p) {
            ++p_;
            continue;
        }
        p_ = static_cast<size_t>(q) + 1;
        if (text_[static_cast<size_t>(p)] == '^') continue;
        const auto length = static_cast<size_t>(q - p + 1);
        word.first = static_cast<size_t>(p) + 1;
        word.length = length;
        word.text = upper1252(text_.substr(static_cast<size_t>(p), std::min(length, kMaxWord)));
        return true;
    }
}

// ---- Footers of forum and newsgroup texts ----

namespace {

// Index of the last character of the text that may start a word, or npos.
size_t last_word_char(const WordRules& rules, std::string_view t) {
    size_t i = t.size();
    while (i > 0 && rules.start[at(t, i - 1)]) --i;
    return i == 0 ? std::string_view::npos : i - 1;
}

// A closing line whose last word begins with REPL ("Reply", "REPLIES: 3") is the reader's
// own footer: the text ends at the line feed before it.
std::string_view cut_reply_line(const WordRules& rules, std::string_view t) {
    size_t i = last_word_char(rules, t);
    if (i == std::string_view::npos) return t;
    while (i > 0 && !rules.start[at(t, i - 1)] && !rules.inside[at(t, i - 1)]) --i;
    if (upper1252(t.substr(i, 4)) != "REPL") return t;
    const size_t lf = t.rfind('\n', i);
    if (lf == std::string_view::npos || lf == 0) return t;
    return t.substr(0, lf);
}

// A signature: the last paragraph, when an empty or separator-only line stands before it.
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
    text = trim_right(text.substr(0, std::min(text.size(), kMaxMemo)));
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
    return upper1252(s.substr(at, prefix.size())) == prefix;
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
    const std::string window = upper1252(t.substr(type_end, kBoundaryWindow));
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
        if (upper1252(t.substr(line, kTypeWidth)).find("TEXT/PLAIN") != std::string::npos)
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
    if (upper1252(t.substr(0, start)).find("UUENCODE") == std::string::npos) return body;
    return cut_uuencoded(body);
}

}  // namespace

std::string_view mail_body(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kMaxMemo));
    size_t line = 0;
    for (size_t n = 0; n < kHeaderLines && text.size() - line >= kMinRest; ++n) {
        if (starts_nocase(text, line, "CONTENT-TYPE:")) {
            const size_t value = line + 13;
            const std::string type = upper1252(text.substr(value, kTypeWidth));
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
    if (kind == Kind::Mail) {
        m.subject = trim_right(subject.substr(0, std::min(subject.size(), kMailSubjectWidth)));
        m.body = mail_body(text);
    } else {
        m.subject = trim_right(subject.substr(0, std::min(subject.size(), kSubjectWidth)));
        m.body = forum_body(rules, text, keep_footer);
    }
    return m;
}

}  // namespace qs::words
