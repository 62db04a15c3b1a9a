// SPDX-License-Identifier: MIT
#include "desktop/browse_sources.h"

#include <algorithm>
#include <unordered_map>

#include "app/display_date.h"
#include "app/topics.h"
#include "platform/clock.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"
#include "wordindex/tokenizer.h"

namespace qs::desktop {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

uint32_t number_of(const std::string& typed) {
    try {
        return static_cast<uint32_t>(std::stoul(typed));
    } catch (...) {
        return 0;
    }
}

// Names of persons and headings of threads, looked up once each while a list is read.
class Lookups {
public:
    explicit Lookups(Session& s) : s_(s) {}
    QString person(uint32_t id) {
        if (id == 0) return {};
        if (auto it = persons_.find(id); it != persons_.end()) return it->second;
        if (persons_.size() > kMaxKept) persons_.clear();
        Person& p = s_.rec.Person;
        p = Person{};
        p.PERSONID = id;
        QString name;
        if (Get(s_, kPerson, keys::PersonKey)) {
            name = q(p.FIRSTNAME.view());
            if (!p.LASTNAME.blank()) name += (name.isEmpty() ? "" : " ") + q(p.LASTNAME.view());
            if (name.isEmpty()) name = q(p.ADDRESS.view());
        }
        return persons_[id] = name;
    }
    QString heading(uint32_t thread) {
        if (auto it = headings_.find(thread); it != headings_.end()) return it->second;
        if (headings_.size() > kMaxKept) headings_.clear();
        Threads& t = s_.rec.Threads;
        t = Threads{};
        t.THREADNUMBER = thread;
        return headings_[thread] = Get(s_, kThreads, 0) ? q(trim_right(t.heading())) : QString();
    }

private:
    static constexpr size_t kMaxKept = 20000;
    Session& s_;
    std::unordered_map<uint32_t, QString> persons_, headings_;
};

// What each browse needs to know of its file's records.
template <class R>
struct Rows;

template <>
struct Rows<Mail> {
    static constexpr int file = kMail;
    static constexpr int id_key = keys::MaiIdKey;
    static std::vector<int> files() { return {kMail, kPerson}; }
    static QStringList columns() { return {"Date", "Time", "From", "To", "Subject", "Status"}; }
    static uint32_t id(const Mail& m) { return m.MAILID; }
    static void set_id(Mail& m, uint32_t id) { m.MAILID = id; }
    static BrowseRow row(Lookups& l, const Mail& m, int32_t date_format) {
        return {m.MAILID,
                0,
                m.DUMMY,
                {q(display_date(m.DATE, date_format)), q(hms_time(m.TIME).substr(0, 5)),
                 l.person(m.FROMID), l.person(m.TOID), q(m.SUBJECT.view()), mark_text(m.DUMMY)}};
    }
    static int locate(Mail& m, int key, const std::string& typed) {
        switch (key) {
            case keys::MaiDateKey: return (m.DATE = date_from_iso(typed)) ? 1 : 0;
            case keys::SubjectKey: m.SUBJECT = typed; return 1;
            case keys::PairKey: m.PAIRALPHA = typed; return 1;
            case keys::MaiFromKey: m.FROMALPHA = typed; return 1;
            case keys::MaiToKey: m.TOALPHA = typed; return 1;
        }
        return 0;
    }
};

template <>
struct Rows<MsgNmbr> {
    static constexpr int file = kMsgNmbr;
    static constexpr int id_key = keys::MsgIdKey;
    static std::vector<int> files() { return {kMsgNmbr, kPerson, kThreads}; }
    static QStringList columns() { return {"Number", "Date", "From", "To", "Subject", "Status"}; }
    static uint32_t id(const MsgNmbr& m) { return m.MSGNUMBER; }
    static void set_id(MsgNmbr& m, uint32_t id) { m.MSGNUMBER = id; }
    static BrowseRow row(Lookups& l, const MsgNmbr& m, int32_t date_format) {
        return {
            m.MSGNUMBER,
            m.THREADNUMBER,
            m.DUMMY,
            {QString::number(m.MSGNUMBER), q(display_date(m.DATE, date_format)), l.person(m.FROMID),
             l.person(m.TOID), l.heading(m.THREADNUMBER), mark_text(m.DUMMY)}};
    }
    static int locate(MsgNmbr& m, int key, const std::string& typed) {
        switch (key) {
            case keys::MsgIdKey: return (m.MSGNUMBER = number_of(typed)) ? 1 : 0;
            case keys::Threadkey: m.THREADALPHA = typed; return 1;
            case keys::SECkey: return (m.SECSYSID = number_of(typed)) ? 1 : 0;
            case keys::MsgFromKey: m.FROMALPHA = typed; return 1;
            case keys::MsgToKey: m.TOALPHA = typed; return 1;
            case keys::MsgDateKey: return (m.DATE = date_from_iso(typed)) ? 1 : 0;
        }
        return 0;
    }
};

template <>
struct Rows<Person> {
    static constexpr int file = kPerson;
    static constexpr int id_key = keys::PersonKey;
    static std::vector<int> files() { return {kPerson}; }
    static QStringList columns() { return {"Name", "Address", "Sent", "Received", "Status"}; }
    static uint32_t id(const Person& p) { return p.PERSONID; }
    static void set_id(Person& p, uint32_t id) { p.PERSONID = id; }
    static BrowseRow row(Lookups&, const Person& p, int32_t) {
        QString name = q(p.FIRSTNAME.view());
        if (!p.LASTNAME.blank()) name += (name.isEmpty() ? "" : " ") + q(p.LASTNAME.view());
        return {p.PERSONID,
                0,
                p.DUMMY,
                {name, q(p.ADDRESS.view()), QString::number(p.FROMCOUNT),
                 QString::number(p.TOCOUNT), mark_text(p.DUMMY)}};
    }
    static int locate(Person& p, int key, const std::string& typed) {
        switch (key) {
            case keys::NameKey: p.LASTNAME = typed; return 1;
            case keys::AddressKey: p.ADDRESS = typed; return 1;
        }
        return 0;
    }
};

template <class R>
class ListBase : public RowSource {
public:
    explicit ListBase(Session& s)
        : s_(s), files_(s, Rows<R>::files()), lookups_(s), date_format_(date_preference(s)) {}
    QStringList columns() const override { return Rows<R>::columns(); }
    bool reread(BrowseRow& row) override {
        R& rec = buffer<R>(s_, Rows<R>::file);
        rec = R{};
        Rows<R>::set_id(rec, row.number);
        if (!Get(s_, Rows<R>::file, Rows<R>::id_key)) return false;
        row = Rows<R>::row(lookups_, R(rec), date_format_);
        return true;
    }

protected:
    Session& s_;
    OpenFiles files_;
    Lookups lookups_;
    int32_t date_format_;
};

// A file in the order of one key; with `mark`, only the records with that status mark (read
// through the status key).
template <class R>
class KeyList : public ListBase<R> {
public:
    KeyList(Session& s, int key, int mark = -1) : ListBase<R>(s), key_(key), mark_(mark) {
        locate({});
    }
    void read(size_t n, std::vector<BrowseRow>& out) override {
        if (end_) return;
        store::File& f = handle(this->s_, Rows<R>::file);
        if (!started_) {
            started_ = true;
            if (parts_)
                f.set(key_, &anchor_, parts_);
            else
                f.set(key_);
        } else {
            // Another window may have read this file meanwhile: go on after the last row.
            f.set_position(last_pos_);
            f.set_here(key_, &last_);
        }
        size_t i = 0;
        if (pending_) {
            pending_ = false;
            out.push_back(Rows<R>::row(this->lookups_, last_, this->date_format_));
            ++i;
        }
        R rec;
        for (; i < n; ++i) {
            if (!StoreRead(this->s_, Rows<R>::file, f.next(&rec)) ||
                (mark_ >= 0 && rec.DUMMY != mark_)) {
                end_ = true;
                return;
            }
            last_ = rec;
            last_pos_ = f.position();
            if (!have_first_) keep_first(rec, last_pos_);
            out.push_back(Rows<R>::row(this->lookups_, rec, this->date_format_));
        }
    }
    bool at_end() const override { return end_; }
    void read_previous(size_t n, std::vector<BrowseRow>& out) override {
        if (start_) return;
        store::File& f = handle(this->s_, Rows<R>::file);
        if (have_first_) {
            f.set_position(first_pos_);
            f.set_here(key_, &first_);
        } else {
            // Nothing at or after the anchor: the list ends before it.
            f.set(key_, &anchor_, parts_);
        }
        R rec;
        for (size_t i = 0; i < n; ++i) {
            if (!StoreRead(this->s_, Rows<R>::file, f.previous(&rec)) ||
                (mark_ >= 0 && rec.DUMMY != mark_)) {
                start_ = true;
                return;
            }
            keep_first(rec, f.position());
            out.push_back(Rows<R>::row(this->lookups_, rec, this->date_format_));
        }
    }
    bool at_start() const override { return start_; }
    bool locate(const std::string& typed) override {
        R anchor{};
        int parts = 0;
        if (mark_ >= 0) {
            anchor.DUMMY = static_cast<uint8_t>(mark_);
            parts = 1;
        } else if (!typed.empty()) {
            parts = Rows<R>::locate(anchor, key_, typed);
            if (!parts) return false;
        }
        anchor_ = anchor;
        parts_ = parts;
        started_ = pending_ = false;
        end_ = false;
        // A status filter starts at the first record of its mark, whatever was typed.
        start_ = parts == 0 || mark_ >= 0;
        have_first_ = false;
        return true;
    }
    bool resume_after(const BrowseRow& row) override {
        if (!find(row.number)) return false;
        last_ = buffer<R>(this->s_, Rows<R>::file);
        last_pos_ = handle(this->s_, Rows<R>::file).position();
        started_ = true;
        pending_ = end_ = false;
        return true;
    }
    bool resume_before(const BrowseRow& row) override {
        if (!find(row.number)) return false;
        keep_first(buffer<R>(this->s_, Rows<R>::file), handle(this->s_, Rows<R>::file).position());
        start_ = false;
        return true;
    }
    bool locate_record(uint32_t number) override {
        if (!find(number)) return false;
        R& rec = buffer<R>(this->s_, Rows<R>::file);
        // The list goes on from this very record, also among records of equal keys (the
        // status key holds nothing but the mark): it is the first row still to come.
        last_ = rec;
        last_pos_ = handle(this->s_, Rows<R>::file).position();
        keep_first(last_, last_pos_);
        started_ = pending_ = true;
        end_ = start_ = false;
        return true;
    }

private:
    // Reads the record into the file's buffer (its position the handle's); false when it is not
    // in this list.
    bool find(uint32_t number) {
        R& rec = buffer<R>(this->s_, Rows<R>::file);
        rec = R{};
        Rows<R>::set_id(rec, number);
        return Get(this->s_, Rows<R>::file, Rows<R>::id_key) && (mark_ < 0 || rec.DUMMY == mark_);
    }
    void keep_first(const R& rec, int64_t pos) {
        first_ = rec;
        first_pos_ = pos;
        have_first_ = true;
    }

