// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <memory>

#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() : dir_(home_.dir) { s_ = session(); }

    // Another start of the program on the same home (or another process beside this one).
    std::unique_ptr<Session> session() {
        auto s = std::make_unique<Session>(dialog_, clock_);
        s->mem.Net = s->mem.FileDir = s->MasIdxPath = dir_;
        s->mem.TempDir = dir_ + "/TEMP";
        s->mem.Dirnamn = "CFG";
        return s;
    }

    // The Control record as stored; ID 0 when it does not exist.
    Control raw(uint8_t id) {
        OP_CLOSE(*s_, kOpOpen, {kControl});
        s_->rec.Control = Control{};
        s_->rec.Control.ID = id;
        Control c = Get(*s_, kControl, keys::CtlIdKey) ? s_->rec.Control : Control{};
        OP_CLOSE(*s_, kOpClose, {kControl});
        return c;
    }
    // Writes or deletes a Control record behind the settings' back.
    void put_raw(const Control& c) { change_raw(c, false); }
    void drop_raw(uint8_t id) {
        Control c;
        c.ID = id;
        change_raw(c, true);
    }
    void change_raw(const Control& c, bool drop) {
        OP_CLOSE(*s_, kOpOpen, {kControl});
        s_->rec.Control = c;
        bool found = Get(*s_, kControl, keys::CtlIdKey);
        s_->rec.Control = c;
        if (found || !drop) {
            EXPECT_TRUE(UppDat(*s_, kControl, drop ? kDelete : found ? kUpdate : kAdd, kReport));
        }
        OP_CLOSE(*s_, kOpClose, {kControl});
    }
    int32_t get(int op, int item) {
        int32_t v = -1;
        EXPECT_EQ(Konfig(*s_, op, item, &v), 1);
        return v;
    }
    // A word index setting: the pause count (50) or a byte (the others but 44).
    int32_t ws_get(int selector) {
        uint8_t b = 0;
        int32_t v = 0;
        EXPECT_TRUE(WSVars(*s_, 3, selector, nullptr, &b, &v));
        return selector == 50 ? v : b;
    }
    void ws_set(int selector, int32_t v) {
        auto b = static_cast<uint8_t>(v);
        EXPECT_TRUE(WSVars(*s_, 2, selector, nullptr, &b, &v));
    }
    // A text item through Konfig ('K'), AutoPath ('A') or WSVars ('W').
    std::string text_op(char proc, int op, int item, std::string text = {}) {
        if (proc == 'K') {
            EXPECT_TRUE(Konfig(*s_, op, item, nullptr, &text));
        }
        if (proc == 'A') {
            EXPECT_TRUE(AutoPath(*s_, op, item, &text));
        }
        if (proc == 'W') {
            EXPECT_TRUE(WSVars(*s_, op, item, &text));
        }
        return text;
    }

    testing::HomeDir home_;
    std::string dir_;
    RecordingDialog dialog_;
    FixedClock clock_{80000, 1};
    std::unique_ptr<Session> s_;
};

TEST_F(ConfigTest, DefaultsFillZeroItemsAndPersist) {
    struct Row {
        int load, item;  // set, get and save are the three operations after load
        int32_t fallback, changed;
    };
    const Row rows[] = {
        {1, 2, 1, 5},    {1, 3, 15, 20}, {1, 10, 17, 6}, {1, 13, 7, 9},
        {1, 16, 2, 3},   {1, 19, 0, 77}, {6, 30, 4, 7},  {6, 23, 12632256, 1},
        {6, 58, 78, 72}, {6, 34, 8, 10}, {23, 63, 3, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.item);
        for (int32_t v : {r.changed, 0}) {  // a zero item takes its default again
            s_ = session();
            ASSERT_EQ(Konfig(*s_, r.load), 1);
            EXPECT_TRUE(Konfig(*s_, r.load + 1, r.item, &v));
            ASSERT_EQ(Konfig(*s_, r.load + 3), 1);
            s_ = session();
            EXPECT_TRUE(Konfig(*s_, r.load));
            EXPECT_EQ(get(r.load + 2, r.item), v ? v : r.fallback);
        }
    }
    EXPECT_TRUE(dialog_.entries.empty());
}

