// SPDX-License-Identifier: MIT
// The open loop on damaged and outdated files: a file made with another record layout is
// replaced when it is transient or (almost) empty and otherwise stops the program, the probe only
// raises a flag, damaged keys are rebuilt after telling the user, and a file that is empty or no
// record file at all stops the program untouched unless it is transient.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "storage/file_access.h"
#include "tests/storage/store_query.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

// A record layout no file of the catalogue has: what an older program version might have left.
struct OldLayout {
    uint32_t ID = 0;
    Text<30> WORD;
    bool operator==(const OldLayout&) const = default;
    template <class V>
    void visit(V&& v) {
        v("ID", ID);
        v("WORD", WORD);
    }
};

const store::TableDecl& old_decl() {
    static const store::TableDecl decl = [] {
        store::TableDecl d;
        d.fields = store::describe_fields<OldLayout>();
        d.codec = store::make_codec<OldLayout>();
        d.keys = {{"IdKey", {{0}}, true, false}};
        return d;
    }();
    return decl;
}

// Creates the file with the old layout and `records` records, under the file's own password.
void make_old_file(const std::string& path, int file, int records) {
    store::Engine engine;
    store::OpenOptions opts{file_key(file), 5000};
    ASSERT_TRUE(engine.create(path, old_decl(), opts));
    std::unique_ptr<store::File> f;
    Status st;
    ASSERT_EQ(engine.open(path, old_decl(), opts, f, st), store::OpenResult::Ok) << st.text();
    ASSERT_TRUE(engine.begin({f.get()}, 5));
    for (int i = 1; i <= records; ++i) {
        OldLayout r;
        r.ID = static_cast<uint32_t>(i);
        r.WORD = "old record " + std::to_string(i);
        ASSERT_TRUE(f->add(&r));
    }
    ASSERT_TRUE(engine.commit());
}

uint64_t old_records(const std::string& path, int file) {
    store::Engine engine;
    std::unique_ptr<store::File> f;
    Status st;
    uint64_t n = 0;
    if (engine.open(path, old_decl(), {file_key(file), 5000}, f, st) == store::OpenResult::Ok) {
        EXPECT_TRUE(f->count(n));
    }
    return n;
}

enum class Outcome { Replaced, Halts, Flagged };

