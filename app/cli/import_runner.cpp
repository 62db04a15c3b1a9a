// SPDX-License-Identifier: MIT
#include "app/cli/import_runner.h"

#include <unistd.h>

#include <iostream>

#include "app/cli/json.h"
#include "import/processor.h"
#include "import/readers/registry.h"
#include "maintenance/interrupt.h"

namespace qs::cli {

namespace {

void draw_progress(const ImportProcessor& p, int& last) {
    int pct = p.percent();
    std::string file = p.current_file();
    int key = pct * 1000 + static_cast<int>(file.size() % 1000) + (p.store_phase() ? 500 : 0);
    if (key == last) return;
    last = key;
    int filled = pct / 5;
    if (file.size() > 40) file = "..." + file.substr(file.size() - 37);
    std::cerr << "\r[" << std::string(static_cast<size_t>(filled), '#')
              << std::string(static_cast<size_t>(20 - filled), ' ') << "] " << pct << "% "
              << (p.store_phase() ? "storing" : file) << "\033[K" << std::flush;
}

}  // namespace

int run_import(Context& c, const ImportSettings& settings) {
    ImportProcessor p(c.s, settings, make_parser);
    bool bar = isatty(STDERR_FILENO) != 0;
    int last = -1;
    ImportProcessor::Result r;
    maint::InterruptCatcher catcher;
    bool stopped = false;
    while ((r = p.step()) == ImportProcessor::Result::More) {
        if (bar) draw_progress(p, last);
        // Ctrl-C: the batch under way is committed; the question about the counts is printed
        // as a warning and answered yes.
        if (maint::interrupted() && (stopped = p.interrupt())) r = ImportProcessor::Result::Failed;
        if (stopped) break;
    }
    if (bar) std::cerr << "\r\033[K";
    const ImportAccounting& a = p.accounting();
    if (c.json) {
        JsonObject o;
        o.number("FOUND", static_cast<int64_t>(a.found));
        o.number("STORED", static_cast<int64_t>(a.stored));
        o.number("DUPLICATES", static_cast<int64_t>(a.duplicates));
        o.number("SKIPPED", static_cast<int64_t>(a.skipped));
        o.number("FILES", static_cast<int64_t>(a.files));
        o.number("BADFILES", static_cast<int64_t>(a.bad_files));
        o.text("MESSAGE", p.final_message());
        o.text("LOG", p.log_path());
        c.out << o.str() << "\n";
    } else {
        c.out << "found " << a.found << ", stored " << a.stored << ", duplicates " << a.duplicates
              << ", skipped " << a.skipped << "\n"
              << p.final_message() << "\n";
        if (a.skipped || a.bad_files) c.out << "(see " << p.log_path() << ")\n";
    }
    if (stopped) {
        std::cerr << "quillstow: import interrupted after storing " << a.stored
                  << " messages; run the same import again to store the rest, then quillstow "
                     "count for each database it stored into\n";
        return maint::kExitInterrupted;
    }
    // A run that did not complete (nothing found, stopped, refused) is a failure, and so is a
    // file that could not be read, even when the rest went in.
    return r == ImportProcessor::Result::Done && a.bad_files == 0 ? kExitOk : kExitFailed;
}

}  // namespace qs::cli
