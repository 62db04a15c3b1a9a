// SPDX-License-Identifier: MIT
// Reading the lines of a message from the reading window into the line queue, undoing the
// quoted-printable escapes the mail programs leave in their mailboxes as the lines go by.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "import/mime/line_queue.h"
#include "import/readers/stream_buffer.h"

namespace qs {

// How a reader treats "=" escapes. Most mailboxes are read with every rule on, whatever the
// headers of a message say; Netscape joins no lines; Eudora keeps its bytes as they are.
struct LineRules {
    bool decode_pairs = true;       // "=E9" becomes the byte 0xE9
    bool soft_breaks = true;        // "=" at a line end joins the next line
    bool drop_space_pairs = false;  // "=20" vanishes (the IE and Outlook Express 4 files)
};
inline constexpr LineRules kPlainLines{false, false, false};
inline constexpr LineRules kQuotedLines{true, true, false};
inline constexpr LineRules kNetscapeLines{true, false, false};
inline constexpr LineRules kMarkerLines{true, true, true};

// Says whether the bytes at the cursor end the message; asked before every byte, with
// `line_start` true at the first byte of a source line (also after a soft break).
using StopTest = std::function<bool(const StreamBuffer&, bool line_start)>;

// Where a message ends, for the readers: a test asked only where a source line begins (also
// after a soft break), and bytes that end the message wherever they stand. Between those places
// the line is taken in runs of ordinary bytes rather than byte by byte.
class LineStop {
public:
    LineStop() = default;
    // `test(const StreamBuffer&)` is kept by reference and must outlive the reading.
    template <class F>
    static LineStop at_line_start(const F& test) {
        LineStop s;
        s.test_ = &test;
        s.call_ = [](const void* t, const StreamBuffer& b) {
            return static_cast<bool>((*static_cast<const F*>(t))(b));
        };
        return s;
    }
    template <class F>
    static LineStop at_line_start(const F&& test) = delete;
    // `marker` (not empty) ends the message at any byte; its bytes must outlive the reading.
    static LineStop anywhere(std::string_view marker) {
        LineStop s;
        s.marker_ = marker;
        return s;
    }

    bool ends_at_line_start(const StreamBuffer& b) const { return call_ && call_(test_, b); }
    std::string_view marker() const { return marker_; }

private:
    const void* test_ = nullptr;
    bool (*call_)(const void*, const StreamBuffer&) = nullptr;
    std::string_view marker_;
};

enum class LineEnd { Newline, Stop, EndOfFile, Piece };

// Reads one source line into the queue (cut into entries of 400 characters). The line end is
// consumed and not kept; at a stop the cursor stays on the stopping bytes. Nothing is added when
// the line is empty and ended by the stop or the end of the file.
LineEnd read_line(StreamBuffer& b, LineQueue& q, const LineRules& rules, const LineStop& stop = {});
// The same with a test asked before every byte.
LineEnd read_line(StreamBuffer& b, LineQueue& q, const LineRules& rules, const StopTest& stop);

// A source line read for the message parser: the line without its line end, or, when the line
// is longer than the reader holds at once, the next piece of it.
struct SourceLine {
    std::string bytes;
    std::string_view eol;  // the line end found: "\r\n", "\n" or "\r"; empty for a piece
    bool goes_on = false;  // a piece was read: the next read goes on with the same line
    char last = '\0';      // the last character of the line so far (the "?=" test looks at it)
};
// A line longer than this reaches the parser in pieces.
inline constexpr size_t kLinePiece = 64 * 1024;

// Reads the next source line, or its next piece, into `line.bytes` (which is cleared first).
// Returns Newline at a line end, Piece when `max` bytes were read and the line goes on, Stop or
// EndOfFile where the message or the file ends (the cursor stays on the stopping bytes).
LineEnd read_line(StreamBuffer& b, SourceLine& line, const LineRules& rules, const LineStop& stop,
                  size_t max = kLinePiece);

// The length of the line end at the cursor: 2 for CR LF, 1 for a lone LF or CR, else 0.
size_t line_end_at(const StreamBuffer& b, size_t ahead = 0);
// Moves past the rest of the current line and its line end.
void skip_line(StreamBuffer& b);

}  // namespace qs
