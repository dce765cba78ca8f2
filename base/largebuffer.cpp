#include "base/largebuffer.h"

#include <cstdint>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;

} // namespace

LargeBuffer::LargeBuffer(std::size_t size, Fill fill) : m_size(size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Smaller buffers gain little, and would waste most of a large page.
    if (size >= HugePage) {
        // Mapped with room to start it on a large page's boundary; what lies
        // outside the aligned part is given back at once.
        const std::size_t rounded = (size + HugePage - 1) / HugePage * HugePage;
        void *mapped = mmap(nullptr, rounded + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        char *const start = static_cast<char *>(mapped);
        char *const aligned =
            reinterpret_cast<char *>((reinterpret_cast<std::uintptr_t>(start) + HugePage - 1) / HugePage * HugePage);
        if (aligned > start)
            munmap(start, static_cast<std::size_t>(aligned - start));
        if (const std::size_t after = static_cast<std::size_t>(start + rounded + HugePage - (aligned + rounded)))
            munmap(aligned + rounded, after);
        // Only advice: where large pages are off, the buffer works as any
        // other. Fresh pages come zeroed.
        madvise(aligned, rounded, MADV_HUGEPAGE);
        m_bytes = std::unique_ptr<char[], Release>(aligned, Release{rounded});
        return;
    }
#endif
    m_bytes = std::unique_ptr<char[], Release>(fill == Fill::Zeroes ? new char[size]() : new char[size], Release{0});
}

void LargeBuffer::Release::operator()(char *bytes) const
{
#ifdef __linux__
    if (mapped > 0) {
        munmap(bytes, mapped);
        return;
    }
#endif
    delete[] bytes;
}
