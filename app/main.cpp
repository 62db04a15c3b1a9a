// SPDX-License-Identifier: MIT
#include "app/cli/cli.h"
#include "platform/heap.h"

int main(int argc, char** argv) {
    qs::heap::use_large_pages();
    return qs::cli::run(argc, argv);
}
