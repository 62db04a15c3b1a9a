// SPDX-License-Identifier: MIT
// A deterministic generator of realistic mail for the import and word index benchmarks: about
// 2,000 correspondents, threads with "Re:" subjects and In-Reply-To/References, a Zipf-distributed
// vocabulary (common English words, then made-up words of syllables, a few Latin-1 ones, and
// recurring two-word phrases), bodies of realistic sizes, some multipart/alternative mails with an
// HTML part, some quoted-printable bodies and encoded-word headers, dates over seven years. The
// same seed gives the same bytes.
//
//   mailgen [--seed N] (--count N | --bytes N) [--mbox FILE] [--eudora FILE] [--maildir DIR]
//           [--stats FILE] [--mix classic|today]
//
// --mbox: "From " separator lines (LF); --eudora: "From ???@???" separator lines (CR LF);
// --maildir: cur/, new/ and tmp/ with one file per message. --bytes stops once the first output
// (mbox, else Eudora, else the Maildir files together) holds at least that many bytes.
// --stats writes, per vocabulary word in rank order, "word<TAB>rank<TAB>messages", and after a
// line "#phrases" each recurring phrase as "w1 w2<TAB>rank<TAB>messages": the number of messages
// whose subject or text holds the word (the phrase) as the generator wrote it.
// --mix today writes mail as today's programs do: UTF-8 throughout (encoded words in B, bodies in
// 8bit, quoted-printable or base64), greetings in Greek, Cyrillic and Japanese, and a part of the
// mail with attachments in base64 (names in RFC 2231 form too, one logo shared by many mails).
// The default mix, classic, keeps the Latin-1 mail the earlier figures were measured on.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Random numbers: our own generator and conversions, so that every platform gives the same mail.

class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t next() {  // splitmix64
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
    size_t below(size_t n) { return static_cast<size_t>(unit() * static_cast<double>(n)); }
    int between(int lo, int hi) {
        return lo + static_cast<int>(below(static_cast<size_t>(hi - lo + 1)));
    }
    bool chance(double p) { return unit() < p; }
    double normal() {  // Box-Muller
        double u = 1.0 - unit(), v = unit();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * v);
    }

private:
    uint64_t s_;
};

// Picks index i of n with probability proportional to 1 / (i + 1)^exponent.
class Zipf {
public:
    Zipf(size_t n, double exponent) : cdf_(n) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
            cdf_[i] = sum += 1.0 / std::pow(static_cast<double>(i + 1), exponent);
        for (double& c : cdf_) c /= sum;
    }
    size_t pick(Rng& r) const {
        auto it = std::upper_bound(cdf_.begin(), cdf_.end(), r.unit());
        return std::min(static_cast<size_t>(it - cdf_.begin()), cdf_.size() - 1);
    }

private:
    std::vector<double> cdf_;
};

// ---------------------------------------------------------------------------------------------
// Vocabulary: common English words first (they are the most frequent), then made-up words.

const char* const kCommon[] = {
    "the",      "to",       "and",     "of",       "a",        "in",      "is",        "that",
    "for",      "it",       "you",     "on",       "with",     "this",    "be",        "are",
    "we",       "have",     "not",     "as",       "at",       "will",    "can",       "from",
    "or",       "but",      "if",      "your",     "all",      "was",     "so",        "they",
    "an",       "there",    "would",   "about",    "what",     "by",      "one",       "do",
    "my",       "me",       "has",     "our",      "just",     "more",    "some",      "like",
    "any",      "get",      "out",     "up",       "when",     "new",     "also",      "which",
    "time",     "know",     "think",   "no",       "other",    "only",    "now",       "been",
    "how",      "here",     "could",   "should",   "then",     "see",     "them",      "than",
    "were",     "need",     "use",     "work",     "good",     "please",  "thanks",    "make",
    "send",     "let",      "still",   "next",     "week",     "today",   "yesterday", "tomorrow",
    "meeting",  "report",   "project", "question", "answer",   "problem", "version",   "file",
    "files",    "attached", "list",    "mail",     "message",  "team",    "office",    "people",
    "number",   "data",     "change",  "changes",  "order",    "price",   "group",     "again",
    "check",    "idea",     "point",   "look",     "call",     "phone",   "help",      "days",
    "year",     "first",    "last",    "best",     "regards",  "hope",    "well",      "sure",
    "right",    "much",     "many",    "because",  "after",    "before",  "into",      "over",
    "while",    "who",      "where",   "why",      "since",    "every",   "each",      "same",
    "very",     "few",      "already", "maybe",    "perhaps",  "though",  "review",    "draft",
    "budget",   "schedule", "plan",    "travel",   "hotel",    "ticket",  "server",    "backup",
    "update",   "release",  "build",   "test",     "customer", "invoice", "contract",  "offer",
    "holiday",  "friday",   "monday",  "morning",  "evening",  "lunch",   "dinner",    "weekend",
    "photo",    "camera",   "garden",  "house",    "car",      "train",   "school",    "family",
    "birthday", "party",    "music",   "book",     "film",     "city",
};

