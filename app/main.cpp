// SPDX-License-Identifier: MIT
#include "app/cli/cli.h"

int main(int argc, char** argv) { return qs::cli::run(argc, argv); }
