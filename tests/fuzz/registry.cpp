// Fuzzing entry point of the registry's hive file: the bytes are the hive. The settings key
// is opened, read and written as the settings window does, and the shell folders key read as
// at start-up. Faults beside crashes: an error other than the registry's own, a value that
// does not read back as written, a hive that is changed when it cannot be read as one, and a
// second write of the same value that changes anything (lines the reader does not understand
// must survive a write unchanged).
#include "platform/Registry.h"
#include "platform/Errors.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using platform::Registry;
using platform::RootKey;

namespace {

using fuzzsupport::fault;

std::string hive;

std::string hiveText() {
    std::ifstream in(hive, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a value; a value of another type raises the registry's error, which is fine.
void tryRead(const Registry& r, const std::string& name) {
    try {
        r.readString(name);
    } catch (const platform::ERegistryException&) {
    }
}

// Writes a value, reads it back and writes it again: the second write must change nothing.
void writeTwice(Registry& r, const std::string& name, const std::string& value) {
    const std::string before = hiveText();
    try {
        r.writeString(name, value);
    } catch (const platform::ERegistryException&) {
        if (hiveText() != before)
            fault("a failed write changed the hive");
        return;
    }
    if (r.readString(name) != value)
        fault("\"" + name + "\" does not read back as written");
    const std::string once = hiveText();
    r.writeString(name, value);
    if (hiveText() != once)
        fault("writing \"" + name + "\" again changed the hive");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const fs::path scratch = fuzzsupport::scratchFolder("registry");
    hive = (scratch / "registry.reg").string();
    setenv("QUEMBLY_REGISTRY", hive.c_str(), 1);
    setenv("HOME", scratch.c_str(), 1);
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(hive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string original = hiveText();
    try {
        platform::documentsFolder();
        Registry settings(RootKey::ClassesRoot);
        if (settings.openKey("\\tessaly.zip", false)) {
            tryRead(settings, "PSW");
            tryRead(settings, "smb");
            settings.valueExists("smb");
        } else if (hiveText() != original) {
            fault("opening a key without creating it changed the hive");
        }
        if (!settings.openKey("\\tessaly.zip", true)) {
            if (hiveText() != original)
                fault("a key that could not be created changed the hive");
            return 0;
        }
        writeTwice(settings, "PSW", "pass \"word\" \\ [x]");
        writeTwice(settings, "smb", "two\nlines");
        writeTwice(settings, "", "default");
    } catch (const platform::ERegistryException& e) {
        fault(std::string("unexpected registry error: ") + e.what());
    }
    return 0;
}
