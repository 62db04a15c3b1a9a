// SPDX-License-Identifier: MIT
// The dialog interface: every message box, question and halt of the system goes through it, so
// the command line, the desktop program and the tests can each show (or record) them their own way.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace qs {

// Thrown after a halt message was shown; caught in the program's main, which exits non-zero.
// The library never ends the process itself.
class Halt : public std::exception {
public:
    explicit Halt(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

class Dialog {
public:
    virtual ~Dialog() = default;
    // A message with one OK button.
    virtual void message(std::string_view title, std::string_view text) = 0;
    // A question; true for OK/Yes. `default_yes` is the answer taken when nobody can answer.
    virtual bool ask(std::string_view title, std::string_view text, bool default_yes) = 0;
    virtual void beep() {}
    // Asks for a line of text (a directory, a name); empty when nobody can answer or the user
    // gave up.
    virtual std::string ask_text(std::string_view title, std::string_view prompt) {
        (void)title;
        (void)prompt;
        return {};
    }
};

// Shows the halt message and throws Halt. `after` is the text a halt adds to the program's exit
// (for example "Check your directory setup in Preferences and run File/Rebuild.").
[[noreturn]] void halt(Dialog& dialog, std::string_view title, std::string_view text,
                       std::string_view after = {});

// Prints "title: text" to stderr (line breaks kept, "|" read as a line break) and takes the default
// answer; with `interactive` set and a terminal on stdin, asks instead.
class CliDialog : public Dialog {
public:
    explicit CliDialog(bool interactive = false) : interactive_(interactive) {}
    void message(std::string_view title, std::string_view text) override;
    bool ask(std::string_view title, std::string_view text, bool default_yes) override;

private:
    bool interactive_;
};

}  // namespace qs
