#pragma once
// Hand-built archive bytes and archives made by other ZIP tools, for the reader tests.
#include "archive/Archiver.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace archtest {

// One local file header with its name, extra field and data. Sizes default to the data's
// length; set them to write other values into the header.
struct Local {
    std::string name{};
    std::string data{};
    std::uint16_t version = 20;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t time = 0x6B2C; // 13:25:24
    std::uint16_t date = 0x5A87; // 2025-04-07
    std::uint32_t crc = 0xCAFEBABE;
    std::optional<std::uint32_t> compressedSize{};
    std::optional<std::uint32_t> uncompressedSize{};
    std::optional<std::uint16_t> nameLength{};
    std::string extra{};

    std::string bytes() const;
};

// "PK" 1 2 followed by zeros, as far as the reader looks at it.
std::string centralHeaderStub();
// An end of central directory record without a comment (22 bytes), all counts zero.
std::string endRecord();
// Local headers one after another, then a central header stub and an end record.
std::string archiveOf(const std::vector<Local>& entries);
// The central header of entry E whose local header stands at OFFSET.
std::string centralOf(const Local& e, std::uint32_t offset);
// An end record for a directory of COUNT records and SIZE bytes at OFFSET.
std::string endOf(std::uint16_t count, std::uint32_t size, std::uint32_t offset);

// One line of Python's own listing of an archive, for comparison with the reader.
struct Listed {
    std::string name{};
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::uint16_t flags = 0;
    bool operator==(const Listed&) const = default;
};
inline void PrintTo(const Listed& l, std::ostream* os) {
    *os << "{" << l.name << ", " << l.compressedSize << ", " << l.size << ", " << std::hex << l.crc
        << ", flags " << l.flags << std::dec << "}";
}

// Runs Python with SCRIPT (the archive's path is sys.argv[1]); true on success.
bool runPython(const std::string& script, const std::string& archivePath);
// Python's zipfile listing of the archive in central directory order.
std::vector<Listed> pythonListing(const std::string& archivePath);
// The reader's entries in the same form.
std::vector<Listed> readerListing(const TArchiver& archiver);

} // namespace archtest
