// SPDX-License-Identifier: MIT
// The SQL text of a record file's schema and statements, built once per declaration and schema
// name, and the per-connection set of prepared statements a File uses.
#pragma once

#include <string>
#include <vector>

#include "platform/record_codec.h"
#include "platform/sqlite_db.h"

namespace qs::store {

std::string create_table_sql(const TableDecl& decl);
std::string create_index_sql(const TableDecl& decl, int key);
std::string index_name(const TableDecl& decl, int key);
// "pos, F1, F2, ..." in stored order.
std::string column_list(const TableDecl& decl);
// A bit for each field of the declaration; 0 when it has none or more than 64.
uint64_t every_field(const TableDecl& decl);

// Prepared statements of one File on one connection; prepared when first needed.
struct StmtSet {
    StmtSet(sqlite3* db, std::string schema, const TableDecl& decl);

    sqlite3_stmt* insert();
    // Adds a record at the position bound last (parameter fields + 1).
    sqlite3_stmt* insert_at();
    // One statement adding `insert_rows_count()` records.
    sqlite3_stmt* insert_rows();
    int insert_rows_count() const;
    // Rewrites the record at the position bound last (parameter fields + 1), each field from the
    // parameter of its number, but for the fields of `left_out` (a bit per field; null when that
    // is all of them). SQLite rewrites the entries of every key that holds a field being set,
    // whether its value changes or not.
    sqlite3_stmt* update(uint64_t left_out = 0);
    // A bit per field that some key holds; 0 also when the fields are too many for the bits.
    uint64_t keyed_fields() const { return keyed_; }
    sqlite3_stmt* remove();
    sqlite3_stmt* by_pos();
    sqlite3_stmt* after_pos();  // the first record after a position, in file order
    sqlite3_stmt* count();
    sqlite3_stmt* count_after();  // records after a position
    sqlite3_stmt* hold_get();
    sqlite3_stmt* hold_put();
    sqlite3_stmt* hold_del();
    // Key-order read: the parts before `level` equal the bound values, part `level` after them
    // (or at or after them with `inclusive`); level 0 reads all, level parts+1 compares the
    // position. Rows come in key order, or reversed with `backward`.
    sqlite3_stmt* cursor(int key, bool backward, int level, bool inclusive);
    // Exact match on the first `parts` parts of a key, first in key order.
    sqlite3_stmt* get(int key, int parts);
    // The text of a statement reading the position and `fields` of the first record whose first
    // part of `key` equals the bound value (not kept: see File::read_fields). For a key with
    // reads_by_join, one statement reads the records of all values, bound as a qs_values list,
    // and each row ends with its value.
    std::string fields_by_key(int key, const std::vector<int>& fields) const;
    bool reads_by_join(int key) const;

    // Everything prepared is kept here (and in its slots), finalized with the set.
    sqlite3* db;
    std::string schema;
    const TableDecl& decl;

private:
    sqlite3_stmt* prepared(Stmt& slot, const std::string& sql);
    std::string part_expr(int key, int part) const;
    std::string order_by(int key, bool backward) const;

    std::vector<std::pair<uint64_t, Stmt>> updates_;
    uint64_t keyed_ = 0;
    Stmt insert_, insert_at_, insert_rows_, remove_, by_pos_, after_pos_, count_, count_after_,
        hold_get_, hold_put_, hold_del_;
    std::vector<Stmt> cursor_;
    std::vector<Stmt> get_;
    int max_parts_ = 0;
};

}  // namespace qs::store
