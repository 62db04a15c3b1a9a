// SPDX-License-Identifier: MIT
// quillstow db list | add-forum | add-mail | update-mail | remove
#include <iomanip>
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

void print_table(Context& c, const std::vector<Forums>& dbs) {
    c.out << std::left << std::setw(8) << "ID" << std::setw(11) << "TYPE" << std::setw(5) << "DIR"
          << std::setw(9) << "MESSAGES"
          << "NAME\n";
    for (const auto& f : dbs) {
        c.out << std::setw(8) << f.ID << std::setw(11) << type_name(f.TYPE) << std::setw(5)
              << ("F" + std::to_string(f.DIRNUMBER)) << std::setw(9) << f.MSGCOUNT
              << f.DESCRIPTION.trimmed();
        if (f.TYPE == kMailDb) c.out << " <" << f.MAILADDRESS.trimmed() << ">";
        c.out << "\n";
    }
}

MailIdentity identity(const Args& a, const std::string& name) {
    MailIdentity m{text_from_input(name), text_from_input(a.value("--address")), {}};
    for (const auto& alt : a.values("--alt")) m.alternatives.push_back(text_from_input(alt));
    if (m.alternatives.size() > 10) throw UsageError("at most ten alternative addresses");
    return m;
}

bool name_taken(Context& c, const std::string& name) {
    if (!FindDatabase(c.s, text_from_input(name))) return false;
    std::cerr << "quillstow: a database named \"" << name << "\" exists already\n";
    return true;
}

}  // namespace

uint32_t database_named(Context& c, const std::string& name) {
    uint32_t id = FindDatabase(c.s, text_from_input(name));
    if (!id) std::cerr << "quillstow: no database is named \"" << name << "\"\n";
    return id;
}

uint32_t current_database(Context& c, const std::string& name) {
    // The database list is read twice (by name, then by number): opened once.
    OP_CLOSE(c.s, kOpOpen, {kForums});
    uint32_t id = database_named(c, name);
    bool made = id && MakeCurrent(c.s, id);
    OP_CLOSE(c.s, kOpClose, {kForums});
    if (id && !made) {
        std::cerr << "quillstow: the directory of \"" << name << "\" is missing\n";
        return 0;
    }
    return id;
}

int cmd_db_list(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(0);
    auto dbs = ListDatabases(c.s);
    if (!c.json) {
        print_table(c, dbs);
        return kExitOk;
    }
    c.out << "[";
    for (size_t i = 0; i < dbs.size(); ++i) {
        JsonObject o;
        add_fields(o, dbs[i]);
        c.out << (i ? "," : "") << o.str();
    }
    c.out << "]\n";
    return kExitOk;
}

int cmd_db_add_forum(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    const std::string& name = a.need(0, "NAME");
    if (name_taken(c, name)) return kExitFailed;
    uint32_t id = AddForumDatabase(c.s, text_from_input(name));
    if (!id) return kExitFailed;
    c.out << "added forum database \"" << name << "\" (" << id << ")\n";
    return kExitOk;
}

int cmd_db_add_mail(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--address", "--alt"}, {});
    a.at_most(1);
    const std::string& name = a.need(0, "NAME");
    if (!a.has("--address")) throw UsageError("missing --address ADDR");
    MailIdentity m = identity(a, name);
    if (std::string missing = CheckMailIdentity(m); !missing.empty())
        throw UsageError("empty " + missing);
    if (name_taken(c, name)) return kExitFailed;
    uint32_t id = AddMailDatabase(c.s, m);
    if (!id) return kExitFailed;
    c.out << "added mail database \"" << name << "\" (" << id << ")\n";
    return kExitOk;
}

int cmd_db_update_mail(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--address", "--alt"}, {});
    a.at_most(1);
    const std::string& name = a.need(0, "NAME");
    uint32_t id = database_named(c, name);
    if (!id) return kExitFailed;
    const Forums current = c.s.rec.Forums;
    if (current.TYPE != kMailDb) {
        std::cerr << "quillstow: \"" << name << "\" is not a mail database\n";
        return kExitFailed;
    }
    MailIdentity m{current.DESCRIPTION.str(), current.MAILADDRESS.str(), {}};
    if (a.has("--address")) m.address = text_from_input(a.value("--address"));
    if (a.has("--alt")) {
        for (const auto& alt : a.values("--alt")) m.alternatives.push_back(text_from_input(alt));
    } else {
        for (const auto& alt : current.ALTADDRESS)
            if (!alt.blank()) m.alternatives.push_back(alt.str());
    }
    if (m.alternatives.size() > 10) throw UsageError("at most ten alternative addresses");
    if (std::string missing = CheckMailIdentity(m); !missing.empty())
        throw UsageError("empty " + missing);
    if (!UpdateMailDatabase(c.s, id, m)) return kExitFailed;
    c.out << "updated mail database \"" << name << "\"\n";
    return kExitOk;
}

int cmd_db_remove(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {"--yes"});
    a.at_most(1);
    const std::string& name = a.need(0, "NAME");
    if (!a.flag("--yes")) throw UsageError("removing a database needs --yes");
    // Also a database whose directory has disappeared: its entries go, there is nothing to delete.
    uint32_t id = database_named(c, name);
    if (!id) return kExitFailed;
    bool all = RemoveDatabase(c.s, id);
    c.out << "removed database \"" << name << "\"" << (all ? "" : " (some files were left)")
          << "\n";
    return all ? kExitOk : kExitFailed;
}

}  // namespace qs::cli
