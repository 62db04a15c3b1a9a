// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "import/mime/header_text.h"
#include "import/mime/mime.h"

namespace qs {
namespace {

TEST(EncodedWords, HexPairRule) {
    struct Case {
        char a, b;
        int byte;  // -1: not decoded
    };
    const Case cases[] = {
        {'3', 'D', '='},  {'2', '0', ' '}, {'0', '9', ' '}, {'E', '9', 0xE9}, {'8', '0', 0x80},
        {'F', 'F', 0xFF}, {'4', '1', -1},  {'7', 'F', -1},  {'0', '0', -1},   {'e', '9', -1},
        {'E', 'g', -1},   {'G', '0', -1},  {'3', 'd', -1},  {'=', '=', -1},
    };
    for (const Case& c : cases) {
        auto b = hex_pair(c.a, c.b);
        if (c.byte < 0) {
            EXPECT_FALSE(b.has_value()) << c.a << c.b;
        } else {
            ASSERT_TRUE(b.has_value()) << c.a << c.b;
            EXPECT_EQ(*b, c.byte) << c.a << c.b;
        }
    }
}

struct Case {
    const char* fault;
    std::string in;
    std::string out;  // UTF-8
};

TEST(EncodedWords, EveryWordInAnyCharset) {
    const Case cases[] = {
        {"Q ISO-8859-1 escape not decoded", "=?ISO-8859-1?Q?Caf=E9?=", "Café"},
        {"charset name compared by case", "=?iso-8859-1?q?Caf=E9?=", "Café"},
        {"a Q text that begins with an escape cut at its own ?=", "=?iso-8859-1?Q?=E9t=E9?=",
         "été"},
        {"ISO-8859-2 letters lose their accents", "=?iso-8859-2?q?=A3=F3d=BC_=E6?=", "Łódź ć"},
        {"lower-case pair left", "=?iso-8859-1?q?=e9?=", "é"},
        {"an escaped colon left (Re=3A)", "=?utf-8?q?Re=3A_Lunch?=", "Re: Lunch"},
        {"B not decoded", "=?ISO-8859-1?B?Q2Fm6Q==?=", "Café"},
        {"B without padding dropped", "=?iso-8859-1?b?Q2Fm6Q?=", "Café"},
        {"UTF-8 Q left encoded", "=?UTF-8?Q?Caf=C3=A9?=", "Café"},
        {"UTF-8 B left encoded", "=?utf-8?B?Q2Fmw6k=?=", "Café"},
        {"KOI8-R left encoded", "=?KOI8-R?B?8NLJ18XU?=", "Привет"},
        {"ISO-2022-JP left encoded", "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "日本語"},
        {"a language after the charset refused", "=?utf-8*en?q?Caf=C3=A9?=", "Café"},
        {"a second word not decoded", "=?iso-8859-1?q?a?= x =?iso-8859-1?q?b?=", "a x b"},
        {"blanks between adjacent words kept", "=?iso-8859-1?q?a?=  \t =?iso-8859-1?q?b?=", "ab"},
        {"adjacent words of two sets", "=?iso-8859-1?q?=E9?= =?utf-8?q?=C3=A9?=", "éé"},
        {"a character split between two words garbled", "=?UTF-8?B?ww==?= =?UTF-8?B?qQ==?=", "é"},
        {"text around the words lost", "Re: =?iso-8859-1?q?Gr=FC=DFe?= aus K=?utf-8?q?=C3=B6?=ln",
         "Re: Grüße aus Köln"},
        {"a word inside a folded field left", "=?utf-8?q?Gr=C3=BC?= =?utf-8?q?=C3=9Fe?= aus",
         "Grüße aus"},
        {"8-bit UTF-8 outside words garbled",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "Grüße"},
        {"8-bit Windows-1252 outside words kept as bytes",
         "Gr\xFC\xDF"
         "e \x80",
         "Grüße €"},
        {"a long field cut",
         std::string(150, 'p') + "=?iso-8859-1?q?x?=", std::string(150, 'p') + "x"},
    };
    for (const Case& c : cases) EXPECT_EQ(decode_header_text(c.in), c.out) << c.fault;
}

TEST(EncodedWords, MalformedWordsStayAsWritten) {
    const std::string unchanged[] = {
        "Plain subject",   "=?iso-8859-1?X?abc?=", "=?iso-8859-1?q?never closed",
        "=?iso-8859-1?q?", "=?iso-8859-1?q",       "=?",
        "?= =?",           "=?ISO-8859",           "=? x?q?a?=",
        "price=AB",
    };
    for (const std::string& f : unchanged) EXPECT_EQ(decode_header_text(f), f) << f;
}

TEST(EncodedWords, UnknownCharsetIsReadAsWindows1252AndNamed) {
    std::string unknown;
    EXPECT_EQ(decode_header_text("=?x-martian?q?caf=E9?=", &unknown), "café");
    EXPECT_EQ(unknown, "x-martian");
    unknown.clear();
    decode_header_text("=?windows-1250?q?=9A?=", &unknown);
    EXPECT_EQ(unknown, "");
}

TEST(HeaderValue, ParametersQuotedBareAndExtended) {
    struct P {
        const char* fault;
        const char* in;
        const char* value;
        const char* name;
        const char* param;  // UTF-8; nullptr: no such parameter
    };
    const P cases[] = {
        {"a bare boundary lost", "multipart/mixed; boundary=ABCDE", "multipart/mixed", "boundary",
         "ABCDE"},
        {"a bare boundary ending in == cut", "Multipart/Alternative;\tboundary===_x==; a=b",
         "multipart/alternative", "boundary", "==_x=="},
        {"a quoted boundary keeps its quotes", "multipart/mixed; boundary=\"=_a b;c\"",
         "multipart/mixed", "boundary", "=_a b;c"},
        {"names compared by case", "Text/Plain; CharSet=\"UTF-8\"", "text/plain", "charset",
         "UTF-8"},
        {"an escaped quote ends the value", "x/y; name=\"a\\\"b\"", "x/y", "name", "a\"b"},
        {"a quote never closed loses the value", "x/y; name=\"abc", "x/y", "name", "abc"},
        {"a trailing semicolon makes a parameter", "text/plain;", "text/plain", "", nullptr},
        {"RFC 2231 value not decoded", "attachment; filename*=utf-8''%E2%82%AC%20rates.pdf",
         "attachment", "filename", "€ rates.pdf"},
        {"RFC 2231 sections not joined",
         "attachment; filename*0*=iso-8859-1'de'Gr%FC; filename*1=\"sse.txt\"", "attachment",
         "filename", "Grüsse.txt"},
        {"plain sections out of order", "x/y; name*1=\"name.txt\"; name*0=\"long\"", "x/y", "name",
         "longname.txt"},
        {"an encoded word in a quoted name left", "x/y; name=\"=?UTF-8?B?R3LDvMOfZS5wZGY=?=\"",
         "x/y", "name", "Grüße.pdf"},
        {"the plain form beside the extended one taken",
         "attachment; filename=\"x.pdf\"; filename*=utf-8''y.pdf", "attachment", "filename",
         "y.pdf"},
    };
    for (const P& c : cases) {
        HeaderValue v = parse_header_value(c.in);
        EXPECT_EQ(v.value, c.value) << c.fault;
        if (!*c.name) {
            EXPECT_TRUE(v.params.empty()) << c.fault;
            continue;
        }
        const HeaderParameter* p = v.param(c.name);
        ASSERT_NE(p, nullptr) << c.fault;
        EXPECT_EQ(p->value, c.param) << c.fault;
    }
}

}  // namespace
}  // namespace qs
