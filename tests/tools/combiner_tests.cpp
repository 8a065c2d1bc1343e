// The combiner's joining: split sets written by Info-ZIP's "zip -s" and byte splits made with
// split(1) become archives that unzip tests clean and that extract equal to the originals;
// damaged sets and refused outputs give their message and leave nothing behind.
#include "archive/Archiver.h"
#include "tests/support/TestSupport.h"
#include "tools/combiner/Combine.h"
#include "ziplibs/LibHarness.h"

#include <gtest/gtest.h>

#include <set>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

int sh(const std::string& command) {
    return runCommand("set -e; " + command + " >/dev/null 2>&1");
}

// A few hundred files in seven folders, some compressible and some not, and the split sets
// made of them, built once for all tests: "zsplit" and "z64" by zip -s 64k (the second with
// ZIP64 records forced), "bytes" and "bare" by split(1) of one whole archive into five pieces,
// "padded" likewise of the archive with 70,000 zero bytes after its end record.
struct Sets {
    TempDir dir;
    static constexpr std::size_t entries = 300 + 7 + 1; // the files, their folders and src/
    Sets() {
        for (unsigned i = 0; i < 300; ++i) {
            const std::size_t size = (i * 7919) % 3000;
            writeFile(dir / ("src/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".bin"),
                      i % 3 ? zltest::noiseData(size, i) : zltest::textData(size, i));
        }
        const std::string d = "cd '" + dir.str() + "' && ";
        EXPECT_EQ(sh(d +
                     "mkdir zsplit z64 bytes bare && zip -q -r -s 64k zsplit/set.zip src && "
                     "zip -q -r -fz -s 64k z64/set.zip src && zip -q -r whole.zip src && "
                     "split -n 5 -d -a 3 --numeric-suffixes=1 whole.zip bytes/set.zip. && "
                     "split -n 5 -d -a 3 --numeric-suffixes=1 whole.zip bare/set. && "
                     "mkdir padded && cp whole.zip p.zip && head -c 70000 /dev/zero >>p.zip && "
                     "split -n 5 -d -a 3 --numeric-suffixes=1 p.zip padded/set.zip. && rm p.zip"),
                  0);
    }
};

const Sets& sets() {
    static Sets s;
    return s;
}

std::set<std::string> listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

class CombinerTest : public ::testing::Test {
protected:
    // A fresh copy of one of the sets; returns its folder.
    fs::path copySet(const std::string& set) {
        fs::copy(sets().dir / set, work / set);
        return work / set;
    }
    TempDir work;
};

// --- Sets that join -------------------------------------------------------------------------

struct JoinCase {
    const char* label;
    const char* set;
    const char* piece;
    const char* suggested;
    bool zip64;         // the result keeps ZIP64 end records
    bool outputExisted; // an older file at the output is replaced on request
    friend void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.label; }
};

class JoinTest : public CombinerTest, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinTest, ResultPassesUnzipAndExtractsEqualToTheOriginals) {
    const JoinCase& c = GetParam();
    const fs::path folder = copySet(c.set);
    const auto set = combiner::findPieceSet(folder / c.piece);
    EXPECT_EQ(combiner::suggestedOutput(set), folder / c.suggested);
    const fs::path out = work / "out.zip";
    if (c.outputExisted)
        writeFile(out, "an older file");
    std::uint64_t lastDone = 0, lastTotal = 0;
    combiner::Progress progress;
    progress.report = [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_GE(done, lastDone) << "progress goes forward";
        lastDone = done;
        lastTotal = total;
    };
    const auto summary = combiner::combine(folder / c.piece, out, c.outputExisted, progress);
    EXPECT_GE(summary.pieces, 3u);
    EXPECT_EQ(summary.entries, sets().entries);
    EXPECT_EQ(summary.bytes, fs::file_size(out));
    EXPECT_EQ(lastDone, lastTotal);

    EXPECT_EQ(sh("unzip -tqq '" + out.string() + "'"), 0);
    EXPECT_EQ(sh("cd '" + work.str() + "' && unzip -qq out.zip -d x"), 0);
    EXPECT_EQ(zltest::treeContents(work / "x/src"), zltest::treeContents(sets().dir / "src"));
    // Quembly's own reader walks the same entries.
    TArchiver archiver;
    archiver.setZipFilename(out.string());
    EXPECT_EQ(archiver.DirEntries().size(), sets().entries);
    EXPECT_EQ(readFile(out).find(std::string("PK\x06\x06", 4)) != std::string::npos, c.zip64);
    // Only the pieces and the result are there: no temporary file stays.
    EXPECT_EQ(listing(work.path()), (std::set<std::string>{c.set, "out.zip", "x"}));
}

