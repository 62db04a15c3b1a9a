// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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
        {1, "John Smith \u2502 12345,678", "12345,678", "John Smith"},
        {1, "John Smith\u00B312345,678", "12345,678", "John Smith"},
        {1, "Jos\u00E9 G\u00F3mez 12345,678", "12345,678",
         "Jos\u00E9 G\u00F3mez"},                          // C3 B3: no bar
        {1, "Pepe Ló 71234,567", "71234,567", "Pepe Ló"},  // "ó" ends in the bar's byte
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
        {2, "Jane Doe\u2502jane@example", "jane@example", "Jane Doe"},
        {2, "Ana G\u00F3mez", "G\u00F3mez", "Ana"},
        {2, "Jane Doe INTERNET:", "INTERNET:", "Jane Doe"},  // nothing after the colon
        {2, "Jane Doe\u2502", "Jane Doe\u2502", "Jane Doe"},
        {2, "Jane Ló", "Ló", "Jane"},
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
    const std::string_view pieces[] = {" ", ",", ".", "]", "[",      ">",     "\u2502",
                                       "1", "a", ":", "@", "CSINET", "\u00F3"};
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

}  // namespace
}  // namespace qs