struct LayoutCase {
    const char* name;
    int file;
    int records;
    int operation;
    Outcome outcome;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class OpenLoopLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(OpenLoopLayout, IsHandledAsTheFileKindRequires) {
    const LayoutCase& c = GetParam();
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    std::string path = full_name(s, c.file);
    make_old_file(path, c.file, c.records);
    switch (c.outcome) {
        case Outcome::Replaced:
            ASSERT_NO_THROW(OP_CLOSE(s, c.operation, {c.file}));
            EXPECT_TRUE(t.dialog.entries.empty());
            EXPECT_EQ(testing::record_count(s, c.file), 0u);
            EXPECT_EQ(old_records(path, c.file), 0u) << "the old file is gone";
            break;
        case Outcome::Halts:
            EXPECT_THROW(OP_CLOSE(s, c.operation, {c.file}), Halt);
            ASSERT_EQ(t.dialog.entries.size(), 1u);
            EXPECT_EQ(t.dialog.entries[0].title, " File Open Error - Invalid record declaration");
            EXPECT_EQ(t.dialog.entries[0].text,
                      "The file " + path +
                          " cannot be opened\r\nas the file definition is incorrect.\r\n"
                          "Quillstow will terminate.");
            EXPECT_EQ(old_records(path, c.file), static_cast<uint64_t>(c.records))
                << "a file that halts the program is kept as it was";
            break;
        case Outcome::Flagged:
            ASSERT_NO_THROW(OP_CLOSE(s, c.operation, {c.file}));
            EXPECT_TRUE(s.IndexingInProgress);
            EXPECT_TRUE(t.dialog.entries.empty());
            EXPECT_EQ(s.slots[static_cast<size_t>(c.file)].count, 0);
            EXPECT_EQ(old_records(path, c.file), static_cast<uint64_t>(c.records));
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    OutdatedLayout, OpenLoopLayout,
    ::testing::Values(
        LayoutCase{"SearchWithRecordsIsReplaced", kSearch, 3000, kOpOpen, Outcome::Replaced},
        LayoutCase{"EmptyCodesIsRecreated", kCodes, 0, kOpOpen, Outcome::Replaced},
        LayoutCase{"CodesWithAFewRecordsIsRecreated", kCodes, 3, kOpOpen, Outcome::Replaced},
        LayoutCase{"CodesWithRecordsHalts", kCodes, 400, kOpOpen, Outcome::Halts},
        LayoutCase{"SmallSIndexIsRecreated", kSIndex, 2, kOpOpen, Outcome::Replaced},
        LayoutCase{"EmptyMailHalts", kMail, 0, kOpOpen, Outcome::Halts},
        LayoutCase{"MailHalts", kMail, 3, kOpOpen, Outcome::Halts},
        LayoutCase{"PersonHalts", kPerson, 1, kOpOpen, Outcome::Halts},
        LayoutCase{"ProbeOfMailRaisesTheFlag", kMail, 3, kOpProbe, Outcome::Flagged},
        LayoutCase{"ProbeOfLargeCodesRaisesTheFlag", kCodes, 400, kOpProbe, Outcome::Flagged}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

// The import's temporary files are written in long runs; the result set is small and rewritten by
// every search, where large pages would be journaled whole for a few changed bytes.
TEST(OpenLoop, OnlyTheImportTemporaryFilesAreMadeWithLargePages) {
    HomeDir home;
    std::string nhr, search;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kNHR, kSearch});
        nhr = full_name(t.s, kNHR);
        search = full_name(t.s, kSearch);
        OP_CLOSE(t.s, kOpClose, {kNHR, kSearch});
    }
    EXPECT_EQ(storetest::query_file(nhr, kNHR, "PRAGMA page_size"), "65536");
    EXPECT_EQ(storetest::query_file(search, kSearch, "PRAGMA page_size"), "4096");
}

TEST(OpenLoop, ProbeOfASoundFileLeavesTheFlagDown) {
    HomeDir home;
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpProbe, {kMail, kCodes});
    EXPECT_FALSE(t.s.IndexingInProgress);
    EXPECT_TRUE(fs::exists(full_name(t.s, kMail))) << "the probe creates a missing file";
    EXPECT_EQ(t.s.slots[kMail].count, 0);
    EXPECT_FALSE(t.s.slots[kMail].file);
}

// A record file cut to nothing (a failed copy, a damaged disk) or overwritten: its records are
// lost. Nothing may be written into it, or it would pass for a new empty file from then on.
void cut_to_nothing(const std::string& path) { std::filesystem::resize_file(path, 0); }
void zero_header(const std::string& path) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f << std::string(100, '\0');
}
void foreign_bytes(const std::string& path) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "From ann@example.org\r\n";
}

struct DamagedCase {
    const char* name;
    int file;
    void (*damage)(const std::string& path);
    int operation;
    bool made_anew;  // a transient file; the others stop the program
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.name; }

class OpenLoopDamaged : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(OpenLoopDamaged, IsReportedOrMadeAnewWhenTransient) {
    const DamagedCase& c = GetParam();
    HomeDir home;
    std::string path;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {c.file});
        path = full_name(t.s, c.file);
    }
    c.damage(path);
    const std::string damaged = storetest::read_all(path);
    TestSession t(home.dir);
    if (c.made_anew) {
        ASSERT_NO_THROW(OP_CLOSE(t.s, c.operation, {c.file}));
        EXPECT_TRUE(t.dialog.entries.empty());
        EXPECT_EQ(storetest::records(path, c.file), "0");
        return;
    }
    EXPECT_THROW(OP_CLOSE(t.s, c.operation, {c.file}), Halt);
    ASSERT_EQ(t.dialog.entries.size(), 1u);
    EXPECT_EQ(t.dialog.entries[0].title, "File Open Error - Damaged file");
    EXPECT_EQ(t.dialog.entries[0].text,
              "The file " + path +
                  " is empty or damaged:\r\nits records cannot be read.\r\nRestore it from a "
                  "backup, or remove it\r\nto start it empty.\r\nQuillstow will terminate.");
    EXPECT_EQ(storetest::read_all(path), damaged) << "nothing was written into it";
}

