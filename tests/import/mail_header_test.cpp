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

LineQueue queue(std::initializer_list<const char*> lines) {
    LineQueue q;
    for (const char* l : lines) q.push_back(TQ{l, 0});
    return q;
}

TEST(MailHeader, ScanTakesTheFieldsUpToTheFirstEmptyLine) {
    LineQueue q = queue({"From ???@??? Mon Jan 05 10:00:30 1998", "from: Bob <bob@x.org>",
                         "Subject: Re: Lunch", "Date: 5 Jan 98 10:00", "To: me@example.org",
                         "Content-Type: text/html", "", "Subject: body line", "body"});
    MailHeader h = scan_mail_header(q, HeaderVariant::Mail);
    EXPECT_EQ(h.from, " Bob <bob@x.org>");
    EXPECT_EQ(h.subject, " Re: Lunch");
    EXPECT_TRUE(h.has_date);
    EXPECT_EQ(h.to, " me@example.org");
    EXPECT_EQ(h.kind, kHtmlBody);
    EXPECT_EQ(h.body, 7u);
    EXPECT_FALSE(h.news);
}

TEST(MailHeader, NewsAndMultipartRules) {
    LineQueue news = queue({"From: a@b", "Newsgroups: comp.lang", "", "x"});
    EXPECT_TRUE(scan_mail_header(news, HeaderVariant::Mail).news);
    EXPECT_FALSE(scan_mail_header(news, HeaderVariant::Eudora).news);

    LineQueue split = queue({"Content-Type: multipart/mixed;", " boundary=\"XYZ123\"", "", "x"});
    MailHeader h = scan_mail_header(split, HeaderVariant::Mail);
    EXPECT_TRUE(h.multipart);
    EXPECT_FALSE(h.boundary.empty());

    LineQueue lost = queue({"Content-Type: multipart/mixed;", "", "x"});
    h = scan_mail_header(lost, HeaderVariant::Mail);
    EXPECT_TRUE(h.multipart);
    EXPECT_TRUE(h.boundary.empty());

    LineQueue digest = queue({"Content-Type: multipart/digest; boundary=\"D\"", "", "x"});
    EXPECT_FALSE(scan_mail_header(digest, HeaderVariant::Mail).multipart);

    LineQueue alternative = queue({"Content-Type: multipart/alternative;", "", "x"});
    h = scan_mail_header(alternative, HeaderVariant::Eudora);
    EXPECT_FALSE(h.multipart);
    EXPECT_EQ(h.kind, kHtmlBody);

    LineQueue no_body = queue({"From: a@b"});
    EXPECT_EQ(scan_mail_header(no_body, HeaderVariant::Mail).body, 1u);
}

}  // namespace
}  // namespace qs
