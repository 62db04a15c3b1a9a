// SPDX-License-Identifier: MIT
// File access and record operations: opening (with create and repair), closing, emptying,
// compacting and removing files by number; adding, updating, deleting and holding records;
// transactions; identifiers; and the fixed failure messages. Failures are reported here, through
// the session's dialogs (silently while unattended); a failure that leaves the data unusable
// shows its message and throws Halt.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "storage/session.h"
#include "storage/settings_items.h"

namespace qs {

// Operations of OP_CLOSE.
enum : int {
    kOpClose = 0,
    kOpOpen = 1,
    kOpOpenExclusive = 2,
    kOpEmpty = 3,
    kOpForceClose = 4,
    kOpCompact = 5,
    kOpRemove = 6,
    kOpProbe = 7,
};
// Record operations of UppDat, and its modes.
enum : int { kAdd = 1, kUpdate = 2, kDelete = 3, kAppend = 4 };
enum : int { kReport = 7, kRollback = 8 };

// Opens, closes, empties, compacts, removes or probes each file in turn. Returns 1.
uint8_t OP_CLOSE(Session& s, int operation, std::initializer_list<int> files);
uint8_t OP_CLOSE(Session& s, int operation, const std::vector<int>& files);

// Keeps files open (OP_CLOSE open and close) for as long as the object lives, halts included.
class OpenFiles {
public:
    OpenFiles(Session& s, std::vector<int> files) : s_(s), files_(std::move(files)) {
        OP_CLOSE(s_, kOpOpen, files_);
    }
    ~OpenFiles() { OP_CLOSE(s_, kOpClose, files_); }
    OpenFiles(const OpenFiles&) = delete;
    OpenFiles& operator=(const OpenFiles&) = delete;

private:
    Session& s_;
    std::vector<int> files_;
};

// The full disk name of a file by the path rules; empty when it cannot be built.
std::string full_name(const Session& s, int file);

// The title of the messages that refuse a file, or a whole home, written by an earlier build.
inline constexpr const char* kEarlierLayoutTitle = "Archive of an Earlier Version";
// Whether the home's settings or database list (in `Mem:Net`) were written by an earlier build in
// another layout generation; read without writing anything into them. False when they are
// missing or cannot be read: opening them then tells what is wrong. A home found to be of this
// layout is noted in its TEMP directory, so that the next call, while neither file changed, only
// compares their states with the note. Call it before the session opens either file.
bool HomeOfEarlierBuild(const Session& s);

// Adds, updates or deletes the file's current record; true on success.
[[nodiscard]] bool UppDat(Session& s, int file, int operation, int mode);

// Adds the current record unless one with the same unique key is there already, which is no
// failure: true when the record is stored now or was before. Other failures are reported by
// `mode` as UppDat reports them.
[[nodiscard]] bool AddOnce(Session& s, int file, int mode);

// Reads a record for update and holds it: by key (the key values already in the record buffer)
// or by position. Returns 1 when held, 0 after telling the user why not.
[[nodiscard]] uint8_t HoldRec(Session& s, int file, int key, bool by_key, int64_t position,
                              int timeout);
void ReleaseRec(Session& s, int file);

// The save protocol of forms. Opening keeps the record as read (image 1) and the one being
// edited (image 2); saving re-reads it under hold and writes only when nobody changed it.
class SaveRec {
public:
    SaveRec(Session& s, int file);
    ~SaveRec();
    SaveRec(const SaveRec&) = delete;
    SaveRec& operator=(const SaveRec&) = delete;

    template <class R>
    R& edit() {
        return *static_cast<R*>(image2_);
    }
    // kUpdate or kDelete: "OK" on success, "0" on failure, "" when the record changed meanwhile
    // (the form then shows the current record) or could not be held.
    [[nodiscard]] std::string save(int operation);

private:
    Session& s_;
    int file_;
    void* image1_;
    void* image2_;
    int64_t position_;
};

// The next identifier; 0 after telling the user it failed. The Control file must be open.
// Identifiers reserved by ReserveIds are handed out first.
[[nodiscard]] uint32_t NextNr(Session& s);

// Takes identifiers from the counter in one piece, so that a long run of additions does not write
// the Control file for each new identifier: when fewer than `low` reserved ones are left, `count`
// more are taken under the counter's hold, outside any transaction, as NextNr takes one.
// Identifiers are never handed out twice; those reserved and not used are lost unless ReturnIds
// gives them back. False when the counter could not be raised (NextNr then takes
// its identifiers one by one).
[[nodiscard]] bool ReserveIds(Session& s, uint32_t low, uint32_t count);
// Gives the unused reserved identifiers back to the counter when nobody took any from it since
// they were reserved, and forgets them in any case. Outside any transaction; the Control file
// must be open.
void ReturnIds(Session& s);

// Transactions over open files. BeginTransaction followed by TransactionCheck (the check that
// runs right after a start): true means it failed, was reported and nothing is to be done.
[[nodiscard]] Status BeginTransaction(Session& s, std::initializer_list<int> files,
                                      int timeout = 5);
[[nodiscard]] bool TransactionCheck(Session& s, const Status& started);
[[nodiscard]] bool Commit(Session& s);  // false after a failed commit was reported and rolled back
void Rollback(Session& s);

// 0 when the caller may go on; the free byte count when it must abort.
[[nodiscard]] uint64_t CheckSpace(Session& s, uint64_t minimum, const std::string& path);

// Stopwatches by StartStopOp: clear all, start a slot, or stop it and return the whole seconds
// elapsed.
int64_t StartStop(Session& s, int operation, int slot);

// Record access by file number on the file's record buffer. Get, Next, Previous and Fetch are
// false for a missing record or the end of a list; a read the store fails is also false, and is
// told to the user and counted in `Session::read_failures`, so that a list or a count that
// stopped short is never taken for a whole one.
store::File& handle(Session& s, int file);              // the file must be open
[[nodiscard]] bool Get(Session& s, int file, int key);  // exact match on the buffer's key values
void Set(Session& s, int file, int key);
void SetFrom(Session& s, int file, int key, int parts);  // from the buffer's first parts
[[nodiscard]] bool Next(Session& s, int file);
[[nodiscard]] bool Previous(Session& s, int file);
[[nodiscard]] bool Fetch(Session& s, int file, int64_t position);
// The number of records of an open file; false when the store could not count them.
[[nodiscard]] bool RecordCount(Session& s, int file, uint64_t& n);
// The outcome of a read on a file's handle: true when it read a record; false for a missing one;
// a failure of the store is also false, after it was told and counted as above.
[[nodiscard]] bool StoreRead(Session& s, int file, const Status& st);
// Read snapshots on open files for one short read-only pass (see store::File::begin_reading);
// a file that is not open is passed over. Ended when the object goes. With `once`, the records
// are ones read once each, scattered over the files (see store::File::read_once).
class ReadSnapshot {
public:
    ReadSnapshot(Session& s, const std::vector<int>& files, bool once = false);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Session& s_;
    std::vector<int> files_;  // by number: a file closed meanwhile has ended its snapshot
    bool once_;
};

template <class R>
R& buffer(Session& s, int file) {
    return *static_cast<R*>(buffer_of(s.rec, file));
}

}  // namespace qs
