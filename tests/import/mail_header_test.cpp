// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "import/readers/mail_header.h"
#include "platform/clock.h"

namespace qs {
namespace {

struct DateCase {
    const char* text;
    DateRule rule;
    const char* iso;  // "" for no date
    const char* time;
};

TEST(MailDate, TheFormsRealMailCarries) {
    constexpr DateRule F = DateRule::Fixed, S = DateRule::Shape;
    const DateCase cases[] = {
        {"Mon, 5 Jan 1998 10:00:30 +0100", S, "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 10:00:30 +0100", F, "1998-01-05", "10:00:30"},
        {"  Mon, 05 Jan 1998 10:00:30 GMT", F, "1998-01-05", "10:00:30"},
        {"5 Jan 98 10:00", S, "1998-01-05", "10:00:00"},
        {"5 Jan 98 10:00", F, "1998-01-05", "10:00:00"},
        {"05-Jan-1998 10:00:00", S, "1998-01-05", "10:00:00"},
        {"5-JAN-98 23:59:59", S, "1998-01-05", "23:59:59"},
        {"Thu, 4 May 00 7:05", S, "2000-05-04", "07:05:00"},
        {"Thursday, May 4, 2000 10:00", S, "2000-05-04", "10:00:00"},
        {"Thursday, May 4, 2000 10:00", F, "", ""},
        {"Mo, 2 M\xE4r 1998 08:15:00 +0100", S, "1998-03-02", "08:15:00"},
        {"Di, 12 MAI 1998 12:00", F, "1998-05-12", "12:00:00"},
        {"1 Okt 2002 09:30", S, "2002-10-01", "09:30:00"},
        {"31 Dez 1999 23:00", S, "1999-12-31", "23:00:00"},
        {"5 Jan 1998", S, "1998-01-05", ""},
        {"5 Foo 1998 10:00", S, "", ""},
        {"31 Feb 1998 10:00", S, "", ""},
        {"", S, "", ""},
        {"Mon, ", F, "", ""},
        {"garbage without a comma", S, "", ""},
    };
    for (const auto& c : cases) {
        MailDate d = parse_mail_date(c.text, c.rule);
        EXPECT_EQ(iso_date(d.date), c.iso) << c.text;
        EXPECT_EQ(hms_time(d.time), c.time) << c.text;
    }
}

TEST(MailDate, MonthNamesInEnglishAndGerman) {
    const char* names[][2] = {{"Jan", "JAN"}, {"Feb", "FEB"}, {"Mar", "M\xC4R"}, {"Apr", "APR"},
                              {"May", "Mai"}, {"Jun", "JUN"}, {"Jul", "jul"},    {"Aug", "AUG"},
                              {"Sep", "SEP"}, {"Oct", "Okt"}, {"Nov", "NOV"},    {"Dec", "Dez"}};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(month_number(names[m - 1][0]), m);
        EXPECT_EQ(month_number(names[m - 1][1]), m);
    }
    EXPECT_EQ(month_number("January"), 1);
    EXPECT_EQ(month_number("Ja"), 0);
    EXPECT_EQ(month_number("Xyz"), 0);
}

// Every month in both languages, in each of the three layouts the mail programs write most:
// "Mon, 5 Jan 1998 10:00:30 +0100", "5 Jan 98 10:00" and "05-Jan-1998 10:00:00".
TEST(MailDate, TheThreeLayoutsWithEveryEnglishAndGermanMonth) {
    const char* english[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* german[] = {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun",
                            "Jul", "Aug", "Sep",    "Okt", "Nov", "Dez"};
    for (int m = 1; m <= 12; ++m) {
        char iso[16];
        std::snprintf(iso, sizeof iso, "1998-%02d-05", m);
        for (const char* name : {english[m - 1], german[m - 1]}) {
            const std::string n = name;
            struct Form {
                std::string text;
                const char* time;
            } forms[] = {
                {"Mon, 5 " + n + " 1998 10:00:30 +0100", "10:00:30"},
                {"5 " + n + " 98 10:00", "10:00:00"},
                {"05-" + n + "-1998 10:00:00", "10:00:00"},
            };
            for (const Form& f : forms) {
                for (DateRule rule : {DateRule::Shape, DateRule::Fixed}) {
                    MailDate d = parse_mail_date(f.text, rule);
                    EXPECT_EQ(iso_date(d.date), iso) << f.text;
                    EXPECT_EQ(hms_time(d.time), f.time) << f.text;
                }
            }
        }
    }
    // The German day names and lower-case months of the same layouts.
    MailDate d = parse_mail_date("Mi, 17 m\xE4r 99 18:45", DateRule::Shape);
    EXPECT_EQ(iso_date(d.date), "1999-03-17");
    EXPECT_EQ(hms_time(d.time), "18:45:00");
    d = parse_mail_date("17-dez-99 7:05:09", DateRule::Shape);
    EXPECT_EQ(iso_date(d.date), "1999-12-17");
    EXPECT_EQ(hms_time(d.time), "07:05:09");
    // A time out of range leaves the day and no time.
    d = parse_mail_date("05-Okt-1998 25:00:00", DateRule::Shape);
    EXPECT_EQ(iso_date(d.date), "1998-10-05");
    EXPECT_EQ(d.time, 0);
}

TEST(MailDate, EudoraSeparatorLine) {
    MailDate d = parse_separator_date("From ???@??? Mon Jan 05 10:00:30 1998");
    EXPECT_EQ(iso_date(d.date), "1998-01-05");
    EXPECT_EQ(hms_time(d.time), "10:00:30");
    EXPECT_EQ(parse_separator_date("From ???@???").date, 0);
    EXPECT_EQ(parse_separator_date("From ???@??? Mon Foo 05 10:00:30 1998").date, 0);
}

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
