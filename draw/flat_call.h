// Calls through the flat table by entry name, for the drawing layer's own files; each records its
// status as the layer's last status (detail::call in draw.h).
#pragma once
#include "draw/draw.h"

// FLAT(GdipName, args...): the call through the table entry of that name.
#define FLAT(name, ...) ::draw::detail::call(::draw::flatTable().name, __VA_ARGS__)
#define FLAT_OK(name, ...) (FLAT(name, __VA_ARGS__) == ::draw::Ok)
