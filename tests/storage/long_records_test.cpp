// SPDX-License-Identifier: MIT
// Reading in key order through records with long texts, which are read ahead in short batches:
// every record comes once, in order, whole, forward and backward and after a change of direction.
#include <gtest/gtest.h>

#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

std::string text_for(uint32_t n) {
    return std::string(50000, static_cast<char>('a' + n % 26)) + std::to_string(n);
}

TEST(LongRecords, StepThroughBatchesCutByTheirSize) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kMsgText});
    constexpr uint32_t kCount = 90;
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kMsgText})));
    for (uint32_t i = 0; i < kCount; ++i) {
        s.rec.MsgText = MsgText{};
        s.rec.MsgText.MSGNUMBER = kCount - i;  // key order against the order of adding
        s.rec.MsgText.MSGTEXT.text = text_for(kCount - i);
        ASSERT_TRUE(UppDat(s, kMsgText, kAdd, kReport));
    }
    ASSERT_TRUE(Commit(s));
    Set(s, kMsgText, 0);
    for (uint32_t n = 1; n <= kCount; ++n) {
        ASSERT_TRUE(Next(s, kMsgText)) << n;
        ASSERT_EQ(s.rec.MsgText.MSGNUMBER, n);
        ASSERT_EQ(s.rec.MsgText.MSGTEXT.text, text_for(n));
    }
    EXPECT_FALSE(Next(s, kMsgText));
    // Backward from the middle, after a change of direction.
    s.rec.MsgText = MsgText{};
    s.rec.MsgText.MSGNUMBER = 70;
    SetFrom(s, kMsgText, 0, 1);
    ASSERT_TRUE(Next(s, kMsgText));
    ASSERT_EQ(s.rec.MsgText.MSGNUMBER, 70u);
    for (uint32_t n = 69; n >= 1; --n) {
        ASSERT_TRUE(Previous(s, kMsgText)) << n;
        ASSERT_EQ(s.rec.MsgText.MSGNUMBER, n);
        ASSERT_EQ(s.rec.MsgText.MSGTEXT.text, text_for(n));
    }
    EXPECT_FALSE(Previous(s, kMsgText));
}

}  // namespace
}  // namespace qs
