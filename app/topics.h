// SPDX-License-Identifier: MIT
// Topics and key words of the current database (Codes) and their links to messages or mails
// (SIndex): the topic form, the topics list with its recount, the lookup that picks one by the
// start of its name, tagging and untagging a message with the topic's count kept, and the
// messages of a topic for the browses' topic filter. Links and counts change together, in one
// transaction, so a count never drifts from its links.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/file_access.h"

namespace qs {

// The topic form (code 210). The request comes in s.GlobalRequest: 1 insert, 2 change, 3 delete;
// for a change or a delete, Codes is open and its current record is the one to change. The
// answer goes to s.GlobalResponse: 1 when accepted, 2 while it is not (and after cancel).
class TopicForm {
public:
    explicit TopicForm(Session& s, uint8_t type = kTopicCode);
    ~TopicForm();
    TopicForm(const TopicForm&) = delete;
    TopicForm& operator=(const TopicForm&) = delete;

    std::string title() const;         // " Add New Topic", " Update Topic", " Delete Topic"
    std::string accept_label() const;  // " Accept new Topic", ...
    bool name_enabled() const { return request_ != kDelete; }
    // The record being edited: INDEX is the "Topic" field; key words also take CHARCASE and
    // WORDONLY.
    Codes& record();

    // Saves. A blank name beeps and is refused; an insert whose name exists already, in any
    // case, fails on the unique key (told); a change refused because another user changed the
    // record meanwhile shows the record as it is now. A delete removes the topic with every link
    // to it in one transaction, or nothing. False keeps the form open.
    bool accept();
    void cancel() { s_.GlobalResponse = 2; }

private:
    bool insert();
    bool remove();

    Session& s_;
    uint8_t type_;
    int request_;
    Codes fresh_;                    // insert
    std::unique_ptr<SaveRec> save_;  // change and delete
};

// Counts the links of each topic (or key word) anew and stores the counts that differ, with
// Codes locked meanwhile, as the topics list does when it opens. The number of topics, or -1
// when Codes could not be locked (told).
int64_t RecountCodes(Session& s, uint8_t type = kTopicCode);

// The topics (or key words) in name order.
std::vector<Codes> ListCodes(Session& s, uint8_t type = kTopicCode);

// The title of the topics list and of the lookups: the database's name, " Topics [" (or " Key
// Words ["), the number and "]".
std::string codes_title(const Session& s, uint8_t type, uint64_t count);

// The lookup: `typed` positions the list on the first name that starts with it, case ignored.
struct CodeLookup {
    enum class Result { One, Several, None } result = Result::None;
    Codes first;  // the first record that starts with `typed`
};
CodeLookup LookupCode(Session& s, uint8_t type, std::string_view typed);

// Links message or mail `number` to the topic (held by COD:ClassKey: its TYPE, INDEX and ID)
// and adds one to its count; or removes the link and subtracts one. Both run in one transaction
// over SIndex and Codes: a link that exists already, one that is gone, a topic renamed or
// deleted meanwhile, or a record held past `wait_s` is told and changes nothing. True when done.
bool TagMessage(Session& s, const Codes& topic, uint32_t number, int wait_s = 5);
bool UntagMessage(Session& s, const Codes& topic, uint32_t number, int wait_s = 5);

// The topic and key word identifiers linked to message or mail `number` (SIN:MsgKey).
std::vector<uint32_t> CodesOf(Session& s, uint32_t number);
// The messages or mails linked to topic or key word `id`, newest (highest number) first.
std::vector<uint32_t> MessagesOf(Session& s, uint32_t id);

// The classification window: the topics of the database with a tag on those linked to the
// message selected in the browse.
class Classification {
public:
    struct Entry {
        Codes topic;
        bool tagged = false;
    };

    explicit Classification(Session& s) : s_(s) {}
    // Loads the topics by name and tags them for the selected message (0: none yet).
    void reload();
    // The browse's selection moved: tags the list anew unless it is the same message.
    void select(uint32_t number);
    // Tags or untags entry `i` for the selected message. The tags are read again from the
    // store afterwards, so that after a failure (told) they show what is stored. True when done.
    bool toggle(size_t i, int wait_s = 5);
    // Drops an entry from the shown list only; a reload brings it back.
    void drop(size_t i);

    const std::vector<Entry>& entries() const { return entries_; }
    uint32_t selected() const { return selected_; }

private:
    void tag();

    Session& s_;
    std::vector<Entry> entries_;
    uint32_t selected_ = 0;
};

}  // namespace qs
