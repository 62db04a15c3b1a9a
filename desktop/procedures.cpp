// SPDX-License-Identifier: MIT
#include "desktop/procedures.h"

namespace qs::desktop {

namespace {

constexpr const char* kFind = "FindGroup";
constexpr const char* kTools = "NotToolsGroup";
constexpr const char* kImport = "ImportGroup";

}  // namespace

const std::vector<Procedure>& procedures() {
    using N = Needs;
    static const std::vector<Procedure> v = {
        {"ChangeForum", 0, "&File", "&Select Database...", "", N::Nothing},
        {"ImportMeny", 201, "&File", "&Import Messages...", kImport, N::Nothing},
        {"BrowseBatch", 205, "&File", "Import &Definitions...", kImport, N::Nothing},
        {"MergeMeny", 203, "&File", "&Merge Databases...", kImport, N::Nothing},
        {"RedirectMeny", 222, "&File", "&Redirect Newsgroups...", kImport, N::Nothing},
        {"RebuildIt", 215, "&File", "Re&build Database List...", kTools, N::Nothing},
        {"UserPanel", 214, "&File", "&Preferences...", "", N::Nothing},
        {"StartUpWizard", 22, "&File", "Start-up &Wizard...", "", N::Nothing},
        {"BrowseMail", 0, "&Browse", "&Mail", "", N::MailDatabase},
        {"BrowseBox", 0, "&Browse", "Mail&boxes", "", N::MailDatabase},
        {"BrowseMsgNmbr", 0, "&Browse", "M&essages", "", N::MessageDatabase},
        {"BrowsePerson", 0, "&Browse", "&Persons", "", N::Database},
        {"ThreadTree", 0, "&Browse", "&Thread Tree", "", N::MessageDatabase},
        {"MessageText", 0, "&Browse", "Message &Text", "", N::Database},
        {"BrowseTopics", 0, "&Browse", "T&opics", "", N::Database},
        {"Classify", 0, "&Browse", "&Classify", "", N::Database},
        {"SearchWz", 219, "&Search", "&Search Wizard...", kFind, N::Database},
        {"WordList", 217, "&Search", "&Word List", kFind, N::Database},
        {"StopList", 211, "&Search", "&Ignore List", kFind, N::Nothing},
        {"SetIndex", 0, "&Search", "Word Index &Settings...", kTools, N::Database},
        {"AutoIndex", 218, "&Search", "&Index Words", kTools, N::Database},
        {"PurgeMess", 0, "&Tools", "&Purge and Count...", kTools, N::Database},
        {"Duplicates", 0, "&Tools", "&Duplicate Persons...", kTools, N::Database},
        {"AddressExport", 0, "&Tools", "&Address Export...", kTools, N::Database},
        {"BrowseTasks", 204, "&Tools", "Scheduled &Tasks", kTools, N::Nothing},
        {"StartTask", 207, "&Tools", "&Run Task", kTools, N::Nothing},
        {"ShowLog", 202, "&Tools", "Task &Log", kTools, N::Nothing},
        {"About", 0, "&Help", "&About Quillstow", "", N::Nothing},
    };
    return v;
}

const Procedure* procedure_named(const QString& name) {
    for (const auto& p : procedures())
        if (name == QLatin1String(p.name)) return &p;
    return nullptr;
}

const Procedure* procedure_of_code(int code) {
    if (code == 0) return nullptr;
    for (const auto& p : procedures())
        if (p.code == code) return &p;
    return nullptr;
}

}  // namespace qs::desktop
