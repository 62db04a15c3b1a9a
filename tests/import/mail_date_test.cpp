// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "import/readers/mail_header.h"
#include "platform/clock.h"

namespace qs {
namespace {

// Central European time with its summer time, written out so that no zone file is needed.
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// Sets TZ for one test and puts the process's own back afterwards.
class ArchiveZone {
public:
    explicit ArchiveZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ArchiveZone() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

struct DateCase {
    const char* text;
    const char* iso;  // the local date, "" for none
    const char* time;
};

void expect_dates(const DateCase* begin, const DateCase* end, DateRule rule) {
    for (const DateCase* c = begin; c != end; ++c) {
        MailDate d = parse_mail_date(c->text, rule);
        EXPECT_EQ(iso_date(d.date), c->iso) << c->text;
        EXPECT_EQ(hms_time(d.time), c->time) << c->text;
    }
}

TEST(MailDate, TheZoneIsAppliedAndTheTimeStoredInLocalTime) {
    ArchiveZone zone(kCentralEurope);
    const DateCase cases[] = {
        {"Mon, 5 Jan 1998 10:00:30 +0100", "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 01:00:30 -0800", "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 01:00:30 -0800 (PST)", "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 10:00:30 GMT+0100", "1998-01-05", "10:00:30"},
        {"Sun, 4 Jan 1998 23:30:00 -0800", "1998-01-05", "08:30:00"},
        {"Mon, 5 Jan 1998 00:30:00 +0200", "1998-01-04", "23:30:00"},
        {"Fri, 31 Dec 1999 23:30:00 -0100", "2000-01-01", "01:30:00"},
        {"Wed, 1 Jul 1998 12:00:00 GMT", "1998-07-01", "14:00:00"},
        {"Wed, 31 Dec 2008 23:59:60 +0000", "2009-01-01", "00:59:59"},
        {"Mon, 5 Jan 1998 10:00:30", "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 10:00:30 Uhr", "1998-01-05", "10:00:30"},
        {"Mon, 5 Jan 1998 10:00:30 +2500", "1998-01-05", "10:00:30"},
        {"5 Jan 1998", "1998-01-05", ""},
    };
    expect_dates(std::begin(cases), std::end(cases), DateRule::Shape);
}

TEST(MailDate, NamedAndMilitaryZones) {
    ArchiveZone zone("UTC0");
    const DateCase cases[] = {
        {"5 Jan 1998 12:00 UT", "1998-01-05", "12:00:00"},
        {"5 Jan 1998 12:00 GMT", "1998-01-05", "12:00:00"},
        {"5 Jan 1998 12:00 EST", "1998-01-05", "17:00:00"},
        {"5 Jan 1998 12:00 EDT", "1998-01-05", "16:00:00"},
        {"5 Jan 1998 12:00 CST", "1998-01-05", "18:00:00"},
        {"5 Jan 1998 12:00 CDT", "1998-01-05", "17:00:00"},
        {"5 Jan 1998 12:00 MST", "1998-01-05", "19:00:00"},
        {"5 Jan 1998 12:00 MDT", "1998-01-05", "18:00:00"},
        {"5 Jan 1998 12:00 pst", "1998-01-05", "20:00:00"},
        {"5 Jan 1998 12:00 PDT", "1998-01-05", "19:00:00"},
        {"5 Jan 1998 12:00 Z", "1998-01-05", "12:00:00"},
        // RFC 822 gave the other letters the wrong signs; they are read as UTC.
        {"5 Jan 1998 12:00 A", "1998-01-05", "12:00:00"},
        {"5 Jan 1998 12:00 Y", "1998-01-05", "12:00:00"},
        {"5 Jan 1998 12:00 CET", "1998-01-05", "11:00:00"},
        {"5 Jan 1998 12:00 -0330", "1998-01-05", "15:30:00"},
    };
    expect_dates(std::begin(cases), std::end(cases), DateRule::Shape);
}

TEST(MailDate, TheFormsMailCarries) {
    ArchiveZone zone(kCentralEurope);
    const DateCase cases[] = {
        // RFC 850 and asctime, the Eudora separator's form.
        {"Monday, 05-Jan-98 09:00:30 GMT", "1998-01-05", "10:00:30"},
        {"Mon Jan  5 10:00:30 1998", "1998-01-05", "10:00:30"},
        {"Mon Jan 5 01:00:30 PST 1998", "1998-01-05", "10:00:30"},
        // ISO 8601.
        {"1998-01-05T10:00:30+01:00", "1998-01-05", "10:00:30"},
        {"1998-01-05T09:00:30.250Z", "1998-01-05", "10:00:30"},
        {"19980105T090030Z", "1998-01-05", "10:00:30"},
        {"1998-01-05 01:00:30 -0800", "1998-01-05", "10:00:30"},
        {"1998-01-05T10:00", "1998-01-05", "10:00:00"},
        {"1998-01-05", "1998-01-05", ""},
        {"1998-13-05T10:00Z", "", ""},
        // The layouts older mail programs write.
        {"5 Jan 98 10:00", "1998-01-05", "10:00:00"},
        {"05-Jan-1998 10:00:00", "1998-01-05", "10:00:00"},
        {"Thursday, May 4, 2000 10:00 PM", "2000-05-04", "22:00:00"},
        {"4 May 2000 12:05 a.m.", "2000-05-04", "00:05:00"},
        {"1998 Jan 5 10:00", "1998-01-05", "10:00:00"},
        {"Mo, 2 M\xE4r 1998 08:15:00 +0100", "1998-03-02", "08:15:00"},
        {"Mo, 2 M\xC3\xA4r 1998 08:15:00 +0100", "1998-03-02", "08:15:00"},
        {"05-Okt-1998 25:00:00", "1998-10-05", ""},
        // Two-digit years by RFC 2822; three digits were written for years after 1999.
        {"1 Jan 49 10:00", "2049-01-01", "10:00:00"},
        {"1 Jan 50 10:00", "1950-01-01", "10:00:00"},
        {"1 Jan 100 10:00", "2000-01-01", "10:00:00"},
        {"5 Foo 1998 10:00", "", ""},
        {"31 Feb 1998 10:00", "", ""},
        {"", "", ""},
        {"Mon, ", "", ""},
        {"garbage without a comma", "", ""},
    };
    expect_dates(std::begin(cases), std::end(cases), DateRule::Shape);
    expect_dates(std::begin(cases), std::end(cases), DateRule::Fixed);
}

// The same instant written in two zones sorts as one, whatever the archive's zone.
TEST(MailDate, OneInstantInTwoZonesIsOneLocalTime) {
    const char* zones[] = {"UTC0", kCentralEurope, "EST5EDT,M3.2.0,M11.1.0", "JST-9",
                           "NZST-12NZDT,M9.5.0,M4.1.0/3"};
    const char* pairs[][2] = {
        {"Mon, 5 Jan 1998 10:00:30 +0100", "Mon, 5 Jan 1998 01:00:30 -0800"},
        {"Wed, 1 Jul 2020 00:15:00 +0100", "Tue, 30 Jun 2020 15:15:00 -0800"},
        {"2020-07-01T00:15:00+01:00", "Tue Jun 30 15:15:00 PST 2020"},
    };
    for (const char* tz : zones) {
        ArchiveZone zone(tz);
        for (const auto& p : pairs) {
            MailDate a = parse_mail_date(p[0], DateRule::Shape);
            MailDate b = parse_mail_date(p[1], DateRule::Fixed);
            EXPECT_NE(a.time, 0) << tz << " " << p[0];
            EXPECT_EQ(a.date, b.date) << tz << " " << p[0];
            EXPECT_EQ(a.time, b.time) << tz << " " << p[0];
        }
    }
    ArchiveZone zone("JST-9");
    MailDate d = parse_mail_date("Tue, 30 Jun 2020 15:15:00 -0800", DateRule::Shape);
    EXPECT_EQ(iso_date(d.date), "2020-07-01");
    EXPECT_EQ(hms_time(d.time), "08:15:00");
}

TEST(MailDate, MonthNamesInEnglishAndGerman) {
    const char* names[][2] = {{"Jan", "JAN"}, {"Feb", "FEB"}, {"Mar", "M\xC4R"}, {"Apr", "APR"},
                              {"May", "Mai"}, {"Jun", "JUN"}, {"Jul", "jul"},    {"Aug", "AUG"},
                              {"Sep", "SEP"}, {"Oct", "Okt"}, {"Nov", "NOV"},    {"Dec", "Dez"}};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(month_number(names[m - 1][0]), m);
        EXPECT_EQ(month_number(names[m - 1][1]), m);
    }
    EXPECT_EQ(month_number("M\xC3\x84rz"), 3);
    EXPECT_EQ(month_number("January"), 1);
    EXPECT_EQ(month_number("Ja"), 0);
    EXPECT_EQ(month_number("Xyz"), 0);
}

// Every month in both languages, in each of the three layouts the mail programs write most:
// "Mon, 5 Jan 1998 10:00:30 +0100", "5 Jan 98 10:00" and "05-Jan-1998 10:00:00".
TEST(MailDate, TheThreeLayoutsWithEveryEnglishAndGermanMonth) {
    ArchiveZone zone("CET-1");  // one hour east all year: +0100 is local time
    const char* english[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* german[] = {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun",
                            "Jul", "Aug", "Sep",    "Okt", "Nov", "Dez"};
    for (int m = 1; m <= 12; ++m) {
        char iso[16];
        std::snprintf(iso, sizeof iso, "1998-%02d-05", m);
        for (const char* name : {english[m - 1], german[m - 1]}) {
            const std::string n = name;
            const std::string forms[] = {"Mon, 5 " + n + " 1998 10:00:30 +0100",
                                         "5 " + n + " 98 10:00:30", "05-" + n + "-1998 10:00:30"};
            for (const std::string& f : forms) {
                for (DateRule rule : {DateRule::Shape, DateRule::Fixed}) {
                    MailDate d = parse_mail_date(f, rule);
                    EXPECT_EQ(iso_date(d.date), iso) << f;
                    EXPECT_EQ(hms_time(d.time), "10:00:30") << f;
                }
            }
        }
    }
}

TEST(MailDate, EudoraSeparatorLine) {
    ArchiveZone zone(kCentralEurope);
    MailDate d = parse_separator_date("From ???@??? Mon Jan 05 10:00:30 1998");
    EXPECT_EQ(iso_date(d.date), "1998-01-05");
    EXPECT_EQ(hms_time(d.time), "10:00:30");
    EXPECT_EQ(parse_separator_date("From ???@???").date, 0);
    EXPECT_EQ(parse_separator_date("From ???@??? Mon Foo 05 10:00:30 1998").date, 0);
}

}  // namespace
}  // namespace qs
