// SPDX-License-Identifier: MIT
// The store phase of an import: mail and forum messages from a deterministic generator (about
// 2,000 correspondents, threads, texts of realistic sizes), read by the plain test reader and
// stored with 400-record commits. Prints messages per second of the parse and store phases.
//
//   import_bench [MESSAGES_PER_KIND=100000] [WORK_DIR=/tmp/qs-import-bench]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/startup.h"
#include "import/processor.h"
#include "storage/database_list.h"
#include "tests/support/line_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Generator {
    std::mt19937 rng{20261207};
    std::vector<std::string> words;
    Generator() {
        const char* base[] = {"archive",  "message", "forum",  "camera", "lens",
                              "the",      "a",       "of",     "and",    "to",
                              "mail",     "meeting", "report", "photo",  "light",
                              "question", "answer",  "thanks", "monday", "project"};
        for (const char* w : base) words.push_back(w);
        for (int i = 0; i < 2000; ++i) words.push_back("w" + std::to_string(i));
    }
    // Zipf-like: small indexes are common.
    const std::string& word() {
        std::uniform_real_distribution<double> u(0, 1);
        size_t i = static_cast<size_t>(std::pow(u(rng), 3.0) * static_cast<double>(words.size()));
        return words[std::min(i, words.size() - 1)];
    }
    std::string text() {
        std::uniform_int_distribution<int> len(20, 400);
        std::string t;
        int n = len(rng);
        for (int i = 0; i < n; ++i) t += word() + (i % 12 == 11 ? "\\n" : " ");
        return t;
    }
    int person() { return std::uniform_int_distribution<int>(0, 1999)(rng); }
};

std::string date_of(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", 1996 + i % 10, 1 + i % 12, 1 + i % 28);
    return buf;
}

std::string time_of(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", i % 24, (i / 24) % 60, i % 60);
    return buf;
}

void write_input(const std::string& path, int per_kind) {
    Generator g;
    std::ofstream out(path);
    for (int i = 0; i < per_kind; ++i) {
        int p = g.person();
        std::string name = "Person " + std::to_string(p);
        out << "M\t\t\t\t\t\tSubject " << g.word() << " " << (i % 500) << "\t" << name << "\tp" << p
            << "@example.org\tMe\tme@example.org\t" << date_of(i) << "\t" << time_of(i) << "\t"
            << g.text() << "\n";
        int thread = i / 8;  // threads of about eight messages
        int q = g.person();
        out << "F\tPhoto Forum\t" << (1 + thread % 12) << "\tSection " << (1 + thread % 12) << "\t"
            << (1000 + i) << "\t" << (i % 8 ? 1000 + i - 1 : 0) << "\tThread " << thread
            << "\tMember " << q << "\t" << (70000 + q) << ",1\tAll\t\t" << date_of(i) << "\t"
            << time_of(i) << "\t" << g.text() << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    int per_kind = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string dir = argc > 2 ? argv[2] : "/tmp/qs-import-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::string input = dir + "/input.txt";
    write_input(input, per_kind);

    qs::CliDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    if (!qs::StartUp(s, dir + "/home").ok) return 1;
    uint32_t box = qs::AddMailDatabase(s, {"Home", "me@example.org", {}});
    qs::ImportSettings st;
    st.format = "test lines";
    st.files = {input};
    st.mailbox = box;
    qs::ImportProcessor p(
        s, st, [](const std::string&) { return std::make_unique<qs::testing::LineReader>(); });
    auto t0 = Clock::now();
    auto store_start = t0;
    qs::ImportProcessor::Result r;
    while ((r = p.step()) == qs::ImportProcessor::Result::More)
        if (!p.store_phase()) store_start = Clock::now();
    auto t1 = Clock::now();
    if (r != qs::ImportProcessor::Result::Done) {
        std::fprintf(stderr, "import failed: %s\n", p.final_message().c_str());
        return 1;
    }
    double parse = std::chrono::duration<double>(store_start - t0).count();
    double store = std::chrono::duration<double>(t1 - store_start).count();
    const auto& a = p.accounting();
    std::printf("messages found %llu, stored %llu, duplicates %llu, skipped %llu\n",
                static_cast<unsigned long long>(a.found), static_cast<unsigned long long>(a.stored),
                static_cast<unsigned long long>(a.duplicates),
                static_cast<unsigned long long>(a.skipped));
    std::printf("parse phase  %8.2f s  %8.0f messages/s\n", parse, a.found / parse);
    std::printf("store phase  %8.2f s  %8.0f messages/s\n", store, a.stored / store);
    std::printf("whole import %8.2f s  %8.0f messages/s\n", parse + store,
                a.stored / (parse + store));
    return 0;
}