// Words of the Latin-1 range, spread among the made-up words (the text is Windows-1252 here).
const char* const kLatin1[] = {
    "caf\xe9",   "\374ber",           "f\xfcr",    "gr\xf6\337e",  "d\xe9j\xe0", "se\xf1or",
    "na\xefve",  "r\xe9sum\xe9",      "Z\xfcrich", "K\xf6ln",      "M\xfcnchen", "fa\347ade",
    "cr\xe8me",  "gar\xe7on",         "\xe9t\xe9", "ni\xf1o",      "S\xe3o",     "Malm\xf6",
    "\xe5r",     "sm\xf6rg\xe5sbord", "entr\351e", "co\xf6perate", "pi\361ata",  "K\xe4se",
    "Stra\337e", "fr\xfch",           "sch\xf6n",  "m\344dchen",   "tr\xe8s",    "b\351b\xe9",
};

const char* const kOnsets[] = {"b",  "c",  "d",  "f",  "g",  "h",  "j",  "k",  "l",  "m",
                               "n",  "p",  "r",  "s",  "t",  "v",  "w",  "z",  "br", "cr",
                               "dr", "fr", "gr", "pr", "tr", "st", "sh", "ch", "th", "pl",
                               "bl", "cl", "fl", "sl", "sp", "qu", "",   ""};
const char* const kInnerOnsets[] = {"b", "d", "g",  "k",  "l",  "m",  "n",  "p",  "r",  "s",
                                    "t", "v", "nd", "nt", "st", "rl", "ll", "ss", "tt", "mb"};
const char* const kVowels[] = {"a", "e", "i", "o", "u", "a", "e", "o", "ai", "ea", "ou", "io", "y"};
const char* const kCodas[] = {"",  "",   "",   "n",  "r",  "s", "l", "t",
                              "m", "nd", "st", "rt", "ck", "x", "e", "y"};

template <size_t N>
const char* any_of(Rng& r, const char* const (&list)[N]) {
    return list[r.below(N)];
}

std::string made_up_word(Rng& r) {
    std::string w;
    double u = r.unit();
    int syllables = u < 0.15 ? 1 : (u < 0.7 ? 2 : 3);
    for (int i = 0; i < syllables; ++i) {
        w += i ? any_of(r, kInnerOnsets) : any_of(r, kOnsets);
        w += any_of(r, kVowels);
        if (i + 1 == syllables) w += any_of(r, kCodas);
    }
    return w;
}

struct Vocabulary {
    std::vector<std::string> words;                   // by rank, most frequent first
    std::vector<std::pair<size_t, size_t>> phrases;   // recurring two-word phrases
    std::unordered_map<std::string, size_t> rank_of;  // lower-case word -> index
    std::vector<size_t> latin1;                       // indexes of the Latin-1 words

    void add(const std::string& w) {
        std::string key = lower(w);
        if (rank_of.count(key)) return;
        rank_of[key] = words.size();
        words.push_back(w);
    }
    static std::string lower(std::string w) {
        for (char& c : w) {
            auto u = static_cast<unsigned char>(c);
            if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
                c = static_cast<char>(u + 32);
        }
        return w;
    }
};

constexpr size_t kMadeUpWords = 50000;
constexpr size_t kPhrases = 2000;

Vocabulary make_vocabulary(Rng& r) {
    Vocabulary v;
    for (const char* w : kCommon) v.add(w);
    size_t next_latin1 = 0;
    while (v.words.size() < std::size(kCommon) + kMadeUpWords) {
        // The Latin-1 words stand between ranks 300 and about 9,000.
        if (next_latin1 < std::size(kLatin1) && v.words.size() >= 300 + next_latin1 * 300) {
            v.latin1.push_back(v.words.size());
            v.add(kLatin1[next_latin1++]);
            continue;
        }
        v.add(made_up_word(r));
    }
    // Phrases join two words of the upper middle ranks ("quarterly report" style).
    for (size_t i = 0; i < kPhrases; ++i)
        v.phrases.emplace_back(50 + r.below(3000), std::size(kCommon) + r.below(5000));
    return v;
}

// ---------------------------------------------------------------------------------------------
// Correspondents.

