// SPDX-License-Identifier: MIT
#include "wordindex/index_pass.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "storage/file_access.h"
#include "wordindex/position_records.h"
#include "wordindex/postings.h"

namespace qs::words {

IndexPass::IndexPass(Session& s, const PassSetup& setup, const IndexState& state,
                     const IndexProgress& progress)
    : s_(s), setup_(setup), state_(state), committed_(state), progress_(progress) {}

// The files a run reads each record of once, in one pass: their pages are not kept, so that the
// run's memory does not grow with the database.
std::vector<int> IndexPass::read_once_files() const {
    if (setup_.kind == Kind::Mail) return {kMsgText, kMail};
    return {kMsgText, kMsgNmbr, kThreads};
}

bool IndexPass::prepare() {
    for (int f : read_once_files()) handle(s_, f).read_once(true);
    book_.reserve_pairs(setup_.flush_pairs, setup_.flush_position_bytes);
    rules_ = WordRules::from(s_.settings);
    rules_.start[static_cast<unsigned char>('^')] = 1;
    store::File& sto = handle(s_, kSTO);
    STO stop;
    sto.set(0);
    while (sto.next(&stop)) book_.add_stop(stop.THEWORD.trimmed());
    WordList last;
    store::File& words = handle(s_, kWordList);
    words.set(0);
    book_.set_last_id(words.previous(&last) ? last.WORDID : 0);
    // Words of the list are looked up before their entries are written; so are words that
    // have entries but, through some damage, no longer a record in the list.
    uint32_t highest = 0;
    if (!highest_word(s_, highest)) return false;
    written_id_ =
        std::max(book_.last_id(), static_cast<int32_t>(std::min<uint32_t>(highest, INT32_MAX)));
    // A count that fails takes the careful course: look words up, and look for messages indexed.
    uint64_t n = 0;
    list_had_words_ = !RecordCount(s_, kWordList, n) || n > 0;
    check_indexed_ = !RecordCount(s_, kMasIdx, n) || n > 0;
    set_aside_.push_back({kWordList, kWordCountKey});
    if (!list_had_words_) {
        // Every word of the run is in memory, so nothing is looked up in the list; without its
        // keys a count written back is a plain rewrite of the record.
        set_aside_.push_back({kWordList, kWordIdKey});
        set_aside_.push_back({kWordList, kTheWordKey});
    }
    for (const auto& [file, key] : set_aside_) {
        Status st = handle(s_, file).drop_key(key);
        if (!st) {
            fail("Wordlist", 0, "|" + st.text());
            return false;
        }
    }
    return true;
}

// The keys are built in a transaction: its connection maps no file and keeps a transaction's
// small page cache, which bounds what sorting the word list holds in memory (on the file's own
// connection SQLite maps its sort files, and a million messages' words passed 128 MB).
bool IndexPass::restore_keys() {
    for (int f : read_once_files()) handle(s_, f).read_once(false);
    if (set_aside_.empty()) return true;
    const bool own = !s_.engine.in_transaction();
    if (own && TransactionCheck(s_, BeginTransaction(s_, {kWordList}))) {
        set_aside_.clear();  // the next open of the word list builds them
        return false;
    }
    bool ok = true;
    for (const auto& [file, key] : set_aside_) {
        Status st = handle(s_, file).build_key(key);
        if (!st) {
            fail("Wordlist", current_, "|" + st.text());
            ok = false;
        }
    }
    set_aside_.clear();
    if (!own) return ok;
    if (ok) return Commit(s_);
    Rollback(s_);
    return false;
}

void IndexPass::caption(const std::string& c) {
    if (progress_.caption) progress_.caption(c);
}

int IndexPass::percent() const {
    uint64_t to_go = setup_.to_go;
    return to_go == 0 ? 100 : static_cast<int>(std::min<uint64_t>(100, read_ * 100 / to_go));
}

void IndexPass::show_share() {
    if (progress_.percent) progress_.percent(percent(), read_, setup_.to_go);
}

PassResult IndexPass::step() {
    // The pass reads each file under one read transaction instead of one a record: taking and
    // dropping the locks and looking for a journal cost more system calls than the reads
    // themselves. A flush's transaction ends the snapshot of the index files it writes.
    std::vector<int> files = read_once_files();
    files.push_back(kMasIdx);
    ReadSnapshot snapshot(s_, files);
    store::File& texts = handle(s_, kMsgText);
    for (int i = 0; i < setup_.per_pass; ++i) {
        Status st = texts.fetch_after(state_.position, &text_);
        if (st.code() == Code::NotFound) {
            show_share();
            return flush() ? PassResult::Done : PassResult::Failed;
        }
        if (!st) {
            fail("MsgText", current_, "|" + st.text());
            return PassResult::Failed;
        }
        state_.position = static_cast<uint32_t>(texts.position());
        ++read_;
        if (!index_message(text_)) return PassResult::Failed;
        if (read_ % 50 == 0) show_share();
        bool many_left = setup_.to_go > read_ + 50;
        const bool full = book_.pair_count() >= setup_.flush_pairs ||
                          book_.position_bytes() >= setup_.flush_position_bytes;
        if (full && many_left && !flush()) return PassResult::Failed;
    }
    return PassResult::More;
}

PassResult IndexPass::finish() {
    show_share();
    return flush() ? PassResult::Done : PassResult::Failed;
}

// A read that fails counts the message as indexed: it is not indexed twice.
bool IndexPass::already_indexed(uint32_t sysid) {
    bool indexed = true;
    return !message_indexed(s_, sysid, indexed) || indexed;
}

bool IndexPass::subject_of(uint32_t sysid, std::string& subject) {
    if (setup_.kind == Kind::Mail) {
        s_.rec.Mail = Mail{};
        s_.rec.Mail.MAILID = sysid;
        if (!Get(s_, kMail, keys::MaiIdKey)) return false;
        subject = s_.rec.Mail.SUBJECT.str();
        return true;
    }
    s_.rec.MsgNmbr = MsgNmbr{};
    s_.rec.MsgNmbr.MSGNUMBER = sysid;
    if (!Get(s_, kMsgNmbr, keys::MsgIdKey)) return false;
    s_.rec.Threads = Threads{};
    s_.rec.Threads.THREADNUMBER = s_.rec.MsgNmbr.THREADNUMBER;
    subject = Get(s_, kThreads, 0) ? std::string(trim_right(s_.rec.Threads.heading())) : "";
    return true;
}

namespace {

constexpr uint32_t kNotCounted = 0x80000000u;
constexpr uint32_t kNoPair = UINT32_MAX;

}  // namespace

bool IndexPass::index_message(const MsgText& text) {
    uint32_t sysid = text.MSGNUMBER;
    current_ = sysid;
    if (check_indexed_ && already_indexed(sysid)) {
        ++state_.count;
        return true;
    }
    std::string subject;
    if (!subject_of(sysid, subject)) return true;  // a text without its header is not indexed
    if (!text.HEADING.blank()) subject = text.HEADING.str();  // the header holds only its start
    const std::string_view whole = text.MSGTEXT.text;
    MessageText m = message_text(rules_, setup_.kind, subject, whole, setup_.keep_footer);
    word_total_ = 0;
    const bool known = numbered(subject, whole, m);
    if (known) {
        take_words(subject, 0, m.subject.size(), 0);
        const size_t from = m.body.empty() ? 0 : static_cast<size_t>(m.body.data() - whole.data());
        take_words(whole, from, from + m.body.size(), static_cast<uint32_t>(word_total_) + 1);
    } else {
        for_each_word(rules_, m, [&](const Word& w) { take_word(w.text, 0); });
    }
    const bool ok = book_words(sysid);
    if (ok && known) number_words();
    book_.end_message(grouped_, starts_, known && ok);
    ++tokenized_;
    ++state_.count;
    return ok;
}

void IndexPass::take_word(const std::string& text, uint32_t place) {
    if (word_total_ == words_.size()) {
        words_.emplace_back();
        hashes_.emplace_back();
        places_.emplace_back();
        cached_.emplace_back();
        token_pairs_.emplace_back();
    }
    words_[word_total_].assign(text);
    hashes_[word_total_] = WordBook::hash_of(text);
    places_[word_total_++] = place;
}

// The words of `part`, numbered from base + 1; those that begin in [from, to) are counted.
void IndexPass::take_words(std::string_view part, size_t from, size_t to, uint32_t base) {
    Tokenizer t(rules_, part);
    Word w;
    uint32_t n = base;
    while (t.next(w)) {
        const size_t at = w.first - 1;
        take_word(w.text, ++n | (at >= from && at < to ? 0 : kNotCounted));
    }
}

// Whether the message's words can be numbered as a phrase search reads them: every word of the
// whole subject and the whole text, of which the run counts those of the indexed parts. They can
// when each indexed part is cut from the whole where no word can span the cut (then the words of
// the part are a run of the words of the whole), and when no word begins with a circumflex (the
// run reads "^word" as WORD, where a phrase search passes the word over).
bool IndexPass::numbered(std::string_view subject, std::string_view text,
                         const MessageText& m) const {
    if (subject.find('^') != std::string_view::npos || text.find('^') != std::string_view::npos)
        return false;
    // A full stop is left out: two of them end a word before the first.
    auto separates = [&](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x80 && u != '.' && rules_.cannot_start(u) && rules_.ends_word(u);
    };
    auto between_words = [&](std::string_view t, size_t at) {
        return at == 0 || at >= t.size() || separates(t[at - 1]) || separates(t[at]);
    };
    if (!m.subject.empty() && m.subject.data() != subject.data()) return false;
    if (!between_words(subject, m.subject.size())) return false;
    if (m.body.empty()) return true;
    const std::less<const char*> below;
    const char* end = text.data() + text.size();
    if (below(m.body.data(), text.data()) || below(end, m.body.data() + m.body.size()))
        return false;
    const size_t from = static_cast<size_t>(m.body.data() - text.data());
    return between_words(text, from) && between_words(text, from + m.body.size());
}

// Books the message's counted words in their order. Most of the time of a look-up is waiting for
// the word's slot and record to come from memory, so each is asked for a few words ahead. A word
// counted for the message for the first time gets the number of its pair among the message's.
bool IndexPass::book_words(uint32_t sysid) {
    constexpr size_t kSlotAhead = 16, kValueAhead = 8;
    size_t capacity = 64;
    while (capacity < 2 * word_total_) capacity <<= 1;
    pair_keys_.assign(capacity, nullptr);
    pair_numbers_.resize(capacity);
    for (size_t i = 0; i < std::min(word_total_, kSlotAhead); ++i) book_.prefetch(hashes_[i], 1);
    for (size_t i = 0; i < word_total_; ++i) {
        if (i + kSlotAhead < word_total_) book_.prefetch(hashes_[i + kSlotAhead], 1);
        if (i + kValueAhead < word_total_) book_.prefetch(hashes_[i + kValueAhead], 2);
        if (places_[i] & kNotCounted) {
            cached_[i] = book_.find(words_[i], hashes_[i]);
            continue;
        }
        bool ok = true;
        const size_t pairs = book_.message_pairs();
        cached_[i] = book_word(words_[i], hashes_[i], sysid, ok);
        if (!ok) return false;
        if (book_.message_pairs() != pairs) {
            const size_t at = pair_slot(cached_[i]);
            pair_keys_[at] = cached_[i];
            pair_numbers_[at] = static_cast<uint32_t>(pairs);
        }
    }
    return true;
}

// The slot of the word in the message's table of pairs: its own, or the empty one where it
// belongs.
size_t IndexPass::pair_slot(const CachedWord* w) const {
    const size_t mask = pair_keys_.size() - 1;
    size_t at = (reinterpret_cast<uintptr_t>(w) >> 4) * 0x9E3779B97F4A7C15ull >> 40 & mask;
    while (pair_keys_[at] && pair_keys_[at] != w) at = (at + 1) & mask;
    return at;
}

// The places of the message's words grouped by their pair, wherever they stand in the message
// (a word read only for its place may have been cached after it, by a later counted word), as
// WordBook::end_message takes them.
void IndexPass::number_words() {
    const size_t pairs = book_.message_pairs();
    starts_.assign(pairs + 2, 0);
    for (size_t i = 0; i < word_total_; ++i) {
        const CachedWord* w = cached_[i];
        if (!w && (places_[i] & kNotCounted)) w = cached_[i] = book_.find(words_[i], hashes_[i]);
        const size_t slot = w ? pair_slot(w) : 0;
        token_pairs_[i] = w && pair_keys_[slot] == w ? pair_numbers_[slot] : kNoPair;
        if (token_pairs_[i] != kNoPair) ++starts_[token_pairs_[i] + 2];
    }
    for (size_t j = 2; j < starts_.size(); ++j) starts_[j] += starts_[j - 1];
    grouped_.resize(starts_.back());
    for (size_t i = 0; i < word_total_; ++i)
        if (token_pairs_[i] != kNoPair)
            grouped_[starts_[token_pairs_[i] + 1]++] = places_[i] & ~kNotCounted;
    starts_.pop_back();
}

CachedWord* IndexPass::look_up(const std::string& word, uint32_t sysid) {
    if (list_had_words_) {
        store::File& h = handle(s_, kWordList);
        WordList key, rec;
        key.THEWORD = word;
        Status st = h.get(1, &key, &rec);
        if (st) return &book_.add_existing(rec, h.position());
        if (st.code() != Code::NotFound) {
            fail("Wordlist(Get)", sysid, "|Word=" + word + "|" + st.text());
            if (!s_.quiet())
                s_.dialog.message("Corrupt Data",
                                  "There is unwritten data in memory.|The data set is corrupt.|"
                                  "Please restore from a backup.");
            return nullptr;
        }
    }
    ++new_words_;
    return &book_.add_new(word);
}

// The cached word that the message's word was counted for; nullptr for a stop word, or one moved
// to the stop list now, and with ok false after a failure.
CachedWord* IndexPass::book_word(const std::string& word, uint32_t h, uint32_t sysid, bool& ok) {
    if (book_.is_stop(word, h)) return nullptr;
    CachedWord* w = book_.find(word, h);
    if (!w && !(w = look_up(word, sysid))) return ok = false, nullptr;
    if (setup_.auto_stop && over_auto_stop(state_.count, w->count)) {
        caption("Moving Word to Stop List...");
        if (!add_stop_record(s_, word, kReport)) return ok = false, nullptr;
        book_.stop(word, *w);
        ++stopped_;
        return nullptr;
    }
    book_.count(*w, sysid);
    return w;
}

void IndexPass::fail(const std::string& what, uint32_t sysid, const std::string& detail) {
    if (s_.quiet()) return;
    s_.dialog.message("Unexpected Error", "Unexpected file error:" + what + "||on Message#" +
                                              std::to_string(sysid) + detail);
}

bool IndexPass::write_words() {
    store::File& h = handle(s_, kWordList);
    // A word's id and text never change: only its count is written, and the keys of the other
    // two stay as they are.
    const uint64_t count = h.field_bit("WORDCOUNT");
    WordList rec;
    for (CachedWord* w : book_.take_dirty()) {
        rec.WORDID = w->id;
        rec.THEWORD = *w->text;
        rec.WORDCOUNT = w->count;
        Status st;
        if (w->position == 0) {
            st = h.add(&rec);
            w->position = h.position();
        } else {
            h.set_position(w->position);
            st = h.put_fields(&rec, count);
        }
        if (!st) return fail("Wordlist", current_, "|" + st.text()), false;
    }
    return true;
}

// Each message's words as blocks of their own, then each word's messages merged into its
// blocks. A message is indexed once, so its blocks are new.
bool IndexPass::write_pairs() {
    store::File& h = handle(s_, kMasIdx);
    std::string records;
    std::vector<Pair> pairs = book_.take_pairs(&records);
    const size_t written = pairs.size();
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < pairs.size();) {
        const uint32_t sysid = pairs[i].sysid;
        ids.clear();
        for (; i < pairs.size() && pairs[i].sysid == sysid; ++i) ids.push_back(pairs[i].word_id);
        std::sort(ids.begin(), ids.end());  // a message's pairs stand in the order first counted
        Status st = MasList(h, kMessageWords, sysid).add(ids, true);
        if (!st) return fail("MASIDX", sysid, "|" + st.text()), false;
    }
    if (!write_word_lists(h, std::move(pairs), std::move(records))) return false;
    pairs_written_ += written;
    written_id_ = book_.last_id();
    return true;
}

