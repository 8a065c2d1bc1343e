#pragma once
// The archive password of one call of the library. It is asked for through the callback
// (action 5) when the first encrypted entry needs it, used for every encrypted entry after
// that, and asked for again, naming the entry, when it does not open one. An empty answer
// means there is none: encrypted entries are then skipped with their message. The password is
// cleared when the call ends. Only the calling thread asks.
#include "ziplibs/common/Reporter.h"
#include "ziplibs/common/Secret.h"
#include "ziplibs/unzipper/EntryReader.h"

#include <zip.h>

#include <optional>
#include <string>
#include <vector>

namespace ziplibs {

class Passwords {
public:
    // For the archive at ARCHIVE, asking through REP.
    Passwords(Reporter& rep, std::string archive);

    // The password to try on entry NAME, asked for the first time one is needed; null when
    // the caller has none or asked to stop (REP then says so).
    const char* forEntry(const std::string& name);
    // The last password did not open NAME: asks again. Null as above.
    const char* afterWrong(const std::string& name);
    // Whether entry IDX of the open archive is an AE-2 entry (checked by its authentication
    // code, not its CRC).
    bool authenticated(zip_uint64_t idx);
    // The index in the whole archive of the open archive's first entry: a large archive is
    // opened a batch of entries at a time, numbered from 0 in each.
    zip_uint64_t base = 0;
    bool stopped() const { return rep_.stopped(); }

private:
    const char* ask(std::int32_t reason, const std::string& name);

    Reporter& rep_;
    std::string archive_;
    Secret secret_;
    enum class State { NotAsked, Given, None } state_ = State::NotAsked;
    std::optional<std::vector<bool>> ae2_;
};

enum class Opened {
    Yes,        // READER is open (or failed for another reason than the password; it tells)
    NoPassword, // encrypted and no password given: the entry is to be skipped
    Stop        // the caller asked to stop
};

// Opens READER on entry IDX (named NAME) of ZA, which ST describes: an encrypted entry with
// the call's password from PASSWORDS, asked for again while it is wrong.
Opened openEntry(std::optional<EntryReader>& reader, zip_t* za, zip_uint64_t idx,
                 const zip_stat_t& st, EntryBuffers& buffers, Passwords& passwords,
                 const std::string& name);

// Whether ST describes an encrypted entry.
inline bool isEncrypted(const zip_stat_t& st) {
    return (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
}

} // namespace ziplibs