const char* const kFirst[] = {
    "Anna",    "Peter",    "Maria",    "John",    "Laura",    "David",  "Sarah",     "Michael",
    "Emma",    "Thomas",   "Julia",    "Robert",  "Lisa",     "James",  "Sophie",    "Daniel",
    "Claire",  "Mark",     "Helen",    "Paul",    "Nina",     "Martin", "Eva",       "Andrew",
    "Karen",   "Lukas",    "Ingrid",   "Olaf",    "Marta",    "Pierre", "J\xfcrgen", "Fran\xe7ois",
    "Jos\xe9", "Ren\351e", "Bj\xf6rn", "In\xe9s", "Chlo\xe9", "Susan",  "George",    "Alice",
    "Henry",   "Rachel",   "Simon",    "Kate",    "Oliver",   "Grace",  "Victor",    "Hannah",
    "Marco",   "Elena",    "Tom",      "Ruth",    "Frank",    "Irene",  "Hugo",      "Clara",
    "Ivan",    "Nora",
};
const char* const kLast[] = {
    "Smith",       "Miller",      "Jones",     "Brown",      "Fischer",    "Weber",
    "Schmidt",     "Wagner",      "Taylor",    "Wilson",     "Martin",     "Bernard",
    "Dubois",      "Rossi",       "Russo",     "Garcia",     "Lopez",      "Novak",
    "Hansen",      "Larsen",      "Nielsen",   "Berg",       "Lind",       "Clark",
    "Walker",      "Young",       "King",      "Wright",     "Green",      "Baker",
    "Hill",        "Moore",       "Turner",    "Cooper",     "Ward",       "Brooks",
    "Gray",        "Reed",        "M\xfcller", "B\344cker",  "Sch\344fer", "Gonz\xe1lez",
    "Fran\347ais", "S\xf8rensen", "Hoffmann",  "Koch",       "Richter",    "Klein",
    "Wolf",        "Neumann",     "Schwarz",   "Zimmermann", "Kr\xfcger",  "Hartmann",
    "Lange",       "Werner",      "Krause",    "Meier",      "Lehmann",    "Huber",
    "Mayer",       "Fuchs",       "Peters",    "Lang",       "Scholz",     "Jung",
    "Hahn",        "Vogel",       "Keller",    "Graf",       "Roth",       "Beck",
};
const char* const kTlds[] = {"com", "org", "net", "de", "co.uk", "fr", "nl", "se", "ch", "it"};

struct Person {
    std::string name;     // Windows-1252
    std::string address;  // ASCII, lower case
};

std::string ascii_of(const std::string& s) {
    std::string out;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            out += static_cast<char>(std::tolower(u));
        else if (u == 0xFC || u == 0xDC)
            out += "ue";
        else if (u == 0xF6 || u == 0xD6)
            out += "oe";
        else if (u == 0xE4 || u == 0xC4)
            out += "ae";
        else if (u == 0xDF)
            out += "ss";
        else
            out += (u >= 0xE8 && u <= 0xEB) ? 'e' : (u == 0xE7 ? 'c' : (u == 0xF8 ? 'o' : 'a'));
    }
    for (char& c : out)
        if (c == ' ') c = '-';
    return out;
}

constexpr size_t kPeople = 2000;

std::vector<Person> make_people(Rng& r, const Vocabulary& v) {
    std::vector<std::string> domains;
    for (int i = 0; i < 150; ++i)
        domains.push_back(v.words[std::size(kCommon) + 6000 + r.below(20000)] + "." +
                          any_of(r, kTlds));
    std::vector<Person> people;
    std::set<std::string> seen;
    while (people.size() < kPeople) {
        std::string first = any_of(r, kFirst), last = any_of(r, kLast);
        std::string a = ascii_of(first), b = ascii_of(last);
        std::string local;
        switch (r.below(4)) {
            case 0: local = a + "." + b; break;
            case 1: local = a.substr(0, 1) + b; break;
            case 2: local = a + "_" + b; break;
            default: local = a + std::to_string(r.between(1, 99)); break;
        }
        std::string address = local + "@" + domains[r.below(domains.size())];
        if (!seen.insert(address).second) continue;
        people.push_back({first + " " + last, address});
    }
    return people;
}

// ---------------------------------------------------------------------------------------------
// Dates: seconds since 1970, turned into the header forms.

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kZones[] = {"+0000", "+0100", "+0200", "-0500", "-0800", "+0100", "+0100"};

struct Civil {
    int year, month, day, weekday, hour, minute, second;
};

Civil civil(int64_t t) {
    int64_t days = t / 86400, secs = t % 86400;
    int64_t z = days + 719468, era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    int y = static_cast<int>(yoe + era * 400 + (m <= 2));
    return {y,
            m,
            d,
            static_cast<int>((days + 4) % 7),
            static_cast<int>(secs / 3600),
            static_cast<int>(secs / 60 % 60),
            static_cast<int>(secs % 60)};
}

std::string header_date(int64_t t, const char* zone) {
    Civil c = civil(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %d %02d:%02d:%02d %s", kDays[c.weekday], c.day,
                  kMonths[c.month - 1], c.year, c.hour, c.minute, c.second, zone);
    return buf;
}

// The date of separator lines: "Tue Dec  7 14:03:22 2021"; Eudora writes the day with two digits.
std::string separator_date(int64_t t, bool two_digit_day) {
    Civil c = civil(t);
    char buf[64];
    std::snprintf(buf, sizeof buf,
                  two_digit_day ? "%s %s %02d %02d:%02d:%02d %d" : "%s %s %2d %02d:%02d:%02d %d",
                  kDays[c.weekday], kMonths[c.month - 1], c.day, c.hour, c.minute, c.second,
                  c.year);
    return buf;
}

// ---------------------------------------------------------------------------------------------
// Encodings.

const char kHex[] = "0123456789ABCDEF";

