// SPDX-License-Identifier: MIT
// The message parser fed as the readers feed it: charsets, transfer encodings, the MIME tree,
// attachments and the text limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/mime/charset.h"
#include "import/mime/message_parser.h"

namespace qs {
namespace {

struct File {
    AttachmentInfo info;
    std::string bytes;
    bool ended = false;
};

class RecordingSink : public AttachmentSink {
public:
    void begin(const AttachmentInfo& info) override { files.push_back({info, {}, false}); }
    void write(std::string_view bytes) override { files.back().bytes.append(bytes); }
    bool end() override {
        files.back().ended = true;
        return !refuse;
    }
    std::vector<File> files;
    bool refuse = false;
};

struct Parsed {
    std::string text;
    std::vector<File> files;
    std::vector<std::string> notes;
    HeaderFields header;
    bool lost = false;
};

// Feeds a message line by line with the line ends it has; `piece` > 0 cuts every line into
// pieces of that many bytes, as the readers hand over long lines.
Parsed parse(std::string_view message, size_t piece = 0, bool refuse = false) {
    RecordingSink sink;
    sink.refuse = refuse;
    MessageParser p;
    p.set_sink(&sink);
    p.begin();
    size_t at = 0;
    while (at < message.size()) {
        size_t end = message.find_first_of("\r\n", at);
        std::string_view eol;
        if (end == std::string_view::npos) {
            end = message.size();
        } else {
            eol = message.substr(end, message.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
        std::string_view line = message.substr(at, end - at);
        while (piece && line.size() > piece) {
            p.line(line.substr(0, piece), {}, true);
            line.remove_prefix(piece);
        }
        p.line(line, eol);
        at = end + eol.size();
    }
    Parsed r;
    r.text = p.finish();
    r.files = sink.files;
    r.notes = p.notes();
    r.header = p.header();
    r.lost = p.attachments_lost();
    return r;
}

std::string single(const std::string& headers, const std::string& body) {
    return "From: a@b\nMIME-Version: 1.0\n" + headers + "\n\n" + body;
}

struct TextCase {
    const char* fault;
    std::string message;
    std::string text;       // UTF-8, CR LF line ends
    bool contains = false;  // the text holds `text` (HTML, whose layout is the converter's)
};

void check(const TextCase& c) {
    const std::string got = parse(c.message).text;
    if (c.contains) {
        EXPECT_NE(got.find(c.text), std::string::npos) << c.fault << ": " << got;
        EXPECT_EQ(got.find('<'), std::string::npos) << c.fault << ": " << got;
    } else {
        EXPECT_EQ(got, c.text) << c.fault;
    }
}

TEST(MessageParser, EveryCharsetFamilyReadsBackInUtf8) {
    auto part = [](const char* charset, const char* encoding, const std::string& body) {
        return single(std::string("Content-Type: text/plain; charset=") + charset +
                          "\nContent-Transfer-Encoding: " + encoding,
                      body + "\n");
    };
    const TextCase cases[] = {
        {"Greek read as Latin-1", part("iso-8859-7", "8bit", "\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1"),
         "Καλημέρα\r\n"},
        {"KOI8-R Cyrillic garbled", part("koi8-r", "base64", "8NLJ18XULCDNydI="),
         "Привет, мир\r\n"},
        {"windows-1251 Cyrillic garbled",
         part("\"windows-1251\"", "8bit", "\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет\r\n"},
        {"ISO-2022-JP shift state lost", part("ISO-2022-JP", "7bit", "\x1B$BF|K\\8l$N%a!<%k\x1B(B"),
         "日本語のメール\r\n"},
        {"Shift_JIS garbled", part("shift_jis", "base64", "k/qWe4zqgsyDgYFbg4s="),
         "日本語のメール\r\n"},
        {"EUC-JP garbled", part("euc-jp", "base64", "xvzL3LjspM6l4aG8pes="), "日本語のメール\r\n"},
        {"GB2312 garbled", part("gb2312", "base64", "1tDOxNPKvP4="), "中文邮件\r\n"},
        {"Big5 garbled", part("big5", "base64", "pKSk5bZspfM="), "中文郵件\r\n"},
        {"EUC-KR garbled", part("euc-kr", "base64", "x9Gxub7uILjewM8="), "한국어 메일\r\n"},
        {"ISO-8859-15 euro read as Latin-1", part("iso-8859-15", "base64", "UHJpeDogNSCk"),
         "Prix: 5 €\r\n"},
        {"UTF-16 with its byte order mark garbled",
         part("utf-16", "base64", "//5HAHIA/ADfAGUAIAARIg=="), "Grüße ∑\r\n"},
        {"UTF-8 split across base64 lines garbled", part("utf-8", "base64", "R3LD\nvMOfZQ=="),
         "Grüße\r\n"},
        {"invalid UTF-8 not read as Windows-1252",
         part("utf-8", "8bit",
              "Gr\xFC\xDF"
              "e \xC3\xA9"),
         "Grüße é\r\n"},
        {"us-ascii with 8-bit bytes not read as Windows-1252",
         part("us-ascii", "8bit", "caf\xE9 \x80"), "café €\r\n"},
        {"undeclared 8-bit text not read as Windows-1252", single("", "caf\xE9\n"), "café\r\n"},
    };
    for (const TextCase& c : cases) check(c);
}

TEST(MessageParser, UnknownCharsetIsReadAsWindows1252AndNoted) {
    Parsed p = parse(single("Content-Type: text/plain; charset=x-martian", "caf\xE9\n"));
    EXPECT_EQ(p.text, "café\r\n");
    ASSERT_EQ(p.notes.size(), 1u);
    EXPECT_EQ(p.notes[0], "unknown charset \"x-martian\" read as Windows-1252");
}

TEST(MessageParser, TransferEncodingsAndTheirBrokenSpellings) {
    auto text = [](const char* encoding, const std::string& body) {
        return single(std::string("Content-Type: text/plain; charset=utf-8\n"
                                  "Content-Transfer-Encoding: ") +
                          encoding,
                      body);
    };
    const TextCase cases[] = {
        {"base64 stored as base64", text("base64", "R3LDvMOfZSBhdXMK\nS8O2bG4K\n"),
         "Grüße aus\r\nKöln\r\n"},
        {"base64 garbage stops decoding", text("BASE64", "R3L!DvM*Of ZSBh\ndXMK=\n"),
         "Grüße aus\r\n"},
        {"quoted-printable soft break kept", text("quoted-printable", "Gr=C3=BC=\n=C3=9Fe\n"),
         "Grüße\r\n"},
        {"quoted-printable lower-case pair left", text("Quoted-Printable", "K=c3=b6ln =3D ok  \n"),
         "Köln = ok\r\n"},
        {"a bare = taken for an escape", text("quoted-printable", "a = b =XY =\t \nc\n"),
         "a = b =XY c\r\n"},
        {"quoted_printable not decoded", text("quoted_printable", "K=C3=B6ln\n"), "Köln\r\n"},
        {"7-bit refused", text("7-bit", "plain =C3=B6\n"), "plain =C3=B6\r\n"},
        {"an unknown encoding not read as 8bit", text("x-weird", "K\xC3\xB6ln\n"), "Köln\r\n"},
        {"quoted-printable decoded where none is declared",
         single("Content-Type: text/plain", "price=AB\n"), "price=AB\r\n"},
    };
    for (const TextCase& c : cases) check(c);
}

const char* kSignedMixed =
    "From: a@b\nMIME-Version: 1.0\n"
    "Content-Type: multipart/signed; protocol=\"application/pgp-signature\"; boundary=S\n"
    "\npreamble of the signed part\n--S\n"
    "Content-Type: multipart/mixed; boundary=\"M==\"\n\n"
    "--M==\nContent-Type: text/plain\n\nFirst text.\n"
    "--M==\nContent-Type: image/png; name=dot.png\nContent-Transfer-Encoding: base64\n\n"
    "iVBORw0KGgo=\n"
    "--M==\nContent-Type: text/plain\nContent-Disposition: inline\n\nSecond text.\n"
    "--M==--\nepilogue of the mixed part\n"
    "--S\nContent-Type: application/pgp-signature; name=signature.asc\n\nSIG\n--S--\n";

TEST(MessageParser, TheWholeTree) {
    const TextCase cases[] = {
        {"a mixed part inside a signed one lost", kSignedMixed,
         "First text.\r\n\r\nSecond text.\r\n"},
        {"the second alternative taken",
         single("Content-Type: multipart/alternative; boundary=A",
                "--A\nContent-Type: text/plain\n\nplain\n--A\nContent-Type: text/html\n\n"
                "<p>html</p>\n--A--\n"),
         "plain\r\n"},
        {"an HTML first alternative not converted",
         single("Content-Type: multipart/alternative; boundary=A",
                "--A\nContent-Type: text/html\n\n<html><p>html</p></html>\n--A\n"
                "Content-Type: text/plain\n\nplain\n--A--\n"),
         "html", true},
        {"a related part inside an alternative read twice",
         single("Content-Type: multipart/alternative; boundary=A",
                "--A\nContent-Type: multipart/related; boundary=R\n\n--R\n"
                "Content-Type: text/html\n\n<html>rich</html>\n--R\nContent-Type: image/gif\n\n"
                "GIF\n--R--\n--A\nContent-Type: text/plain\n\nplain\n--A--\n"),
         "rich", true},
        {"a forwarded message's text lost",
         single("Content-Type: multipart/mixed; boundary=F",
                "--F\nContent-Type: text/plain\n\nSee below.\n--F\n"
                "Content-Type: message/rfc822\n\nFrom: =?utf-8?q?J=C3=BCrgen?= <j@x>\n"
                "Subject: Original\nDate: Mon, 5 Jan 1998 10:00:00 +0100\nTo: a@b\n\n"
                "The original text.\n--F--\n"),
         "See below.\r\n\r\nFrom: Jürgen <j@x>\r\nDate: Mon, 5 Jan 1998 10:00:00 +0100\r\n"
         "Subject: Original\r\n\r\nThe original text.\r\n"},
        {"a digest's parts not read as messages",
         single("Content-Type: multipart/digest; boundary=D",
                "--D\n\nSubject: One\n\nfirst\n--D\n\nSubject: Two\n\nsecond\n--D--\n"),
         "Subject: One\r\n\r\nfirst\r\n\r\nSubject: Two\r\n\r\nsecond\r\n"},
        {"a delivery report's parts lost",
         single("Content-Type: multipart/report; report-type=delivery-status; boundary=R",
                "--R\nContent-Type: text/plain\n\nNot delivered.\n--R\n"
                "Content-Type: message/delivery-status\n\nStatus: 5.1.1\n--R\n"
                "Content-Type: text/rfc822-headers\n\nSubject: lost\n--R--\n"),
         "Not delivered.\r\n\r\nStatus: 5.1.1\r\n\r\nSubject: lost\r\n"},
        {"a calendar not shown as text",
         single("Content-Type: multipart/mixed; boundary=C",
                "--C\nContent-Type: text/calendar; method=REQUEST\n\nBEGIN:VCALENDAR\n--C--\n"),
         "BEGIN:VCALENDAR\r\n"},
        {"a boundary that never closes loses the rest",
         single("Content-Type: multipart/mixed; boundary=O",
                "--O\nContent-Type: text/plain\n\nto the end\nof the message\n"),
         "to the end\r\nof the message\r\n"},
        {"boundaries that begin alike confused",
         single("Content-Type: multipart/mixed; boundary=x",
                "--x\nContent-Type: multipart/alternative; boundary=xy\n\n--xy\n\ninner\n--xy--\n"
                "--x\n\nouter\n--x--\n"),
         "inner\r\n\r\nouter\r\n"},
        {"a part without a header block taken for headers",
         single("Content-Type: multipart/mixed; boundary=N", "--N\nno header here\n--N--\n"),
         "no header here\r\n"},
        {"a part closing an outer level keeps the inner one open",
         single("Content-Type: multipart/mixed; boundary=out",
                "--out\nContent-Type: multipart/mixed; boundary=in\n\n--in\n\none\n--out\n\ntwo\n"
                "--in\n\nnot a part\n--out--\n"),
         "one\r\n\r\ntwo\r\n--in\r\n\r\nnot a part\r\n"},
    };
    for (const TextCase& c : cases) check(c);
}

// Parts nested deeper than the parser follows are kept whole as one attachment, and the text
// around them is read.
TEST(MessageParser, DeepNestingIsBounded) {
    std::string body;
    for (int level = 0; level < 100; ++level)
        body += "--b" + std::to_string(level) + "\nContent-Type: multipart/mixed; boundary=b" +
                std::to_string(level + 1) + "\n\n";
    body += "--b100\n\ndeepest\n";
    for (int level = 100; level > 0; --level) body += "--b" + std::to_string(level) + "--\n";
    body += "--b0\n\nlast\n--b0--\n";
    Parsed p = parse(single("Content-Type: multipart/mixed; boundary=b0", body));
    EXPECT_EQ(p.text, "last\r\n");
    ASSERT_EQ(p.files.size(), 1u);
    EXPECT_EQ(p.files[0].info.content_type, "multipart/mixed");
    EXPECT_NE(p.files[0].bytes.find("deepest"), std::string::npos);
}

// A lone MIME part that is HTML or enriched goes through its conversion; the conversion's own
// rules are tested with it.
TEST(MessageParser, HtmlAndEnrichedPartsAreConverted) {
    Parsed html = parse(single("Content-Type: text/html; charset=utf-8",
                               "<html><body><p>Gr&uuml;&szlig;e</p><p>K\xC3\xB6ln</p></body>"
                               "</html>\n"));
    EXPECT_NE(html.text.find("K\xC3\xB6ln"), std::string::npos) << html.text;
    EXPECT_EQ(html.text.find("<p>"), std::string::npos) << html.text;
    Parsed meta = parse(single("Content-Type: text/html",
                               "<html><head><meta charset=\"koi8-r\"></head><body>\xF0\xD2\xC9"
                               "</body></html>\n"));
    EXPECT_NE(meta.text.find("При"), std::string::npos) << meta.text;
    Parsed enriched = parse(single("Content-Type: text/enriched", "<bold>Bold</bold> text\n"));
    EXPECT_EQ(enriched.text.find("<bold>"), std::string::npos) << enriched.text;
    EXPECT_NE(enriched.text.find("Bold text"), std::string::npos) << enriched.text;
}

TEST(MessageParser, AttachmentsGoToTheSinkWithTheirNamesAndBytes) {
    const std::string message = single(
        "Content-Type: multipart/mixed; boundary=\"=_b\"",
        "--=_b\nContent-Type: text/plain\n\nSee the files.\n"
        "--=_b\nContent-Type: application/pdf; name=\"=?UTF-8?B?R3LDvMOfZS5wZGY=?=\"\n"
        "Content-Transfer-Encoding: base64\n\nAAEC\nA/8=\n"
        "--=_b\nContent-Type: text/plain\n"
        "Content-Disposition: attachment; filename*=utf-8''%E2%82%AC%20rates.txt\n\n"
        "line one\r\nline two\r\n"
        "--=_b\nContent-Type: text/x-patch\nContent-Disposition: attachment; filename=q.diff\n"
        "Content-Transfer-Encoding: quoted-printable\n\n+a=3Db=\n c\n-d\n"
        "--=_b\nContent-Type: message/rfc822\n\nFrom: x@y\nSubject: Fwd\n"
        "Content-Type: multipart/mixed; boundary=inner\n\n--inner\n\ninner text\n--inner\n"
        "Content-Type: image/gif\nContent-Disposition: attachment; filename=\"a.gif\"\n\nGIF\n"
        "--inner--\n"
        "--=_b\nContent-Type: weird\n\nraw\n--=_b--\n");
    Parsed p = parse(message);
    EXPECT_EQ(p.text, "See the files.\r\n\r\nFrom: x@y\r\nSubject: Fwd\r\n\r\ninner text\r\n");
    struct Want {
        const char* fault;
        const char* name;
        const char* type;
        std::string bytes;
    };
    const Want want[] = {
        {"an encoded-word name left encoded", "Grüße.pdf", "application/pdf",
         std::string("\x00\x01\x02\x03\xFF", 5)},
        {"an RFC 2231 name or a text attachment's bytes changed", "€ rates.txt", "text/plain",
         "line one\r\nline two"},
        {"a quoted-printable attachment not decoded", "q.diff", "text/x-patch", "+a=b c\n-d"},
        {"a forwarded message's attachment lost", "a.gif", "image/gif", "GIF"},
        {"a part of an invalid type lost", "", "application/octet-stream", "raw"},
    };
    ASSERT_EQ(p.files.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(p.files[i].info.file_name, want[i].name) << want[i].fault;
        EXPECT_EQ(p.files[i].info.content_type, want[i].type) << want[i].fault;
        EXPECT_EQ(p.files[i].bytes, want[i].bytes) << want[i].fault;
        EXPECT_TRUE(p.files[i].ended) << want[i].fault;
    }
    EXPECT_FALSE(p.lost);
    EXPECT_TRUE(parse(message, 0, true).lost) << "a refused attachment not reported";
}

TEST(MessageParser, UuencodedBlocksInATextAreAttachments) {
    // "Cat" uuencoded, in a text part and in mail without MIME headers.
    const std::string block = "begin 644 cat.txt\n#0V%T\n`\nend\n";
    for (const std::string& message :
         {single("Content-Type: text/plain", "Before.\n" + block + "After.\n"),
          "From: a@b\n\nBefore.\n" + block + "After.\n"}) {
        Parsed p = parse(message);
        EXPECT_EQ(p.text, "Before.\r\nAfter.\r\n");
        ASSERT_EQ(p.files.size(), 1u);
        EXPECT_EQ(p.files[0].info.file_name, "cat.txt");
        EXPECT_EQ(p.files[0].bytes, "Cat");
    }
    // A line that only looks like the start of a block stays text.
    Parsed prose = parse("From: a@b\n\nbegin 644 days ago\nwe met\n");
    EXPECT_EQ(prose.text, "begin 644 days ago\r\nwe met\r\n");
    EXPECT_TRUE(prose.files.empty());
}

TEST(MessageParser, HeaderFieldsAreUnfoldedAndKeptRaw) {
    Parsed p = parse(
        "From: Ann  \n <ann@x>\nSubject: =?utf-8?q?Gr=C3=BC?=\n\t=?utf-8?q?=C3=9Fe?=\n"
        "Subject: second\nCc: b@x\nTO: c@x\nfolded without a blank\ncc: d@x\nDate: 5 Jan 98\n"
        "\nbody\n");
    EXPECT_EQ(p.header.from, "Ann <ann@x>");
    EXPECT_EQ(p.header.subject, "=?utf-8?q?Gr=C3=BC?= =?utf-8?q?=C3=9Fe?=");
    EXPECT_EQ(p.header.cc, "b@x,d@x");
    EXPECT_EQ(p.header.to, "c@x");
    EXPECT_TRUE(p.header.has_date);
    EXPECT_FALSE(p.header.mime);
    EXPECT_EQ(p.text, "body\r\n");
}

// The text holds 64,000 characters at most and is never cut inside one, however the lines come.
TEST(MessageParser, TextLimitCountsCharactersAndNeverCutsOne) {
    const std::string line(1000, 'x');
    std::string many;
    for (int i = 0; i < 70; ++i) many += "\xC3\xA9" + line + "\n";
    for (size_t piece : {size_t{0}, size_t{333}}) {
        Parsed p = parse(single("Content-Type: text/plain; charset=utf-8", many), piece);
        EXPECT_EQ(char_count(p.text), 64000u) << piece;
        EXPECT_TRUE(valid_utf8(p.text)) << piece;
        EXPECT_EQ(p.text.substr(p.text.size() - 2), "\r\n");
    }
    std::string euros;
    for (int i = 0; i < 30000; ++i) euros += "\xE2\x82\xAC";
    Parsed cut = parse(single("Content-Type: text/plain; charset=utf-8",
                              std::string(40000, 'w') + "\n" + euros + "\n"));
    EXPECT_TRUE(valid_utf8(cut.text));
    EXPECT_EQ(char_count(cut.text), 64000u);
}

}  // namespace
}  // namespace qs