    int key_;
    int mark_;
    R anchor_{};
    int parts_ = 0;
    R last_{};
    int64_t last_pos_ = 0;
    R first_{};  // the first row read, where reading backwards goes on
    int64_t first_pos_ = 0;
    bool have_first_ = false;
    bool started_ = false;
    bool pending_ = false;  // the record jumped to is the first row still to come
    bool end_ = false;
    bool start_ = true;  // nothing lies before the first row
};

// The records of a list of numbers, in its order; numbers without a record are passed over.
template <class R>
class NumberList : public ListBase<R> {
public:
    NumberList(Session& s, std::vector<uint32_t> numbers)
        : ListBase<R>(s), numbers_(std::move(numbers)) {}
    void read(size_t n, std::vector<BrowseRow>& out) override {
        for (size_t done = 0; done < n && at_ < numbers_.size();) {
            BrowseRow row;
            row.number = numbers_[at_++];
            if (this->reread(row)) {
                out.push_back(std::move(row));
                ++done;
            }
        }
    }
    bool at_end() const override { return at_ >= numbers_.size(); }
    void read_previous(size_t n, std::vector<BrowseRow>& out) override {
        for (size_t done = 0; done < n && first_ > 0;) {
            BrowseRow row;
            row.number = numbers_[--first_];
            if (this->reread(row)) {
                out.push_back(std::move(row));
                ++done;
            }
        }
    }
    bool at_start() const override { return first_ == 0; }
    bool locate(const std::string& typed) override {
        if (!typed.empty()) return false;
        at_ = first_ = 0;
        return true;
    }
    bool locate_record(uint32_t number) override {
        const size_t at = place(number);
        if (at == numbers_.size()) return false;
        at_ = first_ = at;
        return true;
    }
    bool resume_after(const BrowseRow& row) override {
        const size_t at = place(row.number);
        if (at == numbers_.size()) return false;
        at_ = at + 1;
        return true;
    }
    bool resume_before(const BrowseRow& row) override {
        const size_t at = place(row.number);
        if (at == numbers_.size()) return false;
        first_ = at;
        return true;
    }

private:
    size_t place(uint32_t number) const {
        return static_cast<size_t>(std::find(numbers_.begin(), numbers_.end(), number) -
                                   numbers_.begin());
    }

