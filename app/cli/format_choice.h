// SPDX-License-Identifier: MIT
// The formats of the paths an import names without --format, as the user is told them.
#pragma once

#include <string>
#include <vector>

#include "import/readers/format_detect.h"

namespace qs::cli {

struct PathFormat {
    std::string path;
    Detection found;
};

std::vector<PathFormat> detect_all(const std::vector<std::string>& paths);
// Known, or an index that is read with its mailbox (and passed over).
inline bool settled(const PathFormat& p) { return p.found.known() || !p.found.index_of.empty(); }
// "PATH: Maildir", "PATH: cannot tell the format; it may be "A" or "B"", "PATH: no format fits".
std::string describe(const PathFormat& p);
// {"PATH":...,"FORMAT":... or null,"CANDIDATES":[...],"TREE":true|false[,"INDEX_OF":...]}
std::string describe_json(const PathFormat& p);

}  // namespace qs::cli
