// SPDX-License-Identifier: MIT
// How an import ends when it cannot do all it was asked: another import in the same home, no
// message in the files, too little free space, a format that cannot be read here. Every message
// found is then either stored or counted and logged as not stored, and the run says it failed.
#include <gtest/gtest.h>

#include <algorithm>

#include "import/readers/registry.h"
#include "tests/import/import_home.h"
#include "tests/storage/child_process.h"

namespace qs {
namespace {

using testing::mail;

class ImportFaults : public testing::ImportHome {
protected:
    // `n` mails with subjects "<tag> 0" ... "<tag> n-1".
    std::string mails(const std::string& tag, int n) {
        std::vector<std::string> lines;
        for (int i = 0; i < n; ++i) {
            std::string subject = tag + " " + std::to_string(i);
            std::string time =
                "1" + std::to_string(i % 10) + ":" + std::to_string(10 + i % 50) + ":00";
            lines.push_back(mail(subject.c_str(), "bob@example.org", "me@example.org", time.c_str(),
                                 ("text of " + subject).c_str()));
        }
        return write(lines);
    }

    std::vector<std::string> subjects() {
        std::vector<std::string> out;
        for (const auto& m : all<Mail>(mailbox, kMail)) out.push_back(m.SUBJECT.str());
        std::sort(out.begin(), out.end());
        return out;
    }

    static size_t count_lines(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }
};

// The accounting every ending must keep, and a line in Log.txt for each message not stored.
void expect_accounted(const ImportAccounting& a, const std::string& log) {
    EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
    size_t lines = 0;
    for (size_t at = log.find("not stored: "); at != std::string::npos;
         at = log.find("not stored: ", at + 1))
        ++lines;
    EXPECT_EQ(lines, a.duplicates + a.skipped) << log;
}

TEST_F(ImportFaults, ASecondImportIntoTheHomeRefusesAtOnceAndTheFirstLosesNothing) {
    const std::string first = mails("First", 300), second = mails("Second", 200);
    ImportProcessor a(h.s, settings(first), factory());
    // The files are read, nothing is stored yet, and no record is held meanwhile.
    while (!a.store_phase()) ASSERT_EQ(a.step(), ImportProcessor::Result::More);
    ASSERT_EQ(a.accounting().stored, 0u);

    // Another run of the program over the same home, before the first one stores.
    const ImportSettings other = settings(second);
    storetest::Child child([&](storetest::Child& c) {
        testing::TestSession t(h.dir, "CFG");
        if (!StartUp(t.s, h.dir).ok) return 90;
        ImportProcessor b(t.s, other, factory());
        ImportProcessor::Result r;
        while ((r = b.step()) == ImportProcessor::Result::More) {
        }
        c.send(r == ImportProcessor::Result::Failed ? 1 : 0);
        c.send(static_cast<uint32_t>(b.accounting().stored));
        c.send(t.dialog.saw("Another import is running") ? 1 : 0);
        return 0;
    });
    ASSERT_TRUE(child.started());
    uint32_t failed = 0, stored = 0, told = 0;
    ASSERT_TRUE(child.receive(failed) && child.receive(stored) && child.receive(told));
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(failed, 1u) << "the second import went on";
    EXPECT_EQ(stored, 0u);
    EXPECT_EQ(told, 1u);

    ImportProcessor::Result r;
    while ((r = a.step()) == ImportProcessor::Result::More) {
    }
    EXPECT_EQ(r, ImportProcessor::Result::Done) << a.final_message();
    EXPECT_EQ(a.accounting().stored, 300u);
    EXPECT_EQ(subjects().size(), 300u);

    // Once the first is done, the second goes in whole.
    ImportAccounting again = run(settings(second));
    EXPECT_EQ(again.stored, 200u);
    EXPECT_EQ(subjects().size(), 500u);
}

TEST_F(ImportFaults, AnImportKilledMidwayLeavesNoLockBehind) {
    const ImportSettings st = settings(mails("Killed", 100));
    storetest::Child child([&](storetest::Child& c) {
        testing::TestSession t(h.dir, "CFG");
        if (!StartUp(t.s, h.dir).ok) return 90;
        ImportProcessor b(t.s, st, factory());
        b.step();  // started: holds what an import holds
        c.send(1);
        uint32_t never = 0;
        c.receive(never);  // killed meanwhile
        return 0;
    });
    uint32_t started = 0;
    ASSERT_TRUE(child.receive(started));
    child.kill();
    child.wait();
    ImportAccounting a = run(st);
    EXPECT_EQ(a.stored, 100u);
}

TEST_F(ImportFaults, NoMessageInTheFilesIsAFailureTheUserIsToldOf) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"an empty file", {}},
        {"comment lines only", {"# nothing here", "# nor here"}},
    };
    for (const auto& c : cases) {
        h.dialog.clear();
        ImportProcessor p(h.s, settings(write(c.lines)), factory());
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, ImportProcessor::Result::Failed) << c.name;
        EXPECT_EQ(p.final_message(), "No messages found in selected file(s)!") << c.name;
        EXPECT_TRUE(h.dialog.saw("No messages found in selected file(s)!\r\nImport unsuccessful!"))
            << c.name;
    }
}

