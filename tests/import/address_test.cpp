// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>

#include "import/address.h"

namespace qs {
namespace {

struct SplitCase {
    uint8_t mode;
    const char* text;
    const char* address;
    const char* name;
};

TEST(FindCisAdress, SplitsNameFromUserNumberOrAddress) {
    const SplitCase cases[] = {
        // Forum style: the user number is written one way whatever way it came.
        {1, "John Smith 12345,678", "12345,678", "John Smith"},
        {1, "John Smith 12345.678", "12345,678", "John Smith"},
        {1, "John Smith [12345,678]", "12345,678", "John Smith"},
        {1, "John Smith 12345, 678", "12345,678", "John Smith"},
        {1, "John Smith> 12345,678", "12345,678", "John Smith"},
        {1, "John Smith \xB3 12345,678", "12345,678", "John Smith"},
        {1, "John Smith\26312345,678", "12345,678", "John Smith"},
        {1, "John Smith 12345,678   ", "12345,678", "John Smith"},
        {1, "John Smith 12345, 6", "12345, 6", "John Smith"},  // too short to close up
        {1, "John Smith -12345,+678", "-12345,+678", "John Smith"},
        {1, "12345,678", "12345,678", ""},
        {1, "[12345,678]", "12345,678", ""},
        {1, "> 12345,678", "12345,678", ">"},  // nothing but marks: kept
        {1, "x 12,34", "12,34", "x"},
        {1, "x 1,2", "", "x 1,2"},  // the separator is one of the last two characters
        // Forum style without a user number: all name.
        {1, "John Smith john@example.org", "", "John Smith john@example.org"},
        {1, "John Smith", "", "John Smith"},
        {1, "John Smith 123x,678", "", "John Smith 123x,678"},
        {1, "Joe CSINET:12345,678", "", "Joe CSINET:12345,678"},  // no gateway for forums
        // Mail style.
        {2, "John Smith 12345.678", "12345,678", "John Smith"},
        {2, "John Smith 123x,678", "123x,678", "John Smith"},
        {2, "Jane Doe >INTERNET:jane@example.org", "jane@example.org", "Jane Doe"},
        {2, "Jane Doe >INTERNET:jane", "jane", "Jane Doe"},
        {2, "Jane Doe> jane@example.org", "jane@example.org", "Jane Doe"},
        {2, "Jane Doe\xB3jane@example", "jane@example", "Jane Doe"},
        {2, "Jane Doe INTERNET:", "INTERNET:", "Jane Doe"},  // nothing after the colon
        {2, "Jane Doe\xB3", "Jane Doe\xB3", "Jane Doe"},
        {2, "jane@example.org", "jane@example.org", ""},
        {2, "postmaster", "postmaster", ""},
        {2, "a b", "b", "a"},
        {2, "1,2", "1,2", ""},
        // The CompuServe gateway: the part before the "@" is the address.
        {2, "Joe Bloggs CSINET:joe@site.example", "joe", "Joe Bloggs"},
        {2, "Joe Bloggs CSINET:12345.678@compuserve.com", "12345.678", "Joe Bloggs"},
        {2, "Joe Bloggs CSINET joe@site.example", " joe", "Joe Bloggs"},
        {2, "Joe Bloggs CSINETjoe@site.example", "CSINETjoe@site.example", "Joe Bloggs"},
        {2, "CSINET:joe@site.example", "joe", ""},
        {2, "Joe CSINET:a@bc", "a@bc", "Joe"},    // too short to cut
        {2, "Joe CSINET:@joe@x", "@joe", "Joe"},  // a leading "@" is not the cut
        {2, "Joe CSINET:joe", "joe", "Joe"},
        {2, "Joe Bloggs CSINET:", "", "Joe Bloggs"},
        // Nothing to split.
        {1, "", "", ""},
        {2, "", "", ""},
        {1, "   ", "", ""},
        {2, "   ", "", ""},
        {1, "a", "", "a"},
        {2, "a", "a", ""},
    };
    for (const auto& c : cases) {
        std::string address = "old", name = "old";
        FindCISAdress(c.mode, address, name, c.text);
        EXPECT_EQ(address, c.address) << int(c.mode) << " \"" << c.text << '"';
        EXPECT_EQ(name, c.name) << int(c.mode) << " \"" << c.text << '"';
    }
}

TEST(FindCisAdress, ResultsAreCutToTheCallersWidths) {
    std::string address, name;
    FindCISAdress(1, address, name, "John Smith 12345,678", 5, 4);
    EXPECT_EQ(address, "12345");
    EXPECT_EQ(name, "John");
    FindCISAdress(2, address, name, "Jane Doe jane@example.org", 60, 5);
    EXPECT_EQ(name, "Jane");  // the cut leaves a trailing blank, which does not count
}

// Every short text made of the characters the rules look at: the edges of the text are where a
// position rule could read outside it, which the sanitizer build would catch.
TEST(FindCisAdress, ShortTextsOfSignificantCharactersStayInBounds) {
    const std::string_view pieces[] = {" ",    ",", ".", "]", "[", ">",
                                       "\xB3", "1", "a", ":", "@", "CSINET"};
    const size_t n = std::size(pieces);
    for (size_t length = 0; length <= 5; ++length) {
        size_t combinations = 1;
        for (size_t k = 0; k < length; ++k) combinations *= n;
        for (size_t code = 0; code < combinations; ++code) {
            std::string text;
            for (size_t k = 0, rest = code; k < length; ++k, rest /= n) text += pieces[rest % n];
            for (uint8_t mode : {1, 2}) {
                std::string address, name;
                FindCISAdress(mode, address, name, text, 60, 40);
                ASSERT_LE(address.size(), text.size()) << text;
                ASSERT_LE(name.size(), text.size()) << text;
            }
        }
    }
}

struct SearchCase {
    bool whole_word;
    const char* text;
    const char* pattern;
    size_t position;
};

TEST(Aisinb, FindsFirstOccurrenceAndHonoursWholeWords) {
    const SearchCase cases[] = {
        {true, "RESEARCH", "SEARCH", 0},
        {false, "RESEARCH", "SEARCH", 3},
        {true, "CATALOG CAT", "CAT", 9},  // goes on past a joined match
        {true, "CATALOG", "CAT", 0},
        {true, "123 A12", "12", 6},  // a number is joined only by digits
        {true, "123", "12", 0},
        {true, "1212 12", "12", 6},
        {true, "CAT", "CAT", 1},
        {true, "A CAT", "CAT", 3},
        {true, "CAT.", "CAT", 1},
        {true, "CAT1", "CAT", 0},  // of the digits only 1 joins a word
        {true, "CAT2", "CAT", 1},
        {true, "\200CAT", "CAT", 0},
        {true, "CAT\x85", "CAT", 0},
        {true, "\206CAT", "CAT", 2},
        {true, "\311CAT", "CAT", 2},
        {false, "cat CAT", "CAT", 5},  // exact case
        {false, "x CAT y", "CAT   ", 3},
        {false, "xA By", "A B", 2},
        {false, "anything", "", 0},
        {false, "anything", "   ", 0},
        {true, "anything", "", 0},
        {false, "CA", "CAT", 0},
        {false, "", "A", 0},
        {false, "aabaabaaab", "aaab", 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AISINB(c.whole_word, c.text, c.pattern), c.position)
            << c.whole_word << " \"" << c.text << "\" \"" << c.pattern << '"';
}

// The skip table must never jump over an occurrence: compared with a plain search on random
// texts over a small alphabet, where near misses are common.
TEST(Aisinb, SkipsNeverPassAnOccurrence) {
    std::mt19937 random(7);
    auto word = [&](size_t max_length) {
        std::string s(random() % (max_length + 1), 'a');
        for (char& c : s) c = "abc"[random() % 3];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = word(30), pattern = word(5);
        const size_t found = pattern.empty() ? std::string::npos : text.find(pattern);
        ASSERT_EQ(AISINB(false, text, pattern), found == std::string::npos ? 0 : found + 1)
            << text << " / " << pattern;
    }
}

}  // namespace
}  // namespace qs
