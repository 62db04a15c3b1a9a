// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/readers/news_header.h"

namespace qs {
namespace {

struct ScanCase {
    const char* name;
    std::vector<std::string> lines;
    NewsClass kind;
    std::string reference;
    long lines_count;
    int ends_at;  // the line (1-based) that ended the header, 0 when none did
};

TEST(NewsHeaderScan, ClassReferenceLinesAndEnd) {
    const std::string long_id = "<" + std::string(70, 'x') + "@example>";
    const std::vector<ScanCase> cases = {
        {"last of three folded references",
         {"Newsgroups: a.b", "References: <r1@x>", " <r2@x>\t<r3@x>  ", "Subject: s", ""},
         NewsClass::Article,
         "<r3@x>",
         -1,
         5},
        {"In-Reply-To when there are no References",
         {"In-Reply-To: <p@x>", "Newsgroups: a.b", ""},
         NewsClass::Article,
         "<p@x>",
         -1,
         3},
        {"References win over In-Reply-To",
         {"References: <a@x> <b@x>", "In-Reply-To: <c@x>", "Newsgroups: a", ""},
         NewsClass::Article,
         "<b@x>",
         -1,
         4},
        {"an identifier is cut to 60 characters",
         {"Newsgroups: a", "References: <a@x> " + long_id, ""},
         NewsClass::Article,
         long_id.substr(0, 60),
         -1,
         3},
        {"Lines: 0", {"Newsgroups: a", "Lines: 0", ""}, NewsClass::Article, "", 0, 3},
        {"Lines without a number",
         {"Newsgroups: a", "Lines: many", ""},
         NewsClass::Article,
         "",
         -1,
         3},
        {"a subject first is a forum message",
         {"Subject: s", "From: Jane 7,1", "To: All", ""},
         NewsClass::Forum,
         "",
         -1,
         4},
        {"a subject first and newsgroups later is an article",
         {"Subject: s", "Newsgroups: a", ""},
         NewsClass::Article,
         "",
         -1,
         3},
        // A mail's header goes on past an empty line until it named its sender, date and
        // subject, or a receiver.
        {"mail header goes on to its receiver",
         {"From: a@x", "", "Subject: s", "", "To: b@x", "", "body"},
         NewsClass::Mail,
         "",
         -1,
         6},
        {"mail header ends once sender, date and subject are known",
         {"From: a@x", "Date: 1 Jan 1999", "Subject: s", ""},
         NewsClass::Mail,
         "",
         -1,
         4},
    };
    for (const ScanCase& c : cases) {
        NewsHeaderScan scan;
        int ended = 0;
        for (size_t i = 0; i < c.lines.size() && !ended; ++i)
            if (scan.line(c.lines[i])) ended = static_cast<int>(i + 1);
        EXPECT_EQ(scan.kind(), c.kind) << c.name;
        EXPECT_EQ(scan.reference(), c.reference) << c.name;
        EXPECT_EQ(scan.lines(), c.lines_count) << c.name;
        EXPECT_EQ(ended, c.ends_at) << c.name;
    }
}

// A file of lines that never name a sender or receiver must not become one endless header.
TEST(NewsHeaderScan, JunkHeaderEndsAfterItsLimit) {
    NewsHeaderScan scan;
    int n = 0;
    while (!scan.line(n % 2 ? "" : "junk") && n < 10 * NewsHeaderScan::kMaxLines) ++n;
    EXPECT_TRUE(scan.ended());
    EXPECT_LE(n, NewsHeaderScan::kMaxLines + 2);
}

}  // namespace
}  // namespace qs
