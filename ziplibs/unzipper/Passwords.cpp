#include "ziplibs/unzipper/Passwords.h"

#include "ziplibs/common/ArchiveBounds.h"

#include <utility>

namespace ziplibs {

Passwords::Passwords(Reporter& rep, std::string archive)
    : rep_(rep), archive_(std::move(archive)) {}

const char* Passwords::ask(std::int32_t reason, const std::string& name) {
    if (!rep_.password(reason, name, secret_)) {
        secret_.clear();
        state_ = State::None;
        return nullptr;
    }
    state_ = secret_.empty() ? State::None : State::Given;
    return state_ == State::Given ? secret_.c_str() : nullptr;
}

const char* Passwords::forEntry(const std::string& name) {
    switch (state_) {
    case State::NotAsked:
        return ask(PasswordToRead, name);
    case State::Given:
        return secret_.c_str();
    case State::None:
        break;
    }
    return nullptr;
}

const char* Passwords::afterWrong(const std::string& name) {
    return ask(PasswordWrong, name);
}

bool Passwords::authenticated(zip_uint64_t idx) {
    if (!ae2_)
        ae2_ = authenticatedEntries(archive_);
    return base + idx < ae2_->size() && (*ae2_)[base + idx];
}

Opened openEntry(std::optional<EntryReader>& reader, zip_t* za, zip_uint64_t idx,
                 const zip_stat_t& st, EntryBuffers& buffers, Passwords& passwords,
                 const std::string& name) {
    if (!isEncrypted(st)) {
        reader.emplace(za, idx, st, buffers);
        return Opened::Yes;
    }
    const bool ae2 = passwords.authenticated(idx);
    for (const char* password = passwords.forEntry(name);; password = passwords.afterWrong(name)) {
        reader.reset();
        if (!password)
            return passwords.stopped() ? Opened::Stop : Opened::NoPassword;
        reader.emplace(za, idx, st, buffers, password, ae2);
        if (reader->opened() || zip_error_code_zip(reader->error()) != ZIP_ER_WRONGPASSWD)
            return Opened::Yes;
    }
}

} // namespace ziplibs
