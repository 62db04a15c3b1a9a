// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/startup.h"
#include "import/address.h"
#include "import/mime/mime.h"
#include "import/processor.h"
#include "import/readers/mail_reader.h"
#include "import/readers/registry.h"
#include "import/session_context.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/support/counting_sink.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

// Collects what a reader hands over, without the temporary import file.
class Collector : public SessionParseContext {
public:
    Collector(Session& s, ImportSettings settings)
        : SessionParseContext(s), settings_(std::move(settings)) {}
    const ImportSettings& settings() const override { return settings_; }
    uint32_t next_id() override { return next_++; }
    DatabaseRef lookup_database(const std::string&, bool) override {
        return {settings_.mailbox, import, kMailDb, 0, {}};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(NHR& h, const std::vector<CCT>& cc, const std::string&,
                     const std::string&) override {
        messages.push_back(h);
        copies.push_back(cc);
        return true;
    }
    void skip_message(SkipReason reason, const std::string& what) override {
        skipped.push_back(std::string(skip_reason_text(reason)) + ": " + what);
    }
    AttachmentSink& attachments() override { return sink; }
    void note(const std::string& text) override { notes.push_back(text); }

    std::vector<NHR> messages;
    std::vector<std::string> notes;
    std::vector<std::vector<CCT>> copies;  // per message
    std::vector<std::string> skipped;
    testing::CountingSink sink;
    bool import = true;

private:
    ImportSettings settings_;
    uint32_t next_ = 300000;
};

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        mailbox = AddMailDatabase(h.s, {"Home", "me@example.org", {"me@work.example"}});
        ASSERT_NE(mailbox, 0u);
        CheckOwnAddress(h.s, mailbox);
    }

    std::string write(const std::string& bytes, const std::string& name = "") {
        std::string path =
            h.dir + "/" + (name.empty() ? "box" + std::to_string(++files) + ".mbx" : name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    ImportSettings settings() {
        ImportSettings st;
        st.mailbox = mailbox;
        return st;
    }

    // Reads the whole file with the reader of `format`; `budget` messages per step.
    Collector read(const std::string& format, const std::string& path, int budget = 5) {
        Collector c(h.s, settings());
        auto p = make_parser(format);
        EXPECT_NE(p, nullptr) << format;
        if (!p || !p->open(c, path)) return c;
        for (int steps = 0; !p->step(c, budget); ++steps) {
            if (steps > 100000) {
                ADD_FAILURE() << "reader does not finish";
                break;
            }
        }
        return c;
    }

    testing::TempHome h;
    uint32_t mailbox = 0;
    int files = 0;
};

std::string text_of(const NHR& h) { return h.MSGTEXT.text; }
bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const char* kTwoMails =
    "From bob@example.org Mon Jan  5 10:00:30 1998\n"
    "From: Bob Ray <bob@example.org>\n"
    "To: me@example.org\n"
    "Subject: Re: Lunch\n"
    "Date: Mon, 5 Jan 1998 10:00:30\n"
    "\n"
    "Soft=\n"
    "break, =?iso-8859-1?Q?caf=E9?=\n"
    "From here on the body goes on.\n"
    "\n"
    "From me@work.example Tue Jan  6 08:00:00 1998\n"
    "From: Me <me@work.example>\n"
    "To: Bob Ray <bob@example.org>\n"
    "Subject: Answer\n"
    "Date: 6 Jan 98 08:00\n"
    "\n"
    "See you.\n";

TEST_F(Reader, SeparatorLinesSplitMessagesAndBodyFromLinesStay) {
    Collector c = read("Generic Mail Type 2", write(std::string("junk before\n") + kTwoMails));
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_TRUE(c.skipped.empty());
    const NHR& in = c.messages[0];
    EXPECT_EQ(in.HEADING, "Lunch");
    EXPECT_EQ(in.S_CISADRESS, "bob@example.org");
    EXPECT_EQ(in.S_NAME, "Bob Ray");
    EXPECT_EQ(in.MAILTYPE, 1);
    EXPECT_EQ(in.R_CISADRESS, "me@example.org");
    EXPECT_EQ(in.R_NAME, "Home");
    EXPECT_EQ(in.FOR_DESCRIPTION, "Home");
    EXPECT_EQ(in.INTERNAL, mailbox);
    EXPECT_EQ(in.RECIPTYPE, "TO");
    EXPECT_EQ(in.MSGNUMBER, 300000u);
    EXPECT_EQ(in.REFNUMBER, 300000u);
    EXPECT_EQ(iso_date(in.DATE), "1998-01-05");
    EXPECT_EQ(hms_time(in.TIME), "10:00:30");
    EXPECT_TRUE(has(text_of(in), "Softbreak")) << text_of(in);
    EXPECT_TRUE(has(text_of(in), "?=")) << text_of(in);
    EXPECT_TRUE(has(text_of(in), "From here on")) << text_of(in);
    const NHR& out = c.messages[1];
    EXPECT_EQ(out.MSGNUMBER, 300001u);
    EXPECT_EQ(out.MAILTYPE, 2) << "sent from an alternative own address";
    EXPECT_EQ(out.S_CISADRESS, "me@example.org");
    EXPECT_EQ(out.R_CISADRESS, "bob@example.org");
    EXPECT_EQ(iso_date(out.DATE), "1998-01-06");
}

TEST_F(Reader, NewsArticlesAreSkippedByEveryMailReaderButEudora) {
    const std::string article =
        "From: Ann <ann@example.org>\r\nNewsgroups: comp.lang\r\nSubject: Q\r\n\r\nbody\r\n";
    const std::string mail = "From: Bob <bob@example.org>\r\nSubject: M\r\n\r\nbody\r\n";
    struct Case {
        const char* format;
        std::string bytes;
    } cases[] = {
        {"Generic Mail Type 2",
         "From ann@example.org x\r\n" + article + "From bob@example.org x\r\n" + mail},
        {"IE Mail",
         std::string("\x7F\x00\x7F", 3) + article + std::string("\x7F\x00\x7F", 3) + mail},
        {"Netscape Mail", "From - Mon\r\n" + article + "From - Tue\r\n" + mail},
        {"Generic Mail Type 1", article + mail},
        {"Pegasus", article + "\r\n\x1A" + mail},
    };
    for (const auto& k : cases) {
        Collector c = read(k.format, write(k.bytes));
        ASSERT_EQ(c.messages.size(), 1u) << k.format;
        EXPECT_EQ(c.messages[0].HEADING, "M") << k.format;
        ASSERT_EQ(c.skipped.size(), 1u) << k.format;
        EXPECT_TRUE(has(c.skipped[0], "news article")) << c.skipped[0];
    }
    Collector e = read("Eudora", write("From ???@??? Mon Jan 05 10:00:30 1998\r\nDate: 5 Jan 98 "
                                       "10:00\r\n" +
                                       article + "From ???@??? x\r\n" + mail));
    EXPECT_EQ(e.messages.size(), 2u);
}

// The body of mail without MIME headers is read by the Netscape rules; its header never is.
TEST_F(Reader, NetscapeDecodesHighPairsAndJoinsNoLines) {
    std::string box =
        "From - Mon Jan 05 10:00:30 1998\r\nX-Mozilla-Status: 0001\r\n"
        "From: bob@example.org (Bob Ray)\r\nSubject: Caf=E9\r\n\r\n"
        "caf=E9 =41=\r\nnext line\r\n";
    Collector c = read("Netscape Mail", write(box));
    ASSERT_EQ(c.messages.size(), 1u);
    const NHR& m = c.messages[0];
    EXPECT_EQ(m.HEADING, "Caf=E9");
    EXPECT_EQ(m.S_NAME, "Bob Ray");
    EXPECT_TRUE(has(text_of(m), "café =41=")) << text_of(m);
    EXPECT_TRUE(has(text_of(m), "next line"));
}

// A subject longer than the header's field goes whole beside it, cut between characters.
TEST_F(Reader, ASubjectLongerThanItsFieldIsHandedOverWhole) {
    const std::string subject =
        "Gr\xc3\xbc\xc3\x9f"
        "e " +
        std::string(120, 'x') + " Ende";
    std::string box =
        "From bob@example.org Mon Jan  5 10:00:30 1998\nFrom: bob@example.org\n"
        "Subject: =?UTF-8?B?R3LDvMOfZQ==?= " +
        std::string(120, 'x') + " Ende\n\ntext\n";
    Collector c = read("Generic Mail Type 2", write(box));
    ASSERT_EQ(c.messages.size(), 1u);
    const NHR& m = c.messages[0];
    EXPECT_EQ(m.LONGHEADING.str(), subject);
    EXPECT_EQ(m.HEADING.str(), std::string(cut_chars(subject, m.HEADING.size())));
}

TEST_F(Reader, IeMarkersSeparateMessagesAndStatusBytesArePassedOver) {
    const std::string marker("\x7F\x00\x7F", 3);
    std::string box = "header bytes" + marker + "\x01\x02status" +
                      "From: Bob <bob@example.org>\r\nSubject: One\r\n\r\na=20b\r\n" + marker +
                      "Subject: Two\r\nFrom: me@example.org\r\n\r\ntwo\r\n" + marker +
                      "no header at all";
    Collector c = read("Outlook Express 4 Mail", write(box), 8);
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0].HEADING, "One");
    EXPECT_TRUE(has(text_of(c.messages[0]), "ab"));
    EXPECT_EQ(c.messages[1].MAILTYPE, 2);
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_TRUE(has(c.skipped[0], "no header line"));
}

