// SPDX-License-Identifier: MIT
// The parse phase of an import alone: a mailbox read by the format's own reader into the
// temporary import file, the store phase left out. Prints the bytes read per second. With
// --reader-only the messages the reader hands over are counted and dropped instead of written
// to the temporary file: the reader's own share of the time.
//
//   parse_bench [--reader-only] FILE [FORMAT="Generic Mail Type 2"] [WORK_DIR=/tmp/qs-parse-bench]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/startup.h"
#include "import/address.h"
#include "import/processor.h"
#include "import/readers/registry.h"
#include "import/session_context.h"
#include "storage/database_list.h"
#include "tests/support/counting_sink.h"

namespace {

// Takes the place of the import processor: hands out identifiers, answers for the one mail
// database, and counts what the reader gives it.
class CountingContext : public qs::SessionParseContext {
public:
    CountingContext(qs::Session& s, const qs::ImportSettings& st)
        : qs::SessionParseContext(s), st_(st) {}
    const qs::ImportSettings& settings() const override { return st_; }
    uint32_t next_id() override { return ++id_; }
    qs::DatabaseRef lookup_database(const std::string& name, bool) override {
        return {st_.mailbox, true, qs::kMailDb, 0, name};
    }
    bool imported_before(uint32_t, uint32_t) override { return false; }
    bool add_message(qs::NHR& h, const std::vector<qs::CCT>&, const std::string&,
                     const std::string&) override {
        ++found;
        text_bytes += h.MSGTEXT.text.size();
        return true;
    }
    void skip_message(qs::SkipReason, const std::string&) override { ++skipped; }
    qs::AttachmentSink& attachments() override { return sink; }

    uint64_t found = 0, skipped = 0, text_bytes = 0;
    qs::testing::CountingSink sink;

private:
    const qs::ImportSettings& st_;
    uint32_t id_ = 1000000;
};

bool read_only(qs::Session& s, const qs::ImportSettings& st, uint64_t& found, uint64_t& skipped) {
    qs::CheckOwnAddress(s, st.mailbox);
    CountingContext ctx(s, st);
    auto parser = qs::make_parser(st.format);
    if (!parser || !parser->open(ctx, st.files.front())) return false;
    while (!parser->step(ctx, 1000)) {
    }
    found = ctx.found;
    skipped = ctx.skipped;
    return true;
}

bool through_processor(qs::Session& s, const qs::ImportSettings& st, uint64_t& found,
                       uint64_t& skipped) {
    qs::ImportProcessor p(s, st, qs::make_parser);
    qs::ImportProcessor::Result r;
    // The processor turns to the store phase once every file is read and the temporary file
    // committed; leaving it there (the destructor) stores nothing.
    while ((r = p.step()) == qs::ImportProcessor::Result::More && !p.store_phase()) {
    }
    if (r == qs::ImportProcessor::Result::Failed) {
        std::fprintf(stderr, "parse failed: %s\n", p.final_message().c_str());
        return false;
    }
    found = p.accounting().found;
    skipped = p.accounting().skipped;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool reader_only = argc > 1 && std::strcmp(argv[1], "--reader-only") == 0;
    if (reader_only) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: parse_bench [--reader-only] FILE [FORMAT] [WORK_DIR]\n");
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
    bool ok =
        reader_only ? read_only(s, st, found, skipped) : through_processor(s, st, found, skipped);
    if (!ok) return 1;
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("file %s: %.1f MB, %llu messages read, %llu skipped\n", file.c_str(), bytes / 1e6,
                static_cast<unsigned long long>(found), static_cast<unsigned long long>(skipped));
    std::printf("%s %.2f s, %.1f MB/s, %.0f messages/s\n",
                reader_only ? "reader alone" : "parse phase", secs, bytes / 1e6 / secs,
                found / secs);
    std::filesystem::remove_all(dir);
    return 0;
}
