// SPDX-License-Identifier: MIT
// A deterministic generator of Usenet articles for the news import benchmark: a Unix news file
// ("From " lines) of articles in 20 groups, about 2,000 posters, threads in which a reply lists
// up to three identifiers in "References:" (the last being its parent), a tenth of the articles
// cross-posted, a tenth in ISO-8859-1 with umlauts, bodies of 5 to 60 lines from a Zipf-like
// vocabulary, each with its "Lines:" count. The same seed gives the same bytes.
//
//   newsgen COUNT FILE [SEED]
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 20;
constexpr int kPosters = 2000;

struct Article {
    std::string id;
    std::vector<std::string> refs;  // the parent's references, then the parent
    std::string subject;
    int group = 0;
};

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {
        const char* base[] = {"the",   "a",      "of",       "and",    "to",     "news",   "group",
                              "reply", "lens",   "darkroom", "film",   "camera", "light",  "answer",
                              "post",  "thread", "question", "thanks", "server", "article"};
        for (const char* w : base) words_.push_back(w);
        for (int i = 0; i < 3000; ++i) words_.push_back("w" + std::to_string(i));
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    const std::string& word() {
        std::uniform_real_distribution<double> u(0, 1);
        const auto i = static_cast<size_t>(std::pow(u(rng_), 3.0) * words_.size());
        return words_[std::min(i, words_.size() - 1)];
    }
    std::vector<std::string> body(bool latin1) {
        std::vector<std::string> lines(static_cast<size_t>(5 + pick(56)));
        for (std::string& l : lines) {
            for (int k = 0; k < 10; ++k) l += word() + " ";
            if (latin1 && pick(4) == 0)
                l += "Gr\xFC\xDF"
                     "e aus M\xFCnchen";
        }
        return lines;
    }

private:
    std::mt19937 rng_;
    std::vector<std::string> words_;
};

std::string date_of(int i) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %s %d %02d:%02d:%02d +0000", 1 + i % 28, months[i / 28 % 12],
                  1994 + i / 336 % 8, i % 24, i / 24 % 60, i % 60);
    return buf;
}

void write(std::ofstream& out, Generator& g, const Article& a, int i) {
    const int poster = g.pick(kPosters);
    const bool latin1 = g.pick(10) == 0;
    std::string groups = "bench.group" + std::to_string(a.group);
    if (g.pick(10) == 0) groups += ",bench.group" + std::to_string(g.pick(kGroups));
    const std::vector<std::string> body = g.body(latin1);
    out << "From poster" << poster << "@example.org "
        << "Mon Mar 11 09:15:00 1996\n"
        << "From: Poster " << poster << " <poster" << poster << "@example.org>\n"
        << "Newsgroups: " << groups << "\nSubject: " << (a.refs.empty() ? "" : "Re: ") << a.subject
        << "\nDate: " << date_of(i) << "\nMessage-ID: " << a.id << "\n";
    if (!a.refs.empty()) {
        out << "References:";
        for (const std::string& r : a.refs) out << " " << r;
        out << "\n";
    }
    if (latin1) out << "MIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-8859-1\n";
    out << "Lines: " << body.size() << "\n\n";
    for (const std::string& l : body) out << l << "\n";
    out << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: newsgen COUNT FILE [SEED]\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    Generator g(argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 20261208u);
    std::vector<Article> recent;  // the articles a reply may answer
    for (int i = 0; i < count; ++i) {
        Article a;
        a.id = "<a" + std::to_string(i) + "@bench.example>";
        if (!recent.empty() && g.pick(3) != 0) {
            const Article& parent =
                recent[static_cast<size_t>(g.pick(static_cast<int>(recent.size())))];
            a.refs = parent.refs;
            a.refs.push_back(parent.id);
            if (a.refs.size() > 3) a.refs.erase(a.refs.begin(), a.refs.end() - 3);
            a.subject = parent.subject;
            a.group = parent.group;
        } else {
            a.subject = g.word() + " " + g.word() + " " + std::to_string(i);
            a.group = g.pick(kGroups);
        }
        write(out, g, a, i);
        recent.push_back(a);
        if (recent.size() > 200) recent.erase(recent.begin());
    }
    return out ? 0 : 1;
}
