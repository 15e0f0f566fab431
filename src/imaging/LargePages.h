#pragma once

#include <QByteArray>

#include <cstddef>

namespace picura {

// Asks for the fresh pages of a large buffer about to be written to come as huge pages where the system
// gives them on request. Written page by page, each 4 KB costs a page fault, and on a virtual machine those
// faults can take longer than reading a photo from the page cache or decoding it. Does nothing to buffers
// under a few megabytes, and nothing where the system has no such pages.
void AdviseLargePages(void* data, std::size_t size);

// `size` bytes, not initialised, for a buffer written once in full (a file read into memory). From 1 MB on
// they start on a huge page's boundary and come as huge pages: a buffer merely advised keeps its first and
// last partial huge pages in small ones, which for a file of a few megabytes is nearly all of it, and on a
// virtual machine a small page costs its fault and slows the copy into it besides. The room kept before and
// after the bytes for that is address space only: nothing ever touches it.
QByteArray LargeBytes(qsizetype size);

}  // namespace picura
