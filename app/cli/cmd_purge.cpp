// SPDX-License-Identifier: MIT
// quillstow purge: deletes what is marked delete (and, with --age, what has aged) from a database,
// or lists it with --dry-run; and the run of a purge or count shared with quillstow count.
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "maintenance/interrupt.h"
#include "maintenance/purge.h"

namespace qs::cli {

namespace {

void print_ids(Context& c, const char* what, const std::vector<uint32_t>& ids) {
    for (uint32_t id : ids) c.out << what << " " << id << "\n";
}

std::string json_ids(const std::vector<uint32_t>& ids) {
    std::string a = "[";
    for (size_t i = 0; i < ids.size(); ++i) a += (i ? "," : "") + std::to_string(ids[i]);
    return a + "]";
}

int dry_run(Context& c, const maint::PurgeRequest& rq) {
    maint::PurgePlan plan;
    if (!maint::plan_purge(c.s, rq, plan)) return kExitFailed;
    const bool mail = c.s.mem.ForumType == kMailDb;
    if (c.s.mem.ForumCheck == 2) {
        // The purge does not pick messages out of such a database: it asks to remove it whole.
        c.out << "The database is marked for deletion: the purge asks to remove it with all its "
                 "messages, and keeps it when nobody answers.\n";
        return kExitOk;
    }
    if (c.json) {
        JsonObject o;
        o.raw("MESSAGES", json_ids(plan.messages));
        o.raw(mail ? "DUPLICATES" : "AGED", json_ids(mail ? plan.duplicates : plan.aged_threads));
        o.number("TOTAL", static_cast<int64_t>(plan.messages.size()));
        c.out << o.str() << "\n";
        return kExitOk;
    }
    if (mail)
        print_ids(c, "duplicate", plan.duplicates);
    else
        print_ids(c, "aged thread", plan.aged_threads);
    print_ids(c, mail ? "mail" : "message", plan.messages);
    c.out << plan.messages.size() << (mail ? " mails" : " messages") << " would be deleted";
    if (mail)
        c.out << ", " << plan.duplicates.size() << " duplicates marked";
    else if (rq.ageing)
        c.out << ", " << plan.aged_threads.size() << " aged threads marked";
    c.out << "\n";
    return kExitOk;
}

void print_differences(Context& c, const std::vector<maint::CountDifference>& diffs) {
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < diffs.size(); ++i) {
            const auto& d = diffs[i];
            JsonObject o;
            o.text("FILE", d.file);
            o.number("ID", d.id);
            o.text("FIELD", d.field);
            o.number("STORED", d.stored);
            o.number("COUNTED", d.counted);
            c.out << (i ? "," : "") << o.str();
        }
        c.out << "]\n";
        return;
    }
    for (const auto& d : diffs) {
        c.out << d.file << " " << d.id << " " << d.field << ": stored " << d.stored;
        if (d.counted < 0)
            c.out << ", would be deleted\n";
        else
            c.out << ", counted " << d.counted << "\n";
    }
    c.out << diffs.size() << " stored counts differ\n";
}

void print_totals(Context& c, const maint::PurgeRequest& rq, const maint::PurgeOutcome& o,
                  bool mail) {
    if (c.json) {
        JsonObject j;
        j.number("BEFORE", static_cast<int64_t>(o.before));
        j.number("DELETED", static_cast<int64_t>(o.deleted.size()));
        j.number("AFTER", static_cast<int64_t>(o.after));
        if (!mail) j.number("THREADS", static_cast<int64_t>(o.threads));
        j.number("PERSONS", static_cast<int64_t>(o.persons));
        if (mail) j.number("DUPLICATES", static_cast<int64_t>(o.duplicates));
        c.out << j.str() << "\n";
        return;
    }
    if (rq.purge) {
        c.out << "Messages before purging: " << o.before << "\n"
              << "Deleted during this session: " << o.deleted.size() << "\n"
              << "Messages after purging: " << o.after << "\n";
        if (!mail) c.out << "Number of threads in database: " << o.threads << "\n";
        return;
    }
    c.out << "Number of messages: " << o.after << "\n";
    if (mail) {
        c.out << "Number of persons: " << o.persons << "\n";
        return;
    }
    c.out << "Number of threads: " << o.threads << "\n"
          << "Number of Forum members: " << o.persons << "\n";
}

}  // namespace

int run_maintenance(Context& c, const maint::PurgeRequest& rq, const std::string& db) {
    std::cerr << maint::purge_title(c.s, rq.purge) << "\n";
    maint::Purge run(c.s, rq, [](const std::string& caption) { std::cerr << caption << "\n"; });
    maint::InterruptCatcher catcher;
    maint::Purge::Result r;
    while ((r = run.step()) == maint::Purge::Result::More)
        if (maint::interrupted()) run.cancel();
    const maint::PurgeOutcome& o = run.outcome();
    const char* what = rq.purge ? "purge" : "count";
    if (o.declined) {
        std::cerr << "quillstow: the database is marked for deletion and was kept; nothing was "
                     "purged (quillstow db remove \""
                  << db << "\" --yes removes it, or mark it normal to purge it)\n";
        return kExitFailed;
    }
    if (o.database_removed) {
        c.out << "The database was removed with all its messages.\n";
        return kExitOk;
    }
    if (run.cancelled()) {
        std::cerr << "quillstow: " << what << " interrupted after " << o.deleted.size()
                  << " messages deleted; every finished batch is kept\n"
                  << "warning: message counts per section, thread and person may be wrong "
                     "until the count runs: quillstow count \""
                  << db << "\"\n"
                  << "run quillstow " << what << " \"" << db << "\" again to finish\n";
        return maint::kExitInterrupted;
    }
    if (r == maint::Purge::Result::Failed) {
        std::cerr << "quillstow: the " << what << " stopped on a failure; what it committed "
                  << "stays, and running it again finishes the work\n";
        return kExitFailed;
    }
    if (rq.check) {
        print_differences(c, o.differences);
        return o.differences.empty() ? kExitOk : kExitFailed;
    }
    print_totals(c, rq, o, c.s.mem.ForumType == kMailDb);
    std::cerr << run.end_message() << "\n";
    return kExitOk;
}

int cmd_purge(Context& c, const std::vector<std::string>& w) {
    Args a(w, {"--age"}, {"--dry-run"});
    a.at_most(1);
    maint::PurgeRequest rq;
    if (a.has("--age")) {
        rq.ageing = true;
        rq.weeks = static_cast<uint16_t>(a.number("--age", {"a number of weeks", 0, 65535}, 0));
    }
    const std::string& db = a.need(0, "the database");
    if (!current_database(c, db)) return kExitFailed;
    if (a.flag("--dry-run")) return dry_run(c, rq);
    return run_maintenance(c, rq, db);
}

}  // namespace qs::cli
