// Calling through the flat table: one status, recorded as the layer's last status.
#pragma once
#include "draw/draw.h"

namespace draw::detail {

template <class F, class... Args>
GpStatus call(F entry, Args... args) {
    GpStatus status = entry ? entry(args...) : NotImplemented;
    setLastStatus(status);
    return status;
}

template <class F, class... Args>
bool ok(F entry, Args... args) {
    return call(entry, args...) == Ok;
}

}  // namespace draw::detail

// FLAT(GdipName, args...): the call through the table entry of that name.
#define FLAT(name, ...) ::draw::detail::call(::draw::flatTable().name, __VA_ARGS__)
#define FLAT_OK(name, ...) (FLAT(name, __VA_ARGS__) == ::draw::Ok)
