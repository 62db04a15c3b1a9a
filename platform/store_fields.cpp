// SPDX-License-Identifier: MIT
// Passes that read a few fields of each record instead of whole records. A statement that names
// only the columns a pass tests lets SQLite skip decoding the rest, and one that names only the
// columns of an index reads that index alone, which is smaller than the table.
#include <algorithm>
#include <cstring>

#include "platform/record_store.h"
#include "platform/store_sql.h"

namespace qs::store {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string field_columns(const TableDecl& d, const std::vector<int>& fields) {
    std::string s = "pos";
    for (int f : fields) s += ", " + quoted(d.fields.at(static_cast<size_t>(f)).name);
    return s;
}

// A key part as the key's index compares it.
std::string part_expr(const TableDecl& d, const KeyDecl& k, size_t part) {
    const FieldDecl& f = d.fields[static_cast<size_t>(k.parts[part].field)];
    std::string e = quoted(f.name);
    if (k.nocase && f.type == FieldType::Text) e += std::string(" COLLATE ") + kNoCase;
    return e;
}

// The SQL function that asks a pass's test about a text: qs_keep(text, test), the test bound as a
// pointer of this type, so the function itself holds no state and is made once per connection.
constexpr const char* kKeepFunction = "qs_keep";
constexpr const char* kKeepPointer = "qs-text-test";
using TextTest = std::function<bool(std::string_view)>;

void keep_function(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* keep = static_cast<const TextTest*>(sqlite3_value_pointer(argv[1], kKeepPointer));
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string_view text =
        p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(argv[0]))) : "";
    sqlite3_result_int(ctx, keep && (*keep)(text) ? 1 : 0);
}

// qs_among(number, set): whether the number is in a set of numbers bound as a pointer of this
// type: a bit per number from the lowest to the highest, a test of a few instructions a record.
constexpr const char* kAmongFunction = "qs_among";
constexpr const char* kAmongPointer = "qs-number-set";

class NumberSet {
public:
    // `values` sorted in ascending order.
    explicit NumberSet(const std::vector<int64_t>& values)
        : low_(values.empty() ? 0 : values.front()),
          bits_(values.empty() ? 0 : static_cast<size_t>((values.back() - low_) / 64 + 1)) {
        for (int64_t v : values) bits_[bit(v) / 64] |= uint64_t{1} << (bit(v) % 64);
    }
    bool has(int64_t v) const {
        if (v < low_ || static_cast<uint64_t>(v - low_) / 64 >= bits_.size()) return false;
        return (bits_[bit(v) / 64] >> (bit(v) % 64)) & 1;
    }

private:
    uint64_t bit(int64_t v) const { return static_cast<uint64_t>(v - low_); }
    int64_t low_;
    std::vector<uint64_t> bits_;
};

void among_function(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* set = static_cast<const NumberSet*>(sqlite3_value_pointer(argv[1], kAmongPointer));
    sqlite3_result_int(ctx, set && set->has(sqlite3_value_int64(argv[0])));
}

// The values of a read by key as a table of one column for SQLite: qs_values(list), the list a
// std::vector<int64_t> bound as a pointer of this type. The table holds no state of its own.
constexpr const char* kValuesTable = "qs_values";
constexpr const char* kValuesPointer = "qs-key-values";
using Values = std::vector<int64_t>;

struct ValuesCursor {
    sqlite3_vtab_cursor base;  // first, as SQLite hands it back
    const Values* values;
    size_t at;
};

ValuesCursor* values_cursor(sqlite3_vtab_cursor* c) { return reinterpret_cast<ValuesCursor*>(c); }

int values_connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(value, list HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    *out = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*out) return SQLITE_NOMEM;
    std::memset(*out, 0, sizeof(sqlite3_vtab));
    return SQLITE_OK;
}

int values_disconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

// Only a plan that hands over the list can read the table.
int values_best_index(sqlite3_vtab*, sqlite3_index_info* info) {
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn != 1 || c.op != SQLITE_INDEX_CONSTRAINT_EQ || !c.usable) continue;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1;
        info->estimatedCost = 1000;
        info->estimatedRows = 1000;
        return SQLITE_OK;
    }
    return SQLITE_CONSTRAINT;
}

int values_open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* c = static_cast<ValuesCursor*>(sqlite3_malloc(sizeof(ValuesCursor)));
    if (!c) return SQLITE_NOMEM;
    std::memset(c, 0, sizeof(ValuesCursor));
    *out = &c->base;
    return SQLITE_OK;
}

int values_close(sqlite3_vtab_cursor* c) {
    sqlite3_free(c);
    return SQLITE_OK;
}

int values_filter(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv) {
    ValuesCursor* c = values_cursor(cursor);
    c->values = argc > 0
                    ? static_cast<const Values*>(sqlite3_value_pointer(argv[0], kValuesPointer))
                    : nullptr;
    c->at = 0;
    return SQLITE_OK;
}

