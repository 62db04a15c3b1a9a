// SPDX-License-Identifier: MIT
// quillstow topics: the topics (or key words) of a database with the number of messages of each,
// counted anew as the topics list counts them when it opens.
#include <iomanip>
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "app/topics.h"

namespace qs::cli {

int cmd_topics(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {"--key-words"});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    const uint8_t type = a.flag("--key-words") ? kKeyWordCode : kTopicCode;
    const int64_t count = RecountCodes(c.s, type);
    if (count < 0) return kExitFailed;
    std::vector<Codes> codes = ListCodes(c.s, type);
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < codes.size(); ++i) {
            JsonObject o;
            add_fields(o, codes[i]);
            c.out << (i ? "," : "") << o.str();
        }
        c.out << "]\n";
        return kExitOk;
    }
    c.out << codes_title(c.s, type, static_cast<uint64_t>(count)) << "\n";
    for (const Codes& code : codes)
        c.out << std::right << std::setw(7) << code.COUNT << "  " << code.INDEX.str() << "\n";
    return kExitOk;
}

}  // namespace qs::cli
