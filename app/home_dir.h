// SPDX-License-Identifier: MIT
// Where the archive home is when none was named: $QUILLSTOW_HOME, else $XDG_DATA_HOME/quillstow,
// else ~/.local/share/quillstow. The command line and the desktop program find it alike.
#pragma once

#include <string>

namespace qs {

std::string default_home();

}  // namespace qs
