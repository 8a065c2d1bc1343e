// The combiner's joining: split sets written by Info-ZIP's "zip -s" and byte splits made with
// split(1) become archives that unzip tests clean and that extract equal to the originals;
// damaged sets and refused outputs give their message and leave nothing behind.
#include "archive/Archiver.h"
#include "tests/support/TestSupport.h"
#include "tools/combiner/Combine.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

int sh(const std::string& command) {
    return runCommand("set -e; " + command + " >/dev/null 2>&1");
}

// A few hundred files in seven folders, some compressible and some not, and the split sets
// made of them, built once for all tests: "zsplit" and "z64" by zip -s 64k (the second with
// ZIP64 records forced), "bytes" and "bare" by split(1) of one whole archive into five pieces.
struct Sets {
    TempDir dir;
    std::size_t entries = 0;
    Sets() {
        unsigned x = 12345;
        std::set<std::string> folders;
        for (int i = 0; i < 300; ++i) {
            std::string data;
            const int size = (i * 7919) % 3000;
            for (int k = 0; k < size; ++k) {
                x = x * 1103515245u + 12345u;
                data += i % 3 ? static_cast<char>(x >> 16) : static_cast<char>('a' + k % 5);
            }
            const std::string folder = "src/d" + std::to_string(i % 7);
            folders.insert(folder);
            writeFile(dir / (folder + "/f" + std::to_string(i) + ".bin"), data);
        }
        entries = 300 + folders.size() + 1;
        const std::string d = "cd '" + dir.str() + "' && ";
        EXPECT_EQ(sh(d + "mkdir zsplit z64 bytes bare && zip -q -r -s 64k zsplit/set.zip src && "
                         "zip -q -r -fz -s 64k z64/set.zip src && zip -q -r whole.zip src && "
                         "split -n 5 -d -a 3 --numeric-suffixes=1 whole.zip bytes/set.zip. && "
                         "split -n 5 -d -a 3 --numeric-suffixes=1 whole.zip bare/set."),
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

// Whether every file under A is under B with the same bytes, and the other way round.
bool sameTree(const fs::path& a, const fs::path& b) {
    std::set<std::string> inA, inB;
    for (const auto& e : fs::recursive_directory_iterator(a))
        inA.insert(fs::relative(e.path(), a).string());
    for (const auto& e : fs::recursive_directory_iterator(b))
        inB.insert(fs::relative(e.path(), b).string());
    if (inA != inB)
        return false;
    for (const auto& name : inA)
        if (fs::is_regular_file(a / name) && readFile(a / name) != readFile(b / name))
            return false;
    return true;
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
};
void PrintTo(const JoinCase& c, std::ostream* os) {
    *os << c.label;
}

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
    EXPECT_TRUE(sameTree(work / "x/src", sets().dir / "src"));
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
};
INSTANTIATE_TEST_SUITE_P(Sets, JoinTest, ::testing::ValuesIn(joinCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- Damaged sets and refused outputs -------------------------------------------------------

struct RefusalCase {
    const char* label;
    const char* set;
    std::function<void(const fs::path&)> damage;
    const char* piece;
    const char* output; // in the work folder
    bool overwrite;
    const char* message; // the start of it
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.label;
}

void removePiece(const fs::path& folder, const char* name) {
    fs::remove(folder / name);
}
void cutPiece(const fs::path& folder, const char* name, std::uintmax_t bytes) {
    fs::resize_file(folder / name, fs::file_size(folder / name) - bytes);
}

class RefusalTest : public CombinerTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, NamesTheFaultAndLeavesNothing) {
    const RefusalCase& c = GetParam();
    const fs::path folder = copySet(c.set);
    if (c.damage)
        c.damage(folder);
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

const RefusalCase refusalCases[] = {
    {"MissingMiddlePiece", "zsplit", [](auto& f) { removePiece(f, "set.z02"); }, "set.z01",
     "out.zip", false, "The piece set.z02 of the split archive is missing."},
    {"TruncatedLastPiece", "zsplit", [](auto& f) { cutPiece(f, "set.zip", 100); }, "set.z01",
     "out.zip", false,
     "The last piece set.zip is truncated or damaged: the archive's end record is not in it."},
    {"WrongFirstPiece", "zsplit",
     [](auto& f) {
         fs::copy_file(f / "set.z03", f / "set.z01", fs::copy_options::overwrite_existing);
     },
     "set.z01", "out.zip", false, "set.z01 is not the first piece of a split archive"},
    {"TruncatedMiddlePiece", "zsplit", [](auto& f) { cutPiece(f, "set.z02", 1000); }, "set.z01",
     "out.zip", false, "The piece set.z02 is truncated"},
    {"MisnumberedPieces", "zsplit",
     [](auto& f) {
         fs::rename(f / "set.z02", f / "tmp");
         fs::rename(f / "set.z03", f / "set.z02");
         fs::rename(f / "tmp", f / "set.z03");
     },
     "set.z01", "out.zip", false, "The pieces do not fit together"},
    {"ByteSplitMissingMiddlePiece", "bytes", [](auto& f) { removePiece(f, "set.zip.003"); },
     "set.zip.001", "out.zip", false, "The piece set.zip.003 of the split archive is missing."},
    {"ByteSplitTruncatedLastPiece", "bytes", [](auto& f) { cutPiece(f, "set.zip.005", 100); },
     "set.zip.001", "out.zip", false,
     "The last piece set.zip.005 is truncated, or pieces after it are missing"},
    {"ByteSplitTruncatedMiddlePiece", "bytes", [](auto& f) { cutPiece(f, "set.zip.002", 100); },
     "set.zip.001", "out.zip", false,
     "The piece set.zip.002 is truncated: it is shorter than the pieces before it."},
    {"ByteSplitWrongFirstPiece", "bare", [](auto& f) { writeFile(f / "set.001", "not a zip"); },
     "set.001", "out.zip", false, "set.001 is not the first piece of a split ZIP archive"},
    {"NotAPiece", "zsplit", [](auto& f) { writeFile(f / "notes.txt", "x"); }, "notes.txt",
     "out.zip", false, "notes.txt is not a piece of a split archive."},
    {"WholeArchive", "zsplit",
     [](auto& f) { fs::copy_file(sets().dir / "whole.zip", f / "whole.zip"); }, "whole.zip",
     "out.zip", false, "whole.zip is a whole archive, not a piece of a split archive."},
    {"ExistingOutputKept", "zsplit", nullptr, "set.z01", "kept.zip", false, "The file \""},
    {"OutputIsAPiece", "zsplit", nullptr, "set.z01", "zsplit/set.zip", true,
     "The combined archive cannot take the place of its piece set.zip."},
    {"OutputFolderMissing", "zsplit", nullptr, "set.z01", "none/out.zip", false, "The folder \""},
};
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

} // namespace
