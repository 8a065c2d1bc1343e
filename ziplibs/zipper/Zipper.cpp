// The ZIPPER library: adds files to an archive (creating it when missing) and deletes
// entries from it. Every change is written as a new file beside the archive (by libzip, or for
// a delete from a plainly laid out archive by copying the kept entries' bytes as they stand),
// which replaces the archive only when the whole operation has succeeded, so a failure, a
// cancel or a killed process leaves the old archive as it was.
#include "archive/ZIPPER.h"

#include "zipformat/DosTime.h"
#include "ziplibs/common/ArchiveBounds.h"
#include "ziplibs/common/CallbackGuard.h"
#include "ziplibs/common/Codes.h"
#include "ziplibs/common/ExtraFields.h"
#include "ziplibs/common/Names.h"
#include "ziplibs/common/Reporter.h"
#include "ziplibs/common/ZipHandle.h"
#include "ziplibs/zipper/ArchiveFile.h"
#include "ziplibs/zipper/Collect.h"
#include "ziplibs/zipper/ParallelCompress.h"
#include "ziplibs/zipper/RawDelete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ziplibs {
namespace {

constexpr std::int32_t ZipperVersion = 100;

bool flag(std::int32_t v) {
    return v != 0;
}

// What an add shares with the data sources of its files while libzip writes the archive.
struct AddContext {
    Reporter* rep = nullptr;
    std::string failure; // the first read problem, for the message after a failed write
};

// One file's data, read by libzip while it writes the archive.
struct FileSource {
    AddContext* ctx = nullptr;
    const AddItem* item = nullptr;
    int fd = -1;
    bool announced = false;
    zip_error_t error{};
};

zip_int64_t fail(FileSource* s, int zipError, int sysError, const std::string& why) {
    zip_error_set(&s->error, zipError, sysError);
    if (s->ctx->failure.empty() && !why.empty())
        s->ctx->failure = why;
    return -1;
}

zip_int64_t fileSourceCommand(FileSource* s, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    Reporter& rep = *s->ctx->rep;
    switch (cmd) {
    case ZIP_SOURCE_OPEN: {
        if (rep.stopped())
            return fail(s, ZIP_ER_CANCELLED, 0, std::string());
        // Not blocking: a file that became a pipe since it was listed must fail, not hang.
        s->fd = open(s->item->path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (s->fd < 0)
            return fail(s, ZIP_ER_OPEN, errno,
                        "Cannot open " + s->item->path + ": " + std::strerror(errno));
        struct stat now {};
        if (fstat(s->fd, &now) != 0 || !S_ISREG(now.st_mode))
            return fail(s, ZIP_ER_READ, EINVAL, "No longer a regular file: " + s->item->path);
        if (!s->announced) {
            s->announced = true;
            rep.newFile(s->item->name, static_cast<std::uint64_t>(s->item->st.st_size));
        }
        rep.resetProgress();
        if (rep.stopped())
            return fail(s, ZIP_ER_CANCELLED, 0, std::string());
        return 0;
    }
    case ZIP_SOURCE_READ: {
        ssize_t n;
        do {
            n = read(s->fd, data, len);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return fail(s, ZIP_ER_READ, errno,
                        "Cannot read " + s->item->path + ": " + std::strerror(errno));
        if (!rep.progress(static_cast<std::uint64_t>(n)))
            return fail(s, ZIP_ER_CANCELLED, 0, std::string());
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        if (s->fd >= 0)
            close(s->fd);
        s->fd = -1;
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
        if (!st)
            return -1;
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(s->item->st.st_size);
        st->mtime = s->item->st.st_mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
        if (s->fd >= 0)
            close(s->fd);
        s->fd = -1;
        zip_error_fini(&s->error);
        delete s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t fileSourceCallback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<FileSource*>(ud);
    return guardedSource(&s->error, [&] { return fileSourceCommand(s, data, len, cmd); });
}

int cancelCallback(zip_t*, void* ud) {
    return guardedCall(1, [&] { return static_cast<Reporter*>(ud)->stopped() ? 1 : 0; });
}

// Progress of a rewrite that copies existing entries (delete): libzip reports a fraction of
// the whole, turned here into 32 KiB steps of the bytes being written.
struct RewriteProgress {
    Reporter* rep = nullptr;
    std::uint64_t total = 0;
    std::uint64_t done = 0;
};

void rewriteProgressCallback(zip_t*, double fraction, void* ud) {
    guardedCall([&] {
        auto* p = static_cast<RewriteProgress*>(ud);
        const auto now = static_cast<std::uint64_t>(fraction * static_cast<double>(p->total));
        if (now > p->done) {
            p->rep->progress(now - p->done);
            p->done = now;
        }
    });
}

// The names of the archive's entries as the program shows them, mapped to their index.
// The key under which names are compared: as the program shows them, with "/" separators.
std::string nameKey(const std::string& raw) {
    return forwardSlashes(decodeEntryName(raw));
}

std::map<std::string, zip_uint64_t> entryIndex(zip_t* za) {
    std::map<std::string, zip_uint64_t> byName;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* raw = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (raw)
            byName.emplace(nameKey(raw), static_cast<zip_uint64_t>(i));
    }
    return byName;
}

// The archive path to write: a symbolic link is followed so that the archive it points to
// is updated rather than the link replaced by a file.
std::string archivePath(const std::string& name) {
    struct stat lst {};
    if (lstat(name.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = realpath(name.c_str(), nullptr)) {
            std::string out = real;
            std::free(real);
            return out;
        }
    }
    return name;
}

bool fileExists(const std::string& path, struct stat& st) {
    return stat(path.c_str(), &st) == 0;
}

// Whether the archive file begins with its first entry (or, holding none, with its end
// record). Anything else stands before the archive proper, as a self-extractor's program
// part does; a rewrite would drop it, so such a file is not changed.
bool startsWithArchive(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true; // the open below reports what is wrong
    unsigned char sig[4] = {};
    const ssize_t got = read(fd, sig, sizeof sig);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof sig))
        return true;
    return sig[0] == 'P' && sig[1] == 'K' &&
           ((sig[2] == 3 && sig[3] == 4) || (sig[2] == 5 && sig[3] == 6));
}

// Why an archive with other bytes in its file is not rewritten: the rewrite keeps only the
// archive proper and would drop them.
std::string extraDataText(const std::string& path, bool before, bool after) {
    const std::string where = before && after ? "before the first entry and after the end of "
                              : before        ? "before the first entry of "
                                              : "after the end of ";
    return "Data stands " + where + path + (before ? " (a self-extracting program?)" : "") +
           ", which a rewrite would lose; the archive was not changed";
}

// Opens an existing archive for changing it, or a new one when create is set and nothing
// is at the path; FILE holds it open and locked until the operation ends. Reports (naming the
// archive as SHOWN, the name it was given) and returns null when that is not possible.
ZipPtr openArchive(const std::string& path, const std::string& shown, bool create,
                   ArchiveFile& file, Reporter& rep) {
    struct stat st {};
    const bool exists = fileExists(path, st);
    if (!exists && !create) {
        rep.message(ArchiveDamaged, "Archive not found: " + path);
        return nullptr;
    }
    if (exists && S_ISDIR(st.st_mode)) {
        rep.message(ArchiveDamaged, "The archive name is a folder: " + path);
        return nullptr;
    }
    // A rewrite replaces the file by renaming, which its permissions would not stop: an
    // archive that may not be written is refused here, as it would be where writing it
    // in place is the only way.
    if (exists && ((st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0)) {
        rep.message(WriteFailed, "The archive is read-only: " + path + "; it was not changed");
        return nullptr;
    }
    switch (file.open(path)) {
    case ArchiveFile::Opened::Busy:
        rep.message(WriteFailed, shown + " is being changed by another program");
        return nullptr;
    case ArchiveFile::Opened::Failed:
        rep.message(ArchiveDamaged, "Cannot open the archive " + path + ": " + file.error());
        return nullptr;
    case ArchiveFile::Opened::Missing:
        if (!create) {
            rep.message(ArchiveDamaged, "Archive not found: " + path);
            return nullptr;
        }
        break;
    case ArchiveFile::Opened::Existing:
        st = file.status();
        break;
    }
    const bool present = file.status().st_ino != 0;
    // An empty file holds nothing to lose: an add takes it as a new archive.
    int flags = present ? 0 : ZIP_CREATE;
    if (present && create && S_ISREG(st.st_mode) && st.st_size == 0)
        flags = ZIP_CREATE | ZIP_TRUNCATE;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = file.source(&error);
    ZipPtr za(src ? zip_open_from_source(src, flags, &error) : nullptr);
    const int err = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (src && !za)
        zip_source_free(src);
    const bool damaged = !za && (err == ZIP_ER_NOZIP || err == ZIP_ER_INCONS);
    if (!za && !damaged) {
        rep.message(ArchiveDamaged, "Cannot open the archive " + path + ": " + zipErrorText(err));
        return nullptr;
    }
    if (present && (flags & ZIP_TRUNCATE) == 0) {
        // libzip itself reads past a few bytes after the end record, and past bytes before
        // the first entry when the offsets count them.
        const auto bounds = locateArchive(path);
        const bool before = (bounds && bounds->start > 0) || (za && !startsWithArchive(path));
        const bool after = bounds && bounds->dataAfter();
        if (before || after) {
            rep.message(Unsupported, extraDataText(path, before, after));
            return nullptr;
        }
    }
    if (damaged) {
        rep.message(ArchiveDamaged,
                    "Not a ZIP archive or damaged: " + path + " (" + zipErrorText(err) + ")");
        return nullptr;
    }
    return za;
}

// Why the archive was left as it was when the new one could not be put in its place.
std::string notReplaced(const std::string& path, const ArchiveFile& file, const std::string& why) {
    if (file.changedOnDisk())
        return "The archive " + path +
               " changed on disk while it was being changed; it was not replaced";
    return "Cannot write the archive " + path + " (" + why + "); the archive was not changed";
}

// Writes the archive. On failure reports, leaves the old archive as it was and returns false.
bool commit(ZipPtr& za, const std::string& path, const ArchiveFile& file, Reporter& rep,
            const std::string& failure) {
    zip_register_cancel_callback_with_state(za.get(), cancelCallback, nullptr, &rep);
    if (zip_close(za.get()) == 0) {
        za.release();
        return true;
    }
    std::string why = zip_strerror(za.get());
    if (rep.stopped()) {
        rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + path);
    } else {
        if (!failure.empty())
            why = failure;
        rep.message(WriteFailed, notReplaced(path, file, why));
    }
    return false; // the handle is discarded by its owner
}

// An archive without entries: only its end-of-central-directory record, written as the new
// archive of FILE.
bool writeEmptyArchive(const std::string& path, ArchiveFile& file, Reporter& rep) {
    const unsigned char eocd[22] = {0x50, 0x4B, 0x05, 0x06};
    if (file.beginWrite() && file.write(eocd, sizeof eocd) && file.commit())
        return true;
    rep.message(WriteFailed, notReplaced(path, file, file.error()));
    return false;
}

// Sets the archive file's modification time to that of its newest entry.
void setArchiveTimeToNewest(const std::string& path, Reporter& rep) {
    int err = 0;
    ZipPtr za(zip_open(path.c_str(), ZIP_RDONLY, &err));
    if (!za)
        return;
    std::time_t newest = 0;
    bool any = false;
    const zip_int64_t n = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const auto idx = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        if (zip_stat_index(za.get(), idx, 0, &st) != 0)
            continue;
        if (const auto when = entryTime(za.get(), idx, st)) {
            newest = any ? std::max(newest, *when) : *when;
            any = true;
        }
    }
    if (!any)
        return;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {newest, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        rep.message(WriteFailed, "Cannot set the time of " + path + ": " + std::strerror(errno));
}

// Flushes the written archive to the disk before its sources are deleted.
bool syncFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    std::string dir = path;
    const auto slash = dir.find_last_of('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return ok;
}

void setAttributes(zip_t* za, zip_uint64_t idx, const struct stat& st, bool forceDos) {
    if (forceDos) {
        zip_uint32_t attr = S_ISDIR(st.st_mode) ? 0x10 : 0x20;
        if (!(st.st_mode & S_IWUSR))
            attr |= 0x01;
        zip_file_set_external_attributes(za, idx, 0, ZIP_OPSYS_DOS, attr);
        return;
    }
    const mode_t type = S_ISDIR(st.st_mode) ? S_IFDIR : S_IFREG;
    zip_uint32_t attr = static_cast<zip_uint32_t>(type | (st.st_mode & 0777)) << 16;
    if (S_ISDIR(st.st_mode))
        attr |= 0x10;
    zip_file_set_external_attributes(za, idx, 0, ZIP_OPSYS_UNIX, attr);
}

std::int32_t runAdd(const ZipCommandRecord& r, const std::string& archive,
                    const std::vector<std::string>& specs, Reporter& rep) {
    const std::string shown = r.ArchiveName;
    const bool update = flag(r.UpdateFlag);
    const bool freshen = flag(r.FreshenFlag) && !update;
    const int level = std::clamp(static_cast<int>(r.CompressionLevel), 0, 9);

    CollectOptions opt;
    opt.recurse = flag(r.RecurseFlag);
    opt.hidden = flag(r.HiddenFilesFlag);
    opt.noDirNames = flag(r.NoDirNamesFlag);
    struct stat ast {};
    if (fileExists(archive, ast)) {
        opt.skipDev = ast.st_dev;
        opt.skipIno = ast.st_ino;
        opt.haveSkip = true;
    }
    Collector collector(opt, rep);
    for (const auto& spec : specs)
        if (!collector.addSpec(spec))
            break;
    if (rep.stopped()) {
        rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + archive);
        return 0;
    }
    const std::vector<AddItem> items = collector.take();
    if (items.empty()) {
        rep.message(NothingMatched, "Nothing to add to " + archive);
        return 0;
    }
    // Added files are encrypted with one password, asked for once; entries already in the
    // archive keep their own encryption.
    Secret password;
    zip_uint16_t encryption = ZIP_EM_NONE;
    if (r.EncryptMethod != ZipEncryptNone) {
        if (r.EncryptMethod != ZipEncryptAes256 && r.EncryptMethod != ZipEncryptZipCrypto) {
            rep.message(BadRequest,
                        "Unknown encryption method: " + std::to_string(r.EncryptMethod));
            return 0;
        }
        encryption = r.EncryptMethod == ZipEncryptAes256 ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
        if (!rep.password(PasswordToEncrypt, shown, password)) {
            rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + archive);
            return 0;
        }
        if (password.empty()) {
            rep.message(BadRequest,
                        "No password given for encrypting; the archive was not changed: " +
                            archive);
            return 0;
        }
    }

