// SPDX-License-Identifier: MIT
// The program's heap in 2 MB pages where the kernel gives them.
//
// Fresh memory costs a page fault for each 4 KB page the program first writes, about 9 µs each
// on the virtual machines we measured (bench/RESULTS.md), and a search command writes a few
// hundred to a thousand fresh pages: SQLite takes a buffer for each page of a file it reads. In
// 2 MB pages the same memory costs one fault per 2 MB, of about 0.1 to 0.5 ms.
#pragma once

namespace qs::heap {

// Sets the heap's growth to 64 MB at a time and asks the kernel to back the part beyond the next
// 2 MB boundary with 2 MB pages. Call first thing in main, before any thread starts. Nothing
// happens under a sanitizer's allocator, on a heap that does not grow where expected, or where
// the kernel does not offer 2 MB pages; either way the program runs as before.
void use_large_pages();

}  // namespace qs::heap
