// SPDX-License-Identifier: MIT
// qs_forum_sample HOME FORUM: writes a few threads of forum messages with their members into
// forum database FORUM of HOME, so that the pictures of the documentation can show a thread tree
// while no forum reader is at hand. Run once over a copy of a home; a second run finds the
// messages there and adds nothing.
#include <iostream>
#include <string>

#include "app/startup.h"
#include "platform/dialog.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "storage/files.h"

namespace {

struct Member {
    const char *first, *last, *address;
};
const Member kMembers[] = {{"Ann", "Lee", "ann@example.org"},
                           {"Bob", "Ray", "bob@example.org"},
                           {"Dora", "Berg", "dora@example.net"},
                           {"Jürgen", "Müller", "jm@example.de"}};

struct Message {
    uint32_t number, reply_to, thread;
    int member;
    const char* text;
};
const Message kMessages[] = {
    {1001, 0, 1001, 0, "Which lens do you take for portraits on a trip? I own a 50 mm."},
    {1002, 1001, 1001, 1, "The 85 mm, if you can carry it. The 50 mm does well too."},
    {1003, 1002, 1001, 2, "85 mm here as well; stop it down one step for sharper eyes."},
    {1004, 1001, 1001, 3, "I travel with a 35 mm only and step closer."},
    {1005, 1004, 1001, 0, "Closer is the hard part with strangers!"},
    {1006, 1003, 1001, 1, "One step down from wide open, yes."},
    {1010, 0, 1010, 2, "The club meets on Friday at eight; bring prints for the wall."},
    {1011, 1010, 1010, 3, "I bring the cathedral series."},
};

bool add(qs::Session& s, int file) { return qs::UppDat(s, file, qs::kAdd, qs::kReport); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qs_forum_sample HOME FORUM\n";
        return 2;
    }
    qs::CliDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    if (!qs::StartUp(s, argv[1]).ok) return 1;
    const uint32_t db = qs::FindDatabase(s, argv[2]);
    if (!db || !qs::MakeCurrent(s, db)) {
        std::cerr << "qs_forum_sample: no forum database " << argv[2] << "\n";
        return 1;
    }
    using namespace qs;
    OP_CLOSE(s, kOpOpen, {kMsgNmbr, kMsgText, kThreads, kPerson, kControl});
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.MSGNUMBER = kMessages[0].number;
    bool ok = true;
    if (!Get(s, kMsgNmbr, keys::MsgIdKey)) {
        uint32_t ids[std::size(kMembers)];
        for (size_t i = 0; i < std::size(kMembers) && ok; ++i) {
            Person& p = s.rec.Person;
            p = Person{};
            p.PERSONID = ids[i] = NextNr(s);
            p.FIRSTNAME = kMembers[i].first;
            p.LASTNAME = kMembers[i].last;
            p.ADDRESS = kMembers[i].address;
            p.PERSONSTRING =
                std::string(kMembers[i].first) + " " + kMembers[i].last + " " + kMembers[i].address;
            ok = add(s, kPerson);
        }
        for (const Message& m : kMessages) {
            if (!ok) break;
            const char* heading = m.thread == 1001 ? "Portrait lenses" : "Club evening";
            MsgNmbr& h = s.rec.MsgNmbr;
            h = MsgNmbr{};
            h.MSGNUMBER = m.number;
            h.REFNUMBER = m.reply_to;
            h.THREADNUMBER = m.thread;
            h.THREADALPHA = heading;
            h.FROMID = ids[m.member];
            h.FROMALPHA = kMembers[m.member].last;
            h.DATE = date_from_ymd(2024, 3, 1) + static_cast<int32_t>(m.number % 100);
            ok = add(s, kMsgNmbr);
            s.rec.MsgText = MsgText{};
            s.rec.MsgText.MSGNUMBER = m.number;
            s.rec.MsgText.DATE = h.DATE;
            s.rec.MsgText.MSGTEXT.text = m.text;
            ok = ok && add(s, kMsgText);
            if (m.reply_to == 0) {
                s.rec.Threads = Threads{};
                s.rec.Threads.THREADNUMBER = m.thread;
                s.rec.Threads.set_heading(heading);
                ok = ok && add(s, kThreads);
            }
        }
    }
    OP_CLOSE(s, kOpClose, {kMsgNmbr, kMsgText, kThreads, kPerson, kControl});
    return ok ? 0 : 1;
}
