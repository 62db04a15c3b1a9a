// SPDX-License-Identifier: MIT
// A word-indexed database for search tests: messages are written with their word list and master
// index entries straight through the file access layer.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/startup.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"
#include "wordindex/postings.h"
#include "wordindex/tokenizer.h"

namespace qs::testing {

class SearchCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        db = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
        ASSERT_NE(db, 0u);
        ASSERT_TRUE(MakeCurrent(h.s, db));
    }

    // Switches to a forum database: the messages' subjects become the headings of their threads.
    void use_forum() {
        db = AddForumDatabase(h.s, "Forum");
        ASSERT_NE(db, 0u);
        ASSERT_TRUE(MakeCurrent(h.s, db));
        forum_ = true;
    }

    // A mail of day `date` (later days are newer) with its words.
    void mail(uint32_t id, int32_t date, const std::string& subject, const std::string& text) {
        messages[id] = {date, subject, text};
    }

    void set_pause_count(int32_t n) { ASSERT_EQ(WSVars(h.s, 2, 50, nullptr, nullptr, &n), 1); }

    void stop_word(const std::string& w) {
        OP_CLOSE(h.s, kOpOpen, {kSTO});
        h.s.rec.STO.THEWORD = w;
        ASSERT_TRUE(UppDat(h.s, kSTO, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kSTO});
    }

    // Writes the messages, the word list (ids in alphabetical order from 1) and the master index.
    void store() {
        const auto rules = words::WordRules::defaults();
        std::map<std::string, std::set<uint32_t>> postings;
        for (const auto& [id, m] : messages) {
            words::MessageText t{m.subject, m.text};
            words::for_each_word(rules, t,
                                 [&](const words::Word& w) { postings[w.text].insert(id); });
        }
        int header = forum_ ? kMsgNmbr : kMail;
        OP_CLOSE(h.s, kOpOpen, {header, kThreads, kMsgText, kWordList, kMasIdx});
        ASSERT_TRUE(BeginTransaction(h.s, {header, kThreads, kMsgText, kWordList, kMasIdx}));
        for (const auto& [id, m] : messages) write_message(id, m);
        int32_t word_id = 0;
        std::map<uint32_t, std::vector<uint32_t>> words_of;
        std::vector<WordList> list;
        for (const auto& [word, ids] : postings) {
            ids_[word] = ++word_id;
            list.push_back({word_id, std::string_view(word), static_cast<int32_t>(ids.size())});
            for (uint32_t id : ids) words_of[id].push_back(static_cast<uint32_t>(word_id));
        }
        if (list_backwards) std::reverse(list.begin(), list.end());
        for (const WordList& w : list) {
            h.s.rec.WordList = w;
            ASSERT_TRUE(UppDat(h.s, kWordList, kAdd, kRollback));
        }
        for (const auto& [id, word_ids] : words_of)
            ASSERT_TRUE(words::add_message(h.s, id, word_ids));
        ASSERT_TRUE(Commit(h.s));
        OP_CLOSE(h.s, kOpClose, {header, kThreads, kMsgText, kWordList, kMasIdx});
    }

    int32_t id_of(const std::string& word) { return ids_.at(word); }

    struct Message {
        int32_t date;
        std::string subject, text;
    };
    TempHome h;
    uint32_t db = 0;
    // The word list written from the last word to the first, so that its order is not the order
    // of its words' key (as in a list that grew over several index runs).
    bool list_backwards = false;
    std::map<uint32_t, Message> messages;

private:
    void write_message(uint32_t id, const Message& m) {
        if (forum_) {
            h.s.rec.Threads = Threads{};
            h.s.rec.Threads.THREADNUMBER = id + 1000;
            h.s.rec.Threads.set_heading(m.subject);
            ASSERT_TRUE(UppDat(h.s, kThreads, kAdd, kRollback));
            h.s.rec.MsgNmbr = MsgNmbr{};
            h.s.rec.MsgNmbr.MSGNUMBER = id;
            h.s.rec.MsgNmbr.THREADNUMBER = id + 1000;
            h.s.rec.MsgNmbr.DATE = m.date;
            ASSERT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kRollback));
        } else {
            write_mail(id, m);
        }
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = id;
        h.s.rec.MsgText.DATE = m.date;
        h.s.rec.MsgText.MSGTEXT.text = m.text;
        ASSERT_TRUE(UppDat(h.s, kMsgText, kAdd, kRollback));
    }

    void write_mail(uint32_t id, const Message& m) {
        h.s.rec.Mail = Mail{};
        h.s.rec.Mail.MAILID = id;
        h.s.rec.Mail.DATE = m.date;
        h.s.rec.Mail.SUBJECT = m.subject;
        ASSERT_TRUE(UppDat(h.s, kMail, kAdd, kRollback));
    }

    std::map<std::string, int32_t> ids_;
    bool forum_ = false;
};

}  // namespace qs::testing
