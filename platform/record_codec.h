// SPDX-License-Identifier: MIT
// How a record struct is described to the store: its fields (from the struct's visit()), its keys,
// and the type-erased functions that move a record in and out of SQLite statements.
//
// A record struct lists its fields in stored order:
//     struct PLINK {
//         Text<100> PERSONSTRING;
//         uint32_t PERSONID = 0;
//         template <class V> void visit(V&& v) { v("PERSONSTRING", PERSONSTRING); v("PERSONID",
//         PERSONID); }
//     };
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/text.h"

namespace qs::store {

enum class FieldType : uint8_t { Byte, Long, ULong, Text, Real, Memo, Raw };

struct FieldDecl {
    std::string name;
    FieldType type;
    uint32_t width;  // characters of a text, bytes of a raw group; 0 otherwise
};

struct KeyPart {
    int field;  // index into the fields
    bool descending = false;
};

struct KeyDecl {
    std::string name;
    std::vector<KeyPart> parts;
    bool unique = false;
    bool nocase = false;  // text parts compare case-insensitively
    // A key with duplicates whose index also carries the position and every other field, so
    // that reading along it never goes back to the records: for files of a few small fields
    // read mostly along this key (the word index). The order stays key parts, then position.
    bool covering = false;
};

// Type-erased access to one record struct.
struct Codec {
    size_t size;
    void* (*make)();
    void (*destroy)(void*);
    void (*copy)(void* dst, const void* src);
    void (*clear)(void*);
    bool (*equal)(const void*, const void*);
    // Whether field `field` holds the same value in both records (a number bit for bit).
    bool (*field_same)(const void* a, const void* b, int field);
    // Binding does not copy texts: the record must stay as it is until the statement is reset.
    // Binds field `field` of the record to parameter `param` (1-based).
    void (*bind_field)(sqlite3_stmt*, int param, const void* rec, int field);
    // Binds every field to parameters first_param, first_param + 1, ... in stored order.
    void (*bind_all)(sqlite3_stmt*, int first_param, const void* rec);
    // Reads every field from columns first_col, first_col + 1, ...
    void (*read_all)(sqlite3_stmt*, int first_col, void* rec);
};

struct TableDecl {
    std::vector<FieldDecl> fields;
    std::vector<KeyDecl> keys;
    Codec codec;

