#include "platform/Files.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace fs = std::filesystem;

namespace {

// Texts are UTF-8 throughout the program; std::filesystem needs to be told so (on Windows a
// narrow path would otherwise be read in the ANSI code page).
fs::path toPath(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string fromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

char foldCase(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Wildcard match with '*' (any run, also empty) and '?' (any one character), ignoring ASCII
// case as file name patterns do on Windows. Iterative with one back-track point, so a long
// name with many stars cannot take exponential time.
bool wildcardMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool patternMatches(const std::string& pattern, const std::string& name) {
    // "*.*" (and "*") names every file, with or without an extension, as on Windows.
    if (pattern.empty() || pattern == "*.*" || pattern == "*")
        return true;
    return wildcardMatch(pattern, name);
}

} // namespace

char pathSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string pathSeparatorText() {
    return std::string(1, pathSeparator());
}

bool fileExists(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return fs::is_regular_file(toPath(path), ec);
}

bool directoryExists(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return fs::is_directory(toPath(path), ec);
}

bool createDirectory(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return fs::create_directory(toPath(path), ec) && !ec;
}

bool deleteFile(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    // Only files: a folder is never removed by this call.
    if (fs::is_directory(fs::symlink_status(toPath(path), ec)))
        return false;
    return fs::remove(toPath(path), ec) && !ec;
}

std::string currentDirectory() {
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    return ec ? std::string() : fromPath(current);
}

bool setCurrentDirectory(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    fs::current_path(toPath(path), ec);
    return !ec;
}

std::string programDirectory() {
#ifdef _WIN32
    wchar_t buffer[32768];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
    if (length == 0 || length >= 32768)
        return currentDirectory();
    return fromPath(fs::path(std::wstring(buffer, length)).parent_path());
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return currentDirectory();
    const fs::path folder = exe.parent_path();
    return folder.empty() ? std::string(1, '/') : fromPath(folder);
#endif
}

std::vector<std::string> listPlainFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(toPath(folder), ec);
    if (ec)
        return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = fromPath(it->path().filename());
        if (name.empty() || name[0] == '.')
            continue;
#ifdef _WIN32
        const DWORD attributes = GetFileAttributesW(it->path().c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0)
            continue;
#endif
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError)
            continue;
        if (patternMatches(pattern, name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------------------------------------
// FileStream

namespace {

#ifdef _WIN32
using Offset = __int64;
int openReadOnly(const std::string& path) {
    const std::wstring wide = toPath(path).wstring();
    return _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
}
long long readSomeAt(int fd, Offset offset, void* buffer, std::size_t count) {
    if (_lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
void closeFd(int fd) {
    _close(fd);
}
bool fileInfo(int fd, bool& isFolder, Offset& size) {
    struct _stat64 st;
    if (_fstat64(fd, &st) != 0)
        return false;
    isFolder = (st.st_mode & _S_IFDIR) != 0;
    size = st.st_size;
    return true;
}
#else
using Offset = off_t;
int openReadOnly(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
// One positioned read: no separate seek, so a buffer refill costs one system call.
long long readSomeAt(int fd, Offset offset, void* buffer, std::size_t count) {
    ssize_t got;
    do {
        got = ::pread(fd, buffer, count, offset);
    } while (got < 0 && errno == EINTR);
    return got;
}
void closeFd(int fd) {
    ::close(fd);
}
bool fileInfo(int fd, bool& isFolder, Offset& size) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    isFolder = S_ISDIR(st.st_mode);
    size = st.st_size;
    return true;
}
#endif

constexpr std::size_t bufferSize = 64 * 1024;

std::string openErrorText(const std::string& path, int error) {
    return "Cannot open file \"" + path + "\". " + std::strerror(error);
}

} // namespace

// The buffer holds the bytes [bufferStart, bufferStart + bufferLength) of the file; position
// is the logical read position, which may lie anywhere (also past the end).
struct FileStream::Impl {
    int fd = -1;
    std::string path;
    std::int64_t position = 0;
    std::int64_t bufferStart = 0;
    std::size_t bufferLength = 0;
    std::unique_ptr<unsigned char[]> buffer{new unsigned char[bufferSize]};

    // Reads directly from the file at OFFSET; returns the byte count (0 at the end).
    std::size_t readAt(std::int64_t offset, unsigned char* target, std::size_t count) {
        std::size_t total = 0;
        while (total < count) {
            const long long got =
                readSomeAt(fd, static_cast<Offset>(offset) + static_cast<Offset>(total),
                           target + total, count - total);
            if (got < 0)
                throw EStreamError("Cannot read file \"" + path + "\". " + std::strerror(errno));
            if (got == 0)
                break;
            total += static_cast<std::size_t>(got);
        }
        return total;
    }
};

FileStream::FileStream(const std::string& path) : impl_(std::make_unique<Impl>()) {
    impl_->path = path;
    const int fd = openReadOnly(path);
    if (fd < 0)
        throw EFOpenError(openErrorText(path, errno));
    bool isFolder = false;
    Offset size = 0;
    if (!fileInfo(fd, isFolder, size)) {
        const int error = errno;
        closeFd(fd);
        throw EFOpenError(openErrorText(path, error));
    }
    if (isFolder) {
        closeFd(fd);
        throw EFOpenError(openErrorText(path, EISDIR));
    }
    impl_->fd = fd;
}

FileStream::~FileStream() {
    if (impl_ && impl_->fd >= 0)
        closeFd(impl_->fd);
}

std::size_t FileStream::read(void* buffer, std::size_t count) {
    Impl& d = *impl_;
    auto* target = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        // Serve what the buffer holds at the current position.
        if (d.position >= d.bufferStart &&
            d.position < d.bufferStart + static_cast<std::int64_t>(d.bufferLength)) {
            const auto offset = static_cast<std::size_t>(d.position - d.bufferStart);
            const std::size_t n = std::min(count - done, d.bufferLength - offset);
            std::memcpy(target + done, d.buffer.get() + offset, n);
            done += n;
            d.position += static_cast<std::int64_t>(n);
            continue;
        }
        const std::size_t wanted = count - done;
        if (wanted >= bufferSize) {
            // A large read goes straight into the caller's memory.
            const std::size_t got = d.readAt(d.position, target + done, wanted);
            done += got;
            d.position += static_cast<std::int64_t>(got);
            break;
        }
        d.bufferLength = 0;
        d.bufferStart = d.position;
        d.bufferLength = d.readAt(d.position, d.buffer.get(), bufferSize);
        if (d.bufferLength == 0)
            break; // end of file
    }
    return done;
}

std::int64_t FileStream::seekBy(std::int64_t delta) {
    return seekTo(impl_->position + delta);
}

std::int64_t FileStream::seekTo(std::int64_t position) {
    // A handle cannot point before the start of its file; such a request comes only from a
    // damaged offset and is reported rather than silently clamped.
    if (position < 0)
        throw EStreamError("Cannot seek before the start of file \"" + impl_->path + "\"");
    impl_->position = position;
    return position;
}

std::int64_t FileStream::position() const {
    return impl_->position;
}

std::int64_t FileStream::size() const {
    bool isFolder = false;
    Offset size = 0;
    if (!fileInfo(impl_->fd, isFolder, size))
        return 0;
    return static_cast<std::int64_t>(size);
}

} // namespace platform
