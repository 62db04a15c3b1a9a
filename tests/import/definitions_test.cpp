// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <tuple>

#include "app/startup.h"
#include "import/catalogue.h"
#include "platform/sqlite_db.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using Names = std::vector<std::string>;

auto fields(const ImportSettings& s) {
    return std::tie(s.format, s.selection, s.path, s.masks, s.files, s.database, s.mailbox, s.mail,
                    s.forum, s.news, s.filter, s.reimport, s.mail_topic);
}

ImportSettings tree_import() {
    ImportSettings st;
    st.format = "OzCIS";
    st.selection = kDirectoryTree;
    st.path = "/home/me/oz";
    st.masks = "*.MSG;*.PRG";
    st.database = 250100;
    st.mailbox = 250200;
    st.news = false;
    st.filter = 3;
    st.reimport = true;
    st.mail_topic = 250300;
    return st;
}

ImportSettings file_import(Names files) {
    ImportSettings st;
    st.format = "Eudora";
    st.selection = kSelectedFiles;
    st.path = "/home/me/mail";
    st.masks = "*.MBX";
    st.files = std::move(files);
    st.mailbox = 250200;
    return st;
}

class Definitions : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartUp(h.s, h.dir).ok); }

    uint32_t add(const ImportSettings& st, const char* description = "Nightly") {
        return AddImportDefinition(h.s, definition_from(st, description), saved_file_list(st));
    }

    ImportSettings read_back(uint32_t id) {
        BAT b;
        EXPECT_TRUE(ImportDefinition(h.s, id, b));
        return settings_from(h.s, b);
    }

    template <class R>
    std::vector<R> all(int file) {
        std::vector<R> out;
        OP_CLOSE(h.s, kOpOpen, {file});
        Set(h.s, file, 0);
        while (Next(h.s, file)) out.push_back(buffer<R>(h.s, file));
        OP_CLOSE(h.s, kOpClose, {file});
        return out;
    }
    // The FLI entries of a definition, as stored.
    Names list_of(uint32_t id) {
        Names out;
        for (const FLI& f : all<FLI>(kFLI))
            if (f.ID == id) out.push_back(f.FILESPEC.str());
        return out;
    }
    std::vector<std::pair<uint32_t, uint32_t>> steps() {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        for (const TIM& t : all<TIM>(kTIM)) out.emplace_back(t.TASKID, t.BATCHID);
        return out;
    }
    std::vector<TAS> tasks() { return all<TAS>(kTAS); }

    void add_step(uint32_t task, uint32_t batch) {
        OP_CLOSE(h.s, kOpOpen, {kTIM});
        h.s.rec.TIM = TIM{};
        h.s.rec.TIM.TASKID = task;
        h.s.rec.TIM.BATCHID = batch;
        EXPECT_TRUE(UppDat(h.s, kTIM, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kTIM});
    }

    // Every later add to the file lists fails inside the store.
    void break_file_list() {
        OP_CLOSE(h.s, kOpOpen, {kFLI});
        std::string path = full_name(h.s, kFLI);
        OP_CLOSE(h.s, kOpClose, {kFLI});
        store::Db db;
        ASSERT_TRUE(db.open(path, nullptr, false).is_ok());
        ASSERT_TRUE(db.exec("CREATE TRIGGER refuse BEFORE INSERT ON rec "
                            "BEGIN SELECT RAISE(ABORT, 'disk is full'); END")
                        .is_ok());
    }

    testing::TempHome h;
};

TEST_F(Definitions, DirectoryImportKeepsOneListEntryPerMask) {
    ImportSettings st = tree_import();
    uint32_t id = add(st);
    ASSERT_GE(id, 250000u);
    EXPECT_EQ(list_of(id), (Names{"*.MSG", "*.PRG"}));
    BAT b;
    ASSERT_TRUE(ImportDefinition(h.s, id, b));
    EXPECT_EQ(b.TYPE, 1u);
    EXPECT_EQ(b.FILETYPE, 12);
    EXPECT_EQ(b.IMPPATH.str(), "/home/me/oz");
    EXPECT_EQ(fields(read_back(id)), fields(st));
}

TEST_F(Definitions, DefinitionWithoutSavedMasksReadsWithTheDefaultMask) {
    ImportSettings st = tree_import();
    st.masks = "";
    uint32_t id = add(st);
    EXPECT_EQ(list_of(id), Names{});
    EXPECT_EQ(read_back(id).masks, "*.MSG;*.PRG;*.OBS");
}

