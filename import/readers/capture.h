// SPDX-License-Identifier: MIT
// The capture files of the CompuServe offline readers: plain text in which each forum message
// opens with a "#:" header block and each mail with a "#:" or a "Date:  " block (NavCIS writes
// labelled blocks of its own). Everything here is pure over lines already read, so that the
// readers and their tests share it; capture_reader.cpp reads the files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/parser.h"

namespace qs {

enum class CaptureFormat {
    OzWin1,
    OzWin2,
    OzCis,
    Tapcis5,
    Tapcis6,
    Autosig,
    GoldenCompass,
    NavCis
};

// The format of a catalogue name; nothing for a name that is not a capture format.
std::optional<CaptureFormat> capture_format(std::string_view name);

// Lines are kept to 1,200 characters (the rest of a longer line is dropped) and a message to
// 2,500 lines (the rest of a longer message is dropped).
inline constexpr size_t kCaptureLineKeep = 1200;
inline constexpr size_t kCaptureQueueLines = 2500;

// A line as the reader keeps it: its line end off, cut to 1,200 bytes, read in the format's
// character set (the DOS code page for OzCIS, TAPCIS and AUTOSIG, else Windows-1252 unless the
// bytes are valid UTF-8), as NFC UTF-8. GoldenCompass lines lose their "@b"/"@l" markers.
std::string capture_line(CaptureFormat f, std::string_view raw);

// What a file holds: the first pass over it decides.
enum CaptureKind : uint8_t { kCaptureUnknown = 0, kCaptureForum = 1, kCaptureMail = 2 };
inline constexpr const char* kNotCaptureFile =
    "Not a Forum message or mail file!\r\nMessages will not be imported!";

// The file kind from the file's lines (`next` gives the next converted line, false at the end).
// `mail_target`: the import goes into a mail database (TAPCIS and AUTOSIG files are then mail).
using NextLine = std::function<bool(std::string&)>;
CaptureKind capture_file_kind(CaptureFormat f, const NextLine& next, bool mail_target);

// True when `line` begins a message of a file of that format and kind.
bool capture_message_start(CaptureFormat f, CaptureKind kind, std::string_view line);

// One message read from the header block: the header's fields and where the text begins. The
// fields follow the temporary header (NHR); `why` says why the message cannot be taken.
struct CaptureHeader {
    uint32_t number = 0;
    uint32_t ref = 0;
    uint32_t section = 0;
    std::string section_name;
    std::string forum;  // the forum the message names itself (OzWin, NavCIS), else empty
    int32_t date = 0;
    int32_t time = 0;
    std::string subject;
    std::string from, to;   // the sender and receiver texts, before they are split
    uint8_t mail_type = 0;  // mail: 1 received, 2 sent
    size_t text_from = 0;   // the first line of the text
    std::string why;        // not empty: the message is skipped for this reason
};

// The "#:" forum header of lines[0..4].
CaptureHeader read_forum_header(CaptureFormat f, const std::vector<std::string>& lines);
// A mail of the "#:" layout (TAPCIS, AUTOSIG, GoldenCompass) or of the "Date:  " layout (OzWin,
// OzCIS).
CaptureHeader read_capture_mail(CaptureFormat f, const std::vector<std::string>& lines);
// A NavCIS Save format block; `kind` says whether forum or mail blocks are read.
CaptureHeader read_navcis_block(const std::vector<std::string>& lines, CaptureKind kind);

// "05-Mar-94" (two-digit day, month name, two-digit year) at the start of `s`: the day number,
// 0 when it is not a date. `strict` is the TAPCIS 5.x rule (exactly the first nine characters);
// otherwise a one-digit day and leading blanks are taken too. A time "hh:mm[:ss]" after the
// date goes to `time` (hundredths plus one), else 0.
int32_t capture_date(std::string_view s, bool strict, int32_t* time = nullptr);

// The mail address rule: "Name >INTERNET:addr" gives the address and the name; other values are
// split as CompuServe mail addresses. A receiver without a name is split once more as a whole.
void capture_mail_address(std::string_view value, bool receiver, std::string& address,
                          std::string& name);

// The capture formats a file may be in, told from its first 64 KB (line ends as LF) and its
// extension (lower case, with the dot): one name when the file shows its format, several when
// it could be any of them, none when it is no capture file.
std::vector<std::string> capture_candidates(std::string_view head, std::string_view ext);

std::unique_ptr<Parser> make_capture_reader(const std::string& format);

}  // namespace qs
