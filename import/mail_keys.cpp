// SPDX-License-Identifier: MIT
#include <algorithm>
#include <string>

#include "import/import_run.h"
#include "storage/file_access.h"

namespace qs {

namespace {

// The keys storing a mail does not read: the duplicate check goes by date, copy recipients find
// their mail by number, and the status key grows at its end. The person counts after the store
// phase read the sender and receiver keys, so they are built before.
constexpr int kKeysAside[] = {keys::PairKey, keys::MaiFromKey, keys::MaiToKey, keys::SubjectKey};

// Below this many messages to store, or a quarter of the mails already there, the keys are
// kept: building a key sorts every mail of the file, inserting touches a page per mail. The same
// share makes compacting the file of headers afterwards worth its pass over the whole file.
constexpr uint64_t kLargeImport = 2000;

bool large_import(uint64_t messages, uint64_t already_there) {
    return messages >= kLargeImport && messages >= already_there / 4;
}

}  // namespace

bool ImportProcessor::Impl::set_mail_keys_aside() {
    if (current_db().type != kMailDb || !mail_keys_aside.empty()) return true;
    const uint64_t to_store = unsettled();
    uint64_t stored = 0;
    if (to_store < kLargeImport || !RecordCount(s, kMail, stored) ||
        !large_import(to_store, stored))
        return true;
    store::File& mail = handle(s, kMail);
    for (int key : kKeysAside) {
        mail_keys_aside.push_back(key);
        if (Status st = mail.drop_key(key); !st) {
            log("the keys of the mail file stay: " + st.text());
            return restore_mail_keys();
        }
    }
    log("keys of the mail file set aside while " + std::to_string(to_store) +
        " messages are stored");
    return true;
}

// The keys are built in a transaction of their own: its connection maps no file and keeps the
// small page cache of a transaction, which also bounds what the sort of a million mails holds
// in memory (on the file's own connection it mapped its sort files: 326 MB).
bool ImportProcessor::Impl::restore_mail_keys() {
    if (mail_keys_aside.empty()) return true;
    mail_keys_aside.clear();
    if (TransactionCheck(s, BeginTransaction(s, {kMail}))) return false;
    store::File& mail = handle(s, kMail);
    for (int key : kKeysAside) {
        if (Status st = mail.build_key(key); !st) {
            log("a key of the mail file could not be built: " + st.text());
            Rollback(s);
            return false;
        }
    }
    return Commit(s);
}

void ImportProcessor::Impl::compact_headers() {
    const int file = current_db().type == kMailDb ? kMail : kMsgNmbr;
    uint64_t records = 0;
    if (db_stored < kLargeImport || !RecordCount(s, file, records) ||
        !large_import(db_stored, records - std::min(records, db_stored)))
        return;
    if (Status st = handle(s, file).compact(); !st)
        log("the message headers stay as they are: " + st.text());
    else
        log("message headers compacted after " + std::to_string(db_stored) + " were stored");
}

}  // namespace qs
