// SPDX-License-Identifier: MIT
#include "platform/heap.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

bool kernel_offers_large_pages() {
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(in, modes);
    return !modes.empty() && modes.find("[never]") == std::string::npos;
}

// The flags of the mapping that holds `p`, from /proc/self/smaps ("" when none does).
std::string flags_of_mapping(const void* p) {
    const auto at = reinterpret_cast<uintptr_t>(p);
    std::ifstream in("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        uintptr_t from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > 20)
            inside = from <= at && at < to;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return "";
}

}  // namespace

// After the call, what the program allocates lies in a mapping the kernel backs with large pages
// (in a child process: the call sets how the heap grows for the rest of the process).
TEST(Heap, WhatIsAllocatedAfterwardsLiesInLargePages) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer has its own allocator";
#endif
    if (!kernel_offers_large_pages()) GTEST_SKIP() << "no large pages on this machine";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        qs::heap::use_large_pages();
        // Larger than any block the process has freed, so that it comes from the heap's end.
        constexpr size_t kSize = 1 << 20;
        char* block = static_cast<char*>(std::malloc(kSize));
        const bool large = flags_of_mapping(block).find(" hg") != std::string::npos &&
                           flags_of_mapping(block + kSize - 1).find(" hg") != std::string::npos;
        _exit(large ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