int values_next(sqlite3_vtab_cursor* c) {
    ++values_cursor(c)->at;
    return SQLITE_OK;
}

int values_eof(sqlite3_vtab_cursor* cursor) {
    const ValuesCursor* c = values_cursor(cursor);
    return !c->values || c->at >= c->values->size();
}

int values_column(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int column) {
    const ValuesCursor* c = values_cursor(cursor);
    if (column == 0) sqlite3_result_int64(ctx, (*c->values)[c->at]);
    return SQLITE_OK;
}

int values_rowid(sqlite3_vtab_cursor* c, sqlite3_int64* out) {
    *out = static_cast<sqlite3_int64>(values_cursor(c)->at);
    return SQLITE_OK;
}

// Without xCreate the table is eponymous only: it exists as qs_values(...) in every statement
// of the connection and cannot be made with CREATE VIRTUAL TABLE.
const sqlite3_module& values_module() {
    static const sqlite3_module module = [] {
        sqlite3_module m{};
        m.xConnect = values_connect;
        m.xBestIndex = values_best_index;
        m.xDisconnect = values_disconnect;
        m.xOpen = values_open;
        m.xClose = values_close;
        m.xFilter = values_filter;
        m.xNext = values_next;
        m.xEof = values_eof;
        m.xColumn = values_column;
        m.xRowid = values_rowid;
        return m;
    }();
    return module;
}

bool names(const std::string& sql, sqlite3* db, const char* name) {
    return sql.find(name) != std::string::npos &&
           std::string_view(sqlite3_errmsg(db)).find(name) != std::string_view::npos;
}

// A connection learns the function and the table the first time a statement needs them. Making
// a function that the connection already has would expire its prepared statements, so each is
// made only then.
int prepare(sqlite3* db, const std::string& sql, sqlite3_stmt** out) {
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, out, nullptr);
    if (rc == SQLITE_OK) return rc;
    if (names(sql, db, kKeepFunction))
        rc = sqlite3_create_function_v2(db, kKeepFunction, 2, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                        nullptr, keep_function, nullptr, nullptr, nullptr);
    else if (names(sql, db, kAmongFunction))
        rc = sqlite3_create_function_v2(db, kAmongFunction, 2,
                                        SQLITE_UTF8 | SQLITE_DIRECTONLY | SQLITE_DETERMINISTIC,
                                        nullptr, among_function, nullptr, nullptr, nullptr);
    else if (names(sql, db, kValuesTable))
        rc = sqlite3_create_module_v2(db, kValuesTable, &values_module(), nullptr, nullptr);
    else
        return rc;
    return rc == SQLITE_OK ? sqlite3_prepare_v2(db, sql.c_str(), -1, out, nullptr) : rc;
}

Status run_pass(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind,
                const FieldVisitor& f) {
    sqlite3_stmt* raw = nullptr;
    int rc = prepare(db, sql, &raw);
    Stmt stmt(raw);
    if (rc != SQLITE_OK) return status_of(rc, db);
    if (bind) bind(raw);
    const FieldRow row(raw);
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        if (!f(row)) return Status::ok();
    }
    return rc == SQLITE_DONE ? Status::ok() : status_of(rc, db);
}

// The highest position of the file, about its number of records (positions are not reused).
int64_t last_position(sqlite3* db, const std::string& schema) {
    sqlite3_stmt* raw = nullptr;
    if (prepare(db, "SELECT max(pos) FROM " + schema + ".rec", &raw) != SQLITE_OK) return 0;
    Stmt stmt(raw);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : 0;
}

// Values that name one record in kDense or more: a look-up through the key costs about forty
// times a step of a pass over the records in file order that tests each record's value against
// the set (100,000 mails: the two were even at 2.5% of them, the pass a twentieth faster at 3%
// and a tenth at 21%).
constexpr int64_t kDense = 32;

bool read_as_pass(sqlite3* db, const std::string& schema, const std::vector<int64_t>& values) {
    // The set of values takes a bit per number between the lowest and the highest.
    const int64_t n = static_cast<int64_t>(values.size());
    return n >= 1024 && std::is_sorted(values.begin(), values.end()) &&
           values.back() - values.front() < n * 1024 && n * kDense >= last_position(db, schema);
}

}  // namespace

