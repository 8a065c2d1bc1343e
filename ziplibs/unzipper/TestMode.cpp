#include "ziplibs/unzipper/TestMode.h"

#include "ziplibs/common/Codes.h"
#include "ziplibs/unzipper/EntryReader.h"
#include "ziplibs/unzipper/MethodDecoders.h"
#include "ziplibs/unzipper/Passwords.h"

#include <zlib.h>

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <vector>

namespace ziplibs {
namespace {

// The block each read asks for: large enough that libzip's layers cost little per byte,
// small enough to stay in the cache.
constexpr std::size_t TestBlock = 256 * 1024;

struct ZipFileClose {
    void operator()(zip_file_t* f) const {
        if (f)
            zip_fclose(f);
    }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileClose>;

// The code and reason for a failed open or read.
std::pair<std::int32_t, std::string> failure(const zip_stat_t& st, const zip_error_t* err) {
    switch (zip_error_code_zip(err)) {
    case ZIP_ER_CRC:
        return {CrcError, "CRC error"};
    case ZIP_ER_COMPNOTSUPP:
        return {Unsupported, "unsupported compression method " + ((st.valid & ZIP_STAT_COMP_METHOD)
                                                                      ? methodName(st.comp_method)
                                                                      : std::string("unknown"))};
    case ZIP_ER_ENCRNOTSUPP:
        return {Unsupported, "unsupported encryption method"};
    case ZIP_ER_NOPASSWD:
        return {EntryEncrypted, "encrypted, no password given"};
    case ZIP_ER_WRONGPASSWD:
        return {EntryEncrypted, "wrong password"};
    default:
        return {ArchiveDamaged, "damaged data (" +
                                    std::string(zip_error_strerror(const_cast<zip_error_t*>(err))) +
                                    ")"};
    }
}

} // namespace

TestResult testEntry(zip_t* za, zip_uint64_t idx, const std::string& name, Reporter& rep,
                     bool verbose, Passwords* passwords) {
    const auto failed = [&](std::int32_t code, const std::string& why) {
        rep.message(code, name + ": " + why);
        return rep.stopped() ? TestResult::Stop : TestResult::Failed;
    };
    zip_stat_t st;
    const bool statted = zip_stat_index(za, idx, 0, &st) == 0;
    if (!statted)
        st.valid = 0;
    const bool folderName = !name.empty() && (name.back() == '/' || name.back() == '\\');
    if (statted && folderName && (st.valid & ZIP_STAT_SIZE) && st.size == 0)
        return TestResult::Skipped;

    rep.newFile(name, (st.valid & ZIP_STAT_SIZE) ? st.size : 0);
    if (rep.stopped())
        return TestResult::Stop;
    if (!statted)
        return failed(ArchiveDamaged, "damaged entry record");
    if (verbose)
        rep.message(InfoMessage, "Testing " + name);
    // Methods libzip does not decode are read as stored and decoded here, in blocks, with the
    // CRC checked here; the rest go through libzip's stream, which checks the CRC itself when
    // the stream reaches the entry's end and reports a mismatch as a read error.
    // An encrypted entry is decrypted by libzip and decoded here, its CRC checked here too.
    const bool encrypted = passwords && isEncrypted(st);
    const bool decodeHere =
        encrypted || ((st.valid & ZIP_STAT_COMP_METHOD) && decodedHere(st.comp_method));
    thread_local EntryBuffers buffers;
    std::optional<EntryReader> decoded;
    ZipFilePtr zf;
    if (encrypted) {
        switch (openEntry(decoded, za, idx, st, buffers, *passwords, name)) {
        case Opened::Yes:
            break;
        case Opened::NoPassword:
            return failed(EntryEncrypted, "encrypted, no password given");
        case Opened::Stop:
            return TestResult::Stop;
        }
    } else if (decodeHere) {
        decoded.emplace(za, idx, st, buffers);
    } else {
        zf.reset(zip_fopen_index(za, idx, 0));
    }
    if (decodeHere ? !decoded->opened() : !zf) {
        const auto [code, why] = failure(st, decodeHere ? decoded->error() : zip_get_error(za));
        return failed(code, why);
    }
    thread_local std::vector<char> block(TestBlock);
    zip_uint64_t total = 0;
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        const char* data = block.data();
        const zip_int64_t n = decodeHere ? decoded->read(data, TestBlock)
                                         : zip_fread(zf.get(), block.data(), block.size());
        if (n < 0) {
            const auto [code, why] =
                failure(st, decodeHere ? decoded->error() : zip_file_get_error(zf.get()));
            return failed(code, encrypted && code != Unsupported ? "wrong password or damaged data"
                                                                 : why);
        }
        if (n == 0)
            break;
        if (decodeHere)
            crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n));
        total += static_cast<zip_uint64_t>(n);
        if (!rep.progress(static_cast<std::uint64_t>(n)))
            return TestResult::Stop;
    }
    if ((st.valid & ZIP_STAT_SIZE) && total != st.size)
        return failed(ArchiveDamaged, "damaged data (" + std::to_string(total) + " bytes of " +
                                          std::to_string(st.size) + ")");
    if (decodeHere && decoded->checksCrc() && (st.valid & ZIP_STAT_CRC) &&
        static_cast<zip_uint32_t>(crc) != st.crc)
        return failed(CrcError, encrypted ? "wrong password or damaged data" : "CRC error");
    return TestResult::Sound;
}

} // namespace ziplibs
