// SPDX-License-Identifier: MIT
#include "wordindex/postings.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "storage/file_access.h"
#include "wordindex/position_records.h"

namespace qs::words {

namespace {

Status damaged(const MasIdx& row) {
    return Status(Code::Corrupt, "damaged word index block (list " + std::to_string(row.KIND) +
                                     "/" + std::to_string(row.ID) + " at " +
                                     std::to_string(row.FIRST) + ")");
}

MasIdx probe(ListKind kind, uint32_t id, uint32_t first) {
    MasIdx r;
    r.KIND = kind;
    r.ID = id;
    r.FIRST = first;
    return r;
}

// Whether a read ended at the end of what there is rather than on a failure.
bool ended(const Status& st) { return st.code() == Code::NotFound; }

}  // namespace

void encode_block(std::span<const uint32_t> numbers, MasIdx& row) {
    encode_block(numbers, {}, row);
}

void encode_block(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
                  MasIdx& row) {
    row.FIRST = numbers.front();
    row.COUNT = static_cast<uint32_t>(numbers.size());
    // Coded into a buffer that holds any block (five groups per gap at most), then copied once:
    // a flush encodes hundreds of thousands of blocks.
    std::array<char, kBlockSize * 5> buf;
    size_t n = 0;
    row.DATA.text.clear();
    for (size_t i = 1; i < numbers.size(); ++i) {
        if (n + 5 > buf.size()) {  // only for more numbers than a block holds
            row.DATA.text.append(buf.data(), n);
            n = 0;
        }
        uint32_t gap = numbers[i] - numbers[i - 1];
        while (gap >= 0x80) {
            buf[n++] = static_cast<char>((gap & 0x7F) | 0x80);
            gap >>= 7;
        }
        buf[n++] = static_cast<char>(gap);
    }
    row.DATA.text.append(buf.data(), n);
    if (std::none_of(records.begin(), records.end(), record_known)) return;
    for (std::string_view r : records) row.DATA.text.append(r.empty() ? kUnknownRecord : r);
}

Status decode_block(const MasIdx& row, std::vector<uint32_t>& out,
                    std::vector<std::string_view>* records) {
    if (row.COUNT == 0 || row.COUNT > kBlockSize) return damaged(row);
    const std::string& in = row.DATA.text;
    uint64_t at = row.FIRST;
    out.push_back(row.FIRST);
    size_t i = 0;
    for (uint32_t n = 1; n < row.COUNT; ++n) {
        uint64_t gap = 0;
        for (int shift = 0;; shift += 7) {
            if (i == in.size() || shift > 28) return damaged(row);
            const auto byte = static_cast<unsigned char>(in[i++]);
            gap |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80)) break;
        }
        at += gap;
        if (gap == 0 || at > UINT32_MAX) return damaged(row);
        out.push_back(static_cast<uint32_t>(at));
    }
    // Reading numbers only passes over the records: searches read postings far more often.
    if (!records) return Status::ok();
    if (i == in.size()) {
        records->insert(records->end(), row.COUNT, std::string_view());
        return Status::ok();
    }
    const std::string_view rest(in);
    for (uint32_t n = 0; n < row.COUNT; ++n) {
        const size_t size = record_size(rest.substr(i));
        if (size == 0) return damaged(row);
        records->push_back(rest.substr(i, size));
        i += size;
    }
    return i == in.size() ? Status::ok() : damaged(row);
}

Status MasList::write(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
                      bool ends) {
    MasIdx row = probe(kind_, id_, 0);
    for (size_t i = 0; i < numbers.size(); i += kBlockSize) {
        const size_t n = std::min<size_t>(kBlockSize, numbers.size() - i);
        encode_block(numbers.subspan(i, n), records.empty() ? records : records.subspan(i, n), row);
        const bool at_tail = ends && tailed() && i + n == numbers.size();
        if (Status st = at_tail ? add_at_tail(row) : f_.add(&row); !st) return st;
    }
    return Status::ok();
}

