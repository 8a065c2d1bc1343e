#pragma once
// The one guard around every function libzip calls back (data sources, progress and cancel
// callbacks): nothing may unwind through libzip's C frames, so an exception thrown inside
// becomes libzip's own way of saying that something failed.
#include <zip.h>

#include <new>

namespace ziplibs {

// A source callback: an exception sets ERROR (ZIP_ER_MEMORY for a failed allocation,
// ZIP_ER_INTERNAL for anything else), calls onFailure and answers -1, as a failed command does.
template <typename Body, typename OnFailure>
zip_int64_t guardedSource(zip_error_t* error, Body&& body, OnFailure&& onFailure) noexcept {
    int code = ZIP_ER_INTERNAL;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        code = ZIP_ER_MEMORY;
    } catch (...) {
    }
    zip_error_set(error, code, 0);
    onFailure();
    return -1;
}

template <typename Body> zip_int64_t guardedSource(zip_error_t* error, Body&& body) noexcept {
    return guardedSource(error, static_cast<Body&&>(body), [] {});
}

// Any other callback: an exception answers FAILURE (for a cancel callback, a request to stop;
// a progress callback answers nothing).
template <typename Result, typename Body> Result guardedCall(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

template <typename Body> void guardedCall(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

} // namespace ziplibs
