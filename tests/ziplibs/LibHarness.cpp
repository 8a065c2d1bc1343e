#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace zltest {

namespace {

void* openLibrary(const char* path) {
    void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!h)
        throw std::runtime_error(std::string("cannot load ") + path + ": " + dlerror());
    return h;
}

void* zipperHandle() {
    static void* h = openLibrary(ZIPPER_LIBRARY_PATH);
    return h;
}
void* unzipperHandle() {
    static void* h = openLibrary(UNZIPPER_LIBRARY_PATH);
    return h;
}

template <typename F> F symbol(void* h, const char* name) {
    void* p = dlsym(h, name);
    if (!p)
        throw std::runtime_error(std::string("missing entry point ") + name);
    return reinterpret_cast<F>(p);
}

std::int32_t QUEMBLY_STDCALL recordCallback(CallbackRecord* r) {
    auto* rec = static_cast<Recorder*>(r->Caller);
    Event e;
    e.action = r->ActionCode;
    e.code = r->ErrorCode;
    e.size = r->EntrySize;
    e.text = r->Text;
    e.caller = r->Caller;
    rec->events.push_back(e);
    if (e.action == ActionPassword && rec->password) {
        const std::string text = rec->password(e);
        std::snprintf(r->Text, sizeof r->Text, "%s", text.c_str());
    }
    return rec->answer ? rec->answer(rec->events.back()) : CallbackContinue;
}

// Texts as the program passes them: separately allocated, at least 256 bytes, zero-ended.
struct Texts {
    std::vector<std::unique_ptr<char[]>> buffers;
    char* make(const std::string& s) {
        const std::size_t size = std::max<std::size_t>(256, s.size() + 1);
        buffers.push_back(std::make_unique<char[]>(size));
        std::memcpy(buffers.back().get(), s.c_str(), s.size() + 1);
        return buffers.back().get();
    }
};

std::int32_t flagOf(bool b) {
    return b ? RecordTrue : RecordFalse;
}

std::uint16_t get16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t get32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(get16(b, at)) | static_cast<std::uint32_t>(get16(b, at + 2))
                                                          << 16;
}
std::uint64_t get64(const std::string& b, std::size_t at) {
    return static_cast<std::uint64_t>(get32(b, at)) | static_cast<std::uint64_t>(get32(b, at + 4))
                                                          << 32;
}

} // namespace

std::vector<Event> Recorder::withAction(std::int32_t action) const {
    std::vector<Event> out;
    for (const auto& e : events)
        if (e.action == action)
            out.push_back(e);
    return out;
}

std::vector<std::int32_t> Recorder::actions() const {
    std::vector<std::int32_t> out;
    for (const auto& e : events)
        out.push_back(e.action);
    return out;
}

bool Recorder::hasMessage(std::int32_t code) const {
    return std::any_of(events.begin(), events.end(),
                       [&](const Event& e) { return e.action == ActionMessage && e.code == code; });
}

std::string Recorder::messages() const {
    std::string out;
    for (const auto& e : events)
        if (e.action == ActionMessage)
            out += std::to_string(e.code) + ": " + e.text + "\n";
    return out;
}

ZipperExecFunc zipperExec() {
    return symbol<ZipperExecFunc>(zipperHandle(), "ZipperExec");
}
UnzipperExecFunc unzipperExec() {
    return symbol<UnzipperExecFunc>(unzipperHandle(), "UnzipperExec");
}
GetZipperVersionFunc zipperVersion() {
    return symbol<GetZipperVersionFunc>(zipperHandle(), "GetZipperVersion");
}
GetUnzipperVersionFunc unzipperVersion() {
    return symbol<GetUnzipperVersionFunc>(unzipperHandle(), "GetUnzipperVersion");
}

std::int32_t runZip(const ZipArgs& a, Recorder* rec) {
    Recorder local;
    if (!rec)
        rec = &local;
    auto r = std::make_unique<ZipCommandRecord>();
    std::memset(r.get(), 0, sizeof(ZipCommandRecord));
    Texts texts;
    r->Caller = rec;
    r->Reserved8 = 120;
    r->CallbackAddress = a.noCallback ? nullptr : recordCallback;
    r->HiddenFilesFlag = flagOf(a.hidden);
    r->Reserved44 = RecordTrue;
    r->VerboseFlag = flagOf(a.verbose);
    r->Reserved56 = RecordTrue;
    r->CompressionLevel = a.level;
    r->NoDirNamesFlag = flagOf(a.noDirNames && !a.del);
    r->RecurseFlag = flagOf(a.recurse && !a.del);
    r->Reserved80 = flagOf(!a.del);
    r->ForceDosFlag = flagOf(a.forceDos);
    r->MoveFlag = flagOf(a.move && !a.del);
    r->DeleteFlag = flagOf(a.del);
    r->UpdateFlag = flagOf(a.update && !a.del);
    r->FreshenFlag = flagOf(a.freshen && !a.update && !a.del);
    r->ZipTimeFlag = flagOf(a.zipTime);
    r->EncryptMethod = a.encrypt;
    r->ArchiveName = texts.make(a.archive);
    r->Reserved128 = 7;
    for (const auto& s : a.specs)
        r->Specs[r->SpecCount++] = texts.make(s);
    return zipperExec()(r.get());
}

namespace {
struct CwdGuard {
    fs::path old = fs::current_path();
    explicit CwdGuard(const fs::path& dir) { fs::current_path(dir); }
    ~CwdGuard() { fs::current_path(old); }
};
} // namespace