// The free space seen by the run: plenty, until the check of `path` has been made `after` times.
struct LowSpace {
    std::string path;
    int after;
    int calls = 0;
    std::optional<uint64_t> operator()(const std::string& p) {
        if (p != path || calls++ < after) return uint64_t{1} << 40;
        return 4000000;
    }
};

TEST_F(ImportFaults, TooLittleFreeSpaceStopsTheRunAsAFailureAndARerunStoresTheRest) {
    constexpr int kMails = 300;
    struct Case {
        const char* name;
        bool parsing;  // the temporary directory runs low while reading, else the data directory
        uint8_t do_task;
        bool answer_ok;
        const char* asked;  // a part of the question, empty when none may be asked
    } cases[] = {
        {"storing, Cancel", false, 0, false, "too little to allow import"},
        {"storing, scheduled task", false, 2, false, ""},
        {"storing, OK goes on", false, 0, true, "too little to allow import"},
        {"reading, Cancel", true, 0, false, "too little for the temporary importfile"},
        {"reading, scheduled task", true, 2, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempHome fresh;
        ASSERT_TRUE(StartUp(fresh.s, fresh.dir).ok);
        uint32_t box = AddMailDatabase(fresh.s, {"Home", "me@example.org", {}});
        ImportSettings st = settings(mails(c.name, kMails));
        st.mailbox = box;
        fresh.s.mem.DoTask = c.do_task;
        fresh.dialog.script(std::vector<bool>(20, c.answer_ok));
        fresh.dialog.clear();
        ImportProcessor p(fresh.s, st, factory());
        p.set_free_space(LowSpace{c.parsing ? fresh.s.mem.TempDir : fresh.s.mem.FileDir, 1});
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        const ImportAccounting a = p.accounting();
        std::ifstream in(fresh.s.mem.Net + "/Log.txt");
        const std::string log((std::istreambuf_iterator<char>(in)), {});
        expect_accounted(a, log);
        // Stopped while reading, the rest of the file is never read.
        EXPECT_EQ(a.found == kMails, !c.parsing || c.answer_ok);
        if (*c.asked) {
            EXPECT_TRUE(fresh.dialog.saw(c.asked));
        } else {
            EXPECT_TRUE(fresh.dialog.entries.empty());
        }
        if (c.answer_ok) {
            EXPECT_EQ(r, ImportProcessor::Result::Done);
            EXPECT_EQ(a.stored, static_cast<uint64_t>(kMails));
            continue;
        }
        EXPECT_EQ(r, ImportProcessor::Result::Failed);
        EXPECT_NE(p.final_message(), "The import process has finished!");
        EXPECT_LT(a.stored, static_cast<uint64_t>(kMails));
        EXPECT_EQ(a.skipped, a.found - a.stored);
        EXPECT_EQ(fresh.s.mem.DoTask, c.do_task == 2 ? 6 : 0) << "a failed task run is marked";

        // With room again, a rerun stores what was left.
        fresh.s.mem.DoTask = 0;
        ImportProcessor rerun(fresh.s, st, factory());
        while ((r = rerun.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, ImportProcessor::Result::Done) << rerun.final_message();
        EXPECT_EQ(rerun.accounting().stored, kMails - a.stored);
        EXPECT_EQ(rerun.accounting().duplicates, a.stored);
    }
}

// A large import sets keys of the mail file aside while it stores, and compacts the file when
// it has stored them all. However the run ends, the file has every key afterwards: at once when the
// run ended itself, at the next open (which says so and builds them) when the program was killed.
TEST_F(ImportFaults, ALargeImportLeavesTheMailFileWithEveryKeyHoweverItEnds) {
    constexpr int kMails = 2100;
    struct Case {
        const char* name;
        enum { Finishes, StopsForSpace, Killed } ending;
    } cases[] = {{"finished", Case::Finishes},
                 {"stopped for lack of space", Case::StopsForSpace},
                 {"killed while storing", Case::Killed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempHome fresh;
        ASSERT_TRUE(StartUp(fresh.s, fresh.dir).ok);
        uint32_t box = AddMailDatabase(fresh.s, {"Home", "me@example.org", {}});
        std::vector<std::string> lines;  // senders out of their key's order
        for (int i = 0; i < kMails; ++i) {
            const std::string from = "p" + std::to_string(i * 7919 % kMails) + "@example.org";
            lines.push_back(mail(("Mail " + std::to_string(i)).c_str(), from.c_str(),
                                 "me@example.org", "10:00:00", "text"));
        }
        ImportSettings st = settings(write(lines));
        st.mailbox = box;
        if (c.ending == Case::Killed) {
            storetest::Child child([&](storetest::Child& k) {
                testing::TestSession t(fresh.dir, "CFG");
                if (!StartUp(t.s, fresh.dir).ok) return 90;
                ImportProcessor p(t.s, st, factory());
                while (p.accounting().stored < kMails / 2)
                    if (p.step() != ImportProcessor::Result::More) return 91;
                k.send(1);
                uint32_t never = 0;
                k.receive(never);  // killed meanwhile
                return 0;
            });
            uint32_t storing = 0;
            ASSERT_TRUE(child.receive(storing));
            child.kill();
            child.wait();
        } else {
            fresh.dialog.script(std::vector<bool>(20, false));
            ImportProcessor p(fresh.s, st, factory());
            if (c.ending == Case::StopsForSpace) p.set_free_space(LowSpace{fresh.s.mem.FileDir, 2});
            ImportProcessor::Result r;
            while ((r = p.step()) == ImportProcessor::Result::More) {
            }
            EXPECT_EQ(r == ImportProcessor::Result::Done, c.ending == Case::Finishes);
        }
        std::ifstream in(fresh.s.mem.Net + "/Log.txt");
        const std::string log((std::istreambuf_iterator<char>(in)), {});
        // (A killed run's log lines may not have reached the file: the open below tells.)
        if (c.ending != Case::Killed) {
            EXPECT_NE(log.find("keys of the mail file set aside"), std::string::npos);
            // The file of headers is compacted once all of the database's mails are stored.
            EXPECT_EQ(log.find("message headers compacted") != std::string::npos,
                      c.ending == Case::Finishes);
        }
        fresh.dialog.clear();
        ASSERT_TRUE(MakeCurrent(fresh.s, box));
        OP_CLOSE(fresh.s, kOpOpen, {kMail});
        EXPECT_EQ(fresh.dialog.saw("Bad keys"), c.ending == Case::Killed);
        // Every stored mail along the sender's key, in its order.
        uint64_t stored = 0;
        ASSERT_TRUE(RecordCount(fresh.s, kMail, stored));
        EXPECT_GT(stored, 100u);
        std::vector<std::string> along;
        Set(fresh.s, kMail, keys::MaiFromKey);
        while (Next(fresh.s, kMail)) along.push_back(fresh.s.rec.Mail.FROMALPHA.str());
        EXPECT_EQ(along.size(), stored);
        EXPECT_TRUE(std::is_sorted(along.begin(), along.end()));
        OP_CLOSE(fresh.s, kOpClose, {kMail});
    }
}

TEST_F(ImportFaults, OutlookMailEndsAsIfOutlookWereNotInstalled) {
    ImportSettings st = settings(write({}));
    st.format = "Outlook Mail";
    st.files = {"Inbox"};  // an Outlook folder
    ImportProcessor p(h.s, st, make_parser);
    ImportProcessor::Result r;
    while ((r = p.step()) == ImportProcessor::Result::More) {
    }
    EXPECT_EQ(r, ImportProcessor::Result::Failed);
    EXPECT_TRUE(h.dialog.saw("Fatal error. Outlook cannot be initialized."));
    EXPECT_FALSE(h.dialog.saw("reader"));
}

}  // namespace
}  // namespace qs
