// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "import/readers/mail_lines.h"

namespace qs {
namespace {

class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        char tmpl[] = "/tmp/qs-lines-XXXXXX";
        int fd = mkstemp(tmpl);
        close(fd);
        path_ = tmpl;
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// All lines of `bytes` read with `rules`.
LineQueue lines_of(const std::string& bytes, const LineRules& rules) {
    TempFile f(bytes);
    StreamBuffer b;
    EXPECT_TRUE(b.open(f.path()));
    LineQueue q;
    while (read_line(b, q, rules) == LineEnd::Newline) {
    }
    return q;
}

std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + (i * 7 + i / 26) % 26));
    return s;
}

TEST(StreamBuffer, ReadsEveryByteOfAFileLargerThanTheWindow) {
    std::string bytes = pattern(StreamBuffer::kWindow + StreamBuffer::kBlock * 3 / 4 + 17);
    TempFile f(bytes);
    StreamBuffer b;
    ASSERT_TRUE(b.open(f.path()));
    EXPECT_EQ(b.size(), bytes.size());
    std::string got;
    for (int c; (c = b.get()) >= 0;) got.push_back(static_cast<char>(c));
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(b.position(), bytes.size());
    EXPECT_TRUE(b.at_end());
    EXPECT_EQ(b.previous(), static_cast<unsigned char>(bytes.back()));
}

TEST(StreamBuffer, LooksAheadAcrossTheBlockBoundary) {
    const size_t k = StreamBuffer::kBlock;
    std::string bytes = pattern(k * 5 / 2);
    TempFile f(bytes);
    StreamBuffer b;
    ASSERT_TRUE(b.open(f.path()));
    for (size_t at : {k - 10, k, 2 * k - 5}) {
        b.advance(at - b.position());
        ASSERT_EQ(b.position(), at);
        EXPECT_TRUE(b.looking_at(bytes.substr(at, 20))) << at;
        EXPECT_EQ(b.peek(9), static_cast<unsigned char>(bytes[at + 9])) << at;
    }
    b.advance(bytes.size());
    EXPECT_TRUE(b.at_end());
    EXPECT_EQ(b.peek(), -1);
    EXPECT_FALSE(b.looking_at("a"));
}

TEST(StreamBuffer, MissingFileDoesNotOpen) {
    StreamBuffer b;
    EXPECT_FALSE(b.open("/nonexistent/quillstow/mailbox.mbx"));
    EXPECT_TRUE(b.at_end());
}

TEST(ReaderLines, ThousandCharacterLineBecomesThreeEntries) {
    std::string line = pattern(1000);
    LineQueue q = lines_of(line + "\r\nnext\r\n", kQuotedLines);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].LEN(), 400u);
    EXPECT_EQ(q[0].SPLITLINE, 1);
    EXPECT_EQ(q[1].LEN(), 400u);
    EXPECT_EQ(q[1].SPLITLINE, 1);
    EXPECT_EQ(q[2].LEN(), 200u);
    EXPECT_EQ(q[2].SPLITLINE, 0);
    EXPECT_EQ(q[0].LINE + q[1].LINE + q[2].LINE, line);
    EXPECT_EQ(q[3].LINE, "next");
}

TEST(ReaderLines, LineOfExactlyFourHundredIsOneEntry) {
    LineQueue q = lines_of(pattern(400) + "\n", kQuotedLines);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].SPLITLINE, 0);
}