    std::vector<uint32_t> numbers_;
    size_t at_ = 0;     // the next to read forwards
    size_t first_ = 0;  // the first read: reading backwards goes on before it
};

// The messages or mails holding one word of the word index, in the order of their numbers, read a
// page at a time from the word's blocks of the master index. Entries whose message has gone are
// passed over.
template <class R>
class WordPostings : public ListBase<R> {
public:
    WordPostings(Session& s, const std::string& word)
        : ListBase<R>(s), index_(s, {kWordList, kMasIdx}) {
        WordList& w = s.rec.WordList;
        w = WordList{};
        w.THEWORD = words::indexed_form(word);
        found_ = !word.empty() && Get(s, kWordList, words::kTheWordKey);
        word_ = found_ ? static_cast<uint32_t>(w.WORDID) : 0;
        end_ = !found_;
    }
    void read(size_t n, std::vector<BrowseRow>& out) override {
        if (end_) return;
        size_t done = 0;
        if (pending_) {
            pending_ = false;
            done += take(last_, out);
        }
        while (done < n && !end_) {
            std::vector<uint32_t> ids;
            bool more = false;
            const int64_t after = started_ ? int64_t{last_} : -1;
            if (!read_ok(list().read_after(after, n - done, ids, more))) return;
            started_ = true;
            end_ = !more;
            for (uint32_t id : ids) {
                last_ = id;
                if (!have_first_) keep_first(id);
                done += take(id, out);
            }
        }
    }
    bool at_end() const override { return end_; }
    void read_previous(size_t n, std::vector<BrowseRow>& out) override {
        if (start_ || !have_first_) return;
        for (size_t done = 0; done < n && !start_;) {
            std::vector<uint32_t> ids;
            bool more = false;
            if (!read_ok(list().read_before(first_, n - done, ids, more))) return;
            start_ = !more;
            for (uint32_t id : ids) {
                keep_first(id);
                done += take(id, out);
            }
        }
    }
    bool at_start() const override { return start_; }
    bool locate(const std::string& typed) override {
        if (!typed.empty()) return false;
        started_ = pending_ = have_first_ = false;
        end_ = !found_;
        start_ = true;
        return true;
    }
    // The list starts at the word's entry of message `number`.
    bool locate_record(uint32_t number) override {
        if (!find(number)) return false;
        last_ = number;
        keep_first(number);
        started_ = pending_ = true;
        end_ = start_ = false;
        return true;
    }
    bool resume_after(const BrowseRow& row) override {
        if (!find(row.number)) return false;
        last_ = row.number;
        started_ = true;
        pending_ = end_ = false;
        return true;
    }
    bool resume_before(const BrowseRow& row) override {
        if (!find(row.number)) return false;
        keep_first(row.number);
        start_ = false;
        return true;
    }

private:
    words::MasList list() {
        return words::MasList(handle(this->s_, kMasIdx), words::kWordMessages, word_);
    }
    // A failure of the store ends the list where it stands, after it was told.
    bool read_ok(const Status& st) {
        if (st) return true;
        (void)StoreRead(this->s_, kMasIdx, st);
        end_ = start_ = true;
        return false;
    }
    // Whether message `number` holds the word.
    bool find(uint32_t number) {
        bool held = false;
        return found_ && read_ok(list().has(number, held)) && held;
    }
    size_t take(uint32_t number, std::vector<BrowseRow>& out) {
        BrowseRow row;
        row.number = number;
        if (!this->reread(row)) return 0;
        out.push_back(std::move(row));
        return 1;
    }
    void keep_first(uint32_t number) {
        first_ = number;
        have_first_ = true;
    }

