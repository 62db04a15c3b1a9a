// SPDX-License-Identifier: MIT
#include "app/cli/format_choice.h"

#include "app/cli/json.h"

namespace qs::cli {

std::vector<PathFormat> detect_all(const std::vector<std::string>& paths) {
    std::vector<PathFormat> out;
    for (const auto& p : paths) out.push_back({p, detect_format(p)});
    return out;
}

std::string describe(const PathFormat& p) {
    const auto& c = p.found.candidates;
    if (p.found.missing) return p.path + ": there is no such file or directory";
    if (!p.found.index_of.empty()) return p.path + ": the index of " + p.found.index_of;
    if (c.empty()) return p.path + ": no format fits";
    if (p.found.known())
        return p.path + ": " + c[0] + (p.found.tree ? " (the folders below it)" : "");
    std::string list;
    for (size_t i = 0; i < c.size(); ++i)
        list += (i == 0 ? "\"" : i + 1 == c.size() ? " or \"" : ", \"") + c[i] + "\"";
    return p.path + ": cannot tell the format; it may be " + list;
}

std::string describe_json(const PathFormat& p) {
    JsonObject o;
    o.raw("PATH", json_string(p.path));
    o.raw("FORMAT", p.found.known() ? json_string(p.found.candidates[0]) : "null");
    std::string list;
    for (const auto& c : p.found.candidates) list += (list.empty() ? "" : ",") + json_string(c);
    o.raw("CANDIDATES", "[" + list + "]");
    o.raw("TREE", p.found.tree ? "true" : "false");
    if (!p.found.index_of.empty()) o.raw("INDEX_OF", json_string(p.found.index_of));
    return o.str();
}

}  // namespace qs::cli
