// The ZIP-format layer: where the end-record search places an archive inside a file, and the
// CRC-32 its names and entries are checked with.
#include "zipformat/CentralDirectory.h"
#include "zipformat/Crc32.h"
#include "zipformat/EndRecord.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace {

using testsupport::le16;
using testsupport::le32;
using testsupport::le64;

class Bytes : public zipformat::RandomAccess {
public:
    explicit Bytes(std::string s) : s_(std::move(s)) {}
    std::uint64_t size() const override { return s_.size(); }
    bool read(std::uint64_t at, void* out, std::size_t n) override {
        if (at > s_.size() || n > s_.size() - at)
            return false;
        std::memcpy(out, s_.data() + at, n);
        return true;
    }

private:
    std::string s_;
};

// One stored entry "a" and its directory, the end record's comment COMMENT.
std::string archive(const std::string& comment = "", bool zip64 = false) {
    const std::string local = "PK\x03\x04" + std::string(22, '\0') + le16(1) + le16(0) + "a";
    const std::string dir =
        "PK\x01\x02" + std::string(24, '\0') + le16(1) + std::string(12, '\0') + le32(0) + "a";
    std::string out = local + dir;
    if (zip64) {
        out += "PK\x06\x06" + le64(44) + std::string(12, '\0') + le64(1) + le64(1) +
               le64(dir.size()) + le64(local.size());
        out += "PK\x06\x07" + le32(0) + le64(local.size() + dir.size()) + le32(1);
        return out + "PK\x05\x06" + std::string(4, '\0') + le16(0xFFFF) + le16(0xFFFF) +
               le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le16(comment.size()) + comment;
    }
    return out + "PK\x05\x06" + std::string(4, '\0') + le16(1) + le16(1) + le32(dir.size()) +
           le32(local.size()) + le16(comment.size()) + comment;
}

struct SearchCase {
    const char* title;
    std::string bytes;
    std::optional<std::uint64_t> start; // where the archive's offsets count from; none: refused
};
std::ostream& operator<<(std::ostream& os, const SearchCase& c) {
    return os << c.title;
}

class EndSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(EndSearchTest, PlacesTheArchive) {
    Bytes in(GetParam().bytes);
    const auto e = zipformat::findEndRecord(in);
    ASSERT_EQ(e.has_value(), GetParam().start.has_value());
    if (!e)
        return;
    EXPECT_EQ(e->start, *GetParam().start);
    EXPECT_EQ(zipformat::readCentralDirectory(in, *e).records.at(0).name, "a");
}

const std::string fakeEnd = "PK\x05\x06" + std::string(18, '\x01');

INSTANTIATE_TEST_SUITE_P(
    Format, EndSearchTest,
    ::testing::Values(
        SearchCase{"plain", archive(), 0}, SearchCase{"ZIP64 records", archive("", true), 0},
        SearchCase{"program part before it", std::string(1000, 'x') + archive(), 1000},
        SearchCase{"padding after it", archive() + std::string(100000, '\0'), 0},
        SearchCase{"an end signature in its comment", archive(fakeEnd), 0},
        SearchCase{"an end record after it that places nothing", archive() + fakeEnd, 0},
        SearchCase{"its directory cut off", archive().substr(31), std::nullopt}),
    [](const auto& info) {
        std::string name = info.param.title;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(Crc32, MatchesTheCheckValueAndContinues) {
    EXPECT_EQ(zipformat::crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(zipformat::crc32(zipformat::crc32("1234"), "56789", 5), 0xCBF43926u);
}

} // namespace
