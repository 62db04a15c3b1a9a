// SPDX-License-Identifier: MIT
// The files Eudora saved out of its mail, kept with the mail they came with.
#include "import/readers/eudora_attachments.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "import/mime/charset.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace qs {

namespace {

constexpr std::string_view kConverted = "attachment converted:";
// How many directories above the mailbox are looked at: Eudora keeps the mailboxes of its
// folders in sub-directories of the one that holds its attachment folder.
constexpr int kLevelsUp = 3;
constexpr size_t kChunk = 64 * 1024;

bool attachment_folder(const std::string& name) {
    for (std::string_view folder : {"attach", "attachments", "attachments folder"})
        if (compare_nocase(name, folder) == 0) return true;
    return false;
}

// The content type by the name's extension, for the few kinds a viewer needs told.
std::string type_of(const std::string& name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kTypes{{
        {".pdf", "application/pdf"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".png", "image/png"},
        {".gif", "image/gif"},
        {".txt", "text/plain"},
        {".htm", "text/html"},
        {".html", "text/html"},
        {".zip", "application/zip"},
        {".doc", "application/msword"},
        {".xls", "application/vnd.ms-excel"},
        {".rtf", "application/rtf"},
    }};
    for (const auto& [ext, type] : kTypes)
        if (name.size() >= ext.size() &&
            compare_nocase(std::string_view(name).substr(name.size() - ext.size()), ext) == 0)
            return std::string(type);
    return "application/octet-stream";
}

}  // namespace

std::string converted_attachment(std::string_view line) {
    if (line.size() <= kConverted.size() ||
        compare_nocase(line.substr(0, kConverted.size()), kConverted) != 0)
        return {};
    std::string_view path = line.substr(kConverted.size());
    while (!path.empty() && (path.front() == ' ' || path.front() == '"')) path.remove_prefix(1);
    while (!path.empty() && (path.back() == ' ' || path.back() == '"' || path.back() == '\r'))
        path.remove_suffix(1);
    // "C:\Eudora\Attach\x.pdf", "Macintosh HD:Eudora Folder:Attachments Folder:x.pdf"
    const size_t cut = path.find_last_of("\\/:");
    std::string name(cut == std::string_view::npos ? path : path.substr(cut + 1));
    if (name == "." || name == "..") return {};
    // Names in the text are in the Windows code page.
    std::string utf8;
    append_utf8_or_1252(utf8, name);
    return utf8;
}

std::string find_converted_attachment(const std::string& mailbox, const std::string& name) {
    if (name.empty() || name.find_first_of("*?") != std::string::npos) return {};
    std::string dir = fs::dir_part(mailbox);
    if (dir.empty()) dir = "./";
    for (int level = 0; level <= kLevelsUp; ++level) {
        for (const std::string& sub : fs::list_dirs(dir)) {
            if (!attachment_folder(sub)) continue;
            const std::string folder = fs::join(dir, sub);
            const auto found = fs::list_files(folder, name);
            if (!found.empty()) return fs::join(folder, found.front());
        }
        dir = fs::join(dir, "../");
    }
    return {};
}

bool keep_converted_attachment(const std::string& path, AttachmentSink& sink) {
    const std::string name = path.substr(fs::dir_part(path).size());
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    sink.begin({name, type_of(name)});
    std::string chunk(kChunk, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (got) sink.write(std::string_view(chunk).substr(0, got));
    }
    const bool whole = in.eof() && !in.bad();
    return sink.end() && whole;
}

}  // namespace qs