TEST(ReaderLines, LineEndsOfEveryKindAndEmptyLinesAreEntries) {
    LineQueue q = lines_of("a\r\nb\nc\rd\r\n\r\ne", kPlainLines);
    std::vector<std::string> got;
    for (const auto& t : q) got.push_back(t.LINE);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

struct EscapeCase {
    const char* name;
    LineRules rules;
    const char* in;
    std::vector<std::string> out;
};

TEST(ReaderLines, QuotedPrintableRules) {
    const EscapeCase cases[] = {
        {"pairs from 80 decoded", kQuotedLines, "caf=E9 =41=3D=20x=09y", {"caf\xE9 =41= x y"}},
        {"lower-case pair stays", kQuotedLines, "=e9=7F", {"=e9=7F"}},
        {"soft break joins", kQuotedLines, "one=\r\ntwo=\nthree", {"onetwothree"}},
        {"encoded word end kept",
         kQuotedLines,
         "=?iso-8859-1?Q?caf=E9?=\r\nnext",
         {"=?iso-8859-1?Q?caf\xE9?=", "next"}},
        {"netscape joins nothing", kNetscapeLines, "caf=E9 =41=\r\nnext", {"caf\xE9 =41=", "next"}},
        {"ie drops space pairs", kMarkerLines, "a=20b ?=20c=\r\nd", {"ab ? cd"}},
        {"eudora keeps bytes", kPlainLines, "caf=E9=\r\nx", {"caf=E9=", "x"}},
        {"equals at the end of the file", kQuotedLines, "end=", {"end="}},
        {"equals and one character", kQuotedLines, "end=E", {"end=E"}},
        {"a lone equals sign joins", kQuotedLines, "=\r\nx", {"x"}},
        {"equals too near the line end", kQuotedLines, "x=4\ny=A", {"x=4", "y=A"}},
        {"soft break before the end of the file", kQuotedLines, "tail=\n", {"tail"}},
    };
    for (const auto& c : cases) {
        LineQueue q = lines_of(c.in, c.rules);
        std::vector<std::string> got;
        for (const auto& t : q) got.push_back(t.LINE);
        EXPECT_EQ(got, c.out) << c.name;
    }
}

// However many soft breaks follow each other, the joined line goes into entries of 400 that go
// on, and the queue holds no more than the line's bytes.
TEST(ReaderLines, EndlessSoftBreaksAreCutIntoSplitEntries) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += "0123456789=\r\n";
    LineQueue q = lines_of(bytes + "end\r\n", kQuotedLines);
    std::string joined;
    for (size_t i = 0; i < q.size(); ++i) {
        ASSERT_LE(q[i].LEN(), kQueueLine);
        EXPECT_EQ(q[i].SPLITLINE, i + 1 < q.size() ? 1 : 0) << i;
        joined += q[i].LINE;
    }
    EXPECT_EQ(q.size(), 26u);
    EXPECT_EQ(joined.size(), 10003u);
    EXPECT_EQ(joined.substr(joined.size() - 5), "89end");
}

TEST(ReaderLines, StopLeavesTheCursorOnTheStoppingBytes) {
    TempFile f("one\r\ntwo STOP three\r\n");
    StreamBuffer b;
    ASSERT_TRUE(b.open(f.path()));
    LineQueue q;
    const StopTest stop = [](const StreamBuffer& s, bool) {
        return s.looking_at("STOP");
    };
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Newline);
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Stop);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1].LINE, "two ");
    EXPECT_TRUE(b.looking_at("STOP"));
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Stop);
    EXPECT_EQ(q.size(), 2u) << "nothing read, nothing added";
}

// What reading a file to its end gave: the entries, how each line ended and where the cursor was.
struct Reading {
    std::vector<std::string> entries;
    std::vector<int> splits;
    std::vector<std::pair<LineEnd, uint64_t>> ends;
    bool operator==(const Reading&) const = default;
};

// Reads `bytes` with a message end at every line that begins "From ", asked either at line starts
// only (the readers' form, which takes runs of bytes) or before every byte. After a stop the
// reading goes on behind the "From ".
Reading read_with_stops(const std::string& bytes, const LineRules& rules, bool at_line_starts) {
    TempFile f(bytes);
    StreamBuffer b;
    EXPECT_TRUE(b.open(f.path()));
    const auto from = [](const StreamBuffer& s) {
        return s.looking_at("From ");
    };
    const LineStop lines = LineStop::at_line_start(from);
    const StopTest each = [](const StreamBuffer& s, bool line_start) {
        return line_start && s.looking_at("From ");
    };
    LineQueue q;
    Reading r;
    for (;;) {
        LineEnd e = at_line_starts ? read_line(b, q, rules, lines) : read_line(b, q, rules, each);
        r.ends.emplace_back(e, b.position());
        if (e == LineEnd::EndOfFile) break;
        if (e == LineEnd::Stop) b.advance(5);
    }
    for (const TQ& t : q) {
        r.entries.push_back(t.LINE);
        r.splits.push_back(t.SPLITLINE);
    }
    return r;
}

