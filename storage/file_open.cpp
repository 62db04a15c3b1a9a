// SPDX-License-Identifier: MIT
// OP_CLOSE and the open loop: every file is created when missing, repaired when its keys are
// damaged, replaced when it is a small or transient file with an outdated layout or a transient
// file that is damaged, and otherwise a file that cannot be opened stops the program with a
// message that says why. A damaged file (empty, or no file of the store) is never written into,
// and neither is a file written by an earlier build in another layout generation, however small.
#include <algorithm>
#include <cstdio>

#include "platform/fs.h"
#include "storage/file_access.h"

namespace qs {

namespace {

std::string disk_name(const FileInfo& f) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "IDX%03d%s", f.number, f.ext);
    return buf;
}

std::string centred(const std::string& line, size_t width) {
    if (line.size() >= width) return line;
    return std::string((width - line.size()) / 2, ' ') + line;
}

[[noreturn]] void undefined_file(Session& s, int number) {
    halt(s.dialog, "Program Failure!",
         centred("File no " + std::to_string(number) + " not defined!", 40) + "\r\n" +
             centred("Quillstow will terminate!", 40));
}

const FileInfo& info_or_halt(Session& s, int number) {
    const FileInfo* f = file_info(number);
    if (!f) undefined_file(s, number);
    return *f;
}

void close_slot(Session& s, int number) {
    Session::Slot& slot = s.slots[static_cast<size_t>(number)];
    slot.file.reset();
    slot.count = 0;
}

// Removes the file and its journal from the disk, after every connection let go of it.
bool discard(Session& s, int number, const std::string& name) {
    close_slot(s, number);
    s.engine.forget(name);
    fs::remove_file(name + "-journal");
    auto r = fs::remove_file(name);
    return r == fs::RemoveResult::Removed || r == fs::RemoveResult::Missing;
}

[[noreturn]] void halt_open(Session& s, const std::string& title, const std::string& text,
                            const std::string& after = {}) {
    halt(s.dialog, title, text, after);
}

// The limits are the sizes of files that hold no or almost no records. Even an empty store file
// takes a page per table and key, so what is measured is the size beyond that.
bool below_discard_limit(Session& s, const FileInfo& f, const std::string& name,
                         const store::OpenOptions& opts) {
    if (f.discard_below < 0) return true;
    if (f.discard_below == 0) return false;
    uint64_t extra = 0;
    return s.engine.extra_bytes(name, opts, extra) &&
           extra < static_cast<uint64_t>(f.discard_below);
}

void make_word_index_dir(const Session& s, const FileInfo& f, const std::string& name) {
    if (f.place != Place::WordIndex) return;
    if (compare_nocase(s.MasIdxPath, s.mem.FileDir) == 0) return;
    fs::make_dirs(fs::dir_part(name));
}

struct Outcome {
    std::unique_ptr<store::File> file;
    bool layout_mismatch = false;  // reported only by the probe
};

[[noreturn]] void halt_cannot_rebuild(Session& s, const std::string& name) {
    halt_open(s, "File Rebuild Error",
              "The file " + name + " cannot be rebuilt.\r\nQuillstow will terminate.");
}

void rebuild_bad_keys(Session& s, const FileInfo& f, const std::string& name,
                      const store::OpenOptions& opts) {
    if (!s.quiet())
        s.dialog.message("File Open Error - Bad keys", "The file " + name +
                                                           " cannot be opened\r\n" +
                                                           "due to corrupted indices.\r\n" +
                                                           "Automatic rebuild will take place.");
    if (!s.engine.rebuild_keys(name, f.decl, opts)) halt_cannot_rebuild(s, name);
}

[[noreturn]] void halt_damaged(Session& s, const std::string& name) {
    halt_open(s, "File Open Error - Damaged file",
              "The file " + name + " is empty or damaged:\r\n" + "its records cannot be read.\r\n" +
                  "Restore it from a backup, or remove it\r\n" +
                  "to start it empty.\r\nQuillstow will terminate.",
              "Restore " + name +
                  " from a backup, or remove it to start it empty. Nothing was written into it.");
}

[[noreturn]] void halt_earlier(Session& s, const std::string& name) {
    halt_open(s, kEarlierLayoutTitle,
              "The file " + name + " was written by an earlier version of Quillstow,\r\n" +
                  "which laid out its files differently.\r\n" +
                  "This version does not read it, so that nothing in it is misread.\r\n" +
                  "Quillstow will terminate.",
              "Keep using the earlier version for this archive, or start a new archive home for "
              "this version. Nothing was written into " +
                  name + ".");
}

