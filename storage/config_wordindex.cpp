// SPDX-License-Identifier: MIT
// Word index settings (record 10) and the word character tables (records 12 to 16).
//
// The four tables form one 1024-byte sequence, IsJunkHash | StartWordHash | InWordHash |
// EndWordHash. Records 12 to 16 keep its 200-byte slices from byte 200 on, each at the start of
// its group (record 16 holds the last 24 bytes); the first slice is never stored, so IsJunkHash
// always keeps its built-in values.
//
// Record 10:   0-99 directory (44, relative to the home when inside it, see stored_path)
//            100 index numbers (49)   101-104 pause count (50, long)
//            105-109 footers and stop words (51 to 55)   110 set at creation (56)
#include <algorithm>
#include <span>

#include "storage/config.h"
#include "storage/config_record.h"
#include "storage/paths.h"

namespace qs {

namespace {

using cfg::Group;
using Sequence = std::array<uint8_t, 1024>;
using Table = std::array<uint8_t, 256>;

// Word index settings failures have their own pair of shipped texts.
enum : uint32_t { kNeoWordIndexTitle = 29, kNeoWordIndexText = 30 };

constexpr uint8_t kWordIndexId = 10;
constexpr uint8_t kFirstRuleId = 12, kLastRuleId = 16;
constexpr size_t kStoredFrom = 200;  // sequence bytes kept in records 12 to 16
constexpr size_t kWordTablesFrom = 256;

struct Range {
    uint8_t first, last;
};

constexpr Range kStartWord[] = {{0, 47},    {58, 64},   {91, 91},   {93, 93},   {95, 96},
                                {123, 126}, {133, 135}, {145, 148}, {160, 160}, {180, 180}};
constexpr Range kInWord[] = {{0, 45},  {47, 47},   {59, 64},   {91, 91},   {93, 93},
                             {96, 96}, {123, 125}, {133, 135}, {160, 160}, {180, 180}};
// Inside a word but never at its end: full stop, colon, underscore, tilde, typographic quotes.
constexpr Range kEndOnly[] = {{46, 46}, {58, 58}, {95, 95}, {126, 126}, {145, 148}};
constexpr Range kJunkDigit[] = {{43, 43}, {45, 46}, {48, 57}};
constexpr Range kJunkHex[] = {{65, 70}, {72, 72}};
constexpr Range kJunkDecoration[] = {{58, 58}, {77, 77},   {80, 80},   {88, 88},   {91, 91},
                                     {93, 93}, {135, 135}, {160, 160}, {163, 163}, {180, 180}};

void mark(Table& t, std::span<const Range> ranges, uint8_t value) {
    for (const Range& r : ranges) std::fill(t.begin() + r.first, t.begin() + r.last + 1, value);
}

}  // namespace

void build_default_word_tables(SettingsState& st) {
    for (Table* t : {&st.StartWordHash, &st.InWordHash, &st.EndWordHash, &st.IsJunkHash})
        t->fill(0);
    mark(st.StartWordHash, kStartWord, 1);
    mark(st.InWordHash, kInWord, 1);
    mark(st.EndWordHash, kInWord, 1);
    mark(st.EndWordHash, kEndOnly, 1);
    mark(st.IsJunkHash, kJunkDigit, 1);
    mark(st.IsJunkHash, kJunkHex, 3);
    mark(st.IsJunkHash, kJunkDecoration, 2);
}

namespace {

Sequence sequence_of(const SettingsState& st) {
    Sequence seq{};
    size_t at = 0;
    for (const Table* t : {&st.IsJunkHash, &st.StartWordHash, &st.InWordHash, &st.EndWordHash}) {
        std::copy(t->begin(), t->end(), seq.begin() + static_cast<ptrdiff_t>(at));
        at += t->size();
    }
    return seq;
}

void take_word_tables(SettingsState& st, const Sequence& seq) {
    auto from = seq.begin() + kWordTablesFrom;
    for (Table* t : {&st.StartWordHash, &st.InWordHash, &st.EndWordHash}) {
        std::copy(from, from + 256, t->begin());
        from += 256;
    }
}

size_t slice_start(uint8_t id) { return kStoredFrom + (id - kFirstRuleId) * Group::size(); }
size_t slice_size(uint8_t id) { return std::min(Group::size(), 1024 - slice_start(id)); }

bool write_rules(Session& s) {
    const Sequence seq = sequence_of(s.settings);
    for (uint8_t id = kFirstRuleId; id <= kLastRuleId; ++id) {
        Group g;
        auto from = seq.begin() + static_cast<ptrdiff_t>(slice_start(id));
        std::copy_n(from, slice_size(id), g.bytes.begin());
        if (!cfg::save_record(s, id, g)) return false;
    }
    return true;
}

// Takes the word tables from records 12 to 16 when all of them can be read; otherwise the
// defaults stay. Missing records are written from the tables in use, all five of them, so that
// the next start reads exactly the tables this run indexes with.
bool load_rules(Session& s) {
    Sequence seq = sequence_of(s.settings);
    bool missing = false, unreadable = false;
    for (uint8_t id = kFirstRuleId; id <= kLastRuleId; ++id) {
        Control c;
        Status st = cfg::read_record(s, id, c);
        missing = missing || st.code() == Code::NotFound;
        unreadable = unreadable || (!st && st.code() != Code::NotFound);
        if (st)
            std::copy_n(c.CTLGROUP.bytes.begin(), slice_size(id),
                        seq.begin() + static_cast<ptrdiff_t>(slice_start(id)));
    }
    if (!missing && !unreadable) take_word_tables(s.settings, seq);
    return !missing || unreadable || write_rules(s);
}

enum class Arg : uint8_t { Text, Byte, Long };

struct Setting {
    int selector;
    uint8_t offset;
    Arg arg;
    int32_t value;  // default; the directory's default is the word index root
};

constexpr uint8_t kDirAt = 0;
constexpr size_t kDirWidth = 100;
constexpr size_t kNumbersAt = 100;
constexpr int kCreatedSelector = item::kWordSettingsCreated;

constexpr Setting kSettings[] = {
    {44, kDirAt, Arg::Text, 0}, {49, 100, Arg::Byte, 1}, {50, 101, Arg::Long, 10000},
    {51, 105, Arg::Byte, 0},    {52, 106, Arg::Byte, 0}, {53, 107, Arg::Byte, 1},
    {54, 108, Arg::Byte, 1},    {55, 109, Arg::Byte, 1}, {56, 110, Arg::Byte, 1},
};

const Setting* find_setting(int selector) {
    for (const Setting& st : kSettings)
        if (st.selector == selector) return &st;
    return nullptr;
}

void put_defaults(const Session& s, Group& g, bool keep_created) {
    for (const Setting& st : kSettings) {
        if (keep_created && st.selector == kCreatedSelector) continue;
        if (st.arg == Arg::Text)
            cfg::put_text(g, st.offset, kDirWidth, stored_path(s, s.MasIdxPath));
        else if (st.arg == Arg::Long)
            cfg::put_long(g, st.offset, st.value);
        else
            g.bytes[st.offset] = static_cast<uint8_t>(st.value);
    }
}

bool load_word_index(Session& s) {
    Control& c = s.settings.word_index;
    Status st = cfg::read_record(s, kWordIndexId, c);
    if (st.code() == Code::NotFound) {
        c = Control{};
        c.ID = kWordIndexId;
        put_defaults(s, c.CTLGROUP, false);
        if (!cfg::save_record(s, kWordIndexId, c.CTLGROUP)) return false;
    } else if (!st) {
        return false;
    } else if (c.CTLGROUP.bytes[kNumbersAt] == ' ') {
        // A block written as text by an old version: its values mean nothing.
        put_defaults(s, c.CTLGROUP, true);
    } else {
        // A directory inside the home that an older version stored whole is kept relative from
        // the next save on.
        std::string dir = cfg::get_text(c.CTLGROUP, kDirAt, kDirWidth);
        cfg::put_text(c.CTLGROUP, kDirAt, kDirWidth, stored_path(s, dir));
    }
    s.settings.word_index_loaded = true;
    return true;
}

uint8_t initialise(Session& s) {
    build_default_word_tables(s.settings);
    if (!load_rules(s) || !load_word_index(s)) return 0;
    return 1;
}

uint8_t access(Session& s, bool set, int selector, std::string* text, uint8_t* byte,
               int32_t* value) {
    const Setting* st = find_setting(selector);
    if (!st) cfg::invalid_xtype(s);
    Group& g = s.settings.word_index.CTLGROUP;
    switch (st->arg) {
        case Arg::Text:
            if (text && set)
                cfg::put_text(g, st->offset, kDirWidth,
                              stored_path(s, std::string(trim_right(*text))));
            if (text && !set) *text = settled_path(s, cfg::get_text(g, st->offset, kDirWidth));
            break;
        case Arg::Long:
            if (value && set) cfg::put_long(g, st->offset, *value);
            if (value && !set) *value = cfg::get_long(g, st->offset);
            break;
        case Arg::Byte:
            if (byte && set) g.bytes[st->offset] = *byte;
            if (byte && !set) *byte = g.bytes[st->offset];
            break;
    }
    return 1;
}

uint8_t save(Session& s) {
    return cfg::save_record(s, kWordIndexId, s.settings.word_index.CTLGROUP) && write_rules(s);
}

}  // namespace

uint8_t WSVars(Session& s, int kind, int selector, std::string* text, uint8_t* byte,
               int32_t* value) {
    uint8_t ok = 0;
    switch (kind) {
        case kLoadSettings: ok = initialise(s); break;
        case kSetSetting:
        case kGetSetting: return access(s, kind == kSetSetting, selector, text, byte, value);
        case kSaveSettings: ok = save(s); break;
        default: return 0;
    }
    return ok ? ok : cfg::settings_failed(s, kNeoWordIndexTitle, kNeoWordIndexText);
}

}  // namespace qs
