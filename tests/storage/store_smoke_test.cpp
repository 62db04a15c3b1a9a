// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/fs.h"
#include "storage/file_access.h"

namespace qs {
namespace {

struct TempHome {
    std::string dir;
    TempHome() {
        char tmpl[] = "/tmp/qs-smoke-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~TempHome() { std::filesystem::remove_all(dir); }
};

TEST(StoreSmoke, AddAndStepAlongKeys) {
    TempHome home;
    RecordingDialog dialog;
    FixedClock clock(80000, 1);
    Session s(dialog, clock);
    s.mem.Net = s.mem.FileDir = s.MasIdxPath = home.dir;
    s.mem.TempDir = home.dir + "/TEMP";
    s.mem.Dirnamn = "F1";
    fs::make_dirs(home.dir + "/F1");
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
    EXPECT_TRUE(dialog.entries.empty());
}

}  // namespace
}  // namespace qs
