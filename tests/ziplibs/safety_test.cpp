// Nothing is written outside the extraction folder: dangerous names, link entries, and
// links already present in the target.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace zltest;
using testsupport::le16;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// A stored archive of (name, data, unix mode) entries, made by Unix.
std::string archiveOf(const std::vector<std::tuple<std::string, std::string, std::uint32_t>>& es) {
    std::string out, cd;
    for (const auto& [name, data, mode] : es) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        const std::string common = le16(0) + le16(0) + le32(0x52210000) +
                                   le32(testsupport::crc32(data)) + le32(size) + le32(size) +
                                   le16(static_cast<std::uint16_t>(name.size())) + le16(0);
        out += "PK\x03\x04" + le16(10) + common + name + data;
        cd += "PK\x01\x02" + le16(3 << 8 | 20) + le16(10) + common + le16(0) + le16(0) + le16(0) +
              le32(mode << 16) + le32(offset) + name;
    }
    const auto n = static_cast<std::uint16_t>(es.size());
    const auto cdOffset = static_cast<std::uint32_t>(out.size());
    return out + cd + "PK\x05\x06" + le16(0) + le16(0) + le16(n) + le16(n) +
           le32(static_cast<std::uint32_t>(cd.size())) + le32(cdOffset) + le16(0);
}

// The extraction goes into root/a/b/target; everything else under root must stay untouched.
class SafetyTest : public ::testing::Test {
protected:
    TempDir td;
    fs::path target = td / "a" / "b" / "target";
    void SetUp() override { fs::create_directories(target); }

    // Every path below the sandbox folder other than the target folder's contents.
    std::vector<std::string> outside() const {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(td.path())) {
            const std::string p = e.path().string();
            if (p.rfind(target.string() + "/", 0) == 0 || p == target.string())
                continue;
            if (e.path().filename() == "t.zip")
                continue;
            found.push_back(fs::relative(e.path(), td.path()).string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    std::vector<std::string> expectedOutside() const { return {"a", "a/b"}; }
};

class RefusedNameTest : public SafetyTest,
                        public ::testing::WithParamInterface<std::pair<std::string, bool>> {};

TEST_P(RefusedNameTest, NameIsRefusedAndNothingLandsOutside) {
    const auto& [name, dirNames] = GetParam();
    writeFile(td / "t.zip",
              archiveOf({{name, "evil", S_IFREG | 0644}, {"fine.txt", "fine", S_IFREG | 0644}}));
    Recorder rec;
    const auto n = runUnz(target, {.archive = (td / "t.zip").string(), .dirNames = dirNames}, &rec);
    EXPECT_EQ(n, 1) << rec.messages();
    EXPECT_TRUE(rec.hasMessage(5)) << rec.messages();
    EXPECT_EQ(outside(), expectedOutside());
    EXPECT_EQ(readFile(target / "fine.txt"), "fine");
    EXPECT_FALSE(fs::exists("/x-quembly-test"));
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedNameTest,
                         ::testing::Values(std::pair<std::string, bool>{"../x", true},
                                           std::pair<std::string, bool>{"../../x", false},
                                           std::pair<std::string, bool>{"/x-quembly-test", true},
                                           std::pair<std::string, bool>{"C:\\x", true},
                                           std::pair<std::string, bool>{"C:x", false},
                                           std::pair<std::string, bool>{"a\\..\\..\\x", true},
                                           std::pair<std::string, bool>{"a/../../x", true},
                                           std::pair<std::string, bool>{"\\\\server\\share\\x",
                                                                        true}));

TEST_F(SafetyTest, LinkEntriesPointingOutsideAreRefused) {
    writeFile(td / "t.zip", archiveOf({{"tmp", "/tmp", S_IFLNK | 0777},
                                       {"up", "..", S_IFLNK | 0777},
                                       {"deep", "sub/../../..", S_IFLNK | 0777},
                                       {"ok", "fine.txt", S_IFLNK | 0777},
                                       {"fine.txt", "fine", S_IFREG | 0644}}));
    Recorder rec;
    EXPECT_EQ(runUnz(target, {.archive = (td / "t.zip").string()}, &rec), 2) << rec.messages();
    EXPECT_TRUE(rec.hasMessage(5));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / "tmp")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / "up")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / "deep")));
    ASSERT_TRUE(fs::is_symlink(target / "ok"));
    EXPECT_EQ(fs::read_symlink(target / "ok"), "fine.txt");
    EXPECT_EQ(outside(), expectedOutside());
}

