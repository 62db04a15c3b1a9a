// SPDX-License-Identifier: MIT
// Phrase matching from the position records kept with the phrase words' postings: a hit's answer
// without reading its text, where the records can give one.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/status.h"
#include "storage/session.h"
#include "wordindex/postings.h"

namespace qs::words {

class PhrasePositions {
public:
    enum class Answer {
        Stands,   // the phrase stands in the subject or the text
        Absent,   // it stands in neither
        Unknown,  // the records cannot tell: the text decides
    };

    // `words`: the word id of each phrase word in typed order, repeats included; empty when a
    // word has no entry of its own, and then every answer is Unknown. `skipped`: stop words were
    // typed in the phrase, which a phrase search passes over in texts and the records do not
    // hold, so that only a phrase found without them is an answer.
    PhrasePositions(store::File& mas, const std::vector<uint32_t>& words, bool skipped);

    // The answer for a message; messages are asked for in ascending order. A failed read leaves
    // Unknown and returns the failure.
    Status answer(uint32_t sysid, Answer& a);

private:
    std::vector<PositionCursor> cursors_;  // one per distinct word
    std::vector<size_t> cursor_of_;        // of each phrase word
    std::vector<std::vector<uint32_t>> positions_;
    std::vector<const std::vector<uint32_t>*> phrase_;
    bool skipped_;
};

}  // namespace qs::words
