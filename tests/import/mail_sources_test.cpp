// SPDX-License-Identifier: MIT
// The readers of today's mail sources: Unix mailboxes of every style, Maildir trees and single
// message files, read through a context that collects what they hand over.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "app/topics.h"
#include "import/address.h"
#include "import/catalogue.h"
#include "import/processor.h"
#include "import/readers/mail_header.h"
#include "import/readers/mail_places.h"
#include "import/readers/registry.h"
#include "import/readers/stream_buffer.h"
#include "import/session_context.h"
#include "storage/database_list.h"
#include "tests/support/counting_sink.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

class Collector : public SessionParseContext {
public:
    Collector(Session& s, ImportSettings settings)
        : SessionParseContext(s), settings_(std::move(settings)) {}
    const ImportSettings& settings() const override { return settings_; }
    uint32_t next_id() override { return next_++; }
    DatabaseRef lookup_database(const std::string&, bool) override {
        return {settings_.mailbox, true, kMailDb, 0, {}};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(NHR& h, const std::vector<CCT>&, const std::string&,
                     const std::string&) override {
        subjects.push_back(h.HEADING.str());
        texts.push_back(h.MSGTEXT.text);
        dates.push_back(h.DATE);
        places.push_back(h.PLACES.str());
        return true;
    }
    void skip_message(SkipReason reason, const std::string& what) override {
        skipped.push_back(std::string(skip_reason_text(reason)) + ": " + what);
    }
    AttachmentSink& attachments() override { return sink; }

    std::vector<std::string> subjects, texts, skipped, places;
    std::vector<int32_t> dates;
    testing::CountingSink sink;

private:
    ImportSettings settings_;
    uint32_t next_ = 300000;
};

std::string mail(const std::string& subject, const std::string& body = "Hello.\n") {
    return "From: Bob <bob@example.org>\nTo: me@example.org\nSubject: " + subject +
           "\nDate: Mon, 5 Jan 2026 10:00:30 +0000\n\n" + body;
}

class Sources : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        mailbox = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
        ASSERT_NE(mailbox, 0u);
        CheckOwnAddress(h.s, mailbox);
    }

    std::string write(const std::string& rel, const std::string& bytes) {
        const std::string path = h.dir + "/in/" + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    Collector read(const std::string& format, const std::string& path) {
        ImportSettings st;
        st.mailbox = mailbox;
        Collector c(h.s, st);
        auto p = make_parser(format);
        EXPECT_TRUE(p && p->open(c, path)) << format << " " << path;
        if (!p) return c;
        for (int steps = 0; !p->step(c, 2) && steps < 1000; ++steps) {
        }
        return c;
    }

    // A whole import run through the processor, into the mail database "Home".
    ImportAccounting import(ImportSettings st) {
        st.mailbox = mailbox;
        ImportProcessor p(h.s, st, make_parser);
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, ImportProcessor::Result::Done) << p.final_message();
        return p.accounting();
    }

    testing::TempHome h;
    uint32_t mailbox = 0;
};

struct MboxCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> subjects;
    std::vector<std::string> in_text;  // each in the text of the message of the same place
    std::vector<std::string> not_in_text;
};

