#pragma once

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace quarvel {

/// An allocator whose containers leave new elements default-initialised where they would clear them: a
/// std::vector<char> resized for bytes about to be written then does not write them twice.
template <class T> class DefaultInitAllocator : public std::allocator<T> {
public:
    using std::allocator<T>::allocator;

    template <class U> void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args> void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

/// Bytes that a resize does not clear.
using UninitialisedBytes = std::vector<char, DefaultInitAllocator<char>>;

} // namespace quarvel
