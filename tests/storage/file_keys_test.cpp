// SPDX-License-Identifier: MIT
// The keys of the catalogue's files as callers meet them: unique strings that fold case and
// accents, identifier keys that run newest first, key order that an index serves without
// sorting, and the keyless files read by position.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "storage/file_access.h"
#include "tests/support/test_home.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

struct StringCase {
    const char* name;
    const char* first;
    const char* second;
    bool refused;
};

struct KeyConstant {
    int file;
    int position;
    const char* name;  // in the catalogue
};

// Every named key position, wherever it is declared.
const KeyConstant kKeyConstants[] = {
    {kForums, keys::ForumKey, "ForumKey"},
    {kForums, keys::AlphaKey, "AlphaKey"},
    {kForums, keys::DirKey, "DirKey"},
    {kForums, keys::TypeKey, "TypeKey"},
    {kMsgNmbr, keys::MsgIdKey, "IdKey"},
    {kMsgNmbr, keys::Threadkey, "Threadkey"},
    {kMsgNmbr, keys::SECkey, "SECkey"},
    {kMsgNmbr, keys::MsgFromKey, "FromKey"},
    {kMsgNmbr, keys::MsgToKey, "ToKey"},
    {kMsgNmbr, keys::MsgDateKey, "DateKey"},
    {kMsgNmbr, keys::MsgStatusKey, "StatusKey"},
    {kMsgText, keys::TxtIdKey, "IdKey"},
    {kMsgText, keys::TxtDateKey, "DateKey"},
    {kMail, keys::MaiIdKey, "IdKey"},
    {kMail, keys::MaiDateKey, "DateKey"},
    {kMail, keys::PairKey, "PairKey"},
    {kMail, keys::MaiFromKey, "FromKey"},
    {kMail, keys::MaiToKey, "ToKey"},
    {kMail, keys::SubjectKey, "SubjectKey"},
    {kMail, keys::MaiStatusKey, "StatusKey"},
    {kPerson, keys::PersonKey, "PersonKey"},
    {kPerson, keys::StringKey, "StringKey"},
    {kPerson, keys::AddressKey, "AddressKey"},
    {kPerson, keys::NameKey, "NameKey"},
    {kControl, keys::CtlIdKey, "IdKey"},
    {kBAT, keys::BatIdKey, "IDKEY"},
    {kBAT, keys::BatTypeKey, "TYPEKEY"},
    {kFLI, keys::FliIdKey, "IDKEY"},
    {kTIM, keys::TimTaskKey, "TASKKEY"},
    {kTIM, keys::TimBatchKey, "BATCHKEY"},
    {kAttach, keys::AttIdKey, "IdKey"},
    {kAttach, keys::AttHashKey, "HashKey"},
    {kAttData, keys::ChunkKey, "ChunkKey"},
    {kWordList, words::kWordIdKey, "by_WordId"},
    {kWordList, words::kTheWordKey, "by_theWord"},
    {kWordList, words::kWordCountKey, "by_WordCount"},
    {kMasIdx, words::kMasBlockKey, "by_Block"},
};

TEST(FileKeys, EveryKeyConstantIsTheCataloguesPositionOfItsKey) {
    std::map<int, size_t> named;
    for (const KeyConstant& c : kKeyConstants) {
        EXPECT_EQ(key_index(c.file, c.name), c.position)
            << file_info(c.file)->name << ":" << c.name;
        ++named[c.file];
    }
    for (const auto& [file, count] : named)
        EXPECT_EQ(count, file_info(file)->decl.keys.size())
            << file_info(file)->name << ": a file with key constants has one for every key";
}

