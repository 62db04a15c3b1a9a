// SPDX-License-Identifier: MIT
// The news readers under the import processor: what a newsgroup or forum database holds after
// reading the files of each news program.
#include <algorithm>

#include "import/readers/registry.h"
#include "tests/import/import_home.h"

namespace qs {
namespace {

class NewsImport : public testing::ImportHome {
protected:
    ImportAccounting run_format(const std::string& format, const std::string& path,
                                ImportSettings st = {}) {
        st.format = format;
        st.selection = kSelectedFiles;
        st.files = {path};
        st.mailbox = mailbox;
        ImportProcessor p(h.s, st, [](const std::string& f) { return make_parser(f); });
        while (p.step() == ImportProcessor::Result::More) {
        }
        const ImportAccounting& a = p.accounting();
        EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
        return a;
    }
    std::string raw(const std::string& bytes) {
        std::string path = h.dir + "/news" + std::to_string(++inputs);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string sample(const char* name) {
        return std::string(QS_SOURCE_DIR) + "/samples/news/" + name;
    }
    // The messages of a database by number.
    std::vector<MsgNmbr> messages(const std::string& db) {
        const uint32_t id = FindDatabase(h.s, db);
        EXPECT_NE(id, 0u) << db;
        std::vector<MsgNmbr> m = all<MsgNmbr>(id, kMsgNmbr);
        std::sort(m.begin(), m.end(),
                  [](const MsgNmbr& a, const MsgNmbr& b) { return a.MSGNUMBER < b.MSGNUMBER; });
        return m;
    }
};

std::string article(const std::string& id, const std::string& refs, const std::string& body,
                    const std::string& group = "rec.test") {
    return "From " + id + "@example.org Mon Mar 11 09:15:00 1996\nFrom: " + id + " <" + id +
           "@example.org>\nNewsgroups: " + group + "\nSubject: Thread\n" +
           "Date: Mon, 11 Mar 1996 09:15:00 +0000\nMessage-ID: <" + id + "@x>\n" +
           (refs.empty() ? "" : "References: " + refs + "\n") + "\n" + body + "\n";
}

// The reply to the last of three identifiers joins its thread under it and is addressed to its
// author; a newsgroup's one section counts the group's messages; no person "Unknown" is left
// over once the answered message is found.
TEST_F(NewsImport, RepliesHangUnderTheLastReference) {
    const std::string file = raw(article("a", "", "root") + article("b", "<a@x>", "first") +
                                 article("c", "<gone@x>\n <a@x> <b@x>", "second"));
    ImportAccounting a = run_format("Unix News", file);
    EXPECT_EQ(a.stored, 3u);
    const std::vector<MsgNmbr> m = messages("rec.test");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].REFNUMBER, 0u);
    EXPECT_EQ(m[1].REFNUMBER, m[0].MSGNUMBER);
    EXPECT_EQ(m[2].REFNUMBER, m[1].MSGNUMBER);
    EXPECT_EQ(m[2].THREADNUMBER, m[0].THREADNUMBER);
    EXPECT_EQ(m[2].TOID, m[1].FROMID);
    const uint32_t db = FindDatabase(h.s, "rec.test");
    for (const Person& p : all<Person>(db, kPerson))
        EXPECT_NE(p.LASTNAME.str(), "Unknown") << "a receiver no message has";
    const std::vector<Sections> sections = all<Sections>(db, kSections);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].MSGCOUNT, 3u);
    // Read again: every article is known by its Message-ID.
    EXPECT_EQ(run_format("Unix News", file).duplicates, 3u);
}

// A reply whose parent is not in the archive goes to "Unknown" and joins its subject's thread.
TEST_F(NewsImport, AReplyWithoutItsParentGoesToUnknown) {
    run_format("Unix News", raw(article("r", "", "root") + article("o", "<missing@x>", "orphan")));
    const std::vector<MsgNmbr> m = messages("rec.test");
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].REFNUMBER, 0u);
    EXPECT_EQ(m[1].THREADNUMBER, m[0].THREADNUMBER);
    EXPECT_EQ(m[1].TOALPHA.str(), "Unknown");
    EXPECT_EQ(m[0].TOALPHA.str(), "All");
}

struct FormatCase {
    const char* format;
    const char* file;
    const char* group;
    size_t messages;
    // The text of the first message (without its last line ends), and a line the second one's
    // text holds.
    const char* first_text;
    const char* second_holds;
};

// Each news program's sample file: its articles land in their group, the reply under the
// message it answers, each body whole and no more.
TEST_F(NewsImport, EveryFormatThreadsItsSample) {
    const FormatCase cases[] = {
        {"Unix News", "unix-news.txt", "rec.photo.darkroom", 3,
         "At what temperature do you keep your developer?\r\nI have been working at 20 "
         "degrees, but my negatives\r\ncome out thin.",
         "21 degrees"},
        {"Agent News", "agent.txt", "comp.lang.c", 2,
         "How do I read a large file in fixed blocks without holding it all?",
         "fread with a buffer"},
        // "Lines: 0": the article ends at its header's empty line; the reply's "From:" line
        // lies within its "Lines: 3" and stays in its body.
        {"Netscape News", "netscape.snm", "alt.test.news", 2, "", "From: the top of the page"},
        {"Gravity", "gravity.txt", "sci.astro.amateur", 2,
         "The comet is visible low in the north-east after 9 pm.", "fine tail"},
        {"IE News", "ie-news.nch", "microsoft.public.test", 2, "First article in the store.",
         "Café au lait"},
    };
    for (const FormatCase& c : cases) {
        ImportAccounting a = run_format(c.format, sample(c.file));
        EXPECT_EQ(a.skipped, 0u) << c.format << "\n" << log_text();
        const std::vector<MsgNmbr> m = messages(c.group);
        ASSERT_EQ(m.size(), c.messages) << c.format;
        EXPECT_EQ(m[1].REFNUMBER, m[0].MSGNUMBER) << c.format;
        const uint32_t db = FindDatabase(h.s, c.group);
        std::string first = text_of(db, m[0].MSGNUMBER);
        first.erase(first.find_last_not_of("\r\n") + 1);
        EXPECT_EQ(first, c.first_text) << c.format;
        EXPECT_NE(text_of(db, m[1].MSGNUMBER).find(c.second_holds), std::string::npos)
            << c.format << ": " << text_of(db, m[1].MSGNUMBER);
    }
}