TEST_F(Sources, UnixMailboxStyles) {
    const std::string cl_body =
        "Line one\n\nFrom bob@example.org Mon Jan  5 10:00:30 2026\nstill me\n";
    const std::string cl_header = "Content-Length: " + std::to_string(cl_body.size()) + "\n";
    const MboxCase cases[] = {
        {"separators of every kind",
         "From - Mon Jan  5 10:00:30 2026\n" + mail("dash") + "\n" +
             "From MAILER-DAEMON Mon Jan  5 10:00:31 2026\n" + mail("daemon") + "\n" + "From \n" +
             mail("bare") + "\n" + "From bob@example.org Mon Jan  5 10:00:32 2026\n" +
             mail("address"),
         {"dash", "daemon", "bare", "address"},
         {},
         {}},
        {"mboxrd unquotes one level",
         "From - Mon Jan  5 10:00:30 2026\n" + mail("rd", "Hi\n>From here on\n>>From there\n"),
         {"rd"},
         {"From here on"},
         {">From here", ">>From"}},
        {"an unquoted body line stays in the body",
         "From - Mon Jan  5 10:00:30 2026\n" + mail("o", "Hi\n\nFrom here on, we go.\n"),
         {"o"},
         {"From here on, we go."},
         {}},
        {"a right Content-Length outweighs a From line in the body",
         "From - Mon Jan  5 10:00:30 2026\nSubject: cl2\n" + cl_header + "\n" + cl_body + "\n" +
             "From - Mon Jan  5 10:00:31 2026\n" + mail("next"),
         {"cl2", "next"},
         {"still me"},
         {}},
        {"a wrong Content-Length is ignored",
         std::string("From - Mon Jan  5 10:00:30 2026\nSubject: short\nContent-Length: 3\n\n") +
             "Long body here\n\nFrom - Mon Jan  5 10:00:31 2026\nSubject: long\nContent-Length: "
             "99999\n\nBody\n\n" +
             "From - Mon Jan  5 10:00:32 2026\n" + mail("last"),
         {"short", "long", "last"},
         {"Long body here", "Body"},
         {"Subject"}},
        {"a Content-Length that ends inside a line is wrong",
         std::string("From - Mon Jan  5 10:00:30 2026\nSubject: mid\nContent-Length: 2\n\n") +
             "abFrom here\nmore text\n\nFrom - Mon Jan  5 10:00:32 2026\n" + mail("after"),
         {"mid", "after"},
         {"more text"},
         {}},
        // 2^64 - 84 points back to the first byte of the file, 84 bytes before the body.
        {"a Content-Length past any file size is wrong",
         std::string("From - Mon Jan  5 10:00:30 2026\nSubject: huge\n") +
             "Content-Length: 18446744073709551532\n\nkept\n\n" +
             "From - Mon Jan  5 10:00:32 2026\n" + mail("then"),
         {"huge", "then"},
         {"kept"},
         {}},
        {"CR LF lines, a deleted message passed over",
         "From - Mon Jan  5 10:00:30 2026\r\nX-Mozilla-Status: 0009\r\nSubject: gone\r\n\r\nx\r\n"
         "From - Mon Jan  5 10:00:31 2026\r\nX-Mozilla-Status: 0001\r\nSubject: kept\r\n\r\ny\r\n",
         {"kept"},
         {"y"},
         {}},
        {"text before the first message",
         "garbage\nFrom here\n\nFrom - Mon Jan  5 10:00:30 2026\n" + mail("first"),
         {"first"},
         {},
         {"garbage"}},
    };
    int n = 0;
    for (const MboxCase& c : cases) {
        SCOPED_TRACE(c.name);
        Collector got = read("Unix Mailbox", write("box" + std::to_string(++n), c.bytes));
        EXPECT_EQ(got.subjects, c.subjects);
        for (size_t i = 0; i < c.in_text.size() && i < got.texts.size(); ++i)
            EXPECT_NE(got.texts[i].find(c.in_text[i]), std::string::npos) << got.texts[i];
        for (const auto& absent : c.not_in_text)
            for (const auto& t : got.texts) EXPECT_EQ(t.find(absent), std::string::npos) << t;
    }
}

TEST_F(Sources, MessageWithoutDateHeaderIsDatedByItsEnvelope) {
    const std::string box =
        "From MAILER-DAEMON Fri Jul  8 12:08:34 2011\nSubject: undated\n\nx\n\n"
        "From - Fri Jul  8 12:08:34 2011\n" +
        mail("dated");
    Collector got = read("Unix Mailbox", write("undated", box));
    ASSERT_EQ(got.dates.size(), 2u);
    EXPECT_EQ(got.dates[0], parse_mail_date("8 Jul 2011", DateRule::Shape).date);
    EXPECT_EQ(got.dates[1], parse_mail_date("5 Jan 2026", DateRule::Shape).date);
}

