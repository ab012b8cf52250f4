// CHandle<T, Free>: a C library object owned like a unique_ptr and released by Free when
// the handle goes, so no early return leaks it. Free is called only for a non-null
// pointer. A release function that takes more than the pointer gets a one-line wrapper.
// Objects that live inside a struct on the stack (an iterator, a decompressor) keep their
// own small guards.
#pragma once

#include <memory>

namespace varlen {

template <auto Free>
struct CFree {
    template <class T>
    void operator()(T* p) const {
        Free(p);
    }
};

template <class T, auto Free>
using CHandle = std::unique_ptr<T, CFree<Free>>;

}  // namespace varlen
