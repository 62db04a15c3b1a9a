// SPDX-License-Identifier: MIT
// Passes that read a few fields of each record instead of whole records. A statement that names
// only the columns a pass tests lets SQLite skip decoding the rest, and one that names only the
// columns of an index reads that index alone, which is smaller than the table.
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

// A connection learns the function the first time a statement needs it. Making a function that
// the connection already has would expire its prepared statements, so it is made only then.
int prepare(sqlite3* db, const std::string& sql, sqlite3_stmt** out) {
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, out, nullptr);
    if (rc == SQLITE_OK || sql.find(kKeepFunction) == std::string::npos ||
        std::string_view(sqlite3_errmsg(db)).find(kKeepFunction) == std::string_view::npos)
        return rc;
    rc = sqlite3_create_function_v2(db, kKeepFunction, 2, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr,
                                    keep_function, nullptr, nullptr, nullptr);
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

}  // namespace

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
            kKeepFunction + "(" + column + ", ?) ORDER BY pos",
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