INSTANTIATE_TEST_SUITE_P(
    DamagedFiles, OpenLoopDamaged,
    ::testing::Values(
        DamagedCase{"EmptyMailHalts", kMail, cut_to_nothing, kOpOpen, false},
        DamagedCase{"EmptyWordListHalts", kWordList, cut_to_nothing, kOpOpen, false},
        DamagedCase{"EmptyCodesHalts", kCodes, cut_to_nothing, kOpOpen, false},
        DamagedCase{"ZeroedControlHalts", kControl, zero_header, kOpOpen, false},
        DamagedCase{"ForeignPersonHalts", kPerson, foreign_bytes, kOpOpen, false},
        DamagedCase{"EmptyMailHaltsTheProbe", kMail, cut_to_nothing, kOpProbe, false},
        DamagedCase{"EmptyMailIsNotEmptied", kMail, cut_to_nothing, kOpEmpty, false},
        DamagedCase{"EmptySearchIsMadeAnew", kSearch, cut_to_nothing, kOpOpen, true},
        DamagedCase{"EmptyImportHeadersAreMadeAnew", kNHR, cut_to_nothing, kOpOpen, true},
        DamagedCase{"ZeroedImportIdentifiersAreMadeAnew", kTID, zero_header, kOpOpen, true}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) { return info.param.name; });

// Every write of a file's creation fails in turn: the file is never left under its name, empty
// or half made, and the next open makes it whole.
TEST(OpenLoop, AFailedCreationLeavesNoFileBehind) {
    HomeDir home;
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    std::string path;
    int n = 1;
    for (;; ++n) {
        ASSERT_LT(n, 100) << "the creation never got through";
        TestSession t(home.dir, "F1");
        path = full_name(t.s, kMail);
        fault.fail_after(n, true);
        bool made = true;
        try {
            OP_CLOSE(t.s, kOpOpen, {kMail});
        } catch (const Halt&) {
            made = false;
        }
        fault.fail_after(0);
        if (made) break;
        EXPECT_TRUE(t.dialog.saw("is missing!")) << n;
        EXPECT_FALSE(fs::exists(path)) << "write " << n << " failed";
        EXPECT_TRUE(fs::list_files(home.dir + "/F1", "*").empty()) << n;
    }
    vfs::set_base(nullptr);
    EXPECT_GT(n, 1);
    EXPECT_EQ(storetest::records(path, kMail), "0");
}

// Ways the keys of a file get damaged; the records themselves are intact.
void drop_index(const std::string& path, const std::string& index) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = "DROP INDEX \"" + index + "\"";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void scribble_over_tree(const std::string& path, const std::string& tree) {
    std::string root = storetest::query_file(
        path, kPerson, "SELECT rootpage FROM sqlite_master WHERE name = '" + tree + "'");
    std::string page_size = storetest::query_file(path, kPerson, "PRAGMA page_size");
    ASSERT_FALSE(root.empty());
    off_t size = std::stoi(page_size);
    std::string garbage(static_cast<size_t>(size), '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 37 + 11);
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(pwrite(fd, garbage.data(), garbage.size(), (std::stoi(root) - 1) * size),
              static_cast<ssize_t>(garbage.size()));
    close(fd);
}

void redefine_index(const std::string& path, const std::string& index) {
    drop_index(path, index);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = "CREATE INDEX \"" + index + "\" ON rec(PERSONID)";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

struct DamageCase {
    const char* name;
    void (*damage)(const std::string& path, const std::string& index);
    uint8_t do_task;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class OpenLoopBadKeys : public ::testing::TestWithParam<DamageCase> {};

void add_persons(Session& s, int n) {
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kPerson})));
    for (int i = 1; i <= n; ++i) {
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = static_cast<uint32_t>(i);
        std::string string = "person " + std::to_string(1000 + i) + "@example.org";
        s.rec.Person.PERSONSTRING = string;
        s.rec.Person.LASTNAME = "Name" + std::to_string(i % 7);
        ASSERT_TRUE(UppDat(s, kPerson, kAdd, kRollback));
    }
    ASSERT_TRUE(Commit(s));
}

