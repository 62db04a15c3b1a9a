// SPDX-License-Identifier: MIT
// Adding long runs of records many to a statement: every record once, in order, and all or none
// inside a transaction.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/record_store.h"

namespace qs::store {
namespace {

struct Hit {
    uint32_t ID = 0;
    uint32_t MARK = 0;
    bool operator==(const Hit&) const = default;
    template <class V>
    void visit(V&& v) {
        v("ID", ID);
        v("MARK", MARK);
    }
};

TableDecl hits_decl() {
    TableDecl d;
    d.fields = describe_fields<Hit>();
    d.codec = make_codec<Hit>();
    d.keys = {{"IdKey", {{0, true}}, true, false}};
    return d;
}

class StoreAddAll : public ::testing::Test {
protected:
    StoreAddAll() {
        char tmpl[] = "/tmp/qs-addall-XXXXXX";
        dir_ = mkdtemp(tmpl);
        EXPECT_TRUE(engine_.create(path(), decl_, {}));
        Status st;
        EXPECT_EQ(engine_.open(path(), decl_, {}, file_, st), OpenResult::Ok) << st.text();
    }
    ~StoreAddAll() override {
        file_.reset();
        std::filesystem::remove_all(dir_);
    }
    std::string path() const { return dir_ + "/hits.db"; }

    // The records in file order, as (ID, MARK) pairs.
    std::vector<std::pair<uint32_t, uint32_t>> in_file_order() {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        Status st = file_->scan([&](int64_t, const void* r) {
            const auto* h = static_cast<const Hit*>(r);
            out.emplace_back(h->ID, h->MARK);
            return true;
        });
        EXPECT_TRUE(st) << st.text();
        return out;
    }

    std::string dir_;
    TableDecl decl_ = hits_decl();
    Engine engine_;
    std::unique_ptr<File> file_;
};

// Counts around the number of records one statement takes (64 for two fields), where a record
// lost or doubled at a statement's edge would show.
TEST_F(StoreAddAll, EveryRecordOnceInOrderAcrossStatementEdges) {
    for (uint32_t n : {0u, 1u, 63u, 64u, 65u, 129u, 1000u}) {
        ASSERT_TRUE(file_->empty());
        std::vector<Hit> recs(n);
        std::vector<const void*> order;
        for (uint32_t i = 0; i < n; ++i) {
            recs[i] = {n * 10 - i, i};  // descending ids: file order is not key order
            order.push_back(&recs[i]);
        }
        ASSERT_TRUE(file_->add_all(order)) << n;
        auto got = in_file_order();
        ASSERT_EQ(got.size(), n);
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(got[i], std::make_pair(n * 10 - i, i)) << "n " << n << " record " << i;
        if (n == 0) continue;
        Hit current;
        ASSERT_TRUE(file_->fetch(file_->position(), &current));
        EXPECT_EQ(current.MARK, n - 1) << "the last record added is current";
    }
}

TEST_F(StoreAddAll, DuplicateKeyInsideAStatementLeavesNothingAfterRollback) {
    Hit kept{7, 0};
    ASSERT_TRUE(file_->add(&kept));
    std::vector<Hit> recs(100);
    std::vector<const void*> order;
    for (uint32_t i = 0; i < 100; ++i) {
        recs[i] = {1000 + i, 1};
        order.push_back(&recs[i]);
    }
    recs[70].ID = 7;  // in the second statement
    ASSERT_TRUE(engine_.begin({file_.get()}, 0));
    Status st = file_->add_all(order);
    EXPECT_EQ(st.code(), Code::Duplicate) << st.text();
    engine_.rollback();
    EXPECT_EQ(in_file_order(), (std::vector<std::pair<uint32_t, uint32_t>>{{7, 0}}));
}

}  // namespace
}  // namespace qs::store
