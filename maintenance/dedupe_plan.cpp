// SPDX-License-Identifier: MIT
// The rules that decide which persons are merged into which.
#include "maintenance/dedupe_plan.h"

#include <algorithm>
#include <array>

#include "import/address.h"
#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/file_access.h"
#include "storage/persons.h"

namespace qs {

namespace {

// The domains at which CompuServe members received Internet mail.
constexpr std::array<std::string_view, 2> kCompuServeDomains = {"COMPUSERVE.COM", "CSI.COM"};

// The DOS vertical line that CompuServe programs set between name and address, as read from the
// DOS code page, and the character 179 it is where a Windows code page read the same byte.
constexpr std::array<std::string_view, 2> kBars = {"\u2502", "\u00B3"};

bool has_bar(std::string_view s) {
    return std::any_of(kBars.begin(), kBars.end(),
                       [&](std::string_view b) { return s.find(b) != std::string_view::npos; });
}

// The address finder splits at a bar as at a blank; as one character of its own it splits alike.
std::string bars_as_blanks(std::string_view s) {
    std::string out(s);
    for (std::string_view b : kBars)
        for (size_t at = out.find(b); at != std::string::npos; at = out.find(b, at))
            out.replace(at, b.size(), " ");
    return out;
}

bool digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What a person with no address may take as one: a user number or an Internet address. The
// finder makes the last word of any name an address, and two persons known by name alone
// ("John Smith", "Mary Smith") must not become one for sharing a last word.
bool real_address(std::string_view a) {
    if (a.find('@') != std::string_view::npos) return true;
    const size_t sep = a.find_first_of(",.");
    return sep != std::string_view::npos && digits(a.substr(0, sep)) && digits(a.substr(sep + 1));
}

// Re-derives address and name from the identifying string; false when it yields no address.
bool rederive(uint8_t type, const Person& p, bool had_address, std::string& address,
              std::string& last, std::string& first) {
    std::string a, name;
    FindCISAdress(type == kMailDb ? 2 : 1, a, name, bars_as_blanks(p.PERSONSTRING.view()),
                  decltype(Person::ADDRESS)::size(), 40);
    if (a.empty() || (!had_address && !real_address(a))) return false;
    address = a;
    std::string l, f;
    ParseName(l, f, name);
    // The identifying string is upper case: a name that only differs in case keeps its letters.
    if (upper_case(l) != upper_case(last) || upper_case(f) != upper_case(first)) {
        last = l;
        first = f;
    }
    return true;
}

}  // namespace

std::string CompuServeNumberForm(std::string_view address) {
    const size_t at = address.find('@');
    if (at == std::string_view::npos) return std::string(address);
    const std::string domain = upper_case(trim_right(address.substr(at + 1)));
    if (std::find(kCompuServeDomains.begin(), kCompuServeDomains.end(), domain) ==
        kCompuServeDomains.end())
        return std::string(address);
    std::string n(address.substr(0, at));
    if (n.size() > 3) {
        const size_t dot = n.find('.');
        if (dot != std::string::npos && dot < n.size() - 2) {
            n[dot] = ',';
            if (n[dot + 1] == ' ') n.erase(dot + 1, 1);
        }
    }
    return n;
}

std::optional<AddressCorrection> CorrectCISAddress(uint8_t type, const Person& p) {
    AddressCorrection c{p.PERSONID,       p.ADDRESS.str(),  p.ADDRESS.str(),
                        p.LASTNAME.str(), p.LASTNAME.str(), p.FIRSTNAME.str()};
    const bool mail = type == kMailDb;
    const bool gateway = mail && AISINB(false, p.PERSONSTRING.view(), "CSINET") != 0;
    if (c.address.empty() || gateway || (mail && has_bar(c.address)))
        rederive(type, p, !c.address.empty(), c.address, c.last, c.first);
    c.address = Text<60>(CompuServeNumberForm(c.address)).str();
    c.last = decltype(Person::LASTNAME)(c.last).str();
    c.first = decltype(Person::FIRSTNAME)(c.first).str();
    if (c.address == c.old_address && c.last == c.old_last && c.first == p.FIRSTNAME.view())
        return std::nullopt;
    return c;
}

std::vector<GroupMember> GroupList(std::vector<GroupMember> persons) {
    std::erase_if(persons, [](const GroupMember& m) { return m.address.empty(); });
    for (GroupMember& m : persons) m.key = fold_case(trim_right(m.address));
    std::sort(persons.begin(), persons.end(), [](const GroupMember& a, const GroupMember& b) {
        return a.key != b.key ? a.key < b.key : a.id < b.id;
    });
    std::vector<GroupMember> out;
    for (size_t i = 0; i < persons.size(); ++i) {
        const bool before = i > 0 && persons[i - 1].key == persons[i].key;
        const bool after = i + 1 < persons.size() && persons[i + 1].key == persons[i].key;
        if (before || after) out.push_back(persons[i]);
    }
    return out;
}

namespace {

// One group of the list, [begin, end).
void choose_in_group(const GroupMember* begin, const GroupMember* end, uint32_t owner,
                     std::vector<MergeEntry>& out) {
    const GroupMember* survivor = nullptr;
    std::vector<const GroupMember*> merged;
    for (const GroupMember* m = begin; m != end; ++m)
        if (m->id == owner) survivor = m;
    for (const GroupMember* m = begin; m != end; ++m) {
        if (survivor && survivor->id == owner) {
            if (m != survivor) merged.push_back(m);
        } else if (m->sent == 0) {
            merged.push_back(m);
        } else if (!survivor) {
            survivor = m;
        } else if (survivor->last.empty() || (!m->last.empty() && survivor->latest < m->latest)) {
            merged.push_back(survivor);
            survivor = m;
        } else {
            merged.push_back(m);
        }
    }
    if (!survivor) return;  // nobody sent anything: nobody to merge into
    for (const GroupMember* m : merged)
        out.push_back({m->address, m->id, m->last, survivor->id, survivor->last});
}

}  // namespace

std::vector<MergeEntry> ChooseSurvivors(const std::vector<GroupMember>& members, uint32_t owner) {
    std::vector<MergeEntry> out;
    for (size_t i = 0; i < members.size();) {
        size_t j = i + 1;
        while (j < members.size() && members[j].key == members[i].key) ++j;
        choose_in_group(members.data() + i, members.data() + j, owner, out);
        i = j;
    }
    return out;
}

namespace {

template <class R, size_t N>
void count_sent(Session& s, int file, int key, Text<N> R::*alpha_of, uint32_t R::*id_of,
                GroupMember& m) {
    const Text<N> alpha(m.header_last);
    R& r = buffer<R>(s, file);
    r = R{};
    r.*alpha_of = alpha;
    r.*id_of = m.id;
    SetFrom(s, file, key, 2);
    m.sent = 0;
    m.latest = 0;
    while (Next(s, file) && r.*id_of == m.id &&
           compare_nocase((r.*alpha_of).view(), alpha.view()) == 0) {
        ++m.sent;
        m.latest = std::max(m.latest, r.DATE);
    }
}

}  // namespace

bool CountSent(Session& s, std::vector<GroupMember>& members) {
    const uint64_t failures = s.read_failures;
    for (GroupMember& m : members) {
        if (s.mem.ForumType == kMailDb)
            count_sent(s, kMail, keys::MaiFromKey, &Mail::FROMALPHA, &Mail::FROMID, m);
        else
            count_sent(s, kMsgNmbr, keys::MsgFromKey, &MsgNmbr::FROMALPHA, &MsgNmbr::FROMID, m);
    }
    return s.read_failures == failures;
}

bool ReadPersons(Session& s, std::vector<GroupMember>& out,
                 std::vector<AddressCorrection>* corrections) {
    const uint64_t failures = s.read_failures;
    out.clear();
    Set(s, kPerson, keys::PersonKey);
    while (Next(s, kPerson)) {
        const Person& p = s.rec.Person;
        GroupMember m{p.ADDRESS.str(), {}, p.PERSONID, p.LASTNAME.str(), p.LASTNAME.str()};
        if (corrections) {
            if (auto c = CorrectCISAddress(s.mem.ForumType, p)) {
                m.address = c->address;
                m.last = c->last;
                corrections->push_back(std::move(*c));
            }
        }
        out.push_back(std::move(m));
    }
    return s.read_failures == failures;
}

bool PlanMerge(Session& s, bool corrections, MergePlan& plan) {
    plan = MergePlan{};
    std::vector<GroupMember> persons;
    if (!ReadPersons(s, persons, corrections ? &plan.corrections : nullptr)) return false;
    plan.persons = persons.size();
    plan.groups = GroupList(std::move(persons));
    if (!CountSent(s, plan.groups)) return false;
    const uint32_t owner = s.mem.ForumType == kMailDb ? static_cast<uint32_t>(s.mem.PersonID) : 0;
    plan.merges = ChooseSurvivors(plan.groups, owner);
    return true;
}

}  // namespace qs
