// SPDX-License-Identifier: MIT
// quillstow dedupe-persons | merge-persons: one correspondent split over several persons becomes
// one, the others' identifying strings kept as aliases.
#include <iostream>

#include "app/cli/command.h"
#include "app/cli/json.h"
#include "maintenance/dedupe_persons.h"
#include "maintenance/interrupt.h"
#include "maintenance/person_merge.h"
#include "storage/file_access.h"

namespace qs::cli {

namespace {

constexpr NumberRule kPersonNumber{"a person number", 1, UINT32_MAX};

void print_merges(Context& c, const std::vector<AddressCorrection>& corrections,
                  const std::vector<MergeEntry>& merges) {
    if (c.json) {
        c.out << "[";
        for (size_t i = 0; i < merges.size(); ++i) {
            const MergeEntry& e = merges[i];
            JsonObject o;
            o.number("PERSONID", e.id);
            o.text("LASTNAME", e.last);
            o.text("ADDRESS", e.address);
            o.number("SURVIVOR", e.survivor);
            o.text("SURVIVORLASTNAME", e.survivor_last);
            c.out << (i ? "," : "") << o.str();
        }
        c.out << "]\n";
        return;
    }
    for (const AddressCorrection& k : corrections)
        c.out << "correct " << k.id << " <" << k.old_address << "> to <" << k.address << ">\n";
    for (const MergeEntry& e : merges)
        c.out << "merge " << e.id << " " << e.last << " <" << e.address << "> into " << e.survivor
              << " " << e.survivor_last << "\n";
}

// `without`: the persons the recount removed; a dry run does not recount.
void print_totals(uint64_t before, const uint64_t* without, uint64_t duplicates,
                  uint64_t remaining) {
    std::cerr << "Number of persons before duplicate elimination: " << before << "\n";
    if (without) std::cerr << "Number of persons without related messages: " << *without << "\n";
    std::cerr << "Number of duplicate persons: " << duplicates << "\n"
              << "Number of remaining persons: " << remaining << "\n";
}

int dry_run(Context& c) {
    const std::vector<int> files{kPerson, c.s.mem.ForumType == kMailDb ? kMail : kMsgNmbr};
    OP_CLOSE(c.s, kOpOpen, files);
    MergePlan plan;
    const bool ok = PlanMerge(c.s, true, plan);
    OP_CLOSE(c.s, kOpClose, files);
    if (!ok) return kExitFailed;
    print_merges(c, plan.corrections, plan.merges);
    print_totals(plan.persons, nullptr, plan.merges.size(), plan.persons - plan.merges.size());
    return kExitOk;
}

}  // namespace

int cmd_dedupe_persons(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {"--dry-run"});
    a.at_most(1);
    if (!current_database(c, a.need(0, "DB"))) return kExitFailed;
    if (a.flag("--dry-run")) return dry_run(c);
    std::cerr << DuplicatePersons::title(c.s) << "\n";
    DuplicatePersons run(c.s, [](const std::string& caption) { std::cerr << caption << "\n"; });
    DuplicatePersons::Result r;
    // Ctrl-C asks the run to stop, which it does after the batch under way.
    maint::InterruptCatcher ctrl_c;
    while ((r = run.step()) == DuplicatePersons::Result::More) {
        if (maint::interrupted()) run.stop();
    }
    print_merges(c, run.corrections(), run.merges());
    const DedupeTotals& t = run.totals();
    if (r == DuplicatePersons::Result::Failed) {
        std::cerr << "quillstow: the duplicate elimination failed; run it again to finish\n";
        return kExitFailed;
    }
    if (r == DuplicatePersons::Result::Stopped) {
        std::cerr << "quillstow: stopped after " << t.duplicates
                  << " duplicate persons; run dedupe-persons again to finish\n";
        return maint::kExitInterrupted;
    }
    print_totals(t.persons_before, &t.without_messages, t.duplicates, t.remaining);
    return kExitOk;
}

int cmd_merge_persons(Context& c, const std::vector<std::string>& w) {
    Args a(w, {}, {});
    a.need(2, "OTHER");
    const uint32_t keep = static_cast<uint32_t>(a.number_at(1, "KEEP", kPersonNumber));
    std::vector<uint32_t> others;
    for (size_t i = 2; i < a.positional().size(); ++i)
        others.push_back(static_cast<uint32_t>(a.number_at(i, "OTHER", kPersonNumber)));
    if (!current_database(c, a.positional()[0])) return kExitFailed;
    const ManualMergeResult r = MergePersons(c.s, keep, others);
    if (r.keep_missing) {
        std::cerr << "quillstow: no person " << keep << " in " << a.positional()[0] << "\n";
        return kExitFailed;
    }
    if (c.json) c.out << "[";
    for (size_t i = 0; i < r.merged.size(); ++i) {
        if (!c.json) {
            c.out << "merged " << r.merged[i] << " into " << keep << "\n";
            continue;
        }
        JsonObject o;
        o.number("PERSONID", r.merged[i]);
        o.number("SURVIVOR", keep);
        c.out << (i ? "," : "") << o.str();
    }
    if (c.json) c.out << "]\n";
    for (uint32_t id : r.skipped) std::cerr << "quillstow: person " << id << " not merged\n";
    return r.failed || !r.skipped.empty() ? kExitFailed : kExitOk;
}

}  // namespace qs::cli