TEST_F(SafetyTest, LinkEntryFollowedByAFileThroughItWritesNothingOutside) {
    // A classic: first a link "d" to somewhere, then "d/x" meant to land through it.
    writeFile(td / "t.zip", archiveOf({{"d", "..", S_IFLNK | 0777},
                                       {"d/x", "evil", S_IFREG | 0644},
                                       {"in", "sub", S_IFLNK | 0777},
                                       {"in/y", "evil", S_IFREG | 0644}}));
    Recorder rec;
    runUnz(target, {.archive = (td / "t.zip").string()}, &rec);
    EXPECT_TRUE(rec.hasMessage(5)) << rec.messages();
    EXPECT_EQ(outside(), expectedOutside());
    EXPECT_FALSE(fs::exists(target / "sub" / "y"));
}

TEST_F(SafetyTest, ExistingLinkInTheTargetIsNeverWrittenThrough) {
    const fs::path victimDir = td / "victim";
    fs::create_directories(victimDir);
    writeFile(victimDir / "file.txt", "original");
    fs::create_directory_symlink(victimDir, target / "dir");
    fs::create_symlink(victimDir / "file.txt", target / "file.txt");
    writeFile(td / "t.zip", archiveOf({{"dir/file.txt", "evil", S_IFREG | 0644},
                                       {"file.txt", "replaced", S_IFREG | 0644}}));
    Recorder rec;
    EXPECT_EQ(runUnz(target, {.archive = (td / "t.zip").string()}, &rec), 1) << rec.messages();
    EXPECT_TRUE(rec.hasMessage(5)) << rec.messages();
    EXPECT_EQ(readFile(victimDir / "file.txt"), "original");
    // The link at the file's own name was replaced by the file, not written through.
    EXPECT_FALSE(fs::is_symlink(target / "file.txt"));
    EXPECT_EQ(readFile(target / "file.txt"), "replaced");
}

// A link entry is made only when the path it resolves through, links already in the target
// included, stays in the target folder.
struct LinkCase {
    const char* title;
    std::string name, target;
    bool made;
    friend void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.title; }
};

