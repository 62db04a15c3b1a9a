// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/mime/line_queue.h"
#include "import/mime/mime.h"

namespace qs {
namespace {

using Lines = std::vector<std::string>;

LineQueue queue_of(const Lines& lines) {
    LineQueue q;
    for (const std::string& l : lines) {
        push_line(q, l);
    }
    return q;
}

// The text that survives part selection, assembled without conversion.
std::string kept_text(const LineQueue& q) {
    std::string out;
    for (const TQ& e : q) {
        if (!is_removed(e)) {
            out += e.LINE + (e.SPLITLINE ? "" : "|");
        }
    }
    return out;
}

TEST(MimeLineQueue, CutsLongLinesIntoEntriesOf400) {
    struct Case {
        const char* fault;
        size_t length;
        std::vector<size_t> sizes;
        std::vector<uint8_t> splits;
    };
    const Case cases[] = {
        {"a 1,000-character line loses its tail", 1000, {400, 400, 200}, {1, 1, 0}},
        {"a 400-character line gets an empty entry that ends a header", 400, {400}, {0}},
        {"a 401-character line loses its last character", 401, {400, 1}, {1, 0}},
        {"an empty line vanishes instead of ending the header", 0, {0}, {0}},
    };
    for (const Case& c : cases) {
        LineQueue q;
        push_line(q, std::string(c.length, 'x'));
        ASSERT_EQ(q.size(), c.sizes.size()) << c.fault;
        for (size_t i = 0; i < q.size(); ++i) {
            EXPECT_EQ(q[i].LEN(), c.sizes[i]) << c.fault;
            EXPECT_EQ(q[i].SPLITLINE, c.splits[i]) << c.fault;
        }
    }
}

// The readers' side of a 1 MB line is tested with the readers (mail_reader_test.cpp).
TEST(MimeLineQueue, OneMegabyteLineStaysBounded) {
    const std::string huge(1 << 20, 'm');
    LineQueue q;
    push_line(q, huge);
    push_line(q, "=?iso-8859-1?q?x?=");
    ASSERT_EQ(q.size(), (huge.size() + kQueueLine - 1) / kQueueLine + 1);
    EXPECT_EQ(q[q.size() - 2].SPLITLINE, 0);
    EXPECT_TRUE(find_boundary(huge, 1).go_on);
    EXPECT_TRUE(find_boundary(huge, huge.size() + 5).go_on);
    EXPECT_FALSE(select_part(q, 0, q.size(), "never-seen"));
    EXPECT_EQ(assemble_text(q, 0, q.size(), kPlainBody).size(), kTextLimit);
}

TEST(MimeBoundary, FindsQuotedAndBareBoundaries) {
    struct Case {
        const char* fault;
        std::string line;
        size_t start;
        const char* boundary;  // nullptr: not found
    };
    const std::string long_b(150, 'b');
    const std::string b100(100, 'b');
    const Case cases[] = {
        {"quoted boundary keeps its quotes",
         "Content-Type: multipart/alternative; boundary=\"=_abc123\"", 24, "=_abc123"},
        {"bare boundary misread", "\tboundary=----=_NextPart_000_0001", 1,
         "----=_NextPart_000_0001"},
        {"boundary upper-cased", "  BOUNDARY=\"MiXeD-Case\"", 1, "MiXeD-Case"},
        {"trailing ; and quote left on", "  boundary=\"b1\";", 1, "b1"},
        {"a two-character quoted boundary over-trimmed", "  boundary=\"b", 1, "\"b"},
        {"a key with no room after it taken", "Content-Type: multipart/mixed; boundary=", 24,
         nullptr},
        {"a line shorter than 10 searched", "boundary=", 1, nullptr},
        {"search ignores its start", "boundary=early; more text", 5, nullptr},
        {"a long boundary overruns 100 characters", "  boundary=" + long_b, 1, b100.c_str()},
    };
    for (const Case& c : cases) {
        BoundaryResult r = find_boundary(c.line, c.start);
        if (c.boundary == nullptr) {
            EXPECT_TRUE(r.go_on) << c.fault;
            EXPECT_EQ(r.boundary, "") << c.fault;
        } else {
            EXPECT_FALSE(r.go_on) << c.fault;
            EXPECT_EQ(r.boundary, c.boundary) << c.fault;
        }
    }
}

struct SelectCase {
    const char* fault;
    const char* boundary;
    Lines lines;
    const char* kept;  // kept lines, "|" after each
    bool html;
};

const SelectCase kSelectCases[] = {
    {"multipart/alternative keeps the HTML part instead of the first, plain one",
     "=_b1",
     {"Preamble.", "--=_b1", "Content-Type: text/plain; charset=us-ascii", "", "Plain body.", "",
      "--=_b1", "Content-Type: text/html", "", "<p>Html body</p>", "--=_b1--", "epilogue"},
     "Preamble.|Plain body.||",
     false},
    {"an HTML part first is not chosen as HTML",
     "=_b1",
     {"--=_b1", "Content-Type: TEXT/HTML; charset=iso-8859-1", "", "<p>Html</p>", "--=_b1",
      "Content-Type: text/plain", "", "Plain", "--=_b1--"},
     "<p>Html</p>|",
     true},
    {"nested multipart: the inner boundary is not followed",
     "outer_0001",
     {"--outer_0001", "Content-Type: multipart/alternative;", "\tboundary=\"inner_0002\"", "",
      "--inner_0002", "Content-Type: text/plain", "", "Inner plain.", "--inner_0002",
      "Content-Type: text/html", "", "<b>x</b>", "--inner_0002--", "--outer_0001",
      "Content-Type: application/pdf", "", "JVBERi0x", "--outer_0001--"},
     "Inner plain.|",
     false},
    {"nested boundary on the Content-Type line itself is missed",
     "outer_0001",
     {"--outer_0001", "Content-Type: multipart/related; boundary=\"inner_0002\"", "",
      "--inner_0002", "Content-Type: text/html", "", "<p>x</p>", "--inner_0002--"},
     "<p>x</p>|",
     true},
    {"a part without Content-Type kept",
     "=_b1",
     {"--=_b1", "Content-Transfer-Encoding: 7bit", "", "Untyped body.", "--=_b1",
      "Content-Type: text/plain", "", "Typed body.", "--=_b1--"},
     "Typed body.|",
     false},
    {"only attachments: the preamble lost",
     "=_b1",
     {"Preamble.", "--=_b1", "Content-Type: image/png", "", "iVBORw0KGgo", "--=_b1--"},
     "Preamble.|",
     false},
    {"a boundary that never comes removes lines",
     "=_never",
     {"Line one.", "Line two with --other", "Line three."},
     "Line one.|Line two with --other|Line three.|",
     false},
    {"a nested multipart without boundary swallows the later text part",
     "=_b1",
     {"--=_b1", "Content-Type: multipart/alternative", "", "junk", "--=_b1",
      "Content-Type: text/plain", "", "Rescued.", "--=_b1--"},
     "Rescued.|",
     false},
};

TEST(MimePartSelection, KeepsTheFirstTextPart) {
    for (const SelectCase& c : kSelectCases) {
        LineQueue q = queue_of(c.lines);
        EXPECT_EQ(select_part(q, 0, q.size(), c.boundary), c.html) << c.fault;
        EXPECT_EQ(kept_text(q), c.kept) << c.fault;
    }
}

TEST(MimePartSelection, StaysWithinTheQueue) {
    LineQueue q = queue_of({"--=_b1", "Content-Type: text/plain", "", "body", "--=_b1"});
    // A last line past the queue and an empty boundary must neither read past it nor mark it all.
    EXPECT_FALSE(select_part(q, 0, q.size() + 10, "=_b1"));
    EXPECT_EQ(kept_text(q), "body|");
    LineQueue untouched = queue_of({"a", "b"});
    EXPECT_FALSE(select_part(untouched, 0, 2, ""));
    EXPECT_EQ(kept_text(untouched), "a|b|");
}

TEST(MimeTextAssembly, JoinsLinesByTheirMarks) {
    struct Case {
        const char* fault;
        LineQueue q;
        BodyKind kind;
        std::string text;
    };
    TQ removed{kRemoveMarker, 0};
    const Case cases[] = {
        {"leading empty lines kept",
         {{"", 0}, {"", 0}, {"a", 0}, {"", 0}, {"b", 0}},
         kPlainBody,
         "a\r\n\r\nb\r\n"},
        {"removed lines written", {removed, {"a", 0}, removed, {"b", 0}}, kPlainBody, "a\r\nb\r\n"},
        {"a split line not joined",
         {{std::string(400, 'x'), 1}, {"tail", 0}},
         kPlainBody,
         std::string(400, 'x') + "tail\r\n"},
        {"an HTML-looking plain body not converted",
         {{"<HTML><p>Hi</p></html>", 0}},
         kPlainBody,
         "Hi\r\n"},
        {"a plain body with a tag converted", {{"a <b> tag", 0}}, kPlainBody, "a <b> tag\r\n"},
        {"enriched body not converted", {{"<bold>Hi</bold>", 0}}, kEnrichedBody, "Hi\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(assemble_text(c.q, 0, c.q.size(), c.kind), c.text) << c.fault;
    }
}

TEST(MimeTextAssembly, HoldsTheTextLimitWithSplitLines) {
    // 175 source lines of 1,000 characters: 175,000 characters in entries of 400, 400 and 200.
    LineQueue q;
    for (int i = 0; i < 175; ++i) {
        push_line(q, std::string(1000, static_cast<char>('a' + i % 26)));
    }
    std::string text = assemble_text(q, 0, q.size(), kPlainBody);
    ASSERT_EQ(text.size(), kTextLimit);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.substr(0, 1002), std::string(1000, 'a') + "\r\n");
    EXPECT_EQ(text[63997], static_cast<char>('a' + 63 % 26));
    // Every line length lands at or under the limit, never over it.
    for (size_t len : {1u, 2u, 3u, 399u, 400u, 401u, 997u}) {
        LineQueue lq;
        for (size_t n = 0; n < 70000 / len + 2; ++n) {
            push_line(lq, std::string(len, 'z'));
        }
        std::string t = assemble_text(lq, 0, lq.size(), kPlainBody);
        EXPECT_LE(t.size(), kTextLimit) << len;
        EXPECT_GE(t.size(), kTextLimit - len - 2) << len;
        EXPECT_EQ(t.substr(t.size() - 2), "\r\n") << len;
    }
}

TEST(MimeTextAssembly, NothingMoreOnceFull) {
    LineQueue full;
    push_line(full, std::string(63996, 'x'));
    push_line(full, "more");
    EXPECT_EQ(assemble_text(full, 0, full.size(), kPlainBody), std::string(63996, 'x') + "\r\n");
    LineQueue almost;
    push_line(almost, std::string(63995, 'x'));
    push_line(almost, "more");
    std::string text = assemble_text(almost, 0, almost.size(), kPlainBody);
    EXPECT_EQ(text.size(), kTextLimit);
    EXPECT_EQ(text.substr(63995), "\r\nm\r\n");
}

TEST(MimeForumBody, EmbeddedMailHeaderTest) {
    struct Case {
        const char* line;
        bool header;
    };
    const Case cases[] = {
        {"From: someone", true},
        {"DATE: today", true},
        {"Sender: x", true},
        {"Sender x", false},
        {"Received: from", true},
        {"Receiver: x", false},
        {"Message-ID: <a@b>", true},
        {"Message: hi", false},
        {"Subject: hi", true},
        {"Subjects: hi", false},
        {"To: you", true},
        {"Toast", false},
        {"Hello", false},
        {"", false},
        {"from:", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_embedded_mail_header(c.line), c.header) << c.line;
    }
}

TEST(MimeForumBody, StripCharCleansEndsAndDropsMailHeaders) {
    struct Case {
        const char* fault;
        uint8_t kind;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"markers and line ends left at the ends", 1, "\r\n@bHello there@l\r\n@b", "Hello there"},
        {"a forum message loses header-like lines", 1, "From: a@b.example\r\n\r\nBody",
         "From: a@b.example\r\n\r\nBody"},
        {"a mail header block kept", 2,
         "From: a@b.example\r\nSubject: hi\r\n\r\n\r\nBody line\r\nSecond",
         "Body line\r\nSecond\r\n"},
        {"an HTML mail body not converted", 2,
         "To: x\r\nContent-Type: text/html\r\n\r\n<p>Hi &amp; bye</p>", "Hi & bye\r\n"},
        {"an HTML body found by its first line not converted", 2, "To: x\r\n\r\n<html><p>Hi</p>",
         "Hi\r\n"},
        {"a multipart mail body not reduced to its text part", 2,
         "From: x\r\nContent-Type: multipart/alternative; boundary=\"=_q1\"\r\n\r\n"
         "--=_q1\r\nContent-Type: text/plain\r\n\r\nPlain.\r\n--=_q1\r\n"
         "Content-Type: text/html\r\n\r\n<p>H</p>\r\n--=_q1--",
         "Plain.\r\n"},
        {"a header block without an empty line loses the whole text", 2, "To: you\r\nHello there",
         "To: you\r\nHello there"},
        {"a mail without headers changed", 2, "Dear Bob,\r\n\r\nThanks.",
         "Dear Bob,\r\n\r\nThanks."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripChar(c.kind, c.in), c.out) << c.fault;
    }
}

TEST(MimeForumBody, BoundaryOnALaterHeaderLine) {
    LineQueue q = queue_of({"Content-Type: multipart/mixed;", "  boundary=\"=_z9\"", "", "--=_z9",
                            "Content-Type: text/html", "", "<b>x</b>", "--=_z9--"});
    ForumBody fb = forum_body_mime(q, 0, q.size());
    EXPECT_EQ(fb.kind, kHtmlBody);
    EXPECT_EQ(fb.first_body, 3u);
    EXPECT_TRUE(fb.block_ended);
    EXPECT_EQ(kept_text(q), "Content-Type: multipart/mixed;|  boundary=\"=_z9\"||<b>x</b>|");
}

}  // namespace
}  // namespace qs