TEST_F(Definitions, UpdateRewritesOnlyItsOwnFileList) {
    uint32_t one = add(file_import({"/m/a.mbx", "/m/b.mbx", "/m/c.mbx"}));
    uint32_t two = add(file_import({"/m/z.mbx"}), "Other");
    EXPECT_EQ(fields(read_back(one)), fields(file_import({"/m/a.mbx", "/m/b.mbx", "/m/c.mbx"})));

    ImportSettings changed = file_import({"/n/d.mbx"});
    changed.path = "/n";
    BAT b = definition_from(changed, "Renamed");
    b.ID = one;
    ASSERT_TRUE(UpdateImportDefinition(h.s, b, saved_file_list(changed)));
    EXPECT_EQ(fields(read_back(one)), fields(changed));
    EXPECT_EQ(list_of(one), Names{"/n/d.mbx"});
    EXPECT_EQ(list_of(two), Names{"/m/z.mbx"});
    std::vector<BAT> all = ImportDefinitions(h.s);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].DESCRIPTION.str(), "Renamed");
}

TEST_F(Definitions, UpdateOfAVanishedDefinitionSavesNothing) {
    uint32_t id = add(file_import({"/m/a.mbx"}));
    ASSERT_TRUE(DeleteImportDefinition(h.s, id));
    BAT b = definition_from(file_import({"/m/b.mbx"}), "Late");
    b.ID = id;
    EXPECT_FALSE(UpdateImportDefinition(h.s, b, {"/m/b.mbx"}));
    EXPECT_TRUE(h.dialog.saw("The record has been deleted by another user!"));
    EXPECT_EQ(list_of(id), Names{});
    EXPECT_TRUE(ImportDefinitions(h.s).empty());
}

TEST_F(Definitions, DeleteTakesItsFileListAndTaskStepsAlong) {
    uint32_t kept = add(tree_import(), "Kept");
    uint32_t gone = SaveWizardChoices(h.s, file_import({"/m/a.mbx"}));
    ASSERT_NE(gone, 0u);
    uint32_t task = tasks().at(0).ID;
    add_step(task, kept);
    ASSERT_TRUE(DeleteImportDefinition(h.s, gone));
    BAT b;
    EXPECT_FALSE(ImportDefinition(h.s, gone, b));
    EXPECT_EQ(list_of(gone), Names{});
    EXPECT_EQ(list_of(kept), (Names{"*.MSG", "*.PRG"}));
    EXPECT_EQ(steps(), (std::vector<std::pair<uint32_t, uint32_t>>{{task, kept}}));
    EXPECT_EQ(tasks().size(), 1u);
}

TEST_F(Definitions, WizardChoicesBecomeADefinitionAndATaskThatRunsIt) {
    struct Case {
        int year, month, day, hour, minute;
        const char* description;
    };
    const Case cases[] = {
        {2026, 12, 7, 9, 5, "Saved from ImportWizard  December 7, 2026 09:05"},
        // The longest date and time still fit the 50 characters of the description.
        {2026, 9, 30, 23, 59, "Saved from ImportWizard  September 30, 2026 23:59"},
    };
    for (const Case& c : cases) {
        h.clock.set(date_from_ymd(c.year, c.month, c.day), time_from_hms(c.hour, c.minute, 30));
        uint32_t id = SaveWizardChoices(h.s, tree_import());
        ASSERT_NE(id, 0u);
        BAT b;
        ASSERT_TRUE(ImportDefinition(h.s, id, b));
        EXPECT_EQ(b.DESCRIPTION.str(), c.description);
        EXPECT_EQ(b.TYPE, 1u);
        EXPECT_EQ(list_of(id), (Names{"*.MSG", "*.PRG"}));
        const TAS t = tasks().back();
        EXPECT_EQ(t.ID, id + 1);
        EXPECT_EQ(t.DESCRIPTION.str(), c.description);
        EXPECT_EQ(t.ACTIVE, 1);
        EXPECT_EQ(t.RUNNEXTDATE, 0);
        EXPECT_EQ(steps().back(), std::make_pair(t.ID, id));
    }
}

TEST_F(Definitions, FileListThatCannotBeBuiltLeavesNothingSaved) {
    break_file_list();
    EXPECT_EQ(add(file_import({"/m/a.mbx"})), 0u);
    EXPECT_EQ(SaveWizardChoices(h.s, tree_import()), 0u);
    ASSERT_FALSE(h.dialog.entries.empty());
    EXPECT_EQ(h.dialog.entries[0].title, "Key Build Error!");
    EXPECT_TRUE(h.dialog.entries[0].text.ends_with("\r\nImport file list can not be built!"));
    EXPECT_TRUE(h.dialog.saw("disk is full"));
    EXPECT_TRUE(ImportDefinitions(h.s).empty());
    EXPECT_TRUE(tasks().empty());
    EXPECT_TRUE(steps().empty());
}

TEST_F(Definitions, NothingIsShownWhileUnattended) {
    break_file_list();
    h.s.mem.DoTask = 2;
    EXPECT_EQ(SaveWizardChoices(h.s, tree_import()), 0u);
    EXPECT_TRUE(h.dialog.entries.empty());
}

}  // namespace
}  // namespace qs