class LinkThroughExisting : public SafetyTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkThroughExisting, IsMadeOnlyWhenItStaysInside) {
    const LinkCase& c = GetParam();
    writeFile(td / "secret.txt", "secret");
    fs::create_directories(target / "sub");
    fs::create_directory_symlink(td.path(), target / "out");     // leads outside
    fs::create_directory_symlink("../../..", target / "sub/up"); // climbs out relatively
    fs::create_directory_symlink("..", target / "sub/parent");   // the target itself
    writeFile(td / "t.zip", archiveOf({{c.name, c.target, S_IFLNK | 0777}}));
    Recorder rec;
    runUnz(target, {.archive = (td / "t.zip").string()}, &rec);
    EXPECT_EQ(fs::is_symlink(target / c.name), c.made) << rec.messages();
    EXPECT_EQ(rec.hasMessage(5), !c.made) << rec.messages();
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkThroughExisting,
    ::testing::Values(LinkCase{"through_outside_link", "viaout", "out/secret.txt", false},
                      LinkCase{"through_climbing_link", "sub/deep", "up/x", false},
                      LinkCase{"to_the_outside_link", "alias", "out", false},
                      LinkCase{"through_link_to_target", "sub/back", "parent/sub", true},
                      LinkCase{"to_nothing_yet", "later", "not/yet/there", true}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(SafetyTest, FlatExtractionOfDeepNamesStaysInTheFolder) {
    writeFile(td / "t.zip", archiveOf({{"x/y/z.txt", "z", S_IFREG | 0644}}));
    EXPECT_EQ(runUnz(target, {.archive = (td / "t.zip").string(), .dirNames = false}), 1);
    EXPECT_EQ(readFile(target / "z.txt"), "z");
    EXPECT_EQ(outside(), expectedOutside());
}

// Entries that share their bytes are not extracted; the rest are. Each case lays out local
// headers (name, stored data, the compressed size written into the header) and directory
// records, each pointing at one of the local headers with a name and size of its own.
struct SharedLocal {
    std::string name, data;
    std::uint32_t size; // as written into the header
};
struct SharedRecord {
    std::size_t local;
    std::string name;
    std::uint32_t size;
};
struct OverlapCase {
    const char* title;
    std::vector<SharedLocal> locals;
    std::vector<SharedRecord> records;
    std::vector<std::string> refused;
};
std::ostream& operator<<(std::ostream& os, const OverlapCase& c) {
    return os << c.title;
}

std::string sharingArchive(const OverlapCase& c) {
    std::string out, cd;
    std::vector<std::uint32_t> at;
    for (const auto& l : c.locals) {
        at.push_back(static_cast<std::uint32_t>(out.size()));
        out += "PK\x03\x04" + le16(10) + le16(0) + le16(0) + le32(0x52210000) +
               le32(testsupport::crc32(l.data)) + le32(l.size) +
               le32(static_cast<std::uint32_t>(l.data.size())) +
               le16(static_cast<std::uint16_t>(l.name.size())) + le16(0) + l.name + l.data;
    }
    for (const auto& r : c.records) {
        const std::string data = c.locals[r.local].data;
        cd += "PK\x01\x02" + le16(3 << 8 | 20) + le16(10) + le16(0) + le16(0) + le32(0x52210000) +
              le32(testsupport::crc32(data)) + le32(r.size) + le32(r.size) +
              le16(static_cast<std::uint16_t>(r.name.size())) + le16(0) + le16(0) + le16(0) +
              le16(0) + le32((S_IFREG | 0644u) << 16) + le32(at[r.local]) + r.name;
    }
    const auto n = static_cast<std::uint16_t>(c.records.size());
    return out + cd + "PK\x05\x06" + le16(0) + le16(0) + le16(n) + le16(n) +
           le32(static_cast<std::uint32_t>(cd.size())) +
           le32(static_cast<std::uint32_t>(out.size())) + le16(0);
}

class OverlapTest : public SafetyTest, public ::testing::WithParamInterface<OverlapCase> {};

TEST_P(OverlapTest, SharingEntriesAreNotExtractedAndTheRestIs) {
    const OverlapCase& c = GetParam();
    writeFile(td / "t.zip", sharingArchive(c));
    Recorder rec;
    EXPECT_EQ(runUnz(target, {.archive = (td / "t.zip").string()}, &rec), 1) << rec.messages();
    for (const auto& name : c.refused) {
        EXPECT_FALSE(fs::exists(target / name)) << name;
        EXPECT_NE(rec.messages().find(name + " overlaps another entry; not extracted"),
                  std::string::npos)
            << rec.messages();
    }
    EXPECT_EQ(readFile(target / "fine.txt"), "fine");
}

const std::string evilHeader = std::string(30 + 8, 'h') + "x"; // a local header of "evil.txt"

INSTANTIATE_TEST_SUITE_P(
    Extract, OverlapTest,
    ::testing::Values(
        OverlapCase{"records pointing at one entry",
                    {{"big", std::string(1000, 'b'), 1000}, {"fine.txt", "fine", 4}},
                    {{0, "big", 1000}, {0, "copy1", 1000}, {0, "copy2", 1000}, {1, "fine.txt", 4}},
                    {"big", "copy1", "copy2"}},
        OverlapCase{"data covering the next header",
                    {{"photo.txt", "jpeg", 4 + static_cast<std::uint32_t>(evilHeader.size())},
                     {"evil.txt", "x", 1},
                     {"fine.txt", "fine", 4}},
                    {{0, "photo.txt", 4 + static_cast<std::uint32_t>(evilHeader.size())},
                     {1, "evil.txt", 1},
                     {2, "fine.txt", 4}},
                    {"photo.txt", "evil.txt"}}));

} // namespace
