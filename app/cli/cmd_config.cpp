// SPDX-License-Identifier: MIT
// quillstow config get | set | set-path
#include <algorithm>
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/neo.h"

namespace qs::cli {

namespace {

struct ItemRecord {
    int get_op, set_op, save_op;
    std::vector<int> items;
};

const std::vector<ItemRecord>& item_records() {
    static const std::vector<ItemRecord> r = {
        {kGetGeneral, kSetGeneral, kSaveGeneral, {2, 3, 4, 6, 9, 10, 11, 12, 13, 14, 16, 19}},
        {kGetDisplay, kSetDisplay, kSaveDisplay, {22, 23, 24, 25, 26, 27, 28, 29, 30,
                                                  32, 33, 34, 35, 36, 37, 38, 39, 40,
                                                  42, 46, 47, 48, 57, 58, 59, 60}},
        {kGetExport, kSetExport, kSaveExport, {61, 62, 63}},
    };
    return r;
}

const ItemRecord& record_of(const std::string& word, int& item) {
    item = static_cast<int>(parse_number(word, "ITEM", {"a setting number", 1, 99}));
    for (const auto& r : item_records())
        if (std::find(r.items.begin(), r.items.end(), item) != r.items.end()) return r;
    throw UsageError("no setting " + word);
}

bool text_item(int item) { return item == 14 || (item >= 33 && item <= 36); }

}  // namespace

int cmd_config_get(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    int item = 0;
    const ItemRecord& r = record_of(a.need(0, "ITEM"), item);
    int32_t value = 0;
    std::string text;
    if (!Konfig(c.s, r.get_op, item, &value, &text)) return kExitFailed;
    std::string shown = text_item(item) ? std::string(trim_right(text)) : std::to_string(value);
    if (item >= 33 && item <= 36) shown += " " + std::to_string(value);
    if (c.json) {
        JsonObject o;
        o.number("ITEM", item);
        if (text_item(item)) o.text("TEXT", trim_right(text));
        o.number("VALUE", value);
        c.out << o.str() << "\n";
    } else {
        c.out << shown << "\n";
    }
    return kExitOk;
}

int cmd_config_set(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(2);
    int item = 0;
    const ItemRecord& r = record_of(a.need(0, "ITEM"), item);
    const std::string& word = a.need(1, "VALUE");
    int32_t value = 0;
    std::string text;
    if (text_item(item)) {
        // A font item keeps its size: the value travels beside the name.
        if (!Konfig(c.s, r.get_op, item, &value, &text)) return kExitFailed;
        text = text_from_input(word);
    } else {
        value = static_cast<int32_t>(
            parse_number(word, "VALUE", {"a whole number", INT32_MIN, INT32_MAX}));
    }
    if (!Konfig(c.s, r.set_op, item, &value, &text) || !Konfig(c.s, r.save_op)) return kExitFailed;
    c.out << "setting " << item << " saved\n";
    return kExitOk;
}

int set_path(const std::string& home, const std::string& which, const std::string& dir,
             Session& s) {
    if (which != "data" && which != "index" && which != "temp")
        throw UsageError("say data, index or temp, not " + which);
    std::string path = fs::absolute(dir);
    if (!fs::make_dirs(path)) {
        std::cerr << "quillstow: cannot create the directory " << path << "\n";
        return kExitFailed;
    }
    s.mem.Net = fs::absolute(home);
    s.mem.TempDir = fs::join(s.mem.Net, "TEMP");
    s.mem.FileDir = s.MasIdxPath = s.mem.Net;
    s.mem.Dirnamn = "CFG";
    fs::make_dirs(fs::join(s.mem.Net, "CFG"));
    if (!InstallNeoTexts(s) || !AutoPath(s, kLoadSettings)) return kExitFailed;
    bool ok;
    if (which == "index") {
        std::string top;
        if (!AutoPath(s, kGetSetting, item::kDataDir, &top)) return kExitFailed;
        if (fs::is_dir(std::string(trim_right(top)))) s.MasIdxPath = std::string(trim_right(top));
        ok = WSVars(s, kLoadSettings) && WSVars(s, kSetSetting, item::kWordIndexDir, &path) &&
             WSVars(s, kSaveSettings);
    } else {
        ok = AutoPath(s, kSetSetting, which == "data" ? item::kDataDir : item::kTempDir, &path) &&
             AutoPath(s, kSaveSettings);
    }
    if (!ok) return kExitFailed;
    std::cout << which << " directory set to " << path << "\n";
    return kExitOk;
}

}  // namespace qs::cli
