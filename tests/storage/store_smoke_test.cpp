// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

TEST(StoreSmoke, AddAndStepAlongKeys) {
    testing::TempHome home("F1");
    Session& s = home.s;
    OP_CLOSE(s, kOpOpen, {kMsgNmbr});
    for (uint32_t i = 1; i <= 100; ++i) {
        s.rec.MsgNmbr = MsgNmbr{};
        s.rec.MsgNmbr.MSGNUMBER = i;
        s.rec.MsgNmbr.FROMALPHA = (i % 2) ? "smith" : "Jones";
        s.rec.MsgNmbr.FROMID = i % 2;
        ASSERT_TRUE(UppDat(s, kMsgNmbr, kAdd, kReport));
    }
    Set(s, kMsgNmbr, keys::MsgIdKey);
    ASSERT_TRUE(Next(s, kMsgNmbr));
    EXPECT_EQ(s.rec.MsgNmbr.MSGNUMBER, 100u);
    int n = 1;
    uint32_t last = 100;
    while (Next(s, kMsgNmbr)) {
        EXPECT_LT(s.rec.MsgNmbr.MSGNUMBER, last);
        last = s.rec.MsgNmbr.MSGNUMBER;
        ++n;
    }
    EXPECT_EQ(n, 100);
    s.rec.MsgNmbr.FROMALPHA = "SMITH";
    s.rec.MsgNmbr.FROMID = 1;
    SetFrom(s, kMsgNmbr, keys::MsgFromKey, 2);
    ASSERT_TRUE(Next(s, kMsgNmbr));
    EXPECT_EQ(s.rec.MsgNmbr.MSGNUMBER, 99u);
    EXPECT_EQ(s.rec.MsgNmbr.FROMALPHA.str(), "smith");
    ASSERT_TRUE(Previous(s, kMsgNmbr));  // before 99 on FromKey: the last Jones
    EXPECT_EQ(s.rec.MsgNmbr.FROMALPHA.str(), "Jones");
    EXPECT_EQ(s.rec.MsgNmbr.MSGNUMBER, 2u);
    OP_CLOSE(s, kOpClose, {kMsgNmbr});
    EXPECT_TRUE(home.dialog.entries.empty());
}

}  // namespace
}  // namespace qs
