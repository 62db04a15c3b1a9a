// SPDX-License-Identifier: MIT
#include "platform/dialog.h"

#include <unistd.h>

#include <iostream>

namespace qs {

namespace {

// Message texts use "\r\n" and "|" for line breaks; a terminal wants "\n".
std::string terminal_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r') continue;
        out.push_back(c == '|' ? '\n' : c);
    }
    return out;
}

}  // namespace

void halt(Dialog& dialog, std::string_view title, std::string_view text, std::string_view after) {
    dialog.message(title, text);
    throw Halt(after.empty() ? terminal_text(text) : std::string(after));
}

void CliDialog::message(std::string_view title, std::string_view text) {
    std::cerr << terminal_text(title) << ": " << terminal_text(text) << '\n';
}

bool CliDialog::ask(std::string_view title, std::string_view text, bool default_yes) {
    std::cerr << terminal_text(title) << ": " << terminal_text(text);
    if (!interactive_ || !isatty(STDIN_FILENO)) {
        std::cerr << " [" << (default_yes ? "yes" : "no") << "]\n";
        return default_yes;
    }
    std::cerr << (default_yes ? " [Y/n] " : " [y/N] ");
    std::string line;
    if (!std::getline(std::cin, line) || line.empty()) return default_yes;
    return line[0] == 'y' || line[0] == 'Y';
}

void RecordingDialog::message(std::string_view title, std::string_view text) {
    entries.push_back({std::string(title), std::string(text), false});
}

bool RecordingDialog::ask(std::string_view title, std::string_view text, bool default_yes) {
    entries.push_back({std::string(title), std::string(text), true});
    if (next_answer_ < answers_.size()) return answers_[next_answer_++];
    return default_yes;
}

std::string RecordingDialog::ask_text(std::string_view title, std::string_view prompt) {
    entries.push_back({std::string(title), std::string(prompt), true});
    return next_text_ < texts.size() ? texts[next_text_++] : std::string();
}

bool RecordingDialog::saw(std::string_view part) const {
    for (const auto& e : entries)
        if (e.title.find(part) != std::string::npos || e.text.find(part) != std::string::npos)
            return true;
    return false;
}

}  // namespace qs
