// SPDX-License-Identifier: MIT
// Runs an import to its end from the command line, with a progress bar on a terminal.
#pragma once

#include "app/cli/command.h"
#include "import/import_settings.h"

namespace qs::cli {

// Runs the import and prints its accounting and final message; returns the exit status.
int run_import(Context& c, const ImportSettings& settings);

}  // namespace qs::cli
