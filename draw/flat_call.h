// Calling through the flat table: one status, recorded as the layer's last status.
#pragma once
#include "draw/draw.h"

// FLAT(GdipName, args...): the call through the table entry of that name.
#define FLAT(name, ...) ::draw::detail::call(::draw::flatTable().name, __VA_ARGS__)
#define FLAT_OK(name, ...) (FLAT(name, __VA_ARGS__) == ::draw::Ok)
