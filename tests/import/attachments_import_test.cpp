// SPDX-License-Identifier: MIT
// Attachments through an import: streamed by the reader, held in the temporary import file,
// moved into the database with their message and kept once per content. Read back, they have
// the SHA-256 of the bytes streamed in.
#include <gtest/gtest.h>

#include <map>

#include "platform/vfs.h"
#include "storage/attachments.h"
#include "storage/content_hash.h"
#include "tests/import/import_home.h"

namespace qs {
namespace {

using testing::forum;
using testing::mail;

// A mail line with attachments ("name|type|bytes;...", see tests/support/line_reader.h).
std::string mail_with(const std::string& subject, const char* time, const std::string& attached) {
    return mail(subject.c_str(), "bob@example.org", "me@example.org", time,
                ("text of " + subject).c_str()) +
           "\t\t\t\t" + attached;
}

class Attachments : public testing::ImportHome {
protected:
    // Opens the attachment files of database `db` for the object's life.
    struct Open {
        Session& s;
        Open(Session& session, uint32_t db) : s(session) {
            EXPECT_TRUE(MakeCurrent(s, db));
            OP_CLOSE(s, kOpOpen, {kAttach, kAttData});
        }
        ~Open() { OP_CLOSE(s, kOpClose, {kAttach, kAttData}); }
    };

    std::vector<Attach> links_of(uint32_t db, uint32_t message) {
        Open open(h.s, db);
        std::vector<Attach> out;
        EXPECT_TRUE(AttachmentsOf(h.s, message, out));
        return out;
    }

    // The SHA-256 of the bytes read back, or the reason they could not be.
    std::string read_back(uint32_t db, const Attach& link) {
        Open open(h.s, db);
        ContentHash hash;
        Status st = ReadAttachment(h.s, link, [&](std::string_view b) {
            hash.update(b);
            return true;
        });
        return st ? hash.hex() : st.text();
    }

    // The contents kept in a database: hash -> chunks.
    std::map<std::string, uint32_t> contents(uint32_t db) {
        std::map<std::string, uint32_t> out;
        for (const AttData& d : all<AttData>(db, kAttData)) ++out[d.HASH.str()];
        return out;
    }

