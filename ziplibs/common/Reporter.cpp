#include "ziplibs/common/Reporter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

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

bool Reporter::password(std::int32_t reason, const std::string& name, Secret& password) {
    password.clear();
    CallbackRecord& r = *record_;
    const bool asked = callback_ && !pending_;
    const bool go = send(ActionPassword, reason, 0, name);
    // A caller that does not know this action leaves the name in the record: that is no
    // answer, and taking the name for a password would ask again without end.
    const std::size_t n = strnlen(r.Text, sizeof r.Text - 1);
    if (asked && go && std::string_view(r.Text, n) != name)
        password.assign(r.Text, n);
    clearBytes(r.Text, sizeof r.Text);
    return go;
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
