// SPDX-License-Identifier: MIT
// The record layouts of every file of the store, fields in stored order. A struct is named after
// its file and its members after the fields without their prefix (FOR:DIRNUMBER is
// Forums::DIRNUMBER). Keys, disk names and places are declared in files.cpp. A width is written
// once, in the field's type: a field that copies another file's field takes that field's type,
// and code that cuts a text to a field's width asks the type (decltype(Mail::SUBJECT)::size()).
#pragma once

#include <array>
#include <cstdint>

#include "platform/text.h"

namespace qs {

#define QS_FIELD(name) v(#name, name)

enum CodeType : uint8_t { kKeyWordCode = 1, kTopicCode = 2 };

struct Codes {         // 1, COD:
    uint8_t TYPE = 0;  // 1 key word, 2 topic
    Text<40> INDEX;
    uint32_t ID = 0;
    uint32_t COUNT = 0;
    int32_t DATE = 0;
    int32_t TIME = 0;
    uint8_t CHARCASE = 0;
    uint8_t WORDONLY = 0;
    bool operator==(const Codes&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(TYPE);
        QS_FIELD(INDEX);
        QS_FIELD(ID);
        QS_FIELD(COUNT);
        QS_FIELD(DATE);
        QS_FIELD(TIME);
        QS_FIELD(CHARCASE);
        QS_FIELD(WORDONLY);
    }
};

struct Forums {  // 2, FOR: the database list
    uint32_t ID = 0;
    Text<100> DESCRIPTION;
    uint32_t REDIRNOW = 0;
    uint32_t REDIRBEFORE = 0;
    uint8_t TARGETNG = 0;
    uint32_t DIRNUMBER = 0;
    uint8_t NODIR = 0;
    uint8_t TYPE = 0;  // 1 forum, 2 mail, 3 newsgroup
    uint8_t NOIMPORT = 0;
    uint32_t MSGCOUNT = 0;
    uint8_t COUNTFLAG = 0;
    uint8_t DUMMY = 0;
    int32_t CREATED = 0;
    int32_t LOWDATE = 0;
    Text<60> MAILADDRESS;
    uint32_t PERSONID = 0;
    std::array<Text<60>, 10> ALTADDRESS;
    uint32_t LASTMSGID = 0;
    uint32_t RECSLASTTIME = 0;
    int32_t WORDLISTINDEXNEEDSUPDATE = 0;
    uint8_t INDEXTYPE = 0;
    bool operator==(const Forums&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(DESCRIPTION);
        QS_FIELD(REDIRNOW);
        QS_FIELD(REDIRBEFORE);
        QS_FIELD(TARGETNG);
        QS_FIELD(DIRNUMBER);
        QS_FIELD(NODIR);
        QS_FIELD(TYPE);
        QS_FIELD(NOIMPORT);
        QS_FIELD(MSGCOUNT);
        QS_FIELD(COUNTFLAG);
        QS_FIELD(DUMMY);
        QS_FIELD(CREATED);
        QS_FIELD(LOWDATE);
        QS_FIELD(MAILADDRESS);
        QS_FIELD(PERSONID);
        QS_FIELD(ALTADDRESS);
        QS_FIELD(LASTMSGID);
        QS_FIELD(RECSLASTTIME);
        QS_FIELD(WORDLISTINDEXNEEDSUPDATE);
        QS_FIELD(INDEXTYPE);
    }
};

struct MsgNmbr {  // 3, MSG: forum and newsgroup message headers
    uint32_t MSGNUMBER = 0;
    uint32_t SECSYSID = 0;
    uint32_t REFNUMBER = 0;
    uint32_t THREADNUMBER = 0;
    Text<10> THREADALPHA;
    uint32_t FROMID = 0;
    Text<10> FROMALPHA;
    uint32_t TOID = 0;
    Text<10> TOALPHA;
    int32_t DATE = 0;
    uint8_t DUMMY = 0;
    uint8_t FG = 0;
    bool operator==(const MsgNmbr&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(MSGNUMBER);
        QS_FIELD(SECSYSID);
        QS_FIELD(REFNUMBER);
        QS_FIELD(THREADNUMBER);
        QS_FIELD(THREADALPHA);
        QS_FIELD(FROMID);
        QS_FIELD(FROMALPHA);
        QS_FIELD(TOID);
        QS_FIELD(TOALPHA);
        QS_FIELD(DATE);
        QS_FIELD(DUMMY);
        QS_FIELD(FG);
    }
};

// The longest subject kept whole (NHR:LONGHEADING, TXT:HEADING).
using LongHeading = Text<1000>;
using Places = Text<1000>;

struct MsgText {  // 4, TXT: message and mail texts
    uint32_t MSGNUMBER = 0;
    int32_t DATE = 0;
    int32_t TIME = 0;
    // The message's whole subject when the header's subject field (MAI:SUBJECT, or the thread's
    // heading) cannot hold it; blank when the field holds it whole. The word index and the phrase
    // search read the subject here when it is not blank.
    LongHeading HEADING;
    // TXT:MsgText; a member may not share its struct's name, so the field keeps its upper-case
    // form.
    Memo MSGTEXT;
    bool operator==(const MsgText&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(MSGNUMBER);
        QS_FIELD(DATE);
        QS_FIELD(TIME);
        QS_FIELD(HEADING);
        v("MsgText", MSGTEXT);
    }
};

struct Person {  // 5, PER:
    uint32_t PERSONID = 0;
    Text<100> PERSONSTRING;
    Text<25> LASTNAME;
    Text<25> FIRSTNAME;
    Text<60> ADDRESS;
    uint32_t FROMCOUNT = 0;
    uint32_t TOCOUNT = 0;
    int32_t LASTDATE = 0;
    uint8_t DUMMY = 0;
    bool operator==(const Person&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(PERSONID);
        QS_FIELD(PERSONSTRING);
        QS_FIELD(LASTNAME);
        QS_FIELD(FIRSTNAME);
        QS_FIELD(ADDRESS);
        QS_FIELD(FROMCOUNT);
        QS_FIELD(TOCOUNT);
        QS_FIELD(LASTDATE);
        QS_FIELD(DUMMY);
    }
};

struct Sections {  // 6, SEC:
    uint32_t SECTIONNUMBER = 0;
    uint32_t SECSYSID = 0;
    Text<100> DESCRIPTION;
    uint32_t MSGCOUNT = 0;
    uint8_t DUMMY = 0;
    bool operator==(const Sections&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(SECTIONNUMBER);
        QS_FIELD(SECSYSID);
        QS_FIELD(DESCRIPTION);
        QS_FIELD(MSGCOUNT);
        QS_FIELD(DUMMY);
    }
};

struct Threads {  // 7, THR:
    uint32_t THREADNUMBER = 0;
    uint32_t SECSYSID = 0;
    // THR:HEADING is stored as its two overlaid parts: its first 10 characters and the rest.
    Text<10> ALPHA;
    Text<90> BETA;
    uint32_t MSGCOUNT = 0;
    uint8_t DUMMY = 0;
    std::string heading() const {
        std::string h(ALPHA.view());
        if (BETA.blank()) return h;
        // The blanks that ended the first part belong to the heading.
        h.append(ALPHA.size() - char_count(ALPHA.view()), ' ');
        return h + BETA.str();
    }
    void set_heading(std::string_view h) {
        const std::string_view alpha = cut_chars(h, ALPHA.size());
        ALPHA = alpha;
        BETA = h.substr(alpha.size());
    }
    bool operator==(const Threads&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(THREADNUMBER);
        QS_FIELD(SECSYSID);
        QS_FIELD(ALPHA);
        QS_FIELD(BETA);
        QS_FIELD(MSGCOUNT);
        QS_FIELD(DUMMY);
    }
};

struct Control {  // 8, CTL: next number and settings blocks
    uint8_t ID = 0;
    uint32_t NEXTNUMBER = 0;
    Bytes<200> CTLGROUP;
    bool operator==(const Control&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(NEXTNUMBER);
        QS_FIELD(CTLGROUP);
    }
};

struct SIndex {  // 9, SIN:
    uint32_t ID = 0;
    uint32_t MSGNUMBER = 0;
    bool operator==(const SIndex&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(MSGNUMBER);
    }
};

struct NHR {  // 10: temporary import headers
    uint32_t INTERNAL = 0;
    uint32_t MSGNUMBER = 0;
    uint32_t REFNUMBER = 0;
    decltype(Forums::DESCRIPTION) FOR_DESCRIPTION;
    uint32_t SECTIONNUMBER = 0;
    decltype(Sections::DESCRIPTION) SEC_DESCRIPTION;
    Text<100> HEADING;
    // The whole subject, of which HEADING holds the start; blank when a reader gives none.
    LongHeading LONGHEADING;
    Text<60> S_CISADRESS;
    Text<60> S_NAME;
    Text<60> R_CISADRESS;
    Text<60> R_NAME;
    uint8_t DUMMY = 0;
    int32_t DATE = 0;
    int32_t TIME = 0;
    uint8_t MAILTYPE = 0;
    Text<2> RECIPTYPE;
    int32_t IMPDATE = 0;
    int32_t IMPTIME = 0;
    // Where a mail was kept by its mail program: its folder, its labels and its marks, one
    // name per line; each becomes a topic of the mail.
    Places PLACES;
    Memo MSGTEXT;
    bool operator==(const NHR&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(INTERNAL);
        QS_FIELD(MSGNUMBER);
        QS_FIELD(REFNUMBER);
        QS_FIELD(FOR_DESCRIPTION);
        QS_FIELD(SECTIONNUMBER);
        QS_FIELD(SEC_DESCRIPTION);
        QS_FIELD(HEADING);
        QS_FIELD(LONGHEADING);
        QS_FIELD(S_CISADRESS);
        QS_FIELD(S_NAME);
        QS_FIELD(R_CISADRESS);
        QS_FIELD(R_NAME);
        QS_FIELD(DUMMY);
        QS_FIELD(DATE);
        QS_FIELD(TIME);
        QS_FIELD(MAILTYPE);
        QS_FIELD(RECIPTYPE);
        QS_FIELD(IMPDATE);
        QS_FIELD(IMPTIME);
        QS_FIELD(PLACES);
        QS_FIELD(MSGTEXT);
    }
};

struct Mail {  // 13, MAI: mail headers
    int32_t DATE = 0;
    int32_t TIME = 0;
    Text<50> SUBJECT;
    uint32_t MAILID = 0;
    uint32_t FROMID = 0;
    Text<10> FROMALPHA;
    uint32_t TOID = 0;
    Text<10> TOALPHA;
    uint32_t PAIRID = 0;
    decltype(Person::LASTNAME) PAIRALPHA;
    Text<2> RECIPTYPE;
    uint8_t CCR = 0;
    uint8_t DUMMY = 0;
    uint8_t FG = 0;
    bool operator==(const Mail&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(DATE);
        QS_FIELD(TIME);
        QS_FIELD(SUBJECT);
        QS_FIELD(MAILID);
        QS_FIELD(FROMID);
        QS_FIELD(FROMALPHA);
        QS_FIELD(TOID);
        QS_FIELD(TOALPHA);
        QS_FIELD(PAIRID);
        QS_FIELD(PAIRALPHA);
        QS_FIELD(RECIPTYPE);
        QS_FIELD(CCR);
        QS_FIELD(DUMMY);
        QS_FIELD(FG);
    }
};

// 17 CCR: and 19 CCT: (the temporary copy) share one layout.
struct CopyRecipient {
    uint32_t MAILID = 0;
    Text<40> R_NAME;
    Text<60> R_CISADRESS;
    Text<2> RECIPTYPE;
    bool operator==(const CopyRecipient&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(MAILID);
        QS_FIELD(R_NAME);
        QS_FIELD(R_CISADRESS);
        QS_FIELD(RECIPTYPE);
    }
};
struct CCR : CopyRecipient {};
struct CCT : CopyRecipient {};

struct IMP {  // 18: every forum message ever imported
    uint32_t FORUMNUMBER = 0;
    uint32_t MSGNUMBER = 0;
    bool operator==(const IMP&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(FORUMNUMBER);
        QS_FIELD(MSGNUMBER);
    }
};

struct REF {  // 22: the database's identity inside its own directory, copied from Forums
    uint8_t TYPE = 0;
    decltype(Forums::DESCRIPTION) DESCRIPTION;
    uint8_t TARGETNG = 0;
    int32_t PERSONID = 0;
    decltype(Forums::MAILADDRESS) MAILADDRESS;
    decltype(Forums::ALTADDRESS) ALTADDRESS;
    bool operator==(const REF&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(TYPE);
        QS_FIELD(DESCRIPTION);
        QS_FIELD(TARGETNG);
        QS_FIELD(PERSONID);
        QS_FIELD(MAILADDRESS);
        QS_FIELD(ALTADDRESS);
    }
};

struct PLINK {  // 23, PLI: further person strings of a person
    decltype(Person::PERSONSTRING) PERSONSTRING;
    uint32_t PERSONID = 0;
    bool operator==(const PLINK&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(PERSONSTRING);
        QS_FIELD(PERSONID);
    }
};

// 24 TID: and 25 MST: share one layout.
struct MessageId {
    Text<60> IDSTRING;
    uint32_t MSGNUMBER = 0;
    bool operator==(const MessageId&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(IDSTRING);
        QS_FIELD(MSGNUMBER);
    }
};
struct TID : MessageId {};
struct MsgString : MessageId {};

struct TAS {  // 26: scheduled tasks
    uint32_t ID = 0;
    Text<50> DESCRIPTION;
    int32_t RUNNOWDATE = 0;
    int32_t RUNNOWTIME = 0;
    int32_t RUNNEXTDATE = 0;
    int32_t RUNNEXTTIME = 0;
    int32_t LASTRUNDATE = 0;
    int32_t LASTRUNTIME = 0;
    Bytes<7> DAYS;       // TAS:DAILYREPEAT, Sunday first
    Bytes<5> MONTHDAYS;  // TAS:MONTHLYREPEAT
    uint8_t DODUPELIM = 0;
    uint8_t DOPURGE = 0;
    uint8_t DOCOUNT = 0;
    uint8_t DOINDEX = 0;
    uint8_t RESULTCODE = 0;
    uint8_t ACTIVE = 0;
    bool operator==(const TAS&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(DESCRIPTION);
        QS_FIELD(RUNNOWDATE);
        QS_FIELD(RUNNOWTIME);
        QS_FIELD(RUNNEXTDATE);
        QS_FIELD(RUNNEXTTIME);
        QS_FIELD(LASTRUNDATE);
        QS_FIELD(LASTRUNTIME);
        QS_FIELD(DAYS);
        QS_FIELD(MONTHDAYS);
        QS_FIELD(DODUPELIM);
        QS_FIELD(DOPURGE);
        QS_FIELD(DOCOUNT);
        QS_FIELD(DOINDEX);
        QS_FIELD(RESULTCODE);
        QS_FIELD(ACTIVE);
    }
};

struct FLI {  // 27: file lists of import definitions
    uint32_t ID = 0;
    Text<100> FILESPEC;
    bool operator==(const FLI&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(FILESPEC);
    }
};

struct WordList {  // 28, WOR:
    int32_t WORDID = 0;
    Text<40> THEWORD;
    int32_t WORDCOUNT = 0;
    bool operator==(const WordList&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(WORDID);
        QS_FIELD(THEWORD);
        QS_FIELD(WORDCOUNT);
    }
};

// The master index: a block of one of its two lists of sorted numbers, the messages of a word
// and the words of a message (wordindex/postings.h says how they are kept).
struct MasIdx {          // 29, MAS:
    uint8_t KIND = 0;    // 1: messages of word ID; 2: words of message ID
    uint32_t ID = 0;     // the word id or the message's sysid
    uint32_t FIRST = 0;  // the block's lowest number
    uint32_t COUNT = 0;  // numbers in the block, FIRST included
    Memo DATA;           // the numbers after FIRST, as gaps
    bool operator==(const MasIdx&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(KIND);
        QS_FIELD(ID);
        QS_FIELD(FIRST);
        QS_FIELD(COUNT);
        QS_FIELD(DATA);
    }
};

struct STO {  // 30: the stop list
    Text<40> THEWORD;
    bool operator==(const STO&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(THEWORD);
    }
};

struct Search {  // 32, SEA: the result set
    uint32_t ID = 0;
    bool operator==(const Search&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
    }
};

struct PUR {  // 33: pending word deletions
    int32_t SYSID = 0;
    int32_t WORDID = 0;
    bool operator==(const PUR&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(SYSID);
        QS_FIELD(WORDID);
    }
};

struct BAT {  // 34: import definitions
    uint32_t ID = 0;
    uint32_t TYPE = 0;
    Text<50> DESCRIPTION;
    uint32_t DATABASE = 0;
    uint8_t FILETYPE = 0;
    Text<100> IMPPATH;
    uint8_t SELMETHOD = 0;
    uint32_t MAILBOX = 0;
    uint8_t MAILMSG = 0;
    uint8_t FORUMMSG = 0;
    uint8_t NEWSGROUPMSG = 0;
    uint8_t MSGFILTER = 0;
    uint8_t ALLOWREIMP = 0;
    uint32_t MAILTOPIC = 0;
    bool operator==(const BAT&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(TYPE);
        QS_FIELD(DESCRIPTION);
        QS_FIELD(DATABASE);
        QS_FIELD(FILETYPE);
        QS_FIELD(IMPPATH);
        QS_FIELD(SELMETHOD);
        QS_FIELD(MAILBOX);
        QS_FIELD(MAILMSG);
        QS_FIELD(FORUMMSG);
        QS_FIELD(NEWSGROUPMSG);
        QS_FIELD(MSGFILTER);
        QS_FIELD(ALLOWREIMP);
        QS_FIELD(MAILTOPIC);
    }
};

struct TIM {  // 35: task steps
    uint32_t TASKID = 0;
    uint32_t BATCHID = 0;
    int32_t EVENTTIME = 0;
    uint8_t RESULTCODE = 0;
    bool operator==(const TIM&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(TASKID);
        QS_FIELD(BATCHID);
        QS_FIELD(EVENTTIME);
        QS_FIELD(RESULTCODE);
    }
};

struct WD {  // 39: saved word definition sets
    Text<40> SETNAME;
    uint8_t ID = 0;
    uint8_t STARTWORD = 0;
    uint8_t INWORD = 0;
    uint8_t ENDWORD = 0;
    bool operator==(const WD&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(SETNAME);
        QS_FIELD(ID);
        QS_FIELD(STARTWORD);
        QS_FIELD(INWORD);
        QS_FIELD(ENDWORD);
    }
};

struct TLO {  // 41: task log
    uint32_t TASKLOGID = 0;
    uint32_t TASKID = 0;
    int32_t DATESTARTED = 0;
    int32_t DATEFINISHED = 0;
    int32_t TIMESTARTED = 0;
    int32_t TIMEFINISHED = 0;
    uint8_t RESULTCODE = 0;
    bool operator==(const TLO&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(TASKLOGID);
        QS_FIELD(TASKID);
        QS_FIELD(DATESTARTED);
        QS_FIELD(DATEFINISHED);
        QS_FIELD(TIMESTARTED);
        QS_FIELD(TIMEFINISHED);
        QS_FIELD(RESULTCODE);
    }
};

struct TLI {  // 42: task log items
    uint32_t TASKLOGID = 0;
    uint32_t TYPE = 0;
    uint32_t BATCHID = 0;
    int32_t DATESTARTED = 0;
    int32_t DATEFINISHED = 0;
    int32_t TIMESTARTED = 0;
    int32_t TIMEFINISHED = 0;
    uint8_t RESULTCODE = 0;
    bool operator==(const TLI&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(TASKLOGID);
        QS_FIELD(TYPE);
        QS_FIELD(BATCHID);
        QS_FIELD(DATESTARTED);
        QS_FIELD(DATEFINISHED);
        QS_FIELD(TIMESTARTED);
        QS_FIELD(TIMEFINISHED);
        QS_FIELD(RESULTCODE);
    }
};

struct Neo {  // 43, NEO: numbered texts
    uint32_t ID = 0;
    Bytes<100> NEOGROUP;
    bool operator==(const Neo&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(ID);
        QS_FIELD(NEOGROUP);
    }
};

// The attachments of messages (44, 45) and their temporary copies while an import runs (46, 47).
// A content is kept once per database under the SHA-256 of its bytes, in chunks of at most one
// long text each, however many messages carry it; each message links to its attachments.
struct Attach {              // 44, ATT: one record per attachment of a message
    uint32_t MSGNUMBER = 0;  // MSG:MSGNUMBER or MAI:MAILID
    uint32_t NUMBER = 0;     // its place among the message's attachments, from 1
    Text<255> FILENAME;      // decoded, UTF-8; blank when the message names none
    Text<100> CONTENTTYPE;   // lower case "type/subtype"
    uint32_t SIZE = 0;       // bytes
    Text<64> HASH;           // SHA-256 of the bytes, in lower-case hexadecimal digits
    bool operator==(const Attach&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(MSGNUMBER);
        QS_FIELD(NUMBER);
        QS_FIELD(FILENAME);
        QS_FIELD(CONTENTTYPE);
        QS_FIELD(SIZE);
        QS_FIELD(HASH);
    }
};

struct AttData {  // 45, ATD: the bytes of a content
    decltype(Attach::HASH) HASH;
    uint32_t CHUNK = 0;  // 1, 2, ...; every chunk but the last holds kMaxMemo bytes
    Memo DATA;
    bool operator==(const AttData&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(HASH);
        QS_FIELD(CHUNK);
        QS_FIELD(DATA);
    }
};

struct ATN {                // 46: the attachments of the temporary headers
    uint32_t POSITION = 0;  // of the NHR record they belong to
    uint32_t NUMBER = 0;
    uint32_t SERIAL = 0;  // the run's number of the attachment: its bytes in ATB
    decltype(Attach::FILENAME) FILENAME;
    decltype(Attach::CONTENTTYPE) CONTENTTYPE;
    decltype(Attach::SIZE) SIZE = 0;
    decltype(Attach::HASH) HASH;
    bool operator==(const ATN&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(POSITION);
        QS_FIELD(NUMBER);
        QS_FIELD(SERIAL);
        QS_FIELD(FILENAME);
        QS_FIELD(CONTENTTYPE);
        QS_FIELD(SIZE);
        QS_FIELD(HASH);
    }
};

struct ATB {  // 47: the bytes of the temporary attachments
    uint32_t SERIAL = 0;
    uint32_t CHUNK = 0;  // 1, 2, ...
    Memo DATA;
    bool operator==(const ATB&) const = default;
    template <class V>
    void visit(V&& v) {
        QS_FIELD(SERIAL);
        QS_FIELD(CHUNK);
        QS_FIELD(DATA);
    }
};

#undef QS_FIELD

}  // namespace qs
