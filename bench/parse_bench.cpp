// SPDX-License-Identifier: MIT
// The parse phase of an import alone: a mailbox read by the format's own reader into the
// temporary import file, the store phase left out. Prints the bytes read per second.
//
//   parse_bench FILE [FORMAT="Generic Mail Type 2"] [WORK_DIR=/tmp/qs-parse-bench]
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/startup.h"
#include "import/processor.h"
#include "storage/database_list.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: parse_bench FILE [FORMAT] [WORK_DIR]\n");
        return 2;
    }
    std::string file = argv[1];
    std::string format = argc > 2 ? argv[2] : "Generic Mail Type 2";
    std::string dir = argc > 3 ? argv[3] : "/tmp/qs-parse-bench";
    std::error_code ec;
    auto bytes = std::filesystem::file_size(file, ec);
    if (ec) {
        std::fprintf(stderr, "parse_bench: %s: %s\n", file.c_str(), ec.message().c_str());
        return 1;
    }
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    qs::CliDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    if (!qs::StartUp(s, dir + "/home").ok) return 1;
    qs::ImportSettings st;
    st.format = format;
    st.files = {file};
    st.mailbox = qs::AddMailDatabase(s, {"Home", "me@example.org", {}});

    auto t0 = std::chrono::steady_clock::now();
    uint64_t found = 0, skipped = 0;
    {
        qs::ImportProcessor p(s, st);
        qs::ImportProcessor::Result r;
        // The processor turns to the store phase once every file is read and the temporary
        // file committed; leaving it there (the destructor) stores nothing.
        while ((r = p.step()) == qs::ImportProcessor::Result::More && !p.store_phase()) {
        }
        if (r == qs::ImportProcessor::Result::Failed) {
            std::fprintf(stderr, "parse failed: %s\n", p.final_message().c_str());
            return 1;
        }
        found = p.accounting().found;
        skipped = p.accounting().skipped;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("file %s: %.1f MB, %llu messages read, %llu skipped\n", file.c_str(), bytes / 1e6,
                static_cast<unsigned long long>(found), static_cast<unsigned long long>(skipped));
    std::printf("parse phase %.2f s, %.1f MB/s, %.0f messages/s\n", secs, bytes / 1e6 / secs,
                found / secs);
    std::filesystem::remove_all(dir);
    return 0;
}
