#include "platform/DynLib.h"
#include "platform/Files.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace testsupport;

namespace {

using ProbeFunction = int (*)();

// The value the library's probe_value() reports, or -1 when it does not load.
int probeValue(const std::string& moduleName) {
    platform::LibHandle lib = platform::loadLibrary(moduleName);
    if (!lib)
        return -1;
    auto f = reinterpret_cast<ProbeFunction>(platform::getProcAddress(lib, "probe_value"));
    const int value = f ? f() : -2;
    EXPECT_EQ(platform::getProcAddress(lib, "no_such_function"), nullptr);
    platform::freeLibrary(lib);
    return value;
}

// Changes the current folder for one test.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : before_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(before_); }

private:
    fs::path before_;
};

TEST(DynLib, ModuleNamesMapToSharedObjectFiles) {
    EXPECT_EQ(platform::moduleFileName("ZIPPER.DLL"), "libzipper.so");
    EXPECT_EQ(platform::moduleFileName("UNZIPPER.DLL"), "libunzipper.so");
    EXPECT_EQ(platform::moduleFileName("Mixed.Dll"), "libmixed.so");
    EXPECT_EQ(platform::moduleFileName("plain"), "libplain.so");
    EXPECT_EQ(platform::moduleFileName("dotted.name.dll"), "libdotted.name.so");
}

TEST(DynLib, FoundInTheCurrentFolder) {
    TempDir dir;
    const std::string name = "qprobecwd" + std::to_string(getpid());
    fs::copy_file(PROBE2_PATH, dir / ("lib" + name + ".so"));
    EXPECT_EQ(probeValue(name + ".DLL"), -1); // not in the current folder yet
    InFolder cwd(dir.path());
    EXPECT_EQ(probeValue(name + ".DLL"), 2);
}

TEST(DynLib, ProgramFolderComesBeforeTheCurrentFolder) {
    TempDir dir;
    const std::string name = "qprobeorder" + std::to_string(getpid());
    const fs::path besideProgram = fs::path(platform::programDirectory()) / ("lib" + name + ".so");
    fs::copy_file(PROBE1_PATH, besideProgram);
    fs::copy_file(PROBE2_PATH, dir / ("lib" + name + ".so"));
    int value;
    {
        InFolder cwd(dir.path());
        value = probeValue(name + ".DLL");
    }
    fs::remove(besideProgram);
    EXPECT_EQ(value, 1);
}

TEST(DynLib, MissingOrBrokenLibrariesGiveNull) {
    EXPECT_EQ(platform::loadLibrary("NO_SUCH_LIBRARY_ANYWHERE.DLL"), nullptr);
    EXPECT_EQ(platform::loadLibrary(""), nullptr);
    EXPECT_EQ(platform::getProcAddress(nullptr, "probe_value"), nullptr);
    platform::freeLibrary(nullptr); // harmless

    // A file of the right name that is no library is skipped, not loaded.
    TempDir dir;
    const std::string name = "qprobebroken" + std::to_string(getpid());
    writeFile(dir / ("lib" + name + ".so"), "not an ELF file");
    InFolder cwd(dir.path());
    EXPECT_EQ(platform::loadLibrary(name + ".DLL"), nullptr);
}

TEST(DynLib, SystemLibraryPathIsSearchedLast) {
    // zlib's development link comes with libzip-dev, which the build needs.
    ASSERT_TRUE(fs::exists("/usr/lib/x86_64-linux-gnu/libz.so") || fs::exists("/usr/lib/libz.so"))
        << "no libz.so development link on the system path";
    platform::LibHandle lib = platform::loadLibrary("Z.DLL");
    ASSERT_NE(lib, nullptr);
    EXPECT_NE(platform::getProcAddress(lib, "zlibVersion"), nullptr);
    platform::freeLibrary(lib);
}

TEST(DynLib, ErrorModeReturnsThePreviousMode) {
    const unsigned original = platform::setErrorMode(0x8001);
    EXPECT_EQ(platform::setErrorMode(0x0001), 0x8001u);
    EXPECT_EQ(platform::setErrorMode(original), 0x0001u);
}

} // namespace
