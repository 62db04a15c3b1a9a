// SPDX-License-Identifier: MIT
// quillstow wordsets: the saved word definition sets.
#include <iomanip>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "wordindex/word_sets.h"

namespace qs::cli {

int cmd_wordsets(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(0);
    if (!words::ShipWordSets(c.s)) return kExitFailed;
    const auto sets = words::ListWordSets(c.s);
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < sets.size(); ++i) {
            JsonObject o;
            o.text("SETNAME", sets[i].name);
            o.number("RECORDS", static_cast<int64_t>(sets[i].records));
            o.number("START", sets[i].start);
            o.number("INSIDE", sets[i].inside);
            o.number("END", sets[i].end);
            c.out << (i ? "," : "") << o.str();
        }
        c.out << "]\n";
        return kExitOk;
    }
    for (const auto& set : sets)
        c.out << std::left << pad_to_width(set.name, 41) << std::right << std::setw(4)
              << set.records << " start " << std::setw(3) << set.start << "  inside "
              << std::setw(3) << set.inside << "  end " << std::setw(3) << set.end << "\n";
    return kExitOk;
}

}  // namespace qs::cli
