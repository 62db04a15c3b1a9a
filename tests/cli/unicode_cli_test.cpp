// SPDX-License-Identifier: MIT
// Texts beyond ASCII from the import to the command line: stored as given (or converted when a
// reader hands over 8-bit text), shown and written as JSON unchanged, indexed and found in
// every script, and a subject longer than the mail's subject field kept, shown and indexed whole.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "app/cli/command.h"
#include "tests/import/import_home.h"

namespace qs::cli {
namespace {

constexpr const char* kLongSubject =
    "Minutes of the meeting about the water treatment plant in the north, the pumps, the new "
    "pipes, "
    "and the ABSORBENT filters";  // longer than both subject fields

// 48 characters, 88 bytes: the mail's subject field holds all of it.
constexpr const char* kGreekSubject = "Καλημέρα από την Αθήνα και τη Θεσσαλονίκη, φίλοι";

class UnicodeCommands : public testing::ImportHome {
protected:
    void SetUp() override {
        ImportHome::SetUp();
        run(settings(write({
            testing::mail("Grüße aus Köln", "bob@example.org", "me@example.org", "10:00:00",
                          "Viele Grüße aus KÖLN"),
            testing::mail(kGreekSubject, "eli@example.gr", "me@example.org", "10:01:00",
                          "Ένα μήνυμα στα ελληνικά"),
            testing::mail("Привет", "ivan@example.ru", "me@example.org", "10:02:00",
                          "Сообщение по-русски"),
            testing::mail("Caf\xe9 cr\xe8me", "old@example.org", "me@example.org", "10:03:00",
                          "8-bit text without a charset: na\xefve"),
            testing::mail(kLongSubject, "sue@example.org", "me@example.org", "10:04:00",
                          "see the subject"),
        })));
        for (const Mail& m : all<Mail>(mailbox, kMail)) by_time[m.TIME] = m.MAILID;
        for (const auto& [time, number] : by_time) numbers.push_back(number);
        ASSERT_EQ(numbers.size(), 5u);
        ASSERT_EQ(command(cmd_index, {"Home"}), kExitOk);
    }
    int command(int (*cmd)(Context&, const std::vector<std::string>&),
                std::vector<std::string> words, bool json = false) {
        out.str("");
        Context c{h.s, h.dir, json, out};
        return cmd(c, words);
    }
    // The mail sent at 10:0`minute`.
    std::string show(int minute, bool json) {
        const uint32_t number = numbers[static_cast<size_t>(minute)];
        EXPECT_EQ(command(cmd_show, {"Home", std::to_string(number)}, json), kExitOk);
        return out.str();
    }
    std::map<int32_t, uint32_t> by_time;
    std::vector<uint32_t> numbers;  // in the order sent
    std::ostringstream out;
};

TEST_F(UnicodeCommands, ShowPrintsWhatIsStored) {
    struct Case {
        int minute;
        std::string text, json;
    };
    const Case cases[] = {
        {0, "Subject: Grüße aus Köln\nStatus:  normal\n\nViele Grüße aus KÖLN\n",
         R"("SUBJECT":"Grüße aus Köln")"},
        {0, "", R"("TEXT":"Viele Grüße aus KÖLN")"},
        {0, "From:    Bob <bob@example.org>", ""},
        {1, std::string("Subject: ") + kGreekSubject + "\n",
         std::string(R"("SUBJECT":")") + kGreekSubject + "\""},
        // 8-bit text handed over without a charset is kept as the Windows-1252 it was.
        {3, "Subject: Café crème\nStatus:  normal\n\n8-bit text without a charset: naïve\n",
         R"("SUBJECT":"Café crème")"},
        // The subject field holds 50 characters; show gives the whole subject.
        {4, std::string("Subject: ") + kLongSubject + "\n",
         std::string(R"("SUBJECT":")") + kLongSubject + "\""},
    };
    for (const auto& c : cases) {
        EXPECT_NE(show(c.minute, false).find(c.text), std::string::npos) << out.str();
        EXPECT_NE(show(c.minute, true).find(c.json), std::string::npos) << out.str();
    }
    const std::string json = show(4, true);
    EXPECT_EQ(json.find("\"SUBJECT\""), json.rfind("\"SUBJECT\""));  // given once
}

TEST_F(UnicodeCommands, SearchFindsWordsOfEveryScriptWhateverTheirCase) {
    struct Case {
        std::vector<std::string> words;
        std::string found;
    };
    const Case cases[] = {
        {{"--and", "köln", "--whole-word"}, "1 found"},
        {{"--and", "Ko\xcc\x88ln", "--whole-word"}, "1 found"},  // typed decomposed
        {{"--and", "GRÜSSE", "--whole-word"}, "1 found"},
        {{"--and", "ΚΑΛΗΜΈΡΑ", "--whole-word"}, "1 found"},
        {{"--and", "μήνυμα", "--whole-word"}, "1 found"},
        {{"--and", "привет", "--whole-word"}, "1 found"},
        {{"--and", "naïve", "--whole-word"}, "1 found"},
        // A word past the subject field's 50 characters is indexed whole, not cut.
        {{"--and", "absorbent", "--whole-word"}, "1 found"},
        {{"--phrase", "the ABSORBENT filters"}, "1 found"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words{"Home"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        EXPECT_EQ(command(cmd_search, words), kExitOk) << c.words[1];
        EXPECT_NE(out.str().find(c.found), std::string::npos) << c.words[1] << ": " << out.str();
    }
    command(cmd_search, {"Home", "--and", "absorben", "--whole-word"});
    EXPECT_NE(out.str().find("0 found"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace qs::cli