TEST_F(Sources, MailboxBundleIsReadThroughItsMboxFile) {
    write("Inbox.mbox/mbox", "From - Mon Jan  5 10:00:30 2026\n" + mail("bundled"));
    write("Inbox.mbox/Info.plist", "<plist/>");
    EXPECT_EQ(read("Unix Mailbox", h.dir + "/in/Inbox.mbox").subjects,
              std::vector<std::string>{"bundled"});
}

TEST_F(Sources, MaildirTreeWithFlagsReadsCurAndNewOfEveryFolderButNotTmp) {
    write("Maildir/cur/1700000001.1.host:2,S", mail("seen"));
    write("Maildir/cur/1700000002.1.host:2,FR", mail("flagged and replied"));
    write("Maildir/new/1700000003.1.host", mail("new"));
    write("Maildir/tmp/1700000004.1.host", mail("being delivered"));
    write("Maildir/cur/.hidden", mail("not a message"));
    write("Maildir/.Work/cur/1700000005.1.host:2,", mail("work"));
    write("Maildir/.Work.Old/new/1700000006.1.host",
          "From - Mon Jan  5 10:00:30 2026\n" + mail("nested, with an envelope line"));
    write("Maildir/.Empty/tmp/1700000007.1.host", mail("in tmp only"));
    write("Maildir/subscriptions", "Work\n");
    Collector got = read("Maildir", h.dir + "/in/Maildir");
    EXPECT_EQ(got.subjects, (std::vector<std::string>{"seen", "flagged and replied", "new", "work",
                                                      "nested, with an envelope line"}));
    EXPECT_TRUE(got.skipped.empty());
}

TEST_F(Sources, NotAMaildirIsRefused) {
    write("plain/readme.txt", "hello");
    ImportSettings st;
    Collector c(h.s, st);
    EXPECT_FALSE(make_parser("Maildir")->open(c, h.dir + "/in/plain"));
}

TEST_F(Sources, UnreadableMessageFilesAreReportedAndTheRestRead) {
    write("Maildir/cur/1", mail("one"));
    const std::string gone = write("Maildir/cur/2", mail("two"));
    write("Maildir/cur/3", mail("three"));
    const std::string dangling = h.dir + "/in/Maildir/cur/4";
    std::filesystem::create_symlink(h.dir + "/in/nowhere", dangling);
    // A sub-folder that leads back to the top is not read a second time.
    std::filesystem::create_directory_symlink(h.dir + "/in/Maildir", h.dir + "/in/Maildir/.Loop");
    ImportSettings st;
    st.mailbox = mailbox;
    Collector c(h.s, st);
    auto p = make_parser("Maildir");
    ASSERT_TRUE(p->open(c, h.dir + "/in/Maildir"));
    std::filesystem::remove(gone);
    while (!p->step(c, 1)) {
    }
    EXPECT_EQ(c.subjects, (std::vector<std::string>{"one", "three"}));
    ASSERT_EQ(c.skipped.size(), 2u);
    EXPECT_NE(c.skipped[0].find(gone), std::string::npos);
    EXPECT_NE(c.skipped[1].find(dangling), std::string::npos);
}

TEST_F(Sources, EmlFilesOneMessageEachAndMhFoldersInNumberOrder) {
    const std::string eml = write("saved.eml", mail("saved"));
    EXPECT_EQ(read("EML Files", eml).subjects, std::vector<std::string>{"saved"});
    write("mh/10", mail("ten"));
    write("mh/9", mail("nine"));
    write("mh/.mh_sequences", "unseen: 9\n");
    write("mh/note.EML", mail("eml"));
    write("mh/outlook.msg", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "binary");
    Collector got = read("EML Files", h.dir + "/in/mh");
    EXPECT_EQ(got.subjects, (std::vector<std::string>{"nine", "ten", "eml"}));
    EXPECT_EQ(got.skipped.size(), 1u);  // the binary message is not text
}

