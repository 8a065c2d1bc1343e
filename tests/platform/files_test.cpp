#include "platform/Errors.h"
#include "platform/Files.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Counts the read system calls of this process, plain and positioned, so that a test can see
// whether reads are buffered. Every call is passed on unchanged.
static std::atomic<long> readCalls{0};
extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    ++readCalls;
    return syscall(SYS_read, fd, buffer, count);
}
extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    ++readCalls;
    return syscall(SYS_pread64, fd, buffer, count, offset);
}
extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return pread64(fd, buffer, count, offset);
}

using namespace testsupport;
using platform::FileStream;

namespace {

// Bytes whose value tells their offset, so a read from the wrong place shows.
std::string patternBytes(std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

std::string openError(const std::string& path) {
    try {
        FileStream s(path);
    } catch (const platform::EFOpenError& e) {
        return e.what();
    }
    return "";
}

TEST(Files, ExistenceCreationAndDeletion) {
    TempDir dir;
    const std::string file = (dir / "a.txt").string();
    const std::string folder = (dir / "sub").string();
    writeFile(file, "x");
    EXPECT_TRUE(platform::fileExists(file));
    EXPECT_FALSE(platform::directoryExists(file));
    EXPECT_FALSE(platform::fileExists(dir.str()));
    EXPECT_TRUE(platform::directoryExists(dir.str()));
    EXPECT_FALSE(platform::fileExists(""));
    EXPECT_FALSE(platform::directoryExists(""));

    EXPECT_TRUE(platform::createDirectory(folder));
    EXPECT_TRUE(platform::directoryExists(folder));
    EXPECT_FALSE(platform::createDirectory(folder));                   // exists already
    EXPECT_FALSE(platform::createDirectory((dir / "x/y/z").string())); // one level only
    EXPECT_FALSE(platform::deleteFile(folder));                        // never a folder
    EXPECT_TRUE(platform::directoryExists(folder));
    EXPECT_TRUE(platform::deleteFile(file));
    EXPECT_FALSE(platform::fileExists(file));
    EXPECT_FALSE(platform::deleteFile(file));
}

TEST(Files, CurrentAndProgramDirectory) {
    TempDir dir;
    const std::string before = platform::currentDirectory();
    ASSERT_TRUE(platform::setCurrentDirectory(dir.str()));
    EXPECT_EQ(fs::path(platform::currentDirectory()), fs::canonical(dir.path()));
    EXPECT_FALSE(platform::setCurrentDirectory((dir / "missing").string()));
    ASSERT_TRUE(platform::setCurrentDirectory(before));

    const std::string program = platform::programDirectory();
    EXPECT_TRUE(platform::directoryExists(program));
    EXPECT_NE(program.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(program) / "platform_tests"));
}

TEST(Files, ListPlainFilesSkipsHiddenFoldersAndSpecialFiles) {
    TempDir dir;
    for (const char* name : {"b.zip", "a.txt", "README", ".hidden", ".hidden.zip", "C.ZIP"})
        writeFile(dir / name, "x");
    fs::create_directories(dir / "folder.zip");
    fs::create_symlink(dir / "a.txt", dir / "link.txt");
    fs::create_symlink(dir / "folder.zip", dir / "folderlink");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);

    // A link to a file is a file; links to folders, pipes and folders are not.
    EXPECT_EQ(platform::listPlainFiles(dir.str()),
              (std::vector<std::string>{"C.ZIP", "README", "a.txt", "b.zip", "link.txt"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "*.*"), platform::listPlainFiles(dir.str()));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "*.zip"),
              (std::vector<std::string>{"C.ZIP", "b.zip"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "?.txt"), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "*E*"), (std::vector<std::string>{"README"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "nothing*"), std::vector<std::string>{});
    EXPECT_EQ(platform::listPlainFiles((dir / "missing").string()), std::vector<std::string>{});
}

