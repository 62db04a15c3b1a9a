// SPDX-License-Identifier: MIT
// Line reading for the mailbox readers.
#include "import/readers/mail_lines.h"
#include "import/readers/mime.h"

#include <string>

namespace qs {

namespace {

// Collects the bytes of one source line into queue entries.
class LineSink {
public:
    explicit LineSink(LineQueue& q) : q_(q) {}
    void put(char c) {
        if (cur_.size() == kQueueLine) {
            q_.push_back(TQ{cur_, 1});
            cur_.clear();
        }
        cur_.push_back(c);
        ++count_;
    }
    void finish() { q_.push_back(TQ{cur_, 0}); }
    bool empty() const { return count_ == 0; }
    // The character the "?=" test looks at: the last one written to the line.
    char last() const { return cur_.empty() ? (q_.empty() ? '\0' : last_of_queue()) : cur_.back(); }

private:
    char last_of_queue() const {
        const TQ& t = q_.back();
        return t.SPLITLINE && !t.LINE.empty() ? t.LINE.back() : '\0';
    }

    LineQueue& q_;
    std::string cur_;
    size_t count_ = 0;
};

enum class Escape { None, Byte, SoftBreak };

// Handles an "=" at the cursor: an ordinary character (nothing consumed), a decoded or dropped
// pair, or a soft break that joins the next source line to this one.
Escape escape(StreamBuffer& b, LineSink& line, const LineRules& r) {
    const bool after_question = line.last() == '?';
    if (r.soft_breaks && !after_question) {
        if (size_t n = line_end_at(b, 1)) {
            b.advance(1 + n);
            return Escape::SoftBreak;
        }
    }
    if (r.drop_space_pairs && !after_question && b.looking_at("=20")) {
        b.advance(3);
        return Escape::Byte;
    }
    if (!r.decode_pairs) return Escape::None;
    auto byte = hex_pair(static_cast<char>(b.peek(1)), static_cast<char>(b.peek(2)));
    if (!byte) return Escape::None;
    b.advance(3);
    line.put(static_cast<char>(*byte));
    return Escape::Byte;
}

}  // namespace

size_t line_end_at(const StreamBuffer& b, size_t ahead) {
    int c = b.peek(ahead);
    if (c == '\r') return b.peek(ahead + 1) == '\n' ? 2 : 1;
    return c == '\n' ? 1 : 0;
}

void skip_line(StreamBuffer& b) {
    while (!b.at_end() && line_end_at(b) == 0) b.advance();
    b.advance(line_end_at(b));
}

LineEnd read_line(StreamBuffer& b, LineQueue& q, const LineRules& rules, const StopTest& stop) {
    LineSink line(q);
    bool first = true;
    for (;;) {
        if (b.at_end() || (stop && stop(b, first))) {
            if (!line.empty()) line.finish();
            return b.at_end() ? LineEnd::EndOfFile : LineEnd::Stop;
        }
        first = false;
        if (size_t n = line_end_at(b)) {
            b.advance(n);
            line.finish();
            return LineEnd::Newline;
        }
        if (b.peek() == '=') {
            Escape e = escape(b, line, rules);
            // A joined line still begins a source line: a message end there is not missed.
            first = e == Escape::SoftBreak;
            if (e != Escape::None) continue;
        }
        line.put(static_cast<char>(b.get()));
    }
}

}  // namespace qs
