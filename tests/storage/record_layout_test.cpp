// SPDX-License-Identifier: MIT
// Every record type of the catalogue goes into its file and comes back whole, by position and
// through each of its keys: a field left out of its struct's field list (visit) comes back
// empty, and a text or number the store cuts comes back changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

// Distinct values that take each field type to its limits: texts to their full width in
// characters of one to four bytes (every other field of four-byte characters only, so that the
// text takes four bytes per character), numbers with the top bit set or below zero, bytes of
// every kind, a long text of the largest size. `n` is the field's number in its record, so no two
// fields of a record hold the same value.
struct Filler {
    int n;
    void operator()(uint8_t& v) const { v = static_cast<uint8_t>(0x80 + n); }
    void operator()(int32_t& v) const { v = -1000003 * (n + 1); }
    void operator()(uint32_t& v) const { v = 0x80000000u + static_cast<uint32_t>(n); }
    void operator()(Memo& v) const {
        v.text = "field " + std::to_string(n) + std::string("\0\xff\r\n", 4);
        while (v.text.size() < kMaxMemo) v.text += static_cast<char>('a' + v.text.size() % 26);
        v.text.resize(kMaxMemo);
    }
    template <size_t N>
    void operator()(Text<N>& v) const {
        text(v, 'A', 0);
    }
    template <size_t N>
    void operator()(Bytes<N>& v) const {
        for (size_t i = 0; i < N; ++i) v.bytes[i] = static_cast<uint8_t>(n * 37 + i * 11 + 1);
    }
    template <size_t N, size_t K>
    void operator()(std::array<Text<N>, K>& v) const {
        for (size_t k = 0; k < K; ++k) text(v[k], 'a', k);
    }
    template <size_t N>
    void text(Text<N>& v, char first, size_t element) const {
        static const char* const kMixed[] = {"\xC3\xA4", "\xD0\x96",     "\xE2\x82\xAC",
                                             "z",        "\xE8\xAA\x9E", "\xF0\x9F\x98\x80"};
        static const char* const kWide[] = {"\xF0\x9F\x98\x80", "\xF0\x9D\x84\x9E"};
        std::string s(1, static_cast<char>(first + (static_cast<size_t>(n) + element) % 26));
        for (size_t i = 1; i < N; ++i)
            s += n % 2 ? kMixed[(static_cast<size_t>(n) + i) % 6] : kWide[i % 2];
        v = s;
        ASSERT_EQ(char_count(v.view()), N) << "the text fills its field";
    }
};

// The byte offsets of a record's listed fields.
template <class R>
std::vector<size_t> field_offsets(R& r) {
    std::vector<size_t> out;
    r.visit([&](const char*, auto& f) {
        out.push_back(static_cast<size_t>(reinterpret_cast<const char*>(&f) -
                                          reinterpret_cast<const char*>(&r)));
    });
    return out;
}

// Fills the bytes of `r` that belong to no listed field. A run shorter than the record's
// alignment may be padding, or a small field missing from the list, which then comes back
// changed; a longer run cannot be padding and is reported at once (it may hold a long text
// field, which must not be overwritten).
template <class R>
bool fill_unlisted(R& r) {
    std::vector<bool> listed(sizeof(R));
    auto* base = reinterpret_cast<unsigned char*>(&r);
    r.visit([&](const char*, auto& f) {
        auto at = static_cast<size_t>(reinterpret_cast<unsigned char*>(&f) - base);
        for (size_t i = 0; i < sizeof f; ++i) listed[at + i] = true;
    });
    for (size_t i = 0; i < sizeof(R);) {
        size_t end = i;
        while (end < sizeof(R) && !listed[end]) ++end;
        if (end - i >= alignof(R)) {
            ADD_FAILURE() << "bytes " << i << " to " << end << " belong to no listed field";
            return false;
        }
        std::memset(base + i, 'Q', end - i);
        i = end == i ? i + 1 : end;
    }
    return true;
}

// Names the listed fields of `got` that differ from `want`, or says that an unlisted one does.
template <class R>
std::string differences(const R& want, R& got) {
    std::string out;
    std::vector<size_t> at = field_offsets(got);
    size_t k = 0;
    got.visit([&](const char* name, auto& f) {
        using F = std::remove_reference_t<decltype(f)>;
        const F& w = *reinterpret_cast<const F*>(reinterpret_cast<const char*>(&want) + at[k++]);
        if (!(w == f)) out += std::string(" ") + name;
    });
    return out.empty() ? " a field missing from the field list" : out;
}