TEST_F(Reader, EudoraTableOfContentsLeavesDeletedMessagesOut) {
    std::string m1 =
        "From ???@??? Mon Jan 05 10:00:30 1998\r\nFrom: Bob <bob@example.org>\r\n"
        "Date: Mon, 5 Jan 1998 10:00:30 +0100\r\nSubject: Kept\r\n\r\nbody\r\n";
    std::string m2 =
        "From ???@??? Tue Jan 06 11:00:00 1998\r\nFrom: Bob <bob@example.org>\r\n"
        "Subject: Deleted\r\n\r\nbody\r\n";
    std::string m3 =
        "From ???@??? Wed Jan 07 12:30:15 1998\r\nTo: Ann <ann@example.org>\r\n"
        "Subject: Sent by me\r\n\r\nbody\r\n";
    std::string box = m1 + m2 + m3;
    // Entries for the first and the third message; the first entry's offset is not looked at.
    std::string toc(104, '\0');
    auto entry = [&toc](size_t at, uint32_t offset) {
        for (size_t k = 0; k < 6; ++k) toc[at + k] = '\xFF';
        for (size_t k = 0; k < 4; ++k) toc[at + 38 + k] = static_cast<char>(offset >> (8 * k));
    };
    entry(2, 77777);
    entry(60, static_cast<uint32_t>(m1.size() + m2.size()));
    write(toc, "In.toc");
    Collector c = read("Eudora", write(box, "In.MBX"));
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0].HEADING, "Kept");
    EXPECT_EQ(c.messages[0].MAILTYPE, 1);
    EXPECT_EQ(c.messages[0].R_CISADRESS, "me@example.org");
    const NHR& sent = c.messages[1];
    EXPECT_EQ(sent.HEADING, "Sent by me");
    EXPECT_EQ(sent.MAILTYPE, 2);
    EXPECT_EQ(sent.S_CISADRESS, "me@example.org");
    EXPECT_EQ(sent.R_CISADRESS, "ann@example.org");
    EXPECT_EQ(iso_date(sent.DATE), "1998-01-07");
    EXPECT_EQ(hms_time(sent.TIME), "12:30:15");
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_TRUE(has(c.skipped[0], "table of contents"));

    Collector all = read("Eudora", write(box, "Other.mbx"));  // no table of contents
    EXPECT_EQ(all.messages.size(), 3u);
}

