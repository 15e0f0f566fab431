#include "imaging/LargePages.h"

#include <cstdint>

#include <sys/mman.h>

namespace picura {

void AdviseLargePages(void* data, std::size_t size) {
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
    if (end > begin + kHugePage) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

QByteArray LargeBytes(qsizetype size) {
    constexpr qsizetype kHugePage = qsizetype(2) << 20;
    if (size < kHugePage / 2) {
        return QByteArray(size, Qt::Uninitialized);
    }
    // Room for the start to move up to the next boundary, and for the last huge page to lie whole within.
    QByteArray bytes(size + 2 * kHugePage, Qt::Uninitialized);
    if (bytes.isNull()) {
        return QByteArray(size, Qt::Uninitialized);
    }
    // Dropping bytes at the front of a QByteArray moves where its data start, copying nothing.
    const auto at = reinterpret_cast<std::uintptr_t>(bytes.constData());
    const auto pad = qsizetype(((at + std::uintptr_t(kHugePage) - 1) & ~std::uintptr_t(kHugePage - 1)) - at);
    bytes.remove(0, pad);
    const qsizetype whole = (size + kHugePage - 1) / kHugePage * kHugePage;
    ::madvise(bytes.data(), std::size_t(whole), MADV_HUGEPAGE);
    bytes.resize(size);
    return bytes;
}

}  // namespace picura
