// SPDX-License-Identifier: MIT
// quillstow batch add | list | show | delete: the saved import definitions.
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "import/catalogue.h"
#include "platform/fs.h"
#include "storage/database_list.h"

namespace qs::cli {

namespace {

constexpr size_t kDescriptionWidth = 50;  // BAT:DESCRIPTION
constexpr size_t kPathWidth = 100;        // BAT:IMPPATH and FLI:FILESPEC

const char* method_name(uint8_t method) {
    switch (method) {
        case kDirectoryTree: return "tree";
        case kOneDirectory: return "directory";
        case kSelectedFiles: return "files";
        default: return "?";
    }
}

std::string format_name(uint8_t number) {
    const Format* f = format_by_number(number);
    return f ? f->name : "format " + std::to_string(number);
}

bool read_definition(Context& c, const std::string& word, BAT& b) {
    auto id = static_cast<uint32_t>(parse_number(word, "ID", kDefinitionNumber));
    if (ImportDefinition(c.s, id, b)) return true;
    std::cerr << "quillstow: there is no import definition " << id << "\n";
    return false;
}

std::string json_of(Context& c, BAT& b) {
    JsonObject o;
    add_fields(o, b);
    std::string files = "[";
    for (const auto& f : saved_file_list(settings_from(c.s, b)))
        files += (files.size() > 1 ? "," : "") + json_string(f);
    o.raw("FILES", files + "]");
    return o.str();
}

std::string database_label(const std::vector<Forums>& dbs, uint32_t id) {
    if (id == 0) return "none";
    for (const auto& f : dbs)
        if (f.ID == id) return std::to_string(id) + " " + f.DESCRIPTION.str();
    return std::to_string(id) + " (gone)";
}

void print_definition(Context& c, const BAT& b) {
    ImportSettings st = settings_from(c.s, b);
    auto dbs = ListDatabases(c.s);
    auto row = [&](const char* name, const std::string& value) {
        c.out << std::left << std::setw(13) << name << value << "\n";
    };
    row("ID", std::to_string(b.ID));
    row("DESCRIPTION", b.DESCRIPTION.str());
    row("FORMAT", std::to_string(b.FILETYPE) + " " + format_name(b.FILETYPE));
    row("METHOD", std::to_string(b.SELMETHOD) + " " + method_name(b.SELMETHOD));
    row("PATH", b.IMPPATH.str());
    row("DATABASE", database_label(dbs, b.DATABASE));
    row("MAILBOX", database_label(dbs, b.MAILBOX));
    std::string kinds = std::string(b.MAILMSG ? " mail" : "") + (b.FORUMMSG ? " forum" : "") +
                        (b.NEWSGROUPMSG ? " news" : "");
    row("KINDS", kinds.empty() ? "none" : kinds.substr(1));
    row("REIMPORT", b.ALLOWREIMP ? "yes" : "no");
    row("MAILTOPIC", std::to_string(b.MAILTOPIC));
    const char* label = b.SELMETHOD == kSelectedFiles ? "FILES" : "MASKS";
    for (const auto& entry : saved_file_list(st)) {
        row(label, entry);
        label = "";
    }
}

// The selection of `batch add`: a directory tree, one directory, or the files named.
void take_selection(const Args& a, ImportSettings& st) {
    int ways = a.has("--tree") + a.has("--dir") + a.has("--file");
    if (ways != 1) throw UsageError("give one of --tree DIR, --dir DIR or --file FILE");
    if (a.has("--file")) {
        st.selection = kSelectedFiles;
        for (const auto& f : a.values("--file")) st.files.push_back(fs::absolute(f));
        st.path = fs::dir_part(st.files.front());
        if (st.path.size() > 1) st.path.pop_back();
    } else {
        st.selection = a.has("--tree") ? kDirectoryTree : kOneDirectory;
        st.path = fs::absolute(a.value(a.has("--tree") ? "--tree" : "--dir"));
        if (a.has("--mask")) st.masks = a.value("--mask");
        if (split_masks(st.masks).empty()) throw UsageError("No file extension(s) specified");
    }
    std::vector<std::string> all = st.files;
    all.push_back(st.path);
    for (const auto& p : all)
        if (p.size() > kPathWidth) throw UsageError("path longer than 100 characters: " + p);
}

// A database option; false after telling why the name does not do.
bool take_database(Context& c, const Args& a, const char* option, uint32_t& id) {
    if (!a.has(option)) return true;
    id = database_named(c, a.value(option));
    if (id && std::string(option) == "--mailbox" && c.s.rec.Forums.TYPE != kMailDb) {
        std::cerr << "quillstow: \"" << a.value(option) << "\" is not a mail database\n";
        id = 0;
    }
    return id != 0;
}

}  // namespace

int cmd_batch_add(Context& c, const std::vector<std::string>& words) {
    Args a(words, {"--format", "--tree", "--dir", "--file", "--mask", "--database", "--mailbox"},
           {"--no-mail", "--no-forum", "--no-news", "--reimport"});
    a.at_most(1);
    std::string description = text_from_input(a.need(0, "DESCRIPTION"));
    if (description.size() > kDescriptionWidth)
        throw UsageError("DESCRIPTION is longer than 50 characters");
    if (!a.has("--format")) throw UsageError("missing --format NAME");
    const std::string& wanted = a.value("--format");
    const Format* f = format_by_name(wanted);
    if (!f && !wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos) {
        const NumberRule rule{"a format name or number", 1, formats().back().number};
        f = format_by_number(static_cast<int>(parse_number(wanted, "--format", rule)));
    }
    if (!f) throw UsageError("no format " + wanted + " (see quillstow formats)");
    ImportSettings st;
    st.format = f->name;
    st.masks = f->mask;
    take_selection(a, st);
    st.mail = !a.flag("--no-mail");
    st.forum = !a.flag("--no-forum");
    st.news = !a.flag("--no-news");
    st.reimport = a.flag("--reimport");
    if (!take_database(c, a, "--database", st.database) ||
        !take_database(c, a, "--mailbox", st.mailbox))
        return kExitFailed;
    uint32_t id = AddImportDefinition(c.s, definition_from(st, description), saved_file_list(st));
    if (!id) return kExitFailed;
    c.out << "added import definition " << id << "\n";
    return kExitOk;
}

int cmd_batch_list(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(0);
    auto all = ImportDefinitions(c.s);
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < all.size(); ++i) c.out << (i ? "," : "") << json_of(c, all[i]);
        c.out << "]\n";
        return kExitOk;
    }
    c.out << std::left << std::setw(8) << "ID" << std::setw(24) << "FORMAT" << std::setw(11)
          << "METHOD"
          << "DESCRIPTION\n";
    for (const auto& b : all)
        c.out << std::setw(8) << b.ID << std::setw(24) << format_name(b.FILETYPE) << std::setw(11)
              << method_name(b.SELMETHOD) << b.DESCRIPTION.trimmed() << "\n";
    return kExitOk;
}

int cmd_batch_show(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    BAT b;
    if (!read_definition(c, a.need(0, "ID"), b)) return kExitFailed;
    if (c.json)
        c.out << json_of(c, b) << "\n";
    else
        print_definition(c, b);
    return kExitOk;
}

int cmd_batch_delete(Context& c, const std::vector<std::string>& words) {
    Args a(words, {}, {});
    a.at_most(1);
    BAT b;
    if (!read_definition(c, a.need(0, "ID"), b)) return kExitFailed;
    if (!DeleteImportDefinition(c.s, b.ID)) return kExitFailed;
    c.out << "deleted import definition " << b.ID << " \"" << b.DESCRIPTION.trimmed() << "\"\n";
    return kExitOk;
}

}  // namespace qs::cli
