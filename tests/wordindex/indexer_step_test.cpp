// SPDX-License-Identifier: MIT
// The indexer as a step machine: cut at any step, resumed by the next run, and a failure that
// stays.
#include <sys/wait.h>
#include <unistd.h>
#include "indexer_fixture.h"

#include "platform/vfs.h"

namespace qs::words {
namespace {

class IndexSteps : public IndexedDb {
protected:
    void SetUp() override {
        open_mail();
        std::vector<std::pair<std::string, std::string>> msgs;
        for (int i = 0; i < 60; ++i)
            msgs.push_back({"note " + std::to_string(i % 7), "w" + std::to_string(i) + " common"});
        add(msgs);
    }
    IndexRequest request(bool full) {
        IndexRequest rq;
        rq.type = type;
        rq.per_pass = 8;
        rq.full = full;
        rq.confirmed = full;
        return rq;
    }
};

TEST_F(IndexSteps, ARunCancelledAtAnyStepIsCompletedByTheNextRun) {
    ASSERT_EQ(INDEXFILE1(h.s, request(true)), kIndexFinished);
    const auto whole_words = words();
    const auto whole_entries = entries();
    ASSERT_EQ(whole_words.size(), 69u);  // NOTE, 0 to 6, W0 to W59, COMMON
    for (int cut = 1; cut <= 8; ++cut) {
        {
            Indexer run(h.s, request(true));
            for (int i = 0; i < cut; ++i) ASSERT_EQ(run.step(), Indexer::Result::More) << cut;
            EXPECT_TRUE(h.s.IndexingInProgress);
            run.cancel();
            Indexer::Result r;
            int more = 0;  // the passes write what is buffered, then the run ends
            while ((r = run.step()) == Indexer::Result::More) ASSERT_LT(++more, 2) << cut;
            EXPECT_EQ(r, Indexer::Result::Done) << cut;
            EXPECT_EQ(run.result(), kIndexNotFinished);
            EXPECT_FALSE(h.s.IndexingInProgress);
            EXPECT_EQ(run.step(), Indexer::Result::Done) << "the end stays";
        }
        EXPECT_EQ(h.s.slots[kMasIdx].count, 0) << "files closed at the end of the run";
        if (cut >= 4) {
            EXPECT_EQ(database().RECSLASTTIME, static_cast<uint32_t>(8 * (cut - 3)));
        }
        IndexOutcome rest;
        ASSERT_EQ(INDEXFILE1(h.s, request(false), {}, &rest), kIndexFinished) << cut;
        EXPECT_EQ(words(), whole_words) << "cut after step " << cut;
        EXPECT_EQ(entries(), whole_entries) << "cut after step " << cut;
        EXPECT_EQ(database().RECSLASTTIME, 60u);
    }
}

// A run on a disk that fails at its Nth write and on: it ends there, as a killed program would,
// in a process of its own, whose holds then lapse. Returns whether the run got that far.
bool run_failing_at(const std::string& home, uint32_t db, const IndexRequest& rq, int n) {
    const pid_t child = fork();
    if (child == 0) {
        vfs::FaultVfs fault;
        vfs::set_base(fault.vfs());
        testing::TestSession t(home, "CFG");
        if (!StartUp(t.s, home).ok || !MakeCurrent(t.s, db)) _exit(2);
        fault.fail_after(n, true);
        const int before = fault.writes();
        try {
            (void)INDEXFILE1(t.s, rq);
        } catch (const Halt&) {
            // The program would end here; the index is what the disk holds.
        }
        _exit(fault.writes() - before >= n ? 1 : 0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// A disk failing at any point of a run: what the run leaves is the index as at one of its flushes
// (every word counts exactly its entries, every entry has its position record), and the next run
// finishes it as one unbroken run would.
TEST_F(IndexSteps, ADiskFailingAtAnyWriteLeavesAWholeIndexThatTheNextRunFinishes) {
    IndexRequest rq = request(true);
    rq.flush_pairs = 80;            // about twenty messages a flush
    rq.flush_position_bytes = 150;  // and some flushes for the records' budget
    ASSERT_EQ(INDEXFILE1(h.s, rq), kIndexFinished);
    const auto whole_words = words();
    const auto whole_entries = entries();
    const auto whole_positions = positions();
    ASSERT_EQ(whole_positions.size(), whole_entries.size());
    for (const auto& [entry, places] : whole_positions) ASSERT_NE(places[0], 0u) << entry.first;
    bool reached = true;
    // Every fourth write: each transaction of the run (emptying, each flush, the saved position)
    // takes more than four, so each is cut at several points.
    for (int n = 1; reached; n += 4) {
        reached = run_failing_at(h.dir, db, rq, n);
        std::map<std::string, int32_t> counted;
        for (const auto& [sysid, word] : entries()) ++counted[word];
        auto listed = words();
        std::erase_if(listed, [](const auto& w) { return w.second == 0; });
        EXPECT_EQ(counted, listed) << "failing write " << n;
        for (const auto& [entry, places] : positions())
            EXPECT_EQ(places, whole_positions.at(entry)) << "failing write " << n;
        ASSERT_EQ(INDEXFILE1(h.s, request(false)), kIndexFinished) << "failing write " << n;
        EXPECT_EQ(words(), whole_words) << "failing write " << n;
        EXPECT_EQ(entries(), whole_entries) << "failing write " << n;
        EXPECT_EQ(positions(), whole_positions) << "failing write " << n;
    }
}

TEST_F(IndexSteps, StepsReportProgressAndAFailureStays) {
    Indexer run(h.s, request(false));
    std::vector<int> shares;
    Indexer::Result r;
    while ((r = run.step()) == Indexer::Result::More) shares.push_back(run.percent());
    ASSERT_EQ(r, Indexer::Result::Done);
    EXPECT_EQ(run.result(), kIndexFinished);
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_GT(std::count_if(shares.begin(), shares.end(), [](int p) { return p > 0 && p < 100; }),
              5);
    EXPECT_EQ(run.percent(), 100);
    EXPECT_EQ(run.outcome().tokenized, 60u);

    h.s.mem.ForumNumber = 4242;  // its database record cannot be read
    Indexer lost(h.s, request(false));
    EXPECT_EQ(lost.step(), Indexer::Result::Failed);
    EXPECT_EQ(lost.step(), Indexer::Result::Failed);
    EXPECT_EQ(lost.result(), kIndexNotFinished);
    EXPECT_FALSE(h.s.IndexingInProgress);
    EXPECT_TRUE(h.dialog.saw("Unable to read forum data!|Indexing not possible now."));
}

}  // namespace
}  // namespace qs::words