    OpenFiles index_;
    bool found_ = false;
    uint32_t word_ = 0;
    uint32_t last_ = 0, first_ = 0;  // message numbers: the last read forwards, the first read
    bool started_ = false;
    bool pending_ = false;  // the entry a jump stands on is the first row still to come
    bool have_first_ = false;
    bool end_ = false;
    bool start_ = true;
};

// The identifiers of the current search result, newest first.
std::vector<uint32_t> result_set(Session& s) {
    std::vector<uint32_t> ids;
    OpenFiles open(s, {kSearch});
    Set(s, kSearch, 0);
    while (Next(s, kSearch)) ids.push_back(s.rec.Search.ID);
    return ids;
}

template <class R>
std::unique_ptr<RowSource> source_of(Session& s, const BrowseView& v, const ViewChoice& c) {
    switch (v.kind) {
        case ViewKind::Key: return std::make_unique<KeyList<R>>(s, v.key);
        case ViewKind::Status: return std::make_unique<KeyList<R>>(s, v.key, c.mark);
        case ViewKind::Word: return std::make_unique<WordPostings<R>>(s, c.word);
        case ViewKind::Topic: return std::make_unique<NumberList<R>>(s, MessagesOf(s, c.topic));
        case ViewKind::ResultSet: return std::make_unique<NumberList<R>>(s, result_set(s));
    }
    return nullptr;
}

}  // namespace

