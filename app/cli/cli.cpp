// SPDX-License-Identifier: MIT
#include "app/cli/cli.h"

namespace qs::cli {

int run(int, char**) { return 2; }

}  // namespace qs::cli
