// Add, Delete and Extract against the fake libraries: preconditions, the command records,
// the texts, batching, events, Cancel, failures, busy guards, rereading and the folder.
#include "tests/archive/ArchiveBuilder.h"
#include "tests/archive/BridgeFixture.h"

#include <filesystem>
#include <functional>
#include <unistd.h>
#include <utility>

namespace {

using testsupport::writeFile;
namespace fs = std::filesystem;

using AddEnum = AddOptsEnum;
using ExtrEnum = ExtrOptsEnum;
constexpr std::int32_t T = RecordTrue;
constexpr std::int32_t F = RecordFalse;

// ---------------------------------------------------------------- preconditions

struct Refusal {
    const char* what;
    bool deleting;
    std::vector<std::string> specs;
    std::string path; // "@file" an existing file, "@dir" a folder, else taken as it is
    std::string message;
};

void PrintTo(const Refusal& c, std::ostream* os) {
    *os << c.what;
}

class Refused : public BridgeFixture, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refused, ShowsItsMessageAndChangesNothing) {
    const Refusal& c = GetParam();
    primeProcessedCount(3);
    std::string path = c.path;
    if (path.rfind("@file", 0) == 0) {
        path = (dir / ("existing" + path.substr(5))).string();
        writeFile(path, "not read");
    } else if (path == "@dir") {
        path = (dir / "folder.zip").string();
        fs::create_directory(path);
    }
    prepare(path, c.specs);
    messages.clear();
    c.deleting ? archiver.Delete() : archiver.Add();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{c.message});
    EXPECT_TRUE(fake::zipper().calls.empty());
    EXPECT_EQ(archiver.ProcessedCount(), 0) << "no earlier operation's count";
    EXPECT_EQ(archiver.LastError(), c.message);
    EXPECT_EQ(archiver.FSpecArgs(), c.specs) << "kept when no call was made";
    EXPECT_EQ(dirUpdates, 0);
}

const std::vector<std::string> someSpecs = {"a.txt", "b.txt"};

