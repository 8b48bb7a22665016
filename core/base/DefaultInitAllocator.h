#pragma once

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace quarvel {

/// An allocator whose containers leave new elements default-initialised where they would clear them: a
/// std::vector<char> resized for bytes about to be written then does not write them twice.
template <class T, class Base = std::allocator<T>> class DefaultInitAllocator : public Base {
public:
    using Base::Base;
    template <class U> struct rebind {
        using other = DefaultInitAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>;
    };

    template <class U> void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args> void construct(U* at, Args&&... args) {
        std::allocator_traits<Base>::construct(static_cast<Base&>(*this), at, std::forward<Args>(args)...);
    }
};

/// Bytes that a resize does not clear.
using UninitialisedBytes = std::vector<char, DefaultInitAllocator<char>>;

} // namespace quarvel
