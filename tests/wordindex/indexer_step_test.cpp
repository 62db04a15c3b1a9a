// SPDX-License-Identifier: MIT
// The indexer as a step machine: cut at any step, resumed by the next run, and a failure that
// stays.
#include "indexer_fixture.h"

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