TEST(FileKeys, PersonStringsAreUniqueWhateverTheirCase) {
    const StringCase cases[] = {
        {"accented capital", "Émile Zola <ez@example.org>", "éMILE ZOLA <EZ@EXAMPLE.ORG>", true},
        {"trailing blanks", "smith@example.org", "SMITH@example.org      ", true},
        {"other accent", "émile", "èmile", false},
        {"sharp s", "GROSS <g@example.org>", "groß <G@example.org>", true},
        {"cyrillic", "ИВАН <i@example.org>", "иван <i@example.org>", true},
        {"other letters", "smith", "smyth", false},
    };
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kPerson});
    uint32_t id = 0;
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = ++id;
        s.rec.Person.PERSONSTRING = c.first;
        s.rec.Person.ADDRESS = "shared@example.org";  // AddressKey allows duplicates
        ASSERT_TRUE(UppDat(s, kPerson, kAdd, 0));
        s.rec.Person.PERSONID = ++id;
        s.rec.Person.PERSONSTRING = c.second;
        EXPECT_EQ(UppDat(s, kPerson, kAdd, 0), !c.refused);
        // Either spelling finds the first person through the key.
        s.rec.Person.PERSONSTRING = c.second;
        ASSERT_TRUE(Get(s, kPerson, keys::StringKey));
        EXPECT_EQ(s.rec.Person.PERSONID, c.refused ? id - 1 : id);
    }
    EXPECT_TRUE(t.dialog.entries.empty()) << "mode 0 reports nothing";
    EXPECT_EQ(testing::record_count(s, kPerson), 8u);
}

TEST(FileKeys, IdentifierKeysRunNewestFirst) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kMsgNmbr, kMail});
    std::vector<uint32_t> ids = {17, 3, 250001, 42, 9, 1000, 250000, 5};
    for (uint32_t id : ids) {
        s.rec.MsgNmbr = MsgNmbr{};
        s.rec.MsgNmbr.MSGNUMBER = id;
        ASSERT_TRUE(UppDat(s, kMsgNmbr, kAdd, kReport));
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = id;
        ASSERT_TRUE(UppDat(s, kMail, kAdd, kReport));
    }
    std::sort(ids.rbegin(), ids.rend());
    std::vector<uint32_t> msgs, mails;
    Set(s, kMsgNmbr, keys::MsgIdKey);
    while (Next(s, kMsgNmbr)) msgs.push_back(s.rec.MsgNmbr.MSGNUMBER);
    Set(s, kMail, keys::MaiIdKey);
    while (Next(s, kMail)) mails.push_back(s.rec.Mail.MAILID);
    EXPECT_EQ(msgs, ids);
    EXPECT_EQ(mails, ids);
}

TEST(FileKeys, EveryMessageAndMailKeyIsReadAlongItsIndex) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kMsgNmbr, kMail});
    for (int file : {kMsgNmbr, kMail}) {
        const auto& keys = file_info(file)->decl.keys;
        for (size_t k = 0; k < keys.size(); ++k) {
            for (bool backward : {false, true}) {
                std::string plan = handle(s, file).plan(static_cast<int>(k), backward);
                SCOPED_TRACE(keys[k].name + (backward ? " backward" : " forward") + ":\n" + plan);
                EXPECT_NE(plan.find("INDEX k_" + keys[k].name), std::string::npos);
                EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos);
                EXPECT_EQ(plan.find("SCAN rec\n"), std::string::npos);
            }
        }
    }
}

TEST(FileKeys, KeylessFilesAreReadByPosition) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kREF, kPUR});
    for (int32_t i = 1; i <= 3; ++i) {
        s.rec.REF.DESCRIPTION = "database " + std::to_string(i);
        ASSERT_TRUE(UppDat(s, kREF, kAdd, kReport));
        s.rec.PUR.SYSID = i * 100;
        s.rec.PUR.WORDID = i;
        ASSERT_TRUE(UppDat(s, kPUR, kAdd, kReport));
    }
    ASSERT_TRUE(Fetch(s, kREF, 1));
    EXPECT_EQ(s.rec.REF.DESCRIPTION.str(), "database 1");
    ASSERT_TRUE(Fetch(s, kPUR, 3));
    EXPECT_EQ(s.rec.PUR.SYSID, 300);
    EXPECT_FALSE(Fetch(s, kPUR, 4));
    // A changed REF record is read back at the same position.
    ASSERT_TRUE(Fetch(s, kREF, 1));
    s.rec.REF.DESCRIPTION = "renamed";
    ASSERT_TRUE(UppDat(s, kREF, kUpdate, kReport));
    ASSERT_TRUE(Fetch(s, kREF, 1));
    EXPECT_EQ(s.rec.REF.DESCRIPTION.str(), "renamed");
    EXPECT_EQ(testing::record_count(s, kREF), 3u);
}

}  // namespace
}  // namespace qs
