// SPDX-License-Identifier: MIT
// quillstow import, batch run
#include <algorithm>
#include <iostream>

#include "app/cli/format_choice.h"
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

ImportSettings settings_of(Context& c, const Args& a, const Format* f, uint32_t& missing_db) {
    ImportSettings st;
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
    // A Maildir is a directory with its sub-folders in it: the reader walks it itself.
    if (std::string_view(f->name) == "Maildir" && st.selection != kSelectedFiles) {
        st.files = {st.path};
        st.selection = kSelectedFiles;
    }
    bool any = a.flag("--mail") || a.flag("--forum-msgs") || a.flag("--news");
    st.mail = !any || a.flag("--mail");
    st.forum = !any || a.flag("--forum-msgs");
    st.news = !any || a.flag("--news");
    st.reimport = a.flag("--reimport");
    st.forum_name = text_from_input(a.value("--forum"));
    // Kept with a saved import definition as the database chosen for forum messages.
    if (!st.forum_name.empty()) st.database = FindDatabase(c.s, st.forum_name);
    if (a.has("--db")) {
        st.mailbox = FindDatabase(c.s, text_from_input(a.value("--db")));
        if (!st.mailbox) missing_db = 1;
        // A forum named with --db is the forum of the CompuServe formats.
        for (const Forums& db : st.forum_name.empty() ? ListDatabases(c.s) : std::vector<Forums>{})
            if (db.ID == st.mailbox && db.TYPE == kForumDb) {
                st.forum_name = db.DESCRIPTION.str();
                st.database = db.ID;
            }
    } else if (f->family == Family::Mail && st.mail) {
        throw UsageError("mail formats need --db NAME, the mail database to import into");
    }
    return st;
}

// One import run of a format: the selection of the command line, or `paths` of that format.
int import_as(Context& c, const Args& a, const Format* format, const PathFormat* tree = nullptr,
              const std::vector<std::string>* paths = nullptr) {
    if (format->number == kOutlookMailFormat && !OutlookInstalled()) {
        std::cerr << "quillstow: Outlook Is Not Installed\n";
        return kExitFailed;
    }
    uint32_t missing_db = 0;
    ImportSettings st = settings_of(c, a, format, missing_db);
    if (tree) {
        st.selection = kDirectoryTree;
        st.path = tree->path;
        st.files.clear();
    } else if (paths) {
        st.files = *paths;
    }
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

// Without --format: every path is imported in the format it is found to be in, a run per
// format (and per profile directory), or nothing at all when one path cannot be told.
int import_detected(Context& c, const Args& a) {
    if (a.has("--tree") || a.has("--dir")) throw UsageError("--tree and --dir need --format NAME");
    if (a.has("--save-as")) throw UsageError("--save-as needs --format NAME");
    if (a.positional().empty()) throw UsageError("name the files, or give --format NAME");
    const std::vector<PathFormat> found = detect_all(a.positional());
    bool all = true;
    for (const PathFormat& p : found) {
        all = all && settled(p);
        if (!settled(p))
            std::cerr << "quillstow: " << describe(p) << "\n";
        else
            (c.json ? std::cerr : c.out) << describe(p) << "\n";
    }
    if (!all) {
        std::cerr << "quillstow: nothing was imported; name the format with --format NAME\n";
        return kExitFailed;
    }
    int status = kExitOk;
    std::vector<std::string> done;  // the formats whose files were imported together
    for (const PathFormat& p : found) {
        if (!p.found.known()) continue;  // an index, read with its mailbox
        const Format* f = format_by_name(p.found.candidates[0]);
        int ran = kExitOk;
        if (p.found.tree) {
            ran = import_as(c, a, f, &p);
        } else if (std::find(done.begin(), done.end(), f->name) == done.end()) {
            done.push_back(f->name);
            std::vector<std::string> same;
            for (const PathFormat& q : found)
                if (q.found.known() && !q.found.tree && q.found.candidates[0] == f->name)
                    same.push_back(q.path);
            ran = import_as(c, a, f, nullptr, &same);
        }
        status = std::max(status, ran);
    }
    return status;
}

}  // namespace

int cmd_import(Context& c, const std::vector<std::string>& words) {
    Args a(words,
           {"--format", "--db", "--forum", "--tree", "--dir", "--mask", "--topic", "--save-as"},
           {"--mail", "--forum-msgs", "--news", "--reimport"});
    if (!a.has("--format")) return import_detected(c, a);
    const Format* format = format_by_name(a.value("--format"));
    if (!format)
        throw UsageError("no format named \"" + a.value("--format") + "\" (see quillstow formats)");
    return import_as(c, a, format);
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