// The pairs, in sysid order, regrouped by word with their records (a counting sort keeps each
// word's messages in ascending order) and merged word by word. The pairs and their records in
// message order are let go before the lists are written: a transaction's changed pages are the
// bulk of a flush's memory, and they peak there.
bool IndexPass::write_word_lists(store::File& h, std::vector<Pair> pairs, std::string records) {
    const size_t words = static_cast<size_t>(book_.last_id()) + 2;
    std::vector<uint32_t> start(words, 0), bytes(words, 0);
    size_t offset = 0;
    for (const Pair& p : pairs) {
        const size_t size = record_size(std::string_view(records).substr(offset));
        ++start[p.word_id + 1];
        bytes[p.word_id + 1] += static_cast<uint32_t>(size);
        offset += size;
    }
    for (size_t w = 1; w < words; ++w) {
        start[w] += start[w - 1];
        bytes[w] += bytes[w - 1];
    }
    std::vector<uint32_t> sysids(pairs.size());
    std::string by_word(records.size(), '\0');
    {
        std::vector<uint32_t> at(start.begin(), start.end() - 1),
            byte_at(bytes.begin(), bytes.end() - 1);
        offset = 0;
        for (const Pair& p : pairs) {
            const size_t size = record_size(std::string_view(records).substr(offset));
            sysids[at[p.word_id]++] = p.sysid;
            std::memcpy(by_word.data() + byte_at[p.word_id], records.data() + offset, size);
            byte_at[p.word_id] += static_cast<uint32_t>(size);
            offset += size;
        }
    }
    std::vector<Pair>().swap(pairs);
    std::string().swap(records);
    std::vector<std::string_view> list_records;
    for (size_t w = 0; w + 1 < words; ++w) {
        if (start[w] == start[w + 1]) continue;
        std::span<const uint32_t> list(sysids.data() + start[w], start[w + 1] - start[w]);
        list_records.clear();
        std::string_view rest = std::string_view(by_word).substr(bytes[w], bytes[w + 1] - bytes[w]);
        while (!rest.empty()) {
            const size_t size = std::max<size_t>(1, record_size(rest));
            list_records.push_back(rest.substr(0, size));
            rest.remove_prefix(size);
        }
        const bool fresh = static_cast<int32_t>(w) > written_id_;
        Status st =
            MasList(h, kWordMessages, static_cast<uint32_t>(w)).add(list, list_records, fresh);
        if (!st) return fail("MASIDX", list.front(), "|" + st.text()), false;
    }
    return true;
}

bool IndexPass::flush() {
    caption("Flushing Buffers/Building Indexes");
    if (TransactionCheck(s_, BeginTransaction(s_, {kWordList, kMasIdx}))) return false;
    if (!write_words() || !write_pairs()) {
        if (!s_.quiet()) s_.dialog.message("Rollback", "Will try to rollback changes.");
        Rollback(s_);
        if (!s_.quiet()) s_.dialog.message("Rollback Complete", "Rollback was sucessfull.");
        return false;
    }
    if (!Commit(s_)) return false;
    committed_ = state_;
    caption("Indexing messages");
    return true;
}

void IndexPass::fill(IndexOutcome& out) const {
    out.tokenized = tokenized_;
    out.pairs = pairs_written_;
    out.new_words = new_words_;
    out.stopped = stopped_;
}

}  // namespace qs::words