// A taken tail position (a damaged index) costs the speed, never the entry.
Status MasList::add_at_tail(MasIdx& row) {
    Status st = f_.add_at(tail(), &row);
    return st.code() == Code::Duplicate ? f_.add(&row) : st;
}

// The list's last block, at the tail position and current, replaced by the blocks of `all`:
// the last of them stays there, the full ones before it are added.
Status MasList::rewrite_tail(std::span<const uint32_t> all,
                             std::span<const std::string_view> records) {
    const size_t last = (all.size() - 1) / kBlockSize * kBlockSize;
    MasIdx row = probe(kind_, id_, 0);
    encode_block(all.subspan(last), records.subspan(last), row);
    if (Status st = f_.put(&row); !st) return st;
    return write(all.first(last), records.first(last), false);
}

// The block `number` falls into: the one with the highest FIRST at or below it, else the list's
// lowest block. found is false for a list without blocks.
Status MasList::block_of(uint32_t number, MasIdx& block, bool& found) {
    MasIdx at = probe(kind_, id_, number);
    f_.set(kMasBlockKey, &at, 3);
    Status st = f_.next(&block);
    found = st.is_ok() && mine(block);
    if (found || (!st && !ended(st))) return found ? Status::ok() : st;
    at.FIRST = 0;
    f_.set(kMasBlockKey, &at, 3);
    st = f_.previous(&block);
    found = st.is_ok() && mine(block);
    return found || ended(st) ? Status::ok() : st;
}

// The block with numbers above its last added: its gaps and records are kept as they are coded
// (a flush adds to the last block of nearly every word it holds, and parsing each record of each
// such block again cost more than the rest of the merge).
namespace {

void append_to_block(const MasIdx& block, uint32_t last, std::span<const uint32_t> numbers,
                     std::span<const std::string_view> records, MasIdx& row) {
    const std::string& in = block.DATA.text;
    size_t gaps = 0;  // each gap ends with the one of its groups that has the top bit clear
    for (uint32_t n = 1; n < block.COUNT; ++gaps)
        if (!(static_cast<unsigned char>(in[gaps]) & 0x80)) ++n;
    row.FIRST = block.FIRST;
    row.COUNT = block.COUNT + static_cast<uint32_t>(numbers.size());
    std::string& out = row.DATA.text;
    out.assign(in, 0, gaps);
    for (uint32_t n : numbers) {
        put_varint(out, n - last);
        last = n;
    }
    const bool known = std::any_of(records.begin(), records.end(), record_known);
    if (gaps == in.size() && !known) return;
    if (gaps == in.size())
        out.append(block.COUNT, kUnknownRecord[0]);
    else
        out.append(in, gaps);
    for (size_t j = 0; j < numbers.size(); ++j)
        out.append(j < records.size() && record_known(records[j]) ? records[j] : kUnknownRecord);
}

}  // namespace

