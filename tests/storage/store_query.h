// SPDX-License-Identifier: MIT
// Looks into record files with SQL, for the storage tests that check what is on the disk.
#pragma once

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <string>

#include "storage/file_access.h"

namespace qs::storetest {

// The first column of the first row of `sql` run on a record file through the store's own
// connection (so encrypted files and the key collation work); "" when there is none.
inline std::string query_file(const std::string& path, int file, const std::string& sql) {
    store::Db db;
    if (!db.open(path, file_key(file), false)) return "cannot open";
    sqlite3_stmt* raw = nullptr;
    if (!db.prepare(sql, &raw)) return "cannot prepare";
    store::Stmt s(raw);
    if (sqlite3_step(s.get()) != SQLITE_ROW) return "";
    const unsigned char* t = sqlite3_column_text(s.get(), 0);
    return t ? reinterpret_cast<const char*>(t) : "";
}

inline std::string integrity(const std::string& path, int file) {
    return query_file(path, file, "PRAGMA integrity_check");
}

// The number of records of a record file, or "cannot prepare" when it has no record table.
inline std::string records(const std::string& path, int file) {
    return query_file(path, file, "SELECT count(*) FROM rec");
}

// The bytes of a file as they are on the disk.
inline std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qs::storetest