INSTANTIATE_TEST_SUITE_P(
    Bridge, Refused,
    ::testing::Values(
        Refusal{"add_no_specs", false, {}, "x.zip", "Error - no files to zip"},
        Refusal{"add_no_specs_no_path", false, {}, "", "Error - no files to zip"},
        Refusal{"add_empty_path", false, someSpecs, "", "Error - no zip file specified"},
        Refusal{"add_exe_upper", false, someSpecs, "SETUP.EXE",
                "Error - this pgm can NOT add files to a self-extracting archive"},
        Refusal{"add_exe_mixed", false, someSpecs, "/tmp/x/setup.eXe",
                "Error - this pgm can NOT add files to a self-extracting archive"},
        Refusal{"delete_no_specs", true, {}, "@file.zip", "Error - no files selected for deletion"},
        Refusal{"delete_missing_file", true, someSpecs, "/nonexistent/x.zip",
                "Error - no zip file specified"},
        Refusal{"delete_empty_path", true, someSpecs, "", "Error - no zip file specified"},
        Refusal{"delete_folder", true, someSpecs, "@dir", "Error - no zip file specified"},
        Refusal{"delete_exe", true, someSpecs, "@file.Exe",
                "Error - this pgm can NOT delete files from a self-extracting archive"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BridgeFixture, RefusedAddLoadsNoLibrary) {
    archiver.UnloadZipLibrary();
    prepare(zipPath, {});
    archiver.Add();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Error - no files to zip"});
    EXPECT_EQ(ZIPPER::ZipDllHandle, nullptr);
}

TEST_F(BridgeFixture, ExeBeforeTheExtensionIsNotASelfExtractor) {
    prepare((dir / "setup.exe.zip").string(), {"a"});
    archiver.Add();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(fake::zipper().calls.size(), 1u);
}

// ---------------------------------------------------------------- command records

struct AddFlags {
    const char* what;
    AddOpts options;
    bool verbose, trace;
    std::int32_t noDirNames, recurse, move, update, freshen, hidden, forceDos, zipTime, verboseFlag,
        traceFlag;
};

void PrintTo(const AddFlags& c, std::ostream* os) {
    *os << c.what;
}

class AddRecord : public BridgeFixture, public ::testing::WithParamInterface<AddFlags> {};

TEST_P(AddRecord, CarriesTheOptionsAsFlagsAndTheFixedValues) {
    const AddFlags& c = GetParam();
    archiver.AddOptions = c.options;
    archiver.Verbose = c.verbose;
    archiver.Trace = c.trace;
    archiver.AddCompLevel = 4;
    prepare(zipPath, {"one", "two"});
    archiver.Add();
    ASSERT_EQ(fake::zipper().calls.size(), 1u);
    const ZipCommandRecord& r = fake::zipper().calls[0].record;
    EXPECT_EQ(r.NoDirNamesFlag, c.noDirNames);
    EXPECT_EQ(r.RecurseFlag, c.recurse);
    EXPECT_EQ(r.MoveFlag, c.move);
    EXPECT_EQ(r.UpdateFlag, c.update);
    EXPECT_EQ(r.FreshenFlag, c.freshen);
    EXPECT_EQ(r.HiddenFilesFlag, c.hidden);
    EXPECT_EQ(r.ForceDosFlag, c.forceDos);
    EXPECT_EQ(r.ZipTimeFlag, c.zipTime);
    EXPECT_EQ(r.VerboseFlag, c.verboseFlag);
    EXPECT_EQ(r.TraceFlag, c.traceFlag);
    EXPECT_EQ(r.DeleteFlag, F);
    EXPECT_EQ(r.Reserved80, T);
    // The fixed fields.
    EXPECT_EQ(r.WindowHandle, 0);
    EXPECT_EQ(r.Caller, &archiver);
    EXPECT_EQ(r.Reserved8, 120);
    EXPECT_EQ(r.CallbackAddress, &TArchiver::LibraryCallback);
    EXPECT_EQ(r.Reserved20 | r.Reserved24 | r.Reserved28 | r.Reserved36 | r.Reserved40 |
                  r.Reserved48 | r.Reserved64 | r.Reserved68 | r.EncryptMethod | r.Reserved112 |
                  r.Reserved116,
              0);
    EXPECT_EQ(r.Reserved44, T);
    EXPECT_EQ(r.Reserved56, T);
    EXPECT_EQ(r.CompressionLevel, 4);
    EXPECT_EQ(r.Reserved128, 7);
    EXPECT_EQ(r.SpecCount, 2);
}

constexpr AddOpts all = AddOpts::fromBits(0xFF);

INSTANTIATE_TEST_SUITE_P(
    Bridge, AddRecord,
    ::testing::Values(
        // what, options, Verbose, Trace: noDirNames recurse move update freshen hidden
        // forceDos zipTime verbose trace
        AddFlags{"none", {}, false, false, T, F, F, F, F, F, F, F, F, F},
        AddFlags{"dir_names", {AddEnum::AddDirNames}, false, false, F, F, F, F, F, F, F, F, F, F},
        AddFlags{"recurse", {AddEnum::AddRecurseDirs}, false, false, T, T, F, F, F, F, F, F, F, F},
        AddFlags{"move", {AddEnum::AddMove}, false, false, T, F, T, F, F, F, F, F, F, F},
        AddFlags{"freshen", {AddEnum::AddFreshen}, false, false, T, F, F, F, T, F, F, F, F, F},
        AddFlags{"update", {AddEnum::AddUpdate}, false, false, T, F, F, T, F, F, F, F, F, F},
        AddFlags{"update_wins_over_freshen",
                 {AddEnum::AddFreshen, AddEnum::AddUpdate},
                 false,
                 false,
                 T,
                 F,
                 F,
                 T,
                 F,
                 F,
                 F,
                 F,
                 F,
                 F},
        AddFlags{"zip_time", {AddEnum::AddZipTime}, false, false, T, F, F, F, F, F, F, T, F, F},
        AddFlags{"force_dos", {AddEnum::AddForceDOS}, false, false, T, F, F, F, F, F, T, F, F, F},
        AddFlags{"hidden", {AddEnum::AddHiddenFiles}, false, false, T, F, F, F, F, T, F, F, F, F},
        AddFlags{"all", all, false, false, F, T, T, T, F, T, T, T, F, F},
        AddFlags{"verbose", {}, true, false, T, F, F, F, F, F, F, F, T, F},
        AddFlags{"trace_makes_verbose", {}, false, true, T, F, F, F, F, F, F, F, T, T}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BridgeFixture, DeleteRecordIgnoresTheAddOnlyOptions) {
    writeFile(zipPath, "not an archive");
    for (AddOpts options : {all, AddOpts{}}) {
        SCOPED_TRACE(options.bits());
        fake::reset();
        archiver.AddOptions = options;
        prepare(zipPath, {"gone.txt"});
        archiver.Delete();
        ASSERT_EQ(fake::zipper().calls.size(), 1u);
        const ZipCommandRecord& r = fake::zipper().calls[0].record;
        EXPECT_EQ(r.DeleteFlag, T);
        EXPECT_EQ(r.NoDirNamesFlag, F);
        EXPECT_EQ(r.RecurseFlag, F);
        EXPECT_EQ(r.Reserved80, F);
        EXPECT_EQ(r.MoveFlag, F);
        EXPECT_EQ(r.UpdateFlag, F);
        EXPECT_EQ(r.FreshenFlag, F);
        const std::int32_t kept = options.empty() ? F : T;
        EXPECT_EQ(r.HiddenFilesFlag, kept);
        EXPECT_EQ(r.ForceDosFlag, kept);
        EXPECT_EQ(r.ZipTimeFlag, kept);
        EXPECT_EQ(r.Reserved8, 120);
        EXPECT_EQ(r.Reserved44, T);
        EXPECT_EQ(r.Reserved56, T);
        EXPECT_EQ(r.Reserved128, 7);
        EXPECT_EQ(fake::zipper().calls[0].specs, std::vector<std::string>{"gone.txt"});
    }
}

struct ExtrFlags {
    const char* what;
    ExtrOpts options;
    bool verbose, trace;
    std::int32_t dirNames, overwrite, update, freshen, verboseFlag, traceFlag;
};

void PrintTo(const ExtrFlags& c, std::ostream* os) {
    *os << c.what;
}

class ExtractRecord : public BridgeFixture, public ::testing::WithParamInterface<ExtrFlags> {};

TEST_P(ExtractRecord, CarriesTheOptionsAsFlagsAndTheFixedValues) {
    const ExtrFlags& c = GetParam();
    archiver.ExtrOptions = c.options;
    archiver.Verbose = c.verbose;
    archiver.Trace = c.trace;
    prepare(zipPath, {"x"});
    archiver.Extract();
    ASSERT_EQ(fake::unzipper().calls.size(), 1u);
    const UnzCommandRecord& r = fake::unzipper().calls[0].record;
    EXPECT_EQ(r.DirNamesFlag, c.dirNames);
    EXPECT_EQ(r.OverwriteFlag, c.overwrite);
    EXPECT_EQ(r.UpdateFlag, c.update);
    EXPECT_EQ(r.FreshenFlag, c.freshen);
    EXPECT_EQ(r.VerboseFlag, c.verboseFlag);
    EXPECT_EQ(r.TraceFlag, c.traceFlag);
    EXPECT_EQ(r.WindowHandle, 0);
    EXPECT_EQ(r.Caller, &archiver);
    EXPECT_EQ(r.Reserved8, 120);
    EXPECT_EQ(r.CallbackAddress, &TArchiver::LibraryCallback);
    EXPECT_EQ(r.Reserved20 | r.Reserved24 | r.Reserved28 | r.Reserved32 | r.Reserved36, 0);
    EXPECT_EQ(r.Reserved40, T);
    EXPECT_EQ(r.Reserved72, 7);
    EXPECT_EQ(r.SpecCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Bridge, ExtractRecord,
    ::testing::Values(
        ExtrFlags{"none", {}, false, false, F, F, F, F, F, F},
        ExtrFlags{"dir_names", {ExtrEnum::ExtrDirNames}, false, false, T, F, F, F, F, F},
        ExtrFlags{"overwrite", {ExtrEnum::ExtrOverWrite}, false, false, F, T, F, F, F, F},
        ExtrFlags{"freshen", {ExtrEnum::ExtrFreshen}, false, false, F, F, F, T, F, F},
        ExtrFlags{"update", {ExtrEnum::ExtrUpdate}, false, false, F, F, T, F, F, F},
        ExtrFlags{"update_wins_over_freshen",
                  {ExtrEnum::ExtrFreshen, ExtrEnum::ExtrUpdate},
                  false,
                  false,
                  F,
                  F,
                  T,
                  F,
                  F,
                  F},
        ExtrFlags{"verbose", {}, true, false, F, F, F, F, T, F},
        ExtrFlags{"trace_makes_verbose", {}, false, true, F, F, F, F, T, T}),
    [](const auto& info) { return std::string(info.param.what); });

// ---------------------------------------------------------------- texts and batches

TEST_F(BridgeFixture, TextsAreWholeZeroEndedAndAtLeast256Bytes) {
    const std::string longSpec = "dir/" + std::string(1000, 's') + ".txt";
    const std::string longPath = (dir / (std::string(300, 'p') + ".zip")).string();
    prepare(longPath, {"first", longSpec, "", "last"});
    archiver.Add();
    ASSERT_EQ(fake::zipper().calls.size(), 1u);
    const auto& call = fake::zipper().calls[0];
    EXPECT_EQ(call.archiveName, longPath);
    EXPECT_EQ(call.specs, (std::vector<std::string>{"first", longSpec, "", "last"}));
    EXPECT_GE(call.archiveBuffer, longPath.size() + 1);
    ASSERT_EQ(call.specBuffers.size(), 4u);
    for (std::size_t i = 0; i < call.specBuffers.size(); ++i) {
        EXPECT_GE(call.specBuffers[i], 256u);
        EXPECT_GE(call.specBuffers[i], call.specs[i].size() + 1);
    }
    EXPECT_TRUE(archiver.FSpecArgs().empty());
}

TEST_F(BridgeFixture, MoreSpecsThanARecordHoldsGoInSeveralCalls) {
    std::vector<std::string> specs;
    for (int i = 0; i < 2 * MaxSpecs + 1; ++i)
        specs.push_back("file" + std::to_string(i));
    fake::zipper().queue = {{.result = 10}, {.result = 20}, {.result = 3}};
    prepare(zipPath, specs);
    archiver.Add();
    const auto& calls = fake::zipper().calls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].record.SpecCount, MaxSpecs);
    EXPECT_EQ(calls[1].record.SpecCount, MaxSpecs);
    EXPECT_EQ(calls[2].record.SpecCount, 1);
    std::vector<std::string> passed;
    for (const auto& c : calls) {
        EXPECT_EQ(c.archiveName, zipPath);
        passed.insert(passed.end(), c.specs.begin(), c.specs.end());
    }
    EXPECT_EQ(passed, specs);
    EXPECT_EQ(archiver.ProcessedCount(), 33);
    EXPECT_TRUE(archiver.FSpecArgs().empty());

    // Exactly one record's worth is one call.
    fake::reset();
    specs.resize(MaxSpecs);
    prepare(zipPath, specs);
    archiver.Extract();
    EXPECT_EQ(fake::unzipper().calls.size(), 1u);
}

TEST_F(BridgeFixture, CancelStopsTheRemainingBatches) {
    std::vector<std::string> specs(MaxSpecs + 5, "f");
    fake::zipper().standing = {.actions = {{.code = ActionNewFile, .text = "f"}}, .result = 4};
    archiver.OnProgress = [this](TArchiver*, ProgressType, const std::string&, std::int32_t) {
        archiver.Cancel = true;
    };
    prepare(zipPath, specs);
    archiver.Add();
    ASSERT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_EQ(fake::zipper().calls[0].answers, std::vector<std::int32_t>{CallbackStop});
    EXPECT_EQ(archiver.ProcessedCount(), 4);
    EXPECT_FALSE(archiver.Cancel);
    EXPECT_TRUE(archiver.FSpecArgs().empty());
}

TEST_F(BridgeFixture, BatchesKeepTheirListWhenAHandlerReplacesIt) {
    std::vector<std::string> specs(MaxSpecs + 3, "f");
    specs.back() = "last";
    fake::zipper().queue = {{.actions = {{.code = ActionNewFile, .text = "f"}}, .result = 1},
                            {.result = 1}};
    archiver.OnProgress = [this](TArchiver*, ProgressType, const std::string&, std::int32_t) {
        archiver.setFSpecArgs({}); // an Extract started from the handler empties the list
        archiver.Extract();
    };
    prepare(zipPath, specs);
    archiver.Add();
    ASSERT_EQ(fake::zipper().calls.size(), 2u);
    EXPECT_EQ(fake::zipper().calls[1].specs, (std::vector<std::string>{"f", "f", "last"}));
    EXPECT_EQ(archiver.ProcessedCount(), 2);
}

// ---------------------------------------------------------------- events and Cancel

TEST_F(BridgeFixture, CallbacksBecomeEventsDuringTheCall) {
    fake::unzipper().standing = {
        .actions = {{.code = ActionNewFile, .entrySize = 1234, .text = "dir/f.txt"},
                    {.code = ActionProgress, .text = "ignored"},
                    {.code = 0, .text = "nothing"},
                    {.code = 5, .text = "nothing"},
                    {.code = ActionEndOfBatch},
                    {.code = ActionMessage, .errorCode = 7, .text = "Done\r\n"}},
        .result = 1};
    prepare(zipPath, {});
    archiver.Extract();
    ASSERT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_EQ(fake::unzipper().calls[0].answers, std::vector<std::int32_t>(6, CallbackContinue));
    EXPECT_EQ(events, (std::vector<SeenEvent>{{"progress", 0, "dir/f.txt", 1234},
                                              {"progress", 1, " ", 0},
                                              {"progress", 2, " ", 0},
                                              {"message", 7, "Done", 0}}));
    EXPECT_EQ(archiver.ProcessedCount(), 1);
    EXPECT_TRUE(messages.shown().empty()) << "library messages go to OnMessage only";
}

TEST_F(BridgeFixture, CancelAsksTheLibraryToStopAndIsClearedAfterTheCall) {
    fake::zipper().standing = {.actions = {{.code = ActionNewFile, .text = "1"},
                                           {.code = ActionNewFile, .text = "2"},
                                           {.code = ActionNewFile, .text = "3"}},
                               .result = 2};
    archiver.OnProgress = [this](TArchiver*, ProgressType, const std::string& name, std::int32_t) {
        if (name == "2")
            archiver.Cancel = true;
    };
    archiver.Cancel = true; // set before the call: cleared as the operation starts
    prepare(zipPath, {"x"});
    archiver.Add();
    ASSERT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_EQ(fake::zipper().calls[0].answers,
              (std::vector<std::int32_t>{CallbackContinue, CallbackStop}));
    EXPECT_FALSE(archiver.Cancel);
    EXPECT_EQ(archiver.ProcessedCount(), 2);
}

// ---------------------------------------------------------------- failures

struct Failure {
    const char* what;
    bool libraryRaises;
    bool progressRaises;
    bool messageRaises;
};

void PrintTo(const Failure& c, std::ostream* os) {
    *os << c.what;
}

class FailedCall : public BridgeFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailedCall, IsReportedOnceAndLeavesProcessedCountAlone) {
    const Failure& c = GetParam();
    primeProcessedCount(0);
    fake::zipper().standing = {.actions = {{.code = ActionNewFile, .text = "a"},
                                           {.code = ActionMessage, .text = "note"},
                                           {.code = ActionNewFile, .text = "b"}},
                               .result = 9,
                               .raise = c.libraryRaises};
    archiver.OnProgress = [&](TArchiver*, ProgressType, const std::string&, std::int32_t) {
        if (c.progressRaises)
            throw std::runtime_error("handler failed");
    };
    archiver.OnMessage = [&](TArchiver*, std::int32_t, const std::string&) {
        if (c.messageRaises)
            throw platform::Exception("handler failed");
    };
    prepare(zipPath, {"x"});
    archiver.Add();
    EXPECT_EQ(messages.messageTexts(),
              std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(archiver.ProcessedCount(), 0);
    EXPECT_TRUE(archiver.FSpecArgs().empty());
    EXPECT_EQ(dirUpdates, 0);
    const auto& answers = fake::zipper().calls.at(0).answers;
    if (c.progressRaises) {
        EXPECT_EQ(answers, std::vector<std::int32_t>{CallbackStop});
    } else if (c.messageRaises) {
        EXPECT_EQ(answers, (std::vector<std::int32_t>{CallbackContinue, CallbackStop}));
    } else {
        EXPECT_EQ(answers, std::vector<std::int32_t>(3, CallbackContinue));
    }

    // The guard was cleared: the next operation runs and counts again.
    messages.clear();
    fake::zipper().standing = {.result = 0};
    prepare(zipPath, {"y"});
    archiver.Add();
    EXPECT_EQ(fake::zipper().calls.size(), 2u);
    EXPECT_TRUE(messages.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Bridge, FailedCall,
                         ::testing::Values(Failure{"library_raises", true, false, false},
                                           Failure{"progress_handler_raises", false, true, false},
                                           Failure{"message_handler_raises", false, false, true}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(BridgeFixture, ExtractFailureIsReportedTheSameWay) {
    fake::unzipper().standing = {.result = 5, .raise = true};
    prepare(zipPath, {"x"});
    archiver.Extract();
    EXPECT_EQ(messages.messageTexts(),
              std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(archiver.ProcessedCount(), 0);
    EXPECT_TRUE(archiver.FSpecArgs().empty());
}

// ---------------------------------------------------------------- rereading the archive

TEST_F(BridgeFixture, AddAndDeleteReadTheArchiveAgainOnlyWhenFilesWereProcessed) {
    writeFile(zipPath, archtest::archiveOf({{.name = "old"}}));
    const std::string changed = archtest::archiveOf({{.name = "new1"}, {.name = "new2"}});
    struct Case {
        bool deleting;
        std::int32_t result;
        int rereads;
    } cases[] = {{false, 0, 0}, {false, 2, 1}, {true, 0, 0}, {true, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.deleting) + "/" + std::to_string(c.result));
        writeFile(zipPath, archtest::archiveOf({{.name = "old"}}));
        prepare(zipPath, {"x"});
        ASSERT_EQ(archiver.Count(), 1);
        fake::zipper().standing = {.result = c.result,
                                   .before = [&] { writeFile(zipPath, changed); }};
        c.deleting ? archiver.Delete() : archiver.Add();
        EXPECT_EQ(dirUpdates, c.rereads);
        EXPECT_EQ(archiver.Count(), c.rereads ? 2 : 1);
    }
}

TEST_F(BridgeFixture, AFailedCallCountsNothingAndSaysWhy) {
    writeFile(zipPath, archtest::archiveOf({{.name = "a"}}));
    primeProcessedCount(2);
    fake::zipper().standing = {.raise = true};
    prepare(zipPath, {"x"});
    archiver.Add();
    EXPECT_EQ(archiver.ProcessedCount(), 0);
    EXPECT_EQ(archiver.LastError(), "Fatal DLL Error: abort exception");
    EXPECT_EQ(dirUpdates, 0) << "nothing changed, nothing to reread";
}

TEST_F(BridgeFixture, ExtractNeverRereadsAndNeedsNoSpecsOrPath) {
    archiver.setZipFilename("");
    fake::unzipper().standing = {.result = 5};
    dirUpdates = 0;
    archiver.Extract();
    ASSERT_EQ(fake::unzipper().calls.size(), 1u);
    const auto& call = fake::unzipper().calls[0];
    EXPECT_EQ(call.record.SpecCount, 0);
    EXPECT_EQ(call.archiveName, "");
    EXPECT_GE(call.archiveBuffer, 256u);
    EXPECT_EQ(archiver.ProcessedCount(), 5);
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(BridgeFixture, ReaderErrorAfterAddReachesTheCaller) {
    writeFile(zipPath, archtest::archiveOf({{.name = "a"}}));
    prepare(zipPath, {"x"});
    fake::zipper().standing = {.result = 1, .before = [&] {
                                   writeFile(zipPath, "PK\x03\x04"
                                                      "cut");
                               }};
    EXPECT_THROW(archiver.Add(), platform::EStreamError);
    EXPECT_TRUE(archiver.FSpecArgs().empty());
    // Everything before the reread was done: the next Add is not blocked.
    writeFile(zipPath, archtest::archiveOf({{.name = "a"}}));
    prepare(zipPath, {"y"});
    fake::zipper().standing = {.result = 0};
    archiver.Add();
    EXPECT_EQ(fake::zipper().calls.size(), 2u);
}

// ---------------------------------------------------------------- folder

TEST_F(BridgeFixture, ExtractRunsInTheBaseFolderAndStaysThere) {
    const fs::path base = fs::canonical(dir.path()) / "out";
    fs::create_directory(base);
    archiver.ExtrBaseDir = base.string();
    prepare(zipPath, {"x"});
    archiver.Extract();
    ASSERT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_EQ(fake::unzipper().calls[0].currentDirectory, base.string());
    EXPECT_EQ(platform::currentDirectory(), base.string());

    // A base folder that does not exist (gone since it was chosen) stops the Extract, which
    // would otherwise write into whatever folder is current; an empty one extracts there.
    archiver.ExtrBaseDir = (base / "missing").string();
    platform::setCurrentDirectory(startFolder);
    prepare(zipPath, {"x"});
    archiver.Extract();
    EXPECT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Error - cannot open the folder " +
                                                                (base / "missing").string()});
    archiver.ExtrBaseDir.clear();
    archiver.Extract();
    ASSERT_EQ(fake::unzipper().calls.size(), 2u);
    EXPECT_EQ(fake::unzipper().calls[1].currentDirectory, startFolder);
    EXPECT_EQ(platform::currentDirectory(), startFolder);
}

// A base folder that exists but cannot be entered stops the Extract before the library
// runs: it would otherwise write into the folder that happens to be current.
TEST_F(BridgeFixture, ExtractStopsWhenTheBaseFolderCannotBeEntered) {
    const fs::path base = dir / "locked";
    fs::create_directory(base);
    fs::permissions(base, fs::perms::none);
    primeProcessedCount(3);
    archiver.ExtrBaseDir = base.string();
    prepare(zipPath, {"x"});
    {
        testsupport::Unprivileged unprivileged;
        archiver.Extract();
    }
    fs::permissions(base, fs::perms::owner_all);
    EXPECT_TRUE(fake::unzipper().calls.empty());
    EXPECT_EQ(messages.messageTexts(),
              std::vector<std::string>{"Error - cannot open the folder " + base.string()});
    EXPECT_EQ(archiver.ProcessedCount(), 0);
    EXPECT_EQ(archiver.FSpecArgs(), std::vector<std::string>{"x"});
    EXPECT_EQ(platform::currentDirectory(), startFolder);
}

// ---------------------------------------------------------------- busy guards

TEST_F(BridgeFixture, NestedCallsOfTheSameKindReturnAtOnce) {
    // The handler starts operations while one runs, as a window command can when the
    // progress handler lets waiting events through.
    std::function<void()> nested;
    archiver.OnProgress = [&](TArchiver*, ProgressType, const std::string&, std::int32_t) {
        if (auto run = std::exchange(nested, nullptr))
            run();
    };
    writeFile(zipPath, archtest::archiveOf({{.name = "a"}}));
    fake::zipper().standing = {.actions = {{.code = ActionNewFile, .text = "a"}}};
    fake::unzipper().standing = {.actions = {{.code = ActionNewFile, .text = "b"}}};

    nested = [&] {
        archiver.setFSpecArgs({"nested"});
        archiver.Add();
        archiver.Delete();
        archiver.Extract(); // one operation at a time, of either kind
    };
    prepare(zipPath, {"outer"});
    archiver.Add();
    EXPECT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_TRUE(fake::unzipper().calls.empty());
    EXPECT_TRUE(messages.shown().empty());

    fake::zipper().calls.clear();
    fake::unzipper().calls.clear();
    nested = [&] {
        archiver.setFSpecArgs({"nested"});
        archiver.Extract();
    };
    prepare(zipPath, {"outer"});
    archiver.Extract();
    EXPECT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_TRUE(fake::zipper().calls.empty());

    // Both guards are clear afterwards.
    prepare(zipPath, {"again"});
    archiver.Add();
    archiver.setFSpecArgs({"again"});
    archiver.Extract();
    EXPECT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_EQ(fake::unzipper().calls.size(), 2u);
}

// ---------------------------------------------------------------- loading

TEST_F(BridgeFixture, TraceAnnouncesEachLoad) {
    archiver.Trace = true;
    archiver.LoadZipLibrary();
    archiver.LoadUnzLibrary();
    EXPECT_EQ(messages.messageTexts(),
              (std::vector<std::string>{"ZIP DLL Loaded", "UNZ DLL Loaded"}));
    archiver.Trace = false;
    messages.clear();
    archiver.LoadZipLibrary();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_NE(ZIPPER::ZipperExec, nullptr);
    EXPECT_NE(ZIPPER::GetZipperVersion, nullptr);
}

TEST_F(BridgeFixture, AnOperationLoadsAMissingLibraryAndFreesItAfterwards) {
    archiver.UnloadZipLibrary();
    archiver.UnloadUnzLibrary();
    EXPECT_EQ(ZIPPER::ZipDllHandle, nullptr);
    prepare(zipPath, {"x"});
    archiver.Add();
    EXPECT_EQ(fake::zipper().calls.size(), 1u);
    EXPECT_EQ(ZIPPER::ZipDllHandle, nullptr);
    archiver.Extract();
    EXPECT_EQ(fake::unzipper().calls.size(), 1u);
    EXPECT_EQ(UNZIPPER::UnzDllHandle, nullptr);
    EXPECT_TRUE(messages.shown().empty());

    // A library loaded before the operation stays loaded.
    archiver.LoadZipLibrary();
    void* handle = ZIPPER::ZipDllHandle;
    prepare(zipPath, {"x"});
    archiver.Add();
    EXPECT_EQ(ZIPPER::ZipDllHandle, handle);
}

} // namespace