// For a unique key of one part the statement joins the values to the records, so that SQLite
// walks all of them in one run: a run of the statement per value cost more than the look-up.
// When the values are many against the records, one pass over the records in file order picks
// theirs out instead.
Status File::read_fields(int key, const std::vector<int64_t>& values,
                         const std::vector<int>& fields,
                         const std::function<void(int64_t, const FieldRow&)>& f) {
    if (fields.empty()) return Status(Code::Invalid, "no fields to read");
    StmtSet& ss = stmts();
    if (ss.reads_by_join(key) && read_as_pass(ss.db, schema_, values)) {
        const int column = decl_->keys.at(static_cast<size_t>(key)).parts[0].field;
        std::vector<int> asked = fields;
        asked.push_back(column);
        const int value = static_cast<int>(fields.size());  // its index among those asked
        const NumberSet set(values);
        return run_pass(
            ss.db,
            "SELECT " + field_columns(*decl_, asked) + " FROM " + schema_ + ".rec WHERE " +
                kAmongFunction + "(" + quoted(decl_->fields.at(static_cast<size_t>(column)).name) +
                ", ?) ORDER BY pos",
            [&set](sqlite3_stmt* s) {
                sqlite3_bind_pointer(s, 1, const_cast<NumberSet*>(&set), kAmongPointer, nullptr);
            },
            [&](const FieldRow& row) {
                f(row.number(value), row);
                return true;
            });
    }
    sqlite3_stmt* raw = nullptr;
    int rc = prepare(ss.db, ss.fields_by_key(key, fields), &raw);
    Stmt stmt(raw);
    if (rc != SQLITE_OK) return status_of(rc, ss.db);
    const FieldRow row(raw);
    if (ss.reads_by_join(key)) {
        sqlite3_bind_pointer(raw, 1, const_cast<Values*>(&values), kValuesPointer, nullptr);
        const int value = static_cast<int>(fields.size()) + 1;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) f(sqlite3_column_int64(raw, value), row);
        return rc == SQLITE_DONE ? Status::ok() : status_of(rc, ss.db);
    }
    for (int64_t v : values) {
        sqlite3_bind_int64(raw, 1, v);
        rc = sqlite3_step(raw);
        if (rc == SQLITE_ROW) f(v, row);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return status_of(rc, ss.db);
        sqlite3_reset(raw);
    }
    return Status::ok();
}

Status File::add_values(int field, const std::vector<int64_t>& values) {
    end_reading();
    drop_prefetch();
    StmtSet& ss = stmts();
    // OR FAIL: a unique key refusing a value stops the statement without the statement journal
    // that undoing only this statement would need (a copy of every page it changes).
    const std::string sql = "INSERT OR FAIL INTO " + schema_ + ".rec(" +
                            quoted(decl_->fields.at(static_cast<size_t>(field)).name) +
                            ") SELECT value FROM qs_values(?)";
    sqlite3_stmt* raw = nullptr;
    int rc = prepare(ss.db, sql, &raw);
    Stmt stmt(raw);
    if (rc != SQLITE_OK) return status_of(rc, ss.db);
    sqlite3_bind_pointer(raw, 1, const_cast<Values*>(&values), kValuesPointer, nullptr);
    rc = sqlite3_step(raw);
    if (rc == SQLITE_DONE && !values.empty()) pos_ = sqlite3_last_insert_rowid(ss.db);
    return status_of(rc, ss.db);
}

Status File::scan_fields(const std::vector<int>& fields, const FieldVisitor& f) {
    return run_pass(
        stmts().db,
        "SELECT " + field_columns(*decl_, fields) + " FROM " + schema_ + ".rec ORDER BY pos", {},
        f);
}

Status File::scan_fields_where(int tested, const std::function<bool(std::string_view)>& keep,
                               const std::vector<int>& fields, const FieldVisitor& f) {
    const std::string column = quoted(decl_->fields.at(static_cast<size_t>(tested)).name);
    return run_pass(
        stmts().db,
        "SELECT " + field_columns(*decl_, fields) + " FROM " + schema_ + ".rec WHERE " +
            kKeepFunction + "(" + column + ", ?)",
        [&keep](sqlite3_stmt* s) {
            sqlite3_bind_pointer(s, 1, const_cast<TextTest*>(&keep), kKeepPointer, nullptr);
        },
        f);
}

Status File::scan_fields_from(int key, const void* values, const std::vector<int>& fields,
                              const FieldVisitor& f) {
    const KeyDecl& k = decl_->keys.at(static_cast<size_t>(key));
    const bool desc = k.parts[0].descending;
    std::string order;
    for (size_t i = 0; i < k.parts.size(); ++i)
        order += part_expr(*decl_, k, i) + (k.parts[i].descending ? " DESC, " : ", ");
    std::string sql = "SELECT " + field_columns(*decl_, fields) + " FROM " + schema_ +
                      ".rec WHERE " + part_expr(*decl_, k, 0) + (desc ? " <= ?" : " >= ?") +
                      " ORDER BY " + order + "pos";
    const int field = k.parts[0].field;
    return run_pass(
        stmts().db, sql, [&](sqlite3_stmt* s) { decl_->codec.bind_field(s, 1, values, field); }, f);
}

}  // namespace qs::store
