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
    std::string bytes = pattern(35017);
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
    std::string bytes = pattern(25000);
    TempFile f(bytes);
    StreamBuffer b;
    ASSERT_TRUE(b.open(f.path()));
    for (size_t at : {9990u, 10000u, 19995u}) {
        b.advance(at - b.position());
        ASSERT_EQ(b.position(), at);
        EXPECT_TRUE(b.looking_at(bytes.substr(at, 20))) << at;
        EXPECT_EQ(b.peek(9), static_cast<unsigned char>(bytes[at + 9])) << at;
    }
    b.advance(100000);
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
        {"encoded word end kept", kQuotedLines, "=?iso-8859-1?Q?caf=E9?=\r\nnext",
         {"=?iso-8859-1?Q?caf\xE9?=", "next"}},
        {"netscape joins nothing", kNetscapeLines, "caf=E9 =41=\r\nnext",
         {"caf\xE9 =41=", "next"}},
        {"ie drops space pairs", kMarkerLines, "a=20b ?=20c=\r\nd", {"ab ? cd"}},
        {"eudora keeps bytes", kPlainLines, "caf=E9=\r\nx", {"caf=E9=", "x"}},
        {"equals at the end of the file", kQuotedLines, "end=", {"end="}},
        {"equals and one character", kQuotedLines, "end=E", {"end=E"}},
    };
    for (const auto& c : cases) {
        LineQueue q = lines_of(c.in, c.rules);
        std::vector<std::string> got;
        for (const auto& t : q) got.push_back(t.LINE);
        EXPECT_EQ(got, c.out) << c.name;
    }
}

TEST(ReaderLines, StopLeavesTheCursorOnTheStoppingBytes) {
    TempFile f("one\r\ntwo STOP three\r\n");
    StreamBuffer b;
    ASSERT_TRUE(b.open(f.path()));
    LineQueue q;
    const StopTest stop = [](const StreamBuffer& s, bool) { return s.looking_at("STOP"); };
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Newline);
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Stop);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[1].LINE, "two ");
    EXPECT_TRUE(b.looking_at("STOP"));
    EXPECT_EQ(read_line(b, q, kPlainLines, stop), LineEnd::Stop);
    EXPECT_EQ(q.size(), 2u) << "nothing read, nothing added";
}

}  // namespace
}  // namespace qs
