// SPDX-License-Identifier: MIT
#include "platform/store_sql.h"

#include <algorithm>

namespace qs::store {

namespace {

const char* sql_type(FieldType t) {
    switch (t) {
        case FieldType::Byte:
        case FieldType::Long:
        case FieldType::ULong: return "INTEGER NOT NULL DEFAULT 0";
        case FieldType::Text: return "TEXT NOT NULL DEFAULT ''";
        case FieldType::Real: return "REAL NOT NULL DEFAULT 0";
        case FieldType::Memo:
        case FieldType::Raw: return "BLOB";
    }
    return "BLOB";
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

bool text_part(const TableDecl& d, int key, int part) {
    return d.fields[d.keys[key].parts[part].field].type == FieldType::Text;
}

}  // namespace

std::string column_list(const TableDecl& decl) {
    std::string s = "pos";
    for (const auto& f : decl.fields) s += ", " + quoted(f.name);
    return s;
}

std::string create_table_sql(const TableDecl& decl) {
    std::string s = "CREATE TABLE rec(pos INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const auto& f : decl.fields) s += ", " + quoted(f.name) + " " + sql_type(f.type);
    return s + ")";
}

std::string index_name(const TableDecl& decl, int key) { return "k_" + decl.keys[key].name; }

std::string create_index_sql(const TableDecl& decl, int key) {
    const KeyDecl& k = decl.keys[key];
    std::string s = std::string(k.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                    quoted(index_name(decl, key)) + " ON rec(";
    for (size_t i = 0; i < k.parts.size(); ++i) {
        if (i) s += ", ";
        s += quoted(decl.fields[k.parts[i].field].name);
        if (k.nocase && text_part(decl, key, static_cast<int>(i)))
            s += std::string(" COLLATE ") + kNoCase;
        if (k.parts[i].descending) s += " DESC";
    }
    if (k.covering && !k.unique) {
        // Unique keys stay on their own parts: more columns would weaken the uniqueness.
        s += ", pos";
        for (size_t f = 0; f < decl.fields.size(); ++f)
            if (std::none_of(k.parts.begin(), k.parts.end(),
                             [&](const KeyPart& p) { return p.field == static_cast<int>(f); }))
                s += ", " + quoted(decl.fields[f].name);
    }
    return s + ")";
}

StmtSet::StmtSet(sqlite3* d, std::string s, const TableDecl& dc)
    : db(d), schema(std::move(s)), decl(dc) {
    for (const auto& k : decl.keys)
        max_parts_ = std::max(max_parts_, static_cast<int>(k.parts.size()));
    size_t levels = static_cast<size_t>(max_parts_ + 2);
    cursor_.resize(decl.keys.size() * 2 * levels * 2);
    get_.resize(decl.keys.size() * static_cast<size_t>(max_parts_ + 1));
    if (every_field(decl) != 0) {
        for (const auto& k : decl.keys) {
            for (const KeyPart& p : k.parts) keyed_ |= uint64_t{1} << p.field;
            // A covering key's index holds every field.
            if (k.covering && !k.unique) keyed_ = every_field(decl);
        }
    }
}

uint64_t every_field(const TableDecl& decl) {
    const size_t n = decl.fields.size();
    return n == 0 || n > 64 ? 0 : ~uint64_t{0} >> (64 - n);
}

sqlite3_stmt* StmtSet::prepared(Stmt& slot, const std::string& sql) {
    if (!slot) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(s);
            return nullptr;
        }
        slot = Stmt(s);
    }
    return slot.get();
}

sqlite3_stmt* StmtSet::insert() {
    if (insert_) return insert_.get();
    std::string cols, marks;
    for (size_t i = 0; i < decl.fields.size(); ++i) {
        cols += (i ? ", " : "") + quoted(decl.fields[i].name);
        marks += i ? ", ?" : "?";
    }
    return prepared(insert_, "INSERT INTO " + schema + ".rec(" + cols + ") VALUES(" + marks + ")");
}

sqlite3_stmt* StmtSet::insert_at() {
    if (insert_at_) return insert_at_.get();
    std::string cols, marks;
    for (const auto& f : decl.fields) {
        cols += quoted(f.name) + ", ";
        marks += "?, ";
    }
    return prepared(insert_at_,
                    "INSERT INTO " + schema + ".rec(" + cols + "pos) VALUES(" + marks + "?)");
}

// Records per multi-record insert: enough to spread a statement's own cost thin, and the
// parameters stay under SQLite's smallest limit (999).
int StmtSet::insert_rows_count() const {
    int fields = std::max(1, static_cast<int>(decl.fields.size()));
    return std::max(1, std::min(64, 999 / fields));
}

sqlite3_stmt* StmtSet::insert_rows() {
    if (insert_rows_) return insert_rows_.get();
    std::string cols, marks;
    for (size_t i = 0; i < decl.fields.size(); ++i) {
        cols += (i ? ", " : "") + quoted(decl.fields[i].name);
        marks += i ? ", ?" : "(?";
    }
    marks += ")";
    std::string rows = marks;
    for (int r = 1; r < insert_rows_count(); ++r) rows += ", " + marks;
    return prepared(insert_rows_, "INSERT INTO " + schema + ".rec(" + cols + ") VALUES" + rows);
}

sqlite3_stmt* StmtSet::update(uint64_t left_out) {
    for (auto& [fields, stmt] : updates_)
        if (fields == left_out) return stmt.get();
    std::string sets;
    for (size_t i = 0; i < decl.fields.size(); ++i) {
        if (i < 64 && (left_out >> i & 1)) continue;
        sets += (sets.empty() ? "" : ", ") + quoted(decl.fields[i].name) + " = ?" +
                std::to_string(i + 1);
    }
    if (sets.empty()) return nullptr;  // nothing to write
    const std::string pos = "?" + std::to_string(decl.fields.size() + 1);
    Stmt slot;
    if (!prepared(slot, "UPDATE " + schema + ".rec SET " + sets + " WHERE pos = " + pos))
        return nullptr;
    updates_.emplace_back(left_out, std::move(slot));
    return updates_.back().second.get();
}

sqlite3_stmt* StmtSet::remove() {
    return prepared(remove_, "DELETE FROM " + schema + ".rec WHERE pos = ?");
}

sqlite3_stmt* StmtSet::by_pos() {
    return prepared(by_pos_,
                    "SELECT " + column_list(decl) + " FROM " + schema + ".rec WHERE pos = ?");
}

sqlite3_stmt* StmtSet::after_pos() {
    return prepared(after_pos_, "SELECT " + column_list(decl) + " FROM " + schema +
                                    ".rec WHERE pos > ? ORDER BY pos LIMIT 1");
}

sqlite3_stmt* StmtSet::count_after() {
    return prepared(count_after_, "SELECT count(*) FROM " + schema + ".rec WHERE pos > ?");
}

sqlite3_stmt* StmtSet::count() {
    return prepared(count_, "SELECT count(*) FROM " + schema + ".rec");
}

sqlite3_stmt* StmtSet::hold_get() {
    return prepared(hold_get_,
                    "SELECT pid, started, token FROM " + schema + ".qs_hold WHERE pos = ?");
}

sqlite3_stmt* StmtSet::hold_put() {
    return prepared(hold_put_, "INSERT OR REPLACE INTO " + schema + ".qs_hold VALUES(?, ?, ?, ?)");
}

sqlite3_stmt* StmtSet::hold_del() {
    return prepared(hold_del_,
                    "DELETE FROM " + schema + ".qs_hold WHERE pos = ? AND pid = ? AND token = ?");
}

std::string StmtSet::part_expr(int key, int part) const {
    const KeyDecl& k = decl.keys[key];
    std::string e = quoted(decl.fields[k.parts[part].field].name);
    if (k.nocase && text_part(decl, key, part)) e += std::string(" COLLATE ") + kNoCase;
    return e;
}

std::string StmtSet::order_by(int key, bool backward) const {
    const KeyDecl& k = decl.keys[key];
    std::string s = " ORDER BY ";
    for (size_t i = 0; i < k.parts.size(); ++i) {
        bool desc = k.parts[i].descending != backward;
        s += part_expr(key, static_cast<int>(i)) + (desc ? " DESC, " : ", ");
    }
    return s + (backward ? "pos DESC" : "pos");
}

sqlite3_stmt* StmtSet::cursor(int key, bool backward, int level, bool inclusive) {
    const KeyDecl& k = decl.keys[key];
    int n = static_cast<int>(k.parts.size());
    size_t levels = static_cast<size_t>(max_parts_ + 2);
    size_t idx =
        ((static_cast<size_t>(key) * 2 + backward) * levels + static_cast<size_t>(level)) * 2 +
        inclusive;
    if (cursor_[idx]) return cursor_[idx].get();
    std::string where;
    for (int i = 0; i < level; ++i) {
        bool last = i == level - 1;
        std::string lhs = i < n ? part_expr(key, i) : "pos";
        bool desc = i < n && k.parts[i].descending;
        // "After" in key order is "greater" for an ascending part and "less" for a descending one.
        const char* op = "=";
        if (last) {
            bool greater = desc == backward;
            op = greater ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
        }
        where += (i ? " AND " : " WHERE ") + lhs + " " + op + " ?";
    }
    return prepared(cursor_[idx], "SELECT " + column_list(decl) + " FROM " + schema + ".rec" +
                                      where + order_by(key, backward));
}

sqlite3_stmt* StmtSet::get(int key, int parts) {
    size_t idx =
        static_cast<size_t>(key) * static_cast<size_t>(max_parts_ + 1) + static_cast<size_t>(parts);
    if (get_[idx]) return get_[idx].get();
    std::string where;
    for (int i = 0; i < parts; ++i) where += (i ? " AND " : " WHERE ") + part_expr(key, i) + " = ?";
    return prepared(get_[idx], "SELECT " + column_list(decl) + " FROM " + schema + ".rec" + where +
                                   order_by(key, false) + " LIMIT 1");
}

bool StmtSet::reads_by_join(int key) const {
    const KeyDecl& k = decl.keys.at(static_cast<size_t>(key));
    return k.unique && k.parts.size() == 1;
}

std::string StmtSet::fields_by_key(int key, const std::vector<int>& fields) const {
    // The position first, as every field pass hands its rows out (FieldRow).
    const bool join = reads_by_join(key);
    const std::string rec = join ? "r." : "";
    std::string cols = rec + "pos";
    for (int f : fields) cols += ", " + rec + quoted(decl.fields.at(f).name);
    // A unique key of one part has one record per value: the values are a table of their own
    // (qs_values, see File::read_fields), looped over outside the records (CROSS JOIN keeps
    // that order), each value's record found through the key, and the value comes last.
    if (join)
        return "SELECT " + cols + ", v.value FROM qs_values(?) AS v CROSS JOIN " + schema +
               ".rec AS r WHERE r." + part_expr(key, 0) + " = v.value";
    return "SELECT " + cols + " FROM " + schema + ".rec WHERE " + part_expr(key, 0) + " = ?" +
           order_by(key, false) + " LIMIT 1";
}

}  // namespace qs::store
