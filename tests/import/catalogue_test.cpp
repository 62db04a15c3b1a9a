// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <set>

#include "import/catalogue.h"

namespace qs {
namespace {

TEST(Catalogue, NumbersRunFromOneWithoutGapsAndNamesLookUpBothWays) {
    const auto& all = formats();
    ASSERT_EQ(all.size(), 38u);
    std::set<std::string> names;
    for (size_t i = 0; i < all.size(); ++i) {
        const Format& f = all[i];
        SCOPED_TRACE(f.name);
        EXPECT_EQ(f.number, static_cast<int>(i) + 1);
        EXPECT_LE(std::string_view(f.name).size(), 22u);  // the width of the stored name
        EXPECT_TRUE(names.insert(f.name).second) << "name used twice";
        EXPECT_EQ(format_by_number(f.number), &f);
        EXPECT_EQ(format_by_name(f.name), &f);
    }
    EXPECT_EQ(format_by_number(0), nullptr);
    EXPECT_EQ(format_by_number(39), nullptr);
}

TEST(Catalogue, EveryEntryIsOfferedForThereAreNoFreeSlots) {
    EXPECT_EQ(offered_formats().size(), formats().size());
    EXPECT_EQ(offered_formats().front()->number, 1);
}

TEST(Catalogue, NamesCompareCaseSensitivelyWithTrailingBlanksIgnored) {
    EXPECT_EQ(format_by_name("Eudora                ")->number, 6);
    EXPECT_EQ(format_by_name("NavCIS 1.7x-")->number, 11);
    EXPECT_EQ(format_by_name("eudora"), nullptr);
    EXPECT_EQ(format_by_name(" Eudora"), nullptr);
    EXPECT_EQ(format_by_name("NavCIS 1.7x"), nullptr);
    EXPECT_EQ(format_by_name(""), nullptr);
}

TEST(Catalogue, LastEntriesAndThePreselectedFormat) {
    struct Row {
        int number;
        const char* name;
        Family family;
        const char* mask;
    };
    const Row rows[] = {
        {17, "WinCIM", Family::CompuServe, "*.THD;*.MSG;*.PLX"},
        {33, "Outlook Mail", Family::Mail, ""},
        {34, "Outlook Express 5 News", Family::News, "*.DBX"},
        {35, "Generic Mail Type 2", Family::Mail, "*.*"},
        {36, "Unix Mailbox", Family::Mail, "*.*"},
        {37, "Maildir", Family::Mail, ""},
        {38, "EML Files", Family::Mail, "*.eml"},
    };
    for (const Row& r : rows) {
        const Format* f = format_by_number(r.number);
        ASSERT_NE(f, nullptr);
        EXPECT_STREQ(f->name, r.name);
        EXPECT_EQ(f->family, r.family) << r.name;
        EXPECT_STREQ(f->mask, r.mask);
    }
    EXPECT_STREQ(format_by_number(kPreselectedFormat)->name, "WinCIM");
    EXPECT_STREQ(family_name(Family::CompuServe), "CompuServe");
    EXPECT_STREQ(family_name(Family::Mail), "mail");
    EXPECT_STREQ(family_name(Family::News), "news");
}

TEST(Catalogue, DefaultMasksSplitWithoutLoss) {
    for (const Format& f : formats()) {
        if (!*f.mask) continue;
        std::string joined;
        for (const auto& m : split_masks(f.mask)) joined += (joined.empty() ? "" : ";") + m;
        EXPECT_EQ(joined, f.mask) << f.name;
    }
}

}  // namespace
}  // namespace qs