    uint32_t mail_id(const std::string& subject) {
        for (const Mail& m : all<Mail>(mailbox, kMail))
            if (m.SUBJECT.str() == subject) return m.MAILID;
        ADD_FAILURE() << "no mail " << subject;
        return 0;
    }
};

TEST_F(Attachments, EachIsReadBackWithTheHashOfItsBytesAndEveryContentIsKeptOnce) {
    // 130000 bytes: two whole chunks and the rest in a third.
    run(settings(write({mail_with("First", "10:00:00",
                                  "report.pdf|application/pdf|@130000:7;"
                                  "Grüße.txt|text/plain|hello\\nworld"),
                        mail_with("Second", "11:00:00",
                                  "copy.pdf|application/pdf|@130000:7;empty.bin|"
                                  "application/octet-stream|")})));
    const std::string pdf = testing::hash_of(130000, 7);
    const std::string note = ContentHash::of("hello\r\nworld");
    const std::string empty = ContentHash::of("");
    struct Want {
        const char* subject;
        uint32_t number;
        const char* name;
        const char* type;
        uint32_t size;
        const std::string& hash;
    } wants[] = {
        {"First", 1, "report.pdf", "application/pdf", 130000, pdf},
        {"First", 2, "Grüße.txt", "text/plain", 12, note},
        {"Second", 1, "copy.pdf", "application/pdf", 130000, pdf},
        {"Second", 2, "empty.bin", "application/octet-stream", 0, empty},
    };
    for (const Want& w : wants) {
        SCOPED_TRACE(std::string(w.subject) + " " + std::to_string(w.number));
        auto links = links_of(mailbox, mail_id(w.subject));
        ASSERT_EQ(links.size(), 2u);
        const Attach& a = links[w.number - 1];
        EXPECT_EQ(a.NUMBER, w.number);
        EXPECT_EQ(a.FILENAME.str(), w.name);
        EXPECT_EQ(a.CONTENTTYPE.str(), w.type);
        EXPECT_EQ(a.SIZE, w.size);
        EXPECT_EQ(a.HASH.str(), w.hash);
        EXPECT_EQ(read_back(mailbox, a), w.hash);
    }
    // The shared content once, in three chunks; the note in one; the empty one needs none.
    EXPECT_EQ(contents(mailbox), (std::map<std::string, uint32_t>{{pdf, 3}, {note, 1}}));
}

TEST_F(Attachments, RemovingAMessageKeepsTheContentsAnotherHoldsAndDropsTheRest) {
    run(settings(write({mail_with("First", "10:00:00", "a.bin|x/y|shared;b.bin|x/y|own"),
                        mail_with("Second", "11:00:00", "c.bin|x/y|shared")})));
    const uint32_t first = mail_id("First"), second = mail_id("Second");
    const std::string shared = ContentHash::of("shared");
    auto remove = [&](uint32_t message) {
        Open open(h.s, mailbox);
        ASSERT_FALSE(TransactionCheck(h.s, BeginTransaction(h.s, {kAttach, kAttData})));
        ASSERT_TRUE(RemoveAttachments(h.s, message, kRollback));
        ASSERT_TRUE(Commit(h.s));
    };
    remove(first);
    EXPECT_TRUE(links_of(mailbox, first).empty());
    EXPECT_EQ(links_of(mailbox, second).size(), 1u);
    EXPECT_EQ(contents(mailbox), (std::map<std::string, uint32_t>{{shared, 1}}));
    EXPECT_EQ(read_back(mailbox, links_of(mailbox, second)[0]), shared);
    remove(second);
    EXPECT_TRUE(all<Attach>(mailbox, kAttach).empty());
    EXPECT_TRUE(contents(mailbox).empty());
    remove(second);  // nothing left to remove is no failure
    EXPECT_TRUE(h.dialog.entries.empty());
}

// The attachment files live in the database's directory and go with it, also when a window of
// this process holds them open.
TEST_F(Attachments, RemovingTheDatabaseTakesItsAttachmentsWithIt) {
    run(settings(write({mail_with("First", "10:00:00", "a.bin|x/y|@100000:1")})));
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    const std::string dir = fs::join(h.s.mem.FileDir, h.s.mem.Dirnamn);
    ASSERT_TRUE(fs::exists(full_name(h.s, kAttData)));
    OP_CLOSE(h.s, kOpOpen, {kAttach, kAttData});
    EXPECT_TRUE(RemoveDatabase(h.s, mailbox));
    EXPECT_FALSE(fs::is_dir(dir));
    EXPECT_FALSE(h.s.slots[kAttach].file) << "closed";
    EXPECT_FALSE(h.s.slots[kAttData].file) << "closed";
}

// A message that is not stored brings no attachment, and the message after it gets its own only.
TEST_F(Attachments, AMessageNotStoredLeavesNoAttachmentBehind) {
    ImportSettings st = settings(write({
        mail_with("Kept", "10:00:00", "kept.txt|text/plain|kept"),
        mail_with("Kept", "10:00:00", "dup.txt|text/plain|duplicate's own"),  // a duplicate
        forum("Photo", 100, 0, "Lenses", "Ann Lee", "forum text") +
            "\t\t\t\tforum.txt|text/plain|not selected",
        mail_with("Next", "11:00:00", "next.txt|text/plain|next"),
    }));
    st.forum = false;
    ImportAccounting a = run(st);
    EXPECT_EQ(a.stored, 2u);
    EXPECT_EQ(a.duplicates, 1u);
    EXPECT_EQ(a.skipped, 1u);
    auto kept = links_of(mailbox, mail_id("Kept"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].FILENAME.str(), "kept.txt");
    auto next = links_of(mailbox, mail_id("Next"));
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].FILENAME.str(), "next.txt");
    EXPECT_EQ(contents(mailbox).size(), 2u);
    // The skipped message's bytes left the temporary file as well.
    OP_CLOSE(h.s, kOpOpen, {kATN, kATB});
    EXPECT_EQ(testing::record_count(h.s, kATN), 3u);  // the duplicate's was handed over
    EXPECT_EQ(testing::record_count(h.s, kATB), 3u);
    OP_CLOSE(h.s, kOpClose, {kATN, kATB});
}

