// SPDX-License-Identifier: MIT
// JSON output of records: keys are the field names without their prefix, numbers stay numbers,
// texts are trimmed and turned into UTF-8, and dates come twice, as day numbers and as
// "<FIELD>_ISO" (YYYY-MM-DD, null for no date).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/text.h"

namespace qs::cli {

std::string json_string(std::string_view utf8);

class JsonObject {
public:
    void number(std::string_view key, int64_t v);
    void text(std::string_view key, std::string_view cp1252);
    void raw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + body_ + "}"; }

private:
    void key(std::string_view k);
    std::string body_;
};

inline bool is_date_field(std::string_view name) {
    auto ends = [&](std::string_view tail) {
        return name.size() >= tail.size() && name.substr(name.size() - tail.size()) == tail;
    };
    return name == "CREATED" || (ends("DATE") && !ends("UPDATE"));
}

// Adds every field of a record (see the records' visit()).
template <class R>
void add_fields(JsonObject& o, R& rec) {
    rec.visit([&](const char* name, auto& f) { add_field(o, name, f); });
}

void add_field(JsonObject& o, std::string_view name, uint8_t v);
void add_field(JsonObject& o, std::string_view name, uint32_t v);
void add_field(JsonObject& o, std::string_view name, int32_t v);
void add_field(JsonObject& o, std::string_view name, double v);
void add_field(JsonObject& o, std::string_view name, const Memo& v);
template <size_t N>
void add_field(JsonObject& o, std::string_view name, const Text<N>& v) {
    o.text(name, v.trimmed());
}
template <size_t N>
void add_field(JsonObject&, std::string_view, const Bytes<N>&) {}  // settings groups stay inside
template <size_t N, size_t K>
void add_field(JsonObject& o, std::string_view name, const std::array<Text<N>, K>& v) {
    std::string arr = "[";
    for (const auto& t : v) {
        if (t.blank()) continue;
        if (arr.size() > 1) arr += ",";
        arr += json_string(t.trimmed());
    }
    o.raw(name, arr + "]");
}

}  // namespace qs::cli
