// SPDX-License-Identifier: MIT
// A transaction connection (private to the store).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/sqlite_db.h"

namespace qs::store {

// A connection with several files attached, reused for every transaction over the same files.
struct Group {
    std::vector<std::string> paths;  // sorted; paths[0] is the connection's main database
    Db db;
    std::map<std::string, std::string> schema_of;  // path -> "main", "f1", ...
};

}  // namespace qs::store
