// SPDX-License-Identifier: MIT
// Inside the settings code: whole settings records of the Control file read and written under
// hold, and the item slots of their 200-byte groups (longs 4 bytes little-endian, texts
// blank-padded). Not for use outside storage/config*.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qs::cfg {

using Group = decltype(Control::CTLGROUP);

// Record 1 doubles as the identifier counter, which never runs below this.
inline constexpr uint32_t kFirstNumber = 250000;

int32_t get_long(const Group& g, size_t at);
void put_long(Group& g, size_t at, int32_t value);
// The text without trailing blanks (and without the NULs of a group never written).
std::string get_text(const Group& g, size_t at, size_t width);
// Cut to `width` or blank-padded to it.
void put_text(Group& g, size_t at, size_t width, std::string_view text);
// True when the slot holds nothing but blanks or NULs.
bool text_blank(const Group& g, size_t at, size_t width);

// Applies defaults to a record just read (or to the zeroed record about to be added); returns
// true when it changed anything.
using Fixer = std::function<bool(Control&)>;

// Reads record `id` under hold, lets `fix` apply defaults and writes it back only when something
// changed; a missing record is added. Loading record 1 also raises its counter to kFirstNumber.
// False when the record could not be read or written (the store's own hold messages have then
// been shown; the caller reports the settings failure).
bool load_record(Session& s, uint8_t id, Control& out, const Fixer& fix);

// Writes `group` into record `id`, adding the record when missing. The record is re-read under
// hold first, so that the counter of record 1, which NextNr raises meanwhile, is kept as stored.
bool save_record(Session& s, uint8_t id, const Group& group);

// Reads record `id` without hold; Code::NotFound when it does not exist.
Status read_record(Session& s, uint8_t id, Control& out);

// The settings failure message (two Neo texts; nothing shown while unattended). Returns 0.
uint8_t settings_failed(Session& s, uint32_t title, uint32_t text);

// An item or selector the operation does not know: a programming error that stops the program.
[[noreturn]] void invalid_xtype(Session& s);

}  // namespace qs::cfg
