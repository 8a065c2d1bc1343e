// The reader on archives written by other tools: Python's zipfile (stored, deflated,
// forced ZIP64, streamed with data descriptors) and Info-ZIP zip (streamed from a pipe).
// Each listing is compared with Python's own reading of the central directory.
#include "archive/Archiver.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "tests/archive/ArchiveBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using archtest::Listed;
using testsupport::TempDir;

struct ToolCase {
    const char* what;
    std::string script; // Python run with the archive's path as sys.argv[1]
    std::size_t entries;
    bool descriptors; // the archive's entries carry their sizes in data descriptors
};

void PrintTo(const ToolCase& c, std::ostream* os) {
    *os << c.what;
}

class ToolArchives : public ::testing::TestWithParam<ToolCase> {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    TempDir dir;
    TArchiver archiver;
};

TEST_P(ToolArchives, ListEveryEntryAsTheCentralDirectoryDoes) {
    const std::string path = (dir / "tool.zip").string();
    ASSERT_TRUE(archtest::runPython(GetParam().script, path));
    const std::vector<Listed> expected = archtest::pythonListing(path);
    ASSERT_EQ(expected.size(), GetParam().entries);
    for (const Listed& l : expected)
        EXPECT_EQ((l.flags & 8) != 0, GetParam().descriptors) << l.name;

    int updates = 0;
    archiver.OnDirUpdate = [&](TArchiver*) { ++updates; };
    ASSERT_NO_THROW(archiver.setZipFilename(path));
    EXPECT_EQ(archtest::readerListing(archiver), expected);
    EXPECT_EQ(updates, 1);
    EXPECT_TRUE(messages.shown().empty());

    // A program part before the archive (as a self-extractor has) changes nothing: offsets
    // into the central directory are corrected by the prepended bytes.
    const std::string prefixed = (dir / "prefixed.zip").string();
    testsupport::writeFile(prefixed,
                           "MZ" + std::string(3000, '\x01') + testsupport::readFile(path));
    ASSERT_NO_THROW(archiver.setZipFilename(prefixed));
    EXPECT_EQ(archtest::readerListing(archiver), expected);
}

const char* const kPipe = "import sys, zipfile, struct\n"
                          "class Pipe:\n"
                          "    def __init__(s, f): s.f = f; s.n = 0\n"
                          "    def write(s, b): s.f.write(b); s.n += len(b); return len(b)\n"
                          "    def tell(s): return s.n\n"
                          "    def flush(s): pass\n";

// Streams two entries, then sets the first one's CRC to 0x02014B50 in its descriptor and
// its central record; without the signature, the later offsets move back by four bytes.
const char* const kForgeCrc = "def forge(path, keep_signature):\n"
                              "    with open(path, 'wb') as out:\n"
                              "        with zipfile.ZipFile(Pipe(out), 'w') as z:\n"
                              "            with z.open('first', 'w') as f: f.write(b'first data')\n"
                              "            with z.open('second', 'w') as f: f.write(b'2')\n"
                              "    b = bytearray(open(path, 'rb').read())\n"
                              "    old = struct.pack('<I', zipfile.crc32(b'first data'))\n"
                              "    new = struct.pack('<I', 0x02014B50)\n"
                              "    i = b.index(b'PK\\x07\\x08' + old)\n"
                              "    b[i + 4:i + 8] = new\n"
                              "    j = b.index(b'PK\\x01\\x02', i + 8)\n"
                              "    assert b[j + 16:j + 20] == old\n"
                              "    b[j + 16:j + 20] = new\n"
                              "    if not keep_signature:\n"
                              "        del b[i:i + 4]\n"
                              "        j -= 4\n"
                              "        k = b.index(b'PK\\x01\\x02', j + 46)\n"
                              "        off = struct.unpack('<I', b[k + 42:k + 46])[0]\n"
                              "        b[k + 42:k + 46] = struct.pack('<I', off - 4)\n"
                              "        e = b.rindex(b'PK\\x05\\x06')\n"
                              "        off = struct.unpack('<I', b[e + 16:e + 20])[0]\n"
                              "        b[e + 16:e + 20] = struct.pack('<I', off - 4)\n"
                              "    open(path, 'wb').write(b)\n";

