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

std::vector<int> message_files(uint8_t db_type, bool texts) {
    std::vector<int> files =
        db_type == kMailDb ? std::vector<int>{kMail} : std::vector<int>{kMsgNmbr, kThreads};
    if (texts) files.push_back(kMsgText);
    return files;
}

bool read_text(Session& s, uint32_t sysid, std::string& text, std::string* whole_subject) {
    text.clear();
    if (whole_subject) whole_subject->clear();
    MsgText t;
    t.MSGNUMBER = sysid;
    if (!handle(s, kMsgText).get(keys::TxtIdKey, &t, &t)) return false;
    text = std::move(t.MSGTEXT.text);
    if (whole_subject) *whole_subject = t.HEADING.str();
    return true;
}

bool read_subject(Session& s, uint8_t db_type, uint32_t sysid, std::string& subject) {
    subject.clear();
    if (db_type == kMailDb) {
        Mail m;
        m.MAILID = sysid;
        if (!handle(s, kMail).get(keys::MaiIdKey, &m, &m)) return false;
        subject = m.SUBJECT.str();
        return true;
    }
    MsgNmbr m;
    m.MSGNUMBER = sysid;
    if (!handle(s, kMsgNmbr).get(keys::MsgIdKey, &m, &m)) return false;
    Threads t;
    t.THREADNUMBER = m.THREADNUMBER;
    if (handle(s, kThreads).get(0, &t, &t)) subject = trim_right(t.heading());
    return true;
}

}  // namespace qs::words
