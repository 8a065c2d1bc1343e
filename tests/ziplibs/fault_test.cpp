// Failures of the system under each library operation: a write that stops short or finds the
// disk full, a read of the source or of the archive that fails with an I/O error, the final
// naming (a rename, or the link that names an anonymous file) refused. This program puts its
// own read, write, fread, fwrite, rename, renameat and linkat in front of the C library's (it
// exports them, so the libraries and libzip call them too); an armed fault makes the calls on
// one file fail as a failing disk would (or the anonymous files a file system lacks). The old
// archive must stay byte for byte, no temporary file may stay behind, and a message must name the
// file and the reason.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

enum class Call { Read, Write, Rename, Anonymous, KernelCopy };

// The armed fault: which calls fail and how. Read faults hit the file at path, write faults
// every file in the folder at path, rename faults every rename, anonymous faults every
// anonymous file (as on a file system that has none).
struct Fault {
    bool armed = false;
    Call call = Call::Read;
    fs::path path;
    int error = 0;
    bool shortFirst = false; // the first write stores half its bytes and returns that count
    int hits = 0;
} fault;

bool strikes(Call call, int fd) {
    if (!fault.armed || fault.call != call || fd < 0)
        return false;
    std::error_code ec;
    const fs::path path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
    const bool match = call == Call::Read ? path == fault.path : path.parent_path() == fault.path;
    if (match)
        ++fault.hits;
    return match;
}

// The first write of a short-write fault stores half of what it was given.
std::size_t shortLength(std::size_t n) {
    return fault.shortFirst && fault.hits == 1 ? n / 2 : 0;
}

template <typename F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// What glibc's stdio records when a read or write of a stream fails.
void markStreamError(FILE* f) {
    f->_flags |= 0x20; // _IO_ERR_SEEN: ferror() is true
}

} // namespace

extern "C" ssize_t read(int fd, void* buf, size_t n) {
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    if (strikes(Call::Read, fd)) {
        errno = fault.error;
        return -1;
    }
    return real(fd, buf, n);
}

// The archive's entries are also read at their places, through pread.
extern "C" ssize_t pread64(int fd, void* buf, size_t n, off_t at) {
    static const auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    if (strikes(Call::Read, fd)) {
        errno = fault.error;
        return -1;
    }
    return real(fd, buf, n, at);
}
extern "C" ssize_t pread(int fd, void* buf, size_t n, off_t at) {
    return pread64(fd, buf, n, at);
}

extern "C" ssize_t write(int fd, const void* buf, size_t n) {
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (strikes(Call::Write, fd)) {
        if (const std::size_t part = shortLength(n); part > 0)
            return real(fd, buf, part);
        errno = fault.error;
        return -1;
    }
    return real(fd, buf, n);
}

extern "C" size_t fread(void* buf, size_t size, size_t count, FILE* f) {
    static const auto real = next<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    if (strikes(Call::Read, fileno(f))) {
        markStreamError(f);
        errno = fault.error;
        return 0;
    }
    return real(buf, size, count, f);
}

extern "C" size_t fwrite(const void* buf, size_t size, size_t count, FILE* f) {
    static const auto real = next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (strikes(Call::Write, fileno(f))) {
        const std::size_t part = size ? shortLength(count * size) / size : 0;
        const std::size_t written = part > 0 ? real(buf, size, part, f) : 0;
        markStreamError(f);
        errno = fault.error;
        return written;
    }
    return real(buf, size, count, f);
}

extern "C" int rename(const char* from, const char* to) {
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    if (fault.armed && fault.call == Call::Rename) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    return real(from, to);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    if (fault.armed && fault.call == Call::Rename) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    return real(fromDir, from, toDir, to);
}

extern "C" int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static const auto real = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    if (fault.armed && fault.call == Call::Rename) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    return real(fromDir, from, toDir, to, flags);
}

extern "C" int openat(int dir, const char* path, int flags, ...) {
    static const auto real = next<int (*)(int, const char*, int, ...)>("openat");
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (fault.armed && fault.call == Call::Anonymous && (flags & O_TMPFILE) == O_TMPFILE) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    return real(dir, path, flags, mode);
}

