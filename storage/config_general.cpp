// SPDX-License-Identifier: MIT
// General (record 1), directory (4), display (9) and export (11) settings, and the window
// records (2, 3, 5 to 8) kept for the desktop program.
//
// Layout of the 200-byte CTLGROUP of each record; longs are 4 bytes little-endian, texts are
// blank-padded, a font is its name (20) followed by its size (long). Unlisted bytes stay zero.
//
//   record 1   0 item 2     4 item 3     8 item 4    12 item 6    16 item 9    20 item 10
//             24 item 11   28 item 12   32 item 13   36 item 16   40 item 19   44-143 item 14
//   record 4   0-99 item 17 (temporary directory)   100-199 item 18 (database root), each
//              relative to the home when it lies inside it
//   record 9   0 item 22    4 item 23    8 item 24   12 item 25   16-32 items 26 to 30
//             36 item 32   40 item 33 (font)  64 item 34 (font)  88 item 35 (font)
//            112 item 36 (font)  136 item 37  140 item 38  144 item 39  148 item 40
//            152 item 42  156 item 46  160 item 47  164 item 48  168 item 57  172 item 58
//            176 item 59  180 item 60
//   record 11  0 item 61    4 item 62    8 item 63
#include <span>
#include <string_view>

#include "storage/config.h"
#include "storage/config_record.h"
#include "storage/neo.h"
#include "storage/paths.h"

