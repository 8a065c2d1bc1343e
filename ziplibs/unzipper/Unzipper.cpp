// The UNZIPPER library: extracts all or the named entries of an archive into the process's
// current directory. A file appears under its name only when it is complete and its CRC
// checked, and nothing is ever written outside that folder.
#include "archive/UNZIPPER.h"

#include "zipformat/DosTime.h"
#include "ziplibs/common/ArchiveBounds.h"
#include "ziplibs/common/Codes.h"
#include "ziplibs/common/ExtraFields.h"
#include "ziplibs/common/Names.h"
#include "ziplibs/common/Reporter.h"
#include "ziplibs/common/ZipHandle.h"
#include "ziplibs/unzipper/EntryBatches.h"
#include "ziplibs/unzipper/EntryReader.h"
#include "ziplibs/unzipper/ParallelExtract.h"
#include "ziplibs/unzipper/Passwords.h"
#include "ziplibs/unzipper/SafeOutput.h"
#include "ziplibs/unzipper/TestMode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ziplibs {
namespace {

constexpr std::int32_t UnzipperVersion = 100;
constexpr std::size_t LinkTargetMax = 4096;

bool flag(std::int32_t v) {
    return v != 0;
}

struct ZipFileClose {
    void operator()(zip_file_t* f) const {
        if (f)
            zip_fclose(f);
    }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileClose>;

// A file descriptor closed when it goes.
struct FileDescriptor {
    explicit FileDescriptor(int f) : fd(f) {}
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    const int fd;
};

// Done: a file or link was extracted; Folder: a folder entry was handled; Failed: the entry
// was skipped or failed (and reported); Stop: the caller asked to stop.
enum class Outcome { Done, Folder, Failed, Stop };

struct Extraction {
    const UnzCommandRecord& r;
    Reporter& rep;
    zip_t* za;
    OutputFolder out{};
    unsigned umask;
    std::int32_t count = 0;
    EntryBuffers buffers{};
    Passwords passwords;
    // The folders made from folder entries, with the entries' times: set once every file is
    // in, since each file made in a folder changes its time.
    std::vector<std::pair<std::vector<std::string>, std::time_t>> folderTimes{};
    // The workers inflating entries ahead of this thread; null in test mode and on one core.
    std::unique_ptr<InflateAhead> ahead{};
    // Whether each entry of the whole archive has an extra field in its local header (empty:
    // unknown), and the index in the whole archive of za's first entry.
    std::vector<bool> localExtra{};
    zip_uint64_t base = 0;

