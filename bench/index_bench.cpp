// SPDX-License-Identifier: MIT
// Word indexing of a mail database: deterministic generated mails (subjects and texts of Zipf-
// distributed words from a 60,000-word vocabulary) written straight into the mail and text files,
// then one full indexing run. Prints messages and word entries per second and the sizes of the
// word index files.
//
//   index_bench [MAILS=100000] [WORK_DIR=/tmp/qs-index-bench]
#include <sys/resource.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

#include "app/startup.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "wordindex/indexer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Generator {
    std::mt19937 rng{20261208};
    std::vector<std::string> words;
    Generator() {
        std::uniform_int_distribution<int> len(3, 10), letter('a', 'z');
        for (int i = 0; i < 60000; ++i) {
            std::string w;
            for (int n = len(rng); n > 0; --n) w += static_cast<char>(letter(rng));
            words.push_back(w);
        }
    }
    const std::string& word() {  // Zipf-like: small indexes are common
        std::uniform_real_distribution<double> u(0, 1);
        size_t i = static_cast<size_t>(std::pow(u(rng), 2.5) * static_cast<double>(words.size()));
        return words[std::min(i, words.size() - 1)];
    }
    std::string text(int lo, int hi) {
        std::string t;
        int n = std::uniform_int_distribution<int>(lo, hi)(rng);
        for (int i = 0; i < n; ++i) t += word() + (i % 12 == 11 ? "\r\n" : " ");
        return t;
    }
};

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

uint64_t size_of(const std::string& path) {
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

bool write_mails(qs::Session& s, int mails) {
    Generator g;
    qs::OP_CLOSE(s, qs::kOpOpen, {qs::kMail, qs::kMsgText});
    bool ok = true;
    for (int i = 0; i < mails && ok; ++i) {
        if (i % 5000 == 0 &&
            qs::TransactionCheck(s, qs::BeginTransaction(s, {qs::kMail, qs::kMsgText})))
            ok = false;
        s.rec.Mail = qs::Mail{};
        s.rec.Mail.MAILID = static_cast<uint32_t>(300000 + i);
        s.rec.Mail.SUBJECT = g.text(2, 6).substr(0, 50);
        s.rec.MsgText = qs::MsgText{};
        s.rec.MsgText.MSGNUMBER = s.rec.Mail.MAILID;
        s.rec.MsgText.MSGTEXT.text = g.text(60, 260);
        ok = qs::UppDat(s, qs::kMail, qs::kAdd, qs::kReport) &&
             qs::UppDat(s, qs::kMsgText, qs::kAdd, qs::kReport);
        if (i % 5000 == 4999 || i == mails - 1) ok = ok && qs::Commit(s);
    }
    qs::OP_CLOSE(s, qs::kOpClose, {qs::kMail, qs::kMsgText});
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    int mails = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string dir = argc > 2 ? argv[2] : "/tmp/qs-index-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    qs::CliDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    if (!qs::StartUp(s, dir).ok) return 1;
    uint32_t db = qs::AddMailDatabase(s, {"Bench", "me@example.org", {}});
    if (!db || !qs::MakeCurrent(s, db)) return 1;

    auto t0 = Clock::now();
    if (!write_mails(s, mails)) return 1;
    auto t1 = Clock::now();
    qs::words::IndexRequest rq;
    rq.type = qs::kMailDb;
    rq.per_pass = 1000;
    qs::words::IndexOutcome out;
    // Time per caption: where the run spends it (reading and tokenizing, flushing, keys).
    std::map<std::string, double> phase;
    std::string current = "start";
    auto mark = Clock::now();
    qs::words::IndexProgress progress;
    progress.caption = [&](const std::string& c) {
        auto now = Clock::now();
        phase[current] += seconds(mark, now);
        current = c;
        mark = now;
    };
    uint8_t r = qs::words::INDEXFILE1(s, rq, progress, &out);
    auto t2 = Clock::now();
    phase[current] += seconds(mark, t2);
    if (r != 1) return 1;

    double idx = seconds(t1, t2);
    std::printf("mails written: %d in %.1f s\n", mails, seconds(t0, t1));
    std::printf("indexing: %.1f s, %.0f messages/s, %llu pairs, %.0f pairs/s, %llu words\n", idx,
                static_cast<double>(out.tokenized) / idx,
                static_cast<unsigned long long>(out.pairs), static_cast<double>(out.pairs) / idx,
                static_cast<unsigned long long>(out.new_words));
    uint64_t wl = size_of(qs::full_name(s, qs::kWordList));
    uint64_t mi = size_of(qs::full_name(s, qs::kMasIdx));
    uint64_t tx = size_of(qs::full_name(s, qs::kMsgText));
    std::printf("files: WordList %.1f MB, MasIdx %.1f MB (%.1f bytes per pair), MsgText %.1f MB\n",
                static_cast<double>(wl) / 1e6, static_cast<double>(mi) / 1e6,
                out.pairs ? static_cast<double>(mi) / static_cast<double>(out.pairs) : 0.0,
                static_cast<double>(tx) / 1e6);
    for (const auto& [name, secs] : phase) std::printf("  %-36s %7.1f s\n", name.c_str(), secs);
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak resident memory: %ld MB, cpu %.1f s\n", ru.ru_maxrss / 1024,
                static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec));
    return 0;
}
