// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "import/catalogue.h"

namespace qs {
namespace {

namespace stdfs = std::filesystem;
using Names = std::vector<std::string>;

TEST(Selection, MaskTextsSplitInTheOrderWritten) {
    struct Case {
        const char* text;
        Names masks;
        const char* fault;
    };
    const Case cases[] = {
        {"*.MSG;*.PRG;*.OBS", {"*.MSG", "*.PRG", "*.OBS"}, "three masks"},
        {"*.MBX   ", {"*.MBX"}, "trailing blanks of the field"},
        {"ABCDEFGHI.JKL", {"ABCDEFGHI.JK"}, "a 13-character piece is cut to 12"},
        {"*.MSG;LONGERNAME.TXT", {"*.MSG", "LONGERNAME.T"}, "only the long piece is cut"},
        {"", {}, "empty field"},
        {"*", {}, "one character is no mask"},
        {"  ", {}, "blanks only"},
        {"*.", {"*."}, "names without extension"},
        {"*.A;;*.B;", {"*.A", "*.B"}, "empty pieces give nothing"},
        {"*.A; *.B", {"*.A", "*.B"}, "blanks after a separator"},
    };
    for (const Case& c : cases) EXPECT_EQ(split_masks(c.text), c.masks) << c.fault;
}

class SelectionTree : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qs-sel-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        top_ = tmpl;
        // Directories sort as listed, case-insensitively: Sub1 before sub2.
        for (const char* f : {"b.MSG", "a.msg", "README", "notes.txt", "sub2/c.MSG", "Sub1/d.obs",
                              "Sub1/deep/e.MSG", "Sub1/deep/LOG", "sub2/x.prg"})
            write(f, 10);
    }
    void TearDown() override { stdfs::remove_all(top_); }

    void write(const std::string& name, size_t size) {
        stdfs::path p = stdfs::path(top_) / name;
        stdfs::create_directories(p.parent_path());
        std::ofstream(p) << std::string(size, 'x');
    }

    Names expand(uint8_t method, const std::string& masks, uint64_t* size = nullptr) {
        ImportSettings s;
        s.selection = method;
        s.path = top_;
        s.masks = masks;
        Names out;
        for (const auto& f : expand_selection(s, size)) out.push_back(f.substr(top_.size() + 1));
        return out;
    }

    std::string top_;
};

TEST_F(SelectionTree, TreeIsReadTopFirstThenSubdirectoriesBreadthFirst) {
    uint64_t size = 0;
    EXPECT_EQ(expand(kDirectoryTree, "*.MSG;*.OBS", &size),
              (Names{"a.msg", "b.MSG", "Sub1/d.obs", "sub2/c.MSG", "Sub1/deep/e.MSG"}));
    EXPECT_EQ(size, 50u);
}

TEST_F(SelectionTree, MasksMatchCaseInsensitivelyAndDotMatchesNamesWithoutExtension) {
    EXPECT_EQ(expand(kDirectoryTree, "*."), (Names{"README", "Sub1/deep/LOG"}));
    EXPECT_EQ(expand(kDirectoryTree, "*.PRG;*.TXT"), (Names{"notes.txt", "sub2/x.prg"}));
}

TEST_F(SelectionTree, AFileTwoMasksMatchIsListedOnceInTheFirstMasksPlace) {
    EXPECT_EQ(expand(kOneDirectory, "*.MSG;A*;*.*"),
              (Names{"a.msg", "b.MSG", "notes.txt", "README"}));
}

TEST_F(SelectionTree, OneDirectoryLeavesTheSubdirectoriesAlone) {
    EXPECT_EQ(expand(kOneDirectory, "*.MSG"), (Names{"a.msg", "b.MSG"}));
    EXPECT_EQ(expand(kOneDirectory, "*"), Names{});
}

TEST_F(SelectionTree, DirectoryReachedTwiceIsReadOnceUnderTheFirstNameMet) {
    stdfs::create_directory_symlink(top_, stdfs::path(top_) / "sub2" / "up");
    stdfs::create_directory_symlink(top_ + "/Sub1/deep", stdfs::path(top_) / "alias");
    EXPECT_EQ(expand(kDirectoryTree, "*.MSG"),
              (Names{"a.msg", "b.MSG", "alias/e.MSG", "sub2/c.MSG"}));
    // What was passed over is told, for the import log, with a link that leads nowhere.
    stdfs::create_symlink(top_ + "/gone.msf", stdfs::path(top_) / "Sub1" / "x.msf");
    ImportSettings s;
    s.selection = kDirectoryTree;
    s.path = top_;
    s.masks = "*.MSG";
    std::vector<std::string> notes;
    expand_selection(s, nullptr, &notes);
    EXPECT_EQ(notes,
              (std::vector<std::string>{
                  top_ + "/Sub1/x.msf: a link that leads nowhere, passed over",
                  top_ + "/Sub1/deep: a directory read already under another name, passed over",
                  top_ + "/sub2/up: a directory read already under another name, passed over"}));
}

TEST_F(SelectionTree, SelectedFilesKeepTheirOrderAndMissingOnesCountNothing) {
    write("big.mbx", 1000);
    ImportSettings s;
    s.selection = kSelectedFiles;
    s.masks = "*.MSG";
    s.files = {top_ + "/big.mbx", top_ + "/gone.mbx", top_ + "/a.msg"};
    uint64_t size = 0;
    EXPECT_EQ(expand_selection(s, &size), s.files);
    EXPECT_EQ(size, 1010u);
}

}  // namespace
}  // namespace qs
