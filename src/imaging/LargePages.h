#pragma once

#include <cstddef>

namespace picura {

// Asks for the fresh pages of a large buffer about to be written to come as huge pages where the system
// gives them on request. Written page by page, each 4 KB costs a page fault, and on a virtual machine those
// faults can take longer than reading a photo from the page cache or decoding it. Does nothing to buffers
// under a few megabytes, and nothing where the system has no such pages.
void AdviseLargePages(void* data, std::size_t size);

}  // namespace picura
