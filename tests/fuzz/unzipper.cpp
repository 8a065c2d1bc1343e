// Fuzzing entry point of the unzipper: the first byte chooses the extraction options, the
// bytes after it are the archive, extracted into a folder deep in a scratch tree. Faults
// beside crashes: anything that appears in the scratch tree outside the extraction folder, a
// symbolic link that points out of it, a file with set-user or set-group bits, and an
// "Internal error" message (an exception the library did not expect).
#include "archive/UNZIPPER.h"
#include "tests/fuzz/FuzzSupport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

// The library's entry point, linked in here rather than loaded, so that it is instrumented.
extern "C" std::int32_t QUEMBLY_STDCALL UnzipperExec(UnzCommandRecord* record);

namespace fs = std::filesystem;

namespace {

fs::path scratch; // holds archive.zip and the folders a/b/c/out
fs::path out;

using fuzzsupport::fault;

std::int32_t QUEMBLY_STDCALL callback(CallbackRecord* r) {
    if (std::memchr(r->Text, 0, sizeof r->Text) == nullptr)
        fault("callback text without its ending zero");
    if (r->ActionCode == ActionMessage && std::strncmp(r->Text, "Internal error", 14) == 0)
        fault(r->Text);
    return CallbackContinue;
}

// Whether a link below the extraction folder resolves, by its text, to a place inside it.
bool staysInside(const fs::path& link) {
    const fs::path target = fs::read_symlink(link);
    if (target.is_absolute())
        return false;
    const fs::path rel = (link.parent_path() / target).lexically_normal().lexically_relative(out);
    return !rel.empty() && *rel.begin() != "..";
}

void checkScratch() {
    const fs::path allowed[] = {scratch / "archive.zip", scratch / "a", scratch / "a/b",
                                scratch / "a/b/c", out};
    for (auto it = fs::recursive_directory_iterator(scratch);
         it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        const fs::path rel = p.lexically_relative(out);
        const bool below = !rel.empty() && *rel.begin() != ".." && rel != ".";
        if (!below) {
            if (std::find(std::begin(allowed), std::end(allowed), p) == std::end(allowed))
                fault("written outside the extraction folder: " + p.string());
            continue;
        }
        const fs::file_status st = it->symlink_status();
        if (fs::is_symlink(st) && !staysInside(p))
            fault("link pointing outside the extraction folder: " + p.string());
        if (fs::is_regular_file(st) &&
            (st.permissions() & (fs::perms::set_uid | fs::perms::set_gid)) != fs::perms::none)
            fault("set-user or set-group bit on " + p.string());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // An archive that unpacks to more than 1 MiB per file is cut short by the system instead
    // of filling the disk: the write fails like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    scratch = fuzzsupport::scratchFolder("unzipper");
    out = scratch / "a/b/c/out";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t options = data[0];
    const std::string archive = (scratch / "archive.zip").string();
    {
        std::ofstream file(archive, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    fs::create_directories(out);

    auto record = std::make_unique<UnzCommandRecord>();
    std::memset(record.get(), 0, sizeof(UnzCommandRecord));
    std::string name = archive;
    std::string spec = "*a*";
    const auto flag = [&](int bit) { return (options & bit) ? RecordTrue : RecordFalse; };
    record->CallbackAddress = callback;
    record->DirNamesFlag = flag(1);
    record->OverwriteFlag = flag(2);
    record->UpdateFlag = flag(4);
    record->FreshenFlag = flag(8);
    record->VerboseFlag = flag(16);
    record->ArchiveName = name.data();
    if (options & 32) {
        record->Specs[0] = spec.data();
        record->SpecCount = 1;
    }
    if (chdir(out.c_str()) != 0)
        fault("cannot enter " + out.string());
    UnzipperExec(record.get());
    if (chdir(scratch.c_str()) != 0)
        fault("cannot enter " + scratch.string());

    checkScratch();
    fs::remove_all(scratch / "a");
    return 0;
}