TEST_F(ConfigTest, CounterStartsAt250000AndIsOnlyRaised) {
    struct Row {
        bool exists;
        uint32_t stored, next;
    };
    const Row rows[] = {{true, 1200, 250000}, {true, 300000, 300000}, {false, 0, 250000}};
    for (const Row& r : rows) {
        Control c;
        c.ID = 1;
        c.NEXTNUMBER = r.stored;
        if (r.exists)
            put_raw(c);
        else
            drop_raw(1);
        s_ = session();
        ASSERT_EQ(Konfig(*s_, 1), 1);
        OP_CLOSE(*s_, kOpOpen, {kControl});
        EXPECT_EQ(NextNr(*s_), r.next);
        EXPECT_EQ(NextNr(*s_), r.next + 1);
        OP_CLOSE(*s_, kOpClose, {kControl});
    }
}

TEST_F(ConfigTest, SavingGeneralKeepsNumbersHandedOutMeanwhile) {
    ASSERT_EQ(Konfig(*s_, 1), 1);
    auto other = session();
    OP_CLOSE(*other, kOpOpen, {kControl});
    for (uint32_t n = 250000; n < 250003; ++n) EXPECT_EQ(NextNr(*other), n);
    int32_t v = 3;
    EXPECT_TRUE(Konfig(*s_, 2, 2, &v));
    ASSERT_EQ(Konfig(*s_, 4), 1);
    ASSERT_EQ(Konfig(*s_, 1), 1);
    EXPECT_EQ(NextNr(*other), 250003u);
    OP_CLOSE(*other, kOpClose, {kControl});
}

TEST_F(ConfigTest, UnknownItemsHaltOnlyWhereTheyCannotBeStale) {
    EXPECT_TRUE(Konfig(*s_, 6));
    struct Row {
        char proc;
        int op, item;
    };
    const Row halting[] = {{'K', 2, 5},  {'K', 3, 22}, {'A', 2, 19},
                           {'A', 3, 14}, {'W', 2, 45}, {'W', 3, 0}};
    for (const Row& r : halting) {
        dialog_.clear();
        EXPECT_THROW(text_op(r.proc, r.op, r.item), Halt);
        EXPECT_TRUE(dialog_.saw("Internal Error - invalid xType"));
    }
    dialog_.clear();
    int32_t v = 77;
    EXPECT_EQ(Konfig(*s_, 7, 2, &v), 1);
    EXPECT_EQ(Konfig(*s_, 8, 3, &v), 1);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(get(8, 22), 255);  // item 2 did not land in the display record
    EXPECT_TRUE(dialog_.entries.empty());
}

TEST_F(ConfigTest, TextItemsAreCutAndPaddedToTheirWidth) {
    EXPECT_TRUE(Konfig(*s_, 1));
    EXPECT_TRUE(Konfig(*s_, 6));
    EXPECT_TRUE(AutoPath(*s_, 1));
    EXPECT_TRUE(WSVars(*s_, 1));
    struct Row {
        char proc;
        int set, get, item;
        size_t width;
        std::string lead;  // directories outside the home are kept whole
    };
    const Row rows[] = {{'K', 2, 3, 14, 100, ""},
                        {'K', 7, 8, 35, 20, ""},
                        {'A', 2, 3, 17, 100, "/"},
                        {'W', 2, 3, 44, 100, "/"}};
    for (const Row& r : rows) {
        text_op(r.proc, r.set, r.item, r.lead + std::string(r.width + 7, 'x'));
        EXPECT_EQ(text_op(r.proc, r.get, r.item),
                  r.lead + std::string(r.width - r.lead.size(), 'x'));
        text_op(r.proc, r.set, r.item, r.lead + "ab  ");  // nothing of the longer text stays
        EXPECT_EQ(text_op(r.proc, r.get, r.item), r.lead + "ab");
    }
    EXPECT_TRUE(Konfig(*s_, 4));
    const Control general = raw(1);
    const auto& g = general.CTLGROUP.bytes;
    EXPECT_EQ(std::string(g.begin() + 44, g.begin() + 144), "ab" + std::string(98, ' '));
}

TEST_F(ConfigTest, PathsDefaultToTheHome) {
    ASSERT_EQ(AutoPath(*s_, 1), 1);
    std::string temp, root;
    EXPECT_TRUE(AutoPath(*s_, 3, 17, &temp));
    EXPECT_TRUE(AutoPath(*s_, 3, 18, &root));
    EXPECT_EQ(temp, dir_ + "/TEMP");
    EXPECT_EQ(root, dir_);
}

