// SPDX-License-Identifier: MIT
// A database with messages written straight into its files, and the word index read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"
#include "wordindex/index_files.h"
#include "wordindex/index_status.h"
#include "wordindex/indexer.h"
#include "wordindex/position_records.h"
#include "wordindex/postings.h"
#include "wordindex/word_lists.h"

namespace qs::words {

class IndexedDb : public ::testing::Test {
protected:
    testing::TempHome h;
    uint32_t db = 0;
    uint8_t type = kMailDb;
    uint32_t next_id = 1000;

    void open_mail() {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        db = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
        ASSERT_NE(db, 0u);
        ASSERT_TRUE(MakeCurrent(h.s, db));
        type = kMailDb;
    }
    void open_forum() {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        db = AddForumDatabase(h.s, "Gardening");
        ASSERT_NE(db, 0u);
        ASSERT_TRUE(MakeCurrent(h.s, db));
        type = kForumDb;
    }

    // Writes messages (subject, text) in one transaction; returns their ids.
    std::vector<uint32_t> add(const std::vector<std::pair<std::string, std::string>>& msgs) {
        std::vector<int> files = {kMsgText, kMail};
        if (type != kMailDb) files = {kMsgText, kMsgNmbr, kThreads};
        OP_CLOSE(h.s, kOpOpen, files);
        std::vector<store::File*> handles;
        for (int f : files) handles.push_back(&handle(h.s, f));
        EXPECT_TRUE(h.s.engine.begin(handles, 5));
        std::vector<uint32_t> ids;
        for (const auto& [subject, text] : msgs) {
            uint32_t id = next_id++;
            ids.push_back(id);
            if (type == kMailDb) {
                h.s.rec.Mail = Mail{};
                h.s.rec.Mail.MAILID = id;
                h.s.rec.Mail.SUBJECT = subject;
                EXPECT_TRUE(UppDat(h.s, kMail, kAdd, kReport));
            } else {
                h.s.rec.Threads = Threads{};
                h.s.rec.Threads.THREADNUMBER = id;
                h.s.rec.Threads.set_heading(subject);
                EXPECT_TRUE(UppDat(h.s, kThreads, kAdd, kReport));
                h.s.rec.MsgNmbr = MsgNmbr{};
                h.s.rec.MsgNmbr.MSGNUMBER = id;
                h.s.rec.MsgNmbr.THREADNUMBER = id;
                EXPECT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kReport));
            }
            h.s.rec.MsgText = MsgText{};
            h.s.rec.MsgText.MSGNUMBER = id;
            h.s.rec.MsgText.MSGTEXT.text = text;
            EXPECT_TRUE(UppDat(h.s, kMsgText, kAdd, kReport));
        }
        EXPECT_TRUE(h.s.engine.commit());
        OP_CLOSE(h.s, kOpClose, files);
        return ids;
    }

    uint8_t index(bool full = false, IndexOutcome* out = nullptr) {
        IndexRequest rq;
        rq.type = type;
        rq.per_pass = 1000;
        rq.full = full;
        return INDEXFILE1(h.s, rq, {}, out);
    }

    std::map<std::string, int32_t> words() {
        std::vector<WordList> list;
        EXPECT_TRUE(list_words(h.s, WordOrder::ByWord, SIZE_MAX, list));
        std::map<std::string, int32_t> out;
        for (const auto& w : list) out[w.THEWORD.str()] = w.WORDCOUNT;
        return out;
    }

    int32_t id_of(const std::string& word) {
        std::vector<WordList> list;
        EXPECT_TRUE(list_words(h.s, WordOrder::ByWord, SIZE_MAX, list));
        for (const auto& w : list)
            if (w.THEWORD.str() == word) return w.WORDID;
        return 0;
    }

    // The master index as (sysid, word) pairs.
    std::vector<std::pair<uint32_t, std::string>> entries() {
        std::map<int32_t, std::string> names;
        std::vector<WordList> list;
        EXPECT_TRUE(list_words(h.s, WordOrder::ByWord, SIZE_MAX, list));
        for (const auto& w : list) names[w.WORDID] = w.THEWORD.str();
        std::vector<std::pair<uint32_t, uint32_t>> pairs;
        OP_CLOSE(h.s, kOpOpen, {kMasIdx});
        EXPECT_TRUE(all_entries(h.s, pairs));
        OP_CLOSE(h.s, kOpClose, {kMasIdx});
        std::sort(pairs.begin(), pairs.end());  // by message, then word id
        std::vector<std::pair<uint32_t, std::string>> out;
        for (const auto& [sysid, word] : pairs) {
            auto it = names.find(static_cast<int32_t>(word));
            out.emplace_back(sysid, it == names.end() ? "#" + std::to_string(word) : it->second);
        }
        return out;
    }

    // The position record of every (message, word) entry: its positions, or {0} when it is not
    // known; a block whose records do not decode fails the test.
    std::map<std::pair<uint32_t, std::string>, std::vector<uint32_t>> positions() {
        std::map<int32_t, std::string> names;
        std::vector<WordList> list;
        EXPECT_TRUE(list_words(h.s, WordOrder::ByWord, SIZE_MAX, list));
        for (const auto& w : list) names[w.WORDID] = w.THEWORD.str();
        std::map<std::pair<uint32_t, std::string>, std::vector<uint32_t>> out;
        OP_CLOSE(h.s, kOpOpen, {kMasIdx});
        EXPECT_TRUE(handle(h.s, kMasIdx).scan([&](int64_t, const void* rec) {
            const auto& r = *static_cast<const MasIdx*>(rec);
            if (r.KIND != kWordMessages) return true;
            std::vector<uint32_t> ids;
            std::vector<std::string_view> records;
            EXPECT_TRUE(decode_block(r, ids, &records)) << r.ID << "/" << r.FIRST;
            for (size_t i = 0; i < ids.size() && i < records.size(); ++i) {
                auto& places = out[{ids[i], names[static_cast<int32_t>(r.ID)]}];
                if (!record_known(records[i]))
                    places = {0};
                else
                    EXPECT_TRUE(record_positions(records[i], places)) << ids[i];
            }
            return true;
        }));
        OP_CLOSE(h.s, kOpClose, {kMasIdx});
        return out;
    }

    Forums database() {
        OP_CLOSE(h.s, kOpOpen, {kForums});
        h.s.rec.Forums = Forums{};
        h.s.rec.Forums.ID = db;
        EXPECT_TRUE(Get(h.s, kForums, keys::ForumKey));
        OP_CLOSE(h.s, kOpClose, {kForums});
        return h.s.rec.Forums;
    }

    std::vector<std::string> stop_list() { return stop_words(h.s); }
};

}  // namespace qs::words
