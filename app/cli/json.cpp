// SPDX-License-Identifier: MIT
#include "app/cli/json.h"

#include <cstdio>

namespace qs::cli {

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    return out + "\"";
}

void JsonObject::key(std::string_view k) {
    if (!body_.empty()) body_ += ",";
    body_ += json_string(k) + ":";
}

void JsonObject::number(std::string_view k, int64_t v) {
    key(k);
    body_ += std::to_string(v);
}

void JsonObject::text(std::string_view k, std::string_view utf8) {
    key(k);
    body_ += json_string(utf8);
}

void JsonObject::raw(std::string_view k, std::string_view json) {
    key(k);
    body_ += json;
}

void add_field(JsonObject& o, std::string_view name, uint8_t v) { o.number(name, v); }
void add_field(JsonObject& o, std::string_view name, uint32_t v) { o.number(name, v); }
void add_field(JsonObject& o, std::string_view name, double v) { o.raw(name, std::to_string(v)); }
void add_field(JsonObject& o, std::string_view name, const Memo& v) { o.text(name, v.text); }

void add_field(JsonObject& o, std::string_view name, int32_t v) {
    o.number(name, v);
    if (!is_date_field(name)) return;
    std::string iso = iso_date(v);
    o.raw(std::string(name) + "_ISO", iso.empty() ? "null" : json_string(iso));
}

}  // namespace qs::cli
