// SPDX-License-Identifier: MIT
// "Maildir" and "EML Files": one message per file. A Maildir is read in its "cur" and "new"
// directories and in those of each Maildir++ sub-folder (".Folder"); "tmp" holds messages still
// being delivered and is left alone. "EML Files" reads a single message file, or the message
// files of a directory: ".eml" and ".msg" files and the numbered files of an MH folder.
// Only the names of the files are listed ahead; each message is streamed from its file.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "import/readers/mail_places.h"
#include "import/readers/mail_reader.h"
#include "import/readers/mbox_envelope.h"

namespace qs {

namespace {

namespace sfs = std::filesystem;

bool is_dir(const sfs::path& p) {
    std::error_code ec;
    return sfs::is_directory(p, ec);
}

bool all_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The names of the regular files of `dir` that `wanted` accepts, in name order (numbered
// files by their numbers). A directory that cannot be listed gives none.
template <class Wanted>
std::vector<std::string> files_of(const sfs::path& dir, const Wanted& wanted) {
    std::vector<std::string> names;
    std::error_code ec;
    for (sfs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        // Anything but a directory: a link that leads nowhere is reported when it is read.
        const std::string name = it->path().filename().string();
        if (!is_dir(it->path()) && wanted(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        if (all_digits(a) && all_digits(b) && a.size() != b.size()) return a.size() < b.size();
        return a < b;
    });
    for (auto& n : names) n = (dir / n).string();
    return names;
}

bool maildir_message(const std::string& name) { return !name.starts_with("."); }

bool message_file(const std::string& name) {
    const std::string l = lower(name);
    return all_digits(name) || l.ends_with(".eml") || l.ends_with(".msg");
}

bool is_maildir(const sfs::path& dir) { return is_dir(dir / "cur") || is_dir(dir / "new"); }

// The folders of a Maildir: the top one, then its Maildir++ sub-folders in name order.
// A folder reached twice (a sub-folder linked to another, or to the top) is read once.
std::vector<sfs::path> maildir_folders(const sfs::path& top) {
    std::vector<sfs::path> subs;
    std::error_code ec;
    for (sfs::directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 1 && name[0] == '.' && name != ".." && is_maildir(it->path()))
            subs.push_back(it->path());
    }
    std::sort(subs.begin(), subs.end());
    if (is_maildir(top)) subs.insert(subs.begin(), top);
    std::vector<sfs::path> folders;
    std::set<sfs::path> seen;
    for (const auto& f : subs)
        if (seen.insert(sfs::weakly_canonical(f, ec)).second) folders.push_back(f);
    return folders;
}

// The first bytes of a binary Outlook message (a compound file), which is no text message.
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0";

class MessageFilesReader : public MailReader {
public:
    explicit MessageFilesReader(bool maildir) : maildir_(maildir) {}

    bool open(ParseContext& ctx, const std::string& path) override {
        files_.clear();
        next_ = 0;
        if (maildir_) {
            const auto folders = maildir_folders(path);
            if (folders.empty()) {
                ctx.report(" Import Error ", "The folder " + path + " is not a Maildir!");
                return false;
            }
            for (const auto& f : folders)
                for (const char* sub : {"cur", "new"}) {
                    auto names = files_of(f / sub, maildir_message);
                    files_.insert(files_.end(), names.begin(), names.end());
                }
        } else if (is_dir(path)) {
            files_ = files_of(path, message_file);
        } else {
            files_.push_back(path);
        }
        start(ctx, path);
        return true;
    }

    ReadProgress progress() const override { return {next_, files_.size()}; }

protected:
    Found read_message(ParseContext& ctx) override {
        if (next_ >= files_.size()) return Found::None;
        current_ = files_[next_++];
        if (maildir_) places_ = maildir_places(current_);
        if (!buf_.open(current_)) {
            ctx.skip_message(SkipReason::Damaged, where() + " (the file cannot be read)");
            return Found::Nothing;
        }
        if (buf_.looking_at(kCompoundFile)) {
            buf_.close();
            ctx.skip_message(SkipReason::NotOfFormat, where() + " (not a text message)");
            return Found::Nothing;
        }
        // A message saved from a Unix mailbox may keep its "From " line.
        if (mbox_envelope(first_line(buf_.ahead()), true)) skip_line(buf_);
        start_ = 1;
        const bool any = read_lines(kPlainLines, LineStop());
        buf_.close();
        if (any) return Found::Message;
        ctx.skip_message(SkipReason::Damaged, where() + " (the file is empty)");
        return Found::Nothing;
    }

    std::string where() const override { return "file " + current_; }

private:
    bool maildir_;
    std::vector<std::string> files_;  // the message files, in reading order
    uint64_t next_ = 0;
    std::string current_;
};

}  // namespace

std::unique_ptr<Parser> make_maildir_reader() { return std::make_unique<MessageFilesReader>(true); }
std::unique_ptr<Parser> make_eml_reader() { return std::make_unique<MessageFilesReader>(false); }

}  // namespace qs