// Directories inside the home are kept relative to it, so that a copy of the home works on its
// own directories; others are kept whole.
TEST_F(ConfigTest, DirectoriesInsideTheHomeAreStoredRelativeToIt) {
    struct Row {
        char proc;  // AutoPath or WSVars
        int item;
        std::string dir;  // under the home unless it starts with "/"
        std::string stored;
    };
    const Row rows[] = {
        {'A', 17, "work/tmp", "work/tmp"},   {'A', 18, "", "."},
        {'A', 18, "/srv/data", "/srv/data"}, {'W', 44, "index", "index"},
        {'W', 44, "x/../../elsewhere", ""},  // beside the home: kept whole
    };
    ASSERT_EQ(AutoPath(*s_, 1), 1);
    ASSERT_EQ(WSVars(*s_, 1), 1);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.dir);
        s_->mem.Net = dir_;
        std::string dir = r.dir.starts_with('/') ? r.dir : fs::absolute(dir_ + "/" + r.dir);
        std::string stored = r.stored.empty() ? dir : r.stored;
        text_op(r.proc, 2, r.item, dir);
        ASSERT_EQ(r.proc == 'A' ? AutoPath(*s_, 4) : WSVars(*s_, 4), 1);
        const Control c = raw(r.proc == 'A' ? 4 : 10);
        size_t at = r.item == 18 ? 100 : 0;
        auto from = c.CTLGROUP.bytes.begin() + static_cast<ptrdiff_t>(at);
        EXPECT_EQ(std::string(from, from + 100), stored + std::string(100 - stored.size(), ' '));
        EXPECT_EQ(text_op(r.proc, 3, r.item), dir);
        s_->mem.Net = "/copy/of/home";  // the same settings read in a copy of the home
        std::string moved =
            stored.starts_with('/') ? stored : fs::absolute("/copy/of/home/" + stored);
        EXPECT_EQ(text_op(r.proc, 3, r.item), moved);
    }
}

// Settings of older versions hold every directory whole: those inside the home still name the
// same directories and are kept relative from then on.
TEST_F(ConfigTest, WholeDirectoriesOfOlderSettingsStillWork) {
    ASSERT_EQ(AutoPath(*s_, 1), 1);
    Control paths = raw(4);
    const std::string temp = dir_ + "/old/temp";
    std::copy(temp.begin(), temp.end(), paths.CTLGROUP.bytes.begin());
    std::fill(paths.CTLGROUP.bytes.begin() + static_cast<ptrdiff_t>(temp.size()),
              paths.CTLGROUP.bytes.begin() + 100, ' ');
    put_raw(paths);
    s_ = session();
    ASSERT_EQ(AutoPath(*s_, 1), 1);
    EXPECT_EQ(text_op('A', 3, 17), temp);
    EXPECT_EQ(text_op('A', 3, 18), dir_);
    const auto& stored = raw(4).CTLGROUP.bytes;
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 8), "old/temp");
}

// The export settings (record 11) are read before their items are used: a first look shows the
// defaults, and a change saved survives the next start without wiping the other items.
TEST_F(ConfigTest, ExportSettingsAreReadBeforeUse) {
    EXPECT_EQ(get(25, 61), 1);
    int32_t v = 5;
    ASSERT_EQ(Konfig(*s_, 24, 62, &v), 1);
    ASSERT_EQ(Konfig(*s_, 26), 1);
    s_ = session();
    EXPECT_EQ(get(25, 62), 5);
    EXPECT_EQ(get(25, 63), 3);
}

