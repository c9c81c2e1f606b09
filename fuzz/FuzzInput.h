#pragma once

// Helpers shared by the fuzz targets: turning the engine's bytes into inputs, and failing
// loudly when a promise that no sanitizer can see is broken (a record that does not read
// back as written).

#include "core/support/Json.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vantry::fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

// Runs `decode`; a json::Error is the documented answer to unreadable input.
template <class F>
void tolerateJsonError(F decode)
{
    try {
        decode();
    } catch (const json::Error&) {
    }
}

// A record read from outside input must read back equal from what it writes.
template <class T>
void checkRoundTrip(const T& value, const char* what)
{
    check(T::fromJson(value.toJson()) == value, what);
}

} // namespace vantry::fuzz
