// SPDX-License-Identifier: MIT
// The browsing commands on a forum database imported through the import processor: the reply
// tree, status marks and the listing by mark.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/command.h"
#include "storage/config.h"
#include "tests/import/import_home.h"

namespace qs::cli {
namespace {

using testing::forum;

class BrowseCommands : public testing::ImportHome {
protected:
    void SetUp() override {
        ImportHome::SetUp();
        ImportAccounting a = run(settings(write({
            forum("Photo", 100, 0, "Lenses", "Ann Lee", "first"),
            forum("Photo", 101, 100, "Re: Lenses", "Bob Ray", "second"),
            forum("Photo", 102, 999, "Lenses", "Cy Doe", "parent not stored"),
            forum("Photo", 103, 101, "Re: Lenses", "Ann Lee", "third"),
            forum("Photo", 104, 0, "Tripods", "Bob Ray", "other thread"),
        })));
        ASSERT_EQ(a.stored, 5u);
        int32_t iso = 10;
        ASSERT_TRUE(Konfig(h.s, kSetGeneral, item::kDateFormat, &iso));
    }

    int run_cmd(int (*cmd)(Context&, const std::vector<std::string>&),
                std::vector<std::string> words, bool json = false) {
        out.str("");
        Context c{h.s, h.dir, json, out};
        return cmd(c, words);
    }

    std::ostringstream out;
};

TEST_F(BrowseCommands, TreeMarkAndListByMark) {
    ASSERT_EQ(run_cmd(cmd_tree, {"Photo", "103"}), kExitOk);
    EXPECT_EQ(out.str(),
              "Ann Lee 100 2001-02-03\n"
              "  Bob Ray 101 2001-02-03\n"
              "    Ann Lee 103 2001-02-03\n"
              "Cy Doe 102 2001-02-03\n");
    ASSERT_EQ(run_cmd(cmd_tree, {"Photo", "102", "--format", "1"}, true), kExitOk);
    EXPECT_NE(out.str().find("{\"MSGNUMBER\":103,\"PARENT\":101,\"LEVEL\":3,\"REPLIES\":false,"
                             "\"SENDER\":\"Ann Lee\",\"DATE\":73086,\"DATE_ISO\":\"2001-02-03\","
                             "\"TEXT\":\"Ann Lee\"}"),
              std::string::npos)
        << out.str();

    ASSERT_EQ(run_cmd(cmd_mark, {"Photo", "delete", "thread", "101"}), kExitOk);
    EXPECT_NE(out.str().find("\"Lenses\" is marked delete"), std::string::npos) << out.str();
    ASSERT_EQ(run_cmd(cmd_mark, {"Photo", "keep", "message", "103"}), kExitOk);
    ASSERT_EQ(run_cmd(cmd_mark, {"Photo", "delete", "message", "104"}), kExitOk);
    EXPECT_EQ(run_cmd(cmd_mark, {"Photo", "delete", "partner", "104"}), kExitFailed);
    EXPECT_THROW(run_cmd(cmd_mark, {"Photo", "gone", "message", "104"}), UsageError);

    ASSERT_EQ(run_cmd(cmd_messages, {"Photo", "--status", "delete"}), kExitOk);
    EXPECT_EQ(out.str().substr(0, 4), "104 ");
    EXPECT_EQ(out.str().find('\n'), out.str().size() - 1) << out.str();
    ASSERT_EQ(run_cmd(cmd_messages, {"Photo", "--status", "keep"}, true), kExitOk);
    EXPECT_NE(out.str().find("\"MSGNUMBER\":103,"), std::string::npos);
    ASSERT_EQ(run_cmd(cmd_show, {"Photo", "100"}), kExitOk);
    EXPECT_NE(out.str().find("Status:  normal (thread: delete)\n"), std::string::npos);
}

}  // namespace
}  // namespace qs::cli