// Rewrites the block with the numbers added; a block that grows past kBlockSize is split. The
// list's last block goes to the tail position if it is not there yet.
Status MasList::merge_into(MasIdx& block, std::span<const uint32_t> numbers,
                           std::span<const std::string_view> records, bool last) {
    const int64_t pos = f_.position();
    const bool to_tail = last && tailed();
    const bool at_tail = to_tail && pos == tail();
    std::vector<uint32_t> had;
    if (Status st = decode_block(block, had); !st) return st;
    const bool after = numbers.front() > had.back();
    if (had.size() == kBlockSize && after && !at_tail) return write(numbers, records, to_tail);
    MasIdx row = probe(kind_, id_, 0);
    auto rewrite = [&] {
        f_.set_position(pos);
        if (!to_tail || at_tail) {
            // The key's entry stays where the block keeps its first number.
            if (row.FIRST != block.FIRST) return f_.put(&row);
            return f_.put_fields(&row, f_.field_bit("COUNT") | f_.field_bit("DATA"));
        }
        if (Status st = f_.remove(); !st) return st;
        return add_at_tail(row);
    };
    if (after && had.size() + numbers.size() <= kBlockSize) {
        append_to_block(block, had.back(), numbers, records, row);
        return rewrite();
    }
    std::vector<std::string_view> had_records;  // views into block.DATA, which stays as it is
    had.clear();
    if (Status st = decode_block(block, had, &had_records); !st) return st;
    std::vector<uint32_t> all;
    std::vector<std::string_view> all_records;
    all.reserve(had.size() + numbers.size());
    all_records.reserve(had.size() + numbers.size());
    auto record = [&](size_t j) {
        return records.empty() ? std::string_view() : records[j];
    };
    size_t i = 0, j = 0;
    while (i < had.size() || j < numbers.size()) {
        if (j == numbers.size() || (i < had.size() && had[i] < numbers[j])) {
            all.push_back(had[i]);
            all_records.push_back(had_records[i++]);
        } else if (i == had.size() || numbers[j] < had[i]) {
            all.push_back(numbers[j]);
            all_records.push_back(record(j++));
        } else {  // there already: a known record of the new ones wins
            all.push_back(numbers[j]);
            all_records.push_back(record_known(record(j)) ? record(j) : had_records[i]);
            ++i, ++j;
        }
    }
    if (all.size() <= kBlockSize) {
        encode_block(all, all_records, row);
        return rewrite();
    }
    f_.set_position(pos);
    if (at_tail) return rewrite_tail(all, all_records);
    if (Status st = f_.remove(); !st) return st;
    return write(all, all_records, to_tail);
}

Status MasList::add(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
                    bool fresh) {
    if (numbers.empty()) return Status::ok();
    if (fresh) return write(numbers, records, true);
    MasIdx last = probe(kind_, id_, 0);
    Status st = tailed() ? f_.fetch(tail(), &last) : Status(Code::NotFound, "");
    if (st && !mine(last)) return damaged(last);
    if (ended(st)) st = f_.get(kMasBlockKey, &last, &last, 2);
    if (ended(st)) return write(numbers, records, true);
    if (!st) return st;
    if (numbers.front() >= last.FIRST) return merge_into(last, numbers, records, true);
    auto part = [&](size_t from, size_t n) {
        return records.empty() ? records : records.subspan(from, n);
    };
    // Numbers below the last block: each run of them goes into the block it falls into.
    size_t i = 0;
    while (i < numbers.size()) {
        MasIdx block;
        bool found = false;
        if (st = block_of(numbers[i], block, found); !st) return st;
        if (!found) return write(numbers.subspan(i), part(i, numbers.size() - i), true);
        const int64_t pos = f_.position();
        MasIdx after;
        uint64_t limit = UINT64_MAX;  // the next block's FIRST
        if (st = f_.previous(&after); st && mine(after)) limit = after.FIRST;
        if (!st && !ended(st)) return st;
        size_t j = i;
        while (j < numbers.size() && numbers[j] < limit) ++j;
        f_.set_position(pos);
        const bool last = limit == UINT64_MAX;
        if (st = merge_into(block, numbers.subspan(i, j - i), part(i, j - i), last); !st) return st;
        i = j;
    }
    return Status::ok();
}

Status MasList::remove(uint32_t number, bool& removed) {
    removed = false;
    MasIdx block;
    bool found = false;
    if (Status st = block_of(number, block, found); !st || !found) return st;
    const int64_t pos = f_.position();
    std::vector<uint32_t> had;
    std::vector<std::string_view> records;  // views into block.DATA
    if (Status st = decode_block(block, had, &records); !st) return st;
    auto it = std::lower_bound(had.begin(), had.end(), number);
    if (it == had.end() || *it != number) return Status::ok();
    records.erase(records.begin() + (it - had.begin()));
    had.erase(it);
    removed = true;
    f_.set_position(pos);
    if (had.empty()) return f_.remove();
    MasIdx row = probe(kind_, id_, 0);
    encode_block(had, records, row);
    return f_.put(&row);
}

