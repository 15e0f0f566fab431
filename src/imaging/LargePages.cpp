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

}  // namespace picura
