// SPDX-License-Identifier: MIT
// The fixed catalogue of reader formats. The names are compared by the import settings, the
// import processor and the readers, so they are kept exactly as the readers were named.
#include "import/catalogue.h"

#include "platform/text.h"

namespace qs {

namespace {

constexpr auto C = Family::CompuServe;
constexpr auto M = Family::Mail;
constexpr auto N = Family::News;

// Cabinet stores keep messages, threads and forum lists in three kinds of file.
constexpr const char* kCabinet = "*.THD;*.MSG;*.PLX";
constexpr const char* kOzCapture = "*.MSG;*.PRG;*.OBS";

}  // namespace

const std::vector<Format>& formats() {
    static const std::vector<Format> table = {
        {1, "AUTOSIG", C, "*.ATO"},
        {2, "CISCOMM", C, "*.DBF"},
        {3, "CompuServe 3.x", C, "FCABINET.DAT"},
        {4, "CSNav", C, kCabinet},
        {5, "DOSCIM", C, kCabinet},
        {6, "Eudora", M, "*.MBX"},
        {7, "GoldenCompass", C, "*.MSG"},
        {8, "IE Mail", M, "*.MBX"},
        {9, "IE News", N, "*.NCH"},
        {10, "NavCIS 1.6x", C, "RECV.DBF"},
        {11, "NavCIS 1.7x-", C, "HRECV.DBF"},
        {12, "OzCIS", C, kOzCapture},
        {13, "OzWin I", C, kOzCapture},
        {14, "OzWin II", C, kOzCapture},
        {15, "TAPCIS 5.x", C, "*.MSG;*.OLD"},
        {16, "VirtualAccess", N, "*."},
        {17, "WinCIM", C, kCabinet},
        {18, "Agent News", N, "*.*"},
        {19, "TAPCIS 6.x", C, "*.MSG;*.OLD"},
        {20, "Pegasus", M, "*.PMM"},
        {21, "Netscape News", N, "*.SNM"},
        {22, "Netscape Mail", M, "*.*"},
        {23, "Outlook Express 4 Mail", M, "*.MBX"},
        {24, "Outlook Express 4 News", N, "*.NCH"},
        {25, "NavCIS Save format", C, "*.SAV"},
        {26, "Generic Mail Type 1", M, "*.*"},
        {27, "Becky Mail", M, "*.MBX"},
        {28, "Unix News", N, "*.*"},
        {29, "Gravity", N, "*.*"},
        {30, "Agent Mail", M, "*.*"},
        {31, "OUI", C, "MESSAGE.DBF"},
        {32, "Outlook Express 5 Mail", M, "*.DBX"},
        // Folders of Outlook itself are selected, not files.
        {33, "Outlook Mail", M, ""},
        {34, "Outlook Express 5 News", N, "*.DBX"},
        {35, "Generic Mail Type 2", M, "*.*"},
        // The mail programs of today. In a directory walk the Unix Mailbox reader itself passes
        // over what is no mailbox (folder indexes, settings), so that folders with a dot in
        // their names are read too; a Maildir is a directory, named as a selected file.
        {36, "Unix Mailbox", M, "*.*"},
        {37, "Maildir", M, ""},
        {38, "EML Files", M, "*.eml"},
    };
    return table;
}

std::vector<const Format*> offered_formats() {
    std::vector<const Format*> out;
    for (const auto& f : formats())
        if (!std::string_view(f.name).starts_with("Reserv")) out.push_back(&f);
    return out;
}

const Format* format_by_name(std::string_view name) {
    for (const auto& f : formats())
        if (compare_exact(f.name, name) == 0) return &f;
    return nullptr;
}

const Format* format_by_number(int number) {
    for (const auto& f : formats())
        if (f.number == number) return &f;
    return nullptr;
}

const char* family_name(Family f) {
    switch (f) {
        case Family::CompuServe: return "CompuServe";
        case Family::Mail: return "mail";
        case Family::News: return "news";
    }
    return "";
}

// This system runs where there is no Outlook automation.
bool OutlookInstalled() { return false; }

}  // namespace qs
