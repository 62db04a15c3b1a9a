// SPDX-License-Identifier: MIT
#include "app/cli/cli.h"

#include <cstdlib>
#include <iostream>

#include "app/cli/command.h"
#include "app/home_dir.h"
#include "app/startup.h"
#include "platform/fs.h"

namespace qs::cli {

namespace {

const char* kProgramHelp =
    "usage: quillstow [--home DIR] [--json] COMMAND [ARGS]\n"
    "\n"
    "Keeps mail, forum messages and newsgroup messages in databases of an archive home.\n"
    "\n"
    "  --home DIR   the archive home (default: $QUILLSTOW_HOME, else\n"
    "               $XDG_DATA_HOME/quillstow, else ~/.local/share/quillstow)\n"
    "  --json       print listings as JSON\n"
    "  --help       this help; COMMAND --help tells about one command\n"
    "\n"
    "Commands:\n";

void print_help(std::ostream& out) {
    out << kProgramHelp;
    for (const auto& c : commands()) {
        std::string u = c.usage;
        out << "  " << u << std::string(u.size() < 44 ? 44 - u.size() : 1, ' ') << c.summary
            << "\n";
    }
}

// Finds the longest command name that the words start with ("db list" before "db").
const Command* find_command(const std::vector<std::string>& words, size_t& used) {
    const Command* best = nullptr;
    for (const auto& c : commands()) {
        std::vector<std::string> parts;
        std::string name = c.name;
        for (size_t p = 0, q; p < name.size(); p = q + 1) {
            q = name.find(' ', p);
            if (q == std::string::npos) q = name.size();
            parts.push_back(name.substr(p, q - p));
        }
        if (parts.size() > words.size()) continue;
        bool match = true;
        for (size_t i = 0; i < parts.size() && match; ++i) match = parts[i] == words[i];
        if (match && (!best || parts.size() > used)) {
            best = &c;
            used = parts.size();
        }
    }
    return best;
}

struct Globals {
    std::string home;
    bool json = false;
    bool help = false;
    std::vector<std::string> rest;
};

Globals parse_globals(int argc, char** argv) {
    Globals g;
    int i = 1;
    for (; i < argc; ++i) {
        std::string w = argv[i];
        if (w == "--home") {
            if (i + 1 >= argc) throw UsageError("option --home needs a value");
            g.home = argv[++i];
        } else if (w.rfind("--home=", 0) == 0) {
            g.home = w.substr(7);
        } else if (w == "--json") {
            g.json = true;
        } else if (w == "--help" || w == "-h") {
            g.help = true;
        } else if (!w.empty() && w[0] == '-') {
            throw UsageError("unknown option " + w);
        } else {
            break;
        }
    }
    g.rest.assign(argv + i, argv + argc);
    if (g.home.empty()) g.home = default_home();
    return g;
}

bool wants_help(const std::vector<std::string>& words) {
    for (const auto& w : words)
        if (w == "--help" || w == "-h") return true;
    return false;
}

int run_command(const Globals& g, const Command& cmd, const std::vector<std::string>& words) {
    CliDialog dialog;
    SystemClock clock;
    Session s(dialog, clock);
    Context c{s, g.home, g.json, std::cout};
    try {
        StartupOutcome up = StartUp(s, g.home);
        if (!up.ok && up.earlier_home) return kExitFailed;  // what to do was told
        if (!up.ok) {
            std::cerr << "quillstow: start-up stopped; set the directories with\n"
                      << "  quillstow --home " << g.home << " config set-path data|index DIR\n";
            return kExitFailed;
        }
        int status = cmd.run(c, words);
        // A read the store failed ended a list or a count early: what was printed is not whole.
        if (status == kExitOk && s.read_failures > 0) {
            std::cerr << "quillstow: " << s.read_failures
                      << " record reads failed; what was shown is not complete\n";
            status = kExitFailed;
        }
        return status;
    } catch (const Halt& h) {
        std::cerr << "quillstow: " << h.what() << "\n";
        return kExitFailed;
    } catch (const UsageError& e) {
        std::cerr << "quillstow: " << e.what() << " (see quillstow " << cmd.name << " --help)\n";
        return kExitUsage;
    }
}

}  // namespace

int run(int argc, char** argv) {
    Globals g;
    try {
        g = parse_globals(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "quillstow: " << e.what() << "\n";
        return kExitUsage;
    }
    if (g.rest.empty()) {
        print_help(g.help ? std::cout : std::cerr);
        return g.help ? kExitOk : kExitUsage;
    }
    size_t used = 0;
    const Command* cmd = find_command(g.rest, used);
    if (!cmd) {
        std::cerr << "quillstow: unknown command " << g.rest[0] << " (see quillstow --help)\n";
        return kExitUsage;
    }
    std::vector<std::string> words(g.rest.begin() + static_cast<long>(used), g.rest.end());
    if (g.help || wants_help(words)) {
        std::cout << "usage: quillstow [--home DIR] [--json] " << cmd->usage << "\n\n"
                  << cmd->summary << "\n"
                  << cmd->details;
        return kExitOk;
    }
    if (std::string(cmd->name) == "config set-path") {
        CliDialog dialog;
        SystemClock clock;
        Session s(dialog, clock);
        try {
            Args a(words, {}, {});
            a.at_most(2);
            return set_path(g.home, a.need(0, "data, index or temp"), a.need(1, "DIR"), s);
        } catch (const UsageError& e) {
            std::cerr << "quillstow: " << e.what() << "\n";
            return kExitUsage;
        } catch (const Halt& h) {
            std::cerr << "quillstow: " << h.what() << "\n";
            return kExitFailed;
        }
    }
    return run_command(g, *cmd, words);
}

}  // namespace qs::cli
