// SPDX-License-Identifier: MIT
// The CompuServe capture readers: the code page, the header rules, the file kind, and whole
// captures imported into forum and mail databases through the import processor.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "import/catalogue.h"
#include "import/readers/capture.h"
#include "import/readers/registry.h"
#include "tests/import/import_home.h"

namespace qs {
namespace {

using F = CaptureFormat;

TEST(CaptureLine, DosCodePageAndWindowsFilesEndAsUnicode) {
    struct Row {
        F format;
        std::string raw, want;
    };
    const Row rows[] = {
        {F::Tapcis6,
         "Gr\x81\xE1"
         "e",
         "Grüße"},                                 // CP437 ü and ß
        {F::OzCis, "caf\x82", "café"},             // byte 130 is é
        {F::Autosig, "\x9F \x9B", "ƒ ø"},          // the table's own choices
        {F::Tapcis5, "\xC9\xCD\xBB\xB3", "    "},  // box drawing becomes blanks
        {F::OzWin2,
         "Gr\xFC\xDF"
         "e",
         "Grüße"},                      // Windows-1252
        {F::NavCis, "Grüße", "Grüße"},  // UTF-8 stays
        {F::OzWin1,
         "Gru\xCC\x88\xC3\x9F"
         "e",
         "Grüße"},                                           // decomposed: NFC
        {F::Tapcis6, std::string("a\0b", 3) + "\r", "a b"},  // CR off, NUL a blank
        {F::GoldenCompass, "@lText@b", "Text"},
        {F::GoldenCompass, "mail x@bix.com now", "mail x@bix.com now"},
        {F::Tapcis6, std::string(1300, 'x'), std::string(1200, 'x')},
    };
    for (const Row& r : rows)
        EXPECT_EQ(capture_line(r.format, r.raw), r.want) << r.raw.substr(0, 20);
}

TEST(CaptureDate, ShapesOfTheDateLine) {
    struct Row {
        const char* line;
        bool strict;
        const char* iso;
        int32_t time;
    };
    const Row rows[] = {
        {"05-Mar-94  14:22:10", true, "1994-03-05", (14 * 3600 + 22 * 60 + 10) * 100 + 1},
        {"    07-Sep-94  11:00:38", false, "1994-09-07", (11 * 3600 + 38) * 100 + 1},
        {"    07-Sep-94  11:00:38", true, "", 0},  // TAPCIS 5.x: the first nine characters only
        {"7-SEP-04 9:05", false, "2004-09-07", (9 * 3600 + 5 * 60) * 100 + 1},
        {"31-Feb-94", false, "", 0},
        {"05-Xyz-94", false, "", 0},
        {"05-Mar", false, "", 0},
    };
    for (const Row& r : rows) {
        int32_t time = -1;
        EXPECT_EQ(iso_date(capture_date(r.line, r.strict, &time)), r.iso) << r.line;
        EXPECT_EQ(time, r.time) << r.line;
    }
}

std::vector<std::string> header(const std::string& line0, const std::string& subject,
                                const std::string& date = "05-Mar-94 14:22:10") {
    return {line0, date, "Sb: " + subject, "Fm: Ann Lee 71234,567", "To: Bob Ray 72345,678", ""};
}

TEST(ForumHeader, NumbersSectionsAndReplies) {
    struct Row {
        F format;
        std::vector<std::string> lines;
        uint32_t number, ref;
        const char* subject;
        const char* section;
        const char* forum;
        bool skipped;
    };
    const Row rows[] = {
        {F::Tapcis6, header("#: 200 S5/Lenses", "#123-Wide angle"), 200, 123, "Wide angle",
         "Lenses", "", false},
        // More than 30,000 apart, or later than the message: the whole text is the subject.
        {F::Tapcis6, header("#: 50000 S5/Lenses", "#123-Wide"), 50000, 0, "#123-Wide", "Lenses", "",
         false},
        {F::Tapcis6, header("#: 200 S5/Lenses", "#300-Wide"), 200, 0, "#300-Wide", "Lenses", "",
         false},
        {F::Tapcis6, header("#: 276136 S9/TEAM OS/2", "#TEAMERS: PLEASE READ"), 276136, 0,
         "#TEAMERS: PLEASE READ", "TEAM OS/2", "", false},
        {F::Tapcis6, header("#: 8999999 S1/A", "x"), 8999999, 0, "x", "A", "", false},
        {F::Tapcis6, header("#: 9000000 S1/A", "x"), 0, 0, "", "", "", true},
        {F::Tapcis6, header("#: 0 S1/A", "x"), 0, 0, "", "", "", true},
        {F::Tapcis6, header("#: 12a45 S1/A", "x"), 0, 0, "", "", "", true},
        {F::Tapcis6, header("#:", "x"), 0, 0, "", "", "", true},
        {F::Tapcis5, header("#: 300 S2/Darkroom", "Fixer@b"), 300, 0, "Fixer", "Darkroom", "",
         false},
        {F::OzWin2, header("#: 512305 S3/Film Scanners Par: 512300 (PHOTOFORUM)", "Scanning"),
         512305, 512300, "Scanning", "Film Scanners", "PHOTOFORUM", false},
        {F::OzWin1, header("#: 10 S3/Scan (A) (PHOTO)", "s"), 10, 0, "s", "Scan (A)", "PHOTO",
         false},
        // Cut in the middle of the header.
        {F::Tapcis6, {"#: 400 S1/A", "05-Mar-94", "Sb: x"}, 0, 0, "", "", "", true},
        {F::Tapcis6,
         {"#: 400 S1/A", "05-Mar-94", "Sb: x", "To: y", "Fm: z"},
         0,
         0,
         "",
         "",
         "",
         true},
    };
    for (const Row& r : rows) {
        const CaptureHeader h = read_forum_header(r.format, r.lines);
        SCOPED_TRACE(r.lines[0] + " / " + r.lines[2]);
        EXPECT_EQ(!h.why.empty(), r.skipped) << h.why;
        if (r.skipped) continue;
        EXPECT_EQ(h.number, r.number);
        EXPECT_EQ(h.ref, r.ref);
        EXPECT_EQ(h.subject, r.subject);
        EXPECT_EQ(h.section_name, r.section);
        EXPECT_EQ(h.forum, r.forum);
        EXPECT_EQ(h.text_from, 5u);
    }
}

TEST(CaptureMail, LayoutsAndTheInternetAddressRule) {
    struct Row {
        F format;
        std::vector<std::string> lines;
        uint8_t type;  // 0: skipped
        const char* other;
        size_t text_from;
    };
    const Row rows[] = {
        {F::Tapcis6,
         {"#: 1 S0/Inbox", "05-Mar-94", "Sb: Prints", "Fm: Bob 72345,678"},
         1,
         "Bob 72345,678",
         5},
        {F::Autosig, {"#: 2 /Outbox", "05-Mar-94", "Sb: Re", "Fm: Me", "To: Bob"}, 2, "Bob", 6},
        {F::Tapcis6, {"#: 2 /Outbox", "05-Mar-94", "Sb: Re", "Fm: Me"}, 0, "", 0},
        {F::Tapcis6, {"#: 1", "05-Mar-94", "Subject: x", "Fm: Bob"}, 0, "", 0},
        {F::OzCis,
         {"Date:  14-May-95  08:30:00", "From:  Gail 77890,123", "Subj:  Film"},
         1,
         "Gail 77890,123",
         4},
        {F::OzWin2,
         {"Date:  14-May-95  08:30:00", "From:  Gail 77890,123", "Subj:  Film"},
         1,
         "Gail 77890,123",
         5},
        {F::OzWin2, {"Date:  14-May-95  09:02", "MgTo:  Gail", "Subj:  Re"}, 2, "Gail", 4},
        {F::OzWin1, {"Date:  14-May-95", "Cc:  Gail", "Subj:  Re"}, 0, "", 0},
    };
    for (const Row& r : rows) {
        const CaptureHeader h = read_capture_mail(r.format, r.lines);
        SCOPED_TRACE(r.lines[0] + " / " + r.lines[1]);
        EXPECT_EQ(h.why.empty() ? h.mail_type : 0, r.type) << h.why;
        if (!r.type) continue;
        EXPECT_EQ(r.type == 2 ? h.to : h.from, r.other);
        EXPECT_EQ(h.text_from, r.text_from);
    }
    // 09:02 has its seconds added.
    EXPECT_EQ(read_capture_mail(F::OzCis, rows[6].lines).time, (9 * 3600 + 2 * 60) * 100 + 1);

    struct Address {
        const char* value;
        bool receiver;
        const char* address;
        const char* name;
    };
    const Address addresses[] = {
        {"Bob Ray >INTERNET:bob@example.net", false, "bob@example.net", "Bob Ray"},
        {"\"Bob Ray\" INTERNET:bob@example.net", false, "bob@example.net", "Bob Ray"},
        {"Bob Ray \u2502INTERNET bob@example.net", false, "bob@example.net", "Bob Ray"},
        {"INTERNET:bob@example.net", true, "bob@example.net", ""},
        {"Bob Ray 72345.678", false, "72345,678", "Bob Ray"},
    };
    for (const Address& a : addresses) {
        std::string address, name;
        capture_mail_address(a.value, a.receiver, address, name);
        EXPECT_EQ(address, a.address) << a.value;
        EXPECT_EQ(name, a.name) << a.value;
    }
}

TEST(CaptureKind, TheFirstPassDecides) {
    struct Row {
        F format;
        std::vector<std::string> lines;
        bool mail_target;
        CaptureKind kind;
    };
    const std::vector<std::string> forum = header("#: 1 S1/A", "x");
    const std::vector<std::string> navcis = {"Subject:  x", "   From:  a", "     To:  b",
                                             "  Forum:  P  Sec: 1-A", "   Date:  05-Mar-94"};
    const Row rows[] = {
        {F::OzWin2, forum, false, kCaptureForum},
        {F::OzCis, {"", "junk", "Date:  05-Mar-94", "From:  Bob"}, false, kCaptureMail},
        {F::OzWin1, {"#: 1 S1/A", "05-Mar-94", "Subj: x"}, false, kCaptureUnknown},
        {F::Tapcis6, forum, false, kCaptureForum},
        {F::Tapcis6, forum, true, kCaptureMail},  // a forum file read into a mail database
        {F::Autosig,
         {"From: bob@example.net", "Subject: an Internet mail"},
         false,
         kCaptureUnknown},
        {F::NavCis, navcis, false, kCaptureForum},
        {F::NavCis,
         {"Subject:  x", "   From:  a", "     To:  b", "   Date:  05-Mar-94"},
         false,
         kCaptureMail},
        {F::NavCis,
         {"Subject:  x", "     To:  b", "   From:  a", "  Forum:  P"},
         false,
         kCaptureUnknown},
        {F::GoldenCompass, {std::string(50, '\0')}, false, kCaptureUnknown},
    };
    for (const Row& r : rows) {
        size_t i = 0;
        const auto next = [&](std::string& l) {
            if (i >= r.lines.size()) return false;
            l = r.lines[i++];
            return true;
        };
        EXPECT_EQ(capture_file_kind(r.format, next, r.mail_target), r.kind)
            << static_cast<int>(r.format) << " " << r.lines[0];
    }
}

// Whole captures through the import processor.
class CaptureImport : public testing::ImportHome {
protected:
    std::string capture(const std::string& bytes) {
        std::string path = h.dir + "/capture" + std::to_string(++inputs) + ".MSG";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    ImportSettings capture_settings(const std::string& format, const std::string& path,
                                    const std::string& forum_name) {
        ImportSettings st = settings(path);
        st.format = format;
        st.forum_name = forum_name;
        return st;
    }
    ImportAccounting run_capture(const ImportSettings& st,
                                 ImportProcessor::Result want = ImportProcessor::Result::Done) {
        ImportProcessor p(h.s, st, [](const std::string& f) { return make_parser(f); });
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, want) << p.final_message();
        const ImportAccounting& a = p.accounting();
        EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
        return a;
    }
};

std::string message(const std::string& number, const std::string& subject, const std::string& from,
                    const std::string& to, const std::string& text) {
    return "#: " + number + " S5/Lenses\r\n    05-Mar-94  14:22:10\r\nSb: " + subject +
           "\r\nFm: " + from + "\r\nTo: " + to + "\r\n\r\n" + text + "\r\n\r\n";
}

TEST_F(CaptureImport, ForumCaptureFillsSectionsThreadsAndPersons) {
    const std::string file =
        "Preamble the reader wrote before the first message.\r\n" +
        message("1000", "Wide angle", "Ann Lee 71234,567", "All", "Which lens?") +
        message("1007", "#1000-Wide angle", "Bob Ray 72345,678", "Ann Lee 71234,567",
                "Gr\x81\xE1"
                "e, the 24 mm") +
        message("1012", "Wide angle", "Cy Doe [73456,789]", "Bob Ray 72345,678", "Agreed") +
        message("9000000", "Too big", "Ann Lee 71234,567", "All", "x") +
        message("10x1", "Not a number", "Ann Lee 71234,567", "All", "x") +
        message("1020", std::string("Nul\0bytes", 9), "Ann Lee 71234,567", "All",
                std::string(64000, 'y') + "\r\nafter the long line") +
        "#: 1030 S5/Lenses\r\n    05-Mar-94\r\nSb: cut in the head";
    ImportAccounting a = run_capture(capture_settings("TAPCIS 6.x", capture(file), "Photo"));
    EXPECT_EQ(a.stored, 4u);
    EXPECT_EQ(a.skipped, 3u);
    const uint32_t photo = FindDatabase(h.s, "Photo");
    ASSERT_NE(photo, 0u);
    EXPECT_EQ(text_of(photo, 1007), "Grüße, the 24 mm\r\n");
    EXPECT_EQ(text_of(photo, 1020), std::string(1200, 'y') + "\r\nafter the long line\r\n");
    std::map<uint32_t, MsgNmbr> msgs;
    for (const MsgNmbr& m : all<MsgNmbr>(photo, kMsgNmbr)) msgs[m.MSGNUMBER] = m;
    ASSERT_EQ(msgs.size(), 4u);
    // By reply number (1007) and by subject (1012): one thread; 1020 a thread of its own.
    EXPECT_EQ(msgs[1007].THREADNUMBER, msgs[1000].THREADNUMBER);
    EXPECT_EQ(msgs[1012].THREADNUMBER, msgs[1000].THREADNUMBER);
    EXPECT_NE(msgs[1020].THREADNUMBER, msgs[1000].THREADNUMBER);
    EXPECT_EQ(msgs[1007].REFNUMBER, 1000u);
    const auto sections = all<Sections>(photo, kSections);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].SECTIONNUMBER, 5u);
    EXPECT_EQ(sections[0].DESCRIPTION.str(), "Lenses");
    std::map<std::string, std::pair<uint32_t, uint32_t>> persons;
    for (const Person& p : all<Person>(photo, kPerson))
        persons[p.PERSONSTRING.str()] = {p.FROMCOUNT, p.TOCOUNT};
    using Counts = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(persons["ANN LEE 71234,567"], Counts(2, 1));
    EXPECT_EQ(persons["CY DOE 73456,789"], Counts(1, 0));
    EXPECT_EQ(persons["ALL"], Counts(0, 2));
    const std::string log = log_text();
    for (const char* reason : {"\"9000000\" is not valid", "\"10x1\" is not valid",
                               "the header is cut short", "lines longer than 1200 characters"})
        EXPECT_NE(log.find(reason), std::string::npos) << reason << "\n" << log;