// The kernel's copies between files, refused as between two file systems when armed.
extern "C" ssize_t copy_file_range(int in, loff_t* inAt, int out, loff_t* outAt, size_t n,
                                   unsigned flags) {
    static const auto real =
        next<ssize_t (*)(int, loff_t*, int, loff_t*, size_t, unsigned)>("copy_file_range");
    if (fault.armed && fault.call == Call::KernelCopy) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    return real(in, inAt, out, outAt, n, flags);
}

namespace {

enum class Op { Add, Delete, Extract };
// The file a fault hits: the file being added, the archive, the folder the archive is written
// in, or the folder entries are extracted into.
enum class Target { Source, Archive, ArchiveFolder, OutFolder };

struct Case {
    const char* title;
    Op op;
    Call call;
    Target target;
    int error;
    bool shortFirst = false;
    // Armed when the library announces its first file rather than before the call: the
    // archive's directory has been read by then, and the failure hits the copying of data.
    bool atFirstFile = false;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }
};

class FaultFixture : public ::testing::Test {
protected:
    TempDir td;
    fs::path root = fs::canonical(td.path());
    fs::path src = root / "src";
    fs::path out = root / "out";
    std::string archive = (root / "keep.zip").string();
    std::string before;

    void SetUp() override {
        writeFile(src / "orig.txt", textData(70000));
        writeFile(src / "second.txt", textData(90000, 2));
        ASSERT_EQ(runZip({.archive = archive,
                          .specs = {(src / "orig.txt").string(), (src / "second.txt").string()},
                          .noDirNames = true}),
                  2);
        before = readFile(archive);
        writeFile(src / "orig.txt", textData(80000, 3)); // the add replaces the first entry
        fs::create_directories(out);
    }
    void TearDown() override { fault = Fault{}; }

    // Temporary files beside the archive and anything in the extraction folder.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root))
            if (e.path() != archive && e.path() != src && e.path() != out)
                names.push_back(e.path().filename().string());
        for (const auto& e : fs::recursive_directory_iterator(out))
            names.push_back(e.path().lexically_relative(root).string());
        return names;
    }
};

class Faults : public FaultFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(Faults, LeaveTheArchiveWholeAndNameTheFile) {
    const Case& c = GetParam();
    const std::string source = (src / "orig.txt").string();
    const fs::path paths[] = {source, archive, root, out};
    Fault armed{.armed = true,
                .call = c.call,
                .path = paths[static_cast<int>(c.target)],
                .error = c.error,
                .shortFirst = c.shortFirst};
    if (!c.atFirstFile)
        fault = armed;
    Recorder rec;
    rec.answer = [&](const Event& e) {
        if (c.atFirstFile && e.action == ActionNewFile && !fault.armed)
            fault = armed;
        return CallbackContinue;
    };
    const std::int32_t done =
        c.op == Op::Add ? runZip({.archive = archive, .specs = {source}, .noDirNames = true}, &rec)
        : c.op == Op::Delete
            ? runZip({.archive = archive, .specs = {"orig.txt"}, .del = true}, &rec)
            : runUnz(out, {.archive = archive}, &rec);
    const int hitCount = fault.hits;
    fault = Fault{};

    EXPECT_GT(hitCount, 0) << "the fault was never hit";
    EXPECT_EQ(done, 0) << rec.messages();
    EXPECT_EQ(readFile(archive), before);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
    const std::string named = c.target == Target::Source ? source
                              : c.op == Op::Extract      ? std::string("orig.txt")
                                                         : archive;
    const std::string messages = rec.messages();
    EXPECT_NE(messages.find(named), std::string::npos) << messages;
    EXPECT_NE(messages.find(std::strerror(c.error)), std::string::npos) << messages;
}

// Where the file system has no anonymous files, each extracted file and the new archive are
// written under a temporary name and renamed when whole: the same result, and no temporary
// name stays.
class WithoutAnonymousFiles : public FaultFixture, public ::testing::WithParamInterface<Op> {};

