#pragma once
// The codes the two libraries send with their action-4 messages. 0 is an informational line
// (verbose output); every other code names one kind of problem.
#include <cstdint>

namespace ziplibs {

enum MessageCode : std::int32_t {
    InfoMessage = 0,
    InputUnreadable = 1, // a named file is missing, unreadable or not a file
    EntrySkipped = 2,    // a file or entry left alone (exists, not newer, not in archive)
    CrcError = 3,        // the data read back does not match its stored CRC
    EntryEncrypted = 4,  // an encrypted entry, which these libraries cannot read
    NameRefused = 5,     // an entry name or link that would write outside the target folder
    ArchiveDamaged = 6,  // the archive is missing, damaged or not a ZIP file
    WriteFailed = 7,     // the archive or an extracted file could not be written
    Cancelled = 8,       // the caller asked to stop
    NothingMatched = 9,  // a name or pattern matched nothing
    Unsupported = 10,    // a compression method or entry kind these libraries cannot handle
    BadRequest = 11,     // the command record itself is unusable
};

} // namespace ziplibs