TEST_F(ConfigTest, PaceFollowsTheLevels) {
    struct Row {
        int32_t level;
        std::array<int32_t, 6> values;
    };
    const Row rows[] = {
        {1, {50, 50, 1, 1, 8, 10}},        {2, {100, 100, 3, 3, 16, 20}},
        {3, {250, 200, 7, 7, 30, 20}},     {4, {500, 275, 10, 10, 50, 25}},
        {5, {750, 350, 20, 20, 70, 25}},   {6, {1000, 500, 30, 30, 85, 50}},
        {7, {1250, 700, 40, 40, 100, 50}},
    };
    EXPECT_EQ(SpeedVal(*s_, 2), 1);  // display record never read
    for (int item = 26; item <= 31; ++item)
        EXPECT_EQ(SpeedVal(*s_, 3, item), (std::array{500, 300, 4, 4, 4, 0})[item - 26]);
    ASSERT_EQ(Konfig(*s_, 6), 1);
    for (const Row& r : rows) {
        for (int item = 26; item <= 30; ++item) {
            int32_t level = item == 30 ? r.level : 8 - r.level;  // 31 must follow item 30 only
            EXPECT_TRUE(Konfig(*s_, 7, item, &level));
        }
        SpeedVal(*s_, 2);
        const Row& other = rows[7 - r.level];
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(SpeedVal(*s_, 3, 26 + i), other.values[static_cast<size_t>(i)]);
        EXPECT_EQ(SpeedVal(*s_, 3, 30), r.values[4]) << r.level;
        EXPECT_EQ(SpeedVal(*s_, 3, 31), r.values[5]) << r.level;
    }
}

TEST_F(ConfigTest, DefaultCharacterTables) {
    ASSERT_EQ(WSVars(*s_, 1), 1);
    struct Row {
        int code;
        uint8_t start, in, end, junk;
    };
    const Row rows[] = {
        {'.', 1, 0, 1, 1}, {'A', 0, 0, 0, 3}, {133, 1, 1, 1, 0}, {'_', 1, 0, 1, 0},
        {'-', 1, 1, 1, 1}, {'5', 0, 0, 0, 1}, {':', 1, 0, 1, 2}, {'~', 1, 0, 1, 0},
        {146, 1, 0, 1, 0}, {'M', 0, 0, 0, 2}, {'G', 0, 0, 0, 0}, {233, 0, 0, 0, 0},
        {'/', 1, 1, 1, 0}, {'@', 1, 1, 1, 0}, {163, 0, 0, 0, 2}, {'^', 0, 0, 0, 0},
    };
    const SettingsState& t = s_->settings;
    for (const Row& r : rows) {
        auto c = static_cast<size_t>(r.code);
        EXPECT_EQ(t.StartWordHash[c], r.start) << r.code;
        EXPECT_EQ(t.InWordHash[c], r.in) << r.code;
        EXPECT_EQ(t.EndWordHash[c], r.end) << r.code;
        EXPECT_EQ(t.IsJunkHash[c], r.junk) << r.code;
    }
}

TEST_F(ConfigTest, CharacterTablesSurviveARestart) {
    ASSERT_EQ(WSVars(*s_, 1), 1);
    s_->settings.InWordHash['-'] = 0;   // record 13
    s_->settings.EndWordHash[200] = 1;  // record 15
    s_->settings.EndWordHash[255] = 1;  // the last byte, record 16
    s_->settings.IsJunkHash[210] = 9;   // stored, but never taken back
    ASSERT_EQ(WSVars(*s_, 4), 1);
    s_ = session();
    ASSERT_EQ(WSVars(*s_, 1), 1);
    EXPECT_EQ(s_->settings.InWordHash['-'], 0);
    EXPECT_EQ(s_->settings.EndWordHash[200], 1);
    EXPECT_EQ(s_->settings.EndWordHash[255], 1);
    EXPECT_EQ(s_->settings.IsJunkHash[210], 0);

    // One record lost: this start and every later one index with the defaults.
    drop_raw(14);
    for (int start = 0; start < 2; ++start) {
        s_ = session();
        ASSERT_EQ(WSVars(*s_, 1), 1);
        EXPECT_EQ(s_->settings.InWordHash['-'], 1);
        EXPECT_EQ(s_->settings.EndWordHash[200], 0);
    }
    EXPECT_EQ(raw(14).ID, 14);
}

