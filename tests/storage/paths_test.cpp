// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>

#include "storage/file_access.h"
#include "storage/neo.h"
#include "storage/paths.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

TEST(Paths, ExistPathChecksCreatesAndReports) {
    testing::TempHome h;
    std::string missing = h.dir + "/a/b";
    EXPECT_EQ(ExistPath(h.s, 1, 0, "relative/path", "", false), 0);
    EXPECT_TRUE(h.dialog.entries.empty());  // not a path it can check: no message
    EXPECT_EQ(ExistPath(h.s, 1, 0, missing, "Check it.", false), 0);
    ASSERT_EQ(h.dialog.entries.size(), 1u);
    EXPECT_EQ(h.dialog.entries[0].title, " Path Not Found");
    EXPECT_EQ(h.dialog.entries[0].text,
              "The specified path " + missing + " does not exist.\r\nCheck it.");
    h.dialog.clear();
    h.s.mem.DoTask = 2;
    EXPECT_EQ(ExistPath(h.s, 3, 0, missing, "", false), 1);  // created, silently
    EXPECT_TRUE(h.dialog.entries.empty());
    EXPECT_TRUE(fs::is_dir(missing));
    h.s.mem.Dirnamn = "F9";
    EXPECT_EQ(ExistPath(h.s, 2, kPerson, "", "", true), 0);
    EXPECT_EQ(ExistPath(h.s, 4, kPerson, "", "", true), 1);
    EXPECT_TRUE(fs::is_dir(h.dir + "/F9"));
}

TEST(Paths, DOSFuncDeletesByPatternAndTests) {
    testing::TempHome h;
    std::string d = h.dir + "/F3";
    fs::make_dirs(d);
    for (const char* n : {"IDX001.TPS", "idx004.tps", "IDX022.DAT", "keep.txt"})
        std::ofstream(d + "/" + n) << "x";
    EXPECT_EQ(DOSFunc(h.s, 5, "*.TPS", d), 1);
    EXPECT_EQ(DOSFunc(h.s, 4, "*.TPS", d), 1);
    EXPECT_EQ(DOSFunc(h.s, 5, "*.TPS", d), 0);
    EXPECT_EQ(DOSFunc(h.s, 5, d + "/IDX022.DAT"), 1);
    EXPECT_EQ(DOSFunc(h.s, 3, d + "/IDX022.DAT"), 1);
    EXPECT_EQ(DOSFunc(h.s, 3, d + "/IDX022.DAT"), 1);  // a missing file counts as deleted
    EXPECT_EQ(fs::list_files(d, "*.*"), std::vector<std::string>{"keep.txt"});
}

TEST(Paths, NeoTextsAreShippedAndUnknownNumbersAreEmpty) {
    testing::TempHome h;
    EXPECT_FALSE(CallNeo(h.s, kNeoSettingsTitle).empty());  // installed when first asked for
    EXPECT_FALSE(CallNeo(h.s, kNeoSettingsText).empty());
    EXPECT_EQ(CallNeo(h.s, 4711), "");
    EXPECT_EQ(h.s.slots[kNeo].count, 0);  // closed again
}

}  // namespace
}  // namespace qs