// A VirtualAccess file mixes forum messages and articles. A comment on a message more than
// 30,000 below loses its reference; each kind switched off is skipped and counted.
TEST_F(NewsImport, VirtualAccessForumAndSwitches) {
    ImportSettings no_forum;
    no_forum.forum = false;
    ImportAccounting a = run_format("VirtualAccess", sample("PHOTO"), no_forum);
    EXPECT_EQ(a.stored, 1u);
    EXPECT_EQ(a.skipped_by_reason["kind of message not selected"], 3u);
    EXPECT_EQ(FindDatabase(h.s, "PHOTOFORUM"), 0u);

    ImportSettings no_news;
    no_news.news = false;
    a = run_format("VirtualAccess", sample("PHOTO"), no_news);
    EXPECT_EQ(a.stored, 3u);
    EXPECT_EQ(a.skipped_by_reason["kind of message not selected"], 1u);
    const std::vector<MsgNmbr> m = messages("PHOTOFORUM");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].MSGNUMBER, 10000u);
    EXPECT_EQ(m[1].REFNUMBER, 10000u);  // 10005 comments on 10000
    EXPECT_EQ(m[2].MSGNUMBER, 50000u);
    EXPECT_EQ(m[2].REFNUMBER, 0u);                    // 40,000 apart
    EXPECT_EQ(m[2].THREADNUMBER, m[0].THREADNUMBER);  // joined by its subject
}

// Layouts met in real files: a UUCP site's bang path for the sender of the "From " line, the
// part headers of a multipart article (which begin no new article), groups parted by a blank.
TEST_F(NewsImport, LayoutsOfRealFiles) {
    const std::string multipart =
        "From: a@x\nNewsgroups: g.parts\nSubject: parts\nMessage-ID: <p@x>\n"
        "Content-Type: multipart/mixed; boundary=\"B\"\n\n--B\nContent-Type: text/plain\n\n"
        "the text\n--B\nContent-Type: text/plain; name=\"a.txt\"\n"
        "Content-Disposition: attachment; filename=\"a.txt\"\n\nattached\n--B--\n";
    const struct {
        const char* format;
        std::string bytes;
        const char* group;
        size_t messages;
    } cases[] = {
        {"Unix News",
         "From host!relay!news Mon May 03 19:13:55 1993\nNewsgroups: g.uucp\nSubject: a\n\nx\n\n"
         "From host!relay!news Mon May 03 19:14:00 1993\nNewsgroups: g.uucp\nSubject: b\n\ny\n",
         "g.uucp", 2},
        {"Gravity", multipart, "g.parts", 1},
        {"Netscape News", "From: a@x\nNewsgroups: g.first g.second\nSubject: s\n\nz\n", "g.first",
         1},
    };
    for (const auto& c : cases) {
        const ImportAccounting a = run_format(c.format, raw(c.bytes));
        EXPECT_EQ(a.found, c.messages) << c.format << "\n" << log_text();
        EXPECT_EQ(a.stored, c.messages) << c.format;
        EXPECT_EQ(messages(c.group).size(), c.messages) << c.format;
    }
}

// Damaged articles are skipped with their reason in the log; the articles around them are kept.
TEST_F(NewsImport, BadArticlesAreSkippedWithTheirReason) {
    const std::string good = article("g", "", "fine");
    const struct {
        const char* name;
        std::string bad;
        const char* reason;
    } cases[] = {
        {"NUL bytes", article("n", "", std::string("a\0b", 3)), "NUL bytes in the message"},
        {"long line", article("l", "", std::string(70000, 'x')), "a line of 70000 characters"},
        {"cut header", "From x@y Mon Mar 11 09:15:00 1996\nFrom: x@y\nNewsgroups: rec.test\n",
         "its header is cut off"},
    };
    for (const auto& c : cases) {
        ImportAccounting a = run_format("Unix News", raw(good + c.bad));
        EXPECT_EQ(a.found, 2u) << c.name;
        EXPECT_EQ(a.skipped_by_reason["damaged"], 1u) << c.name;
        EXPECT_NE(log_text().find(c.reason), std::string::npos) << c.name << "\n" << log_text();
    }
    // A file of no news style is not read at all.
    const ImportAccounting a = run_format("Unix News", raw("Subject: hello\n\nno separators\n"));
    EXPECT_EQ(a.bad_files, 1u);
    EXPECT_EQ(a.found, 0u);
}

}  // namespace
}  // namespace qs