// Each piece is put so that it starts a few bytes before, at and after a block boundary of the
// reading window.
TEST(ReaderLines, PiecesAcrossBlockBoundariesReadAsByteByByte) {
    const std::string pieces[] = {
        "\r\n",         "=\r\n",       "=\n",      "=E9",        "?=\r\n", "\r\nFrom a@b\r\n",
        "\nFrom a@b\n", "=\r\nFrom x", "\r\n\r\n", "a=3D=20b\r",
    };
    const size_t boundaries[] = {StreamBuffer::kBlock, 2 * StreamBuffer::kBlock};
    for (const std::string& piece : pieces) {
        for (size_t boundary : boundaries) {
            for (size_t before = 0; before < 5; ++before) {
                // Lines of 97 characters, then one long line up to the piece.
                std::string bytes = "From me@here\n";
                while (bytes.size() + 98 + 500 < boundary - before) bytes += pattern(97) + "\n";
                bytes += pattern(boundary - before - bytes.size());
                bytes += piece + pattern(30) + "\r\n" + pattern(450);
                for (const LineRules& rules : {kQuotedLines, kPlainLines, kMarkerLines}) {
                    Reading runs = read_with_stops(bytes, rules, true);
                    EXPECT_EQ(runs, read_with_stops(bytes, rules, false))
                        << "piece " << ::testing::PrintToString(piece) << " at " << boundary << "-"
                        << before;
                    EXPECT_GT(runs.entries.size(), 50u);
                }
            }
        }
    }
}

TEST(ReaderLines, LineEndAndSeparatorAtTheBlockBoundary) {
    const size_t k = StreamBuffer::kBlock;
    // The CR ends the first block and the LF begins the second: one line end.
    Reading r = read_with_stops(pattern(k - 1) + "\r\nnext", kQuotedLines, true);
    // k - 1 characters in entries of 400, then "next"
    const size_t full = (k - 1) / 400, last = (k - 1) % 400;
    ASSERT_NE(last, 0u);
    ASSERT_EQ(r.entries.size(), full + 2);
    EXPECT_EQ(r.entries[full].size(), last);
    EXPECT_EQ(r.splits[full], 0);
    EXPECT_EQ(r.entries[full + 1], "next");
    EXPECT_EQ(r.ends[0], std::make_pair(LineEnd::Newline, uint64_t{k + 1}));
    // A message end whose line begins the second block stops there.
    r = read_with_stops(pattern(k - 1) + "\nFrom a@b\n", kQuotedLines, true);
    ASSERT_GE(r.ends.size(), 2u);
    EXPECT_EQ(r.ends[1], std::make_pair(LineEnd::Stop, uint64_t{k}));
    // A soft break split by the boundary joins the lines.
    r = read_with_stops(pattern(k - 2) + "=\r\njoined\n", kQuotedLines, true);
    std::string line;
    for (const std::string& e : r.entries) line += e;
    EXPECT_EQ(line, pattern(k - 2) + "joined");
    EXPECT_EQ(r.entries.size(), (k - 2 + 6 + 399) / 400);
    // A joined line still begins a source line: a message end right after the break is seen.
    r = read_with_stops(pattern(k - 2) + "=\r\nFrom a@b\n", kQuotedLines, true);
    EXPECT_EQ(r.ends[0], std::make_pair(LineEnd::Stop, uint64_t{k + 1}));
    EXPECT_EQ(r.entries.size(), (k - 2 + 399) / 400 + 1);  // the line, then the rest after "From "
}

TEST(ReaderLines, MarkerAnywhereEndsTheLineWhereItStands) {
    const std::string marker("\x7F\x00\x7F", 3);
    for (size_t before = 0; before < 3; ++before) {
        const size_t at = StreamBuffer::kBlock - before;
        TempFile f(pattern(at - 20) + "\r\n" + pattern(18) + marker + "rest\r\n");
        StreamBuffer b;
        ASSERT_TRUE(b.open(f.path()));
        LineQueue q;
        const LineStop stop = LineStop::anywhere(marker);
        while (read_line(b, q, kMarkerLines, stop) == LineEnd::Newline) {
        }
        EXPECT_EQ(b.position(), at) << before;
        EXPECT_TRUE(b.looking_at(marker));
        ASSERT_FALSE(q.empty());
        EXPECT_EQ(q.back().LINE, pattern(18));
    }
}

}  // namespace
}  // namespace qs
