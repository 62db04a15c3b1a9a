// SPDX-License-Identifier: MIT
// An attachment sink that keeps nothing: it counts what a reader streams to it and notes a reader
// that breaks the sink's order (bytes outside begin() and end(), an attachment begun twice).
// For the contexts that run readers without the import processor (tests, benchmarks, fuzzing).
#pragma once

#include <cstdint>
#include <string_view>

#include "import/mime/attachment_sink.h"

namespace qs::testing {

class CountingSink : public AttachmentSink {
public:
    void begin(const AttachmentInfo&) override {
        sound = sound && !open_;
        open_ = true;
    }
    void write(std::string_view bytes) override {
        sound = sound && open_;
        this->bytes += bytes.size();
    }
    bool end() override {
        sound = sound && open_;
        open_ = false;
        ++attachments;
        return true;
    }
    uint64_t attachments = 0;
    uint64_t bytes = 0;
    bool sound = true;  // false once the order was broken

private:
    bool open_ = false;
};

}  // namespace qs::testing
