// SPDX-License-Identifier: MIT
// The desktop program's mail browse over a big mail database: how long the window takes to open
// with its first page shown, how long each further page takes as the list is scrolled down (the
// slowest is a stall a user would see), and the process's peak memory at the end.
//
//   QT_QPA_PLATFORM=offscreen desktop_open HOME DATABASE [PAGES]
// HOME is an archive home holding the mail database DATABASE (bench/desktop_open.sh makes one).
#include <sys/resource.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"
#include "desktop/browse_model.h"
#include "desktop/browse_window.h"
#include "desktop/frame.h"
#include "platform/clock.h"
#include "platform/dialog.h"
#include "storage/database_list.h"

namespace {

double ms_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

long peak_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s HOME DATABASE [PAGES]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const int pages = argc > 3 ? std::atoi(argv[3]) : 200;
    qs::CliDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    if (!qs::StartUp(s, argv[1]).ok) return 1;
    const uint32_t db = qs::FindDatabase(s, argv[2]);
    if (!db || !qs::MakeCurrent(s, db)) {
        std::fprintf(stderr, "no database %s\n", argv[2]);
        return 1;
    }
    qs::desktop::Frame frame(s);
    frame.database_changed();
    frame.show();
    QApplication::processEvents();

    const auto t0 = std::chrono::steady_clock::now();
    auto* w = new qs::desktop::BrowseWindow(frame, qs::desktop::BrowseKind::Mail);
    w->show();
    QApplication::processEvents();
    const double open_ms = ms_since(t0);
    const int first_rows = w->model()->rowCount();

    // Scrolling down: each step moves the view to the end of what is read, which makes the
    // view ask for the next page.
    double slowest = 0, total = 0;
    int steps = 0;
    for (; steps < pages && w->model()->canFetchMore({}); ++steps) {
        const auto t = std::chrono::steady_clock::now();
        w->view()->scrollToBottom();
        QApplication::processEvents();
        if (w->model()->canFetchMore({})) w->model()->fetchMore({});
        const double step_ms = ms_since(t);
        slowest = std::max(slowest, step_ms);
        total += step_ms;
    }
    std::printf("open with first page: %.1f ms (%d rows)\n", open_ms, first_rows);
    std::printf("scroll: %d pages, %d rows read, mean %.2f ms, slowest %.2f ms per page\n", steps,
                w->model()->rowCount(), steps ? total / steps : 0.0, slowest);
    std::printf("peak memory: %.1f MB\n", static_cast<double>(peak_kb()) / 1024.0);
    delete w;
    return 0;
}
