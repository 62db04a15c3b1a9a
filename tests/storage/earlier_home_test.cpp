// SPDX-License-Identifier: MIT
// A home made by an earlier build, whose files kept 8-bit texts and keys ordered by other case
// rules: it is refused at start-up before any file is opened for writing, and a file of it met
// later is never read, rewritten or replaced, however small.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/startup.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/storage/store_query.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

// Gives the file the layout signature an earlier build wrote: the same, without a generation.
void make_earlier(const std::string& path, int file) {
    const std::string sql = "UPDATE qs_meta SET value = substr(value, " +
                            std::to_string(store::kLayoutGeneration.size() + 1) +
                            ") WHERE name = 'layout'";
    ASSERT_EQ(storetest::query_file(path, file, sql), "") << path;
    ASSERT_EQ(storetest::query_file(path, file, "SELECT value FROM qs_meta").find("utf8"),
              std::string::npos);
}

// Every file of the home by path, with its bytes.
std::map<std::string, std::string> snapshot(const std::string& home) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(home))
        if (e.is_regular_file()) files[e.path().string()] = storetest::read_all(e.path().string());
    return files;
}

// A home as an earlier build left it: settings, a database list with a forum database and its
// files, every file with the earlier layout.
std::string earlier_home(const HomeDir& dir) {
    const std::string home = dir.dir + "/archive";
    TestSession t(home);
    EXPECT_TRUE(StartUp(t.s, home).ok);
    EXPECT_NE(AddForumDatabase(t.s, "Photo Forum"), 0u);
    for (auto& slot : t.s.slots) slot.file.reset();
    for (int file = 1; file <= kMaxFileNo; ++file) {
        const FileInfo* f = file_info(file);
        if (!f || f->foreign()) continue;
        for (const std::string dir : {"CFG", "F1"}) {
            t.s.mem.Dirnamn = dir;
            const std::string path = full_name(t.s, file);
            if (fs::exists(path)) make_earlier(path, file);
        }
    }
    return home;
}

TEST(EarlierHome, IsRefusedAtStartUpAndLeftAsItWas) {
    HomeDir dir;
    const std::string home = earlier_home(dir);
    const auto before = snapshot(home);
    ASSERT_TRUE(before.count(home + "/CFG/IDX008.TPS") && before.count(home + "/F1/IDX022.DAT"));
    TestSession t(home);
    StartupOutcome up = StartUp(t.s, home);
    EXPECT_FALSE(up.ok);
    EXPECT_TRUE(up.earlier_home);
    ASSERT_EQ(t.dialog.entries.size(), 1u);
    EXPECT_EQ(t.dialog.entries[0].title, kEarlierLayoutTitle);
    EXPECT_NE(t.dialog.entries[0].text.find("was made by an earlier version"), std::string::npos);
    EXPECT_NE(t.dialog.entries[0].text.find(t.s.mem.Net), std::string::npos);
    EXPECT_TRUE(snapshot(home) == before) << "a file of the home was changed, made or removed";
}

TEST(EarlierHome, AHomeOfThisBuildIsNotTakenForOne) {
    HomeDir dir;
    TestSession t(dir.dir);
    ASSERT_TRUE(StartUp(t.s, dir.dir).ok);
    EXPECT_FALSE(HomeOfEarlierBuild(t.s));
}

// A home of this build is noted after its first check, so that later start-ups need not look into
// its files; whatever put an earlier build's file in the place of one must still be seen.
struct NotedHomeCase {
    const char* name;
    int file;
    // Rewrites the file in place, or puts an earlier copy of it in its place under a new inode.
    bool replaced;
};

void PrintTo(const NotedHomeCase& c, std::ostream* os) { *os << c.name; }

class NotedHome : public ::testing::TestWithParam<NotedHomeCase> {};

