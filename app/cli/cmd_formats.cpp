// SPDX-License-Identifier: MIT
// quillstow formats: the reader formats of the catalogue, whether this version has a reader for
// each yet, and their default masks.
#include <iomanip>
#include <sstream>

#include "app/cli/command.h"
#include "app/cli/format_choice.h"
#include "app/cli/json.h"
#include "import/catalogue.h"
#include "import/readers/registry.h"

namespace qs::cli {

namespace {

// Only tells the formats of the paths; exits 1 when one of them could not be told.
int detect(Context& c, const std::vector<std::string>& paths) {
    if (paths.empty()) throw UsageError("name the files or directories to look at");
    bool all = true;
    std::string json;
    for (const PathFormat& p : detect_all(paths)) {
        all = all && settled(p);
        if (c.json)
            json += (json.empty() ? "" : ",") + describe_json(p);
        else
            c.out << describe(p) << "\n";
    }
    if (c.json) c.out << "[" << json << "]\n";
    return all ? kExitOk : kExitFailed;
}

}  // namespace

int cmd_formats(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {"--detect"});
    if (a.flag("--detect")) return detect(c, a.positional());
    a.at_most(0);
    const auto offered = offered_formats();
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < offered.size(); ++i) {
            const Format& f = *offered[i];
            JsonObject o;
            o.number("NUMBER", f.number);
            o.text("NAME", f.name);
            o.text("FAMILY", family_name(f.family));
            o.raw("READER", make_parser(f.name) ? "true" : "false");
            o.text("MASK", f.mask);
            c.out << (i ? "," : "") << o.str();
        }
        c.out << "]\n";
        return kExitOk;
    }
    c.out << std::left << std::setw(4) << "NO" << std::setw(24) << "NAME" << std::setw(12)
          << "FAMILY" << std::setw(8) << "READER"
          << "MASK\n";
    for (const Format* f : offered) {
        std::ostringstream line;
        line << std::left << std::setw(4) << f->number << std::setw(24) << f->name << std::setw(12)
             << family_name(f->family) << std::setw(8) << (make_parser(f->name) ? "yes" : "no")
             << f->mask;
        c.out << trim_right(line.str()) << "\n";  // "Outlook Mail" has no mask
    }
    return kExitOk;
}

}  // namespace qs::cli
