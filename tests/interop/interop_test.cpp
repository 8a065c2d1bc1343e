// What the libraries write is read by other tools byte for byte and with exact times, and
// what other tools write (every method and encryption, streamed, ZIP64, folders, extra bytes
// around the archive) is listed, extracted, reported and changed by the program as it says.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <set>
#include <sstream>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// Every file and folder of the tree has this time, an odd second, which DOS times cannot
// hold. Writers run three hours west of UTC and the program in UTC, so a time taken from the
// DOS field as local time comes out three hours early.
constexpr std::time_t SourceTime = 1623760497; // 2021-06-15 12:34:57 UTC
constexpr std::time_t WriterOffset = 3 * 3600;
const std::string WriterZone = "TZ=QMB+3 LC_ALL=C.UTF-8";
const std::string UmlautName = "sub/gr\u00FC\u00DFe.txt";

// A tree with compressible and random data, an empty file, non-ASCII names and folders.
void makeTree(const fs::path& root) {
    writeFile(root / "readme.txt", textData(1'000'000, 11));
    writeFile(root / "noise.bin", noiseData(300'000, 12));
    writeFile(root / "empty.dat", "");
    writeFile(root / "sub" / "deeper" / "note.txt", "a short note\n");
    writeFile(root / UmlautName, "umlauts");
    writeFile(root / "\u65E5\u672C/\u6587.txt", textData(40'000, 13));
    fs::create_directories(root / "sub" / "emptydir");
    for (const auto& e : fs::recursive_directory_iterator(root))
        setMtime(e.path(), SourceTime);
}

std::string run(const std::string& command) {
    int status = 0;
    const std::string out = capture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command << "\n" << out;
    return out;
}

// ---- written by the libraries, read by the others --------------------------------------

class OursReadByOthers : public ::testing::TestWithParam<int> {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "ours.zip").string();

    void SetUp() override {
        makeTree(src);
        const fs::path old = fs::current_path();
        fs::current_path(src);
        const auto n =
            runZip({.archive = archive, .specs = {"."}, .level = GetParam(), .recurse = true});
        fs::current_path(old);
        ASSERT_EQ(n, 6);
    }
};

// unzip tests it clean and extracts it in another zone with the same bytes, folders and exact
// times; zipinfo reads the exact time of every entry; Python finds no fault in its 6 files and
// 4 folders, and sees the UTF-8 flag on exactly the non-ASCII names, with the right sizes.
TEST_P(OursReadByOthers, WithExactBytesNamesAndTimes) {
    run("unzip -tqq " + shellQuote(archive));
    const fs::path out = td / "out";
    fs::create_directories(out);
    run(WriterZone + " unzip -qq " + shellQuote(archive) + " -d " + shellQuote(out.string()));
    EXPECT_EQ(treeContents(out), treeContents(src));
    EXPECT_TRUE(fs::is_directory(out / "sub" / "emptydir"));
    for (const auto& [name, bytes] : treeContents(out))
        EXPECT_EQ(mtimeOf(out / name), SourceTime) << name;
    EXPECT_EQ(run("TZ=UTC0 zipinfo -v " + shellQuote(archive) +
                  " | grep -c 'UT extra field modtime): 2021 Jun 15 12:34:57 UTC'"),
              std::to_string(readCentralDirectory(archive).size()) + "\n");
    const std::string py = run(
        "PYTHONIOENCODING=utf-8 python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\n"
        "print(z.testzip(), len(z.namelist()))\nfor i in z.infolist():\n"
        "    print(i.filename, i.file_size, i.flag_bits & 0x800)\" " +
        shellQuote(archive));
    EXPECT_EQ(py.rfind("None 10\n", 0), 0u) << py;
    EXPECT_NE(py.find(UmlautName + " 7 2048\n"), std::string::npos) << py;
    EXPECT_NE(py.find("readme.txt 1000000 0\n"), std::string::npos) << py;
}

INSTANTIATE_TEST_SUITE_P(Levels, OursReadByOthers, ::testing::Values(0, 1, 6, 9));

// ---- written by the others, listed, extracted and changed through the program ----------

struct Foreign {
    const char* label;
    std::string write;         // run in the source folder in the writers' zone; $ARCHIVE, $WRITER
    std::uint16_t method;      // the method the tool used for the compressible readme.txt
    bool exactTimes = true;    // the tool stores UTC times (extended timestamp or NTFS field)
    std::string after{};       // then run on $ARCHIVE: bytes put outside the archive
    bool listingStops = false; // the listing's walk of the local headers stops with an error
};

void PrintTo(const Foreign& f, std::ostream* os) {
    *os << f.label;
}

// Python writers: stored, deflated, streamed to a pipe (data descriptors), forced ZIP64;
// folders named without "/" (one marked by its Unix mode, the others by the DOS attribute);
// a leftover local header, whose sizes run past the end, between two stored entries.
const char* pythonWriter = R"(
import os, sys, time, zipfile
mode, target = sys.argv[1], sys.argv[2]
method = zipfile.ZIP_STORED if mode in ('stored', 'gap') else zipfile.ZIP_LZMA if mode == 'lzma' else zipfile.ZIP_DEFLATED
out = sys.stdout.buffer if mode == 'stream' else target
with zipfile.ZipFile(out, 'w', method) as z:
    for dirpath, dirs, files in sorted(os.walk('.')):
        dirs.sort()
        rel = os.path.relpath(dirpath, '.')
        if rel != '.' and mode == 'attrdirs':
            info = zipfile.ZipInfo(rel, time.localtime(os.stat(rel).st_mtime)[:6])
            info.create_system, info.external_attr = (3, 0o40755 << 16) if rel == 'sub' else (0, 0x10)
            z.writestr(info, b'')
        elif rel != '.':
            z.mkdir(rel)
        for f in sorted(files):
            path = os.path.normpath(os.path.join(rel, f))
            if mode in ('stream', 'zip64'):
                info = zipfile.ZipInfo.from_file(path)
                info.compress_type = method
                with open(path, 'rb') as src, z.open(info, 'w', force_zip64=(mode == 'zip64')) as dst:
                    dst.write(src.read())
            else:
                z.write(path)
            if mode == 'gap' and f == 'empty.dat':
                z.fp.write(b'PK\x03\x04' + bytes(14) + b'\xff\xff\xff\x7f' * 2 + bytes(4))
                z.start_dir = z.fp.tell()
)";

struct Outcome {
    int status = -1;
    std::string out, err;
};

// The program in its command-line mode, in UTC, started in FOLDER.
Outcome program(const fs::path& folder, const std::string& args) {
    Outcome r;
    r.out = capture("cd " + shellQuote(folder.string()) +
                        " && env -u DISPLAY -u QT_QPA_PLATFORM TZ=UTC0 LC_ALL=C.UTF-8 " +
                        shellQuote(QUEMBLY_PROGRAM) + " " + args + " 2>stderr.txt </dev/null",
                    &r.status);
    r.err = readFile(folder / "stderr.txt");
    return r;
}

const std::string sevenZip = "7z a -bd -bso0 -tzip \"$ARCHIVE\" . ";
const std::string infoZip = "zip -r -q \"$ARCHIVE\" . ";

// Runs COMMAND in TD/src in the writers' zone, with $ARCHIVE naming ZIP and $WRITER the Python
// writer; returns the environment set for it, to run more commands in.
std::string writeWith(const fs::path& td, const fs::path& zip, const std::string& command) {
    writeFile(td / "writer.py", pythonWriter);
    const std::string env = "export " + WriterZone + " ARCHIVE=" + shellQuote(zip.string()) +
                            " WRITER=" + shellQuote((td / "writer.py").string()) + " && ";
    run("cd " + shellQuote((td / "src").string()) + " && " + env + command);
    return env;
}

class ForeignArchives : public ::testing::TestWithParam<Foreign> {};

TEST_P(ForeignArchives, AreListedExtractedAndChangedAsPromised) {
    const Foreign& w = GetParam();
    TempDir td;
    const fs::path src = td / "src", zip = td / "theirs.zip";
    makeTree(src);
    const std::string env = writeWith(td.path(), zip, w.write);
    const std::vector<CdEntry> entries = readCentralDirectory(zip);
    // Encrypted entries (no password is given here: they are skipped with their message, and
    // EncryptedArchives below reads them) and methods the library does not decode are left
    // unread.
    const auto unreadable = [](const CdEntry& e) {
        return (e.flags & 1) != 0 || !std::set<int>{0, 8, 9, 12, 14, 93, 95}.count(e.method);
    };
    const auto readme = std::find_if(entries.begin(), entries.end(), [](const CdEntry& e) {
        return e.name.ends_with("readme.txt");
    });
    ASSERT_NE(readme, entries.end());
    EXPECT_EQ(readme->method, w.method);
    if (!w.after.empty())
        run(env + w.after);

    // The listing names every entry of the central directory, unless its walk stops.
    Outcome r = program(td.path(), "--list theirs.zip");
    EXPECT_EQ(r.status, w.listingStops ? 1 : 0) << r.err;
    std::vector<std::string> listed;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line); listed.push_back(line))
        std::replace(line.begin(), line.erase(line.find('\t')).end(), '\\', '/');
    std::sort(listed.begin(), listed.end());
    if (!w.listingStops) {
        EXPECT_EQ(listed, entryNames(entries));
    }

    // Every entry is extracted from the central directory: files byte for byte with their
    // times, folders as folders, and a message for each one that cannot be.
    r = program(td.path(), "--extract theirs.zip out --dirnames");
    int extracted = 0, skipped = 0;
    for (const CdEntry& e : entries) {
        std::string rel = e.name.starts_with("./") ? e.name.substr(2) : e.name;
        while (rel.ends_with("/"))
            rel.pop_back();
        const fs::path from = src / rel, to = td / "out" / rel;
        const bool encrypted = (e.flags & 1) != 0;
        if (fs::is_directory(from)) {
            EXPECT_TRUE(fs::is_directory(to)) << rel;
        } else if (unreadable(e)) {
            EXPECT_FALSE(fs::exists(to)) << rel;
            ++skipped;
            const std::string why =
                encrypted ? "Encrypted entry cannot be extracted: " : " not supported, skipped: ";
            EXPECT_NE(r.err.find(why + e.name), std::string::npos) << r.err;
        } else {
            ++extracted;
            EXPECT_EQ(readFile(to), readFile(from)) << rel;
            const std::time_t expected = w.exactTimes ? SourceTime : SourceTime - WriterOffset;
            EXPECT_LE(std::abs(mtimeOf(to) - expected), w.exactTimes ? 0 : 1) << rel;
        }
    }
    EXPECT_EQ(r.out, std::to_string(extracted) + " files were extracted\n");
    EXPECT_EQ(r.status, extracted > 0 && skipped == 0 ? 0 : 1);
    EXPECT_EQ(r.err.find("Warning: ") != std::string::npos, w.listingStops) << r.err;
    for (const char* code : {"(code 3)", "(code 5)", "(code 6)"}) // CRC, refused name, damaged
        EXPECT_EQ(r.err.find(code), std::string::npos) << r.err;

    // --test agrees with unzip -t (0, or 1 for warnings only: sound), but for the entries of
    // a method or an encryption the library does not read, each named. Bytes put after the end
    // hide some archives from unzip; the program reads through them.
    int unzipStatus = 0, unread = 0;
    capture("unzip -tqq " + shellQuote(zip.string()) + " </dev/null 2>&1", &unzipStatus);
    r = program(td.path(), "--test theirs.zip");
    for (const CdEntry& e : entries) {
        if (!e.name.ends_with("/") && unreadable(e)) {
            ++unread;
            EXPECT_NE(r.out.find(e.name + ": "), std::string::npos) << r.out;
        }
    }
    // unzip reads neither LZMA, Zstandard nor XZ: there the extraction above is the witness.
    const bool beyondUnzip = std::any_of(entries.begin(), entries.end(), [](const CdEntry& e) {
        return e.method == 14 || e.method == 93 || e.method == 95;
    });
    const bool sound = unzipStatus <= 1 || !w.after.empty() || beyondUnzip;
    EXPECT_EQ(r.status, sound && unread == 0 ? 0 : 1) << unzipStatus << r.out << r.err;

    // A rewrite keeps every other entry. Where it would drop bytes around the archive, or
    // where the listing fails, Delete and Add are refused and leave the file as it was.
    fs::copy_file(zip, td / "copy.zip");
    const bool refused = !w.after.empty() || w.listingStops;
    std::vector<std::string> left = entryNames(entries);
    left.erase(std::find(left.begin(), left.end(), readme->name));
    std::vector<std::string> commands = {"--delete copy.zip " + readme->name};
    if (refused)
        commands.push_back("--add copy.zip src/readme.txt");
    for (const std::string& args : commands) {
        r = program(td.path(), args);
        EXPECT_EQ(r.status, refused ? 1 : 0) << args << r.err;
        EXPECT_EQ(r.err.find("which a rewrite would lose") != std::string::npos, !w.after.empty());
    }
    if (refused) {
        EXPECT_EQ(readFile(td / "copy.zip"), readFile(zip));
    } else {
        EXPECT_EQ(entryNames(readCentralDirectory(td / "copy.zip")), left);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ForeignArchives,
    ::testing::Values(
        Foreign{"InfoZip", infoZip, 8}, Foreign{"InfoZipStored", infoZip + "-0", 0},
        Foreign{"InfoZipNoFolders", infoZip + "-D", 8}, Foreign{"InfoZipZip64", infoZip + "-fz", 8},
        Foreign{"InfoZipToAPipe", "zip -r -q - . | cat > \"$ARCHIVE\"", 8},
        Foreign{"SevenZipDeflate", sevenZip + "-mm=Deflate", 8},
        Foreign{"SevenZipBzip2", sevenZip + "-mm=BZip2", 12},
        Foreign{"SevenZipDeflate64", sevenZip + "-mm=Deflate64", 9},
        Foreign{"SevenZipLzma", sevenZip + "-mm=LZMA", 14},
        Foreign{"SevenZipPpmd", sevenZip + "-mm=PPMd", 98},
        Foreign{"SevenZipZipCrypto", sevenZip + "-pSecret -mem=ZipCrypto", 8},
        Foreign{"SevenZipAes", sevenZip + "-pSecret -mem=AES256", 99},
        Foreign{"Bsdtar", "bsdtar --format zip -cf \"$ARCHIVE\" .", 8},
        Foreign{"PythonStored", "python3 \"$WRITER\" stored \"$ARCHIVE\"", 0, false},
        Foreign{"PythonDeflated", "python3 \"$WRITER\" deflated \"$ARCHIVE\"", 8, false},
        Foreign{"PythonLzma", "python3 \"$WRITER\" lzma \"$ARCHIVE\"", 14, false},
        Foreign{"PythonStreamed", "python3 \"$WRITER\" stream - | cat > \"$ARCHIVE\"", 8, false},
        Foreign{"PythonZip64", "python3 \"$WRITER\" zip64 \"$ARCHIVE\"", 8, false},
        Foreign{"FoldersByAttributes", "python3 \"$WRITER\" attrdirs \"$ARCHIVE\"", 8, false},
        Foreign{"StrayBytesBetweenEntries", "python3 \"$WRITER\" gap \"$ARCHIVE\"", 0, false, "",
                true},
        Foreign{"PaddingAfterTheEnd", infoZip + "-fz", 8, true,
                "head -c 70000 /dev/zero >>\"$ARCHIVE\""},
        Foreign{"TrailerCopyAfterTheEnd", infoZip, 8, true,
                "tail -c 22 \"$ARCHIVE\" >\"$ARCHIVE.t\" && cat \"$ARCHIVE.t\" >>\"$ARCHIVE\""},
        Foreign{"ProgramBeforeAndPaddingAfter", infoZip, 8, true,
                "{ printf 'MZ stub'; cat \"$ARCHIVE\"; printf 'pad'; } >\"$ARCHIVE.t\" && mv "
                "\"$ARCHIVE.t\" \"$ARCHIVE\""}),
    [](const auto& info) { return std::string(info.param.label); });

// Python streaming to a pipe writes data descriptors and zero sizes in the local headers: the
// library extracts such entries, and once an add has rewritten the archive, a walk over the
// local headers finds every entry.
TEST(Interop, StreamedArchiveIsExtractedAndRewrittenWithSizes) {
    TempDir td;
    writeFile(td / "src" / "a.bin", noiseData(50000));
    writeFile(td / "src" / "b.txt", "bee");
    const std::string zip = (td / "s.zip").string();
    writeWith(td.path(), zip, "python3 \"$WRITER\" stream - | cat > \"$ARCHIVE\"");
    const auto streamed = readCentralDirectory(zip);
    ASSERT_EQ(streamed.size(), 2u);
    for (const CdEntry& e : streamed)
        EXPECT_TRUE(e.flags & 0x0008) << e.name;
    const fs::path out = td / "out";
    fs::create_directories(out);
    EXPECT_EQ(runUnz(out, {.archive = zip}), 2);
    EXPECT_EQ(treeContents(out), treeContents(td / "src"));

    writeFile(td / "c.txt", "sea");
    ASSERT_EQ(runZip({.archive = zip, .specs = {(td / "c.txt").string()}, .noDirNames = true}), 1);
    const auto entries = readCentralDirectory(zip);
    EXPECT_EQ(walkLocalHeaders(zip), entryNames(entries));
    EXPECT_EQ(entries.size(), 3u);
    run("unzip -tqq " + shellQuote(zip));
}

TEST(Interop, ForeignArchiveSurvivesOurAddAndDelete) {
    // An archive made by Info-ZIP or 7-Zip, changed by the library, still tests clean and
    // keeps the untouched entries' bytes; a replaced entry keeps no time field of the old
    // file, which 7-Zip would otherwise restore.
    for (const std::string& writer : {infoZip, sevenZip}) {
        SCOPED_TRACE(writer);
        TempDir td;
        makeTree(td / "src");
        const std::string zip = (td / "mixed.zip").string();
        writeWith(td.path(), zip, writer);
        writeFile(td / "extra" / "added.txt", "added later");
        writeFile(td / "extra" / "readme.txt", "replaced");
        setMtime(td / "extra" / "readme.txt", SourceTime + 86401);
        ASSERT_EQ(runZip({.archive = zip,
                          .specs = {(td / "extra" / "added.txt").string(),
                                    (td / "extra" / "readme.txt").string()},
                          .noDirNames = true}),
                  2);
        ASSERT_EQ(runZip({.archive = zip, .specs = {"noise.bin"}, .del = true}), 1);
        run("unzip -tqq " + shellQuote(zip));
        const fs::path out = td / "out";
        run("7z x -bso0 -o" + shellQuote(out.string()) + " " + shellQuote(zip));
        EXPECT_EQ(readFile(out / "added.txt"), "added later");
        EXPECT_FALSE(fs::exists(out / "noise.bin"));
        EXPECT_EQ(readFile(out / "readme.txt"), "replaced");
        EXPECT_EQ(mtimeOf(out / "readme.txt"), SourceTime + 86401);
        EXPECT_EQ(readFile(out / "sub" / "deeper" / "note.txt"), "a short note\n");
    }
}

// ---- methods decoded by the library itself ---------------------------------------------

// An archive of one entry whose data PAYLOAD another tool compressed with METHOD, as an
// archive with that method would hold it.
std::string singleEntryZip(const std::string& name, std::uint16_t method,
                           const std::string& payload, const std::string& original) {
    using testsupport::le16, testsupport::le32;
    const std::string common = le16(method) + le16(0x6B2C) + le16(0x5A87) +
                               le32(testsupport::crc32(original)) + le32(payload.size()) +
                               le32(original.size()) + le16(name.size()) + le16(0);
    const std::string local = "PK\x03\x04" + le16(63) + le16(0) + common + name + payload;
    const std::string central = "PK\x01\x02" + le16(63) + le16(63) + le16(0) + common + le16(0) +
                                le16(0) + le16(0) + le32(0) + le32(0) + name;
    return local + central + "PK\x05\x06" + le32(0) + le16(1) + le16(1) + le32(central.size()) +
           le32(local.size()) + le16(0);
}

struct MethodCase {
    const char* label;
    std::string write; // run in the source folder; writes $ARCHIVE, or $PAYLOAD for ASSEMBLE
    std::uint16_t method;
    bool assemble = false; // the test wraps $PAYLOAD into an archive with the method
    bool decoded = true;
};

class DecodedMethods : public ::testing::TestWithParam<MethodCase> {};

// Each method's entry comes out byte for byte; the same archive with one byte of the data
// changed gives a CRC or data error naming the entry and leaves no file. An entry of a method
// not decoded is skipped with a message naming entry and method.
TEST_P(DecodedMethods, ExtractByteForByteAndRefuseDamage) {
    const MethodCase& c = GetParam();
    TempDir td;
    // Far repeats (beyond 32 KiB) and long runs, so Deflate64's own codes are used.
    const std::string noise = noiseData(40'000, 7);
    const std::string data = noise + textData(200'000, 8) + std::string(70'000, 'z') + noise;
    writeFile(td / "src" / "data.bin", data);
    const fs::path zip = td / "m.zip";
    const std::string env = "export ARCHIVE=" + shellQuote(zip.string()) +
                            " PAYLOAD=" + shellQuote((td / "payload").string()) + " && ";
    run("cd " + shellQuote((td / "src").string()) + " && " + env + c.write);
    if (c.assemble)
        writeFile(zip, singleEntryZip("data.bin", c.method, readFile(td / "payload"), data));
    const std::vector<CdEntry> entries = readCentralDirectory(zip);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_EQ(entries[0].method, c.method);

    Outcome r = program(td.path(), "--extract m.zip out");
    EXPECT_EQ(r.status, c.decoded ? 0 : 1) << r.err;
    if (!c.decoded) {
        EXPECT_NE(r.err.find(std::string("Compression method ") + c.label +
                             " not supported, skipped: data.bin"),
                  std::string::npos)
            << r.err;
        return;
    }
    EXPECT_EQ(readFile(td / "out" / "data.bin"), data);

    std::string bytes = readFile(zip);
    const std::size_t start = entries[0].localOffset + 30 + 8 +
                              (static_cast<unsigned char>(bytes[entries[0].localOffset + 28]) |
                               static_cast<unsigned char>(bytes[entries[0].localOffset + 29]) << 8);
    bytes[start + entries[0].compressedSize / 2] ^= 0x55;
    writeFile(td / "bad.zip", bytes);
    r = program(td.path(), "--extract bad.zip bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.find("CRC error in data.bin") != std::string::npos ||
                r.err.find("Cannot read data.bin (Compressed data invalid)") != std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(td / "bad" / "data.bin"));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, DecodedMethods,
    ::testing::Values(
        MethodCase{"Lzma",
                   "python3 -c \"import zipfile\nwith zipfile.ZipFile('$ARCHIVE', 'w', "
                   "zipfile.ZIP_LZMA) as z: z.write('data.bin')\"",
                   14},
        MethodCase{"Deflate64", "7z a -bd -bso0 -tzip -mm=Deflate64 \"$ARCHIVE\" data.bin", 9},
        MethodCase{"Xz", "xz -c data.bin >\"$PAYLOAD\"", 95, true},
        MethodCase{"Zstandard", "zstd -q -c data.bin >\"$PAYLOAD\"", 93, true},
        MethodCase{"ZstandardFrames",
                   "{ head -c 100000 data.bin | zstd -q -c; tail -c +100001 data.bin | zstd -q "
                   "-c; } >\"$PAYLOAD\"",
                   93, true},
        MethodCase{"PPMd", "7z a -bd -bso0 -tzip -mm=PPMd \"$ARCHIVE\" data.bin", 98, false,
                   false}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- names stored in a code page -------------------------------------------------------

struct CodePageCase {
    const char* encoding;
    std::string raw;  // the stored name, UTF-8 flag clear
    std::string name; // how it reads in that code page
};

class CodePageNames : public ::testing::TestWithParam<CodePageCase> {};

// Under --encoding the listing shows the name in its code page, extraction finds the entry by
// it and writes the file under it, and Delete takes it; without the choice the same name asked
// for finds nothing.
TEST_P(CodePageNames, ListExtractAndDeleteUnderTheChosenEncoding) {
    const CodePageCase& c = GetParam();
    TempDir td;
    const std::string data = textData(5000, 3);
    writeFile(td / "cp.zip", singleEntryZip(c.raw, 0, data, data));
    const std::string enc = std::string(" --encoding ") + c.encoding;

    Outcome r = program(td.path(), "--list cp.zip" + enc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\t')), c.name);
    r = program(td.path(), "--extract cp.zip named " + shellQuote(c.name));
    EXPECT_EQ(r.status, 1) << r.err;
    r = program(td.path(), "--extract cp.zip named " + shellQuote(c.name) + enc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(td / "named" / c.name), data);
    r = program(td.path(), "--delete cp.zip " + shellQuote(c.name) + enc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readCentralDirectory(td / "cp.zip").empty());
}

INSTANTIATE_TEST_SUITE_P(Encodings, CodePageNames,
                         ::testing::Values(CodePageCase{"CP866", "\x8F\xE0\xA8\xA2\xA5\xE2.txt",
                                                        "\u041F\u0440\u0438\u0432\u0435\u0442.txt"},
                                           CodePageCase{"shift-jis", "\x93\xFA\x96\x7B.txt",
                                                        "\u65E5\u672C.txt"}));

// ---- encrypted archives ------------------------------------------------------------------

// The program as program() runs it, with PASSWORD as the first line of its standard input and
// --archive-password-file - added to ARGS.
Outcome withPassword(const fs::path& folder, const std::string& args, const std::string& password) {
    Outcome r;
    r.out = capture(
        "cd " + shellQuote(folder.string()) + " && printf '%s\\n' " + shellQuote(password) +
            " | env -u DISPLAY -u QT_QPA_PLATFORM TZ=UTC0 LC_ALL=C.UTF-8 " +
            shellQuote(QUEMBLY_PROGRAM) + " " + args + " --archive-password-file - 2>stderr.txt",
        &r.status);
    r.err = readFile(folder / "stderr.txt");
    return r;
}

struct Encrypted {
    const char* label;
    std::string write; // as Foreign::write, with the password "Secret"
};

void PrintTo(const Encrypted& e, std::ostream* os) {
    *os << e.label;
}

class EncryptedArchives : public ::testing::TestWithParam<Encrypted> {};

// With the right password every file comes out byte for byte and tests sound; a wrong one
// ends the command with 1, names the entry, and none of the encrypted entries is written.
TEST_P(EncryptedArchives, ExtractWithTheRightPasswordOnly) {
    TempDir td;
    const fs::path src = td / "src", zip = td / "theirs.zip";
    makeTree(src);
    writeWith(td.path(), zip, GetParam().write);
    Outcome r = withPassword(td.path(), "--extract theirs.zip out --dirnames", "Secret");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(treeContents(td / "out"), treeContents(src));
    r = withPassword(td.path(), "--test theirs.zip", "Secret");
    EXPECT_EQ(r.status, 0) << r.out << r.err;

    r = withPassword(td.path(), "--extract theirs.zip wrong --dirnames", "Wrong");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong password for "), std::string::npos) << r.err;
    for (const CdEntry& e : readCentralDirectory(zip)) {
        if (e.flags & 1) {
            EXPECT_FALSE(fs::exists(td / "wrong" / e.name)) << e.name;
        }
    }
    EXPECT_EQ(withPassword(td.path(), "--test theirs.zip", "Wrong").status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, EncryptedArchives,
    ::testing::Values(Encrypted{"SevenZipAes256", sevenZip + "-pSecret -mem=AES256"},
                      Encrypted{"SevenZipZipCrypto", sevenZip + "-pSecret -mem=ZipCrypto"},
                      Encrypted{"InfoZip", infoZip + "-P Secret"}),
    [](const auto& info) { return std::string(info.param.label); });

struct OurEncryption {
    const char* label;
    const char* option;       // of --add
    std::string check, wrong; // a peer's test with the right and with a wrong password
    const char* method;       // as 7-Zip names it
};

void PrintTo(const OurEncryption& e, std::ostream* os) {
    *os << e.label;
}

class OursEncrypted : public ::testing::TestWithParam<OurEncryption> {};

// What --add --encrypt writes passes the peers' test with the password and fails it with
// another, 7-Zip names the method of every file, and the program extracts it again.
TEST_P(OursEncrypted, PassThePeersAndComeBack) {
    const OurEncryption& e = GetParam();
    TempDir td;
    makeTree(td / "src");
    Outcome r = withPassword(
        td.path(), std::string("--add ours.zip --recurse --dirnames ") + e.option + " src",
        "Secret");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string zip = shellQuote((td / "ours.zip").string());
    run(e.check + " " + zip + " </dev/null");
    int status = 0;
    capture(e.wrong + " " + zip + " </dev/null 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_EQ(run("7z l -slt " + zip + " | grep -c '^Method = " + e.method + "'"), "6\n");
    r = withPassword(td.path(), "--extract ours.zip out --dirnames", "Secret");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(treeContents(td / "out" / "src"), treeContents(td / "src"));
}

INSTANTIATE_TEST_SUITE_P(Methods, OursEncrypted,
                         ::testing::Values(OurEncryption{"Aes256", "--encrypt", "7z t -pSecret",
                                                         "7z t -pWrong", "AES-256"},
                                           OurEncryption{"ZipCrypto", "--encrypt=zipcrypto",
                                                         "unzip -tqq -P Secret",
                                                         "unzip -tqq -P Wrong", "ZipCrypto"}),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