TEST(Files, WildcardsBacktrackCorrectly) {
    TempDir dir;
    for (const char* name : {"aXbXc", "abc", "ab", "aaab.b", "x.tar.gz"})
        writeFile(dir / name, "x");
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "a*b*c"),
              (std::vector<std::string>{"aXbXc", "abc"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "a*b"),
              (std::vector<std::string>{"aaab.b", "ab"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "*.b"), (std::vector<std::string>{"aaab.b"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "*.gz"), (std::vector<std::string>{"x.tar.gz"}));
    EXPECT_EQ(platform::listPlainFiles(dir.str(), "???"), (std::vector<std::string>{"abc"}));
}

TEST(FileStream, ByteReadsAcrossBufferBoundaries) {
    TempDir dir;
    const std::size_t size = 3 * 65536 + 123;
    const std::string bytes = patternBytes(size);
    writeFile(dir / "f.bin", bytes);
    FileStream s((dir / "f.bin").string());
    EXPECT_EQ(s.size(), static_cast<std::int64_t>(size));
    std::string got;
    unsigned char c;
    while (s.read(&c, 1) == 1)
        got += static_cast<char>(c);
    EXPECT_EQ(got.size(), size);
    EXPECT_TRUE(got == bytes);
    EXPECT_EQ(s.position(), static_cast<std::int64_t>(size));

    // Reads of odd sizes that straddle buffer edges, mixed with seeks back and forth.
    for (std::int64_t start : {0LL, 65530LL, 65536LL, 131071LL, 196600LL}) {
        s.seekTo(start);
        char block[20];
        const std::size_t n = s.read(block, sizeof block);
        ASSERT_EQ(n, std::min<std::size_t>(20, size - static_cast<std::size_t>(start)));
        EXPECT_EQ(std::string(block, n), bytes.substr(static_cast<std::size_t>(start), n));
        EXPECT_EQ(s.position(), start + static_cast<std::int64_t>(n));
    }
    s.seekTo(70000);
    EXPECT_EQ(s.seekBy(-10), 69990);
    char b4[4];
    ASSERT_EQ(s.read(b4, 4), 4u);
    EXPECT_EQ(std::string(b4, 4), bytes.substr(69990, 4));

    // One large read bigger than the buffer, starting mid-buffer.
    s.seekTo(100);
    std::string big(150000, '\0');
    ASSERT_EQ(s.read(big.data(), big.size()), big.size());
    EXPECT_TRUE(big == bytes.substr(100, 150000));
    ASSERT_EQ(s.read(b4, 4), 4u);
    EXPECT_EQ(std::string(b4, 4), bytes.substr(150100, 4));
}

TEST(FileStream, ByteReadsAreServedFromTheBuffer) {
    TempDir dir;
    const std::string bytes = patternBytes(200000);
    writeFile(dir / "f.bin", bytes);
    FileStream s((dir / "f.bin").string());
    const long before = readCalls;
    unsigned char c;
    std::size_t count = 0;
    while (s.read(&c, 1) == 1)
        ++count;
    EXPECT_EQ(count, bytes.size());
    EXPECT_LT(readCalls - before, 16);
    EXPECT_GT(readCalls - before, 0); // the counter does see the stream's reads
}

TEST(FileStream, ShortReadsAndSeeksPastTheEnd) {
    TempDir dir;
    writeFile(dir / "small", "0123456789");
    FileStream s((dir / "small").string());
    char buffer[32];
    s.seekTo(6);
    EXPECT_EQ(s.read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(s.read(buffer, sizeof buffer), 0u);

    EXPECT_EQ(s.seekTo(1000), 1000);
    EXPECT_EQ(s.position(), 1000);
    EXPECT_EQ(s.read(buffer, 1), 0u);
    EXPECT_EQ(s.seekBy(-998), 2);
    EXPECT_EQ(s.read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "234");
    EXPECT_EQ(s.read(buffer, 0), 0u);

    // Before the start is refused and the position stays.
    EXPECT_THROW(s.seekBy(-100), platform::EStreamError);
    EXPECT_EQ(s.position(), 5);

    // A file that grows after its first read is read to its new end.
    writeFile(dir / "grow", "ab");
    FileStream g((dir / "grow").string());
    EXPECT_EQ(g.read(buffer, 2), 2u);
    {
        FILE* f = fopen((dir / "grow").c_str(), "ab");
        ASSERT_NE(f, nullptr);
        fputs("cd", f);
        fclose(f);
    }
    EXPECT_EQ(g.size(), 4);
    EXPECT_EQ(g.read(buffer, 10), 2u);
    EXPECT_EQ(std::string(buffer, 2), "cd");

    writeFile(dir / "empty", "");
    FileStream e((dir / "empty").string());
    EXPECT_EQ(e.size(), 0);
    EXPECT_EQ(e.read(buffer, 1), 0u);
}

TEST(FileStream, OpenErrorsNameTheFileAndTheReason) {
    TempDir dir;
    const std::string missing = (dir / "missing.zip").string();
    EXPECT_EQ(openError(missing), "Cannot open file \"" + missing + "\". " + std::strerror(ENOENT));
    EXPECT_EQ(openError(dir.str()),
              "Cannot open file \"" + dir.str() + "\". " + std::strerror(EISDIR));
    // EFOpenError is a stream error, as the archive reader's callers catch it.
    EXPECT_THROW(FileStream s(missing), platform::EStreamError);
    writeFile(dir / "locked", "x");
    fs::permissions(dir / "locked", fs::perms::none);
    testsupport::Unprivileged unprivileged;
    EXPECT_EQ(openError((dir / "locked").string()),
              "Cannot open file \"" + (dir / "locked").string() + "\". " + std::strerror(EACCES));
}

} // namespace