TEST_F(Reader, HeaderRunMessagesBeginAtTheNextHeaderAfterABody) {
    std::string box =
        "garbage\r\n"
        "Message-ID: <1@x>\r\nFrom: Bob <bob@example.org>\r\nSubject: One\r\n"
        "X-Note: continued\r\n  continuation: line\r\n\r\n"
        "Body one: still body\r\nFrom the desk of Bob\r\n"
        "Date: 5 Jan 98 10:00\r\nFrom: Ann <ann@example.org>\r\nSubject: Two\r\n\r\nbody two\r\n";
    for (const char* format : {"Generic Mail Type 1", "Becky Mail", "Agent Mail"}) {
        Collector c = read(format, write(box));
        ASSERT_EQ(c.messages.size(), 2u) << format;
        EXPECT_EQ(c.messages[0].HEADING, "One");
        EXPECT_TRUE(has(text_of(c.messages[0]), "From the desk of Bob"));
        EXPECT_EQ(c.messages[1].S_CISADRESS, "ann@example.org");
        EXPECT_EQ(iso_date(c.messages[1].DATE), "1998-01-05");
    }
}

TEST_F(Reader, PegasusCtrlZEndsMessagesAndTheLastMayBeCutShort) {
    std::string folder = std::string("PMM\0\0\x01\x02", 7) + std::string(40, '\0') +
                         "From: Bob <bob@example.org>\r\nDate: Mon, 5 Jan 1998 10:00:30 +0100\r\n"
                         "Subject: One\r\n\r\nbody one\r\n\x1A" +
                         "From: Ann <ann@example.org>\nSubject: Two\n\nbody two\n\x1A" +
                         "From: Cy <cy@example.org>\rSubject: Three\r\rbody\x1Anot an end\r\x1A" +
                         "From: Di <di@example.org>\r\nSubject: Cut";
    Collector c = read("Pegasus", write(folder), 1);
    ASSERT_EQ(c.messages.size(), 4u);
    EXPECT_EQ(c.messages[0].HEADING, "One");
    EXPECT_EQ(iso_date(c.messages[0].DATE), "1998-01-05");
    EXPECT_EQ(c.messages[1].HEADING, "Two");
    EXPECT_TRUE(has(text_of(c.messages[2]), "not an end"));
    EXPECT_EQ(c.messages[3].HEADING, "Cut");
    EXPECT_EQ(c.messages[3].MSGTEXT.text, "");
}

