// SPDX-License-Identifier: MIT
// A purge cut short anywhere, as by a power cut (every write from some point on fails, the batch
// under way is lost), leaves an archive that a second run brings to exactly what one whole run
// makes, with every count right.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/vfs.h"
#include "tests/maintenance/purge_home.h"

namespace qs {
namespace {

class PurgeFaults : public testing::PurgeHome {
protected:
    struct Run {
        const char* what;
        uint32_t db;
        maint::PurgeRequest rq;
    };

    // A copy of the home, purged: cut at batch `cut` (none when negative), by a failing disk at
    // odd cuts and by the user (cancel, as Ctrl-C does) at even ones, and run again to the end in
    // a new session. `cut_reached` tells whether the run got that far.
    std::string purged_copy(const Run& run, int cut, bool& cut_reached) {
        testing::HomeDir copy;
        std::filesystem::copy(h.dir, copy.dir,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        cut_reached = false;
        if (cut >= 0) {
            vfs::FaultVfs fault;
            vfs::set_base(fault.vfs());
            {
                testing::TestSession t(copy.dir, "CFG");
                t.clock.set(h.clock.today(), 1);
                EXPECT_TRUE(StartUp(t.s, copy.dir).ok);
                EXPECT_TRUE(MakeCurrent(t.s, run.db));
                try {
                    maint::Purge p(t.s, run.rq);
                    int steps = 0;
                    while (steps < cut && p.step() == maint::Purge::Result::More) ++steps;
                    cut_reached = steps == cut;
                    if (cut % 2 == 0) {
                        p.cancel();
                        EXPECT_EQ(p.step(), maint::Purge::Result::Done);
                    } else {
                        fault.fail_after(1, true);
                        while (p.step() == maint::Purge::Result::More) {
                        }
                    }
                } catch (const Halt&) {
                    // The program would end here; the archive is what the disk holds.
                }
                fault.fail_after(0);
            }
            vfs::set_base(nullptr);
        }
        testing::TestSession t(copy.dir, "CFG");
        t.clock.set(h.clock.today(), 1);
        EXPECT_TRUE(StartUp(t.s, copy.dir).ok);
        EXPECT_TRUE(MakeCurrent(t.s, run.db));
        {
            maint::Purge p(t.s, run.rq);
            maint::Purge::Result r;
            while ((r = p.step()) == maint::Purge::Result::More) {
            }
            EXPECT_EQ(r, maint::Purge::Result::Done) << run.what << " rerun after cut " << cut;
        }
        maint::PurgeRequest check;
        check.purge = false;
        check.check = true;
        maint::Purge c(t.s, check);
        while (c.step() == maint::Purge::Result::More) {
        }
        EXPECT_TRUE(c.outcome().differences.empty()) << run.what << " cut " << cut;
        return testing::dump_database(t.s, run.db);
    }
};

TEST_F(PurgeFaults, APurgeCutAtAnyBatchAndRunAgainEndsAsOneWholeRunWould) {
    std::vector<std::string> posts;
    for (int t = 0; t < 8; ++t)
        for (int m = 0; m < 3; ++m) {
            const int number = 100 * (t + 1) + m;
            const char* date = t < 4 ? "2019-01-01" : "2020-05-30";
            posts.push_back(post(number, m ? 100 * (t + 1) : 0, "Thread " + std::to_string(t),
                                 m == 1 ? "bob" : "alice", date,
                                 "word" + std::to_string(number) + " shared"));
        }
    const uint32_t forum = import_forum(posts);
    index(forum);
    mark(forum, MarkTarget::Message, 101, kMarkKeep);
    mark(forum, MarkTarget::Thread, 501, kMarkDelete);
    mark(forum, MarkTarget::Message, 602, kMarkDelete);

    // Attachments: one content shared by a mail that goes and one that stays, one only on a
    // mail that goes.
    std::vector<std::string> lines;
    for (int i = 0; i < 12; ++i) {
        const std::string subject = "Mail " + std::to_string(i % 6);
        const std::string time = "10:" + std::to_string(10 + i) + ":00";
        std::string line = testing::mail(subject.c_str(), "bob@example.org", "me@example.org",
                                         time.c_str(), ("body " + subject).c_str());
        if (i % 4 == 0) line += "\t\t\t\ta.txt|text/plain|content " + std::to_string(i % 8);
        lines.push_back(line);
    }
    lines.push_back(
        testing::mail("Spam", "eve@example.org", "me@example.org", "11:00:00", "buy now", "Eve"));
    run(settings(write(lines)));
    // Twins of the first six mails as an older store holds them, seconds and all.
    for (int i = 6; i < 12; ++i)
        retime(mailbox, time_from_hms(10, 10 + i, 0), time_from_hms(10, 10 + i - 6, 30));
    index(mailbox);
    for (const Mail& m : all<Mail>(mailbox, kMail))
        if (m.SUBJECT.trimmed() == "Spam") mark(mailbox, MarkTarget::Partner, m.MAILID, 2);

    maint::PurgeRequest aged;
    aged.ageing = true;
    aged.weeks = 4;
    aged.batch = 2;
    maint::PurgeRequest plain;
    plain.batch = 2;
    const Run runs[] = {{"forum", forum, aged}, {"mail", mailbox, plain}};
    for (const Run& r : runs) {
        bool reached = false;
        const std::string whole = purged_copy(r, -1, reached);
        EXPECT_NE(whole, testing::dump_database(h.s, r.db)) << r.what << ": nothing purged";
        int cuts = 0;
        for (int cut = 0; cut < 200; ++cut) {
            const std::string got = purged_copy(r, cut, reached);
            if (!reached) break;
            ++cuts;
            EXPECT_EQ(got, whole) << r.what << " cut before batch " << cut;
        }
        EXPECT_GT(cuts, 10) << r.what;
    }
}

}  // namespace
}  // namespace qs