// However a run ends part-way, a rerun of the same files stores each attachment once: a batch
// that reached the disk keeps its attachments with its mails, one that did not keeps neither.
TEST_F(Attachments, ARunCutShortAndARerunStoreEachAttachmentOnce) {
    std::vector<std::string> lines;
    for (int i = 0; i < 600; ++i) {
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:00", 8 + i / 60, i % 60);
        std::string attached = "a.txt|text/plain|content " + std::to_string(i % 50);
        if (i % 7 == 0) attached += ";b.bin|x/y|@70000:" + std::to_string(i % 3);
        lines.push_back(mail_with("Mail " + std::to_string(i), time, attached));
    }
    struct Case {
        const char* name;
        bool write_fails;  // the batch under way is lost, else the run is interrupted
    } cases[] = {{"interrupted", false}, {"a write fails", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempHome fresh;
        ASSERT_TRUE(StartUp(fresh.s, fresh.dir).ok);
        const uint32_t box = AddMailDatabase(fresh.s, {"Home", "me@example.org", {}});
        ImportSettings st = settings(write(lines));
        st.mailbox = box;
        vfs::FaultVfs fault;
        vfs::set_base(fault.vfs());
        {
            ImportProcessor p(fresh.s, st, factory());
            // Past the first commit, with a batch under way.
            while (p.accounting().stored < 450) ASSERT_EQ(p.step(), ImportProcessor::Result::More);
            if (c.write_fails) {
                fault.fail_after(1);
                ImportProcessor::Result r;
                while ((r = p.step()) == ImportProcessor::Result::More) {
                }
                EXPECT_EQ(r, ImportProcessor::Result::Failed);
            } else {
                EXPECT_TRUE(p.interrupt());
            }
            EXPECT_LT(p.accounting().stored, 600u);
        }
        fault.fail_after(0);
        vfs::set_base(nullptr);
        ImportProcessor p(fresh.s, st, factory());
        while (p.step() == ImportProcessor::Result::More) {
        }
        ASSERT_TRUE(MakeCurrent(fresh.s, box));
        OP_CLOSE(fresh.s, kOpOpen, {kMail, kAttach, kAttData});
        EXPECT_EQ(testing::record_count(fresh.s, kMail), 600u);
        EXPECT_EQ(testing::record_count(fresh.s, kAttach), 600u + 86u);
        EXPECT_EQ(testing::record_count(fresh.s, kAttData), 50u + 3u * 2u);  // 70000 bytes: 2
        Set(fresh.s, kMail, keys::MaiIdKey);
        while (Next(fresh.s, kMail)) {
            const Mail m = fresh.s.rec.Mail;
            const int i = std::stoi(m.SUBJECT.str().substr(5));
            std::vector<Attach> links;
            ASSERT_TRUE(AttachmentsOf(fresh.s, m.MAILID, links));
            ASSERT_EQ(links.size(), i % 7 == 0 ? 2u : 1u) << m.SUBJECT.str();
            EXPECT_EQ(links[0].HASH.str(), ContentHash::of("content " + std::to_string(i % 50)));
        }
        OP_CLOSE(fresh.s, kOpClose, {kMail, kAttach, kAttData});
    }
}

// A forum message imported again takes the attachments it brings, and the content it had goes
// when nothing else holds it; brought again without any, it keeps those it has.
TEST_F(Attachments, AMessageStoredAgainTakesTheAttachmentsItBrings) {
    ImportSettings st = settings(write(
        {forum("Photo", 100, 0, "Lenses", "Ann", "v1") + "\t\t\t\told.jpg|image/jpeg|old bytes"}));
    st.reimport = true;
    run(st);
    const uint32_t photo = FindDatabase(h.s, "Photo");
    st.files = {write({forum("Photo", 100, 0, "Lenses", "Ann", "v2") +
                       "\t\t\t\tnew.jpg|image/jpeg|new bytes;new2.jpg|image/jpeg|more"})};
    run(st);
    auto links = links_of(photo, 100);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].FILENAME.str(), "new.jpg");
    EXPECT_EQ(contents(photo).count(ContentHash::of("old bytes")), 0u);
    st.files = {write({forum("Photo", 100, 0, "Lenses", "Ann", "v3")})};
    run(st);
    EXPECT_EQ(links_of(photo, 100).size(), 2u);
    EXPECT_EQ(contents(photo).size(), 2u);
}

}  // namespace
}  // namespace qs