    // Declared before the archive handle: the data sources refer to it until it is closed.
    AddContext ctx;
    ctx.rep = &rep;
    CompressAhead ahead(level, rep);
    ArchiveFile file;
    ZipPtr za = openArchive(archive, shown, true, file, rep);
    if (!za)
        return 0;
    auto existing = entryIndex(za.get());

    std::vector<const AddItem*> written;
    std::size_t foldersAdded = 0;
    bool changed = false;
    for (const auto& item : items) {
        const std::string key = nameKey(item.name);
        const auto found = existing.find(key);
        const bool exists = found != existing.end();
        if (exists && (update || freshen)) {
            zip_stat_t zst;
            const auto entryWhen = zip_stat_index(za.get(), found->second, 0, &zst) == 0
                                       ? entryTime(za.get(), found->second, zst)
                                       : std::nullopt;
            if (entryWhen &&
                zipformat::toDosTime(*entryWhen) >= zipformat::toDosTime(item.st.st_mtime)) {
                if (!item.folder)
                    rep.message(EntrySkipped, "Not newer than its entry, skipped: " + item.path);
                continue;
            }
        }
        if (!exists && freshen) {
            if (!item.folder)
                rep.message(EntrySkipped, "Not in the archive, skipped: " + item.path);
            continue;
        }
        if (rep.stopped())
            break;
        // UTF-8 names are marked as such (libzip sets bit 11 when they are not plain ASCII);
        // a file name that is not UTF-8 is stored as its bytes, unmarked.
        const zip_flags_t nameFlags = isValidUtf8(item.name) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS;
        zip_int64_t idx;
        if (item.folder) {
            if (exists)
                continue;
            idx = zip_dir_add(za.get(), item.name.c_str(), nameFlags);
        } else {
            auto* state = new FileSource;
            state->ctx = &ctx;
            state->item = &item;
            zip_error_init(&state->error);
            zip_source_t* src =
                ahead.source(za.get(), item.path, static_cast<std::uint64_t>(item.st.st_size),
                             fileSourceCallback, state);
            if (!src) {
                delete state;
                idx = -1;
            } else if (exists) {
                idx = zip_file_replace(za.get(), found->second, src, 0) == 0
                          ? static_cast<zip_int64_t>(found->second)
                          : -1;
                if (idx < 0)
                    zip_source_free(src);
            } else {
                idx = zip_file_add(za.get(), item.name.c_str(), src, nameFlags);
                if (idx < 0)
                    zip_source_free(src);
            }
        }
        if (idx < 0) {
            rep.message(WriteFailed, "Cannot add " + item.path + ": " + zip_strerror(za.get()));
            continue;
        }
        const auto uidx = static_cast<zip_uint64_t>(idx);
        existing[key] = uidx;
        if (!item.folder) {
            if (level == 0)
                zip_set_file_compression(za.get(), uidx, ZIP_CM_STORE, 0);
            else
                zip_set_file_compression(za.get(), uidx, ZIP_CM_DEFLATE,
                                         static_cast<zip_uint32_t>(level));
            // libzip encrypts the data as it writes it, compressed ahead or not.
            if (encryption != ZIP_EM_NONE &&
                zip_file_set_encryption(za.get(), uidx, encryption, password.c_str()) != 0) {
                rep.message(WriteFailed,
                            "Cannot encrypt " + item.path + ": " + zip_strerror(za.get()));
                rep.stop();
                break;
            }
            written.push_back(&item);
        } else {
            ++foldersAdded;
        }
        setEntryTime(za.get(), uidx, item.st.st_mtime);
        setAttributes(za.get(), uidx, item.st, flag(r.ForceDosFlag));
        changed = true;
        if (flag(r.VerboseFlag))
            rep.message(InfoMessage, (exists ? "Replacing " : "Adding ") + item.name);
    }
    if (rep.stopped()) {
        rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + archive);
        return 0;
    }
    if (!changed)
        return 0;
    if (!commit(za, archive, file, rep, ctx.failure))
        return 0;

    if (flag(r.ZipTimeFlag))
        setArchiveTimeToNewest(archive, rep);

    if (flag(r.MoveFlag)) {
        if (!syncFile(archive)) {
            rep.message(WriteFailed, "Cannot flush " + archive + "; the moved files were kept");
        } else {
            for (const AddItem* item : written) {
                // A file changed since it was read is newer than its entry: keep it.
                struct stat now {};
                if (stat(item->path.c_str(), &now) != 0 || now.st_size != item->st.st_size ||
                    now.st_mtim.tv_sec != item->st.st_mtim.tv_sec ||
                    now.st_mtim.tv_nsec != item->st.st_mtim.tv_nsec) {
                    rep.message(EntrySkipped,
                                "Changed while it was added, not deleted: " + item->path);
                    continue;
                }
                if (unlink(item->path.c_str()) != 0)
                    rep.message(WriteFailed,
                                "Cannot delete " + item->path + ": " + std::strerror(errno));
            }
            // Folders that were walked go too once they are empty, the deepest first.
            const auto& folders = collector.walkedFolders();
            for (auto it = folders.rbegin(); it != folders.rend(); ++it)
                rmdir(it->c_str());
        }
    }
    // The files added are counted. An add that stored only folder entries still changed the
    // archive, and a count of 0 would tell the caller it need not read it again.
    const std::size_t count = written.empty() ? foldersAdded : written.size();
    return static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX));
}

