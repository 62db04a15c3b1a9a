// SPDX-License-Identifier: MIT
// POSIX file-system helpers. Masks and listings follow the habits of the system the archived
// files come from: names match case-insensitively and "*.*" means every file.
#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/text.h"

namespace qs::fs {

namespace {

bool stat_path(const std::string& path, struct stat& st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::string current_dir() {
    std::string buf(256, '\0');
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return "/";
        buf.resize(buf.size() * 2);
    }
    buf.resize(buf.find('\0'));
    return buf;
}

// The parent of an absolute, normalised path; "/" is its own parent.
std::string parent_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// A path that may not exist yet is judged by the nearest directory above it that does.
std::string nearest_existing(const std::string& path, struct stat& st) {
    std::string p = absolute(path);
    while (!stat_path(p, st) && p != "/") p = parent_of(p);
    return p;
}

// The character at s[i] folded to one case, i moved past it. A byte that starts no character
// stands for itself, beyond every code point, so that names in other charsets still match.
char32_t folded_at(std::string_view s, size_t& i) {
    char32_t cp = 0;
    const size_t len = utf8_sequence(s, i, cp);
    if (len == 0) return 0x110000u + static_cast<unsigned char>(s[i++]);
    i += len;
    return simple_fold(cp);
}

// Masks match names character by character, letters of any script in either case.
bool glob_match(std::string_view mask, std::string_view name) {
    size_t m = 0, n = 0;
    size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        size_t m_next = m, n_next = n;
        const char32_t mc = m < mask.size() ? folded_at(mask, m_next) : 0;
        const char32_t nc = folded_at(name, n_next);
        if (m < mask.size() && mc == '*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && (mc == '?' || mc == nc)) {
            m = m_next;
            n = n_next;
        } else if (star != std::string_view::npos) {
            // Let the last '*' swallow one more character and try again from there.
            m = star + 1;
            folded_at(name, resume);
            n = resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

bool has_dot(std::string_view name) { return name.find('.') != std::string_view::npos; }

bool is_dot_entry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

template <class Keep>
std::vector<std::string> list_entries(const std::string& dir, Keep keep) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return names;
    while (const dirent* e = ::readdir(d)) {
        if (is_dot_entry(e->d_name)) continue;
        struct stat st {};
        // Follow symbolic links: a link to a mailbox is a mailbox to the user.
        if (stat_path(join(dir, e->d_name), st) && keep(e->d_name, st)) {
            names.emplace_back(e->d_name);
        }
    }
    ::closedir(d);
    // Case-insensitive first, as the user sees the names; bytes break ties so the order is total.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = compare_nocase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

}  // namespace

bool exists(const std::string& path) {
    struct stat st {};
    return stat_path(path, st);
}

bool is_dir(const std::string& path) {
    struct stat st {};
    return stat_path(path, st) && S_ISDIR(st.st_mode);
}

std::optional<uint64_t> file_size(const std::string& path) {
    struct stat st {};
    if (!stat_path(path, st) || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

bool make_dirs(const std::string& path) {
    if (path.empty()) return false;
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        // Failures on the way are not fatal (a parent may exist but be unreadable); the final
        // check decides.
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    }
    ::mkdir(path.c_str(), 0777);
    return is_dir(path);
}

bool remove_dir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

RemoveResult remove_file(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return RemoveResult::Removed;
    switch (errno) {
        case ENOENT:
        case ENOTDIR: return RemoveResult::Missing;
        case EACCES:
        case EPERM:
        case EROFS: return RemoveResult::AccessDenied;
        case EBUSY:
        case ETXTBSY: return RemoveResult::Busy;
        default: return RemoveResult::OtherError;
    }
}

std::optional<uint64_t> free_space(const std::string& path) {
    struct stat st {};
    std::string existing = nearest_existing(path, st);
    struct statvfs vfs {};
    if (::statvfs(existing.c_str(), &vfs) != 0) return std::nullopt;
    // What an ordinary user may still write, not the blocks kept back for root.
    return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

std::string mount_point(const std::string& path) {
    struct stat st {};
    std::string p = nearest_existing(path, st);
    dev_t device = st.st_dev;
    while (p != "/") {
        std::string up = parent_of(p);
        struct stat up_st {};
        if (!stat_path(up, up_st) || up_st.st_dev != device) break;
        p = up;
    }
    return p;
}

bool mask_match(std::string_view mask, std::string_view name) {
    // A trailing "." asks for names without an extension ("*." is every name with no dot).
    if (!mask.empty() && mask.back() == '.') {
        return !has_dot(name) && glob_match(mask.substr(0, mask.size() - 1), name);
    }
    // A trailing ".*" allows the extension to be missing altogether, which makes "*.*" match
    // every name, dotted or not.
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && !has_dot(name)) {
        return glob_match(mask.substr(0, mask.size() - 2), name);
    }
    return glob_match(mask, name);
}

std::vector<std::string> list_files(const std::string& dir, std::string_view mask) {
    return list_entries(dir, [mask](const char* name, const struct stat& st) {
        return S_ISREG(st.st_mode) && mask_match(mask, name);
    });
}

std::vector<std::string> list_dirs(const std::string& dir) {
    return list_entries(dir,
                        [](const char*, const struct stat& st) { return S_ISDIR(st.st_mode); });
}

std::optional<std::string> read_head(const std::string& path, size_t max) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes(max, '\0');
    size_t got = 0;
    bool failed = false;
    while (got < max) {
        ssize_t n = ::read(fd, bytes.data() + got, max - got);
        if (n < 0 && errno == EINTR) continue;
        failed = n < 0;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (failed) return std::nullopt;
    bytes.resize(got);
    return bytes;
}

bool replace_file(const std::string& path, const std::string& bytes) {
    const std::string fresh = path + "-" + std::to_string(::getpid());
    int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t put = 0;
    while (put < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + put, bytes.size() - put);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        put += static_cast<size_t>(n);
    }
    const bool written = ::close(fd) == 0 && put == bytes.size();
    if (written && ::rename(fresh.c_str(), path.c_str()) == 0) return true;
    ::unlink(fresh.c_str());
    return false;
}

std::string dir_part(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + (name.starts_with('/') ? name.substr(1) : name);
    return name.starts_with('/') ? dir + name : dir + '/' + name;
}

std::string absolute(const std::string& path) {
    std::string full = path.starts_with('/') ? path : current_dir() + '/' + path;
    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            // Above the root there is only the root.
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    return out.empty() ? "/" : out;
}

}  // namespace qs::fs
