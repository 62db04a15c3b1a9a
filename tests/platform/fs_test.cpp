// SPDX-License-Identifier: MIT
// File masks as the archived files expect them, listings, removal results and path forms.
#include "platform/fs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace qs::fs {
namespace {

struct MaskCase {
    const char* fault;
    std::string_view mask;
    std::string_view name;
    bool match;
};

TEST(FsMask, MatchesAsTheArchivedFilesExpect) {
    const MaskCase cases[] = {
        {"extension case ignored", "*.MBX", "inbox.mbx", true},
        {"wrong extension", "*.MBX", "inbox.mbx.bak", false},
        {"no-extension mask takes a bare name", "*.", "README", true},
        {"no-extension mask refuses a dotted name", "*.", "a.txt", false},
        {"star-dot-star takes dotted names", "*.*", "a.txt", true},
        {"star-dot-star takes bare names too", "*.*", "README", true},
        {"question marks are exactly one character", "IDX0??.TPS", "idx012.tps", true},
        {"too few characters for the question marks", "IDX0??.TPS", "IDX01.TPS", false},
        {"too many characters for the question marks", "IDX0??.TPS", "IDX0123.TPS", false},
        {"star after the extension's first letter", "*.K*", "a.k12", true},
        {"extension star does not excuse a missing dot", "*.K*", "k12", false},
        {"accented letters fold", "ÉTÉ.*", "été.txt", true},
        {"greek letters fold", "ΑΛΦΑ.*", "άλφα.txt", false},  // the accent is a letter of its own
        {"cyrillic letters fold", "ПИСЬМА.*", "письма.txt", true},
        {"a question mark takes a whole character", "?.txt", "ж.txt", true},
        {"a name in another charset matches by its bytes", "a\xE9*",
         "a\xE9"
         "b",
         true},
        {"star backtracks over repeats", "*ab*ab", "xabyabab", true},
        {"literal tail must match", "*ab", "abx", false},
    };
    for (const auto& c : cases) EXPECT_EQ(mask_match(c.mask, c.name), c.match) << c.fault;
}

class FsDir : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qs_fs_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    // Cleans up without the code under test, so a broken listing cannot leave litter behind.
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void touch(const std::string& name) { std::ofstream(join(dir_, name)) << "x"; }
    std::string dir_;
};

TEST_F(FsDir, ListsMatchingRegularFilesByName) {
    for (const char* name : {"b.MBX", "a.mbx", "C.mbx", "notes.txt", "README"}) touch(name);
    ASSERT_TRUE(make_dirs(join(dir_, "sub/deeper")));
    ASSERT_TRUE(make_dirs(join(dir_, "Sub2")));
    EXPECT_EQ(list_files(dir_, "*.mbx"), (std::vector<std::string>{"a.mbx", "b.MBX", "C.mbx"}));
    EXPECT_EQ(list_files(dir_, "*."), std::vector<std::string>{"README"});
    EXPECT_EQ(list_dirs(dir_), (std::vector<std::string>{"sub", "Sub2"}));
    EXPECT_EQ(file_size(join(dir_, "README")), 1u);
    EXPECT_EQ(file_size(dir_), std::nullopt);
    EXPECT_TRUE(list_files(join(dir_, "absent"), "*.*").empty());
}

TEST_F(FsDir, RemoveReportsWhyItFailed) {
    touch("gone.tps");
    ASSERT_TRUE(make_dirs(join(dir_, "sub")));
    const std::pair<std::string, RemoveResult> cases[] = {
        {join(dir_, "gone.tps"), RemoveResult::Removed},
        {join(dir_, "gone.tps"), RemoveResult::Missing},
        {join(dir_, "README/x"), RemoveResult::Missing},
        {"/proc/version", RemoveResult::AccessDenied},
        {join(dir_, "sub"), RemoveResult::OtherError},
    };
    for (const auto& [path, result] : cases) EXPECT_EQ(remove_file(path), result) << path;
}

TEST_F(FsDir, FreeSpaceAndMountPointOfAPathNotYetMade) {
    std::string future = join(dir_, "not/yet/made.tps");
    EXPECT_GT(free_space("/tmp").value_or(0), 0u);
    EXPECT_TRUE(free_space(future).has_value());  // judged by the nearest existing parent
    EXPECT_EQ(mount_point(future), mount_point(dir_));
    EXPECT_EQ(mount_point("/proc/self"), "/proc");
    EXPECT_EQ(mount_point("/"), "/");
}

TEST(FsPath, FormsAreLexical) {
    EXPECT_EQ(dir_part("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(dir_part("c.txt"), "");
    EXPECT_EQ(join("/a/", "b"), "/a/b");
    EXPECT_EQ(join("/a", "b"), "/a/b");
    const std::pair<std::string, std::string> abs[] = {
        {"/a/./b//c/../d/", "/a/b/d"}, {"/../..", "/"}, {"/a/b/../../..", "/"}, {"/", "/"}};
    for (const auto& [in, out] : abs) EXPECT_EQ(absolute(in), out) << in;
    EXPECT_EQ(absolute("x/../y"), join(absolute("."), "y"));
}

}  // namespace
}  // namespace qs::fs
