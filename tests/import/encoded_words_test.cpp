// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

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
    std::string out;
};

TEST(EncodedWords, DecodesTheFirstWord) {
    const Case cases[] = {
        {"Q ISO-8859-1 escape not decoded", "=?ISO-8859-1?Q?Caf=E9?=", "Caf\xE9"},
        {"charset name compared by case", "=?iso-8859-1?q?Caf=E9?=", "Caf\xE9"},
        {"a Q text that begins with an escape cut at its own ?=", "=?iso-8859-1?Q?=E9t=E9?=",
         "\xE9t\xE9"},
        {"ISO-8859-2 B9 not mapped to 154", "=?ISO-8859-2?Q?=B9koda?=", "\x9Akoda"},
        {"ISO-8859-2 letters without Western form kept",
         "=?iso-8859-2?q?=A3=F3d=BC_=E6?=", "L\363dz c"},
        {"ISO-8859-1 bytes mapped", "=?iso-8859-1?q?=A3=B9?=", "\xA3\xB9"},
        {"underscore not a space", "=?iso-8859-1?Q?a_b?=", "a b"},
        {"lower-case pair decoded", "=?iso-8859-1?q?=e9?=", "=e9"},
        {"B not decoded", "=?ISO-8859-1?B?Q2Fm6Q==?=", "Caf\xE9"},
        {"B without padding dropped", "=?iso-8859-1?b?Q2Fm6Q?=", "Caf\xE9"},
        {"B padding gives NUL bytes", "=?iso-8859-1?B?SGk=?=", "Hi"},
        {"B in ISO-8859-2 not mapped", "=?ISO-8859-2?B?uWtvZGE=?=", "\x9Akoda"},
        {"US-ASCII refused", "=?US-ASCII?Q?Hello_World?=", "Hello World"},
        {"text around the word lost", "Re: =?iso-8859-1?q?Gr=FC=DFe?= aus Wien  ",
         "Re: Gr\xFC\337e aus Wien"},
        {"trailing blanks of the word kept", "=?iso-8859-1?q?abc__?=x", "abcx"},
        {"a second word decoded", "=?iso-8859-1?q?a?= =?iso-8859-1?q?b?=", "a =?iso-8859-1?q?b?="},
        {"ISO-8859-15 taken for another set", "=?ISO-8859-15?Q?=E9?=", "\xE9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_encoded_word(c.in), c.out) << c.fault;
    }
}

TEST(EncodedWords, LeavesOtherFieldsAlone) {
    const std::string unchanged[] = {
        "Plain subject",
        "=?UTF-8?Q?Caf=C3=A9?=",
        "=?KOI8-R?B?8NLJ18XU?=",
        "=?iso-8859-1?X?abc?=",
        "=?iso-8859-1?q?never closed",
        "=?iso-8859-1?q?",
        "=?iso-8859-1?q",
        "=?iso-8859-1?",
        "=?",
        "?= =?",
        "=?ISO-8859",
    };
    for (const std::string& f : unchanged) {
        EXPECT_EQ(decode_encoded_word(f), f) << f;
    }
}

TEST(EncodedWords, ResultIsCutAt100Characters) {
    std::string field = std::string(150, 'p') + "=?iso-8859-1?q?x?=";
    EXPECT_EQ(decode_encoded_word(field), std::string(100, 'p'));
    std::string word = "=?iso-8859-1?B?" + std::string(400, 'Q') + "?=";
    EXPECT_EQ(decode_encoded_word(word).size(), 100u);
}

}  // namespace
}  // namespace qs
