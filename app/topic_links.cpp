// SPDX-License-Identifier: MIT
// Links between topics (or key words) and messages, with the topics' counts kept, and the
// classification window over them.
#include <algorithm>

#include "app/topics.h"

namespace qs {

namespace {

// Holds the topic by COD:ClassKey inside the running transaction and changes its count by
// `delta`; a topic renamed, or deleted and made again under its name, is gone for this link.
bool count_change(Session& s, const Codes& topic, int delta, int wait_s) {
    s.rec.Codes = Codes{};
    s.rec.Codes.TYPE = topic.TYPE;
    s.rec.Codes.INDEX = topic.INDEX;
    if (!HoldRec(s, kCodes, 0, true, 0, wait_s)) return false;
    Codes& c = s.rec.Codes;
    if (c.ID != topic.ID) {
        ReleaseRec(s, kCodes);
        if (!s.quiet())
            s.dialog.message(full_name(s, kCodes),
                             "The record has been deleted by another user!\r\n"
                             "                   Update is cancelled!");
        return false;
    }
    if (delta > 0) {
        ++c.COUNT;
        c.DATE = s.clock.today();
        c.TIME = s.clock.now();
    } else if (c.COUNT > 0) {
        --c.COUNT;
    }
    return UppDat(s, kCodes, kUpdate, kRollback);
}

// Inside the running transaction; false after it was rolled back (the failure was told).
bool link_and_count(Session& s, const Codes& topic, uint32_t number, bool add, int wait_s) {
    s.rec.SIndex = SIndex{topic.ID, number};
    bool linked =
        add ? UppDat(s, kSIndex, kAdd, kRollback)
            : HoldRec(s, kSIndex, 0, true, 0, wait_s) && UppDat(s, kSIndex, kDelete, kRollback);
    if (linked && count_change(s, topic, add ? 1 : -1, wait_s)) return true;
    // A failed record operation rolled back already; a failed hold did not.
    if (s.engine.in_transaction()) Rollback(s);
    return false;
}

bool change_link(Session& s, const Codes& topic, uint32_t number, bool add, int wait_s) {
    OP_CLOSE(s, kOpOpen, {kSIndex, kCodes});
    bool done = !TransactionCheck(s, BeginTransaction(s, {kSIndex, kCodes}, wait_s)) &&
                link_and_count(s, topic, number, add, wait_s) && Commit(s);
    OP_CLOSE(s, kOpClose, {kSIndex, kCodes});
    return done;
}

}  // namespace

bool TagMessage(Session& s, const Codes& topic, uint32_t number, int wait_s) {
    return change_link(s, topic, number, true, wait_s);
}

bool UntagMessage(Session& s, const Codes& topic, uint32_t number, int wait_s) {
    return change_link(s, topic, number, false, wait_s);
}

std::vector<uint32_t> CodesOf(Session& s, uint32_t number) {
    OP_CLOSE(s, kOpOpen, {kSIndex});
    std::vector<uint32_t> ids;
    s.rec.SIndex = SIndex{};
    s.rec.SIndex.MSGNUMBER = number;
    SetFrom(s, kSIndex, 1, 1);  // SIN:MsgKey
    while (Next(s, kSIndex) && s.rec.SIndex.MSGNUMBER == number) ids.push_back(s.rec.SIndex.ID);
    OP_CLOSE(s, kOpClose, {kSIndex});
    return ids;
}

std::vector<uint32_t> MessagesOf(Session& s, uint32_t id) {
    OP_CLOSE(s, kOpOpen, {kSIndex});
    std::vector<uint32_t> numbers;
    s.rec.SIndex = SIndex{};
    s.rec.SIndex.ID = id;
    SetFrom(s, kSIndex, 0, 1);  // SIN:IdKey: the highest number first
    while (Next(s, kSIndex) && s.rec.SIndex.ID == id) numbers.push_back(s.rec.SIndex.MSGNUMBER);
    OP_CLOSE(s, kOpClose, {kSIndex});
    return numbers;
}

void Classification::reload() {
    entries_.clear();
    for (Codes& c : ListCodes(s_, kTopicCode)) entries_.push_back({std::move(c), false});
    tag();
}

void Classification::select(uint32_t number) {
    if (number == selected_) return;
    selected_ = number;
    tag();
}

void Classification::tag() {
    std::vector<uint32_t> linked = selected_ ? CodesOf(s_, selected_) : std::vector<uint32_t>{};
    for (Entry& e : entries_)
        e.tagged = std::find(linked.begin(), linked.end(), e.topic.ID) != linked.end();
}

bool Classification::toggle(size_t i, int wait_s) {
    if (i >= entries_.size() || selected_ == 0) return false;
    Entry& e = entries_[i];
    bool done = e.tagged ? UntagMessage(s_, e.topic, selected_, wait_s)
                         : TagMessage(s_, e.topic, selected_, wait_s);
    tag();
    return done;
}

void Classification::drop(size_t i) {
    if (i < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace qs