std::int32_t runDelete(const ZipCommandRecord& r, const std::string& archive,
                       const std::vector<std::string>& specs, Reporter& rep) {
    ArchiveFile file;
    ZipPtr za = openArchive(archive, r.ArchiveName, false, file, rep);
    if (!za)
        return 0;
    // Field 36 chooses the code page of names stored without the UTF-8 flag (0: automatic).
    const std::optional<NameEncoding> enc = nameEncodingFromCode(r.Reserved36);
    if (!enc) {
        rep.message(BadRequest, "Unknown name encoding: " + std::to_string(r.Reserved36));
        return 0;
    }
    const zip_int64_t n = zip_get_num_entries(za.get(), 0);
    const SpecMatcher matcher(specs, decodedEntryNames(za.get(), *enc));
    std::vector<bool> used(specs.size(), false);
    std::vector<bool> gone(static_cast<std::size_t>(std::max<zip_int64_t>(n, 0)), false);
    std::int32_t deleted = 0;
    std::uint64_t remainingBytes = 0;
    for (zip_int64_t i = 0; i < n && !rep.stopped(); ++i) {
        const auto idx = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(za.get(), idx, ZIP_FL_ENC_RAW);
        if (!raw)
            continue;
        const std::string name = entryName(za.get(), idx, raw, *enc);
        zip_stat_t st;
        const bool haveStat = zip_stat_index(za.get(), idx, 0, &st) == 0;
        bool match = false;
        for (std::size_t k = 0; k < specs.size(); ++k) {
            if (matcher.matches(k, name)) {
                used[k] = true;
                match = true;
            }
        }
        if (!match) {
            if (haveStat && (st.valid & ZIP_STAT_COMP_SIZE))
                remainingBytes += st.comp_size;
            continue;
        }
        rep.newFile(name, haveStat && (st.valid & ZIP_STAT_SIZE) ? st.size : 0);
        if (rep.stopped())
            break;
        if (zip_delete(za.get(), idx) != 0) {
            rep.message(WriteFailed, "Cannot delete " + name + ": " + zip_strerror(za.get()));
            continue;
        }
        gone[idx] = true;
        ++deleted;
        if (flag(r.VerboseFlag))
            rep.message(InfoMessage, "Deleting " + name);
    }
    if (rep.stopped()) {
        rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + archive);
        return 0;
    }
    for (std::size_t k = 0; k < specs.size(); ++k)
        if (!used[k])
            rep.message(NothingMatched, "No entry matches " + specs[k]);
    if (deleted == 0)
        return 0;

    if (deleted == n) {
        // libzip removes an archive left without entries; keep a valid empty one instead.
        za.reset();
        if (!writeEmptyArchive(archive, file, rep))
            return 0;
    } else {
        rep.resetProgress();
        // The kept entries' bytes are copied as they stand where the archive's shape allows;
        // libzip rewrites it otherwise.
        std::string why;
        switch (rawDelete(file, gone, rep, why)) {
        case RawDelete::Done:
            break;
        case RawDelete::Cancelled:
            rep.message(Cancelled, "Operation cancelled; the archive was not changed: " + archive);
            return 0;
        case RawDelete::Failed:
            rep.message(WriteFailed, notReplaced(archive, file, why));
            return 0;
        case RawDelete::NotApplicable: {
            RewriteProgress progress;
            progress.rep = &rep;
            progress.total = remainingBytes;
            zip_register_progress_callback_with_state(za.get(), 0.001, rewriteProgressCallback,
                                                      nullptr, &progress);
            if (!commit(za, archive, file, rep, std::string()))
                return 0;
            break;
        }
        }
    }
    if (flag(r.ZipTimeFlag))
        setArchiveTimeToNewest(archive, rep);
    return deleted;
}

