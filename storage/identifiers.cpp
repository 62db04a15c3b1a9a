// SPDX-License-Identifier: MIT
// Identifiers: the counter of Control record 1, one at a time or reserved in blocks.
#include "storage/file_access.h"

namespace qs {

namespace {

uint32_t control_failure(Session& s, const Status& st) {
    if (!s.quiet())
        s.dialog.message("Control File Error", st.text() + "\r\nNext ID cannot be generated!");
    return 0;
}

// Reads record 1 under hold into `c`, adding it with the counter at 1 when it is missing.
Status hold_counter(store::File& h, Control& c) {
    c = Control{};
    c.ID = 1;
    Status st = h.get(keys::CtlIdKey, &c, &c);
    if (st.code() == Code::NotFound) {
        c = Control{};
        c.ID = 1;
        c.NEXTNUMBER = 1;
        st = h.add(&c);
        if (st.code() == Code::Duplicate) st = h.get(keys::CtlIdKey, &c, &c);
    }
    if (!st) return st;
    return h.hold(h.position(), &c, 5);
}

// Raises the counter by `count` under hold; `first` gets the value it had.
Status raise_counter(store::File& h, Control& c, uint32_t count, uint32_t& first) {
    Status st = hold_counter(h, c);
    if (!st) return st;
    first = c.NEXTNUMBER;
    c.NEXTNUMBER += count;
    st = h.put(&c);
    if (!st) h.release();
    return st;
}

}  // namespace

uint32_t NextNr(Session& s) {
    IdBlock& b = s.ids;
    if (b.next < b.end) return b.next++;
    store::File& h = handle(s, kControl);
    // The counter is read and raised under a hold: two processes never get the same number.
    uint32_t result = 0;
    Status st = raise_counter(h, s.rec.Control, 1, result);
    return st ? result : control_failure(s, st);
}

bool ReserveIds(Session& s, uint32_t low, uint32_t count) {
    IdBlock& b = s.ids;
    if (b.left() >= low || count == 0) return true;
    // Outside any transaction, as NextNr: the hold waits for another user's hold without keeping
    // the file locked meanwhile, and the raised counter is on disk before any identifier of the
    // block is used, whatever becomes of the transactions that use them.
    if (s.engine.in_transaction()) return false;
    store::File& h = handle(s, kControl);
    Control c;
    uint32_t first = 0;
    if (!raise_counter(h, c, count, first)) return false;
    // Nobody took from the counter since the last block: it goes on; otherwise the identifiers
    // left over from it are lost, a block being one run of numbers.
    if (first != b.end) b.next = first;
    b.end = first + count;
    return true;
}

void ReturnIds(Session& s) {
    IdBlock b = s.ids;
    s.ids = IdBlock{};
    if (b.next >= b.end || s.engine.in_transaction()) return;
    store::File& h = handle(s, kControl);
    Control c;
    if (!hold_counter(h, c)) return;
    if (c.NEXTNUMBER == b.end) {
        c.NEXTNUMBER = b.next;
        if (h.put(&c)) return;
    }
    h.release();
}

}  // namespace qs
