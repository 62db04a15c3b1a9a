// SPDX-License-Identifier: MIT
// The table of commands with their help texts.
#include "app/cli/command.h"

namespace qs::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"init", "init", "Start up the archive home (a first use creates it) and show its setup.",
         "\nPrints the home, its directories and the settings version.\n", cmd_init},
        {"db list", "db list", "List every database.",
         "\nWith --json, each database is an object with its fields by name\n"
         "(ALTADDRESS is the list of alternative addresses).\n",
         cmd_db_list},
        {"db add-forum", "db add-forum NAME", "Add a forum database.", "", cmd_db_add_forum},
        {"db add-mail", "db add-mail NAME --address ADDR [--alt ADDR]...",
         "Add a mail database with its owner's addresses.",
         "\n  --address ADDR   the owner's default mail address (required)\n"
         "  --alt ADDR       an alternative address of the owner (up to ten)\n",
         cmd_db_add_mail},
        {"db update-mail", "db update-mail NAME [--address ADDR] [--alt ADDR]...",
         "Change a mail database's addresses.",
         "\n  --address ADDR   a new default address\n"
         "  --alt ADDR       the alternative addresses; given ones replace all the old ones\n",
         cmd_db_update_mail},
        {"db remove", "db remove NAME --yes",
         "Remove a database with all its messages and files.",
         "\n  --yes   confirm; nothing is removed without it\n", cmd_db_remove},
        {"config get", "config get ITEM", "Show a setting (general, display or export item).",
         "\nITEM is the number of a general (2-19), display (22-60) or export (61-63) setting.\n",
         cmd_config_get},
        {"config set", "config set ITEM VALUE", "Change a setting.",
         "\nITEM is the number of a general (2-19), display (22-60) or export (61-63) setting.\n",
         cmd_config_set},
        {"config set-path", "config set-path data|index|temp DIR",
         "Set the top directory of the database files, of the word index files or the "
         "temporary directory.",
         "\nWorks also when start-up stops because a saved directory is gone.\n", nullptr},
    };
    return table;
}

std::string type_name(uint8_t type) {
    switch (type) {
        case 1: return "forum";
        case 2: return "mail";
        case 3: return "newsgroup";
        default: return "?";
    }
}

}  // namespace qs::cli
