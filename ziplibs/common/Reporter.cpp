#include "ziplibs/common/Reporter.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ziplibs {

Reporter::Reporter(LibCallbackFunc callback, void* caller)
    : callback_(callback), caller_(caller), record_(std::make_unique<CallbackRecord>()) {}

std::int32_t clampedSize(std::uint64_t size) {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(size, most));
}

bool Reporter::send(std::int32_t action, std::int32_t code, std::int32_t size,
                    const std::string& text) {
    if (!callback_ || pending_)
        return !stopped_;
    CallbackRecord& r = *record_;
    r.Reserved0 = 0;
    r.Caller = caller_;
    r.Reserved8 = 0;
    r.Reserved12 = 0;
    r.ActionCode = action;
    r.ErrorCode = code;
    r.EntrySize = size;
    // A text longer than the buffer is cut, never written beyond it.
    const std::size_t n = std::min(text.size(), sizeof(r.Text) - 1);
    std::memcpy(r.Text, text.data(), n);
    r.Text[n] = '\0';
    try {
        if (callback_(&r) == CallbackStop)
            stopped_ = true;
    } catch (...) {
        // An exception must not unwind through libzip's C frames: stop, clean up, and hand
        // it back to the caller at the end of the call.
        pending_ = std::current_exception();
        stopped_ = true;
    }
    return !stopped_;
}

bool Reporter::newFile(const std::string& name, std::uint64_t size) {
    fileBytes_ = 0;
    return send(ActionNewFile, 0, clampedSize(size), name);
}

bool Reporter::endOfBatch() {
    return send(ActionEndOfBatch, 0, 0, std::string());
}

bool Reporter::message(std::int32_t code, const std::string& text) {
    return send(ActionMessage, code, 0, text);
}

bool Reporter::progress(std::uint64_t bytes) {
    const std::uint64_t before = fileBytes_ / ProgressChunk;
    fileBytes_ += bytes;
    const std::uint64_t after = fileBytes_ / ProgressChunk;
    for (std::uint64_t i = before; i < after; ++i) {
        if (!send(ActionProgress, 0, 0, std::string()))
            return false;
    }
    return !stopped_;
}

void Reporter::rethrowPending() {
    if (pending_) {
        auto e = pending_;
        pending_ = nullptr;
        std::rethrow_exception(e);
    }
}

} // namespace ziplibs
