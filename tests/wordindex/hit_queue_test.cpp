// SPDX-License-Identifier: MIT
// The hit queue against a plain set: every order of adding keeps each hit once, ascending.
#include "wordindex/hit_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace qs::words {
namespace {

std::vector<uint32_t> as_vector(const std::set<uint32_t>& s) { return {s.begin(), s.end()}; }

TEST(HitQueue, EveryOrderOfAddingKeepsEachHitOnceAscending) {
    struct Case {
        const char* name;
        std::vector<std::vector<uint32_t>> runs;  // added one range at a time
    };
    const std::vector<Case> cases = {
        {"rising runs appended", {{1, 5, 9}, {10, 11}, {}, {12}}},
        {"run overlapping the last", {{1, 5, 9}, {9, 10}}},
        {"run below the first", {{10, 20}, {1, 2}}},
        {"run interleaved", {{2, 4, 6, 8}, {1, 3, 5, 7, 9}}},
        {"falling with repeats", {{9, 7, 7, 3, 3, 0}, {8, 7, 0}}},
        {"the extremes", {{UINT32_MAX, 0}, {UINT32_MAX - 1, 1}}},
    };
    for (const Case& c : cases) {
        HitQueue ranges, singles;
        std::set<uint32_t> want;
        for (const auto& run : c.runs) {
            ranges.insert(run.begin(), run.end());
            for (uint32_t id : run) singles.insert(id);
            want.insert(run.begin(), run.end());
        }
        EXPECT_EQ(ranges.ids(), as_vector(want)) << c.name;
        EXPECT_EQ(singles, ranges) << c.name;
    }
}

TEST(HitQueue, RandomBlocksMergeAndEraseLikeASet) {
    std::mt19937 rng(7);
    HitQueue hits;
    std::set<uint32_t> want;
    for (int block = 0; block < 50; ++block) {
        std::vector<uint32_t> run(rng() % 200);
        for (auto& id : run) id = rng() % 5000;
        if (block % 2) std::sort(run.begin(), run.end());
        hits.insert(run.begin(), run.end());
        want.insert(run.begin(), run.end());
    }
    ASSERT_EQ(hits.ids(), as_vector(want));
    std::vector<uint32_t> seen;
    hits.erase_if([&](uint32_t id) {
        seen.push_back(id);
        return id % 3 == 0;
    });
    EXPECT_EQ(seen, as_vector(want));  // each hit asked once, in order
    std::erase_if(want, [](uint32_t id) { return id % 3 == 0; });
    EXPECT_EQ(hits.ids(), as_vector(want));
    EXPECT_TRUE(hits.contains(*want.rbegin()));
    EXPECT_FALSE(hits.contains(3));
}

}  // namespace
}  // namespace qs::words
