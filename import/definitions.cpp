// SPDX-License-Identifier: MIT
// Saved import definitions (BAT) with their file lists (FLI), and the wizard's "keep these
// choices" that saves a definition together with a task that runs it.
//
// BAT has a path but no mask field, and a directory import is worthless without its masks. So
// the file list of a definition holds one entry per mask when it reads a directory tree or one
// directory, and one entry per selected file (or Outlook folder) otherwise; the selection method
// tells which. A definition read back without masks falls back to its format's default mask.
// The mail database a saved definition names becomes the default target of later imports.
#include <array>
#include <cstdio>

#include "import/catalogue.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr uint32_t kImportDefinition = 1;  // BAT:TYPE
constexpr int kBatIdKey = keys::BatIdKey, kFliIdKey = keys::FliIdKey,
              kTimBatchKey = keys::TimBatchKey;

// The date the way the desktop shows a long date, fixed to English month names so that saved
// descriptions do not depend on the locale the program ran under: "December 7, 2026".
std::string long_date(int32_t date) {
    static const std::array<const char*, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    int year = 0, month = 0, day = 0;
    ymd_from_date(date, year, month, day);
    if (month < 1 || month > 12) return {};
    return std::string(kMonths[static_cast<size_t>(month - 1)]) + " " + std::to_string(day) + ", " +
           std::to_string(year);
}

// The time as hours and minutes on the 24-hour clock: "09:05".
std::string short_time(int32_t time) {
    int32_t minutes = time > 0 ? (time - 1) / 6000 : 0;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", (minutes / 60) % 24, minutes % 60);
    return buf;
}

// Commits when every step went through; whatever a failed step left is rolled back.
bool finish(Session& s, bool ok) {
    if (ok && s.engine.in_transaction() && Commit(s)) return true;
    Rollback(s);
    return false;
}

bool hold_definition(Session& s, uint32_t id) {
    s.rec.BAT = BAT{};
    s.rec.BAT.ID = id;
    return HoldRec(s, kBAT, kBatIdKey, true, 0, 5) == 1;
}

bool add_file_list(Session& s, uint32_t id, const std::vector<std::string>& entries) {
    for (const auto& entry : entries) {
        s.rec.FLI = FLI{};
        s.rec.FLI.ID = id;
        s.rec.FLI.FILESPEC = entry;
        Status st = handle(s, kFLI).add(&s.rec.FLI);
        if (!st) {
            Rollback(s);
            if (!s.quiet())
                s.dialog.message("Key Build Error!",
                                 st.text() + "\r\nImport file list can not be built!");
            return false;
        }
    }
    return true;
}

// Deletes every record whose key equals the key values in the file's buffer.
bool delete_all(Session& s, int file, int key) {
    void* rec = buffer_of(s.rec, file);
    for (;;) {
        Status st = handle(s, file).get(key, rec, rec);
        if (st.code() == Code::NotFound) return true;
        if (!st) {
            Rollback(s);
            if (!s.quiet())
                s.dialog.message(file_info(file)->name,
                                 "Record delete error!\r\n" + st.text() +
                                     "\r\nThe last transaction is rolled back.");
            return false;
        }
        if (!UppDat(s, file, kDelete, kRollback)) return false;
    }
}

bool delete_file_list(Session& s, uint32_t id) {
    s.rec.FLI = FLI{};
    s.rec.FLI.ID = id;
    return delete_all(s, kFLI, kFliIdKey);
}

bool delete_timings(Session& s, uint32_t id) {
    s.rec.TIM = TIM{};
    s.rec.TIM.BATCHID = id;
    return delete_all(s, kTIM, kTimBatchKey);
}

std::vector<std::string> read_file_list(Session& s, uint32_t id) {
    std::vector<std::string> entries;
    OP_CLOSE(s, kOpOpen, {kFLI});
    s.rec.FLI = FLI{};
    s.rec.FLI.ID = id;
    SetFrom(s, kFLI, kFliIdKey, 1);
    while (Next(s, kFLI) && s.rec.FLI.ID == id) entries.push_back(s.rec.FLI.FILESPEC.str());
    OP_CLOSE(s, kOpClose, {kFLI});
    return entries;
}

// Within a running transaction over BAT and FLI.
bool add_definition(Session& s, BAT definition, const std::vector<std::string>& entries) {
    s.rec.BAT = definition;
    return UppDat(s, kBAT, kAdd, kRollback) && add_file_list(s, definition.ID, entries);
}

// Within a running transaction over TAS and TIM: an active task with no schedule of its own.
bool add_task(Session& s, uint32_t task, const std::string& description, uint32_t definition) {
    s.rec.TAS = TAS{};
    s.rec.TAS.ID = task;
    s.rec.TAS.DESCRIPTION = description;
    s.rec.TAS.ACTIVE = 1;
    if (!UppDat(s, kTAS, kAdd, kRollback)) return false;
    s.rec.TIM = TIM{};
    s.rec.TIM.TASKID = task;
    s.rec.TIM.BATCHID = definition;
    return UppDat(s, kTIM, kAdd, kRollback);
}

std::string join_masks(const std::vector<std::string>& masks) {
    std::string text;
    for (const auto& m : masks) text += (text.empty() ? "" : ";") + m;
    return text;
}

}  // namespace

BAT definition_from(const ImportSettings& settings, std::string_view description) {
    BAT b;
    const Format* f = format_by_name(settings.format);
    b.TYPE = kImportDefinition;
    b.DESCRIPTION = description;
    b.DATABASE = settings.database;
    b.FILETYPE = f ? static_cast<uint8_t>(f->number) : 0;
    b.IMPPATH = settings.path;
    b.SELMETHOD = settings.selection;
    b.MAILBOX = settings.mailbox;
    b.MAILMSG = settings.mail;
    b.FORUMMSG = settings.forum;
    b.NEWSGROUPMSG = settings.news;
    b.MSGFILTER = settings.filter;
    b.ALLOWREIMP = settings.reimport;
    b.MAILTOPIC = settings.mail_topic;
    return b;
}

