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

}  // namespace qs
