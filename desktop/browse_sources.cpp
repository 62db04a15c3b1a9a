// SPDX-License-Identifier: MIT
#include "desktop/browse_sources.h"

#include <algorithm>
#include <unordered_map>

#include "app/display_date.h"
#include "app/topics.h"
#include "platform/clock.h"
#include "storage/file_access.h"
#include "storage/files.h"

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
constexpr int kAllParts = 64;  // more parts than any key has

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
        R rec;
        for (size_t i = 0; i < n; ++i) {
            if (!StoreRead(this->s_, Rows<R>::file, f.next(&rec)) ||
                (mark_ >= 0 && rec.DUMMY != mark_)) {
                end_ = true;
                return;
            }
            last_ = rec;
            last_pos_ = f.position();
            out.push_back(Rows<R>::row(this->lookups_, rec, this->date_format_));
        }
    }
    bool at_end() const override { return end_; }
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
        started_ = false;
        end_ = false;
        return true;
    }
    bool locate_record(uint32_t number) override {
        R& rec = buffer<R>(this->s_, Rows<R>::file);
        rec = R{};
        Rows<R>::set_id(rec, number);
        if (!Get(this->s_, Rows<R>::file, Rows<R>::id_key)) return false;
        if (mark_ >= 0 && rec.DUMMY != mark_) return false;
        // Every part of the key: the list starts at this very record.
        anchor_ = rec;
        parts_ = kAllParts;
        started_ = false;
        end_ = false;
        return true;
    }

private:
    int key_;
    int mark_;
    R anchor_{};
    int parts_ = 0;
    R last_{};
    int64_t last_pos_ = 0;
    bool started_ = false;
    bool end_ = false;
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
    bool locate(const std::string& typed) override {
        if (!typed.empty()) return false;
        at_ = 0;
        return true;
    }
    bool locate_record(uint32_t number) override {
        auto it = std::find(numbers_.begin(), numbers_.end(), number);
        if (it == numbers_.end()) return false;
        at_ = static_cast<size_t>(it - numbers_.begin());
        return true;
    }

private:
    std::vector<uint32_t> numbers_;
    size_t at_ = 0;
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