std::vector<std::string> saved_file_list(const ImportSettings& settings) {
    return settings.selection == kSelectedFiles ? settings.files : split_masks(settings.masks);
}

ImportSettings settings_from(Session& s, const BAT& definition) {
    ImportSettings st;
    const Format* f = format_by_number(definition.FILETYPE);
    const char* default_mask = f ? f->mask : "";
    st.format = f ? f->name : "";
    st.selection = definition.SELMETHOD;
    st.path = definition.IMPPATH.str();
    st.database = definition.DATABASE;
    // The forum chosen for the forum formats is the one their messages go to.
    for (const Forums& db : st.database ? ListDatabases(s) : std::vector<Forums>{})
        if (db.ID == st.database && db.TYPE == kForumDb) st.forum_name = db.DESCRIPTION.str();
    st.mailbox = definition.MAILBOX;
    st.mail = definition.MAILMSG != 0;
    st.forum = definition.FORUMMSG != 0;
    st.news = definition.NEWSGROUPMSG != 0;
    st.filter = definition.MSGFILTER;
    st.reimport = definition.ALLOWREIMP != 0;
    st.mail_topic = definition.MAILTOPIC;
    std::vector<std::string> entries = read_file_list(s, definition.ID);
    if (st.selection == kSelectedFiles) {
        st.files = std::move(entries);
        st.masks = default_mask;
    } else {
        st.masks = entries.empty() ? default_mask : join_masks(entries);
    }
    return st;
}

uint32_t AddImportDefinition(Session& s, BAT definition, const std::vector<std::string>& files) {
    OP_CLOSE(s, kOpOpen, {kBAT, kFLI, kControl});
    definition.ID = NextNr(s);
    bool ok = definition.ID != 0 && !TransactionCheck(s, BeginTransaction(s, {kBAT, kFLI}));
    if (ok) ok = finish(s, add_definition(s, definition, files));
    OP_CLOSE(s, kOpClose, {kBAT, kFLI, kControl});
    if (ok && definition.MAILBOX) SetDefaultMailDatabase(s, definition.MAILBOX);
    return ok ? definition.ID : 0;
}

bool UpdateImportDefinition(Session& s, const BAT& definition,
                            const std::vector<std::string>& files) {
    OP_CLOSE(s, kOpOpen, {kBAT, kFLI});
    bool ok = !TransactionCheck(s, BeginTransaction(s, {kBAT, kFLI}));
    if (ok) {
        ok = hold_definition(s, definition.ID);
        if (ok) {
            s.rec.BAT = definition;
            ok = UppDat(s, kBAT, kUpdate, kRollback) && delete_file_list(s, definition.ID) &&
                 add_file_list(s, definition.ID, files);
        }
        ok = finish(s, ok);
    }
    OP_CLOSE(s, kOpClose, {kBAT, kFLI});
    if (ok && definition.MAILBOX) SetDefaultMailDatabase(s, definition.MAILBOX);
    return ok;
}

bool DeleteImportDefinition(Session& s, uint32_t id) {
    OP_CLOSE(s, kOpOpen, {kBAT, kFLI, kTIM});
    bool ok = !TransactionCheck(s, BeginTransaction(s, {kBAT, kFLI, kTIM}));
    if (ok) {
        // Held first: nobody changes the definition while its list and timings go, and it
        // stays the current record for the delete that ends the run.
        ok = hold_definition(s, id) && delete_file_list(s, id) && delete_timings(s, id) &&
             UppDat(s, kBAT, kDelete, kRollback);
        ok = finish(s, ok);
    }
    OP_CLOSE(s, kOpClose, {kBAT, kFLI, kTIM});
    return ok;
}

std::vector<BAT> ImportDefinitions(Session& s) {
    std::vector<BAT> out;
    OP_CLOSE(s, kOpOpen, {kBAT});
    Set(s, kBAT, kBatIdKey);
    while (Next(s, kBAT)) out.push_back(s.rec.BAT);
    OP_CLOSE(s, kOpClose, {kBAT});
    return out;
}

bool ImportDefinition(Session& s, uint32_t id, BAT& out) {
    OP_CLOSE(s, kOpOpen, {kBAT});
    s.rec.BAT = BAT{};
    s.rec.BAT.ID = id;
    bool found = Get(s, kBAT, kBatIdKey);
    if (found) out = s.rec.BAT;
    OP_CLOSE(s, kOpClose, {kBAT});
    return found;
}

uint32_t SaveWizardChoices(Session& s, const ImportSettings& settings) {
    std::string description =
        "Saved from ImportWizard  " + long_date(s.clock.today()) + " " + short_time(s.clock.now());
    BAT definition = definition_from(settings, description);
    const std::vector<int> files = {kBAT, kFLI, kTAS, kTIM, kControl};
    OP_CLOSE(s, kOpOpen, files);
    definition.ID = NextNr(s);
    uint32_t task = definition.ID ? NextNr(s) : 0;
    bool ok = task != 0 && !TransactionCheck(s, BeginTransaction(s, {kBAT, kFLI, kTAS, kTIM}));
    if (ok) {
        ok = add_definition(s, definition, saved_file_list(settings)) &&
             add_task(s, task, description, definition.ID);
        ok = finish(s, ok);
    }
    OP_CLOSE(s, kOpClose, files);
    if (ok && definition.MAILBOX) SetDefaultMailDatabase(s, definition.MAILBOX);
    return ok ? definition.ID : 0;
}

}  // namespace qs