TEST_P(WithoutAnonymousFiles, TemporaryNamesAreRenamedInPlace) {
    const Op op = GetParam();
    fault = Fault{.armed = true, .call = Call::Anonymous, .error = EOPNOTSUPP};
    Recorder rec;
    const std::int32_t done =
        op == Op::Add
            ? runZip(
                  {.archive = archive, .specs = {(src / "orig.txt").string()}, .noDirNames = true},
                  &rec)
        : op == Op::Delete ? runZip({.archive = archive, .specs = {"orig.txt"}, .del = true}, &rec)
                           : runUnz(out, {.archive = archive}, &rec);
    EXPECT_EQ(done, op == Op::Extract ? 2 : 1) << rec.messages();
    EXPECT_GT(fault.hits, 0);
    fault = Fault{};
    std::vector<std::string> present = leftovers();
    std::sort(present.begin(), present.end());
    if (op == Op::Extract) {
        EXPECT_EQ(readFile(out / "orig.txt"), textData(70000));
        EXPECT_EQ(readFile(out / "second.txt"), textData(90000, 2));
        EXPECT_EQ(present, (std::vector<std::string>{"out/orig.txt", "out/second.txt"}));
    } else {
        const auto names = entryNames(readCentralDirectory(archive));
        EXPECT_EQ(names, op == Op::Add ? (std::vector<std::string>{"orig.txt", "second.txt"})
                                       : std::vector<std::string>{"second.txt"});
        EXPECT_EQ(present, std::vector<std::string>{});
    }
}

// Where the kernel cannot copy between the old archive and the new one, a delete copies the
// kept entries through memory, and writes the same archive.
TEST_F(FaultFixture, DeleteWithoutKernelCopyWritesTheSameArchive) {
    ASSERT_EQ(runZip({.archive = archive, .specs = {"orig.txt"}, .del = true}), 1);
    const std::string copied = readFile(archive);
    writeFile(archive, before);
    fault = Fault{.armed = true, .call = Call::KernelCopy, .error = EXDEV};
    Recorder rec;
    EXPECT_EQ(runZip({.archive = archive, .specs = {"orig.txt"}, .del = true}, &rec), 1)
        << rec.messages();
    EXPECT_GT(fault.hits, 0);
    fault = Fault{};
    EXPECT_EQ(readFile(archive), copied);
}

INSTANTIATE_TEST_SUITE_P(Operations, WithoutAnonymousFiles,
                         ::testing::Values(Op::Add, Op::Delete, Op::Extract));

INSTANTIATE_TEST_SUITE_P(
    SystemCalls, Faults,
    ::testing::Values(
        Case{"add_disk_full", Op::Add, Call::Write, Target::ArchiveFolder, ENOSPC},
        Case{"add_short_write", Op::Add, Call::Write, Target::ArchiveFolder, ENOSPC, true},
        Case{"add_source_read_error", Op::Add, Call::Read, Target::Source, EIO},
        Case{"add_archive_read_error", Op::Add, Call::Read, Target::Archive, EIO, false, true},
        Case{"add_rename_refused", Op::Add, Call::Rename, Target::Archive, EACCES},
        Case{"delete_disk_full", Op::Delete, Call::Write, Target::ArchiveFolder, ENOSPC},
        Case{"delete_short_write", Op::Delete, Call::Write, Target::ArchiveFolder, ENOSPC, true},
        Case{"delete_archive_read_error", Op::Delete, Call::Read, Target::Archive, EIO, false,
             true},
        Case{"delete_rename_refused", Op::Delete, Call::Rename, Target::Archive, EACCES},
        Case{"extract_disk_full", Op::Extract, Call::Write, Target::OutFolder, ENOSPC},
        Case{"extract_short_write", Op::Extract, Call::Write, Target::OutFolder, ENOSPC, true},
        Case{"extract_archive_read_error", Op::Extract, Call::Read, Target::Archive, EIO, false,
             true},
        Case{"extract_naming_refused", Op::Extract, Call::Rename, Target::OutFolder, EACCES}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