template <class>
struct Member;
template <class R>
struct Member<R Records::*> {
    using type = R;
};

// Writes a record with every field set into `file`, then reads it back by position and by each
// key. The record is the file's buffer `Buffer` of the session.
template <auto Buffer>
void round_trip(Session& s, int file) {
    using R = typename Member<decltype(Buffer)>::type;
    R& buffer = s.rec.*Buffer;
    ASSERT_EQ(static_cast<void*>(&buffer), buffer_of(s.rec, file))
        << "another buffer is the file's";
    R want{};
    int n = 0;
    want.visit([&](const char*, auto& f) { Filler{n++}(f); });
    ASSERT_TRUE(fill_unlisted(want));
    OP_CLOSE(s, kOpOpen, {file});
    buffer = want;
    ASSERT_TRUE(UppDat(s, file, kAdd, kReport));
    const int64_t position = handle(s, file).position();
    buffer = R{};
    ASSERT_TRUE(Fetch(s, file, position));
    EXPECT_TRUE(buffer == want) << "changed:" << differences(want, buffer);
    const auto& keys = file_info(file)->decl.keys;
    for (size_t k = 0; k < keys.size(); ++k) {
        R got{};
        Status st = handle(s, file).get(static_cast<int>(k), &want, &got);
        EXPECT_TRUE(st && got == want) << "through " << keys[k].name << ": " << st.text();
    }
    OP_CLOSE(s, kOpClose, {file});
}

struct RecordType {
    int file;
    void (*round_trip)(Session&, int);
};

const RecordType kRecordTypes[] = {
    {kCodes, round_trip<&Records::Codes>},       {kForums, round_trip<&Records::Forums>},
    {kMsgNmbr, round_trip<&Records::MsgNmbr>},   {kMsgText, round_trip<&Records::MsgText>},
    {kPerson, round_trip<&Records::Person>},     {kSections, round_trip<&Records::Sections>},
    {kThreads, round_trip<&Records::Threads>},   {kControl, round_trip<&Records::Control>},
    {kSIndex, round_trip<&Records::SIndex>},     {kNHR, round_trip<&Records::NHR>},
    {kMail, round_trip<&Records::Mail>},         {kCCR, round_trip<&Records::CCR>},
    {kIMP, round_trip<&Records::IMP>},           {kCCT, round_trip<&Records::CCT>},
    {kREF, round_trip<&Records::REF>},           {kPLINK, round_trip<&Records::PLINK>},
    {kTID, round_trip<&Records::TID>},           {kMsgString, round_trip<&Records::MsgString>},
    {kTAS, round_trip<&Records::TAS>},           {kFLI, round_trip<&Records::FLI>},
    {kWordList, round_trip<&Records::WordList>}, {kMasIdx, round_trip<&Records::MasIdx>},
    {kSTO, round_trip<&Records::STO>},           {kSearch, round_trip<&Records::Search>},
    {kPUR, round_trip<&Records::PUR>},           {kBAT, round_trip<&Records::BAT>},
    {kTIM, round_trip<&Records::TIM>},           {kWD, round_trip<&Records::WD>},
    {kTLO, round_trip<&Records::TLO>},           {kTLI, round_trip<&Records::TLI>},
    {kNeo, round_trip<&Records::Neo>},           {kAttach, round_trip<&Records::Attach>},
    {kAttData, round_trip<&Records::AttData>},   {kATN, round_trip<&Records::ATN>},
    {kATB, round_trip<&Records::ATB>},
};

TEST(RecordLayout, EveryRecordTypeComesBackWithEveryField) {
    HomeDir home;
    TestSession t(home.dir);
    size_t checked = 0;
    for (int file = 1; file <= kMaxFileNo; ++file) {
        const FileInfo* f = file_info(file);
        if (!f || f->decl.fields.empty()) continue;
        SCOPED_TRACE(f->name);
        auto row = std::find_if(std::begin(kRecordTypes), std::end(kRecordTypes),
                                [&](const RecordType& r) { return r.file == file; });
        ASSERT_NE(row, std::end(kRecordTypes)) << "a record file without its row here";
        row->round_trip(t.s, file);
        ++checked;
    }
    EXPECT_EQ(checked, std::size(kRecordTypes));
    EXPECT_TRUE(t.dialog.entries.empty()) << t.dialog.entries.front().text;
}

}  // namespace
}  // namespace qs