TEST_F(ConfigTest, WordIndexRecordDefaultsAndReset) {
    ASSERT_EQ(WSVars(*s_, 1), 1);
    const Control created = raw(10);
    const auto& g = created.CTLGROUP.bytes;
    EXPECT_EQ(std::string(g.begin(), g.begin() + 100), "." + std::string(99, ' '))
        << "the home itself, relative to the home";
    const std::array<uint8_t, 11> block{1, 0x10, 0x27, 0, 0, 0, 0, 1, 1, 1, 1};
    EXPECT_TRUE(std::equal(block.begin(), block.end(), g.begin() + 100));

    const std::string path = "/srv/index";
    text_op('W', 2, 44, path);
    ws_set(50, 25000);
    ws_set(52, 1);
    ASSERT_EQ(WSVars(*s_, 4), 1);
    s_ = session();
    ASSERT_EQ(WSVars(*s_, 1), 1);
    EXPECT_EQ(text_op('W', 3, 44), path);
    EXPECT_EQ(ws_get(50), 25000);
    EXPECT_EQ(ws_get(52), 1);

    Control spaced = raw(10);
    spaced.CTLGROUP.bytes[100] = ' ';
    spaced.CTLGROUP.bytes[110] = 7;
    put_raw(spaced);
    s_ = session();
    ASSERT_EQ(WSVars(*s_, 1), 1);
    EXPECT_EQ(text_op('W', 3, 44), dir_);
    EXPECT_EQ(ws_get(50), 10000);
    EXPECT_EQ(ws_get(49), 1);
    EXPECT_EQ(ws_get(52), 0);
    EXPECT_EQ(ws_get(56), 7);
    EXPECT_EQ(raw(10).CTLGROUP, spaced.CTLGROUP);  // the reset is not written back
}

TEST_F(ConfigTest, LocatorTypesAhead) {
    struct Key {
        int code;
        int32_t now;
        uint8_t result;
        const char* locator;
    };
    struct Row {
        const char* name;
        int32_t interval;  // item 3
        std::vector<Key> keys;
    };
    const Row rows[] = {
        {"appends within the interval", 15, {{'A', 100, 1, "A"}, {'B', 250, 1, "AB"}}},
        {"restarts after it", 15, {{'A', 100, 1, "A"}, {'B', 251, 1, "B"}}},
        {"pad digits and space", 15, {{kKeyPad0 + 3, 100, 1, "3"}, {' ', 110, 1, "3 "}}},
        {"not a locator key", 15, {{'A', 100, 1, "A"}, {'.', 110, 0, "A"}, {0x70, 120, 0, "A"}}},
        {"over 35 counts as 15", 40, {{'A', 100, 1, "A"}, {'B', 300, 1, "B"}}},
        {"30 is taken as it is", 30, {{'A', 100, 1, "A"}, {'B', 400, 1, "AB"}}},
        {"across midnight", 15, {{'A', 8639990, 1, "A"}, {'B', 50, 1, "AB"}}},
    };
    EXPECT_TRUE(Konfig(*s_, 1));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        int32_t interval = r.interval;
        EXPECT_TRUE(Konfig(*s_, 2, 3, &interval));
        s_->settings.last_locator_key = 0;
        std::string locator = "old";
        for (const Key& k : r.keys) {
            EXPECT_EQ(IncrementStep(*s_, locator, k.code, k.now), k.result);
            EXPECT_EQ(locator, k.locator);
        }
    }
    std::string locator;
    for (int32_t t = 1000; t < 1120; t += 10) IncrementStep(*s_, locator, 'Q', t);
    EXPECT_EQ(locator, std::string(10, 'Q'));
}

TEST_F(ConfigTest, CalcMaxKeepsProgressWithin32767Steps) {
    struct Row {
        int64_t count, step, size;
    };
    for (const Row& r : {Row{0, 1, 0}, Row{32767, 1, 32767}, Row{32768, 2, 16384},
                         Row{65536, 3, 21845}, Row{100000, 4, 25000}}) {
        int64_t step = 0, size = 0;
        CalcMax(r.count, step, size);
        EXPECT_EQ(step, r.step) << r.count;
        EXPECT_EQ(size, r.size) << r.count;
    }
}

TEST_F(ConfigTest, WindowRecordsAreAddedAndReset) {
    ASSERT_EQ(LoadWindowSettings(*s_), 1);
    for (uint8_t id : {2, 3, 5, 6, 7, 8}) EXPECT_EQ(raw(id).ID, id);
    Control placed = raw(5);
    placed.CTLGROUP.bytes[0] = 42;
    put_raw(placed);
    s_ = session();
    ASSERT_EQ(LoadWindowSettings(*s_), 1);
    EXPECT_EQ(s_->settings.windows[2].CTLGROUP.bytes[0], 42);
    ASSERT_EQ(ResetWindowSettings(*s_), 1);
    EXPECT_EQ(raw(5).CTLGROUP, Bytes<200>{});
    EXPECT_EQ(s_->settings.windows[2].CTLGROUP, Bytes<200>{});
}

}  // namespace
}  // namespace qs
