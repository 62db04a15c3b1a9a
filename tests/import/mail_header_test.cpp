// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "import/readers/mail_header.h"
#include "platform/clock.h"

namespace qs {
namespace {

TEST(MailHeader, TheTwoSenderSpellingsGiveOnePerson) {
    const char* spellings[] = {"Bob Ray <Bob@Example.ORG>", " bob@example.org (Bob Ray)",
                               "\"Bob Ray\" <bob@example.org>", "Bob Ray bob@example.org",
                               "bob@example.org Bob Ray"};
    for (const char* s : spellings) {
        MailAddress a = split_mail_address(s);
        EXPECT_EQ(a.address, "bob@example.org") << s;
        EXPECT_EQ(a.name, "Bob Ray") << s;
    }
}

TEST(MailHeader, AddressesWithoutAName) {
    struct Case {
        const char* text;
        const char* address;
        const char* name;
    } cases[] = {
        {"", "", ""},
        {"   ", "", ""},
        {"Bob@Example.org", "bob@example.org", ""},
        {"<bob@example.org>", "bob@example.org", ""},
        {"undisclosed-recipients:;", "undisclosed-recipients:;", ""},
        {"bob@example.org>", "bob@example.org>", ""},
        {"Bob <bob@example.org> (X)", "bob@example.org", "Bob"},
    };
    for (const auto& c : cases) {
        MailAddress a = split_mail_address(c.text);
        EXPECT_EQ(a.address, c.address) << c.text;
        EXPECT_EQ(a.name, c.name) << c.text;
    }
    EXPECT_EQ(split_mail_address(std::string(80, 'a') + "@x.org").address.size(), 60u);
}

TEST(MailHeader, HeadingLosesOneReply) {
    EXPECT_EQ(mail_heading("  Re:   Lunch"), "Lunch");
    EXPECT_EQ(mail_heading("RE: re: Lunch"), "re: Lunch");
    EXPECT_EQ(mail_heading("Reunion"), "Reunion");
    EXPECT_EQ(mail_heading(""), "");
}

TEST(MailHeader, KnownHeaderLines) {
    struct Case {
        const char* line;
        int code;
    } cases[] = {
        {"From: bob@example.org", 1},
        {"date: Mon, 5 Jan 1998", 2},
        {"TO: me", 3},
        {"Subject: x", 4},
        {"Newsgroups: comp.lang", 5},
        {"Message-ID: <1@x>", 6},
        {"Content-Transfer-Encoding: 8bit", kOtherHeader},
        {"From bob@example.org Mon Jan  5 10:00:00 1998", kOtherHeader},
        {"From - Mon Jan  5 10:00:00 1998", kOtherHeader},
        {"From here on we go", kNotHeader},
        {"X-Mailer: Something", kOtherHeader},
        {"X-ray results were fine", kNotHeader},
        {"Thanks for the note:", kNotHeader},
        {"", kNotHeader},
    };
    for (const auto& c : cases) EXPECT_EQ(known_header(c.line), c.code) << c.line;
}

}  // namespace
}  // namespace qs