bool has_high(const std::string& s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A header text as one encoded word when it holds Latin-1 letters.
std::string encoded_word(const std::string& s) {
    if (!has_high(s)) return s;
    std::string out = "=?ISO-8859-1?Q?";
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (c == ' ')
            out += '_';
        else if (u >= 0x80 || c == '=' || c == '?' || c == '_')
            out += {'=', kHex[u >> 4], kHex[u & 15]};
        else
            out += c;
    }
    return out + "?=";
}

// Quoted-printable, lines of at most 76 characters with soft breaks.
std::string quoted_printable(const std::string& text) {
    std::string out;
    size_t col = 0;
    auto put = [&](const std::string& piece) {
        if (col + piece.size() > 75) {
            out += "=\n";
            col = 0;
        }
        out += piece;
        col += piece.size();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        auto u = static_cast<unsigned char>(text[i]);
        if (text[i] == '\n') {
            out += '\n';
            col = 0;
        } else if (u >= 0x80 || text[i] == '=' ||
                   (text[i] == ' ' && (i + 1 == text.size() || text[i + 1] == '\n'))) {
            put({'=', kHex[u >> 4], kHex[u & 15]});
        } else {
            put(std::string(1, text[i]));
        }
    }
    return out;
}

// The generator's Latin-1 texts in UTF-8.
std::string utf8_of(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 16);
    for (char c : latin1) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// Base64 in lines of 76 characters.
std::string base64(const std::string& bytes) {
    static const char k64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 50 + 4);
    size_t col = 0;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += k64[v >> 18];
        out += k64[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? k64[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? k64[v & 63] : '=';
        if ((col += 4) == 76) {
            out += '\n';
            col = 0;
        }
    }
    return col ? out + "\n" : out;
}

// A header text as one UTF-8 encoded word in base64 when it holds Latin-1 letters.
std::string encoded_word_b(const std::string& latin1) {
    if (!has_high(latin1)) return latin1;
    std::string b = base64(utf8_of(latin1));
    std::erase(b, '\n');
    return "=?UTF-8?B?" + b + "?=";
}

// ---------------------------------------------------------------------------------------------
// Message texts.

struct Text {
    std::vector<std::string> paragraphs;  // each a run of sentences, unwrapped
};

class Writer {
public:
    Writer(Rng& r, const Vocabulary& v)
        : r_(r), v_(v), zipf_(v.words.size(), 1.0), phrases_(v.phrases.size(), 1.1) {}

    std::string word() {
        if (r_.chance(0.01)) return v_.words[v_.latin1[r_.below(v_.latin1.size())]];
        return v_.words[zipf_.pick(r_)];
    }

    std::string sentence() {
        int n = r_.between(4, 18);
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i) s += r_.chance(0.06) ? ", " : " ";
            if (r_.chance(0.01)) {
                auto [a, b] = v_.phrases[phrases_.pick(r_)];
                s += v_.words[a] + " " + v_.words[b];
                ++i;
            } else {
                s += word();
            }
        }
        if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 32);
        return s + (r_.chance(0.1) ? "?" : ".");
    }

    // A body of about `words` words in paragraphs of two to six sentences.
    Text text(int words) {
        Text t;
        int written = 0;
        while (written < words) {
            std::string p;
            for (int k = r_.between(2, 6); k > 0 && written < words; --k) {
                std::string s = sentence();
                written += 1 + static_cast<int>(std::count(s.begin(), s.end(), ' '));
                p += (p.empty() ? "" : " ") + s;
            }
            t.paragraphs.push_back(p);
        }
        return t;
    }

    std::string subject() {
        std::string s;
        int n = r_.between(2, 7);
        for (int i = 0; i < n; ++i) s += (i ? " " : "") + word();
        if (r_.chance(0.04)) s += " " + v_.words[v_.latin1[r_.below(v_.latin1.size())]];
        s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
        return s;
    }

    // Body length in words: log-normal, median 70, a long tail.
    int body_words() {
        return std::clamp(static_cast<int>(std::exp(4.25 + 0.9 * r_.normal())), 5, 5000);
    }

private:
    Rng& r_;
    const Vocabulary& v_;
    Zipf zipf_, phrases_;
};

std::string wrap(const std::string& p, const std::string& prefix = {}, size_t width = 72) {
    std::string out, line = prefix;
    size_t start = 0;
    while (start < p.size()) {
        size_t end = p.find(' ', start);
        if (end == std::string::npos) end = p.size();
        std::string w = p.substr(start, end - start);
        if (line.size() > prefix.size() && line.size() + 1 + w.size() > width) {
            out += line + "\n";
            line = prefix;
        }
        line += (line.size() > prefix.size() ? " " : "") + w;
        start = end + 1;
    }
    return out + line + "\n";
}

std::string plain_text(const Text& t, const std::string& quote, const std::string& signature) {
    std::string out;
    for (const auto& p : t.paragraphs) out += wrap(p) + "\n";
    out += quote;
    return out + "-- \n" + signature + "\n";
}

