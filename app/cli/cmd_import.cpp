// SPDX-License-Identifier: MIT
// quillstow import, batch run
#include <iostream>

#include "app/cli/import_runner.h"
#include "import/catalogue.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

uint32_t topic_named(Context& c, uint32_t mailbox, const std::string& name) {
    if (!MakeCurrent(c.s, mailbox)) return 0;
    OP_CLOSE(c.s, kOpOpen, {kCodes});
    c.s.rec.Codes = Codes{};
    c.s.rec.Codes.TYPE = 2;
    c.s.rec.Codes.INDEX = text_from_input(name);
    uint32_t id = Get(c.s, kCodes, 0) ? c.s.rec.Codes.ID : 0;
    OP_CLOSE(c.s, kOpClose, {kCodes});
    return id;
}

ImportSettings settings_of(Context& c, const Args& a, uint32_t& missing_db) {
    ImportSettings st;
    const Format* f = format_by_name(a.value("--format"));
    if (!f)
        throw UsageError("no format named \"" + a.value("--format") + "\" (see quillstow formats)");
    st.format = f->name;
    st.masks = a.value("--mask", f->mask);
    if (a.has("--tree") && a.has("--dir")) throw UsageError("give --tree or --dir, not both");
    if (a.has("--tree")) {
        st.selection = kDirectoryTree;
        st.path = a.value("--tree");
    } else if (a.has("--dir")) {
        st.selection = kOneDirectory;
        st.path = a.value("--dir");
    } else {
        st.selection = kSelectedFiles;
        st.files = a.positional();
        if (st.files.empty()) throw UsageError("name the files, or give --tree DIR or --dir DIR");
    }
    if (!st.files.empty() && st.selection != kSelectedFiles)
        throw UsageError("files and --tree/--dir do not go together");
    bool any = a.flag("--mail") || a.flag("--forum-msgs") || a.flag("--news");
    st.mail = !any || a.flag("--mail");
    st.forum = !any || a.flag("--forum-msgs");
    st.news = !any || a.flag("--news");
    st.reimport = a.flag("--reimport");
    st.forum_name = text_from_input(a.value("--forum"));
    if (a.has("--db")) {
        st.mailbox = FindDatabase(c.s, text_from_input(a.value("--db")));
        if (!st.mailbox) missing_db = 1;
    } else if (f->family == Family::Mail && st.mail) {
        throw UsageError("mail formats need --db NAME, the mail database to import into");
    }
    return st;
}

}  // namespace

int cmd_import(Context& c, const std::vector<std::string>& words) {
    Args a(words,
           {"--format", "--db", "--forum", "--tree", "--dir", "--mask", "--topic", "--save-as"},
           {"--mail", "--forum-msgs", "--news", "--reimport"});
    if (!a.has("--format")) throw UsageError("missing --format NAME");
    const Format* format = format_by_name(a.value("--format"));
    if (format && format->number == kOutlookMailFormat && !OutlookInstalled()) {
        std::cerr << "quillstow: Outlook Is Not Installed\n";
        return kExitFailed;
    }
    uint32_t missing_db = 0;
    ImportSettings st = settings_of(c, a, missing_db);
    if (missing_db) {
        std::cerr << "quillstow: no database is named \"" << a.value("--db") << "\"\n";
        return kExitFailed;
    }
    if (a.has("--topic")) {
        st.mail_topic = st.mailbox ? topic_named(c, st.mailbox, a.value("--topic")) : 0;
        if (!st.mail_topic) {
            std::cerr << "quillstow: no topic is named \"" << a.value("--topic") << "\"\n";
            return kExitFailed;
        }
    }
    if (a.has("--save-as")) {
        uint32_t id = AddImportDefinition(
            c.s, definition_from(st, text_from_input(a.value("--save-as"))), saved_file_list(st));
        if (!id) return kExitFailed;
        if (!c.json) c.out << "saved as import definition " << id << "\n";
    }
    return run_import(c, st);
}

int cmd_batch_run(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    auto id = static_cast<uint32_t>(a.number_at(0, "ID", kDefinitionNumber));
    BAT def;
    if (!ImportDefinition(c.s, id, def)) {
        std::cerr << "quillstow: no import definition " << id << "\n";
        return kExitFailed;
    }
    return run_import(c, settings_from(c.s, def));
}

}  // namespace qs::cli
