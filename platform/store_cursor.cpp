// SPDX-License-Identifier: MIT
// Reading in key order. The rows after a position P in key order are, in order: those equal to P
// on every key part with a later position; then those equal on all parts but the last and later
// on it; ... down to those later on the first part. Each of these is one index range scan, so
// reading resumes anywhere at the cost of a seek, whatever mix of ascending and descending parts
// the key has. Rows are read ahead in growing batches and the statement is reset at once.
#include "platform/store_cursor.h"
#include "platform/store_sql.h"

namespace qs::store {

namespace {

// The first read after positioning takes one record: most readers that position look at the
// record found, or a few after it, and each record read ahead is a look-up in the file's table,
// which in a large file is a page read. The batch doubles with each read after.
constexpr size_t kFirstBatch = 1;
constexpr size_t kMaxBatch = 512;
// Records with long texts are read ahead only up to this many bytes, so that the records held
// ahead stay small whatever the file holds.
constexpr size_t kMaxBatchBytes = size_t{1} << 20;

// The columns of the texts without a fixed width: all other fields fit in the record itself.
std::vector<int> memo_columns(const TableDecl& d) {
    std::vector<int> cols;
    for (size_t i = 0; i < d.fields.size(); ++i)
        if (d.fields[i].type == FieldType::Memo) cols.push_back(static_cast<int>(i) + 1);
    return cols;
}

size_t row_bytes(sqlite3_stmt* s, const TableDecl& d, const std::vector<int>& memos) {
    size_t n = d.codec.size;
    for (int c : memos) n += static_cast<size_t>(sqlite3_column_bytes(s, c));
    return n;
}

}  // namespace

void File::set(int key) {
    drop_prefetch();
    cursor_->key = key;
    cursor_->mode = Cursor::Mode::Start;
    cursor_->parts = 0;
    cursor_->batch = kFirstBatch;
}

void File::set(int key, const void* values, int parts) {
    set(key);
    if (parts <= 0) return;
    const KeyDecl& k = decl_->keys.at(static_cast<size_t>(key));
    cursor_->mode = Cursor::Mode::Values;
    cursor_->parts = std::min(parts, static_cast<int>(k.parts.size()));
    decl_->codec.copy(cursor_->anchor, values);
}

void File::set_here(int key, const void* current) {
    set(key);
    cursor_->mode = Cursor::Mode::Record;
    cursor_->parts = static_cast<int>(decl_->keys.at(static_cast<size_t>(key)).parts.size());
    decl_->codec.copy(cursor_->anchor, current);
    cursor_->anchor_pos = pos_;
}

void File::drop_prefetch() {
    Cursor& c = *cursor_;
    if (c.next_row > 0) {
        // Reading goes on from the last row handed out, not the last one read ahead.
        decl_->codec.copy(c.anchor, c.pool[c.next_row - 1]);
        c.anchor_pos = c.pool_pos[c.next_row - 1];
        c.mode = Cursor::Mode::Record;
        c.parts =
            c.key >= 0 ? static_cast<int>(decl_->keys[static_cast<size_t>(c.key)].parts.size()) : 0;
    }
    c.filled = 0;
    c.next_row = 0;
}

Status File::next(void* rec) { return step_cursor(false, rec); }
Status File::previous(void* rec) { return step_cursor(true, rec); }

Status File::step_cursor(bool backward, void* rec) {
    Cursor& c = *cursor_;
    if (c.key < 0) return Status(Code::Invalid, "no key order was set");
    if (c.filled == 0 || c.backward != backward || c.next_row >= c.filled) {
        if (c.backward != backward) c.batch = kFirstBatch;
        drop_prefetch();
        c.backward = backward;
        Status st = fill(backward);
        if (!st) return st;
        if (c.filled == 0) return Status(Code::NotFound, "end of file");
    }
    decl_->codec.copy(rec, c.pool[c.next_row]);
    pos_ = c.pool_pos[c.next_row];
    ++c.next_row;
    return Status::ok();
}

Status File::fill(bool backward) {
    Cursor& c = *cursor_;
    const KeyDecl& k = decl_->keys[static_cast<size_t>(c.key)];
    int n = static_cast<int>(k.parts.size());
    size_t want = c.batch;
    c.batch = std::min(c.batch * 2, kMaxBatch);
    while (c.pool.size() < want) {
        c.pool.push_back(decl_->codec.make());
        c.pool_pos.push_back(0);
    }
    int level = 0;
    bool inclusive = false;
    if (c.mode == Cursor::Mode::Values) {
        level = c.parts;
        inclusive = true;
    } else if (c.mode == Cursor::Mode::Record) {
        level = n + 1;
    }
    StmtSet& ss = stmts();
    c.filled = 0;
    size_t bytes = 0;
    const std::vector<int> memos = memo_columns(*decl_);
    for (; c.filled < want; --level, inclusive = false) {
        sqlite3_stmt* s = ss.cursor(c.key, backward, level, inclusive);
        if (!s) return status_of(SQLITE_ERROR, ss.db);
        ResetGuard reset(s);
        bind_key_values(s, c.key, level, c.anchor, c.anchor_pos);
        int rc = SQLITE_ROW;
        while (c.filled < want && (rc = sqlite3_step(s)) == SQLITE_ROW) {
            c.pool_pos[c.filled] = sqlite3_column_int64(s, 0);
            decl_->codec.read_all(s, 1, c.pool[c.filled]);
            ++c.filled;
            bytes += row_bytes(s, *decl_, memos);
            if (bytes >= kMaxBatchBytes) want = c.filled;  // ends both loops
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return status_of(rc, ss.db);
        if (level <= 1) break;
    }
    return Status::ok();
}

}  // namespace qs::store
