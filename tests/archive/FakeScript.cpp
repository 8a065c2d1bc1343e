#include "tests/archive/FakeScript.h"

#include "platform/Files.h"
#include "tests/archive/FakeLibraryHooks.h"

#include <cstring>
#include <malloc.h>
#include <memory>
#include <stdexcept>

namespace fake {

Library<ZipCommandRecord>& zipper() {
    static Library<ZipCommandRecord> library;
    return library;
}

Library<UnzCommandRecord>& unzipper() {
    static Library<UnzCommandRecord> library;
    return library;
}

void reset() {
    zipper() = {};
    unzipper() = {};
}

std::int32_t deliver(LibCallbackFunc callback, void* caller, const Action& action,
                     std::string* reply) {
    auto record = std::make_unique<CallbackRecord>();
    std::memset(record.get(), 0, sizeof *record);
    record->Caller = caller;
    record->ActionCode = action.code;
    record->ErrorCode = action.errorCode;
    record->EntrySize = action.entrySize;
    std::memcpy(record->Text, action.text.data(),
                std::min(action.text.size(), sizeof record->Text - 1));
    const std::int32_t answer = callback(record.get());
    if (reply)
        *reply = record->Text;
    return answer;
}

namespace {

template <typename Record> std::int32_t run(Library<Record>& library, Record* record) {
    Script script = library.standing;
    if (!library.queue.empty()) {
        script = std::move(library.queue.front());
        library.queue.pop_front();
    }
    Call<Record> call;
    call.record = *record;
    if (record->ArchiveName) {
        call.archiveName = record->ArchiveName;
        call.archiveBuffer = malloc_usable_size(record->ArchiveName);
    }
    for (std::int32_t i = 0; i < record->SpecCount; ++i) {
        call.specs.emplace_back(record->Specs[i]);
        call.specBuffers.push_back(malloc_usable_size(record->Specs[i]));
    }
    call.currentDirectory = platform::currentDirectory();
    library.calls.push_back(std::move(call));
    const std::size_t index = library.calls.size() - 1;

    if (script.before)
        script.before();
    for (const Action& action : script.actions) {
        std::string reply;
        const std::int32_t answer =
            deliver(record->CallbackAddress, record->Caller, action, &reply);
        library.calls[index].answers.push_back(answer);
        if (action.code == ActionPassword)
            library.calls[index].passwords.push_back(reply);
        if (answer == CallbackStop)
            break;
    }
    if (script.raise)
        throw std::runtime_error("fake library failure");
    return script.result;
}

} // namespace

} // namespace fake

extern "C" __attribute__((visibility("default"))) std::int32_t
quembly_fake_zipper_exec(ZipCommandRecord* record) {
    return fake::run(fake::zipper(), record);
}

extern "C" __attribute__((visibility("default"))) std::int32_t
quembly_fake_unzipper_exec(UnzCommandRecord* record) {
    return fake::run(fake::unzipper(), record);
}