std::string html_text(const Text& t, const std::string& quote, const std::string& signature) {
    std::string out =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=ISO-8859-1\"></head>\n<body style=\"font-family: Arial\">\n";
    for (const auto& p : t.paragraphs) out += "<p>" + wrap(p) + "</p>\n";
    if (!quote.empty()) out += "<blockquote>\n" + quote + "</blockquote>\n";
    return out + "<p>-- <br>\n<b>" + signature + "</b></p>\n</body></html>\n";
}

// ---------------------------------------------------------------------------------------------
// Messages and threads.

struct Thread {
    std::string subject;
    std::vector<std::string> ids;  // Message-IDs, oldest first
    size_t person;
    std::string last_lines;  // the start of the latest message, for quoting
    std::string last_name;
    std::string last_date;
    int left;  // messages still to come
};

constexpr const char* kOwnName = "Me Myself";
constexpr const char* kOwnAddress = "me@example.org";
constexpr int64_t kFirstDate = 1546300800;  // 2019-01-01
constexpr int64_t kSpan = 7 * 365 * 86400;

struct Generated {
    std::string text;  // the message, LF line ends
    std::string from;  // envelope sender
    int64_t date;
    bool dated;         // false: sent mail without a Date header (the Eudora copy)
    std::string words;  // today's mix: the subject and plain text as written, for --stats
};

// Greetings of today's mix, in UTF-8 as they stand.
const char* const kGreetings[] = {
    "\u039c\u03b5 \u03b5\u03ba\u03c4\u03af\u03bc\u03b7\u03c3\u03b7",  // Greek
    "\u0421 \u0443\u0432\u0430\u0436\u0435\u043d\u0438\u0435\u043c",  // Russian
    "\u3088\u308d\u3057\u304f\u304a\u9858\u3044\u3057\u307e\u3059",   // Japanese
};

class MailMaker {
public:
    MailMaker(uint64_t seed, uint64_t expected, bool today)
        : today_(today),
          r_(seed),
          v_(make_vocabulary(r_)),
          people_(make_people(r_, v_)),
          w_(r_, v_),
          activity_(kPeople, 0.9),
          expected_(std::max<uint64_t>(expected, 1)) {}

    const Vocabulary& vocabulary() const { return v_; }
    Generated next();

private:
    std::string mailbox(const Person& p);
    std::string quote_of(const Thread& t);
    std::string body_headers_and_text(const Text& t, const std::string& quote,
                                      const std::string& sig);
    std::string todays_body(const std::string& plain);
    std::string attachment_part(const std::string& boundary);
    std::string header_word(const std::string& s) {
        return today_ ? encoded_word_b(s) : encoded_word(s);
    }
    Thread& choose_thread();

    bool today_;
    std::string logo_;  // today's mix: an attachment many mails carry
    Rng r_;
    Vocabulary v_;
    std::vector<Person> people_;
    Writer w_;
    Zipf activity_;
    uint64_t expected_;
    uint64_t n_ = 0;
    std::vector<Thread> open_;
};

std::string MailMaker::mailbox(const Person& p) {
    switch (r_.below(10)) {
        case 0: return p.address + " (" + header_word(p.name) + ")";
        case 1: return p.address;
        case 2: return "<" + p.address + ">";
        default:
            return (has_high(p.name) ? header_word(p.name) : "\"" + p.name + "\"") + " <" +
                   p.address + ">";
    }
}

