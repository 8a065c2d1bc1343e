#pragma once
// Helpers shared by every test program. Linking quembly_testsupport also gives each test
// process a sandbox: HOME, the XDG folders and the registry hive point into a fresh
// temporary folder before any test runs, so no test touches the user's real files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

// The sandbox root of this test process (also $HOME).
fs::path sandboxRoot();

// A fresh empty folder below the sandbox, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    std::string str() const { return path_.string(); }

private:
    fs::path path_;
};

void writeFile(const fs::path& path, const std::string& bytes);
std::string readFile(const fs::path& path);

// Runs a shell command; returns its exit status (-1 when it could not be run).
int runCommand(const std::string& command);

// While it lives, the calling thread runs without root's capabilities: file permissions bind
// it as they bind the owner of a file who is an ordinary user, so a refused permission is
// refused in CI (which runs as root) too. Restores them when it ends; nothing for other users.
class Unprivileged {
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    std::uint32_t saved_[2] = {};
};

// Little-endian byte builders for hand-made archives.
std::string le16(std::uint16_t v);
std::string le32(std::uint32_t v);
std::string le64(std::uint64_t v);

// CRC-32 of DATA, as ZIP headers store it.
std::uint32_t crc32(const std::string& data);

} // namespace testsupport
