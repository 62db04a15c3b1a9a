// SPDX-License-Identifier: MIT
// Settings records of the Control file as wholes: loaded under hold with their defaults, saved
// under hold, and never allowed to put back an identifier counter older than the stored one.
#include <algorithm>
#include <cstring>

#include "storage/config_record.h"
#include "storage/file_access.h"
#include "storage/neo.h"

namespace qs::cfg {

namespace {

// Keeps the Control file open for the length of one settings operation, halts included.
class OpenControl {
public:
    explicit OpenControl(Session& s) : s_(s) { OP_CLOSE(s_, kOpOpen, {kControl}); }
    ~OpenControl() { OP_CLOSE(s_, kOpClose, {kControl}); }
    OpenControl(const OpenControl&) = delete;
    OpenControl& operator=(const OpenControl&) = delete;

private:
    Session& s_;
};

// Positions the Control buffer on record `id` without holding it.
Status find(Session& s, uint8_t id) {
    Control& c = s.rec.Control;
    c = Control{};
    c.ID = id;
    return handle(s, kControl).get(keys::CtlIdKey, &c, &c);
}

bool raise_counter(Control& c) {
    if (c.ID != 1 || c.NEXTNUMBER >= kFirstNumber) return false;
    c.NEXTNUMBER = kFirstNumber;
    return true;
}

// Adds `c` as a new record. Duplicate means another user added it since we looked.
Status add(Session& s, const Control& c) {
    s.rec.Control = c;
    return handle(s, kControl).add(&s.rec.Control);
}

bool write_held(Session& s) {
    if (UppDat(s, kControl, kUpdate, 0)) return true;
    ReleaseRec(s, kControl);
    return false;
}

}  // namespace

int32_t get_long(const Group& g, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(g.bytes.at(at + i)) << (8 * i);
    return static_cast<int32_t>(v);
}

void put_long(Group& g, size_t at, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) g.bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

std::string get_text(const Group& g, size_t at, size_t width) {
    const char* p = reinterpret_cast<const char*>(g.bytes.data() + at);
    std::string_view text(p, strnlen(p, width));
    return std::string(trim_right(text));
}

void put_text(Group& g, size_t at, size_t width, std::string_view text) {
    size_t n = std::min(text.size(), width);
    std::memcpy(g.bytes.data() + at, text.data(), n);
    std::fill_n(g.bytes.begin() + static_cast<ptrdiff_t>(at + n), width - n, uint8_t{' '});
}

bool text_blank(const Group& g, size_t at, size_t width) {
    return std::all_of(g.bytes.begin() + static_cast<ptrdiff_t>(at),
                       g.bytes.begin() + static_cast<ptrdiff_t>(at + width),
                       [](uint8_t b) { return b == 0 || b == ' '; });
}

bool load_record(Session& s, uint8_t id, Control& out, const Fixer& fix) {
    OpenControl open(s);
    for (int attempt = 0; attempt < 2; ++attempt) {
        Status found = find(s, id);
        if (found.code() == Code::NotFound) {
            Control c;
            c.ID = id;
            fix(c);
            raise_counter(c);
            Status added = add(s, c);
            if (added.code() == Code::Duplicate) continue;
            out = c;
            return added.is_ok();
        }
        if (!found) return false;
        // Most loads change nothing: those need no hold, which would cost two synced writes.
        Control seen = s.rec.Control;
        const bool fixes = fix(seen);
        if (!raise_counter(seen) && !fixes) {
            out = seen;
            return true;
        }
        if (!HoldRec(s, kControl, keys::CtlIdKey, true, 0, 5)) return false;
        Control c = s.rec.Control;
        bool changed = fix(c);
        changed = raise_counter(c) || changed;
        s.rec.Control = c;
        if (!changed) {
            ReleaseRec(s, kControl);
        } else if (!write_held(s)) {
            return false;
        }
        out = c;
        return true;
    }
    return false;
}

bool save_record(Session& s, uint8_t id, const Group& group) {
    OpenControl open(s);
    for (int attempt = 0; attempt < 2; ++attempt) {
        Status found = find(s, id);
        if (found.code() == Code::NotFound) {
            Control c;
            c.ID = id;
            c.CTLGROUP = group;
            raise_counter(c);
            Status added = add(s, c);
            if (added.code() == Code::Duplicate) continue;
            return added.is_ok();
        }
        if (!found || !HoldRec(s, kControl, keys::CtlIdKey, true, 0, 5)) return false;
        // The buffer now holds the record as stored, its counter included: only the group is ours.
        s.rec.Control.CTLGROUP = group;
        raise_counter(s.rec.Control);
        return write_held(s);
    }
    return false;
}

Status read_record(Session& s, uint8_t id, Control& out) {
    OpenControl open(s);
    Status st = find(s, id);
    if (st) out = s.rec.Control;
    return st;
}

uint8_t settings_failed(Session& s, uint32_t title, uint32_t text) {
    if (!s.quiet()) s.dialog.message(CallNeo(s, title), CallNeo(s, text));
    return 0;
}

void invalid_xtype(Session& s) {
    halt(s.dialog, "Program Failure!", "Internal Error - invalid xType");
}

}  // namespace qs::cfg