Status MasList::remove_all(uint64_t& numbers) {
    numbers = 0;
    MasIdx row = probe(kind_, id_, 0);
    for (;;) {
        Status st = f_.get(kMasBlockKey, &row, &row, 2);
        if (ended(st)) return Status::ok();
        if (!st) return st;
        numbers += row.COUNT;
        if (st = f_.remove(); !st) return st;
    }
}

Status MasList::has(uint32_t number, bool& found) {
    found = false;
    MasIdx at = probe(kind_, id_, number), block;
    f_.set(kMasBlockKey, &at, 3);
    Status st = f_.next(&block);
    if (ended(st) || (st && !mine(block))) return Status::ok();
    if (!st) return st;
    if (block.FIRST == number) return found = true, Status::ok();
    std::vector<uint32_t> had;
    if (st = decode_block(block, had); !st) return st;
    found = std::binary_search(had.begin(), had.end(), number);
    return Status::ok();
}

Status MasList::read_all(std::vector<uint32_t>& out) {
    bool more = false;
    return read_after(-1, SIZE_MAX, out, more);
}

Status MasList::read_after(int64_t after, size_t room, std::vector<uint32_t>& out, bool& more) {
    more = false;
    MasIdx block;
    bool found = false;
    Status st = block_of(after < 0 ? 0 : static_cast<uint32_t>(after), block, found);
    if (!st || !found) return st;
    std::vector<uint32_t> numbers;
    size_t taken = 0;
    // Blocks in ascending order lie backwards in key order.
    for (;;) {
        numbers.clear();
        if (st = decode_block(block, numbers); !st) return st;
        for (uint32_t n : numbers) {
            if (static_cast<int64_t>(n) <= after) continue;
            if (taken == room) return more = true, Status::ok();
            out.push_back(n);
            ++taken;
        }
        st = f_.previous(&block);
        if (ended(st) || (st && !mine(block))) return Status::ok();
        if (!st) return st;
    }
}

Status MasList::read_before(uint32_t before, size_t room, std::vector<uint32_t>& out, bool& more) {
    more = false;
    if (before == 0) return Status::ok();
    MasIdx at = probe(kind_, id_, before - 1), block;
    f_.set(kMasBlockKey, &at, 3);
    std::vector<uint32_t> numbers;
    size_t taken = 0;
    // Blocks in descending order lie forwards in key order, from the one `before - 1` falls into.
    for (;;) {
        Status st = f_.next(&block);
        if (ended(st) || (st && !mine(block))) return Status::ok();
        if (!st) return st;
        numbers.clear();
        if (st = decode_block(block, numbers); !st) return st;
        for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
            if (*it >= before) continue;
            if (taken == room) return more = true, Status::ok();
            out.push_back(*it);
            ++taken;
        }
    }
}

Status MasList::exists(bool& found) {
    MasIdx row = probe(kind_, id_, 0);
    Status st = f_.get(kMasBlockKey, &row, &row, 2);
    found = st.is_ok();
    return found || ended(st) ? Status::ok() : st;
}

Status PositionCursor::find(uint32_t sysid, std::string_view& record, bool& found) {
    found = false;
    if (numbers_.empty() || sysid < numbers_.front() || sysid > numbers_.back()) {
        numbers_.clear();
        records_.clear();
        MasIdx at = probe(kWordMessages, word_, sysid);
        f_.set(kMasBlockKey, &at, 3);
        Status st = f_.next(&block_);
        if (ended(st) || (st && (block_.KIND != kWordMessages || block_.ID != word_)))
            return Status::ok();
        if (!st) return st;
        if (st = decode_block(block_, numbers_, &records_); !st) {
            numbers_.clear();
            return st;
        }
    }
    auto it = std::lower_bound(numbers_.begin(), numbers_.end(), sysid);
    if (it == numbers_.end() || *it != sysid) return Status::ok();
    found = true;
    record = records_[static_cast<size_t>(it - numbers_.begin())];
    return Status::ok();
}

bool entry_count(Session& s, uint64_t& n) {
    n = 0;
    Status st = handle(s, kMasIdx).scan([&](int64_t, const void* rec) {
        const auto& r = *static_cast<const MasIdx*>(rec);
        if (r.KIND == kWordMessages) n += r.COUNT;
        return true;
    });
    return st || StoreRead(s, kMasIdx, st);
}