TEST_P(NotedHome, AFileOfAnEarlierBuildPutInPlaceIsStillSeen) {
    const NotedHomeCase& c = GetParam();
    HomeDir dir;
    const std::string home = dir.dir + "/archive";
    TestSession t(home);
    ASSERT_TRUE(StartUp(t.s, home).ok);
    ASSERT_NE(AddForumDatabase(t.s, "Photo Forum"), 0u);
    for (auto& slot : t.s.slots) slot.file.reset();
    ASSERT_FALSE(HomeOfEarlierBuild(t.s));
    ASSERT_TRUE(fs::exists(home + "/TEMP/LAYOUT.CHK")) << "the home was not noted";
    ASSERT_FALSE(HomeOfEarlierBuild(t.s)) << "the note of an unchanged home was not taken";
    t.s.mem.Dirnamn = "CFG";
    const std::string path = full_name(t.s, c.file);
    if (c.replaced) {
        std::filesystem::copy_file(path, path + ".copy");
        make_earlier(path + ".copy", c.file);
        std::filesystem::rename(path + ".copy", path);
    } else {
        make_earlier(path, c.file);
    }
    EXPECT_TRUE(HomeOfEarlierBuild(t.s));
}

INSTANTIATE_TEST_SUITE_P(StartUp, NotedHome,
                         ::testing::Values(NotedHomeCase{"SettingsRewritten", kControl, false},
                                           NotedHomeCase{"DatabaseListRewritten", kForums, false},
                                           NotedHomeCase{"SettingsReplaced", kControl, true},
                                           NotedHomeCase{"DatabaseListReplaced", kForums, true}),
                         [](const ::testing::TestParamInfo<NotedHomeCase>& info) {
                             return info.param.name;
                         });

// The open loop meets a file of an earlier build (a database directory copied into a home of this
// build): small files that an outdated layout of this build's own would let go are kept.
struct EarlierFileCase {
    const char* name;
    int file;
    bool kept;
};

void PrintTo(const EarlierFileCase& c, std::ostream* os) { *os << c.name; }

class EarlierFile : public ::testing::TestWithParam<EarlierFileCase> {};

TEST_P(EarlierFile, IsKeptAndStopsTheProgramUnlessItIsScratch) {
    const EarlierFileCase& c = GetParam();
    HomeDir home;
    TestSession t(home.dir);
    const std::string path = full_name(t.s, c.file);
    OP_CLOSE(t.s, kOpOpen, {c.file});
    OP_CLOSE(t.s, kOpForceClose, {c.file});
    make_earlier(path, c.file);
    const std::string bytes = storetest::read_all(path);
    if (!c.kept) {
        ASSERT_NO_THROW(OP_CLOSE(t.s, kOpOpen, {c.file}));
        EXPECT_TRUE(t.dialog.entries.empty());
        return;
    }
    EXPECT_THROW(OP_CLOSE(t.s, kOpOpen, {c.file}), Halt);
    ASSERT_EQ(t.dialog.entries.size(), 1u);
    EXPECT_EQ(t.dialog.entries[0].title, kEarlierLayoutTitle);
    EXPECT_EQ(t.dialog.entries[0].text,
              "The file " + path +
                  " was written by an earlier version of Quillstow,\r\nwhich laid out its files "
                  "differently.\r\nThis version does not read it, so that nothing in "
                  "it is misread.\r\nQuillstow will terminate.");
    EXPECT_EQ(storetest::read_all(path), bytes) << "the file was written into";
}

INSTANTIATE_TEST_SUITE_P(
    OpenLoop, EarlierFile,
    ::testing::Values(EarlierFileCase{"EmptyCodesIsKept", kCodes, true},
                      EarlierFileCase{"EmptyIdentityCopyIsKept", kREF, true},
                      EarlierFileCase{"EmptyPersonIsKept", kPerson, true},
                      EarlierFileCase{"SmallTopicLinksAreKept", kSIndex, true},
                      EarlierFileCase{"TemporaryHeadersAreMadeAnew", kNHR, false}),
    [](const ::testing::TestParamInfo<EarlierFileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace qs