TEST_F(Reader, ManyMessagesAcrossTheWindowAreAllRead) {
    std::string box;
    for (int i = 0; i < 300; ++i)
        box += "From bob@example.org x\nFrom: bob@example.org\nSubject: n" + std::to_string(i) +
               "\n\n" + std::string(150, 'x') + "\n";
    Collector c = read("Generic Mail Type 2", write(box), 7);
    ASSERT_EQ(c.messages.size(), 300u);
    EXPECT_EQ(c.messages[299].HEADING, "n299");
}

// A multipart mail whose boundary is missing keeps its body as text, and the log says so.
TEST_F(Reader, MultipartWithoutBoundaryAndMailNotChosenAreReported) {
    std::string box =
        "From a@b x\nFrom: a@b\nContent-Type: multipart/mixed\n\nthe body\n"
        "From a@b x\nFrom: a@b\nSubject: fine\n\nx\n";
    Collector c = read("Generic Mail Type 2", write(box));
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(text_of(c.messages[0]), "the body\r\n");
    EXPECT_TRUE(c.skipped.empty());
    ASSERT_EQ(c.notes.size(), 1u);
    EXPECT_TRUE(has(c.notes[0], "multipart without a boundary")) << c.notes[0];

    Collector none(h.s, settings());
    none.import = false;
    auto p = make_parser("Generic Mail Type 2");
    ASSERT_TRUE(p->open(none, write(box)));
    while (!p->step(none, 10)) {
    }
    EXPECT_TRUE(none.messages.empty());
    EXPECT_EQ(none.skipped.size(), 2u);
}

// How each mail format frames its messages: the bytes before each one, and between two.
struct Framing {
    const char* format;
    std::string before;   // the message's separator line or marker
    std::string between;  // after a message that another one follows
    bool joins;           // an "=" at a line end joins the lines
    char mark;            // the byte that begins a message's framing
};

std::vector<Framing> framings() {
    const std::string marker("\x7F\x00\x7F", 3);
    return {
        {"Generic Mail Type 2", "From bob@example.org x\r\n", "", true, 'F'},
        {"IE Mail", marker, "", true, '\x7F'},
        {"Netscape Mail", "From - x\r\n", "", false, 'F'},
        {"Eudora", "From ???@??? x\r\n", "", false, 'F'},
        {"Generic Mail Type 1", "", "", true, 'F'},
        {"Pegasus", "", "\x1A", true, '\x1A'},
    };
}

// A mailbox of one message per body, each with the subject "Note N"; `spans` gives where each
// message lies: from the start of its framing to the end of its last line.
struct Box {
    std::string bytes;
    std::vector<std::pair<size_t, size_t>> spans;
};

Box box_of(const Framing& f, const std::vector<std::string>& bodies) {
    Box b;
    for (size_t i = 0; i < bodies.size(); ++i) {
        size_t begin = b.bytes.size();
        if (i) b.bytes += f.between;
        b.bytes += f.before + "From: bob@example.org\r\nSubject: Note " + std::to_string(i) +
                   " x=E9\r\n\r\n" + bodies[i];
        b.spans.emplace_back(begin, b.bytes.size());
    }
    return b;
}

// Whether message i of the box was handed over with its subject and its text.
bool stored(const Collector& c, size_t i, const std::string& text) {
    std::string subject = "Note " + std::to_string(i) + " x";
    return std::any_of(c.messages.begin(), c.messages.end(), [&](const NHR& m) {
        return m.HEADING.str().rfind(subject, 0) == 0 && has(text_of(m), text);
    });
}

// A reader meets a mailbox cut short at every byte, and one with every byte damaged in several
// ways: each message that lies whole before the cut, or wholly apart from the damaged byte (its
// span, the line end before it and the framing of the next message), must be handed over with its
// subject and text.
TEST_F(Reader, EveryWholeMessageSurvivesEveryTruncationAndCorruption) {
    const std::vector<std::string> bodies = {"alpha=\r\nends.\r\n", "bravo\r\n", "charlie=\r\n"};
    const std::vector<std::string> texts = {"alpha", "bravo", "charlie"};
    std::vector<std::string> lost;
    OP_CLOSE(h.s, kOpOpen,
             {kForums});  // every read looks up the target; opened once, not each time
    auto check = [&](const Framing& f, const Collector& c, size_t i, const std::string& what) {
        if (!stored(c, i, texts[i]) && lost.size() < 20)
            lost.push_back(std::string(f.format) + ", " + what + ": message " + std::to_string(i));
    };
    for (const Framing& f : framings()) {
        const Box box = box_of(f, bodies);
        const size_t size = box.bytes.size();
        for (size_t n = 0; n <= size; ++n) {
            Collector c = read(f.format, write(box.bytes.substr(0, n), "cut.mbx"));
            EXPECT_LE(c.messages.size(), bodies.size()) << f.format << " cut at " << n;
            for (size_t i = 0; i < bodies.size(); ++i)
                if (box.spans[i].second <= n) check(f, c, i, "cut at " + std::to_string(n));
        }
        // Garbage, a line end where none was, an escape, and the start of a message's framing.
        for (size_t at = 0; at < size; ++at) {
            for (char d : {'\0', '\n', '=', f.mark}) {
                std::string bad = box.bytes;
                bad[at] = d;
                Collector c = read(f.format, write(bad, "bad.mbx"));
                for (size_t i = 0; i < bodies.size(); ++i) {
                    size_t from = box.spans[i].first >= 2 ? box.spans[i].first - 2 : 0;
                    size_t to = i + 1 < bodies.size()
                                    ? box.spans[i + 1].first + f.between.size() + f.before.size()
                                    : size;
                    if (at < from || at >= to)
                        check(f, c, i,
                              "byte " + std::to_string(at) + " made " +
                                  std::to_string(static_cast<unsigned char>(d)));
                }
            }
        }
    }
    OP_CLOSE(h.s, kOpClose, {kForums});
    EXPECT_TRUE(lost.empty()) << ::testing::PrintToString(lost);
}