bool any_entries(Session& s, bool& any) {
    MasIdx row = probe(kWordMessages, 0, 0);
    Status st = handle(s, kMasIdx).get(kMasBlockKey, &row, &row, 1);
    any = st.is_ok();
    return any || StoreRead(s, kMasIdx, st) || ended(st);
}

bool entries_per_word(Session& s, std::map<uint32_t, int32_t>& counts) {
    Status st = handle(s, kMasIdx).scan([&](int64_t, const void* rec) {
        const auto& r = *static_cast<const MasIdx*>(rec);
        if (r.KIND == kWordMessages) counts[r.ID] += static_cast<int32_t>(r.COUNT);
        return true;
    });
    return st || StoreRead(s, kMasIdx, st);
}

bool indexed_below(Session& s, uint64_t below, uint32_t& sysid, bool& found) {
    found = false;
    if (below == 0) return true;
    store::File& f = handle(s, kMasIdx);
    // The message's blocks before `below` in key order end with its lowest, at FIRST 0 or above.
    MasIdx at = probe(kMessageWords, static_cast<uint32_t>(below - 1), 0), row;
    f.set(kMasBlockKey, &at, 3);
    Status st = f.previous(&row);
    if (st && row.KIND == kMessageWords) {
        found = true;
        sysid = row.ID;
        return true;
    }
    return st || ended(st) || StoreRead(s, kMasIdx, st);
}

bool highest_word(Session& s, uint32_t& id) {
    id = 0;
    store::File& f = handle(s, kMasIdx);
    MasIdx at = probe(kWordMessages, UINT32_MAX, 0), row;
    f.set(kMasBlockKey, &at, 3);
    Status st = f.previous(&row);
    if (st && row.KIND == kWordMessages) id = row.ID;
    return st || ended(st) || StoreRead(s, kMasIdx, st);
}

bool message_indexed(Session& s, uint32_t sysid, bool& indexed) {
    Status st = MasList(handle(s, kMasIdx), kMessageWords, sysid).exists(indexed);
    return st || StoreRead(s, kMasIdx, st);
}

Status add_message(Session& s, uint32_t sysid, std::vector<uint32_t> words) {
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    store::File& f = handle(s, kMasIdx);
    if (Status st = MasList(f, kMessageWords, sysid).add(words); !st) return st;
    for (uint32_t w : words) {
        const uint32_t one[] = {sysid};
        if (Status st = MasList(f, kWordMessages, w).add(one); !st) return st;
    }
    return Status::ok();
}

Status all_entries(Session& s, std::vector<std::pair<uint32_t, uint32_t>>& out) {
    std::map<std::pair<uint32_t, uint32_t>, MasIdx> blocks;  // by (word, FIRST)
    Status st = handle(s, kMasIdx).scan([&](int64_t, const void* rec) {
        const auto& r = *static_cast<const MasIdx*>(rec);
        if (r.KIND == kWordMessages) blocks[{r.ID, r.FIRST}] = r;
        return true;
    });
    std::vector<uint32_t> ids;
    for (const auto& [at, row] : blocks) {
        ids.clear();
        if (!st || !(st = decode_block(row, ids))) return st;
        for (uint32_t id : ids) out.emplace_back(id, at.first);
    }
    return st;
}

Status remove_message(Session& s, uint32_t sysid, std::vector<uint32_t>& words) {
    store::File& f = handle(s, kMasIdx);
    MasList message(f, kMessageWords, sysid);
    std::vector<uint32_t> named;
    if (Status st = message.read_all(named); !st) return st;
    for (uint32_t w : named) {
        bool removed = false;
        if (Status st = MasList(f, kWordMessages, w).remove(sysid, removed); !st) return st;
        if (removed) words.push_back(w);
    }
    uint64_t n = 0;
    return message.remove_all(n);
}

}  // namespace qs::words
