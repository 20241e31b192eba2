#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace hf {

// Memory for pixels. A resize leaves it as it comes rather than clearing
// it: a photo's buffer is written in full right after it is made, and
// clearing tens of megabytes first would cost as much as decoding them.
// On Linux a large buffer asks for huge pages: a 12-megapixel photo then
// takes a few dozen page faults instead of nine thousand, which was a third
// of the time of loading one.
template <typename T> struct UninitialisedAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U> UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
#ifdef __linux__
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kLarge) {
            void* p = std::aligned_alloc(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
            if (!p)
                throw std::bad_alloc();
            ::madvise(p, bytes, MADV_HUGEPAGE);
            return static_cast<T*>(p);
        }
#endif
        return std::allocator<T>::allocate(n);
    }

    void deallocate(T* p, std::size_t n)
    {
#ifdef __linux__
        if (n * sizeof(T) >= kLarge) {
            std::free(p);
            return;
        }
#endif
        std::allocator<T>::deallocate(p, n);
    }

    template <typename U> void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

private:
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;
    static constexpr std::size_t kLarge = std::size_t(4) << 20;
};

using PixelBuffer = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

}  // namespace hf
