// SPDX-License-Identifier: MIT
// Line reading for the mailbox readers.
#include "import/readers/mail_lines.h"
#include "import/mime/mime.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace qs {

namespace {

// Collects the bytes of one source line into queue entries, written in place: an entry is opened
// at the line's first byte, and a full one is marked as going on when another byte comes.
class LineSink {
public:
    explicit LineSink(LineQueue& q) : q_(q) {}
    void put(char c) { entry().push_back(c); }
    void append(std::string_view bytes) {
        while (!bytes.empty()) {
            std::string& e = entry();
            size_t n = std::min(bytes.size(), kQueueLine - e.size());
            e.append(bytes.data(), n);
            bytes.remove_prefix(n);
        }
    }
    // The line is complete: an empty line becomes an empty entry.
    void finish() {
        if (!open_) q_.emplace_back();
        open_ = false;
    }
    bool empty() const { return !open_; }
    bool full() const { return false; }
    void set_eol(std::string_view) {}
    static constexpr bool kPieces = false;
    // The character the "?=" test looks at: the last one written to the line.
    char last() const {
        if (open_) return q_.back().LINE.back();
        if (q_.empty()) return '\0';
        const TQ& t = q_.back();
        return t.SPLITLINE && !t.LINE.empty() ? t.LINE.back() : '\0';
    }

private:
    // The entry that takes the next byte.
    std::string& entry() {
        if (open_ && q_.back().LINE.size() == kQueueLine) {
            q_.back().SPLITLINE = 1;
            open_ = false;
        }
        if (!open_) {
            q_.emplace_back();
            open_ = true;
        }
        return q_.back().LINE;
    }

