// The program started as a whole: its entry makes the windows, opens the archive named on the
// command line and, with QUEMBLY_SCREENSHOT_DIR set, saves pictures of its windows and quits.
#include "controls/Theme.h"
#include "tests/support/TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// Runs the program offscreen with the sandbox's home and registry, saving pictures into OUT.
int runProgram(const fs::path& out, const std::string& arguments) {
    const std::string command = "QT_QPA_PLATFORM=offscreen QUEMBLY_SCREENSHOT_DIR='" +
                                out.string() + "' timeout 60 '" QUEMBLY_PROGRAM "' " + arguments +
                                " >'" + (out / "log.txt").string() + "' 2>&1";
    return testsupport::runCommand(command);
}

std::string archiveWithOneEntry() {
    using testsupport::le16;
    using testsupport::le32;
    const std::string name = "folder/entry.txt";
    const std::string data = "hello";
    const std::uint32_t crc = 0x3610a686; // of "hello"
    const std::string local = le32(0x04034b50) + le16(20) + le16(0) + le16(0) + le16(0) +
                              le16(0x5283) + le32(crc) + le32(5) + le32(5) + le16(16) + le16(0) +
                              name + data;
    const std::string central = le32(0x02014b50) + le16(20) + le16(20) + le16(0) + le16(0) +
                                le16(0) + le16(0x5283) + le32(crc) + le32(5) + le32(5) + le16(16) +
                                le16(0) + le16(0) + le16(0) + le16(0) + le32(0) + le32(0) + name;
    return local + central + le32(0x06054b50) + le16(0) + le16(0) + le16(1) + le16(1) +
           le32(static_cast<std::uint32_t>(central.size())) +
           le32(static_cast<std::uint32_t>(local.size())) + le16(0);
}

} // namespace

TEST(ProgramTest, StartsShowsItsWindowsAndQuitsCleanly) {
    TempDir out;
    ASSERT_EQ(runProgram(out.path(), ""), 0) << testsupport::readFile(out / "log.txt");
    const QImage main(QString::fromStdString((out / "screenshot.png").string()));
    ASSERT_FALSE(main.isNull());
    EXPECT_EQ(main.width(), 750);
    EXPECT_GT(main.height(), 432) << "the design client area below the menu bar";
    // The toolbar's colour shows at its right end, where no button stands.
    EXPECT_EQ(QColor(main.pixel(740, 40)), theme::kWindowBlue);
    for (const char* picture : {"password.png", "messages.png", "about.png", "settings.png"})
        EXPECT_TRUE(fs::exists(out / picture)) << picture;
}

TEST(ProgramTest, CommandLineArchiveIsOpenedAtStart) {
    TempDir out;
    TempDir data;
    testsupport::writeFile(data / "one.zip", archiveWithOneEntry());
    const fs::path empty = out.path() / "empty";
    fs::create_directories(empty);
    ASSERT_EQ(runProgram(empty, ""), 0);
    ASSERT_EQ(runProgram(out.path(), "'" + (data / "one.zip").string() + "'"), 0)
        << testsupport::readFile(out / "log.txt");
    const QImage withArchive(QString::fromStdString((out / "screenshot.png").string()));
    const QImage without(QString::fromStdString((empty / "screenshot.png").string()));
    ASSERT_FALSE(withArchive.isNull());
    ASSERT_FALSE(without.isNull());
    EXPECT_NE(withArchive, without) << "the name display and the table show the archive";
}
