// Failures part way through: an input that breaks while the archive is written, a full disk,
// a process killed in the middle. The old archive must survive each byte for byte.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class FailureTest : public ::testing::Test {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "keep.zip").string();
    std::string before;

    void SetUp() override {
        writeFile(src / "orig.txt", textData(5000));
        ASSERT_EQ(
            runZip(
                {.archive = archive, .specs = {(src / "orig.txt").string()}, .noDirNames = true}),
            1);
        before = readFile(archive);
    }
    // Files beside the archive other than the archive itself (temporary leftovers).
    std::vector<std::string> besideArchive() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(td.path()))
            if (e.path().filename() != "keep.zip" && e.path().filename() != "src")
                names.push_back(e.path().filename().string());
        return names;
    }
};

TEST_F(FailureTest, SourceBrokenWhileWritingFailsTheWholeAdd) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", textData(40000));
    writeFile(src / "c.txt", "c");
    for (bool asFolder : {false, true}) {
        Recorder rec;
        // When the first file is announced, the second turns into a folder or disappears:
        // it was readable when listed but cannot be read when its turn comes.
        rec.answer = [&](const Event& e) {
            if (e.action == ActionNewFile && e.text == "a.txt") {
                fs::remove(src / "b.txt");
                if (asFolder)
                    fs::create_directory(src / "b.txt");
            }
            return CallbackContinue;
        };
        EXPECT_EQ(runZip({.archive = archive,
                          .specs = {(src / "a.txt").string(), (src / "b.txt").string(),
                                    (src / "c.txt").string()},
                          .noDirNames = true},
                         &rec),
                  0);
        EXPECT_TRUE(rec.hasMessage(7)) << rec.messages();
        EXPECT_EQ(readFile(archive), before);
        EXPECT_TRUE(besideArchive().empty());
        fs::remove_all(src / "b.txt");
        writeFile(src / "b.txt", textData(40000));
    }
}

TEST_F(FailureTest, SourceTurnedIntoAPipeFailsWithoutHanging) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", "b");
    Recorder rec;
    rec.answer = [&](const Event& e) {
        if (e.action == ActionNewFile && e.text == "a.txt") {
            fs::remove(src / "b.txt");
            mkfifo((src / "b.txt").c_str(), 0600);
        }
        return CallbackContinue;
    };
    EXPECT_EQ(runZip({.archive = archive,
                      .specs = {(src / "a.txt").string(), (src / "b.txt").string()},
                      .noDirNames = true},
                     &rec),
              0);
    EXPECT_TRUE(rec.hasMessage(7)) << rec.messages();
    EXPECT_EQ(readFile(archive), before);
}

TEST_F(FailureTest, MoveOfAFailedAddDeletesNothing) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", "b");
    Recorder rec;
    rec.answer = [&](const Event& e) {
        if (e.action == ActionNewFile && e.text == "a.txt")
            fs::remove(src / "b.txt");
        return CallbackContinue;
    };
    EXPECT_EQ(runZip({.archive = archive,
                      .specs = {(src / "a.txt").string(), (src / "b.txt").string()},
                      .noDirNames = true,
                      .move = true},
                     &rec),
              0);
    EXPECT_EQ(readFile(src / "a.txt"), "a");
    EXPECT_EQ(readFile(archive), before);
}

TEST_F(FailureTest, FullDiskLeavesTheArchiveUnchanged) {
    writeFile(src / "big.bin", noiseData(2'000'000, 5));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child can write at most 256 KiB to any file: the archive cannot be finished.
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit lim = {256 * 1024, 256 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        Recorder rec;
        const auto n = runZip({.archive = archive,
                               .specs = {(src / "big.bin").string()},
                               .level = 0,
                               .noDirNames = true},
                              &rec);
        _exit(n == 0 && rec.hasMessage(7) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_TRUE(besideArchive().empty());
}

// Runs work in a child process whose first progress callback tells the test and then waits
// on a pipe that is never written, and kills the child there: in the middle of its work, on
// any machine however slow or fast.
void killInTheMiddle(const std::function<void(Recorder&)>& work) {
    int told[2], hold[2];
    ASSERT_EQ(pipe(told), 0);
    ASSERT_EQ(pipe(hold), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(told[0]);
        close(hold[1]);
        Recorder rec;
        rec.answer = [&](const Event& e) {
            if (e.action == ActionProgress) {
                char c = 'p';
                (void)!write(told[1], &c, 1);
                (void)!read(hold[0], &c, 1);
            }
            return CallbackContinue;
        };
        work(rec);
        _exit(0);
    }
    close(told[1]);
    close(hold[0]);
    char c = 0;
    const bool reached = read(told[0], &c, 1) == 1;
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(told[0]);
    close(hold[1]);
    EXPECT_TRUE(reached) << "the child ended before its first progress step";
    EXPECT_TRUE(WIFSIGNALED(status));
}

TEST_F(FailureTest, ProcessKilledDuringAddLeavesTheArchiveUnchanged) {
    for (int i = 0; i < 4; ++i)
        writeFile(src / "big" / ("f" + std::to_string(i)), noiseData(1'000'000, i));
    killInTheMiddle([&](Recorder& rec) {
        runZip({.archive = archive, .specs = {(src / "big").string()}, .recurse = true}, &rec);
    });
    EXPECT_EQ(readFile(archive), before);
    // A temporary file may be left over, but it is not the archive.
    for (const auto& name : besideArchive())
        EXPECT_NE(name, "keep.zip");
}

TEST_F(FailureTest, ProcessKilledDuringExtractLeavesNoFileUnderItsName) {
    writeFile(src / "big.bin", noiseData(3'000'000, 9));
    const std::string big = (td / "big.zip").string();
    ASSERT_EQ(runZip({.archive = big, .specs = {(src / "big.bin").string()}, .noDirNames = true}),
              1);
    const fs::path out = td / "out";
    fs::create_directories(out);
    killInTheMiddle([&](Recorder& rec) { runUnz(out, {.archive = big}, &rec); });
    EXPECT_FALSE(fs::exists(out / "big.bin"));
    // The file is written without a name where the file system allows it, and goes with the
    // process: nothing at all is left.
    if (const int probe = open(out.c_str(), O_TMPFILE | O_WRONLY, 0600); probe >= 0) {
        close(probe);
        EXPECT_TRUE(fs::is_empty(out));
    }
}

TEST_F(FailureTest, UnwritableExtractionTargetIsReported) {
    // A folder stands where a file should go: reported, the folder is untouched.
    fs::create_directories(td / "out" / "orig.txt" / "inside");
    Recorder rec;
    EXPECT_EQ(runUnz(td / "out", {.archive = archive}, &rec), 0);
    EXPECT_TRUE(rec.hasMessage(7)) << rec.messages();
    EXPECT_TRUE(fs::is_directory(td / "out" / "orig.txt" / "inside"));
}

} // namespace
