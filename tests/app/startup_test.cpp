// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/startup.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

int32_t item(Session& s, int number) {
    int32_t v = 0;
    EXPECT_TRUE(Konfig(s, 3, number, &v));
    return v;
}

TEST(StartUp, FirstStartLaysOutTheHomeAndWritesTheVersion) {
    testing::TempHome h;
    std::string home = h.dir + "/new home";
    StartupOutcome up = StartUp(h.s, home);
    ASSERT_TRUE(up.ok);
    EXPECT_TRUE(up.first_run);
    EXPECT_FALSE(up.upgraded);
    EXPECT_TRUE(fs::is_dir(home + "/CFG"));
    EXPECT_TRUE(fs::is_dir(home + "/TEMP"));
    EXPECT_TRUE(fs::exists(home + "/CFG/IDX008.TPS"));
    EXPECT_EQ(item(h.s, 11), kSettingsVersion);
    EXPECT_EQ(h.s.mem.ForumNumber, 0u);
    EXPECT_TRUE(h.dialog.entries.empty());

    testing::TestSession again(home);  // another run of the program
    up = StartUp(again.s, home);
    ASSERT_TRUE(up.ok);
    EXPECT_FALSE(up.first_run);
    EXPECT_TRUE(again.dialog.entries.empty());
}

TEST(StartUp, OlderSettingsVersionIsUpgradedWithItsMessage) {
    testing::TempHome h;
    ASSERT_TRUE(StartUp(h.s, h.dir).ok);
    int32_t old = 350;
    ASSERT_TRUE(Konfig(h.s, 2, 11, &old) && Konfig(h.s, 4));
    testing::TestSession again(h.dir);  // another run of the program
    StartupOutcome up = StartUp(again.s, h.dir);
    ASSERT_TRUE(up.ok);
    EXPECT_TRUE(up.upgraded);
    EXPECT_TRUE(again.dialog.saw("Upgrading to version 4.02"));
    EXPECT_EQ(item(again.s, 11), kSettingsVersion);
}

TEST(StartUp, LostTemporaryDirectoryIsReplacedSilently) {
    testing::TempHome h;
    ASSERT_TRUE(StartUp(h.s, h.dir).ok);
    std::string gone = h.dir + "/gone";
    ASSERT_TRUE(AutoPath(h.s, 2, 17, &gone) && AutoPath(h.s, 4));
    testing::TestSession again(h.dir);  // another run of the program
    ASSERT_TRUE(StartUp(again.s, h.dir).ok);
    EXPECT_EQ(again.s.mem.TempDir, h.dir + "/TEMP");
    EXPECT_TRUE(again.dialog.entries.empty());
}

TEST(StartUp, LostDataDirectoryAsksForANewOneOrStops) {
    testing::TempHome h;
    ASSERT_TRUE(StartUp(h.s, h.dir).ok);
    std::string data = h.dir + "/data";
    ASSERT_TRUE(fs::make_dirs(data));
    ASSERT_TRUE(AutoPath(h.s, 2, 18, &data) && AutoPath(h.s, 4));
    ASSERT_TRUE(fs::remove_dir(data));

    testing::TestSession refused(h.dir);  // nobody answers: start-up stops
    EXPECT_FALSE(StartUp(refused.s, h.dir).ok);
    EXPECT_TRUE(refused.dialog.saw("The path to your data files cannot be found!"));

    testing::TestSession answered(h.dir);  // another run of the program
    std::string fresh = h.dir + "/fresh";
    ASSERT_TRUE(fs::make_dirs(fresh));
    answered.dialog.texts = {h.dir + "/nowhere", fresh};
    ASSERT_TRUE(StartUp(answered.s, h.dir).ok);
    EXPECT_TRUE(answered.dialog.saw("This path does not exist!"));
    EXPECT_EQ(answered.s.mem.FileDir, fresh);
}

}  // namespace
}  // namespace qs
