// SPDX-License-Identifier: MIT
#include "storage/files.h"

#include <array>
#include <memory>
#include <mutex>

namespace qs {

namespace {

struct KeySpec {
    const char* name;
    std::vector<std::string> parts;  // field names, "-" first for descending
    bool unique;
    bool nocase;
};

template <class R>
store::TableDecl table(const std::vector<KeySpec>& keys) {
    store::TableDecl d;
    d.fields = store::describe_fields<R>();
    d.codec = store::make_codec<R>();
    for (const auto& k : keys) {
        store::KeyDecl kd{k.name, {}, k.unique, k.nocase};
        for (const auto& p : k.parts) {
            bool desc = p[0] == '-';
            int f = d.field_index(desc ? p.substr(1) : p);
            if (f < 0) throw std::logic_error("unknown key field " + p);
            kd.parts.push_back({f, desc});
        }
        d.keys.push_back(std::move(kd));
    }
    return d;
}

constexpr bool U = true;   // unique
constexpr bool D = false;  // duplicates
constexpr bool I = true;   // case-insensitive
constexpr bool C = false;  // exact

// The built-in passwords of the encrypted files.
constexpr const char* kPwForums = "Qf7#rL2";
constexpr const char* kPwMail = "Qm4!tS9";
constexpr const char* kPwControl = "Qc8$wN3vK1pZ";
constexpr const char* kPwNHR = "Qn5%yH7dR2xB";
constexpr const char* kPwNeo = "Qo2&jF6gT9cM";
constexpr const char* kPwAttach = "Qa6*vD1kW8nE";
constexpr const char* kPwAttData = "Qd3(mX5bL7qR";
constexpr const char* kPwATN = "Qt9)cJ4hS2wY";
constexpr const char* kPwATB = "Qb1+pG8zN6eU";

// The bytes of a record as its fields' types give them; the long text field is not counted.
int record_bytes(const store::TableDecl& d) {
    int bytes = 0;
    for (const store::FieldDecl& f : d.fields) {
        switch (f.type) {
            case store::FieldType::Byte: bytes += 1; break;
            case store::FieldType::Long:
            case store::FieldType::ULong: bytes += 4; break;
            case store::FieldType::Real: bytes += 8; break;
            case store::FieldType::Memo: break;
            case store::FieldType::Text:
            case store::FieldType::Raw: bytes += static_cast<int>(f.width); break;
        }
    }
    return bytes;
}

FileInfo info(int n, const char* name, const char* prefix, Place place, const char* types,
              store::TableDecl decl, int64_t discard = 0, const char* pw = nullptr,
              const char* ext = ".TPS") {
    FileInfo f;
    f.number = n;
    f.name = name;
    f.prefix = prefix;
    f.place = place;
    f.types = types;
    f.record_size = record_bytes(decl);
    f.decl = std::move(decl);
    f.discard_below = discard;
    f.password = pw;
    f.ext = ext;
    return f;
}

// A reader's file: its layout is the reader's, so only its size is given here.
FileInfo foreign(int n, const char* name, int size) {
    FileInfo f = info(n, name, name, Place::Foreign, "", {});
    f.record_size = size;
    return f;
}

using P = Place;

std::vector<FileInfo> build_catalogue() {
    std::vector<FileInfo> v;
    v.push_back(info(1, "Codes", "COD", P::Database, "FMN",
                     table<Codes>({{"ClassKey", {"TYPE", "INDEX"}, U, I}}), 1030));
    v.push_back(info(2, "Forums", "FOR", P::Cfg, "",
                     table<Forums>({{"ForumKey", {"ID"}, U, C},
                                    {"AlphaKey", {"DESCRIPTION"}, U, I},
                                    {"DirKey", {"DIRNUMBER"}, U, C},
                                    {"TypeKey", {"TYPE"}, D, C}}),
                     0, kPwForums));
    v.push_back(info(
        3, "MsgNmbr", "MSG", P::Database, "FN",
        table<MsgNmbr>({{"IdKey", {"-MSGNUMBER"}, U, C},
                        {"Threadkey", {"THREADALPHA", "THREADNUMBER", "MSGNUMBER"}, D, I},
                        {"SECkey", {"SECSYSID", "THREADALPHA", "THREADNUMBER", "MSGNUMBER"}, D, I},
                        {"FromKey", {"FROMALPHA", "FROMID", "-MSGNUMBER"}, D, I},
                        {"ToKey", {"TOALPHA", "TOID", "-MSGNUMBER"}, D, I},
                        {"DateKey", {"-DATE", "-MSGNUMBER"}, D, C},
                        {"StatusKey", {"DUMMY"}, D, C}})));
    v.push_back(
        info(4, "MsgText", "TXT", P::Database, "FMN",
             table<MsgText>({{"IdKey", {"MSGNUMBER"}, U, C}, {"DateKey", {"DATE"}, D, C}})));
    v.push_back(info(5, "Person", "PER", P::Database, "FMN",
                     table<Person>({{"PersonKey", {"PERSONID"}, U, C},
                                    {"StringKey", {"PERSONSTRING"}, U, I},
                                    {"AddressKey", {"ADDRESS"}, D, I},
                                    {"NameKey", {"LASTNAME", "FIRSTNAME"}, D, I}})));
    v.push_back(info(6, "Sections", "SEC", P::Database, "FN",
                     table<Sections>({{"SysIdKey", {"SECSYSID"}, U, C},
                                      {"SectionKey", {"SECTIONNUMBER"}, D, C}})));
    v.push_back(info(7, "Threads", "THR", P::Database, "FN",
                     table<Threads>({{"ThreadKey", {"THREADNUMBER"}, U, C},
                                     {"SecKey", {"SECSYSID", "ALPHA"}, D, I},
                                     {"AlphaKey", {"ALPHA"}, D, I},
                                     {"StatusKey", {"DUMMY"}, D, C}})));
    v.push_back(info(8, "Control", "CTL", P::Cfg, "", table<Control>({{"IdKey", {"ID"}, U, C}}), 0,
                     kPwControl));
    v.push_back(info(
        9, "SIndex", "SIN", P::Database, "FMN",
        table<SIndex>({{"IdKey", {"ID", "-MSGNUMBER"}, U, C}, {"MsgKey", {"MSGNUMBER"}, D, C}}),
        770));
    v.push_back(info(10, "NHR", "NHR", P::Temp, "",
                     table<NHR>({{"MSGKEY", {"INTERNAL", "MSGNUMBER"}, D, C}}), 0, kPwNHR));
    v.back().scratch = v.back().bulk = true;
    v.push_back(foreign(11, "HRE", 549));
    v.push_back(foreign(12, "DOS", 10000));
    v.push_back(
        info(13, "Mail", "MAI", P::Database, "M",
             table<Mail>({{"IdKey", {"-MAILID"}, U, C},
                          {"DateKey", {"-DATE", "-TIME", "-MAILID"}, D, C},
                          {"PairKey", {"PAIRALPHA", "PAIRID", "-DATE", "-TIME", "-MAILID"}, D, I},
                          {"FromKey", {"FROMALPHA", "FROMID", "-DATE", "-TIME", "-MAILID"}, D, I},
                          {"ToKey", {"TOALPHA", "TOID", "-DATE", "-TIME", "-MAILID"}, D, I},
                          {"SubjectKey", {"SUBJECT", "-DATE", "-TIME", "-MAILID"}, D, I},
                          {"StatusKey", {"DUMMY"}, D, C}}),
             0, kPwMail));
    v.push_back(info(17, "CCR", "CCR", P::Database, "M",
                     table<CCR>({{"IdKey", {"MAILID", "R_CISADRESS", "R_NAME"}, U, C}})));
    v.push_back(info(18, "IMP", "IMP", P::Cfg, "",
                     table<IMP>({{"IDKEY", {"FORUMNUMBER", "MSGNUMBER"}, U, C}}), 770));
    v.push_back(info(19, "CCT", "CCT", P::Temp, "",
                     table<CCT>({{"IDKEY", {"MAILID", "R_CISADRESS", "R_NAME"}, U, C}})));
    v.back().scratch = v.back().bulk = true;
    v.push_back(foreign(20, "CCO", 191));
    v.push_back(foreign(21, "CMA", 146));
    v.push_back(info(22, "REF", "REF", P::Database, "FMN", table<REF>({}), 1290, nullptr, ".DAT"));
    v.push_back(info(
        23, "PLINK", "PLI", P::Database, "FMN",
        table<PLINK>({{"StringKey", {"PERSONSTRING"}, U, C}, {"PersonKey", {"PERSONID"}, D, I}})));
    v.push_back(info(24, "TID", "TID", P::Temp, "", table<TID>({{"IDKEY", {"MSGNUMBER"}, U, C}})));
    v.back().scratch = v.back().bulk = true;
    v.push_back(info(
        25, "MsgString", "MST", P::Database, "N",
        table<MsgString>({{"IDStringKey", {"IDSTRING"}, U, I}, {"IDKey", {"MSGNUMBER"}, U, C}})));
    v.push_back(info(26, "TAS", "TAS", P::Cfg, "", table<TAS>({{"IDKEY", {"ID"}, U, C}}), 1290));
    v.push_back(info(27, "FLI", "FLI", P::Cfg, "", table<FLI>({{"IDKEY", {"ID"}, D, C}}), 770));
    v.push_back(info(28, "WordList", "WOR", P::WordIndex, "FMN",
                     table<WordList>({{"by_WordId", {"WORDID"}, U, C},
                                      {"by_theWord", {"THEWORD"}, U, C},
                                      {"by_WordCount", {"WORDCOUNT"}, D, C}}),
                     0, nullptr, ".DAT"));
    // A list's blocks from the highest first number down: its last block is one look-up.
    v.push_back(info(29, "MasIdx", "MAS", P::WordIndex, "FMN",
                     table<MasIdx>({{"by_Block", {"KIND", "ID", "-FIRST"}, U, C}})));
    v.push_back(
        info(30, "STO", "STO", P::Cfg, "", table<STO>({{"BY_THEWORD", {"THEWORD"}, U, C}})));
    v.push_back(foreign(31, "TOC", 10000));
    v.push_back(
        info(32, "Search", "SEA", P::Temp, "", table<Search>({{"IdKey", {"-ID"}, U, C}}), -1));
    v.back().scratch = true;  // the result set, written anew by every search
    v.push_back(info(33, "PUR", "PUR", P::WordIndex, "FMN", table<PUR>({}), 140, nullptr, ".DAT"));
    v.push_back(info(34, "BAT", "BAT", P::Cfg, "",
                     table<BAT>({{"IDKEY", {"ID"}, U, C}, {"TYPEKEY", {"TYPE"}, D, C}}), 1030));
    v.push_back(info(
        35, "TIM", "TIM", P::Cfg, "",
        table<TIM>({{"TASKKEY", {"TASKID", "BATCHID"}, U, C}, {"BATCHKEY", {"BATCHID"}, D, C}}),
        770));
    v.push_back(info(39, "WD", "WD", P::WordIndex, "",
                     table<WD>({{"BY_SETNAME", {"SETNAME", "ID"}, U, C}})));
    v.push_back(foreign(40, "OUI", 369));
    v.push_back(info(
        41, "TLO", "TLO", P::Cfg, "",
        table<TLO>({{"IDKEY", {"TASKLOGID"}, U, C}, {"BYTASK", {"TASKID", "TASKLOGID"}, D, C}})));
    v.push_back(
        info(42, "TLI", "TLI", P::Cfg, "",
             table<TLI>({{"IDKEY", {"TASKLOGID", "TYPE", "DATESTARTED", "TIMESTARTED"}, U, C}})));
    v.push_back(
        info(43, "Neo", "NEO", P::Cfg, "", table<Neo>({{"IDKey", {"ID"}, U, C}}), 0, kPwNeo));
    // Attachments, private like the mail they come with.
    v.push_back(info(44, "Attach", "ATT", P::Database, "FMN",
                     table<Attach>({{"IdKey", {"MSGNUMBER", "NUMBER"}, U, C},
                                    {"HashKey", {"HASH", "MSGNUMBER", "NUMBER"}, U, C}}),
                     0, kPwAttach));
    v.push_back(info(45, "AttData", "ATD", P::Database, "FMN",
                     table<AttData>({{"ChunkKey", {"HASH", "CHUNK"}, U, C}}), 0, kPwAttData));
    v.push_back(info(46, "ATN", "ATN", P::Temp, "",
                     table<ATN>({{"IDKEY", {"POSITION", "NUMBER"}, U, C}}), 0, kPwATN));
    v.back().scratch = v.back().bulk = true;
    v.push_back(info(47, "ATB", "ATB", P::Temp, "",
                     table<ATB>({{"IDKEY", {"SERIAL", "CHUNK"}, U, C}}), 0, kPwATB));
    v.back().scratch = v.back().bulk = true;
    return v;
}

struct Catalogue {
    std::vector<FileInfo> files;
    std::array<const FileInfo*, kMaxFileNo + 1> by_number{};
    std::array<std::unique_ptr<vfs::Key>, kMaxFileNo + 1> keys;
    Catalogue() : files(build_catalogue()) {
        for (const auto& f : files) {
            by_number[static_cast<size_t>(f.number)] = &f;
            if (f.password)
                keys[static_cast<size_t>(f.number)] =
                    std::make_unique<vfs::Key>(vfs::derive_key(f.password));
        }
    }
};

const Catalogue& catalogue() {
    static const Catalogue c;
    return c;
}

}  // namespace

const FileInfo* file_info(int number) {
    if (number < 1 || number > kMaxFileNo) return nullptr;
    return catalogue().by_number[static_cast<size_t>(number)];
}

int key_index(int number, const std::string& key_name) {
    const FileInfo* f = file_info(number);
    if (!f) return -1;
    for (size_t i = 0; i < f->decl.keys.size(); ++i)
        if (f->decl.keys[i].name == key_name) return static_cast<int>(i);
    return -1;
}

const vfs::Key* file_key(int number) {
    if (number < 1 || number > kMaxFileNo) return nullptr;
    return catalogue().keys[static_cast<size_t>(number)].get();
}

}  // namespace qs
