// An add or a delete against other programs: another writer at the same moment, an archive
// moved onto the path while the change is written, the process killed half-way. No change is
// lost silently and no temporary file stays.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class ChangeFixture : public ::testing::Test {
protected:
    TempDir td;
    fs::path root = fs::canonical(td.path());
    fs::path src = root / "src";
    std::string archive = (root / "a.zip").string();
    std::string before;

    void SetUp() override {
        writeFile(src / "old.txt", noiseData(300000));
        writeFile(src / "keep.txt", noiseData(300000, 2));
        writeFile(src / "new.txt", noiseData(300000, 3));
        writeFile(src / "other.txt", noiseData(1000, 4));
        ASSERT_EQ(runZip({.archive = archive,
                          .specs = {(src / "old.txt").string(), (src / "keep.txt").string()},
                          .noDirNames = true}),
                  2);
        before = readFile(archive);
    }
    std::int32_t change(bool add, Recorder* rec) {
        return add ? runZip({.archive = archive,
                             .specs = {(src / "new.txt").string()},
                             .noDirNames = true},
                            rec)
                   : runZip({.archive = archive, .specs = {"old.txt"}, .del = true}, rec);
    }
    // Everything beside the archive and the source folder.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root))
            if (e.path() != archive && e.path() != src)
                names.push_back(e.path().filename().string());
        return names;
    }
};

enum class Meddle { KillMidWrite, MoveOntoPath, HoldLock };

struct Case {
    const char* title;
    bool add;
    Meddle meddle;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }
};

class Meddling : public ChangeFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(Meddling, LosesNothingAndLeavesNothing) {
    const Case& c = GetParam();
    Recorder rec;
    std::string expected = before;
    if (c.meddle == Meddle::KillMidWrite) {
        // Killed while the new archive is being written: the first progress step comes then.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rec.answer = [](const Event& e) {
                if (e.action == ActionProgress)
                    raise(SIGKILL);
                return CallbackContinue;
            };
            change(c.add, &rec);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child was not killed";
    } else if (c.meddle == Meddle::MoveOntoPath) {
        const fs::path moved = root / "moved.zip";
        ASSERT_EQ(runZip({.archive = moved.string(),
                          .specs = {(src / "other.txt").string()},
                          .noDirNames = true}),
                  1);
        expected = readFile(moved);
        rec.answer = [&](const Event& e) {
            if (e.action == ActionProgress && fs::exists(moved))
                fs::rename(moved, archive);
            return CallbackContinue;
        };
        EXPECT_EQ(change(c.add, &rec), 0);
        EXPECT_NE(rec.messages().find("changed on disk"), std::string::npos) << rec.messages();
    } else {
        const int fd = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(fd, LOCK_EX), 0);
        EXPECT_EQ(change(c.add, &rec), 0);
        close(fd);
        EXPECT_NE(rec.messages().find(archive + " is being changed by another program"),
                  std::string::npos)
            << rec.messages();
    }
    EXPECT_EQ(readFile(archive), expected);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, Meddling,
    ::testing::Values(Case{"add_killed", true, Meddle::KillMidWrite},
                      Case{"delete_killed", false, Meddle::KillMidWrite},
                      Case{"add_archive_moved_onto_path", true, Meddle::MoveOntoPath},
                      Case{"delete_archive_moved_onto_path", false, Meddle::MoveOntoPath},
                      Case{"add_while_locked", true, Meddle::HoldLock},
                      Case{"delete_while_locked", false, Meddle::HoldLock}),
    [](const auto& info) { return std::string(info.param.title); });

// Two adds to one archive at the same moment take turns: both files end up in it.
TEST_F(ChangeFixture, TwoConcurrentAddsBothLand) {
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            Recorder rec;
            rec.answer = [](const Event& e) {
                if (e.action == ActionNewFile) // each holds the archive a while
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return CallbackContinue;
            };
            const std::string file = (src / (i ? "new.txt" : "other.txt")).string();
            _exit(runZip({.archive = archive, .specs = {file}, .noDirNames = true}, &rec) == 1 ? 0
                                                                                               : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto names = entryNames(readCentralDirectory(archive));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"keep.txt", "new.txt", "old.txt", "other.txt"}));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

} // namespace
