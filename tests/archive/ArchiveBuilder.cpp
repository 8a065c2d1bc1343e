#include "tests/archive/ArchiveBuilder.h"

#include "tests/support/TestSupport.h"

#include <fstream>
#include <sstream>

namespace archtest {

using testsupport::le16;
using testsupport::le32;

std::string Local::bytes() const {
    std::string out = "PK\x03\x04";
    out += le16(version) + le16(flags) + le16(method) + le16(time) + le16(date) + le32(crc);
    out += le32(compressedSize.value_or(static_cast<std::uint32_t>(data.size())));
    out += le32(uncompressedSize.value_or(static_cast<std::uint32_t>(data.size())));
    out += le16(nameLength.value_or(static_cast<std::uint16_t>(name.size())));
    out += le16(static_cast<std::uint16_t>(extra.size()));
    return out + name + extra + data;
}

std::string centralHeaderStub() {
    return "PK\x01\x02" + std::string(42, '\0');
}

std::string endRecord() {
    return "PK\x05\x06" + std::string(18, '\0');
}

std::string centralOf(const Local& e, std::uint32_t offset) {
    std::string out = "PK\x01\x02" + le16(0x031E) + le16(e.version) + le16(e.flags) +
                      le16(e.method) + le16(e.time) + le16(e.date) + le32(e.crc);
    out += le32(e.compressedSize.value_or(static_cast<std::uint32_t>(e.data.size())));
    out += le32(e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size())));
    out += le16(static_cast<std::uint16_t>(e.name.size())) + le16(0) + le16(0) + le16(0) + le16(0) +
           le32(0) + le32(offset);
    return out + e.name;
}

std::string endOf(std::uint16_t count, std::uint32_t size, std::uint32_t offset) {
    return "PK\x05\x06" + le16(0) + le16(0) + le16(count) + le16(count) + le32(size) +
           le32(offset) + le16(0);
}

std::string archiveOf(const std::vector<Local>& entries) {
    std::string out;
    for (const Local& e : entries)
        out += e.bytes();
    return out + centralHeaderStub() + endRecord();
}

bool runPython(const std::string& script, const std::string& archivePath) {
    testsupport::TempDir dir;
    const auto file = dir / "make.py";
    testsupport::writeFile(file, script);
    return testsupport::runCommand("python3 '" + file.string() + "' '" + archivePath + "'") == 0;
}

std::vector<Listed> pythonListing(const std::string& archivePath) {
    testsupport::TempDir dir;
    const auto out = dir / "listing.txt";
    const std::string script = "import sys, zipfile\n"
                               "with zipfile.ZipFile(sys.argv[1]) as z, open(sys.argv[2], 'w',"
                               " encoding='utf-8', errors='surrogateescape') as o:\n"
                               "    for i in z.infolist():\n"
                               "        o.write('%s\\t%d\\t%d\\t%d\\t%d\\n' % (i.orig_filename,"
                               " i.compress_size, i.file_size, i.CRC, i.flag_bits))\n";
    const auto file = dir / "list.py";
    testsupport::writeFile(file, script);
    std::vector<Listed> result;
    if (testsupport::runCommand("python3 '" + file.string() + "' '" + archivePath + "' '" +
                                out.string() + "'") != 0)
        return result;
    std::istringstream in(testsupport::readFile(out));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Listed l;
        std::getline(fields, l.name, '\t');
        fields >> l.compressedSize >> l.size >> l.crc >> l.flags;
        result.push_back(l);
    }
    return result;
}

std::vector<Listed> readerListing(const TArchiver& archiver) {
    std::vector<Listed> result;
    for (const auto& e : archiver.DirEntries())
        result.push_back({displayName(*e), e->CompressedSize64, e->UncompressedSize64, e->Crc32,
                          e->GeneralFlags});
    return result;
}

} // namespace archtest
