// SPDX-License-Identifier: MIT
// The files kept encrypted cannot be read without the program: their bytes never show the
// records' text, and the plain sqlite3 shell cannot read them, while it reads a plain file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "storage/file_access.h"
#include "tests/storage/store_query.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

const std::string kMarker = "MARKER-zq7-readable-text";

void put_bytes(uint8_t* dst, size_t n) {
    for (size_t i = 0; i < n && i < kMarker.size(); ++i) dst[i] = static_cast<uint8_t>(kMarker[i]);
}

// Writes a few records carrying the marker into `file`.
void fill(Session& s, int file, uint32_t i) {
    switch (file) {
        case kForums:
            s.rec.Forums = Forums{};
            s.rec.Forums.ID = s.rec.Forums.DIRNUMBER = i;
            s.rec.Forums.DESCRIPTION = kMarker + std::to_string(i);
            s.rec.Forums.ALTADDRESS[3] = kMarker;
            break;
        case kControl:
            s.rec.Control = Control{};
            s.rec.Control.ID = static_cast<uint8_t>(i);
            put_bytes(s.rec.Control.CTLGROUP.bytes.data(), 200);
            break;
        case kNHR:
            s.rec.NHR = NHR{};
            s.rec.NHR.INTERNAL = i;
            s.rec.NHR.HEADING = kMarker;
            s.rec.NHR.MSGTEXT.text = kMarker + " in a long text";
            break;
        case kMail:
            s.rec.Mail = Mail{};
            s.rec.Mail.MAILID = i;
            s.rec.Mail.SUBJECT = kMarker;
            s.rec.Mail.PAIRALPHA = kMarker;
            break;
        case kNeo:
            s.rec.Neo = Neo{};
            s.rec.Neo.ID = i;
            put_bytes(s.rec.Neo.NEOGROUP.bytes.data(), 100);
            break;
        case kAttach:
            s.rec.Attach = Attach{};
            s.rec.Attach.MSGNUMBER = i;
            s.rec.Attach.FILENAME = kMarker;
            break;
        case kAttData:
            s.rec.AttData = AttData{};
            s.rec.AttData.CHUNK = i;
            s.rec.AttData.DATA.text = kMarker + " in an attachment";
            break;
        case kATB:
            s.rec.ATB = ATB{};
            s.rec.ATB.SERIAL = i;
            s.rec.ATB.DATA.text = kMarker + " in a temporary attachment";
            break;
        case kPerson:
            s.rec.Person = Person{};
            s.rec.Person.PERSONID = i;
            s.rec.Person.PERSONSTRING = kMarker + std::to_string(i);
            break;
    }
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool shell_reads(const std::string& path) {
    std::string cmd = "/usr/bin/sqlite3 '" + path + "' 'select count(*) from rec' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

struct FileCase {
    int file;
    bool encrypted;
};

TEST(Encryption, EncryptedFilesShowNoTextAndDefeatTheShell) {
    if (!fs::exists("/usr/bin/sqlite3")) GTEST_SKIP() << "no sqlite3 shell";
    const FileCase cases[] = {{kForums, true},  {kControl, true}, {kNHR, true},
                              {kMail, true},    {kNeo, true},     {kAttach, true},
                              {kAttData, true}, {kATB, true},     {kPerson, false}};
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(file_info(c.file)->name);
        OP_CLOSE(s, kOpOpen, {c.file});
        for (uint32_t i = 1; i <= 20; ++i) {
            fill(s, c.file, i);
            ASSERT_TRUE(UppDat(s, c.file, kAdd, kReport));
        }
        // An update rewrites pages through the journal, which must be as unreadable.
        ASSERT_TRUE(Fetch(s, c.file, 1));
        ASSERT_TRUE(UppDat(s, c.file, kUpdate, kReport));
        OP_CLOSE(s, kOpClose, {c.file});
        std::string path = full_name(s, c.file);
        std::string bytes = file_bytes(path);
        ASSERT_GT(bytes.size(), 4096u);
        EXPECT_EQ(bytes.find(kMarker) == std::string::npos, c.encrypted);
        EXPECT_EQ(bytes.find("CREATE TABLE") == std::string::npos, c.encrypted);
        EXPECT_EQ(shell_reads(path), !c.encrypted);
        // The program itself reads its records back.
        OP_CLOSE(s, kOpOpen, {c.file});
        EXPECT_EQ(testing::record_count(s, c.file), 20u);
        OP_CLOSE(s, kOpClose, {c.file});
    }
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(Encryption, ReadingWithoutThePasswordFails) {
    HomeDir home;
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kMail});
    fill(t.s, kMail, 1);
    ASSERT_TRUE(UppDat(t.s, kMail, kAdd, kReport));
    OP_CLOSE(t.s, kOpClose, {kMail});
    std::string path = full_name(t.s, kMail);
    store::Db db;
    const vfs::Key other = vfs::derive_key("not the password");
    for (const vfs::Key* key : {static_cast<const vfs::Key*>(nullptr), &other}) {
        Status st = db.open(path, key, false);
        if (st) st = db.exec("SELECT count(*) FROM rec");
        EXPECT_FALSE(st);
        db.close();
    }
    EXPECT_EQ(storetest::query_file(path, kMail, "SELECT count(*) FROM rec"), "1");
}

}  // namespace
}  // namespace qs
