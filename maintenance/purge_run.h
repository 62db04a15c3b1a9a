// SPDX-License-Identifier: MIT
// The state of one purge or count run, shared by the files that hold its steps (purge.cpp, the
// run and its batches; purge_forum.cpp, purge_mail.cpp, mail_duplicates.cpp, count.cpp).
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "maintenance/purge.h"
#include "storage/file_access.h"

namespace qs::maint {

// Status marks (MSG:DUMMY, THR:DUMMY ...).
inline constexpr uint8_t kStatusNormal = 0, kStatusKeep = 1, kStatusDelete = 2;

struct PurgeRun {
    PurgeRun(Session& s, const PurgeRequest& rq, Caption caption);

    Session& s;
    PurgeRequest rq;
    Caption caption_fn;
    uint8_t type = 0;
    PurgeStep step = PurgeStep::Idle;
    bool failed = false;
    bool cancelled = false;
    bool open = false;
    int batch_size = 100;
    int units = 0;
    std::vector<int> files;
    PurgeOutcome out;

    // The work list of the step under way and how far it got.
    std::vector<uint32_t> list;
    size_t at = 0;
    bool loaded = false;             // the list of a step that collects it on its first call
    std::vector<uint32_t> sections;  // steps 23 to 25
    size_t section_at = 0;
    int32_t cutoff = 0;                      // ageing
    uint32_t owner = 0;                      // FOR:PERSONID of a mail database
    std::map<uint32_t, uint32_t> recounted;  // thread counts of a check, for the sections

    bool mail() const { return type == kMailDb; }
    bool check() const { return !rq.purge && rq.check; }
    void caption(const std::string& c) const;
    void go(PurgeStep next, const char* shown = nullptr);

    // Runs `one` over the work list from `at` in one transaction over `tx`, until the batch's
    // units exceed the batch size or the list ends; `done` tells which. False after a failure
    // (rolled back and told).
    bool batch(const std::vector<int>& tx, const std::function<bool(uint32_t)>& one, bool& done);
    // A read that failed (told and counted by the record operations) since `before`.
    bool read_failed(uint64_t before) const { return s.read_failures != before; }
    // Records a change the count makes: in a check it is listed and false is returned (nothing
    // is to be written); otherwise true.
    bool change(const char* file, uint32_t id, const char* field, int64_t stored, int64_t counted);

    // Deletes a message or mail with its text, attachments and word index entries when its text
    // exists (else leaves it: `deleted` false). The header must be in the record buffer.
    bool delete_message(uint32_t number, bool& deleted);
    bool remove_word_entries(uint32_t number);

    // After a deleting batch: on low free space the header, text and thread files are closed
    // and opened again, as the user is told.
    void disk_check();
    bool update_forums();  // FOR:MSGCOUNT and FOR:COUNTFLAG from the header count

    // Steps, by file.
    bool aged_threads();
    bool mark_aged();
    bool count_marked_threads();
    bool marked_threads();
    bool marked_messages();
    bool marked_sections();
    bool section_threads();
    bool section_walk();
    bool thread_purge(uint32_t thread);

    bool mail_minutes();
    bool mail_duplicates();
    bool mail_persons();
    bool mail_partners();
    bool mail_marked();
    bool copy_recipients();

    bool links();
    bool code_counts();
    bool word_entries();
    bool word_counts();
    bool word_key();
    bool plinks();
    bool receivers();
    bool person_counts();
    bool thread_counts();
    bool section_counts();
    bool mail_counts();
    bool end();

    PurgeStep after_word_key() const;
};

// The files a run of this kind opens.
std::vector<int> purge_files(uint8_t type);
// OP_CLOSE over any number of files (it takes ten a call).
void op_files(Session& s, int operation, const std::vector<int>& files);

// Marks the duplicates among the mails (step 98): the candidates' MAILIDs in `out`. Read only.
bool find_duplicate_mails(Session& s, std::vector<uint32_t>& out);

// The threads that ageing marks with a cutoff day (step 99). Read only.
bool find_aged_threads(Session& s, int32_t cutoff, std::vector<uint32_t>& out);

// The messages of a thread, in thread order; false after a read failed.
bool thread_messages(Session& s, uint32_t thread, std::vector<MsgNmbr>& out);

// Every identifier of a file by walking `key` and taking `id` of each record; `keep` filters.
template <class R>
bool collect_ids(Session& s, int file, int key, uint32_t R::*id,
                 const std::function<bool(const R&)>& keep, std::vector<uint32_t>& out) {
    const uint64_t before = s.read_failures;
    Set(s, file, key);
    while (Next(s, file)) {
        const R& r = buffer<R>(s, file);
        if (!keep || keep(r)) out.push_back(r.*id);
    }
    return s.read_failures == before;
}

}  // namespace qs::maint
