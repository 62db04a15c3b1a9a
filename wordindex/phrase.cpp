// SPDX-License-Identifier: MIT
#include "wordindex/phrase.h"

#include <algorithm>

#include "storage/file_access.h"

namespace qs::words {

bool contains_phrase(const WordRules& rules, std::string_view text, const Phrase& phrase) {
    const auto& want = phrase.words;
    const auto& skipped = phrase.skipped;
    if (want.empty()) return false;
    // The last words of the text, as many as the phrase has, oldest first.
    std::vector<std::string> recent;
    Tokenizer t(rules, text);
    Word w;
    while (t.next(w)) {
        if (std::find(skipped.begin(), skipped.end(), w.text) != skipped.end()) continue;
        if (recent.size() == want.size()) recent.erase(recent.begin());
        recent.push_back(w.text);
        if (w.text == want.back() && recent == want) return true;
    }
    return false;
}

std::vector<int> message_files(uint8_t db_type) {
    if (db_type == kMailDb) return {kMail, kMsgText};
    return {kMsgNmbr, kThreads, kMsgText};
}

bool read_message(Session& s, uint8_t db_type, uint32_t sysid, std::string& subject,
                  std::string& text) {
    subject.clear();
    text.clear();
    if (db_type == kMailDb) {
        Mail m;
        m.MAILID = sysid;
        if (!handle(s, kMail).get(keys::MaiIdKey, &m, &m)) return false;
        subject = m.SUBJECT.str();
    } else {
        MsgNmbr m;
        m.MSGNUMBER = sysid;
        if (!handle(s, kMsgNmbr).get(keys::MsgIdKey, &m, &m)) return false;
        Threads t;
        t.THREADNUMBER = m.THREADNUMBER;
        if (handle(s, kThreads).get(0, &t, &t)) subject = trim_right(t.heading());
    }
    MsgText t;
    t.MSGNUMBER = sysid;
    if (handle(s, kMsgText).get(keys::TxtIdKey, &t, &t)) text = std::move(t.MSGTEXT.text);
    return true;
}

}  // namespace qs::words
