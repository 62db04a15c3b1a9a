// SPDX-License-Identifier: MIT
// quillstow topic add | rename | delete: the topic form from the command line.
#include <iostream>

#include "app/cli/command.h"
#include "app/topics.h"

namespace qs::cli {

namespace {

int form(Context& c, const std::vector<std::string>& words, int request) {
    Args a(words, {}, {});
    a.at_most(request == kUpdate ? 3 : 2);
    const std::string& db = a.need(0, "DB");
    const std::string name = text_from_input(a.need(1, "NAME"));
    const std::string changed = request == kUpdate ? text_from_input(a.need(2, "NEW")) : "";
    if (!current_database(c, db)) return kExitFailed;
    if (trim_right(request == kUpdate ? changed : name).empty())
        throw UsageError("a topic name must not be blank");
    OP_CLOSE(c.s, kOpOpen, {kCodes});
    bool there = true;
    if (request != kAdd) {
        c.s.rec.Codes = Codes{};
        c.s.rec.Codes.TYPE = kTopicCode;
        c.s.rec.Codes.INDEX = name;
        there = Get(c.s, kCodes, 0);
    }
    const std::string shown = there && request != kAdd ? c.s.rec.Codes.INDEX.str() : name;
    bool done = false;
    const size_t links = there && request == kDelete ? MessagesOf(c.s, c.s.rec.Codes.ID).size() : 0;
    if (there) {
        c.s.GlobalRequest = request;
        TopicForm f(c.s, kTopicCode);
        if (request != kDelete) f.record().INDEX = request == kUpdate ? changed : name;
        done = f.accept();
    }
    OP_CLOSE(c.s, kOpClose, {kCodes});
    if (!there) {
        std::cerr << "quillstow: no topic is named \"" << a.need(1, "NAME") << "\"\n";
        return kExitFailed;
    }
    if (!done) return kExitFailed;
    static const char* kDone[] = {"", "added", "renamed", "deleted"};
    c.out << kDone[request] << " topic \"" << shown << "\"";
    if (request == kUpdate) c.out << " to \"" << a.need(2, "NEW") << "\"";
    if (request == kDelete) c.out << " and its " << links << (links == 1 ? " link" : " links");
    c.out << "\n";
    return kExitOk;
}

}  // namespace

int cmd_topic_add(Context& c, const std::vector<std::string>& w) { return form(c, w, kAdd); }
int cmd_topic_rename(Context& c, const std::vector<std::string>& w) { return form(c, w, kUpdate); }
int cmd_topic_delete(Context& c, const std::vector<std::string>& w) { return form(c, w, kDelete); }

}  // namespace qs::cli