// An endless run of soft line breaks is one line, and a line of a megabyte is cut at the text
// limit; either way the message after it is read whole.
TEST_F(Reader, EndlessSoftBreaksAndAMegabyteLineLeaveTheNextMessageWhole) {
    std::string soft, joined;
    for (int i = 0; i < 1000; ++i) {
        soft += "0123456789=\r\n";
        joined += "0123456789";
    }
    soft += "end\r\n";
    joined += "end\r\n";
    const std::string huge(1 << 20, 'm');
    for (const Framing& f : framings()) {
        const Box box = box_of(f, {soft, huge + "\r\n", "the last\r\n"});
        Collector c = read(f.format, write(box.bytes));
        ASSERT_EQ(c.messages.size(), 3u) << f.format;
        const std::string first = text_of(c.messages[0]);
        EXPECT_EQ(first, f.joins ? joined : soft) << f.format;
        EXPECT_EQ(text_of(c.messages[1]), huge.substr(0, kTextLimit - 2) + "\r\n") << f.format;
        EXPECT_TRUE(stored(c, 2, "the last")) << f.format;
    }
}

TEST_F(Reader, CcLinesBecomeCarbonCopiesWithTheirContinuations) {
    const std::string mail =
        "From: Bob <bob@example.org>\r\nCc: Ann Lee <Ann@Example.org>, \"Ray, Carl\" "
        "<carl@example.net>,\r\n\tdora@example.com (Dora)\r\nSubject: s\r\n"
        "cc: eve@example.com\r\n\r\n Cc: body@example.com\r\n";
    for (const char* format : {"Generic Mail Type 1", "Pegasus"}) {
        Collector c = read(format, write(mail));
        ASSERT_EQ(c.messages.size(), 1u) << format;
        const std::vector<CCT>& cc = c.copies[0];
        ASSERT_EQ(cc.size(), 4u) << format;
        EXPECT_EQ(cc[0].R_CISADRESS, "ann@example.org");
        EXPECT_EQ(cc[0].R_NAME, "Ann Lee");
        EXPECT_EQ(cc[1].R_CISADRESS, "carl@example.net");
        EXPECT_EQ(cc[1].R_NAME, "Ray, Carl");
        EXPECT_EQ(cc[2].R_CISADRESS, "dora@example.com");
        EXPECT_EQ(cc[2].R_NAME, "Dora");
        EXPECT_EQ(cc[3].R_CISADRESS, "eve@example.com");
        for (const CCT& one : cc) {
            EXPECT_EQ(one.MAILID, c.messages[0].MSGNUMBER);
            EXPECT_EQ(one.RECIPTYPE, "CC");
        }
    }
    // A long "Cc:" line spreads over several queue entries and is read whole; empty items and
    // items without an address give nothing.
    std::string many = "From a@b x\nFrom: a@b\nCc: ,";
    for (int i = 0; i < 40; ++i) many += "person" + std::to_string(i) + "@example.org, ";
    many += "Nobody\n\nbody\n";
    Collector c = read("Generic Mail Type 2", write(many));
    ASSERT_EQ(c.copies.size(), 1u);
    ASSERT_EQ(c.copies[0].size(), 41u);
    EXPECT_EQ(c.copies[0][39].R_CISADRESS, "person39@example.org");
    EXPECT_EQ(c.copies[0][40].R_CISADRESS, "nobody");
}

