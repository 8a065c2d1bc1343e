#include "tests/support/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <linux/capability.h>
#include <sstream>
#include <stdexcept>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(QUEMBLY_LEAK_SUPPRESSIONS)
// A sanitized build: the leak checker of this program skips the leaks the file lists.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" QUEMBLY_LEAK_SUPPRESSIONS;
}
#endif

namespace testsupport {

namespace {

fs::path makeSandbox() {
    std::string tmpl = (fs::temp_directory_path() / "quembly-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create the test sandbox");
    fs::path root = tmpl;
    fs::create_directories(root / ".config");
    fs::create_directories(root / ".local/share");
    fs::create_directories(root / ".cache");
    fs::create_directories(root / "Documents");
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / ".local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / ".cache").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (root / "Documents").c_str(), 1);
    setenv("QUEMBLY_REGISTRY", (root / "registry.reg").c_str(), 1);
    // No machine-wide layer unless a test gives one: the settings key stays absent.
    setenv("QUEMBLY_MACHINE_REGISTRY", "", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#if defined(QUEMBLY_LEAK_SUPPRESSIONS)
    setenv("LSAN_OPTIONS", "suppressions=" QUEMBLY_LEAK_SUPPRESSIONS,
           0); // for the programs started
#endif
    return root;
}

struct Sandbox {
    fs::path root = makeSandbox();
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

Sandbox& sandbox() {
    static Sandbox s;
    return s;
}

// Created before main() so that code run at start-up already sees the sandbox.
[[maybe_unused]] const bool sandboxReady = (sandbox(), true);

} // namespace

fs::path sandboxRoot() {
    return sandbox().root;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = sandboxRoot() / ("t" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Folders a test made unreadable must be opened again before they can be removed.
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void writeFile(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int runCommand(const std::string& command) {
    int status = std::system(command.c_str());
    if (status == -1)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// The thread's effective capability set, read or replaced; the permitted set stays, so that
// what was given up can be taken back.
bool effectiveCapabilities(std::uint32_t set[2], bool replace) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    if (!replace) {
        set[0] = data[0].effective;
        set[1] = data[1].effective;
        return true;
    }
    data[0].effective = set[0];
    data[1].effective = set[1];
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

Unprivileged::Unprivileged() {
    std::uint32_t none[2] = {0, 0};
    if (!effectiveCapabilities(saved_, false) || !effectiveCapabilities(none, true))
        throw std::runtime_error("cannot give up this thread's capabilities");
}

Unprivileged::~Unprivileged() {
    effectiveCapabilities(saved_, true);
}

std::string le16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}
std::string le64(std::uint64_t v) {
    return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t crc32(const std::string& data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

} // namespace testsupport
