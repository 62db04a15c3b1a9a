// SPDX-License-Identifier: MIT
// The command line: quillstow [--home DIR] [--json] COMMAND ...
#pragma once

namespace qs::cli {

// Runs one command line; returns the exit status (0 success, 1 failure reported, 2 bad usage).
int run(int argc, char** argv);

}  // namespace qs::cli
