// SPDX-License-Identifier: MIT
// Results of store operations: a code the callers act on and the store's own error text.
#pragma once

#include <string>
#include <utility>

namespace qs {

enum class Code {
    Ok,
    NotFound,   // no such record (or it vanished meanwhile)
    Duplicate,  // a unique key already holds the value
    Locked,     // held or locked by another user past the wait
    Busy,       // the file is locked for a transaction past the wait
    AccessDenied,
    PathNotFound,
    FileMissing,
    BadKeys,         // key structures damaged
    LayoutMismatch,  // stored layout differs from the declaration
    Corrupt,
    Full,  // disk full
    IoError,
    Invalid,  // a caller's mistake
    Other,
};

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Code code, std::string text, int error = 0)
        : code_(code), text_(std::move(text)), error_(error) {}
    static Status ok() { return {}; }

    bool is_ok() const { return code_ == Code::Ok; }
    explicit operator bool() const { return is_ok(); }
    Code code() const { return code_; }
    const std::string& text() const { return text_; }
    int error() const { return error_; }  // the engine's error number, 0 when none

private:
    Code code_ = Code::Ok;
    std::string text_;
    int error_ = 0;
};

}  // namespace qs