QString mark_text(uint8_t mark) {
    switch (mark) {
        case 1: return QStringLiteral("Keep");
        case 2: return QStringLiteral("Delete");
    }
    return {};
}

const std::vector<BrowseView>& views_of(BrowseKind kind) {
    using K = ViewKind;
    static const std::vector<BrowseView> mail = {
        {"By Date", K::Key, keys::MaiDateKey, "date (yyyy-mm-dd)"},
        {"By Subject", K::Key, keys::SubjectKey, "subject"},
        {"By MailPartner", K::Key, keys::PairKey, "mail partner"},
        {"By Sender", K::Key, keys::MaiFromKey, "sender"},
        {"By Receiver", K::Key, keys::MaiToKey, "receiver"},
        {"Filter KeyWord", K::Word, 0, ""},
        {"Filter Topic", K::Topic, 0, ""},
        {"Search Result", K::ResultSet, 0, ""},
        {"Filter Status", K::Status, keys::MaiStatusKey, ""},
    };
    static const std::vector<BrowseView> messages = {
        {"By MsgNmbr", K::Key, keys::MsgIdKey, "number"},
        {"By Thread", K::Key, keys::Threadkey, "thread"},
        {"By Section", K::Key, keys::SECkey, "section number"},
        {"By Sender", K::Key, keys::MsgFromKey, "sender"},
        {"By Receiver", K::Key, keys::MsgToKey, "receiver"},
        {"By MsgDate", K::Key, keys::MsgDateKey, "date (yyyy-mm-dd)"},
        {"Filter KeyWord", K::Word, 0, ""},
        {"Filter Topic", K::Topic, 0, ""},
        {"Search Result", K::ResultSet, 0, ""},
        {"Filter Status", K::Status, keys::MsgStatusKey, ""},
    };
    static const std::vector<BrowseView> persons = {
        {"By Name", K::Key, keys::NameKey, "last name"},
        {"By Address", K::Key, keys::AddressKey, "address"},
    };
    switch (kind) {
        case BrowseKind::Mail: return mail;
        case BrowseKind::Messages: return messages;
        case BrowseKind::Persons: break;
    }
    return persons;
}

std::unique_ptr<RowSource> make_source(Session& s, BrowseKind kind, const ViewChoice& choice) {
    const auto& views = views_of(kind);
    const BrowseView& v = views.at(std::min(choice.view, views.size() - 1));
    switch (kind) {
        case BrowseKind::Mail: return source_of<Mail>(s, v, choice);
        case BrowseKind::Messages: return source_of<MsgNmbr>(s, v, choice);
        case BrowseKind::Persons: break;
    }
    return source_of<Person>(s, v, choice);
}

}  // namespace qs::desktop
