// SPDX-License-Identifier: MIT
// quillstow attachments, attachment and the attachment list of show, over a database that an
// import filled with attachments.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/cli/command.h"
#include "storage/attachments.h"
#include "storage/content_hash.h"
#include "tests/import/import_home.h"

namespace qs::cli {
namespace {

class AttachmentCommands : public testing::ImportHome {
protected:
    void SetUp() override {
        ImportHome::SetUp();
        const std::string line =
            testing::mail("Files", "bob@example.org", "me@example.org", "10:00:00", "see files") +
            "\t\t\t\treport.pdf|application/pdf|@200000:3;Grüße.txt|text/plain|hello";
        run(settings(write({line})));
        for (const Mail& m : all<Mail>(mailbox, kMail)) number = std::to_string(m.MAILID);
    }
    int command(int (*cmd)(Context&, const std::vector<std::string>&),
                std::vector<std::string> words, bool json = false) {
        out.str("");
        Context c{h.s, h.dir, json, out};
        return cmd(c, words);
    }
    static std::string file_bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string number;
    std::ostringstream out;
};

TEST_F(AttachmentCommands, ListsAttachmentsInShowAndOnTheirOwn) {
    ASSERT_EQ(command(cmd_attachments, {"Home", number}), kExitOk);
    EXPECT_EQ(out.str(),
              "  1     200000  application/pdf          report.pdf\n"
              "  2          5  text/plain               Grüße.txt\n");
    ASSERT_EQ(command(cmd_attachments, {"Home", number}, true), kExitOk);
    EXPECT_EQ(out.str(), "[{\"MSGNUMBER\":" + number +
                             ",\"NUMBER\":1,\"FILENAME\":\"report.pdf\",\"CONTENTTYPE\":"
                             "\"application/pdf\",\"SIZE\":200000,\"HASH\":\"" +
                             testing::hash_of(200000, 3) + "\"},{\"MSGNUMBER\":" + number +
                             ",\"NUMBER\":2,\"FILENAME\":\"Grüße.txt\",\"CONTENTTYPE\":"
                             "\"text/plain\",\"SIZE\":5,\"HASH\":\"" +
                             ContentHash::of("hello") + "\"}]\n");
    ASSERT_EQ(command(cmd_show, {"Home", number}), kExitOk);
    EXPECT_NE(out.str().find("see files\n\nAttachments:\n  1     200000  application/pdf"),
              std::string::npos)
        << out.str();
    ASSERT_EQ(command(cmd_show, {"Home", number}, true), kExitOk);
    EXPECT_NE(out.str().find(",\"ATTACHMENTS\":[{\"MSGNUMBER\":"), std::string::npos);
    EXPECT_EQ(command(cmd_attachments, {"Home", "1"}), kExitFailed);  // no such message
}

TEST_F(AttachmentCommands, WritesAnAttachmentOutByteForByte) {
    const std::string path = h.dir + "/out.pdf";
    ASSERT_EQ(command(cmd_attachment, {"Home", number, "1", "--out", path}), kExitOk);
    EXPECT_EQ(ContentHash::of(file_bytes(path)), testing::hash_of(200000, 3));
    // An existing file is written over only when asked to.
    ASSERT_EQ(command(cmd_attachment, {"Home", number, "2", "--out", path}), kExitFailed);
    EXPECT_EQ(file_bytes(path).size(), 200000u);
    ASSERT_EQ(command(cmd_attachment, {"Home", number, "2", "--out", path, "--force"}), kExitOk);
    EXPECT_EQ(file_bytes(path), "hello");
    ASSERT_EQ(command(cmd_attachment, {"Home", number, "2", "--out", "-"}), kExitOk);
    EXPECT_EQ(out.str(), "hello");
    EXPECT_EQ(command(cmd_attachment, {"Home", number, "3", "--out", "-"}), kExitFailed);
    EXPECT_THROW(command(cmd_attachment, {"Home", number, "1"}), UsageError);
    EXPECT_THROW(command(cmd_attachment, {"Home", number, "0", "--out", "-"}), UsageError);
}

// Bytes changed in the store, or a chunk gone, are found by the hash: nothing is written.
TEST_F(AttachmentCommands, ADamagedAttachmentIsReportedAndLeavesNoFile) {
    struct Case {
        const char* name;
        bool remove;  // the chunk goes, else one of its bytes changes
    } cases[] = {{"a byte changed", false}, {"a chunk missing", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        run(settings(write(
            {testing::mail(c.name, "carl@example.org", "me@example.org", "12:00:00", "damaged") +
             "\t\t\t\tx.bin|x/y|@150000:" + std::to_string(c.remove)})));
        uint32_t id = 0;
        for (const Mail& m : all<Mail>(mailbox, kMail))
            if (m.SUBJECT.str() == c.name) id = m.MAILID;
        ASSERT_TRUE(MakeCurrent(h.s, mailbox));
        OP_CLOSE(h.s, kOpOpen, {kAttach, kAttData});
        Attach link;
        ASSERT_TRUE(AttachmentOf(h.s, id, 1, link));
        h.s.rec.AttData = AttData{};
        h.s.rec.AttData.HASH = link.HASH;
        h.s.rec.AttData.CHUNK = 2;
        ASSERT_TRUE(Get(h.s, kAttData, keys::ChunkKey));
        h.s.rec.AttData.DATA.text[100] ^= 1;
        ASSERT_TRUE(UppDat(h.s, kAttData, c.remove ? kDelete : kUpdate, kReport));
        OP_CLOSE(h.s, kOpClose, {kAttach, kAttData});
        const std::string path = h.dir + "/damaged.bin";
        EXPECT_EQ(command(cmd_attachment, {"Home", std::to_string(id), "1", "--out", path}),
                  kExitFailed);
        EXPECT_FALSE(fs::exists(path));
        EXPECT_TRUE(fs::list_files(h.dir, "*.part-*").empty() &&
                    fs::list_files(h.dir, ".damaged*").empty());
    }
}

}  // namespace
}  // namespace qs::cli
