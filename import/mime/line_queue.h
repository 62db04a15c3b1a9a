// SPDX-License-Identifier: MIT
// The lines of one message as the readers hand them on: entries of at most 400 characters, a
// longer source line continuing in the next entry. Line ends are not kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

inline constexpr size_t kQueueLine = 400;

struct TQ {
    std::string LINE;       // at most kQueueLine bytes; its size is TQ:LEN
    uint8_t SPLITLINE = 0;  // 1: the source line goes on in the next entry
    uint32_t LEN() const { return static_cast<uint32_t>(LINE.size()); }
};

using LineQueue = std::vector<TQ>;

// Appends a source line, cut into entries of 400 characters. A line of exactly 400 characters is
// one entry that does not go on: an empty entry after it would read as the end of a header.
void push_line(LineQueue& q, std::string_view line);

// The removal marker: a queue line overwritten with it is left out of the text.
inline constexpr const char* kRemoveMarker = "!!!Remove this!!!";

// How a mailbox reader undoes quoted-printable escapes while it reads, whatever the headers say.
enum class QpRule : uint8_t {
    kNone,        // lines are taken as they stand
    kPairs,       // "=XX" pairs only; an "=" at a line end stays
    kJoin,        // pairs, and an "=" at a line end joins the line with the next
    kJoinDrop20,  // as kJoin, and "=20" not after "?" is dropped
};

// Collects the source lines of one message into a queue by a quoted-printable rule. Lines are
// given without their line ends; a joined line is cut into 400-character entries as it grows, so
// an endless run of soft line breaks never holds more than one entry back.
class LineCollector {
public:
    LineCollector(LineQueue& q, QpRule rule) : q_(q), rule_(rule) {}

    // One source line without its line end.
    void add(std::string_view raw);
    // Ends a line left open by a soft line break at the end of the message.
    void finish();

private:
    void decode_into(std::string_view raw);
    void spill();

    LineQueue& q_;
    QpRule rule_;
    std::string pending_;
    bool open_ = false;  // a soft line break left the line open
};

}  // namespace qs
