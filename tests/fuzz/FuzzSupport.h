#pragma once
// What the fuzzing entry points share: reporting a broken check, and a scratch folder for the
// files they write.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzsupport {

// Ends the run as a crash does, so that libFuzzer keeps the input that broke the check.
[[noreturn]] inline void fault(const std::string& what) {
    std::fprintf(stderr, "fuzzing: %s\n", what.c_str());
    std::abort();
}

// A fresh folder below $TMPDIR (else /tmp), removed with its contents when the program ends.
inline std::filesystem::path scratchFolder(const std::string& name) {
    static std::filesystem::path folder;
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/quembly-fuzz-" + name + "-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        fault("cannot create a scratch folder in " + tmpl);
    folder = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    return folder;
}

} // namespace fuzzsupport
