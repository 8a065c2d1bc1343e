// Adds a folder to an archive or extracts an archive through the archive libraries, for
// timing. The libraries are loaded at run time from this program's folder.
//
//   ziplibs_driver add ARCHIVE FOLDER [LEVEL]   (stores FOLDER's contents, names relative)
//   ziplibs_driver extract ARCHIVE DEST
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

int messages = 0;

std::int32_t QUEMBLY_STDCALL callback(CallbackRecord* r) {
    if (r->ActionCode == ActionMessage && r->ErrorCode != 0) {
        ++messages;
        std::fprintf(stderr, "message %d: %s\n", r->ErrorCode, r->Text);
    }
    return CallbackContinue;
}

std::string programFolder() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.find_last_of('/'));
}

void* load(const char* file) {
    const std::string path = programFolder() + "/" + file;
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::exit(2);
    }
    return h;
}

std::string absolute(const char* path) {
    if (path[0] == '/')
        return path;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        std::exit(2);
    return std::string(cwd) + "/" + path;
}

int add(const char* archive, const char* folder, int level) {
    auto exec = reinterpret_cast<ZipperExecFunc>(dlsym(load("libzipper.so"), "ZipperExec"));
    if (!exec)
        return 2;
    const std::string archivePath = absolute(archive);
    if (chdir(folder) != 0) {
        std::perror(folder);
        return 2;
    }
    auto r = std::make_unique<ZipCommandRecord>();
    std::memset(r.get(), 0, sizeof(ZipCommandRecord));
    std::string name = archivePath, spec = ".";
    r->Reserved8 = 120;
    r->CallbackAddress = callback;
    r->Reserved44 = RecordTrue;
    r->Reserved56 = RecordTrue;
    r->CompressionLevel = level;
    r->RecurseFlag = RecordTrue;
    r->Reserved80 = RecordTrue;
    r->ArchiveName = name.data();
    r->Reserved128 = 7;
    r->Specs[0] = spec.data();
    r->SpecCount = 1;
    const std::int32_t n = exec(r.get());
    std::printf("%d files added\n", n);
    return n > 0 && messages == 0 ? 0 : 1;
}

int extract(const char* archive, const char* dest) {
    auto exec = reinterpret_cast<UnzipperExecFunc>(dlsym(load("libunzipper.so"), "UnzipperExec"));
    if (!exec)
        return 2;
    const std::string archivePath = absolute(archive);
    if (chdir(dest) != 0) {
        std::perror(dest);
        return 2;
    }
    auto r = std::make_unique<UnzCommandRecord>();
    std::memset(r.get(), 0, sizeof(UnzCommandRecord));
    std::string name = archivePath;
    r->Reserved8 = 120;
    r->CallbackAddress = callback;
    r->Reserved40 = RecordTrue;
    r->DirNamesFlag = RecordTrue;
    r->OverwriteFlag = RecordTrue;
    r->ArchiveName = name.data();
    r->Reserved72 = 7;
    const std::int32_t n = exec(r.get());
    std::printf("%d files extracted\n", n);
    return n > 0 && messages == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "add") == 0)
        return add(argv[2], argv[3], argc >= 5 ? std::atoi(argv[4]) : 9);
    if (argc >= 4 && std::strcmp(argv[1], "extract") == 0)
        return extract(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s add ARCHIVE FOLDER [LEVEL] | extract ARCHIVE DEST\n", argv[0]);
    return 2;
}
