#pragma once
// A component with both fake libraries loaded, the scripted message service installed and
// the current folder restored after each test.
#include "archive/Archiver.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "tests/archive/FakeScript.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct SeenEvent {
    std::string kind; // "progress" or "message"
    int type = 0;     // ProgressType or ErrCode
    std::string text;
    std::int32_t size = 0;
    bool operator==(const SeenEvent&) const = default;
};

inline void PrintTo(const SeenEvent& e, std::ostream* os) {
    *os << "{" << e.kind << ", " << e.type << ", \"" << e.text << "\", " << e.size << "}";
}

class BridgeFixture : public ::testing::Test {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    testsupport::TempDir dir;
    TArchiver archiver;
    std::string startFolder = platform::currentDirectory();
    std::string zipPath = (dir / "target.zip").string();
    std::vector<SeenEvent> events;
    int dirUpdates = 0;

    void SetUp() override {
        fake::reset();
        archiver.LoadZipLibrary();
        archiver.LoadUnzLibrary();
        ASSERT_NE(ZIPPER::ZipDllHandle, nullptr) << "the fake ZIPPER library was not found";
        ASSERT_NE(UNZIPPER::UnzDllHandle, nullptr) << "the fake UNZIPPER library was not found";
        ASSERT_TRUE(messages.shown().empty());
        archiver.OnDirUpdate = [this](TArchiver*) { ++dirUpdates; };
        archiver.OnProgress = [this](TArchiver* sender, ProgressType t, const std::string& name,
                                     std::int32_t size) {
            EXPECT_EQ(sender, &archiver);
            events.push_back({"progress", static_cast<int>(t), name, size});
        };
        archiver.OnMessage = [this](TArchiver* sender, std::int32_t code, const std::string& text) {
            EXPECT_EQ(sender, &archiver);
            events.push_back({"message", code, text, 0});
        };
    }

    void TearDown() override {
        archiver.UnloadZipLibrary();
        archiver.UnloadUnzLibrary();
        platform::setCurrentDirectory(startFolder);
        fake::reset();
    }

    // Sets the archive path without reading a file (none exists yet) and the specs.
    void prepare(const std::string& path, const std::vector<std::string>& specs) {
        archiver.setZipFilename(path);
        archiver.setFSpecArgs(specs);
        dirUpdates = 0;
    }

    // One successful Add that leaves ProcessedCount at COUNT.
    void primeProcessedCount(std::int32_t count) {
        fake::zipper().queue.push_back({.result = count});
        archiver.setZipFilename(zipPath);
        archiver.setFSpecArgs({"prime"});
        archiver.Add();
        ASSERT_EQ(archiver.ProcessedCount(), count);
        fake::zipper().calls.clear();
        messages.clear();
        dirUpdates = 0;
    }
};
