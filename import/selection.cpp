// SPDX-License-Identifier: MIT
// Which files an import reads: the masks of the mask field, and the expansion of a directory
// tree, one directory or a list of selected files into the files in reading order.
#include <algorithm>
#include <filesystem>
#include <set>

#include "import/catalogue.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace qs {

namespace {

constexpr size_t kMaskWidth = 12;

std::string_view trim_blanks(std::string_view s) {
    size_t first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : trim_right(s.substr(first));
}

// Two names of one directory (a symbolic link back up the tree, a bind mount) would make the
// walk endless; a directory is read once, under the first name met.
std::string identity_of(const std::string& dir) {
    std::error_code ec;
    auto canonical = std::filesystem::canonical(dir, ec);
    return ec ? dir : canonical.string();
}

// The symbolic links of `dir` that lead nowhere, which no listing of files or directories shows.
void note_dangling_links(const std::string& dir, std::vector<std::string>* notes) {
    if (!notes) return;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code link_ec;
        if (it->is_symlink(link_ec) && !std::filesystem::exists(it->path(), link_ec))
            notes->push_back(it->path().string() + ": a link that leads nowhere, passed over");
    }
}

// Breadth first: the top directory, then its subdirectories in listed order, then theirs.
std::vector<std::string> directory_tree(const std::string& top, std::vector<std::string>* notes) {
    std::vector<std::string> dirs{top};
    std::set<std::string> seen{identity_of(top)};
    for (size_t visiting = 0; visiting < dirs.size(); ++visiting) {
        note_dangling_links(dirs[visiting], notes);
        for (const auto& name : fs::list_dirs(dirs[visiting])) {
            std::string sub = fs::join(dirs[visiting], name);
            if (seen.insert(identity_of(sub)).second)
                dirs.push_back(sub);
            else if (notes)
                notes->push_back(sub +
                                 ": a directory read already under another name, passed over");
        }
    }
    return dirs;
}

// The directory's files that match any mask, mask by mask; a file two masks match is read once.
void add_matching(const std::string& dir, const std::vector<std::string>& masks,
                  std::vector<std::string>& files) {
    std::vector<std::string> names;
    for (const auto& mask : masks) {
        for (auto& name : fs::list_files(dir, mask))
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
    }
    for (const auto& name : names) files.push_back(fs::join(dir, name));
}

}  // namespace

std::vector<std::string> split_masks(std::string_view mask_text) {
    std::string_view rest = trim_right(mask_text);
    std::vector<std::string> masks;
    if (rest.size() < 2) return masks;
    // Cut from the end backward, so the pieces come out last first.
    for (;;) {
        size_t cut = rest.rfind(';');
        std::string_view piece =
            trim_blanks(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
        if (!piece.empty()) masks.emplace_back(piece.substr(0, kMaskWidth));
        if (cut == std::string_view::npos) break;
        rest = rest.substr(0, cut);
    }
    std::reverse(masks.begin(), masks.end());
    return masks;
}

std::vector<std::string> expand_selection(const ImportSettings& settings, uint64_t* total_size,
                                          std::vector<std::string>* notes) {
    std::vector<std::string> files;
    if (settings.selection == kSelectedFiles) {
        files = settings.files;
    } else {
        std::vector<std::string> masks = split_masks(settings.masks);
        std::vector<std::string> dirs = settings.selection == kDirectoryTree
                                            ? directory_tree(settings.path, notes)
                                            : std::vector<std::string>{settings.path};
        if (settings.selection != kDirectoryTree) note_dangling_links(settings.path, notes);
        for (const auto& dir : dirs) add_matching(dir, masks, files);
    }
    if (total_size) {
        *total_size = 0;
        for (const auto& f : files) *total_size += fs::file_size(f).value_or(0);
    }
    return files;
}

}  // namespace qs