[[noreturn]] void halt_other(Session& s, const std::string& name, const Status& st) {
    halt_open(s, "File Open Error",
              "The file " + name + " cannot be opened.\r\nError no " + std::to_string(st.error()) +
                  "\r\n" + st.text() + "\r\n" + "Quillstow will terminate.");
}

// Transient files hold nothing anybody needs after their run: damaged, they are made anew.
bool transient(const FileInfo& f) { return f.scratch || f.discard_below < 0; }

// The open loop. Returns the open file; halts the program when the file cannot be had.
Outcome open_loop(Session& s, int number, bool probe) {
    const FileInfo& f = info_or_halt(s, number);
    store::OpenOptions opts{file_key(number), 5000, !f.scratch, f.bulk};
    for (int attempt = 0;; ++attempt) {
        std::string name = full_name(s, number);
        s.FileName = name;
        if (name.empty())
            halt_open(s, "Invalid File Name Error",
                      "The file " + name +
                          " cannot be opened.\r\nThe filename is not a valid DOS file name or the "
                          "path does not exist \r\nQuillstow will terminate.");
        make_word_index_dir(s, f, name);
        if (attempt > 8) halt_cannot_rebuild(s, name);
        Outcome out;
        Status st;
        switch (s.engine.open(name, f.decl, opts, out.file, st)) {
            case store::OpenResult::Ok: return out;
            case store::OpenResult::Missing:
                if (!s.engine.create(name, f.decl, opts))
                    halt_open(s, "File Open Error",
                              "The file " + name +
                                  " is missing!\r\nThis file cannot be created by the "
                                  "program\r\nand Quillstow will terminate.");
                continue;
            case store::OpenResult::PathMissing:
                halt_open(s, "Path Not Found",
                          "The path " + fs::dir_part(name) +
                              " does not exist.\r\nQuillstow will terminate.",
                          "Check your directory setup in Preferences and run File/Rebuild.");
            case store::OpenResult::AccessDenied:
                halt_open(s, " File Open Error - Access denied",
                          "The file " + name + " cannot be opened!\r\nQuillstow will terminate.",
                          "Check your network access rights or the possible need for SHARE or "
                          "VSHARE");
            case store::OpenResult::BadKeys: rebuild_bad_keys(s, f, name, opts); continue;
            case store::OpenResult::LayoutMismatch:
                if (probe) {
                    out.layout_mismatch = true;
                    return out;
                }
                // Only a file of this build's own generation is ever discarded (see below).
                if (below_discard_limit(s, f, name, opts) && discard(s, number, name)) continue;
                halt_open(s, " File Open Error - Invalid record declaration",
                          "The file " + name + " cannot be opened\r\n" +
                              "as the file definition is incorrect.\r\n" +
                              "Quillstow will terminate.");
            case store::OpenResult::EarlierLayout:
                // The temporary files of a run hold nothing of the archive; every other file of an
                // earlier build is kept as it is, even one the size rule would let go.
                if (f.scratch && discard(s, number, name)) continue;
                halt_earlier(s, name);
            case store::OpenResult::Damaged:
                if (transient(f) && discard(s, number, name)) continue;
                halt_damaged(s, name);
            case store::OpenResult::Failed: halt_other(s, name, st);
        }
    }
}

void open_foreign(Session& s, int number) {
    std::string name = full_name(s, number);
    s.FileName = name;
    if (name.empty() || !fs::exists(name))
        halt_open(s, "File Open Error",
                  "The file " + name +
                      " is missing!\r\nThis file cannot be created by the program\r\nand "
                      "Quillstow will terminate.");
}

void open_shared(Session& s, int number) {
    Session::Slot& slot = s.slots[static_cast<size_t>(number)];
    if (slot.count <= 0) {
        slot.count = 0;
        if (info_or_halt(s, number).foreign()) {
            open_foreign(s, number);
        } else {
            slot.file = open_loop(s, number, false).file;
        }
        slot.path = s.FileName;
    }
    ++slot.count;
}

void empty_or_compact(Session& s, int number, bool compact) {
    if (info_or_halt(s, number).foreign()) return;
    close_slot(s, number);
    auto file = open_loop(s, number, false).file;
    Status st = compact ? file->compact() : file->empty();
    if (!st && !compact)
        halt_open(s, "File Empty Error",
                  "The file " + s.FileName + " cannot be emptied.\r\n" +
                      "Exclusive access not granted \r\nQuillstow will terminate.");
    file.reset();
    close_slot(s, number);
}

void remove_file(Session& s, int number) {
    const FileInfo& f = info_or_halt(s, number);
    std::string name = full_name(s, number);
    close_slot(s, number);
    if (f.foreign() || name.empty()) return;
    discard(s, number, name);
}

