// A buffer for lump data that is about to be overwritten by a read, so it is not cleared
// first: the bytes beyond what a read delivered are cut off, never looked at.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace brindle {

template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) {}
    template <typename U>
    void construct(U* place) {
        ::new (static_cast<void*>(place)) U;  // default-initialised: left as it is
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

using LumpBytes = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;

}  // namespace brindle