    int field_index(const std::string& name) const;  // -1 when unknown
    // A text that changes whenever the stored layout or the keys change. It begins with the
    // layout generation (kLayoutGeneration).
    std::string signature() const;
};

// The generation of the store's layouts: what the texts of every file are, and how the word
// index keeps its entries. A file whose signature does not begin with it was written by an
// earlier build (whose texts were 8-bit Windows-1252 with keys ordered by its case rules, or
// whose word index held one record per word and message); such a file is never read, rewritten
// or replaced.
inline constexpr std::string_view kLayoutGeneration = "utf8-nfc/postings/";
inline bool current_generation(std::string_view signature) {
    return signature.substr(0, kLayoutGeneration.size()) == kLayoutGeneration;
}

namespace detail {

inline void bind_text(sqlite3_stmt* s, int p, std::string_view v) {
    v = trim_right(v);
    sqlite3_bind_text(s, p, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
}

// One overload per field type: its declaration, binding and reading.
inline FieldDecl describe(const char* n, const uint8_t&) { return {n, FieldType::Byte, 0}; }
inline FieldDecl describe(const char* n, const int32_t&) { return {n, FieldType::Long, 0}; }
inline FieldDecl describe(const char* n, const uint32_t&) { return {n, FieldType::ULong, 0}; }
inline FieldDecl describe(const char* n, const double&) { return {n, FieldType::Real, 0}; }
inline FieldDecl describe(const char* n, const Memo&) { return {n, FieldType::Memo, 0}; }
template <size_t N>
FieldDecl describe(const char* n, const Text<N>&) {
    return {n, FieldType::Text, N};
}
template <size_t N>
FieldDecl describe(const char* n, const Bytes<N>&) {
    return {n, FieldType::Raw, N};
}
template <size_t N, size_t K>
FieldDecl describe(const char* n, const std::array<Text<N>, K>&) {
    return {n, FieldType::Raw, static_cast<uint32_t>(N * K)};
}

// A list of texts is kept as one value: each text's byte count in two bytes (low byte first),
// then its bytes.
template <size_t N, size_t K>
std::string pack_texts(const std::array<Text<N>, K>& v) {
    std::string out;
    for (const Text<N>& t : v) {
        const std::string_view s = t.view();
        out.push_back(static_cast<char>(s.size() & 0xFF));
        out.push_back(static_cast<char>(s.size() >> 8));
        out.append(s);
    }
    return out;
}
template <size_t N, size_t K>
void unpack_texts(std::string_view in, std::array<Text<N>, K>& v) {
    for (Text<N>& t : v) {
        size_t n = 0;
        if (in.size() >= 2) {
            n = static_cast<unsigned char>(in[0]) | static_cast<size_t>(in[1] & 0xFF) << 8;
            in.remove_prefix(2);
        }
        n = std::min(n, in.size());
        t = in.substr(0, n);
        in.remove_prefix(n);
    }
}

template <class T>
bool same(const T& a, const T& b) {
    return a == b;
}
// 0.0 and -0.0 are equal numbers, but not the same value to store.
inline bool same(const double& a, const double& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline void bind(sqlite3_stmt* s, int p, uint8_t v) { sqlite3_bind_int(s, p, v); }
inline void bind(sqlite3_stmt* s, int p, int32_t v) { sqlite3_bind_int(s, p, v); }
inline void bind(sqlite3_stmt* s, int p, uint32_t v) { sqlite3_bind_int64(s, p, v); }
inline void bind(sqlite3_stmt* s, int p, double v) { sqlite3_bind_double(s, p, v); }
inline void bind(sqlite3_stmt* s, int p, const Memo& v) {
    sqlite3_bind_blob(s, p, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
}
template <size_t N>
void bind(sqlite3_stmt* s, int p, const Text<N>& v) {
    bind_text(s, p, v.view());
}
template <size_t N>
void bind(sqlite3_stmt* s, int p, const Bytes<N>& v) {
    sqlite3_bind_blob(s, p, v.bytes.data(), N, SQLITE_STATIC);
}
template <size_t N, size_t K>
void bind(sqlite3_stmt* s, int p, const std::array<Text<N>, K>& v) {
    const std::string packed = pack_texts(v);
    sqlite3_bind_blob(s, p, packed.data(), static_cast<int>(packed.size()), SQLITE_TRANSIENT);
}

inline void copy_bytes(sqlite3_stmt* s, int c, void* dst, size_t n, unsigned char fill) {
    const void* src = sqlite3_column_blob(s, c);
    size_t have = std::min(n, static_cast<size_t>(sqlite3_column_bytes(s, c)));
    if (have > 0) std::memcpy(dst, src, have);
    std::memset(static_cast<char*>(dst) + have, fill, n - have);
}
inline void read(sqlite3_stmt* s, int c, uint8_t& v) {
    v = static_cast<uint8_t>(sqlite3_column_int(s, c));
}
inline void read(sqlite3_stmt* s, int c, int32_t& v) { v = sqlite3_column_int(s, c); }
inline void read(sqlite3_stmt* s, int c, uint32_t& v) {
    v = static_cast<uint32_t>(sqlite3_column_int64(s, c));
}
inline void read(sqlite3_stmt* s, int c, double& v) { v = sqlite3_column_double(s, c); }
inline void read(sqlite3_stmt* s, int c, Memo& v) {
    const char* p = static_cast<const char*>(sqlite3_column_blob(s, c));
    v.text.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, c)));
}
template <size_t N>
void read(sqlite3_stmt* s, int c, Text<N>& v) {
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
    v.assign(p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s, c)))
               : std::string_view());
}
template <size_t N>
void read(sqlite3_stmt* s, int c, Bytes<N>& v) {
    copy_bytes(s, c, v.bytes.data(), N, 0);
}
template <size_t N, size_t K>
void read(sqlite3_stmt* s, int c, std::array<Text<N>, K>& v) {
    const char* p = static_cast<const char*>(sqlite3_column_blob(s, c));
    unpack_texts(p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s, c)))
                   : std::string_view(),
                 v);
}

}  // namespace detail

template <class R>
std::vector<FieldDecl> describe_fields() {
    std::vector<FieldDecl> out;
    auto r = std::make_unique<R>();  // a few records are kilobytes: not on the stack
    r->visit([&](const char* name, const auto& f) { out.push_back(detail::describe(name, f)); });
    return out;
}

template <class R>
Codec make_codec() {
    Codec c;
    c.size = sizeof(R);
    c.make = []() -> void* {
        return new R{};
    };
    c.destroy = [](void* p) {
        delete static_cast<R*>(p);
    };
    c.copy = [](void* d, const void* s) {
        *static_cast<R*>(d) = *static_cast<const R*>(s);
    };
    c.clear = [](void* p) {
        *static_cast<R*>(p) = R{};
    };
    c.equal = [](const void* a, const void* b) {
        return *static_cast<const R*>(a) == *static_cast<const R*>(b);
    };
    c.field_same = [](const void* a, const void* b, int field) {
        const char* from_a = static_cast<const char*>(a);
        const char* from_b = static_cast<const char*>(b);
        bool same = false;
        int i = 0;
        const_cast<R*>(static_cast<const R*>(a))->visit([&](const char*, auto& f) {
            if (i++ != field) return;
            using Field = std::remove_cvref_t<decltype(f)>;
            const char* at = reinterpret_cast<const char*>(&f);
            same = detail::same(f, *reinterpret_cast<const Field*>(from_b + (at - from_a)));
        });
        return same;
    };
    c.bind_field = [](sqlite3_stmt* s, int param, const void* rec, int field) {
        int i = 0;
        const_cast<R*>(static_cast<const R*>(rec))->visit([&](const char*, auto& f) {
            if (i++ == field) detail::bind(s, param, f);
        });
    };
    c.bind_all = [](sqlite3_stmt* s, int first, const void* rec) {
        int param = first;
        const_cast<R*>(static_cast<const R*>(rec))->visit([&](const char*, auto& f) {
            detail::bind(s, param++, f);
        });
    };
    c.read_all = [](sqlite3_stmt* s, int first, void* rec) {
        int col = first;
        static_cast<R*>(rec)->visit([&](const char*, auto& f) { detail::read(s, col++, f); });
    };
    return c;
}

}  // namespace qs::store
