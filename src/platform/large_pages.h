#pragma once

#include <cstddef>

namespace plotaktar::platform {

// Asks the system to back a big block that is about to be filled whole (an input file, a table
// column made room for) with large pages, 2 MiB on Linux: 60 MB then cost some thirty first
// touches instead of 15,000, which on virtual machines is a good part of the time. Only the
// large pages lying wholly inside the block are asked for, so no byte beyond it is ever touched.
// Nothing where the system has no such pages.
void AdviseLargePages(void* block, std::size_t size);

// Gives the pages of freed memory that the allocator keeps for reuse back to the system, after
// a step that freed many big and mid-sized blocks, and keeps blocks from a few hundred KiB on
// given back when freed later: they would otherwise count in the program's memory until it
// ends. Nothing where the allocator returns them by itself.
void ReturnFreedPages();

// Keeps freed blocks of up to 32 MiB in the heap for reuse from now on, instead of giving each
// back to the system: a program that takes and frees buffers of megabytes over and over (a
// batch's drawings, a PDF's pages) otherwise maps each anew, faults every page of it in, and
// unmaps it again, which also interrupts its other threads' cores. What the heap keeps is the
// program's largest working set, which it needed anyway. Nothing where the allocator does so.
void KeepFreedBuffers();

}  // namespace plotaktar::platform