std::int32_t run(ZipCommandRecord* r, Reporter& rep) {
    if (!r->ArchiveName || !*r->ArchiveName) {
        rep.message(BadRequest, "No archive name given");
        return 0;
    }
    if (r->SpecCount < 0 || r->SpecCount > MaxSpecs) {
        rep.message(BadRequest, "Invalid number of file specs: " + std::to_string(r->SpecCount));
        return 0;
    }
    const std::string archive = archivePath(r->ArchiveName);
    std::vector<std::string> specs;
    for (std::int32_t i = 0; i < r->SpecCount; ++i)
        if (r->Specs[i] && *r->Specs[i])
            specs.emplace_back(r->Specs[i]);
    if (specs.empty()) {
        rep.message(BadRequest, flag(r->DeleteFlag) ? "No entries named for deletion"
                                                    : "No files named to add");
        return 0;
    }
    return flag(r->DeleteFlag) ? runDelete(*r, archive, specs, rep)
                               : runAdd(*r, archive, specs, rep);
}

} // namespace
} // namespace ziplibs

extern "C" __attribute__((visibility("default"))) std::int32_t QUEMBLY_STDCALL
ZipperExec(ZipCommandRecord* record) {
    return ziplibs::executeCall(
        record, [](auto* r, ziplibs::Reporter& rep) { return ziplibs::run(r, rep); });
}

extern "C" __attribute__((visibility("default"))) std::int32_t QUEMBLY_STDCALL GetZipperVersion() {
    return ziplibs::ZipperVersion;
}