    // Again: every message is a duplicate; with reimport allowed, stored over the old ones.
    ImportSettings st = capture_settings("TAPCIS 6.x", h.dir + "/capture1.MSG", "Photo");
    EXPECT_EQ(run_capture(st).duplicates, 4u);
    st.reimport = true;
    EXPECT_EQ(run_capture(st).stored, 4u);
    EXPECT_EQ(all<MsgNmbr>(photo, kMsgNmbr).size(), 4u);
    EXPECT_EQ(all<Threads>(photo, kThreads)[0].MSGCOUNT, 3u);
}

TEST_F(CaptureImport, TapcisFileIntoTheMailDatabaseIsReadAsMail) {
    const std::string file = message("1", "Prints", "Bob Ray 72345,678", "Me", "Bring the prints") +
                             "#: 2 /Outbox\r\n    05-Mar-94  15:00\r\nSb: Re: Prints\r\nFm: Me\r\n"
                             "To: Bob Ray >INTERNET:bob@example.net\r\n\r\nYes.\r\n";
    ImportAccounting a = run_capture(capture_settings("TAPCIS 6.x", capture(file), ""));
    EXPECT_EQ(a.stored, 2u);
    std::map<uint32_t, std::string> addresses;
    for (const Person& p : all<Person>(mailbox, kPerson)) addresses[p.PERSONID] = p.ADDRESS.str();
    // The partners: the sender of the mail received, the receiver of the one sent.
    std::set<std::string> partners;
    for (const Mail& m : all<Mail>(mailbox, kMail)) partners.insert(addresses[m.PAIRID]);
    EXPECT_EQ(partners, (std::set<std::string>{"72345,678", "bob@example.net"}));
}

