// The component's own data: construction values, Count, FSpecArgs, ZipFilename and design
// mode.
#include "archive/Archiver.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "tests/archive/ArchiveBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using archtest::Local;
using testsupport::TempDir;
using testsupport::writeFile;

class ComponentTest : public ::testing::Test {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    TempDir dir;
    TArchiver archiver;
    int dirUpdates = 0;

    void SetUp() override {
        archiver.OnDirUpdate = [this](TArchiver* sender) {
            EXPECT_EQ(sender, &archiver);
            ++dirUpdates;
        };
    }

    std::string twoEntryArchive() {
        const auto path = (dir / "two.zip").string();
        writeFile(path, archtest::archiveOf({{.name = "a.txt", .data = "alpha"},
                                             {.name = "b.txt", .data = "beta"}}));
        return path;
    }
};

TEST_F(ComponentTest, StartsEmptyWithItsConstructionValues) {
    TArchiver fresh;
    EXPECT_FALSE(fresh.Verbose);
    EXPECT_FALSE(fresh.Trace);
    EXPECT_EQ(fresh.AddCompLevel, 9);
    EXPECT_TRUE(fresh.AddOptions.empty());
    EXPECT_TRUE(fresh.ExtrOptions.empty());
    EXPECT_EQ(fresh.ExtrBaseDir, "");
    EXPECT_TRUE(fresh.FSpecArgs().empty());
    EXPECT_EQ(fresh.ZipFilename(), "");
    EXPECT_EQ(fresh.Count(), 0);
    EXPECT_TRUE(fresh.DirEntries().empty());
    EXPECT_EQ(fresh.ProcessedCount(), 0);
    EXPECT_FALSE(fresh.Cancel);
    EXPECT_EQ(fresh.Handle, 0u);
    EXPECT_FALSE(fresh.OnDirUpdate || fresh.OnProgress || fresh.OnMessage);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(ComponentTest, CountFollowsTheEntriesOnlyWhileAPathIsSet) {
    archiver.setZipFilename(twoEntryArchive());
    EXPECT_EQ(archiver.Count(), 2);
    archiver.setZipFilename("");
    EXPECT_EQ(archiver.Count(), 0);
    EXPECT_TRUE(archiver.DirEntries().empty());
    EXPECT_EQ(dirUpdates, 2);
}

TEST_F(ComponentTest, WritingTheSamePathReadsAgain) {
    const std::string path = twoEntryArchive();
    archiver.setZipFilename(path);
    // The file changes between the two writes: the second write must see the change.
    writeFile(path, archtest::archiveOf({{.name = "only.txt", .data = "x"}}));
    archiver.setZipFilename(path);
    EXPECT_EQ(dirUpdates, 2);
    ASSERT_EQ(archiver.Count(), 1);
    EXPECT_EQ(archiver.DirEntries()[0]->FileName, "only.txt");
}

TEST_F(ComponentTest, ClearDirectoryEmptiesTheListButKeepsThePath) {
    archiver.setZipFilename(twoEntryArchive());
    archiver.ClearDirectory();
    EXPECT_TRUE(archiver.DirEntries().empty());
    EXPECT_EQ(archiver.Count(), 0);
    EXPECT_FALSE(archiver.ZipFilename().empty());
}

TEST_F(ComponentTest, FSpecArgsIsACopyOfTheGivenList) {
    std::vector<std::string> mine = {"one", "two"};
    archiver.setFSpecArgs(mine);
    mine[0] = "changed";
    mine.push_back("three");
    EXPECT_EQ(archiver.FSpecArgs(), (std::vector<std::string>{"one", "two"}));
    archiver.setFSpecArgs({"x"});
    EXPECT_EQ(archiver.FSpecArgs(), (std::vector<std::string>{"x"}));
}

TEST_F(ComponentTest, DesignModeOnlyStoresThePath) {
    archiver.setZipFilename(twoEntryArchive());
    ASSERT_EQ(archiver.Count(), 2);
    archiver.designMode = true;
    const auto other = (dir / "other.zip").string();
    writeFile(other, archtest::archiveOf({{.name = "z", .data = ""}}));
    archiver.setZipFilename(other);
    EXPECT_EQ(archiver.ZipFilename(), other);
    archiver.ReadDirectory();
    EXPECT_EQ(dirUpdates, 1);
    ASSERT_EQ(archiver.DirEntries().size(), 2u);
    EXPECT_EQ(archiver.DirEntries()[0]->FileName, "a.txt");
}

TEST_F(ComponentTest, ErrorsOfTheReaderReachTheWriterOfZipFilename) {
    const auto path = (dir / "cut.zip").string();
    writeFile(path, Local{.name = "a", .data = "abc"}.bytes() + "PK");
    EXPECT_THROW(archiver.setZipFilename(path), platform::EStreamError);
    EXPECT_EQ(archiver.ZipFilename(), path);
}

} // namespace
