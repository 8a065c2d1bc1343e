// Writing one extracted file: as an anonymous file or under a temporary name, it appears under
// its name only when committed, replaces a file or link standing there as a whole without
// writing through the link, and leaves nothing else behind.
#include "ziplibs/unzipper/SafeOutput.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

enum class Before { Nothing, File, Link, DanglingLink, Folder };
struct OutputCase {
    const char* name;
    bool anonymous, commit;
    Before before;
};

class TempFileTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(TempFileTest, NameShowsTheWholeFileOnlyOnceCommitted) {
    const OutputCase& c = GetParam();
    TempDir td;
    const fs::path dir = td / "out", x = td / "out" / "x";
    fs::create_directories(dir);
    writeFile(td / "outside", "outside");
    if (c.before == Before::File)
        writeFile(x, "old");
    else if (c.before == Before::Link || c.before == Before::DanglingLink)
        fs::create_symlink(td / (c.before == Before::Link ? "outside" : "gone"), x);
    else if (c.before == Before::Folder)
        fs::create_directories(x / "in");
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool replaces = c.commit && c.before != Before::Folder;
    {
        ziplibs::TempFile file(dirFd, c.anonymous);
        ASSERT_GE(file.fd(), 0) << file.error();
        ASSERT_TRUE(file.writeAll("new data", 8));
        if (c.commit) {
            EXPECT_EQ(file.commit("x", 0640, 1'600'000'000), replaces) << file.error();
        }
    }
    close(dirFd);
    EXPECT_EQ(readFile(td / "outside"), "outside");
    EXPECT_EQ(listing(dir), c.before == Before::Nothing && !replaces
                                ? std::vector<std::string>{}
                                : std::vector<std::string>{"x"});
    if (replaces) {
        struct stat st {};
        ASSERT_EQ(lstat(x.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(st.st_mtime, 1'600'000'000);
        EXPECT_EQ(readFile(x), "new data");
    } else if (c.before == Before::File) {
        EXPECT_EQ(readFile(x), "old");
    }
    EXPECT_EQ(c.before == Before::Folder, fs::is_directory(x / "in"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TempFileTest,
    ::testing::Values(OutputCase{"NewAnonymous", true, true, Before::Nothing},
                      OutputCase{"NewNamed", false, true, Before::Nothing},
                      OutputCase{"OverFileAnonymous", true, true, Before::File},
                      OutputCase{"OverFileNamed", false, true, Before::File},
                      OutputCase{"OverLinkAnonymous", true, true, Before::Link},
                      OutputCase{"OverLinkNamed", false, true, Before::Link},
                      OutputCase{"OverDanglingLinkAnonymous", true, true, Before::DanglingLink},
                      OutputCase{"FolderInTheWayAnonymous", true, true, Before::Folder},
                      OutputCase{"FolderInTheWayNamed", false, true, Before::Folder},
                      OutputCase{"UncommittedAnonymous", true, false, Before::File},
                      OutputCase{"UncommittedNamed", false, false, Before::Nothing}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
