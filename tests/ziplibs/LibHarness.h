#pragma once
// Drives the two archive libraries the way the program does: loaded at run time, one command
// record filled per call, callbacks recorded. Also reads archives back without the libraries
// (a small central-directory reader) so that what they write is checked independently.
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zltest {

namespace fs = std::filesystem;

struct Event {
    std::int32_t action = 0;
    std::int32_t code = 0;
    std::int32_t size = 0;
    std::string text;
    void* caller = nullptr;
};

// Collects the callbacks of one call; answer decides what each callback returns.
struct Recorder {
    std::vector<Event> events;
    std::function<std::int32_t(const Event&)> answer;
    // The text a password request (action 5) is answered with, before answer is asked.
    std::function<std::string(const Event&)> password;

    std::vector<Event> withAction(std::int32_t action) const;
    std::vector<std::int32_t> actions() const;
    bool hasMessage(std::int32_t code) const;
    std::string messages() const; // every action-4 text, one a line, for failure output
};

struct ZipArgs {
    std::string archive;
    std::vector<std::string> specs;
    int level = 9;
    bool recurse = false, hidden = false, noDirNames = false, move = false, del = false,
         update = false, freshen = false, zipTime = false, forceDos = false, verbose = false;
    bool noCallback = false;
    std::int32_t encrypt = ZipEncryptNone;
};

struct UnzArgs {
    std::string archive;
    std::vector<std::string> specs;
    bool dirNames = true, overwrite = true, update = false, freshen = false, verbose = false;
    bool noCallback = false;
    bool test = false; // tests the entries instead (UnzTestMode)
};

ZipperExecFunc zipperExec();
UnzipperExecFunc unzipperExec();
GetZipperVersionFunc zipperVersion();
GetUnzipperVersionFunc unzipperVersion();

std::int32_t runZip(const ZipArgs& args, Recorder* rec = nullptr);
// Extracts into dir (made the current directory for the call, then restored).
std::int32_t runUnz(const fs::path& dir, const UnzArgs& args, Recorder* rec = nullptr);

// One entry as the central directory of an archive describes it.
struct CdEntry {
    std::string name;
    std::uint16_t madeBy = 0, flags = 0, method = 0;
    std::uint32_t dosTime = 0, crc = 0, externalAttr = 0;
    std::uint64_t compressedSize = 0, size = 0, localOffset = 0;
};
// The central directory of a ZIP file; empty on anything it cannot read (ZIP64 offsets are
// followed through the ZIP64 end record).
std::vector<CdEntry> readCentralDirectory(const fs::path& archive);
// The entry names found by walking the local headers from the start of the file, skipping
// each entry's data by the compressed size in its local header, as the program lists an
// archive. Stops at the first record that is not a local header.
std::vector<std::string> walkLocalHeaders(const fs::path& archive);
const CdEntry* findEntry(const std::vector<CdEntry>& entries, const std::string& name);
std::vector<std::string> entryNames(const std::vector<CdEntry>& entries);

// Local times used by the tests, at even seconds so that they survive the DOS format.
std::time_t localTime(int year, int month, int day, int hour, int minute, int second);
void setMtime(const fs::path& path, std::time_t t);
std::time_t mtimeOf(const fs::path& path);
std::uint32_t dosTimeOf(std::time_t t);

// A deterministic byte pattern: compressible text or incompressible noise.
std::string textData(std::size_t size, unsigned seed = 1);
std::string noiseData(std::size_t size, unsigned seed = 1);

// Runs a shell command and returns its standard output; status receives the exit status.
std::string capture(const std::string& command, int* status = nullptr);
// Quotes a text for the shell.
std::string shellQuote(const std::string& s);

// All regular files below a folder as relative path -> contents.
std::vector<std::pair<std::string, std::string>> treeContents(const fs::path& root);

} // namespace zltest
