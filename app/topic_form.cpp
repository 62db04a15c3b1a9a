// SPDX-License-Identifier: MIT
// The topic form: insert, change or delete one topic (or key word).
#include "app/topics.h"

namespace qs {

namespace {

const char* noun(uint8_t type) { return type == kKeyWordCode ? "Key Word" : "Topic"; }

}  // namespace

TopicForm::TopicForm(Session& s, uint8_t type) : s_(s), type_(type), request_(s.GlobalRequest) {
    OP_CLOSE(s_, kOpOpen, {kCodes, kSIndex, kControl});
    s_.GlobalResponse = 2;
    if (request_ == kUpdate || request_ == kDelete) {
        save_ = std::make_unique<SaveRec>(s_, kCodes);
    } else {
        request_ = kAdd;
        fresh_.TYPE = type_;
    }
}

TopicForm::~TopicForm() {
    save_.reset();
    OP_CLOSE(s_, kOpClose, {kCodes, kSIndex, kControl});
}

std::string TopicForm::title() const {
    const char* what = request_ == kAdd      ? " Add New "
                       : request_ == kUpdate ? " Update "
                                             : " Delete ";
    return what + std::string(noun(type_));
}

std::string TopicForm::accept_label() const {
    if (request_ == kDelete) return " Confirm deletion of " + std::string(noun(type_));
    return (request_ == kAdd ? " Accept new " : " Accept updated ") + std::string(noun(type_));
}

Codes& TopicForm::record() { return save_ ? save_->edit<Codes>() : fresh_; }

bool TopicForm::accept() {
    if (request_ != kDelete && record().INDEX.blank()) {
        s_.dialog.beep();
        return false;
    }
    bool done = false;
    if (request_ == kAdd)
        done = insert();
    else if (request_ == kDelete)
        done = remove();
    else
        done = save_->save(kUpdate) == "OK";
    if (done) s_.GlobalResponse = 1;
    return done;
}

bool TopicForm::insert() {
    Codes& c = s_.rec.Codes;
    c = fresh_;
    c.TYPE = type_;
    c.ID = NextNr(s_);
    if (c.ID == 0) return false;
    c.COUNT = 0;
    c.DATE = 0;
    c.TIME = 0;
    if (type_ == kTopicCode) c.CHARCASE = c.WORDONLY = 0;
    return UppDat(s_, kCodes, kAdd, kReport);
}

// The links go first, each failure rolling everything back; the topic goes last, through the
// save protocol, which refuses when another user changed it since the form opened.
bool TopicForm::remove() {
    const uint32_t id = save_->edit<Codes>().ID;
    if (TransactionCheck(s_, BeginTransaction(s_, {kSIndex, kCodes}))) return false;
    // A read that failed would end the walk early and leave links behind: nothing goes then.
    const uint64_t failures = s_.read_failures;
    for (;;) {
        s_.rec.SIndex = SIndex{};
        s_.rec.SIndex.ID = id;
        SetFrom(s_, kSIndex, 0, 1);
        if (!Next(s_, kSIndex) || s_.rec.SIndex.ID != id) break;
        if (!UppDat(s_, kSIndex, kDelete, kRollback)) return false;
    }
    if (s_.read_failures != failures || save_->save(kDelete) != "OK") {
        Rollback(s_);
        return false;
    }
    return Commit(s_);
}

}  // namespace qs
