#pragma once
// A password held by a library call: one buffer of its own, cleared before its memory is
// given back, so that no copy of the password stays behind in freed memory.
#include <cstddef>
#include <cstring>
#include <string.h>
#include <vector>

namespace ziplibs {

// Overwrites N bytes at DATA in a way the compiler may not leave out.
inline void clearBytes(void* data, std::size_t n) {
    if (n > 0)
        explicit_bzero(data, n);
}

class Secret {
public:
    Secret() = default;
    ~Secret() { clear(); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    // Takes the first N bytes at TEXT (the old value is cleared first).
    void assign(const char* text, std::size_t n) {
        clear();
        bytes_.resize(n + 1);
        std::memcpy(bytes_.data(), text, n);
        bytes_[n] = '\0';
    }
    void clear() {
        clearBytes(bytes_.data(), bytes_.size());
        bytes_.clear();
        bytes_.shrink_to_fit();
    }
    bool empty() const { return bytes_.size() <= 1; }
    // The zero-ended password; "" when there is none.
    const char* c_str() const { return bytes_.empty() ? "" : bytes_.data(); }

private:
    std::vector<char> bytes_;
};

} // namespace ziplibs