const JoinCase joinCases[] = {
    {"ZipSplitFromItsFirstPiece", "zsplit", "set.z01", "set-combined.zip", false, false},
    {"ZipSplitFromItsLastPiece", "zsplit", "set.zip", "set-combined.zip", false, true},
    {"ZipSplitWithZip64Records", "z64", "set.z02", "set-combined.zip", true, false},
    {"ByteSplitOfAZipName", "bytes", "set.zip.001", "set.zip", false, false},
    {"ByteSplitOfABareName", "bare", "set.001", "set.zip", false, false},
    {"ByteSplitPaddedAfterItsEnd", "padded", "set.zip.001", "set.zip", false, false},
};
INSTANTIATE_TEST_SUITE_P(Sets, JoinTest, ::testing::ValuesIn(joinCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- Damaged sets and refused outputs -------------------------------------------------------

struct RefusalCase {
    const char* label;
    const char* set;
    const char* damage; // a shell command run in the set's folder, $SETS naming the built sets
    const char* piece;
    const char* output; // in the work folder
    bool overwrite;
    const char* message; // the start of it
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.label; }
};

class RefusalTest : public CombinerTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, NamesTheFaultAndLeavesNothing) {
    const RefusalCase& c = GetParam();
    const fs::path folder = copySet(c.set);
    ASSERT_EQ(sh("cd '" + folder.string() + "' && SETS='" + sets().dir.str() + "' && " + c.damage),
              0);
    writeFile(work / "kept.zip", "an older file");
    const auto before = listing(folder), workBefore = listing(work.path());
    try {
        combiner::combine(folder / c.piece, work / c.output, c.overwrite);
        ADD_FAILURE() << "combined";
    } catch (const combiner::CombineError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
    EXPECT_EQ(listing(folder), before);
    EXPECT_EQ(listing(work.path()), workBefore);
    EXPECT_EQ(readFile(work / "kept.zip"), "an older file");
}

// clang-format off
const RefusalCase refusalCases[] = {
    {"MissingMiddlePiece", "zsplit", "rm set.z02", "set.z01", "out.zip", false,
     "The piece set.z02 of the split archive is missing."},
    {"TruncatedLastPiece", "zsplit", "truncate -s -100 set.zip", "set.z01", "out.zip", false,
     "The last piece set.zip is truncated or damaged: the archive's end record is not in it."},
    {"WrongFirstPiece", "zsplit", "cp set.z03 set.z01", "set.z01", "out.zip", false,
     "set.z01 is not the first piece of a split archive"},
    {"TruncatedMiddlePiece", "zsplit", "truncate -s -1000 set.z02", "set.z01", "out.zip", false,
     "The piece set.z02 is truncated"},
    {"MisnumberedPieces", "zsplit", "mv set.z02 t && mv set.z03 set.z02 && mv t set.z03", "set.z01",
     "out.zip", false, "The pieces do not fit together"},
    {"ByteSplitMissingMiddlePiece", "bytes", "rm set.zip.003", "set.zip.001", "out.zip", false,
     "The piece set.zip.003 of the split archive is missing."},
    {"ByteSplitTruncatedLastPiece", "bytes", "truncate -s -100 set.zip.005", "set.zip.001",
     "out.zip", false, "The last piece set.zip.005 is truncated, or pieces after it are missing"},
    {"ByteSplitTruncatedMiddlePiece", "bytes", "truncate -s -100 set.zip.002", "set.zip.001",
     "out.zip", false, "The piece set.zip.002 is truncated: it is shorter than the pieces before it."},
    {"ByteSplitWrongFirstPiece", "bare", "echo not a zip >set.001", "set.001", "out.zip", false,
     "set.001 is not the first piece of a split ZIP archive"},
    {"NotAPiece", "zsplit", "echo x >notes.txt", "notes.txt", "out.zip", false,
     "notes.txt is not a piece of a split archive."},
    {"WholeArchive", "zsplit", "cp \"$SETS/whole.zip\" .", "whole.zip", "out.zip", false,
     "whole.zip is a whole archive, not a piece of a split archive."},
    {"ExistingOutputKept", "zsplit", ":", "set.z01", "kept.zip", false, "The file \""},
    {"OutputIsAPiece", "zsplit", ":", "set.z01", "zsplit/set.zip", true,
     "The combined archive cannot take the place of its piece set.zip."},
    {"OutputFolderMissing", "zsplit", ":", "set.z01", "none/out.zip", false, "The folder \""},
    // A 42-byte last piece whose ZIP64 locator claims 4,294,967,295 disks: only the pieces
    // that exist are looked at, and the first missing ones named.
    {"CountlessDisksClaimed", "zsplit", R"((printf 'PK\006\007\0\0\0\0\0\0\0\0\0\0\0\0\377\377\377\377PK\005\006\377\377\377\377\377\377\377\377\377\377\377\377\377\377\377\377\0\0' >x.zip))",
     "x.zip", "out.zip", false, "These pieces of the split archive are missing: x.z01, x.z02, "
     "x.z03, x.z04, x.z05, x.z06, x.z07, x.z08, x.z09, x.z10 and 4294967284 more."},
    {"FarNumberedPiece", "bare", "cp set.001 y.000000001 && : >y.999999999", "y.000000001",
     "out.zip", false, "These pieces of the split archive are missing: y.000000002, "},
    // A ZIP64 directory size that wraps around when added to its place.
    {"WrappingZip64Size", "zsplit", R"((printf 'PK\007\010PK\003\004' >x.z01 && head -c 26 /dev/zero >>x.z01 && printf 'PK\006\006\054\0\0\0\0\0\0\0\055\0\055\0\001\0\0\0\001\0\0\0\001\0\0\0\0\0\0\0\001\0\0\0\0\0\0\0\360\377\377\377\377\377\377\377\0\0\0\0\0\0\0\0PK\006\007\001\0\0\0\0\0\0\0\0\0\0\0\002\0\0\0PK\005\006\001\0\001\0\377\377\377\377\377\377\377\377\377\377\377\377\0\0' >x.zip))",
     "x.z01", "out.zip", false, "The piece "},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Faults, RefusalTest, ::testing::ValuesIn(refusalCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- Cancel ---------------------------------------------------------------------------------

class CancelTest : public CombinerTest, public ::testing::WithParamInterface<double> {};

TEST_P(CancelTest, LeavesNoFile) {
    const fs::path folder = copySet("zsplit");
    std::atomic<bool> cancel{false};
    combiner::Progress progress;
    progress.cancel = &cancel;
    const double at = GetParam();
    progress.report = [&](std::uint64_t done, std::uint64_t total) {
        if (done >= at * static_cast<double>(total))
            cancel = true;
    };
    EXPECT_THROW(combiner::combine(folder / "set.z01", work / "out.zip", false, progress),
                 combiner::Cancelled);
    EXPECT_EQ(listing(work.path()), (std::set<std::string>{"zsplit"}));
}

// While joining the pieces, and while checking the joined archive.
INSTANTIATE_TEST_SUITE_P(Phases, CancelTest, ::testing::Values(0.0, 0.75));

// --- The output while it is written ----------------------------------------------------------

// Nothing but the pieces is in the folder while the archive is written (a kill leaves no
// file), and an output that appears meanwhile is never replaced, with or without overwrite.
class AppearingOutputTest : public CombinerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AppearingOutputTest, IsKeptAndNoTemporaryIsSeen) {
    const fs::path folder = copySet("bytes");
    const auto pieces = listing(folder);
    combiner::Progress progress;
    progress.report = [&](std::uint64_t, std::uint64_t) {
        EXPECT_EQ(listing(folder).size(), pieces.size() + fs::exists(folder / "out.zip"));
        if (!fs::exists(folder / "out.zip"))
            writeFile(folder / "out.zip", "appeared meanwhile");
    };
    try {
        combiner::combine(folder / "set.zip.001", folder / "out.zip", GetParam(), progress);
        ADD_FAILURE() << "combined";
    } catch (const combiner::CombineError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("The file \"", 0), 0u) << e.what();
    }
    EXPECT_EQ(readFile(folder / "out.zip"), "appeared meanwhile");
    EXPECT_EQ(listing(folder).size(), pieces.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Overwrite, AppearingOutputTest, ::testing::Bool());

} // namespace
