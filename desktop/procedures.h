// SPDX-License-Identifier: MIT
// The frame's commands: every named procedure the menus start, with its dispatcher code (0 for
// the program's own windows), its menu, its group and what it needs of the current database.
#pragma once

#include <QString>
#include <vector>

namespace qs::desktop {

class Frame;

// What a procedure needs before it can start.
enum class Needs { Nothing, Database, MailDatabase, MessageDatabase };

struct Procedure {
    const char* name;     // the thread name, e.g. "BrowseMail"
    int code;             // the library dispatcher's code; 0 for the program's own
    const char* menu;     // the menu that lists it
    const char* caption;  // its menu entry
    const char* group;    // "FindGroup", "NotToolsGroup", "ImportGroup" or ""
    Needs needs;
};

// Every command of the frame in menu order.
const std::vector<Procedure>& procedures();
// The procedure by name or by dispatcher code; nullptr when there is none.
const Procedure* procedure_named(const QString& name);
const Procedure* procedure_of_code(int code);

}  // namespace qs::desktop
