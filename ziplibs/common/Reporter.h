#pragma once
// Sends the callback records of one library call: new file (action 1), progress (action 2,
// one per 32 KiB of a file), end of batch (action 3) and messages (action 4). Remembers when
// the caller answered "stop" so that the operation can unwind, and holds back an exception
// thrown by the callback until the library has cleaned up.
#include "archive/LibCallBack.h"
#include "ziplibs/common/Codes.h"
#include "ziplibs/common/Secret.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace ziplibs {

class Reporter {
public:
    Reporter(LibCallbackFunc callback, void* caller);

    // Each returns false once the caller has asked to stop (now or earlier).
    bool newFile(const std::string& name, std::uint64_t size);
    bool endOfBatch();
    bool message(std::int32_t code, const std::string& text);
    // Asks the caller for an archive password (action 5) for REASON (Password* of
    // LibCallBack.h) naming NAME. PASSWORD gets the answer, empty when the caller has none;
    // the record's copy is cleared at once. An answer equal to NAME is the record as it was
    // sent, from a caller that does not answer this action: no password. False when the
    // caller asked to stop.
    bool password(std::int32_t reason, const std::string& name, Secret& password);

    // Progress of the current file: call with every block processed. Sends one action 2 each
    // time the file's processed bytes pass a multiple of 32 KiB.
    bool progress(std::uint64_t bytes);
    // Starts counting a new file's bytes from zero.
    void resetProgress() { fileBytes_ = 0; }

    bool stopped() const { return stopped_; }
    // Marks the operation as stopped from within the library (for example after an error
    // that ends the whole call).
    void stop() { stopped_ = true; }

    // Rethrows an exception the callback threw, once the library is done with its clean-up.
    void rethrowPending();

private:
    bool send(std::int32_t action, std::int32_t code, std::int32_t size, const std::string& text);

    LibCallbackFunc callback_;
    void* caller_;
    std::unique_ptr<CallbackRecord> record_;
    std::uint64_t fileBytes_ = 0;
    bool stopped_ = false;
    std::exception_ptr pending_;
};

// Runs one library call for RECORD: RUN(record, reporter) does the work; an internal error is
// reported as a message, the batch is ended, and an exception the callback threw is handed
// back to the caller only after all that. A null record does nothing.
template <typename Record, typename Run> std::int32_t executeCall(Record* record, Run run) {
    if (!record)
        return 0;
    Reporter rep(record->CallbackAddress, record->Caller);
    std::int32_t result = 0;
    try {
        result = run(record, rep);
    } catch (const std::exception& e) {
        rep.message(WriteFailed, std::string("Internal error: ") + e.what());
        result = 0;
    } catch (...) {
        rep.message(WriteFailed, "Internal error");
        result = 0;
    }
    rep.endOfBatch();
    rep.rethrowPending();
    return result;
}

// EntrySize of an action-1 record: the size, clamped to the largest 32-bit signed value.
std::int32_t clampedSize(std::uint64_t size);

} // namespace ziplibs