    LineQueue& q_;
    bool open_ = false;
};

// Collects one source line, or a piece of it, into a string for the message parser.
class PieceSink {
public:
    PieceSink(SourceLine& line, size_t max) : line_(line), max_(max) {}
    void put(char c) { line_.bytes.push_back(c); }
    void append(std::string_view bytes) { line_.bytes.append(bytes); }
    void finish() {}
    bool empty() const { return line_.bytes.empty(); }
    bool full() const { return line_.bytes.size() >= max_; }
    char last() const { return line_.bytes.empty() ? line_.last : line_.bytes.back(); }
    void set_eol(std::string_view eol) { line_.eol = eol; }
    static constexpr bool kPieces = true;

private:
    SourceLine& line_;
    size_t max_;
};

enum class Escape { None, Byte, SoftBreak };

// Handles an "=" at the cursor: an ordinary character (nothing consumed), a decoded or dropped
// pair, or a soft break that joins the next source line to this one.
template <class Sink>
Escape escape(StreamBuffer& b, Sink& line, const LineRules& r) {
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

// The bytes that interrupt a run of ordinary bytes: line ends, "=" when some rule undoes it, and
// the first byte of a marker that ends the message anywhere. Runs are measured 16 bytes at a
// time (the compiler's vector types: SSE2 on x86-64, NEON on ARM), the last few one by one.
class RunBreaks {
public:
    RunBreaks(const LineRules& r, std::string_view marker) {
        char bytes[4] = {'\r', '\n', '\n', '\n'};  // repeats cost nothing but a compare
        if (r.decode_pairs || r.soft_breaks || r.drop_space_pairs) bytes[2] = '=';
        if (!marker.empty()) bytes[3] = marker.front();
        for (int i = 0; i < 4; ++i) {
            bytes_[i] = static_cast<unsigned char>(bytes[i]);
            for (auto& lane : lanes_[i]) lane = bytes_[i];
        }
    }
    // The number of bytes before the first one that interrupts (all of `w` when none does).
    size_t run(std::string_view w) const {
        const auto* p = reinterpret_cast<const unsigned char*>(w.data());
        size_t n = 0;
        for (; n + sizeof(Lanes) <= w.size(); n += sizeof(Lanes)) {
            Lanes v, l[4];
            std::memcpy(&v, p + n, sizeof v);
            std::memcpy(l, lanes_, sizeof l);
            const auto hit = (v == l[0]) | (v == l[1]) | (v == l[2]) | (v == l[3]);
            uint64_t half[2];
            std::memcpy(half, &hit, sizeof half);
            if (half[0]) return n + first_byte(half[0]);
            if (half[1]) return n + 8 + first_byte(half[1]);
        }
        while (n < w.size() && !breaks(p[n])) ++n;
        return n;
    }

private:
    using Lanes = unsigned char __attribute__((vector_size(16)));
    // The place in memory order of the first byte that is not 0.
    static size_t first_byte(uint64_t m) {
        const int bits =
            std::endian::native == std::endian::little ? std::countr_zero(m) : std::countl_zero(m);
        return static_cast<size_t>(bits) / 8;
    }
    bool breaks(unsigned char c) const {
        return c == bytes_[0] || c == bytes_[1] || c == bytes_[2] || c == bytes_[3];
    }
    // Made for every line read: four bytes and their lanes, no table of all 256.
    unsigned char bytes_[4] = {};
    unsigned char lanes_[4][16];
};

// Whether the message ends at the cursor, for the two ways of asking.
struct StopAtLines {
    const LineStop& stop;
    bool ends(const StreamBuffer& b, bool line_start) const {
        if (line_start && stop.ends_at_line_start(b)) return true;
        return !stop.marker().empty() && b.looking_at(stop.marker());
    }
    static constexpr bool kRuns = true;
};

struct StopAtBytes {
    const StopTest& stop;
    bool ends(const StreamBuffer& b, bool line_start) const { return stop && stop(b, line_start); }
    static constexpr bool kRuns = false;  // the test must see every byte
};

template <class Stop, class Sink>
LineEnd read_line_until(StreamBuffer& b, Sink& line, const LineRules& rules, const Stop& stop,
                        const RunBreaks& breaks, bool first = true) {
    for (;;) {
        if (b.at_end() || stop.ends(b, first)) {
            if (!line.empty()) line.finish();
            return b.at_end() ? LineEnd::EndOfFile : LineEnd::Stop;
        }
        if constexpr (Sink::kPieces) {
            if (line.full()) return LineEnd::Piece;
        }
        first = false;
        if constexpr (Stop::kRuns) {
            std::string_view w = b.ahead();
            if (size_t n = breaks.run(w)) {
                line.append(w.substr(0, n));
                b.advance(n);
                continue;
            }
        }
        if (size_t n = line_end_at(b)) {
            line.set_eol(n == 2 ? "\r\n" : b.peek() == '\n' ? "\n" : "\r");
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

}  // namespace

size_t line_end_at(const StreamBuffer& b, size_t ahead) {
    int c = b.peek(ahead);
    if (c == '\r') return b.peek(ahead + 1) == '\n' ? 2 : 1;
    return c == '\n' ? 1 : 0;
}

void skip_line(StreamBuffer& b) {
    static const RunBreaks kLineEnds(kPlainLines, {});
    for (;;) {
        std::string_view w = b.ahead();
        if (w.empty()) return;
        size_t n = kLineEnds.run(w);
        b.advance(n);
        if (n < w.size()) break;
    }
    b.advance(line_end_at(b));
}

LineEnd read_line(StreamBuffer& b, LineQueue& q, const LineRules& rules, const LineStop& stop) {
    LineSink line(q);
    return read_line_until(b, line, rules, StopAtLines{stop}, RunBreaks(rules, stop.marker()));
}

LineEnd read_line(StreamBuffer& b, LineQueue& q, const LineRules& rules, const StopTest& stop) {
    LineSink line(q);
    return read_line_until(b, line, rules, StopAtBytes{stop}, RunBreaks(rules, {}));
}

LineEnd read_line(StreamBuffer& b, SourceLine& line, const LineRules& rules, const LineStop& stop,
                  size_t max) {
    const bool first = !line.goes_on;
    if (first) line.last = '\0';
    line.bytes.clear();
    line.eol = {};
    PieceSink sink(line, max);
    const LineEnd end =
        read_line_until(b, sink, rules, StopAtLines{stop}, RunBreaks(rules, stop.marker()), first);
    line.goes_on = end == LineEnd::Piece;
    if (!line.bytes.empty()) line.last = line.bytes.back();
    return end;
}

}  // namespace qs