namespace qs {

namespace {

using cfg::Group;

enum class Kind : uint8_t { Long, Text, Font };

struct Item {
    int number;
    uint8_t offset;
    Kind kind = Kind::Long;
    int32_t value = 0;           // default of a long, or of a font's size
    std::string_view text = {};  // default of a text, or of a font's name
    uint8_t width = 0;           // of a text or a font's name
};

constexpr int kDefaultMailItem = item::kDefaultMailDatabase;

constexpr Item kGeneral[] = {
    {2, 0, Kind::Long, 1},
    {3, 4, Kind::Long, 15},
    {4, 8, Kind::Long, 1},
    {6, 12},
    {9, 16, Kind::Long, 1},
    {10, 20, Kind::Long, 17},
    {11, 24},
    {12, 28, Kind::Long, 17},
    {13, 32, Kind::Long, 7},
    {16, 36, Kind::Long, 2},
    {kDefaultMailItem, 40},
    {14, 44, Kind::Text, 0, "", 100},
};

constexpr Item kPaths[] = {
    {item::kTempDir, 0, Kind::Text, 0, "", 100},
    {item::kDataDir, 100, Kind::Text, 0, "", 100},
};

constexpr Item kDisplay[] = {
    {22, 0, Kind::Long, 255},
    {23, 4, Kind::Long, 12632256},
    {24, 8, Kind::Long, 8388608},
    {25, 12, Kind::Long, 255},
    {26, 16, Kind::Long, 4},
    {27, 20, Kind::Long, 4},
    {28, 24, Kind::Long, 4},
    {29, 28, Kind::Long, 4},
    {30, 32, Kind::Long, 4},
    {32, 36},
    {33, 40, Kind::Font, 8, "Arial", 20},
    {34, 64, Kind::Font, 8, "Arial", 20},
    {35, 88, Kind::Font, 8, "Arial", 20},
    {36, 112, Kind::Font, 8, "Arial", 20},
    {37, 136},
    {38, 140, Kind::Long, 1},
    {39, 144, Kind::Long, 1},
    {40, 148},
    {42, 152},
    {46, 156},
    {47, 160},
    {48, 164},
    {57, 168},
    {58, 172, Kind::Long, 78},
    {59, 176, Kind::Long, 1},
    {60, 180},
};

constexpr Item kExport[] = {
    {61, 0, Kind::Long, 1},
    {62, 4, Kind::Long, 1},
    {63, 8, Kind::Long, 3},
};

struct SettingsRecord {
    uint8_t id;
    std::span<const Item> items;
    Control SettingsState::*slot;
    bool SettingsState::*loaded;
};

constexpr SettingsRecord kGeneralRec{1, kGeneral, &SettingsState::general,
                                     &SettingsState::general_loaded};
constexpr SettingsRecord kPathsRec{4, kPaths, &SettingsState::paths, &SettingsState::paths_loaded};
constexpr SettingsRecord kDisplayRec{9, kDisplay, &SettingsState::display,
                                     &SettingsState::display_loaded};
constexpr SettingsRecord kExportRec{11, kExport, &SettingsState::export_,
                                    &SettingsState::export_loaded};

enum class Act : uint8_t { Load, Set, Get, Save };

struct Operation {
    int number;
    const SettingsRecord* record;
    Act act;
    bool halt_unknown = false;  // an unknown item is a programming error, not a stale caller
};

constexpr Operation kOperations[] = {
    {kLoadGeneral, &kGeneralRec, Act::Load},     {kSetGeneral, &kGeneralRec, Act::Set, true},
    {kGetGeneral, &kGeneralRec, Act::Get, true}, {kSaveGeneral, &kGeneralRec, Act::Save},
    {kLoadDisplay, &kDisplayRec, Act::Load},     {kSetDisplay, &kDisplayRec, Act::Set},
    {kGetDisplay, &kDisplayRec, Act::Get},       {kSaveDisplay, &kDisplayRec, Act::Save},
    {kLoadExport, &kExportRec, Act::Load},       {kSetExport, &kExportRec, Act::Set},
    {kGetExport, &kExportRec, Act::Get},         {kSaveExport, &kExportRec, Act::Save},
};

constexpr uint8_t kWindowIds[] = {2, 3, 5, 6, 7, 8};

size_t long_at(const Item& it) { return it.kind == Kind::Font ? it.offset + it.width : it.offset; }

const Item* find_item(std::span<const Item> items, int number) {
    for (const Item& it : items)
        if (it.number == number) return &it;
    return nullptr;
}

bool apply_defaults(std::span<const Item> items, Group& g) {
    const Group before = g;
    for (const Item& it : items) {
        if (it.kind != Kind::Long && cfg::text_blank(g, it.offset, it.width))
            cfg::put_text(g, it.offset, it.width, it.text);
        if (it.kind != Kind::Text && cfg::get_long(g, long_at(it)) == 0)
            cfg::put_long(g, long_at(it), it.value);
    }
    return !(g == before);
}

uint8_t failed(Session& s) { return cfg::settings_failed(s, kNeoSettingsTitle, kNeoSettingsText); }

uint8_t load(Session& s, const SettingsRecord& r, std::span<const Item> defaults,
             const cfg::Fixer& more = {}) {
    Control c;
    auto fix = [&](Control& rec) {
        bool changed = apply_defaults(defaults, rec.CTLGROUP);
        return (more && more(rec)) || changed;
    };
    if (!cfg::load_record(s, r.id, c, fix)) return failed(s);
    s.settings.*r.slot = c;
    s.settings.*r.loaded = true;
    return 1;
}

uint8_t save(Session& s, const SettingsRecord& r) {
    return cfg::save_record(s, r.id, (s.settings.*r.slot).CTLGROUP) ? 1 : failed(s);
}

void set_item(Group& g, const Item& it, const int32_t* value, const std::string* text) {
    if (it.kind != Kind::Long && text) cfg::put_text(g, it.offset, it.width, *text);
    if (it.kind != Kind::Text && value) cfg::put_long(g, long_at(it), *value);
}

void get_item(const Group& g, const Item& it, int32_t* value, std::string* text) {
    if (it.kind != Kind::Long && text) *text = cfg::get_text(g, it.offset, it.width);
    if (it.kind != Kind::Text && value) *value = cfg::get_long(g, long_at(it));
}

uint8_t access(Session& s, const SettingsRecord& r, Act act, bool halt_unknown, int item,
               int32_t* value, std::string* text) {
    const Item* it = find_item(r.items, item);
    if (!it) {
        if (halt_unknown) cfg::invalid_xtype(s);
        return 1;
    }
    Group& g = (s.settings.*r.slot).CTLGROUP;
    if (act == Act::Set)
        set_item(g, *it, value, text);
    else
        get_item(g, *it, value, text);
    return 1;
}

}  // namespace

uint8_t Konfig(Session& s, int operation, int item, int32_t* value, std::string* text) {
    for (const Operation& op : kOperations) {
        if (op.number != operation) continue;
        const SettingsRecord& r = *op.record;
        if (op.act == Act::Load) return load(s, r, r.items);
        // A record is read before its items are: saving one never read would write its defaults
        // (or zeros) over the stored settings.
        if (!(s.settings.*r.loaded) && !load(s, r, r.items)) return 0;
        if (op.act == Act::Save) return save(s, r);
        return access(s, r, op.act, op.halt_unknown, item, value, text);
    }
    return 0;
}

uint8_t SetDefaultMailDatabase(Session& s, uint32_t id) {
    int32_t value = static_cast<int32_t>(id);
    return Konfig(s, kSetGeneral, kDefaultMailItem, &value) && Konfig(s, kSaveGeneral) ? 1 : 0;
}

namespace {

// Record 4 holds the temporary directory ("TEMP" under the home) and the database root (the
// home), each in the form stored_path gives; directories inside the home that an older version
// stored whole are turned into that form on loading.
uint8_t load_paths(Session& s) {
    const Item defaults[] = {
        {item::kTempDir, 0, Kind::Text, 0, "TEMP", 100},
        {item::kDataDir, 100, Kind::Text, 0, ".", 100},
    };
    auto relative = [&](Control& rec) {
        bool changed = false;
        for (const Item& it : kPaths) {
            std::string text = cfg::get_text(rec.CTLGROUP, it.offset, it.width);
            std::string stored = stored_path(s, text);
            if (stored == text) continue;
            cfg::put_text(rec.CTLGROUP, it.offset, it.width, stored);
            changed = true;
        }
        return changed;
    };
    return load(s, kPathsRec, defaults, relative);
}

}  // namespace

uint8_t AutoPath(Session& s, int operation, int item, std::string* text) {
    if (operation == kLoadSettings) return load_paths(s);
    if (operation < kSetSetting || operation > kSaveSettings) return 0;
    if (!s.settings.paths_loaded && !load_paths(s)) return 0;
    if (operation == kSaveSettings) return save(s, kPathsRec);
    if (operation == kGetSetting) {
        uint8_t ok = access(s, kPathsRec, Act::Get, true, item, nullptr, text);
        if (text) *text = settled_path(s, *text);
        return ok;
    }
    std::string stored = text ? stored_path(s, std::string(trim_right(*text))) : std::string();
    return access(s, kPathsRec, Act::Set, true, item, nullptr, text ? &stored : nullptr);
}

uint8_t LoadWindowSettings(Session& s) {
    for (size_t i = 0; i < std::size(kWindowIds); ++i) {
        auto keep = [](Control&) {
            return false;
        };
        if (!cfg::load_record(s, kWindowIds[i], s.settings.windows[i], keep)) return failed(s);
    }
    s.settings.windows_loaded = true;
    return 1;
}

uint8_t ResetWindowSettings(Session& s) {
    for (size_t i = 0; i < std::size(kWindowIds); ++i) {
        Control& c = s.settings.windows[i];
        c = Control{};
        c.ID = kWindowIds[i];
        if (!cfg::save_record(s, c.ID, c.CTLGROUP)) return failed(s);
    }
    return 1;
}

const decltype(Control::CTLGROUP)& WindowSettings(const Session& s, int block) {
    return s.settings.windows.at(static_cast<size_t>(block)).CTLGROUP;
}

uint8_t SaveWindowSettings(Session& s, int block, const decltype(Control::CTLGROUP)& group) {
    Control& c = s.settings.windows.at(static_cast<size_t>(block));
    if (!cfg::save_record(s, kWindowIds[block], group)) return failed(s);
    c.CTLGROUP = group;
    return 1;
}

}  // namespace qs