std::int32_t runUnz(const fs::path& dir, const UnzArgs& a, Recorder* rec) {
    Recorder local;
    if (!rec)
        rec = &local;
    auto r = std::make_unique<UnzCommandRecord>();
    std::memset(r.get(), 0, sizeof(UnzCommandRecord));
    Texts texts;
    r->Caller = rec;
    r->Reserved8 = 120;
    r->CallbackAddress = a.noCallback ? nullptr : recordCallback;
    r->Reserved20 = a.test ? UnzTestMode : 0;
    r->Reserved40 = RecordTrue;
    r->VerboseFlag = flagOf(a.verbose);
    r->UpdateFlag = flagOf(a.update);
    r->FreshenFlag = flagOf(a.freshen && !a.update);
    r->DirNamesFlag = flagOf(a.dirNames);
    r->OverwriteFlag = flagOf(a.overwrite);
    r->ArchiveName = texts.make(a.archive);
    r->Reserved72 = 7;
    for (const auto& s : a.specs)
        r->Specs[r->SpecCount++] = texts.make(s);
    CwdGuard cwd(dir);
    return unzipperExec()(r.get());
}

std::vector<CdEntry> readCentralDirectory(const fs::path& archive) {
    std::vector<CdEntry> out;
    std::string b;
    try {
        b = testsupport::readFile(archive);
    } catch (...) {
        return out;
    }
    if (b.size() < 22)
        return out;
    std::size_t eocd = std::string::npos;
    for (std::size_t i = b.size() - 22 + 1; i-- > 0 && b.size() - i <= 22 + 65535;) {
        if (get32(b, i) == 0x06054B50) {
            eocd = i;
            break;
        }
    }
    if (eocd == std::string::npos)
        return out;
    std::uint64_t count = get16(b, eocd + 10);
    std::uint64_t cdOffset = get32(b, eocd + 16);
    if (cdOffset == 0xFFFFFFFF && eocd >= 20 && get32(b, eocd - 20) == 0x07064B50) {
        const std::uint64_t z64 = get64(b, eocd - 20 + 8);
        if (z64 + 56 <= b.size() && get32(b, z64) == 0x06064B50) {
            count = get64(b, z64 + 32);
            cdOffset = get64(b, z64 + 48);
        }
    }
    std::size_t p = cdOffset;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (p + 46 > b.size() || get32(b, p) != 0x02014B50)
            return {};
        CdEntry e;
        e.madeBy = get16(b, p + 4);
        e.flags = get16(b, p + 8);
        e.method = get16(b, p + 10);
        e.dosTime = get32(b, p + 12);
        e.crc = get32(b, p + 16);
        e.compressedSize = get32(b, p + 20);
        e.size = get32(b, p + 24);
        const std::size_t nameLen = get16(b, p + 28), extraLen = get16(b, p + 30),
                          commentLen = get16(b, p + 32);
        e.externalAttr = get32(b, p + 38);
        e.localOffset = get32(b, p + 42);
        if (p + 46 + nameLen + extraLen > b.size())
            return {};
        e.name = b.substr(p + 46, nameLen);
        // ZIP64 extra field: the values whose 32-bit fields are all ones, in order.
        for (std::size_t x = p + 46 + nameLen; x + 4 <= p + 46 + nameLen + extraLen;) {
            const std::uint16_t id = get16(b, x), len = get16(b, x + 2);
            if (id == 0x0001) {
                std::size_t q = x + 4;
                if (e.size == 0xFFFFFFFF && q + 8 <= x + 4 + len) {
                    e.size = get64(b, q);
                    q += 8;
                }
                if (e.compressedSize == 0xFFFFFFFF && q + 8 <= x + 4 + len) {
                    e.compressedSize = get64(b, q);
                    q += 8;
                }
                if (e.localOffset == 0xFFFFFFFF && q + 8 <= x + 4 + len)
                    e.localOffset = get64(b, q);
            }
            x += 4 + len;
        }
        out.push_back(e);
        p += 46 + nameLen + extraLen + commentLen;
    }
    return out;
}

std::vector<std::string> walkLocalHeaders(const fs::path& archive) {
    std::vector<std::string> names;
    const std::string b = testsupport::readFile(archive);
    std::size_t p = 0;
    while (p + 30 <= b.size() && get32(b, p) == 0x04034B50) {
        const std::size_t nameLen = get16(b, p + 26), extraLen = get16(b, p + 28);
        names.push_back(b.substr(p + 30, nameLen));
        p += 30 + nameLen + extraLen + get32(b, p + 18);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const CdEntry* findEntry(const std::vector<CdEntry>& entries, const std::string& name) {
    for (const auto& e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

std::vector<std::string> entryNames(const std::vector<CdEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

void setMtime(const fs::path& path, std::time_t t) {
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the time of " + path.string());
}

std::time_t mtimeOf(const fs::path& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        throw std::runtime_error("cannot stat " + path.string());
    return st.st_mtime;
}

std::uint32_t dosTimeOf(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return static_cast<std::uint32_t>(((tm.tm_year - 80) << 25) | ((tm.tm_mon + 1) << 21) |
                                      (tm.tm_mday << 16) | (tm.tm_hour << 11) | (tm.tm_min << 5) |
                                      (tm.tm_sec / 2));
}

std::string textData(std::size_t size, unsigned seed) {
    static const char* words[] = {"archive ", "entry ", "folder ", "quembly ", "data\n",
                                  "zip ",     "file ",  "name ",   "level ",   "time "};
    std::string s;
    s.reserve(size + 16);
    unsigned x = seed * 2654435761u + 1;
    while (s.size() < size) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 10];
    }
    s.resize(size);
    return s;
}

std::string noiseData(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull * (seed + 1);
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

std::string capture(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int st = pclose(p);
    if (status)
        *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::vector<std::pair<std::string, std::string>> treeContents(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file() && !e.is_symlink())
            out.emplace_back(fs::relative(e.path(), root).string(),
                             testsupport::readFile(e.path()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace zltest