std::string MailMaker::quote_of(const Thread& t) {
    if (t.last_lines.empty() || !r_.chance(0.7)) return {};
    std::string q = "On " + t.last_date + ", " + t.last_name + " wrote:\n";
    size_t start = 0;
    for (int lines = 0; start < t.last_lines.size() && lines < 12; ++lines) {
        size_t end = t.last_lines.find('\n', start);
        if (end == std::string::npos) end = t.last_lines.size();
        q += "> " + t.last_lines.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return q + "\n";
}

Thread& MailMaker::choose_thread() {
    open_.erase(
        std::remove_if(open_.begin(), open_.end(), [](const Thread& t) { return t.left <= 0; }),
        open_.end());
    if (open_.empty() || (open_.size() < 300 && r_.chance(0.4))) {
        int length = 1 + static_cast<int>(std::floor(-std::log(1.0 - r_.unit()) * 3.0));
        open_.push_back({w_.subject(), {}, activity_.pick(r_), {}, {}, {}, length});
        return open_.back();
    }
    // Recent threads are answered more often.
    size_t k = open_.size() - 1 -
               std::min(open_.size() - 1, static_cast<size_t>(r_.unit() * r_.unit() *
                                                              static_cast<double>(open_.size())));
    return open_[k];
}

std::string MailMaker::body_headers_and_text(const Text& t, const std::string& quote,
                                             const std::string& sig) {
    std::string plain = plain_text(t, quote, sig);
    if (today_) return todays_body(plain);
    double kind = r_.unit();
    if (kind < 0.2) {  // multipart/alternative
        std::string b =
            "----=_Part_" + std::to_string(n_) + "_" + std::to_string(r_.next() % 100000000);
        std::string html = html_text(t, quote, sig);
        bool qp = r_.chance(0.5);
        return "Content-Type: multipart/alternative; boundary=\"" + b + "\"\n\n" +
               "This is a multi-part message in MIME format.\n\n--" + b +
               "\nContent-Type: text/plain; charset=ISO-8859-1\nContent-Transfer-Encoding: " +
               (qp ? "quoted-printable\n\n" + quoted_printable(plain) : "8bit\n\n" + plain) +
               "\n--" + b +
               "\nContent-Type: text/html; charset=ISO-8859-1\nContent-Transfer-Encoding: " +
               (qp ? "quoted-printable\n\n" + quoted_printable(html) : "8bit\n\n" + html) + "\n--" +
               b + "--\n";
    }
    if (kind < 0.35)
        return "Content-Type: text/plain; charset=ISO-8859-1\nContent-Transfer-Encoding: "
               "quoted-printable\n\n" +
               quoted_printable(plain);
    if (has_high(plain))
        return "Content-Type: text/plain; charset=ISO-8859-1\nContent-Transfer-Encoding: 8bit\n\n" +
               plain;
    return "Content-Type: text/plain; charset=us-ascii; format=flowed\nContent-Transfer-Encoding: "
           "7bit\n\n" +
           plain;
}

// UTF-8 bodies in 8bit, quoted-printable or base64; some alternatives with HTML, some mixed with
// an attachment.
std::string MailMaker::todays_body(const std::string& plain) {
    std::string text = utf8_of(plain);
    if (r_.chance(0.1)) text += std::string(kGreetings[r_.below(std::size(kGreetings))]) + "\n";
    const char* cte[] = {"8bit", "quoted-printable", "base64"};
    size_t e = r_.below(3);
    std::string part = "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: " +
                       std::string(cte[e]) + "\n\n" +
                       (e == 0   ? text
                        : e == 1 ? quoted_printable(text)
                                 : base64(text));
    if (!r_.chance(0.25)) return part;
    std::string b =
        "=_mixed_" + std::to_string(n_) + "_" + std::to_string(r_.next() % 100000) + "==";
    std::string body =
        "Content-Type: multipart/mixed; boundary=\"" + b + "\"\n\n--" + b + "\n" + part + "\n";
    for (int k = r_.between(1, 2); k > 0; --k) body += attachment_part(b);
    return body + "--" + b + "--\n";
}

// One attachment: fresh random bytes of 1 to 16 KB, or the shared logo.
std::string MailMaker::attachment_part(const std::string& boundary) {
    if (logo_.empty())
        for (int i = 0; i < 6000; ++i) logo_ += static_cast<char>(r_.next() & 0xFF);
    bool logo = r_.chance(0.3);
    std::string bytes = logo ? logo_ : std::string();
    for (int i = logo ? 0 : r_.between(1000, 16000); i > 0; --i)
        bytes += static_cast<char>(r_.next() & 0xFF);
    std::string n = std::to_string(n_);
    std::string name = logo             ? "filename=\"logo.png\""
                       : r_.chance(0.5) ? "filename=\"report-" + n + ".pdf\""
                                        : "filename*=UTF-8''Gr%C3%BC%C3%9Fe-" + n + ".pdf";
    return "--" + boundary + "\nContent-Type: " + (logo ? "image/png" : "application/pdf") +
           "\nContent-Disposition: attachment; " + name +
           "\nContent-Transfer-Encoding: base64\n\n" + base64(bytes) + "\n";
}

Generated MailMaker::next() {
    Thread& t = choose_thread();
    bool reply = !t.ids.empty();
    // Some correspondents answer each other, the owner writes a fifth of the mail.
    bool sent = r_.chance(0.2);
    const Person& other = people_[r_.chance(0.85) ? t.person : activity_.pick(r_)];
    Person own{kOwnName, kOwnAddress};
    const Person& from = sent ? own : other;
    const Person& to = sent ? other : own;
    int64_t date = kFirstDate + static_cast<int64_t>(n_) * kSpan / static_cast<int64_t>(expected_) +
                   static_cast<int64_t>(r_.below(3600));
    std::string zone = kZones[r_.below(std::size(kZones))];
    std::string id = std::to_string(r_.next() % 1000000000000ull) + "." + std::to_string(n_) + "@" +
                     from.address.substr(from.address.find('@') + 1);
    Text text = w_.text(w_.body_words());
    std::string quote = reply ? quote_of(t) : std::string();

    std::string h = "Return-Path: <" + from.address + ">\n";
    for (int hop = r_.between(1, 3); hop > 0; --hop)
        h += "Received: from mail" + std::to_string(hop) + "." +
             from.address.substr(from.address.find('@') + 1) + " (mail" + std::to_string(hop) +
             " [10." + std::to_string(r_.below(256)) + "." + std::to_string(r_.below(256)) + "." +
             std::to_string(r_.below(256)) + "])\n\tby mx" + std::to_string(hop) +
             ".example.org with ESMTP id " + std::to_string(r_.next() % 100000000) + "\n\tfor <" +
             to.address + ">; " + header_date(date, zone.c_str()) + "\n";
    h += "Message-ID: <" + id + ">\nDate: " + header_date(date, zone.c_str()) +
         "\nFrom: " + mailbox(from) + "\nTo: " + mailbox(to) + "\n";
    if (r_.chance(0.15)) h += "Cc: " + mailbox(people_[activity_.pick(r_)]) + "\n";
    h += "Subject: " + std::string(reply ? "Re: " : "") + header_word(t.subject) + "\n";
    if (reply) {
        h += "In-Reply-To: <" + t.ids.back() + ">\nReferences:";
        size_t first = t.ids.size() > 10 ? t.ids.size() - 10 : 0;
        for (size_t i = first; i < t.ids.size(); ++i) h += " <" + t.ids[i] + ">";
        h += "\n";
    }
    if (r_.chance(0.3))
        h += "X-Mailer: Generic Mailer " + std::to_string(r_.between(1, 9)) + ".0\n";
    h += "MIME-Version: 1.0\n" + body_headers_and_text(text, quote, from.name);

    t.ids.push_back(id);
    t.last_lines = text.paragraphs.empty() ? std::string() : wrap(text.paragraphs[0]);
    t.last_name = from.name;
    t.last_date = header_date(date, zone.c_str());
    --t.left;
    ++n_;
    std::string words;
    if (today_)
        words = (reply ? "Re: " : "") + t.subject + "\n" + plain_text(text, quote, from.name);
    return {h, from.address, date, !sent, words};
}

// ---------------------------------------------------------------------------------------------
// Word counts for --stats: what the generator wrote, read back as letter runs.

class Counter {
public:
    explicit Counter(const Vocabulary& v)
        : v_(v), words_(v.words.size()), phrases_(v.phrases.size()) {
        for (size_t i = 0; i < v.phrases.size(); ++i)
            phrase_of_[key(v.phrases[i].first, v.phrases[i].second)] = i;
    }

    // Counts the words of the mail's subject and plain text (headers and HTML tags left out).
    void count(const Generated& m) {
        if (!m.words.empty()) return count_words(m.words);
        size_t subject = m.text.find("\nSubject: ");
        size_t subject_end = m.text.find('\n', subject + 1);
        count_words(decoded(m.text.substr(subject + 10, subject_end - subject - 10)) + "\n" +
                    decoded(text_part(m.text)));
    }

    void count_words(const std::string& text) {
        std::unordered_set<size_t> words, phrases;
        size_t previous = SIZE_MAX;
        std::string w;
        for (size_t i = 0; i <= text.size(); ++i) {
            auto u = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
            if (std::isalpha(u) || u >= 0xC0) {
                w += static_cast<char>(u);
                continue;
            }
            if (w.empty()) continue;
            auto it = v_.rank_of.find(Vocabulary::lower(w));
            size_t current = it == v_.rank_of.end() ? SIZE_MAX : it->second;
            if (current != SIZE_MAX) words.insert(current);
            auto p = phrase_of_.find(key(previous, current));
            if (p != phrase_of_.end()) phrases.insert(p->second);
            previous = current;
            w.clear();
        }
        for (size_t k : words) ++words_[k];
        for (size_t k : phrases) ++phrases_[k];
    }

    void write(const std::string& path) const {
        std::ofstream out(path, std::ios::binary);
        for (size_t i = 0; i < v_.words.size(); ++i)
            out << v_.words[i] << '\t' << i + 1 << '\t' << words_[i] << '\n';
        out << "#phrases\n";
        for (size_t i = 0; i < v_.phrases.size(); ++i)
            out << v_.words[v_.phrases[i].first] << ' ' << v_.words[v_.phrases[i].second] << '\t'
                << i + 1 << '\t' << phrases_[i] << '\n';
    }

private:
    static uint64_t key(size_t a, size_t b) { return (static_cast<uint64_t>(a) << 32) ^ b; }

    // The plain text only: not the preamble of a multipart mail, nor its HTML part, which
    // repeats the text.
    static std::string text_part(const std::string& mail) {
        size_t body = mail.find("\n\n");
        size_t part = mail.find("\nContent-Type: text/plain", body);
        if (part != std::string::npos) body = mail.find("\n\n", part);
        size_t html = mail.find("\nContent-Type: text/html", body);
        return mail.substr(body, html == std::string::npos ? std::string::npos : html - body);
    }

    // Soft breaks and =XX undone (of bodies and of encoded words alike).
    static std::string decoded(const std::string& b) {
        std::string out;
        for (size_t i = 0; i < b.size(); ++i) {
            if (b[i] == '=' && i + 1 < b.size() && b[i + 1] == '\n') {
                ++i;
            } else if (b[i] == '=' && i + 2 < b.size() &&
                       std::isxdigit(static_cast<unsigned char>(b[i + 1])) &&
                       std::isxdigit(static_cast<unsigned char>(b[i + 2]))) {
                out += static_cast<char>(std::stoi(b.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += b[i];
            }
        }
        return out;
    }

    const Vocabulary& v_;
    std::vector<uint64_t> words_, phrases_;
    std::unordered_map<uint64_t, size_t> phrase_of_;
};

// ---------------------------------------------------------------------------------------------
// Outputs.

class Outputs {
public:
    bool open(const std::string& mbox, const std::string& eudora, const std::string& maildir) {
        if (!mbox.empty()) mbox_.open(mbox, std::ios::binary | std::ios::trunc);
        if (!eudora.empty()) eudora_.open(eudora, std::ios::binary | std::ios::trunc);
        maildir_ = maildir;
        if (!maildir.empty()) {
            for (const char* sub : {"cur", "new", "tmp"})
                std::filesystem::create_directories(maildir + "/" + sub);
        }
        return (mbox.empty() || mbox_) && (eudora.empty() || eudora_);
    }

    // Bytes written to the first output.
    uint64_t write(const Generated& m, uint64_t number) {
        uint64_t first = 0;
        if (mbox_.is_open())
            first = put(mbox_, "From " + m.from + " " + separator_date(m.date, false) + "\n" +
                                   escaped(m.text) + "\n");
        if (eudora_.is_open()) {
            std::string t = m.dated ? m.text : without_date(m.text);
            uint64_t n = put(
                eudora_, crlf("From ???@??? " + separator_date(m.date, true) + "\n" + t + "\n"));
            if (!first) first = n;
        }
        if (!maildir_.empty()) {
            bool seen = number % 10 != 0;
            std::string name = std::to_string(m.date) + ".M" + std::to_string(number) +
                               "P1.mailgen" + (seen ? ":2,S" : "");
            std::ofstream f(maildir_ + (seen ? "/cur/" : "/new/") + name, std::ios::binary);
            f << m.text;
            if (!first) first = m.text.size();
        }
        return first;
    }

    bool good() const {
        return (!mbox_.is_open() || mbox_.good()) && (!eudora_.is_open() || eudora_.good());
    }

private:
    static uint64_t put(std::ofstream& f, const std::string& s) {
        f << s;
        return s.size();
    }
    // Body lines that begin "From " would start a message of their own.
    static std::string escaped(const std::string& t) {
        std::string out;
        size_t start = 0;
        while (start < t.size()) {
            size_t end = t.find('\n', start);
            end = end == std::string::npos ? t.size() : end + 1;
            if (t.compare(start, 5, "From ") == 0) out += '>';
            out.append(t, start, end - start);
            start = end;
        }
        return out;
    }
    static std::string crlf(const std::string& t) {
        std::string out;
        out.reserve(t.size() + t.size() / 30);
        for (char c : t) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }
    // The mail program writes no Date header into the mail it sent.
    static std::string without_date(const std::string& t) {
        size_t at = t.find("\nDate: ");
        if (at == std::string::npos) return t;
        return t.substr(0, at + 1) + t.substr(t.find('\n', at + 1) + 1);
    }

    std::ofstream mbox_, eudora_;
    std::string maildir_;
};

struct Options {
    uint64_t seed = 1;
    uint64_t count = 0, bytes = 0;
    std::string mbox, eudora, maildir, stats;
    bool today = false;
};

int usage() {
    std::fprintf(stderr,
                 "usage: mailgen [--seed N] (--count N | --bytes N) [--mbox FILE] [--eudora FILE]\n"
                 "               [--maildir DIR] [--stats FILE] [--mix classic|today]\n");
    return 2;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string k = argv[i], v = argv[i + 1];
        if (k == "--seed")
            o.seed = std::stoull(v);
        else if (k == "--count")
            o.count = std::stoull(v);
        else if (k == "--bytes")
            o.bytes = std::stoull(v);
        else if (k == "--mbox")
            o.mbox = v;
        else if (k == "--eudora")
            o.eudora = v;
        else if (k == "--maildir")
            o.maildir = v;
        else if (k == "--stats")
            o.stats = v;
        else if (k == "--mix" && (v == "classic" || v == "today"))
            o.today = v == "today";
        else
            return false;
    }
    return argc % 2 == 1 && (o.count > 0) != (o.bytes > 0) &&
           !(o.mbox.empty() && o.eudora.empty() && o.maildir.empty());
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    try {
        if (!parse(argc, argv, o)) return usage();
    } catch (const std::exception&) {
        return usage();
    }
    // About 2,000 bytes a message: the dates of a --bytes run span the seven years roughly.
    MailMaker maker(o.seed, o.count ? o.count : o.bytes / 2000, o.today);
    Outputs out;
    if (!out.open(o.mbox, o.eudora, o.maildir)) {
        std::fprintf(stderr, "mailgen: cannot write the outputs\n");
        return 1;
    }
    Counter counter(maker.vocabulary());
    uint64_t n = 0, bytes = 0;
    while (o.count ? n < o.count : bytes < o.bytes) {
        Generated m = maker.next();
        if (!o.stats.empty()) counter.count(m);
        bytes += out.write(m, n++);
    }
    if (!o.stats.empty()) counter.write(o.stats);
    if (!out.good()) {
        std::fprintf(stderr, "mailgen: writing failed (disk full?)\n");
        return 1;
    }
    std::printf("%llu messages, %llu bytes\n", static_cast<unsigned long long>(n),
                static_cast<unsigned long long>(bytes));
    return 0;
}
