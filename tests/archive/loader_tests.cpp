// Loading the libraries when they are missing or lack an entry point. This program's folder
// holds no library; each test works in a fresh current folder into which it copies the
// variant it needs under the library's own file name.
#include "archive/Archiver.h"
#include "platform/DynLib.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "tests/archive/FakeScript.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class LoaderTest : public ::testing::Test {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    testsupport::TempDir dir;
    TArchiver archiver;
    std::string startFolder = platform::currentDirectory();
    std::string zipPath = (dir / "a.zip").string();

    void SetUp() override {
        fake::reset();
        ASSERT_FALSE(fs::exists(fs::path(platform::programDirectory()) / "libzipper.so"));
        ASSERT_FALSE(fs::exists(fs::path(platform::programDirectory()) / "libunzipper.so"));
        ASSERT_TRUE(platform::setCurrentDirectory(dir.str()));
    }

    void TearDown() override {
        archiver.UnloadZipLibrary();
        archiver.UnloadUnzLibrary();
        platform::setCurrentDirectory(startFolder);
        fake::reset();
    }

    // Puts the fake library VARIANT into the current folder as MODULE's file.
    void install(const std::string& variant, const std::string& module) {
        fs::copy_file(fs::path(FAKE_VARIANT_DIR) / ("lib" + variant + ".so"),
                      dir / platform::moduleFileName(module), fs::copy_options::overwrite_existing);
    }
};

TEST_F(LoaderTest, MissingLibrariesAreReportedByName) {
    archiver.Trace = true;
    archiver.LoadZipLibrary();
    archiver.LoadUnzLibrary();
    EXPECT_EQ(messages.messageTexts(),
              (std::vector<std::string>{"ZIPPER.DLL not found", "UNZIPPER.DLL not found"}));
    EXPECT_EQ(ZIPPER::ZipDllHandle, nullptr);
    EXPECT_EQ(UNZIPPER::UnzDllHandle, nullptr);
}

TEST_F(LoaderTest, EveryOperationTriesTheLoadAgain) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        messages.clear();
        archiver.setZipFilename(zipPath);
        archiver.setFSpecArgs({"x"});
        archiver.Add();
        archiver.Extract();
        EXPECT_EQ(messages.messageTexts(),
                  (std::vector<std::string>{"ZIPPER.DLL not found", "UNZIPPER.DLL not found"}));
        EXPECT_EQ(archiver.FSpecArgs(), std::vector<std::string>{"x"}) << "no call was made";
        EXPECT_EQ(archiver.ProcessedCount(), 0);
    }
    // Once the libraries are there, the very next operations run: no guard stayed set.
    install("zipper_full", "ZIPPER.DLL");
    install("unzipper_full", "UNZIPPER.DLL");
    fake::zipper().standing = {.result = 0};
    fake::unzipper().standing = {.result = 6};
    messages.clear();
    archiver.Add();
    archiver.setFSpecArgs({"x"});
    archiver.Extract();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_EQ(archiver.ProcessedCount(), 6);
    // Loaded for the operation only.
    EXPECT_EQ(ZIPPER::ZipDllHandle, nullptr);
    EXPECT_EQ(UNZIPPER::UnzDllHandle, nullptr);
}

struct VariantCase {
    const char* variant;
    bool unzipper;
    std::vector<std::string> messages; // with Trace on
    bool hasExec, hasVersion;
};

void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.variant;
}

class Variants : public LoaderTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(Variants, ReportEachMissingEntryPointAndStayLoaded) {
    const VariantCase& c = GetParam();
    install(c.variant, c.unzipper ? "UNZIPPER.DLL" : "ZIPPER.DLL");
    archiver.Trace = true;
    if (c.unzipper)
        archiver.LoadUnzLibrary();
    else
        archiver.LoadZipLibrary();
    EXPECT_EQ(messages.messageTexts(), c.messages);
    if (c.unzipper) {
        EXPECT_NE(UNZIPPER::UnzDllHandle, nullptr);
        EXPECT_EQ(UNZIPPER::UnzipperExec != nullptr, c.hasExec);
        EXPECT_EQ(UNZIPPER::GetUnzipperVersion != nullptr, c.hasVersion);
    } else {
        EXPECT_NE(ZIPPER::ZipDllHandle, nullptr);
        EXPECT_EQ(ZIPPER::ZipperExec != nullptr, c.hasExec);
        EXPECT_EQ(ZIPPER::GetZipperVersion != nullptr, c.hasVersion);
    }

    // An operation without the work entry point fails at every call; a missing version
    // entry point changes nothing.
    archiver.Trace = false;
    testsupport::writeFile(zipPath, "PK\x05\x06" + std::string(18, '\0'));
    archiver.setZipFilename(zipPath);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        messages.clear();
        archiver.setFSpecArgs({"x"});
        fake::zipper().standing = {.result = 3};
        fake::unzipper().standing = {.result = 3};
        c.unzipper ? archiver.Extract() : archiver.Add();
        EXPECT_TRUE(archiver.FSpecArgs().empty());
        if (c.hasExec) {
            EXPECT_EQ(archiver.ProcessedCount(), 3);
        } else {
            EXPECT_EQ(messages.messageTexts(),
                      std::vector<std::string>{"Fatal DLL Error: abort exception"});
            EXPECT_EQ(archiver.ProcessedCount(), 0);
        }
    }
    EXPECT_EQ(fake::zipper().calls.size() + fake::unzipper().calls.size(), c.hasExec ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Loader, Variants,
    ::testing::Values(
        VariantCase{"zipper_noexec",
                    false,
                    {"ZIP DLL Loaded", "ZipperExec function not found in ZIPPER.DLL"},
                    false,
                    true},
        VariantCase{"zipper_noversion",
                    false,
                    {"ZIP DLL Loaded", "GetZipperVersion function not found in ZIPPER.DLL"},
                    true,
                    false},
        VariantCase{"zipper_none",
                    false,
                    {"ZIP DLL Loaded", "ZipperExec function not found in ZIPPER.DLL",
                     "GetZipperVersion function not found in ZIPPER.DLL"},
                    false,
                    false},
        VariantCase{"unzipper_noexec",
                    true,
                    {"UNZ DLL Loaded", "UnzipperExec function not found in UNZIPPER.DLL"},
                    false,
                    true},
        VariantCase{"unzipper_noversion",
                    true,
                    {"UNZ DLL Loaded", "GetUnzipperVersion function not found in UNZIPPER.DLL"},
                    true,
                    false}),
    [](const auto& info) { return std::string(info.param.variant); });

} // namespace