TEST_F(Reader, ProgressCountsTheBytesConsumed) {
    std::string box;
    for (int i = 0; i < 200; ++i)
        box += "From bob@example.org x\nFrom: bob@example.org\nSubject: n" + std::to_string(i) +
               "\n\n" + std::string(300, 'x') + "\n";
    Collector c(h.s, settings());
    auto p = make_parser("Generic Mail Type 2");
    EXPECT_EQ(p->progress().done, 0u);
    ASSERT_TRUE(p->open(c, write(box)));
    EXPECT_EQ(p->progress().total, box.size());
    uint64_t last = 0;
    int between = 0;
    bool done = false;
    while (!done) {
        done = p->step(c, 10);
        ReadProgress now = p->progress();
        EXPECT_GE(now.done, last);
        EXPECT_LE(now.done, now.total);
        if (!done && now.done > 0 && now.done < now.total) ++between;
        last = now.done;
    }
    EXPECT_EQ(last, box.size()) << "all of the file once it is done";
    EXPECT_GE(between, 15) << "twenty steps of ten messages each";
}

// A whole import through the processor: the two spellings of one sender give one person, and
// mail from an alternative own address is sent from the default one.
TEST_F(Reader, ImportThroughTheProcessor) {
    std::string box = std::string(kTwoMails) +
                      "From bob@example.org Wed Jan  7 09:00:00 1998\n"
                      "From: bob@example.org (Bob Ray)\nSubject: Again\n"
                      "Date: Wed, 7 Jan 1998 09:00:00 +0100\n\nagain\n";
    ImportSettings st = settings();
    st.format = "Generic Mail Type 2";
    st.files = {write(box)};
    ImportProcessor p(h.s, st, make_parser);
    ImportProcessor::Result r;
    while ((r = p.step()) == ImportProcessor::Result::More) {
    }
    ASSERT_EQ(r, ImportProcessor::Result::Done) << p.final_message();
    EXPECT_EQ(p.accounting().stored, 3u);

    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    OP_CLOSE(h.s, kOpOpen, {kMail, kPerson});
    std::vector<Mail> mails;
    Set(h.s, kMail, 0);
    while (Next(h.s, kMail)) mails.push_back(h.s.rec.Mail);
    std::vector<Person> people;
    Set(h.s, kPerson, 0);
    while (Next(h.s, kPerson)) people.push_back(h.s.rec.Person);
    OP_CLOSE(h.s, kOpClose, {kMail, kPerson});
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(people.size(), 2u) << "the owner and Bob";
    for (const Mail& m : mails) {
        EXPECT_EQ(m.PAIRID, mails[0].PAIRID);
        if (m.SUBJECT == "Answer") {
            EXPECT_EQ(m.FROMID, 250000u);
        } else {
            EXPECT_EQ(m.TOID, 250000u);
        }
    }
}

// Two "Cc:" addresses of a mail become two carbon-copy records of the stored mail, which is
// marked as having copies; the owner named among the copies is left out.
TEST_F(Reader, CcAddressesAreStoredAsCopyRecords) {
    const std::string box =
        "From bob@example.org x\nFrom: Bob <bob@example.org>\nTo: me@example.org\n"
        "Cc: =?ISO-8859-1?Q?Ann_M=FCller?= <ann@example.org>, carl@example.net, me@work.example\n"
        "Subject: Copies\n"
        "Date: 5 Jan 98 10:00\n\nbody\n"
        "From bob@example.org y\nFrom: bob@example.org\nSubject: None\n\nbody\n";
    ImportSettings st = settings();
    st.format = "Generic Mail Type 2";
    st.files = {write(box)};
    ImportProcessor p(h.s, st, make_parser);
    ImportProcessor::Result r;
    while ((r = p.step()) == ImportProcessor::Result::More) {
    }
    ASSERT_EQ(r, ImportProcessor::Result::Done) << p.final_message();
    ASSERT_EQ(p.accounting().stored, 2u);

    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    OP_CLOSE(h.s, kOpOpen, {kMail, kCCR});
    std::vector<Mail> mails;
    Set(h.s, kMail, 0);
    while (Next(h.s, kMail)) mails.push_back(h.s.rec.Mail);
    std::vector<CCR> copies;
    Set(h.s, kCCR, 0);
    while (Next(h.s, kCCR)) copies.push_back(h.s.rec.CCR);
    OP_CLOSE(h.s, kOpClose, {kMail, kCCR});
    ASSERT_EQ(mails.size(), 2u);
    ASSERT_EQ(copies.size(), 2u);
    const Mail& with = mails[0].SUBJECT == "Copies" ? mails[0] : mails[1];
    const Mail& without = mails[0].SUBJECT == "Copies" ? mails[1] : mails[0];
    EXPECT_EQ(with.CCR, 1);
    EXPECT_EQ(without.CCR, 0);
    std::vector<std::string> addresses;
    for (const CCR& c : copies) {
        EXPECT_EQ(c.MAILID, with.MAILID);
        EXPECT_EQ(c.RECIPTYPE, "CC");
        addresses.push_back(c.R_CISADRESS.str());
        if (c.R_CISADRESS == "ann@example.org") {
            EXPECT_EQ(c.R_NAME.str(), "Ann Müller");  // 8-bit without a charset
        }
    }
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (std::vector<std::string>{"ann@example.org", "carl@example.net"}));
}

