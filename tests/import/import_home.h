// SPDX-License-Identifier: MIT
// The home of the import processor's tests: a started archive with the mail database "Home",
// input files in the test line format (tests/support/line_reader.h), runs stepped to their end or
// cut short, and reading back what a database holds.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "import/processor.h"
#include "storage/content_hash.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/line_reader.h"
#include "tests/support/test_home.h"

namespace qs::testing {

class ImportHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        mailbox = AddMailDatabase(h.s, {"Home", "me@example.org", {"me@work.example"}});
        ASSERT_NE(mailbox, 0u);
    }

    std::string write(const std::vector<std::string>& lines) {
        std::string path = h.dir + "/input" + std::to_string(++inputs) + ".txt";
        std::ofstream out(path);
        for (const auto& l : lines) out << l << "\n";
        return path;
    }

    ImportSettings settings(const std::string& path) {
        ImportSettings st;
        st.format = "test lines";
        st.selection = kSelectedFiles;
        st.files = {path};
        st.mailbox = mailbox;
        return st;
    }

    static ImportProcessor::ParserFactory factory() {
        return [](const std::string&) {
            return std::make_unique<LineReader>();
        };
    }

    // Runs to the end, which is to be `want`; every message found is accounted for.
    ImportAccounting run(const ImportSettings& st,
                         ImportProcessor::Result want = ImportProcessor::Result::Done) {
        ImportProcessor p(h.s, st, factory());
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, want) << p.final_message();
        const ImportAccounting& a = p.accounting();
        EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
        return a;
    }

    template <class R>
    std::vector<R> all(uint32_t db, int file) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {file});
        std::vector<R> out;
        Set(h.s, file, 0);
        while (Next(h.s, file)) out.push_back(buffer<R>(h.s, file));
        OP_CLOSE(h.s, kOpClose, {file});
        return out;
    }

    std::string text_of(uint32_t db, uint32_t number) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {kMsgText});
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = number;
        std::string t = Get(h.s, kMsgText, 0) ? h.s.rec.MsgText.MSGTEXT.text : "<none>";
        OP_CLOSE(h.s, kOpClose, {kMsgText});
        return t;
    }

    std::string log_text() const {
        std::ifstream log(h.s.mem.Net + "/Log.txt");
        return std::string((std::istreambuf_iterator<char>(log)), {});
    }

    TempHome h;
    uint32_t mailbox = 0;
    int inputs = 0;
};

// Lines of the test format: a forum message, a mail, a newsgroup message.
inline std::string forum(const char* name, int number, int ref, const char* subject,
                         const char* from, const char* text) {
    return std::string("F\t") + name + "\t3\tGeneral\t" + std::to_string(number) + "\t" +
           std::to_string(ref) + "\t" + subject + "\t" + from + "\t12345,678\tAll\t\t2001-02-03" +
           "\t10:00:00\t" + text;
}

inline std::string mail(const char* subject, const char* from, const char* to, const char* time,
                        const char* text, const char* from_name = "Bob",
                        const char* to_name = "Me") {
    return std::string("M\t\t\t\t\t\t") + subject + "\t" + from_name + "\t" + from + "\t" +
           to_name + "\t" + to + "\t2001-02-03\t" + time + "\t" + text;
}

inline std::string news(const char* group, const char* subject, const char* from, const char* id,
                        const char* parent) {
    return std::string("N\t") + group + "\t\t\t\t\t" + subject + "\t" + from + "\t" + from +
           "@news.example\t\t\t2001-02-03\t09:00:00\tbody of " + id + "\t" + id + "\t" + parent;
}

// The SHA-256 of the attachment bytes that "@SIZE:SEED" stands for in the test format.
inline std::string hash_of(uint64_t size, uint64_t seed) {
    ContentHash h;
    generate_bytes(size, seed, [&](std::string_view b) { h.update(b); });
    return h.hex();
}

}  // namespace qs::testing
