// SPDX-License-Identifier: MIT
#include "import/readers/format_detect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/test_home.h"

namespace qs {
namespace {

using Names = std::vector<std::string>;

TEST(FormatDetect, SamplesOfEveryFormatWithAReader) {
    const std::string s = std::string(QS_SOURCE_DIR) + "/samples/mail/";
    const std::pair<const char*, Names> rows[] = {
        {"IN.MBX", {"Eudora"}},
        {"inbox.mbox", {"Unix Mailbox"}},
        {"netscape-inbox", {"Unix Mailbox"}},
        {"today.mbox", {"Unix Mailbox"}},
        {"winpmail.pmm", {"Pegasus"}},
        // The two marker formats share their files' layout and their reader.
        {"ie-inbox.mbx", {"IE Mail", "Outlook Express 4 Mail"}},
        {"oe4-inbox.mbx", {"IE Mail", "Outlook Express 4 Mail"}},
        // Several messages, one header block after the other: any of the header-run formats.
        {"agent.txt", {"EML Files", "Generic Mail Type 1", "Becky Mail", "Agent Mail"}},
    };
    for (const auto& [name, want] : rows)
        EXPECT_EQ(detect_format(s + name).candidates, want) << name;
    EXPECT_EQ(detect_format(s + "IN.TOC").index_of, s + "IN.MBX");
}

TEST(FormatDetect, NewsSamples) {
    const std::string s = std::string(QS_SOURCE_DIR) + "/samples/news/";
    const std::pair<const char*, Names> rows[] = {
        {"unix-news.txt", {"Unix News"}},
        {"agent.txt", {"Agent News"}},
        {"PHOTO", {"VirtualAccess"}},
        {"netscape.snm", {"Netscape News"}},
        {"ie-news.nch", {"IE News", "Outlook Express 4 News"}},
        {"gravity.txt", {"Gravity", "Netscape News"}},
    };
    for (const auto& [name, want] : rows)
        EXPECT_EQ(detect_format(s + name).candidates, want) << name;
}

TEST(FormatDetect, PathsOfTodaysMailPrograms) {
    testing::HomeDir h;
    const auto put = [&](const std::string& rel, const std::string& bytes) {
        const std::filesystem::path p = h.dir + "/" + rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    };
    const std::string mail = "From: a@example.org\nSubject: s\n\nbody\n\nFrom: quoted\n";
    put("md/cur/1:2,S", mail);
    put("mdpp/.Work/new/1", mail);  // only sub-folders
    put("Box.mbox/mbox", "From - Mon Jan  5 10:00:00 2026\n" + mail);
    put("Profile/Inbox", "From - Mon Jan  5 10:00:00 2026\n" + mail);
    put("Profile/Inbox.msf", "");
    put("mh/1", mail);
    put("mh/2", mail);
    put("one.txt", mail);
    put("two.eml", mail);
    put("news.txt",
        "Newsgroups: comp.lang\nFrom: a@example.org\n\nx\n\nFrom: b@example.org\nTo: c\n");
    put("empty", "");
    put("notes.txt", "just some words\n");
    struct Row {
        const char* path;
        Names want;
        bool tree;
    };
    const Row rows[] = {
        {"md", {"Maildir"}, false},
        {"mdpp", {"Maildir"}, false},
        {"Box.mbox", {"Unix Mailbox"}, false},
        {"Profile", {"Unix Mailbox"}, true},
        {"mh", {"EML Files"}, false},
        {"one.txt", {"EML Files"}, false},  // a body line "From: quoted" begins no message
        {"two.eml", {"EML Files"}, false},
        // Articles one after the other, no separators: the news formats that read them so.
        {"news.txt", {"Gravity", "Netscape News"}, false},
        {"empty", {}, false},
        {"notes.txt", {}, false},
        {"nowhere", {}, false},
    };
    for (const Row& r : rows) {
        const Detection d = detect_format(h.dir + "/" + r.path);
        EXPECT_EQ(d.candidates, r.want) << r.path;
        EXPECT_EQ(d.tree, r.tree) << r.path;
    }
    EXPECT_TRUE(detect_format(h.dir + "/nowhere").missing);
    EXPECT_EQ(detect_format(h.dir + "/Profile/Inbox.msf").index_of, h.dir + "/Profile/Inbox");
}

}  // namespace
}  // namespace qs
