#pragma once
// Reads at places of a file that mostly follow one another (local headers, small entries'
// data), served from one large read of the file instead of a system call each.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ziplibs {

class ReadWindow {
public:
    explicit ReadWindow(std::size_t size) : size_(size) {}

    // Reads N bytes at AT of the file FD into OUT: through the window when N is at most half
    // its size, else directly. False when they are not all there.
    bool read(int fd, std::uint64_t at, void* out, std::size_t n);

private:
    std::size_t size_;
    std::vector<char> bytes_; // the file from at_ on, fill_ bytes
    std::uint64_t at_ = 0;
    std::size_t fill_ = 0;
};

} // namespace ziplibs
