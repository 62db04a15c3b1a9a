// SPDX-License-Identifier: MIT
// The dialogs of the tests: every message and question is recorded, and questions are answered
// from a script (then by their default), so that tests assert the system's own words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

namespace qs {

class RecordingDialog : public Dialog {
public:
    struct Entry {
        std::string title;
        std::string text;
        bool question = false;
    };

    void message(std::string_view title, std::string_view text) override {
        entries.push_back({std::string(title), std::string(text), false});
    }
    bool ask(std::string_view title, std::string_view text, bool default_yes) override {
        entries.push_back({std::string(title), std::string(text), true});
        if (next_answer_ < answers_.size()) return answers_[next_answer_++];
        return default_yes;
    }
    void beep() override { ++beeps; }
    std::string ask_text(std::string_view title, std::string_view prompt) override {
        entries.push_back({std::string(title), std::string(prompt), true});
        return next_text_ < texts.size() ? texts[next_text_++] : std::string();
    }

    void script(std::vector<bool> answers) { answers_ = std::move(answers); }
    // Any entry whose title or text contains `part`.
    bool saw(std::string_view part) const {
        for (const auto& e : entries)
            if (e.title.find(part) != std::string::npos || e.text.find(part) != std::string::npos)
                return true;
        return false;
    }
    void clear() { entries.clear(); }

    std::vector<Entry> entries;
    std::vector<std::string> texts;  // answers to ask_text, in turn
    int beeps = 0;

private:
    std::vector<bool> answers_;
    size_t next_answer_ = 0;
    size_t next_text_ = 0;
};

}  // namespace qs