// Within one large file the percentage shown rises with the bytes read, not only file by file.
TEST_F(Reader, ImportPercentRisesWithinAFile) {
    std::string box;
    for (int i = 0; i < 400; ++i)
        box += "From bob@example.org x\nFrom: bob@example.org\nSubject: n" + std::to_string(i) +
               "\n\n" + std::string(200, 'x') + "\n";
    ImportSettings st = settings();
    st.format = "Generic Mail Type 2";
    st.files = {write(box)};
    ImportProcessor p(h.s, st, make_parser);
    std::vector<int> seen;
    ImportProcessor::Result r;
    while ((r = p.step()) == ImportProcessor::Result::More)
        if (!p.store_phase()) seen.push_back(p.percent());
    ASSERT_EQ(r, ImportProcessor::Result::Done) << p.final_message();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    size_t inside = std::count_if(seen.begin(), seen.end(), [](int v) { return v > 0 && v < 100; });
    EXPECT_GE(inside, 3u);
    EXPECT_EQ(seen.back(), 100);
}

// MIME mail is read as it stands in every mailbox format: the line-reading escape rules of the
// readers (a soft break at "=", "=XX" pairs) would join the base64 lines that end in "=" and
// turn "=41" into "A". (Eudora stores mail already decoded; it is not among them.)
TEST_F(Reader, MimeBodiesAreReadRawAndDecodedPerPartInEveryFormat) {
    const std::string body =
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary="
        "\"===============0123456789==\"\r\n\r\npreamble=\r\n"
        "--===============0123456789==\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nR3LDvMOfZSBhdXMgS8O2bG4gPTQx\r\nCg==\r\n"
        "--===============0123456789==\r\nContent-Type: application/octet-stream\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nAAAA\r\n"
        "--===============0123456789==--\r\n";
    for (const Framing& f : framings()) {
        if (std::string(f.format) == "Eudora") continue;
        const std::string mail = f.before + "From: bob@example.org\r\nSubject: x=41\r\n" + body;
        Collector c = read(f.format, write(mail + f.between + mail));
        ASSERT_EQ(c.messages.size(), 2u) << f.format;
        for (const NHR& m : c.messages) {
            EXPECT_EQ(text_of(m), "Grüße aus Köln =41\r\n") << f.format;
            EXPECT_EQ(m.HEADING, "x=41") << f.format;
        }
    }
}

// "Grüße aus Köln" in every form mail carries it stores one subject and one text.
TEST_F(Reader, OneTextInEveryCharsetAndEncoding) {
    struct Form {
        const char* fault;
        const char* subject;
        const char* headers;
        const char* body;
    };
    const Form forms[] = {
        {"ISO-8859-1",
         "=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=", "Content-Type: text/plain; charset=iso-8859-1\n",
         "Gr\xFC\xDF"
         "e aus K\xF6ln"},
        {"windows-1252", "=?windows-1252?B?R3L832UgYXVzIEv2bG4=?=",
         "Content-Type: text/plain; charset=windows-1252\nContent-Transfer-Encoding: 8bit\n",
         "Gr\xFC\xDF"
         "e aus K\xF6ln"},
        {"UTF-8 Q", "=?UTF-8?Q?Gr=C3=BC=C3=9Fe_aus_K=C3=B6ln?=",
         "Content-Type: text/plain; charset=UTF-8\n", "Grüße aus Köln"},
        {"UTF-8 B", "=?utf-8?b?R3LDvMOfZSBhdXMgS8O2bG4=?=",
         "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n",
         "R3LDvMOfZSBhdXMgS8O2bG4K"},
        {"quoted-printable UTF-8", "=?utf-8?q?Gr=C3=BC=C3=9Fe?= =?utf-8?q?_aus_K=C3=B6ln?=",
         "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n",
         "Gr=C3=BC=C3=9Fe aus =\nK=C3=B6ln"},
    };
    std::string box;
    for (const Form& f : forms)
        box += std::string("From a@b x\nFrom: a@b\nSubject: ") + f.subject +
               "\nMIME-Version: 1.0\n" + f.headers + "\n" + f.body + "\n";
    Collector c = read("Generic Mail Type 2", write(box));
    ASSERT_EQ(c.messages.size(), std::size(forms));
    for (size_t i = 0; i < std::size(forms); ++i) {
        EXPECT_EQ(c.messages[i].HEADING, "Grüße aus Köln") << forms[i].fault;
        EXPECT_EQ(text_of(c.messages[i]), "Grüße aus Köln\r\n") << forms[i].fault;
    }
}

