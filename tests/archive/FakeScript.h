#pragma once
// The library side of the bridge tests. Each fake library call is answered by the next
// script of its queue (or the standing one): the call's record, texts and folder are kept,
// the script's callbacks are delivered until one is answered -1, and its count returned.
#include "archive/UNZIPPER.h"
#include "archive/ZIPPER.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fake {

struct Action {
    std::int32_t code = 0;
    std::int32_t errorCode = 0;
    std::int32_t entrySize = 0;
    std::string text{};
};

struct Script {
    std::vector<Action> actions{};
    std::int32_t result = 0;
    bool raise = false;             // the library fails (throws) after its actions
    std::function<void()> before{}; // runs inside the call, before the first action
};

template <typename Record> struct Call {
    Record record{}; // as received
    std::string archiveName;
    std::vector<std::string> specs;
    std::size_t archiveBuffer = 0;        // usable bytes behind ArchiveName
    std::vector<std::size_t> specBuffers; // usable bytes behind each spec
    std::vector<std::int32_t> answers;    // the callback's answers, in order
    std::vector<std::string> passwords;   // the texts answered to password requests (action 5)
    std::string currentDirectory;
};

template <typename Record> struct Library {
    std::deque<Script> queue;
    Script standing;
    std::vector<Call<Record>> calls;
};

Library<ZipCommandRecord>& zipper();
Library<UnzCommandRecord>& unzipper();
void reset();

// Builds a callback record and hands it to the function in a command record; REPLY, when
// given, receives the record's text as the callback left it.
std::int32_t deliver(LibCallbackFunc callback, void* caller, const Action& action,
                     std::string* reply = nullptr);

} // namespace fake