TEST_F(Sources, ProfileTreeWithNestedFoldersImportsEveryFolderButNotItsIndexes) {
    const std::string box = "From - Mon Jan  5 10:00:30 2026\r\n";
    write("Mail/Local Folders/Inbox", box + mail("inbox"));
    write("Mail/Local Folders/Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n");
    write("Mail/Local Folders/Trash", "");
    write("Mail/Local Folders/Archive.sbd/2025", box + mail("archived 2025"));
    write("Mail/Local Folders/Archive.sbd/2025.msf", "");
    write("Mail/Local Folders/Archive.sbd/2025.sbd/Q4", box + mail("last quarter"));
    write("Mail/Local Folders/Archive.sbd/2025.sbd/Q4.msf", "");
    write("Mail/Local Folders/Archive.sbd/2025.09", box + mail("a folder with a dot"));
    write("Mail/Local Folders/Archive.sbd/2025.09.msf", "");
    write("Mail/Local Folders/filterlog.html", "<html/>");
    write("Mail/Local Folders/notes", "From here on, no mailbox.\n");
    write("Mail/Local Folders/Gone.msf", "");
    ImportSettings st;
    st.format = "Unix Mailbox";
    st.selection = kDirectoryTree;
    st.path = h.dir + "/in/Mail";
    st.masks = format_by_name("Unix Mailbox")->mask;
    const ImportAccounting a = import(st);
    EXPECT_EQ(a.stored, 4u);
    EXPECT_EQ(a.found, 4u);
    EXPECT_EQ(a.bad_files, 0u);
    std::ifstream log(h.s.mem.Net + "/Log.txt");
    const std::string logged((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(logged.find("Gone.msf: an index without its mailbox, passed over"), std::string::npos)
        << logged;
}

TEST_F(Sources, ReimportingAMaildirStoresNothingTwice) {
    write("Maildir/cur/1:2,S", mail("one"));
    write("Maildir/new/2", mail("two", "Another text.\n"));
    write("Maildir/.Work/cur/3:2,", mail("three", "A third text.\n"));
    ImportSettings st;
    st.format = "Maildir";
    st.selection = kSelectedFiles;
    st.files = {h.dir + "/in/Maildir"};
    EXPECT_EQ(import(st).stored, 3u);
    const ImportAccounting again = import(st);
    EXPECT_EQ(again.stored, 0u);
    EXPECT_EQ(again.duplicates, 3u);
}

// Where the mail program kept each mail: its folder, its labels, its marks, one per line.
TEST_F(Sources, FoldersLabelsAndMarksAreHandedOverWithEachMail) {
    const std::string box = "From - Mon Jan  5 10:00:30 2026\n";
    write("Maildir/cur/1:2,S", mail("inbox, seen"));
    write("Maildir/.Work.Projects/cur/2:2,FRS", mail("flagged, replied, seen"));
    write("Maildir/.Entw&APw-rfe/new/3", mail("draft"));
    write("Maildir/.Work.Projects/.hidden", "");
    EXPECT_EQ(read("Maildir", h.dir + "/in/Maildir").places,
              (std::vector<std::string>{"Inbox\nSeen", "Entw\u00fcrfe",
                                        "Work/Projects\nFlagged\nReplied\nSeen"}));
    write("Mail/Local/Archive.sbd/2025.sbd/Q4", box + mail("nested"));
    write("Mail/Local/Archive.sbd/2025.sbd/Q4.msf", "");
    EXPECT_EQ(read("Unix Mailbox", h.dir + "/in/Mail/Local/Archive.sbd/2025.sbd/Q4").places,
              std::vector<std::string>{"Archive/2025/Q4"});
    write("Old.mbox/Work.mbox/mbox", box + mail("bundled"));
    EXPECT_EQ(read("Unix Mailbox", h.dir + "/in/Old.mbox/Work.mbox").places,
              std::vector<std::string>{"Old/Work"});
    const std::string takeout =
        box + "X-Gmail-Labels: Inbox,\"Work, old\",=?UTF-8?Q?K=C3=B6ln?=,inbox\n" +
        mail("labelled");
    write("takeout.mbox", takeout + "\n" + box + mail("no labels"));
    EXPECT_EQ(read("Unix Mailbox", h.dir + "/in/takeout.mbox").places,
              (std::vector<std::string>{"Inbox\nWork, old\nK\u00f6ln", ""}));
}

TEST(MailPlaces, ALongFolderPathKeepsItsEndAsTheTopicName) {
    const std::string path = "Archive/Customers/Northwind/Projects/2023/Quarterly reports";
    const std::string name = place_name(path);
    EXPECT_EQ(char_count(name), 40u);
    EXPECT_EQ(name, "\u2026" + path.substr(path.size() - 39));
    EXPECT_EQ(place_name("  Inbox "), "Inbox");
}

// The places become topics of the stored mail, with their counts; the same mail kept in two
// folders is stored once and found under both, and a reimport changes nothing.
TEST_F(Sources, PlacesBecomeTopicsOfTheStoredMailCountedOnce) {
    write("Maildir/cur/1:2,S", mail("one"));
    write("Maildir/.Work/cur/1:2,S", mail("one"));
    write("Maildir/.Work/new/2", mail("two", "Another text.\n"));
    ImportSettings st;
    st.format = "Maildir";
    st.selection = kSelectedFiles;
    st.files = {h.dir + "/in/Maildir"};
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(import(st).stored, run == 0 ? 2u : 0u);
        ASSERT_TRUE(MakeCurrent(h.s, mailbox));
        OP_CLOSE(h.s, kOpOpen, {kCodes, kSIndex});
        std::vector<std::pair<std::string, uint32_t>> counts;
        for (const Codes& c : ListCodes(h.s, kTopicCode))
            counts.emplace_back(c.INDEX.str(), c.COUNT);
        EXPECT_EQ(counts, (std::vector<std::pair<std::string, uint32_t>>{
                              {"Inbox", 1}, {"Seen", 1}, {"Work", 2}}))
            << "run " << run;
        EXPECT_EQ(RecountCodes(h.s, kTopicCode), 3);
        OP_CLOSE(h.s, kOpClose, {kCodes, kSIndex});
    }
}

// A mailbox the mail program changes while it is read: mail appended meanwhile waits for the
// next import; a file compacted in place stops being read, the rest reported as skipped; a file
// written anew under the same name leaves the one being read as it was.
TEST_F(Sources, AMailboxChangedWhileItIsReadNeverYieldsAMixedMessage) {
    const std::string box = "From - Mon Jan  5 10:00:30 2026\n";
    // Longer than a block: the reader holds no more than the message under way.
    const std::string body(StreamBuffer::kBlock + StreamBuffer::kBlock / 4, 'x');
    const std::string three = box + mail("one", body + "\n") + "\n" + box +
                              mail("two", body + "\n") + "\n" + box + mail("three", body + "\n");
    enum Change { Append, CutShort, Replace };
    struct Case {
        Change change;
        std::vector<std::string> subjects;
        size_t skipped;
    };
    const Case cases[] = {
        {Append, {"one", "two", "three"}, 0},
        {CutShort, {"one"}, 1},
        {Replace, {"one", "two", "three"}, 0},
    };
    for (const Case& c : cases) {
        const std::string path = write("changing.mbox", three);
        ImportSettings st;
        st.mailbox = mailbox;
        Collector got(h.s, st);
        auto p = make_parser("Unix Mailbox");
        ASSERT_TRUE(p->open(got, path));
        ASSERT_FALSE(p->step(got, 1));
        if (c.change == Append) std::ofstream(path, std::ios::app) << "\n" << box << mail("four");
        if (c.change == CutShort) std::filesystem::resize_file(path, 5000);
        if (c.change == Replace) {
            write("new.mbox", box + mail("other"));
            std::filesystem::rename(h.dir + "/in/new.mbox", path);
        }
        while (!p->step(got, 1)) {
        }
        EXPECT_EQ(got.subjects, c.subjects) << c.change;
        ASSERT_EQ(got.skipped.size(), c.skipped) << c.change;
        if (c.skipped) {
            EXPECT_NE(got.skipped[0].find("cut short"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qs