// Headers are taken as they stand: an "=" at the end of a header line joins nothing, a pair in
// a subject is no escape; the whole folded subject is kept and the receiver is the first of
// several.
TEST_F(Reader, HeadersAreNeverEscapeDecodedAndFoldedLinesJoin) {
    const std::string box =
        "From a@b x\nSubject: price=\nFrom: =?utf-8?q?J=C3=B6rg?= <jorg@example.org>\n"
        "To: \"Ray, Carl\" <carl@example.net>, Ann <ann@example.org>\n"
        "Cc: =?utf-8?b?RMO2cmE=?= <dora@example.com>\n\nbody=\nend\n"
        "From a@b y\nFrom: a@b\nSubject: a long\n\tsubject=AB over\n two lines\n\nx\n";
    Collector c = read("Generic Mail Type 2", write(box));
    ASSERT_EQ(c.messages.size(), 2u);
    const NHR& m = c.messages[0];
    EXPECT_EQ(m.HEADING, "price=");
    EXPECT_EQ(m.S_CISADRESS, "jorg@example.org");
    EXPECT_EQ(m.S_NAME, "Jörg");
    EXPECT_EQ(text_of(m), "bodyend\r\n") << "mail without MIME keeps the mailbox's rules";
    ASSERT_EQ(c.copies[0].size(), 2u);
    EXPECT_EQ(c.copies[0][0].R_CISADRESS, "ann@example.org");
    EXPECT_EQ(c.copies[0][0].RECIPTYPE, "TO");
    EXPECT_EQ(c.copies[0][1].R_NAME, "Döra");
    EXPECT_EQ(c.messages[1].HEADING, "a long subject=AB over two lines");
    // Mail the owner sent to several people goes to the first of them.
    Collector sent =
        read("Generic Mail Type 2", write("From a@b x\nFrom: me@example.org\nTo: \"Ray, Carl\" "
                                          "<carl@example.net>, Ann <ann@example.org>\n\nx\n"));
    ASSERT_EQ(sent.messages.size(), 1u);
    EXPECT_EQ(sent.messages[0].R_CISADRESS, "carl@example.net");
    EXPECT_EQ(sent.messages[0].R_NAME, "Ray, Carl");
}

// In a mailbox without separators, the header lines of a part or of a forwarded message are not
// the start of the next message; a known header line in a body is, as before.
TEST_F(Reader, HeaderRunIsNotFooledByPartAndForwardedHeaders) {
    const std::string box =
        "From: Bob <bob@example.org>\r\nSubject: One\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n"
        "Content-Type: text/plain\r\n\r\nHere it comes.\r\n--B\r\n"
        "Content-Type: message/rfc822\r\n\r\nFrom: Ann <ann@example.org>\r\n"
        "Date: 5 Jan 98 10:00\r\nSubject: Inner\r\n\r\nInner text.\r\n--B--\r\n"
        "From: Cy <cy@example.org>\r\nSubject: Two\r\n\r\nbody two\r\n";
    Collector c = read("Generic Mail Type 1", write(box));
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0].HEADING, "One");
    EXPECT_TRUE(has(text_of(c.messages[0]), "Subject: Inner")) << text_of(c.messages[0]);
    EXPECT_TRUE(has(text_of(c.messages[0]), "Inner text.")) << text_of(c.messages[0]);
    EXPECT_EQ(c.messages[1].HEADING, "Two");
}

// Names and subjects reach the store decoded, the persons made from them too.
TEST_F(Reader, EncodedNamesAndSubjectsAreStoredDecoded) {
    ImportSettings st = settings();
    st.format = "Generic Mail Type 2";
    st.files = {
        write("From bob@example.org x\nFrom: =?ISO-8859-1?Q?Bj=F6rn?= Berg "
              "<bob@example.org>\nSubject: =?ISO-8859-1?Q?Caf=E9?=\n\nx\n")};
    ImportProcessor p(h.s, st, make_parser);
    while (p.step() == ImportProcessor::Result::More) {
    }
    ASSERT_EQ(p.accounting().stored, 1u) << p.final_message();
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    OP_CLOSE(h.s, kOpOpen, {kMail, kPerson});
    Set(h.s, kMail, 0);
    ASSERT_TRUE(Next(h.s, kMail));
    EXPECT_EQ(h.s.rec.Mail.SUBJECT.str(), "Café");
    EXPECT_EQ(h.s.rec.Mail.FROMALPHA.str(), "Berg");
    bool found = false;
    Set(h.s, kPerson, 0);
    while (Next(h.s, kPerson)) found |= h.s.rec.Person.FIRSTNAME.str() == "Björn";
    OP_CLOSE(h.s, kOpClose, {kMail, kPerson});
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace qs
