// SPDX-License-Identifier: MIT
// The shared state of one process: the directories, the current database, the unattended flag,
// one record buffer and open count per file, the store engine, the dialogs and the clock.
// Everything the system calls a shared global lives here, so tests can run sessions side by side.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/record_store.h"
#include "storage/files.h"
#include "storage/records.h"
#include "storage/settings_state.h"

namespace qs {

// Mem: the directories and the current database.
struct Mem {
    std::string Net;      // the archive's home; holds CFG
    std::string FileDir;  // root of the database directories
    std::string TempDir;
    std::string Dirnamn;       // "F" + directory number of the current database
    std::string Description;   // the current database's name
    uint32_t ForumNumber = 0;  // 0: no database is current
    uint8_t ForumType = 0;
    uint8_t ForumCheck = 0;
    int32_t PersonID = 0;
    int32_t WordListIndexNeedsUpdate = 0;
    uint8_t ScrRes = 0;
    uint8_t DoTask = 0;  // 2 and 6: unattended, no message may be shown
};

// One record buffer per file.
struct Records {
    qs::Codes Codes;
    qs::Forums Forums;
    qs::MsgNmbr MsgNmbr;
    qs::MsgText MsgText;
    qs::Person Person;
    qs::Sections Sections;
    qs::Threads Threads;
    qs::Control Control;
    qs::SIndex SIndex;
    qs::NHR NHR;
    qs::Mail Mail;
    qs::CCR CCR;
    qs::IMP IMP;
    qs::CCT CCT;
    qs::REF REF;
    qs::PLINK PLINK;
    qs::TID TID;
    qs::MsgString MsgString;
    qs::TAS TAS;
    qs::FLI FLI;
    qs::WordList WordList;
    qs::MasIdx MasIdx;
    qs::STO STO;
    qs::Search Search;
    qs::PUR PUR;
    qs::BAT BAT;
    qs::TIM TIM;
    qs::WD WD;
    qs::TLO TLO;
    qs::TLI TLI;
    qs::Neo Neo;
    qs::Attach Attach;
    qs::AttData AttData;
    qs::ATN ATN;
    qs::ATB ATB;
};
// The buffer of a file, nullptr for foreign files.
void* buffer_of(Records& rec, int file);

// Who owns the mail database being imported into or exported from: its own addresses (entry 0
// the default one, lower-cased), its name and address as written, and the last name of the owner
// once the first message of a run resolved it.
struct OwnerIdentity {
    std::array<std::string, 1 + std::tuple_size_v<decltype(Forums::ALTADDRESS)>> own;
    std::string name;
    std::string address;
    std::string last_name_cache;
};

// Identifiers taken from the counter in one piece and not yet handed out (ReserveIds).
struct IdBlock {
    uint32_t next = 0;
    uint32_t end = 0;  // one past the last
    uint32_t left() const { return end - next; }
};

struct Stopwatch {
    int32_t start_date = 0, start_time = 0, stop_date = 0, stop_time = 0;
};

class Session {
public:
    Session(Dialog& dialog, const Clock& clock) : dialog(dialog), clock(clock) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool quiet() const { return mem.DoTask == 2 || mem.DoTask == 6; }

    Dialog& dialog;
    const Clock& clock;
    Mem mem;
    std::string MasIdxPath;   // root of the word index directories
    std::string FileName;     // the file being opened, for messages
    std::string FileTmpName;  // name of a foreign file about to be opened
    bool IndexingInProgress = false;
    int GlobalRequest = 0;
    int GlobalResponse = 0;
    Records rec;
    SettingsState settings;
    OwnerIdentity owner;
    store::Engine engine;

    struct Slot {
        int count = 0;
        std::unique_ptr<store::File> file;
        std::string path;
    };
    std::array<Slot, kMaxFileNo + 1> slots;
    std::array<Stopwatch, 20> stopwatches;
    // Reads the store failed (other than for a missing record) since the session began.
    uint64_t read_failures = 0;
    IdBlock ids;
};

}  // namespace qs