TEST_P(OpenLoopBadKeys, AreRebuiltOnOpen) {
    const DamageCase& c = GetParam();
    HomeDir home;
    std::string path;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kPerson});
        add_persons(t.s, 300);
        path = full_name(t.s, kPerson);
    }
    c.damage(path, "k_StringKey");
    TestSession t(home.dir);
    Session& s = t.s;
    s.mem.DoTask = c.do_task;
    ASSERT_NO_THROW(OP_CLOSE(s, kOpOpen, {kPerson})) << t.dialog.entries.back().text;
    if (s.quiet()) {
        EXPECT_TRUE(t.dialog.entries.empty());
    } else {
        ASSERT_EQ(t.dialog.entries.size(), 1u);
        EXPECT_EQ(t.dialog.entries[0].title, "File Open Error - Bad keys");
        EXPECT_EQ(t.dialog.entries[0].text,
                  "The file " + path +
                      " cannot be opened\r\ndue to corrupted indices.\r\nAutomatic rebuild will "
                      "take place.");
    }
    for (int i : {1, 150, 300}) {
        s.rec.Person = Person{};
        std::string string = "PERSON " + std::to_string(1000 + i) + "@EXAMPLE.ORG";
        s.rec.Person.PERSONSTRING = string;
        ASSERT_TRUE(Get(s, kPerson, keys::StringKey)) << i;
        EXPECT_EQ(s.rec.Person.PERSONID, static_cast<uint32_t>(i));
    }
    int n = 0;
    Set(s, kPerson, keys::StringKey);
    while (Next(s, kPerson)) ++n;
    EXPECT_EQ(n, 300);
    s.rec.Person.PERSONID = 301;
    s.rec.Person.PERSONSTRING = "person 1001@example.org";
    EXPECT_FALSE(UppDat(s, kPerson, kAdd, 0)) << "the rebuilt key is unique again";
    ASSERT_TRUE(Fetch(s, kPerson, 150));
    EXPECT_EQ(s.rec.Person.PERSONID, 150u) << "records keep their positions";
    s.rec.Person.PERSONID = 301;
    s.rec.Person.PERSONSTRING = "person 301";
    ASSERT_TRUE(UppDat(s, kPerson, kAdd, kReport));
    EXPECT_EQ(handle(s, kPerson).position(), 301);
    OP_CLOSE(s, kOpClose, {kPerson});
    EXPECT_EQ(storetest::integrity(path, kPerson), "ok");
}

INSTANTIATE_TEST_SUITE_P(
    DamagedKeys, OpenLoopBadKeys,
    ::testing::Values(DamageCase{"DroppedIndexTold", drop_index, 0},
                      DamageCase{"DroppedIndexQuiet", drop_index, 2},
                      DamageCase{"ScribbledIndexTold", scribble_over_tree, 0},
                      DamageCase{"ScribbledIndexQuiet", scribble_over_tree, 2},
                      DamageCase{"RedefinedIndexTold", redefine_index, 0},
                      DamageCase{"RedefinedIndexUnattended", redefine_index, 6}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(OpenLoop, DamagedRecordsCannotBeRebuiltAndStopTheProgram) {
    HomeDir home;
    std::string path;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kPerson});
        add_persons(t.s, 300);
        path = full_name(t.s, kPerson);
    }
    scribble_over_tree(path, "rec");
    TestSession t(home.dir);
    EXPECT_THROW(OP_CLOSE(t.s, kOpOpen, {kPerson}), Halt);
    ASSERT_EQ(t.dialog.entries.size(), 2u);
    EXPECT_EQ(t.dialog.entries[0].title, "File Open Error - Bad keys");
    EXPECT_EQ(t.dialog.entries[1].title, "File Rebuild Error");
    EXPECT_EQ(t.dialog.entries[1].text,
              "The file " + path + " cannot be rebuilt.\r\nQuillstow will terminate.");
}

TEST(OpenLoop, KeysOfAnEncryptedFileAreRebuilt) {
    HomeDir home;
    std::string path;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kMail});
        for (uint32_t i = 1; i <= 100; ++i) {
            t.s.rec.Mail = Mail{};
            t.s.rec.Mail.MAILID = i;
            t.s.rec.Mail.SUBJECT = "subject " + std::to_string(i % 10);
            ASSERT_TRUE(UppDat(t.s, kMail, kAdd, kReport));
        }
        path = full_name(t.s, kMail);
    }
    {
        store::Db db;
        ASSERT_TRUE(db.open(path, file_key(kMail), false));
        ASSERT_TRUE(db.exec("DROP INDEX k_SubjectKey"));
    }
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kMail});
    EXPECT_TRUE(t.dialog.saw("due to corrupted indices."));
    int n = 0;
    Set(t.s, kMail, key_index(kMail, "SubjectKey"));
    while (Next(t.s, kMail)) ++n;
    EXPECT_EQ(n, 100);
    EXPECT_NE(handle(t.s, kMail).plan(key_index(kMail, "SubjectKey"), false).find("k_SubjectKey"),
              std::string::npos);
}

}  // namespace
}  // namespace qs
