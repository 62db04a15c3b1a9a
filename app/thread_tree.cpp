// SPDX-License-Identifier: MIT
#include "app/thread_tree.h"

#include <algorithm>
#include <map>

#include "app/display_date.h"
#include "app/text_chars.h"
#include "platform/text.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr size_t kSenderChars = 35;
constexpr size_t kLineChars = 255;

std::string first_chars(std::string_view s, size_t n) {
    return std::string(s.substr(0, textchars::offset_of(s, n)));
}

}  // namespace

std::string tree_sender_name(const Person& p) {
    std::string first = p.FIRSTNAME.str(), last = p.LASTNAME.str();
    std::string name = first.empty() || last.empty() ? first + last : first + " " + last;
    return first_chars(name, kSenderChars);
}

std::string ThreadTree::line_text(const TreeItem& item) const {
    const std::string number = std::to_string(item.number);
    const std::string date = display_date(item.date, date_format_);
    std::vector<const std::string*> parts{&item.sender};
    switch (item_format_) {
        case kSenderNumber: parts.push_back(&number); break;
        case kSenderDate: parts.push_back(&date); break;
        case kSenderNumberDate: parts.insert(parts.end(), {&number, &date}); break;
        case kSenderDateNumber: parts.insert(parts.end(), {&date, &number}); break;
        default: break;
    }
    std::string text;
    for (const std::string* p : parts) {
        if (p->empty()) continue;
        if (!text.empty()) text += ' ';
        text += *p;
    }
    return first_chars(text, kLineChars);
}

bool ThreadTree::load(Session& s, const MsgNmbr& selected) {
    if (thread_ != 0 && selected.THREADNUMBER == thread_) return false;
    // A copy: the selected header may be the MsgNmbr buffer, which the reading below reuses.
    const MsgNmbr current = selected;
    items_.clear();
    lines_.clear();
    deepest_ = 0;
    read_thread(s, current);
    assign_levels();
    build_display();
    thread_ = current.THREADNUMBER;
    return true;
}

void ThreadTree::read_thread(Session& s, const MsgNmbr& current) {
    OP_CLOSE(s, kOpOpen, {kMsgNmbr, kPerson});
    MsgNmbr& m = s.rec.MsgNmbr;
    m = MsgNmbr{};
    m.THREADALPHA = current.THREADALPHA;
    m.THREADNUMBER = current.THREADNUMBER;
    SetFrom(s, kMsgNmbr, keys::Threadkey, 2);
    std::vector<MsgNmbr> headers;
    while (Next(s, kMsgNmbr) && m.THREADNUMBER == current.THREADNUMBER &&
           compare_nocase(m.THREADALPHA.view(), current.THREADALPHA.view()) == 0)
        headers.push_back(m);
    std::map<uint32_t, std::string> names;
    for (const MsgNmbr& h : headers) {
        auto [it, fresh] = names.try_emplace(h.FROMID);
        if (fresh && h.FROMID) {
            s.rec.Person = Person{};
            s.rec.Person.PERSONID = h.FROMID;
            if (Get(s, kPerson, keys::PersonKey)) it->second = tree_sender_name(s.rec.Person);
        }
        TreeItem item;
        item.number = h.MSGNUMBER;
        item.parent = h.REFNUMBER == h.MSGNUMBER ? 0 : h.REFNUMBER;
        item.sender = it->second;
        item.date = h.DATE;
        items_.push_back(std::move(item));
    }
    OP_CLOSE(s, kOpClose, {kMsgNmbr, kPerson});
    std::sort(items_.begin(), items_.end(),
              [](const TreeItem& a, const TreeItem& b) { return a.number < b.number; });
}

namespace {

// The index of the item numbered `number`, or items.size() when the thread has none.
size_t index_of(const std::vector<TreeItem>& items, uint32_t number) {
    auto it = std::lower_bound(items.begin(), items.end(), number,
                               [](const TreeItem& t, uint32_t n) { return t.number < n; });
    return number != 0 && it != items.end() && it->number == number
               ? static_cast<size_t>(it - items.begin())
               : items.size();
}

}  // namespace

bool ThreadTree::level_pass(std::vector<int>& lookup_level, std::vector<bool>& lookup_children) {
    bool assigned = false;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].level != 0) continue;
        size_t parent = index_of(items_, items_[i].parent);
        int level = 1;
        if (parent < items_.size()) {
            if (lookup_level[parent] == 0) continue;
            level = lookup_level[parent] + 1;
            lookup_children[parent] = true;
        }
        items_[i].level = lookup_level[i] = level;
        deepest_ = std::max(deepest_, level);
        assigned = true;
    }
    return assigned;
}

void ThreadTree::assign_levels() {
    std::vector<int> lookup_level(items_.size(), 0);
    std::vector<bool> lookup_children(items_.size(), false);
    for (;;) {
        while (level_pass(lookup_level, lookup_children)) {
        }
        // Whatever is left replies in a circle (or to such a message): its lowest-numbered
        // message becomes a root.
        auto left = std::find_if(items_.begin(), items_.end(),
                                 [](const TreeItem& t) { return t.level == 0; });
        if (left == items_.end()) break;
        left->level = lookup_level[static_cast<size_t>(left - items_.begin())] = 1;
        deepest_ = std::max(deepest_, 1);
    }
    for (size_t i = 0; i < items_.size(); ++i) items_[i].has_children = lookup_children[i];
}

void ThreadTree::build_display() {
    // The replies of each item that sit one level below it, in ascending number; a message
    // made a root to end a circle is not also shown as a reply.
    std::vector<std::vector<size_t>> children(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        size_t parent = index_of(items_, items_[i].parent);
        if (parent < items_.size() && items_[i].level == items_[parent].level + 1)
            children[parent].push_back(i);
    }
    std::vector<size_t> next(items_.size(), 0);  // the first reply of each not yet looked at
    std::vector<size_t> stack;
    size_t root = 0;
    for (;;) {
        if (stack.empty()) {
            while (root < items_.size() && (items_[root].level != 1 || items_[root].displayed))
                ++root;
            if (root == items_.size()) break;
            stack.push_back(root);
        }
        TreeItem& top = items_[stack.back()];
        if (!top.displayed) {
            top.displayed = true;
            top.position = lines_.size();
            lines_.push_back({line_text(top), top.level, top.has_children ? 2 : 1, top.number});
        }
        std::vector<size_t>& mine = children[stack.back()];
        size_t& k = next[stack.back()];
        while (k < mine.size() && items_[mine[k]].displayed) ++k;
        if (top.has_children && k < mine.size())
            stack.push_back(mine[k]);
        else
            stack.pop_back();
    }
}

}  // namespace qs
