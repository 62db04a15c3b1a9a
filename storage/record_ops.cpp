// SPDX-License-Identifier: MIT
// Record operations with their fixed failure reports, holds, the form save protocol and
// transactions.
#include "platform/fs.h"
#include "storage/file_access.h"

namespace qs {

namespace {

const store::TableDecl& decl_of(int file) { return file_info(file)->decl; }

std::string reason(const Status& st) {
    switch (st.code()) {
        case Code::AccessDenied:
        case Code::NotFound:
        case Code::Locked: return "Record not available!";
        case Code::Duplicate: return "A record with identical key already exists!";
        default: return st.text();
    }
}

const char* failure_head(int operation) {
    switch (operation) {
        case kUpdate: return "Record update error!";
        case kDelete: return "Record delete error!";
        default: return "Record add error!";
    }
}

std::string title_of(Session& s, int file) {
    const std::string& path = s.slots[static_cast<size_t>(file)].path;
    return path.empty() ? std::string(file_info(file)->name) : path;
}

void report_failure(Session& s, int file, int operation, int mode, const Status& st) {
    if (mode != kReport && mode != kRollback) return;
    std::string text = std::string(failure_head(operation)) + "\r\n" + reason(st);
    if (operation == kUpdate || operation == kDelete) handle(s, file).release();
    if (mode == kRollback) {
        s.engine.rollback();
        text += "\r\nThe last transaction is rolled back.";
    }
    if (!s.quiet()) s.dialog.message(title_of(s, file), text);
}

}  // namespace

store::File& handle(Session& s, int file) {
    const FileInfo* f = file_info(file);
    if (!f || !s.slots[static_cast<size_t>(file)].file)
        halt(s.dialog, "Program Failure!",
             "File no " + std::to_string(file) + " is not open!\r\nQuillstow will terminate!");
    return *s.slots[static_cast<size_t>(file)].file;
}

namespace {

store::File* open_file(Session& s, int file) {
    if (!file_info(file)) return nullptr;
    return s.slots[static_cast<size_t>(file)].file.get();
}

}  // namespace

ReadSnapshot::ReadSnapshot(Session& s, const std::vector<int>& files, bool once)
    : s_(s), once_(once) {
    for (int file : files) {
        store::File* f = open_file(s, file);
        if (!f || f->reading() || !f->begin_reading()) continue;
        if (once_) f->read_once(true);
        files_.push_back(file);
    }
}

ReadSnapshot::~ReadSnapshot() {
    for (int file : files_) {
        store::File* f = open_file(s_, file);
        if (!f) continue;
        f->end_reading();
        if (once_) f->read_once(false);
    }
}

bool UppDat(Session& s, int file, int operation, int mode) {
    store::File& h = handle(s, file);
    void* rec = buffer_of(s.rec, file);
    Status st;
    switch (operation) {
        case kAdd:
        case kAppend: st = h.add(rec); break;
        case kUpdate: st = h.put(rec); break;
        case kDelete: st = h.remove(); break;
        default: return false;
    }
    if (!st) report_failure(s, file, operation, mode, st);
    return st.is_ok();
}

bool AddOnce(Session& s, int file, int mode) {
    Status st = handle(s, file).add(buffer_of(s.rec, file));
    if (st || st.code() == Code::Duplicate) return true;
    report_failure(s, file, kAdd, mode, st);
    return false;
}

uint8_t HoldRec(Session& s, int file, int key, bool by_key, int64_t position, int timeout) {
    store::File& h = handle(s, file);
    void* rec = buffer_of(s.rec, file);
    Status st;
    if (by_key) {
        st = h.get(key, rec, rec);
        position = h.position();
    }
    if (st) st = h.hold(position, rec, timeout);
    if (st) return 1;
    if (s.quiet()) return 0;
    if (st.code() == Code::NotFound)
        s.dialog.message(title_of(s, file),
                         "The record has been deleted by another user!\r\n"
                         "                   Update is cancelled!");
    else if (st.code() == Code::Locked || st.code() == Code::Busy)
        s.dialog.message("The record is not accessible!",
                         "The record is locked by another user!\r\n"
                         "Update is cancelled, try again later!");
    else
        s.dialog.message("The record is not accessible!",
                         "               The record cannot be read!\r\n"
                         "Update is cancelled, try again later!");
    return 0;
}

void ReleaseRec(Session& s, int file) { handle(s, file).release(); }

SaveRec::SaveRec(Session& s, int file) : s_(s), file_(file) {
    const auto& codec = decl_of(file).codec;
    image1_ = codec.make();
    image2_ = codec.make();
    codec.copy(image1_, buffer_of(s.rec, file));
    codec.copy(image2_, image1_);
    position_ = handle(s, file).position();
}

SaveRec::~SaveRec() {
    const auto& codec = decl_of(file_).codec;
    codec.destroy(image1_);
    codec.destroy(image2_);
}

std::string SaveRec::save(int operation) {
    const auto& codec = decl_of(file_).codec;
    void* buf = buffer_of(s_.rec, file_);
    if (!HoldRec(s_, file_, 0, false, position_, 5)) return "";
    if (!codec.equal(buf, image1_)) {
        if (!s_.quiet())
            s_.dialog.message("Warning!",
                              "The record has just been changed by another user!\r\nTry again!");
        codec.copy(image1_, buf);
        codec.copy(image2_, buf);
        ReleaseRec(s_, file_);
        return "";
    }
    if (operation == kDelete) return UppDat(s_, file_, kDelete, kReport) ? "OK" : "0";
    codec.copy(buf, image2_);
    if (!UppDat(s_, file_, kUpdate, kReport)) return "0";
    codec.copy(image1_, buf);
    return "OK";
}

Status BeginTransaction(Session& s, std::initializer_list<int> files, int timeout) {
    std::vector<store::File*> handles;
    for (int f : files) handles.push_back(&handle(s, f));
    return s.engine.begin(handles, timeout);
}

bool TransactionCheck(Session& s, const Status& started) {
    if (started) return false;
    if (!s.quiet()) s.dialog.message("Warning!", "Transaction Frame Error!\r\n" + started.text());
    s.engine.rollback();
    return true;
}

bool Commit(Session& s) {
    Status st = s.engine.commit();
    if (!st && !s.quiet()) s.dialog.message("Warning!", "Transaction Frame Error!\r\n" + st.text());
    return st.is_ok();
}

void Rollback(Session& s) { s.engine.rollback(); }

bool StoreRead(Session& s, int file, const Status& st) {
    if (st || st.code() == Code::NotFound) return st.is_ok();
    ++s.read_failures;
    if (!s.quiet()) s.dialog.message(file_info(file)->name, "Record read error!\r\n" + st.text());
    return false;
}

bool Get(Session& s, int file, int key) {
    void* rec = buffer_of(s.rec, file);
    return StoreRead(s, file, handle(s, file).get(key, rec, rec));
}

void Set(Session& s, int file, int key) { handle(s, file).set(key); }

void SetFrom(Session& s, int file, int key, int parts) {
    handle(s, file).set(key, buffer_of(s.rec, file), parts);
}

bool Next(Session& s, int file) {
    return StoreRead(s, file, handle(s, file).next(buffer_of(s.rec, file)));
}

bool Previous(Session& s, int file) {
    return StoreRead(s, file, handle(s, file).previous(buffer_of(s.rec, file)));
}

bool Fetch(Session& s, int file, int64_t position) {
    return StoreRead(s, file, handle(s, file).fetch(position, buffer_of(s.rec, file)));
}

bool RecordCount(Session& s, int file, uint64_t& n) {
    n = 0;
    return StoreRead(s, file, handle(s, file).count(n));
}

}  // namespace qs