TEST_F(CaptureImport, MessageLongerThanTheQueueIsCutAtItsEnd) {
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += "line\r\n";
    const std::string file = message("1", "Long", "Ann Lee 71234,567", "All", lines) +
                             message("2", "Next", "Ann Lee 71234,567", "All", "still read");
    EXPECT_EQ(run_capture(capture_settings("TAPCIS 6.x", capture(file), "Photo")).stored, 2u);
    const uint32_t photo = FindDatabase(h.s, "Photo");
    // 2,500 lines held: the five header lines, the empty one, and 2,494 of the text.
    std::string want;
    for (int i = 0; i < 2494; ++i) want += "line\r\n";
    EXPECT_EQ(text_of(photo, 1), want);
    EXPECT_EQ(text_of(photo, 2), "still read\r\n");
    EXPECT_NE(log_text().find("lines past the 2500th were left out"), std::string::npos);
}

TEST_F(CaptureImport, SavedDefinitionImportsIntoItsForum) {
    const uint32_t photo = AddForumDatabase(h.s, "Photo");
    ImportSettings st =
        capture_settings("TAPCIS 6.x", capture(message("1", "A", "Ann", "All", "x")), "");
    st.database = photo;
    const uint32_t id =
        AddImportDefinition(h.s, definition_from(st, "Nightly"), saved_file_list(st));
    BAT saved;
    ASSERT_TRUE(ImportDefinition(h.s, id, saved));
    EXPECT_EQ(run_capture(settings_from(h.s, saved)).stored, 1u);
    EXPECT_EQ(all<MsgNmbr>(photo, kMsgNmbr).size(), 1u);
}

TEST_F(CaptureImport, FileOfAnotherFormatIsWarnedAboutAndNotRead) {
    const std::string path = capture("From: bob@example.net\r\nSubject: hi\r\n\r\nHello\r\n");
    ImportAccounting a =
        run_capture(capture_settings("OzWin II", path, "Photo"), ImportProcessor::Result::Failed);
    EXPECT_EQ(a.found, 0u);
    EXPECT_TRUE(h.dialog.saw(kNotCaptureFile));
}

}  // namespace
}  // namespace qs