void probe(Session& s, int number) {
    if (info_or_halt(s, number).foreign()) return;
    close_slot(s, number);
    if (open_loop(s, number, true).layout_mismatch) s.IndexingInProgress = true;
    close_slot(s, number);
}

void one(Session& s, int operation, int number) {
    if (!file_info(number)) undefined_file(s, number);
    Session::Slot& slot = s.slots[static_cast<size_t>(number)];
    switch (operation) {
        case kOpClose:
            if (--slot.count <= 0) close_slot(s, number);
            break;
        case kOpOpen:
        case kOpOpenExclusive: open_shared(s, number); break;
        case kOpEmpty: empty_or_compact(s, number, false); break;
        case kOpForceClose: close_slot(s, number); break;
        case kOpCompact: empty_or_compact(s, number, true); break;
        case kOpRemove: remove_file(s, number); break;
        case kOpProbe: probe(s, number); break;
        default: break;
    }
}

}  // namespace

std::string full_name(const Session& s, int number) {
    const FileInfo* f = file_info(number);
    if (!f) return {};
    auto under = [&](const std::string& root, const std::string& dir) -> std::string {
        if (root.empty() || dir.empty()) return {};
        return fs::join(fs::join(root, dir), disk_name(*f));
    };
    switch (f->place) {
        case Place::Cfg: return under(s.mem.Net, "CFG");
        case Place::Temp:
            return s.mem.TempDir.empty() ? std::string() : fs::join(s.mem.TempDir, disk_name(*f));
        case Place::Foreign: return s.FileTmpName;
        case Place::WordIndex: return under(s.MasIdxPath, s.mem.Dirnamn);
        case Place::Database: return under(s.mem.FileDir, s.mem.Dirnamn);
    }
    return {};
}

namespace {

// A home found to be of this build's layout gets a note in its TEMP directory: the layout
// generation and the state (store::file_state) of its settings and database list files when they
// were looked into. While both files are in that state, the next start-up need not open them to
// know: that costs a few system calls instead of reading two files' schemas and signatures. A
// commit to either file, a file put in the place of one, a journal beside one or another
// generation's note sends the next start-up to look inside again.
constexpr const char* kLayoutNote = "LAYOUT.CHK";

std::string layout_note(const std::vector<std::string>& states) {
    std::string note(store::kLayoutGeneration);
    note += "\n";
    for (const std::string& state : states) note += state + "\n";
    return note;
}

std::vector<std::string> home_file_states(const std::vector<std::string>& names) {
    std::vector<std::string> states;
    for (const std::string& name : names)
        states.push_back(name.empty() ? std::string() : store::file_state(name));
    return states;
}

bool written_by_earlier_build(const std::string& name, int number) {
    std::string signature;
    if (name.empty() || !fs::exists(name)) return false;
    if (!store::read_signature(name, file_key(number), signature)) return false;
    return !signature.empty() && !store::current_generation(signature);
}

}  // namespace

bool HomeOfEarlierBuild(const Session& s) {
    const int numbers[] = {kControl, kForums};
    std::vector<std::string> names;
    for (int number : numbers) names.push_back(full_name(s, number));
    const std::vector<std::string> states = home_file_states(names);
    // Only files that can be told apart later are noted, and a home without them has none.
    const bool notable =
        std::none_of(states.begin(), states.end(), [](const auto& st) { return st.empty(); }) &&
        std::any_of(states.begin(), states.end(), [](const auto& st) { return st != "-"; });
    const std::string temp = fs::join(s.mem.Net, "TEMP");
    const std::string note_path = fs::join(temp, kLayoutNote);
    const std::string note = layout_note(states);
    if (notable && fs::read_head(note_path, note.size() + 1) == note) return false;
    for (size_t i = 0; i < names.size(); ++i)
        if (written_by_earlier_build(names[i], numbers[i])) return true;
    // Noted only when neither file changed while it was looked into.
    if (notable && fs::is_dir(temp) && home_file_states(names) == states)
        fs::replace_file(note_path, note);
    return false;
}

uint8_t OP_CLOSE(Session& s, int operation, std::initializer_list<int> files) {
    return OP_CLOSE(s, operation, std::vector<int>(files));
}

uint8_t OP_CLOSE(Session& s, int operation, const std::vector<int>& files) {
    if (operation < 0 || operation > kOpProbe) return 1;
    size_t n = 0;
    for (int f : files) {
        if (++n > 10) break;  // ten files per call
        one(s, operation, f);
    }
    return 1;
}

}  // namespace qs
