// SPDX-License-Identifier: MIT
// What memory and reads cost a process on this machine, the figures behind the command line's
// 2 MB heap pages and its reading files instead of mapping them (bench/RESULTS.md):
//   - writing fresh 4 KB pages one by one, and in one 2 MB page asked for with MADV_HUGEPAGE;
//   - reading pages of a file through a mapping (made page by page, and made in advance with
//     MAP_POPULATE), against pread of 4 KB and 64 KB;
//   - the system call itself (a 16-byte pread) and a stat;
//   - the first write into each page of a private mapping of a file, which copies the page: what
//     the loader pays for every page of a program's data that holds a pointer it must set.
//
//   page_costs FILE [PAGES]
// FILE: a file of at least a few megabytes already in the system's cache (a mail file of a
// benchmark home, say); PAGES: how many pages each measurement touches (default 2,000). Three
// rounds; the first also pays for anything not yet cached.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kPage = 4096;
constexpr size_t kLarge = size_t{2} << 20;

double now_us() {
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// Microseconds per page of writing one byte into each of `pages` fresh pages.
double fresh_pages(size_t pages, bool large) {
    // In large pages, whole ones: a part of one left over would be made of small pages.
    const size_t used = large ? (pages * kPage + kLarge - 1) / kLarge * kLarge : pages * kPage;
    const size_t bytes = used + (large ? kLarge : 0);
    void* raw = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return -1;
    auto* p = static_cast<char*>(raw);
    if (large) {
        p = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1));
        madvise(p, used, MADV_HUGEPAGE);
    }
    const double t0 = now_us();
    for (size_t i = 0; i < pages; ++i) p[i * kPage] = 1;
    const double t = now_us() - t0;
    munmap(raw, bytes);
    return t / static_cast<double>(pages);
}

// The page numbers read, spread over the file as a search's hits are.
std::vector<size_t> spread(size_t pages, size_t file_pages) {
    std::vector<size_t> at(pages);
    for (size_t i = 0; i < pages; ++i) at[i] = (i * 7919) % file_pages;
    return at;
}

double mapped_reads(int fd, size_t size, const std::vector<size_t>& at, bool populate) {
    const int flags = MAP_SHARED | (populate ? MAP_POPULATE : 0);
    void* raw = mmap(nullptr, size, PROT_READ, flags, fd, 0);
    if (raw == MAP_FAILED) return -1;
    const auto* p = static_cast<const volatile char*>(raw);
    unsigned sum = 0;
    const double t0 = now_us();
    for (size_t page : at) sum += static_cast<unsigned>(p[page * kPage]);
    const double t = now_us() - t0;
    munmap(raw, size);
    return sum == 0xFFFFFFFFu ? -1 : t / static_cast<double>(at.size());
}

double copied_pages(int fd, size_t size, const std::vector<size_t>& at) {
    void* raw = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (raw == MAP_FAILED) return -1;
    auto* p = static_cast<volatile char*>(raw);
    const double t0 = now_us();
    for (size_t page : at) p[page * kPage] = 1;
    const double t = now_us() - t0;
    munmap(raw, size);
    return t / static_cast<double>(at.size());
}

double preads(int fd, const std::vector<size_t>& at, size_t bytes) {
    std::vector<char> buf(bytes);
    const double t0 = now_us();
    for (size_t page : at)
        if (pread(fd, buf.data(), bytes, static_cast<off_t>(page * kPage)) < 0) return -1;
    return (now_us() - t0) / static_cast<double>(at.size());
}

double stats(const char* path, size_t n) {
    struct stat st {};
    const double t0 = now_us();
    for (size_t i = 0; i < n; ++i) stat(path, &st);
    return (now_us() - t0) / static_cast<double>(n);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: page_costs FILE [PAGES]\n");
        return 2;
    }
    const size_t pages = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 2000;
    const int fd = open(argv[1], O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) < 16 * kPage * 16) {
        std::fprintf(stderr, "page_costs: %s cannot be read or is too small\n", argv[1]);
        return 2;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    const std::vector<size_t> at = spread(pages, size / kPage - 16);
    std::printf("microseconds per page, %zu pages, file of %zu pages\n", pages, size / kPage);
    std::printf(
        "round | fresh 4K | fresh in 2M | mapped | mapped, populated | pread 4K | "
        "pread 64K | pread 16 B | stat | copied on write\n");
    for (int round = 1; round <= 3; ++round)
        std::printf("%d | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f\n", round,
                    fresh_pages(pages, false), fresh_pages(pages, true),
                    mapped_reads(fd, size, at, false), mapped_reads(fd, size, at, true),
                    preads(fd, at, kPage), preads(fd, at, 16 * kPage), preads(fd, at, 16),
                    stats(argv[1], pages), copied_pages(fd, size, at));
    close(fd);
    return 0;
}