const char* const kContents = "import sys, zipfile\n"
                              "data = {'a.txt': b'alpha ' * 50, 'dir/b.bin': bytes(range(256)) * 9,"
                              " 'empty': b'', 'caf\\u00e9.txt': b'utf-8 name'}\n";

INSTANTIATE_TEST_SUITE_P(
    Reader, ToolArchives,
    ::testing::Values(
        ToolCase{
            "stored",
            std::string(kContents) +
                "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
                "    for n, d in data.items(): z.writestr(n, d)\n"
                "    z.mkdir('folder') if hasattr(z, 'mkdir') else z.writestr('folder/', b'')\n",
            5, false},
        ToolCase{"deflated",
                 std::string(kContents) +
                     "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                     "    for n, d in data.items(): z.writestr(n, d)\n",
                 4, false},
        ToolCase{"forced ZIP64",
                 std::string(kContents) +
                     "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED,"
                     " allowZip64=True) as z:\n"
                     "    for n, d in data.items():\n"
                     "        with z.open(n, 'w', force_zip64=True) as f: f.write(d)\n",
                 4, false},
        // Written to a stream that cannot seek: sizes follow each entry's data.
        ToolCase{"streamed with data descriptors",
                 std::string(kPipe) + kContents +
                     "with open(sys.argv[1], 'wb') as out:\n"
                     "    with zipfile.ZipFile(Pipe(out), 'w', zipfile.ZIP_DEFLATED) as z:\n"
                     "        for n, d in data.items():\n"
                     "            with z.open(n, 'w') as f: f.write(d)\n",
                 4, true},
        ToolCase{"streamed ZIP64 with data descriptors",
                 std::string(kPipe) + kContents +
                     "with open(sys.argv[1], 'wb') as out:\n"
                     "    with zipfile.ZipFile(Pipe(out), 'w', zipfile.ZIP_STORED) as z:\n"
                     "        for n, d in data.items():\n"
                     "            with z.open(n, 'w', force_zip64=True) as f: f.write(d)\n",
                 4, true},
        // Descriptor words that look like signatures must not derail the walk: the CRC of
        // the first entry is made to read as 'PK' 1 2, once after a descriptor signature
        // and once in a descriptor without one.
        ToolCase{"descriptor CRC reading as a central header",
                 std::string(kPipe) + kForgeCrc + "forge(sys.argv[1], keep_signature=True)\n", 2,
                 true},
        ToolCase{"descriptor without signature, CRC reading as a central header",
                 std::string(kPipe) + kForgeCrc + "forge(sys.argv[1], keep_signature=False)\n", 2,
                 true}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& c : n)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST(InfoZipArchives, StreamedFromAPipeAreListed) {
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope(messages);
    TempDir dir;
    const std::string path = (dir / "piped.zip").string();
    // Input from standard input and output to a pipe: zip writes data descriptors.
    ASSERT_EQ(testsupport::runCommand("cd '" + dir.str() +
                                      "' && printf 'streamed text %.0s' $(seq 1 200) | zip -q - - "
                                      "| cat > '" +
                                      path + "'"),
              0);
    const std::vector<Listed> expected = archtest::pythonListing(path);
    ASSERT_EQ(expected.size(), 1u);
    TArchiver archiver;
    ASSERT_NO_THROW(archiver.setZipFilename(path));
    EXPECT_EQ(archtest::readerListing(archiver), expected);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(InfoZipArchives, FilesZippedNormallyAreListed) {
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope(messages);
    TempDir dir;
    testsupport::writeFile(dir / "in/one.txt", std::string(5000, 'a'));
    testsupport::writeFile(dir / "in/sub/two.txt", "two");
    const std::string path = (dir / "normal.zip").string();
    ASSERT_EQ(testsupport::runCommand("cd '" + dir.str() + "' && zip -q -r '" + path + "' in"), 0);
    const std::vector<Listed> expected = archtest::pythonListing(path);
    ASSERT_EQ(expected.size(), 4u);
    TArchiver archiver;
    ASSERT_NO_THROW(archiver.setZipFilename(path));
    EXPECT_EQ(archtest::readerListing(archiver), expected);
}

} // namespace