    std::optional<std::time_t> timeOf(zip_uint64_t idx, const zip_stat_t& st) const {
        return entryTime(za, idx, st, localExtra.empty() || localExtra[base + idx]);
    }
};

std::string wrongOrDamaged(const std::string& name) {
    return "Wrong password or damaged data in " + name + "; the file was not extracted";
}

// Reports why an entry's data could not be read.
void reportReadError(Reporter& rep, const std::string& name, const zip_stat_t& st,
                     const zip_error_t* err) {
    const int code = zip_error_code_zip(err);
    const std::string why = zip_error_strerror(const_cast<zip_error_t*>(err));
    // Decrypted with a wrong password that passed the header check, an entry's data fails
    // its CRC, its decoding or its authentication code just as damaged data does.
    if (isEncrypted(st) && (code == ZIP_ER_CRC || code == ZIP_ER_COMPRESSED_DATA))
        rep.message(CrcError, wrongOrDamaged(name));
    else if (code == ZIP_ER_CRC)
        rep.message(CrcError, "CRC error in " + name + "; the file was not extracted");
    else if (code == ZIP_ER_COMPNOTSUPP)
        rep.message(Unsupported, "Compression method " + methodName(st.comp_method) +
                                     " not supported, skipped: " + name);
    else if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_ENCRNOTSUPP || code == ZIP_ER_WRONGPASSWD)
        rep.message(EntryEncrypted, "Encrypted entry cannot be extracted: " + name);
    else
        rep.message(ArchiveDamaged, "Cannot read " + name + " (" + why + "); damaged archive");
}

// The mode of an extracted file: the stored Unix permissions less the process's umask (as
// for any file the user makes), never set-user, set-group or sticky; or the usual mode for
// new files when none is stored.
unsigned fileMode(zip_uint8_t opsys, zip_uint32_t attr, unsigned umask) {
    const unsigned unixMode = attr >> 16;
    if (opsys == ZIP_OPSYS_UNIX && (unixMode & 0777) != 0 &&
        ((unixMode & S_IFMT) == S_IFREG || (unixMode & S_IFMT) == 0))
        return unixMode & 0777 & ~umask;
    unsigned mode = 0666 & ~umask;
    if (opsys == ZIP_OPSYS_DOS && (attr & 0x01))
        mode &= ~0222u;
    return mode;
}

Outcome extractFile(Extraction& x, zip_uint64_t idx, const std::string& name, const zip_stat_t& st,
                    int dirFd, const std::string& leaf, unsigned mode, std::time_t mtime) {
    Reporter& rep = x.rep;
    // An entry the workers inflated ahead is written from their buffer, with their CRC.
    InflatedEntry ahead;
    const bool ready = x.ahead && x.ahead->take(idx, ahead);
    std::optional<EntryReader> entry;
    if (!ready) {
        switch (openEntry(entry, x.za, idx, st, x.buffers, x.passwords, name)) {
        case Opened::Yes:
            break;
        case Opened::NoPassword:
            rep.message(EntryEncrypted, "Encrypted entry cannot be extracted: " + name);
            return rep.stopped() ? Outcome::Stop : Outcome::Failed;
        case Opened::Stop:
            return Outcome::Stop;
        }
    }
    if (entry && !entry->opened()) {
        reportReadError(rep, name, st, entry->error());
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    // A file a worker wrote ahead is linked in as it is, when it got what this one would.
    const bool written = ready && ahead.fd >= 0 && ahead.mode == mode && ahead.mtime == mtime;
    if (ready && ahead.fd >= 0 && !written)
        close(ahead.fd);
    std::optional<TempFile> tmp;
    if (written)
        tmp.emplace(dirFd, ahead.fd, TempFile::Written{});
    else
        tmp.emplace(dirFd);
    if (tmp->fd() < 0) {
        rep.message(WriteFailed, tmp->error() + " for " + name);
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    std::uint32_t crc = 0;
    zip_uint64_t total = 0;
    for (;;) {
        const char* block = nullptr;
        const zip_int64_t n =
            ready ? ahead.read(block, ProgressChunk) : entry->read(block, ProgressChunk);
        if (n < 0) {
            reportReadError(rep, name, st, entry->error());
            return rep.stopped() ? Outcome::Stop : Outcome::Failed;
        }
        if (n == 0)
            break;
        const auto un = static_cast<std::size_t>(n);
        if (!ready)
            crc = crc32(crc, block, un);
        total += un;
        if (!written && !tmp->writeAll(block, un)) {
            rep.message(WriteFailed, tmp->error() + " " + name);
            return rep.stopped() ? Outcome::Stop : Outcome::Failed;
        }
        if (!rep.progress(un))
            return Outcome::Stop;
    }
    if (ready)
        crc = ahead.crc;
    if (((st.valid & ZIP_STAT_SIZE) && total != st.size) ||
        ((ready ? !ahead.authenticated : entry->checksCrc()) && (st.valid & ZIP_STAT_CRC) &&
         static_cast<zip_uint32_t>(crc) != st.crc)) {
        rep.message(CrcError, isEncrypted(st)
                                  ? wrongOrDamaged(name)
                                  : "CRC error in " + name + "; the file was not extracted");
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    if (!tmp->commit(leaf, mode, mtime)) {
        // A file written on another file system than its folder's is written again here.
        if (written && tmp->crossedDevice()) {
            tmp.emplace(dirFd);
            if (tmp->fd() >= 0 && tmp->writeAll(ahead.data, ahead.size) &&
                tmp->commit(leaf, mode, mtime))
                return Outcome::Done;
        }
        rep.message(WriteFailed, tmp->error() + " (" + name + ")");
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    return Outcome::Done;
}

// Makes a symbolic link entry in the folder of the parts FOLDER (open as dirFd). Refused when
// its target, followed through the links already in the extraction folder, leads outside it.
Outcome extractLink(Extraction& x, zip_uint64_t idx, const std::string& name, const zip_stat_t& st,
                    const std::vector<std::string>& folder, int dirFd, const std::string& leaf) {
    Reporter& rep = x.rep;
    if ((st.valid & ZIP_STAT_SIZE) && st.size > LinkTargetMax) {
        rep.message(NameRefused, "Symbolic link target too long, refused: " + name);
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    ZipFilePtr zf(zip_fopen_index(x.za, idx, 0));
    if (!zf) {
        reportReadError(rep, name, st, zip_get_error(x.za));
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    std::string target(LinkTargetMax + 1, '\0');
    zip_uint64_t got = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(zf.get(), target.data() + got, target.size() - got);
        if (n < 0) {
            reportReadError(rep, name, st, zip_file_get_error(zf.get()));
            return rep.stopped() ? Outcome::Stop : Outcome::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<zip_uint64_t>(n);
        if (got >= target.size())
            break;
    }
    target.resize(got);
    if (got > LinkTargetMax || target.find('\0') != std::string::npos ||
        !isContainedLinkTarget(target)) {
        rep.message(NameRefused, "Symbolic link pointing outside the extraction folder refused: " +
                                     name + " -> " + target);
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    if (!x.out.linkStaysInside(folder, target)) {
        rep.message(NameRefused, "Symbolic link leading outside the extraction folder through a "
                                 "link already there refused: " +
                                     name + " -> " + target);
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    std::string error;
    if (!makeLink(dirFd, leaf, target, error)) {
        rep.message(WriteFailed, error);
        return rep.stopped() ? Outcome::Stop : Outcome::Failed;
    }
    return Outcome::Done;
}

// Whether an entry whose name does not end in "/" is a folder by its attributes: by its Unix
// mode when a Unix system made it with one, else by the MS-DOS directory attribute on an
// entry without data.
bool folderByAttributes(zip_uint8_t opsys, zip_uint32_t attr, const zip_stat_t& st) {
    const unsigned unixType = (attr >> 16) & S_IFMT;
    if (opsys == ZIP_OPSYS_UNIX && unixType != 0)
        return unixType == S_IFDIR;
    return (attr & 0x10) != 0 && (st.valid & ZIP_STAT_SIZE) && st.size == 0;
}

// The mode and time the file of entry IDX gets when it is a plain file with a time of its
// own (what extractEntry gives it); nullopt for anything else.
std::optional<FileToWrite> plainFile(const Extraction& x, zip_uint64_t idx) {
    zip_stat_t st;
    zip_uint8_t opsys = ZIP_OPSYS_DOS;
    zip_uint32_t attr = 0;
    const char* raw = zip_get_name(x.za, idx, ZIP_FL_ENC_RAW);
    if (!raw || !*raw || raw[std::strlen(raw) - 1] == '/' ||
        zip_stat_index(x.za, idx, 0, &st) != 0 ||
        zip_file_get_external_attributes(x.za, idx, 0, &opsys, &attr) != 0 ||
        folderByAttributes(opsys, attr, st))
        return std::nullopt;
    const unsigned type = opsys == ZIP_OPSYS_UNIX ? (attr >> 16) & S_IFMT : 0;
    const std::optional<std::time_t> when = x.timeOf(idx, st);
    if ((type != 0 && type != S_IFREG) || !when)
        return std::nullopt;
    return FileToWrite{fileMode(opsys, attr, x.umask), *when};
}

// Extracts one entry. Returns Stop when the caller asked to stop.
Outcome extractEntry(Extraction& x, zip_uint64_t idx, const std::string& name) {
    Reporter& rep = x.rep;
    const bool dirNames = flag(x.r.DirNamesFlag);
    const bool update = flag(x.r.UpdateFlag);
    const bool freshen = flag(x.r.FreshenFlag) && !update;
    const bool overwrite = flag(x.r.OverwriteFlag);
    const auto stopOr = [&](Outcome o) { return rep.stopped() ? Outcome::Stop : o; };

    zip_stat_t st;
    if (zip_stat_index(x.za, idx, 0, &st) != 0) {
        rep.message(ArchiveDamaged, "Cannot read the entry " + name);
        return stopOr(Outcome::Failed);
    }
    zip_uint8_t opsys = ZIP_OPSYS_DOS;
    zip_uint32_t attr = 0;
    zip_file_get_external_attributes(x.za, idx, 0, &opsys, &attr);
    const unsigned type = opsys == ZIP_OPSYS_UNIX ? (attr >> 16) & S_IFMT : 0;

    SafeName safe = checkEntryName(name);
    const bool folder = safe.isFolder || folderByAttributes(opsys, attr, st);
    if (!safe.ok) {
        // A folder entry "./" names the extraction folder itself: there is nothing to make.
        if (safe.self && folder)
            return Outcome::Folder;
        rep.message(NameRefused, "Entry name refused (" + safe.reason + "): " + name);
        return stopOr(Outcome::Failed);
    }
    std::string error;
    bool viaLink = false;
    if (folder) {
        if (!dirNames)
            return Outcome::Folder;
        if (x.out.openFolder(safe.parts, safe.parts.size(), true, error, viaLink) < 0)
            rep.message(viaLink ? NameRefused : WriteFailed, error + " (" + name + ")");
        else if (const auto when = x.timeOf(idx, st))
            x.folderTimes.emplace_back(safe.parts, *when);
        return stopOr(Outcome::Folder);
    }
    // The password is asked for before the first encrypted entry is announced.
    if (isEncrypted(st) && type != S_IFLNK) {
        const char* password = x.passwords.forEntry(name);
        if (!password) {
            if (rep.stopped())
                return Outcome::Stop;
            rep.message(EntryEncrypted, "Encrypted entry cannot be extracted: " + name);
            return stopOr(Outcome::Failed);
        }
        // The entries after this one are decrypted ahead with the password it is read with.
        if (x.ahead)
            x.ahead->usePassword(password,
                                 [&x](zip_uint64_t i) { return x.passwords.authenticated(i); });
    }
    // Without folder names the file goes into the extraction folder itself.
    const std::string& leaf = safe.parts.back();
    const int dirFd =
        x.out.openFolder(safe.parts, dirNames ? safe.parts.size() - 1 : 0, true, error, viaLink);
    if (dirFd < 0) {
        rep.message(viaLink ? NameRefused : WriteFailed, error + " (" + name + ")");
        return stopOr(Outcome::Failed);
    }

    const std::optional<std::time_t> when = x.timeOf(idx, st);
    struct stat existing {};
    if (fstatat(dirFd, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            rep.message(WriteFailed, "A folder of the same name is in the way: " + name);
            return stopOr(Outcome::Failed);
        }
        if (update || freshen) {
            if (when && zipformat::toDosTime(existing.st_mtime) >= zipformat::toDosTime(*when)) {
                rep.message(EntrySkipped, "Existing file is not older, skipped: " + name);
                return stopOr(Outcome::Failed);
            }
        } else if (!overwrite) {
            rep.message(EntrySkipped, "File exists, skipped: " + name);
            return stopOr(Outcome::Failed);
        }
    } else if (freshen) {
        rep.message(EntrySkipped, "Not present, skipped: " + name);
        return stopOr(Outcome::Failed);
    }

    rep.newFile(name, (st.valid & ZIP_STAT_SIZE) ? st.size : 0);
    if (rep.stopped())
        return Outcome::Stop;
    if (flag(x.r.VerboseFlag))
        rep.message(InfoMessage, "Extracting " + name);
    if (type == S_IFLNK)
        return extractLink(x, idx, name, st,
                           std::vector<std::string>(safe.parts.begin(), dirNames
                                                                            ? safe.parts.end() - 1
                                                                            : safe.parts.begin()),
                           dirFd, leaf);
    return extractFile(x, idx, name, st, dirFd, leaf, fileMode(opsys, attr, x.umask),
                       when.value_or(time(nullptr)));
}

// Tests one entry instead of extracting it: a sound entry counts as done.
Outcome testOutcome(Extraction& x, zip_uint64_t idx, const std::string& name) {
    switch (testEntry(x.za, idx, name, x.rep, flag(x.r.VerboseFlag), &x.passwords)) {
    case TestResult::Sound:
        return Outcome::Done;
    case TestResult::Skipped:
        return Outcome::Folder;
    case TestResult::Failed:
        return Outcome::Failed;
    case TestResult::Stop:
        break;
    }
    return Outcome::Stop;
}

std::int32_t run(UnzCommandRecord* r, Reporter& rep) {
    if (!r->ArchiveName || !*r->ArchiveName) {
        rep.message(ArchiveDamaged, "No archive name given");
        return 0;
    }
    if (r->SpecCount < 0 || r->SpecCount > MaxSpecs) {
        rep.message(BadRequest, "Invalid number of file specs: " + std::to_string(r->SpecCount));
        return 0;
    }
    // Field 36, 0 in every record but those that choose a code page for the names stored
    // without the UTF-8 flag (its number).
    const std::optional<NameEncoding> enc = nameEncodingFromCode(r->Reserved36);
    if (!enc) {
        rep.message(BadRequest, "Unknown name encoding: " + std::to_string(r->Reserved36));
        return 0;
    }
    const std::string archive = r->ArchiveName;
    // A call without names asks for every entry. Names that name nothing (empty
    // texts) ask for nothing: they must not widen into every entry.
    const bool everyEntry = r->SpecCount == 0;
    std::vector<std::string> specs;
    for (std::int32_t i = 0; i < r->SpecCount; ++i)
        if (r->Specs[i])
            specs.emplace_back(r->Specs[i]);

    struct stat ast {};
    if (stat(archive.c_str(), &ast) != 0 || S_ISDIR(ast.st_mode)) {
        rep.message(ArchiveDamaged, "Archive not found: " + archive);
        return 0;
    }
    // An archive of many entries is opened a batch of them at a time (EntryBatches.h).
    std::optional<EntryBatches> batches = EntryBatches::plan(archive);
    ZipPtr za(batches ? batches->open(0) : nullptr);
    if (!za)
        batches.reset();
    int err = 0;
    if (!za)
        za.reset(zip_open(archive.c_str(), ZIP_RDONLY, &err));
    // libzip takes the whole file as the archive. Bytes before an archive whose offsets do
    // not count them, or many after its end, make it refuse the file; the archive is then
    // read through a window onto the part that is the archive.
    if (!za && (err == ZIP_ER_NOZIP || err == ZIP_ER_INCONS))
        if (const auto bounds = locateArchive(archive); bounds && bounds->needsWindow())
            za.reset(openArchiveWindow(archive, *bounds));
    if (!za) {
        rep.message(ArchiveDamaged,
                    "Not a ZIP archive or damaged: " + archive + " (" + zipErrorText(err) + ")");
        return 0;
    }
    Extraction x{.r = *r,
                 .rep = rep,
                 .za = za.get(),
                 .umask = processUmask(),
                 .passwords = Passwords(rep, archive)};
    if (!x.out.valid() && r->Reserved20 != UnzTestMode) { // a test writes nothing
        rep.message(WriteFailed, "Cannot open the extraction folder");
        return 0;
    }
    std::vector<bool> used(specs.size(), false);
    const zip_int64_t n =
        batches ? static_cast<zip_int64_t>(batches->entries()) : zip_get_num_entries(za.get(), 0);
    // Entries that share their bytes with another are not extracted: many records pointing
    // at one entry's data would unpack to far more than the archive holds, and one entry's
    // data hiding another's header shows a listing other than what is extracted.
    EntryPlaces places = entryPlaces(archive);
    std::vector<bool>& overlapping = places.overlapping;
    if (overlapping.size() != static_cast<std::uint64_t>(n)) {
        overlapping.assign(static_cast<std::size_t>(n), false);
        places.dataStart.clear();
        places.localExtra.clear();
    }
    x.localExtra = std::move(places.localExtra);
    // The workers' reading of small entries goes straight to the file where their data lie.
    const FileDescriptor rawFile(
        places.dataStart.empty() ? -1 : open(archive.c_str(), O_RDONLY | O_CLOEXEC));
    // Every entry's name is needed only to tell a spec with "*" or "?" that is an entry's
    // own name from a pattern: a million names are not kept for a call without such specs.
    const bool anyPattern = std::any_of(specs.begin(), specs.end(),
                                        [](const std::string& s) { return hasWildcards(s); });
    std::vector<std::string> allNames;
    for (std::size_t b = 0; anyPattern && b < (batches ? batches->count() : 1); ++b) {
        const ZipPtr part(batches ? batches->open(b) : nullptr);
        std::vector<std::string> names = decodedEntryNames(part ? part.get() : za.get(), *enc);
        allNames.insert(allNames.end(), std::make_move_iterator(names.begin()),
                        std::make_move_iterator(names.end()));
    }
    const SpecMatcher matcher(specs, allNames);
    allNames = {};
    zip_uint64_t base = 0; // the index of za's first entry in the whole archive
    const auto inflateAhead = [&] {
        const unsigned workers = InflateAhead::workers();
        if (r->Reserved20 == UnzTestMode || workers == 0)
            return std::unique_ptr<InflateAhead>();
        const auto count = static_cast<zip_uint64_t>(zip_get_num_entries(za.get(), 0));
        // Files that will most likely be made are written ahead by the workers, not when the
        // extraction only replaces older files.
        const bool writeAhead = !flag(r->UpdateFlag) && !flag(r->FreshenFlag);
        return std::make_unique<InflateAhead>(
            za.get(), count,
            [&, writeAhead](zip_uint64_t idx, std::optional<FileToWrite>& file) {
                // The checks of the loop below that need nothing but the name.
                if (overlapping[base + idx])
                    return false;
                if (!everyEntry) {
                    const char* raw = zip_get_name(za.get(), idx, ZIP_FL_ENC_RAW);
                    const std::string name = raw ? entryName(za.get(), idx, raw, *enc) : "";
                    bool match = false;
                    for (std::size_t k = 0; raw && k < specs.size() && !match; ++k)
                        match = matcher.matches(k, name);
                    if (!match)
                        return false;
                }
                if (writeAhead)
                    file = plainFile(x, idx);
                return true;
            },
            workers,
            RawData{rawFile.fd, rawFile.fd >= 0 ? places.dataStart.data() + base : nullptr,
                    writeAhead ? x.out.base() : -1});
    };
    x.ahead = inflateAhead();
    for (zip_int64_t i = 0, batch = 0; i < n; ++i) {
        if (batches && batch + 1 < static_cast<zip_int64_t>(batches->count()) &&
            static_cast<zip_uint64_t>(i) == batches->first(static_cast<std::size_t>(batch + 1))) {
            x.ahead.reset();
            za.reset(batches->open(static_cast<std::size_t>(++batch)));
            if (!za) {
                rep.message(ArchiveDamaged, "Cannot read the entries from entry " +
                                                std::to_string(i) + " on; damaged archive");
                break;
            }
            x.za = za.get();
            base = static_cast<zip_uint64_t>(i);
            x.passwords.base = base;
            x.base = base;
            x.ahead = inflateAhead();
        }
        const auto idx = static_cast<zip_uint64_t>(i) - base;
        const char* raw = zip_get_name(za.get(), idx, ZIP_FL_ENC_RAW);
        if (!raw) {
            rep.message(ArchiveDamaged, "Cannot read the name of entry " + std::to_string(i));
            if (rep.stopped())
                break;
            continue;
        }
        const std::string name = entryName(za.get(), idx, raw, *enc);
        if (!everyEntry) {
            bool match = false;
            for (std::size_t k = 0; k < specs.size(); ++k) {
                if (matcher.matches(k, name)) {
                    used[k] = true;
                    match = true;
                }
            }
            if (!match)
                continue;
        }
        if (overlapping[base + idx]) {
            rep.message(ArchiveDamaged, name + " overlaps another entry; not extracted");
            if (rep.stopped())
                break;
            continue;
        }
        const Outcome o =
            r->Reserved20 == UnzTestMode ? testOutcome(x, idx, name) : extractEntry(x, idx, name);
        if (o == Outcome::Stop) {
            rep.message(Cancelled, "Operation cancelled");
            break;
        }
        if (o == Outcome::Done && x.count < INT32_MAX)
            ++x.count;
    }
    x.ahead.reset(); // before what its entry checks refer to
    for (const auto& [parts, when] : x.folderTimes) {
        std::string error;
        bool viaLink = false;
        const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
        if (const int fd = x.out.openFolder(parts, parts.size(), false, error, viaLink); fd >= 0)
            futimens(fd, times);
    }
    if (!rep.stopped())
        for (std::size_t k = 0; k < specs.size(); ++k)
            if (!used[k])
                rep.message(NothingMatched, "No entry matches " + specs[k]);
    return x.count;
}

} // namespace
} // namespace ziplibs

extern "C" __attribute__((visibility("default"))) std::int32_t QUEMBLY_STDCALL
UnzipperExec(UnzCommandRecord* record) {
    return ziplibs::executeCall(
        record, [](auto* r, ziplibs::Reporter& rep) { return ziplibs::run(r, rep); });
}

extern "C" __attribute__((visibility("default"))) std::int32_t QUEMBLY_STDCALL
GetUnzipperVersion() {
    return ziplibs::UnzipperVersion;
}
