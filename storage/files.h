// SPDX-License-Identifier: MIT
// The catalogue of the store's files: numbers 1 to 43, their disk names, where they live, which
// database types hold them, their record layouts and keys. Callers name files by number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/record_store.h"
#include "storage/records.h"

namespace qs {

// File numbers.
enum FileNo : int {
    kCodes = 1,
    kForums = 2,
    kMsgNmbr = 3,
    kMsgText = 4,
    kPerson = 5,
    kSections = 6,
    kThreads = 7,
    kControl = 8,
    kSIndex = 9,
    kNHR = 10,
    kHRE = 11,
    kDOS = 12,
    kMail = 13,
    kCCR = 17,
    kIMP = 18,
    kCCT = 19,
    kCCO = 20,
    kCMA = 21,
    kREF = 22,
    kPLINK = 23,
    kTID = 24,
    kMsgString = 25,
    kTAS = 26,
    kFLI = 27,
    kWordList = 28,
    kMasIdx = 29,
    kSTO = 30,
    kTOC = 31,
    kSearch = 32,
    kPUR = 33,
    kBAT = 34,
    kTIM = 35,
    kWD = 39,
    kOUI = 40,
    kTLO = 41,
    kTLI = 42,
    kNeo = 43,
    kAttach = 44,
    kAttData = 45,
    kATN = 46,
    kATB = 47,
};
inline constexpr int kMaxFileNo = 47;

enum class Place {
    Cfg,        // <home>/CFG
    Temp,       // the temporary directory
    Foreign,    // a reader's file, named at run time
    WordIndex,  // the word index root / current database directory
    Database,   // the database root / current database directory
};

// Database types, as in FOR:TYPE.
enum DbType : uint8_t { kForumDb = 1, kMailDb = 2, kNewsDb = 3 };

struct FileInfo {
    int number = 0;
    const char* name = "";    // Forums, MsgNmbr, ...
    const char* prefix = "";  // FOR, MSG, ...
    Place place = Place::Cfg;
    const char* ext = ".TPS";
    const char* types = "";  // database types that hold the file: "FMN", "FN", "M", ...
    // Bytes of a record as its fields' types give them, the long text not counted; for a
    // reader's file, as the reader's layout has it.
    int record_size = 0;
    // A file with an outdated layout is recreated empty when it is smaller than this many bytes
    // (0: never; -1: always, for a file that holds only transient data).
    int64_t discard_below = 0;
    const char* password = nullptr;  // encrypted files
    // Holds the work of one run only and is never read after a crash (the import's temporary
    // files, removed when a run starts), or is written anew by every use (the search result
    // set): written without waiting for the disk.
    bool scratch = false;
    // Written once in long runs and read once (the import's temporary files): 64 KiB pages.
    bool bulk = false;
    store::TableDecl decl;
    bool keyed() const { return !decl.keys.empty(); }
    bool foreign() const { return place == Place::Foreign; }
};

// nullptr for numbers that name no file (14 to 16, 36 to 38, 0, above 43).
const FileInfo* file_info(int number);
// Key index by its name within the file's keys (IdKey, Threadkey, ...); -1 when unknown.
int key_index(int number, const std::string& key_name);
// The encryption key of an encrypted file, nullptr for the others.
const vfs::Key* file_key(int number);

// Keys of the most used files by position, for readable calls: every key of the file, in the
// catalogue's order (files.cpp), under its name there with the file's short prefix where two
// files share a name. A test holds each constant to its key's name (key_index).
namespace keys {
enum Forums { ForumKey, AlphaKey, DirKey, TypeKey };
enum MsgNmbr { MsgIdKey, Threadkey, SECkey, MsgFromKey, MsgToKey, MsgDateKey, MsgStatusKey };
enum MsgText { TxtIdKey, TxtDateKey };
enum Mail { MaiIdKey, MaiDateKey, PairKey, MaiFromKey, MaiToKey, SubjectKey, MaiStatusKey };
enum Person { PersonKey, StringKey, AddressKey, NameKey };
enum Control { CtlIdKey };
enum BAT { BatIdKey, BatTypeKey };
enum FLI { FliIdKey };
enum TIM { TimTaskKey, TimBatchKey };
enum Attach { AttIdKey, AttHashKey };
enum AttData { ChunkKey };
}  // namespace keys

}  // namespace qs
