#pragma once
// Testing an archive's entries instead of extracting them: each entry's data is read through
// libzip's stream, block by block, and its CRC and size checked; nothing is written and no
// entry is ever held whole in memory.
#include "ziplibs/common/Reporter.h"

#include <zip.h>

#include <string>

namespace ziplibs {

class Passwords;

// Sound: the data read back whole and matched its CRC; Skipped: a folder, nothing to test;
// Failed: reported with the reason; Stop: the caller asked to stop.
enum class TestResult { Sound, Skipped, Failed, Stop };

// Tests entry IDX (named NAME) of ZA: announces it (action 1), sends progress while reading
// and reports a failure as "NAME: reason" with the code of its kind (CRC error, damaged
// data, unsupported method, encrypted without the password). An encrypted entry is read with
// the call's password from PASSWORDS (none given: it fails as encrypted).
TestResult testEntry(zip_t* za, zip_uint64_t idx, const std::string& name, Reporter& rep,
                     bool verbose, Passwords* passwords = nullptr);

} // namespace ziplibs
