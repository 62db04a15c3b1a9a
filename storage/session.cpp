// SPDX-License-Identifier: MIT
#include "storage/session.h"

namespace qs {

void* buffer_of(Records& r, int file) {
    switch (file) {
        case kCodes: return &r.Codes;
        case kForums: return &r.Forums;
        case kMsgNmbr: return &r.MsgNmbr;
        case kMsgText: return &r.MsgText;
        case kPerson: return &r.Person;
        case kSections: return &r.Sections;
        case kThreads: return &r.Threads;
        case kControl: return &r.Control;
        case kSIndex: return &r.SIndex;
        case kNHR: return &r.NHR;
        case kMail: return &r.Mail;
        case kCCR: return &r.CCR;
        case kIMP: return &r.IMP;
        case kCCT: return &r.CCT;
        case kREF: return &r.REF;
        case kPLINK: return &r.PLINK;
        case kTID: return &r.TID;
        case kMsgString: return &r.MsgString;
        case kTAS: return &r.TAS;
        case kFLI: return &r.FLI;
        case kWordList: return &r.WordList;
        case kMasIdx: return &r.MasIdx;
        case kSTO: return &r.STO;
        case kSearch: return &r.Search;
        case kPUR: return &r.PUR;
        case kBAT: return &r.BAT;
        case kTIM: return &r.TIM;
        case kWD: return &r.WD;
        case kTLO: return &r.TLO;
        case kTLI: return &r.TLI;
        case kNeo: return &r.Neo;
        case kAttach: return &r.Attach;
        case kAttData: return &r.AttData;
        case kATN: return &r.ATN;
        case kATB: return &r.ATB;
        default: return nullptr;
    }
}

}  // namespace qs
