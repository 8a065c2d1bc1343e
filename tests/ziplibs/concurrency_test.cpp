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

enum class Meddle { KillMidWrite, MoveOntoPath, HoldLock, SecondAdd };

struct Case {
    const char* title;
    bool add; // else a delete
    Meddle meddle;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }
};

class Meddling : public ::testing::TestWithParam<Case> {
protected:
    TempDir td;
    fs::path root = fs::canonical(td.path()), src = root / "src";
    std::string archive = (root / "a.zip").string();

    std::int32_t change(bool add, Recorder* rec, const char* file = "new.txt") {
        return add ? runZip(
                         {.archive = archive, .specs = {(src / file).string()}, .noDirNames = true},
                         rec)
                   : runZip({.archive = archive, .specs = {"old.txt"}, .del = true}, rec);
    }
    // Runs the change in a child process whose callback answers with ANSWER; its exit status.
    int inChild(bool add, std::function<std::int32_t(const Event&)> answer, const char* file) {
        const pid_t child = fork();
        if (child == 0) {
            Recorder rec;
            rec.answer = std::move(answer);
            _exit(change(add, &rec, file) == 1 ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return status;
    }
};

TEST_P(Meddling, LosesNothingAndLeavesNothing) {
    const Case& c = GetParam();
    for (const char* name : {"old.txt", "keep.txt", "new.txt", "other.txt"})
        writeFile(src / name, noiseData(300000, static_cast<unsigned>(name[0])));
    ASSERT_EQ(runZip({.archive = archive,
                      .specs = {(src / "old.txt").string(), (src / "keep.txt").string()},
                      .noDirNames = true}),
              2);
    std::string expected = readFile(archive);
    const fs::path moved = root / "moved.zip";
    Recorder rec;
    rec.answer = [&](const Event& e) {
        if (e.action == ActionProgress && fs::exists(moved))
            fs::rename(moved, archive);
        return CallbackContinue;
    };
    if (c.meddle == Meddle::KillMidWrite) {
        // Killed while the new archive is written: the first progress step comes then.
        const int status = inChild(
            c.add,
            [](const Event& e) {
                if (e.action == ActionProgress)
                    raise(SIGKILL);
                return CallbackContinue;
            },
            "new.txt");
        EXPECT_TRUE(WIFSIGNALED(status));
    } else if (c.meddle == Meddle::MoveOntoPath) {
        ASSERT_EQ(runZip({.archive = moved.string(), .specs = {(src / "other.txt").string()}}), 1);
        expected = readFile(moved);
        EXPECT_EQ(change(c.add, &rec), 0);
        EXPECT_NE(rec.messages().find("changed on disk"), std::string::npos) << rec.messages();
    } else if (c.meddle == Meddle::HoldLock) {
        const int fd = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(fd, LOCK_EX), 0);
        EXPECT_EQ(change(c.add, &rec), 0);
        close(fd);
        EXPECT_NE(rec.messages().find(archive + " is being changed by another program"),
                  std::string::npos)
            << rec.messages();
    } else {
        // Two adds at once, each holding the archive a while: they take turns, both land.
        std::thread other([&] {
            EXPECT_EQ(inChild(
                          true,
                          [](const Event& e) {
                              if (e.action == ActionNewFile)
                                  std::this_thread::sleep_for(std::chrono::milliseconds(300));
                              return CallbackContinue;
                          },
                          "other.txt"),
                      0);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(change(true, nullptr), 1);
        other.join();
        auto names = entryNames(readCentralDirectory(archive));
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"keep.txt", "new.txt", "old.txt", "other.txt"}));
        expected = readFile(archive);
    }
    EXPECT_EQ(readFile(archive), expected);
    std::vector<std::string> beside; // everything but the archive and the sources
    for (const auto& e : fs::directory_iterator(root))
        if (e.path() != archive && e.path() != src)
            beside.push_back(e.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, Meddling,
    ::testing::Values(Case{"add_killed", true, Meddle::KillMidWrite},
                      Case{"delete_killed", false, Meddle::KillMidWrite},
                      Case{"add_archive_moved_onto_path", true, Meddle::MoveOntoPath},
                      Case{"delete_archive_moved_onto_path", false, Meddle::MoveOntoPath},
                      Case{"add_while_locked", true, Meddle::HoldLock},
                      Case{"delete_while_locked", false, Meddle::HoldLock},
                      Case{"two_adds_at_once", true, Meddle::SecondAdd}),
    [](const auto& info) { return std::string(info.param.title); });

} // namespace
